// mpeg_file_c: an MPEG-1 video elementary stream (".m1v") decoded picture by picture into RGB.
//
// The file is read through vaultfile_c (data directory in front) in blocks of MPEG_READ_BLOCK
// bytes and fed to libmpeg2, whose RGB converter writes each picture into libmpeg2's own
// display buffer; frame_pixels() points into it until the next next_frame(): rows top-down,
// 24-bit pixels as bytes R, G, B; 32-bit pixels as bytes B, G, R, 0 (the memory order of
// D3DFMT_X8R8G8B8, which the video textures use).
// Construction decodes up to the sequence header and throws exception_c when it cannot:
// "Could not open MPEG file '<name>'" for an empty file, "Could not initialize MPEG library",
// "Unexpected end of MPEG file". A looping video of more than 4 pictures starts again from
// the file's beginning when the file is used up; otherwise at_end() becomes true and
// next_frame() delivers nothing more. A stream is complete only with its sequence end code:
// libmpeg2 hands out the last picture when it sees that code.
#pragma once

#include "basics/vaultfile_obj.h"

#include <memory>

struct mpeg2dec_s;

class mpeg_file_c
{
public:
    static constexpr int MPEG_READ_BLOCK = 65536;

    mpeg_file_c(const char *name, bool rgb32, bool loop);
    ~mpeg_file_c();
    mpeg_file_c(const mpeg_file_c &) = delete;
    mpeg_file_c &operator=(const mpeg_file_c &) = delete;

    // One decoding step; got_a_frame() then tells whether a new picture is ready.
    void next_frame();
    void restart();

    const unsigned char *frame_pixels() const;
    int row_bytes() const;

    bool got_a_frame() const { return m_got_a_frame; }
    bool at_end() const { return m_at_end; }
    float frames_per_second() const { return m_frames_per_second; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int frame_count() const { return m_frame_count; }

private:
    struct decoder_close {
        void operator()(mpeg2dec_s *decoder) const;
    };

    void start();

    std::unique_ptr<mpeg2dec_s, decoder_close> m_decoder;
    vaultfile_c m_file;
    int m_file_size = 0;
    int m_position = 0;
    std::unique_ptr<unsigned char[]> m_read_buffer;
    int m_read_buffer_size = MPEG_READ_BLOCK;
    int m_frame_count = 0;
    bool m_needs_data = true;
    bool m_got_sequence = false;
    bool m_got_a_frame = false;
    bool m_at_end = false;
    bool m_rgb32;
    int m_width = 0;
    int m_height = 0;
    float m_frames_per_second = 0.0f;
    bool m_loop;
    // Since the last start: pictures libmpeg2 began to decode, and pictures handed out.
    int m_pictures_decoded = 0;
    int m_pictures_shown = 0;
};
