#include "scenes/particles.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "basics/helpers.h"
#include "basics/matrix.h"
#include "kernel/exception.h"
#include "scenes/direct_instance.h"
#include "services/itexture.h"
#include "services/srvc_d3d.h"

namespace {

constexpr float TWO_PI = 6.2831855f;
constexpr float HALF_PI = 1.5707964f;
constexpr float HALF_DIAGONAL = 0.70710678f;

// The low 8 bits of x truncated; values no int holds give 0.
DWORD low_byte(float x)
{
    if (!(std::fabs(x) < 2147483520.0f))
        return 0;
    return (DWORD)(int)x & 0xFFu;
}

// v / |v|, or v itself when it has no length (a direction that cannot be normalised).
vec3 unit(const vec3 &v)
{
    const float l = v.length();
    return l > 0.0f ? v * (1.0f / l) : v;
}

} // namespace

// ---- instance ----

particle_instance_c::particle_instance_c(manager_model_c *manager, const particle_params_s &params)
    : renderable_entity_c(manager, "particles_resource_tpl", nullptr), m_time(0.0f), m_frame_time(0.0f),
      m_start_time(0.0f), m_params(params), m_live_count(0), m_vertex_buffer(nullptr), m_index_buffer(nullptr)
{
    // Made directly, not through mgr_load_res: the maker holds the one reference.
    m_ref_count = 1;
    try {
        const std::string texture = std::string("sprites/") + m_params.texture;
        m_texture = itexture_mgr_c().create_texture(texture.c_str(), 0);

        d3d_service_c *d3d = manager->d3d();
        const int count = m_params.count;
        m_vertex_buffer = d3d->create_vbuffer(sizeof(lit_vertex_s), count * 4, d3d_service_c::LIT_FVF);
        m_index_buffer = d3d->create_ibuffer(count * 2);
        WORD *index = d3d->lock_ibuffer(m_index_buffer, 0, count * 2);
        for (int i = 0; i < count; ++i) {
            const WORD v = (WORD)(4 * i);
            const WORD quad[6] = {v, (WORD)(v + 1), (WORD)(v + 2), v, (WORD)(v + 2), (WORD)(v + 3)};
            std::memcpy(index + 6 * i, quad, sizeof quad);
        }
        d3d->unlock_ibuffer(m_index_buffer);
    } catch (...) {
        release_buffers();
        throw;
    }

    if (m_params.flags & PARTICLES_WOBBLE) {
        if (m_params.velocity.length() < 0.0001f) {
            m_wobble_a = vec3_unit_x;
            m_wobble_b = vec3_unit_y;
        } else {
            vec3 a;
            perpendicular(a, m_params.velocity);
            m_wobble_a = unit(a);
            vec3 b;
            b.cross(m_params.velocity, m_wobble_a);
            m_wobble_b = unit(b);
        }
    }
    m_flags_model |= FLAG_BLENDED_TEXTURE;
    update_blend();
}

particle_instance_c::~particle_instance_c() { release_buffers(); }

void particle_instance_c::release_buffers()
{
    release_device_object(m_vertex_buffer);
    release_device_object(m_index_buffer);
}

void particle_instance_c::on_shutdown()
{
    m_texture.reset();
    release_buffers();
    m_particles.reset();
    renderable_entity_c::on_shutdown();
}

int particle_instance_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (renderable_entity_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(tick)) {
        m_time = msg_arg(0)->get_float();
        m_frame_time = msg_arg(1)->get_float();
    }
    return 0;
}

void particle_instance_c::update_blend() { m_priority = RENDER_PRIORITY_PARTICLES; }

void particle_instance_c::spawn(particle_s &p)
{
    const int flags = m_params.flags;
    p.flags = PARTICLE_ALIVE;
    p.birth = m_time;
    p.lifetime = m_params.lifetime;
    if (flags & PARTICLES_LIFETIME_DELTA)
        p.lifetime += random_unit() * m_params.lifetime_delta;

    p.position = m_params.position;
    if (flags & PARTICLES_POSITION_DELTA) {
        for (int i = 0; i < 3; ++i)
            p.position[i] += random_signed() * m_params.position_delta[i];
    }
    p.position += m_params.position_add;

    p.velocity = m_params.velocity;
    if (flags & PARTICLES_VELOCITY_DELTA) {
        for (int i = 0; i < 3; ++i)
            p.velocity[i] += random_signed() * m_params.velocity_delta[i];
    }

    p.wobble_phase = 0.0f;
    if (flags & PARTICLES_WOBBLE) {
        p.wobble_phase = random_unit() * TWO_PI;
        if (!(flags & PARTICLES_WOBBLE_FORWARD) && (engine_rand() & 1))
            p.flags |= PARTICLE_WOBBLE_BACKWARDS;
    }
    p.rotation_phase = 0.0f;
    if (flags & PARTICLES_ROTATION) {
        p.rotation_phase = random_unit() * TWO_PI;
        if (!(flags & PARTICLES_ROTATION_FORWARD) && (engine_rand() & 1))
            p.flags |= PARTICLE_ROTATION_BACKWARDS;
    }
}

