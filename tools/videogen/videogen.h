// A small MPEG-1 video writer for the demo data and tests: every picture is an intra picture
// whose 8 x 8 blocks are flat (each block carries only its DC coefficient), so a picture is a
// mosaic of 8 x 8 luma and 16 x 16 chroma cells. Enough for stand-in videos that the engine's
// MPEG reader plays as textures; no motion, no AC coefficients, no B or P pictures.
//
// Pictures are RGB mosaics: rgb[(y * width + x)] as 0xRRGGBB per 8 x 8 cell, converted to
// Y'CbCr (BT.601, studio range); a chroma cell takes the mean of its four luma cells' colours.
// The stream is one sequence at 25 pictures a second, a group of pictures every 25 pictures,
// ended by the sequence end code.
#pragma once

#include <cstdint>
#include <vector>

namespace videogen {

struct mosaic {
    int cells_x = 0; // cells of 8 x 8 pixels; even, so that macroblocks are whole
    int cells_y = 0;
    std::vector<uint32_t> rgb; // cells_x * cells_y colours, row by row
};

// Throws std::invalid_argument for an empty list, pictures of different sizes, odd cell counts
// or a side over 4095 pixels.
std::vector<uint8_t> make_m1v(const std::vector<mosaic> &pictures);

// The demo's intro: `seconds` at 25 pictures a second, 256 x 256 pixels, a ring of light
// growing over a shifting background.
std::vector<mosaic> intro_pictures(int seconds);

} // namespace videogen
