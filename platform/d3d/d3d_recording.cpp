// The recording backend: logs what a real backend would execute and answers from the test
// settings of d3d_recording.h.
#include "platform/d3d/d3d_recording.h"

#include "platform/d3d/d3d_backend.h"
#include "platform/window/winuser.h"

#include <algorithm>
#include <cstdio>

namespace {

recording_d3d_config_s default_config()
{
    recording_d3d_config_s c{};
    c.desktop = D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8};
    c.window_width = 640;
    c.window_height = 480;
    c.display_mode_result = D3D_OK;
    c.display_formats = {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8};
    c.texture_formats = {D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5, D3DFMT_X4R4G4B4, D3DFMT_A4R4G4B4,
                         D3DFMT_A1R5G5B5, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_DXT1,
                         D3DFMT_DXT2,     D3DFMT_DXT3,     D3DFMT_DXT4,     D3DFMT_DXT5};
    D3DCAPS8 &k = c.caps;
    k.DeviceType = D3DDEVTYPE_HAL;
    k.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
    k.MaxTextureWidth = k.MaxTextureHeight = 2048;
    k.MaxTextureBlendStages = k.MaxSimultaneousTextures = 2;
    k.MaxActiveLights = 8;
    k.MaxVertexBlendMatrices = 4;
    k.MaxVertexBlendMatrixIndex = 0;
    k.MaxPrimitiveCount = 0xFFFFF;
    k.MaxVertexIndex = 0xFFFFF;
    k.MaxStreams = D3D_MAX_STREAMS;
    k.MaxStreamStride = 255;
    c.caps_result = D3D_OK;
    c.create_device_result = D3D_OK;
    return c;
}

recording_d3d_config_s g_config = default_config();

bool holds(const std::vector<D3DFORMAT> &list, D3DFORMAT f)
{
    return std::find(list.begin(), list.end(), f) != list.end();
}

class recording_backend_c : public d3d_device_backend_c, public recording_device_c
{
public:
    explicit recording_backend_c(const recording_d3d_config_s &config) : m_config(config) {}

    void add(recording_call_e call, DWORD a = 0, DWORD b = 0, DWORD c = 0, DWORD d = 0, float z = 0.0f,
             const void *ptr = nullptr)
    {
        log.push_back(recording_call_s{call, a, b, c, d, z, ptr});
    }

    void window_size(HWND window, UINT *width, UINT *height) override
    {
        RECT r;
        if (window && GetClientRect(window, &r) && r.right > r.left && r.bottom > r.top) {
            *width = (UINT)(r.right - r.left);
            *height = (UINT)(r.bottom - r.top);
            return;
        }
        *width = m_config.window_width;
        *height = m_config.window_height;
    }

    void state_changed(const IDirect3DDevice8 &device, d3d_state_kind_e kind, DWORD a, DWORD b) override
    {
        const d3d_device_state_s &s = device.state();
        switch (kind) {
        case d3d_state_kind_e::render_state:
            add(recording_call_e::render_state, a, b);
            break;
        case d3d_state_kind_e::stage_state:
            add(recording_call_e::stage_state, a, b, s.stage[a][b]);
            break;
        case d3d_state_kind_e::transform:
            add(recording_call_e::transform, a);
            break;
        case d3d_state_kind_e::light:
            add(recording_call_e::light, a);
            break;
        case d3d_state_kind_e::light_enable:
            add(recording_call_e::light_enable, a, b);
            break;
        case d3d_state_kind_e::material:
            add(recording_call_e::material);
            break;
        case d3d_state_kind_e::viewport:
            add(recording_call_e::viewport);
            break;
        case d3d_state_kind_e::texture:
            add(recording_call_e::texture, a, 0, 0, 0, 0.0f, s.textures[a]);
            break;
        case d3d_state_kind_e::stream:
            add(recording_call_e::stream, a, b, 0, 0, 0.0f, s.streams[a].buffer);
            break;
        case d3d_state_kind_e::indices:
            add(recording_call_e::indices, 0, a, 0, 0, 0.0f, s.indices);
            break;
        case d3d_state_kind_e::vertex_shader:
            add(recording_call_e::vertex_shader, a);
            break;
        }
    }

    HRESULT begin_scene(const IDirect3DDevice8 &) override
    {
        add(recording_call_e::begin_scene);
        return D3D_OK;
    }

    HRESULT end_scene(const IDirect3DDevice8 &) override
    {
        add(recording_call_e::end_scene);
        return D3D_OK;
    }

    HRESULT clear(const IDirect3DDevice8 &, DWORD, const D3DRECT *, DWORD flags, D3DCOLOR color, float z,
                  DWORD) override
    {
        add(recording_call_e::clear, flags, color, 0, 0, z);
        return D3D_OK;
    }

    HRESULT draw(const IDirect3DDevice8 &device, const d3d_draw_s &d) override
    {
        if (d.indexed)
            add(recording_call_e::draw_indexed, d.type, d.primitive_count, d.start_index, d.vertex_count, 0.0f,
                device.state().streams[0].buffer);
        else
            add(recording_call_e::draw, d.type, d.primitive_count, d.start_vertex, 0, 0.0f,
                device.state().streams[0].buffer);
        return D3D_OK;
    }

    HRESULT present(const IDirect3DDevice8 &, HWND) override
    {
        add(recording_call_e::present);
        return cooperative_level == D3D_OK ? D3D_OK : D3DERR_DEVICELOST;
    }

