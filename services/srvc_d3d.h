// The Direct3D service (script class "d3d"): the one engine object that owns the device.
//
// It reads its seven required attributes (screen_mode, textures32, screen_width,
// screen_height, vertex_processing, near_clip_plane, far_clip_plane) on app_startup, asks the
// main window for its handle (mainwnd_get_handles), chooses display and texture formats,
// creates the device and sets its default state. Every start-up failure is a d3d_exception_c;
// what was made is released first. Others find the service with get_d3d_service and call it
// directly:
//   - transforms, light application, frame and picking operations do nothing (or answer the
//     neutral value) before start-up; the light list fills at any time and holds 8 lights a
//     frame ("Too many lights"), emptied by end_scene;
//   - fog and render-state groups act on the device and do nothing without one;
//   - resource operations throw "<operation>: not initialized" before start-up and
//     "Could not ..." when the device call fails (a failed index-buffer lock is a plain
//     exception_c). Resources are managed: they survive a reset.
// After a successful reset the service puts its start-up device state back (depth, culling,
// stage 0 filters and modulation, fog, depth range and its transforms); the vertex format is
// forgotten and set again by the next format call.
#pragma once

#include "basics/matrix.h"
#include "basics/vec3.h"
#include "kernel/abstract.h"
#include "platform/d3d/d3d8.h"

// Converts `count` pixels of a bitmap row (B, G, R or B, G, R, A bytes) to a texture format.
typedef void (*pixel_converter_t)(void *dest, const void *source, int count);

// The two vertex layouts of all geometry.
struct lit_vertex_s
{
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR diffuse;
    float u, v;
};
static_assert(sizeof(lit_vertex_s) == 36, "a lit vertex is 36 bytes");

struct unlit_vertex_s
{
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};
static_assert(sizeof(unlit_vertex_s) == 28, "a pre-transformed vertex is 28 bytes");

// Releases a device object held by a plain pointer, if any, and clears the pointer.
template <class T> void release_d3d_object(T *&object)
{
    if (object)
        object->Release();
    object = nullptr;
}

// ARGB from float channels: 255 at 1.0 and above, 0 at 0 and below, else x * 255 + 0.5 cut.
D3DCOLOR d3d_color(float r, float g, float b, float a);

class d3d_service_c : public abstract_c
{
public:
    enum
    {
        VERTEX_FORMAT_NONE = 0,
        VERTEX_FORMAT_LIT = 1,
        VERTEX_FORMAT_UNLIT = 2,
    };
    static constexpr DWORD LIT_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    static constexpr DWORD UNLIT_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    static constexpr int MAX_LIGHTS = 8;

    struct light_s
    {
        int kind; // 1 point, 0 directional
        float radius;
        vec3 position;
        vec3 direction;
        float color[4];
    };

    d3d_service_c(abstract_c *parent, const attribute_list_c *attributes);
    ~d3d_service_c() noexcept(false) override;
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    // Transforms.
    void set_camera(const placement &camera, float fov_degrees);
    void set_world_transform(const placement &p);
    void set_world_matrix(const matrix_c &m);

    // The frame's lights.
    void set_ambient_color(float r, float g, float b);
    void add_point_light(float radius, const vec3 &position, float r, float g, float b);
    void add_directional_light(const vec3 &direction, float r, float g, float b);
    void apply_lights();

    // Fog; its colour is also the clear colour.
    void set_fog_enable(int on);
    void set_fog_range(float start, float end);
    void set_fog_color(float r, float g, float b);

    // Frame and lost device.
    void clear(int clear_target, float z);
    void begin_scene();
    void end_scene();
    void present();
    int is_device_lost();
    int can_reset_device();
    void reset_device();

    // Picking: (0,0,0) before start-up.
    vec3 get_view_axis(char axis);
    vec3 screen_to_world_ray(int x, int y);

