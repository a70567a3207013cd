// bitmap_c: the engine's one in-memory image, 24-bit (B,G,R) or 32-bit (B,G,R,A) pixels,
// rows stored bottom-up (image row y lives at memory row height - 1 - y), stride = bytes per
// pixel x width with no padding.
//
// A colour word holds the first pixel byte (blue) in bits 16-23, green in 8-15 and red in 0-7.
//
// Loading: `load` picks an importer by the name's extension ("bmp", "tga", "jpg", any case);
// a name without extension tries name.bmp, name.tga, name.jpg and uses only the first that
// exists. Files are read whole through vaultfile_c (data directory in front). Importers and
// `create` report failure by returning false and leave the image invalid; they never throw.
// The import_* functions decode a file already in memory and are what `load` runs.
//
// Sizes are checked before anything is allocated: widths and heights must be positive and at
// most BITMAP_MAX_SIDE (no texture is larger; a tiny file must not claim gigabytes), and an
// image larger than INT_MAX bytes is refused. Every importer refuses a larger header before
// it decodes anything; a JPEG whose coded data ends before its picture does is refused
// rather than filled out, and so is an arithmetic-coded one (baseline and progressive are read). The "DIB section" mode of `create` is plain
// memory with the same stride; it still refuses images with alpha.
// Pixel operations assert their preconditions (exception_c of the assertion form).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int BITMAP_MAX_SIDE = 16384;

class bitmap_c
{
public:
    bitmap_c();
    explicit bitmap_c(const char *name);
    ~bitmap_c();
    bitmap_c(const bitmap_c &) = delete;
    bitmap_c &operator=(const bitmap_c &) = delete;
    bitmap_c(bitmap_c &&other) noexcept;
    bitmap_c &operator=(bitmap_c &&other) noexcept;

    void free();
    void reset();
    bool create(int width, int height, int alpha, int as_dib);

    bool load(const char *name);
    bool load_or_throw(const char *name);

    bool import_bmp(const unsigned char *data, size_t n);
    bool import_tga(const unsigned char *data, size_t n);
    bool import_jpg(const unsigned char *data, size_t n);

    void set_pixel(int x, int y, uint32_t colour);
    void set_alpha(int x, int y, int a);
    uint32_t get_pixel(int x, int y) const;
    void fill(uint32_t colour);
    void copy_rect(const bitmap_c &src, int dst_x, int dst_y, int src_x, int src_y, int width,
                   int height);

    bool valid() const { return m_valid != 0; }
    bool is_section() const { return m_valid && m_section; }
    int width() const { return m_valid ? m_width : 0; }
    int height() const { return m_valid ? m_height : 0; }
    int has_alpha() const { return m_valid ? m_alpha_channel : 0; }
    int bytes_per_pixel() const { return m_valid ? m_bytes_per_pixel : 0; }
    int stride() const { return m_valid ? m_stride : 0; }
    unsigned char *pixels() const { return m_valid ? m_pixels : nullptr; }
    size_t size() const { return m_valid ? size_t(m_stride) * size_t(m_height) : 0; }
    unsigned char *row(int y) const;

private:
    bool import_file(const char *name, bool (bitmap_c::*importer)(const unsigned char *, size_t));
    unsigned char *pixel_address(int x, int y) const;

    int m_valid;
    int m_section; // made by the DIB mode; the pixels are plain memory all the same
    int m_width;
    int m_height;
    int m_alpha_channel;
    int m_bytes_per_pixel;
    int m_stride;
    unsigned char *m_pixels;
};
