#include "services/srvc_d3d.h"

#include "basics/console_log.h"
#include "basics/helpers.h"
#include "kernel/exception.h"
#include "platform/d3d/d3dx8.h"
#include "platform/window/winuser.h"

#include <cstring>
#include <string>

// ---- colours, formats and row converters ---------------------------------------------------

static DWORD color_channel(float x)
{
    if (x >= 1.0f)
        return 255;
    if (x <= 0.0f)
        return 0;
    return (DWORD)(x * 255.0f + 0.5f);
}

D3DCOLOR d3d_color(float r, float g, float b, float a)
{
    return color_channel(a) << 24 | color_channel(r) << 16 | color_channel(g) << 8 | color_channel(b);
}

// matrix_c and the device's matrix are both four rows of four floats.
static D3DXMATRIX to_d3d(const matrix_c &m)
{
    D3DXMATRIX d;
    std::memcpy(d.m, m.m, sizeof d.m);
    return d;
}

static void from_d3d(matrix_c &m, const D3DXMATRIX &d)
{
    std::memcpy(m.m, d.m, sizeof m.m);
}

static void set_transform(IDirect3DDevice8 *device, D3DTRANSFORMSTATETYPE state, const matrix_c &m)
{
    const D3DXMATRIX d = to_d3d(m);
    device->SetTransform(state, &d);
}

static D3DCOLORVALUE color_value(const float c[4])
{
    return D3DCOLORVALUE{c[0], c[1], c[2], c[3]};
}

static DWORD float_bits(float f)
{
    DWORD v;
    std::memcpy(&v, &f, 4);
    return v;
}

namespace {

// Source pixels are B, G, R (3 bytes) or B, G, R, A (4 bytes), as bitmap rows keep them.
void convert_r5g6b5(void *dest, const void *source, int count)
{
    const BYTE *s = (const BYTE *)source;
    WORD *d = (WORD *)dest;
    for (int i = 0; i < count; ++i, s += 3)
        d[i] = (WORD)((s[2] >> 3) << 11 | (s[1] >> 2) << 5 | s[0] >> 3);
}

void convert_x1r5g5b5(void *dest, const void *source, int count)
{
    const BYTE *s = (const BYTE *)source;
    WORD *d = (WORD *)dest;
    for (int i = 0; i < count; ++i, s += 3)
        d[i] = (WORD)((s[2] >> 3) << 10 | (s[1] >> 3) << 5 | s[0] >> 3);
}

void convert_x4r4g4b4(void *dest, const void *source, int count)
{
    const BYTE *s = (const BYTE *)source;
    WORD *d = (WORD *)dest;
    for (int i = 0; i < count; ++i, s += 3)
        d[i] = (WORD)((s[2] >> 4) << 8 | (s[1] >> 4) << 4 | s[0] >> 4);
}

void convert_a4r4g4b4(void *dest, const void *source, int count)
{
    const BYTE *s = (const BYTE *)source;
    WORD *d = (WORD *)dest;
    for (int i = 0; i < count; ++i, s += 4)
        d[i] = (WORD)((s[3] >> 4) << 12 | (s[2] >> 4) << 8 | (s[1] >> 4) << 4 | s[0] >> 4);
}

void convert_a1r5g5b5(void *dest, const void *source, int count)
{
    const BYTE *s = (const BYTE *)source;
    WORD *d = (WORD *)dest;
    for (int i = 0; i < count; ++i, s += 4)
        d[i] = (WORD)((s[3] >> 7) << 15 | (s[2] >> 3) << 10 | (s[1] >> 3) << 5 | s[0] >> 3);
}

void convert_r8g8b8(void *dest, const void *source, int count)
{
    std::memcpy(dest, source, (size_t)count * 3);
}

void convert_a8r8g8b8(void *dest, const void *source, int count)
{
    std::memcpy(dest, source, (size_t)count * 4);
}

void convert_x8r8g8b8(void *dest, const void *source, int count)
{
    const BYTE *s = (const BYTE *)source;
    BYTE *d = (BYTE *)dest;
    for (int i = 0; i < count; ++i, s += 3, d += 4) {
        const DWORD v = (DWORD)s[2] << 16 | (DWORD)s[1] << 8 | s[0];
        std::memcpy(d, &v, 4);
    }
}

struct display_format_s
{
    D3DFORMAT format;
    int bits;
};

// Searched in this order.
const display_format_s display_formats[] = {
    {D3DFMT_X1R5G5B5, 16},
    {D3DFMT_R5G6B5, 16},
    {D3DFMT_X8R8G8B8, 32},
    {D3DFMT_A8R8G8B8, 32},
};

struct texture_format_s
{
    D3DFORMAT format;
    int bits;
    int alpha;
    pixel_converter_t convert;
};

// Searched in this order: the order decides which format a device gets.
const texture_format_s texture_formats[] = {
    {D3DFMT_R5G6B5, 16, 0, convert_r5g6b5},     {D3DFMT_X1R5G5B5, 16, 0, convert_x1r5g5b5},
    {D3DFMT_X4R4G4B4, 16, 0, convert_x4r4g4b4}, {D3DFMT_A4R4G4B4, 16, 1, convert_a4r4g4b4},
    {D3DFMT_A1R5G5B5, 16, 1, convert_a1r5g5b5}, {D3DFMT_R8G8B8, 24, 0, convert_r8g8b8},
    {D3DFMT_A8R8G8B8, 32, 1, convert_a8r8g8b8}, {D3DFMT_X8R8G8B8, 32, 0, convert_x8r8g8b8},
};

const int NO_VALUE = -1;

} // namespace

