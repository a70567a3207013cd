// The program on the demo data, started into the demo studio, under the X server of the test
// run: a few seconds after its window appeared, the middle figure stands lit on the floor in front of the sky, seen through
// the studio's camera. Checked by colour regions with a tolerance.
#include <gtest/gtest.h>
// After gtest: Xlib defines macros (None, Bool) that gtest's own names would meet.
#include "tools/screenshot/program_shot.h"
#include "tools/screenshot/demo_studio.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

int brightness(uint32_t c) { return int(c >> 16 & 0xFF) + int(c >> 8 & 0xFF) + int(c & 0xFF); }

// How many pixels of the rectangle (fractions of the picture) pass the test.
template <class F> double share(const program_shot::shot &s, double x0, double y0, double x1, double y1, F test)
{
    int n = 0, hit = 0;
    for (int y = int(y0 * s.height); y < int(y1 * s.height); ++y)
        for (int x = int(x0 * s.width); x < int(x1 * s.width); ++x, ++n)
            hit += test(s.at(x, y)) ? 1 : 0;
    return n ? double(hit) / n : 0.0;
}

TEST(studio_display, the_middle_figure_stands_lit_on_the_floor_in_front_of_the_sky)
{
    std::string pattern = (fs::temp_directory_path() / "studio_display_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    fs::copy(fs::path(ENGINE_BINARY_DIR) / "demo" / "data", dir / "data", fs::copy_options::recursive);
    const fs::path init_file = dir / "data" / "scripts" / "init.isc";
    std::stringstream init;
    init << std::ifstream(init_file, std::ios::binary).rdbuf();
    std::string text = init.str();
    ASSERT_TRUE(demo_studio::start_studio(text)) << text;
    std::ofstream(init_file, std::ios::binary) << text;
    const program_shot::shot s =
        program_shot::take((fs::path(ENGINE_BINARY_DIR) / "bin" / "Vizuzuze").string(), {"-datadir", "data"},
                           dir.string(), 3.0);
    fs::remove_all(dir);
    ASSERT_TRUE(s.ok) << s.error;

    // The sky is pale and bluish; nothing else in the studio is both.
    auto is_sky = [](uint32_t c) { return int(c >> 16 & 0xFF) > 130 && int(c & 0xFF) > int(c >> 16 & 0xFF) + 10; };
    // The top of the picture, above the figures' heads, is sky.
    EXPECT_GT(share(s, 0.0, 0.0, 1.0, 0.12, is_sky), 0.9);
    // The middle figure: its body fills the middle column above the floor's horizon, lit.
    EXPECT_GT(share(s, 0.47, 0.3, 0.53, 0.6, [&](uint32_t c) { return !is_sky(c); }), 0.8) << "the middle figure";
    EXPECT_GT(share(s, 0.47, 0.3, 0.53, 0.6, [](uint32_t c) { return brightness(c) > 90; }), 0.5) << "lit";
    // Between the figures, at the height of their bodies, the sky shows.
    EXPECT_GT(share(s, 0.22, 0.25, 0.3, 0.4, is_sky), 0.9);
    // The floor between the figures, in front of the water: lit, warmer than the sky.
    auto is_floor = [&](uint32_t c) { return !is_sky(c) && brightness(c) > 60 && (c >> 16 & 0xFF) > (c & 0xFF); };
    EXPECT_GT(share(s, 0.25, 0.54, 0.4, 0.6, is_floor), 0.95);
    EXPECT_GT(share(s, 0.6, 0.54, 0.75, 0.6, is_floor), 0.95);
}

} // namespace
