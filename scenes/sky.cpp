#include "scenes/sky.h"

#include <cmath>
#include <string>

#include "basics/matrix.h"
#include "kernel/exception.h"
#include "scenes/direct_instance.h"
#include "services/itexture.h"
#include "services/srvc_d3d.h"

namespace {

constexpr float PI = 3.1415927f;
constexpr float HALF_PI = 1.5707964f;
constexpr float TWO_PI = 6.2831855f;
constexpr int BOX_VERTICES = 4 * SKY_FACES;

const char *const face_names[SKY_FACES] = {"front", "right", "back", "left", "top", "bottom"};

// A face of the cube of edge 2 (scaled by half the size): corner o and edges u and v.
struct face_s
{
    vec3 o, u, v;
};
const face_s faces[SKY_FACES] = {
    {{-1, -1, -1}, {2, 0, 0}, {0, 0, 2}},  // front
    {{1, -1, -1}, {0, 2, 0}, {0, 0, 2}},   // right
    {{1, 1, -1}, {-2, 0, 0}, {0, 0, 2}},   // back
    {{-1, 1, -1}, {0, -2, 0}, {0, 0, 2}},  // left
    {{-1, -1, 1}, {2, 0, 0}, {0, 2, 0}},   // top
    {{-1, 1, -1}, {2, 0, 0}, {0, -2, 0}},  // bottom
};

// A byte of a colour channel or alpha given in 0..1: x * 255 + 0.5 truncated, held in 0..255.
DWORD channel(float x)
{
    const float c = x * 255.0f + 0.5f;
    return !(c > 0.0f) ? 0u : c >= 255.0f ? 255u : (DWORD)c;
}

} // namespace

// ---- instance ----

sky_instance_c::sky_instance_c(manager_model_c *manager, const char *name, float zenith_distance,
                               float horizon_distance)
    : renderable_entity_c(manager, "sky_resource_tpl", nullptr), m_zenith_distance(zenith_distance),
      m_horizon_distance(horizon_distance), m_box_vertex_count(BOX_VERTICES), m_dome_vertex_count(0),
      m_dome_triangle_count(0), m_box(nullptr), m_dome(nullptr), m_dome_indices(nullptr), m_face_textures{},
      m_size(0.0f), m_detail(0)
{
    // Made directly, not through mgr_load_res: the maker holds the one reference.
    m_ref_count = 1;
    update_blend();
    try {
        m_size = attribute("size")->get_float();
        m_detail = attribute("detail")->get_int();
        if (m_detail < SKY_MIN_DETAIL || m_detail > SKY_MAX_DETAIL)
            ENGINE_THROW(exception_c, "Sky 'detail' must be from " + std::to_string(SKY_MIN_DETAIL) + " to " +
                                          std::to_string(SKY_MAX_DETAIL));
        m_dome_vertex_count = m_detail * (m_detail - 1) + 2;
        m_dome_triangle_count = 2 * m_detail * (m_detail - 1);

        itexture_mgr_c textures;
        for (int k = 0; k < SKY_FACES; ++k) {
            const std::string texture = std::string("sky/") + name + "/" + face_names[k];
            m_faces[k] = textures.create_texture(texture.c_str(), 0);
            m_face_textures[k] = m_faces[k]->handle();
        }
        build_box();
        build_dome_indices();
    } catch (...) {
        release_buffers();
        throw;
    }
}

sky_instance_c::~sky_instance_c() { release_buffers(); }

void sky_instance_c::release_buffers()
{
    release_device_object(m_box);
    release_device_object(m_dome);
    release_device_object(m_dome_indices);
}

void sky_instance_c::on_shutdown()
{
    release_buffers();
    for (int k = 0; k < SKY_FACES; ++k) {
        m_faces[k].reset();
        m_face_textures[k] = nullptr;
    }
    renderable_entity_c::on_shutdown();
}

void sky_instance_c::update_blend() { m_priority = RENDER_PRIORITY_SKY; }

void sky_instance_c::build_box()
{
    d3d_service_c *d3d = m_manager->d3d();
    m_box = d3d->create_vbuffer(sizeof(lit_vertex_s), m_box_vertex_count, d3d_service_c::LIT_FVF);
    auto *out = static_cast<lit_vertex_s *>(d3d->lock_vbuffer(sizeof(lit_vertex_s), m_box, 0, m_box_vertex_count));
    const float d = m_size / 2.0f;
    for (const face_s &f : faces) {
        const vec3 o = f.o * d, u = f.u * d, v = f.v * d;
        const struct
        {
            vec3 p;
            float s, t;
        } corners[4] = {{o + u, 1.0f, 1.0f}, {o, 0.0f, 1.0f}, {o + v, 0.0f, 0.0f}, {o + u + v, 1.0f, 0.0f}};
        for (const auto &c : corners)
            *out++ = lit_vertex_s{c.p.x, c.p.y, c.p.z, 0.0f, 0.0f, 1.0f, 0xFFFFFFFFu, c.s, c.t};
    }
    d3d->unlock_vbuffer(m_box);
}

