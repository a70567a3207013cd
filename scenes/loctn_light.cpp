#include "scenes/loctn_light.h"

#include <cstdio>
#include <string>

#include "kernel/exception.h"
#include "services/srvc_d3d.h"

namespace {

value_c *numbered_attribute(abstract_c *object, const char *pattern, int n)
{
    char name[48];
    std::snprintf(name, sizeof name, pattern, n);
    return object->find_attribute(name);
}

// How far a linear change of the tick clock has come: 1 and done once the end is reached (an end
// equal to the start, too short for the clock's precision, is done at once).
bool change_done(float now, float start, float end, float *f)
{
    if (end <= now)
        return true;
    *f = (now - start) / (end - start);
    return false;
}

vec2 lerp2(const vec2 &a, const vec2 &b, float f) { return {(1.0f - f) * a.x + f * b.x, (1.0f - f) * a.y + f * b.y}; }

} // namespace

// ---- fog ----

fog_c::fog_c(abstract_c *parent, const attribute_list_c *attributes)
    : location_entity_c(parent, attributes), m_change_start(-1.0f), m_change_end(-1.0f), m_color(0.5f, 0.5f, 0.5f),
      m_distances(1.0f, 100.0f)
{
}

void fog_c::on_activate(abstract_c *, int n)
{
    m_change_start = m_change_end = -1.0f;
    const value_c *color = numbered_attribute(this, "color%i", n);
    const value_c *distances = numbered_attribute(this, "distances%i", n);
    const value_c *lerp_time = numbered_attribute(this, "lerp_time%i", n);
    if (!color || !distances || !lerp_time) {
        m_mgr.disable_fog();
        m_applied = false;
        return;
    }
    m_target_color = color->get_vec3();
    m_target_distances = distances->get_vec2();
    const float t = lerp_time->get_float();
    if (t > 0.0f && m_mgr.fog_enabled()) {
        m_start_color = m_color;
        m_start_distances = m_distances;
        m_change_start = m_time;
        m_change_end = m_time + t;
    } else {
        m_color = m_target_color;
        m_distances = m_target_distances;
    }
    m_mgr.enable_fog(m_distances, m_color);
    m_applied = true;
}

void fog_c::on_shutdown()
{
    if (m_applied)
        m_mgr.disable_fog();
    m_applied = false;
    location_entity_c::on_shutdown();
}

void fog_c::on_tick()
{
    if (!changing())
        return;
    float f = 1.0f;
    if (change_done(m_time, m_change_start, m_change_end, &f)) {
        m_color = m_target_color;
        m_distances = m_target_distances;
        m_change_start = m_change_end = -1.0f;
    } else {
        m_color = m_start_color + (m_target_color - m_start_color) * f;
        m_distances = lerp2(m_start_distances, m_target_distances, f);
    }
    m_mgr.enable_fog(m_distances, m_color);
}

// ---- light ----

light_c::light_c(abstract_c *parent, const attribute_list_c *attributes)
    : location_entity_c(parent, attributes), m_kind(AMBIENT), m_state(0), m_change_start(-1.0f),
      m_change_end(-1.0f), m_state_radius{0.0f, 0.0f}, m_start_radius(0.0f), m_target_radius(0.0f),
      m_d3d(get_d3d_service(this))
{
    m_state_color[0] = attribute("color0")->get_vec3();
    const value_c *color1 = find_attribute("color1");
    m_state_color[1] = color1 ? color1->get_vec3() : m_state_color[0];
    const value_c *time01 = find_attribute("lerp_time01");
    m_time01 = time01 ? time01->get_float() : -1.0f;
    const value_c *time10 = find_attribute("lerp_time10");
    m_time10 = time10 ? time10->get_float() : m_time01;

    const value_c *direction = find_attribute("direction");
    const value_c *position = find_attribute("position");
    const value_c *radius0 = find_attribute("radius0");
    const value_c *radius1 = find_attribute("radius1");
    if (direction) {
        if (position || radius0 || radius1)
            ENGINE_THROW(exception_c, std::string("Invalid light attributes '") + m_id + "'");
        m_kind = DIRECTIONAL;
        m_where = direction->get_vec3();
    } else if (position) {
        if (!radius0)
            ENGINE_THROW(exception_c, std::string("Invalid light attributes '") + m_id + "'");
        m_kind = POINT;
        m_where = position->get_vec3();
        m_state_radius[0] = radius0->get_float();
        m_state_radius[1] = radius1 ? radius1->get_float() : m_state_radius[0];
    }
    m_color = m_state_color[0];
    m_radius = m_state_radius[0];
}

int light_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (location_entity_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(render))
        render();
    return 0;
}

void light_c::on_activate(abstract_c *, int)
{
    const int old = m_state;
    m_state = 1 - old;
    const float t = old == 0 ? m_time01 : m_time10;
    if (t > 0.0f) {
        m_change_start = m_time;
        m_change_end = m_time + t;
        m_start_color = m_color;
        m_start_radius = m_radius;
        m_target_color = m_state_color[m_state];
        m_target_radius = m_state_radius[m_state];
    } else {
        m_change_start = m_change_end = -1.0f;
        m_color = m_state_color[m_state];
        m_radius = m_state_radius[m_state];
    }
}

void light_c::on_tick()
{
    if (!changing())
        return;
    float f = 1.0f;
    if (change_done(m_time, m_change_start, m_change_end, &f)) {
        m_color = m_target_color;
        m_radius = m_target_radius;
        m_change_start = m_change_end = -1.0f;
    } else {
        m_color = m_start_color + (m_target_color - m_start_color) * f;
        m_radius = (1.0f - f) * m_start_radius + f * m_target_radius;
    }
}

void light_c::render()
{
    switch (m_kind) {
    case AMBIENT:
        m_d3d->set_ambient_color(m_color.x, m_color.y, m_color.z);
        break;
    case POINT:
        m_d3d->add_point_light(m_radius, m_where, m_color.x, m_color.y, m_color.z);
        break;
    default:
        m_d3d->add_directional_light(m_where, m_color.x, m_color.y, m_color.z);
        break;
    }
}
