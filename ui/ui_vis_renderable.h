// The visual layer: screen-space triangles drawn through the Direct3D service.
//
// ui_vis_renderable_c owns what one drawable needs: a texture resource of the texture manager
// (null: untextured; its PTR attribute `handle` is the device texture), a vertex buffer of
// pre-transformed vertices (unlit_vertex_s, 28 bytes, FVF 0x144: x, y, z, rhw, ARGB colour,
// u, v), a 16-bit index buffer and the blend flags. Buffers are made on the service's device
// (managed pool, locked with discard) and given back, with the texture, in on_shutdown.
// Failures of the buffer operations throw exception_c "Could not create vertex buffer",
// "Could not lock vertex buffer", ... "Could not unlock index buffer".
//
// Blend flags in the flag word (0x10 visible belongs to the visual base): 0x100 the vertex
// colour's alpha, 0x200 the texture's alpha, 0x400 both; 0x800 additive (destination factor
// one); none of the first three: opaque. 0x1000 filters linearly while drawing (set at
// construction).
//
// ui_vis_grid_c is a regular grid of m_x_tile x m_y_tile cells over the object's rectangle,
// two triangles per cell; its vertex_at gives each grid point's position, texture coordinate
// and colour. It rebuilds and re-creates its buffers on every `render` (also while hidden,
// though it draws only when visible); a grid of 0 cells draws nothing. The optional float
// attribute `z_depth` is the z of every vertex (default 0).
#pragma once

#include "platform/d3d/d3d8.h"
#include "ui/ui_vis_object.h"

class d3d_service_c;

class ui_vis_renderable_c : public ui_vis_object_c
{
public:
    enum : uint32_t {
        UI_BLEND_VERTEX = 0x100,
        UI_BLEND_TEXTURE = 0x200,
        UI_BLEND_BOTH = 0x400,
        UI_BLEND_ADDITIVE = 0x800,
        UI_LINEAR_FILTER = 0x1000,
        UI_BLEND_FLAGS = 0xF00,
    };
    static constexpr int VERTEX_SIZE = 28;

    // A non-empty r is taken as the absolute screen rectangle; an empty one leaves the visual
    // base's layout (from `screen_rect`, or empty at the parent's corner).
    ui_vis_renderable_c(abstract_c *parent, const rect &r, const attribute_list_c *attributes);

    void on_shutdown() override;
    void draw(const vec2 &offset) override;

    IDirect3DVertexBuffer8 *create_vertex_buffer(int n);
    void *lock_vertex_buffer(IDirect3DVertexBuffer8 *buffer, int n);
    void unlock_vertex_buffer(IDirect3DVertexBuffer8 *buffer);
    IDirect3DIndexBuffer8 *create_index_buffer(int triangles);
    WORD *lock_index_buffer(IDirect3DIndexBuffer8 *buffer, int triangles);
    void unlock_index_buffer(IDirect3DIndexBuffer8 *buffer);

    void set_blend(int additive, int vertex_alpha, int texture_alpha);

    abstract_c *texture() const { return m_texture; }
    int vertex_count() const { return m_vertex_count; }
    int primitive_count() const { return m_primitive_count; }
    IDirect3DVertexBuffer8 *vertex_buffer() const { return m_vertex_buffer; }
    IDirect3DIndexBuffer8 *index_buffer() const { return m_index_buffer; }
    uint32_t blend_flags() const { return m_flags & UI_BLEND_FLAGS; }

protected:
    void release_buffers();
    // The device texture of m_texture, or null.
    IDirect3DBaseTexture8 *texture_handle() const;
    // The blending of the flags (or the opaque mode), lighting off, the pre-transformed format.
    void set_blend_state(uint32_t flags);

    abstract_c *m_texture;
    int m_vertex_count;
    int m_primitive_count;
    IDirect3DVertexBuffer8 *m_vertex_buffer;
    IDirect3DIndexBuffer8 *m_index_buffer;
    d3d_service_c *m_d3d;
};

class ui_vis_grid_c : public ui_vis_renderable_c
{
public:
    // From a script: the rectangle comes from the attributes.
    ui_vis_grid_c(abstract_c *parent, const attribute_list_c *attributes);
    // From code: the given rectangle, no cells until the class sets them.
    ui_vis_grid_c(abstract_c *parent, const rect &r);

    void build_geometry(const vec2 &offset) override;
    void draw(const vec2 &offset) override;

    // Grid point (i, j), 0 <= i <= m_x_tile, 0 <= j <= m_y_tile, as floats.
    virtual void vertex_at(const vec2 &offset, const vec2 &grid_point, float *x, float *y, float *u, float *v,
                           unsigned *colour) = 0;

protected:
    int m_x_tile;
    int m_y_tile;
};
