#include "importers/mpeg.h"

#include "kernel/exception.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

extern "C" {
#include <mpeg2.h>
#include <mpeg2convert.h>
}

namespace {
constexpr int mpeg_open_flags = VFILE_READ;
}

void mpeg_file_c::decoder_close::operator()(mpeg2dec_s *decoder) const { mpeg2_close(decoder); }

mpeg_file_c::mpeg_file_c(const char *name, bool rgb32, bool loop)
    : m_read_buffer(new unsigned char[MPEG_READ_BLOCK]), m_rgb32(rgb32), m_loop(loop)
{
    m_file.open(name, mpeg_open_flags);
    const unsigned long size = m_file.size();
    // Positions are ints; a file beyond their range is refused like an empty one.
    if (size == 0 || size > (unsigned long)INT_MAX)
        ENGINE_THROW(exception_c, std::string("Could not open MPEG file '") + name + "'");
    m_file_size = int(size);
    start();
}

mpeg_file_c::~mpeg_file_c() = default;

void mpeg_file_c::start()
{
    m_decoder.reset(mpeg2_init());
    if (!m_decoder)
        ENGINE_THROW(exception_c, "Could not initialize MPEG library");
    while (!m_got_sequence) {
        next_frame();
        if (m_at_end)
            ENGINE_THROW(exception_c, "Unexpected end of MPEG file");
    }
}

void mpeg_file_c::restart()
{
    m_decoder.reset();
    m_file.seek(0);
    m_position = 0;
    m_needs_data = true;
    m_got_sequence = false;
    m_got_a_frame = false;
    m_at_end = false;
    m_width = 0;
    m_height = 0;
    m_frames_per_second = 0.0f;
    m_frame_count = 0;
    m_pictures_decoded = 0;
    m_pictures_shown = 0;
    start();
}

void mpeg_file_c::next_frame()
{
    m_got_a_frame = false;
    if (m_needs_data) {
        const int n = std::min(m_read_buffer_size, m_file_size - m_position);
        if (n < 1) {
            if (m_loop && m_frame_count > 4) {
                restart();
                return;
            }
            m_at_end = true;
            return;
        }
        m_file.read(m_read_buffer.get(), n);
        m_position += n;
        mpeg2_buffer(m_decoder.get(), m_read_buffer.get(), m_read_buffer.get() + n);
        m_needs_data = false;
    }

    const mpeg2_info_t *info = mpeg2_info(m_decoder.get());
    for (;;) {
        const mpeg2_state_t state = mpeg2_parse(m_decoder.get());
        if (state == STATE_BUFFER) {
            m_needs_data = true;
            return;
        }
        if (state == STATE_SEQUENCE) {
            m_got_sequence = true;
            mpeg2_convert(m_decoder.get(), mpeg2convert_rgb(MPEG2CONVERT_RGB, m_rgb32 ? 32 : 24), nullptr);
            // The converted pictures are as wide as the coded sequence (a whole number of
            // macroblocks), which is what the rows of frame_pixels() hold.
            m_width = int(info->sequence->width);
            m_height = int(info->sequence->height);
            const unsigned period = info->sequence->frame_period;
            m_frames_per_second = period ? float(27000000.0 / double(period)) : 0.0f;
            continue;
        }
        if (state == STATE_PICTURE)
            ++m_pictures_decoded;
        // At the end of a sequence libmpeg2 names a display buffer even when no picture was
        // decoded into it; only a decoded picture not yet handed out is one to show.
        if ((state == STATE_SLICE || state == STATE_END || state == STATE_INVALID_END) && info->display_fbuf &&
            m_pictures_decoded > m_pictures_shown)
            break;
    }
    if (!m_got_sequence)
        ENGINE_THROW(exception_c, "Frame without a sequence");
    m_got_a_frame = true;
    ++m_frame_count;
    ++m_pictures_shown;
}

const unsigned char *mpeg_file_c::frame_pixels() const
{
    ENGINE_ASSERT(m_got_a_frame);
    const mpeg2_info_t *info = mpeg2_info(m_decoder.get());
    ENGINE_ASSERT(info->display_fbuf);
    return info->display_fbuf->buf[0];
}

int mpeg_file_c::row_bytes() const
{
    ENGINE_ASSERT(m_got_a_frame);
    return (m_rgb32 ? 4 : 3) * m_width;
}
