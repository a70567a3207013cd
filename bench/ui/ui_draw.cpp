// The UI's drawing cost: a screen of 300 images (the four blend modes, sizes 16 to 256 pixels)
// and 40 static texts of 30 characters in the main font, drawn for 300 frames by the UI through
// the OpenGL device, beside the same quads with the same textures and blend states drawn by a
// minimal OpenGL 2.1 loop, one draw per image and per text. Run under an X server
// (xvfb-run -a -s "-screen 0 1024x768x24"). Target: ratio <= 1.5.
#include "platform/window/window_sdl.h"
#include "tests/ui/display/gl_ui_scene.h"
#include "tools/imagegen/ui_textures.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image.h"

#define GL_GLEXT_PROTOTYPES 1
#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <malloc.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <functional>
#include <vector>

namespace {

constexpr int SCREEN_W = 1024, SCREEN_H = 768;

struct quad_s
{
    float x, y, size;
    int texture;   // index into make_ui_textures()
    unsigned argb; // vertex colour
};

// The screen: textures and colours cycle through the four blend modes.
std::vector<quad_s> make_quads(int count)
{
    std::vector<quad_s> quads;
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 8) & 0xFFFF;
    };
    for (int i = 0; i < count; ++i) {
        const float size = float(16 + next() % 241);
        quads.push_back({float(next() % unsigned(SCREEN_W - int(size))), float(next() % unsigned(SCREEN_H - int(size))),
                         size, i % 2, (i / 2) % 2 ? 0x80FFFFFFu : 0xFFFFFFFFu});
    }
    return quads;
}

double seconds_of(const std::function<void()> &f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// What the reference draws: textures as B, G, R, A bytes (as the device keeps its A8R8G8B8
// textures), vertices, and one draw per image (a fan of four) or per text (a triangle list).
struct ref_texture_s
{
    int width, height;
    std::vector<uint8_t> bgra;
    bool alpha;
};
struct ref_vertex_s
{
    float x, y, z;
    GLubyte c[4];
    float u, v;
};
struct ref_draw_s
{
    int texture;
    bool blended;
    GLenum mode;
    GLint first;
    GLsizei count;
};
struct ref_scene_s
{
    std::vector<ref_texture_s> textures;
    std::vector<ref_vertex_s> vertices;
    std::vector<ref_draw_s> draws;
};

ref_texture_s ref_texture(const imagegen::ui_texture &t)
{
    ref_texture_s out{t.pic.width, t.pic.height, t.pic.rgba, t.depth == 32};
    for (size_t i = 0; i < out.bgra.size(); i += 4)
        std::swap(out.bgra[i], out.bgra[i + 2]);
    return out;
}

void add_image(ref_scene_s &scene, const quad_s &q)
{
    const GLubyte c[4] = {GLubyte(q.argb >> 16), GLubyte(q.argb >> 8), GLubyte(q.argb), GLubyte(q.argb >> 24)};
    const bool blended = scene.textures[size_t(q.texture)].alpha || (q.argb >> 24) != 0xFF;
    scene.draws.push_back({q.texture, blended, GL_TRIANGLE_FAN, GLint(scene.vertices.size()), 4});
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto &k : corners)
        scene.vertices.push_back({q.x + k[0] * q.size, q.y + k[1] * q.size, 0.0f, {c[0], c[1], c[2], c[3]}, k[0], k[1]});
}

// The glyph quads of a text as the font builds them (pre-transformed vertices).
void add_text(ref_scene_s &scene, int texture, const std::vector<unlit_vertex_s> &quads)
{
    scene.draws.push_back({texture, true, GL_TRIANGLES, GLint(scene.vertices.size()), GLsizei(quads.size())});
    for (const unlit_vertex_s &v : quads)
        scene.vertices.push_back({v.x, v.y, v.z,
                                  {GLubyte(v.diffuse >> 16), GLubyte(v.diffuse >> 8), GLubyte(v.diffuse),
                                   GLubyte(v.diffuse >> 24)},
                                  v.u, v.v});
}

// The reference: a context of its own on the device's window (so both present the same way),
// one vertex buffer filled anew every frame.
class gl_loop
{
public:
    gl_loop(SDL_Window *window, const ref_scene_s &scene) : m_scene(scene), m_window(window)
    {
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        m_context = SDL_GL_CreateContext(m_window);
        if (!m_context) {
            std::fprintf(stderr, "no GL context: %s\n", SDL_GetError());
            std::exit(1);
        }
        SDL_GL_MakeCurrent(m_window, m_context);
        SDL_GL_SetSwapInterval(1);
        for (const ref_texture_s &t : m_scene.textures) {
            GLuint name = 0;
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0); // one level, as the device's textures
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t.width, t.height, 0, GL_BGRA, GL_UNSIGNED_BYTE, t.bgra.data());
            m_textures.push_back(name);
        }
        glViewport(0, 0, SCREEN_W, SCREEN_H);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, SCREEN_W, SCREEN_H, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glGenBuffers(1, &m_buffer);
    }
    ~gl_loop()
    {
        SDL_GL_MakeCurrent(m_window, m_context);
        glDeleteTextures(GLsizei(m_textures.size()), m_textures.data());
        glDeleteBuffers(1, &m_buffer);
        SDL_GL_DeleteContext(m_context);
    }

    void frame()
    {
        SDL_GL_MakeCurrent(m_window, m_context);
        glClearColor(0, 0, 0, 1);
        // The last draw of a frame may have turned depth writes off, and they mask the clear.
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        m_vertices.assign(m_scene.vertices.begin(), m_scene.vertices.end());
        glBindBuffer(GL_ARRAY_BUFFER, m_buffer);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_vertices.size() * sizeof(ref_vertex_s)), m_vertices.data(),
                     GL_STREAM_DRAW);
        glVertexPointer(3, GL_FLOAT, sizeof(ref_vertex_s), (const void *)offsetof(ref_vertex_s, x));
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(ref_vertex_s), (const void *)offsetof(ref_vertex_s, c));
        glTexCoordPointer(2, GL_FLOAT, sizeof(ref_vertex_s), (const void *)offsetof(ref_vertex_s, u));
        for (const ref_draw_s &d : m_scene.draws) {
            if (d.blended) {
                glEnable(GL_BLEND);
                glDepthMask(GL_FALSE);
            } else {
                glDisable(GL_BLEND);
                glDepthMask(GL_TRUE);
            }
            glBindTexture(GL_TEXTURE_2D, m_textures[size_t(d.texture)]);
            glDrawArrays(d.mode, d.first, d.count);
        }
        SDL_GL_SwapWindow(m_window);
    }