// ---- construction and start-up -------------------------------------------------------------

d3d_service_c::d3d_service_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_initialized(0), m_screen_mode(0), m_full_screen(0), m_textures32(0),
      m_screen_width(0), m_screen_height(0), m_hWnd(nullptr), m_pD3D(nullptr), m_pDevice(nullptr), m_present{},
      m_viewport{}, m_format16(0), m_format32(0), m_desktop_format(0), m_back_buffer_format(0),
      m_texture_format(0), m_texture_format_alpha(0), m_caps{}, m_vertex_format(VERTEX_FORMAT_NONE),
      m_near_clip(0.0f), m_far_clip(0.0f), m_world(1.0f), m_view(1.0f), m_projection(1.0f), m_camera(),
      m_fog_color{}, m_light_count(0), m_lights{}, m_ambient{}
{
}

d3d_service_c::~d3d_service_c() noexcept(false)
{
    release();
}

void d3d_service_c::release()
{
    if (m_pDevice) {
        m_pDevice->Release();
        m_pDevice = nullptr;
    }
    if (m_pD3D) {
        m_pD3D->Release();
        m_pD3D = nullptr;
    }
    m_hWnd = nullptr;
    m_initialized = 0;
}

void d3d_service_c::on_shutdown()
{
    release();
    m_screen_mode = m_full_screen = m_textures32 = m_screen_width = m_screen_height = 0;
    m_present = D3DPRESENT_PARAMETERS{};
    m_viewport = D3DVIEWPORT8{};
    m_format16 = m_format32 = m_desktop_format = m_back_buffer_format = 0;
    m_texture_format = m_texture_format_alpha = 0;
    m_caps = D3DCAPS8{};
    m_vertex_format = VERTEX_FORMAT_NONE;
    m_near_clip = m_far_clip = 0.0f;
    m_world = m_view = m_projection = matrix_c(1.0f);
    m_camera = placement();
    std::memset(m_fog_color, 0, sizeof m_fog_color);
    m_light_count = 0;
    for (light_s &l : m_lights)
        l = light_s{};
    std::memset(m_ambient, 0, sizeof m_ambient);
    abstract_c::on_shutdown();
}

int d3d_service_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(app_startup)) {
        startup();
        return 0;
    }
    if (*message == MSG_VAR(get_d3d)) {
        *(d3d_service_c **)msg_arg(0)->get_ptr() = this;
        return 1;
    }
    return abstract_c::handle_message(message, sender);
}

static int select_name(const char *text, const char *const names[], int count)
{
    for (int i = 0; i < count; ++i)
        if (std::strcmp(text, names[i]) == 0)
            return i;
    return NO_VALUE;
}

