// The project's MPEG-1 writer (tools/videogen) read back by mpeg_file_c: flat intra pictures
// decode to their cells' colours, in order, at 25 a second, and the stream ends.
#include "importers/mpeg.h"
#include "scratch_dir.h"
#include "tools/videogen/videogen.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using generated_video = scratch_dir_test;

// 4 x 2 cells (32 x 16 pixels, two macroblocks). Picture 0: each macroblock one saturated
// colour; picture 1: greys that differ cell by cell (chroma is shared by a macroblock's cells,
// so only colours without chroma may differ inside one).
std::vector<videogen::mosaic> pictures()
{
    videogen::mosaic colours{4, 2, {0xE02020, 0xE02020, 0x20C040, 0x20C040, 0xE02020, 0xE02020, 0x20C040, 0x20C040}};
    videogen::mosaic greys{4, 2, {0x000000, 0x404040, 0x808080, 0xFFFFFF, 0x202020, 0xC0C0C0, 0x606060, 0xA0A0A0}};
    return {colours, greys, colours};
}

TEST_F(generated_video, flat_pictures_decode_to_their_cells)
{
    const std::vector<videogen::mosaic> source = pictures();
    put("v.m1v", videogen::make_m1v(source));
    mpeg_file_c video("v.m1v", false, false);
    EXPECT_EQ(video.width(), 32);
    EXPECT_EQ(video.height(), 16);
    EXPECT_FLOAT_EQ(video.frames_per_second(), 25.0f);
    size_t shown = 0;
    for (int step = 0; step < 50 && !video.at_end(); ++step) {
        if (!video.got_a_frame()) {
            video.next_frame();
            continue;
        }
        ASSERT_LT(shown, source.size());
        const videogen::mosaic &m = source[shown];
        for (int cy = 0; cy < m.cells_y; ++cy)
            for (int cx = 0; cx < m.cells_x; ++cx) {
                const uint32_t want = m.rgb[(size_t)cy * m.cells_x + cx];
                for (int corner = 0; corner < 2; ++corner) { // the cell is flat to its edges
                    const int x = cx * 8 + corner * 7, y = cy * 8 + corner * 7;
                    const unsigned char *p = video.frame_pixels() + y * video.row_bytes() + x * 3;
                    SCOPED_TRACE(testing::Message() << "picture " << shown << " pixel " << x << "," << y);
                    EXPECT_NEAR(p[0], (int)(want >> 16 & 0xFF), 4);
                    EXPECT_NEAR(p[1], (int)(want >> 8 & 0xFF), 4);
                    EXPECT_NEAR(p[2], (int)(want & 0xFF), 4);
                }
            }
        ++shown;
        video.next_frame();
    }
    EXPECT_EQ(shown, source.size());
    EXPECT_TRUE(video.at_end());
}

TEST_F(generated_video, refuses_what_it_cannot_write)
{
    videogen::mosaic odd{3, 2, std::vector<uint32_t>(6, 0)};
    videogen::mosaic small{2, 2, std::vector<uint32_t>(4, 0)};
    videogen::mosaic wide{600, 2, std::vector<uint32_t>(1200, 0)};
    const std::vector<std::vector<videogen::mosaic>> cases = {{}, {odd}, {small, pictures()[0]}, {wide}};
    for (const auto &c : cases)
        EXPECT_THROW(videogen::make_m1v(c), std::invalid_argument) << c.size();
}

// The demo's intro: three seconds of 256 x 256 pictures, all of which decode.
TEST_F(generated_video, intro_plays_three_seconds)
{
    put("intro.m1v", videogen::make_m1v(videogen::intro_pictures(3)));
    mpeg_file_c video("intro.m1v", true, false);
    EXPECT_EQ(video.width(), 256);
    EXPECT_EQ(video.height(), 256);
    int shown = video.got_a_frame() ? 1 : 0;
    for (int step = 0; step < 1000 && !video.at_end(); ++step) {
        video.next_frame();
        shown += video.got_a_frame() ? 1 : 0;
    }
    EXPECT_EQ(shown, 75);
}

} // namespace
