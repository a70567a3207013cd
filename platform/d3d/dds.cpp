#include "platform/d3d/dds.h"

#include <cstring>

namespace {

// Header fields, as offsets from the start of the file.
enum : size_t
{
    OFF_SIZE = 4,
    OFF_FLAGS = 8,
    OFF_HEIGHT = 12,
    OFF_WIDTH = 16,
    OFF_MIPS = 28,
    OFF_PF_SIZE = 76,
    OFF_PF_FLAGS = 80,
    OFF_FOURCC = 84,
    OFF_BITS = 88,
    OFF_RMASK = 92,
    OFF_GMASK = 96,
    OFF_BMASK = 100,
    OFF_AMASK = 104,
    OFF_CAPS2 = 112,
};

constexpr DWORD FLAG_MIPMAPCOUNT = 0x20000;
constexpr DWORD FLAG_DEPTH = 0x800000;
constexpr DWORD PF_ALPHAPIXELS = 0x1;
constexpr DWORD PF_FOURCC = 0x4;
constexpr DWORD PF_RGB = 0x40;
constexpr DWORD CAPS2_CUBEMAP = 0x200;
constexpr DWORD CAPS2_VOLUME = 0x200000;

DWORD read32(const BYTE *p)
{
    return (DWORD)p[0] | (DWORD)p[1] << 8 | (DWORD)p[2] << 16 | (DWORD)p[3] << 24;
}

WORD read16(const BYTE *p)
{
    return (WORD)(p[0] | p[1] << 8);
}

struct mask_format_s
{
    DWORD bits, r, g, b, a;
    D3DFORMAT format;
};

// Uncompressed formats by their masks; an alpha mask counts only with the alpha-pixels flag.
const mask_format_s mask_formats[] = {
    {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8R8G8B8},
    {32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8R8G8B8},
    {24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
    {16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
    {16, 0x7C00, 0x3E0, 0x1F, 0x8000, D3DFMT_A1R5G5B5},
    {16, 0x7C00, 0x3E0, 0x1F, 0, D3DFMT_X1R5G5B5},
    {16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
    {16, 0xF00, 0xF0, 0xF, 0, D3DFMT_X4R4G4B4},
    {16, 0xE0, 0x1C, 0x3, 0xFF00, D3DFMT_A8R3G3B2},
};

D3DFORMAT pixel_format(const BYTE *h, std::string *error)
{
    const DWORD flags = read32(h + OFF_PF_FLAGS);
    if (flags & PF_FOURCC) {
        const DWORD fourcc = read32(h + OFF_FOURCC);
        if (fourcc == MAKEFOURCC('D', 'X', '1', '0')) {
            *error = "extended (DX10) headers are not supported";
            return D3DFMT_UNKNOWN;
        }
        if (fourcc == D3DFMT_DXT1 || fourcc == D3DFMT_DXT2 || fourcc == D3DFMT_DXT3 || fourcc == D3DFMT_DXT4 ||
            fourcc == D3DFMT_DXT5)
            return fourcc;
        *error = "unsupported compressed format";
        return D3DFMT_UNKNOWN;
    }
    if (flags & PF_RGB) {
        const DWORD bits = read32(h + OFF_BITS), r = read32(h + OFF_RMASK), g = read32(h + OFF_GMASK),
                    b = read32(h + OFF_BMASK), a = (flags & PF_ALPHAPIXELS) ? read32(h + OFF_AMASK) : 0;
        for (const mask_format_s &m : mask_formats)
            if (m.bits == bits && m.r == r && m.g == g && m.b == b && m.a == a)
                return m.format;
    }
    *error = "unsupported pixel format";
    return D3DFMT_UNKNOWN;
}

// 5, 6 or other widths widened to 8 bits by repeating the high bits.
BYTE widen(DWORD value, int bits)
{
    DWORD v = value << (8 - bits);
    for (int have = bits; have < 8; have += bits)
        v |= v >> bits;
    return (BYTE)v;
}

D3DCOLOR argb(DWORD a, DWORD r, DWORD g, DWORD b)
{
    return a << 24 | r << 16 | g << 8 | b;
}

D3DCOLOR from_565(WORD c)
{
    return argb(255, widen(c >> 11, 5), widen(c >> 5 & 0x3F, 6), widen(c & 0x1F, 5));
}

// The four colours of a DXT colour block; three plus transparent black when `three` is set.
void colour_table(WORD c0, WORD c1, bool three, D3DCOLOR table[4])
{
    table[0] = from_565(c0);
    table[1] = from_565(c1);
    auto channel = [](D3DCOLOR c, int shift) { return (c >> shift) & 0xFF; };
    for (int shift = 0; shift < 24; shift += 8) {
        const DWORD a = channel(table[0], shift), b = channel(table[1], shift);
        if (three) {
            table[2] |= ((a + b) / 2) << shift;
        } else {
            table[2] |= ((2 * a + b) / 3) << shift;
            table[3] |= ((a + 2 * b) / 3) << shift;
        }
    }
    table[2] |= 0xFF000000u;
    if (!three)
        table[3] |= 0xFF000000u;
}

void colour_block(const BYTE *block, bool allow_three, D3DCOLOR out[16])
{
    const WORD c0 = read16(block), c1 = read16(block + 2);
    D3DCOLOR table[4] = {0, 0, 0, 0};
    colour_table(c0, c1, allow_three && c0 <= c1, table);
    const DWORD indices = read32(block + 4);
    for (int i = 0; i < 16; ++i)
        out[i] = table[indices >> (2 * i) & 3];
}

D3DCOLOR decode_texel(D3DFORMAT format, const BYTE *p)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
        return read32(p);
    case D3DFMT_X8R8G8B8:
        return read32(p) | 0xFF000000u;
    case D3DFMT_R8G8B8:
        return argb(255, p[2], p[1], p[0]);
    case D3DFMT_R5G6B5:
        return from_565(read16(p));
    case D3DFMT_A1R5G5B5:
    case D3DFMT_X1R5G5B5: {
        const WORD c = read16(p);
        const DWORD a = format == D3DFMT_X1R5G5B5 || (c & 0x8000) ? 255 : 0;
        return argb(a, widen(c >> 10 & 0x1F, 5), widen(c >> 5 & 0x1F, 5), widen(c & 0x1F, 5));
    }
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: {
        const WORD c = read16(p);
        const DWORD a = format == D3DFMT_X4R4G4B4 ? 255 : (c >> 12) * 17;
        return argb(a, (c >> 8 & 0xF) * 17, (c >> 4 & 0xF) * 17, (c & 0xF) * 17);
    }
    case D3DFMT_A8R3G3B2: {
        const WORD c = read16(p);
        return argb(c >> 8, widen(c >> 5 & 7, 3), widen(c >> 2 & 7, 3), widen(c & 3, 2));
    }
    default:
        return 0;
    }
}

} // namespace

bool dds_parse(const BYTE *data, size_t size, dds_image_s *out, std::string *error)
{
    if (size < DDS_HEADER_BYTES) {
        *error = "file shorter than a DDS header";
        return false;
    }
    if (std::memcmp(data, "DDS ", 4) != 0 || read32(data + OFF_SIZE) != 124 || read32(data + OFF_PF_SIZE) != 32) {
        *error = "not a DDS header";
        return false;
    }
    const DWORD caps2 = read32(data + OFF_CAPS2);
    if (caps2 & CAPS2_CUBEMAP) {
        *error = "cube maps are not supported";
        return false;
    }
    if ((caps2 & CAPS2_VOLUME) || (read32(data + OFF_FLAGS) & FLAG_DEPTH)) {
        *error = "volume textures are not supported";
        return false;
    }
    const D3DFORMAT format = pixel_format(data, error);
    if (format == D3DFMT_UNKNOWN)
        return false;
    const uint64_t width = read32(data + OFF_WIDTH), height = read32(data + OFF_HEIGHT);
    if (width == 0 || height == 0) {
        *error = "zero width or height";
        return false;
    }
    uint64_t levels = 1;
    if (read32(data + OFF_FLAGS) & FLAG_MIPMAPCOUNT)
        levels = read32(data + OFF_MIPS) ? read32(data + OFF_MIPS) : 1;
    uint64_t full = 1;
    for (uint64_t w = width, h = height; w > 1 || h > 1; w >>= 1, h >>= 1)
        ++full;
    if (levels > full) {
        *error = "more mip levels than the size allows";
        return false;
    }

    const bool blocks = d3d_format_is_compressed(format);
    const uint64_t unit = d3d_format_block_bytes(format);
    dds_image_s image{format, (UINT)width, (UINT)height, {}};
    uint64_t offset = DDS_HEADER_BYTES;
    for (uint64_t i = 0; i < levels; ++i) {
        const uint64_t w = width >> i ? width >> i : 1, h = height >> i ? height >> i : 1;
        const uint64_t pitch = blocks ? (w + 3) / 4 * unit : w * unit;
        const uint64_t rows = blocks ? (h + 3) / 4 : h;
        const uint64_t left = size - offset;
        if (pitch > left || rows > left / pitch) { // pitch * rows could pass 2^64
            *error = "mip level " + std::to_string(i) + " runs past the end of the file";
            return false;
        }
        const uint64_t bytes = pitch * rows;
        image.levels.push_back({(UINT)w, (UINT)h, (size_t)offset, (size_t)bytes, (UINT)pitch, (UINT)rows});
        offset += bytes;
    }
    *out = std::move(image);
    return true;
}

bool dds_format_has_alpha(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return true;
    default:
        return false;
    }
}

