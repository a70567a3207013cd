#include "services/sound_stream.h"

#include "basics/console_log.h"
#include "basics/vaultfile_obj.h"
#include "kernel/exception.h"
#include "services/srvc_dsound.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

ogg_sound_data_c::ogg_sound_data_c(manager_sound_c *manager, const char *name, const sound_descr &descr)
    : sound_data_c(manager, "Ogg_sound_tpl", name, descr)
{
    ENGINE_ASSERT(descr.flags & SOUND_FILE_Ogg);
    const std::string file = std::string(name) + ".Ogg";
    vaultfile_c f(file.c_str(), VFILE_READ);
    const unsigned long size = f.size();
    if (size == 0)
        ENGINE_THROW(exception_c, "Empty Ogg file '" + file + "'");
    // The decoder's source counts bytes in an int.
    if ((uint64_t)size > (uint64_t)INT_MAX)
        ENGINE_THROW(exception_c, "Ogg file '" + file + "' is too large");
    m_bytes.resize(size);
    f.read(m_bytes.data(), (int)size);
    f.close();
}

resource_entity_c *ogg_sound_data_c::create_resource(int)
{
    return new ogg_stream_sound_c(m_manager, this);
}

stream_sound_c::stream_sound_c(manager_sound_c *manager, sound_data_c *data) : sound_resource_c(manager, data)
{
    m_descr.flags |= SOUND_STREAMED;
}

int stream_sound_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (sound_resource_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(tick)) {
        if (is_playing()) {
            reclaim_blocks();
            fill_blocks();
        }
    }
    return 0;
}

void stream_sound_c::create_stream_buffer(const WAVEFORMATEX &format, float total_time)
{
    block_samples = format.nSamplesPerSec <= 11025 ? 2048 : format.nSamplesPerSec <= 22050 ? 4096 : 8192;
    ring_samples = STREAM_SND_BLOCK_NUM * block_samples;
    block_align = format.nChannels * (format.wBitsPerSample / 8);
    m_block_size = block_align * block_samples;

    WAVEFORMATEX wf = format;
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_WIN32_SIZE;
    desc.dwFlags = DSBCAPS_LOCDEFER | DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY;
    if (m_descr.flags & SOUND_3D)
        desc.dwFlags |= DSBCAPS_CTRL3D;
    desc.dwBufferBytes = (DWORD)(STREAM_SND_BLOCK_NUM * m_block_size);
    desc.lpwfxFormat = &wf;
    desc.guid3DAlgorithm = GUID_NULL;
    IDirectSound8 *ds = m_dsound->get_dsound();
    if (!ds || FAILED(ds->CreateSoundBuffer(&desc, &m_pBuffer, nullptr)) || !m_pBuffer) {
        m_pBuffer = nullptr;
        ENGINE_THROW(exception_c, "CreateSoundBuffer failed");
    }
    setup(format, total_time);
    finished = 1;
}

void stream_sound_c::reset_blocks()
{
    write_block = 0;
    play_block = 0;
    m_free_block_cnt = STREAM_SND_BLOCK_NUM;
    end_block = -1;
    finished = 0;
}

void stream_sound_c::fill_blocks()
{
    if (end_block != -1)
        return;
    while (m_free_block_cnt > 0) {
        if (!has_data())
            end_block = write_block;
        decode_block(write_block);
        void *aud_ptr1 = nullptr, *aud_ptr2 = nullptr;
        DWORD bytes1 = 0, bytes2 = 0;
        if (FAILED(m_pBuffer->Lock((DWORD)(block_align * block_samples * write_block), (DWORD)m_block_size,
                                   &aud_ptr1, &bytes1, &aud_ptr2, &bytes2, 0)))
            ENGINE_THROW(exception_c, "Lock failed");
        const int64_t aud_bytes1 = bytes1, aud_bytes2 = bytes2;
        ENGINE_ASSERT(aud_bytes1 == m_block_size);
        ENGINE_ASSERT(!aud_bytes2);
        copy_block(write_block, aud_ptr1);
        if (FAILED(m_pBuffer->Unlock(aud_ptr1, bytes1, aud_ptr2, bytes2)))
            ENGINE_THROW(exception_c, "Unlock failed");
        if (end_block != -1)
            break;
        write_block = write_block == STREAM_SND_BLOCK_NUM - 1 ? 0 : write_block + 1;
        m_free_block_cnt -= 1;
    }
}

