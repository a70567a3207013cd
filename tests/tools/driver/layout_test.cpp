// Where the driver clicks: controls found by name in a screen script, through templates and
// nested children, at the place the program draws them.
#include <gtest/gtest.h>
// After gtest: Xlib defines macros (None, Bool) that gtest's own names would meet.
#include "tools/driver/scripted_game.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

const char *const script = R"(// a comment with "quotes" and a { brace
template seat_tpl { string tex_name = "seat"; rect tex = [0 0 800 84]; };
template wide_tpl { rect tex = [0 0 512 32]; };
/* create static_text { string name = "hidden"; rect screen_rect = [1 1 1 1]; }; */
create screen_x {
    string name = "screen_x";
} children : {
    create complex_button : seat_tpl { string name = "seat1"; vec2 pos = [24 16]; };
    create multistate_image {
        string name = "panel"; rect screen_rect = [0 520 1024 248];
    } children : {
        create menu {
            string name = "answers"; rect screen_rect = [32 104 960 128];
            rect item_rect_3 = [0 44 470 32];
        };
        create text_button : wide_tpl { string name = "choose"; vec2 pos = [94 96]; string text = "x;y"; };
        create multi_static_text { string name = "lines"; rect static_rect_2 = [24 42 720 24]; };
    };
    create static_text { string name = "after"; rect screen_rect = [5 6 7 8]; };
    create edit { string name = "field"; rect screen_rect = [392 170 0 0]; };
};
)";

TEST(program_driver_layout, controls_are_found_where_the_program_draws_them)
{
    const fs::path path = fs::temp_directory_path() / ("driver_layout_" + std::to_string(getpid()) + ".isc");
    std::ofstream(path) << script;
    const struct
    {
        const char *name;
        program_driver::box expected;
    } cases[] = {
        {"seat1", {24, 16, 200, 84}},       // a template's texture strip, its first of four cells
        {"panel", {0, 520, 1024, 248}},     // a screen_rect as it stands
        {"answers", {32, 624, 960, 128}},   // inside its parent's corner
        {"choose", {94, 616, 128, 32}},     // pos inside the parent, the size from a template
        {"after", {5, 6, 7, 8}},            // after a nested block, back at the screen's corner
        {"field", {392, 170, 16, 16}},      // an edit field, sized by its texture
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        program_driver::box b;
        std::string error;
        ASSERT_TRUE(program_driver::control_box(path.string(), c.name, b, &error)) << error;
        EXPECT_EQ(b.x, c.expected.x);
        EXPECT_EQ(b.y, c.expected.y);
        EXPECT_EQ(b.w, c.expected.w);
        EXPECT_EQ(b.h, c.expected.h);
    }
    program_driver::box item;
    ASSERT_TRUE(program_driver::control_attribute_box(path.string(), "answers", "item_rect_3", item));
    EXPECT_EQ(item.x, 32);
    EXPECT_EQ(item.y, 668);
    EXPECT_EQ(item.cx(), 32 + 235);
    ASSERT_TRUE(program_driver::control_attribute_box(path.string(), "lines", "static_rect_2", item));
    EXPECT_EQ(item.x, 24); // at the parent's corner, having no rectangle of its own
    EXPECT_EQ(item.y, 562);

    std::string error;
    program_driver::box none;
    EXPECT_FALSE(program_driver::control_box(path.string(), "hidden", none, &error)); // commented out
    EXPECT_NE(error.find("hidden"), std::string::npos);
    EXPECT_FALSE(program_driver::control_attribute_box(path.string(), "answers", "item_rect_9", none, &error));
    EXPECT_FALSE(program_driver::control_box((path.string() + ".none"), "panel", none, &error));
    fs::remove(path);
}

} // namespace

namespace {

// Where the program is, as its log says: the last location it loaded.
TEST(program_driver_location, is_the_last_location_in_the_log)
{
    const fs::path dir = fs::temp_directory_path() / ("driver_location_" + std::to_string(getpid()));
    fs::create_directories(dir);
    program_driver::driver_c driver(dir.string());
    EXPECT_EQ(driver.location(), ""); // no log yet
    std::ofstream(dir / "console.log") << "Location 'menu_space'\nGeometry 'x' loaded\nLocation 'studio2'\nShadow\n";
    EXPECT_EQ(driver.location(), "studio2");
    std::ofstream(dir / "console.log") << "Location 'cut";
    EXPECT_EQ(driver.location(), ""); // a line still being written
    fs::remove_all(dir);
}

} // namespace

namespace {

// A failure shows the program's story: the resource lines go, every other line stays whole, the
// last one too when it has no line end yet.
TEST(program_driver_log_digest, drops_only_the_lines_of_loaded_resources)
{
    EXPECT_EQ(program_driver::log_digest("Location 'studio'\nGeometry 'a.geo' loaded, 4 verts\nShadow tree created, 8 "
                                         "bytes\nPlayer 2 leaves\nGeometry 'b' loaded"),
              "Location 'studio'\nPlayer 2 leaves\n");
    EXPECT_EQ(program_driver::log_digest("Vote\n  Geometry 'x'\nend"), "Vote\n  Geometry 'x'\nend");
    EXPECT_EQ(program_driver::log_digest(""), "");
}

} // namespace
