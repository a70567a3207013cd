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
    add_settings_textures(out);
    add_edit_textures(out);
    add_button_textures(out);
    add_cursor_textures(out);
    add_vote_textures(out);
    add_command_textures(out);
    add_game_textures(out);
    return out;
}

namespace {

// A minus (or with `plus` a plus) sign 16 pixels wide centred in the 32 x 32 cell at (x, y).
void draw_sign(picture &pic, int x, int y, bool plus, uint32_t rgb)
{
    pic.fill_rect(x + 8, y + 14, 16, 4, rgb);
    if (plus)
        pic.fill_rect(x + 14, y + 8, 4, 16, rgb);
}

void draw_border(picture &pic, int x, int y, int w, int h, uint32_t rgb)
{
    pic.fill_rect(x, y, w, 2, rgb);
    pic.fill_rect(x, y + h - 2, w, 2, rgb);
    pic.fill_rect(x, y, 2, h, rgb);
    pic.fill_rect(x + w - 2, y, 2, h, rgb);
}

} // namespace

void add_settings_textures(std::vector<ui_texture> &out)
{
    const uint32_t light = 0xC0C0C0, button = 0x404040, pressed = 0xE0C020;
    picture scale(256, 64, 0, 0);
    draw_border(scale, 0, 0, 256, 32, light);
    for (int x : {0, 224}) {
        scale.fill_rect(x, 0, 32, 32, button);
        draw_border(scale, x, 0, 32, 32, light);
        draw_sign(scale, x, 0, x != 0, 0xFFFFFF);
    }
    scale.fill_rect(0, 32, 192, 16, UI_SCALE_BAR_COLOUR);
    for (int x : {192, 224}) {
        scale.fill_rect(x, 32, 32, 32, pressed);
        draw_sign(scale, x, 32, x != 192, 0);
    }
    out.push_back({"ui_scale", 32, scale});

    picture check(64, 32, 0x303030);
    for (int x : {0, 32})
        draw_border(check, x, 0, 32, 32, light);
    check.fill_rect(40, 8, 16, 16, UI_CHECK_COLOUR);
    out.push_back({"ui_checkbox", 24, check});
}

void add_edit_textures(std::vector<ui_texture> &out)
{
    picture frame(64, 32);
    frame.fill_rect(0, 0, 8, 24, UI_EDIT_LEFT);
    frame.fill_rect(8, 0, 16, 24, UI_EDIT_MIDDLE);
    frame.fill_rect(24, 0, 8, 24, UI_EDIT_RIGHT);
    frame.fill_rect(32, 0, 16, 16, UI_EDIT_PLUS);
    frame.fill_rect(48, 0, 16, 16, UI_EDIT_MINUS);
    // White signs on the pressed pictures, clear of their centres' neighbours.
    frame.fill_rect(35, 7, 10, 2, 0xFFFFFF);
    frame.fill_rect(39, 3, 2, 10, 0xFFFFFF);
    frame.fill_rect(51, 7, 10, 2, 0xFFFFFF);
    frame.fill_rect(32, 16, 16, 16, UI_HISTORY_BUTTON);
    for (int i = 0; i < 5; ++i)
        frame.fill_rect(35 + i, 21 + i, 10 - 2 * i, 1, 0xFFFFFF);
    out.push_back({"ui_edit", 24, frame});

    picture history(128, 64);
    history.fill_rect(0, 0, 128, 16, UI_HISTORY_ROW);
    history.fill_rect(0, 15, 128, 1, UI_HISTORY_TOP);
    history.fill_rect(0, 32, 128, UI_HISTORY_TALL_ROW, UI_HISTORY_ROW);
    history.fill_rect(0, 32 + UI_HISTORY_TALL_ROW - 1, 128, 1, UI_HISTORY_TOP);
    history.fill_rect(0, 16, 128, 6, UI_HISTORY_TOP);
    history.fill_rect(0, 24, 128, 6, UI_HISTORY_BOTTOM);
    out.push_back({"ui_history", 24, history});
}

uint32_t ui_button_colour(int row, int cell)
{
    static const uint32_t colours[6] = {0x3060C0, 0x40A0F0, 0xF0A020, 0x808080, 0x30C060, 0xC03090};
    const uint32_t c = colours[cell % 6];
    // Each row a little darker, so the strips tell apart too.
    const uint32_t r = (c >> 16 & 0xFF) * (8 - row) / 8, g = (c >> 8 & 0xFF) * (8 - row) / 8,
                   b = (c & 0xFF) * (8 - row) / 8;
    return r << 16 | g << 8 | b;
}

uint32_t ui_menu_button_colour(int look)
{
    static const uint32_t colours[4] = {0x284890, 0x3C78D8, 0xE09020, 0x606070};
    return colours[look & 3];
}

