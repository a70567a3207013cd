// The OpenGL device backend: context, resources, and the translation of the shadowed Direct3D
// state into fixed-function GL at draw time.
#define GL_GLEXT_PROTOTYPES 1
#include "platform/gl/gl_d3d.h"

#include "platform/d3d/d3d_backend.h"
#include "platform/gl/gl_map.h"
#include "platform/window/window_sdl.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL2/SDL.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace {

// What the GL driver offers, found once when the Direct3D object is made.
struct gl_driver_s
{
    bool s3tc;
    bool provoking_vertex;
    GLint max_texture_size;
};

bool has_extension(const char *list, const char *name)
{
    const size_t n = std::strlen(name);
    for (const char *p = list; p && (p = std::strstr(p, name)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0'))
            return true;
    return false;
}

// The context of the last probe with its hidden window, kept for the device that opens next:
// a device on a window made with the same GL attributes takes the context over instead of
// making one of its own (a software rasterizer sets up a whole pipeline for each context).
// Any other device, and the next probe, end it.
struct spare_context_s
{
    SDL_Window *window = nullptr;
    SDL_GLContext context = nullptr;
};

spare_context_s &spare()
{
    static spare_context_s s;
    return s;
}

void end_spare_context()
{
    spare_context_s &s = spare();
    if (s.context)
        SDL_GL_DeleteContext(s.context);
    if (s.window)
        SDL_DestroyWindow(s.window);
    s = spare_context_s{};
}

// The spare context made current on the given window, or null (the spare is then gone).
SDL_GLContext take_spare_context(SDL_Window *window)
{
    spare_context_s &s = spare();
    SDL_GLContext taken = nullptr;
    if (s.context && window && SDL_GL_MakeCurrent(window, s.context) == 0) {
        taken = s.context;
        s.context = nullptr;
    }
    end_spare_context();
    return taken;
}

// Reads the driver's version and extensions on a hidden window; false when it cannot draw what
// the backend needs (OpenGL 2.1 with BGRA vertex colours). The context stays as the spare when
// it can.
bool probe_driver(gl_driver_s *driver)
{
    end_spare_context();
    SDL_Window *previous_window = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous_context = SDL_GL_GetCurrentContext();
    SDL_Window *window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window)
        return false;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    bool ok = false;
    if (context) {
        const char *version = (const char *)glGetString(GL_VERSION);
        const char *extensions = (const char *)glGetString(GL_EXTENSIONS);
        int major = 0, minor = 0;
        if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2)
            ok = (major > 2 || (major == 2 && minor >= 1)) &&
                 (has_extension(extensions, "GL_ARB_vertex_array_bgra") ||
                  has_extension(extensions, "GL_EXT_vertex_array_bgra"));
        driver->s3tc = has_extension(extensions, "GL_EXT_texture_compression_s3tc");
        driver->provoking_vertex = has_extension(extensions, "GL_EXT_provoking_vertex");
        driver->max_texture_size = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &driver->max_texture_size);
    }
    if (ok) {
        spare() = spare_context_s{window, context};
        SDL_GL_MakeCurrent(previous_window, previous_context);
    } else {
        if (context)
            SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        if (previous_context)
            SDL_GL_MakeCurrent(previous_window, previous_context);
    }
    return ok;
}

class gl_texture_c final : public d3d_backend_resource_c
{
public:
    GLuint name = 0;
    gl_texture_format_s format{};
    std::optional<std::array<GLint, 9>> sampler; // what GL holds for the texture's sampling
};

class gl_buffer_c final : public d3d_backend_resource_c
{
public:
    GLuint name = 0;
    GLenum target = GL_ARRAY_BUFFER;
};

template <class T>
bool differs(std::optional<T> &cached, const T &now)
{
    if (cached && *cached == now)
        return false;
    cached = now;
    return true;
}

typedef std::array<float, 16> gl_matrix_t;

gl_matrix_t gl_matrix(const D3DMATRIX &m)
{
    gl_matrix_t out;
    std::memcpy(out.data(), &m.m[0][0], sizeof out);
    return out;
}

// What GL holds now, so that a draw changes only what differs. Empty = unknown.
struct gl_cache_s
{
    std::unordered_map<GLenum, bool> enabled, client_arrays;
    std::optional<std::array<GLint, 4>> viewport, scissor;
    std::optional<std::array<double, 2>> depth_range;
    std::optional<GLboolean> depth_mask;
    std::optional<std::array<GLboolean, 4>> color_mask;
    std::optional<GLenum> depth_func, cull_face, shade_model, polygon_mode, color_material, color_control;
    std::optional<std::array<GLenum, 2>> blend;
    std::optional<std::array<float, 2>> alpha_func;
    std::optional<std::array<float, 4>> texture_factor, fog_color, clear_color, ambient;
    std::optional<std::array<float, 4>> fog;
    std::optional<float> clear_depth;
    std::optional<gl_combine_s> combine_rgb, combine_alpha;
    std::optional<GLuint> texture, array_buffer, element_buffer;
    std::optional<gl_matrix_t> projection;
    std::optional<std::array<float, 32>> modelview; // view, then world
    std::optional<std::vector<BYTE>> lights, material;
};

class gl_device_c final : public d3d_device_backend_c
{
public:
    explicit gl_device_c(const gl_driver_s &driver) : m_driver(driver) {}
    ~gl_device_c() override;
    HRESULT open(HWND window, const D3DPRESENT_PARAMETERS &parameters);
    bool read_back(std::vector<D3DCOLOR> *pixels, UINT *width, UINT *height);
    void observe(gl_d3d_observer_c *observer) { m_observer = observer; }

