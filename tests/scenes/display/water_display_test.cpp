// The demo pool's surface drawn through OpenGL and read back: seen from above it covers the
// middle of the frame in its own colour; seen from below (where it turns its back) nothing.
#include "scenes/water.h"
#include "tests/services/models/gl_demo_models.h"

#include <gtest/gtest.h>

namespace {

using water_display = gl_demo_models;

TEST_F(water_display, the_pool_seen_from_above_shows_its_colour)
{
    ASSERT_NO_FATAL_FAILURE(start("water", 160, 120));
    // Opaque and one colour from every angle, so that the read-back shows the surface itself.
    water_params_s p{vec3(0, 0, 0), 6, 8, 0.25f, 2.5f, vec3(0.1f, 0.8f, 0.2f), vec3(0.1f, 0.8f, 0.2f), 1, 1,
                     "textures/water", 4};
    struct
    {
        const char *what;
        vec3 eye, angles;
        int covered_min, covered_max;
    } cases[] = {
        {"from above", vec3(0, 0, 9), vec3(-ENGINE_PI / 2, 0, 0), 160 * 120 / 2, 160 * 120},
        {"from below", vec3(0, 0, -9), vec3(ENGINE_PI / 2, 0, 0), 0, 0},
    };
    try {
        auto *pool = new water_resource_c(models, p);
        for (const auto &c : cases) {
            SCOPED_TRACE(c.what);
            drawer->eye = c.eye;
            drawer->angles = c.angles;
            // The renderer is older than the surface and draws first on each tick: the second
            // frame shows what the first tick wrote.
            frame(1.0f);
            frame(1.1f);
            ASSERT_EQ(160u * 120u, drawer->pixels.size());
            int covered = 0;
            for (D3DCOLOR px : drawer->pixels) {
                const int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
                // The surface's green, modulated by the light ripples of its texture.
                if (g > 140 && r < 60 && b < 80)
                    ++covered;
            }
            EXPECT_GE(covered, c.covered_min);
            EXPECT_LE(covered, c.covered_max);
        }
        release_res(pool);
    } catch (const exception_c &e) {
        ADD_FAILURE() << e.get_message();
    }
}

} // namespace
