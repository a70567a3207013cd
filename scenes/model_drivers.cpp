#include "scenes/model_drivers.h"

#include <cstdio>
#include <cstring>

#include "kernel/exception.h"
#include "services/imodel.h"
#include "services/srvc_d3d.h"

namespace {

const char *gesture_name(abstract_c *object, int n)
{
    char name[32];
    std::snprintf(name, sizeof name, "gesture%i", n);
    return object->attribute(name)->get_const_pchar();
}

} // namespace

// ---- gesture player ----

int gesture_player_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(get_gest_id) && std::strcmp(msg_arg(0)->get_const_pchar(), m_id) == 0) {
        char *buffer = msg_arg(2)->get_pchar();
        std::snprintf(buffer, GESTURE_NAME_BUFFER, "%s", gesture_name(this, msg_arg(1)->get_int()));
        return 1;
    }
    return location_entity_c::handle_message(message, sender);
}

void gesture_player_c::on_activate(abstract_c *, int parameter)
{
    const char *name = gesture_name(this, parameter);
    char time_name[32];
    std::snprintf(time_name, sizeof time_name, "playtime%i", parameter);
    const value_c *play_time = find_attribute(time_name);
    const float time = play_time ? play_time->get_float() : -1.0f;
    get_entity(attribute("model_id")->get_const_pchar())
        ->message(MSG_VAR(location_mdl_play_gest), 0, this, MSG_ARG(name), MSG_ARG(time), MSG_ARGS_END);
}

// ---- revealer ----

model_revealer_c::model_revealer_c(abstract_c *parent, const attribute_list_c *attributes)
    : location_entity_c(parent, attributes), m_fade_start(-1.0f), m_fade_end(-1.0f), m_alpha(1.0f),
      m_start_alpha(0.0f), m_target_alpha(0.0f)
{
}

void model_revealer_c::send_show(int visible)
{
    get_entity(attribute("model_id")->get_const_pchar())
        ->message(MSG_VAR(location_mdl_show), 0, this, MSG_ARG(visible), MSG_ARGS_END);
}

void model_revealer_c::send_alpha(float alpha)
{
    get_entity(attribute("model_id")->get_const_pchar())
        ->message(MSG_VAR(location_mdl_alpha), 0, this, MSG_ARG(alpha), MSG_ARGS_END);
}

void model_revealer_c::on_activate(abstract_c *, int parameter)
{
    const float t = attribute("time")->get_float();
    if (t != 0.0f) {
        m_target_alpha = parameter ? 1.0f : 0.0f;
        m_start_alpha = parameter ? 0.0f : 1.0f;
        m_fade_start = m_time;
        send_show(1);
        m_fade_end = m_time + t;
    } else {
        send_show(parameter ? 1 : 0);
        m_fade_start = m_fade_end = -1.0f;
    }
}

void model_revealer_c::on_tick()
{
    // A fade started at time 0 (before the first tick) runs as well.
    if (!fading())
        return;
    if (m_time >= m_fade_end) {
        m_alpha = m_target_alpha;
        m_fade_start = m_fade_end = -1.0f;
        send_show(m_alpha > 0.01f ? 1 : 0);
        send_alpha(m_alpha);
        return;
    }
    const float f = (m_time - m_fade_start) / (m_fade_end - m_fade_start);
    m_alpha = (1.0f - f) * m_start_alpha + f * m_target_alpha;
    send_alpha(m_alpha);
}

// ---- picker ----

void model_picker_c::on_activate(abstract_c *, int parameter)
{
    const unsigned packed = (unsigned)parameter;
    const int ui_x = (int)(packed >> 16), ui_y = (int)(packed & 0xFFFF);
    // The cursor comes in the user interface's fixed space; the ray needs window pixels.
    d3d_service_c *d3d = get_d3d_service(this);
    const int width = (int)d3d->viewport().Width, height = (int)d3d->viewport().Height;
    const int x = (int)((long long)ui_x * width / UI_SPACE_WIDTH);
    const int y = (int)((long long)ui_y * height / UI_SPACE_HEIGHT);
    const vec3 direction = d3d->screen_to_world_ray(x, y);
    const vec3 origin = imodel_mgr_c().view_origin();
    int best_index = -1;
    float best_distance = 0.0f;
    parent()->message(MSG_VAR(location_mdl_pick), 0, this, MSG_ARG((void *)&best_index),
                      MSG_ARG((void *)&best_distance), MSG_ARG(origin), MSG_ARG(direction), MSG_ARGS_END);
    feedback("", best_index);
}