    void window_size(HWND window, UINT *width, UINT *height) override;
    void state_changed(const IDirect3DDevice8 &, d3d_state_kind_e, DWORD, DWORD) override {}
    HRESULT begin_scene(const IDirect3DDevice8 &) override;
    HRESULT end_scene(const IDirect3DDevice8 &) override { return D3D_OK; }
    HRESULT clear(const IDirect3DDevice8 &device, DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color,
                  float z, DWORD stencil) override;
    HRESULT draw(const IDirect3DDevice8 &device, const d3d_draw_s &draw) override;
    HRESULT present(const IDirect3DDevice8 &device, HWND window) override;
    HRESULT test_cooperative_level(const IDirect3DDevice8 &) override { return D3D_OK; }
    HRESULT reset(const IDirect3DDevice8 &device, const D3DPRESENT_PARAMETERS &parameters) override;
    HRESULT create_resource(const IDirect3DDevice8 &device, d3d_resource_c &resource) override;
    HRESULT lock_resource(const IDirect3DDevice8 &, d3d_resource_c &, UINT) override { return D3D_OK; }
    HRESULT upload_resource(const IDirect3DDevice8 &device, d3d_resource_c &resource, UINT level) override;
    void destroy_resource(d3d_resource_c &resource) override;

private:
    // The window drawn into: the device's own, or the live SDL window behind the HWND (null once
    // that window is destroyed: the device then draws nowhere, as Direct3D's would).
    SDL_Window *window() const { return m_own_window ? m_window : window_sdl_handle(m_hwnd); }
    bool make_current();
    void init_context();
    void set_back_buffer(const D3DPRESENT_PARAMETERS &parameters);
    void drawable_size(int *width, int *height);
    void enable(GLenum cap, bool on);
    void client_array(GLenum array, bool on);
    void bind_texture(GLuint name);
    void bind_buffer(GLenum target, GLuint name);
    std::array<GLint, 4> window_rect(long x, long y, long width, long height);
    void apply_viewport(const d3d_device_state_s &s);
    void apply_raster(const d3d_device_state_s &s);
    void apply_transforms(const d3d_device_state_s &s, bool pretransformed);
    void apply_lighting(const d3d_device_state_s &s, const gl_vertex_layout_s &layout);
    void apply_fog(const d3d_device_state_s &s, bool pretransformed);
    void apply_texture_stage(const d3d_device_state_s &s);
    void upload_lights(const d3d_device_state_s &s);

    gl_driver_s m_driver;
    HWND m_hwnd = nullptr;
    SDL_Window *m_window = nullptr; // own window only
    bool m_own_window = false;
    SDL_GLContext m_context = nullptr;
    UINT m_back_width = 0, m_back_height = 0;
    GLuint m_white = 0; // bound where no texture is, so that stage 0 reads opaque white
    gl_cache_s m_cache;
    std::vector<float> m_positions; // pre-transformed positions made homogeneous for GL
    gl_d3d_observer_c *m_observer = nullptr;
};

gl_device_c::~gl_device_c()
{
    if (m_context) {
        if (make_current() && m_white)
            glDeleteTextures(1, &m_white);
        SDL_GL_DeleteContext(m_context);
    }
    if (m_own_window && m_window)
        SDL_DestroyWindow(m_window);
}

