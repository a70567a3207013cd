#include "tools/imagegen/ui_textures.h"

namespace imagegen {

uint32_t ui_state_colour(int column, int row)
{
    static const uint32_t colours[2][4] = {
        {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00},
        {0x00FFFF, 0xFF00FF, 0xFF8000, 0x808080},
    };
    return colours[row & 1][column & 3];
}

std::vector<ui_texture> make_ui_textures()
{
    std::vector<ui_texture> out;

    picture states(256, 128);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 4; ++column)
            states.fill_rect(column * 64, row * 64, 64, 64, ui_state_colour(column, row));
    out.push_back({"ui_states", 24, states});

    picture panel(64, 64, UI_PANEL_COLOUR, UI_PANEL_ALPHA);
    for (int i = 0; i < 64; ++i) {
        panel.set(i, 0, UI_PANEL_BORDER);
        panel.set(i, 63, UI_PANEL_BORDER);
        panel.set(0, i, UI_PANEL_BORDER);
        panel.set(63, i, UI_PANEL_BORDER);
    }
    out.push_back({"ui_panel", 32, panel});
    return out;
}

} // namespace imagegen
