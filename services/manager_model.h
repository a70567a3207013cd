// The model manager (script class "model_manager") and the renderable entity, the base of
// every model instance it draws.
//
// The manager is a resource manager (services/manager_basic.h) answering get_model_mgr. A
// model name is a folder: "<name>/static.def" makes static model data, else
// "<name>/animated.def" skeletal-animated model data, else "Model '<name>' not found". Every
// load of a name makes a new instance (a unique resource entry) on the shared data.
//
// Renderable table: 1024 slots. Every instance takes a slot in its constructor (the first
// hole, else a new slot; "Too many renderable resources" when all 1024 are live) and leaves
// it in on_shutdown, or in its destructor when its construction failed half-way. When fewer
// than half of the used slots are live, the survivors move to the front in their order.
//
// View and fog are attributes of the manager (script-settable): fog_enabled (int 0),
// fog_distances (vec2 0, 512), fog_color (vec3 1, 1, 1), view_origin, view_angles (vec3 0),
// view_fov (float 90), view_axis_right, view_axis_up, view_axis_forward (vec3 0; written by
// model_mgr_set_view from the angles: the axes function's three results in its order).
//
// Render pass (model_mgr_render): the pass counter rises; the Direct3D service gets the
// camera (view origin and angles, fov), lighting on, culling on, then fog colour, range
// (linear) and fog on when fog_enabled, else fog off; every instance's world matrix is brought
// up to date once (masters first); every instance's distance is its position's depth along the
// camera's view axis; the table is sorted stably: holes last, then priority ascending, then
// farthest first (a NaN distance counts as farthest); the shown instances draw in that order.
//
// Renderable entity: flags (shown, lit, blended texture, casts shadows; shown and lit at
// first), placement, alpha (0..255) with the priority it implies (update_blend: 0 opaque, 4
// when blended or alpha < 255; derived kinds use RENDER_PRIORITY_*), a world matrix (identity
// until the first pass), and master/slave links: a slave's world is its local transform, then
// its master's locator matrix (identity when the master has no data entry), then the master's
// world. The messages it answers are listed at handle_message. A master is given back only
// after its slaves: the last release of a master that still has slaves fails with
// "m_slaves_count == 0" and changes nothing. When the whole tree shuts down, instances detach
// from each other without these checks, whatever order they go in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "basics/matrix.h"
#include "basics/vec3.h"
#include "services/manager_basic.h"

class d3d_service_c;
class renderable_entity_c;

enum : int {
    RENDER_PRIORITY_SKY = -8,
    RENDER_PRIORITY_OPAQUE = 0,
    RENDER_PRIORITY_WATER = 2,
    RENDER_PRIORITY_BLENDED = 4,
    RENDER_PRIORITY_PARTICLES = 8,
};

constexpr int MAX_RENDERABLES = 1024;

// out = a b in the row-vector convention (a's transform first, then b's); out may be a or b.
void matrix_multiply(matrix_c &out, const matrix_c &a, const matrix_c &b);
// Where distance d lies in the fog range (start, end): 0 before the start to 1 beyond the end
// (with end equal to start: 0 before it, 1 from it on).
float fog_fraction(float d, const vec2 &range);

class manager_model_c : public manager_basic_c
{
public:
    struct slot_s
    {
        renderable_entity_c *instance; // null: a hole
        float distance;
        int priority; // the instance's, copied for the sort
    };

    manager_model_c(abstract_c *parent, const attribute_list_c *attributes);
    ~manager_model_c() override;
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    data_entity_c *create_data(const char *name, int prm) override;

    void add_renderable(renderable_entity_c *res);
    void remove_renderable(renderable_entity_c *res);

    void set_view(const vec3 &origin, const vec3 &angles, float fov);
    void render();

    // The point's fog amount, 0 before the fog start to 1 beyond its end (with end equal to
    // start: 0 before it, 1 from it on).
    float model_fog_factor(const vec3 &point);
    // Start *iterator at -1; each call moves it to the next instance that casts shadows,
    // writes its position and shadow size and returns 1; at the end returns 0.
    int next_shadow_caster(int *iterator, vec3 *position, float *size);