HRESULT gl_device_c::open(HWND window, const D3DPRESENT_PARAMETERS &p)
{
    SDL_Window *target = nullptr;
    if (window) {
        m_hwnd = window;
        target = window_sdl_handle(window);
        if (!target)
            return D3DERR_INVALIDCALL;
    } else {
        if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0)
            return D3DERR_INVALIDCALL;
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        m_window = SDL_CreateWindow("", 0, 0, (int)p.BackBufferWidth, (int)p.BackBufferHeight,
                                    SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        m_own_window = m_window != nullptr;
        target = m_window;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // A window of its own has another depth buffer than the probe's: it never takes the spare.
    m_context = m_own_window ? nullptr : take_spare_context(target);
    end_spare_context();
    if (!m_context && target)
        m_context = SDL_GL_CreateContext(target);
    if (m_own_window)
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16); // SDL's default again, for windows made elsewhere
    if (!m_context)
        return D3DERR_NOTAVAILABLE;
    SDL_GL_MakeCurrent(target, m_context);
    GLint depth_bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
    if (p.EnableAutoDepthStencil && depth_bits < 16)
        return D3DERR_NOTAVAILABLE;
    if (!p.Windowed)
        SDL_SetWindowFullscreen(target, SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_GL_SetSwapInterval(p.FullScreen_PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    set_back_buffer(p);
    init_context();
    return D3D_OK;
}

void gl_device_c::set_back_buffer(const D3DPRESENT_PARAMETERS &p)
{
    int w, h;
    drawable_size(&w, &h);
    m_back_width = p.BackBufferWidth ? p.BackBufferWidth : (UINT)w;
    m_back_height = p.BackBufferHeight ? p.BackBufferHeight : (UINT)h;
}

void gl_device_c::init_context()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    // Direct3D's front faces are clockwise on screen; flat shading takes the first vertex.
    glFrontFace(GL_CW);
    if (m_driver.provoking_vertex)
        glProvokingVertexEXT(GL_FIRST_VERTEX_CONVENTION_EXT);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glHint(GL_FOG_HINT, GL_NICEST);
    glEnableClientState(GL_VERTEX_ARRAY);

    const GLubyte white[4] = {255, 255, 255, 255};
    glGenTextures(1, &m_white);
    bind_texture(m_white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
}

bool gl_device_c::make_current()
{
    SDL_Window *w = window();
    if (!w)
        return false;
    if (SDL_GL_GetCurrentContext() != m_context || SDL_GL_GetCurrentWindow() != w)
        SDL_GL_MakeCurrent(w, m_context);
    return true;
}

void gl_device_c::drawable_size(int *width, int *height)
{
    *width = *height = 0;
    if (SDL_Window *w = window())
        SDL_GL_GetDrawableSize(w, width, height);
}

void gl_device_c::window_size(HWND, UINT *width, UINT *height)
{
    *width = m_back_width;
    *height = m_back_height;
}

// Switches of GL (capabilities, client arrays) through the cache.
static void toggle(std::unordered_map<GLenum, bool> &cache, GLenum what, bool on, void (*set)(GLenum),
                   void (*clear)(GLenum))
{
    auto it = cache.find(what);
    if (it != cache.end() && it->second == on)
        return;
    cache[what] = on;
    (on ? set : clear)(what);
}

void gl_device_c::enable(GLenum cap, bool on)
{
    toggle(m_cache.enabled, cap, on, glEnable, glDisable);
}

void gl_device_c::client_array(GLenum array, bool on)
{
    toggle(m_cache.client_arrays, array, on, glEnableClientState, glDisableClientState);
}

void gl_device_c::bind_texture(GLuint name)
{
    if (differs(m_cache.texture, name))
        glBindTexture(GL_TEXTURE_2D, name);
}

void gl_device_c::bind_buffer(GLenum target, GLuint name)
{
    if (differs(target == GL_ARRAY_BUFFER ? m_cache.array_buffer : m_cache.element_buffer, name))
        glBindBuffer(target, name);
}

// A back-buffer rectangle (top-left origin) in GL window coordinates, stretched over the
// drawable when the window's size differs from the back buffer's.
std::array<GLint, 4> gl_device_c::window_rect(long x, long y, long width, long height)
{
    int dw, dh;
    drawable_size(&dw, &dh);
    const double sx = (double)dw / m_back_width, sy = (double)dh / m_back_height;
    return {(GLint)(x * sx), (GLint)((long)(m_back_height - y - height) * sy), (GLint)(width * sx),
            (GLint)(height * sy)};
}

HRESULT gl_device_c::begin_scene(const IDirect3DDevice8 &)
{
    make_current();
    return D3D_OK;
}

void gl_device_c::apply_viewport(const d3d_device_state_s &s)
{
    const D3DVIEWPORT8 &v = s.viewport;
    const std::array<GLint, 4> r = window_rect(v.X, v.Y, v.Width, v.Height);
    if (differs(m_cache.viewport, r))
        glViewport(r[0], r[1], r[2], r[3]);
    if (differs(m_cache.depth_range, std::array<double, 2>{v.MinZ, v.MaxZ}))
        glDepthRange(v.MinZ, v.MaxZ);
}

HRESULT gl_device_c::clear(const IDirect3DDevice8 &device, DWORD count, const D3DRECT *rects, DWORD flags,
                           D3DCOLOR color, float z, DWORD)
{
    if (!make_current())
        return D3D_OK;
    const d3d_device_state_s &s = device.state();
    apply_viewport(s);
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        std::array<float, 4> c;
        gl_color_floats(color, c.data());
        if (differs(m_cache.clear_color, c))
            glClearColor(c[0], c[1], c[2], c[3]);
        if (differs(m_cache.color_mask, std::array<GLboolean, 4>{GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE}))
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        if (differs(m_cache.clear_depth, z))
            glClearDepth(z);
        if (differs(m_cache.depth_mask, (GLboolean)GL_TRUE))
            glDepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (!mask)
        return D3D_OK;
    if (m_observer)
        m_observer->on_clear(device, flags, color, z);
    // A clear reaches the viewport only, or the given rectangles within it.
    const D3DVIEWPORT8 &v = s.viewport;
    const D3DRECT whole{(LONG)v.X, (LONG)v.Y, (LONG)(v.X + v.Width), (LONG)(v.Y + v.Height)};
    enable(GL_SCISSOR_TEST, true);
    for (DWORD i = 0; i < (count ? count : 1); ++i) {
        const D3DRECT r = count ? rects[i] : whole;
        const long x1 = std::max<long>(r.x1, whole.x1), y1 = std::max<long>(r.y1, whole.y1);
        const long x2 = std::min<long>(r.x2, whole.x2), y2 = std::min<long>(r.y2, whole.y2);
        if (x1 >= x2 || y1 >= y2)
            continue;
        const std::array<GLint, 4> w = window_rect(x1, y1, x2 - x1, y2 - y1);
        if (differs(m_cache.scissor, w))
            glScissor(w[0], w[1], w[2], w[3]);
        glClear(mask);
    }
    return D3D_OK;
}

void gl_device_c::apply_raster(const d3d_device_state_s &s)
{
    const DWORD *rs = s.render;
    enable(GL_SCISSOR_TEST, false);
    enable(GL_DEPTH_TEST, rs[D3DRS_ZENABLE] != D3DZB_FALSE);
    if (differs(m_cache.depth_mask, (GLboolean)(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE)))
        glDepthMask(*m_cache.depth_mask);
    if (differs(m_cache.depth_func, gl_compare_func(rs[D3DRS_ZFUNC])))
        glDepthFunc(*m_cache.depth_func);
    const DWORD cull = rs[D3DRS_CULLMODE];
    enable(GL_CULL_FACE, cull == D3DCULL_CW || cull == D3DCULL_CCW);
    if (cull == D3DCULL_CW || cull == D3DCULL_CCW) {
        if (differs(m_cache.cull_face, (GLenum)(cull == D3DCULL_CW ? GL_FRONT : GL_BACK)))
            glCullFace(*m_cache.cull_face);
    }
    if (differs(m_cache.polygon_mode, gl_polygon_mode(rs[D3DRS_FILLMODE])))
        glPolygonMode(GL_FRONT_AND_BACK, *m_cache.polygon_mode);
    if (differs(m_cache.shade_model, (GLenum)(rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH)))
        glShadeModel(*m_cache.shade_model);
    enable(GL_BLEND, rs[D3DRS_ALPHABLENDENABLE] != 0);
    if (rs[D3DRS_ALPHABLENDENABLE] &&
        differs(m_cache.blend, std::array<GLenum, 2>{gl_blend_factor(rs[D3DRS_SRCBLEND]),
                                                     gl_blend_factor(rs[D3DRS_DESTBLEND])}))
        glBlendFunc((*m_cache.blend)[0], (*m_cache.blend)[1]);
    enable(GL_ALPHA_TEST, rs[D3DRS_ALPHATESTENABLE] != 0);
    if (rs[D3DRS_ALPHATESTENABLE] &&
        differs(m_cache.alpha_func, std::array<float, 2>{(float)gl_compare_func(rs[D3DRS_ALPHAFUNC]),
                                                         (float)(rs[D3DRS_ALPHAREF] & 0xFF) / 255.0f}))
        glAlphaFunc((GLenum)(*m_cache.alpha_func)[0], (*m_cache.alpha_func)[1]);
    const DWORD w = rs[D3DRS_COLORWRITEENABLE];
    const std::array<GLboolean, 4> mask{(GLboolean)((w & 1) != 0), (GLboolean)((w & 2) != 0),
                                        (GLboolean)((w & 4) != 0), (GLboolean)((w & 8) != 0)};
    if (differs(m_cache.color_mask, mask))
        glColorMask(mask[0], mask[1], mask[2], mask[3]);
}

// Direct3D's clip depth runs from 0 to w, GL's from -w to w: z' = 2z - w after the projection.
// ZBIAS moves depth towards the viewer by a small fixed step per unit, which works for lines
// as well as for polygons.
void gl_device_c::apply_transforms(const d3d_device_state_s &s, bool pretransformed)
{
    const float bias = (float)std::min<DWORD>(s.render[D3DRS_ZBIAS], 16) / 32768.0f;
    gl_matrix_t p;
    if (pretransformed) {
        // Screen pixels of the back buffer to clip space; Direct3D's pixel centres are whole
        // numbers, GL's lie half a pixel further. Direct3D fills a pixel whose centre lies on
        // a top edge, GL (whose rows run upwards) does not: rows move up by a sliver, so such
        // centres fall inside and those on a bottom edge outside, as in Direct3D.
        const D3DVIEWPORT8 &v = s.viewport;
        const float w = (float)v.Width, h = (float)v.Height;
        const float row_sliver = 1.0f / 64.0f;
        p = {2.0f / w, 0, 0, 0, 0, -2.0f / h, 0, 0, 0, 0, 2.0f, 0,
             2.0f * (0.5f - (float)v.X) / w - 1.0f, 1.0f - 2.0f * (0.5f - row_sliver - (float)v.Y) / h,
             -1.0f - 2.0f * bias, 1.0f};
    } else {
        p = gl_matrix(s.projection);
        for (int c = 0; c < 4; ++c)
            p[c * 4 + 2] = 2.0f * p[c * 4 + 2] - (1.0f + 2.0f * bias) * p[c * 4 + 3];
    }
    if (differs(m_cache.projection, p)) {
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(p.data());
    }
    static const D3DMATRIX identity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    const D3DMATRIX &view = pretransformed ? identity : s.view;
    const D3DMATRIX &world = pretransformed ? identity : s.world;
    std::array<float, 32> mv;
    std::memcpy(mv.data(), &view.m[0][0], 64);
    std::memcpy(mv.data() + 16, &world.m[0][0], 64);
    if (differs(m_cache.modelview, mv)) {
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(mv.data());
        glMultMatrixf(mv.data() + 16);
    }
}

// The enabled lights go to GL's eight in index order, given while the modelview matrix holds
// the view only, so that GL keeps them in world space as Direct3D does.
void gl_device_c::upload_lights(const d3d_device_state_s &s)
{
    std::vector<BYTE> key(sizeof(D3DMATRIX));
    std::memcpy(key.data(), &s.view, sizeof(D3DMATRIX));
    std::vector<const D3DLIGHT8 *> lights;
    for (const d3d_light_slot_s &slot : s.lights)
        if (slot.enabled && lights.size() < 8) {
            lights.push_back(&slot.light);
            const BYTE *b = (const BYTE *)&slot.light;
            key.insert(key.end(), b, b + sizeof(D3DLIGHT8));
        }
    if (!differs(m_cache.lights, key))
        return;
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(&s.view.m[0][0]);
    m_cache.modelview.reset();
    for (size_t i = 0; i < 8; ++i) {
        const GLenum id = (GLenum)(GL_LIGHT0 + i);
        enable(id, i < lights.size());
        if (i >= lights.size())
            continue;
        const D3DLIGHT8 &l = *lights[i];
        glLightfv(id, GL_DIFFUSE, &l.Diffuse.r);
        glLightfv(id, GL_SPECULAR, &l.Specular.r);
        glLightfv(id, GL_AMBIENT, &l.Ambient.r);
        if (l.Type == D3DLIGHT_DIRECTIONAL) {
            const float position[4] = {-l.Direction.x, -l.Direction.y, -l.Direction.z, 0.0f};
            glLightfv(id, GL_POSITION, position);
            glLightf(id, GL_CONSTANT_ATTENUATION, 1.0f);
            glLightf(id, GL_LINEAR_ATTENUATION, 0.0f);
            glLightf(id, GL_QUADRATIC_ATTENUATION, 0.0f);
            glLightf(id, GL_SPOT_CUTOFF, 180.0f);
            continue;
        }
        const float position[4] = {l.Position.x, l.Position.y, l.Position.z, 1.0f};
        glLightfv(id, GL_POSITION, position);
        glLightf(id, GL_CONSTANT_ATTENUATION, l.Attenuation0);
        glLightf(id, GL_LINEAR_ATTENUATION, l.Attenuation1);
        glLightf(id, GL_QUADRATIC_ATTENUATION, l.Attenuation2);
        if (l.Type == D3DLIGHT_SPOT) {
            glLightfv(id, GL_SPOT_DIRECTION, &l.Direction.x);
            glLightf(id, GL_SPOT_CUTOFF, std::clamp(l.Phi * 0.5f * 57.29578f, 0.0f, 90.0f));
            glLightf(id, GL_SPOT_EXPONENT, std::clamp(l.Falloff, 0.0f, 128.0f));
        } else
            glLightf(id, GL_SPOT_CUTOFF, 180.0f);
    }
}

void gl_device_c::apply_lighting(const d3d_device_state_s &s, const gl_vertex_layout_s &layout)
{
    const DWORD *rs = s.render;
    const bool lighting = rs[D3DRS_LIGHTING] && !layout.pretransformed;
    enable(GL_LIGHTING, lighting);
    if (!lighting)
        return;
    std::array<float, 4> ambient;
    gl_color_floats(rs[D3DRS_AMBIENT], ambient.data());
    if (differs(m_cache.ambient, ambient))
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient.data());
    enable(GL_NORMALIZE, rs[D3DRS_NORMALIZENORMALS] != 0);
    // Direct3D adds the specular light after texturing; without specular light there is nothing
    // to add, and GL then needs no second colour: every lit draw without it shares the shaders
    // of unlit ones, which a software rasterizer otherwise compiles anew for each combination.
    const GLenum color_control = rs[D3DRS_SPECULARENABLE] ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR;
    if (differs(m_cache.color_control, color_control))
        glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, (GLint)color_control);

    const bool colors = rs[D3DRS_COLORVERTEX] && layout.diffuse >= 0;
    const bool diffuse = colors && rs[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool ambient_color = colors && rs[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
    const GLenum tracked = diffuse && ambient_color ? GL_AMBIENT_AND_DIFFUSE
                           : diffuse                ? GL_DIFFUSE
                           : ambient_color          ? GL_AMBIENT
                                                    : 0;
    const D3DMATERIAL8 &m = s.material;
    std::vector<BYTE> key((const BYTE *)&m, (const BYTE *)&m + sizeof m);
    key.push_back(rs[D3DRS_SPECULARENABLE] != 0);
    key.insert(key.end(), (const BYTE *)&tracked, (const BYTE *)&tracked + sizeof tracked);
    if (differs(m_cache.material, key)) {
        // The tracked colours overwrite the material while colour material is on: set the
        // material with it off, then turn tracking on again.
        enable(GL_COLOR_MATERIAL, false);
        static const float black[4] = {0, 0, 0, 0};
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, &m.Ambient.r);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &m.Diffuse.r);
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &m.Emissive.r);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, rs[D3DRS_SPECULARENABLE] ? &m.Specular.r : black);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(m.Power, 0.0f, 128.0f));
        if (tracked && differs(m_cache.color_material, tracked))
            glColorMaterial(GL_FRONT_AND_BACK, tracked);
    }
    enable(GL_COLOR_MATERIAL, tracked != 0);
    upload_lights(s);
}