void dds_decode_dxt1_block(const BYTE *block, D3DCOLOR out[16])
{
    colour_block(block, true, out);
}

void dds_decode_dxt3_block(const BYTE *block, D3DCOLOR out[16])
{
    colour_block(block + 8, false, out);
    for (int i = 0; i < 16; ++i) {
        const DWORD a = (block[i / 2] >> (4 * (i & 1))) & 0xF;
        out[i] = (out[i] & 0xFFFFFF) | (a * 17) << 24;
    }
}

void dds_decode_dxt5_block(const BYTE *block, D3DCOLOR out[16])
{
    colour_block(block + 8, false, out);
    const DWORD a0 = block[0], a1 = block[1];
    DWORD table[8] = {a0, a1, 0, 0, 0, 0, 0, 255};
    if (a0 > a1) {
        for (DWORD k = 1; k <= 6; ++k)
            table[k + 1] = ((7 - k) * a0 + k * a1) / 7;
    } else {
        for (DWORD k = 1; k <= 4; ++k)
            table[k + 1] = ((5 - k) * a0 + k * a1) / 5;
    }
    uint64_t indices = 0;
    for (int i = 0; i < 6; ++i)
        indices |= (uint64_t)block[2 + i] << (8 * i);
    for (int i = 0; i < 16; ++i)
        out[i] = (out[i] & 0xFFFFFF) | table[indices >> (3 * i) & 7] << 24;
}