void add_button_textures(std::vector<ui_texture> &out)
{
    picture buttons(256, 256);
    const int cells_per_row[5] = {4, 3, 2, 1, 6};
    for (int row = 0; row < 5; ++row)
        for (int cell = 0; cell < cells_per_row[row]; ++cell) {
            const int x = cell * UI_BUTTON_CELL_W, y = row * UI_BUTTON_CELL_H;
            const uint32_t c = ui_button_colour(row, cell);
            buttons.fill_rect(x, y, UI_BUTTON_CELL_W, UI_BUTTON_CELL_H, (c >> 1) & 0x7F7F7F);
            buttons.fill_rect(x + 1, y + 1, UI_BUTTON_CELL_W - 2, UI_BUTTON_CELL_H - 2, c);
        }
    out.push_back({"ui_buttons", 24, buttons});

    picture wide(1024, 2 * UI_BUTTON_CELL_H);
    for (int cell = 0; cell < 4; ++cell) {
        const uint32_t c = ui_button_colour(0, cell);
        int y = 0;
        for (int w : {UI_WIDE_BUTTON_W, UI_WIDER_BUTTON_W}) {
            wide.fill_rect(cell * w, y, w, UI_BUTTON_CELL_H, (c >> 1) & 0x7F7F7F);
            wide.fill_rect(cell * w + 1, y + 1, w - 2, UI_BUTTON_CELL_H - 2, c);
            y += UI_BUTTON_CELL_H;
        }
    }
    out.push_back({"ui_wide_buttons", 24, wide});

    // The main menu's buttons: normal, over, pressed and disabled, each a vertical gradient
    // from its colour to a darker one inside a light frame.
    picture menu(4 * UI_MENU_BUTTON_W, 64);
    for (int cell = 0; cell < 4; ++cell) {
        const uint32_t c = ui_menu_button_colour(cell);
        const int x0 = cell * UI_MENU_BUTTON_W;
        menu.fill_rect(x0, 0, UI_MENU_BUTTON_W, UI_MENU_BUTTON_H, 0xE0E0F0);
        for (int y = 2; y < UI_MENU_BUTTON_H - 2; ++y) {
            const uint32_t k = (uint32_t)(UI_MENU_BUTTON_H + 8 - y);
            const uint32_t shade = ((c >> 16 & 0xFF) * k / (UI_MENU_BUTTON_H + 8)) << 16 |
                                   ((c >> 8 & 0xFF) * k / (UI_MENU_BUTTON_H + 8)) << 8 |
                                   (c & 0xFF) * k / (UI_MENU_BUTTON_H + 8);
            menu.fill_rect(x0 + 2, y, UI_MENU_BUTTON_W - 4, 1, shade);
        }
    }
    out.push_back({"ui_menu_buttons", 24, menu});

    // The player seat's small buttons, where the seat expects them in the texture.
    picture seat(1024, 256);
    seat.fill_rect(460, 207, 19, 36, UI_SEAT_MAN);
    seat.fill_rect(479, 207, 28, 27, UI_SEAT_BOT);
    seat.fill_rect(507, 207, 33, 41, UI_SEAT_NOT_READY);
    seat.fill_rect(540, 207, 33, 41, UI_SEAT_READY);
    out.push_back({"narezka", 24, seat});

    picture panel(256, 64, UI_FIELD_COLOUR, UI_FIELD_ALPHA);
    for (int x = 0; x < 256; ++x) {
        panel.set(x, 0, 0xFFFFFF);
        panel.set(x, 63, 0xFFFFFF);
    }
    for (int y = 0; y < 64; ++y) {
        panel.set(0, y, 0xFFFFFF);
        panel.set(255, y, 0xFFFFFF);
    }
    out.push_back({"ui_field", 32, panel});
}

uint32_t ui_cursor_frame_colour(int frame)
{
    static const uint32_t colours[6] = {0xFFFFFF, 0xFFE080, 0xFFC040, 0xFFA000, 0xFF8000, 0xFF6000};
    return colours[frame % 6];
}

bool ui_cursor_arrow_covers(int x, int y)
{
    // A wedge from the tip down and to the right, 20 texels high.
    return y < 20 && x <= y / 2 + 1;
}

void add_cursor_textures(std::vector<ui_texture> &out)
{
    picture arrow(256, 32, 0, 0);
    for (int frame = 0; frame < 6; ++frame)
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (ui_cursor_arrow_covers(x, y)) {
                    const bool edge =
                        !ui_cursor_arrow_covers(x + 1, y) || !ui_cursor_arrow_covers(x, y + 1) || x == 0;
                    arrow.set(frame * 32 + x, y, edge ? 0x000000 : ui_cursor_frame_colour(frame));
                }
    out.push_back({"cursor_standard", 32, arrow});

    picture rings(256, 32, 0, 0);
    for (int frame = 0; frame < 6; ++frame)
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int dx = x - 16, dy = y - 16, d2 = dx * dx + dy * dy;
                if (d2 >= 36 && d2 <= 144)
                    rings.set(frame * 32 + x, y, ui_cursor_frame_colour(frame));
            }
    out.push_back({"cursor_smodel", 32, rings});
}