void gl_device_c::apply_fog(const d3d_device_state_s &s, bool pretransformed)
{
    const DWORD *rs = s.render;
    const DWORD mode = rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs[D3DRS_FOGTABLEMODE] : rs[D3DRS_FOGVERTEXMODE];
    const bool on = rs[D3DRS_FOGENABLE] && mode != D3DFOG_NONE && !pretransformed;
    enable(GL_FOG, on);
    if (!on)
        return;
    float start, end, density;
    std::memcpy(&start, &rs[D3DRS_FOGSTART], 4);
    std::memcpy(&end, &rs[D3DRS_FOGEND], 4);
    std::memcpy(&density, &rs[D3DRS_FOGDENSITY], 4);
    const GLenum gl_mode = mode == D3DFOG_EXP ? GL_EXP : mode == D3DFOG_EXP2 ? GL_EXP2 : GL_LINEAR;
    if (differs(m_cache.fog, std::array<float, 4>{(float)gl_mode, start, end, density})) {
        glFogi(GL_FOG_MODE, (GLint)gl_mode);
        glFogf(GL_FOG_START, start);
        glFogf(GL_FOG_END, end);
        glFogf(GL_FOG_DENSITY, density);
    }
    std::array<float, 4> color;
    gl_color_floats(rs[D3DRS_FOGCOLOR], color.data());
    if (differs(m_cache.fog_color, color))
        glFogfv(GL_FOG_COLOR, color.data());
}

