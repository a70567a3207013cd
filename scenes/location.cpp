#include "scenes/location.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "kernel/exception.h"
#include "kernel/scripts.h"

location_player make_location_player(const char *model_name, const char *part_name)
{
    location_player record;
    std::memset(&record, 0, sizeof record);
    // Both fields keep their terminating zero, whatever the length of the name given.
    if (model_name)
        std::strncpy(record.model_name, model_name, sizeof record.model_name - 1);
    if (part_name)
        std::strncpy(record.part_name, part_name, sizeof record.part_name - 1);
    return record;
}

// ---- location ----

location_c::location_c(abstract_c *parent, const char *name, const std::vector<location_player> &players)
    : abstract_c(parent), m_players(players)
{
    char script_name[512];
    std::snprintf(script_name, sizeof script_name, "locations/%s.isc", name);
    scripts_c::instance()->execute_script(script_name, this, 0);
}

location_c::~location_c() = default;

int location_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(location_get_player)) {
        const int index = msg_arg(2)->get_int();
        if (index < 0 || (size_t)index >= m_players.size())
            ENGINE_THROW(exception_c, "location_get_player message: invalid player index");
        *(char **)msg_arg(0)->get_ptr() = m_players[index].model_name;
        *(char **)msg_arg(1)->get_ptr() = m_players[index].part_name;
        return 1;
    }
    return abstract_c::handle_message(message, sender);
}

void activate_location(location_c *location, const char *id, int parameter)
{
    location->message(MSG_VAR(location_activate), 0, location, MSG_ARG(id), MSG_ARG(parameter), MSG_ARGS_END);
}

// ---- entity ----

location_entity_c::location_entity_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_id(attribute("id")->get_const_pchar()), m_time(0.0f), m_frame_time(0.0f)
{
    // A location is loaded between ticks and its owner may start entities at once: they must
    // count from the clock's last tick, not from 0, or a timed start would be over at the
    // first tick.
    double now = 0.0;
    if (abstract_c *top = root())
        if (top->message(MSG_VAR(get_common_time), 0, this, MSG_ARG((void *)&now), MSG_ARGS_END))
            m_time = (float)now;
    location_entity_c *same = find_entity(m_id);
    if (same && same != this)
        ENGINE_THROW(exception_c, std::string("Duplicate location entities id's: '") + m_id + "'");
}

void location_entity_c::on_activate(abstract_c *, int) {}

int location_entity_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(tick)) {
        m_time = msg_arg(0)->get_float();
        m_frame_time = msg_arg(1)->get_float();
        on_tick();
        return 0;
    }
    if (*message == MSG_VAR(location_get_ent)) {
        if (std::strcmp(m_id, msg_arg(1)->get_const_pchar()) != 0)
            return 0;
        *(location_entity_c **)msg_arg(0)->get_ptr() = this;
        return 1;
    }
    if (*message == MSG_VAR(location_activate)) {
        if (std::strcmp(m_id, msg_arg(0)->get_const_pchar()) != 0)
            return 0;
        on_activate(sender, msg_arg(1)->get_int());
        return 1;
    }
    return 0;
}

location_entity_c *location_entity_c::find_entity(const char *id)
{
    location_entity_c *found = nullptr;
    if (!parent()->message(MSG_VAR(location_get_ent), 0, this, MSG_ARG((void *)&found), MSG_ARG(id), MSG_ARGS_END))
        return nullptr;
    return found;
}

location_entity_c *location_entity_c::get_entity(const char *id)
{
    location_entity_c *found = find_entity(id);
    if (!found)
        ENGINE_THROW(exception_c, std::string("Location entity not found! Id = '") + id + "'");
    return found;
}

void location_entity_c::get_player(int index, char **model_name, char **part_name)
{
    *model_name = nullptr;
    *part_name = nullptr;
    // The assertion texts name the outputs as the location's callers know them.
    {
        char **name = model_name, **part = part_name;
        ENGINE_ASSERT(parent()->message(MSG_VAR(location_get_player), 0, this, MSG_ARG((void *)name), MSG_ARG((void *)part), MSG_ARG(index), MSG_ARGS_END));
    }
    const char *name = *model_name, *part = *part_name;
    ENGINE_ASSERT(name);
    ENGINE_ASSERT(part);
}

void location_entity_c::activate_entity(const char *id, int parameter)
{
    parent()->message(MSG_VAR(location_activate), 0, this, MSG_ARG(id), MSG_ARG(parameter), MSG_ARGS_END);
}

void location_entity_c::feedback(const char *event, int parameter)
{
    root()->message(MSG_VAR(location_feedback), 0, this, MSG_ARG(m_id), MSG_ARG(event), MSG_ARG(parameter), MSG_ARGS_END);
}
