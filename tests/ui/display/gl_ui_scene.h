// The UI drawn by the OpenGL device in a real window, for display tests and benchmarks: a root
// with the main window, the Direct3D service (windowed, of the given size), the renderer and
// the stand-in texture manager holding the generated UI textures. Objects made under `screen`
// draw on every frame(); a probe made last reads the back buffer back after them.
#pragma once

#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "platform/gl/gl_d3d.h"
#include "services/srvc_d3d.h"
#include "services/srvc_mainwnd.h"
#include "tests/ui/texture_stub.h"
#include "tests/services/d3d/gl_window.h"

#include <cstdlib>
#include <string>
#include <vector>

class gl_ui_scene
{
public:
    // Reads the back buffer back on render when asked to.
    class read_back_c : public abstract_c
    {
    public:
        explicit read_back_c(abstract_c *parent) : abstract_c(parent) {}
        int handle_message(const msg_c *message, abstract_c *sender) override
        {
            if (*message == MSG_VAR(render) && wanted)
                gl_d3d_read_back(get_d3d_service(this)->device(), &pixels, &width, &height);
            return abstract_c::handle_message(message, sender);
        }
        bool wanted = false;
        std::vector<D3DCOLOR> pixels;
        UINT width = 0, height = 0;
    };

    // Throws exception_c when the device does not start.
    gl_ui_scene(int width, int height)
    {
        setenv("SDL_VIDEODRIVER", "x11", 1);
        d3d_select_backend("gl");
        const gl_window_tree tree = make_gl_window_tree("ui", width, height);
        root = tree.root;
        d3d = tree.d3d;
        textures = new stub_texture_manager_c(root, d3d);
        textures->add_ui_textures();
        screen = new abstract_c(root);
        probe = new read_back_c(root);
        root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(0x400000), MSG_ARGS_END);
        root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
        d3d->set_fog_color(0.0f, 0.0f, 0.0f);
    }
    ~gl_ui_scene()
    {
        root->shutdown_tree();
        delete root;
        d3d_select_backend("recording");
    }

    // One frame through the renderer; with read_back the back buffer is kept in probe.
    void frame(bool read_back = false)
    {
        probe->wanted = read_back;
        ++m_ticks;
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(float(m_ticks) * 0.01f), MSG_ARG(0.01f), MSG_ARGS_END);
    }
    D3DCOLOR at(UINT x, UINT y) const { return probe->pixels[size_t(y) * probe->width + x] & 0xFFFFFF; }

    abstract_c *root = nullptr;
    d3d_service_c *d3d = nullptr;
    stub_texture_manager_c *textures = nullptr;
    abstract_c *screen = nullptr;
    read_back_c *probe = nullptr;

private:
    int m_ticks = 0;
};
