// bitmap_c: creation, pixel access, clipping and the three importers over bytes in memory.
#include "importers/bitmap.h"
#include "kernel/exception.h"
#include "tools/imagegen/imagegen.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using imagegen::picture;
using bytes = std::vector<uint8_t>;

namespace {

// The colour word of a picture colour 0xRRGGBB: blue in bits 16-23, red in 0-7.
uint32_t word(uint32_t rgb) { return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF); }

picture pattern(int w, int h)
{
    picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.set(x, y, uint32_t(x * 40 + 1) << 16 | uint32_t(y * 50 + 2) << 8 | uint32_t(x + y * 7 + 3),
                  uint8_t(x * 16 + y));
    return p;
}

void expect_same_pixels(const bitmap_c &img, const picture &pic)
{
    ASSERT_EQ(img.width(), pic.width);
    ASSERT_EQ(img.height(), pic.height);
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x)
            ASSERT_EQ(img.get_pixel(x, y), word(pic.rgb(x, y))) << "at " << x << "," << y;
}

void put_u32(bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

void put_u16(bytes &b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

std::string assertion_of(const std::function<void()> &f)
{
    try {
        f();
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return "no exception";
}

std::string assertion(const char *expr) { return std::string("Debug assertion failed! Expression: \"") + expr + "\""; }

} // namespace

TEST(Bitmap, CreateSetsFormatAndZeroedPixels)
{
    bitmap_c img;
    EXPECT_FALSE(img.valid());
    EXPECT_EQ(img.width(), 0);
    EXPECT_EQ(img.pixels(), nullptr);
    EXPECT_EQ(img.size(), 0u);
    EXPECT_EQ(img.row(0), nullptr);

    ASSERT_TRUE(img.create(5, 3, 0, 0));
    EXPECT_EQ(img.bytes_per_pixel(), 3);
    EXPECT_EQ(img.stride(), 15);
    EXPECT_EQ(img.size(), 45u);
    for (size_t i = 0; i < img.size(); ++i)
        ASSERT_EQ(img.pixels()[i], 0);
    // Rows are bottom-up.
    EXPECT_EQ(img.row(0), img.pixels() + 2 * 15);
    EXPECT_EQ(img.row(2), img.pixels());
    EXPECT_EQ(img.row(-1), nullptr);
    EXPECT_EQ(img.row(3), nullptr);

    ASSERT_TRUE(img.create(2, 2, 1, 0));
    EXPECT_EQ(img.bytes_per_pixel(), 4);
    EXPECT_EQ(img.stride(), 8);
    EXPECT_TRUE(img.has_alpha());

    ASSERT_TRUE(img.create(4, 2, 0, 1));
    EXPECT_TRUE(img.is_section());
    EXPECT_EQ(img.stride(), 12);
}

TEST(Bitmap, CreateRefusesImpossibleSizes)
{
    struct {
        int w, h, alpha, dib;
    } cases[] = {
        {4, 4, 1, 1},                // alpha cannot be a DIB section
        {0, 4, 0, 0},       {4, 0, 0, 0},      {-3, 4, 0, 0}, {4, -1, 0, 0},
        {INT_MAX, 1, 0, 0},          // stride overflows int
        {40000, 40000, 1, 0},        // 6.4 GB: stride x height past int
        {1 << 30, 3, 0, 0},
        {BITMAP_MAX_SIDE + 1, 1, 0, 0}, {1, BITMAP_MAX_SIDE + 1, 0, 0},
    };
    for (const auto &c : cases) {
        bitmap_c img;
        ASSERT_TRUE(img.create(2, 2, 0, 0));
        EXPECT_FALSE(img.create(c.w, c.h, c.alpha, c.dib)) << c.w << "x" << c.h;
        EXPECT_FALSE(img.valid());
        EXPECT_EQ(img.pixels(), nullptr);
    }
}

TEST(Bitmap, PixelWordsAndAlpha)
{
    bitmap_c img;
    ASSERT_TRUE(img.create(3, 2, 1, 0));
    img.set_pixel(1, 0, 0xAB112233);
    img.set_alpha(1, 0, 0x7F);
    const unsigned char *p = img.row(0) + 4;
    EXPECT_EQ(p[0], 0x11); // blue, bits 16-23
    EXPECT_EQ(p[1], 0x22);
    EXPECT_EQ(p[2], 0x33);
    EXPECT_EQ(p[3], 0x7F);
    EXPECT_EQ(img.get_pixel(1, 0), 0x112233u);
    img.set_pixel(1, 0, 0x445566); // keeps alpha
    EXPECT_EQ(p[3], 0x7F);

    // fill leaves 32-bit images alone and paints 24-bit ones.
    img.fill(0xFFFFFF);
    EXPECT_EQ(img.get_pixel(0, 0), 0u);
    bitmap_c rgb;
    ASSERT_TRUE(rgb.create(3, 2, 0, 0));
    rgb.fill(0x010203);
    for (size_t i = 0; i < rgb.size(); i += 3)
        EXPECT_EQ(rgb.pixels()[i] << 16 | rgb.pixels()[i + 1] << 8 | rgb.pixels()[i + 2], 0x010203);
}

TEST(Bitmap, AssertionsQuoteTheirExpressions)
{
    bitmap_c none, rgb, rgba;
    ASSERT_TRUE(rgb.create(2, 2, 0, 0));
    ASSERT_TRUE(rgba.create(2, 2, 1, 0));
    struct {
        std::function<void()> call;
        const char *expr;
    } cases[] = {
        {[&] { none.get_pixel(0, 0); }, "m_valid"},
        {[&] { none.set_pixel(0, 0, 0); }, "m_valid"},
        {[&] { rgb.set_pixel(-1, 0, 0); }, "x >= 0 && x < m_width"},
        {[&] { rgb.get_pixel(2, 0); }, "x >= 0 && x < m_width"},
        {[&] { rgb.set_pixel(0, 2, 0); }, "y >= 0 && y < m_height"},
        {[&] { rgb.get_pixel(0, -1); }, "y >= 0 && y < m_height"},
        {[&] { rgb.set_alpha(0, 0, 1); }, "m_alpha_channel"},
        {[&] { rgba.set_alpha(0, 5, 1); }, "y >= 0 && y < m_height"},
        {[&] { none.copy_rect(rgb, 0, 0, 0, 0, 1, 1); }, "m_valid"},
        {[&] { rgb.copy_rect(none, 0, 0, 0, 0, 1, 1); }, "src.m_valid"},
        {[&] { rgba.copy_rect(rgb, 0, 0, 0, 0, 1, 1); }, "!m_alpha_channel"},
        {[&] { rgb.copy_rect(rgba, 0, 0, 0, 0, 1, 1); }, "!src.m_alpha_channel"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(assertion_of(c.call), assertion(c.expr));
}

TEST(Bitmap, CopyRectClips)
{
    // Source 4x3 with distinct pixels; destination 5x4 of zero; each case lists the copied
    // destination pixels as (dst x, dst y, src x, src y).
    struct point {
        int dx, dy, sx, sy;
    };
    struct {
        const char *what;
        int dst_x, dst_y, src_x, src_y, w, h;
        std::vector<point> copied;
    } cases[] = {
        {"inside", 1, 1, 1, 0, 2, 1, {{1, 1, 1, 0}, {2, 1, 2, 0}}},
        {"dst_x -2 skips two source columns", -2, 0, 0, 0, 3, 1, {{0, 0, 2, 0}}},
        {"negative source start", 0, 0, -1, -1, 2, 2, {{1, 1, 0, 0}}},
        {"cut at the source's right edge", 0, 0, 3, 2, 5, 5, {{0, 0, 3, 2}}},
        {"cut at the destination's far edges", 4, 3, 0, 0, 4, 3, {{4, 3, 0, 0}}},
        {"wholly left of the destination", -4, 0, 0, 0, 4, 1, {}},
        {"wholly beyond the source", 0, 0, 4, 0, 2, 2, {}},
        {"wholly below the destination", 0, 4, 0, 0, 2, 2, {}},
        {"empty rectangle", 0, 0, 0, 0, 0, 3, {}},
        {"huge rectangle", 0, 0, 0, 0, INT_MAX, INT_MAX, {}}, // copies the whole source
        {"huge negative offset", INT_MIN, 0, 0, 0, INT_MAX, 1, {}},
    };
    bitmap_c src;
    ASSERT_TRUE(src.create(4, 3, 0, 0));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            src.set_pixel(x, y, uint32_t(0x100000 + y * 16 + x + 1));
    for (auto &c : cases) {
        if (std::string(c.what) == "huge rectangle")
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 4; ++x)
                    c.copied.push_back({x, y, x, y});
        bitmap_c dst;
        ASSERT_TRUE(dst.create(5, 4, 0, 0));
        dst.copy_rect(src, c.dst_x, c.dst_y, c.src_x, c.src_y, c.w, c.h);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                uint32_t want = 0;
                for (const point &p : c.copied)
                    if (p.dx == x && p.dy == y)
                        want = src.get_pixel(p.sx, p.sy);
                EXPECT_EQ(dst.get_pixel(x, y), want) << c.what << " at " << x << "," << y;
            }
    }
}

TEST(BitmapBmp, LoadsRowsWithoutPadding)
{
    for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {4, 3}, {5, 4}}) {
        const picture pic = pattern(w, h);
        const bytes file = imagegen::make_bmp(pic);
        bitmap_c img;
        ASSERT_TRUE(img.import_bmp(file.data(), file.size())) << w << "x" << h;
        EXPECT_EQ(img.stride(), 3 * w);
        EXPECT_FALSE(img.has_alpha());
        expect_same_pixels(img, pic);
    }
}