bool dds_decode(D3DFORMAT format, const BYTE *bits, UINT pitch, UINT width, UINT height, D3DCOLOR *out)
{
    if (d3d_format_is_compressed(format)) {
        void (*block_decoder)(const BYTE *, D3DCOLOR *) =
            format == D3DFMT_DXT1 ? dds_decode_dxt1_block
            : (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) ? dds_decode_dxt3_block
                                                                : dds_decode_dxt5_block;
        const UINT unit = d3d_format_block_bytes(format);
        D3DCOLOR texels[16];
        for (UINT by = 0; by < (height + 3) / 4; ++by)
            for (UINT bx = 0; bx < (width + 3) / 4; ++bx) {
                block_decoder(bits + (size_t)by * pitch + (size_t)bx * unit, texels);
                for (UINT y = 0; y < 4 && by * 4 + y < height; ++y)
                    for (UINT x = 0; x < 4 && bx * 4 + x < width; ++x)
                        out[(size_t)(by * 4 + y) * width + bx * 4 + x] = texels[y * 4 + x];
            }
        return true;
    }
    const UINT unit = d3d_format_block_bytes(format);
    bool known = false;
    for (const mask_format_s &m : mask_formats)
        known |= m.format == format;
    if (!known)
        return false;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            out[(size_t)y * width + x] = decode_texel(format, bits + (size_t)y * pitch + (size_t)x * unit);
    return true;
}