    d3d_service_c *d3d() const { return m_d3d; }
    int pass_counter() const { return m_pass_counter; }
    int slot_count() const { return m_slot_count; }
    int live_slots() const { return m_slots_count; }
    const slot_s &slot(int i) const { return m_slots[i]; }

private:
    d3d_service_c *m_d3d;
    std::unique_ptr<slot_s[]> m_slots;
    int m_slot_count;
    int m_slots_count;
    int m_pass_counter;
    value_c *m_fog_enabled;
    value_c *m_fog_distances;
    value_c *m_fog_color;
    value_c *m_view_origin;
    value_c *m_view_angles;
    value_c *m_view_fov;
    value_c *m_view_axis_right;
    value_c *m_view_axis_up;
    value_c *m_view_axis_forward;
};

// The model manager of the tree. Assertions: "m_root"; the quoted get_model_mgr send when
// nobody answers; "ptr" when the answer is null.
manager_model_c *get_model_mgr(abstract_c *for_who);

// The common base of the model manager's data classes.
class model_data_c : public data_entity_c
{
public:
    model_data_c(manager_model_c *manager, const char *template_name, const char *name);

    manager_model_c *manager() const { return m_manager; }
    d3d_service_c *d3d() const;

protected:
    manager_model_c *m_manager;
};

class renderable_entity_c : public resource_entity_c
{
public:
    enum : int {
        FLAG_SHOWN = 1,
        FLAG_LIT = 2,
        FLAG_BLENDED_TEXTURE = 4,
        FLAG_CASTS_SHADOWS = 8,
    };

    // data may be null (instances that are not loaded by name). Takes a table slot.
    renderable_entity_c(manager_model_c *manager, const char *template_name, model_data_c *data);
    ~renderable_entity_c() override;
    void on_shutdown() override;

    // After mgr_find_resource and mgr_release_res, answered (1) every one:
    //   model_set_position (VEC3 position, VEC3 angles), model_set_scale (VEC3),
    //   model_show (INT), model_set_alpha (FLOAT 0..1), model_set_lighting (INT),
    //   model_cast_shadows (FLOAT size; nothing clears the flag), model_get_matrix (PTR to a
    //   matrix_c, out: the world of the last pass), model_insert_slave (PTR slave, text
    //   locator), model_remove_slave (PTR slave), model_set_master (PTR master or null, text
    //   locator).
    int handle_message(const msg_c *message, abstract_c *sender) override;

    // Clamps alpha to 0..255; priority 4 when the blended-texture flag is set or alpha < 255,
    // else 0.
    virtual void update_blend();
    // Draws the instance with its world matrix.
    virtual void render() = 0;
    // The locator's matrix in this model written to out and returned; null when nothing was
    // written. The base: null without a data entry, else
    // "Renderable entity '<data name>' has no locator '<locator>'".
    virtual matrix_c *get_locator_matrix(matrix_c *out, const char *locator);

    // Brings world up to date for the manager's current pass (the master's first).
    void update_world_matrix();
    // The lighting render state from the lit flag; derived render operations call it first.
    void apply_lighting();
    // The blend state for drawing with a texture (with an alpha channel when `blended`) at this
    // instance's alpha: texture alpha (times the alpha below 255), constant alpha, or opaque.
    void apply_blend(int blended);

    int flags() const { return m_flags_model; }
    const vec3 &position() const { return m_position; }
    const vec3 &angles() const { return m_angles; }
    const vec3 &scale() const { return m_scale; }
    int priority() const { return m_priority; }
    int alpha() const { return m_alpha; }
    float shadow_size() const { return m_shadow_size; }
    const matrix_c &world() const { return m_world; }
    renderable_entity_c *master() const { return m_master_model; }
    int slaves_count() const { return m_slaves_count; }

protected:
    manager_model_c *m_manager;
    int m_flags_model;
    vec3 m_position;
    vec3 m_angles;
    vec3 m_scale;
    int m_priority;
    int m_alpha;
    int m_slaves_count;
    renderable_entity_c *m_master_model;
    std::string m_locator_name;
    matrix_c m_world;
    int m_last_update_frame;
    float m_shadow_size;

private:
    friend class manager_model_c;
    void set_flag(int flag, int on) { m_flags_model = on ? (m_flags_model | flag) : (m_flags_model & ~flag); }
    // The local transform of the last update, kept while the placement stays the same.
    matrix_c m_local;
    placement m_local_of;
    bool m_local_valid;
    // Set while the instance holds a table slot.
    bool m_in_table;
    // Set by the last release (as opposed to the shutdown of the whole tree).
    bool m_released;
};