static void set_combine(const gl_combine_s &c, GLenum mode, GLenum source0, GLenum operand0, GLenum scale)
{
    glTexEnvi(GL_TEXTURE_ENV, mode, c.mode);
    for (int i = 0; i < 3; ++i) {
        glTexEnvi(GL_TEXTURE_ENV, source0 + i, c.source[i]);
        glTexEnvi(GL_TEXTURE_ENV, operand0 + i, c.operand[i]);
    }
    glTexEnvf(GL_TEXTURE_ENV, scale, c.scale);
}

// Stage 0 only: the texture bound there (or white), its sampler states, and the colour and
// alpha operations as GL_COMBINE.
void gl_device_c::apply_texture_stage(const d3d_device_state_s &s)
{
    const DWORD *st = s.stage[0];
    gl_texture_c *texture =
        s.textures[0] ? dynamic_cast<gl_texture_c *>(s.textures[0]->backend_data()) : nullptr;
    bind_texture(texture ? texture->name : m_white);
    if (texture) {
        const std::array<GLint, 9> sampler{
            (GLint)gl_min_filter(st[D3DTSS_MINFILTER], st[D3DTSS_MIPFILTER]),
            (GLint)gl_mag_filter(st[D3DTSS_MAGFILTER]),
            (GLint)gl_wrap_mode(st[D3DTSS_ADDRESSU]),
            (GLint)gl_wrap_mode(st[D3DTSS_ADDRESSV]),
            (GLint)st[D3DTSS_BORDERCOLOR],
        };
        if (differs(texture->sampler, sampler)) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, sampler[0]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, sampler[1]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, sampler[2]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, sampler[3]);
            float border[4];
            gl_color_floats(st[D3DTSS_BORDERCOLOR], border);
            glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
        }
    }
    const bool disabled = st[D3DTSS_COLOROP] == D3DTOP_DISABLE;
    const gl_combine_s rgb = gl_stage_combine(st[D3DTSS_COLOROP], st[D3DTSS_COLORARG1], st[D3DTSS_COLORARG2], false);
    const gl_combine_s alpha = gl_stage_combine(disabled ? D3DTOP_DISABLE : st[D3DTSS_ALPHAOP],
                                                st[D3DTSS_ALPHAARG1], st[D3DTSS_ALPHAARG2], true);
    if (differs(m_cache.combine_rgb, rgb))
        set_combine(rgb, GL_COMBINE_RGB, GL_SOURCE0_RGB, GL_OPERAND0_RGB, GL_RGB_SCALE);
    if (differs(m_cache.combine_alpha, alpha))
        set_combine(alpha, GL_COMBINE_ALPHA, GL_SOURCE0_ALPHA, GL_OPERAND0_ALPHA, GL_ALPHA_SCALE);
    std::array<float, 4> factor;
    gl_color_floats(s.render[D3DRS_TEXTUREFACTOR], factor.data());
    if (differs(m_cache.texture_factor, factor))
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor.data());
}

