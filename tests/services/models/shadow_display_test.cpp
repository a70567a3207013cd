// The demo player standing on the demo studio floor, drawn through OpenGL and read back: with
// its shadow cast, the floor around its feet is darker than without.
#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "platform/d3d/d3d8.h"
#include "platform/gl/gl_d3d.h"
#include "services/manager_model.h"
#include "services/manager_texture.h"
#include "services/srvc_d3d.h"
#include "services/srvc_mainwnd.h"
#include "tests/services/d3d/gl_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

// On render: the model pass from above, then the back buffer read back.
class drawer_c : public abstract_c
{
public:
    drawer_c(abstract_c *parent, manager_model_c *models) : abstract_c(parent), m_models(models) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (*message == MSG_VAR(render)) {
            m_models->set_view(vec3{0, 0, 9}, vec3{-ENGINE_PI / 2, 0, 0}, 60.0f);
            m_models->render();
            gl_d3d_read_back(get_d3d_service(this)->device(), &pixels, &width, &height);
        }
        return abstract_c::handle_message(message, sender);
    }
    manager_model_c *m_models;
    std::vector<D3DCOLOR> pixels;
    UINT width = 0, height = 0;
};

abstract_c *load(manager_model_c *mgr, const char *name)
{
    abstract_c *res = nullptr;
    mgr->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG(name), MSG_ARG(0), MSG_ARGS_END);
    return res;
}

TEST(shadow_display, the_player_standing_on_the_floor_casts_a_dark_blob)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(ENGINE_BINARY_DIR) / "demo");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(d3d_select_backend("gl"));
    auto scripts = std::make_unique<scripts_c>();
    scripts->execute_script("scripts/templates.isc", nullptr, 1);

    const gl_window_tree tree = make_gl_window_tree("shadow", 160, 120);
    abstract_c *root = tree.root;
    d3d_service_c *d3d = tree.d3d;
    root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(0x400000), MSG_ARGS_END);
    try {
        root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    } catch (const exception_c &e) {
        FAIL() << e.get_message();
    }
    ASSERT_TRUE(d3d->initialized());
    new manager_texture_c(root, nullptr);
    auto *models = new manager_model_c(root, nullptr);
    auto *drawer = new drawer_c(root, models);

    std::vector<D3DCOLOR> lit, shadowed;
    try {
        abstract_c *floor = load(models, "models/studio");
        abstract_c *player = load(models, "models/player");
        for (abstract_c *m : {floor, player})
            m->message(MSG_VAR(model_set_lighting), 0, nullptr, MSG_ARG(0), MSG_ARGS_END);
        floor->message(MSG_VAR(model_accept_shadows), 0, nullptr, MSG_ARGS_END);
        player->message(MSG_VAR(model_play_gesture), 0, nullptr, MSG_ARG("idle_still"), MSG_ARGS_END);

        // A shadow of size 0 is skipped: the frame without a shadow.
        // The first frame draws before the first animation step (the renderer is older than the
        // models): it only warms up.
        player->message(MSG_VAR(model_cast_shadows), 0, nullptr, MSG_ARG(0.0f), MSG_ARGS_END);
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(0.9f), MSG_ARG(0.1f), MSG_ARGS_END);
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.0f), MSG_ARG(0.1f), MSG_ARGS_END);
        lit = drawer->pixels;
        player->message(MSG_VAR(model_cast_shadows), 0, nullptr, MSG_ARG(1.4f), MSG_ARGS_END);
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.1f), MSG_ARG(0.1f), MSG_ARGS_END);
        shadowed = drawer->pixels;
        release_res(player);
        release_res(floor);
    } catch (const exception_c &e) {
        ADD_FAILURE() << e.get_message();
    }

    ASSERT_EQ(160u * 120u, lit.size());
    ASSERT_EQ(lit.size(), shadowed.size());
    auto brightness = [](D3DCOLOR c) { return int((c >> 16) & 0xFF) + int((c >> 8) & 0xFF) + int(c & 0xFF); };
    int darker = 0, brighter = 0, far_changed = 0;
    for (UINT y = 0; y < 120; ++y) {
        for (UINT x = 0; x < 160; ++x) {
            const int d = brightness(shadowed[y * 160 + x]) - brightness(lit[y * 160 + x]);
            const bool near_centre = std::abs(int(x) - 80) < 30 && std::abs(int(y) - 60) < 30;
            if (d < -60 && near_centre)
                ++darker;
            if (d > 30)
                ++brighter;
            if (std::abs(d) > 6 && !near_centre)
                ++far_changed;
        }
    }
    EXPECT_GE(darker, 60) << "a visible dark blob around the feet";
    EXPECT_EQ(0, brighter);
    EXPECT_EQ(0, far_changed) << "the shadow stays under the figure";

    root->shutdown_tree();
    delete root;
    scripts.reset();
    d3d_select_backend("recording");
    std::filesystem::current_path(previous);
}

} // namespace
