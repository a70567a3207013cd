// The UI drawn by the OpenGL device in a real window, for display tests and benchmarks: a root
// with the main window, the Direct3D service (windowed, of the given size), the renderer and
// the generated UI textures, either in the stand-in texture manager or, with data_files, as
// files of a private data directory (the current directory meanwhile) read by the real texture
// manager, beside the font manager and the demo's main font "fonts/main" (DejaVu Sans, 18
// pixels). Objects made under `screen` draw on every frame(); a probe made last reads the back
// buffer back after them. One scene per process: the main window's class stays registered.
#pragma once

#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "platform/gl/gl_d3d.h"
#include "services/manager_font.h"
#include "services/manager_texture.h"
#include "services/srvc_d3d.h"
#include "services/srvc_mainwnd.h"
#include "tests/ui/texture_stub.h"
#include "tests/services/d3d/gl_window.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
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
    gl_ui_scene(int width, int height, bool data_files = false)
    {
        if (data_files)
            make_data_directory();
        setenv("SDL_VIDEODRIVER", "x11", 1);
        d3d_select_backend("gl");
        const gl_window_tree tree = make_gl_window_tree("ui", width, height);
        root = tree.root;
        d3d = tree.d3d;
        if (data_files) {
            new manager_texture_c(root, nullptr);
            new manager_font_c(root, nullptr);
        } else {
            textures = new stub_texture_manager_c(root, d3d);
            textures->add_ui_textures();
        }
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
        if (!m_dir.empty()) {
            m_scripts.reset();
            std::filesystem::current_path(m_previous);
            std::error_code ignored;
            std::filesystem::remove_all(m_dir, ignored);
        }
    }

    // One frame through the renderer; with read_back the back buffer is kept in probe.
    void frame(bool read_back = false)
    {
        ++m_ticks;
        frame_at(float(m_ticks) * 0.01f, read_back);
    }
    // The same at a chosen time (seconds since the start). The renderer draws in the tick
    // before the objects made later see it, so a frame shows them as the previous tick left them.
    void frame_at(float now, bool read_back = false)
    {
        probe->wanted = read_back;
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(now), MSG_ARG(0.01f), MSG_ARGS_END);
    }
    D3DCOLOR at(UINT x, UINT y) const { return probe->pixels[size_t(y) * probe->width + x] & 0xFFFFFF; }

    abstract_c *root = nullptr;
    d3d_service_c *d3d = nullptr;
    stub_texture_manager_c *textures = nullptr;
    abstract_c *screen = nullptr;
    read_back_c *probe = nullptr;

private:
    void make_data_directory()
    {
        m_previous = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "ui_scene_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            ENGINE_THROW(exception_c, "Could not make a data directory");
        m_dir = pattern;
        std::filesystem::current_path(m_dir);
        for (const char *sub : {"data/scripts", "data/textures", "data/fonts"})
            std::filesystem::create_directories(m_dir / sub);
        std::filesystem::copy_file(std::filesystem::path(ENGINE_SOURCE_DIR) / "data/scripts/templates.isc",
                                   m_dir / "data/scripts/templates.isc");
        m_scripts = std::make_unique<scripts_c>();
        m_scripts->execute_script("scripts/templates.isc", nullptr, 1);
        for (const imagegen::ui_texture &t : imagegen::make_ui_textures())
            imagegen::write_file((m_dir / "data/textures" / (std::string(t.name) + ".tga")).string(),
                                 imagegen::make_tga(t.pic, t.depth));
        imagegen::font_strip_options options;
        options.font_file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
        options.pixel_size = 18;
        imagegen::write_file((m_dir / "data/fonts/main.bmp").string(),
                             imagegen::make_bmp(imagegen::render_font_strip(options)));
    }

    int m_ticks = 0;
    std::filesystem::path m_dir, m_previous;
    std::unique_ptr<scripts_c> m_scripts;
};
