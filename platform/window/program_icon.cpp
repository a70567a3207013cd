#include "platform/window/window_core.h"

#include <array>

namespace {

constexpr int ICON_SIZE = 32;

// A question mark, 8 x 8 cells of 3 x 3 pixels, on a blue tile with a light rim.
constexpr const char *glyph[8] = {
    "..####..", ".##..##.", ".....##.", "....##..", "...##...", "...##...", "........", "...##...",
};

struct icon_pixels_s
{
    std::array<uint32_t, ICON_SIZE * ICON_SIZE> argb{};
    icon_pixels_s()
    {
        for (int y = 0; y < ICON_SIZE; ++y) {
            for (int x = 0; x < ICON_SIZE; ++x) {
                bool rim = x < 2 || y < 2 || x >= ICON_SIZE - 2 || y >= ICON_SIZE - 2;
                uint32_t colour = rim ? 0xFFB0C8F0u : 0xFF1E3C8Cu;
                int gx = (x - 4) / 3, gy = (y - 4) / 3;
                if (x >= 4 && y >= 4 && gx < 8 && gy < 8 && glyph[gy][gx] == '#')
                    colour = 0xFFFFD23Cu;
                argb[y * ICON_SIZE + x] = colour;
            }
        }
    }
};

} // namespace

const window_icon_s &window_program_icon()
{
    static const icon_pixels_s pixels;
    static const window_icon_s icon{ICON_SIZE, ICON_SIZE, pixels.argb.data()};
    return icon;
}