HRESULT gl_device_c::draw(const IDirect3DDevice8 &device, const d3d_draw_s &d)
{
    if (!window())
        return D3D_OK;
    const d3d_device_state_s &s = device.state();
    const d3d_stream_s &stream = s.streams[0];
    const gl_vertex_layout_s layout = gl_vertex_layout(s.vertex_shader);
    const gl_buffer_c *vb = dynamic_cast<const gl_buffer_c *>(stream.buffer->backend_data());
    if (layout.size == 0 || layout.size > stream.stride || !vb)
        return D3DERR_INVALIDCALL;
    const size_t total = stream.buffer->bytes().size() / stream.stride;
    const GLsizei count = gl_primitive_vertices(d.type, d.primitive_count);
    const size_t first = d.indexed ? s.base_vertex_index : d.start_vertex;
    const size_t end = d.indexed ? total : first + (size_t)count;
    const gl_buffer_c *ib = nullptr;
    GLenum index_type = GL_UNSIGNED_SHORT;
    size_t index_size = 2;
    if (d.indexed) {
        // Indices come from files: one that points past the vertices is refused, not drawn.
        ib = dynamic_cast<const gl_buffer_c *>(s.indices->backend_data());
        if (!ib)
            return D3DERR_INVALIDCALL;
        if (s.indices->format() == D3DFMT_INDEX32) {
            index_type = GL_UNSIGNED_INT;
            index_size = 4;
        }
        const BYTE *bytes = s.indices->bytes().data() + (size_t)d.start_index * index_size;
        for (GLsizei i = 0; i < count; ++i) {
            uint32_t index = 0;
            std::memcpy(&index, bytes + (size_t)i * index_size, index_size);
            if (first + index >= total)
                return D3DERR_INVALIDCALL;
        }
    }
    if (first >= end || end > total)
        return D3DERR_INVALIDCALL;

    if (!make_current())
        return D3D_OK;
    if (m_observer)
        m_observer->on_draw(device, d);
    apply_viewport(s);
    apply_raster(s);
    apply_transforms(s, layout.pretransformed);
    apply_lighting(s, layout);
    apply_fog(s, layout.pretransformed);
    apply_texture_stage(s);

    bind_buffer(GL_ARRAY_BUFFER, vb->name);
    const GLsizei stride = (GLsizei)stream.stride;
    const size_t base = first * stream.stride;
    auto at = [base](int offset) { return (const void *)(base + (size_t)offset); };
    client_array(GL_NORMAL_ARRAY, layout.normal >= 0 && !layout.pretransformed);
    if (layout.normal >= 0 && !layout.pretransformed)
        glNormalPointer(GL_FLOAT, stride, at(layout.normal));
    client_array(GL_COLOR_ARRAY, layout.diffuse >= 0);
    if (layout.diffuse >= 0)
        glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, at(layout.diffuse));
    else
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    client_array(GL_TEXTURE_COORD_ARRAY, layout.texcoord >= 0);
    if (layout.texcoord >= 0)
        glTexCoordPointer(2, GL_FLOAT, stride, at(layout.texcoord));
    else
        glTexCoord2f(0.0f, 0.0f);
    if (layout.pretransformed) {
        // (x, y, z, rhw) becomes (x, y, z, 1) / rhw, so that GL divides back and interpolates
        // texture coordinates with the perspective the rhw carries.
        m_positions.resize((end - first) * 4);
        const BYTE *src = stream.buffer->bytes().data();
        for (size_t i = first; i < end; ++i) {
            float v[4];
            std::memcpy(v, src + i * stream.stride, sizeof v);
            const float w = v[3] != 0.0f ? 1.0f / v[3] : 1.0f;
            float *dst = &m_positions[(i - first) * 4];
            dst[0] = v[0] * w;
            dst[1] = v[1] * w;
            dst[2] = v[2] * w;
            dst[3] = w;
        }
        bind_buffer(GL_ARRAY_BUFFER, 0);
        glVertexPointer(4, GL_FLOAT, 0, m_positions.data());
    } else
        glVertexPointer(3, GL_FLOAT, stride, at(0));

    const GLenum mode = gl_primitive(d.type);
    if (d.indexed) {
        bind_buffer(GL_ELEMENT_ARRAY_BUFFER, ib->name);
        glDrawElements(mode, count, index_type, (const void *)((size_t)d.start_index * index_size));
    } else
        glDrawArrays(mode, 0, count);
    return D3D_OK;
}

