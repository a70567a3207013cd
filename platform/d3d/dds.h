// DDS texture files, read by our own code: the header, the layout of the mip levels in the
// file, and decoding of any level into 32-bit A8R8G8B8 texels.
//
// Accepted: a 2D texture with the "DDS " magic and a 124-byte header, in one of the formats
// DXT1 to DXT5 (by FourCC) or the uncompressed A8R8G8B8, X8R8G8B8, R8G8B8, R5G6B5, A1R5G5B5,
// X1R5G5B5, A4R4G4B4, X4R4G4B4 and A8R3G3B2 (by bit count and channel masks). Levels follow
// the header tightly packed, level 0 first; a DXT level takes whole 4x4 blocks. The level
// count is the header's mip count when its flag is set (0 counts as 1), else 1.
// Refused, with a reason: short or wrong headers, extended (DX10) headers, cube maps, volumes,
// other pixel formats, zero sizes, more levels than the size allows, and levels that run past
// the end of the file. Every size is worked out in 64-bit arithmetic before it is used.
#pragma once

#include "platform/d3d/d3d8.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t DDS_HEADER_BYTES = 128; // magic and header; the data starts here

struct dds_level_s
{
    UINT width, height;
    size_t offset; // from the start of the file
    size_t bytes;
    UINT pitch;    // bytes of one row of pixels, or of 4x4 blocks
    UINT rows;     // rows of pixels, or of blocks
};

struct dds_image_s
{
    D3DFORMAT format;
    UINT width, height;
    std::vector<dds_level_s> levels;
};

// False with a reason in `error` when the file is not one this reader takes.
bool dds_parse(const BYTE *data, size_t size, dds_image_s *out, std::string *error);

// Whether texels of the format carry alpha as far as decoding goes (DXT1's transparent black
// and the DXT alpha blocks count).
bool dds_format_has_alpha(D3DFORMAT format);

// Decodes one level of `format`, laid out as dds_level_s says, into width x height texels,
// rows top-down. False for a format this reader does not know.
bool dds_decode(D3DFORMAT format, const BYTE *bits, UINT pitch, UINT width, UINT height, D3DCOLOR *out);

// The 16 texels of one 4x4 block, row by row.
void dds_decode_dxt1_block(const BYTE *block, D3DCOLOR out[16]);
void dds_decode_dxt3_block(const BYTE *block, D3DCOLOR out[16]);
void dds_decode_dxt5_block(const BYTE *block, D3DCOLOR out[16]);
