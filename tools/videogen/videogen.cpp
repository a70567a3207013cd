#include "tools/videogen/videogen.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace videogen {

namespace {

class bit_writer {
public:
    void put(uint32_t value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            m_byte = (uint8_t)(m_byte << 1 | ((value >> i) & 1));
            if (++m_count == 8)
                flush_byte();
        }
    }
    // Zero bits up to the next byte boundary.
    void align()
    {
        while (m_count)
            put(0, 1);
    }
    void start_code(uint8_t code)
    {
        align();
        put(0x000001, 24);
        put(code, 8);
    }
    std::vector<uint8_t> bytes;

private:
    void flush_byte()
    {
        bytes.push_back(m_byte);
        m_byte = 0;
        m_count = 0;
    }
    uint8_t m_byte = 0;
    int m_count = 0;
};

struct code {
    uint32_t bits;
    int length;
};
// dct_dc_size_luminance and dct_dc_size_chrominance for sizes 0..8.
const code luma_dc_size[9] = {{0b100, 3},   {0b00, 2},     {0b01, 2},      {0b101, 3},      {0b110, 3},
                              {0b1110, 4},  {0b11110, 5},  {0b111110, 6},  {0b1111110, 7}};
const code chroma_dc_size[9] = {{0b00, 2},    {0b01, 2},      {0b10, 2},       {0b110, 3},      {0b1110, 4},
                                {0b11110, 5}, {0b111110, 6},  {0b1111110, 7},  {0b11111110, 8}};

// One flat block: its DC difference from the predictor, then the end of block.
void put_block(bit_writer &w, int value, int &predictor, const code *size_codes)
{
    const int diff = value - predictor;
    predictor = value;
    int size = 0;
    while (size < 8 && (1 << size) <= std::abs(diff))
        ++size;
    w.put(size_codes[size].bits, size_codes[size].length);
    if (size)
        w.put((uint32_t)(diff > 0 ? diff : diff + (1 << size) - 1), size);
    w.put(0b10, 2); // end of block
}

uint8_t clamp_byte(double v)
{
    return (uint8_t)std::clamp((int)std::lround(v), 0, 255);
}

struct ycc {
    double y, cb, cr;
};
ycc to_ycc(uint32_t rgb)
{
    const double r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return {16.0 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0,
            128.0 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0,
            128.0 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0};
}

} // namespace

std::vector<uint8_t> make_m1v(const std::vector<mosaic> &pictures)
{
    if (pictures.empty())
        throw std::invalid_argument("make_m1v: no pictures");
    const int cells_x = pictures[0].cells_x, cells_y = pictures[0].cells_y;
    if (cells_x <= 0 || cells_y <= 0 || cells_x % 2 || cells_y % 2 || cells_x * 8 > 4095 || cells_y * 8 > 4095)
        throw std::invalid_argument("make_m1v: bad picture size");
    for (const mosaic &m : pictures)
        if (m.cells_x != cells_x || m.cells_y != cells_y || m.rgb.size() != (size_t)cells_x * cells_y)
            throw std::invalid_argument("make_m1v: pictures differ in size");

    bit_writer w;
    w.start_code(0xB3); // sequence header
    w.put((uint32_t)cells_x * 8, 12);
    w.put((uint32_t)cells_y * 8, 12);
    w.put(1, 4);       // square pixels
    w.put(3, 4);       // 25 pictures a second
    w.put(0x3FFFF, 18); // variable bit rate
    w.put(1, 1);       // marker
    w.put(20, 10);     // VBV buffer
    w.put(0, 1);       // not constrained
    w.put(0, 1);       // default intra matrix
    w.put(0, 1);       // default non-intra matrix

    const int mb_x = cells_x / 2, mb_y = cells_y / 2;
    for (size_t n = 0; n < pictures.size(); ++n) {
        const mosaic &m = pictures[n];
        const int in_group = (int)(n % 25);
        if (in_group == 0) {
            w.start_code(0xB8); // group of pictures
            const int seconds = (int)(n / 25);
            w.put(0, 1);                         // no drop frame
            w.put((uint32_t)(seconds / 3600), 5); // hours
            w.put((uint32_t)(seconds / 60 % 60), 6);
            w.put(1, 1);
            w.put((uint32_t)(seconds % 60), 6);
            w.put(0, 6); // pictures
            w.put(1, 1); // closed
            w.put(0, 1); // not broken
        }
        w.start_code(0x00); // picture
        w.put((uint32_t)in_group, 10);
        w.put(1, 3);      // intra
        w.put(0xFFFF, 16); // VBV delay
        w.put(0, 1);       // no extra information
        for (int row = 0; row < mb_y; ++row) {
            w.start_code((uint8_t)(row + 1)); // slice
            w.put(8, 5);                      // quantiser scale (flat blocks need none)
            w.put(0, 1);
            int y_past = 128, cb_past = 128, cr_past = 128;
            for (int col = 0; col < mb_x; ++col) {
                w.put(1, 1); // address increment 1
                w.put(1, 1); // intra macroblock
                double cb = 0.0, cr = 0.0;
                for (int k = 0; k < 4; ++k) {
                    const int cx = col * 2 + (k & 1), cy = row * 2 + (k >> 1);
                    const ycc c = to_ycc(m.rgb[(size_t)cy * cells_x + cx]);
                    put_block(w, clamp_byte(c.y), y_past, luma_dc_size);
                    cb += c.cb / 4.0;
                    cr += c.cr / 4.0;
                }
                put_block(w, clamp_byte(cb), cb_past, chroma_dc_size);
                put_block(w, clamp_byte(cr), cr_past, chroma_dc_size);
            }
        }
    }
    w.start_code(0xB7); // sequence end
    return w.bytes;
}

std::vector<mosaic> intro_pictures(int seconds)
{
    const int cells = 32, count = std::max(1, seconds * 25);
    std::vector<mosaic> out;
    for (int n = 0; n < count; ++n) {
        const double t = (double)n / count;
        mosaic m;
        m.cells_x = m.cells_y = cells;
        m.rgb.resize((size_t)cells * cells);
        for (int y = 0; y < cells; ++y)
            for (int x = 0; x < cells; ++x) {
                const double dx = x - 15.5, dy = y - 15.5, d = std::sqrt(dx * dx + dy * dy);
                const double ring = std::max(0.0, 1.0 - std::abs(d - t * 22.0) / 2.5);
                const double r = 40 + 60 * t + 215 * ring, g = 20 + 40 * (double)y / cells + 200 * ring,
                             b = 90 + 80 * (1.0 - t) + 120 * ring;
                m.rgb[(size_t)y * cells + x] = (uint32_t)clamp_byte(r) << 16 | (uint32_t)clamp_byte(g) << 8 |
                                               clamp_byte(b);
            }
        out.push_back(std::move(m));
    }
    return out;
}

} // namespace videogen
