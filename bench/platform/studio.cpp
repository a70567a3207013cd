// The demo studio through the OpenGL device beside a minimal OpenGL 2.1 loop drawing the same
// triangles with the same textures, and the program's start-up to the studio's first frame.
//
// bench_studio [frames] (default 300) starts the game (this program with the argument "game",
// in a scratch directory holding the demo data and an initial script with one more object, the
// script class "bench_studio", created last) several times: it times each launch up to the
// first frame the renderer presented, and the last launch goes on to measure frames. There the
// object lets the studio run for two seconds, then records everything the device hands to GL
// in one frame (clears, draws with their state and vertex data, textures, and which buffers
// were filled again during the frame) and builds the reference from it: a context of its own
// on the game's window, textures and buffers uploaded once, the buffers that the game fills
// every frame uploaded again every frame, one draw call per mesh, and between draws only the
// GL state that differs from the previous draw's. Both pictures are read back and compared
// once. Then blocks of ten game frames (whole main loop iterations: the engine ticks, animates
// and draws) alternate with blocks of ten reference frames, each timed until its drawing has
// finished. Run under an X server: xvfb-run -a -s "-screen 0 1024x768x24" bench_studio.
//
// bench_studio round [frames] measures a round's frame the same way: the first round's studio
// (locations/studio.isc, as the game loads it for round 1) with the first eight contestant
// figures of the game's list (start.isc), shown by the test object test_3d, and the game screen
// over it showing a question with four answers, as the game shows it. bench_studio menu
// [frames] measures the main menu over its location, the program started as it starts (the
// intro and the splash run first). Both also report the processor time of the whole program a
// frame (every thread: the rasterizer's too). BENCH_STUDIO_PICTURE=<file> writes the measured
// frame as a PPM picture; BENCH_STUDIO_PIXELS=1 prints the pixels each draw of the loop's first
// frame writes (an occlusion query around each) and the share of fully clear texels of every
// texture with alpha: where the rasterizer's work goes.
#define GL_GLEXT_PROTOTYPES 1 // before any GL header
#include "Vizuzuze/program.h"
#include "bench/core/bench_util.h"
#include "kernel/abstract.h"
#include "kernel/entry.h"
#include "kernel/scripts.h"
#include "platform/d3d/d3d_backend.h"
#include "platform/gl/gl_d3d.h"
#include "platform/gl/gl_map.h"
#include "platform/window/window_sdl.h"
#include "services/srvc_d3d.h"
#include "tools/screenshot/demo_studio.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL2/SDL.h>
#include <malloc.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>

namespace {

using namespace bench;

constexpr int BLOCK = 10;            // frames a side draws before the other's turn
constexpr double SETTLE_SECONDS = 2; // the sparks build up, every resource is loaded

// ---- what one frame of the game hands to GL ------------------------------------------------

struct captured_texture_s
{
    D3DFORMAT format;
    std::vector<IDirect3DTexture8::level_s> levels;
};

struct captured_draw_s
{
    d3d_device_state_s state;
    d3d_draw_s draw;
    const void *vertex_source, *index_source, *texture;
    std::vector<BYTE> vertices, indices; // the buffers' bytes at the time of the draw
    D3DFORMAT index_format;
};

class frame_capture_c final : public gl_d3d_observer_c
{
public:
    void on_clear(const IDirect3DDevice8 &, DWORD flags, D3DCOLOR color, float z) override
    {
        clear_flags = flags;
        clear_color = color;
        clear_z = z;
    }
    void on_upload(const d3d_resource_c &resource) override { uploaded.insert(&resource); }
    void on_draw(const IDirect3DDevice8 &device, const d3d_draw_s &d) override
    {
        const d3d_device_state_s &s = device.state();
        captured_draw_s c{s, d, s.streams[0].buffer, d.indexed ? s.indices : nullptr, s.textures[0],
                          s.streams[0].buffer->bytes(), {}, D3DFMT_INDEX16};
        if (d.indexed) {
            c.index_format = s.indices->format();
            c.indices = s.indices->bytes();
        }
        if (s.textures[0] && !textures.count(s.textures[0])) {
            const auto *t = static_cast<const IDirect3DTexture8 *>(s.textures[0]);
            captured_texture_s copy{t->format(), {}};
            for (UINT i = 0; i < t->GetLevelCount(); ++i)
                copy.levels.push_back(t->level(i));
            textures[s.textures[0]] = std::move(copy);
        }
        draws.push_back(std::move(c));
    }
    void on_present(const IDirect3DDevice8 &device) override
    {
        gl_d3d_read_back(const_cast<IDirect3DDevice8 *>(&device), &picture, &width, &height);
    }

    DWORD clear_flags = 0;
    D3DCOLOR clear_color = 0;
    float clear_z = 1;
    std::set<const void *> uploaded;
    std::map<const void *, captured_texture_s> textures;
    std::vector<captured_draw_s> draws;
    std::vector<D3DCOLOR> picture;
    UINT width = 0, height = 0;
};

// ---- the reference: the captured frame in GL terms -----------------------------------------

typedef std::array<float, 16> matrix_t;

// A light as GL takes it, worked out when the frame is built.
struct ref_light_s
{
    float diffuse[4], specular[4], ambient[4], position[4], spot_direction[4];
    float attenuation[3], spot_cutoff, spot_exponent;
};

ref_light_s ref_light(const D3DLIGHT8 &l)
{
    ref_light_s r{};
    std::memcpy(r.diffuse, &l.Diffuse, sizeof r.diffuse);
    std::memcpy(r.specular, &l.Specular, sizeof r.specular);
    std::memcpy(r.ambient, &l.Ambient, sizeof r.ambient);
    r.spot_cutoff = 180.0f;
    if (l.Type == D3DLIGHT_DIRECTIONAL) {
        const float towards[4] = {-l.Direction.x, -l.Direction.y, -l.Direction.z, 0.0f};
        std::memcpy(r.position, towards, sizeof towards);
        r.attenuation[0] = 1.0f;
        return r;
    }
    const float at[4] = {l.Position.x, l.Position.y, l.Position.z, 1.0f};
    std::memcpy(r.position, at, sizeof at);
    r.attenuation[0] = l.Attenuation0;
    r.attenuation[1] = l.Attenuation1;
    r.attenuation[2] = l.Attenuation2;
    if (l.Type == D3DLIGHT_SPOT) {
        const float direction[4] = {l.Direction.x, l.Direction.y, l.Direction.z, 0.0f};
        std::memcpy(r.spot_direction, direction, sizeof direction);
        r.spot_cutoff = std::clamp(l.Phi * 0.5f * 57.29578f, 0.0f, 90.0f);
        r.spot_exponent = std::clamp(l.Falloff, 0.0f, 128.0f);
    }
    return r;
}

// The GL state one draw needs. Which parts a draw needs and which differ from the previous
// draw's is worked out once, when the frame is built; the loop only applies the differences.
struct ref_state_s
{
    std::array<GLint, 4> viewport;
    std::array<double, 2> depth_range;
    bool depth_test;
    GLboolean depth_mask;
    GLenum depth_func;
    GLenum cull; // 0: none
    bool blend;
    std::array<GLenum, 2> blend_func;
    bool alpha_test;
    std::pair<GLenum, float> alpha_func;
    std::array<GLboolean, 4> color_mask;
    GLenum shade, polygon;
    bool lighting, normalize;
    std::array<float, 4> ambient;
    D3DMATERIAL8 material;
    bool specular;
    GLenum tracked; // colour material, 0: none
    std::vector<ref_light_s> lights;
    matrix_t view;
    bool fog;
    std::array<float, 4> fog_params, fog_color;
    int texture; // -1: texturing off
    std::array<GLint, 4> sampler;
    gl_combine_s rgb, alpha;
    GLint env; // GL_MODULATE, GL_REPLACE or GL_COMBINE (then rgb and alpha apply)
    std::array<float, 4> factor;
    matrix_t projection, modelview;
    // vertex arrays
    int vbo;
    GLsizei stride;
    size_t base; // bytes
    GLint position_size;
    int normal, diffuse, texcoord;
    int ibo;
};

enum item_e : uint8_t
{
    VIEWPORT,
    DEPTH_TEST,
    DEPTH_MASK,
    DEPTH_FUNC,
    CULL,
    BLEND,
    BLEND_FUNC,
    ALPHA_TEST,
    ALPHA_FUNC,
    COLOR_MASK,
    SHADE,
    POLYGON,
    LIGHTING,
    NORMALIZE,
    AMBIENT,
    MATERIAL,
    COLOR_MATERIAL,
    LIGHTS,
    FOG,
    FOG_PARAMS,
    TEXTURING,
    TEXTURE,
    SAMPLER,
    ENV,
    FACTOR,
    PROJECTION,
    MODELVIEW,
    ARRAYS,
    ELEMENTS,
    ITEM_COUNT
};

bool equal_lights(const std::vector<ref_light_s> &a, const std::vector<ref_light_s> &b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0);
}

