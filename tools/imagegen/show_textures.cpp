#include "tools/imagegen/show_textures.h"

#include <algorithm>

namespace imagegen {

namespace {

constexpr uint32_t STRIP_KEY = 0xFF00FF;

struct glyph_cell {
    int x = 0;
    int width = 0;
};

// The cells of codes 32..255, found between the key columns of the strip.
std::vector<glyph_cell> strip_cells(const picture &strip)
{
    std::vector<glyph_cell> cells;
    int start = -1;
    for (int x = 0; x <= strip.width; ++x) {
        const bool key = x == strip.width || strip.rgb(x, 0) == STRIP_KEY;
        if (key && start >= 0) {
            cells.push_back({start, x - start});
            start = -1;
        } else if (!key && start < 0) {
            start = x;
        }
    }
    return cells;
}

uint8_t mix(uint8_t under, uint8_t over, unsigned coverage)
{
    return (uint8_t)((under * (255 - coverage) + over * coverage + 127) / 255);
}

void vertical_gradient(picture &pic, uint32_t top, uint32_t bottom)
{
    for (int y = 0; y < pic.height; ++y) {
        const unsigned t = (unsigned)(y * 255 / std::max(1, pic.height - 1));
        uint32_t rgb = 0;
        for (int shift : {16, 8, 0})
            rgb |= (uint32_t)mix((uint8_t)(top >> shift), (uint8_t)(bottom >> shift), t) << shift;
        for (int x = 0; x < pic.width; ++x)
            pic.set(x, y, rgb, pic.alpha(x, y));
    }
}

picture font(const std::string &file, int size)
{
    font_strip_options options;
    options.font_file = file;
    options.pixel_size = size;
    return render_font_strip(options);
}

// A page of the credits: a translucent panel with a border and two lines.
picture credit_page(const picture &heading, const picture &text, const char *title, const char *line)
{
    picture page(512, 256, 0x182848, 160);
    for (int x = 0; x < page.width; ++x)
        for (int y : {0, 1, page.height - 2, page.height - 1})
            page.set(x, y, 0xE0C060);
    for (int y = 0; y < page.height; ++y)
        for (int x : {0, 1, page.width - 2, page.width - 1})
            page.set(x, y, 0xE0C060);
    draw_text_centred(page, heading, 256, 70, title, 0xFFE080);
    draw_text_centred(page, text, 256, 150, line, 0xFFFFFF);
    return page;
}

} // namespace

void draw_text_centred(picture &pic, const picture &strip, int centre_x, int top, const char *text, uint32_t rgb)
{
    const std::vector<glyph_cell> cells = strip_cells(strip);
    auto cell_of = [&](unsigned char c) -> const glyph_cell * {
        const size_t i = (size_t)c - 32;
        return c >= 32 && i < cells.size() ? &cells[i] : nullptr;
    };
    int width = 0;
    for (const char *p = text; *p; ++p)
        if (const glyph_cell *cell = cell_of((unsigned char)*p))
            width += cell->width;
    int x = centre_x - width / 2;
    for (const char *p = text; *p; ++p) {
        const glyph_cell *cell = cell_of((unsigned char)*p);
        if (!cell)
            continue;
        for (int gy = 0; gy < strip.height; ++gy)
            for (int gx = 0; gx < cell->width; ++gx) {
                const int px = x + gx, py = top + gy;
                if (px < 0 || py < 0 || px >= pic.width || py >= pic.height)
                    continue;
                const unsigned coverage = (strip.rgb(cell->x + gx, gy) >> 8) & 0xFF;
                if (!coverage)
                    continue;
                const uint32_t under = pic.rgb(px, py);
                uint32_t mixed = 0;
                for (int shift : {16, 8, 0})
                    mixed |= (uint32_t)mix((uint8_t)(under >> shift), (uint8_t)(rgb >> shift), coverage) << shift;
                pic.set(px, py, mixed, std::max<uint8_t>(pic.alpha(px, py), (uint8_t)coverage));
            }
        x += cell->width;
    }
}

std::vector<ui_texture> make_show_textures(const std::string &font_file)
{
    const picture title = font(font_file, 96), big_title = font(font_file, 80), big = font(font_file, 40);
    const picture heading = font(font_file, 28), line = font(font_file, 22);
    // "Vizuzuze", "A television quiz", "Made by the Vizuzuze team", "A quiz for eight players",
    // "Thank you for playing!", "See you in the studio".
    const char *const name = SHOW_NAME;
    const char *const quiz = "\xD2\xE5\xEB\xE5\xE2\xE8\xE7\xE8\xEE\xED\xED\xE0\xFF \xE2\xE8\xEA\xF2\xEE\xF0\xE8\xED\xE0";
    const char *const team = "\xD1\xE4\xE5\xEB\xE0\xED\xEE \xEA\xEE\xEC\xE0\xED\xE4\xEE\xE9 \xC2\xE8\xE7\xF3\xE7\xF3\xE7\xE5";
    const char *const players =
        "\xC2\xE8\xEA\xF2\xEE\xF0\xE8\xED\xE0 \xE4\xEB\xFF \xE2\xEE\xF1\xFC\xEC\xE8 \xE8\xE3\xF0\xEE\xEA\xEE\xE2";
    const char *const thanks = "\xD1\xEF\xE0\xF1\xE8\xE1\xEE \xE7\xE0 \xE8\xE3\xF0\xF3!";
    const char *const see_you = "\xC4\xEE \xE2\xF1\xF2\xF0\xE5\xF7\xE8 \xE2 \xF1\xF2\xF3\xE4\xE8\xE8";

    std::vector<ui_texture> out;
    picture splash(1024, 1024);
    vertical_gradient(splash, 0x101848, 0x602060);
    draw_text_centred(splash, title, 512, 250, name, 0xFFD040);
    draw_text_centred(splash, big, 512, 420, quiz, 0xFFFFFF);
    out.push_back({"splash", 24, splash});
    // The main menu's title over the location: the name on a transparent ground.
    picture menu_title(512, 128, 0, 0);
    draw_text_centred(menu_title, big_title, 256, 8, name, 0xFFD040);
    out.push_back({"menu_title", 32, menu_title});

    picture back(512, 512);
    vertical_gradient(back, 0x080810, 0x202050);
    out.push_back({"credits_back", 24, back});

    out.push_back({"credits_0", 32, credit_page(heading, line, name, quiz)});
    out.push_back({"credits_1", 32, credit_page(heading, line, team, players)});
    out.push_back({"credits_2", 32, credit_page(heading, line, thanks, see_you)});

    // The loading pictures of the eight rounds, in the colours of their studios: "Round N",
    // "Final", "Super-final", and "Loading the studio...".
    const char *const round = "\xD0\xE0\xF3\xED\xE4 ";
    const char *const final_name = "\xD4\xE8\xED\xE0\xEB";
    const char *const super_final = "\xD1\xF3\xEF\xE5\xF0\xF4\xE8\xED\xE0\xEB";
    const char *const loading = "\xC7\xE0\xE3\xF0\xF3\xE7\xEA\xE0 \xF1\xF2\xF3\xE4\xE8\xE8...";
    const char *const round_pictures[8] = {"rounds/round1", "rounds/round2", "rounds/round3", "rounds/round4",
                                           "rounds/round5", "rounds/round6", "rounds/round7", "rounds/round8"};
    const uint32_t tops[8] = {0x503818, 0x182850, 0x184020, 0x381850, 0x501810, 0x104048, 0x080818, 0x100818};
    const uint32_t bottoms[8] = {0x100800, 0x000410, 0x001004, 0x0C0414, 0x100200, 0x001014, 0x302008, 0x402010};
    for (int k = 0; k < 8; ++k) {
        picture pic(1024, 1024);
        vertical_gradient(pic, tops[k], bottoms[k]);
        const std::string text = k < 6 ? round + std::to_string(k + 1) : (k == 6 ? final_name : super_final);
        draw_text_centred(pic, title, 512, 260, text.c_str(), 0xFFD040);
        draw_text_centred(pic, big, 512, 520, loading, 0xFFFFFF);
        out.push_back({round_pictures[k], 24, pic});
    }
    return out;
}

} // namespace imagegen
