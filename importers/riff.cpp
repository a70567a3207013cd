#include "importers/riff.h"

#include <cstring>

namespace {

uint32_t le32(const uint8_t *p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24; }

uint64_t padded_end(const riff_chunk_s &c) { return c.data_offset + c.size + (c.size & 1); }

} // namespace

riff_reader_c::riff_reader_c(const void *image, size_t size)
    : m_image(static_cast<const uint8_t *>(image)), m_size(size)
{
}

bool riff_reader_c::descend(riff_chunk_s &chunk)
{
    if (remaining() < 8)
        return false;
    riff_chunk_s c;
    c.id = le32(current());
    c.size = le32(current() + 4);
    c.data_offset = m_pos + 8;
    if (c.id == FOURCC_RIFF || c.id == FOURCC_LIST) {
        if (remaining() < 12)
            return false;
        c.form = le32(current() + 8);
        m_pos += 12;
    } else {
        m_pos += 8;
    }
    chunk = c;
    return true;
}

bool riff_reader_c::find(riff_chunk_s &chunk, uint32_t id, const riff_chunk_s *parent)
{
    const uint64_t end = parent ? parent->data_offset + parent->size : m_size;
    for (;;) {
        if (m_pos + 8 > end)
            return false;
        riff_chunk_s c;
        if (!descend(c))
            return false;
        if (c.id == id) {
            chunk = c;
            return true;
        }
        if (!ascend(c))
            return false;
    }
}

bool riff_reader_c::ascend(const riff_chunk_s &chunk)
{
    const uint64_t end = padded_end(chunk);
    // The pad byte of the image's last chunk may be missing.
    if (end > m_size + (chunk.size & 1))
        return false;
    m_pos = end > m_size ? m_size : end;
    return true;
}

size_t riff_reader_c::read(void *out, size_t len)
{
    const size_t n = len < remaining() ? len : (size_t)remaining();
    memcpy(out, current(), n);
    m_pos += n;
    return n;
}
