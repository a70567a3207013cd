#include "services/debug_draw.h"

#include "basics/matrix.h"
#include "kernel/exception.h"
#include "services/srvc_d3d.h"

#include <cstring>
#include <vector>

namespace {

struct debug_list_s
{
    std::vector<debug_primitive_s> list;
    int line_count = 0;
    int triangle_count = 0;
    int built = 0;
    IDirect3DVertexBuffer8 *lines = nullptr;
    IDirect3DVertexBuffer8 *triangles = nullptr;
    int depth_bias = 0;

    void release_buffers()
    {
        if (lines)
            lines->Release();
        if (triangles)
            triangles->Release();
        lines = triangles = nullptr;
    }
    ~debug_list_s() { release_buffers(); }
};

debug_list_s g_debug;

lit_vertex_s vertex(const vec3 &p, const vec3 &color, float uv)
{
    return lit_vertex_s{p.x, p.y, p.z, 0.0f, 0.0f, 1.0f, d3d_color(color.x, color.y, color.z, 1.0f), uv, uv};
}

// Fills a new buffer of `count` primitives of `vertices` vertices each from the records
// `wanted` accepts; null when the device refuses (the service's exception).
template <class F>
IDirect3DVertexBuffer8 *build_buffer(d3d_service_c *d3d, int count, int vertices, F wanted)
{
    IDirect3DVertexBuffer8 *buffer = d3d->create_vbuffer(sizeof(lit_vertex_s), count * vertices,
                                                         d3d_service_c::LIT_FVF);
    try {
        auto *out = (lit_vertex_s *)d3d->lock_vbuffer(sizeof(lit_vertex_s), buffer, 0, count * vertices);
        int written = 0;
        for (const debug_primitive_s &p : g_debug.list) {
            if (!wanted(p) || written == count)
                continue;
            for (int v = 0; v < vertices; ++v)
                *out++ = vertex(p.points[v], p.colors[v], vertices == 2 ? (float)v : 0.0f);
            ++written;
        }
        d3d->unlock_vbuffer(buffer);
    } catch (const exception_c &) {
        buffer->Release();
        throw;
    }
    return buffer;
}

bool is_line(const debug_primitive_s &p)
{
    return p.kind == 0 || p.kind == 1;
}

bool is_triangle(const debug_primitive_s &p)
{
    return p.kind == 2;
}

void build(d3d_service_c *d3d)
{
    g_debug.release_buffers();
    try {
        if (g_debug.line_count)
            g_debug.lines = build_buffer(d3d, g_debug.line_count, 2, is_line);
        if (g_debug.triangle_count)
            g_debug.triangles = build_buffer(d3d, g_debug.triangle_count, 3, is_triangle);
    } catch (const d3d_exception_c &) {
        return; // nothing is drawn until the list changes
    }
    g_debug.built = 1;
}

} // namespace

void debug_draw_clear()
{
    g_debug.list.clear();
    g_debug.line_count = g_debug.triangle_count = 0;
    g_debug.built = 0;
}

void debug_draw_add(const debug_primitive_s &primitive)
{
    g_debug.list.push_back(primitive);
    if (is_line(primitive))
        ++g_debug.line_count;
    else if (is_triangle(primitive))
        ++g_debug.triangle_count;
    g_debug.built = 0;
}

void debug_draw_line(const vec3 &a, const vec3 &b, const vec3 &color_a, const vec3 &color_b)
{
    debug_draw_add(debug_primitive_s{0, {a, b, vec3_zero}, {color_a, color_b, vec3_zero}});
}

void debug_draw_triangle(const vec3 &a, const vec3 &b, const vec3 &c, const vec3 &color_a, const vec3 &color_b,
                         const vec3 &color_c)
{
    debug_draw_add(debug_primitive_s{2, {a, b, c}, {color_a, color_b, color_c}});
}

void debug_draw_set_depth_bias(int bias)
{
    g_debug.depth_bias = bias;
}

void debug_draw_flush()
{
    d3d_service_c *d3d = get_d3d_service(nullptr);
    if (!g_debug.built)
        build(d3d);
    IDirect3DDevice8 *device = d3d->device();
    if (!g_debug.built || !device)
        return;
    // The primitives are in world space, whatever model was drawn last.
    d3d->set_world_matrix(matrix_identity);
    d3d->set_shade_mode(1);
    d3d->set_lit_vertex_format();
    d3d->set_opaque_mode();
    d3d->set_lighting(0);
    device->SetRenderState(D3DRS_ZBIAS, (DWORD)g_debug.depth_bias);
    if (g_debug.lines) {
        device->SetStreamSource(0, g_debug.lines, sizeof(lit_vertex_s));
        device->SetTexture(0, nullptr);
        device->DrawPrimitive(D3DPT_LINELIST, 0, (UINT)g_debug.line_count);
    }
    if (g_debug.triangles) {
        device->SetStreamSource(0, g_debug.triangles, sizeof(lit_vertex_s));
        device->SetTexture(0, nullptr);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, (UINT)g_debug.triangle_count);
    }
    device->SetRenderState(D3DRS_ZBIAS, 0);
}
