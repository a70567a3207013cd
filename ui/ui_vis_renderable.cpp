#include "ui/ui_vis_renderable.h"

#include "kernel/exception.h"
#include "services/manager_basic.h"
#include "services/srvc_d3d.h"

ui_vis_renderable_c::ui_vis_renderable_c(abstract_c *parent, const rect &r, const attribute_list_c *attributes)
    : ui_vis_object_c(parent, attributes), m_texture(nullptr), m_vertex_count(0), m_primitive_count(0),
      m_vertex_buffer(nullptr), m_index_buffer(nullptr), m_d3d(get_d3d_service(this))
{
    if (r.right != r.left || r.bottom != r.top)
        m_screen_rect = r;
    m_flags |= UI_LINEAR_FILTER;
}

void ui_vis_renderable_c::on_shutdown()
{
    if (m_texture) {
        abstract_c *texture = m_texture;
        m_texture = nullptr;
        release_res(texture);
    }
    release_buffers();
}

void ui_vis_renderable_c::release_buffers()
{
    if (m_vertex_buffer)
        m_vertex_buffer->Release();
    if (m_index_buffer)
        m_index_buffer->Release();
    m_vertex_buffer = nullptr;
    m_index_buffer = nullptr;
}

IDirect3DVertexBuffer8 *ui_vis_renderable_c::create_vertex_buffer(int n)
{
    IDirect3DVertexBuffer8 *buffer = nullptr;
    IDirect3DDevice8 *device = m_d3d->device();
    const int64_t length = int64_t(n) * VERTEX_SIZE;
    if (!device || n < 0 || length > 0xFFFFFFFFll ||
        FAILED(device->CreateVertexBuffer(UINT(length), 0, d3d_service_c::UNLIT_FVF, D3DPOOL_MANAGED, &buffer)))
        ENGINE_THROW(exception_c, "Could not create vertex buffer");
    return buffer;
}

void *ui_vis_renderable_c::lock_vertex_buffer(IDirect3DVertexBuffer8 *buffer, int n)
{
    BYTE *data = nullptr;
    if (FAILED(buffer->Lock(0, UINT(n) * VERTEX_SIZE, &data, D3DLOCK_DISCARD)))
        ENGINE_THROW(exception_c, "Could not lock vertex buffer");
    return data;
}

void ui_vis_renderable_c::unlock_vertex_buffer(IDirect3DVertexBuffer8 *buffer)
{
    if (FAILED(buffer->Unlock()))
        ENGINE_THROW(exception_c, "Could not unlock vertex buffer");
}

IDirect3DIndexBuffer8 *ui_vis_renderable_c::create_index_buffer(int triangles)
{
    IDirect3DIndexBuffer8 *buffer = nullptr;
    IDirect3DDevice8 *device = m_d3d->device();
    const int64_t length = int64_t(triangles) * 6;
    if (!device || triangles < 0 || length > 0xFFFFFFFFll ||
        FAILED(device->CreateIndexBuffer(UINT(length), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &buffer)))
        ENGINE_THROW(exception_c, "Could not create index buffer");
    return buffer;
}

WORD *ui_vis_renderable_c::lock_index_buffer(IDirect3DIndexBuffer8 *buffer, int triangles)
{
    BYTE *data = nullptr;
    if (FAILED(buffer->Lock(0, UINT(triangles) * 6, &data, D3DLOCK_DISCARD)))
        ENGINE_THROW(exception_c, "Could not lock index buffer");
    return reinterpret_cast<WORD *>(data);
}

void ui_vis_renderable_c::unlock_index_buffer(IDirect3DIndexBuffer8 *buffer)
{
    if (FAILED(buffer->Unlock()))
        ENGINE_THROW(exception_c, "Could not unlock index buffer");
}

void ui_vis_renderable_c::set_blend(int additive, int vertex_alpha, int texture_alpha)
{
    m_flags &= ~uint32_t(UI_BLEND_FLAGS);
    if (vertex_alpha && texture_alpha)
        m_flags |= UI_BLEND_BOTH;
    else if (vertex_alpha)
        m_flags |= UI_BLEND_VERTEX;
    else if (texture_alpha)
        m_flags |= UI_BLEND_TEXTURE;
    if (additive)
        m_flags |= UI_BLEND_ADDITIVE;
}

