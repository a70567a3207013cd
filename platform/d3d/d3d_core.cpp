// The backend-independent half of the Direct3D-shaped device: validation, state shadowing,
// reference counting and the CPU copies of resources.
#include "platform/d3d/d3d_backend.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

const d3d_backend_entry_s d3d_backend_table[] = {
    {"recording", recording_d3d_create_adapter},
    {"gl", gl_d3d_create_adapter},
    {nullptr, nullptr},
};

static const d3d_backend_entry_s *g_selected_backend = &d3d_backend_table[0];

bool d3d_select_backend(const char *name)
{
    for (const d3d_backend_entry_s *e = d3d_backend_table; e->name; ++e)
        if (std::strcmp(e->name, name) == 0) {
            g_selected_backend = e;
            return true;
        }
    return false;
}

const char *d3d_selected_backend()
{
    return g_selected_backend->name;
}

UINT d3d_format_block_bytes(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_INDEX32:
        return 4;
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8L8:
    case D3DFMT_A8P8:
    case D3DFMT_INDEX16:
        return 2;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_P8:
    case D3DFMT_L8:
    case D3DFMT_A4L4:
        return 1;
    case D3DFMT_DXT1:
        return 8;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return 16;
    default:
        return 0;
    }
}

bool d3d_format_is_compressed(D3DFORMAT format)
{
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}

// ---- reference counting and resources ------------------------------------------------------

