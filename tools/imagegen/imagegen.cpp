#include "tools/imagegen/imagegen.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>

namespace imagegen {

picture::picture(int w, int h, uint32_t rgb, uint8_t alpha) : width(w), height(h), rgba(size_t(w) * size_t(h) * 4)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            set(x, y, rgb, alpha);
}

void picture::set(int x, int y, uint32_t rgb, uint8_t alpha)
{
    uint8_t *p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
    p[0] = uint8_t(rgb >> 16);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb);
    p[3] = alpha;
}

uint32_t picture::rgb(int x, int y) const
{
    const uint8_t *p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

uint8_t picture::alpha(int x, int y) const { return rgba[(size_t(y) * size_t(width) + size_t(x)) * 4 + 3]; }

void picture::fill_rect(int x, int y, int w, int h, uint32_t rgb)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            set(i, j, rgb);
}

namespace {

void put_u16(std::vector<uint8_t> &out, size_t at, uint32_t v)
{
    out[at] = uint8_t(v);
    out[at + 1] = uint8_t(v >> 8);
}

void put_u32(std::vector<uint8_t> &out, size_t at, uint32_t v)
{
    put_u16(out, at, v & 0xFFFF);
    put_u16(out, at + 2, v >> 16);
}

} // namespace

std::vector<uint8_t> make_bmp(const picture &pic)
{
    const size_t padded_row = (size_t(pic.width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> out(54 + padded_row * size_t(pic.height), 0);
    out[0] = 'B';
    out[1] = 'M';
    put_u32(out, 2, uint32_t(out.size()));
    put_u32(out, 10, 54);
    put_u32(out, 14, 40);
    put_u32(out, 18, uint32_t(pic.width));
    put_u32(out, 22, uint32_t(pic.height));
    put_u16(out, 26, 1);
    put_u16(out, 28, 24);
    put_u32(out, 38, 2835);
    put_u32(out, 42, 2835);
    for (int y = 0; y < pic.height; ++y) {
        uint8_t *row = &out[54 + padded_row * size_t(pic.height - 1 - y)];
        for (int x = 0; x < pic.width; ++x) {
            const uint32_t c = pic.rgb(x, y);
            row[x * 3] = uint8_t(c);
            row[x * 3 + 1] = uint8_t(c >> 8);
            row[x * 3 + 2] = uint8_t(c >> 16);
        }
    }
    return out;
}

std::vector<uint8_t> make_tga(const picture &pic, int depth)
{
    if (depth != 24 && depth != 32)
        throw std::invalid_argument("TGA depth must be 24 or 32");
    const size_t bpp = size_t(depth) / 8;
    std::vector<uint8_t> out(18 + bpp * size_t(pic.width) * size_t(pic.height), 0);
    out[2] = 2;
    put_u16(out, 12, uint32_t(pic.width));
    put_u16(out, 14, uint32_t(pic.height));
    out[16] = uint8_t(depth);
    out[17] = depth == 32 ? 8 : 0;
    uint8_t *p = &out[18];
    for (int y = pic.height - 1; y >= 0; --y)
        for (int x = 0; x < pic.width; ++x) {
            const uint32_t c = pic.rgb(x, y);
            *p++ = uint8_t(c);
            *p++ = uint8_t(c >> 8);
            *p++ = uint8_t(c >> 16);
            if (depth == 32)
                *p++ = pic.alpha(x, y);
        }
    return out;
}

std::vector<uint8_t> make_jpeg(const picture &pic, jpeg_kind kind, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *mem = nullptr;
    unsigned long mem_size = 0;
    jpeg_mem_dest(&cinfo, &mem, &mem_size);
    cinfo.image_width = JDIMENSION(pic.width);
    cinfo.image_height = JDIMENSION(pic.height);
    const bool rgb = kind == jpeg_kind::rgb || kind == jpeg_kind::rgb_progressive || kind == jpeg_kind::rgb_arithmetic;
    switch (kind) {
    case jpeg_kind::rgb:
    case jpeg_kind::rgb_progressive:
    case jpeg_kind::rgb_arithmetic:
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        break;
    case jpeg_kind::grey:
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
        break;
    case jpeg_kind::cmyk:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
        break;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == jpeg_kind::rgb_progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.arith_code = kind == jpeg_kind::rgb_arithmetic;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> line(size_t(pic.width) * size_t(cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < pic.width; ++x) {
            const uint32_t c = pic.rgb(x, y);
            const JSAMPLE r = JSAMPLE(c >> 16), g = JSAMPLE(c >> 8), b = JSAMPLE(c);
            JSAMPLE *s = &line[size_t(x) * size_t(cinfo.input_components)];
            if (rgb) {
                s[0] = r;
                s[1] = g;
                s[2] = b;
            } else if (kind == jpeg_kind::grey) {
                s[0] = g;
            } else {
                s[0] = JSAMPLE(255 - r);
                s[1] = JSAMPLE(255 - g);
                s[2] = JSAMPLE(255 - b);
                s[3] = 0;
            }
        }
        JSAMPROW rows[1] = {line.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(mem, mem + mem_size);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

uint32_t cp1251_to_unicode(uint8_t c)
{
    static const uint16_t high[64] = {
        0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
        0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
        0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
        0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
        0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};
    if (c < 0x80)
        return c;
    if (c < 0xC0)
        return high[c - 0x80];
    return 0x0410 + (c - 0xC0u);
}

void write_file(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot create " + path);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok)
        throw std::runtime_error("cannot write " + path);
}

} // namespace imagegen
