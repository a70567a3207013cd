// Particle systems.
//
// particles_c ("particles") is a locator that, while active, owns one particle instance of the
// model manager and keeps it at its placement. Attributes besides the locator's: required
// `active` (int), `count` (int, 1 to 16384: the vertices of one system are indexed by 16
// bits), `texture` (string, "sprites/<texture>" from the texture manager, 31 characters
// kept), `color0`, `color1` (vec3, 0..1 per channel), `add` (additive blending),
// `infinite` (dead particles are reborn), `start_gradually` (with `infinite`: births spread
// over the first lifetime), `lifetime` (float seconds), "veclocity" (vec3, spelled so),
// `size` (float); optional (0 when absent): `lifetime_delta`, `stable_lifepart` (the part of
// a life before colour, size and alpha start to move towards color1, size + size_grow and 0),
// `position_add`, `position_delta`, `velocity_delta` (vec3; the deltas spread each birth
// by a random amount in -delta..delta per component), `size_grow`, `gravity` (pulls the
// velocity down along z), `wobble_radius` with `wobble_period` and `wobble_lerp` (all three or
// none, else "Particle system '<id>': if u define 'wobble_radius', u must also define
// 'wobble_period' && 'wobble_lerp'"), `rotation_period`. A negative period turns about half
// the particles the other way; a period of 0 turns that motion off. Activation with non-zero
// makes a fresh instance (emission starts again), with zero removes it.
//
// particle_instance_c (template "particles_resource_tpl") is made directly, holding its one
// reference; it draws after every other instance (priority 8). Its clock comes from tick.
// The particles are born at its first drawing, all at once or gradually; each drawing moves
// them by the frame time of the last tick, fades them by the model manager's fog factor at the
// emitter and draws the live ones as squares facing the camera in one indexed call.
#pragma once

#include <memory>

#include "basics/vec3.h"
#include "kernel/object_pointer.h"
#include "scenes/locator.h"
#include "services/manager_model.h"

class itexture_c;
class IDirect3DVertexBuffer8;
class IDirect3DIndexBuffer8;

constexpr int MAX_PARTICLES = 16384;

enum : int {
    PARTICLES_ADD = 0x001,
    PARTICLES_INFINITE = 0x002,
    PARTICLES_START_GRADUALLY = 0x004,
    PARTICLES_GRAVITY = 0x008,
    PARTICLES_WOBBLE = 0x010,
    PARTICLES_WOBBLE_LERP = 0x020,
    PARTICLES_WOBBLE_FORWARD = 0x040,
    PARTICLES_POSITION_DELTA = 0x080,
    PARTICLES_VELOCITY_DELTA = 0x100,
    PARTICLES_LIFETIME_DELTA = 0x200,
    PARTICLES_ROTATION = 0x400,
    PARTICLES_ROTATION_FORWARD = 0x800,
};

struct particle_params_s
{
    int flags;
    int count;
    char texture[32];
    vec3 color0, color1;
    float lifetime, lifetime_delta, stable_lifepart;
    vec3 position; // the emitter; the instance keeps its own position here
    vec3 position_add, position_delta, velocity, velocity_delta;
    float size, size_grow, gravity;
    float wobble_radius, wobble_period, rotation_period;
};

enum : int {
    PARTICLE_ALIVE = 1,
    PARTICLE_WOBBLE_BACKWARDS = 2,
    PARTICLE_ROTATION_BACKWARDS = 4,
};

struct particle_s
{
    int flags;
    float birth;
    float lifetime;
    float wobble_phase;
    float rotation_phase;
    vec3 position;
    vec3 velocity;
};
static_assert(sizeof(particle_s) == 44, "a particle record is 44 bytes");

class particle_instance_c : public renderable_entity_c
{
public:
    particle_instance_c(manager_model_c *manager, const particle_params_s &params);
    ~particle_instance_c() override;
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void update_blend() override;
    void render() override;

    const particle_params_s &params() const { return m_params; }
    // Null until the first drawing.
    const particle_s *particles() const { return m_particles.get(); }
    int live_count() const { return m_live_count; }
    IDirect3DVertexBuffer8 *vertex_buffer() const { return m_vertex_buffer; }
    IDirect3DIndexBuffer8 *index_buffer() const { return m_index_buffer; }
    const vec3 &wobble_axis_a() const { return m_wobble_a; }
    const vec3 &wobble_axis_b() const { return m_wobble_b; }

private:
    void release_buffers();
    void spawn(particle_s &p);
    void emit();
    void update(float visibility);

    float m_time;
    float m_frame_time;
    float m_start_time;
    particle_params_s m_params;
    std::unique_ptr<particle_s[]> m_particles;
    std::unique_ptr<itexture_c> m_texture;
    int m_live_count;
    IDirect3DVertexBuffer8 *m_vertex_buffer;
    IDirect3DIndexBuffer8 *m_index_buffer;
    vec3 m_wobble_a, m_wobble_b;
};

class particles_c : public locator_c
{
public:
    particles_c(abstract_c *parent, const attribute_list_c *attributes);
    void on_shutdown() override;
    void on_activate(abstract_c *sender, int parameter) override;
    void set_placement(const placement &p) override;

    const particle_params_s &params() const { return m_params; }
    // The live instance, or null while inactive.
    particle_instance_c *instance() const;

private:
    void read_params();
    void create_instance();
    void release_instance();

    particle_params_s m_params;
    object_pointer_c m_instance;
};
