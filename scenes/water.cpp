#include "scenes/water.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "basics/console_log.h"
#include "kernel/exception.h"
#include "services/itexture.h"
#include "services/srvc_d3d.h"

namespace {

// Larger than any grid that can pass the vertex limit, small enough that products of two stay
// exact in 64 bits.
constexpr int64_t HUGE_COUNT = int64_t(1) << 31;

// A quotient of extent by cell size as an even count of cells, truncated; NaN and negative
// quotients count none.
int64_t even_cells(double quotient)
{
    if (!(quotient >= 0.0))
        return 0;
    if (quotient >= (double)HUGE_COUNT)
        return HUGE_COUNT;
    return (int64_t)quotient / 2 * 2;
}

[[noreturn]] void invalid_mesh() { ENGINE_THROW(exception_c, "Invalid mesh size and/or step"); }

} // namespace

// ---- triangulation ----

water_mesh_c::water_mesh_c(const vec3 &center, float width_x, float width_y, float step, float lod_radius)
    : m_center(center), m_lod_radius(lod_radius)
{
    m_origin = center - vec3(width_x * 0.5f, 0, 0) - vec3(0, width_y * 0.5f, 0);
    const int64_t nx = even_cells(width_x / step);
    const int64_t ny = even_cells(width_y / (step * 0.8660254037844386));
    if (nx < 1 || ny < 1)
        invalid_mesh();
    // The coarse corners alone already take this many vertices; beyond 65536 a 16-bit index
    // cannot reach them all.
    if ((nx / 2 + 1) * (ny / 2 + 1) > WATER_MAX_VERTICES)
        invalid_mesh();
    m_nx = (int)nx;
    m_ny = (int)ny;
    m_dx = width_x / m_nx;
    m_dy = width_y / m_ny;
    m_nodes.assign((size_t)(m_nx + 1) * (size_t)(m_ny + 1), -1);
    m_triangles.assign((size_t)m_nx * (size_t)m_ny / 2, 0);
    m_vertices.reserve((size_t)m_nx * (size_t)m_ny / 4);
    m_faces.reserve((size_t)m_nx * (size_t)m_ny / 4);
}

vec3 water_mesh_c::node_position(int col, int row) const
{
    const float shift = (2 - std::abs(row % 4 - 2)) * 0.5f;
    return vec3(m_origin.x + (col + shift) * m_dx, m_origin.y + row * m_dy, m_origin.z);
}

int water_mesh_c::node_vertex(int col, int row)
{
    int &v = m_nodes[node_index(col, row)];
    if (v < 0) {
        if (m_vertices.size() >= (size_t)WATER_MAX_VERTICES)
            invalid_mesh();
        v = (int)m_vertices.size();
        m_vertices.push_back(node_position(col, row));
    }
    return v;
}

void water_mesh_c::corners(int n, int m, int o, node_s c[3]) const
{
    const int u = (m + o) % 2, a = 2 * n + 2 * o, b = 2 * n + 2 - 2 * o, v = 2 * (m + u), w = 2 * (m - u) + 2;
    if (m % 2 == 0) {
        c[0] = {a, v};
        c[1] = {b, v};
    } else {
        c[0] = {b, v};
        c[1] = {a, v};
    }
    c[2] = {a, w};
}

void water_mesh_c::emit(const node_s &a, const node_s &b, const node_s &c)
{
    face_s f;
    f.v[0] = node_vertex(a.col, a.row);
    f.v[1] = node_vertex(b.col, b.row);
    f.v[2] = node_vertex(c.col, c.row);
    m_faces.push_back(f);
}

int water_mesh_c::refined_edges(const node_s mid[3]) const
{
    int k = 0;
    for (int i = 0; i < 3; ++i)
        k += has_vertex(mid[i].col, mid[i].row);
    return k;
}

