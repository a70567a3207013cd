// Streamed Ogg Vorbis sounds on the manual mixer device. Fixtures are encoded at test time; the
// reference for what the mix must hear is a plain ov_read decode of the same bytes.
#include "tests/services/sound/sound_world.h"

#include "basics/console_log.h"
#include "basics/vec3.h"
#include "services/sound_stream.h"

#include <cerrno>
#include <cstring>

namespace {

using sound_world::thrown;

// Every sample of an Ogg file as libvorbisfile decodes it, holes skipped.
soundgen::samples plain_decode(const std::vector<uint8_t> &ogg)
{
    ogg_mem_file_s mem{(int)ogg.size(), 0, ogg.data()};
    OggVorbis_File vf;
    const ov_callbacks cb = {ogg_mem_read, ogg_mem_seek, ogg_mem_close, ogg_mem_tell};
    EXPECT_EQ(ov_open_callbacks(&mem, &vf, nullptr, 0, cb), 0);
    soundgen::samples out;
    char buf[4096];
    int section = 0;
    for (;;) {
        const long n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section);
        if (n == OV_HOLE)
            continue;
        if (n <= 0)
            break;
        const size_t at = out.size();
        out.resize(at + (size_t)n / 2);
        std::memcpy(out.data() + at, buf, (size_t)n);
    }
    ov_clear(&vf);
    return out;
}

class ogg_stream : public sound_world::world
{
protected:
    // Plays the sound and hears `frames` frames, ticking after every `step` frames as the main
    // loop would.
    soundgen::samples hear(int frames, int step)
    {
        soundgen::samples out;
        for (int done = 0; done < frames; done += step) {
            const soundgen::samples part = render(std::min(step, frames - done));
            out.insert(out.end(), part.begin(), part.end());
            tick();
        }
        return out;
    }
    ogg_stream_sound_c *stream(isound_c &h) { return resource<ogg_stream_sound_c>(h); }
};

// A music-like stereo signal: two tones, neither repeating at the block length.
soundgen::samples stereo_music(int rate, double seconds)
{
    soundgen::samples a = soundgen::tone(rate, 2, seconds, 523.0, 0.4, -0.5);
    const soundgen::samples b = soundgen::tone(rate, 2, seconds, 97.0, 0.3, 0.5);
    for (size_t i = 0; i < a.size(); i++)
        a[i] = (int16_t)(a[i] + b[i]);
    return a;
}

TEST_F(ogg_stream, block_sizes_follow_the_rate)
{
    struct
    {
        int rate, channels, block_samples, block_size;
    } cases[] = {{44100, 2, 8192, 32768}, {44100, 1, 8192, 16384}, {22050, 2, 4096, 16384},
                 {11025, 1, 2048, 4096}, {8000, 1, 2048, 4096}};
    for (const auto &c : cases) {
        const std::string name = "sounds/s" + std::to_string(c.rate) + "_" + std::to_string(c.channels);
        put_ogg(name, "format = Ogg;",
                soundgen::make_ogg(c.channels, c.rate, soundgen::tone(c.rate, c.channels, 0.2, 300.0, 0.3)));
        ogg_stream_sound_c *s = stream(load(name.c_str()));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->block_samples, c.block_samples) << name;
        EXPECT_EQ(s->m_block_size, c.block_size) << name;
        EXPECT_EQ(s->ring_samples, 4 * c.block_samples) << name;
        EXPECT_EQ(s->block_align, 2 * c.channels) << name;
        WAVEFORMATEX f{};
        s->m_pBuffer->GetFormat(&f, sizeof f, nullptr);
        EXPECT_EQ(f.nSamplesPerSec, (DWORD)c.rate);
        EXPECT_EQ(f.wBitsPerSample, 16);
        EXPECT_EQ(s->finished, 1) << "silent until played";
        EXPECT_NEAR(s->attribute("total_time")->get_float(), 0.2, 0.001) << name;
        EXPECT_TRUE(s->m_descr.flags & SOUND_STREAMED);
    }
}

TEST_F(ogg_stream, the_mix_hears_the_decoded_stream_sample_for_sample_and_then_it_stops)
{
    // 1.6 s: eight blocks of 8192 frames and a part of a ninth.
    const std::vector<uint8_t> ogg = soundgen::make_ogg(2, 44100, stereo_music(44100, 1.6));
    const soundgen::samples expected = plain_decode(ogg);
    ASSERT_GT(expected.size(), 8u * 8192 * 2);
    put_ogg("sounds/m", "format = Ogg;", ogg);
    isound_c &h = load("sounds/m");
    h.play();
    const int frames = (int)expected.size() / 2;
    // Ticks at a step that does not divide the block, so the cursor sits anywhere in a block.
    const soundgen::samples out = hear(frames + 3 * 8192, 3000);
    for (size_t i = 0; i < expected.size(); i++)
        ASSERT_EQ(out[i], expected[i]) << "sample " << i;
    for (size_t i = expected.size(); i < out.size(); i++)
        ASSERT_EQ(out[i], 0) << "sample " << i;
    EXPECT_EQ(h.is_playing(), 0);
    EXPECT_EQ(stream(h)->finished, 1);

    // sound_play starts again from the first sample.
    h.play();
    const soundgen::samples again = hear(20000, 3000);
    for (size_t i = 0; i < again.size(); i++)
        ASSERT_EQ(again[i], expected[i]) << "sample " << i;
}

