// Images drawn by the OpenGL device, read back and compared by colour regions with a
// per-channel tolerance.
#include "gl_ui_scene.h"

#include "tests/ui/ui_fixture.h"
#include "ui/ui_vis_image.h"

#include <cstdio>

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
