// A RIFF chunk walker over a file image in memory, with the rules of the Windows multimedia I/O
// functions (mmio) that RIFF readers are written against:
// - chunk ids and form types are four bytes compared exactly (case and spaces count: "fmt ");
// - a chunk is an 8-byte header (id, little-endian size) and a body padded to an even length;
//   "RIFF" and "LIST" bodies start with a form type, which descend reads too;
// - find searches from the current position for a chunk id and never leaves its parent (nor the
//   image): chunks before the wanted one are skipped whole, pad byte included;
// - ascend moves behind a chunk's body and pad byte; it fails when that lies beyond the image.
// Sizes are checked in 64-bit arithmetic; nothing is read outside the image.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t make_fourcc(char a, char b, char c, char d)
{
    return (uint32_t)(uint8_t)a | ((uint32_t)(uint8_t)b << 8) | ((uint32_t)(uint8_t)c << 16) |
           ((uint32_t)(uint8_t)d << 24);
}

constexpr uint32_t FOURCC_RIFF = make_fourcc('R', 'I', 'F', 'F');
constexpr uint32_t FOURCC_LIST = make_fourcc('L', 'I', 'S', 'T');

struct riff_chunk_s
{
    uint32_t id = 0;
    uint32_t size = 0;
    uint32_t form = 0;        // form type of "RIFF" and "LIST" chunks, else 0
    uint64_t data_offset = 0; // where the body starts (for RIFF and LIST: at the form type)
};

class riff_reader_c
{
public:
    riff_reader_c(const void *image, size_t size);

    // Reads the chunk header at the current position; false when the image ends first.
    bool descend(riff_chunk_s &chunk);
    // Finds the next chunk with this id inside parent (null: inside the image) and stands at
    // its body; false when there is none.
    bool find(riff_chunk_s &chunk, uint32_t id, const riff_chunk_s *parent);
    bool ascend(const riff_chunk_s &chunk);
    // Up to len bytes from the current position; returns how many there were.
    size_t read(void *out, size_t len);

    uint64_t position() const { return m_pos; }
    uint64_t remaining() const { return m_size - m_pos; }
    const uint8_t *current() const { return m_image + m_pos; }

private:
    const uint8_t *m_image;
    uint64_t m_size;
    uint64_t m_pos = 0;
};