TEST_F(ogg_stream, a_looped_stream_plays_through_its_end_without_a_gap)
{
    // 0.5 s at 22050 Hz mono: two full rings of 4096-frame blocks and a part of a third.
    const std::vector<uint8_t> ogg = soundgen::make_ogg(1, 22050, soundgen::tone(22050, 1, 0.5, 330.0, 0.5));
    const soundgen::samples once = plain_decode(ogg);
    put_ogg("sounds/loop", "format = Ogg; looped = yes;", ogg);
    isound_c &h = load("sounds/loop");
    h.play();
    // The mix runs at twice the stream's rate: every other mixed frame is a stream sample as it
    // is (the ones between are interpolated), on both channels.
    const int frames = 2 * (int)once.size() + 5000;
    const soundgen::samples out = hear(2 * frames, 2000);
    for (int i = 0; i < frames; i++) {
        ASSERT_EQ(out[(size_t)4 * i], once[i % once.size()]) << "frame " << i;
        ASSERT_EQ(out[(size_t)4 * i + 1], once[i % once.size()]) << "frame " << i;
    }
    EXPECT_EQ(h.is_playing(), 1);
}

TEST_F(ogg_stream, play_and_restart_start_from_the_first_sample_stop_keeps_quiet)
{
    const std::vector<uint8_t> ogg = soundgen::make_ogg(2, 44100, stereo_music(44100, 1.0));
    const soundgen::samples expected = plain_decode(ogg);
    put_ogg("sounds/m", "format = Ogg;", ogg);
    isound_c &h = load("sounds/m");
    auto expect_start = [&](const soundgen::samples &out, const char *what) {
        for (size_t i = 0; i < out.size(); i++)
            ASSERT_EQ(out[i], expected[i]) << what << " sample " << i;
    };
    h.play();
    hear(20000, 3000);
    h.play();
    expect_start(hear(20000, 3000), "play while playing");
    EXPECT_EQ(send(h, MSG_VAR(sound_restart)), 1);
    expect_start(hear(20000, 3000), "restart");
    EXPECT_EQ(send(h, MSG_VAR(sound_stop)), 1);
    EXPECT_EQ(h.is_playing(), 0);
    for (int16_t v : hear(5000, 3000))
        ASSERT_EQ(v, 0);
    h.play();
    expect_start(hear(20000, 3000), "play after stop");
}

TEST_F(ogg_stream, a_looped_stream_without_samples_ends_instead_of_rewinding_for_ever)
{
    put_ogg("sounds/empty", "format = Ogg; looped = yes;", soundgen::make_ogg(1, 22050, {}));
    isound_c &h = load("sounds/empty");
    h.play();
    const soundgen::samples out = hear(4 * 8192, 1000);
    for (int16_t v : out)
        ASSERT_EQ(v, 0);
    EXPECT_EQ(h.is_playing(), 0);
    EXPECT_EQ(stream(h)->finished, 1);
}

TEST_F(ogg_stream, a_damaged_page_is_skipped_and_the_stream_goes_on)
{
    // Noise bursts: many pages, where a tone would fit in two.
    soundgen::samples bursts;
    for (unsigned i = 0; i < 12; i++) {
        const soundgen::samples b = soundgen::click(44100, 1, 0.25, 600.0 + 100.0 * i, i + 1);
        bursts.insert(bursts.end(), b.begin(), b.end());
    }
    std::vector<uint8_t> ogg = soundgen::make_ogg(1, 44100, bursts);
    const size_t whole = plain_decode(ogg).size();
    // Spoil a byte inside a page in the middle of the audio: that page fails its checksum.
    std::vector<size_t> pages;
    for (size_t i = 0; i + 4 <= ogg.size(); i++)
        if (std::memcmp(ogg.data() + i, "OggS", 4) == 0)
            pages.push_back(i);
    ASSERT_GT(pages.size(), 6u);
    ogg[pages[pages.size() / 2] + 40] ^= 0x55;
    const soundgen::samples expected = plain_decode(ogg);
    ASSERT_LT(expected.size(), whole);
    put_ogg("sounds/hole", "format = Ogg;", ogg);
    isound_c &h = load("sounds/hole");
    h.play();
    const soundgen::samples out = hear((int)expected.size() + 4 * 8192, 3000);
    for (size_t i = 0; i < expected.size(); i++)
        ASSERT_EQ(out[2 * i], expected[i]) << "frame " << i;
    EXPECT_EQ(h.is_playing(), 0);
}

