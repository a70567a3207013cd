// Streamed sounds: Ogg Vorbis files are not decoded in advance. The data entry keeps the
// compressed file ("<name>.Ogg") in memory; each instance decodes it while it plays into a
// looping DirectSound buffer that is a ring of STREAM_SND_BLOCK_NUM blocks, refilled on every
// tick behind the play cursor (up to three blocks ahead). A block is 2048, 4096 or 8192 frames
// for rates up to 11025, up to 22050 and above, about 0.19 s each.
// - A non-looped stream ends by itself: its last block is completed with silence, one more
//   block of silence follows, and the buffer stops when the cursor enters that block.
// - A looped stream rewinds the decoder at its end and never ends by itself; a stream that
//   yields no samples at all from its start ends instead of rewinding again.
// - sound_play and sound_restart start from the first sample; sound_stop keeps the ring and
//   the next play starts from the beginning again.
// - A damaged stream (any decoder error other than a hole) is logged and ends the stream.
// stream_sound_c is the ring; ogg_stream_sound_c the decoder over libvorbisfile, which reads
// the data entry's bytes through the ogg_mem_* callbacks.
#pragma once

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include "basics/cyclic_buffer.h"
#include "services/manager_sound.h"

#include <cstdint>
#include <memory>
#include <vector>

constexpr int STREAM_SND_BLOCK_NUM = 4;

// The compressed file, read once per name: "Empty Ogg file '<file>'" for a file of no bytes.
class ogg_sound_data_c : public sound_data_c
{
public:
    ogg_sound_data_c(manager_sound_c *manager, const char *name, const sound_descr &descr);

    resource_entity_c *create_resource(int prm) override;

    std::vector<uint8_t> m_bytes;
};

class stream_sound_c : public sound_resource_c
{
public:
    stream_sound_c(manager_sound_c *manager, sound_data_c *data);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    void play() override;
    void restart() override;
    void stop() override;

    // Non-zero while the source can deliver more samples.
    virtual int has_data() = 0;
    // Makes one block's worth of samples ready.
    virtual void decode_block(int block) = 0;
    // Writes exactly m_block_size bytes to dst.
    virtual void copy_block(int block, void *dst) = 0;
    // Back to the first sample; 0 on success.
    virtual int rewind() = 0;
    // Called by stop before the buffer stops.
    virtual void on_stop() = 0;

    int block_samples = 0;
    int m_block_size = 0;
    int ring_samples = 0;
    int block_align = 0;
    int write_block = 0;
    int play_block = 0;
    int m_free_block_cnt = STREAM_SND_BLOCK_NUM;
    int end_block = -1;
    int finished = 0;

protected:
    // Makes the looping ring buffer for the format ("CreateSoundBuffer failed") and sets it up.
    void create_stream_buffer(const WAVEFORMATEX &format, float total_time);
    void fill_blocks();
    void reclaim_blocks();

private:
    void reset_blocks();
};

// The memory the decoder reads: the data entry's bytes (not owned).
struct ogg_mem_file_s
{
    int size;
    int pos;
    const uint8_t *data;
};

// libvorbisfile's source callbacks over an ogg_mem_file_s. read copies whole elements while
// the next one fits (errno 0 when cut short); seek accepts whence 0, 1, 2 and positions within
// 0..size (else errno ERANGE and -1); tell gives pos; close does nothing.
size_t ogg_mem_read(void *dst, size_t size, size_t count, void *source);
int ogg_mem_seek(void *source, ogg_int64_t offset, int whence);
int ogg_mem_close(void *source);
long ogg_mem_tell(void *source);

class ogg_stream_sound_c : public stream_sound_c
{
public:
    // Fails with "Input does not appear to be an Ogg bitstream", "3D sound must be mono: '<name>'",
    // "Could not get total playtime of Ogg stream '<name>'" and "Ogg file '<name>' must have only
    // 1 logical bitstream", freeing the decoder first.
    ogg_stream_sound_c(manager_sound_c *manager, ogg_sound_data_c *data_entity);
    ~ogg_stream_sound_c() noexcept(false) override;

    void on_shutdown() override;

    int has_data() override;
    void decode_block(int block) override;
    void copy_block(int block, void *dst) override;
    int rewind() override;
    void on_stop() override {}

    ogg_mem_file_s mem_file{};
    OggVorbis_File m_vf{};
    int eof = 0;
    int chunk_size = 4096;
    std::unique_ptr<char[]> m_decode_buffer;
    std::unique_ptr<cyclic_buffer_c> m_ring;

private:
    void release_decoder();
    bool m_opened = false;
    // Samples delivered since the stream last went back to its start.
    bool m_samples_since_rewind = false;
};