TEST(BitmapBmp, RefusesMalformedFiles)
{
    const bytes good = imagegen::make_bmp(pattern(3, 2)); // 54 + 2 rows of 12
    struct {
        const char *what;
        std::function<void(bytes &)> spoil;
    } cases[] = {
        {"stored size one more", [](bytes &b) { put_u32(b, 2, uint32_t(b.size() + 1)); }},
        {"stored size one less", [](bytes &b) { put_u32(b, 2, uint32_t(b.size() - 1)); }},
        {"shorter than a header", [](bytes &b) { b.resize(53); put_u32(b, 2, 53); }},
        {"no BM", [](bytes &b) { b[1] = 'A'; }},
        {"info header of 12 bytes", [](bytes &b) { put_u32(b, 14, 12); }},
        {"32 bits per pixel", [](bytes &b) { put_u16(b, 28, 32); }},
        {"two planes", [](bytes &b) { put_u16(b, 26, 2); }},
        {"compressed", [](bytes &b) { put_u32(b, 30, 1); }},
        {"zero width", [](bytes &b) { put_u32(b, 18, 0); }},
        {"negative width", [](bytes &b) { put_u32(b, 18, uint32_t(-3)); }},
        {"zero height", [](bytes &b) { put_u32(b, 22, 0); }},
        {"top-down (negative height)", [](bytes &b) { put_u32(b, 22, uint32_t(-2)); }},
        {"pixel data one byte short", [](bytes &b) { b.pop_back(); put_u32(b, 2, uint32_t(b.size())); }},
        {"pixel offset past the end", [](bytes &b) { put_u32(b, 10, 55); }},
        // padded row 0x80000004 x 2 + 54 wraps to 62 in 32 bits
        {"row size wrapping 32 bits", [](bytes &b) { put_u32(b, 18, 0x2AAAAAAB); }},
        {"huge offset wrapping 32 bits", [](bytes &b) { put_u32(b, 10, 0xFFFFFFF0); }},
    };
    for (const auto &c : cases) {
        bytes file = good;
        c.spoil(file);
        bitmap_c img;
        ASSERT_TRUE(img.create(2, 2, 0, 0));
        EXPECT_FALSE(img.import_bmp(file.data(), file.size())) << c.what;
        EXPECT_FALSE(img.valid()) << c.what;
    }
}