void d3d_service_c::startup()
{
    print_message("Initializing Direct3D...\n");
    if (m_initialized)
        ENGINE_THROW(d3d_exception_c, "Already initialized");
    try {
        static const char *const modes[] = {"16bit", "32bit", "windowed"};
        const int mode = select_name(attribute("screen_mode")->get_const_pchar(), modes, 3);
        if (mode == NO_VALUE)
            ENGINE_THROW(d3d_exception_c,
                         "Invalid 'screen_mode' attribute, valid values are \"16bit\", \"32bit\", \"windowed\"");
        m_screen_mode = mode + 1;
        m_full_screen = m_screen_mode != 3;
        m_textures32 = attribute("textures32")->get_int();
        m_screen_width = attribute("screen_width")->get_int();
        m_screen_height = attribute("screen_height")->get_int();
        if (m_full_screen)
            print_message("%ix%ix%ibit, ", m_screen_width, m_screen_height, m_screen_mode == 1 ? 16 : 32);
        else
            print_message("%ix%i window, ", m_screen_width, m_screen_height);
        print_message("%i bit textures\n", m_textures32 ? 32 : 16);

        ENGINE_ASSERT(root()->message(msg_c("mainwnd_get_handles"), 0, this, MSG_ARG((void *)&m_hWnd),
                                      MSG_ARG((void *)NULL), MSG_ARGS_END));

        RECT window_rect;
        if (!m_full_screen && GetWindowRect(m_hWnd, &window_rect)) {
            RECT r{0, 0, m_screen_width, m_screen_height};
            AdjustWindowRectEx(&r, (DWORD)GetWindowLong(m_hWnd, GWL_STYLE), FALSE,
                               (DWORD)GetWindowLong(m_hWnd, GWL_EXSTYLE));
            SetWindowPos(m_hWnd, nullptr, window_rect.left, window_rect.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOZORDER);
        }

        m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
        if (!m_pD3D)
            ENGINE_THROW(d3d_exception_c, "Could not Initialize Direct3D (incorrect version of DirectX)");
        choose_formats();

        m_present = D3DPRESENT_PARAMETERS{};
        m_present.BackBufferWidth = m_full_screen ? (UINT)m_screen_width : 0;
        m_present.BackBufferHeight = m_full_screen ? (UINT)m_screen_height : 0;
        m_present.BackBufferFormat = m_back_buffer_format;
        m_present.BackBufferCount = 0;
        m_present.MultiSampleType = D3DMULTISAMPLE_NONE;
        m_present.SwapEffect = D3DSWAPEFFECT_DISCARD;
        m_present.hDeviceWindow = nullptr;
        m_present.Windowed = !m_full_screen;
        m_present.EnableAutoDepthStencil = TRUE;
        m_present.AutoDepthStencilFormat = D3DFMT_D16;
        m_present.Flags = 0;
        m_present.FullScreen_RefreshRateInHz = 0;
        m_present.FullScreen_PresentationInterval =
            m_full_screen ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_DEFAULT;

        static const char *const processing[] = {"software", "hardware", "mixed"};
        const int vp = select_name(attribute("vertex_processing")->get_const_pchar(), processing, 3);
        if (vp == NO_VALUE)
            ENGINE_THROW(d3d_exception_c, "Invalid 'vertex_processing' attribute, valid values are \"software\", "
                                          "\"hardware\", \"mixed\"");
        static const DWORD behaviour[] = {D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED,
                                          D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED,
                                          D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_MULTITHREADED};

        HRESULT hr = m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_hWnd, behaviour[vp], &m_present,
                                          &m_pDevice);
        if (FAILED(hr))
            ENGINE_THROW(d3d_exception_c, std::string("CreateDevice failed: ") + dx_error_name(hr));
        if (FAILED(m_pDevice->GetDeviceCaps(&m_caps)))
            ENGINE_THROW(d3d_exception_c, "GetDeviceCaps failed");
        if (!(m_caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP))
            ENGINE_THROW(d3d_exception_c, "Direct3D device does not support mipmapping");

        m_initialized = 1;
        set_default_state();
        print_message("Direct3D succesfully initialized.\n");
    } catch (...) {
        release();
        throw;
    }
}

D3DFORMAT d3d_service_c::find_texture_format(D3DFORMAT display, int want32, int want_alpha)
{
    for (const texture_format_s &t : texture_formats) {
        if (!want32 && t.bits > 16)
            continue;
        if (want32 && t.bits <= 16)
            continue;
        if (t.alpha != want_alpha)
            continue;
        if (m_pD3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, display, 0, D3DRTYPE_TEXTURE, t.format) ==
            D3D_OK)
            return t.format;
    }
    return 0;
}

