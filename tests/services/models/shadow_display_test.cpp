// The demo player standing on the demo studio floor, drawn through OpenGL and read back: with
// its shadow cast, the floor around its feet is darker than without.
#include "tests/services/models/gl_demo_models.h"

#include <gtest/gtest.h>

namespace {

abstract_c *load(manager_model_c *mgr, const char *name)
{
    abstract_c *res = nullptr;
    mgr->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG(name), MSG_ARG(0), MSG_ARGS_END);
    return res;
}

using shadow_display = gl_demo_models;

TEST_F(shadow_display, the_player_standing_on_the_floor_casts_a_dark_blob)
{
    ASSERT_NO_FATAL_FAILURE(start("shadow", 160, 120));
    // From above.
    drawer->eye = vec3{0, 0, 9};
    drawer->angles = vec3{-ENGINE_PI / 2, 0, 0};

    std::vector<D3DCOLOR> lit, shadowed;
    try {
        abstract_c *floor = load(models, "models/studio");
        abstract_c *player = load(models, "models/player");
        for (abstract_c *m : {floor, player})
            m->message(MSG_VAR(model_set_lighting), 0, nullptr, MSG_ARG(0), MSG_ARGS_END);
        floor->message(MSG_VAR(model_accept_shadows), 0, nullptr, MSG_ARGS_END);
        player->message(MSG_VAR(model_switch_part), 0, nullptr, MSG_ARG("contestant0"), MSG_ARG(1), MSG_ARGS_END);
        player->message(MSG_VAR(model_play_gesture), 0, nullptr, MSG_ARG("idle_still"), MSG_ARGS_END);

        // A shadow of size 0 is skipped: the frame without a shadow.
        // The first frame draws before the first animation step (the renderer is older than the
        // models): it only warms up.
        player->message(MSG_VAR(model_cast_shadows), 0, nullptr, MSG_ARG(0.0f), MSG_ARGS_END);
        frame(0.9f);
        frame(1.0f);
        lit = drawer->pixels;
        player->message(MSG_VAR(model_cast_shadows), 0, nullptr, MSG_ARG(1.4f), MSG_ARGS_END);
        frame(1.1f);
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
}

} // namespace
