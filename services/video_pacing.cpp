#include "services/video_pacing.h"

#include "importers/mpeg.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

class mpeg_reader_c final : public video_reader_i
{
public:
    explicit mpeg_reader_c(const char *file_name) : m_file(file_name, true, false) {}
    void next_frame() override { m_file.next_frame(); }
    void restart() override { m_file.restart(); }
    bool got_a_frame() const override { return m_file.got_a_frame(); }
    bool at_end() const override { return m_file.at_end(); }
    float frames_per_second() const override { return m_file.frames_per_second(); }
    int width() const override { return m_file.width(); }
    int height() const override { return m_file.height(); }
    const unsigned char *frame_pixels() const override { return m_file.frame_pixels(); }
    int row_bytes() const override { return m_file.row_bytes(); }

private:
    mpeg_file_c m_file;
};

} // namespace

std::unique_ptr<video_reader_i> mpeg_video_reader(const char *file_name)
{
    return std::make_unique<mpeg_reader_c>(file_name);
}

video_step_e video_step(video_reader_i *reader, video_clock_s &clock, double now)
{
    if (!reader || clock.paused)
        return video_step_e::nothing;
    const float fps = reader->frames_per_second();
    const double period = fps > 0.0f ? 1.0 / fps : HUGE_VAL;
    int decoded = 0;
    for (int i = 0; i < VIDEO_MAX_PICTURES_PER_STEP; ++i) {
        if (reader->at_end())
            return video_step_e::finished;
        if (clock.picture_counter == -1)
            clock.time_base = now;
        else if (now < clock.time_base + period)
            break;
        do {
            if (reader->at_end())
                return video_step_e::nothing;
            reader->next_frame();
        } while (!reader->got_a_frame());
        clock.time_base += period;
        clock.picture_counter += 1;
        ++decoded;
    }
    return decoded > 0 && reader->got_a_frame() ? video_step_e::new_picture : video_step_e::nothing;
}

void video_copy_frame(const video_reader_i &reader, const D3DLOCKED_RECT &locked, int texture_width,
                      int texture_height)
{
    const unsigned char *source = reader.frame_pixels();
    if (!source || !locked.pBits || locked.Pitch <= 0)
        return;
    const long long row = std::min({(long long)reader.row_bytes(), (long long)texture_width * 4,
                                    (long long)locked.Pitch});
    const int rows = std::min(reader.height(), texture_height);
    if (row <= 0)
        return;
    for (int y = 0; y < rows; ++y)
        std::memcpy((unsigned char *)locked.pBits + (size_t)y * locked.Pitch, source + (size_t)y * reader.row_bytes(),
                    (size_t)row);
}