void d3d_service_c::choose_formats()
{
    m_format16 = m_format32 = m_desktop_format = m_back_buffer_format = 0;
    m_texture_format = m_texture_format_alpha = 0;
    D3DDISPLAYMODE mode{};
    if (FAILED(m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
        ENGINE_THROW(d3d_exception_c, "GetAdapterDisplayMode failed");
    m_desktop_format = mode.Format;

    D3DFORMAT window_textures[2] = {0, 0}, textures16[2] = {0, 0}, textures32[2] = {0, 0};
    const display_format_s *desktop = nullptr;
    for (const display_format_s &d : display_formats)
        if (d.format == m_desktop_format)
            desktop = &d;
    if (desktop) {
        const int want32 = desktop->bits > 16;
        window_textures[0] = find_texture_format(desktop->format, want32, 0);
        window_textures[1] = find_texture_format(desktop->format, want32, 1);
    }
    if (!desktop || !window_textures[0] || !window_textures[1])
        m_desktop_format = 0;

    for (const display_format_s &d : display_formats) {
        if (d.bits == 16 && !m_format16) {
            textures16[0] = find_texture_format(d.format, 0, 0);
            textures16[1] = find_texture_format(d.format, 0, 1);
            if (textures16[0] && textures16[1])
                m_format16 = d.format;
        }
    }
    for (const display_format_s &d : display_formats) {
        if (d.bits == 32 && !m_format32) {
            textures32[0] = find_texture_format(d.format, m_textures32 ? 1 : 0, 0);
            textures32[1] = find_texture_format(d.format, m_textures32 ? 1 : 0, 1);
            if (textures32[0] && textures32[1])
                m_format32 = d.format;
        }
    }

    const D3DFORMAT *chosen = nullptr;
    if (m_screen_mode == 1) {
        if (!m_format16)
            ENGINE_THROW(d3d_exception_c, "Cannot render with 16 bits");
        m_back_buffer_format = m_format16;
        chosen = textures16;
    } else if (m_screen_mode == 2) {
        if (!m_format32)
            ENGINE_THROW(d3d_exception_c, "Cannot render with 32 bits");
        m_back_buffer_format = m_format32;
        chosen = textures32;
    } else {
        if (!m_desktop_format)
            ENGINE_THROW(d3d_exception_c, "Cannot render in window");
        m_back_buffer_format = m_desktop_format;
        chosen = window_textures;
    }
    m_texture_format = chosen[0];
    m_texture_format_alpha = chosen[1];
}

void d3d_service_c::set_default_state()
{
    ENGINE_ASSERT(m_pDevice);
    set_lit_vertex_format();
    m_pDevice->GetViewport(&m_viewport);
    m_near_clip = attribute("near_clip_plane")->get_float();
    m_far_clip = attribute("far_clip_plane")->get_float();
    m_fog_color[0] = m_fog_color[1] = m_fog_color[2] = 0.0f;
    m_fog_color[3] = 1.0f;
    m_light_count = 0;
    m_ambient[0] = m_ambient[1] = m_ambient[2] = 0.0f;
    m_ambient[3] = 1.0f;
    set_world_transform(placement());
    set_camera(placement(), 90.0f);
    apply_device_defaults();
}

// The device part of the start-up state; a reset puts the device back to Direct3D's defaults,
// so it is applied again after one, together with the transforms the service holds.
void d3d_service_c::apply_device_defaults()
{
    m_pDevice->SetRenderState(D3DRS_ZENABLE, 1);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    set_cull_mode(1);
    m_pDevice->GetViewport(&m_viewport);
    set_depth_range(0.0f, 1.0f);
    set_transform(m_pDevice, D3DTS_WORLD, m_world);
    set_transform(m_pDevice, D3DTS_VIEW, m_view);
    set_transform(m_pDevice, D3DTS_PROJECTION, m_projection);
    set_texture_modulate();
    set_fog_enable(0);
    set_fog_range(1.0f, 100.0f);
    m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
}

// ---- transforms ----------------------------------------------------------------------------

void d3d_service_c::client_size(int *width, int *height)
{
    RECT r;
    if (m_hWnd && GetClientRect(m_hWnd, &r) && r.bottom > r.top) {
        *width = r.right - r.left;
        *height = r.bottom - r.top;
    } else {
        // No window to ask (tests, or a window that is gone): the device's own size.
        *width = (int)m_viewport.Width;
        *height = (int)m_viewport.Height;
    }
}

void d3d_service_c::set_world_transform(const placement &p)
{
    if (!m_initialized)
        return;
    make_matrix(m_world, p);
    set_transform(m_pDevice, D3DTS_WORLD, m_world);
}

void d3d_service_c::set_world_matrix(const matrix_c &m)
{
    if (!m_initialized)
        return;
    m_world = m;
    set_transform(m_pDevice, D3DTS_WORLD, m_world);
}

void d3d_service_c::set_camera(const placement &c, float fov_degrees)
{
    if (!m_initialized)
        return;
    vec3 left, up, forward;
    angles_to_axes(c.angles, vec3_one, left, up, forward);
    matrix_c camera;
    make_matrix_from_axes(camera, c, left, up, forward);
    const D3DXMATRIX cam = to_d3d(camera);
    D3DXMATRIX view;
    if (D3DXMatrixInverse(&view, nullptr, &cam))
        from_d3d(m_view, view);
    set_transform(m_pDevice, D3DTS_VIEW, m_view);

    int width, height;
    client_size(&width, &height);
    const float aspect = height > 0 ? (float)width / (float)height : 1.0f;
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, fov_degrees * 0.017453292f * 0.5f, aspect, m_near_clip, m_far_clip);
    from_d3d(m_projection, projection);
    set_transform(m_pDevice, D3DTS_PROJECTION, m_projection);
    m_camera = c;
}

// ---- lights and fog ------------------------------------------------------------------------

void d3d_service_c::set_ambient_color(float r, float g, float b)
{
    m_ambient[0] = r;
    m_ambient[1] = g;
    m_ambient[2] = b;
    m_ambient[3] = 1.0f;
}

void d3d_service_c::add_point_light(float radius, const vec3 &position, float r, float g, float b)
{
    if (m_light_count >= MAX_LIGHTS)
        ENGINE_THROW(d3d_exception_c, "Too many lights");
    m_lights[m_light_count++] = light_s{1, radius, position, vec3_zero, {r, g, b, 1.0f}};
}

void d3d_service_c::add_directional_light(const vec3 &direction, float r, float g, float b)
{
    if (m_light_count >= MAX_LIGHTS)
        ENGINE_THROW(d3d_exception_c, "Too many lights");
    D3DXVECTOR3 in(direction.x, direction.y, direction.z), unit;
    D3DXVec3Normalize(&unit, &in);
    m_lights[m_light_count++] = light_s{0, 0.0f, vec3_zero, vec3(unit), {r, g, b, 1.0f}};
}

void d3d_service_c::apply_lights()
{
    if (!m_initialized)
        return;
    m_pDevice->SetRenderState(D3DRS_AMBIENT, d3d_color(m_ambient[0], m_ambient[1], m_ambient[2], m_ambient[3]));
    for (int i = 0; i < m_light_count; ++i) {
        const light_s &l = m_lights[i];
        D3DLIGHT8 d{};
        d.Diffuse = color_value(l.color);
        d.Specular = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
        d.Ambient = D3DCOLORVALUE{0.0f, 0.0f, 0.0f, 0.0f};
        if (l.kind == 1) {
            d.Type = D3DLIGHT_POINT;
            d.Position = l.position;
            d.Range = 3.0f * l.radius;
            d.Falloff = 0.0f;
            d.Attenuation0 = 1.5f;
            d.Attenuation1 = 0.0f;
            d.Attenuation2 = 4.0f / (l.radius * l.radius);
        } else {
            d.Type = D3DLIGHT_DIRECTIONAL;
            d.Direction = l.direction;
        }
        m_pDevice->SetLight((DWORD)i, &d);
        m_pDevice->LightEnable((DWORD)i, TRUE);
    }
    for (int i = m_light_count; i < MAX_LIGHTS; ++i)
        m_pDevice->LightEnable((DWORD)i, FALSE);
}

void d3d_service_c::set_fog_enable(int on)
{
    if (m_pDevice)
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, on ? TRUE : FALSE);
}

