// The test objects on the recording device with the real texture manager: the console's font
// atlas, its text and drawing, the crosshair, and the free-camera object's prints.
#include "tests/basics/log_ring.h"
#include "tests/services/fonts/font_fixture.h"
#include "tests/test_console/held_keys.h"

#include "basics/vaultfile_obj.h"
#include "kernel/root.h"
#include "kernel/scripts.h"
#include "scenes/creators.h"
#include "scenes/location.h"
#include "services/manager_model.h"
#include "test_console/test_3d.h"
#include "test_console/test_console.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

class test_objects : public font_fixture
{
protected:
    void SetUp() override
    {
        font_fixture::SetUp();
        start_manager();
        keys = new held_keys_c(root);
    }
    test_console_c *console(const char *font = "fonts/strip.bmp", bool start = true)
    {
        attribute_list_c a;
        add_attribute(nullptr, a, "font_name", value_c(font, value_c::STRING), 0);
        add_attribute(nullptr, a, "text_color", value_c(vec3(1.0f, 0.5f, 0.0f)), 0);
        auto *c = new test_console_c(root, &a);
        if (start)
            c->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
        return c;
    }
    // The vertices of the console's text.
    static std::vector<unlit_vertex_s> vertices(const test_console_c *c)
    {
        std::vector<unlit_vertex_s> v(c->vertex_buffer()->bytes().size() / sizeof(unlit_vertex_s));
        std::memcpy(v.data(), c->vertex_buffer()->bytes().data(), v.size() * sizeof(unlit_vertex_s));
        return v;
    }
    void send(abstract_c *to, const msg_c &m) { to->message(m, 0, nullptr, MSG_ARGS_END); }
    // One render of the object inside a scene, with the device's log of it.
    void draw(abstract_c *object)
    {
        rec->clear_log();
        d3d->begin_scene();
        send(object, MSG_VAR(render));
        d3d->end_scene();
    }
    held_keys_c *keys = nullptr;
};

// Every printable ASCII glyph, 3 to 5 pixels wide, 10 high.
std::vector<int> ascii_widths()
{
    std::vector<int> w;
    for (int c = 32; c < 127; ++c)
        w.push_back(3 + c % 3);
    return w;
}

TEST_F(test_objects, vertex_font_packs_glyphs_into_the_smallest_square_where_every_glyph_fits_whole)
{
    struct
    {
        std::vector<int> widths;
        int height;
        int size;
        int glyph;        // a glyph to look at
        float u0, v0;     // its place
    } cases[] = {
        // sqrt(7 x 10 x 3) = 14: 16 holds two glyphs in a row, and the third's row would start
        // inside but end outside it, so the side doubles.
        {{7, 7, 7}, 10, 32, 2, 16 / 32.0f, 0.0f},
        // 16 x 16: the second row starts at 5 and its bottom (9) fits.
        {{7, 7, 7}, 4, 16, 2, 0.0f, 5 / 16.0f},
        {{1}, 2, 2, 0, 0.0f, 0.0f},
    };
    for (const auto &c : cases) {
        put("fonts/case.bmp", strip_bmp(c.widths, c.height));
        font_bmp_c strip("fonts/case.bmp");
        ASSERT_TRUE(strip.valid());
        vertex_font_c font(strip);
        EXPECT_EQ(font.size(), c.size) << c.height;
        const vertex_font_c::glyph_s g = font.glyph((unsigned char)(32 + c.glyph));
        EXPECT_EQ(g.u0, c.u0) << c.height;
        EXPECT_EQ(g.v0, c.v0) << c.height;
        EXPECT_EQ(g.u1 - g.u0, (float)c.widths[(size_t)c.glyph] / c.size);
        EXPECT_EQ(g.v1 - g.v0, (float)c.height / c.size);
        EXPECT_EQ(font.glyph(31).width, 0);
        EXPECT_EQ(font.glyph((unsigned char)(32 + c.widths.size())).width, 0);
    }
}

TEST_F(test_objects, vertex_font_atlas_keeps_the_colour_and_takes_alpha_from_red)
{
    put("fonts/case.bmp", strip_bmp({3, 4}, 5));
    vertex_font_c font{font_bmp_c("fonts/case.bmp")};
    const bitmap_c &atlas = font.atlas();
    ASSERT_TRUE(atlas.has_alpha());
    for (int i = 0; i < 2; ++i) {
        const vertex_font_c::glyph_s g = font.glyph((unsigned char)(32 + i));
        const int x = (int)(g.u0 * font.size()), y = (int)(g.v0 * font.size());
        const uint32_t grey = glyph_grey(i);
        EXPECT_EQ(atlas.get_pixel(x, y), grey << 16 | grey << 8 | grey);
        EXPECT_EQ(atlas.row(y)[x * 4 + 3], grey) << i;
    }
    // Between the glyphs: nothing, transparent.
    const int gap = (int)(font.glyph(32).u1 * font.size());
    EXPECT_EQ(atlas.get_pixel(gap, 0), 0u);
    EXPECT_EQ(atlas.row(0)[gap * 4 + 3], 0);
}

