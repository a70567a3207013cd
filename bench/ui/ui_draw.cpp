// The UI's drawing cost: a screen of 300 images (the four blend modes, sizes 16 to 256 pixels)
// drawn for 300 frames by the UI through the OpenGL device, beside the same quads with the
// same textures and blend states drawn by a minimal OpenGL 2.1 loop, one draw per image.
// Run under an X server (xvfb-run -a -s "-screen 0 1024x768x24"). Target: ratio <= 1.5.
#include "platform/window/window_sdl.h"
#include "tests/ui/display/gl_ui_scene.h"
#include "tools/imagegen/ui_textures.h"
#include "ui/ui_vis_image.h"

#define GL_GLEXT_PROTOTYPES 1
#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
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

// The reference: a context of its own on the device's window (so both present the same way),
// one vertex buffer filled anew every frame.
class gl_loop
{
public:
    gl_loop(SDL_Window *window, const std::vector<quad_s> &quads, const std::vector<imagegen::ui_texture> &textures)
        : m_quads(quads), m_window(window)
    {
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        m_context = SDL_GL_CreateContext(m_window);
        if (!m_context) {
            std::fprintf(stderr, "no GL context: %s\n", SDL_GetError());
            std::exit(1);
        }
        SDL_GL_MakeCurrent(m_window, m_context);
        SDL_GL_SetSwapInterval(1);
        for (const imagegen::ui_texture &t : textures) {
            GLuint name = 0;
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0); // one level, as the device's textures
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            // B, G, R, A in memory, as the device keeps its A8R8G8B8 textures.
            std::vector<uint8_t> bgra(t.pic.rgba);
            for (size_t i = 0; i < bgra.size(); i += 4)
                std::swap(bgra[i], bgra[i + 2]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t.pic.width, t.pic.height, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                         bgra.data());
            m_textures.push_back(name);
            m_alpha.push_back(t.depth == 32);
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
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        m_vertices.clear();
        for (const quad_s &q : m_quads) {
            const GLubyte c[4] = {GLubyte(q.argb >> 16), GLubyte(q.argb >> 8), GLubyte(q.argb), GLubyte(q.argb >> 24)};
            const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            for (const auto &k : corners)
                m_vertices.push_back({q.x + k[0] * q.size, q.y + k[1] * q.size, 0.0f, {c[0], c[1], c[2], c[3]}, k[0],
                                      k[1]});
        }
        glBindBuffer(GL_ARRAY_BUFFER, m_buffer);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_vertices.size() * sizeof(vertex_s)), m_vertices.data(),
                     GL_STREAM_DRAW);
        glVertexPointer(3, GL_FLOAT, sizeof(vertex_s), (const void *)offsetof(vertex_s, x));
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(vertex_s), (const void *)offsetof(vertex_s, c));
        glTexCoordPointer(2, GL_FLOAT, sizeof(vertex_s), (const void *)offsetof(vertex_s, u));
        for (size_t i = 0; i < m_quads.size(); ++i) {
            const quad_s &q = m_quads[i];
            const bool blended = m_alpha[q.texture] || (q.argb >> 24) != 0xFF;
            if (blended) {
                glEnable(GL_BLEND);
                glDepthMask(GL_FALSE);
            } else {
                glDisable(GL_BLEND);
                glDepthMask(GL_TRUE);
            }
            glBindTexture(GL_TEXTURE_2D, m_textures[q.texture]);
            glDrawArrays(GL_TRIANGLE_FAN, GLint(i * 4), 4);
        }
        SDL_GL_SwapWindow(m_window);
    }

private:
    struct vertex_s
    {
        float x, y, z;
        GLubyte c[4];
        float u, v;
    };
    std::vector<quad_s> m_quads;
    std::vector<vertex_s> m_vertices;
    std::vector<GLuint> m_textures;
    GLuint m_buffer = 0;
    std::vector<bool> m_alpha;
    SDL_Window *m_window;
    SDL_GLContext m_context = nullptr;
};

} // namespace

int main(int argc, char **argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    const std::vector<quad_s> quads = make_quads(300);

    try {
        gl_ui_scene scene(SCREEN_W, SCREEN_H);
        const std::vector<imagegen::ui_texture> &textures = scene.textures->m_ui_textures;
        for (const quad_s &q : quads) {
            const std::string name = std::string("textures/") + textures[q.texture].name;
            multistate_image *image = new multistate_image(scene.screen, vec2(q.x, q.y), name.c_str(), 1, 1, rect());
            image->resize(vec2(q.size, q.size));
            image->set_color(q.argb);
        }
        gl_loop reference(window_sdl_handle(scene.d3d->window()), quads, textures);

        // Blocks of ten frames, alternating, so that a busy machine slows both alike; the
        // first pair of blocks warms up and is not counted.
        double ui = 0.0, gl = 0.0;
        const int block = 10;
        for (int done = -block; done < frames; done += block) {
            const double u = seconds_of([&] {
                for (int f = 0; f < block; ++f)
                    scene.frame();
            });
            const double g = seconds_of([&] {
                for (int f = 0; f < block; ++f)
                    reference.frame();
            });
            if (done >= 0) {
                ui += u;
                gl += g;
            }
        }
        const std::string what = "300 images, " + std::to_string(frames) + " frames";
        std::printf("%-44s project %10.3f s      OpenGL loop %10.3f s      ratio %5.2f  (target 1.50)\n",
                    what.c_str(), ui, gl, ui / gl);
    } catch (const exception_c &e) {
        std::fprintf(stderr, "%s\n", e.get_message().c_str());
        return 1;
    }
    return 0;
}