int water_mesh_c::sweep(int pass)
{
    const size_t faces_before = m_faces.size();
    const int cells_x = m_nx / 2, cells_y = m_ny / 2;
    for (int m = 0; m < cells_y; ++m) {
        for (int n = 0; n < cells_x; ++n) {
            for (int o = 0; o < 2; ++o) {
                int &done = m_triangles[((size_t)m * (size_t)cells_x + (size_t)n) * 2 + (size_t)o];
                if (done)
                    continue;
                node_s c[3];
                corners(n, m, o, c);
                const node_s mid[3] = {{(c[0].col + c[1].col) / 2, (c[0].row + c[1].row) / 2},
                                       {(c[1].col + c[2].col) / 2, (c[1].row + c[2].row) / 2},
                                       {(c[2].col + c[0].col) / 2, (c[2].row + c[0].row) / 2}};
                const int k = refined_edges(mid);
                bool split4 = false;
                if (pass == 0) {
                    const float h = o == 1 ? 1.0f : 0.5f, g = (m % 2) == o ? 1.0f / 3.0f : 2.0f / 3.0f;
                    const vec3 test = m_origin + vec3(2 * m_dx * (n + h), 0, 0) + vec3(0, 2 * m_dy * (m + g), 0);
                    split4 = (test - m_center).length() <= m_lod_radius;
                } else if (pass == 1) {
                    split4 = k >= 2;
                } else if (pass == 2) {
                    if (k >= 2)
                        ENGINE_THROW(exception_c, "Triangulation error (ADAPT)");
                    if (k == 1) {
                        int i = 0;
                        while (!has_vertex(mid[i].col, mid[i].row))
                            ++i;
                        emit(mid[i], c[(i + 2) % 3], c[i]);
                        emit(mid[i], c[(i + 1) % 3], c[(i + 2) % 3]);
                        done = 1;
                    }
                } else {
                    if (k >= 1)
                        ENGINE_THROW(exception_c, "Triangulation error (FINAL)");
                    emit(c[0], c[1], c[2]);
                    done = 1;
                }
                if (split4) {
                    emit(c[0], mid[0], mid[2]);
                    emit(mid[0], c[1], mid[1]);
                    emit(mid[1], c[2], mid[2]);
                    emit(mid[0], mid[1], mid[2]);
                    done = 1;
                }
            }
        }
    }
    return (int)(m_faces.size() - faces_before);
}

void water_mesh_c::generate()
{
    int pass = 0;
    for (;;) {
        if (sweep(pass))
            continue;
        if (pass == 3)
            break;
        ++pass;
    }
    m_nodes = std::vector<int>();
    m_triangles = std::vector<int>();
    print_message("Water mesh generated, %i vertices, %i faces\n", (int)m_vertices.size(), (int)m_faces.size());
}

// ---- the surface ----

water_resource_c::water_resource_c(manager_model_c *manager, const water_params_s &params)
    : renderable_entity_c(manager, "water_resource_tpl", nullptr), m_params(params), m_time(0.0f),
      m_vertices_count(0), m_faces_count(0), m_frame_counter(0), m_vertex_buffer(nullptr), m_index_buffer(nullptr)
{
    m_ref_count = 1;
    try {
        water_mesh_c mesh(params.center, params.width_x, params.width_y, params.step, params.lod_radius);
        mesh.generate();
        m_faces = mesh.faces();
        m_vertices_count = (int)mesh.vertices().size();
        m_faces_count = (int)m_faces.size();
        m_positions = std::make_unique<vec3[]>((size_t)m_vertices_count);
        m_normals = std::make_unique<vec3[]>((size_t)m_vertices_count);
        m_colors = std::make_unique<uint32_t[]>((size_t)m_vertices_count);
        for (int i = 0; i < m_vertices_count; ++i)
            m_positions[i] = mesh.vertices()[i];
        fill_indices();
        update_vertices();
        m_texture = itexture_mgr_c().create_texture(m_params.texture.c_str(), 0);
    } catch (...) {
        // The destructor does not run for a constructor that throws.
        release_buffers();
        throw;
    }
    m_flags_model |= FLAG_BLENDED_TEXTURE;
    update_blend();
}

water_resource_c::~water_resource_c() { release_buffers(); }

void water_resource_c::on_shutdown()
{
    m_texture.reset();
    renderable_entity_c::on_shutdown();
}

void water_resource_c::release_buffers()
{
    release_d3d_object(m_vertex_buffer);
    release_d3d_object(m_index_buffer);
}

int water_resource_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (renderable_entity_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(tick)) {
        m_time = msg_arg(0)->get_float();
        // Wraps at an even number, so the parity keeps alternating.
        m_frame_counter = (m_frame_counter + 1) & 0x7FFFFFFF;
        update_vertices();
    }
    return 0;
}

void water_resource_c::update_blend() { m_priority = RENDER_PRIORITY_WATER; }

