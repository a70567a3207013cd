#include "game/screen_quad.h"

#include "services/srvc_d3d.h"

IDirect3DVertexBuffer8 *make_screen_quad(d3d_service_c *d3d, const rect &r, float v, float z)
{
    const float corners[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, v}, {0.0f, v}};
    unlit_vertex_s vertices[4];
    for (int i = 0; i < 4; ++i) {
        const float cu = corners[i][0], cv = corners[i][1];
        vertices[i] = {r.left + (r.right - r.left) * cu, r.top + (r.bottom - r.top) * cv, z, 1.0f, 0xFFFFFFFF, cu,
                       cv};
    }
    return make_unlit_vbuffer(d3d, vertices, 4);
}

namespace {
void set_depth(IDirect3DDevice8 *device, DWORD on)
{
    device->SetRenderState(D3DRS_ZENABLE, on);
    device->SetRenderState(D3DRS_ZWRITEENABLE, on);
}
} // namespace

void begin_screen_quads(d3d_service_c *d3d)
{
    d3d->set_unlit_vertex_format();
    d3d->set_blend_mode(0, 2, 0);
    d3d->set_lighting(0);
    set_depth(d3d->device(), 0);
}

void draw_screen_quad(d3d_service_c *d3d, IDirect3DVertexBuffer8 *quad, IDirect3DTexture8 *texture)
{
    IDirect3DDevice8 *device = d3d->device();
    device->SetStreamSource(0, quad, (UINT)sizeof(unlit_vertex_s));
    device->SetTexture(0, texture);
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
}

void end_screen_quads(d3d_service_c *d3d)
{
    d3d->set_opaque_mode();
    set_depth(d3d->device(), 1);
}