bool needed(item_e item, const ref_state_s &s)
{
    switch (item) {
    case DEPTH_FUNC:
        return s.depth_test;
    case BLEND_FUNC:
        return s.blend;
    case ALPHA_FUNC:
        return s.alpha_test;
    case NORMALIZE:
    case AMBIENT:
    case MATERIAL:
    case COLOR_MATERIAL:
    case LIGHTS:
        return s.lighting;
    case FOG_PARAMS:
        return s.fog;
    case TEXTURE:
    case SAMPLER:
    case ENV:
        return s.texture >= 0;
    case FACTOR:
        return s.texture >= 0 && s.env == GL_COMBINE;
    case ELEMENTS:
        return s.ibo >= 0;
    default:
        return true;
    }
}

bool same(item_e item, const ref_state_s &a, const ref_state_s &b)
{
    switch (item) {
    case VIEWPORT:
        return a.viewport == b.viewport && a.depth_range == b.depth_range;
    case DEPTH_TEST:
        return a.depth_test == b.depth_test;
    case DEPTH_MASK:
        return a.depth_mask == b.depth_mask;
    case DEPTH_FUNC:
        return a.depth_func == b.depth_func;
    case CULL:
        return a.cull == b.cull;
    case BLEND:
        return a.blend == b.blend;
    case BLEND_FUNC:
        return a.blend_func == b.blend_func;
    case ALPHA_TEST:
        return a.alpha_test == b.alpha_test;
    case ALPHA_FUNC:
        return a.alpha_func == b.alpha_func;
    case COLOR_MASK:
        return a.color_mask == b.color_mask;
    case SHADE:
        return a.shade == b.shade;
    case POLYGON:
        return a.polygon == b.polygon;
    case LIGHTING:
        return a.lighting == b.lighting;
    case NORMALIZE:
        return a.normalize == b.normalize;
    case AMBIENT:
        return a.ambient == b.ambient;
    case MATERIAL:
        return std::memcmp(&a.material, &b.material, sizeof a.material) == 0 && a.specular == b.specular &&
               a.tracked == b.tracked;
    case COLOR_MATERIAL:
        return (a.tracked != 0) == (b.tracked != 0);
    case LIGHTS:
        return a.view == b.view && equal_lights(a.lights, b.lights);
    case FOG:
        return a.fog == b.fog;
    case FOG_PARAMS:
        return a.fog_params == b.fog_params && a.fog_color == b.fog_color;
    case TEXTURING:
        return (a.texture >= 0) == (b.texture >= 0);
    case TEXTURE:
        return a.texture == b.texture;
    case SAMPLER:
        return false; // kept per texture: see frame_builder
    case ENV:
        return a.env == b.env && (a.env != GL_COMBINE || (a.rgb == b.rgb && a.alpha == b.alpha));
    case FACTOR:
        return a.factor == b.factor;
    case PROJECTION:
        return a.projection == b.projection;
    case MODELVIEW:
        return a.modelview == b.modelview;
    case ARRAYS:
        return a.vbo == b.vbo && a.stride == b.stride && a.base == b.base && a.position_size == b.position_size &&
               a.normal == b.normal &&
               a.diffuse == b.diffuse && a.texcoord == b.texcoord;
    case ELEMENTS:
        return a.ibo == b.ibo;
    default:
        return true;
    }
}

struct ref_texture_s
{
    GLenum internal_format, format, type;
    bool compressed, dynamic;
    std::vector<IDirect3DTexture8::level_s> levels;
};

struct ref_buffer_s
{
    GLenum target;
    std::vector<BYTE> bytes;
    bool dynamic;
};

struct ref_draw_s
{
    ref_state_s state;
    std::vector<item_e> changes; // what to set before this draw in every frame after the first
    GLenum mode;
    GLsizei count;
    GLint first;           // glDrawArrays
    GLenum index_type;     // glDrawElements
    size_t index_offset;   // bytes
};

struct ref_frame_s
{
    std::array<float, 4> clear_color;
    float clear_depth;
    GLbitfield clear_mask;
    bool restore_masks; // the last draw leaves depth or colour writes off, which would mask the clear
    std::vector<ref_texture_s> textures;
    std::vector<ref_buffer_s> buffers;
    std::vector<ref_draw_s> draws;
    size_t triangles = 0; // for the report
};

matrix_t gl_matrix(const D3DMATRIX &m)
{
    matrix_t out;
    std::memcpy(out.data(), &m.m[0][0], sizeof out);
    return out;
}

