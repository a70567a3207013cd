#include "tools/imagegen/imagegen.h"

#include <algorithm>
#include <stdexcept>

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

    const int ascender = int(ft.face->size->metrics.ascender >> 6);
    const int height = std::max(1, int((ft.face->size->metrics.height + 63) >> 6));

    // First pass: the advance of every glyph decides the cell widths.
    std::vector<int> widths;
    for (int c = options.first; c <= options.last; ++c) {
        int advance = 0;
        const uint32_t code = cp1251_to_unicode(uint8_t(c));
        if (code && FT_Load_Char(ft.face, code, FT_LOAD_DEFAULT) == 0)
            advance = int((ft.face->glyph->advance.x + 32) >> 6);
        widths.push_back(std::max(1, advance));
    }
    int total = 1;
    for (int w : widths)
        total += w + 1;
    total -= 1; // the last glyph runs to the right edge

    picture strip(total, height, options.key);
    int x = 1;
    for (int c = options.first; c <= options.last; ++c) {
        const int w = widths[size_t(c - options.first)];
        strip.fill_rect(x, 0, w, height, 0x000000);
        const uint32_t code = cp1251_to_unicode(uint8_t(c));
        if (code && FT_Load_Char(ft.face, code, FT_LOAD_RENDER) == 0) {
            const FT_GlyphSlot g = ft.face->glyph;
            const FT_Bitmap &bm = g->bitmap;
            for (unsigned row = 0; row < bm.rows; ++row)
                for (unsigned col = 0; col < bm.width; ++col) {
                    const int px = x + g->bitmap_left + int(col);
                    const int py = ascender - g->bitmap_top + int(row);
                    if (px < x || px >= x + w || py < 0 || py >= height)
                        continue;
                    const uint8_t v = bm.buffer[row * unsigned(bm.pitch) + col];
                    strip.set(px, py, uint32_t(v) << 16 | uint32_t(v) << 8 | v);
                }
        }
        x += w + 1;
    }
    return strip;
}

} // namespace imagegen
