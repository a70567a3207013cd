#include "scenes/loctn_relay.h"

#include <cstdio>
#include <string>

#include "basics/helpers.h"
#include "kernel/exception.h"

relay_base_c::relay_base_c(abstract_c *parent, const attribute_list_c *attributes)
    : location_entity_c(parent, attributes), m_active(0), m_next_time(0.0f)
{
}

float relay_base_c::randomized(const char *name, const char *random_name)
{
    const float base = attribute(name)->get_float();
    value_c *extra = find_attribute(random_name);
    return extra ? base + random_unit() * extra->get_float() : base;
}

float relay_base_c::wait() { return randomized("wait", "wait_rand"); }

float relay_base_c::delay() { return randomized("delay", "delay_rand"); }

value_c *relay_base_c::indexed(const char *pattern, int i, bool required)
{
    char name[64];
    std::snprintf(name, sizeof name, pattern, i);
    value_c *v = find_attribute(name);
    if (!v && required)
        ENGINE_THROW(exception_c, std::string("Attribute '") + name + "' not found, id = '" + m_id + "'");
    return v;
}

const char *relay_base_c::target(int i, bool required)
{
    value_c *v = indexed("target%i", i, required);
    return v ? v->get_const_pchar() : nullptr;
}

value_c *relay_base_c::parameter(int i, bool required) { return indexed("parameter%i", i, required); }

void relay_base_c::on_activate(abstract_c *, int parameter)
{
    if (parameter == 0) {
        m_active = 0;
        return;
    }
    const float d = delay();
    const float w = wait();
    m_active = 1;
    if (d > 0.0f)
        m_next_time = m_time + d;
    else
        fire_then_wait(w);
}

void relay_base_c::on_tick()
{
    if (m_active && m_time > m_next_time)
        fire_then_wait(wait());
}

void relay_base_c::fire_then_wait(float w)
{
    if (w > 0.0f)
        m_next_time = m_time + w;
    else
        m_active = 0;
    fire();
}

void relay_c::fire()
{
    for (int i = 0; const char *id = target(i, false); ++i)
        activate_entity(id, parameter(i, true)->get_int());
}

void random_relay_c::fire()
{
    int n = 0;
    while (target(n, false))
        ++n;
    if (n == 0)
        ENGINE_THROW(exception_c, std::string("No targets specified for random action '") + m_id + "'");
    const int k = engine_rand() % n;
    activate_entity(target(k, true), parameter(k, true)->get_int());
}
