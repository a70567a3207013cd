// Font strips: the input is a BMP file (what the font generator writes), decoded and cut into
// glyphs. Every character code is asked for its glyph, and every glyph is drawn into a canvas
// at both edges and in the middle. The glyphs the font manager takes are then packed as it
// packs them: each must lie wholly inside the square, apart from the one before it.
#include "fuzz/fuzz_image_checks.h"
#include "services/font_bmp.h"
#include "services/manager_font.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

void check_packing(const font_bmp_c &font)
{
    std::vector<int> widths;
    for (int i = 0; i < std::min(font.char_num(), 224); ++i)
        widths.push_back(font.glyph_width((unsigned char)(32 + i)));
    std::vector<std::pair<int, int>> places;
    const int s = font_resource_c::pack(widths, font.height(), font.average_width(), &places);
    if (s == 0)
        return;
    if (s > 2048 || (s & (s - 1)) != 0 || places.size() != widths.size())
        fuzz::image_fault("packing gave a wrong side or count");
    for (size_t i = 0; i < places.size(); ++i) {
        const auto [x, y] = places[i];
        if (x < 0 || y < 0 || x + widths[i] > s || y + font.height() > s)
            fuzz::image_fault("a packed glyph lies outside the square");
        if (i == 0)
            continue;
        const auto [px, py] = places[i - 1];
        if (y == py ? x <= px + widths[i - 1] : y <= py + font.height())
            fuzz::image_fault("packed glyphs overlap");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    bitmap_c image;
    if (!image.import_bmp(data, size))
        return 0;
    const int height = image.height();
    font_bmp_c font;
    const bool ok = font.cut(std::move(image));
    if (ok != font.valid())
        fuzz::image_fault("cut's result and valid() differ");
    if (!ok) {
        if (font.char_num() != 0)
            fuzz::image_fault("a refused strip keeps glyphs");
        return 0;
    }
    if (font.char_num() < 1 || font.char_num() > 256 || font.height() != height)
        fuzz::image_fault("glyph count or height out of range");
    bitmap_c canvas;
    if (!canvas.create(64, height, 0, 0))
        return 0;
    for (int c = 0; c < 256; ++c) {
        const int start = font.glyph_start((unsigned char)c), width = font.glyph_width((unsigned char)c);
        if (width < 0 || (width > 0 && (start < 0 || start + width > font.image().width())))
            fuzz::image_fault("a glyph lies outside the strip");
        font.draw_glyph(canvas, 0, 0, (unsigned char)c);
        font.draw_glyph(canvas, 60, 0, (unsigned char)c);
        font.draw_glyph(canvas, -width / 2, 1, (unsigned char)c);
    }
    check_packing(font);
    return 0;
}
