#include "scenes/locator.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "basics/helpers.h"
#include "basics/matrix.h"
#include "kernel/exception.h"

namespace {

// The attribute named by a pattern with one %i.
value_c *indexed_attribute(abstract_c *object, const char *pattern, int i, bool required)
{
    char name[64];
    std::snprintf(name, sizeof name, pattern, i);
    return required ? object->attribute(name) : object->find_attribute(name);
}

} // namespace

// ---- locator ----

locator_c::locator_c(abstract_c *parent, const attribute_list_c *attributes) : location_entity_c(parent, attributes)
{
    m_placement.position = attribute("position")->get_vec3();
    m_placement.angles = attribute("angles")->get_vec3();
}

void locator_c::set_placement(const placement &p) { m_placement = p; }

int locator_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (location_entity_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(loctn_loctr_set_pos)) {
        placement p;
        p.position = msg_arg(0)->get_vec3();
        p.angles = msg_arg(1)->get_vec3();
        p.scale = msg_arg(2)->get_vec3();
        set_placement(p);
        return 1;
    }
    if (*message == MSG_VAR(loctn_loctr_get_pos)) {
        *(placement *)msg_arg(0)->get_ptr() = m_placement;
        return 1;
    }
    return 0;
}

// ---- model ----

location_model_c::location_model_c(abstract_c *parent, const attribute_list_c *attributes)
    : locator_c(parent, attributes), m_idle_count(0), m_next_idle_time(-1.0f), m_current_gesture(nullptr),
      m_last_idle(-1)
{
    add_attribute(&m_model_interface, m_attributes, "model_interface", value_c((void *)nullptr), 1);
    load();
    while (m_idle_count < MAX_IDLE_GESTURES && indexed_attribute(this, "idle_gesture%i", m_idle_count, false))
        ++m_idle_count;
    if (value_c *master_id = find_attribute("master_id")) {
        location_entity_c *master = get_entity(master_id->get_const_pchar());
        auto *master_model = (imodel_c *)master->attribute("model_interface")->get_ptr();
        ENGINE_ASSERT(master_model);
        master_model->insert_slave(m_model.get(), attribute("master_locator")->get_const_pchar());
    }
}

location_model_c::~location_model_c() = default;

void location_model_c::load()
{
    if (value_c *player_index = find_attribute("player_index")) {
        char *name = nullptr, *part = nullptr;
        get_player(player_index->get_int(), &name, &part);
        m_model = m_mgr.create_model(name);
        m_model->switch_part(part, 1);
    } else {
        m_model = m_mgr.create_model(attribute("model_name")->get_const_pchar());
        if (value_c *part = find_attribute("model_part_name"))
            m_model->switch_part(part->get_const_pchar(), 1);
    }
    m_model_interface.value() = value_c((void *)m_model.get());
    if (attribute("accept_shadows")->get_int())
        m_model->accept_shadows();
    const float shadow_size = attribute("shadow_size")->get_float();
    if (shadow_size != 0.0f)
        m_model->cast_shadows(shadow_size);
    m_model->set_position(m_placement.position, m_placement.angles);
    m_model->show(attribute("visible")->get_int());
    m_model->set_lighting(attribute("lighting")->get_int());
}

void location_model_c::on_shutdown()
{
    m_model.reset();
    m_model_interface.value() = value_c((void *)nullptr);
}

void location_model_c::set_placement(const placement &p)
{
    locator_c::set_placement(p);
    if (m_model)
        m_model->set_position(p.position, p.angles);
}

int location_model_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (locator_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(location_mdl_play_gest)) {
        play_requested(msg_arg(0)->get_const_pchar(), msg_arg(1)->get_float());
        return 1;
    }
    if (*message == MSG_VAR(location_mdl_show)) {
        m_model->show(msg_arg(0)->get_int());
        return 0;
    }
    if (*message == MSG_VAR(location_mdl_alpha)) {
        m_model->set_alpha(msg_arg(0)->get_float());
        return 0;
    }
    if (*message == MSG_VAR(location_mdl_pick)) {
        pick((int *)msg_arg(0)->get_ptr(), (float *)msg_arg(1)->get_ptr(), msg_arg(2)->get_vec3(),
             msg_arg(3)->get_vec3());
        return 0;
    }
    return 0;
}

void location_model_c::play_requested(const char *name, float time)
{
    m_current_gesture = name;
    m_next_idle_time = time > 0.0f ? m_time + time : -1.0f;
    m_model->play_gesture(name);
    feedback(name, 1);
    m_last_idle = -1;
}

void location_model_c::on_tick()
{
    if (!m_model)
        return;
    if (m_next_idle_time > 0.0f && m_idle_count > 0) {
        if (m_time >= m_next_idle_time)
            choose_idle();
        return;
    }
    if (!m_current_gesture) {
        if (m_idle_count > 0)
            choose_idle();
        return;
    }
    const char *passed = m_model->get_passed_gesture();
    if (!passed || std::strcmp(passed, m_current_gesture) != 0)
        return;
    // A requested gesture is reported passed also on a model without idle gestures, so that
    // whoever waits for it goes on.
    feedback(m_current_gesture, 0);
    if (m_idle_count > 0)
        choose_idle();
    else
        m_current_gesture = nullptr;
}

void location_model_c::choose_idle()
{
    float weights[MAX_IDLE_GESTURES];
    float total = 0.0f;
    for (int i = 0; i < m_idle_count; ++i) {
        weights[i] = i == m_last_idle ? 0.0f : indexed_attribute(this, "idle_gest%i_weight", i, true)->get_float();
        total += weights[i];
    }
    const float r = random_unit() * total;
    int chosen = 0;
    float sum = 0.0f;
    for (int i = 0; i < m_idle_count; ++i) {
        // A zero weight is never chosen while another is positive, even when r falls on its
        // boundary.
        if (weights[i] > 0.0f && sum <= r && r <= sum + weights[i]) {
            chosen = i;
            break;
        }
        sum += weights[i];
    }
    m_current_gesture = indexed_attribute(this, "idle_gesture%i", chosen, true)->get_const_pchar();
    const float t = indexed_attribute(this, "idle_gest%i_time", chosen, true)->get_float();
    m_next_idle_time = t > 0.0f ? m_time + t * (1.0f + 0.3f * random_signed()) : -1.0f;
    m_last_idle = chosen;
    m_model->play_gesture(m_current_gesture);
    feedback(m_current_gesture, 1);
}

void location_model_c::pick(int *best_index, float *best_distance, const vec3 &origin, const vec3 &direction)
{
    value_c *pick_index = find_attribute("pick_index");
    if (!pick_index || !m_model)
        return;
    const matrix_c world = m_model->get_matrix();
    const vec3 position{world[3][0], world[3][1], world[3][2]};
    const vec3 centre = position + attribute("pick_offset")->get_vec3();
    const float radius = attribute("pick_radius")->get_float();
    const vec3 v = centre - origin;
    const float d2 = dot(v, v);
    const float k = dot(direction, v);
    if (radius * radius < d2 - k * k)
        return;
    const float distance = std::sqrt(d2);
    if (distance < *best_distance || *best_index < 0) {
        *best_index = pick_index->get_int();
        *best_distance = distance;
    }
}
