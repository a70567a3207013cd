// A picture source for video textures that tests step by hand: `pictures` pictures at `fps`,
// each width x height pixels whose bytes all hold the picture's number (1, 2, ...). A
// picture takes `calls_per_picture` calls of next_frame; the call after the last picture
// finds no data and sets the end, as the MPEG reader does.
#pragma once

#include "services/video_pacing.h"

#include <vector>

class fake_video_c : public video_reader_i
{
public:
    fake_video_c(int pictures, float fps, int width = 4, int height = 2, int calls_per_picture = 1)
        : m_pictures(pictures), m_fps(fps), m_width(width), m_height(height), m_calls(calls_per_picture),
          m_pixels((size_t)width * height * 4, 0)
    {
    }
    void next_frame() override
    {
        ++next_frame_calls;
        m_got = false;
        if (m_shown == m_pictures) {
            m_at_end = true;
            return;
        }
        if (++m_pending < m_calls)
            return;
        m_pending = 0;
        ++m_shown;
        m_got = true;
        m_pixels.assign(m_pixels.size(), (unsigned char)m_shown);
    }
    void restart() override
    {
        m_shown = 0;
        m_pending = 0;
        m_got = false;
        m_at_end = false;
        ++restarts;
    }
    bool got_a_frame() const override { return m_got; }
    bool at_end() const override { return m_at_end; }
    float frames_per_second() const override { return m_fps; }
    int width() const override { return m_width; }
    int height() const override { return m_height; }
    const unsigned char *frame_pixels() const override { return m_pixels.data(); }
    int row_bytes() const override { return m_width * 4; }

    int picture() const { return m_shown; }
    int next_frame_calls = 0;
    int restarts = 0;

private:
    int m_pictures;
    float m_fps;
    int m_width, m_height, m_calls;
    int m_shown = 0, m_pending = 0;
    bool m_got = false, m_at_end = false;
    std::vector<unsigned char> m_pixels;
};
