// Model handles (see services/ibasic.h for the common contract).
//
// imodel_mgr_c finds the model manager ("get_model_mgr") and reads or sets its view and fog
// attributes (view_origin, view_axis_forward, fog_enabled, fog_distances, fog_color); those
// accessors require the manager alive ("alive()") and the attribute present ("Could not find
// required attribute '<name>'"). imodel_c drives one model instance: every operation is one
// message to the resource, and a message the model does not answer (a gesture to a static
// model, say) fails as an assertion quoting the send. Queries are answered through a pointer
// argument before the send returns.
#pragma once

#include <memory>

#include "basics/matrix.h"
#include "basics/vec3.h"
#include "services/ibasic.h"

class imodel_c : public ibasic_c
{
public:
    void set_position(const vec3 &origin, const vec3 &angles);
    void show(int visible);
    void set_alpha(float alpha);
    void set_lighting(int lighting);
    void cast_shadows(float size);
    matrix_c get_matrix();
    // The slave's resource follows the named locator of this model.
    void insert_slave(imodel_c *slave, const char *locator_name);
    void accept_shadows();
    void play_gesture(const char *gest_name);
    void switch_part(const char *part_name, int on);
    // The name of the gesture that has passed since the last query, or null.
    const char *get_passed_gesture();
};

class imodel_mgr_c : public ibasic_mgr_c
{
public:
    imodel_mgr_c() : ibasic_mgr_c("get_model_mgr") {}

    // A new handle holding the model `name` (a new instance of it).
    std::unique_ptr<imodel_c> create_model(const char *name);
    void render();
    void set_view(const placement &pos, float fov);
    vec3 view_origin();
    vec3 view_axis_forward();
    void enable_fog(const vec2 &distances, const vec3 &color);
    void disable_fog();
    int fog_enabled();
};
