// Locations and location entities.
//
// location_c is one 3D scene: constructed with a name and a player list, it runs the script
// "locations/<name>.isc" with itself as the parent, so every object the script creates is one
// of its entities. It answers location_get_player (PTR char** model name out, PTR char** part
// name out, INT index) with the addresses of the entry's two fields; an index outside the list
// throws "location_get_player message: invalid player index".
//
// location_entity_c is the base of every entity: a required, unique text id (attribute `id`;
// a second entity with an id already answering in the same location throws "Duplicate
// location entities id's: '<id>'"), the time and frame time of the last tick (before its
// first tick: the time of the clock's last tick, 0 without a clock, and frame time 0), lookup by id (location_get_ent: PTR location_entity_c** out, PCHAR id; exact,
// case-sensitive) and activation by id (location_activate: PCHAR id, INT parameter), both
// sent to the entity's parent and answered by the first entity with that id in delivery
// order. Reports go to the whole program as location_feedback (entity id, event, parameter)
// sent to the root. tick is stored, on_tick runs, and the tick goes on to every other object.
#pragma once

#include <cstddef>
#include <vector>

#include "kernel/abstract.h"

// One player model entry: the model name and the part name, each zero-terminated in 64 bytes.
struct location_player
{
    char model_name[64];
    char part_name[64];
};
static_assert(sizeof(location_player) == 128, "a player record is 128 bytes");

// A record with both names copied, each cut to 63 characters; null gives an empty name.
location_player make_location_player(const char *model_name, const char *part_name);

class location_c : public abstract_c
{
public:
    // Copies the players, then runs the location's script (a script engine must exist).
    location_c(abstract_c *parent, const char *name, const std::vector<location_player> &players);
    ~location_c() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    const std::vector<location_player> &players() const { return m_players; }

private:
    std::vector<location_player> m_players;
};

// Sends the location location_activate(id, parameter); an id no entity has does nothing.
void activate_location(location_c *location, const char *id, int parameter);

class location_entity_c : public abstract_c
{
public:
    location_entity_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    // Called after each tick has been stored.
    virtual void on_tick() {}
    virtual void on_activate(abstract_c *sender, int parameter);

    // The entity with that id below this entity's parent, or null.
    location_entity_c *find_entity(const char *id);
    // The same; none throws "Location entity not found! Id = '<id>'".
    location_entity_c *get_entity(const char *id);
    // The player entry's names (asserted to be answered and given).
    void get_player(int index, char **model_name, char **part_name);
    void activate_entity(const char *id, int parameter);
    // location_feedback(id, event, parameter) to the root.
    void feedback(const char *event, int parameter);

    const char *id() const { return m_id; }
    float time() const { return m_time; }
    float frame_time() const { return m_frame_time; }

protected:
    const char *m_id;
    float m_time;
    float m_frame_time;
};