HRESULT gl_device_c::present(const IDirect3DDevice8 &device, HWND)
{
    if (make_current()) {
        if (m_observer)
            m_observer->on_present(device);
        SDL_GL_SwapWindow(window());
    }
    return D3D_OK;
}

HRESULT gl_device_c::reset(const IDirect3DDevice8 &, const D3DPRESENT_PARAMETERS &p)
{
    if (!make_current())
        return D3D_OK;
    SDL_SetWindowFullscreen(window(), p.Windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_GL_SetSwapInterval(p.FullScreen_PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    set_back_buffer(p);
    return D3D_OK;
}

HRESULT gl_device_c::create_resource(const IDirect3DDevice8 &, d3d_resource_c &resource)
{
    if (!make_current())
        return D3D_OK;
    if (resource.resource_type() == D3DRTYPE_TEXTURE) {
        IDirect3DTexture8 &t = static_cast<IDirect3DTexture8 &>(resource);
        auto data = std::make_unique<gl_texture_c>();
        if (!gl_texture_format(t.format(), &data->format) || (data->format.compressed && !m_driver.s3tc) ||
            t.level(0).width > (UINT)m_driver.max_texture_size || t.level(0).height > (UINT)m_driver.max_texture_size)
            return D3DERR_INVALIDCALL;
        glGenTextures(1, &data->name);
        bind_texture(data->name);
        // Only the levels the texture has, so that a single-level texture is complete.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, (GLint)t.GetLevelCount() - 1);
        resource.set_backend_data(std::move(data));
        for (UINT level = 0; level < t.GetLevelCount(); ++level)
            upload_resource(*resource.device(), resource, level);
        return D3D_OK;
    }
    auto data = std::make_unique<gl_buffer_c>();
    data->target = resource.resource_type() == D3DRTYPE_INDEXBUFFER ? GL_ELEMENT_ARRAY_BUFFER : GL_ARRAY_BUFFER;
    const std::vector<BYTE> &bytes = static_cast<d3d_buffer_c &>(resource).bytes();
    glGenBuffers(1, &data->name);
    bind_buffer(data->target, data->name);
    glBufferData(data->target, (GLsizeiptr)bytes.size(), bytes.data(), GL_DYNAMIC_DRAW);
    resource.set_backend_data(std::move(data));
    if (m_observer)
        m_observer->on_upload(resource);
    return D3D_OK;
}

HRESULT gl_device_c::upload_resource(const IDirect3DDevice8 &, d3d_resource_c &resource, UINT level)
{
    if (!make_current())
        return D3D_OK;
    if (gl_texture_c *t = dynamic_cast<gl_texture_c *>(resource.backend_data())) {
        const IDirect3DTexture8::level_s &l = static_cast<IDirect3DTexture8 &>(resource).level(level);
        bind_texture(t->name);
        if (t->format.compressed)
            glCompressedTexImage2D(GL_TEXTURE_2D, (GLint)level, t->format.internal_format, (GLsizei)l.width,
                                   (GLsizei)l.height, 0, (GLsizei)l.bits.size(), l.bits.data());
        else
            glTexImage2D(GL_TEXTURE_2D, (GLint)level, (GLint)t->format.internal_format, (GLsizei)l.width,
                         (GLsizei)l.height, 0, t->format.format, t->format.type, l.bits.data());
    } else if (gl_buffer_c *b = dynamic_cast<gl_buffer_c *>(resource.backend_data())) {
        const std::vector<BYTE> &bytes = static_cast<d3d_buffer_c &>(resource).bytes();
        bind_buffer(b->target, b->name);
        glBufferSubData(b->target, 0, (GLsizeiptr)bytes.size(), bytes.data());
    }
    if (m_observer)
        m_observer->on_upload(resource);
    return D3D_OK;
}

// Without a window the context cannot be made current; its objects go with it.
void gl_device_c::destroy_resource(d3d_resource_c &resource)
{
    if (!make_current()) {
        resource.set_backend_data(nullptr);
        return;
    }
    if (gl_texture_c *t = dynamic_cast<gl_texture_c *>(resource.backend_data())) {
        if (m_cache.texture == t->name)
            m_cache.texture.reset();
        glDeleteTextures(1, &t->name);
    } else if (gl_buffer_c *b = dynamic_cast<gl_buffer_c *>(resource.backend_data())) {
        std::optional<GLuint> &bound = b->target == GL_ARRAY_BUFFER ? m_cache.array_buffer : m_cache.element_buffer;
        if (bound == b->name)
            bound.reset();
        glDeleteBuffers(1, &b->name);
    }
    resource.set_backend_data(nullptr);
}

bool gl_device_c::read_back(std::vector<D3DCOLOR> *pixels, UINT *width, UINT *height)
{
    if (!make_current())
        return false;
    int w, h;
    drawable_size(&w, &h);
    std::vector<D3DCOLOR> rows((size_t)w * h);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    pixels->resize(rows.size());
    for (int y = 0; y < h; ++y)
        std::copy_n(&rows[(size_t)(h - 1 - y) * w], w, &(*pixels)[(size_t)y * w]);
    *width = (UINT)w;
    *height = (UINT)h;
    return true;
}

class gl_adapter_c final : public d3d_adapter_backend_c
{
public:
    explicit gl_adapter_c(const gl_driver_s &driver) : m_driver(driver) {}

    HRESULT display_mode(D3DDISPLAYMODE *mode) override
    {
        SDL_DisplayMode m;
        if (SDL_GetDesktopDisplayMode(0, &m) != 0)
            return D3DERR_NOTAVAILABLE;
        const int bits = SDL_BITSPERPIXEL(m.format);
        *mode = D3DDISPLAYMODE{(UINT)m.w, (UINT)m.h, (UINT)m.refresh_rate,
                               bits > 16   ? D3DFMT_X8R8G8B8
                               : bits == 16 ? D3DFMT_R5G6B5
                               : bits == 15 ? D3DFMT_X1R5G5B5
                                            : D3DFMT_UNKNOWN};
        return D3D_OK;
    }

    // Any display format can be shown (full screen draws over the desktop mode); textures in
    // the formats the backend uploads.
    HRESULT check_format(D3DFORMAT adapter_format, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format) override
    {
        if (adapter_format != D3DFMT_X1R5G5B5 && adapter_format != D3DFMT_R5G6B5 && adapter_format != D3DFMT_X8R8G8B8)
            return D3DERR_NOTAVAILABLE;
        gl_texture_format_s f;
        if (type != D3DRTYPE_TEXTURE || (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) ||
            !gl_texture_format(format, &f) || (f.compressed && !m_driver.s3tc))
            return D3DERR_NOTAVAILABLE;
        return D3D_OK;
    }

    HRESULT caps(D3DCAPS8 *caps) override
    {
        *caps = D3DCAPS8{};
        caps->DeviceType = D3DDEVTYPE_HAL;
        caps->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
        caps->MaxTextureWidth = caps->MaxTextureHeight = (DWORD)m_driver.max_texture_size;
        caps->MaxTextureBlendStages = 1;
        caps->MaxSimultaneousTextures = 1;
        caps->MaxActiveLights = 8;
        caps->MaxPrimitiveCount = 0xFFFFF;
        caps->MaxVertexIndex = 0xFFFFFF;
        caps->MaxStreams = 1;
        caps->MaxStreamStride = 256;
        return D3D_OK;
    }

    HRESULT create_device(HWND window, DWORD, const D3DPRESENT_PARAMETERS &parameters,
                          std::unique_ptr<d3d_device_backend_c> *device) override
    {
        auto d = std::make_unique<gl_device_c>(m_driver);
        HRESULT hr = d->open(window, parameters);
        if (FAILED(hr))
            return hr;
        *device = std::move(d);
        return D3D_OK;
    }

private:
    gl_driver_s m_driver;
};

} // namespace

// SDL's video and its GL library, and with them the X connection and the GL driver, stay up
// once the backend has used them: a driver unloaded with its display or its last window leaves
// allocations and thread-local blocks no one can account for, and reconnecting costs. An X
// server that has just lost its last client refuses connections while it resets, so a failed
// start is tried again for a moment.
static bool video_up()
{
    static bool up = false;
    for (int attempt = 0; !up && attempt < 50; ++attempt) {
        up = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        if (!up)
            SDL_Delay(20);
    }
    // SDL unloads the GL library with the last GL window otherwise, taking the driver along.
    static bool loaded = false;
    if (up && !loaded)
        loaded = SDL_GL_LoadLibrary(nullptr) == 0;
    return up && loaded;
}

std::unique_ptr<d3d_adapter_backend_c> gl_d3d_create_adapter()
{
    gl_driver_s driver{};
    if (!video_up() || !probe_driver(&driver))
        return nullptr;
    return std::make_unique<gl_adapter_c>(driver);
}

bool gl_d3d_read_back(IDirect3DDevice8 *device, std::vector<D3DCOLOR> *pixels, UINT *width, UINT *height)
{
    gl_device_c *gl = device ? dynamic_cast<gl_device_c *>(device->backend()) : nullptr;
    return gl && gl->read_back(pixels, width, height);
}

bool gl_d3d_observe(IDirect3DDevice8 *device, gl_d3d_observer_c *observer)
{
    gl_device_c *gl = device ? dynamic_cast<gl_device_c *>(device->backend()) : nullptr;
    if (gl)
        gl->observe(observer);
    return gl != nullptr;
}
