#include "importers/bitmap.h"

#include "basics/vaultfile_obj.h"
#include "kernel/exception.h"

#include <cctype>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <jpeglib.h>
#include <jerror.h>

namespace {

uint32_t read_u16(const unsigned char *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

uint32_t read_u32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int32_t read_s32(const unsigned char *p) { return int32_t(read_u32(p)); }

} // namespace

bitmap_c::bitmap_c()
    : m_valid(0), m_section(0), m_width(0), m_height(0), m_alpha_channel(0), m_bytes_per_pixel(0),
      m_stride(0), m_pixels(nullptr)
{
}

bitmap_c::bitmap_c(const char *name) : bitmap_c() { load_or_throw(name); }

bitmap_c::~bitmap_c() { free(); }

bitmap_c::bitmap_c(bitmap_c &&other) noexcept : bitmap_c() { *this = std::move(other); }

bitmap_c &bitmap_c::operator=(bitmap_c &&other) noexcept
{
    if (this != &other) {
        reset();
        m_valid = std::exchange(other.m_valid, 0);
        m_section = std::exchange(other.m_section, 0);
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
        m_alpha_channel = std::exchange(other.m_alpha_channel, 0);
        m_bytes_per_pixel = std::exchange(other.m_bytes_per_pixel, 0);
        m_stride = std::exchange(other.m_stride, 0);
        m_pixels = std::exchange(other.m_pixels, nullptr);
    }
    return *this;
}

void bitmap_c::free()
{
    if (!m_valid)
        return;
    std::free(m_pixels);
}

void bitmap_c::reset()
{
    free();
    m_valid = 0;
    m_section = 0;
    m_width = 0;
    m_height = 0;
    m_alpha_channel = 0;
    m_bytes_per_pixel = 0;
    m_stride = 0;
    m_pixels = nullptr;
}

bool bitmap_c::create(int width, int height, int alpha, int as_dib)
{
    reset();
    // Sizes come from file headers: refuse what cannot be a picture, and keep stride and the
    // whole block within int so that stride() and size() stay exact.
    if (width <= 0 || height <= 0 || width > BITMAP_MAX_SIDE || height > BITMAP_MAX_SIDE)
        return false;
    const int64_t bpp = alpha ? 4 : 3;
    const int64_t stride = bpp * width;
    if (stride > INT_MAX || stride * int64_t(height) > INT_MAX)
        return false;
    if (as_dib && alpha)
        return false;
    void *block = std::calloc(size_t(stride) * size_t(height), 1);
    if (!block)
        return false;
    m_width = width;
    m_height = height;
    m_alpha_channel = alpha ? 1 : 0;
    m_bytes_per_pixel = int(bpp);
    m_stride = int(stride);
    m_section = as_dib ? 1 : 0;
    m_pixels = static_cast<unsigned char *>(block);
    m_valid = 1;
    return true;
}

bool bitmap_c::load_or_throw(const char *name)
{
    if (!load(name))
        ENGINE_THROW(exception_c, std::string("Could not load '") + name + "'");
    return true;
}

unsigned char *bitmap_c::row(int y) const
{
    if (!m_valid || !m_pixels || y < 0 || y >= m_height)
        return nullptr;
    return m_pixels + size_t(m_height - 1 - y) * size_t(m_stride);
}

unsigned char *bitmap_c::pixel_address(int x, int y) const
{
    return m_pixels + size_t(m_height - 1 - y) * size_t(m_stride) + size_t(x) * size_t(m_bytes_per_pixel);
}

void bitmap_c::set_pixel(int x, int y, uint32_t colour)
{
    ENGINE_ASSERT(m_valid);
    ENGINE_ASSERT(x >= 0 && x < m_width);
    ENGINE_ASSERT(y >= 0 && y < m_height);
    unsigned char *p = pixel_address(x, y);
    p[0] = (colour >> 16) & 0xFF;
    p[1] = (colour >> 8) & 0xFF;
    p[2] = colour & 0xFF;
}

void bitmap_c::set_alpha(int x, int y, int a)
{
    ENGINE_ASSERT(m_valid);
    ENGINE_ASSERT(m_alpha_channel);
    ENGINE_ASSERT(x >= 0 && x < m_width);
    ENGINE_ASSERT(y >= 0 && y < m_height);
    pixel_address(x, y)[3] = (unsigned char)a;
}

uint32_t bitmap_c::get_pixel(int x, int y) const
{
    ENGINE_ASSERT(m_valid);
    ENGINE_ASSERT(x >= 0 && x < m_width);
    ENGINE_ASSERT(y >= 0 && y < m_height);
    const unsigned char *p = pixel_address(x, y);
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]);
}

void bitmap_c::fill(uint32_t colour)
{
    if (!m_valid || m_alpha_channel)
        return;
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            set_pixel(x, y, colour);
}

