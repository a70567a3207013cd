#include "scenes/loctn_movers.h"

#include <cstring>
#include <string>

#include "basics/helpers.h"
#include "kernel/assert_quoting.h"
#include "scenes/loctn_movepath.h"

// ---- mover ----

mover_c::mover_c(abstract_c *parent, const attribute_list_c *attributes)
    : location_entity_c(parent, attributes), m_active(0), m_movetarget(attribute("movetarget")->get_const_pchar()),
      m_stop_only(0)
{
}

int mover_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (location_entity_c::handle_message(message, sender))
        return 1;
    // Every mover sees it: each of the target's running movers stops.
    if (*message == MSG_VAR(loctn_mover_new_activate) && m_active &&
        std::strcmp(m_movetarget, msg_arg(0)->get_const_pchar()) == 0)
        stop();
    return 0;
}

void mover_c::on_activate(abstract_c *, int)
{
    parent()->message(MSG_VAR(loctn_mover_new_activate), 0, this, MSG_ARG(m_movetarget), MSG_ARGS_END);
    if (m_stop_only)
        return;
    m_active = 1;
    try {
        on_start();
    } catch (...) {
        // A mover whose start failed has nothing sound to step along.
        m_active = 0;
        throw;
    }
}

void mover_c::on_tick()
{
    if (!m_active || !step())
        return;
    get_entity(m_movetarget)
        ->message(MSG_VAR(loctn_loctr_set_pos), 0, this, MSG_ARG(m_placement.position), MSG_ARG(m_placement.angles),
                  MSG_ARG(m_placement.scale), MSG_ARGS_END);
}

void mover_c::stop()
{
    on_finish();
    m_active = 0;
}

void mover_c::fetch_placement()
{
    get_entity(m_movetarget)->message(MSG_VAR(loctn_loctr_get_pos), 0, this, MSG_ARG((void *)&m_placement), MSG_ARGS_END);
}

// ---- path mover ----

path_mover_c::path_mover_c(abstract_c *parent, const attribute_list_c *attributes)
    : mover_c(parent, attributes), m_path(nullptr), m_index(0), m_segment_start(0.0f), m_segment_end(0.0f)
{
    location_entity_c *path = get_entity(attribute("path")->get_const_pchar());
    // A child of another entity may answer for it: only a path itself will do.
    const int answered = path->message(MSG_VAR(movepath_check_out), 0, this, MSG_ARGS_END);
    m_path = dynamic_cast<movepath_c *>(path);
    ENGINE_ASSERT_QUOTING(answered && m_path, "path->message(MSG_VAR(movepath_check_out), 0, this, MSG_ARGS_END)");
}

void path_mover_c::on_start()
{
    // Only a completed path has its times and tangents.
    ENGINE_ASSERT(m_path->completed());
    mover_c::on_start();
    fetch_placement();
    m_index = 0;
    start_segment();
}

void path_mover_c::start_segment()
{
    const path_pivot &p = m_path->pivot(m_index);
    const path_pivot &n = m_path->next_pivot(m_index);
    feedback("pivot", p.feedback_param);
    m_segment_start = m_time;
    m_segment_end = m_time + p.time;
    m_curve.set(0.0f, p.time, p.position, n.position, p.out_tangent, n.in_tangent);
    m_start_angles = p.angles;
    m_end_angles = n.angles;
}

int path_mover_c::step()
{
    if (m_time >= m_segment_end) {
        const path_pivot &n = m_path->next_pivot(m_index);
        m_placement.position = n.position;
        m_placement.angles = n.angles;
        ++m_index;
        if (m_path->cyclic()) {
            if (m_index == m_path->pivot_count())
                m_index = 0;
        } else if (m_index >= m_path->pivot_count() - 1) {
            m_index = 0;
            stop();
            return 1;
        }
        start_segment();
    }
    const float s = m_time - m_segment_start;
    m_placement.position = m_curve.eval(s);
    // A segment too short for the clock's precision has already turned.
    const float span = m_segment_end - m_segment_start;
    interpolate_angles(m_placement.angles, m_start_angles, m_end_angles, span > 0.0f ? s / span : 1.0f);
    return 1;
}

