#include "tools/ddsgen/ddsgen.h"

#include <stdexcept>

namespace ddsgen {

namespace {

void put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = (uint8_t)(v >> (8 * i));
}

struct mask_s
{
    format f;
    uint32_t bits, r, g, b, a;
};

const mask_s masks[] = {
    {R8G8B8, 24, 0xFF0000, 0xFF00, 0xFF, 0},        {A8R8G8B8, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {X8R8G8B8, 32, 0xFF0000, 0xFF00, 0xFF, 0},      {R5G6B5, 16, 0xF800, 0x7E0, 0x1F, 0},
    {X1R5G5B5, 16, 0x7C00, 0x3E0, 0x1F, 0},         {A1R5G5B5, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {A4R4G4B4, 16, 0xF00, 0xF0, 0xF, 0xF000},       {A8R3G3B2, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {X4R4G4B4, 16, 0xF00, 0xF0, 0xF, 0},
};

uint32_t pack(uint32_t argb, int abits, int rbits, int gbits, int bbits)
{
    const uint32_t a = argb >> 24, r = argb >> 16 & 0xFF, g = argb >> 8 & 0xFF, b = argb & 0xFF;
    return (abits ? (a >> (8 - abits)) << (rbits + gbits + bbits) : 0) | (r >> (8 - rbits)) << (gbits + bbits) |
           (g >> (8 - gbits)) << bbits | b >> (8 - bbits);
}

} // namespace

const std::vector<format> &all_formats()
{
    static const std::vector<format> list = {A8R8G8B8, X8R8G8B8, R8G8B8, R5G6B5, A1R5G5B5, X1R5G5B5,
                                             A4R4G4B4, X4R4G4B4, A8R3G3B2, DXT1,  DXT3,     DXT5};
    return list;
}

const char *format_name(format f)
{
    switch (f) {
    case R8G8B8: return "R8G8B8";
    case A8R8G8B8: return "A8R8G8B8";
    case X8R8G8B8: return "X8R8G8B8";
    case R5G6B5: return "R5G6B5";
    case X1R5G5B5: return "X1R5G5B5";
    case A1R5G5B5: return "A1R5G5B5";
    case A4R4G4B4: return "A4R4G4B4";
    case A8R3G3B2: return "A8R3G3B2";
    case X4R4G4B4: return "X4R4G4B4";
    case DXT1: return "DXT1";
    case DXT3: return "DXT3";
    case DXT5: return "DXT5";
    }
    return "?";
}

bool compressed(format f)
{
    return f == DXT1 || f == DXT3 || f == DXT5;
}

int unit_bytes(format f)
{
    switch (f) {
    case DXT1: return 8;
    case DXT3:
    case DXT5: return 16;
    case R8G8B8: return 3;
    case A8R8G8B8:
    case X8R8G8B8: return 4;
    default: return 2;
    }
}

size_t level_bytes(format f, int width, int height)
{
    if (compressed(f))
        return (size_t)((width + 3) / 4) * (size_t)((height + 3) / 4) * unit_bytes(f);
    return (size_t)width * (size_t)height * unit_bytes(f);
}

std::vector<uint8_t> make_dds(format f, int width, int height, const std::vector<std::vector<uint8_t>> &levels)
{
    std::vector<uint8_t> b(DATA, 0);
    b[0] = 'D', b[1] = 'D', b[2] = 'S', b[3] = ' ';
    put32(b, HEADER_SIZE, 124);
    uint32_t flags = 0x1 | 0x2 | 0x4 | 0x1000; // caps, height, width, pixel format
    flags |= compressed(f) ? 0x80000 : 0x8;    // linear size or pitch
    if (levels.size() > 1)
        flags |= 0x20000;
    put32(b, FLAGS, flags);
    put32(b, HEIGHT, (uint32_t)height);
    put32(b, WIDTH, (uint32_t)width);
    put32(b, 20, (uint32_t)(compressed(f) ? level_bytes(f, width, height) : (size_t)width * unit_bytes(f)));
    put32(b, MIP_COUNT, levels.size() > 1 ? (uint32_t)levels.size() : 0);
    put32(b, 76, 32);
    if (compressed(f)) {
        put32(b, PF_FLAGS, 0x4);
        put32(b, FOURCC, f);
    } else {
        for (const mask_s &m : masks)
            if (m.f == f) {
                put32(b, PF_FLAGS, 0x40 | (m.a ? 0x1 : 0));
                put32(b, BIT_COUNT, m.bits);
                put32(b, 92, m.r);
                put32(b, 96, m.g);
                put32(b, 100, m.b);
                put32(b, 104, m.a);
            }
    }
    put32(b, 108, 0x1000 | (levels.size() > 1 ? 0x400008 : 0)); // texture, complex + mipmap
    for (const std::vector<uint8_t> &l : levels)
        b.insert(b.end(), l.begin(), l.end());
    return b;
}

std::vector<uint8_t> encode_texel(format f, uint32_t argb)
{
    uint32_t v = 0;
    switch (f) {
    case A8R8G8B8: v = argb; break;
    case X8R8G8B8: v = argb & 0xFFFFFF; break;
    case R8G8B8: return {(uint8_t)argb, (uint8_t)(argb >> 8), (uint8_t)(argb >> 16)};
    case R5G6B5: v = pack(argb, 0, 5, 6, 5); break;
    case X1R5G5B5: v = pack(argb, 0, 5, 5, 5); break;
    case A1R5G5B5: v = pack(argb, 1, 5, 5, 5); break;
    case A4R4G4B4: v = pack(argb, 4, 4, 4, 4); break;
    case X4R4G4B4: v = pack(argb, 0, 4, 4, 4); break;
    case A8R3G3B2: v = pack(argb, 8, 3, 3, 2); break;
    default: throw std::runtime_error("encode_texel: compressed format");
    }
    std::vector<uint8_t> out((size_t)unit_bytes(f));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (uint8_t)(v >> (8 * i));
    return out;
}

std::vector<uint8_t> encode_level(format f, const std::vector<uint32_t> &argb)
{
    std::vector<uint8_t> out;
    for (uint32_t c : argb) {
        const std::vector<uint8_t> t = encode_texel(f, c);
        out.insert(out.end(), t.begin(), t.end());
    }
    return out;
}

std::vector<uint8_t> solid_block(format f, uint32_t argb)
{
    const uint32_t c = pack(argb, 0, 5, 6, 5);
    const uint8_t a = (uint8_t)(argb >> 24);
    std::vector<uint8_t> colour = {(uint8_t)c, (uint8_t)(c >> 8), (uint8_t)c, (uint8_t)(c >> 8), 0, 0, 0, 0};
    if (f == DXT1) {
        if (a < 128) // colour 3 of the three-colour mode: transparent black
            colour = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
        return colour;
    }
    std::vector<uint8_t> alpha(8, 0);
    if (f == DXT3) {
        const uint8_t nibble = a >> 4;
        for (uint8_t &x : alpha)
            x = (uint8_t)(nibble | nibble << 4);
    } else if (f == DXT5) {
        alpha[0] = alpha[1] = a;
    } else {
        throw std::runtime_error("solid_block: not a DXT format");
    }
    alpha.insert(alpha.end(), colour.begin(), colour.end());
    return alpha;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> sample_files()
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    auto colour = [](int x, int y) { return 0x80000000u | (uint32_t)(x * 40) << 16 | (uint32_t)(y * 40) << 8 | 0x55; };
    for (format f : all_formats()) {
        std::vector<std::vector<uint8_t>> levels;
        for (int size = 8; size >= 1; size /= 2) {
            if (compressed(f)) {
                levels.push_back(block_level(f, size, size, colour));
            } else {
                std::vector<uint32_t> texels;
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        texels.push_back(colour(x, y));
                levels.push_back(encode_level(f, texels));
            }
        }
        files.push_back({std::string(format_name(f)) + ".dds", make_dds(f, 8, 8, levels)});
    }
    std::vector<uint8_t> good = make_dds(DXT1, 8, 8, {std::vector<uint8_t>(32, 0x11)});
    std::vector<uint8_t> b = good;
    b.resize(b.size() - 1);
    files.push_back({"broken_short.dds", b});
    b = good;
    put32(b, FOURCC, 0x30315844); // "DX10"
    files.push_back({"broken_dx10.dds", b});
    b = good;
    put32(b, CAPS2, 0x200 | 0xFC00);
    files.push_back({"broken_cube.dds", b});
    b = good;
    put32(b, CAPS2, 0x200000);
    files.push_back({"broken_volume.dds", b});
    b = good;
    put32(b, FLAGS, 0x1007 | 0x20000);
    put32(b, MIP_COUNT, 5);
    files.push_back({"broken_mips.dds", b});
    return files;
}

} // namespace ddsgen
