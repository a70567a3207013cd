// Water: an animated surface in the horizontal plane (z up) of a location.
//
// water_c ("water") is a location entity that reads its attributes, all required, in this
// order: center (vec3; its z is the rest height), step (edge of the finest triangles), width_x,
// width_y, lod_radius (refined within this distance of the centre), color_tangent,
// color_straight (vec3, 0..1 a channel), alpha_tangent, alpha_straight (floats), texture (name,
// cut to 63 characters), texture_factor (repeats across the rectangle). It creates one
// water_resource_c with one reference and gives it back on shutdown.
//
// water_mesh_c triangulates the rectangle on a staggered grid of nodes: nx columns of width
// dx, ny rows of height dy (both even; odd rows are shifted half a cell, rows 2 mod 4 a whole
// cell, so the mesh reaches one dx past width_x on those rows). Each 2 x 2 block of nodes
// holds two coarse triangles. Pass 0 splits in four those whose centre lies within lod_radius;
// pass 1 splits in four those with two or three refined edges, until none is left; pass 2
// splits in two at the refined edge those with one; pass 3 keeps the rest whole. Vertices are
// numbered in the order faces first use them. Errors (exception_c): a step that leaves fewer
// than two columns or rows, or a mesh of more vertices than 16-bit indices reach (65536), is
// "Invalid mesh size and/or step"; a triangle left with two refined edges in pass 2 is
// "Triangulation error (ADAPT)", one with any refined edge in pass 3 "Triangulation error
// (FINAL)". The log line is "Water mesh generated, <vertices> vertices, <faces> faces".
//
// water_resource_c is a renderable of the model manager (template "water_resource_tpl",
// drawing priority 2 whatever its alpha). On every tick it keeps the time (argument 0), counts
// the frame and rewrites its vertex buffer: vertex i is recomputed only when its parity differs
// from the frame counter's (construction, frame 0, does the odd ones), from two travelling
// waves (height, normal along x) and the camera's last position given to the Direct3D service
// (colour and alpha from the cosine of the viewing angle: tangent at 0.25 and below, straight
// at 0.9167 and above; a camera standing on the vertex sees it straight). It draws one indexed
// triangle list, unlit, alpha from the vertex colour.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "basics/vec3.h"
#include "scenes/location.h"
#include "services/manager_model.h"

class itexture_c;
class IDirect3DIndexBuffer8;
class IDirect3DVertexBuffer8;

struct water_params_s
{
    vec3 center;
    float width_x, width_y;
    float step;
    float lod_radius;
    vec3 color_tangent, color_straight;
    float alpha_tangent, alpha_straight;
    std::string texture; // at most 63 characters
    float texture_factor;
};

// The two waves: amplitude, x and y frequencies, time frequency.
struct water_wave_s
{
    float amplitude, x, y, t;
};
constexpr water_wave_s WATER_WAVES[2] = {{0.2f, 1.0f, 0.5f, 1.0f}, {0.1f, -0.7f, 0.0f, 0.6f}};
constexpr int WATER_MAX_VERTICES = 65536;

class water_mesh_c
{
public:
    struct face_s
    {
        int v[3];
    };

    // Lays out the grid; throws "Invalid mesh size and/or step". generate() does the rest.
    water_mesh_c(const vec3 &center, float width_x, float width_y, float step, float lod_radius);

    // All passes, the log line, and the node tables dropped.
    void generate();
    // One sweep of a pass over the triangles not yet done; the faces it added.
    int sweep(int pass);
    // The vertex of node (col, row), made now when it has none.
    int node_vertex(int col, int row);
    int has_vertex(int col, int row) const { return m_nodes[node_index(col, row)] >= 0; }
    vec3 node_position(int col, int row) const;

    int nx() const { return m_nx; }
    int ny() const { return m_ny; }
    float dx() const { return m_dx; }
    float dy() const { return m_dy; }
    const vec3 &origin() const { return m_origin; }
    const std::vector<vec3> &vertices() const { return m_vertices; }
    const std::vector<face_s> &faces() const { return m_faces; }

private:
    struct node_s
    {
        int col, row;
    };
    size_t node_index(int col, int row) const { return (size_t)row * (size_t)(m_nx + 1) + (size_t)col; }
    void corners(int n, int m, int o, node_s c[3]) const;
    void emit(const node_s &a, const node_s &b, const node_s &c);
    int refined_edges(const node_s mid[3]) const;

    vec3 m_center;
    float m_lod_radius;
    vec3 m_origin;
    float m_dx, m_dy;
    int m_nx, m_ny;
    std::vector<int> m_nodes;     // vertex index a node, -1 none
    std::vector<int> m_triangles; // 1 when done
    std::vector<vec3> m_vertices;
    std::vector<face_s> m_faces;
};

class water_resource_c : public renderable_entity_c
{
public:
    water_resource_c(manager_model_c *manager, const water_params_s &params);
    ~water_resource_c() override;
    // Gives the texture back: the texture manager may be gone before this is deleted.
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void update_blend() override;
    void render() override;

    const water_params_s &params() const { return m_params; }
    int vertices_count() const { return m_vertices_count; }
    int faces_count() const { return m_faces_count; }
    int frame_counter() const { return m_frame_counter; }
    float time() const { return m_time; }
    IDirect3DVertexBuffer8 *vertex_buffer() const { return m_vertex_buffer; }
    IDirect3DIndexBuffer8 *index_buffer() const { return m_index_buffer; }
    const std::vector<water_mesh_c::face_s> &faces() const { return m_faces; }

private:
    void fill_indices();
    void update_vertices();
    void release_buffers();

    water_params_s m_params;
    std::vector<water_mesh_c::face_s> m_faces;
    float m_time;
    int m_vertices_count;
    int m_faces_count;
    std::unique_ptr<vec3[]> m_positions;
    std::unique_ptr<vec3[]> m_normals;
    std::unique_ptr<uint32_t[]> m_colors; // ARGB
    int m_frame_counter;
    IDirect3DVertexBuffer8 *m_vertex_buffer;
    IDirect3DIndexBuffer8 *m_index_buffer;
    std::unique_ptr<itexture_c> m_texture;
};

class water_c : public location_entity_c
{
public:
    water_c(abstract_c *parent, const attribute_list_c *attributes);
    ~water_c() override;
    void on_shutdown() override;

    water_resource_c *surface() const { return static_cast<water_resource_c *>(m_surface.get()); }

private:
    d3d_service_c *m_d3d;
    object_pointer_c m_surface; // holds one reference while set
};
