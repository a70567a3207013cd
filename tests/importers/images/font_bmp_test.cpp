// font_bmp_c: cutting a one-row strip into glyphs by its key-coloured separator columns.
#include "importers/bitmap.h"
#include "scratch_dir.h"
#include "services/font_bmp.h"
#include "tools/imagegen/imagegen.h"

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <numeric>
#include <string>
#include <vector>

using imagegen::picture;

namespace {

constexpr uint32_t key = 0xFF00FF;

// A strip 3 pixels high: column 0 is key, then each glyph (grey cells) followed by one key
// column, except that the last glyph runs to the edge unless trailing_key is set.
picture strip(const std::vector<int> &widths, bool trailing_key = false)
{
    int total = 1;
    for (int w : widths)
        total += w + 1;
    if (!trailing_key)
        total -= 1;
    picture p(total, 3, key);
    int x = 1;
    for (int w : widths) {
        p.fill_rect(x, 0, w, 3, 0x404040);
        x += w + 1;
    }
    return p;
}

bool cut(font_bmp_c &font, const picture &p)
{
    const std::vector<uint8_t> file = imagegen::make_bmp(p);
    bitmap_c img;
    EXPECT_TRUE(img.import_bmp(file.data(), file.size()));
    return font.cut(std::move(img));
}

} // namespace

TEST(FontBmp, CutsGlyphsAtKeyColumns)
{
    font_bmp_c font;
    ASSERT_TRUE(cut(font, strip({3, 1, 2})));
    EXPECT_TRUE(font.valid());
    EXPECT_EQ(font.char_num(), 3);
    EXPECT_EQ(font.height(), 3);
    EXPECT_EQ(font.average_width(), 2);
    const int starts[] = {1, 5, 7}, widths[] = {3, 1, 2};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(font.glyph_start((unsigned char)(32 + i)), starts[i]);
        EXPECT_EQ(font.glyph_width((unsigned char)(32 + i)), widths[i]);
    }
    EXPECT_EQ(font.glyph_width(' '), 3); // the space is the first glyph
    EXPECT_EQ(font.glyph_width(31), 0);
    EXPECT_EQ(font.glyph_width(35), 0); // past the last glyph
    EXPECT_EQ(font.glyph_width(0), 0);
}

TEST(FontBmp, ColumnRules)
{
    picture key_pixel_in_glyph = strip({2, 2});
    key_pixel_in_glyph.set(1, 1, key); // a glyph column only partly key stays a glyph
    picture column0_not_key = strip({2, 2});
    column0_not_key.set(0, 2, 0x000000);
    picture average_rounds_down = strip({1, 2});

    struct {
        const char *what;
        picture p;
        int glyphs; // 0: refused
    } cases[] = {
        {"one glyph", strip({4}), 1},
        {"256 glyphs", strip(std::vector<int>(256, 1)), 256},
        {"257 glyphs", strip(std::vector<int>(257, 1)), 0},
        {"last column key", strip({2, 3}, true), 0},
        {"two key columns side by side", strip({2, 0, 3}), 0},
        {"key pixel inside a glyph", key_pixel_in_glyph, 2},
        {"column 0 not a separator", column0_not_key, 0},
        {"one pixel high", picture(5, 1, key), 0},
        {"one pixel wide", picture(1, 5, key), 0},
        {"only key colour", picture(4, 4, key), 0},
        {"average rounds down", average_rounds_down, 2},
    };
    for (const auto &c : cases) {
        font_bmp_c font;
        EXPECT_EQ(cut(font, c.p), c.glyphs != 0) << c.what;
        EXPECT_EQ(font.valid(), c.glyphs != 0) << c.what;
        EXPECT_EQ(font.char_num(), c.glyphs) << c.what;
        if (c.glyphs == 0) {
            EXPECT_FALSE(font.image().valid()) << c.what;
        }
    }
    font_bmp_c font;
    ASSERT_TRUE(cut(font, average_rounds_down));
    EXPECT_EQ(font.average_width(), 1);
    ASSERT_TRUE(cut(font, strip(std::vector<int>(256, 1))));
    EXPECT_EQ(font.glyph_width(255), 1);
    EXPECT_EQ(font.glyph_start(255), 1 + 2 * 223);
}

