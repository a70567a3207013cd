// The demo sky seen through OpenGL and read back: its faces meet without seams, the fog dome
// covers it when the fog reaches it, and a particle shows in front of it.
#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "platform/d3d/d3d8.h"
#include "platform/gl/gl_d3d.h"
#include "scenes/particles.h"
#include "scenes/sky.h"
#include "services/manager_model.h"
#include "services/manager_texture.h"
#include "tests/services/d3d/gl_window.h"
#include "tools/imagegen/sky_textures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

constexpr UINT W = 160, H = 120;

// On render: the model pass from the view it is given, then the back buffer read back.
class drawer_c : public abstract_c
{
public:
    drawer_c(abstract_c *parent, manager_model_c *models) : abstract_c(parent), m_models(models) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (*message == MSG_VAR(render)) {
            m_models->set_view(vec3_zero, angles, 90.0f);
            m_models->render();
            gl_d3d_read_back(get_d3d_service(this)->device(), &pixels, &width, &height);
        }
        return abstract_c::handle_message(message, sender);
    }
    D3DCOLOR at(UINT x, UINT y) const { return pixels[y * width + x]; }

    manager_model_c *m_models;
    vec3 angles = vec3_zero;
    std::vector<D3DCOLOR> pixels;
    UINT width = 0, height = 0;
};

int channel(D3DCOLOR c, int shift) { return int((c >> shift) & 0xFF); }

// The largest difference of a channel between horizontal or vertical neighbours.
int largest_step(const drawer_c &d)
{
    int step = 0;
    for (UINT y = 0; y + 1 < d.height; ++y)
        for (UINT x = 0; x + 1 < d.width; ++x)
            for (int shift : {0, 8, 16})
                step = std::max({step, std::abs(channel(d.at(x, y), shift) - channel(d.at(x + 1, y), shift)),
                                 std::abs(channel(d.at(x, y), shift) - channel(d.at(x, y + 1), shift))});
    return step;
}

#define EXPECT_COLOUR_NEAR(r, g, b, c, tolerance)                                                   \
    do {                                                                                          \
        EXPECT_NEAR(r, channel(c, 16), tolerance) << "red";                                       \
        EXPECT_NEAR(g, channel(c, 8), tolerance) << "green";                                      \
        EXPECT_NEAR(b, channel(c, 0), tolerance) << "blue";                                       \
    } while (0)

TEST(sky_display, the_demo_sky_is_seamless_fogs_over_and_shows_particles)
{
    // In the built demo data, with its templates.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(ENGINE_BINARY_DIR) / "demo");
    auto scripts = std::make_unique<scripts_c>();
    scripts->execute_script("scripts/templates.isc", nullptr, 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(d3d_select_backend("gl"));

    const gl_window_tree tree = make_gl_window_tree("sky", W, H);
    abstract_c *root = tree.root;
    ASSERT_EQ("", start_gl_window_tree(tree));
    new manager_texture_c(root, nullptr);
    auto *models = new manager_model_c(root, nullptr);
    auto *drawer = new drawer_c(root, models);
    float time = 0.0f;
    auto frame = [&] {
        time += 0.1f;
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(time), MSG_ARG(0.1f), MSG_ARGS_END);
        EXPECT_EQ(W * H, drawer->pixels.size());
    };

    try {
        auto *sky = new sky_instance_c(models, "demo", 100.0f, 100.0f);

        // Looking along +x: straight ahead the middle of the face there ("right"), from the
        // generator's own picture (the four texels around its centre).
        frame();
        frame();
        ASSERT_EQ(W * H, drawer->pixels.size());
        const imagegen::picture right = imagegen::render_sky_face(1, 128);
        int ahead[3] = {0, 0, 0};
        for (int y : {63, 64})
            for (int x : {63, 64})
                for (int c = 0; c < 3; ++c)
                    ahead[c] += int((right.rgb(x, y) >> (16 - 8 * c)) & 0xFF);
        EXPECT_COLOUR_NEAR(ahead[0] / 4, ahead[1] / 4, ahead[2] / 4, drawer->at(W / 2, H / 2), 8);
        // Looking up into a corner of the box, where three faces meet: no step anywhere.
        drawer->angles = vec3{0.6f, 0.785f, 0.0f};
        frame();
        EXPECT_LT(largest_step(*drawer), 24);

        // A fog that reaches the zenith and the horizon covers the sky with its colour.
        *models->attribute("fog_enabled") = value_c(1);
        models->attribute("fog_distances")->set_vec2({0.0f, 50.0f});
        models->attribute("fog_color")->set_vec3({1.0f, 0.0f, 0.0f});
        frame();
        EXPECT_COLOUR_NEAR(255, 0, 0, drawer->at(W / 2, H / 2), 4);
        EXPECT_COLOUR_NEAR(255, 0, 0, drawer->at(3, 3), 4);

        // A green spark ahead, in front of the fogged sky.
        drawer->angles = vec3_zero;
        particle_params_s p{};
        p.count = 1;
        std::snprintf(p.texture, sizeof p.texture, "spark");
        p.color0 = p.color1 = vec3{0.0f, 1.0f, 0.0f};
        p.lifetime = 100.0f;
        p.size = 4.0f;
        auto *spark = new particle_instance_c(models, p);
        spark->message(MSG_VAR(model_set_position), 0, nullptr, MSG_ARG((vec3{5, 0, 0})), MSG_ARG(vec3_zero),
                       MSG_ARGS_END);
        frame();
        frame();
        const D3DCOLOR centre = drawer->at(W / 2, H / 2);
        EXPECT_GT(channel(centre, 8), 200) << "green";
        EXPECT_LT(channel(centre, 16), 60) << "red";
        EXPECT_COLOUR_NEAR(255, 0, 0, drawer->at(3, 3), 4);

        release_res(spark);
        release_res(sky);
    } catch (const exception_c &e) {
        ADD_FAILURE() << e.get_message();
    }

    root->shutdown_tree();
    delete root;
    scripts.reset();
    d3d_select_backend("recording");
    std::filesystem::current_path(previous);
}

} // namespace
