// wave_file_c: an uncompressed PCM RIFF WAVE file read whole into memory through the file
// object, and DirectSound buffers made from it.
// - load frees first, so a failed load leaves an empty reader. It returns false on every format
//   error: not RIFF/WAVE, no "fmt " or "data" chunk (searched in this order, chunks between are
//   skipped), "fmt " under 16 bytes, a tag other than PCM, a frame size of 0, data that is not a
//   whole number of frames, an empty file. A missing or unreadable file throws the file object's
//   error; a "data" chunk running past the end of the file throws "wave_file_c::load: Internal
//   error", checked before anything is allocated for it.
// - Only the first 16 bytes of "fmt " count; the stored format's extra size is 0.
// - create_buffer makes a secondary buffer holding all samples (null on any DirectSound failure
//   or without data); the caller owns it. The reader keeps its samples.
#pragma once

#include "kernel/exception.h"
#include "platform/dsound/dsound.h"

#include <cstdint>

class wave_file_c
{
public:
    // Leaves load on a format error; never reaches a caller.
    class wave_open_excep_c : public exception_c
    {
    public:
        using exception_c::exception_c;
        wave_open_excep_c() = default;
    };

    wave_file_c() = default;
    ~wave_file_c();
    wave_file_c(const wave_file_c &) = delete;
    wave_file_c &operator=(const wave_file_c &) = delete;

    void free();
    bool load(const char *name);
    IDirectSoundBuffer *create_buffer(IDirectSound8 *ds, uint32_t flags);

    const WAVEFORMATEX &format() const { return m_format; }
    const uint8_t *data() const { return m_data; }
    uint32_t data_amount() const { return m_data_amount; }
    uint32_t frame_size() const { return m_frame_size; }
    uint32_t frame_count() const { return m_frame_count; }

private:
    void parse(const uint8_t *image, size_t size);

    WAVEFORMATEX m_format{};
    uint8_t *m_data = nullptr;
    uint32_t m_data_amount = 0;
    uint32_t m_frame_size = 0;
    uint32_t m_frame_count = 0;
};
