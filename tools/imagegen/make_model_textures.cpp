// make_model_textures <data dir>: writes the demo models' textures under <data dir>:
//   models/demo_floor/floor.bmp  the demo studio's checkered floor
//   models/studio/walls.bmp   the walls, in bands
//   textures/shadow_blob.tga  the shadow under models: black, alpha falling from the centre
//   textures/water.bmp        ripples for water surfaces: light bands that repeat seamlessly
#include "tools/imagegen/imagegen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

using imagegen::picture;

namespace {

picture checkers(uint32_t a, uint32_t b, int cell)
{
    picture p(128, 128, a);
    for (int y = 0; y < 128; y += cell)
        for (int x = 0; x < 128; x += cell)
            if (((x + y) / cell) % 2)
                p.fill_rect(x, y, cell, cell, b);
    return p;
}

picture blob()
{
    picture p(64, 64, 0x000000, 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const float dx = (x + 0.5f - 32.0f) / 32.0f, dy = (y + 0.5f - 32.0f) / 32.0f;
            const float r = std::sqrt(dx * dx + dy * dy);
            // Clamped addressing repeats the border texels over the whole batch: the outer ring
            // is fully transparent.
            const float a = std::clamp(1.0f - r / 0.85f, 0.0f, 1.0f);
            p.set(x, y, 0x000000, (uint8_t)(std::min(1.0f, a * 1.6f) * 200.0f));
        }
    }
    return p;
}

picture ripples()
{
    picture p(64, 64, 0xFFFFFF);
    const float pi2 = 6.2831853f;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const float w = std::sin(pi2 * (x + 8.0f * std::sin(pi2 * y / 64.0f)) / 32.0f) * 0.5f + 0.5f;
            const auto c = (uint32_t)(200.0f + 55.0f * w);
            p.set(x, y, c << 16 | c << 8 | c);
        }
    }
    return p;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_model_textures <data dir>\n");
        return 2;
    }
    const std::string dir = argv[1];
    try {
        for (const char *sub : {"/models/studio", "/models/demo_floor", "/textures"})
            std::filesystem::create_directories(dir + sub);
        imagegen::write_file(dir + "/models/demo_floor/floor.bmp", imagegen::make_bmp(checkers(0x806040, 0x604020, 32)));
        imagegen::write_file(dir + "/models/studio/walls.bmp", imagegen::make_bmp(checkers(0x405070, 0x506080, 64)));
        imagegen::write_file(dir + "/textures/shadow_blob.tga", imagegen::make_tga(blob(), 32));
        imagegen::write_file(dir + "/textures/water.bmp", imagegen::make_bmp(ripples()));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_model_textures: %s\n", e.what());
        return 1;
    }
    return 0;
}