// a * b for Direct3D's row-vector matrices.
D3DMATRIX product(const D3DMATRIX &a, const D3DMATRIX &b)
{
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

// Direct3D's projection for GL's depth range (z' = 2z - w), moved by the depth bias; screen
// pixels to clip space for pre-transformed vertices, with Direct3D's pixel centres and fill
// rule, as the device does.
matrix_t projection(const d3d_device_state_s &s, bool pretransformed)
{
    const float bias = float(std::min<DWORD>(s.render[D3DRS_ZBIAS], 16)) / 32768.0f;
    if (pretransformed) {
        const D3DVIEWPORT8 &v = s.viewport;
        const float w = float(v.Width), h = float(v.Height), sliver = 1.0f / 64.0f;
        return {2.0f / w, 0, 0, 0, 0, -2.0f / h, 0, 0, 0, 0, 2.0f, 0, 2.0f * (0.5f - float(v.X)) / w - 1.0f,
                1.0f - 2.0f * (0.5f - sliver - float(v.Y)) / h, -1.0f - 2.0f * bias, 1.0f};
    }
    matrix_t p = gl_matrix(s.projection);
    for (int c = 0; c < 4; ++c)
        p[c * 4 + 2] = 2.0f * p[c * 4 + 2] - (1.0f + 2.0f * bias) * p[c * 4 + 3];
    return p;
}

std::array<float, 4> color_floats(D3DCOLOR c)
{
    std::array<float, 4> out;
    gl_color_floats(c, out.data());
    return out;
}

bool reads_texture(DWORD op, DWORD arg1, DWORD arg2)
{
    if (op == D3DTOP_DISABLE)
        return false;
    const bool one = (arg1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE, two = (arg2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
    return op == D3DTOP_SELECTARG1 ? one : op == D3DTOP_SELECTARG2 ? two : one || two || op == D3DTOP_BLENDTEXTUREALPHA;
}

// Builds the reference's frame from the captured one.
class frame_builder
{
public:
    frame_builder(const frame_capture_c &capture, UINT window_width, UINT window_height)
        : m_capture(capture), m_width(window_width), m_height(window_height)
    {
    }

    ref_frame_s build()
    {
        m_frame.clear_color = color_floats(m_capture.clear_color);
        m_frame.clear_depth = m_capture.clear_z;
        m_frame.clear_mask = (m_capture.clear_flags & D3DCLEAR_TARGET ? GL_COLOR_BUFFER_BIT : 0) |
                             (m_capture.clear_flags & D3DCLEAR_ZBUFFER ? GL_DEPTH_BUFFER_BIT : 0);
        for (const captured_draw_s &c : m_capture.draws)
            add(c);
        work_out_changes();
        return std::move(m_frame);
    }

private:
    int texture(const void *source)
    {
        auto it = m_textures.find(source);
        if (it != m_textures.end())
            return it->second;
        const captured_texture_s &t = m_capture.textures.at(source);
        gl_texture_format_s f;
        if (!gl_texture_format(t.format, &f))
            throw std::runtime_error("a texture format the reference does not know");
        m_frame.textures.push_back({f.internal_format, f.format, f.type, f.compressed,
                                    m_capture.uploaded.count(source) > 0, t.levels});
        return m_textures[source] = int(m_frame.textures.size() - 1);
    }

    // One buffer per source and content: a buffer the game fills several times a frame gives
    // one for each filling.
    int buffer(const void *source, GLenum target, std::vector<BYTE> bytes)
    {
        auto it = m_buffers.find(source);
        if (it != m_buffers.end() && m_frame.buffers[size_t(it->second)].bytes == bytes)
            return it->second;
        m_frame.buffers.push_back({target, std::move(bytes), m_capture.uploaded.count(source) > 0});
        return m_buffers[source] = int(m_frame.buffers.size() - 1);
    }

    void add(const captured_draw_s &c)
    {
        const d3d_device_state_s &s = c.state;
        const DWORD *rs = s.render, *st = s.stage[0];
        const gl_vertex_layout_s layout = gl_vertex_layout(s.vertex_shader);
        ref_draw_s d{};
        ref_state_s &r = d.state;
        const D3DVIEWPORT8 &v = s.viewport;
        r.viewport = {GLint(v.X), GLint(m_height - v.Y - v.Height), GLint(v.Width), GLint(v.Height)};
        r.depth_range = {v.MinZ, v.MaxZ};
        r.depth_test = rs[D3DRS_ZENABLE] != D3DZB_FALSE;
        r.depth_mask = rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE;
        r.depth_func = gl_compare_func(rs[D3DRS_ZFUNC]);
        r.cull = rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : rs[D3DRS_CULLMODE] == D3DCULL_CCW ? GL_BACK : 0;
        r.blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
        r.blend_func = {gl_blend_factor(rs[D3DRS_SRCBLEND]), gl_blend_factor(rs[D3DRS_DESTBLEND])};
        r.alpha_test = rs[D3DRS_ALPHATESTENABLE] != 0;
        r.alpha_func = {gl_compare_func(rs[D3DRS_ALPHAFUNC]), float(rs[D3DRS_ALPHAREF] & 0xFF) / 255.0f};
        const DWORD w = rs[D3DRS_COLORWRITEENABLE];
        r.color_mask = {GLboolean((w & 1) != 0), GLboolean((w & 2) != 0), GLboolean((w & 4) != 0),
                        GLboolean((w & 8) != 0)};
        r.shade = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH;
        r.polygon = gl_polygon_mode(rs[D3DRS_FILLMODE]);
        r.lighting = rs[D3DRS_LIGHTING] && !layout.pretransformed;
        r.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
        r.ambient = color_floats(rs[D3DRS_AMBIENT]);
        r.material = s.material;
        r.specular = rs[D3DRS_SPECULARENABLE] != 0;
        const bool colors = rs[D3DRS_COLORVERTEX] && layout.diffuse >= 0;
        const bool diffuse = colors && rs[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
        const bool ambient = colors && rs[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
        r.tracked = diffuse && ambient ? GL_AMBIENT_AND_DIFFUSE : diffuse ? GL_DIFFUSE : ambient ? GL_AMBIENT : 0;
        for (const d3d_light_slot_s &slot : s.lights)
            if (slot.enabled && r.lights.size() < 8)
                r.lights.push_back(ref_light(slot.light));
        r.view = gl_matrix(s.view);
        const DWORD fog_mode = rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs[D3DRS_FOGTABLEMODE] : rs[D3DRS_FOGVERTEXMODE];
        r.fog = rs[D3DRS_FOGENABLE] && fog_mode != D3DFOG_NONE && !layout.pretransformed;
        float fog_start, fog_end, density;
        std::memcpy(&fog_start, &rs[D3DRS_FOGSTART], 4);
        std::memcpy(&fog_end, &rs[D3DRS_FOGEND], 4);
        std::memcpy(&density, &rs[D3DRS_FOGDENSITY], 4);
        const GLenum gl_fog = fog_mode == D3DFOG_EXP ? GL_EXP : fog_mode == D3DFOG_EXP2 ? GL_EXP2 : GL_LINEAR;
        r.fog_params = {float(gl_fog), fog_start, fog_end, density};
        r.fog_color = color_floats(rs[D3DRS_FOGCOLOR]);

        // Stage 0: plain modulation or replacement where the stage is one, texturing off where
        // it reads no texture.
        const bool disabled = st[D3DTSS_COLOROP] == D3DTOP_DISABLE;
        const DWORD alpha_op = disabled ? D3DTOP_DISABLE : st[D3DTSS_ALPHAOP];
        r.rgb = gl_stage_combine(st[D3DTSS_COLOROP], st[D3DTSS_COLORARG1], st[D3DTSS_COLORARG2], false);
        r.alpha = gl_stage_combine(alpha_op, st[D3DTSS_ALPHAARG1], st[D3DTSS_ALPHAARG2], true);
        const bool textured = reads_texture(st[D3DTSS_COLOROP], st[D3DTSS_COLORARG1], st[D3DTSS_COLORARG2]) ||
                              reads_texture(alpha_op, st[D3DTSS_ALPHAARG1], st[D3DTSS_ALPHAARG2]);
        r.texture = -1;
        if (textured) {
            if (!c.texture)
                throw std::runtime_error("a stage that reads a texture without one");
            r.texture = texture(c.texture);
            const gl_combine_s modulate_rgb = gl_stage_combine(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, false);
            const gl_combine_s modulate_alpha = gl_stage_combine(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, true);
            const gl_combine_s replace_rgb = gl_stage_combine(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, false);
            const gl_combine_s replace_alpha = gl_stage_combine(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, true);
            r.env = r.rgb == modulate_rgb && r.alpha == modulate_alpha   ? GL_MODULATE
                    : r.rgb == replace_rgb && r.alpha == replace_alpha ? GL_REPLACE
                                                                       : GL_COMBINE;
            r.sampler = {GLint(gl_min_filter(st[D3DTSS_MINFILTER], st[D3DTSS_MIPFILTER])),
                         GLint(gl_mag_filter(st[D3DTSS_MAGFILTER])), GLint(gl_wrap_mode(st[D3DTSS_ADDRESSU])),
                         GLint(gl_wrap_mode(st[D3DTSS_ADDRESSV]))};
            r.factor = color_floats(rs[D3DRS_TEXTUREFACTOR]);
        }
        r.projection = projection(s, layout.pretransformed);
        static const D3DMATRIX identity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
        r.modelview = gl_matrix(layout.pretransformed ? identity : product(s.world, s.view));

        // Vertices: the stream as it is, or for pre-transformed ones (x, y, z, 1) / rhw beside the
        // colour and texture coordinates, as GL needs them.
        const size_t stride = s.streams[0].stride;
        std::vector<BYTE> bytes = c.vertices;
        r.stride = GLsizei(stride);
        r.position_size = 3;
        r.normal = layout.pretransformed ? -1 : layout.normal;
        r.diffuse = layout.diffuse;
        r.texcoord = layout.texcoord;
        if (layout.pretransformed) {
            r.position_size = 4;
            for (size_t i = 0; i + stride <= bytes.size(); i += stride) {
                float p[4];
                std::memcpy(p, &bytes[i], sizeof p);
                const float k = p[3] != 0.0f ? 1.0f / p[3] : 1.0f;
                const float q[4] = {p[0] * k, p[1] * k, p[2] * k, k};
                std::memcpy(&bytes[i], q, sizeof q);
            }
        }
        r.vbo = buffer(c.vertex_source, GL_ARRAY_BUFFER, std::move(bytes));
        const GLsizei count = gl_primitive_vertices(c.draw.type, c.draw.primitive_count);
        d.mode = gl_primitive(c.draw.type);
        d.count = count;
        r.ibo = -1;
        d.index_type = c.index_format == D3DFMT_INDEX32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
        if (c.draw.indexed) {
            r.ibo = buffer(c.index_source, GL_ELEMENT_ARRAY_BUFFER, c.indices);
            r.base = s.base_vertex_index * stride;
            d.index_offset = c.draw.start_index * (d.index_type == GL_UNSIGNED_INT ? 4u : 2u);
        } else
            d.first = GLint(c.draw.start_vertex);
        if (d.mode == GL_TRIANGLES)
            m_frame.triangles += size_t(count / 3);
        else if (d.mode == GL_TRIANGLE_STRIP || d.mode == GL_TRIANGLE_FAN)
            m_frame.triangles += size_t(count - 2);
        m_frame.draws.push_back(std::move(d));
    }

    // Two rounds over the frame as the loop runs it: the second gives what each draw must set
    // when the frame before has left GL as its last draw did. For each item, `holder` is the
    // state whose value GL holds (null: unknown). The clear turns depth and colour writes on;
    // buffers and textures filled again at the frame's start leave their bindings changed.
    void work_out_changes()
    {
        std::array<const ref_state_s *, ITEM_COUNT> holder{};
        std::map<int, std::array<GLint, 4>> samplers;
        bool dynamic = false;
        for (const ref_buffer_s &b : m_frame.buffers)
            dynamic = dynamic || b.dynamic;
        for (const ref_texture_s &t : m_frame.textures)
            dynamic = dynamic || t.dynamic;
        ref_state_s cleared{};
        cleared.depth_mask = GL_TRUE;
        cleared.color_mask = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                m_frame.restore_masks = !same(DEPTH_MASK, *holder[DEPTH_MASK], cleared) ||
                                        !same(COLOR_MASK, *holder[COLOR_MASK], cleared);
                holder[DEPTH_MASK] = holder[COLOR_MASK] = &cleared;
                if (dynamic)
                    holder[ARRAYS] = holder[ELEMENTS] = holder[TEXTURE] = nullptr;
            }
            for (ref_draw_s &d : m_frame.draws) {
                d.changes.clear();
                for (int i = 0; i < ITEM_COUNT; ++i) {
                    const item_e item = item_e(i);
                    if (!needed(item, d.state))
                        continue;
                    bool change = !holder[item] || !same(item, *holder[item], d.state);
                    if (item == SAMPLER) {
                        auto it = samplers.find(d.state.texture);
                        change = it == samplers.end() || it->second != d.state.sampler;
                        samplers[d.state.texture] = d.state.sampler;
                    }
                    if (!change)
                        continue;
                    d.changes.push_back(item);
                    holder[item] = &d.state;
                    // Setting the material turns colour material off for a moment; lights are
                    // given under the view alone.
                    if (item == MATERIAL)
                        holder[COLOR_MATERIAL] = nullptr;
                    if (item == LIGHTS)
                        holder[MODELVIEW] = nullptr;
                }
            }
        }
    }

    const frame_capture_c &m_capture;
    UINT m_width, m_height;
    ref_frame_s m_frame;
    std::map<const void *, int> m_textures, m_buffers;
};

// The minimal loop: a context of its own on the game's window, everything uploaded once, the
// buffers and textures the game fills every frame filled again every frame, and per draw the
// state that differs from the previous draw's, the arrays and one draw call.
class gl_loop
{
public:
    gl_loop(SDL_Window *window, ref_frame_s frame) : m_frame(std::move(frame)), m_window(window)
    {
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        m_context = SDL_GL_CreateContext(m_window);
        if (!m_context)
            throw std::runtime_error(std::string("no GL context: ") + SDL_GetError());
        SDL_GL_MakeCurrent(m_window, m_context);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glFrontFace(GL_CW);
        glProvokingVertexEXT(GL_FIRST_VERTEX_CONVENTION_EXT);
        glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
        glHint(GL_FOG_HINT, GL_NICEST);
        glEnableClientState(GL_VERTEX_ARRAY);
        glClearColor(m_frame.clear_color[0], m_frame.clear_color[1], m_frame.clear_color[2], m_frame.clear_color[3]);
        glClearDepth(m_frame.clear_depth);
        for (const ref_texture_s &t : m_frame.textures) {
            GLuint name = 0;
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(t.levels.size()) - 1);
            m_textures.push_back(name);
            upload(t);
        }
        for (const ref_buffer_s &b : m_frame.buffers) {
            GLuint name = 0;
            glGenBuffers(1, &name);
            glBindBuffer(b.target, name);
            glBufferData(b.target, GLsizeiptr(b.bytes.size()), b.bytes.data(),
                         b.dynamic ? GL_STREAM_DRAW : GL_STATIC_DRAW);
            m_buffers.push_back(name);
        }
        // The first frame sets everything each draw needs.
        glClear(m_frame.clear_mask);
        for (const ref_draw_s &d : m_frame.draws) {
            for (int i = 0; i < ITEM_COUNT; ++i)
                if (needed(item_e(i), d.state))
                    apply(item_e(i), d.state);
            draw(d);
        }
        SDL_GL_SwapWindow(m_window);
    }
    ~gl_loop()
    {
        SDL_GL_MakeCurrent(m_window, m_context);
        glDeleteTextures(GLsizei(m_textures.size()), m_textures.data());
        glDeleteBuffers(GLsizei(m_buffers.size()), m_buffers.data());
        SDL_GL_DeleteContext(m_context);
    }

    void frame(std::vector<D3DCOLOR> *picture = nullptr)
    {
        if (SDL_GL_GetCurrentContext() != m_context)
            SDL_GL_MakeCurrent(m_window, m_context);
        for (size_t i = 0; i < m_frame.buffers.size(); ++i) {
            const ref_buffer_s &b = m_frame.buffers[i];
            if (b.dynamic) {
                glBindBuffer(b.target, m_buffers[i]);
                glBufferSubData(b.target, 0, GLsizeiptr(b.bytes.size()), b.bytes.data());
            }
        }
        for (size_t i = 0; i < m_frame.textures.size(); ++i)
            if (m_frame.textures[i].dynamic) {
                glBindTexture(GL_TEXTURE_2D, m_textures[i]);
                upload(m_frame.textures[i]);
            }
        if (m_frame.restore_masks) {
            glDepthMask(GL_TRUE);
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        }
        glClear(m_frame.clear_mask);
        // Where the pixels go: the fragments each draw writes, counted once (BENCH_STUDIO_PIXELS).
        const bool count_pixels = picture && std::getenv("BENCH_STUDIO_PIXELS");
        GLuint query = 0;
        if (count_pixels)
            glGenQueries(1, &query);
        uint64_t all_samples = 0;
        for (const ref_draw_s &d : m_frame.draws) {
            for (item_e item : d.changes)
                apply(item, d.state);
            if (count_pixels)
                glBeginQuery(GL_SAMPLES_PASSED, query);
            draw(d);
            if (count_pixels) {
                glEndQuery(GL_SAMPLES_PASSED);
                GLuint samples = 0;
                glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
                all_samples += samples;
                const ref_state_s &r = d.state;
                const ref_texture_s *t = r.texture >= 0 ? &m_frame.textures[size_t(r.texture)] : nullptr;
                std::printf("draw %3zu: %8u pixels, %5d vertices, %s%s%s%s%s texture %d (%d x %d)\n",
                            size_t(&d - m_frame.draws.data()), samples, int(d.count),
                            r.position_size == 4 ? "screen" : "3D", r.blend ? ", blended" : "",
                            r.blend && r.blend_func[1] == GL_ONE ? " adding" : "", r.depth_test ? ", depth test" : "",
                            r.depth_mask ? ", depth write" : "", r.texture,
                            t && !t->levels.empty() ? int(t->levels[0].width) : 0,
                            t && !t->levels.empty() ? int(t->levels[0].height) : 0);
            }
        }
        if (count_pixels) {
            for (size_t i = 0; i < m_frame.textures.size(); ++i) {
                const ref_texture_s &t = m_frame.textures[i];
                if (t.compressed || t.levels.empty() || t.type != GL_UNSIGNED_INT_8_8_8_8_REV)
                    continue;
                size_t clear = 0, all = t.levels[0].bits.size() / 4;
                for (size_t k = 0; k < all; ++k)
                    clear += t.levels[0].bits[k * 4 + 3] == 0;
                std::printf("texture %zu: %zu of %zu texels clear\n", i, clear, all);
            }
            std::printf("all draws: %llu pixels\n", (unsigned long long)all_samples);
            glDeleteQueries(1, &query);
        }
        if (picture) {
            int w, h;
            SDL_GL_GetDrawableSize(m_window, &w, &h);
            std::vector<D3DCOLOR> rows(size_t(w) * size_t(h));
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
            picture->resize(rows.size());
            for (int y = 0; y < h; ++y)
                std::copy_n(&rows[size_t(h - 1 - y) * size_t(w)], w, &(*picture)[size_t(y) * size_t(w)]);
        }
        SDL_GL_SwapWindow(m_window);
    }

private:
    static void upload(const ref_texture_s &t)
    {
        for (size_t level = 0; level < t.levels.size(); ++level) {
            const IDirect3DTexture8::level_s &l = t.levels[level];
            if (t.compressed)
                glCompressedTexImage2D(GL_TEXTURE_2D, GLint(level), t.internal_format, GLsizei(l.width),
                                       GLsizei(l.height), 0, GLsizei(l.bits.size()), l.bits.data());
            else
                glTexImage2D(GL_TEXTURE_2D, GLint(level), GLint(t.internal_format), GLsizei(l.width), GLsizei(l.height),
                             0, t.format, t.type, l.bits.data());
        }
    }

    static void toggle(GLenum cap, bool on) { on ? glEnable(cap) : glDisable(cap); }

    static void combine(const gl_combine_s &c, GLenum mode, GLenum source0, GLenum operand0, GLenum scale)
    {
        glTexEnvi(GL_TEXTURE_ENV, mode, c.mode);
        for (int i = 0; i < 3; ++i) {
            glTexEnvi(GL_TEXTURE_ENV, source0 + GLenum(i), c.source[i]);
            glTexEnvi(GL_TEXTURE_ENV, operand0 + GLenum(i), c.operand[i]);
        }
        glTexEnvf(GL_TEXTURE_ENV, scale, c.scale);
    }

    void apply(item_e item, const ref_state_s &s)
    {
        switch (item) {
        case VIEWPORT:
            glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
            glDepthRange(s.depth_range[0], s.depth_range[1]);
            break;
        case DEPTH_TEST:
            toggle(GL_DEPTH_TEST, s.depth_test);
            break;
        case DEPTH_MASK:
            glDepthMask(s.depth_mask);
            break;
        case DEPTH_FUNC:
            glDepthFunc(s.depth_func);
            break;
        case CULL:
            toggle(GL_CULL_FACE, s.cull != 0);
            if (s.cull)
                glCullFace(s.cull);
            break;
        case BLEND:
            toggle(GL_BLEND, s.blend);
            break;
        case BLEND_FUNC:
            glBlendFunc(s.blend_func[0], s.blend_func[1]);
            break;
        case ALPHA_TEST:
            toggle(GL_ALPHA_TEST, s.alpha_test);
            break;
        case ALPHA_FUNC:
            glAlphaFunc(s.alpha_func.first, s.alpha_func.second);
            break;
        case COLOR_MASK:
            glColorMask(s.color_mask[0], s.color_mask[1], s.color_mask[2], s.color_mask[3]);
            break;
        case SHADE:
            glShadeModel(s.shade);
            break;
        case POLYGON:
            glPolygonMode(GL_FRONT_AND_BACK, s.polygon);
            break;
        case LIGHTING:
            toggle(GL_LIGHTING, s.lighting);
            break;
        case NORMALIZE:
            toggle(GL_NORMALIZE, s.normalize);
            break;
        case AMBIENT:
            glLightModelfv(GL_LIGHT_MODEL_AMBIENT, s.ambient.data());
            break;
        case MATERIAL: {
            static const float black[4] = {0, 0, 0, 0};
            const D3DMATERIAL8 &m = s.material;
            glDisable(GL_COLOR_MATERIAL);
            glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, &m.Ambient.r);
            glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &m.Diffuse.r);
            glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &m.Emissive.r);
            glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, s.specular ? &m.Specular.r : black);
            glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(m.Power, 0.0f, 128.0f));
            if (s.tracked)
                glColorMaterial(GL_FRONT_AND_BACK, s.tracked);
            break;
        }
        case COLOR_MATERIAL:
            toggle(GL_COLOR_MATERIAL, s.tracked != 0);
            break;
        case LIGHTS:
            glLoadMatrixf(s.view.data());
            for (size_t i = 0; i < 8; ++i) {
                const GLenum id = GLenum(GL_LIGHT0 + i);
                toggle(id, i < s.lights.size());
                if (i >= s.lights.size())
                    continue;
                const ref_light_s &l = s.lights[i];
                glLightfv(id, GL_DIFFUSE, l.diffuse);
                glLightfv(id, GL_SPECULAR, l.specular);
                glLightfv(id, GL_AMBIENT, l.ambient);
                glLightfv(id, GL_POSITION, l.position);
                glLightf(id, GL_CONSTANT_ATTENUATION, l.attenuation[0]);
                glLightf(id, GL_LINEAR_ATTENUATION, l.attenuation[1]);
                glLightf(id, GL_QUADRATIC_ATTENUATION, l.attenuation[2]);
                glLightf(id, GL_SPOT_CUTOFF, l.spot_cutoff);
                if (l.spot_cutoff != 180.0f) {
                    glLightfv(id, GL_SPOT_DIRECTION, l.spot_direction);
                    glLightf(id, GL_SPOT_EXPONENT, l.spot_exponent);
                }
            }
            break;
        case FOG:
            toggle(GL_FOG, s.fog);
            break;
        case FOG_PARAMS:
            glFogi(GL_FOG_MODE, GLint(s.fog_params[0]));
            glFogf(GL_FOG_START, s.fog_params[1]);
            glFogf(GL_FOG_END, s.fog_params[2]);
            glFogf(GL_FOG_DENSITY, s.fog_params[3]);
            glFogfv(GL_FOG_COLOR, s.fog_color.data());
            break;
        case TEXTURING:
            toggle(GL_TEXTURE_2D, s.texture >= 0);
            break;
        case TEXTURE:
            glBindTexture(GL_TEXTURE_2D, m_textures[size_t(s.texture)]);
            break;
        case SAMPLER:
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, s.sampler[0]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, s.sampler[1]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, s.sampler[2]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, s.sampler[3]);
            break;
        case ENV:
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, s.env);
            if (s.env == GL_COMBINE) {
                combine(s.rgb, GL_COMBINE_RGB, GL_SOURCE0_RGB, GL_OPERAND0_RGB, GL_RGB_SCALE);
                combine(s.alpha, GL_COMBINE_ALPHA, GL_SOURCE0_ALPHA, GL_OPERAND0_ALPHA, GL_ALPHA_SCALE);
            }
            break;
        case FACTOR:
            glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, s.factor.data());
            break;
        case PROJECTION:
            glMatrixMode(GL_PROJECTION);
            glLoadMatrixf(s.projection.data());
            glMatrixMode(GL_MODELVIEW);
            break;
        case MODELVIEW:
            glLoadMatrixf(s.modelview.data());
            break;
        case ARRAYS: {
            glBindBuffer(GL_ARRAY_BUFFER, m_buffers[size_t(s.vbo)]);
            auto at = [&s](int offset) { return (const void *)(s.base + size_t(offset)); };
            toggle_array(GL_NORMAL_ARRAY, s.normal >= 0);
            if (s.normal >= 0)
                glNormalPointer(GL_FLOAT, s.stride, at(s.normal));
            toggle_array(GL_COLOR_ARRAY, s.diffuse >= 0);
            if (s.diffuse >= 0)
                glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, s.stride, at(s.diffuse));
            else
                glColor4f(1, 1, 1, 1);
            toggle_array(GL_TEXTURE_COORD_ARRAY, s.texcoord >= 0);
            if (s.texcoord >= 0)
                glTexCoordPointer(2, GL_FLOAT, s.stride, at(s.texcoord));
            glVertexPointer(s.position_size, GL_FLOAT, s.stride, at(0));
            break;
        }
        case ELEMENTS:
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_buffers[size_t(s.ibo)]);
            break;
        default:
            break;
        }
    }

    void toggle_array(GLenum array, bool on)
    {
        bool &state = m_arrays[array];
        if (state != on)
            on ? glEnableClientState(array) : glDisableClientState(array);
        state = on;
    }

    void draw(const ref_draw_s &d)
    {
        if (d.state.ibo >= 0)
            glDrawElements(d.mode, d.count, d.index_type, (const void *)d.index_offset);
        else
            glDrawArrays(d.mode, d.first, d.count);
    }

    ref_frame_s m_frame;
    SDL_Window *m_window;
    SDL_GLContext m_context = nullptr;
    std::vector<GLuint> m_textures, m_buffers;
    std::map<GLenum, bool> m_arrays;
};

