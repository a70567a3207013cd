// vertex_font_c: the glyphs of a bitmap font strip (services/font_bmp.h) packed into one square
// atlas for drawing text as textured quads.
//
// The atlas side starts at the smallest power of two above the whole part of
// sqrt(average width x height x glyph count) and doubles until every glyph fits: glyphs go in
// order into rows from (0, 0), each taking its width plus one pixel, a row wrapping when the
// next glyph and its gap would pass the side, rows height + 1 apart; a glyph fits only when its
// bottom row is inside the atlas. Past 2048 it throws "Could not load vertex font". Glyphs are
// copied into a 24-bit image, then into the 32-bit atlas whose alpha is each pixel's red, so a
// white-on-black strip becomes white text with alpha.
//
// build_text lays lines out in a rectangle (left or right or centred, top or bottom or
// centred) as pre-transformed vertices, two triangles per character; a line is placed only
// when it lies wholly inside the rectangle, a character only when it lies wholly inside
// horizontally, and characters advance by their widths with no spacing.
#pragma once

#include "importers/bitmap.h"
#include "services/srvc_d3d.h"

#include <vector>

class font_bmp_c;

constexpr int VERTEX_FONT_MAX_SIZE = 2048;

class vertex_font_c
{
public:
    enum
    {
        ALIGN_LEFT = 0,
        ALIGN_RIGHT = 1,
        ALIGN_CENTER = 2,
        ALIGN_TOP = 0,
        ALIGN_BOTTOM = 1,
        ALIGN_MIDDLE = 2,
    };
    struct glyph_s
    {
        int width;
        float u0, v0, u1, v1;
    };

    explicit vertex_font_c(const font_bmp_c &font);

    int size() const { return m_size; }
    int char_num() const { return m_char_num; }
    int line_height() const { return m_line_height; }
    const bitmap_c &atlas() const { return m_atlas; }
    // The glyph of a character byte; width 0 for bytes without one.
    glyph_s glyph(unsigned char c) const;

    // Appends the quads of `lines` to `out`; returns the number of characters placed.
    int build_text(std::vector<unlit_vertex_s> &out, const std::vector<const char *> &lines, int left, int top,
                   int right, int bottom, int horizontal, int vertical, D3DCOLOR color) const;

private:
    bool lay_out(int size, std::vector<int> &xs, std::vector<int> &ys) const;

    int m_size;
    int m_char_num;
    int m_line_height;
    std::vector<glyph_s> m_glyphs;
    bitmap_c m_atlas;
};