ULONG d3d_refcounted_c::Release()
{
    ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

d3d_resource_c::d3d_resource_c(IDirect3DDevice8 *device, D3DRESOURCETYPE type, DWORD usage, D3DPOOL pool)
    : m_device(device), m_type(type), m_usage(usage), m_pool(pool)
{
}

d3d_resource_c::~d3d_resource_c()
{
    if (m_device)
        m_device->forget(*this);
}

void d3d_resource_c::set_backend_data(std::unique_ptr<d3d_backend_resource_c> data)
{
    m_backend_data = std::move(data);
}

IDirect3DTexture8::IDirect3DTexture8(IDirect3DDevice8 *device, UINT width, UINT height, UINT levels, DWORD usage,
                                     D3DFORMAT format, D3DPOOL pool)
    : IDirect3DBaseTexture8(device, D3DRTYPE_TEXTURE, usage, pool), m_format(format)
{
    UINT full = 1;
    for (UINT w = width, h = height; w > 1 || h > 1; w >>= 1, h >>= 1)
        ++full;
    if (levels == 0 || levels > full)
        levels = full;
    const bool blocks = d3d_format_is_compressed(format);
    const UINT unit = d3d_format_block_bytes(format);
    for (UINT i = 0; i < levels; ++i) {
        level_s l;
        l.width = std::max(1u, width >> i);
        l.height = std::max(1u, height >> i);
        l.pitch = blocks ? (l.width + 3) / 4 * unit : l.width * unit;
        l.rows = blocks ? (l.height + 3) / 4 : l.height;
        l.bits.assign((size_t)l.pitch * l.rows, 0);
        l.locked = false;
        m_levels.push_back(std::move(l));
    }
}

HRESULT IDirect3DTexture8::GetLevelDesc(UINT level, D3DSURFACE_DESC *desc) const
{
    if (level >= m_levels.size() || !desc)
        return D3DERR_INVALIDCALL;
    const level_s &l = m_levels[level];
    *desc = D3DSURFACE_DESC{m_format, D3DRTYPE_SURFACE, usage(), pool(), (UINT)l.bits.size(), l.width, l.height};
    return D3D_OK;
}

HRESULT IDirect3DTexture8::LockRect(UINT level, D3DLOCKED_RECT *locked, const RECT *rect, DWORD)
{
    if (level >= m_levels.size() || !locked || m_levels[level].locked)
        return D3DERR_INVALIDCALL;
    level_s &l = m_levels[level];
    size_t offset = 0;
    if (rect) {
        const UINT unit = d3d_format_block_bytes(m_format);
        if (rect->left < 0 || rect->top < 0 || rect->right > (LONG)l.width || rect->bottom > (LONG)l.height ||
            rect->left >= rect->right || rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        if (d3d_format_is_compressed(m_format))
            offset = (size_t)(rect->top / 4) * l.pitch + (size_t)(rect->left / 4) * unit;
        else
            offset = (size_t)rect->top * l.pitch + (size_t)rect->left * unit;
    }
    if (device()) {
        HRESULT hr = device()->backend()->lock_resource(*device(), *this, level);
        if (FAILED(hr))
            return hr;
    }
    l.locked = true;
    locked->Pitch = (int)l.pitch;
    locked->pBits = l.bits.data() + offset;
    return D3D_OK;
}

HRESULT IDirect3DTexture8::UnlockRect(UINT level)
{
    if (level >= m_levels.size() || !m_levels[level].locked)
        return D3DERR_INVALIDCALL;
    m_levels[level].locked = false;
    return device() ? device()->upload(*this, level) : D3D_OK;
}

d3d_buffer_c::d3d_buffer_c(IDirect3DDevice8 *device, D3DRESOURCETYPE type, UINT length, DWORD usage, D3DPOOL pool)
    : d3d_resource_c(device, type, usage, pool), m_bytes(length, 0)
{
}

HRESULT d3d_buffer_c::Lock(UINT offset, UINT size, BYTE **data, DWORD)
{
    if (!data || m_locked)
        return D3DERR_INVALIDCALL;
    if (size == 0 && offset == 0)
        size = (UINT)m_bytes.size();
    if ((uint64_t)offset + size > m_bytes.size())
        return D3DERR_INVALIDCALL;
    if (device()) {
        HRESULT hr = device()->backend()->lock_resource(*device(), *this, 0);
        if (FAILED(hr))
            return hr;
    }
    m_locked = true;
    *data = m_bytes.data() + offset;
    return D3D_OK;
}

HRESULT d3d_buffer_c::Unlock()
{
    if (!m_locked)
        return D3DERR_INVALIDCALL;
    m_locked = false;
    return device() ? device()->upload(*this, 0) : D3D_OK;
}

IDirect3DVertexBuffer8::IDirect3DVertexBuffer8(IDirect3DDevice8 *device, UINT length, DWORD usage, DWORD fvf,
                                               D3DPOOL pool)
    : d3d_buffer_c(device, D3DRTYPE_VERTEXBUFFER, length, usage, pool), m_fvf(fvf)
{
}

HRESULT IDirect3DVertexBuffer8::GetDesc(D3DVERTEXBUFFER_DESC *desc) const
{
    if (!desc)
        return D3DERR_INVALIDCALL;
    *desc = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage(), pool(), (UINT)bytes().size(), m_fvf};
    return D3D_OK;
}

IDirect3DIndexBuffer8::IDirect3DIndexBuffer8(IDirect3DDevice8 *device, UINT length, DWORD usage, D3DFORMAT format,
                                             D3DPOOL pool)
    : d3d_buffer_c(device, D3DRTYPE_INDEXBUFFER, length, usage, pool), m_format(format)
{
}

HRESULT IDirect3DIndexBuffer8::GetDesc(D3DINDEXBUFFER_DESC *desc) const
{
    if (!desc)
        return D3DERR_INVALIDCALL;
    *desc = D3DINDEXBUFFER_DESC{m_format, D3DRTYPE_INDEXBUFFER, usage(), pool(), (UINT)bytes().size()};
    return D3D_OK;
}

// ---- the device ----------------------------------------------------------------------------

static DWORD float_bits(float f)
{
    DWORD v;
    std::memcpy(&v, &f, 4);
    return v;
}

static D3DMATRIX identity_matrix()
{
    D3DMATRIX m{};
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1.0f;
    return m;
}

IDirect3DDevice8::IDirect3DDevice8(std::unique_ptr<d3d_device_backend_c> backend, const D3DCAPS8 &caps,
                                   const D3DPRESENT_PARAMETERS &presentation, HWND window)
    : m_backend(std::move(backend)), m_caps(caps), m_presentation(presentation), m_window(window), m_state{}
{
    set_default_state();
}

IDirect3DDevice8::~IDirect3DDevice8()
{
    unbind_all();
    for (d3d_resource_c *r : m_resources) {
        m_backend->destroy_resource(*r);
        r->m_backend_data.reset();
        r->m_device = nullptr;
    }
}

// The states of a freshly made or reset device.
void IDirect3DDevice8::set_default_state()
{
    d3d_device_state_s &s = m_state;
    std::fill(std::begin(s.render), std::end(s.render), 0u);
    s.render[D3DRS_ZENABLE] = m_presentation.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    s.render[D3DRS_FILLMODE] = D3DFILL_SOLID;
    s.render[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    s.render[D3DRS_ZWRITEENABLE] = TRUE;
    s.render[D3DRS_LASTPIXEL] = TRUE;
    s.render[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    s.render[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    s.render[D3DRS_CULLMODE] = D3DCULL_CCW;
    s.render[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    s.render[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    s.render[D3DRS_FOGSTART] = float_bits(0.0f);
    s.render[D3DRS_FOGEND] = float_bits(1.0f);
    s.render[D3DRS_FOGDENSITY] = float_bits(1.0f);
    s.render[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    s.render[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    s.render[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    s.render[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    s.render[D3DRS_STENCILMASK] = 0xFFFFFFFFu;
    s.render[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    s.render[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    s.render[D3DRS_CLIPPING] = TRUE;
    s.render[D3DRS_LIGHTING] = TRUE;
    s.render[D3DRS_COLORVERTEX] = TRUE;
    s.render[D3DRS_LOCALVIEWER] = TRUE;
    s.render[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    s.render[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    s.render[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    s.render[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    s.render[D3DRS_POINTSIZE] = float_bits(1.0f);
    s.render[D3DRS_POINTSIZE_MIN] = float_bits(1.0f);
    s.render[D3DRS_POINTSCALE_A] = float_bits(1.0f);
    s.render[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    s.render[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    s.render[D3DRS_POINTSIZE_MAX] = float_bits(64.0f);
    s.render[D3DRS_COLORWRITEENABLE] = 0xF;
    s.render[D3DRS_BLENDOP] = D3DBLENDOP_ADD;

    for (DWORD i = 0; i < D3D_MAX_TEXTURE_STAGES; ++i) {
        DWORD *t = s.stage[i];
        std::fill(t, t + D3D_STAGE_STATE_COUNT, 0u);
        t[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = i;
        t[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        t[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        t[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        t[D3DTSS_MAXANISOTROPY] = 1;
        t[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        t[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }

    s.world = s.view = s.projection = identity_matrix();
    for (D3DMATRIX &m : s.texture_transform)
        m = identity_matrix();
    s.lights.clear();
    s.material = D3DMATERIAL8{};
    UINT w = m_presentation.BackBufferWidth, h = m_presentation.BackBufferHeight;
    if (w == 0 || h == 0)
        m_backend->window_size(m_window, &w, &h);
    s.viewport = D3DVIEWPORT8{0, 0, w, h, 0.0f, 1.0f};
    unbind_all();
    s.vertex_shader = 0;
    s.in_scene = false;
}

void IDirect3DDevice8::unbind_all()
{
    d3d_device_state_s &s = m_state;
    for (IDirect3DBaseTexture8 *&t : s.textures)
        if (t) {
            t->Release();
            t = nullptr;
        }
    for (d3d_stream_s &st : s.streams)
        if (st.buffer) {
            st.buffer->Release();
            st = d3d_stream_s{nullptr, 0};
        }
    if (s.indices) {
        s.indices->Release();
        s.indices = nullptr;
    }
    s.base_vertex_index = 0;
}

void IDirect3DDevice8::notify(int kind, DWORD a, DWORD b)
{
    m_backend->state_changed(*this, (d3d_state_kind_e)kind, a, b);
}

HRESULT IDirect3DDevice8::upload(d3d_resource_c &resource, UINT level)
{
    return m_backend->upload_resource(*this, resource, level);
}

void IDirect3DDevice8::forget(d3d_resource_c &resource)
{
    m_backend->destroy_resource(resource);
    const size_t slot = resource.m_device_slot;
    if (slot >= m_resources.size() || m_resources[slot] != &resource)
        return;
    // The list's order means nothing: the last one takes the slot.
    d3d_resource_c *last = m_resources.back();
    m_resources[slot] = last;
    last->m_device_slot = slot;
    m_resources.pop_back();
}

HRESULT IDirect3DDevice8::TestCooperativeLevel()
{
    return m_backend->test_cooperative_level(*this);
}

HRESULT IDirect3DDevice8::GetDeviceCaps(D3DCAPS8 *caps)
{
    if (!caps)
        return D3DERR_INVALIDCALL;
    *caps = m_caps;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetDisplayMode(D3DDISPLAYMODE *mode)
{
    if (!mode)
        return D3DERR_INVALIDCALL;
    *mode = D3DDISPLAYMODE{m_state.viewport.Width, m_state.viewport.Height, 0, m_presentation.BackBufferFormat};
    return D3D_OK;
}

HRESULT IDirect3DDevice8::Reset(D3DPRESENT_PARAMETERS *parameters)
{
    if (!parameters)
        return D3DERR_INVALIDCALL;
    HRESULT hr = m_backend->reset(*this, *parameters);
    if (FAILED(hr))
        return hr;
    m_presentation = *parameters;
    set_default_state();
    return D3D_OK;
}

HRESULT IDirect3DDevice8::Present(const RECT *, const RECT *, HWND window, const void *)
{
    return m_backend->present(*this, window ? window : m_window);
}

template <class T> HRESULT IDirect3DDevice8::adopt_resource(T *resource, T **out)
{
    resource->m_device_slot = m_resources.size();
    m_resources.push_back(resource);
    HRESULT hr = m_backend->create_resource(*this, *resource);
    if (FAILED(hr)) {
        resource->Release();
        return hr;
    }
    *out = resource;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DTexture8 **texture)
{
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (width == 0 || height == 0 || width > m_caps.MaxTextureWidth || height > m_caps.MaxTextureHeight ||
        d3d_format_block_bytes(format) == 0 || format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32)
        return D3DERR_INVALIDCALL;
    return adopt_resource(new IDirect3DTexture8(this, width, height, levels, usage, format, pool), texture);
}

HRESULT IDirect3DDevice8::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer8 **buffer)
{
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0)
        return D3DERR_INVALIDCALL;
    return adopt_resource(new IDirect3DVertexBuffer8(this, length, usage, fvf, pool), buffer);
}

HRESULT IDirect3DDevice8::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DIndexBuffer8 **buffer)
{
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    return adopt_resource(new IDirect3DIndexBuffer8(this, length, usage, format, pool), buffer);
}

HRESULT IDirect3DDevice8::BeginScene()
{
    if (m_state.in_scene)
        return D3DERR_INVALIDCALL;
    HRESULT hr = m_backend->begin_scene(*this);
    if (SUCCEEDED(hr))
        m_state.in_scene = true;
    return hr;
}

HRESULT IDirect3DDevice8::EndScene()
{
    if (!m_state.in_scene)
        return D3DERR_INVALIDCALL;
    m_state.in_scene = false;
    return m_backend->end_scene(*this);
}

HRESULT IDirect3DDevice8::Clear(DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color, float z,
                                DWORD stencil)
{
    if ((count != 0) != (rects != nullptr) || (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL) &&
                                               !m_presentation.EnableAutoDepthStencil))
        return D3DERR_INVALIDCALL;
    return m_backend->clear(*this, count, rects, flags, color, z, stencil);
}

static D3DMATRIX *transform_slot(d3d_device_state_s &s, D3DTRANSFORMSTATETYPE state)
{
    if (state == D3DTS_WORLD)
        return &s.world;
    if (state == D3DTS_VIEW)
        return &s.view;
    if (state == D3DTS_PROJECTION)
        return &s.projection;
    if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + D3D_MAX_TEXTURE_STAGES)
        return &s.texture_transform[state - D3DTS_TEXTURE0];
    return nullptr;
}

HRESULT IDirect3DDevice8::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX *matrix)
{
    D3DMATRIX *slot = transform_slot(m_state, state);
    if (!slot || !matrix)
        return D3DERR_INVALIDCALL;
    *slot = *matrix;
    notify((int)d3d_state_kind_e::transform, state, 0);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX *matrix)
{
    D3DMATRIX *slot = transform_slot(m_state, state);
    if (!slot || !matrix)
        return D3DERR_INVALIDCALL;
    *matrix = *slot;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetViewport(const D3DVIEWPORT8 *viewport)
{
    if (!viewport || viewport->MinZ < 0.0f || viewport->MaxZ > 1.0f || viewport->MinZ > viewport->MaxZ)
        return D3DERR_INVALIDCALL;
    m_state.viewport = *viewport;
    notify((int)d3d_state_kind_e::viewport, 0, 0);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetViewport(D3DVIEWPORT8 *viewport)
{
    if (!viewport)
        return D3DERR_INVALIDCALL;
    *viewport = m_state.viewport;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetMaterial(const D3DMATERIAL8 *material)
{
    if (!material)
        return D3DERR_INVALIDCALL;
    m_state.material = *material;
    notify((int)d3d_state_kind_e::material, 0, 0);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetMaterial(D3DMATERIAL8 *material)
{
    if (!material)
        return D3DERR_INVALIDCALL;
    *material = m_state.material;
    return D3D_OK;
}

// Direct3D's default light: a white directional light along +z.
d3d_light_slot_s &IDirect3DDevice8::light_slot(DWORD index)
{
    while (m_state.lights.size() <= index) {
        D3DLIGHT8 l{};
        l.Type = D3DLIGHT_DIRECTIONAL;
        l.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
        l.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
        m_state.lights.push_back(d3d_light_slot_s{l, false});
    }
    return m_state.lights[index];
}

// Light indices are unbounded in Direct3D; this limit only keeps a bad index from eating memory.
static const DWORD max_light_index = 4096;

HRESULT IDirect3DDevice8::SetLight(DWORD index, const D3DLIGHT8 *light)
{
    if (!light || index >= max_light_index || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    light_slot(index).light = *light;
    notify((int)d3d_state_kind_e::light, index, 0);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetLight(DWORD index, D3DLIGHT8 *light)
{
    if (!light || index >= m_state.lights.size())
        return D3DERR_INVALIDCALL;
    *light = m_state.lights[index].light;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::LightEnable(DWORD index, BOOL enable)
{
    if (index >= max_light_index)
        return D3DERR_INVALIDCALL;
    light_slot(index).enabled = enable != FALSE;
    notify((int)d3d_state_kind_e::light_enable, index, enable != FALSE);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetLightEnable(DWORD index, BOOL *enable)
{
    if (!enable || index >= m_state.lights.size())
        return D3DERR_INVALIDCALL;
    *enable = m_state.lights[index].enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    if (state >= D3D_RENDER_STATE_COUNT)
        return D3DERR_INVALIDCALL;
    m_state.render[state] = value;
    notify((int)d3d_state_kind_e::render_state, state, value);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetRenderState(D3DRENDERSTATETYPE state, DWORD *value)
{
    if (state >= D3D_RENDER_STATE_COUNT || !value)
        return D3DERR_INVALIDCALL;
    *value = m_state.render[state];
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetTexture(DWORD stage, IDirect3DBaseTexture8 *texture)
{
    if (stage >= D3D_MAX_TEXTURE_STAGES || (texture && texture->device() != this))
        return D3DERR_INVALIDCALL;
    if (texture)
        texture->AddRef();
    if (m_state.textures[stage])
        m_state.textures[stage]->Release();
    m_state.textures[stage] = texture;
    notify((int)d3d_state_kind_e::texture, stage, 0);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetTexture(DWORD stage, IDirect3DBaseTexture8 **texture)
{
    if (stage >= D3D_MAX_TEXTURE_STAGES || !texture)
        return D3DERR_INVALIDCALL;
    *texture = m_state.textures[stage];
    if (*texture)
        (*texture)->AddRef();
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    if (stage >= D3D_MAX_TEXTURE_STAGES || type >= D3D_STAGE_STATE_COUNT)
        return D3DERR_INVALIDCALL;
    m_state.stage[stage][type] = value;
    notify((int)d3d_state_kind_e::stage_state, stage, type);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD *value)
{
    if (stage >= D3D_MAX_TEXTURE_STAGES || type >= D3D_STAGE_STATE_COUNT || !value)
        return D3DERR_INVALIDCALL;
    *value = m_state.stage[stage][type];
    return D3D_OK;
}

// Vertices a primitive list of this kind needs, 0 for an unknown kind.
static uint64_t vertices_for(D3DPRIMITIVETYPE type, UINT count)
{
    switch (type) {
    case D3DPT_POINTLIST:
        return count;
    case D3DPT_LINELIST:
        return 2ull * count;
    case D3DPT_LINESTRIP:
        return count + 1ull;
    case D3DPT_TRIANGLELIST:
        return 3ull * count;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return count + 2ull;
    default:
        return 0;
    }
}

HRESULT IDirect3DDevice8::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start_vertex, UINT primitive_count)
{
    const d3d_stream_s &s0 = m_state.streams[0];
    const uint64_t needed = vertices_for(type, primitive_count);
    if (!m_state.in_scene || needed == 0 || !s0.buffer || s0.stride == 0 || s0.buffer->locked() ||
        (start_vertex + needed) * s0.stride > s0.buffer->bytes().size())
        return D3DERR_INVALIDCALL;
    d3d_draw_s d{type, primitive_count, false, start_vertex, 0, 0, 0};
    return m_backend->draw(*this, d);
}

HRESULT IDirect3DDevice8::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT min_index, UINT vertex_count,
                                               UINT start_index, UINT primitive_count)
{
    const d3d_stream_s &s0 = m_state.streams[0];
    const IDirect3DIndexBuffer8 *ib = m_state.indices;
    const uint64_t needed = vertices_for(type, primitive_count);
    if (!m_state.in_scene || needed == 0 || !s0.buffer || s0.stride == 0 || s0.buffer->locked() || !ib ||
        ib->locked())
        return D3DERR_INVALIDCALL;
    const UINT index_size = ib->format() == D3DFMT_INDEX32 ? 4 : 2;
    if ((start_index + needed) * index_size > ib->bytes().size() ||
        ((uint64_t)m_state.base_vertex_index + min_index + vertex_count) * s0.stride > s0.buffer->bytes().size())
        return D3DERR_INVALIDCALL;
    d3d_draw_s d{type, primitive_count, true, 0, min_index, vertex_count, start_index};
    return m_backend->draw(*this, d);
}

HRESULT IDirect3DDevice8::SetVertexShader(DWORD handle)
{
    m_state.vertex_shader = handle;
    notify((int)d3d_state_kind_e::vertex_shader, handle, 0);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetVertexShader(DWORD *handle)
{
    if (!handle)
        return D3DERR_INVALIDCALL;
    *handle = m_state.vertex_shader;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetStreamSource(UINT stream, IDirect3DVertexBuffer8 *buffer, UINT stride)
{
    if (stream >= D3D_MAX_STREAMS || (buffer && buffer->device() != this))
        return D3DERR_INVALIDCALL;
    if (buffer)
        buffer->AddRef();
    if (m_state.streams[stream].buffer)
        m_state.streams[stream].buffer->Release();
    m_state.streams[stream] = d3d_stream_s{buffer, stride};
    notify((int)d3d_state_kind_e::stream, stream, stride);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetIndices(IDirect3DIndexBuffer8 *buffer, UINT base_vertex_index)
{
    if (buffer && buffer->device() != this)
        return D3DERR_INVALIDCALL;
    if (buffer)
        buffer->AddRef();
    if (m_state.indices)
        m_state.indices->Release();
    m_state.indices = buffer;
    m_state.base_vertex_index = base_vertex_index;
    notify((int)d3d_state_kind_e::indices, base_vertex_index, 0);
    return D3D_OK;
}

// ---- the Direct3D object -------------------------------------------------------------------

IDirect3D8::IDirect3D8(std::unique_ptr<d3d_adapter_backend_c> backend) : m_backend(std::move(backend))
{
}

IDirect3D8::~IDirect3D8() = default;

IDirect3D8 *Direct3DCreate8(UINT sdk_version)
{
    if (sdk_version != D3D_SDK_VERSION)
        return nullptr;
    std::unique_ptr<d3d_adapter_backend_c> backend = g_selected_backend->create();
    if (!backend)
        return nullptr;
    return new IDirect3D8(std::move(backend));
}

HRESULT IDirect3D8::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE *mode)
{
    if (adapter != D3DADAPTER_DEFAULT || !mode)
        return D3DERR_INVALIDCALL;
    return m_backend->display_mode(mode);
}

HRESULT IDirect3D8::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapter_format, DWORD usage,
                                      D3DRESOURCETYPE resource_type, D3DFORMAT check_format)
{
    if (adapter != D3DADAPTER_DEFAULT || type != D3DDEVTYPE_HAL)
        return D3DERR_INVALIDCALL;
    return m_backend->check_format(adapter_format, usage, resource_type, check_format);
}

HRESULT IDirect3D8::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8 *caps)
{
    if (adapter != D3DADAPTER_DEFAULT || type != D3DDEVTYPE_HAL || !caps)
        return D3DERR_INVALIDCALL;
    return m_backend->caps(caps);
}

HRESULT IDirect3D8::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND window, DWORD behaviour,
                                 D3DPRESENT_PARAMETERS *parameters, IDirect3DDevice8 **device)
{
    if (!device)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    const DWORD processing = behaviour & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                          D3DCREATE_MIXED_VERTEXPROCESSING);
    if (adapter != D3DADAPTER_DEFAULT || type != D3DDEVTYPE_HAL || !parameters ||
        (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
         processing != D3DCREATE_MIXED_VERTEXPROCESSING))
        return D3DERR_INVALIDCALL;
    D3DCAPS8 caps{};
    HRESULT hr = m_backend->caps(&caps);
    if (FAILED(hr))
        return hr;
    std::unique_ptr<d3d_device_backend_c> backend;
    hr = m_backend->create_device(window, behaviour, *parameters, &backend);
    if (FAILED(hr))
        return hr;
    *device = new IDirect3DDevice8(std::move(backend), caps, *parameters, window);
    return D3D_OK;
}