TEST_F(test_objects, fonts_that_cannot_be_used_fail_the_console)
{
    put("fonts/pair.bmp", strip_bmp({3, 0, 4}, 5)); // the second column is a separator too
    put("fonts/huge.bmp", strip_bmp({2100}, 2));
    EXPECT_EQ(thrown([&] { console("fonts/pair.bmp"); }), "Could not load bitmap font 'fonts/pair.bmp'");
    EXPECT_EQ(thrown([&] { console("fonts/missing.bmp"); }), "Could not load bitmap font 'fonts/missing.bmp'");
    EXPECT_EQ(thrown([&] { console("fonts/huge.bmp"); }), "Could not load vertex font");
}

TEST_F(test_objects, console_shows_the_newest_lines_that_fit_oldest_first_and_the_current_line_last)
{
    put("fonts/strip.bmp", strip_bmp(ascii_widths(), 10));
    for (int i = 0; i < 300; ++i)
        print_message("line %03d\n", i);
    print_message("now");
    test_console_c *c = console();
    // 584 pixels of 10-pixel lines: 58 lines, the last of them the unfinished "now".
    const std::vector<unlit_vertex_s> v = vertices(c);
    ASSERT_EQ(v.size(), (size_t)c->char_count() * 6);
    EXPECT_EQ(c->char_count(), 57 * 8 + 3);
    EXPECT_EQ(v.front().x, 8.0f);
    EXPECT_EQ(v.front().y, 8.0f);
    EXPECT_EQ(v.back().y, 8.0f + 58 * 10) << "the bottom of the last line";
    EXPECT_EQ(v.front().diffuse, d3d_color(1.0f, 0.5f, 0.0f, 1.0f));
    EXPECT_EQ(v.front().z, 1.0f);
    EXPECT_EQ(v.front().rhw, 1.0f);
    EXPECT_FALSE(log_changed());

    // Drawn over everything, blended by texture alpha times vertex alpha, depth back on after.
    draw(c);
    const auto draws = rec->calls(recording_call_e::draw);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].a, (DWORD)D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[0].b, (DWORD)c->char_count() * 2);
    EXPECT_EQ(ts(D3DTSS_ALPHAOP), (DWORD)D3DTOP_MODULATE);
    EXPECT_EQ(ts(D3DTSS_ALPHAARG1), (DWORD)D3DTA_DIFFUSE);
    EXPECT_EQ(rs(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(rs(D3DRS_ZWRITEENABLE), 1u);

    // The key left of "1" hides it; a new line is not built while hidden, and is when shown.
    keys->hold("`", true);
    root->message(MSG_VAR(test_key_pressed), 0, nullptr, MSG_ARG(41), MSG_ARGS_END);
    EXPECT_EQ(c->visible(), 0);
    print_message(" and then\n");
    send(c, MSG_VAR(tick));
    EXPECT_TRUE(log_changed());
    draw(c);
    EXPECT_EQ(rec->count(recording_call_e::draw), 0u);
    root->message(MSG_VAR(test_key_pressed), 0, nullptr, MSG_ARG(41), MSG_ARGS_END);
    EXPECT_EQ(c->visible(), 1);
    EXPECT_FALSE(log_changed());
    // "now and then" is complete and the current line is empty.
    EXPECT_EQ(c->char_count(), 56 * 8 + std::strlen("now and then"));
}

TEST_F(test_objects, console_with_nothing_to_draw_has_no_vertex_buffer_and_draws_nothing)
{
    // Glyphs taller than the screen: no line fits.
    put("fonts/tall.bmp", strip_bmp({2, 2}, 700));
    print_message("something to show\n");
    test_console_c *c = console("fonts/tall.bmp");
    EXPECT_EQ(c->char_count(), 0);
    EXPECT_EQ(c->vertex_buffer(), nullptr);
    draw(c);
    EXPECT_EQ(rec->count(recording_call_e::draw), 0u);
}

TEST_F(test_objects, crosshair_draws_its_texture_in_the_middle_then_puts_opaque_depth_back)
{
    imagegen::picture pic(32, 16, 0xFFFFFF);
    put("textures/cross.tga", imagegen::make_tga(pic, 32));
    attribute_list_c a;
    add_attribute(nullptr, a, "texture_name", value_c("textures/cross", value_c::STRING), 0);
    auto *cross = new test_crosshair_c(root, &a);
    send(cross, MSG_VAR(app_startup));
    d3d->set_lighting(1);
    draw(cross);
    const auto draws = rec->calls(recording_call_e::draw);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].a, (DWORD)D3DPT_TRIANGLEFAN);
    EXPECT_EQ(draws[0].b, 2u);
    EXPECT_EQ(rs(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(rs(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(rs(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(rs(D3DRS_LIGHTING), 0u);
    EXPECT_EQ(ts(D3DTSS_ALPHAARG1), (DWORD)D3DTA_TEXTURE);
}

class test_3d_object : public test_objects
{
protected:
    void SetUp() override
    {
        test_objects::SetUp();
        static bool registered = false;
        if (!registered) {
            registered = true;
            kernel_register_creators();
            scenes_register_creators();
        }
        set_data_directory("data");
        new manager_model_c(root, nullptr);
        const std::string script = "create locator { string id = \"spot\"; vec3 position = [0 0 0];"
                                   " vec3 angles = [0 0 0]; };\n";
        put("locations/empty.isc", std::vector<uint8_t>(script.begin(), script.end()));
    }
    test_3d_c *make(const std::vector<std::pair<const char *, const char *>> &strings, float fps_time = 0.0f)
    {
        attribute_list_c a;
        add_attribute(nullptr, a, "location_name", value_c("empty", value_c::STRING), 0);
        for (const auto &s : strings)
            add_attribute(nullptr, a, s.first, value_c(s.second, value_c::STRING), 0);
        add_attribute(nullptr, a, "fps_time", value_c(fps_time), 0);
        add_attribute(nullptr, a, "process_camera", value_c(1), 0);
        add_attribute(nullptr, a, "dump_camera", value_c(0), 0);
        add_attribute(nullptr, a, "move_vel", value_c(2.0f), 0);
        auto *t = new test_3d_c(root, &a);
        send(t, MSG_VAR(app_startup));
        return t;
    }
};

TEST_F(test_3d_object, loads_the_location_with_the_complete_player_pairs)
{
    struct
    {
        std::vector<std::pair<const char *, const char *>> strings;
        size_t players;
        const char *last_line;
    } cases[] = {
        {{{"player0_model", "models/a"}, {"player0_part", "p"}, {"player1_model", "models/b"}}, 1,
         "Player 0 model 'models/a:p'"},
        {{{"player0_model", "models/a"}}, 0, "Warning: No players for location"},
        {{{"player0_model", "a"}, {"player0_part", "x"}, {"player1_model", "b"}, {"player1_part", "y"}}, 2,
         "Player 1 model 'b:y'"},
    };
    for (const auto &c : cases) {
        const std::string mark = log_mark();
        test_3d_c *t = make(c.strings);
        ASSERT_NE(t->location(), nullptr);
        EXPECT_EQ(t->location()->players().size(), c.players);
        const std::vector<std::string> lines = log_since(mark);
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[0], "MaxVertexBlendMatrixIndex = 0");
        EXPECT_EQ(lines[1], "MaxVertexBlendMatrices = 4");
        EXPECT_EQ(lines[2], "Location 'empty'");
        EXPECT_EQ(lines.back(), c.last_line);
        send(t, MSG_VAR(app_shutdown));
        EXPECT_EQ(t->location(), nullptr);
    }
}

TEST_F(test_3d_object, prints_the_frame_rate_every_two_seconds_and_what_the_picker_found)
{
    test_3d_c *t = make({}, 1.0f);
    const std::string mark = log_mark();
    for (int frame = 1; frame <= 300; ++frame) {
        const float now = frame / 60.0f;
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(now), MSG_ARG(1.0f / 60.0f), MSG_ARGS_END);
    }
    std::vector<std::string> lines = log_since(mark);
    ASSERT_EQ(lines.size(), 2u) << "at 2 and at 4 seconds";
    // The first interval runs from the start, one frame before the first tick.
    EXPECT_EQ(lines[0], "FPS: 59.5");
    EXPECT_TRUE(lines[1] == "FPS: 60.0" || lines[1] == "FPS: 59.9") << lines[1];

    const std::string picks = log_mark();
    EXPECT_EQ(root->message(MSG_VAR(location_feedback), 0, nullptr, MSG_ARG("picker"), MSG_ARG(""), MSG_ARG(2),
                            MSG_ARGS_END),
              1);
    EXPECT_EQ(root->message(MSG_VAR(location_feedback), 0, nullptr, MSG_ARG("other"), MSG_ARG(""), MSG_ARG(3),
                            MSG_ARGS_END),
              0);
    EXPECT_EQ(log_since(picks), std::vector<std::string>{"Picked index: 2"});
    (void)t;
}

TEST_F(test_3d_object, the_mouse_turns_the_camera_and_the_left_button_moves_it_along_the_view)
{
    test_3d_c *t = make({});
    EXPECT_EQ(t->camera().position.x, -7.0f);
    keys->mouse(100, -50);
    root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.0f), MSG_ARG(0.5f), MSG_ARGS_END);
    EXPECT_FLOAT_EQ(t->camera().angles.y, 0.3f);
    EXPECT_FLOAT_EQ(t->camera().angles.x, -0.15f);
    // The view follows the camera at the next render; the left button then moves it 2 x 0.5.
    send(root, MSG_VAR(render));
    keys->button(0, true);
    const vec3 before = t->camera().position;
    root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.5f), MSG_ARG(0.5f), MSG_ARGS_END);
    const vec3 moved = t->camera().position - before;
    EXPECT_NEAR(std::sqrt(dot(moved, moved)), 1.0f, 1e-4f);
    EXPECT_GT(moved.y, 0.0f) << "turned towards +y";
}

} // namespace