void water_resource_c::fill_indices()
{
    ENGINE_ASSERT(m_faces.size());
    d3d_service_c *d3d = m_manager->d3d();
    if (!m_index_buffer)
        m_index_buffer = d3d->create_ibuffer(m_faces_count);
    WORD *out = d3d->lock_ibuffer(m_index_buffer, 0, m_faces_count);
    for (const water_mesh_c::face_s &f : m_faces)
        for (int v : f.v)
            *out++ = (WORD)v;
    d3d->unlock_ibuffer(m_index_buffer);
}

void water_resource_c::update_vertices()
{
    ENGINE_ASSERT(m_vertices_count);
    d3d_service_c *d3d = m_manager->d3d();
    if (!m_vertex_buffer)
        m_vertex_buffer = d3d->create_vbuffer(sizeof(lit_vertex_s), m_vertices_count, d3d_service_c::LIT_FVF);
    auto *out = static_cast<lit_vertex_s *>(d3d->lock_vbuffer(sizeof(lit_vertex_s), m_vertex_buffer, 0, m_vertices_count));
    const vec3 eye = d3d->camera().position;
    const water_params_s &p = m_params;
    const int parity = m_frame_counter % 2;
    for (int i = 0; i < m_vertices_count; ++i) {
        vec3 &pos = m_positions[i];
        if (i % 2 != parity) {
            float z = p.center.z, slope = 0.0f;
            for (const water_wave_s &w : WATER_WAVES) {
                const float phase = m_time * w.t + pos.x * w.x + pos.y * w.y;
                z += w.amplitude * std::sin(phase);
                slope += w.amplitude * w.x * std::cos(phase);
            }
            pos.z = z;
            vec3 normal(-slope, 0.0f, 1.0f);
            normal.normalize();
            m_normals[i] = normal;
            const vec3 e = eye - pos;
            const float distance = e.length();
            // A camera standing on the vertex sees it from straight above.
            float t = 1.0f;
            if (distance > 0.0f) {
                t = (dot(e, normal) / distance - 0.25f) * 1.5f;
                t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
            }
            const vec3 color = p.color_tangent + (p.color_straight - p.color_tangent) * t;
            const float alpha = (1.0f - t) * p.alpha_tangent + t * p.alpha_straight;
            m_colors[i] = d3d_color(color.x, color.y, color.z, alpha);
        }
        const vec3 &n = m_normals[i];
        out[i] = lit_vertex_s{pos.x,
                              pos.y,
                              pos.z,
                              n.x,
                              n.y,
                              n.z,
                              m_colors[i],
                              (pos.x - p.center.x) * p.texture_factor / p.width_x,
                              (pos.y - p.center.y) * p.texture_factor / p.width_y};
    }
    d3d->unlock_vbuffer(m_vertex_buffer);
}

void water_resource_c::render()
{
    if (!m_vertex_buffer || !m_index_buffer || !m_texture)
        return;
    d3d_service_c *d3d = m_manager->d3d();
    d3d->set_world_matrix(m_world);
    d3d->set_lit_vertex_format();
    d3d->set_blend_mode(0, 1, 0);
    d3d->set_lighting(0);
    IDirect3DDevice8 *device = d3d->device();
    if (!device)
        return;
    device->SetStreamSource(0, m_vertex_buffer, sizeof(lit_vertex_s));
    device->SetIndices(m_index_buffer, 0);
    device->SetTexture(0, m_texture->handle());
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, (UINT)m_vertices_count, 0, (UINT)m_faces_count);
}

// ---- the entity ----

water_c::water_c(abstract_c *parent, const attribute_list_c *attributes)
    : location_entity_c(parent, attributes), m_d3d(get_d3d_service(this))
{
    water_params_s p;
    p.center = attribute("center")->get_vec3();
    p.step = attribute("step")->get_float();
    p.width_x = attribute("width_x")->get_float();
    p.width_y = attribute("width_y")->get_float();
    p.lod_radius = attribute("lod_radius")->get_float();
    p.color_tangent = attribute("color_tangent")->get_vec3();
    p.color_straight = attribute("color_straight")->get_vec3();
    p.alpha_tangent = attribute("alpha_tangent")->get_float();
    p.alpha_straight = attribute("alpha_straight")->get_float();
    p.texture = std::string(attribute("texture")->get_const_pchar()).substr(0, 63);
    p.texture_factor = attribute("texture_factor")->get_float();
    m_surface = new water_resource_c(get_model_mgr(this), p);
}

water_c::~water_c() = default;

void water_c::on_shutdown()
{
    if (abstract_c *surface = m_surface.get()) {
        m_surface = nullptr;
        release_res(surface);
    }
    location_entity_c::on_shutdown();
}