void d3d_service_c::set_fog_range(float start, float end)
{
    if (!m_pDevice)
        return;
    m_pDevice->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    m_pDevice->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    m_pDevice->SetRenderState(D3DRS_FOGSTART, float_bits(start));
    m_pDevice->SetRenderState(D3DRS_FOGEND, float_bits(end));
}

void d3d_service_c::set_fog_color(float r, float g, float b)
{
    m_fog_color[0] = r;
    m_fog_color[1] = g;
    m_fog_color[2] = b;
    m_fog_color[3] = 1.0f;
    if (m_pDevice)
        m_pDevice->SetRenderState(D3DRS_FOGCOLOR, d3d_color(r, g, b, 1.0f));
}

// ---- frame and lost device -----------------------------------------------------------------

void d3d_service_c::clear(int clear_target, float z)
{
    if (!m_initialized)
        return;
    DWORD flags = 0;
    if (clear_target)
        flags |= D3DCLEAR_TARGET;
    if (z != 0.0f)
        flags |= D3DCLEAR_ZBUFFER;
    m_pDevice->Clear(0, nullptr, flags, d3d_color(m_fog_color[0], m_fog_color[1], m_fog_color[2], m_fog_color[3]), z,
                     0);
}

void d3d_service_c::begin_scene()
{
    if (!m_initialized)
        return;
    D3DMATERIAL8 material{};
    material.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    material.Ambient = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    m_pDevice->SetMaterial(&material);
    m_pDevice->SetRenderState(D3DRS_LOCALVIEWER, 0);
    m_pDevice->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
    m_pDevice->BeginScene();
}