    HRESULT test_cooperative_level(const IDirect3DDevice8 &) override { return cooperative_level; }

    HRESULT reset(const IDirect3DDevice8 &, const D3DPRESENT_PARAMETERS &) override
    {
        ++resets;
        HRESULT hr = cooperative_level == D3DERR_DEVICELOST ? D3DERR_DEVICELOST : reset_result;
        add(recording_call_e::reset, (DWORD)hr);
        if (SUCCEEDED(hr))
            cooperative_level = D3D_OK;
        return hr;
    }

    HRESULT create_resource(const IDirect3DDevice8 &, d3d_resource_c &r) override
    {
        if (r.resource_type() == D3DRTYPE_TEXTURE) {
            auto &t = static_cast<IDirect3DTexture8 &>(r);
            if (!holds(m_config.texture_formats, t.format()))
                return D3DERR_INVALIDCALL;
        }
        return failing(r, RECORDING_FAIL_CREATE_TEXTURE, RECORDING_FAIL_CREATE_VBUFFER, RECORDING_FAIL_CREATE_IBUFFER);
    }

    HRESULT lock_resource(const IDirect3DDevice8 &, d3d_resource_c &r, UINT) override
    {
        return failing(r, RECORDING_FAIL_LOCK_TEXTURE, RECORDING_FAIL_LOCK_VBUFFER, RECORDING_FAIL_LOCK_IBUFFER);
    }

    HRESULT upload_resource(const IDirect3DDevice8 &, d3d_resource_c &r, UINT) override
    {
        return failing(r, RECORDING_FAIL_UNLOCK_TEXTURE, RECORDING_FAIL_UNLOCK_VBUFFER,
                       RECORDING_FAIL_UNLOCK_IBUFFER);
    }

    void destroy_resource(d3d_resource_c &) override {}

private:
    // Answers a failure once when the matching bit of `fail` is set.
    HRESULT failing(const d3d_resource_c &r, unsigned texture_bit, unsigned vbuffer_bit, unsigned ibuffer_bit)
    {
        unsigned bit = r.resource_type() == D3DRTYPE_TEXTURE        ? texture_bit
                       : r.resource_type() == D3DRTYPE_VERTEXBUFFER ? vbuffer_bit
                                                                    : ibuffer_bit;
        if (!(fail & bit))
            return D3D_OK;
        fail &= ~bit;
        return D3DERR_INVALIDCALL;
    }

    recording_d3d_config_s m_config;
};

class recording_adapter_c : public d3d_adapter_backend_c
{
public:
    recording_adapter_c() : m_config(g_config) {}

    HRESULT display_mode(D3DDISPLAYMODE *mode) override
    {
        if (FAILED(m_config.display_mode_result))
            return m_config.display_mode_result;
        *mode = m_config.desktop;
        return D3D_OK;
    }

    HRESULT check_format(D3DFORMAT adapter_format, DWORD, D3DRESOURCETYPE type, D3DFORMAT format) override
    {
        if (!holds(m_config.display_formats, adapter_format))
            return D3DERR_NOTAVAILABLE;
        if (type == D3DRTYPE_TEXTURE)
            return holds(m_config.texture_formats, format) ? D3D_OK : D3DERR_NOTAVAILABLE;
        return D3DERR_NOTAVAILABLE;
    }

    HRESULT caps(D3DCAPS8 *caps) override
    {
        if (FAILED(m_config.caps_result))
            return m_config.caps_result;
        *caps = m_config.caps;
        return D3D_OK;
    }

    HRESULT create_device(HWND, DWORD, const D3DPRESENT_PARAMETERS &p,
                          std::unique_ptr<d3d_device_backend_c> *device) override
    {
        if (FAILED(m_config.create_device_result))
            return m_config.create_device_result;
        if (!holds(m_config.display_formats, p.BackBufferFormat) ||
            (p.Windowed && p.BackBufferFormat != m_config.desktop.Format))
            return D3DERR_INVALIDCALL;
        *device = std::make_unique<recording_backend_c>(m_config);
        return D3D_OK;
    }

private:
    recording_d3d_config_s m_config;
};

} // namespace

std::unique_ptr<d3d_adapter_backend_c> recording_d3d_create_adapter()
{
    return std::make_unique<recording_adapter_c>();
}

recording_d3d_config_s &recording_d3d_config()
{
    return g_config;
}

void recording_d3d_reset_config()
{
    g_config = default_config();
}

recording_device_c *recording_d3d_device(IDirect3DDevice8 *device)
{
    return device ? dynamic_cast<recording_backend_c *>(device->backend()) : nullptr;
}

std::vector<recording_call_s> recording_device_c::calls(recording_call_e kind) const
{
    std::vector<recording_call_s> out;
    for (const recording_call_s &c : log)
        if (c.call == kind)
            out.push_back(c);
    return out;
}

std::string recording_call_text(const recording_call_s &c)
{
    static const char *const names[] = {"render_state", "stage_state", "transform",    "light",    "light_enable",
                                        "material",     "viewport",    "texture",      "stream",   "indices",
                                        "vertex_shader", "begin_scene", "end_scene",   "clear",    "draw",
                                        "draw_indexed", "present",     "reset"};
    char text[160];
    std::snprintf(text, sizeof text, "%s %u %u %u %u %g %p", names[(int)c.call], (unsigned)c.a, (unsigned)c.b,
                  (unsigned)c.c, (unsigned)c.d, (double)c.z, c.ptr);
    return text;
}
