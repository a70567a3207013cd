#include "tools/imagegen/imagegen.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace imagegen {

namespace {

struct freetype_face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~freetype_face()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

} // namespace

picture render_font_strip(const font_strip_options &options)
{
    if (options.first < 0 || options.last > 255 || options.first > options.last)
        throw std::invalid_argument("font strip: bad character range");
    freetype_face ft;
    if (FT_Init_FreeType(&ft.library))
        throw std::runtime_error("FreeType cannot start");
    if (FT_New_Face(ft.library, options.font_file.c_str(), 0, &ft.face))
        throw std::runtime_error("FreeType cannot load " + options.font_file);
    if (FT_Set_Pixel_Sizes(ft.face, 0, FT_UInt(options.pixel_size)))
        throw std::runtime_error("FreeType cannot size " + options.font_file);

    // One rendered glyph: its advance, where its bitmap lies from the pen on the baseline, and
    // the bitmap's coverage bytes.
    struct glyph {
        int advance = 0, left = 0, top = 0, width = 0, rows = 0;
        std::vector<uint8_t> coverage;
    };
    std::vector<glyph> glyphs;
    // The line runs from the ascender down to the descender; a glyph that reaches further
    // still makes the strip taller, so that no ink is cut.
    int top = int((ft.face->size->metrics.ascender + 63) >> 6);
    int bottom = int(ft.face->size->metrics.descender >> 6);
    for (int c = options.first; c <= options.last; ++c) {
        glyph g;
        const uint32_t code = cp1251_to_unicode(uint8_t(c));
        if (code && FT_Load_Char(ft.face, code, FT_LOAD_RENDER) == 0) {
            const FT_GlyphSlot slot = ft.face->glyph;
            const FT_Bitmap &bm = slot->bitmap;
            g.advance = int((slot->advance.x + 32) >> 6);
            g.left = slot->bitmap_left;
            g.top = slot->bitmap_top;
            g.width = int(bm.width);
            g.rows = int(bm.rows);
            for (int row = 0; row < g.rows; ++row)
                for (int col = 0; col < g.width; ++col)
                    g.coverage.push_back(bm.buffer[row * bm.pitch + col]);
            if (g.rows > 0) {
                top = std::max(top, g.top);
                bottom = std::min(bottom, g.top - g.rows);
            }
        }
        glyphs.push_back(std::move(g));
    }
    const int height = std::max(1, top - bottom);

    // A cell holds the glyph's advance and its whole bitmap: a glyph that overhangs its pen
    // position on the left starts further into the cell, one that overhangs its advance on the
    // right widens the cell.
    std::vector<int> pens, widths;
    int total = 1;
    for (const glyph &g : glyphs) {
        const int pen = std::max(0, -g.left);
        pens.push_back(pen);
        widths.push_back(std::max({1, pen + g.advance, pen + g.left + g.width}));
        total += widths.back() + 1;
    }
    total -= 1; // the last glyph runs to the right edge

    picture strip(total, height, options.key);
    int x = 1;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const glyph &g = glyphs[i];
        strip.fill_rect(x, 0, widths[i], height, 0x000000);
        for (int row = 0; row < g.rows; ++row)
            for (int col = 0; col < g.width; ++col) {
                const uint8_t v = g.coverage[size_t(row * g.width + col)];
                strip.set(x + pens[i] + g.left + col, top - g.top + row, uint32_t(v) << 16 | uint32_t(v) << 8 | v);
            }
        x += widths[i] + 1;
    }
    return strip;
}

} // namespace imagegen
