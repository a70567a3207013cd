// font_bmp_c: a bitmap font strip, one row of glyphs in an image, cut into characters.
//
// The top-left pixel gives the key colour; a column whose pixels all have it separates glyphs,
// and column 0 must be one. Each glyph is the run of columns between two separators; the last
// runs to the right edge, so a strip whose last column is a separator is refused, as are two
// separators side by side and strips with more than 256 glyphs. Character code c (an unsigned
// byte) is glyph c - 32. A failed load leaves the strip invalid with no glyphs.
#pragma once

#include "importers/bitmap.h"

#include <vector>

class font_bmp_c
{
public:
    font_bmp_c() = default;
    // Loads the image by name (any format bitmap_c::load takes) and cuts it.
    explicit font_bmp_c(const char *name);

    // Takes the image over and cuts it; false (and an invalid strip) when it is no font strip.
    bool cut(bitmap_c &&image);

    bool valid() const { return m_valid; }
    int char_num() const { return m_char_num; }
    int average_width() const { return m_average_width; }
    int height() const { return m_image.height(); }
    const bitmap_c &image() const { return m_image; }
    int glyph_start(unsigned char c) const;
    int glyph_width(unsigned char c) const;
    // Copies the glyph into dst at (x, y); returns its width (0 and nothing drawn without one).
    int draw_glyph(bitmap_c &dst, int x, int y, unsigned char c) const;

private:
    void clear();
    bool separator(int column, uint32_t key) const;

    bool m_valid = false;
    int m_char_num = 0;
    bitmap_c m_image;
    std::vector<int> m_starts;
    std::vector<int> m_widths;
    int m_average_width = 0;
};
