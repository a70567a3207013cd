#include "importers/waves_pcm.h"

#include "basics/vaultfile_obj.h"
#include "importers/riff.h"

#include <climits>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t FOURCC_WAVE = make_fourcc('W', 'A', 'V', 'E');
constexpr uint32_t FOURCC_FMT = make_fourcc('f', 'm', 't', ' ');
constexpr uint32_t FOURCC_DATA = make_fourcc('d', 'a', 't', 'a');

void check(bool ok)
{
    if (!ok)
        throw wave_file_c::wave_open_excep_c();
}

} // namespace

wave_file_c::~wave_file_c() { free(); }

void wave_file_c::free()
{
    delete[] m_data;
    m_data = nullptr;
    m_format = WAVEFORMATEX{};
    m_data_amount = 0;
    m_frame_size = 0;
    m_frame_count = 0;
}

bool wave_file_c::load(const char *name)
{
    free();
    try {
        std::vector<uint8_t> image;
        {
            vaultfile_c file(name, VFILE_READ);
            const unsigned long size = file.size();
            if (size == 0 || size > INT_MAX)
                return false;
            image.resize(size);
            file.read(image.data(), (int)size);
            file.close();
        }
        parse(image.data(), image.size());
        return true;
    } catch (const wave_open_excep_c &) {
        free();
        return false;
    } catch (...) {
        free();
        throw;
    }
}

void wave_file_c::parse(const uint8_t *image, size_t size)
{
    riff_reader_c riff(image, size);
    riff_chunk_s top;
    check(riff.descend(top) && top.id == FOURCC_RIFF && top.form == FOURCC_WAVE);

    riff_chunk_s fmt;
    check(riff.find(fmt, FOURCC_FMT, &top) && fmt.size >= 16);
    uint8_t raw[16];
    check(riff.read(raw, 16) == 16);
    WAVEFORMATEX f{};
    memcpy(&f, raw, 16);
    check(f.wFormatTag == WAVE_FORMAT_PCM);
    f.cbSize = 0;
    check(riff.ascend(fmt));

    const uint32_t frame_size = (uint32_t)f.wBitsPerSample * f.nChannels / 8;
    check(frame_size != 0);

    riff_chunk_s data;
    check(riff.find(data, FOURCC_DATA, &top) && data.size % frame_size == 0);
    if (data.size > riff.remaining())
        ENGINE_THROW(exception_c, "wave_file_c::load: Internal error");

    m_format = f;
    m_frame_size = frame_size;
    m_data_amount = data.size;
    m_frame_count = data.size / frame_size;
    if (m_data_amount) {
        m_data = new uint8_t[m_data_amount];
        memcpy(m_data, riff.current(), m_data_amount);
    }
}

IDirectSoundBuffer *wave_file_c::create_buffer(IDirectSound8 *ds, uint32_t flags)
{
    if (!m_data || !ds)
        return nullptr;
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_WIN32_SIZE;
    desc.dwFlags = flags;
    desc.dwBufferBytes = m_data_amount;
    desc.lpwfxFormat = &m_format;
    desc.guid3DAlgorithm = GUID_NULL;
    IDirectSoundBuffer *buffer = nullptr;
    if (FAILED(ds->CreateSoundBuffer(&desc, &buffer, nullptr)) || !buffer)
        return nullptr;
    void *aud_ptr1 = nullptr, *aud_ptr2 = nullptr;
    DWORD aud_bytes1 = 0, aud_bytes2 = 0;
    if (FAILED(buffer->Lock(0, m_data_amount, &aud_ptr1, &aud_bytes1, &aud_ptr2, &aud_bytes2,
                            DSBLOCK_ENTIREBUFFER))) {
        buffer->Release();
        return nullptr;
    }
    if (aud_bytes1 < m_data_amount) {
        buffer->Unlock(aud_ptr1, 0, aud_ptr2, 0);
        buffer->Release();
        ENGINE_ASSERT(aud_bytes1 >= m_data_amount);
    }
    memcpy(aud_ptr1, m_data, m_data_amount);
    buffer->Unlock(aud_ptr1, aud_bytes1, aud_ptr2, aud_bytes2);
    return buffer;
}