// ---- the game side ---------------------------------------------------------------------------

// The processor time of the calling thread: the game's and the loop's own work, without the
// rasterizer's threads.
double thread_seconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double process_seconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The frame as a binary PPM (BENCH_STUDIO_PICTURE names the file): to see what was measured.
void write_ppm(const char *path, const std::vector<D3DCOLOR> &picture, UINT width, UINT height)
{
    std::string out = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (size_t i = 0; i < size_t(width) * height && i < picture.size(); ++i) {
        const D3DCOLOR c = picture[i];
        out += char((c >> 16) & 0xFF);
        out += char((c >> 8) & 0xFF);
        out += char(c & 0xFF);
    }
    write_file(path, out);
}

// The live object below `from` whose attribute "name" is `name`, or null.
abstract_c *named_object(abstract_c *from, const char *name)
{
    for (abstract_c *c = from->first_child(); c; c = c->next_sibling()) {
        if (!c->alive())
            continue;
        const value_c *n = c->find_attribute("name");
        if (n && n->type() == value_c::STRING && std::strcmp(n->get_const_pchar(), name) == 0)
            return c;
        if (abstract_c *found = named_object(c, name))
            return found;
    }
    return nullptr;
}

// Share of pixels whose colours differ by more than a few steps in a channel.
double differing_share(const std::vector<D3DCOLOR> &a, const std::vector<D3DCOLOR> &b)
{
    if (a.size() != b.size() || a.empty())
        return 1.0;
    size_t differ = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(int(a[i] >> shift & 0xFF) - int(b[i] >> shift & 0xFF)) > 4) {
                ++differ;
                break;
            }
    return double(differ) / double(a.size());
}