void d3d_service_c::end_scene()
{
    if (!m_initialized)
        return;
    m_pDevice->EndScene();
    m_light_count = 0;
    m_ambient[0] = m_ambient[1] = m_ambient[2] = 0.0f;
    m_ambient[3] = 1.0f;
}

void d3d_service_c::present()
{
    if (m_initialized)
        m_pDevice->Present(nullptr, nullptr, m_hWnd, nullptr);
}

int d3d_service_c::is_device_lost()
{
    if (!m_initialized)
        return 1;
    const HRESULT hr = m_pDevice->TestCooperativeLevel();
    return hr == D3DERR_DEVICELOST || hr == D3DERR_DEVICENOTRESET;
}

int d3d_service_c::can_reset_device()
{
    if (!m_initialized)
        return 0;
    return m_pDevice->TestCooperativeLevel() == D3DERR_DEVICENOTRESET;
}

void d3d_service_c::reset_device()
{
    if (!m_initialized)
        ENGINE_THROW(d3d_exception_c, "Device not ready");
    const HRESULT hr = m_pDevice->Reset(&m_present);
    if (FAILED(hr))
        ENGINE_THROW(d3d_exception_c, std::string("IDirect3DDevice8::Reset failed: ") + dx_error_name(hr));
    m_vertex_format = VERTEX_FORMAT_NONE;
    apply_device_defaults();
}

// ---- picking -------------------------------------------------------------------------------

vec3 d3d_service_c::get_view_axis(char axis)
{
    if (!m_initialized)
        return vec3_zero;
    D3DXVECTOR3 v = axis == 'x'   ? D3DXVECTOR3(1, 0, 0)
                    : axis == 'y' ? D3DXVECTOR3(0, 1, 0)
                    : axis == 'z' ? D3DXVECTOR3(0, 0, 1)
                                  : D3DXVECTOR3(1, 1, 1);
    const D3DXMATRIX view = to_d3d(m_view);
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, &view))
        D3DXMatrixIdentity(&inverse);
    D3DXVECTOR3 world, unit;
    D3DXVec3TransformNormal(&world, &v, &inverse);
    D3DXVec3Normalize(&unit, &world);
    return vec3(unit);
}

vec3 d3d_service_c::screen_to_world_ray(int x, int y)
{
    if (!m_initialized)
        return vec3_zero;
    RECT client{0, 0, 0, 0};
    if (m_hWnd)
        GetClientRect(m_hWnd, &client);
    const int w = (int)m_viewport.Width, h = (int)m_viewport.Height;
    if (w <= 0 || h <= 0)
        return vec3_zero;
    const float nx = 2.0f * (float)(x - w / 2 - (int)m_viewport.X - client.left) / (float)w;
    const float ny = 2.0f * (float)(h / 2 + (int)m_viewport.Y + client.top - y) / (float)h;
    const D3DXMATRIX projection = to_d3d(m_projection), view = to_d3d(m_view);
    D3DXMATRIX inverse, transposed;
    if (!D3DXMatrixInverse(&inverse, nullptr, &projection))
        return vec3_zero;
    D3DXMatrixTranspose(&transposed, &view);
    D3DXVECTOR3 p(nx, ny, 0.0f), camera_space, world, unit;
    D3DXVec3TransformCoord(&camera_space, &p, &inverse);
    D3DXVec3TransformNormal(&world, &camera_space, &transposed);
    D3DXVec3Normalize(&unit, &world);
    return vec3(unit);
}

// ---- formats and resources -----------------------------------------------------------------

int d3d_service_c::is_texture_format_supported(D3DFORMAT f)
{
    if (!m_pD3D)
        return 0;
    return m_pD3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_back_buffer_format, 0, D3DRTYPE_TEXTURE,
                                     f) == D3D_OK;
}

pixel_converter_t d3d_service_c::find_pixel_converter(D3DFORMAT f)
{
    for (const texture_format_s &t : texture_formats)
        if (t.format == f)
            return t.convert;
    return nullptr;
}

