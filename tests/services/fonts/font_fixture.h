// Fonts on the recording device: the texture fixture plus a font manager, and font strips
// made at test time with chosen glyph widths.
#pragma once

#include "../textures/texture_fixture.h"
#include "services/manager_font.h"
#include "tools/imagegen/imagegen.h"

#include <vector>

// The grey of glyph i, which becomes its alpha in the texture.
inline uint8_t glyph_grey(int i)
{
    return (uint8_t)(40 + (i * 37) % 200);
}

// A strip of glyphs (codes 32 up) of the given widths, each cell filled with its grey, in the
// engine's strip layout: a key column first and between glyphs, none at the end.
inline std::vector<uint8_t> strip_bmp(const std::vector<int> &widths, int height)
{
    int width = 1;
    for (int w : widths)
        width += w + 1;
    imagegen::picture pic(width - 1, height, 0xFF00FF);
    int x = 1;
    for (size_t i = 0; i < widths.size(); ++i) {
        const uint32_t g = glyph_grey((int)i);
        pic.fill_rect(x, 0, widths[i], height, g << 16 | g << 8 | g);
        x += widths[i] + 1;
    }
    return imagegen::make_bmp(pic);
}

class font_fixture : public texture_fixture
{
protected:
    void start_fonts()
    {
        start_manager();
        fonts = new manager_font_c(root, nullptr);
    }
    font_resource_c *load_font(const char *name)
    {
        abstract_c *res = nullptr;
        fonts->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG(name), MSG_ARG(0),
                       MSG_ARGS_END);
        return dynamic_cast<font_resource_c *>(res);
    }
    manager_font_c *fonts = nullptr;
};