// Counts the draws of the first frame: the start-up figure holds only if that frame is the
// studio's.
class draw_counter_c final : public gl_d3d_observer_c
{
public:
    void on_draw(const IDirect3DDevice8 &, const d3d_draw_s &) override { ++draws; }
    int draws = 0;
};

// Created last under the root, so it is the last object each tick reaches: the renderer has
// drawn and presented the frame by then. "frames" = 0: it stops at the first frame.
class studio_bench_c final : public abstract_c
{
public:
    studio_bench_c(abstract_c *parent, const attribute_list_c *attributes)
        : abstract_c(parent, attributes), m_frames(attribute("frames")->get_int()),
          m_scene(attribute("scene")->get_const_pchar())
    {
    }
    int handle_message(const msg_c *message, abstract_c *) override
    {
        // The device has started: the services come before this object.
        if (*message == MSG_VAR(app_startup) && m_frames > 0)
            gl_d3d_observe(get_d3d_service(this)->device(), &m_first_frame);
        if (*message == MSG_VAR(tick)) {
            try {
                tick();
            } catch (const std::exception &e) {
                std::printf("failed: %s\n", e.what());
                stop();
            }
        }
        return 0;
    }

private:
    void stop() { root()->attribute("stop_main_loop")->set_int(1); }

    void tick()
    {
        switch (m_phase) {
        case phase_e::first:
            std::printf("first frame %.6f\n", monotonic_seconds());
            std::fflush(stdout);
            m_settled_at = monotonic_seconds() + SETTLE_SECONDS;
            m_phase = m_frames > 0 ? phase_e::settle : phase_e::done;
            if (m_frames <= 0) {
                stop();
                return;
            }
            gl_d3d_observe(get_d3d_service(this)->device(), nullptr);
            std::printf("the first frame: %d draws\n", m_first_frame.draws);
            return;
        case phase_e::settle:
            if (!scene_ready()) {
                m_settled_at = monotonic_seconds() + SETTLE_SECONDS;
                return;
            }
            if (monotonic_seconds() < m_settled_at)
                return;
            m_d3d = get_d3d_service(this);
            if (!gl_d3d_observe(m_d3d->device(), &m_capture))
                throw std::runtime_error("the device does not draw through OpenGL");
            m_phase = phase_e::capture;
            return;
        case phase_e::capture:
            gl_d3d_observe(m_d3d->device(), nullptr);
            start_reference();
            m_phase = phase_e::measure;
            m_block_start = monotonic_seconds();
            m_block_cpu = thread_seconds();
            m_block_all = process_seconds();
            return;
        case phase_e::measure:
            if (++m_in_block < BLOCK)
                return;
            measure_blocks();
            return;
        case phase_e::done:
            return;
        }
    }