TEST_F(ogg_stream, a_3d_stream_is_mono_and_placed)
{
    put_ogg("sounds/voice", "format = Ogg; sound_is_3D = yes; looped = yes;",
            soundgen::make_ogg(1, 44100, soundgen::tone(44100, 1, 0.5, 441.0, 0.5)));
    isound_c &h = load("sounds/voice");
    ASSERT_NE(resource(h)->m_p3DBuffer, nullptr);
    h.play();
    h.set_3d_params(vec3(0.0f, -4.0f, 0.0f), vec3(0.0f, 0.0f, 0.0f));
    const soundgen::samples out = hear(20000, 3000);
    double e[2] = {0.0, 0.0};
    for (size_t i = 2 * 3000; i < out.size(); i++)
        e[i % 2] += (double)out[i] * out[i];
    EXPECT_GT(e[0], 4.0 * e[1]) << "heard on the left";
}

TEST_F(ogg_stream, refusals_free_the_decoder_and_leave_no_entry)
{
    const std::vector<uint8_t> mono = soundgen::make_ogg(1, 22050, soundgen::tone(22050, 1, 0.2, 300.0, 0.3));
    const std::vector<uint8_t> stereo = soundgen::make_ogg(2, 22050, soundgen::tone(22050, 2, 0.2, 300.0, 0.3));
    std::vector<uint8_t> chained = mono;
    const std::vector<uint8_t> second = soundgen::make_ogg(1, 22050, soundgen::tone(22050, 1, 0.2, 500.0, 0.3), 0.4f, 2);
    chained.insert(chained.end(), second.begin(), second.end());
    put_ogg("sounds/stereo3d", "format = Ogg; sound_is_3D = yes;", stereo);
    put_ogg("sounds/chained", "format = Ogg;", chained);
    put_ogg("sounds/empty", "format = Ogg;", {});
    put_ogg("sounds/text", "format = Ogg;", std::vector<uint8_t>(5000, 'x'));
    struct
    {
        const char *name;
        const char *message;
    } cases[] = {
        {"sounds/stereo3d", "3D sound must be mono: 'sounds/stereo3d'"},
        {"sounds/chained", "Ogg file 'sounds/chained' must have only 1 logical bitstream"},
        {"sounds/empty", "Empty Ogg file 'sounds/empty.Ogg'"},
        {"sounds/text", "Input does not appear to be an Ogg bitstream"},
    };
    for (const auto &c : cases) {
        isound_c h;
        EXPECT_EQ(thrown([&] { h.load(c.name, isound_mgr_c().manager(), 0); }), c.message);
        EXPECT_EQ(h.resource(), nullptr);
        // A data entry whose instance failed stays, with no instance counted on it.
        for (abstract_c *o = m_manager->first_child(); o; o = o->next_sibling()) {
            auto *d = dynamic_cast<data_entity_c *>(o);
            ASSERT_NE(d, nullptr) << "no instance is left";
            EXPECT_EQ(d->resource_count(), 0);
        }
    }
}

TEST(ogg_memory_source, reads_whole_elements_seeks_within_the_bytes_and_tells)
{
    const uint8_t bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    ogg_mem_file_s f{10, 0, bytes};
    uint8_t dst[16] = {};
    struct
    {
        int pos;
        size_t size, count, got;
        int pos_after;
        bool cut;
    } reads[] = {
        {0, 1, 4, 4, 4, false}, {8, 1, 5, 2, 10, true}, {10, 1, 3, 0, 10, true},
        {0, 3, 5, 3, 9, true},  {2, 4, 2, 2, 10, false}, {7, 4, 1, 0, 7, true},
    };
    for (const auto &r : reads) {
        f.pos = r.pos;
        std::memset(dst, 0xEE, sizeof dst);
        errno = 77;
        EXPECT_EQ(ogg_mem_read(dst, r.size, r.count, &f), r.got) << r.pos << " " << r.size << "x" << r.count;
        EXPECT_EQ(f.pos, r.pos_after);
        EXPECT_EQ(errno, r.cut ? 0 : 77);
        EXPECT_EQ(dst[0], r.got ? bytes[r.pos] : 0xEE);
        EXPECT_EQ(dst[r.got * r.size], 0xEE) << "nothing past the whole elements";
    }

    struct
    {
        int pos;
        long long offset;
        int whence, result, pos_after;
    } seeks[] = {
        {5, 3, 0, 0, 3},   {5, 3, 1, 0, 8},    {5, -2, 2, 0, 8},  {5, 0, 2, 0, 10}, {5, 6, 1, -1, 5},
        {5, -6, 1, -1, 5}, {5, 1, 2, -1, 5},   {5, 0, 3, -1, 5},  {5, (1LL << 40), 0, -1, 5},
        {5, -(1LL << 40), 1, -1, 5},
    };
    for (const auto &s : seeks) {
        f.pos = s.pos;
        errno = 0;
        EXPECT_EQ(ogg_mem_seek(&f, s.offset, s.whence), s.result) << s.offset << " " << s.whence;
        EXPECT_EQ(f.pos, s.pos_after);
        if (s.result != 0 && s.whence <= 2) {
            EXPECT_EQ(errno, ERANGE);
        }
    }
    f.pos = 4;
    EXPECT_EQ(ogg_mem_tell(&f), 4);
    f.pos = 11;
    EXPECT_EQ(ogg_mem_tell(&f), -1);
    EXPECT_EQ(errno, ERANGE);
    EXPECT_EQ(ogg_mem_close(&f), 0);
}

} // namespace