void bitmap_c::copy_rect(const bitmap_c &src, int dst_x, int dst_y, int src_x, int src_y, int width,
                         int height)
{
    ENGINE_ASSERT(m_valid);
    ENGINE_ASSERT(src.m_valid);
    ENGINE_ASSERT(!m_alpha_channel);
    ENGINE_ASSERT(!src.m_alpha_channel);

    // Clip one axis: first the source, then the destination. The arithmetic is in 64 bits so
    // that extreme arguments cannot wrap into a range that looks valid.
    auto clip = [](int64_t &start, int64_t &other, int64_t &len, int64_t limit) {
        if (start < 0) {
            len += start;
            other -= start;
            start = 0;
        }
        if (len < 1 || start >= limit)
            return false;
        if (start + len > limit)
            len = limit - start;
        return len >= 1;
    };
    int64_t sx = src_x, sy = src_y, dx = dst_x, dy = dst_y, w = width, h = height;
    if (!clip(sx, dx, w, src.m_width) || !clip(sy, dy, h, src.m_height) ||
        !clip(dx, sx, w, m_width) || !clip(dy, sy, h, m_height))
        return;
    for (int64_t i = 0; i < h; ++i)
        std::memcpy(row(int(dy + i)) + dx * 3, src.row(int(sy + i)) + sx * 3, size_t(w) * 3);
}

bool bitmap_c::import_bmp(const unsigned char *data, size_t n)
{
    reset();
    if (!data || n < 54)
        return false;
    if (read_u16(data) != 0x4D42 || read_u32(data + 2) != n)
        return false;
    if (read_u32(data + 14) != 40 || read_u16(data + 28) != 24 || read_u16(data + 26) != 1 ||
        read_u32(data + 30) != 0)
        return false;
    const int32_t width = read_s32(data + 18);
    const int32_t height = read_s32(data + 22);
    if (width <= 0 || height <= 0)
        return false;
    const uint64_t offset = read_u32(data + 10);
    const uint64_t padded_row = (3 * uint64_t(width) + 3) & ~uint64_t(3);
    if (uint64_t(n) < padded_row * uint64_t(height) + offset)
        return false;
    if (!create(width, height, 0, 0))
        return false;
    for (int i = 0; i < height; ++i)
        std::memcpy(m_pixels + size_t(i) * size_t(m_stride), data + offset + padded_row * uint64_t(i),
                    size_t(m_stride));
    return true;
}

bool bitmap_c::import_tga(const unsigned char *data, size_t n)
{
    reset();
    if (!data || n < 18)
        return false;
    if (data[1] != 0 || data[2] != 2)
        return false;
    if (read_u16(data + 3) != 0 || read_u16(data + 5) != 0 || data[7] != 0)
        return false;
    const int depth = data[16];
    const int descriptor = data[17];
    if (!((depth == 24 && descriptor == 0) || (depth == 32 && descriptor == 8)))
        return false;
    const uint32_t width = read_u16(data + 12);
    const uint32_t height = read_u16(data + 14);
    const uint64_t id_length = data[0];
    if (uint64_t(n) < uint64_t(width) * height * uint64_t(depth) / 8 + id_length + 18)
        return false;
    if (!create(int(width), int(height), depth == 32, 0))
        return false;
    std::memcpy(m_pixels, data + 18 + id_length, size());
    return true;
}

// JPEG decoding. libjpeg reports fatal errors through error_exit, which must not return: ours
// jumps back into import_jpg. The memory source hands libjpeg the whole file once; asking for
// more means the file ended early, which is an error rather than the fake end marker that
// libjpeg's own memory source would supply.
namespace {

struct jpeg_error_jump {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    void (*standard_emit)(j_common_ptr, int);
};

struct jpeg_block_source {
    jpeg_source_mgr pub;
    const unsigned char *data;
    size_t size;
    bool handed_over;
};

void jpeg_error_exit_jump(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<jpeg_error_jump *>(cinfo->err)->jump, 1);
}

// Entropy-coded data that ends at a marker before the picture does is only a warning to
// libjpeg, which then fills the rest of the picture with grey: a few hundred bytes would make it
// decode tens of millions of pixels. No whole file ends that way, so it is refused as an error.
void jpeg_emit_message_refusing_early_end(j_common_ptr cinfo, int level)
{
    auto *err = reinterpret_cast<jpeg_error_jump *>(cinfo->err);
    if (level < 0 && err->pub.msg_code == JWRN_HIT_MARKER)
        err->pub.error_exit(cinfo);
    err->standard_emit(cinfo, level);
}

void jpeg_source_init(j_decompress_ptr) {}

boolean jpeg_source_fill(j_decompress_ptr cinfo)
{
    auto *src = reinterpret_cast<jpeg_block_source *>(cinfo->src);
    if (src->handed_over)
        ERREXIT(cinfo, JERR_INPUT_EOF);
    src->handed_over = true;
    src->pub.next_input_byte = src->data;
    src->pub.bytes_in_buffer = src->size;
    return TRUE;
}