void stream_sound_c::reclaim_blocks()
{
    DWORD cursor = 0;
    if (FAILED(m_pBuffer->GetCurrentPosition(&cursor, nullptr)))
        ENGINE_THROW(exception_c, "GetCurrentPosition failed");
    while (play_block != end_block) {
        const int64_t start = (int64_t)block_align * block_samples * play_block;
        if (start <= cursor && cursor < start + m_block_size)
            break;
        play_block = play_block == STREAM_SND_BLOCK_NUM - 1 ? 0 : play_block + 1;
        ENGINE_ASSERT(m_free_block_cnt < STREAM_SND_BLOCK_NUM);
        m_free_block_cnt += 1;
    }
    if (play_block == end_block) {
        m_pBuffer->Stop();
        finished = 1;
    }
}

void stream_sound_c::play()
{
    check_ready();
    reset_blocks();
    rewind();
    fill_blocks();
    m_pBuffer->SetCurrentPosition(0);
    sound_resource_c::play();
}

void stream_sound_c::restart()
{
    check_ready();
    m_pBuffer->Stop();
    reset_blocks();
    rewind();
    fill_blocks();
    sound_resource_c::restart();
}

void stream_sound_c::stop()
{
    on_stop();
    sound_resource_c::stop();
}

size_t ogg_mem_read(void *dst, size_t size, size_t count, void *source)
{
    ogg_mem_file_s *mem_file = static_cast<ogg_mem_file_s *>(source);
    ENGINE_ASSERT(mem_file);
    ENGINE_ASSERT(mem_file->pos >= 0);
    ENGINE_ASSERT(mem_file->pos <= mem_file->size);
    if (size == 0)
        return 0;
    const size_t left = (size_t)(mem_file->size - mem_file->pos);
    const size_t elements = std::min(count, left / size);
    std::memcpy(dst, mem_file->data + mem_file->pos, elements * size);
    mem_file->pos += (int)(elements * size);
    if (elements < count)
        errno = 0;
    return elements;
}

int ogg_mem_seek(void *source, ogg_int64_t offset, int whence)
{
    ogg_mem_file_s *mem_file = static_cast<ogg_mem_file_s *>(source);
    int64_t base;
    switch (whence) {
    case 0:
        base = 0;
        break;
    case 1:
        base = mem_file->pos;
        break;
    case 2:
        base = mem_file->size;
        break;
    default:
        return -1;
    }
    // Offsets come from the stream's own page headers: keep the sum from overflowing.
    if (offset > (int64_t)INT_MAX || offset < -(int64_t)INT_MAX || base + offset < 0 || base + offset > mem_file->size) {
        errno = ERANGE;
        return -1;
    }
    mem_file->pos = (int)(base + offset);
    return 0;
}

int ogg_mem_close(void *)
{
    return 0;
}

long ogg_mem_tell(void *source)
{
    ogg_mem_file_s *mem_file = static_cast<ogg_mem_file_s *>(source);
    ENGINE_ASSERT(mem_file);
    if (mem_file->pos < 0 || mem_file->pos > mem_file->size) {
        errno = ERANGE;
        return -1;
    }
    return mem_file->pos;
}