void particle_instance_c::emit()
{
    const int count = m_params.count;
    const bool restart = !m_particles;
    if (restart) {
        m_live_count = 0;
        m_start_time = m_time;
        m_particles.reset(new particle_s[count]());
    }
    int target;
    if ((m_params.flags & PARTICLES_INFINITE) && (m_params.flags & PARTICLES_START_GRADUALLY)) {
        // Held in float first: a lifetime of 0 gives no number an int could take.
        const float t = (m_time - m_start_time) / m_params.lifetime * (float)count;
        target = !(t > 0.0f) ? 0 : t >= (float)count ? count : (int)t;
    } else {
        target = restart ? count : 0;
    }
    for (int i = 0; i < count && m_live_count < target; ++i) {
        if (restart || !(m_particles[i].flags & PARTICLE_ALIVE)) {
            spawn(m_particles[i]);
            ++m_live_count;
        }
    }
}

void particle_instance_c::update(float visibility)
{
    emit();
    d3d_service_c *d3d = m_manager->d3d();
    const vec3 right = d3d->get_view_axis('x');
    const vec3 up = d3d->get_view_axis('y');
    auto *out = static_cast<lit_vertex_s *>(
        d3d->lock_vbuffer(sizeof(lit_vertex_s), m_vertex_buffer, 0, m_params.count * 4));

    const particle_params_s &prm = m_params;
    const float ft = m_frame_time;
    // A period of 0 would turn the angle into a division by zero: that motion stays off.
    const bool wobble = (prm.flags & PARTICLES_WOBBLE) && prm.wobble_period > 0.0f;
    const bool rotation = (prm.flags & PARTICLES_ROTATION) && prm.rotation_period > 0.0f;
    static const float square[4][2] = {{-0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, -0.5f}, {-0.5f, -0.5f}};
    static const float texcoords[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};

    for (int i = 0; i < prm.count; ++i) {
        particle_s &p = m_particles[i];
        if (!(p.flags & PARTICLE_ALIVE))
            continue;
        float age = m_time - p.birth;
        float u = age / p.lifetime;
        if (u > 1.0f) {
            if (!(prm.flags & PARTICLES_INFINITE)) {
                p.flags &= ~PARTICLE_ALIVE;
                --m_live_count;
                continue;
            }
            spawn(p);
            age = 0.0f;
            u = 0.0f;
        }
        const float f = u > prm.stable_lifepart ? (u - prm.stable_lifepart) / (1.0f - prm.stable_lifepart) : 0.0f;
        p.position += ft * p.velocity;

        vec3 centre = p.position;
        if (wobble) {
            const float d = (p.flags & PARTICLE_WOBBLE_BACKWARDS) ? -1.0f : 1.0f;
            const float angle = d * (age + p.wobble_phase) * TWO_PI / prm.wobble_period;
            float c = std::cos(angle) * prm.wobble_radius, s = std::sin(angle) * prm.wobble_radius;
            if (prm.flags & PARTICLES_WOBBLE_LERP) {
                c *= u;
                s *= u;
            }
            centre += c * m_wobble_a + s * m_wobble_b;
        }
        if (prm.flags & PARTICLES_GRAVITY)
            p.velocity.z -= prm.gravity * ft;

        const float size = prm.size + f * prm.size_grow;
        vec3 colour;
        colour.lerp(prm.color0, prm.color1, f);
        const D3DCOLOR argb = low_byte((1.0f - f) * visibility * 255.0f) << 24 | low_byte(colour.x * 255.0f) << 16 |
                              low_byte(colour.y * 255.0f) << 8 | low_byte(colour.z * 255.0f);

        float a0 = 0.0f;
        if (rotation) {
            const float d = (p.flags & PARTICLE_ROTATION_BACKWARDS) ? -1.0f : 1.0f;
            a0 = d * (age + p.rotation_phase) * TWO_PI / prm.rotation_period;
        }
        for (int j = 0; j < 4; ++j) {
            vec3 corner;
            if (rotation) {
                const float a = a0 - (float)j * HALF_PI;
                corner = centre + size * HALF_DIAGONAL * (std::cos(a) * right + std::sin(a) * up);
            } else {
                corner = centre + size * (square[j][0] * right + square[j][1] * up);
            }
            *out++ = lit_vertex_s{corner.x, corner.y, corner.z, 0.0f, 0.0f, 0.0f, argb, texcoords[j][0],
                                  texcoords[j][1]};
        }
    }
    d3d->unlock_vbuffer(m_vertex_buffer);
}