void jpeg_source_skip(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    auto *src = reinterpret_cast<jpeg_block_source *>(cinfo->src);
    if (src->pub.bytes_in_buffer == 0 && !src->handed_over)
        jpeg_source_fill(cinfo);
    if (size_t(count) > src->pub.bytes_in_buffer)
        ERREXIT(cinfo, JERR_INPUT_EOF);
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= size_t(count);
}

void jpeg_source_term(j_decompress_ptr) {}

// Kept apart from import_jpg so that no object with a destructor lives between setjmp and a
// long jump back to it.
bool decode_jpeg(bitmap_c &image, const unsigned char *data, size_t n)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_jump err;
    jpeg_block_source src;

    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jpeg_error_exit_jump;
    err.standard_emit = err.pub.emit_message;
    err.pub.emit_message = jpeg_emit_message_refusing_early_end;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        image.reset();
        return false;
    }
    jpeg_create_decompress(&cinfo);

    src.pub.init_source = jpeg_source_init;
    src.pub.fill_input_buffer = jpeg_source_fill;
    src.pub.skip_input_data = jpeg_source_skip;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = jpeg_source_term;
    src.pub.next_input_byte = nullptr;
    src.pub.bytes_in_buffer = 0;
    src.data = data;
    src.size = n;
    src.handed_over = false;
    cinfo.src = &src.pub;

    jpeg_read_header(&cinfo, TRUE);
    // libjpeg sizes its own buffers by the header at start-up: a huge claim is refused before.
    // Arithmetic-coded data runs on as zeros past its end without a word from libjpeg, so a few
    // hundred bytes could claim the largest picture; no texture is coded that way.
    bool accepted = !cinfo.arith_code && cinfo.image_width <= JDIMENSION(BITMAP_MAX_SIDE) &&
                    cinfo.image_height <= JDIMENSION(BITMAP_MAX_SIDE);
    uint64_t row_length = 0;
    if (accepted) {
        jpeg_start_decompress(&cinfo);
        row_length = uint64_t(cinfo.output_components) * cinfo.output_width;
        accepted = cinfo.jpeg_color_space != JCS_GRAYSCALE && row_length == 3 * uint64_t(cinfo.image_width) &&
                   image.create(int(cinfo.image_width), int(cinfo.image_height), 0, 0);
    }
    if (!accepted) {
        jpeg_destroy_decompress(&cinfo);
        image.reset();
        return false;
    }
    JSAMPARRAY buffer =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, JDIMENSION(row_length), 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int k = int(cinfo.output_scanline);
        jpeg_read_scanlines(&cinfo, buffer, 1);
        const JSAMPLE *s = buffer[0];
        for (int x = 0; x < int(cinfo.output_width); ++x, s += 3)
            image.set_pixel(x, k, uint32_t(s[0]) + uint32_t(s[1]) * 256 + uint32_t(s[2]) * 65536);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

bool bitmap_c::import_jpg(const unsigned char *data, size_t n)
{
    reset();
    if (!data || n == 0)
        return false;
    return decode_jpeg(*this, data, n);
}

// Reading files. Names are relative to the data directory; bitmaps keep no name in the file
// object, since the image reports failures by its result.
namespace {

constexpr int bitmap_open_flags = VFILE_READ | VFILE_NO_NAME;
constexpr size_t name_buffer_size = 512;

bool equal_no_case(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower((unsigned char)*a) != std::tolower((unsigned char)*b))
            return false;
    return *a == *b;
}

} // namespace

bool bitmap_c::import_file(const char *name, bool (bitmap_c::*importer)(const unsigned char *, size_t))
{
    reset();
    unsigned char *block = nullptr;
    try {
        vaultfile_c file(name, bitmap_open_flags);
        const unsigned long n = file.size();
        if (n > (unsigned long)INT_MAX)
            return false;
        block = static_cast<unsigned char *>(std::malloc(n ? n : 1));
        if (!block)
            return false;
        file.read(block, int(n));
        file.close();
        const bool ok = (this->*importer)(block, n);
        std::free(block);
        return ok;
    } catch (const file_io_exception_c &) {
        std::free(block);
        reset();
        return false;
    }
}

bool bitmap_c::load(const char *name)
{
    static const struct {
        const char *extension;
        bool (bitmap_c::*importer)(const unsigned char *, size_t);
    } kinds[] = {{"bmp", &bitmap_c::import_bmp}, {"tga", &bitmap_c::import_tga}, {"jpg", &bitmap_c::import_jpg}};

    const char *extension = file_extension(name);
    if (*extension == 0) {
        char full[name_buffer_size];
        for (const auto &kind : kinds) {
            // A name too long for the buffer can name no file.
            if (std::snprintf(full, sizeof full, "%s.%s", name, kind.extension) >= int(sizeof full))
                return false;
            try {
                if (!vaultfile_exists(full, 0))
                    continue;
            } catch (const file_io_exception_c &) {
                return false;
            }
            return import_file(full, kind.importer);
        }
        reset();
        return false;
    }
    for (const auto &kind : kinds)
        if (equal_no_case(extension, kind.extension))
            return import_file(name, kind.importer);
    reset();
    return false;
}