TEST(BitmapTga, Loads24And32BitFiles)
{
    const picture pic = pattern(3, 2);
    bitmap_c img;
    const bytes tga24 = imagegen::make_tga(pic, 24);
    ASSERT_TRUE(img.import_tga(tga24.data(), tga24.size()));
    EXPECT_FALSE(img.has_alpha());
    expect_same_pixels(img, pic);

    const bytes tga32 = imagegen::make_tga(pic, 32);
    ASSERT_TRUE(img.import_tga(tga32.data(), tga32.size()));
    EXPECT_TRUE(img.has_alpha());
    EXPECT_EQ(img.stride(), 12);
    expect_same_pixels(img, pic);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(img.row(y)[x * 4 + 3], pic.alpha(x, y));

    // An identification field sits between the header and the pixels.
    bytes with_id = tga24;
    with_id[0] = 5;
    with_id.insert(with_id.begin() + 18, {'h', 'e', 'l', 'l', 'o'});
    ASSERT_TRUE(img.import_tga(with_id.data(), with_id.size()));
    expect_same_pixels(img, pic);
}

TEST(BitmapTga, RefusesMalformedFiles)
{
    const bytes good24 = imagegen::make_tga(pattern(3, 2), 24);
    const bytes good32 = imagegen::make_tga(pattern(3, 2), 32);
    struct {
        const char *what;
        const bytes *base;
        std::function<void(bytes &)> spoil;
    } cases[] = {
        {"run-length encoded (type 10)", &good24, [](bytes &b) { b[2] = 10; }},
        {"colour map present", &good24, [](bytes &b) { b[1] = 1; }},
        {"colour map first index", &good24, [](bytes &b) { b[3] = 1; }},
        {"colour map length", &good24, [](bytes &b) { b[6] = 1; }},
        {"colour map entry size", &good24, [](bytes &b) { b[7] = 24; }},
        {"32-bit with descriptor 0", &good32, [](bytes &b) { b[17] = 0; }},
        {"24-bit top-left origin", &good24, [](bytes &b) { b[17] = 0x20; }},
        {"16-bit", &good24, [](bytes &b) { b[16] = 16; }},
        {"one byte short", &good24, [](bytes &b) { b.pop_back(); }},
        {"identification field not there", &good24, [](bytes &b) { b[0] = 1; }},
        {"shorter than a header", &good24, [](bytes &b) { b.resize(17); }},
        {"zero width", &good24, [](bytes &b) { put_u16(b, 12, 0); }},
        {"65535 x 65535 x 32 bits", &good32, [](bytes &b) { put_u16(b, 12, 0xFFFF); put_u16(b, 14, 0xFFFF); }},
    };
    for (const auto &c : cases) {
        bytes file = *c.base;
        c.spoil(file);
        bitmap_c img;
        EXPECT_FALSE(img.import_tga(file.data(), file.size())) << c.what;
        EXPECT_FALSE(img.valid()) << c.what;
    }
}