IDirect3DTexture8 *d3d_service_c::create_texture(int width, int height, D3DFORMAT format, int levels)
{
    if (!m_initialized)
        ENGINE_THROW(d3d_exception_c, "create_texture: not initialized");
    IDirect3DTexture8 *texture = nullptr;
    if (width <= 0 || height <= 0 || levels < 0 ||
        FAILED(m_pDevice->CreateTexture((UINT)width, (UINT)height, (UINT)levels, 0, format, D3DPOOL_MANAGED,
                                        &texture)))
        ENGINE_THROW(d3d_exception_c, "Could not create texture");
    return texture;
}

D3DLOCKED_RECT d3d_service_c::lock_texture(IDirect3DTexture8 *pTex, int level)
{
    if (!m_initialized)
        ENGINE_THROW(d3d_exception_c, "lock_texture: not initialized");
    ENGINE_ASSERT(pTex);
    D3DLOCKED_RECT locked{};
    if (level < 0 || FAILED(pTex->LockRect((UINT)level, &locked, nullptr, 0)))
        ENGINE_THROW(d3d_exception_c, "Could not lock texture");
    return locked;
}

void d3d_service_c::unlock_texture(IDirect3DTexture8 *pTex, int level)
{
    if (!m_initialized)
        ENGINE_THROW(d3d_exception_c, "unlock_texture: not initialized");
    ENGINE_ASSERT(pTex);
    if (level < 0 || FAILED(pTex->UnlockRect((UINT)level)))
        ENGINE_THROW(d3d_exception_c, "Could not unlock texture");
}

// Sizes come from files and callers as ints: anything that does not fit a device length fails
// like the device call would.
static bool byte_length(int size, int count, UINT *out)
{
    if (size <= 0 || count <= 0)
        return false;
    const long long bytes = (long long)size * count;
    if (bytes > 0x7FFFFFFFLL)
        return false;
    *out = (UINT)bytes;
    return true;
}

IDirect3DVertexBuffer8 *d3d_service_c::create_vbuffer(int vertex_size, int count, DWORD fvf)
{
    if (!m_initialized)
        ENGINE_THROW(d3d_exception_c, "create_vbuffer: not initialized");
    UINT length;
    IDirect3DVertexBuffer8 *buffer = nullptr;
    if (!byte_length(vertex_size, count, &length) ||
        FAILED(m_pDevice->CreateVertexBuffer(length, 0, fvf, D3DPOOL_MANAGED, &buffer)))
        ENGINE_THROW(d3d_exception_c, "Could not create vertex buffer");
    return buffer;
}

void *d3d_service_c::lock_vbuffer(int vertex_size, IDirect3DVertexBuffer8 *buffer, int, int count)
{
    if (!m_initialized)
        ENGINE_THROW(d3d_exception_c, "lock_vbuffer: not initialized");
    UINT length;
    BYTE *data = nullptr;
    if (!buffer || !byte_length(vertex_size, count, &length) ||
        FAILED(buffer->Lock(0, length, &data, D3DLOCK_DISCARD)))
        ENGINE_THROW(d3d_exception_c, "Could not lock vertex buffer");
    return data;
}

void d3d_service_c::unlock_vbuffer(IDirect3DVertexBuffer8 *buffer)
{
    if (!m_initialized)
        ENGINE_THROW(d3d_exception_c, "unlock_vbuffer: not initialized");
    if (!buffer || FAILED(buffer->Unlock()))
        ENGINE_THROW(d3d_exception_c, "Could not unlock vertex buffer");
}

IDirect3DIndexBuffer8 *d3d_service_c::create_ibuffer(int triangles)
{
    if (!m_initialized)
        ENGINE_THROW(d3d_exception_c, "create_ibuffer: not initialized");
    UINT length;
    IDirect3DIndexBuffer8 *buffer = nullptr;
    if (!byte_length(6, triangles, &length) ||
        FAILED(m_pDevice->CreateIndexBuffer(length, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &buffer)))
        ENGINE_THROW(d3d_exception_c, "Could not create index buffer");
    return buffer;
}

WORD *d3d_service_c::lock_ibuffer(IDirect3DIndexBuffer8 *buffer, int, int triangles)
{
    if (!m_initialized)
        ENGINE_THROW(d3d_exception_c, "lock_ibuffer: not initialized");
    UINT length;
    BYTE *data = nullptr;
    if (!buffer || !byte_length(6, triangles, &length) || FAILED(buffer->Lock(0, length, &data, D3DLOCK_DISCARD)))
        ENGINE_THROW(exception_c, "Could not lock index buffer");
    return (WORD *)data;
}