void sky_instance_c::build_dome_indices()
{
    d3d_service_c *d3d = m_manager->d3d();
    const int n = m_detail;
    m_dome_indices = d3d->create_ibuffer(m_dome_triangle_count);
    WORD *out = d3d->lock_ibuffer(m_dome_indices, 0, m_dome_triangle_count);
    auto at = [n](int ring, int segment) { return (WORD)(ring * n + segment); };
    for (int r = 0; r + 2 < n; ++r) {
        for (int j = 0; j < n; ++j) {
            const int k = (j + 1) % n;
            const WORD quad[6] = {at(r, j), at(r + 1, k), at(r, k), at(r, j), at(r + 1, j), at(r + 1, k)};
            for (WORD i : quad)
                *out++ = i;
        }
    }
    const WORD bottom = (WORD)(n * (n - 1)), top = (WORD)(bottom + 1);
    for (int j = 0; j < n; ++j) {
        const int k = (j + 1) % n;
        const WORD caps[6] = {at(0, k), bottom, at(0, j), at(n - 2, j), top, at(n - 2, k)};
        for (WORD i : caps)
            *out++ = i;
    }
    d3d->unlock_ibuffer(m_dome_indices);
}

void sky_instance_c::render()
{
    d3d_service_c *d3d = m_manager->d3d();
    // The box moves with the camera and lies at the far plane whatever its size.
    placement at;
    at.position = d3d->camera().position;
    d3d->set_world_transform(at);
    d3d->set_lit_vertex_format();
    const int fog = m_manager->attribute("fog_enabled")->get_int();
    if (fog)
        d3d->set_fog_enable(0);
    d3d->set_lighting(0);
    d3d->set_depth_range(1.0f, 1.0f);

    d3d->set_opaque_mode();
    if (IDirect3DDevice8 *device = d3d->device()) {
        device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
        device->SetStreamSource(0, m_box, sizeof(lit_vertex_s));
        for (int k = 0; k < SKY_FACES; ++k) {
            device->SetTexture(0, m_face_textures[k]);
            device->DrawPrimitive(D3DPT_TRIANGLEFAN, (UINT)(4 * k), 2);
        }
        device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    if (fog) {
        draw_dome();
        d3d->set_fog_enable(1);
    }
    d3d->set_depth_range(0.0f, 1.0f);
}

void sky_instance_c::draw_dome()
{
    d3d_service_c *d3d = m_manager->d3d();
    release_device_object(m_dome);

    const int n = m_detail;
    const float radius = m_size * 0.45f;
    const vec2 range = m_manager->attribute("fog_distances")->get_vec2();
    const float a = fog_fraction(m_zenith_distance, range), b = fog_fraction(m_horizon_distance, range);
    const vec3 colour = m_manager->attribute("fog_color")->get_vec3();
    const D3DCOLOR rgb = channel(colour.x) << 16 | channel(colour.y) << 8 | channel(colour.z);

    m_dome = d3d->create_vbuffer(sizeof(lit_vertex_s), m_dome_vertex_count, d3d_service_c::LIT_FVF);
    auto *out =
        static_cast<lit_vertex_s *>(d3d->lock_vbuffer(sizeof(lit_vertex_s), m_dome, 0, m_dome_vertex_count));
    for (int i = 1; i < n; ++i) {
        const float e = (float)i * PI / (float)n - HALF_PI;
        const float s = std::fabs(std::sin(e));
        const D3DCOLOR argb = channel((1.0f - s) * a + s * b) << 24 | rgb;
        for (int j = 0; j < n; ++j) {
            const float phi = (float)j * TWO_PI / (float)n;
            *out++ = lit_vertex_s{radius * std::cos(e) * std::cos(phi), radius * std::cos(e) * std::sin(phi),
                                  radius * std::sin(e), 0.0f, 0.0f, 1.0f, argb, 0.0f, 0.0f};
        }
    }
    const D3DCOLOR pole = channel(b) << 24 | rgb;
    *out++ = lit_vertex_s{0.0f, 0.0f, -radius, 0.0f, 0.0f, 1.0f, pole, 0.0f, 0.0f};
    *out++ = lit_vertex_s{0.0f, 0.0f, radius, 0.0f, 0.0f, 1.0f, pole, 0.0f, 0.0f};
    d3d->unlock_vbuffer(m_dome);

    IDirect3DDevice8 *device = d3d->device();
    if (!device)
        return;
    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    d3d->set_blend_mode(0, 1, 0);
    device->SetRenderState(D3DRS_ZBIAS, 1);
    device->SetStreamSource(0, m_dome, sizeof(lit_vertex_s));
    device->SetIndices(m_dome_indices, 0);
    device->SetTexture(0, nullptr);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, (UINT)m_dome_vertex_count, 0, (UINT)m_dome_triangle_count);
    device->SetRenderState(D3DRS_ZBIAS, 0);
    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
}

// ---- entity ----

sky_c::sky_c(abstract_c *parent, const attribute_list_c *attributes)
    : location_entity_c(parent, attributes)
{
    const float zenith = attribute("zenith_distance")->get_float();
    const float horizon = attribute("horizon_distance")->get_float();
    const char *name = attribute("name")->get_const_pchar();
    m_instance = new sky_instance_c(get_model_mgr(this), name, zenith, horizon);
}

sky_instance_c *sky_c::instance() const { return static_cast<sky_instance_c *>(m_instance.get()); }

void sky_c::on_shutdown() { release_direct_instance(m_instance); }