    // The round's question screen is put over the studio once the studio has drawn; the menu
    // is ready when the program has come to it.
    bool scene_ready()
    {
        if (m_scene == "menu")
            return named_object(root(), "screen_main") != nullptr;
        if (m_scene != "round")
            return true;
        abstract_c *screen = named_object(root(), "screen_game");
        if (!screen) {
            if (!m_screen_asked)
                root()->message(MSG_VAR(load_screen), 0, this, value_c("screen_game", value_c::STRING),
                                MSG_ARGS_END);
            m_screen_asked = true;
            return false;
        }
        if (!m_question_shown) {
            // "Which river flows through Moscow?" and four answers, '_' between the pieces.
            const char *question = "\xca\xe0\xea\xe0\xff \xf0\xe5\xea\xe0 \xf2\xe5\xf7\xe5\xf2 \xf7\xe5\xf0\xe5\xe7 "
                                   "\xcc\xee\xf1\xea\xe2\xf3?_\xc2\xee\xeb\xe3\xe0_\xcc\xee\xf1\xea\xe2\xe0_"
                                   "\xce\xea\xe0_\xcd\xe5\xe2\xe0";
            screen->message(MSG_VAR(question), 0, this, value_c(question, value_c::STRING), value_c(0), value_c(0),
                            value_c(4), MSG_ARGS_END);
            m_question_shown = true;
        }
        return true;
    }

