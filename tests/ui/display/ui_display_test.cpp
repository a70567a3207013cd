// Images drawn by the OpenGL device, read back and compared by colour regions with a
// per-channel tolerance.
#include "gl_ui_scene.h"

#include "services/font_bmp.h"
#include "tests/ui/ui_fixture.h"
#include "ui/ui_hint.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image.h"

#include <cstdio>
#include <cstring>

namespace {

std::string hex(D3DCOLOR c)
{
    char b[16];
    std::snprintf(b, sizeof b, "%06X", c & 0xFFFFFF);
    return b;
}

bool near_colour(D3DCOLOR a, D3DCOLOR b, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

D3DCOLOR mix(D3DCOLOR over, D3DCOLOR under, float alpha)
{
    D3DCOLOR out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const float c = float((over >> shift) & 0xFF) * alpha + float((under >> shift) & 0xFF) * (1.0f - alpha);
        out |= D3DCOLOR(c + 0.5f) << shift;
    }
    return out;
}

} // namespace

TEST(ui_display, images_draw_their_state_blend_and_keep_behind_by_depth)
{
    gl_ui_scene scene(160, 120);
    // State (2, 1) of the grid, opaque, at (10, 10)-(74, 74).
    attribute_list_c cell = attrs({{"color", value_c(vec3(255, 255, 255))}, {"tex_name", text_value("ui_states")},
                                   {"columns", value_c(4)}, {"rows", value_c(2)},
                                   {"tex", value_c(rect(0, 0, 256, 128))},
                                   {"screen_rect", value_c(rect(10, 10, 74, 74))}});
    multistate_image *states = new multistate_image(scene.screen, &cell);
    states->set_column(2);
    states->set_row(1);
    // The translucent panel over the cell's right half and the black beside it.
    new multistate_image(scene.screen, vec2(42, 20), "textures/ui_panel", 1, 1, rect());
    // An opaque cell at depth 0.5, then one at depth 1.0 drawn after it across it.
    attribute_list_c front = attrs({{"color", value_c(vec3(255, 255, 255))}, {"tex_name", text_value("ui_states")},
                                    {"columns", value_c(4)}, {"rows", value_c(2)},
                                    {"tex", value_c(rect(0, 0, 256, 128))},
                                    {"screen_rect", value_c(rect(100, 10, 140, 50))}, {"z_depth", value_c(0.5f)}});
    new multistate_image(scene.screen, &front);
    attribute_list_c back = attrs({{"color", value_c(vec3(255, 255, 255))}, {"tex_name", text_value("ui_states")},
                                   {"columns", value_c(4)}, {"rows", value_c(2)},
                                   {"tex", value_c(rect(0, 0, 256, 128))},
                                   {"screen_rect", value_c(rect(120, 30, 156, 66))}, {"z_depth", value_c(1.0f)}});
    multistate_image *behind = new multistate_image(scene.screen, &back);
    behind->set_column(1);

    scene.frame(true);
    ASSERT_EQ(scene.probe->width, 160u);
    ASSERT_EQ(scene.probe->height, 120u);

    const D3DCOLOR orange = imagegen::ui_state_colour(2, 1), red = imagegen::ui_state_colour(0, 0),
                   green = imagegen::ui_state_colour(1, 0), panel = imagegen::UI_PANEL_COLOUR;
    const float alpha = imagegen::UI_PANEL_ALPHA / 255.0f;
    struct
    {
        const char *what;
        UINT x, y;
        D3DCOLOR expected;
    } regions[] = {
        {"the state's colour", 20, 15, orange},
        {"the state's colour below the panel", 20, 60, orange},
        {"the panel over the state", 60, 50, mix(panel, orange, alpha)},
        {"the panel over the cleared frame", 95, 50, mix(panel, 0, alpha)},
        {"nothing drawn", 5, 100, 0},
        {"the front image", 110, 20, red},
        {"the later image stays behind the front one", 130, 40, red},
        {"the later image where nothing is in front", 150, 60, green},
    };
    for (const auto &r : regions)
        for (UINT dy = 0; dy < 3; ++dy)
            for (UINT dx = 0; dx < 3; ++dx)
                EXPECT_TRUE(near_colour(scene.at(r.x + dx, r.y + dy), r.expected, 6))
                    << r.what << " at " << r.x + dx << "," << r.y + dy << ": " << hex(scene.at(r.x + dx, r.y + dy))
                    << " instead of " << hex(r.expected);
}

