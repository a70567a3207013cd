#include "ui/ui_cursor.h"

#include <cmath>
#include <cstring>

#include "basics/vec3.h"
#include "services/manager_basic.h"
#include "services/srvc_input.h"
#include "ui/ui_vis_image.h"

namespace {

constexpr float UI_WIDTH = 1024.0f, UI_HEIGHT = 768.0f;
constexpr float PHASE_STEPS_PER_SECOND = 12.0f, PHASE_CYCLE = 10.0f;

} // namespace

cursor::cursor(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_image(nullptr), m_pos(0.0f, 0.0f), m_buttons{0, 0, 0}, m_phase(0.0f),
      m_animated(false), m_name("standard"), m_shown(true), m_no_shape(false)
{
}

abstract_c *cursor::find_shape(vec2 *hotspot, rect *frame)
{
    abstract_c *texture = nullptr;
    *hotspot = vec2(0.0f, 0.0f);
    *frame = rect();
    root()->message(MSG_VAR(get_cursor), MSGF_NO_SELF, this, MSG_ARG(m_name.c_str()), MSG_ARG((void *)&texture),
                    MSG_ARG((void *)hotspot), MSG_ARG((void *)frame), MSG_ARGS_END);
    return texture;
}

void cursor::on_tick(float since_previous)
{
    input_service_c *input = get_input_service(this);
    int dx = 0, dy = 0;
    float wheel = 0.0f;
    input->get_mouse_state(dx, dy, wheel);
    input->reset_mouse_state();

    m_pos.x += float(dx);
    m_pos.y += float(dy);
    if (m_pos.x < 0.0f)
        m_pos.x = 0.0f;
    if (m_pos.y < 0.0f)
        m_pos.y = 0.0f;
    if (m_pos.x >= UI_WIDTH)
        m_pos.x = UI_WIDTH;
    if (m_pos.y >= UI_HEIGHT)
        m_pos.y = UI_HEIGHT;

    unsigned char over = 0;
    root()->message(MSG_VAR(is_cursor_over_control), 0, this, MSG_ARG(m_pos), MSG_ARG((void *)&over), MSG_ARGS_END);
    if (m_animated || over) {
        m_phase += since_previous * PHASE_STEPS_PER_SECOND;
        // A remainder rather than repeated subtraction: a very long tick would spin there, or
        // never end once the phase is too large for 10 to change it.
        if (m_phase >= PHASE_CYCLE)
            m_phase = std::fmod(m_phase, PHASE_CYCLE);
        if (!std::isfinite(m_phase))
            m_phase = 0.0f;
    } else {
        m_phase = 0.0f;
    }

    int now[3] = {0, 0, 0};
    input->get_mouse_buttons(now);
    int index = -1;
    for (int i = 2; i >= 0 && index < 0; --i)
        if (now[i] != m_buttons[i])
            index = i;
    const int event = index < 0 ? 0 : now[index] > m_buttons[index] ? 1 : 2;
    std::memcpy(m_buttons, now, sizeof m_buttons);

    if (dx || dy || event)
        root()->message(MSG_VAR(mouse), MSGF_NO_SELF | MSGF_HANDLER_LAST | MSGF_NEWEST_FIRST, this, MSG_ARG(m_pos),
                        MSG_ARG((void *)m_buttons), MSG_ARG(index), MSG_ARG(event), MSG_ARGS_END);
}

void cursor::take_shape(abstract_c *texture, const rect &frame)
{
    if (!m_image) {
        m_image = new multistate_image(this, texture, 1, 1, frame);
        m_image->set_visible(m_shown);
    } else {
        m_image->set_texture(texture, 1, 1, frame);
    }
}

void cursor::on_render()
{
    vec2 hotspot;
    rect frame_rect;
    abstract_c *texture = find_shape(&hotspot, &frame_rect);
    m_no_shape = texture == nullptr;
    if (m_no_shape)
        return;
    int frame = int(m_phase);
    if (frame > 5)
        frame = 10 - frame;
    const float shift = (frame_rect.right - frame_rect.left) * float(frame);
    frame_rect.left += shift;
    frame_rect.right += shift;
    take_shape(texture, frame_rect);
    // The image's own rectangle: a zero-sized frame stands for the whole texture.
    const rect &shown = m_image->tex_rect();
    m_image->set_position(vec2(m_pos.x - hotspot.x, m_pos.y - hotspot.y));
    m_image->resize(vec2(shown.right - shown.left, shown.bottom - shown.top));
}

int cursor::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        on_tick(msg_arg(1)->get_float());
        return 0;
    }
    if (*message == MSG_VAR(render)) {
        on_render();
        return 0;
    }
    if (*message == MSG_VAR(app_startup)) {
        m_pos = vec2(0.0f, 0.0f);
        m_buttons[0] = m_buttons[1] = m_buttons[2] = 0;
        vec2 hotspot;
        rect frame_rect;
        if (abstract_c *texture = find_shape(&hotspot, &frame_rect))
            take_shape(texture, frame_rect);
        return 0;
    }
    if (*message == MSG_VAR(cursor_move)) {
        const vec2 *by = static_cast<const vec2 *>(msg_arg(0)->get_ptr());
        m_pos.x += by->x;
        m_pos.y += by->y;
        return 1;
    }
    if (*message == MSG_VAR(cursor_show)) {
        m_shown = msg_arg(0)->get_int() != 0;
        if (m_image)
            m_image->set_visible(m_shown);
        return 1;
    }
    if (*message == MSG_VAR(change_cursor)) {
        m_name = msg_arg(0)->get_const_pchar();
        m_animated = msg_arg(1)->get_int() != 0;
        return 1;
    }
    return 0;
}

int cursor::pass_to_children(const msg_c *message)
{
    return !(m_no_shape && *message == MSG_VAR(render));
}

cursor_resource::cursor_resource(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_name(nullptr), m_hotspot(), m_texture(nullptr)
{
    m_name = attribute("name")->get_const_pchar();
    m_hotspot = attribute("hotspot")->get_vec2();
    attribute("texture_name");
    attribute("tex_rect")->get_rect2();
}

void cursor_resource::on_shutdown()
{
    if (m_texture)
        release_res(m_texture);
    m_texture = nullptr;
}

int cursor_resource::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(app_startup)) {
        const std::string path = std::string("textures/") + attribute("texture_name")->get_const_pchar();
        abstract_c *texture =
            static_cast<manager_basic_c *>(find_manager(this, "get_texture_mgr"))->load_res(path.c_str(), 0);
        if (m_texture)
            release_res(m_texture);
        m_texture = texture;
        return 0;
    }
    if (*message == MSG_VAR(get_cursor)) {
        if (std::strcmp(msg_arg(0)->get_const_pchar(), m_name) != 0)
            return 0;
        *static_cast<abstract_c **>(msg_arg(1)->get_ptr()) = m_texture;
        *static_cast<vec2 *>(msg_arg(2)->get_ptr()) = m_hotspot;
        *static_cast<rect *>(msg_arg(3)->get_ptr()) = attribute("tex_rect")->get_rect2();
        return 1;
    }
    return 0;
}