// ---- interpolating mover ----

void interp_mover_c::on_start()
{
    mover_c::on_start();
    fetch_placement();
    m_start_position = m_placement.position;
    m_start_angles = m_placement.angles;
    m_dest_position = attribute("dest_position")->get_vec3();
    m_dest_angles = attribute("dest_angles")->get_vec3();
    const vec3 d = m_dest_position - m_start_position;
    float length = d.length();
    if (length >= 0.01f) {
        m_direction = d * (1.0f / length);
    } else {
        m_direction = vec3_zero;
        length = 0.0f;
    }

    const value_c *time = find_attribute("time");
    const value_c *speed0 = find_attribute("speed0");
    const value_c *speed1 = find_attribute("speed1");
    float travel = 0.0f, start_speed = 0.0f, end_speed = 0.0f;
    if (time && !speed0 && !speed1) {
        travel = time->get_float();
        if (!(travel >= 0.01f))
            ENGINE_THROW(exception_c, std::string("Invalid travel time in '") + m_id + "'");
    } else if (!time && speed0 && speed1) {
        start_speed = speed0->get_float();
        end_speed = speed1->get_float();
        const float average = (start_speed + end_speed) * 0.5f;
        if (start_speed < 0.0f || end_speed < 0.0f || !(average > 0.0f))
            ENGINE_THROW(exception_c, std::string("Invalid speeds in '") + m_id + "'");
        travel = length / average;
        if (travel < 0.01f)
            travel = 0.0f;
    } else {
        ENGINE_THROW(exception_c, std::string("Invalid time/speed combination in '") + m_id + "'");
    }

    m_start_time = m_time;
    m_end_time = m_time + travel;
    if (travel != 0.0f)
        m_distance.set(0.0f, travel, 0.0f, length, start_speed, end_speed);
    wrap_angles(m_start_angles);
    wrap_angles(m_dest_angles);
}

int interp_mover_c::step()
{
    if (m_time >= m_end_time) {
        m_placement.position = m_dest_position;
        m_placement.angles = m_dest_angles;
        stop();
        return 1;
    }
    const float t = m_time - m_start_time;
    m_placement.position = m_start_position + m_direction * m_distance.eval(t);
    const float g = smooth_step(t / (m_end_time - m_start_time));
    interpolate_angles(m_placement.angles, m_start_angles, m_dest_angles, g);
    return 1;
}

// ---- accelerated mover ----

accelerated_mover_c::accelerated_mover_c(abstract_c *parent, const attribute_list_c *attributes)
    : mover_c(parent, attributes), m_has_position(0), m_has_angles(0), m_velocity(attribute("velocity")->get_vec3()),
      m_accel(attribute("accel")->get_vec3()), m_avelocity(attribute("avelocity")->get_vec3())
{
    if (const value_c *position = find_attribute("position")) {
        m_has_position = 1;
        m_start_position = position->get_vec3();
    }
    if (const value_c *angles = find_attribute("angles")) {
        m_has_angles = 1;
        m_start_angles = angles->get_vec3();
    }
}

void accelerated_mover_c::on_start()
{
    mover_c::on_start();
    fetch_placement();
    if (m_has_position)
        m_placement.position = m_start_position;
    if (m_has_angles)
        m_placement.angles = m_start_angles;
    m_current_velocity = m_velocity;
}

int accelerated_mover_c::step()
{
    const float dt = m_frame_time;
    m_placement.position += m_current_velocity * dt;
    m_current_velocity += m_accel * dt;
    m_placement.angles += m_avelocity * dt;
    return 1;
}

// ---- stopper ----

stopper_c::stopper_c(abstract_c *parent, const attribute_list_c *attributes) : mover_c(parent, attributes)
{
    m_stop_only = 1;
}
