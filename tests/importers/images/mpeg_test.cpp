// mpeg_file_c over the committed fixtures in tests/importers/fixtures, made once with ffmpeg
// (Debian's) and ended by hand with the sequence end code 00 00 01 B7, without which libmpeg2
// never hands out the last picture:
//   solid3.m1v:    ffmpeg -f lavfi -i color=c=0xC82864:s=32x32:r=25 -frames:v 3
//                    -c:v mpeg1video -q:v 2 -f mpeg1video solid3.m1v
//   pattern10.m1v: ffmpeg -f lavfi -i testsrc=s=32x32:r=25 -frames:v 10
//                    -c:v mpeg1video -bf 2 -g 5 -f mpeg1video pattern10.m1v
//   then: printf '\x00\x00\x01\xb7' >> <file>
// solid3 is three intra pictures of one colour (R 0xC8, G 0x28, B 0x64); pattern10 has
// B pictures, so libmpeg2 reorders them.
#include "importers/mpeg.h"
#include "kernel/exception.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> fixture(const char *name)
{
    std::ifstream in(std::string(ENGINE_SOURCE_DIR) + "/tests/importers/fixtures/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string message_of(const char *name, bool loop = false)
{
    try {
        mpeg_file_c video(name, true, loop);
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return "constructed";
}

// Sequence header and group header of solid3, then the end code: headers and no picture.
std::vector<uint8_t> headers_only()
{
    const std::vector<uint8_t> solid = fixture("solid3.m1v");
    std::vector<uint8_t> headers(solid.begin(), solid.begin() + 20);
    headers.insert(headers.end(), {0, 0, 1, 0xB7});
    return headers;
}

// Steps until a picture arrives or the video ends; at most `limit` steps.
bool step_to_picture(mpeg_file_c &video, int limit = 50)
{
    for (int i = 0; i < limit && !video.at_end(); ++i) {
        video.next_frame();
        if (video.got_a_frame())
            return true;
    }
    return false;
}

} // namespace

using mpeg_file = scratch_dir_test;

TEST_F(mpeg_file, ShortVideoEndsEvenWhenLooping)
{
    put("solid3.m1v", fixture("solid3.m1v"));
    for (bool loop : {false, true}) {
        mpeg_file_c video("solid3.m1v", true, loop);
        EXPECT_EQ(video.width(), 32);
        EXPECT_EQ(video.height(), 32);
        EXPECT_FLOAT_EQ(video.frames_per_second(), 25.0f);
        int pictures = video.got_a_frame() ? 1 : 0; // start-up may already have one
        while (step_to_picture(video))
            ++pictures;
        EXPECT_TRUE(video.at_end()) << loop;
        EXPECT_EQ(pictures, 3) << loop;
        EXPECT_EQ(video.frame_count(), 3) << loop;
        video.next_frame(); // ended stays ended
        EXPECT_FALSE(video.got_a_frame());
        EXPECT_TRUE(video.at_end());
    }
}

TEST_F(mpeg_file, LongVideoLoopsWithItsCountReset)
{
    put("pattern10.m1v", fixture("pattern10.m1v"));
    {
        mpeg_file_c video("pattern10.m1v", false, true);
        std::vector<int> counts;
        if (video.got_a_frame())
            counts.push_back(video.frame_count());
        for (int i = 0; i < 100 && counts.size() < 25; ++i) {
            ASSERT_TRUE(step_to_picture(video)) << "picture " << counts.size();
            counts.push_back(video.frame_count());
        }
        EXPECT_FALSE(video.at_end());
        std::vector<int> want;
        for (int i = 0; i < 25; ++i)
            want.push_back(i % 10 + 1);
        EXPECT_EQ(counts, want);
    }
    // Without looping the same file ends after its ten pictures.
    mpeg_file_c once("pattern10.m1v", false, false);
    int pictures = once.got_a_frame() ? 1 : 0;
    while (step_to_picture(once))
        ++pictures;
    EXPECT_EQ(pictures, 10);
    EXPECT_TRUE(once.at_end());
}

TEST_F(mpeg_file, PictureBytesOfASolidFrame)
{
    put("solid3.m1v", fixture("solid3.m1v"));
    // 32-bit: B, G, R, 0 (X8R8G8B8 in memory); 24-bit: R, G, B.
    struct {
        bool rgb32;
        int bytes_per_pixel;
        int r, g, b;
    } cases[] = {{true, 4, 2, 1, 0}, {false, 3, 0, 1, 2}};
    for (const auto &c : cases) {
        mpeg_file_c video("solid3.m1v", c.rgb32, false);
        if (!video.got_a_frame()) {
            ASSERT_TRUE(step_to_picture(video));
        }
        ASSERT_EQ(video.row_bytes(), c.bytes_per_pixel * 32);
        const unsigned char *p = video.frame_pixels();
        for (int i = 0; i < 32 * 32; i += 77) {
            const unsigned char *px = p + i * c.bytes_per_pixel;
            EXPECT_NEAR(px[c.r], 0xC8, 3) << i;
            EXPECT_NEAR(px[c.g], 0x28, 3) << i;
            EXPECT_NEAR(px[c.b], 0x64, 3) << i;
            if (c.rgb32) {
                EXPECT_EQ(px[3], 0) << i;
            }
        }
    }
}

TEST_F(mpeg_file, FailuresAtStartUp)
{
    const std::vector<uint8_t> solid = fixture("solid3.m1v");
    const std::vector<uint8_t> end_code = {0, 0, 1, 0xB7};
    std::vector<uint8_t> header(solid.begin(), solid.begin() + 12); // the sequence header
    std::vector<uint8_t> header_end = header;
    header_end.insert(header_end.end(), end_code.begin(), end_code.end());
    // Bytes without any start code: the decoder consumes block after block and the start-up
    // must still come to the end of the file.
    std::vector<uint8_t> noise(200000);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t((i * 7919 + 13) % 251 + 2);
    put("empty.m1v", {});
    put("header.m1v", header);
    put("header_end.m1v", header_end);
    put("noise.m1v", noise);

    EXPECT_EQ(message_of("empty.m1v"), "Could not open MPEG file 'empty.m1v'");
    // libmpeg2 reports a sequence header only once another header follows it.
    EXPECT_EQ(message_of("header.m1v"), "Unexpected end of MPEG file");
    EXPECT_EQ(message_of("header_end.m1v"), "Unexpected end of MPEG file");
    EXPECT_EQ(message_of("noise.m1v", true), "Unexpected end of MPEG file");
    EXPECT_THROW(mpeg_file_c("absent.m1v", true, false), file_io_exception_c);
}

TEST_F(mpeg_file, HeadersWithoutPicturesGiveNoPicture)
{
    // libmpeg2 names a display buffer at the end although nothing was decoded into it.
    put("headers.m1v", headers_only());
    mpeg_file_c video("headers.m1v", true, true);
    EXPECT_FALSE(video.got_a_frame());
    EXPECT_EQ(video.width(), 32);
    EXPECT_FALSE(step_to_picture(video));
    EXPECT_TRUE(video.at_end());
    EXPECT_EQ(video.frame_count(), 0);
}

TEST_F(mpeg_file, PictureAccessNeedsAPicture)
{
    put("headers.m1v", headers_only());
    mpeg_file_c video("headers.m1v", true, false);
    try {
        video.row_bytes();
        FAIL() << "no exception";
    } catch (const exception_c &e) {
        EXPECT_EQ(e.get_message(), "Debug assertion failed! Expression: \"m_got_a_frame\"");
    }
    EXPECT_THROW(video.frame_pixels(), exception_c);
}

TEST_F(mpeg_file, RestartBeginsAgain)
{
    put("pattern10.m1v", fixture("pattern10.m1v"));
    mpeg_file_c video("pattern10.m1v", true, false);
    while (step_to_picture(video)) {
    }
    ASSERT_TRUE(video.at_end());
    video.restart();
    EXPECT_FALSE(video.at_end());
    EXPECT_EQ(video.width(), 32);
    EXPECT_FLOAT_EQ(video.frames_per_second(), 25.0f);
    EXPECT_LE(video.frame_count(), 1);
    ASSERT_TRUE(video.got_a_frame() || step_to_picture(video));
}