TEST(BitmapJpeg, DecodesColourImages)
{
    // Flat 8x8 blocks keep the colours nearly exact through the lossy round trip.
    picture pic(16, 8, 0x000000);
    pic.fill_rect(0, 0, 8, 8, 0xE01010);
    pic.fill_rect(8, 0, 8, 8, 0x1030C0);
    const bytes file = imagegen::make_jpeg(pic, imagegen::jpeg_kind::rgb, 100);
    bitmap_c img;
    ASSERT_TRUE(img.import_jpg(file.data(), file.size()));
    EXPECT_EQ(img.width(), 16);
    EXPECT_EQ(img.height(), 8);
    EXPECT_FALSE(img.has_alpha());
    for (auto [x, y, rgb] : {std::tuple{3, 4, 0xE01010u}, {12, 2, 0x1030C0u}}) {
        const uint32_t got = img.get_pixel(x, y);
        const uint32_t want = word(rgb);
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), 6) << x << "," << y;
    }
}

namespace {

// The file cut a few bytes into its coded data, with its end marker put back.
bytes jpeg_data_ended_early(const bytes &file)
{
    for (size_t i = 0; i + 4 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xDA) {
            const size_t data = i + 2 + (size_t(file[i + 2]) << 8 | file[i + 3]);
            bytes cut(file.begin(), file.begin() + long(data + 4));
            cut.push_back(0xFF);
            cut.push_back(0xD9);
            return cut;
        }
    ADD_FAILURE() << "no scan header";
    return file;
}

} // namespace

