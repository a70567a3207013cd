// Fog and lights of a location.
//
// fog_c ("fog"): inert until activated. Activation with n takes the set "color<n>" (vec3, 0..1),
// "distances<n>" (vec2: fog start, end) and "lerp_time<n>" (float seconds). Without all three the
// model manager's fog is turned off. Otherwise the fog is turned on with that set: over
// lerp_time seconds of the tick clock, moving linearly from the values in effect, when the time
// is positive and the fog is on; at once when not. A new activation replaces a running change.
// Before any set has been applied the values in effect are colour (0.5, 0.5, 0.5), distances
// (1, 100). Several fog entities share the manager's one fog: the last activated wins. A fog
// entity that has turned the fog on turns it off when it shuts down (with its location), so
// the next location starts without the last one's fog.
//
// light_c ("light"): an ambient, point or directional light with two states, 0 at first.
// Attributes: `color0` (vec3, required), `color1` (default color0), `lerp_time01` (seconds of
// the change 0 -> 1, default -1: at once), `lerp_time10` (default the value of lerp_time01);
// `direction` (vec3) makes a directional light, else `position` (vec3) with `radius0` (and
// `radius1`, default radius0) a point light, else the light is ambient. A direction given with
// a position or radius, or a position without radius0, throws "Invalid light attributes
// '<id>'". Activation (parameter ignored) toggles the state: with a positive time for that
// direction colour and radius move linearly from the values in effect, else they change at
// once. On every `render` (answered 0) the light adds itself to the Direct3D service's frame:
// ambient colour, point light or directional light; a ninth point or directional light in one
// frame throws the service's "Too many lights".
#pragma once

#include "basics/vec3.h"
#include "scenes/location.h"
#include "services/imodel.h"

class d3d_service_c;

class fog_c : public location_entity_c
{
public:
    fog_c(abstract_c *parent, const attribute_list_c *attributes);
    void on_tick() override;
    void on_activate(abstract_c *sender, int parameter) override;
    void on_shutdown() override;

    const vec3 &color() const { return m_color; }
    const vec2 &distances() const { return m_distances; }
    bool changing() const { return m_change_start >= 0.0f && m_change_end >= 0.0f; }

private:
    imodel_mgr_c m_mgr;
    float m_change_start;
    float m_change_end;
    vec3 m_color;
    vec3 m_start_color;
    vec3 m_target_color;
    vec2 m_distances;
    vec2 m_start_distances;
    vec2 m_target_distances;
    bool m_applied = false;
};

class light_c : public location_entity_c
{
public:
    enum
    {
        AMBIENT = 1,
        POINT = 2,
        DIRECTIONAL = 3,
    };

    light_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void on_tick() override;
    void on_activate(abstract_c *sender, int parameter) override;

    int kind() const { return m_kind; }
    int state() const { return m_state; }
    const vec3 &color() const { return m_color; }
    float radius() const { return m_radius; }
    bool changing() const { return m_change_start >= 0.0f && m_change_end >= 0.0f; }

private:
    void render();

    int m_kind;
    int m_state;
    vec3 m_where; // position of a point light, direction of a directional one
    float m_change_start;
    float m_change_end;
    vec3 m_state_color[2];
    float m_state_radius[2];
    vec3 m_color;
    vec3 m_start_color;
    vec3 m_target_color;
    float m_radius;
    float m_start_radius;
    float m_target_radius;
    float m_time01;
    float m_time10;
    d3d_service_c *m_d3d;
};