    void start_reference()
    {
        SDL_Window *window = window_sdl_handle(m_d3d->window());
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window, &w, &h);
        ref_frame_s frame = frame_builder(m_capture, UINT(w), UINT(h)).build();
        size_t dynamic = 0;
        for (const ref_buffer_s &b : frame.buffers)
            dynamic += b.dynamic;
        std::printf("one frame: %zu draws, %zu triangles, %zu textures, %zu buffers (%zu filled every frame)\n",
                    frame.draws.size(), frame.triangles, frame.textures.size(), frame.buffers.size(), dynamic);
        m_reference = std::make_unique<gl_loop>(window, std::move(frame));
        std::vector<D3DCOLOR> picture;
        m_reference->frame(&picture);
        const double differ = differing_share(m_capture.picture, picture);
        std::printf("pictures: %.3f %% of the pixels differ between the game's frame and the loop's\n", 100.0 * differ);
        std::fflush(stdout);
        if (differ > 0.01)
            throw std::runtime_error("the loop draws another picture than the game: no comparison");
        if (const char *path = std::getenv("BENCH_STUDIO_PICTURE"))
            write_ppm(path, m_capture.picture, m_capture.width, m_capture.height);
        m_capture.draws.clear();
    }

    // Ends a block of the game's frames when they are drawn, then draws a block of the loop's.
    void measure_blocks()
    {
        glFinish();
        const double game = monotonic_seconds() - m_block_start, game_cpu = thread_seconds() - m_block_cpu;
        const double game_all = process_seconds() - m_block_all;
        const double t0 = monotonic_seconds(), cpu0 = thread_seconds(), all0 = process_seconds();
        for (int f = 0; f < BLOCK; ++f)
            m_reference->frame();
        glFinish();
        const double loop = monotonic_seconds() - t0, loop_cpu = thread_seconds() - cpu0;
        const double loop_all = process_seconds() - all0;
        if (m_counted >= 0) { // the first pair of blocks warms up
            m_game_seconds += game;
            m_loop_seconds += loop;
            m_game_cpu += game_cpu;
            m_loop_cpu += loop_cpu;
            m_game_all += game_all;
            m_loop_all += loop_all;
        }
        m_counted += BLOCK;
        m_in_block = 0;
        if (m_counted >= m_frames) {
            const std::string what = m_scene == "round" ? "the round-1 studio and its question, ms a frame"
                                     : m_scene == "menu"    ? "the main menu, ms a frame"
                                                            : "the demo studio, ms a frame";
            report(what.c_str(), m_game_seconds * 1e3 / m_counted, m_loop_seconds * 1e3 / m_counted, "ms",
                   "GL 2.1 loop", "<= 1.3");
            report("the same, the main thread's processor time", m_game_cpu * 1e3 / m_counted,
                   m_loop_cpu * 1e3 / m_counted, "ms", "GL 2.1 loop", "none: the game also animates");
            report("the same, every thread's processor time", m_game_all * 1e3 / m_counted,
                   m_loop_all * 1e3 / m_counted, "ms", "GL 2.1 loop", "none: the game also animates");
            m_reference.reset();
            m_phase = phase_e::done;
            stop();
            return;
        }
        m_block_start = monotonic_seconds();
        m_block_cpu = thread_seconds();
        m_block_all = process_seconds();
    }

    enum class phase_e
    {
        first,
        settle,
        capture,
        measure,
        done
    };
    const int m_frames;
    const std::string m_scene;  // "studio", "round" or "menu"
    bool m_screen_asked = false, m_question_shown = false;
    phase_e m_phase = phase_e::first;
    double m_settled_at = 0;
    d3d_service_c *m_d3d = nullptr;
    draw_counter_c m_first_frame;
    frame_capture_c m_capture;
    std::unique_ptr<gl_loop> m_reference;
    double m_block_start = 0, m_game_seconds = 0, m_loop_seconds = 0;
    double m_block_cpu = 0, m_game_cpu = 0, m_loop_cpu = 0;
    double m_block_all = 0, m_game_all = 0, m_loop_all = 0;
    int m_in_block = 0, m_counted = -BLOCK;
};

