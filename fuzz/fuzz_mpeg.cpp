// MPEG-1 video: the input is an ".m1v" file, decoded picture by picture to its end, once into
// 24-bit and once into 32-bit pixels; both ends of every row of every picture handed out are
// read. The decoder must reach the end of a finite file: a step count far beyond what the file
// could hold is reported as a stall.
#include "fuzz/fuzz_support.h"
#include "importers/mpeg.h"
#include "kernel/exception.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char *const video_name = "videos/input.m1v";

void decode(bool rgb32, size_t size)
{
    try {
        mpeg_file_c video(video_name, rgb32, false);
        // Each step reads a block or hands out a picture; a picture needs at least a few bytes.
        const size_t most_steps = 64 + size;
        size_t steps = 0;
        unsigned sum = 0;
        while (!video.at_end()) {
            if (++steps > most_steps) {
                std::fprintf(stderr, "fuzz_mpeg: no end after %zu steps\n", steps);
                std::abort();
            }
            video.next_frame();
            if (!video.got_a_frame())
                continue;
            const unsigned char *pixels = video.frame_pixels();
            const size_t row = size_t(video.row_bytes());
            for (size_t y = 0; row && y < size_t(video.height()); ++y)
                sum += pixels[y * row] + pixels[y * row + row - 1];
        }
        fuzz::keep(sum);
    } catch (const exception_c &e) {
        fuzz::refused(e);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data(video_name, data, size);
    decode(false, size);
    decode(true, size);
    return 0;
}