private:
    const ref_scene_s &m_scene;
    std::vector<ref_vertex_s> m_vertices;
    std::vector<GLuint> m_textures;
    GLuint m_buffer = 0;
    SDL_Window *m_window;
    SDL_GLContext m_context = nullptr;
};

} // namespace

int main(int argc, char **argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    // Mesa's rasterizer allocates its frame's work afresh each frame. By default glibc gives such
    // memory back to the system when it lies at the top of the heap or is large, and the next
    // frame faults it in again; whether that happens depends on what else the process holds at
    // the time, not on the drawing (it cost the plain loop several times its drawing, the UI
    // nothing).
    // Memory is kept for both sides, so that the figures compare the drawing.
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    const std::vector<quad_s> quads = make_quads(300);
    const int text_count = 40;

    try {
        gl_ui_scene scene(SCREEN_W, SCREEN_H, true);
        const std::vector<imagegen::ui_texture> textures = imagegen::make_ui_textures();
        ref_scene_s ref;
        ref.textures = {ref_texture(textures[0]), ref_texture(textures[1])};
        for (const quad_s &q : quads) {
            const std::string name = std::string("textures/") + textures[size_t(q.texture)].name;
            multistate_image *image = new multistate_image(scene.screen, vec2(q.x, q.y), name.c_str(), 1, 1, rect());
            image->resize(vec2(q.size, q.size));
            image->set_color(q.argb);
            add_image(ref, q);
        }

        // Texts in two columns over the images, each of its own 30 characters.
        auto *font = dynamic_cast<font_resource_c *>(get_font_mgr(scene.screen)->load_res("main", 0));
        if (!font)
            ENGINE_THROW(exception_c, "no main font");
        const IDirect3DTexture8 *font_texture =
            static_cast<IDirect3DTexture8 *>(font->texture()->attribute("handle")->get_ptr());
        const IDirect3DTexture8::level_s &level = font_texture->level(0);
        ref_texture_s glyphs{int(level.width), int(level.height), {}, true};
        for (UINT y = 0; y < level.height; ++y)
            glyphs.bgra.insert(glyphs.bgra.end(), level.bits.begin() + y * level.pitch,
                               level.bits.begin() + y * level.pitch + level.width * 4);
        ref.textures.push_back(glyphs);
        for (int i = 0; i < text_count; ++i) {
            char line[31];
            std::snprintf(line, sizeof line, "Text %02d: the quick brown foxes", i);
            const rect r(float(16 + (i % 2) * 512), float(16 + (i / 2) * 36), float(16 + (i % 2) * 512 + 480),
                         float(16 + (i / 2) * 36 + 30));
            attribute_list_c list;
            add_attribute(nullptr, list, "justify", value_c(1 | 8), 0);
            add_attribute(nullptr, list, "chars_color", value_c(vec3(255, 255, 224)), 0);
            add_attribute(nullptr, list, "font_name", value_c("main", value_c::STRING), 0);
            add_attribute(nullptr, list, "text", value_c(line, value_c::STRING), 0);
            add_attribute(nullptr, list, "screen_rect", value_c(r), 0);
            static_text *text = new static_text(scene.screen, &list);
            const char *lines[1] = {line};
            const text_buffer_s built = font->build_text(r, 1 | 8, text->text_color(), lines, 1);
            std::vector<unlit_vertex_s> vertices(size_t(built.written));
            std::memcpy(vertices.data(), built.buffer->bytes().data(), vertices.size() * sizeof(unlit_vertex_s));
            built.buffer->Release();
            add_text(ref, 2, vertices);
        }
        release_res(font);
        gl_loop reference(window_sdl_handle(scene.d3d->window()), ref);

        // Blocks of ten frames, alternating, so that a busy machine slows both alike; the
        // first pair of blocks warms up and is not counted. Each block ends when its frames are
        // drawn (glFinish in the context it drew with): the rasterizer's threads may still be
        // at a frame after its swap, and that work belongs to the block that queued it.
        double ui = 0.0, gl = 0.0;
        const int block = 10;
        for (int done = -block; done < frames; done += block) {
            const double u = seconds_of([&] {
                for (int f = 0; f < block; ++f)
                    scene.frame();
                glFinish();
            });
            const double g = seconds_of([&] {
                for (int f = 0; f < block; ++f)
                    reference.frame();
                glFinish();
            });
            if (done >= 0) {
                ui += u;
                gl += g;
            }
        }
        const std::string what = "300 images, 40 texts, " + std::to_string(frames) + " frames";
        std::printf("%-44s project %10.3f s      OpenGL loop %10.3f s      ratio %5.2f  (target 1.50)\n",
                    what.c_str(), ui, gl, ui / gl);
    } catch (const exception_c &e) {
        std::fprintf(stderr, "%s\n", e.get_message().c_str());
        return 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
