#include "scenes/loctn_movepath.h"

#include <string>

#include "kernel/assert_quoting.h"

namespace {

// v normalised and scaled to speed, or zero when v is no longer than epsilon.
vec3 tangent(vec3 v, float speed, float epsilon)
{
    if (v.length() <= epsilon)
        return vec3_zero;
    v.normalize();
    return v * speed;
}

} // namespace

movepath_c::movepath_c(abstract_c *parent, const attribute_list_c *attributes)
    : location_entity_c(parent, attributes), m_epsilon(0.01f), m_cyclic(attribute("cyclic")->get_int()),
      m_completed(0)
{
    if (const value_c *epsilon = find_attribute("epsilon"))
        m_epsilon = epsilon->get_float();
}

int movepath_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (location_entity_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(movepath_pivot)) {
        if (msg_arg(0)->get_int() == 0) {
            ENGINE_ASSERT_QUOTING(sender, "from");
            add_pivot(sender);
        } else {
            if (m_completed)
                ENGINE_THROW(exception_c, std::string("Path already completed '") + m_id + "'");
            finish();
        }
        return 1;
    }
    if (*message == MSG_VAR(movepath_check_out))
        return 1;
    return 0;
}

void movepath_c::add_pivot(abstract_c *pivot_object)
{
    if (m_completed)
        ENGINE_THROW(exception_c, std::string("Adding pivot to completed path '") + m_id + "'");
    path_pivot p;
    p.flags = pivot_object->attribute("jog")->get_int() ? PIVOT_JOG : 0;
    p.position = pivot_object->attribute("position")->get_vec3();
    p.angles = pivot_object->attribute("angles")->get_vec3();
    p.speed = pivot_object->attribute("speed")->get_float();
    p.time = pivot_object->attribute("time")->get_float();
    p.feedback_param = pivot_object->attribute("feedback_param")->get_int();
    p.out_tangent = p.in_tangent = vec3_zero;
    if (p.speed < 0.0f)
        ENGINE_THROW(exception_c, std::string("Invalid pivot speed '") + m_id + "'");
    m_pivots.push_back(p);
}

void movepath_c::finish()
{
    const int n = pivot_count();
    if (n < 2)
        ENGINE_THROW(exception_c, std::string("Too few pivots in path '") + m_id + "'");
    for (int i = 0; i < n; ++i) {
        path_pivot &p = m_pivots[i];
        const path_pivot *next = i < n - 1 ? &m_pivots[i + 1] : (m_cyclic ? &m_pivots[0] : nullptr);
        const path_pivot *prev = i > 0 ? &m_pivots[i - 1] : (m_cyclic ? &m_pivots[n - 1] : nullptr);
        if ((p.flags & PIVOT_JOG) && (!prev || !next))
            ENGINE_THROW(exception_c, std::string("Jog pivot must have both neighbours in path '") + m_id + "'");
        if (!(p.time > 0.0f)) {
            if (!next)
                ENGINE_THROW(exception_c, std::string("Invalid time in path '") + m_id + "'");
            const float length = (next->position - p.position).length();
            const float average_speed = (next->speed + p.speed) * 0.5f;
            // Both speeds 0 would make the time infinite: the segment could never be travelled.
            if (length < m_epsilon || !(average_speed > 0.0f))
                ENGINE_THROW(exception_c, std::string("Invalid time & positions in path '") + m_id + "'");
            p.time = length / average_speed;
        }
        if (p.flags & PIVOT_JOG) {
            p.in_tangent = tangent(p.position - prev->position, p.speed, m_epsilon);
            p.out_tangent = tangent(next->position - p.position, p.speed, m_epsilon);
        } else {
            const vec3 d = prev && next ? next->position - prev->position
                                        : (prev ? p.position - prev->position : next->position - p.position);
            const vec3 v = tangent(d, p.speed, m_epsilon);
            if (prev)
                p.in_tangent = v;
            if (next)
                p.out_tangent = v;
        }
    }
    m_completed = 1;
}

const path_pivot &movepath_c::pivot(int index) const
{
    ENGINE_ASSERT_QUOTING(index >= 0 && index < pivot_count(), "index >= 0 && index < m_pivots.size()");
    return m_pivots[index];
}

const path_pivot &movepath_c::next_pivot(int index) const
{
    if (!m_cyclic) {
        ENGINE_ASSERT_QUOTING(index >= 0 && index < pivot_count() - 1, "index >= 0 && index < m_pivots.size() - 1");
        return m_pivots[index + 1];
    }
    ENGINE_ASSERT_QUOTING(index >= 0 && index < pivot_count(), "index >= 0 && index < m_pivots.size()");
    return m_pivots[index + 1 < pivot_count() ? index + 1 : 0];
}

// ---- pivot and finish objects ----

movepath_pivot_c::movepath_pivot_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes)
{
    parent->message(MSG_VAR(movepath_pivot), 0, this, MSG_ARG(0), MSG_ARGS_END);
}

movepath_finish_c::movepath_finish_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes)
{
    parent->message(MSG_VAR(movepath_pivot), 0, this, MSG_ARG(1), MSG_ARGS_END);
}