uint32_t vote_portrait_colour(int n)
{
    // Hues around the colour wheel, three shades per hue, so that neighbours tell apart.
    static const uint32_t hues[8] = {0xC04040, 0x40A040, 0x4060C0, 0xC0A030, 0x30A0A0, 0xA040A0, 0xD07030, 0x707070};
    const uint32_t c = hues[n % 8];
    const int shade = 10 - 3 * (n / 8 % 3);
    const uint32_t r = (c >> 16 & 0xFF) * shade / 10, g = (c >> 8 & 0xFF) * shade / 10, b = (c & 0xFF) * shade / 10;
    return r << 16 | g << 8 | b;
}

void add_vote_textures(std::vector<ui_texture> &out)
{
    const int s = VOTE_PORTRAIT_SIZE;
    picture portraits(512, 256);
    for (int n = 0; n < VOTE_PORTRAITS; ++n) {
        const int x0 = n % 8 * s, y0 = n / 8 * s;
        portraits.fill_rect(x0, y0, s, s, vote_portrait_colour(n));
        const uint32_t skin = 0xF0C8A0, clothes = n % 2 ? 0x303050 : 0x503030;
        for (int y = 0; y < s; ++y)
            for (int x = 0; x < s; ++x) {
                const int dx = x - s / 2, hy = y - s * 3 / 8, sy = y - s;
                if (dx * dx + hy * hy <= (s / 5) * (s / 5))
                    portraits.set(x0 + x, y0 + y, skin);
                else if (dx * dx + sy * sy <= (s * 2 / 5) * (s * 2 / 5))
                    portraits.set(x0 + x, y0 + y, clothes);
            }
    }
    out.push_back({"vote_portraits", 24, portraits});

    picture frame(128, 128, 0, 0);
    frame.fill_rect(0, 0, VOTE_FRAME_W, VOTE_FRAME_H, VOTE_FRAME_COLOUR);
    for (int y = 10; y < 10 + s; ++y)
        for (int x = 9; x < 9 + s; ++x)
            frame.set(x, y, 0, 0);
    out.push_back({"vote_frame", 32, frame});
}

uint32_t seat_look_colour(int n)
{
    static const uint32_t looks[4] = {0x304878, 0x4868A8, 0x5878C0, 0x505050};
    return looks[n & 3];
}

void add_command_textures(std::vector<ui_texture> &out)
{
    picture seat(1024, 128, 0, 0);
    for (int n = 0; n < 4; ++n) {
        const int x0 = n * SEAT_CELL_W;
        const int border = n == 2 ? 3 : 1;
        const uint32_t edge = n == 2 ? SEAT_CHECKED_BORDER : 0xFFFFFF;
        for (int y = 0; y < SEAT_CELL_H; ++y)
            for (int x = 0; x < SEAT_CELL_W; ++x) {
                const bool on_edge = x < border || y < border || x >= SEAT_CELL_W - border || y >= SEAT_CELL_H - border;
                seat.set(x0 + x, y, on_edge ? edge : seat_look_colour(n), on_edge ? 255 : SEAT_ALPHA);
            }
    }
    for (int y = 0; y < SEAT_FRAME_H; ++y)
        for (int x = 0; x < SEAT_FRAME_W; ++x) {
            const bool window = x >= 12 && x < 60 && y >= 8 && y < 56;
            const bool ring = x >= 8 && x < 64 && y >= 4 && y < 60;
            if (ring && !window)
                seat.set(SEAT_FRAME_X + x, y, SEAT_FRAME_COLOUR);
        }
    out.push_back({"command_seat", 32, seat});
}

void add_game_textures(std::vector<ui_texture> &out)
{
    // Two cells of 256 x 64 a row, stretched over the whole answer panel: state 1 is a bold
    // frame round the panel, solid at its edge and glowing inwards, the panel clear inside.
    picture flashes(512, 128, 0, 0);
    const uint32_t colours[2] = {GAME_RIGHT_FLASH, GAME_WRONG_FLASH};
    for (int row = 0; row < 2; ++row)
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 256; ++x) {
                // Texels from the nearest edge; the panel is about four times wider than high.
                const int edge = std::min(std::min(x, 255 - x) / 4, std::min(y, 63 - y));
                const int alpha = edge < 3 ? 255 : std::max(0, 200 - (edge - 3) * 70);
                if (alpha > 0)
                    flashes.set(256 + x, row * 64 + y, colours[row], uint8_t(alpha));
            }
    out.push_back({"game_flashes", 32, flashes});

    // Wide, so that a field stretched across the screen keeps a thin border.
    picture field(256, 64, GAME_FIELD_COLOUR, GAME_FIELD_ALPHA);
    for (int x = 0; x < 256; ++x) {
        field.set(x, 0, GAME_FIELD_BORDER);
        field.set(x, 63, GAME_FIELD_BORDER);
    }
    for (int y = 0; y < 64; ++y) {
        field.set(0, y, GAME_FIELD_BORDER);
        field.set(255, y, GAME_FIELD_BORDER);
    }
    out.push_back({"game_field", 32, field});
}

} // namespace imagegen
