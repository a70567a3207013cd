// The model manager drawing through OpenGL in the built demo data (build directory/demo), for
// the few tests that read pixels back. Set-up: the GL backend, the game's templates, the main
// window, a windowed Direct3D service of width x height, the renderer, the texture and model
// managers, and a drawer whose render draws the model pass from `eye` and `angles` (60 degrees
// of view) and reads the back buffer into `pixels`. Each root tick draws one frame. Tear-down
// puts the recording backend and the working directory back.
#pragma once

#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "platform/d3d/d3d8.h"
#include "platform/gl/gl_d3d.h"
#include "services/manager_model.h"
#include "services/manager_texture.h"
#include "services/srvc_d3d.h"
#include "tests/services/d3d/gl_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

class gl_model_drawer_c : public abstract_c
{
public:
    gl_model_drawer_c(abstract_c *parent, manager_model_c *models) : abstract_c(parent), m_models(models) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (*message == MSG_VAR(render)) {
            m_models->set_view(eye, angles, 60.0f);
            m_models->render();
            gl_d3d_read_back(get_d3d_service(this)->device(), &pixels, &width, &height);
        }
        return abstract_c::handle_message(message, sender);
    }
    manager_model_c *m_models;
    vec3 eye, angles;
    std::vector<D3DCOLOR> pixels;
    UINT width = 0, height = 0;
};

class gl_demo_models : public ::testing::Test
{
protected:
    void start(const char *name, int width, int height)
    {
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(std::filesystem::path(ENGINE_BINARY_DIR) / "demo");
        setenv("SDL_VIDEODRIVER", "x11", 1);
        ASSERT_TRUE(d3d_select_backend("gl"));
        m_scripts = std::make_unique<scripts_c>();
        m_scripts->execute_script("scripts/templates.isc", nullptr, 1);
        const gl_window_tree tree = make_gl_window_tree(name, width, height);
        root = tree.root;
        d3d = tree.d3d;
        root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(0x400000), MSG_ARGS_END);
        try {
            root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
        } catch (const exception_c &e) {
            FAIL() << e.get_message();
        }
        ASSERT_TRUE(d3d->initialized());
        new manager_texture_c(root, nullptr);
        models = new manager_model_c(root, nullptr);
        drawer = new gl_model_drawer_c(root, models);
    }
    void TearDown() override
    {
        if (root) {
            root->shutdown_tree();
            delete root;
        }
        m_scripts.reset();
        d3d_select_backend("recording");
        if (!m_previous.empty())
            std::filesystem::current_path(m_previous);
    }
    // One frame: the root's tick at `time`.
    void frame(float time) { root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(time), MSG_ARG(0.1f), MSG_ARGS_END); }

    abstract_c *root = nullptr;
    d3d_service_c *d3d = nullptr;
    manager_model_c *models = nullptr;
    gl_model_drawer_c *drawer = nullptr;

private:
    std::filesystem::path m_previous;
    std::unique_ptr<scripts_c> m_scripts;
};