    // Formats and resources.
    D3DFORMAT get_texture_format(int alpha) const { return alpha ? m_texture_format_alpha : m_texture_format; }
    int is_texture_format_supported(D3DFORMAT f);
    static pixel_converter_t find_pixel_converter(D3DFORMAT f);
    IDirect3DTexture8 *create_texture(int width, int height, D3DFORMAT format, int levels);
    D3DLOCKED_RECT lock_texture(IDirect3DTexture8 *pTex, int level);
    void unlock_texture(IDirect3DTexture8 *pTex, int level);
    IDirect3DVertexBuffer8 *create_vbuffer(int vertex_size, int count, DWORD fvf);
    void *lock_vbuffer(int vertex_size, IDirect3DVertexBuffer8 *buffer, int first, int count);
    void unlock_vbuffer(IDirect3DVertexBuffer8 *buffer);
    IDirect3DIndexBuffer8 *create_ibuffer(int triangles);
    WORD *lock_ibuffer(IDirect3DIndexBuffer8 *buffer, int first, int triangles);
    void unlock_ibuffer(IDirect3DIndexBuffer8 *buffer);

    // Vertex formats and render-state groups (called while drawing).
    void set_lit_vertex_format();
    void set_unlit_vertex_format();
    void set_cull_mode(int on);
    void set_shade_mode(int smooth);
    void set_lighting(int on);
    void set_wireframe(int on);
    void set_texture_modulate();
    void set_opaque_mode();
    void set_blend_mode(int additive, int alpha_source, int alpha);
    void set_depth_range(float min_z, float max_z);

    // What the service holds, for its clients.
    int initialized() const { return m_initialized; }
    IDirect3DDevice8 *device() const { return m_pDevice; }
    HWND window() const { return m_hWnd; }
    int screen_width() const { return m_screen_width; }
    int screen_height() const { return m_screen_height; }
    int full_screen() const { return m_full_screen; }
    const D3DCAPS8 &caps() const { return m_caps; }
    const D3DVIEWPORT8 &viewport() const { return m_viewport; }
    const placement &camera() const { return m_camera; }
    const float *fog_color() const { return m_fog_color; }
    const matrix_c &world_matrix() const { return m_world; }
    const matrix_c &view_matrix() const { return m_view; }
    const matrix_c &projection_matrix() const { return m_projection; }
    int light_count() const { return m_light_count; }
    const light_s &light(int i) const { return m_lights[i]; }
    const float *ambient_color() const { return m_ambient; }
    int vertex_format() const { return m_vertex_format; }
    D3DFORMAT display_format_16() const { return m_format16; }
    D3DFORMAT display_format_32() const { return m_format32; }
    D3DFORMAT desktop_format() const { return m_desktop_format; }
    D3DFORMAT back_buffer_format() const { return m_back_buffer_format; }

private:
    void startup();
    void choose_formats();
    D3DFORMAT find_texture_format(D3DFORMAT display, int want32, int want_alpha);
    void set_default_state();
    void apply_device_defaults();
    void release();
    void client_size(int *width, int *height);

    int m_initialized;
    int m_screen_mode;
    int m_full_screen;
    int m_textures32;
    int m_screen_width;
    int m_screen_height;
    HWND m_hWnd;
    IDirect3D8 *m_pD3D;
    IDirect3DDevice8 *m_pDevice;
    D3DPRESENT_PARAMETERS m_present;
    D3DVIEWPORT8 m_viewport;
    D3DFORMAT m_format16;
    D3DFORMAT m_format32;
    D3DFORMAT m_desktop_format;
    D3DFORMAT m_back_buffer_format;
    D3DFORMAT m_texture_format;
    D3DFORMAT m_texture_format_alpha;
    D3DCAPS8 m_caps;
    int m_vertex_format;
    float m_near_clip;
    float m_far_clip;
    matrix_c m_world;
    matrix_c m_view;
    matrix_c m_projection;
    placement m_camera;
    float m_fog_color[4];
    int m_light_count;
    light_s m_lights[MAX_LIGHTS];
    float m_ambient[4];
};

// A new buffer of `count` pre-transformed vertices filled with `vertices`; when filling fails
// the buffer is released and the error passes on.
IDirect3DVertexBuffer8 *make_unlit_vbuffer(d3d_service_c *d3d, const unlit_vertex_s *vertices, int count);

// Finds the service through the root (message get_d3d). Asserts when there is no root, when
// nothing answers and when the answer is null.
d3d_service_c *get_d3d_service(abstract_c *for_who);

// The renderer (script class "renderer"): on every tick it draws one frame, recovering from a
// lost device: skipped while the device is lost and not resettable; reset (logging the
// failure) when it is; then begin, clear, the render broadcast from the root, end and present.
class renderer_c : public abstract_c
{
public:
    renderer_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void frame();
    d3d_service_c *m_d3d;
};
