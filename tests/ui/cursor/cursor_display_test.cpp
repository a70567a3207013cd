// The pointer drawn by the OpenGL device over a screen background and read back: its hot spot
// sits on the cursor position.
#include "tests/ui/display/gl_ui_scene.h"

#include "platform/input/dinput_fake.h"
#include "services/srvc_input.h"
#include "tests/ui/ui_fixture.h"
#include "ui/ui_cursor.h"
#include "ui/ui_vis_image.h"

#include <cstdio>
#include <string>

TEST(ui_cursor_display, the_hot_spot_of_the_pointer_is_on_the_cursor_position)
{
    gl_ui_scene scene(160, 120);
    // Everything under the scene's screen, so the read-back after it sees the pointer.
    dinput_fake_use();
    std::vector<abstract_c *> started;
    started.push_back(new dinput_c(scene.screen, nullptr));
    attribute_list_c background = attrs({{"color", value_c(vec3(255, 255, 255))}, {"tex_name", text_value("ui_states")},
                                         {"columns", value_c(4)}, {"rows", value_c(2)},
                                         {"tex", value_c(rect(0, 0, 256, 128))},
                                         {"screen_rect", value_c(rect(0, 0, 160, 120))}});
    new multistate_image(scene.screen, &background);
    attribute_list_c shape = attrs({{"name", text_value("standard")}, {"hotspot", value_c(vec2(0, 0))},
                                    {"texture_name", text_value("cursor_standard")},
                                    {"tex_rect", value_c(rect(0, 0, 32, 32))}});
    started.push_back(new cursor_resource(scene.screen, &shape));
    started.push_back(new cursor(scene.screen, nullptr));
    for (abstract_c *o : started)
        o->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);

    const UINT x = 60, y = 50;
    dinput_fake_mouse(int(x), int(y), 0);
    scene.frame();
    scene.frame(true);
    ASSERT_EQ(scene.probe->width, 160u);

    const D3DCOLOR red = imagegen::ui_state_colour(0, 0);
    struct
    {
        const char *what;
        int dx, dy;
        D3DCOLOR expected;
    } points[] = {
        {"the tip's outline on the position", 0, 0, 0x000000},
        {"the outline below the tip", 0, 8, 0x000000},
        {"the arrow's white inside", 3, 10, 0xFFFFFF},
        {"the background left of the tip", -1, 0, red},
        {"the background above the tip", 0, -1, red},
        {"the background right of the tip", 4, 1, red},
        {"the background beside the arrow", 12, 10, red},
    };
    auto near = [](D3DCOLOR got, D3DCOLOR expected) {
        bool close = true;
        for (int shift = 0; shift < 24; shift += 8)
            close = close && std::abs(int((got >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) <= 8;
        return close;
    };
    auto hex = [](D3DCOLOR c) {
        char text[16];
        std::snprintf(text, sizeof text, "%06X", c);
        return std::string(text);
    };
    for (const auto &p : points) {
        const D3DCOLOR got = scene.at(UINT(int(x) + p.dx), UINT(int(y) + p.dy));
        EXPECT_TRUE(near(got, p.expected)) << p.what << ": " << hex(got);
    }

    // Over a control the pointer steps through its frames; it stays drawn in each of them.
    attribute_list_c control = attrs({{"screen_rect", value_c(rect(0, 0, 160, 120))}});
    new probe_control_c(scene.screen, &control);
    for (int tick = 1; tick <= 90; ++tick) {
        const bool look = tick % 9 == 0;
        scene.frame(look);
        if (!look)
            continue;
        SCOPED_TRACE(tick);
        for (UINT dy : {6u, 10u}) {
            const D3DCOLOR inside = scene.at(x + 3, y + dy);
            EXPECT_FALSE(near(inside, red)) << "the arrow's inside: " << hex(inside);
        }
        EXPECT_TRUE(near(scene.at(x + 12, y + 10), red)) << "beside the arrow";
    }
}