TEST(FontBmp, DrawGlyphCopiesItsColumns)
{
    picture p = strip({2, 3});
    p.set(4, 0, 0x123456); // second glyph's first column, top row
    font_bmp_c font;
    ASSERT_TRUE(cut(font, p));
    bitmap_c dst;
    ASSERT_TRUE(dst.create(6, 4, 0, 0));
    EXPECT_EQ(font.draw_glyph(dst, 1, 1, 33), 3);
    EXPECT_EQ(dst.get_pixel(1, 1), 0x563412u);
    EXPECT_EQ(dst.get_pixel(2, 1), 0x404040u);
    EXPECT_EQ(dst.get_pixel(3, 3), 0x404040u);
    EXPECT_EQ(dst.get_pixel(4, 1), 0u);
    EXPECT_EQ(dst.get_pixel(0, 1), 0u);

    bitmap_c untouched;
    ASSERT_TRUE(untouched.create(2, 2, 0, 0));
    EXPECT_EQ(font.draw_glyph(untouched, 0, 0, 20), 0);
    EXPECT_EQ(font.draw_glyph(untouched, 0, 0, 200), 0);
    EXPECT_EQ(untouched.get_pixel(0, 0), 0u);
}

using font_bmp_file = scratch_dir_test;

// The generator's strip of DejaVu Sans covers cp1251 32..255 and loads by name.
TEST_F(font_bmp_file, GeneratedStripLoads)
{
    imagegen::font_strip_options options;
    options.font_file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    options.pixel_size = 14;
    put("fonts/sans.bmp", imagegen::make_bmp(imagegen::render_font_strip(options)));

    font_bmp_c font("fonts/sans.bmp");
    ASSERT_TRUE(font.valid());
    EXPECT_EQ(font.char_num(), 224);
    EXPECT_GE(font.height(), 14);
    EXPECT_GT(font.glyph_width('W'), font.glyph_width('i'));
    EXPECT_GT(font.glyph_width((unsigned char)0xC6), 0); // cyrillic capital zhe
    EXPECT_GT(font.glyph_width(255), 0);

    font_bmp_c missing("fonts/none.bmp");
    EXPECT_FALSE(missing.valid());
    EXPECT_EQ(missing.char_num(), 0);
}

namespace {

// FreeType's own rendering of one cp1251 character, for comparison with a generated strip.
class freetype_renderer
{
public:
    freetype_renderer(const std::string &file, int pixel_size)
    {
        ok = FT_Init_FreeType(&m_library) == 0 && FT_New_Face(m_library, file.c_str(), 0, &m_face) == 0 &&
             FT_Set_Pixel_Sizes(m_face, 0, FT_UInt(pixel_size)) == 0;
    }
    ~freetype_renderer()
    {
        if (m_face)
            FT_Done_Face(m_face);
        if (m_library)
            FT_Done_FreeType(m_library);
    }
    // The sum of the glyph's coverage bytes (0 when the font has no glyph for the code).
    long ink(unsigned char c) const
    {
        const uint32_t code = imagegen::cp1251_to_unicode(c);
        if (!code || FT_Load_Char(m_face, code, FT_LOAD_RENDER) != 0)
            return 0;
        const FT_Bitmap &bm = m_face->glyph->bitmap;
        long sum = 0;
        for (unsigned row = 0; row < bm.rows; ++row)
            for (unsigned col = 0; col < bm.width; ++col)
                sum += bm.buffer[row * unsigned(bm.pitch) + col];
        return sum;
    }
    int line_height() const
    {
        return int((m_face->size->metrics.ascender + 63) >> 6) - int(m_face->size->metrics.descender >> 6);
    }
    bool ok = false;

private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
};

} // namespace

// The demo fonts: every glyph's ink lies inside the cell the engine cuts for it (descenders,
// overhangs and accents included), and the strip is as high as the font's line.
TEST(FontBmp, GeneratedStripsHoldEveryGlyphWhole)
{
    const std::string dejavu = "/usr/share/fonts/truetype/dejavu/";
    struct {
        const char *file;
        int size;
    } fonts[] = {{"DejaVuSans.ttf", 13}, {"DejaVuSans.ttf", 18}, {"DejaVuSans-Bold.ttf", 28}};
    for (const auto &f : fonts) {
        SCOPED_TRACE(testing::Message() << f.file << " " << f.size);
        imagegen::font_strip_options options;
        options.font_file = dejavu + f.file;
        options.pixel_size = f.size;
        font_bmp_c font;
        ASSERT_TRUE(cut(font, imagegen::render_font_strip(options)));
        ASSERT_EQ(font.char_num(), 224);
        freetype_renderer ft(options.font_file, f.size);
        ASSERT_TRUE(ft.ok);
        EXPECT_EQ(font.height(), ft.line_height());
        const bitmap_c &strip = font.image();
        for (int c = 32; c < 256; ++c) {
            long inside = 0;
            const int start = font.glyph_start((unsigned char)c);
            for (int y = 0; y < font.height(); ++y)
                for (int x = start; x < start + font.glyph_width((unsigned char)c); ++x)
                    inside += long(strip.get_pixel(x, y) & 0xFF);
            EXPECT_EQ(inside, ft.ink((unsigned char)c)) << "character " << c;
        }
    }
}
