// Pacing of video pictures by the clock, against a picture source stepped by hand.
#include "fake_video.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const char *name(video_step_e e)
{
    return e == video_step_e::nothing ? "nothing" : e == video_step_e::new_picture ? "new picture" : "finished";
}

struct tick_case
{
    double t;
    int paused;       // the pause flag before this tick
    bool restart;     // restart the clock and the reader before this tick
    video_step_e result;
    int picture;      // the picture the reader holds after the tick
};

// Ten pictures a second, eight pictures in all.
TEST(video_pacing, pictures_follow_the_clock_through_pause_catch_up_end_and_restart)
{
    const video_step_e N = video_step_e::nothing, P = video_step_e::new_picture, F = video_step_e::finished;
    const tick_case ticks[] = {
        {1.00, 0, false, P, 1},  // the first step shows the first picture; time base 1.1
        {1.05, 0, false, N, 1},
        {1.15, 0, false, N, 1},  // due only from time base + one period
        {1.21, 0, false, P, 2},  // time base 1.2
        {1.31, 0, false, P, 3},  // time base 1.3
        {1.50, 1, false, N, 3},  // paused: nothing moves
        {9.00, 1, false, N, 3},
        {1.95, 0, false, P, 8},  // resumed: catch up from 1.3, at most five pictures (1.4 ... 1.8)
        {2.50, 0, false, N, 8},  // the next call finds the end: nothing is shown
        {2.51, 0, false, F, 8},  // then finished on every step
        {2.52, 0, false, F, 8},
        {2.53, 1, false, N, 8},  // paused at the end: quiet
        {2.54, 0, false, F, 8},
        {3.00, 0, true, P, 1},   // restarted: the next step shows the first picture
        {3.05, 0, false, N, 1},
        {3.21, 0, false, P, 2},
    };
    fake_video_c video(8, 10.0f);
    video_clock_s clock;
    for (const tick_case &c : ticks) {
        clock.paused = c.paused;
        if (c.restart) {
            video.restart();
            clock.restart();
        }
        const video_step_e r = video_step(&video, clock, c.t);
        EXPECT_STREQ(name(r), name(c.result)) << "t " << c.t;
        EXPECT_EQ(video.picture(), c.picture) << "t " << c.t;
    }
}

TEST(video_pacing, a_picture_that_takes_several_calls_counts_once)
{
    fake_video_c video(3, 10.0f, 4, 2, 3);
    video_clock_s clock;
    EXPECT_EQ(video_step(&video, clock, 0.0), video_step_e::new_picture);
    EXPECT_EQ(video.next_frame_calls, 3);
    EXPECT_EQ(clock.picture_counter, 0);
    EXPECT_EQ(video_step(&video, clock, 0.2), video_step_e::new_picture);
    EXPECT_EQ(video.picture(), 2);
    EXPECT_EQ(clock.picture_counter, 1);
}

TEST(video_pacing, no_reader_or_no_frame_rate_is_quiet)
{
    video_clock_s clock;
    EXPECT_EQ(video_step(nullptr, clock, 1.0), video_step_e::nothing);
    fake_video_c still(5, 0.0f);
    EXPECT_EQ(video_step(&still, clock, 1.0), video_step_e::new_picture);
    EXPECT_EQ(video_step(&still, clock, 1000.0), video_step_e::nothing);
    EXPECT_EQ(still.picture(), 1);
}

TEST(video_pacing, a_frame_is_copied_only_inside_the_texture)
{
    struct
    {
        int video_w, video_h, tex_w, tex_h, pitch;
        int rows, row_bytes; // what must be written
    } cases[] = {
        {4, 2, 4, 2, 16, 2, 16}, // same size
        {8, 4, 4, 2, 16, 2, 16}, // larger video: cut to the texture
        {2, 1, 4, 2, 16, 1, 8},  // smaller video: the rest untouched
        {4, 2, 4, 2, 8, 2, 8},   // a pitch shorter than a row never overruns
    };
    for (const auto &c : cases) {
        fake_video_c video(1, 10.0f, c.video_w, c.video_h);
        video.next_frame();
        const size_t size = (size_t)c.pitch * c.tex_h;
        std::vector<unsigned char> texture(size, 0xEE);
        D3DLOCKED_RECT locked{c.pitch, texture.data()};
        video_copy_frame(video, locked, c.tex_w, c.tex_h);
        for (size_t i = 0; i < size; ++i) {
            const int y = (int)(i / c.pitch), x = (int)(i % c.pitch);
            const unsigned char expected = y < c.rows && x < c.row_bytes ? 1 : 0xEE;
            ASSERT_EQ(texture[i], expected) << "video " << c.video_w << "x" << c.video_h << " byte " << i;
        }
    }
}

} // namespace
