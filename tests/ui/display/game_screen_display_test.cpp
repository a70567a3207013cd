// The game screen of the project's script drawn by the OpenGL device at 1024 x 768: the
// question panel with its answers, the right and wrong flashes and the round clock.
#include "gl_ui_scene.h"

#include "ui/creators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace {

struct channels
{
    int r, g, b;
};

channels rgb(D3DCOLOR c) { return {int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF)}; }

// The brightest grey (the least of the three channels) in a rectangle: white text shows there.
int brightest_white(const gl_ui_scene &scene, int left, int top, int right, int bottom)
{
    int most = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const channels c = rgb(scene.at(UINT(x), UINT(y)));
            most = std::max(most, std::min({c.r, c.g, c.b}));
        }
    return most;
}

TEST(ui_display, the_game_screen_shows_the_question_its_answers_the_flashes_and_the_clock)
{
    gl_ui_scene scene(1024, 768, true);
    for (const char *script : {"screen_game.isc", "window_exit.isc"})
        std::filesystem::copy_file(std::filesystem::path(ENGINE_SOURCE_DIR) / "data/scripts" / script,
                                   std::string("data/scripts/") + script);
    // The demo's other two fonts.
    for (const auto &[font, file, size] : {std::tuple{"small", "DejaVuSans.ttf", 13}, {"big", "DejaVuSans-Bold.ttf", 28}}) {
        imagegen::font_strip_options options;
        options.font_file = std::string("/usr/share/fonts/truetype/dejavu/") + file;
        options.pixel_size = size;
        imagegen::write_file(std::string("data/fonts/") + font + ".bmp",
                             imagegen::make_bmp(imagegen::render_font_strip(options)));
    }
    ui_register_creators();
    scripts_c::instance()->execute_script("scripts/screen_game.isc", scene.screen, 0);
    auto send = [&](const char *name, const value_c &a = value_c(), const value_c &b = value_c(),
                    const value_c &c = value_c(), const value_c &d = value_c()) {
        scene.root->message(msg_c(name), 0, nullptr, a, b, c, d, MSG_ARGS_END);
    };
    auto show = [&]() {
        scene.frame();
        scene.frame(true);
        ASSERT_EQ(scene.probe->width, 1024u);
    };

    show();
    EXPECT_EQ(scene.at(512, 700), 0u) << "no question panel before the first question";
    EXPECT_GT(brightest_white(scene, 880, 8, 1016, 60), 160) << "the clock";

    // A question answered with the item, right or wrong, as the game plays it.
    auto answered = [&](int item, int right) {
        send("remove_question_n_answers");
        send("question", value_c("Q_A_B_C_D", value_c::STRING), value_c(0.2f), value_c(0), value_c(4));
        send("react_on_answer", value_c(item), value_c(right), value_c(0));
        show();
    };
    answered(1, 1);
    const channels right = rgb(scene.at(512, 526));
    EXPECT_GT(right.g, 160) << "the right flash along the panel's top";
    EXPECT_LT(right.r, right.g / 2);
    const channels field = rgb(scene.at(600, 706));
    EXPECT_GT(field.b, field.r) << "the answers' field";
    EXPECT_GT(field.b, 40);
    EXPECT_GT(brightest_white(scene, 32, 624, 502, 656), 160) << "answer A";
    EXPECT_GT(brightest_white(scene, 32, 668, 502, 700), 160) << "answer C";
    EXPECT_LT(brightest_white(scene, 32, 716, 502, 748), 100) << "no fifth item";
    const channels picked = rgb(scene.at(600, 640));
    EXPECT_LT(picked.r, 100) << "away from the text the item shows the field";

    answered(0, 0);
    const channels wrong = rgb(scene.at(512, 526));
    EXPECT_GT(wrong.r, 160) << "the wrong flash";
    EXPECT_LT(wrong.g, wrong.r / 2);
}

} // namespace