void d3d_service_c::unlock_ibuffer(IDirect3DIndexBuffer8 *buffer)
{
    if (!m_initialized)
        ENGINE_THROW(d3d_exception_c, "unlock_ibuffer: not initialized");
    if (!buffer || FAILED(buffer->Unlock()))
        ENGINE_THROW(d3d_exception_c, "Could not unlock index buffer");
}

// ---- vertex formats and render-state groups ------------------------------------------------

void d3d_service_c::set_lit_vertex_format()
{
    if (!m_pDevice || m_vertex_format == VERTEX_FORMAT_LIT)
        return;
    m_pDevice->SetVertexShader(LIT_FVF);
    m_vertex_format = VERTEX_FORMAT_LIT;
}

void d3d_service_c::set_unlit_vertex_format()
{
    if (!m_pDevice || m_vertex_format == VERTEX_FORMAT_UNLIT)
        return;
    m_pDevice->SetVertexShader(UNLIT_FVF);
    m_vertex_format = VERTEX_FORMAT_UNLIT;
}

void d3d_service_c::set_cull_mode(int on)
{
    if (m_pDevice)
        m_pDevice->SetRenderState(D3DRS_CULLMODE, on ? D3DCULL_CCW : D3DCULL_NONE);
}

void d3d_service_c::set_shade_mode(int smooth)
{
    if (m_pDevice)
        m_pDevice->SetRenderState(D3DRS_SHADEMODE, smooth ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
}

void d3d_service_c::set_lighting(int on)
{
    if (m_pDevice)
        m_pDevice->SetRenderState(D3DRS_LIGHTING, (DWORD)on);
}

void d3d_service_c::set_wireframe(int on)
{
    if (m_pDevice)
        m_pDevice->SetRenderState(D3DRS_FILLMODE, on ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
}

void d3d_service_c::set_texture_modulate()
{
    if (!m_pDevice)
        return;
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
}

void d3d_service_c::set_opaque_mode()
{
    if (!m_pDevice)
        return;
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, 1);
}

void d3d_service_c::set_blend_mode(int additive, int alpha_source, int alpha)
{
    if (!m_pDevice)
        return;
    IDirect3DDevice8 *d = m_pDevice;
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
    const DWORD factor = (DWORD)alpha << 24;
    switch (alpha_source) {
    case 0:
        d->SetRenderState(D3DRS_TEXTUREFACTOR, factor);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
        break;
    case 1:
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        break;
    case 2:
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        break;
    case 3:
        d->SetRenderState(D3DRS_TEXTUREFACTOR, factor);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
        break;
    case 4:
        d->SetRenderState(D3DRS_TEXTUREFACTOR, factor);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
        break;
    default:
        break;
    }
}

void d3d_service_c::set_depth_range(float min_z, float max_z)
{
    m_viewport.MinZ = min_z;
    m_viewport.MaxZ = max_z;
    if (m_pDevice)
        m_pDevice->SetViewport(&m_viewport);
}

IDirect3DVertexBuffer8 *make_unlit_vbuffer(d3d_service_c *d3d, const unlit_vertex_s *vertices, int count)
{
    const int size = (int)sizeof(unlit_vertex_s);
    IDirect3DVertexBuffer8 *buffer = d3d->create_vbuffer(size, count, d3d_service_c::UNLIT_FVF);
    try {
        void *data = d3d->lock_vbuffer(size, buffer, 0, count);
        std::memcpy(data, vertices, (size_t)count * sizeof(unlit_vertex_s));
        d3d->unlock_vbuffer(buffer);
    } catch (...) {
        buffer->Release();
        throw;
    }
    return buffer;
}

// ---- finding the service -------------------------------------------------------------------

d3d_service_c *get_d3d_service(abstract_c *for_who)
{
    d3d_service_c *ptr = nullptr;
    abstract_c *root = abstract_c::root();
    // Spelled out rather than asserted in place: for_who may be null (the renderer asks
    // without a sender), and the root is the same for every object.
    if (!root->message(MSG_VAR(get_d3d), 0, for_who, MSG_ARG((void *)&ptr), MSG_ARGS_END))
        throw exception_c(__TIMESTAMP__, __FILE__, __LINE__,
                          "Debug assertion failed! Expression: \"for_who->root()->message(MSG_VAR(get_d3d), 0, "
                          "for_who, MSG_ARG((void *)&ptr), MSG_ARGS_END)\"");
    ENGINE_ASSERT(ptr);
    return ptr;
}
