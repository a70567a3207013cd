// DDS file generator for tests, fuzz seeds and the demo data. It writes headers the way the
// common tools do (magic, 124-byte header, 32-byte pixel format) followed by the level bytes
// the caller gives, and encodes 32-bit colours into the uncompressed formats and into solid
// DXT blocks. It knows nothing of the engine's reader; broken files are made by patching the
// bytes at the offsets below. Files are written with imagegen::write_file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ddsgen {

// Format codes as Direct3D numbers them; the DXT ones are their FourCC.
enum format : uint32_t
{
    R8G8B8 = 20,
    A8R8G8B8 = 21,
    X8R8G8B8 = 22,
    R5G6B5 = 23,
    X1R5G5B5 = 24,
    A1R5G5B5 = 25,
    A4R4G4B4 = 26,
    A8R3G3B2 = 29,
    X4R4G4B4 = 30,
    DXT1 = 0x31545844,
    DXT3 = 0x33545844,
    DXT5 = 0x35545844,
};

// Offsets of header fields from the start of the file.
enum offset : size_t
{
    HEADER_SIZE = 4,
    FLAGS = 8,
    HEIGHT = 12,
    WIDTH = 16,
    MIP_COUNT = 28,
    PF_FLAGS = 80,
    FOURCC = 84,
    BIT_COUNT = 88,
    CAPS2 = 112,
    DATA = 128,
};

const std::vector<format> &all_formats();
const char *format_name(format f);
bool compressed(format f);
// Bytes of a pixel, or of a 4x4 block.
int unit_bytes(format f);
// Bytes of one level of the given size.
size_t level_bytes(format f, int width, int height);

// A whole file: header, then the levels as given (level 0 first). The mip count and its flag
// are written when there is more than one level.
std::vector<uint8_t> make_dds(format f, int width, int height, const std::vector<std::vector<uint8_t>> &levels);

// One texel (0xAARRGGBB) in an uncompressed format, little-endian; channels are cut to the
// format's bits.
std::vector<uint8_t> encode_texel(format f, uint32_t argb);
// width x height texels, rows top-down.
std::vector<uint8_t> encode_level(format f, const std::vector<uint32_t> &argb);
// A 4x4 block of one colour: in DXT1 opaque (or transparent black when alpha is below 128),
// in DXT3 and DXT5 with the alpha cut to 4 bits or kept whole.
std::vector<uint8_t> solid_block(format f, uint32_t argb);
// A level of solid blocks: block (bx, by) gets colour(bx, by).
template <class F> std::vector<uint8_t> block_level(format f, int width, int height, F colour)
{
    std::vector<uint8_t> out;
    for (int by = 0; by < (height + 3) / 4; ++by)
        for (int bx = 0; bx < (width + 3) / 4; ++bx) {
            const std::vector<uint8_t> b = solid_block(f, colour(bx, by));
            out.insert(out.end(), b.begin(), b.end());
        }
    return out;
}

// A small sample of every format plus broken files, by file name: seeds for the fuzzer and a
// quick look with other tools.
std::vector<std::pair<std::string, std::vector<uint8_t>>> sample_files();

} // namespace ddsgen