int run_game()
{
    // Mesa's rasterizer allocates its frame's work afresh each frame; kept rather than handed
    // back to the system and faulted in again, for both sides alike.
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    vizuzuze_prepare();
    register_creator("bench_studio", make_object<studio_bench_c>);
    return engine_main("-datadir data");
}

// ---- the launcher side ----------------------------------------------------------------------

// Starts the game in `dir`; returns the seconds from the start to its first frame and passes
// on what else it prints.
double launch(const std::string &self, const fs::path &dir, bool quiet)
{
    const child_s child = spawn_piped({self, "game"}, dir);
    std::string printed;
    double first = -1;
    bool failed = false;
    char buf[4096];
    for (ssize_t n; (n = read(child.output, buf, sizeof buf)) > 0;) {
        printed.append(buf, size_t(n));
        for (size_t end; (end = printed.find('\n')) != std::string::npos; printed.erase(0, end + 1)) {
            const std::string line = printed.substr(0, end);
            if (line.compare(0, 12, "first frame ") == 0)
                first = std::strtod(line.c_str() + 12, nullptr) - child.started;
            else if (!quiet || line.compare(0, 8, "failed: ") == 0)
                std::printf("%s\n", line.c_str());
            failed = failed || line.compare(0, 8, "failed: ") == 0;
        }
        std::fflush(stdout);
    }
    close(child.output);
    int status = 0;
    waitpid(child.pid, &status, 0);
    if (first < 0 || failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the game drew no frame or failed (exit status " + std::to_string(status) +
                                 "); see console.log in " + dir.string());
    return first;
}

// The first eight contestants' figures as the game's start lists them (movie_loader in
// start.isc), as attributes of test_3d.
std::string round_players(const fs::path &data)
{
    const std::string start = read_text(data / "scripts" / "start.isc");
    std::string out;
    for (int i = 0; i < 8; ++i)
        for (const char *what : {"model", "part"}) {
            const std::string key = "player" + std::to_string(i) + "_" + what + " = \"";
            const size_t at = start.find(key);
            const size_t end = at == std::string::npos ? at : start.find('"', at + key.size());
            if (end == std::string::npos)
                throw std::runtime_error("start.isc names no " + key.substr(0, key.size() - 4));
            out += "    string " + start.substr(at, end + 1 - at) + ";\n";
        }
    return out;
}

// The initial script, starting the scene, with the benchmark's object created last.
void write_init(const fs::path &dir, int frames, const std::string &scene)
{
    std::string init = read_text(fs::path(ENGINE_SOURCE_DIR) / "data" / "scripts" / "init.isc");
    if (scene == "studio" && !demo_studio::start_studio(init))
        throw std::runtime_error("init.isc has no game start to replace by the studio");
    if (scene == "round") {
        const size_t at = init.find(demo_studio::GAME_START);
        if (at == std::string::npos)
            throw std::runtime_error("init.isc has no game start to replace by the round");
        init.replace(at, std::string(demo_studio::GAME_START).size(),
                     "create test_3d {\n    string location_name = \"studio\";\n" + round_players(dir / "data") +
                         "    float fps_time = 0; int process_camera = 0; int dump_camera = 0; float move_vel = 4;\n};");
    }
    const size_t end = init.rfind("};");
    if (end == std::string::npos)
        throw std::runtime_error("no children block in init.isc");
    init.insert(end, "    create bench_studio { int frames = " + std::to_string(frames) + "; string scene = \"" + scene +
                         "\"; };\n");
    // The root's pacing sleep on every tick is no work of the engine's: off, so that the loop
    // runs as fast as it draws.
    const std::string root = "create root : root_defaults {";
    const size_t at = init.find(root);
    if (at == std::string::npos)
        throw std::runtime_error("no root in init.isc");
    init.insert(at + root.size(), "\n    int sleep_interval = -1;");
    write_file(dir / "data" / "scripts" / "init.isc", init);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "game") == 0)
        return run_game();
    int arg = 1;
    const std::string scene = argc > arg && !std::isdigit((unsigned char)argv[arg][0]) ? argv[arg++] : "studio";
    const int frames = argc > arg ? std::atoi(argv[arg]) : 300;
    if (scene != "studio" && scene != "round" && scene != "menu") {
        std::fprintf(stderr, "usage: bench_studio [studio|round|menu] [frames]\n");
        return 2;
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_studio: needs a display (DISPLAY is not set)\n");
        return 1;
    }
    try {
        const fs::path demo = fs::path(ENGINE_BINARY_DIR) / "demo" / "data";
        if (!fs::exists(demo / "models"))
            throw std::runtime_error("no demo data in " + demo.string() + " (build the demo_data target)");
        scratch_dir dir("studio");
        fs::copy(demo, dir.path() / "data", fs::copy_options::recursive);
        const std::string self = fs::canonical("/proc/self/exe").string();
        // Start-up: launches that stop at the first frame, and the one that measures frames.
        std::vector<double> startup;
        write_init(dir.path(), 0, scene);
        for (int i = 0; i < 4; ++i)
            startup.push_back(launch(self, dir.path(), true));
        write_init(dir.path(), std::max(frames, BLOCK), scene);
        startup.push_back(launch(self, dir.path(), false));
        std::printf("%-44s %10.3f ms (median of %zu launches, %.0f to %.0f; target < 1000 ms)\n",
                    ("launch to the " + scene + "'s first drawn frame").c_str(), median(startup) * 1e3, startup.size(),
                    *std::min_element(startup.begin(), startup.end()) * 1e3,
                    *std::max_element(startup.begin(), startup.end()) * 1e3);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_studio: %s\n", e.what());
        return 1;
    }
    return 0;
}