TEST(ui_display, a_hint_popup_glows_additively_and_untextured_over_the_screen)
{
    gl_ui_scene scene(320, 160);
    // The grey state (3, 1) of the grid as the screen's background.
    attribute_list_c background = attrs({{"color", value_c(vec3(255, 255, 255))}, {"tex_name", text_value("ui_states")},
                                         {"columns", value_c(4)}, {"rows", value_c(2)},
                                         {"tex", value_c(rect(0, 0, 256, 128))},
                                         {"screen_rect", value_c(rect(0, 0, 320, 160))}});
    multistate_image *back = new multistate_image(scene.screen, &background);
    back->set_column(3);
    back->set_row(1);
    new hint_layer(scene.screen, nullptr);
    abstract_c *control = new abstract_c(scene.screen);
    scene.root->message(MSG_VAR(hint), 0, control, MSG_ARG(vec2(100, 100)), MSG_ARG("hint"), MSG_ARGS_END);
    // Shown and fading in from 0 s, fully in at 1 s; the last frame draws that state.
    scene.frame_at(0.0f);
    scene.frame_at(1.0f);
    scene.frame_at(1.0f, true);

    const D3DCOLOR grey = imagegen::ui_state_colour(3, 1);
    // The popup covers (36, 63)-(264, 99); its grid point (7, 5) lies on the pixel (150, 81).
    D3DCOLOR glow_over_grey = 0;
    const D3DCOLOR glow = hint_background_c::colour_at(7, 5, 1.0, 1.0f);
    for (int shift = 0; shift < 24; shift += 8)
        glow_over_grey |= std::min(0xFFu, ((glow >> shift) & 0xFF) + ((grey >> shift) & 0xFF)) << shift;
    struct
    {
        const char *what;
        UINT x, y;
        D3DCOLOR expected;
    } points[] = {
        {"the middle adds its glow to the background", 150, 81, glow_over_grey},
        {"the top edge is black", 150, 63, grey},
        {"the left edge is black", 36, 81, grey},
        {"outside the popup", 300, 140, grey},
    };
    for (const auto &p : points)
        EXPECT_TRUE(near_colour(scene.at(p.x, p.y), p.expected, 6))
            << p.what << ": " << hex(scene.at(p.x, p.y)) << " instead of " << hex(p.expected);
}

TEST(ui_display, a_two_line_static_text_reads_back_by_glyph_columns_top_left_and_centred)
{
    gl_ui_scene scene(320, 128, true);
    const char *text = "\xC2\xEE\xEF\xF0\xEE\xF1\n\xCE\xF2\xE2\xE5\xF2"; // two Russian words, cp1251
    const char *lines[2] = {"\xC2\xEE\xEF\xF0\xEE\xF1", "\xCE\xF2\xE2\xE5\xF2"};
    struct
    {
        const char *what;
        rect r;
        int justify;
    } blocks[] = {
        {"top left", rect(8, 8, 312, 60), 1 | 8},
        {"centred", rect(8, 64, 312, 120), 0},
    };
    for (const auto &b : blocks) {
        attribute_list_c list = attrs({{"justify", value_c(b.justify)}, {"chars_color", value_c(vec3(255, 255, 255))},
                                       {"font_name", text_value("main")}, {"text", text_value(text)},
                                       {"screen_rect", value_c(b.r)}});
        new static_text(scene.screen, &list);
    }
    scene.frame(true);
    ASSERT_EQ(scene.probe->width, 320u);

    // The strip's ink per column of a line (the brightest grey of the column).
    font_bmp_c strip("fonts/main.bmp");
    ASSERT_TRUE(strip.valid());
    const int h = strip.height();
    auto strip_columns = [&](const char *line) {
        std::vector<int> ink;
        for (const unsigned char *c = (const unsigned char *)line; *c; ++c)
            for (int dx = 0; dx < strip.glyph_width(*c); ++dx) {
                int most = 0;
                for (int dy = 0; dy < h; ++dy)
                    most = std::max(most, int(strip.image().get_pixel(strip.glyph_start(*c) + dx, dy) & 0xFF));
                ink.push_back(most);
            }
        return ink;
    };
    // The read-back's ink per column between two rows (the text is filtered linearly, so a
    // glyph's edges blur by up to a pixel).
    auto screen_ink = [&](int x, int top, int bottom) {
        int most = 0;
        for (int y = top; y < bottom; ++y)
            most = std::max(most, int(scene.at(UINT(x), UINT(y)) >> 8 & 0xFF));
        return most;
    };
    for (const auto &b : blocks) {
        SCOPED_TRACE(b.what);
        const int top = b.justify & 8 ? int(b.r.top) : int(b.r.top + b.r.bottom - 2.0f * float(h)) >> 1;
        for (int i = 0; i < 2; ++i) {
            const std::vector<int> ink = strip_columns(lines[i]);
            const int width = int(ink.size());
            const int left = b.justify & 1 ? int(b.r.left) : int(b.r.left + b.r.right - float(width)) >> 1;
            const int line_top = top + i * h;
            int inked = 0, bad = 0;
            for (int x = left - 3; x < left + width + 3; ++x) {
                auto at = [&](int k) { return k >= 0 && k < width ? ink[size_t(k)] : 0; };
                const int k = x - left, seen = screen_ink(x, line_top, line_top + h);
                const bool expect_ink = at(k) >= 128, expect_none = at(k - 1) + at(k) + at(k + 1) == 0;
                inked += expect_ink;
                if ((expect_ink && seen < 48) || (expect_none && seen > 24))
                    if (++bad <= 5)
                        ADD_FAILURE() << "line " << i << " column " << k << ": strip " << at(k) << ", screen " << seen;
            }
            EXPECT_EQ(bad, 0) << "line " << i;
            EXPECT_GT(inked, width / 3) << "line " << i;
            EXPECT_LE(screen_ink(left + width / 2, line_top - 4, line_top - 1), 24) << "nothing above line " << i;
        }
        if (!(b.justify & 1)) {
            EXPECT_LE(screen_ink(int(b.r.left) + 1, int(b.r.top), int(b.r.bottom)), 24) << "nothing at the left edge";
        }
    }
}