void particle_instance_c::render()
{
    d3d_service_c *d3d = m_manager->d3d();
    // Particles live in world coordinates; the instance's position is the emitter.
    d3d->set_world_matrix(matrix_identity);
    m_params.position = m_position;
    update(1.0f - m_manager->model_fog_factor(m_params.position));
    if (!m_particles || !m_live_count)
        return;

    m_frame_time = 0.0f;
    d3d->set_lit_vertex_format();
    d3d->set_blend_mode((m_params.flags & PARTICLES_ADD) ? 1 : 0, 4, 0);
    d3d->set_shade_mode(0);
    d3d->set_lighting(0);
    d3d->set_texture_modulate();
    if (IDirect3DDevice8 *device = d3d->device()) {
        device->SetStreamSource(0, m_vertex_buffer, sizeof(lit_vertex_s));
        device->SetIndices(m_index_buffer, 0);
        device->SetTexture(0, m_texture->handle());
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, (UINT)m_live_count * 4, 0, (UINT)m_live_count * 2);
    }
    d3d->set_shade_mode(1);
}

// ---- entity ----

particles_c::particles_c(abstract_c *parent, const attribute_list_c *attributes)
    : locator_c(parent, attributes)
{
    read_params();
    if (attribute("active")->get_int())
        create_instance();
}

void particles_c::read_params()
{
    m_params = particle_params_s{};
    particle_params_s &p = m_params;
    auto flag_if = [&p](bool on, int flag) {
        if (on)
            p.flags |= flag;
    };
    auto optional_float = [this](const char *name, int flag, float *out) {
        if (value_c *v = find_attribute(name)) {
            *out = v->get_float();
            m_params.flags |= flag;
        }
    };
    auto optional_vec3 = [this](const char *name, int flag, vec3 *out) {
        if (value_c *v = find_attribute(name)) {
            *out = v->get_vec3();
            m_params.flags |= flag;
        }
    };

    p.count = attribute("count")->get_int();
    if (p.count < 1 || p.count > MAX_PARTICLES)
        ENGINE_THROW(exception_c, std::string("Particle system '") + m_id + "': 'count' must be from 1 to " +
                                      std::to_string(MAX_PARTICLES));
    std::snprintf(p.texture, sizeof p.texture, "%s", attribute("texture")->get_const_pchar());
    p.color0 = attribute("color0")->get_vec3();
    p.color1 = attribute("color1")->get_vec3();
    flag_if(attribute("add")->get_int() != 0, PARTICLES_ADD);
    flag_if(attribute("infinite")->get_int() != 0, PARTICLES_INFINITE);
    flag_if(attribute("start_gradually")->get_int() != 0, PARTICLES_START_GRADUALLY);
    p.lifetime = attribute("lifetime")->get_float();
    optional_float("lifetime_delta", PARTICLES_LIFETIME_DELTA, &p.lifetime_delta);
    optional_float("stable_lifepart", 0, &p.stable_lifepart);
    optional_vec3("position_add", 0, &p.position_add);
    optional_vec3("position_delta", PARTICLES_POSITION_DELTA, &p.position_delta);
    p.velocity = attribute("veclocity")->get_vec3();
    optional_vec3("velocity_delta", PARTICLES_VELOCITY_DELTA, &p.velocity_delta);
    p.size = attribute("size")->get_float();
    optional_float("size_grow", 0, &p.size_grow);
    optional_float("gravity", PARTICLES_GRAVITY, &p.gravity);
    optional_float("wobble_radius", PARTICLES_WOBBLE, &p.wobble_radius);
    if (p.flags & PARTICLES_WOBBLE) {
        value_c *period = find_attribute("wobble_period");
        value_c *lerp = find_attribute("wobble_lerp");
        if (!period || !lerp)
            ENGINE_THROW(exception_c, std::string("Particle system '") + m_id +
                                          "': if u define 'wobble_radius', u must also define 'wobble_period' && "
                                          "'wobble_lerp'");
        const float w = period->get_float();
        p.wobble_period = std::fabs(w);
        flag_if(w > 0.0f, PARTICLES_WOBBLE_FORWARD);
        flag_if(lerp->get_int() != 0, PARTICLES_WOBBLE_LERP);
    }
    optional_float("rotation_period", PARTICLES_ROTATION, &p.rotation_period);
    flag_if(p.rotation_period > 0.0f, PARTICLES_ROTATION_FORWARD);
    p.rotation_period = std::fabs(p.rotation_period);
}

particle_instance_c *particles_c::instance() const { return static_cast<particle_instance_c *>(m_instance.get()); }

void particles_c::create_instance()
{
    auto *made = new particle_instance_c(get_model_mgr(this), m_params);
    m_instance = made;
    made->message(MSG_VAR(model_set_position), 0, this, MSG_ARG(m_placement.position), MSG_ARG(m_placement.angles),
                  MSG_ARGS_END);
}

void particles_c::release_instance() { release_direct_instance(m_instance); }

void particles_c::on_shutdown() { release_instance(); }

void particles_c::on_activate(abstract_c *, int parameter)
{
    release_instance();
    if (parameter)
        create_instance();
}

void particles_c::set_placement(const placement &p)
{
    locator_c::set_placement(p);
    if (particle_instance_c *made = instance())
        made->message(MSG_VAR(model_set_position), 0, this, MSG_ARG(p.position), MSG_ARG(p.angles), MSG_ARGS_END);
}
