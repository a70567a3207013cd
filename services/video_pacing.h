// Video textures play their pictures by the clock: this is the pacing, apart from the texture
// manager so that it runs against any picture source.
//
// video_reader_i is what the pacing needs of a decoder; mpeg_video_reader wraps the MPEG-1
// reader (32-bit pixels, no looping) behind it. video_step runs one tick of a video:
//   - nothing happens without a reader or while paused (the clock is not moved, so a video
//     resumed after a pause catches up);
//   - once the reader is at its end the step reports `finished` on every call, touching no
//     picture, until the clock is restarted;
//   - the first picture comes on the first step after a (re)start; later ones when the time
//     has passed time_base + one period, at most five a step; only the last one decoded is
//     reported for copying.
// video_copy_frame copies the reader's picture into a locked texture level, never outside
// the texture's width, height or pitch.
#pragma once

#include "platform/d3d/d3d8.h"

#include <memory>

class video_reader_i
{
public:
    virtual ~video_reader_i() = default;
    virtual void next_frame() = 0;
    virtual void restart() = 0;
    virtual bool got_a_frame() const = 0;
    virtual bool at_end() const = 0;
    virtual float frames_per_second() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Rows top-down, row_bytes() apart, 4 bytes a pixel in X8R8G8B8 memory order.
    virtual const unsigned char *frame_pixels() const = 0;
    virtual int row_bytes() const = 0;
};

// Throws exception_c as the MPEG reader does when the file cannot be opened or decoded.
std::unique_ptr<video_reader_i> mpeg_video_reader(const char *file_name);

struct video_clock_s
{
    double time_base = 0.0;
    int picture_counter = -1; // -1: no picture since the (re)start
    int paused = 0;

    void restart()
    {
        time_base = 0.0;
        picture_counter = -1;
    }
};

enum class video_step_e
{
    nothing,     // keep the texture as it is
    new_picture, // copy the reader's picture
    finished,    // the video has ended
};

constexpr int VIDEO_MAX_PICTURES_PER_STEP = 5;

video_step_e video_step(video_reader_i *reader, video_clock_s &clock, double now);

void video_copy_frame(const video_reader_i &reader, const D3DLOCKED_RECT &locked, int texture_width,
                      int texture_height);