ogg_stream_sound_c::ogg_stream_sound_c(manager_sound_c *manager, ogg_sound_data_c *data_entity)
    : stream_sound_c(manager, data_entity)
{
    ENGINE_ASSERT(data_entity);
    const std::string name = data_entity->name();
    try {
        mem_file.size = (int)data_entity->m_bytes.size();
        mem_file.pos = 0;
        mem_file.data = data_entity->m_bytes.data();
        const ov_callbacks callbacks = {ogg_mem_read, ogg_mem_seek, ogg_mem_close, ogg_mem_tell};
        if (ov_open_callbacks(&mem_file, &m_vf, nullptr, 0, callbacks) != 0)
            ENGINE_THROW(exception_c, "Input does not appear to be an Ogg bitstream");
        m_opened = true;

        vorbis_info *vinfo = ov_info(&m_vf, -1);
        ENGINE_ASSERT(vinfo);
        if ((m_descr.flags & SOUND_3D) && vinfo->channels > 1)
            ENGINE_THROW(exception_c, "3D sound must be mono: '" + name + "'");
        WAVEFORMATEX format;
        make_wave_format(format, 16, (int)vinfo->rate, vinfo->channels);
        const double total_time = ov_time_total(&m_vf, -1);
        if (total_time == OV_EINVAL)
            ENGINE_THROW(exception_c, "Could not get total playtime of Ogg stream '" + name + "'");
        if (ov_streams(&m_vf) != 1)
            ENGINE_THROW(exception_c, "Ogg file '" + name + "' must have only 1 logical bitstream");
        create_stream_buffer(format, (float)total_time);

        chunk_size = 4096;
        m_decode_buffer.reset(new char[chunk_size]);
        m_ring.reset(new cyclic_buffer_c);
        m_ring->create(STREAM_SND_BLOCK_NUM * m_block_size);
    } catch (...) {
        release_decoder();
        throw;
    }
}

ogg_stream_sound_c::~ogg_stream_sound_c() noexcept(false)
{
    release_decoder();
}

void ogg_stream_sound_c::release_decoder()
{
    if (m_opened) {
        ov_clear(&m_vf);
        m_opened = false;
    }
    std::memset(&m_vf, 0, sizeof m_vf);
    mem_file = {};
    m_decode_buffer.reset();
    m_ring.reset();
}

void ogg_stream_sound_c::on_shutdown()
{
    release_decoder();
    stream_sound_c::on_shutdown();
}

int ogg_stream_sound_c::has_data()
{
    return eof == 0;
}

void ogg_stream_sound_c::decode_block(int)
{
    if (eof)
        return;
    while ((int)m_ring->used() < m_block_size) {
        int bitstream = 0;
        const long n = ov_read(&m_vf, m_decode_buffer.get(), chunk_size, 0, 2, 1, &bitstream);
        if (n == OV_HOLE)
            continue;
        if (n < 0) {
            print_message("Error in the ogg stream\n");
            eof = 1;
            return;
        }
        if (n > 0) {
            m_samples_since_rewind = true;
            // The ring's full flag is only meaningful when its two indices meet: count instead.
            const long held = m_ring->used();
            const long room = held >= STREAM_SND_BLOCK_NUM * m_block_size ? 0 : m_ring->free_space();
            m_ring->write(m_decode_buffer.get(), (unsigned)std::min(n, room));
            continue;
        }
        // The end of the stream: a looped sound starts over, unless a whole pass gave nothing.
        if ((m_descr.flags & SOUND_LOOPED) && m_samples_since_rewind && ov_pcm_seek(&m_vf, 0) == 0) {
            m_samples_since_rewind = false;
            continue;
        }
        eof = 1;
        return;
    }
}

void ogg_stream_sound_c::copy_block(int, void *dst)
{
    const int n = std::min((int)m_ring->used(), m_block_size);
    m_ring->read(static_cast<char *>(dst), (unsigned)n);
    std::memset(static_cast<char *>(dst) + n, 0, (size_t)(m_block_size - n));
}

int ogg_stream_sound_c::rewind()
{
    m_ring->reset();
    m_samples_since_rewind = false;
    const int result = ov_pcm_seek(&m_vf, 0);
    if (result == 0)
        eof = 0;
    return result;
}
