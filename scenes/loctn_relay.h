// Relays: the timers and switchboards of a location script.
//
// A relay, once activated with a non-zero parameter, waits `delay` seconds (plus up to
// `delay_rand` more, drawn through the engine generator), then fires: it activates entities of
// its location by id. With `wait` > 0 (plus up to `wait_rand`, drawn anew for each interval)
// it fires again after every interval until it is activated with 0; with `wait` <= 0 it fires
// once. `delay` <= 0 fires at the activation itself. Times are the entity's tick clock, so a
// relay fires at most once per tick, on the first tick strictly after its time.
//
// Targets are the attributes "target0", "target1", ... up to the first missing index, each
// with the int "parameter<i>" of the same index. relay_c ("relay") activates them all in
// order; random_relay_c ("random_relay") activates one, chosen with engine_rand() mod count.
// `wait` and `delay` are required; a listed target without its parameter throws "Attribute
// 'parameter<i>' not found, id = '<id>'", a random relay without targets "No targets specified
// for random action '<id>'".
//
// The relay's next state (armed or idle, next time) is settled before it fires, so an
// activation of the relay by one of its own targets (a chain that loops back) holds.
#pragma once

#include "scenes/location.h"

class relay_base_c : public location_entity_c
{
public:
    relay_base_c(abstract_c *parent, const attribute_list_c *attributes);

    void on_tick() override;
    void on_activate(abstract_c *sender, int parameter) override;
    virtual void fire() = 0;

    // `wait` / `delay` plus random_unit() times the optional random part; each call draws anew.
    float wait();
    float delay();
    // "target<i>" / "parameter<i>": null when absent and not required; absent and required
    // throws the attribute-not-found text above.
    const char *target(int i, bool required);
    value_c *parameter(int i, bool required);

    int active() const { return m_active; }
    float next_time() const { return m_next_time; }

protected:
    int m_active;
    float m_next_time;

private:
    float randomized(const char *name, const char *random_name);
    // Armed for now + w when w > 0, else idle; then fires.
    void fire_then_wait(float w);
    value_c *indexed(const char *pattern, int i, bool required);
};

class relay_c : public relay_base_c
{
public:
    using relay_base_c::relay_base_c;
    void fire() override;
};

class random_relay_c : public relay_base_c
{
public:
    using relay_base_c::relay_base_c;
    void fire() override;
};