IDirect3DBaseTexture8 *ui_vis_renderable_c::texture_handle() const
{
    if (!m_texture)
        return nullptr;
    return static_cast<IDirect3DTexture8 *>(m_texture->attribute("handle")->get_ptr());
}

void ui_vis_renderable_c::set_blend_state(uint32_t flags)
{
    const int additive = (flags & UI_BLEND_ADDITIVE) ? 1 : 0;
    if (flags & UI_BLEND_VERTEX)
        m_d3d->set_blend_mode(additive, 1, 0);
    else if (flags & UI_BLEND_TEXTURE)
        m_d3d->set_blend_mode(additive, 2, 0);
    else if (flags & UI_BLEND_BOTH)
        m_d3d->set_blend_mode(additive, 4, 0);
    else
        m_d3d->set_opaque_mode();
    m_d3d->set_unlit_vertex_format();
    m_d3d->set_lighting(0);
}

void ui_vis_renderable_c::draw(const vec2 &)
{
    IDirect3DDevice8 *device = m_d3d->device();
    if (!is_visible() || !m_vertex_buffer || !device)
        return;
    const bool linear = (m_flags & UI_LINEAR_FILTER) != 0;
    if (linear) {
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    }
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    device->SetStreamSource(0, m_vertex_buffer, VERTEX_SIZE);
    device->SetIndices(m_index_buffer, 0);
    device->SetTexture(0, texture_handle());
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(m_vertex_count), 0, UINT(m_primitive_count));
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    if (linear) {
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    }
}

ui_vis_grid_c::ui_vis_grid_c(abstract_c *parent, const attribute_list_c *attributes)
    : ui_vis_renderable_c(parent, rect(), attributes), m_x_tile(0), m_y_tile(0)
{
}

ui_vis_grid_c::ui_vis_grid_c(abstract_c *parent, const rect &r)
    : ui_vis_renderable_c(parent, r, nullptr), m_x_tile(0), m_y_tile(0)
{
}

void ui_vis_grid_c::build_geometry(const vec2 &offset)
{
    release_buffers();
    m_vertex_count = 0;
    m_primitive_count = 0;
    if (m_x_tile <= 0 || m_y_tile <= 0)
        return;
    const int columns = m_x_tile, rows = m_y_tile;
    // 16-bit indices reach 65536 vertices.
    ENGINE_ASSERT(int64_t(columns + 1) * (rows + 1) <= 65536);
    m_vertex_count = (columns + 1) * (rows + 1);
    m_primitive_count = 2 * columns * rows;
    m_vertex_buffer = create_vertex_buffer(m_vertex_count);
    m_index_buffer = create_index_buffer(m_primitive_count);

    const value_c *z_depth = find_attribute("z_depth");
    const float z = z_depth ? z_depth->get_float() : 0.0f;

    unlit_vertex_s *vertices = static_cast<unlit_vertex_s *>(lock_vertex_buffer(m_vertex_buffer, m_vertex_count));
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i) {
            unlit_vertex_s &v = vertices[(columns + 1) * j + i];
            unsigned colour = 0;
            vertex_at(offset, vec2(float(i), float(j)), &v.x, &v.y, &v.u, &v.v, &colour);
            v.diffuse = colour;
            v.z = z;
            v.rhw = 1.0f;
        }
    unlock_vertex_buffer(m_vertex_buffer);

    WORD *indices = lock_index_buffer(m_index_buffer, m_primitive_count);
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const WORD a = WORD((columns + 1) * j + i), b = WORD(a + 1), c = WORD(a + columns + 1), d = WORD(c + 1);
            WORD *cell = indices + 6 * (columns * j + i);
            cell[0] = a;
            cell[1] = b;
            cell[2] = c;
            cell[3] = d;
            cell[4] = c;
            cell[5] = b;
        }
    unlock_index_buffer(m_index_buffer);
}

void ui_vis_grid_c::draw(const vec2 &offset)
{
    if (!m_vertex_buffer || !is_visible())
        return;
    set_blend_state(m_flags);
    ui_vis_renderable_c::draw(offset);
}