TEST(BitmapJpeg, RefusesGreyCmykTruncatedAndGarbage)
{
    const picture pic = pattern(16, 16);
    const bytes rgb = imagegen::make_jpeg(pic);
    struct {
        const char *what;
        bytes file;
    } cases[] = {
        {"greyscale", imagegen::make_jpeg(pic, imagegen::jpeg_kind::grey)},
        {"CMYK", imagegen::make_jpeg(pic, imagegen::jpeg_kind::cmyk)},
        {"arithmetic-coded", imagegen::make_jpeg(pic, imagegen::jpeg_kind::rgb_arithmetic)},
        {"cut in the middle", bytes(rgb.begin(), rgb.begin() + long(rgb.size() / 2))},
        {"end marker missing", bytes(rgb.begin(), rgb.end() - 2)},
        {"data ended early", jpeg_data_ended_early(rgb)},
        {"header only", bytes(rgb.begin(), rgb.begin() + 20)},
        {"not a JPEG", bytes(100, 0x42)},
        {"empty", bytes()},
    };
    for (const auto &c : cases) {
        bitmap_c img;
        ASSERT_TRUE(img.create(2, 2, 0, 0));
        EXPECT_FALSE(img.import_jpg(c.file.data(), c.file.size())) << c.what;
        EXPECT_FALSE(img.valid()) << c.what;
    }
    bitmap_c img;
    EXPECT_TRUE(img.import_jpg(rgb.data(), rgb.size()));
}

namespace {

// The file of a format, and the importer that reads it.
struct image_format {
    const char *name;
    bytes (*make)(const picture &);
    bool (bitmap_c::*import)(const unsigned char *, size_t);
};

const image_format image_formats[] = {
    {"BMP", [](const picture &p) { return imagegen::make_bmp(p); }, &bitmap_c::import_bmp},
    {"TGA", [](const picture &p) { return imagegen::make_tga(p, 24); }, &bitmap_c::import_tga},
    {"TGA 32", [](const picture &p) { return imagegen::make_tga(p, 32); }, &bitmap_c::import_tga},
    {"JPEG", [](const picture &p) { return imagegen::make_jpeg(p); }, &bitmap_c::import_jpg},
    {"JPEG progressive", [](const picture &p) { return imagegen::make_jpeg(p, imagegen::jpeg_kind::rgb_progressive); },
     &bitmap_c::import_jpg},
};

} // namespace

TEST(BitmapImporters, RefuseSidesLongerThanTheLimit)
{
    const int max = BITMAP_MAX_SIDE;
    struct {
        int w, h;
        bool accepted;
    } sizes[] = {{max, 1, true}, {1, max, true}, {max + 1, 1, false}, {1, max + 1, false}};
    for (const image_format &f : image_formats)
        for (const auto &s : sizes) {
            const bytes file = f.make(picture(s.w, s.h, 0x336699));
            bitmap_c img;
            EXPECT_EQ((img.*f.import)(file.data(), file.size()), s.accepted) << f.name << " " << s.w << "x" << s.h;
            EXPECT_EQ(img.width(), s.accepted ? s.w : 0) << f.name;
        }

    // A few hundred bytes of JPEG whose frame header claims 65500 x 10000: refused from the
    // header, before any picture memory exists. Claiming the largest side allowed, their data
    // ends after a few blocks, and the file is refused rather than filled out to 800 MB of grey.
    const bytes tiny = imagegen::make_jpeg(picture(16, 8, 0x808080));
    for (auto [w, h] : {std::pair{65500, 10000}, {max, max}}) {
        bytes claim = tiny;
        bool patched = false;
        for (size_t i = 0; i + 9 < claim.size() && !patched; ++i)
            if (claim[i] == 0xFF && claim[i + 1] == 0xC0) {
                claim[i + 5] = uint8_t(h >> 8), claim[i + 6] = uint8_t(h & 0xFF);
                claim[i + 7] = uint8_t(w >> 8), claim[i + 8] = uint8_t(w & 0xFF);
                patched = true;
            }
        ASSERT_TRUE(patched) << "no baseline frame header";
        bitmap_c img;
        EXPECT_FALSE(img.import_jpg(claim.data(), claim.size())) << w << "x" << h;
        EXPECT_FALSE(img.valid());
    }
}
