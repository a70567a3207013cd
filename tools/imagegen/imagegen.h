// Image generators for tests and for the demo data: a plain picture type and writers that
// turn it into the bytes of a 24-bit BMP, a 24/32-bit TGA or a JPEG (through libjpeg), plus a
// font strip renderer (FreeType) whose output the engine's bitmap font reader cuts into glyphs.
// Everything returns bytes in memory; write_file puts them on disk. The writers make valid
// files; tests that need broken ones patch the returned bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace imagegen {

// Pixels top-down, each one R, G, B, A.
struct picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    picture() = default;
    picture(int w, int h, uint32_t rgb = 0, uint8_t alpha = 255);
    // rgb as 0xRRGGBB
    void set(int x, int y, uint32_t rgb, uint8_t alpha = 255);
    uint32_t rgb(int x, int y) const;
    uint8_t alpha(int x, int y) const;
    void fill_rect(int x, int y, int w, int h, uint32_t rgb);
};

std::vector<uint8_t> make_bmp(const picture &pic);
// depth 24 or 32; 32-bit files carry 8 alpha bits (descriptor 8), bottom-left origin.
std::vector<uint8_t> make_tga(const picture &pic, int depth);

enum class jpeg_kind { rgb, grey, cmyk, rgb_progressive, rgb_arithmetic };
// A baseline JPEG of the picture (the last two kinds: progressive, or arithmetic-coded); grey
// uses the green channel, cmyk stores 255 - R, G, B, 0.
std::vector<uint8_t> make_jpeg(const picture &pic, jpeg_kind kind = jpeg_kind::rgb, int quality = 95);

// Font strip: one row of glyphs for the character codes first..last (cp1251), separated by
// single columns of the key colour, which also fills column 0. Glyphs are white shapes on
// black cells (so no glyph column is ever mistaken for a separator) that hold both the advance
// (at least one column) and the whole rendered bitmap, overhangs included. The strip is as
// high as the font's ascender minus its descender, taller only when some glyph reaches past.
struct font_strip_options {
    std::string font_file;
    int pixel_size = 16;
    int first = 32;
    int last = 255;
    uint32_t key = 0xFF00FF;
};
// Throws std::runtime_error when FreeType cannot load the font.
picture render_font_strip(const font_strip_options &options);
// The Unicode code point of a cp1251 byte (0 for the one unassigned code, 0x98).
uint32_t cp1251_to_unicode(uint8_t c);

// Throws std::runtime_error on failure.
void write_file(const std::string &path, const std::vector<uint8_t> &bytes);

} // namespace imagegen
