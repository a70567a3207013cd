// The WAVE reader over a corpus made here: what loads, what is refused, and buffers made from it.
#include "importers/waves_pcm.h"

#include "basics/Vaultis.h"
#include "basics/vaultfile_obj.h"
#include "importers/riff.h"
#include "tests/importers/wave/wave_corpus.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace wave_corpus;

namespace {

std::string bytes(size_t n, int seed = 1)
{
    std::string s;
    for (size_t i = 0; i < n; i++)
        s += (char)(i * 31 + seed);
    return s;
}

// Each test in a fresh directory holding data/sounds/.
class wave_reader : public ::testing::Test
{
protected:
    wave_reader() : m_enter(m_dir.path())
    {
        VT::init(nullptr);
        set_data_directory("data");
    }
    void put(const std::string &name, const std::string &image)
    {
        fixture::write_file(m_dir.path() / "data" / "sounds" / name, image);
    }
    bool load(wave_file_c &w, const std::string &image)
    {
        put("w.wav", image);
        return w.load("sounds/w.wav");
    }

    fixture::temp_dir m_dir;
    fixture::in_dir m_enter;
};

void expect_empty(const wave_file_c &w, const char *what)
{
    const WAVEFORMATEX zero{};
    EXPECT_EQ(memcmp(&w.format(), &zero, sizeof(zero)), 0) << what;
    EXPECT_EQ(w.data(), nullptr) << what;
    EXPECT_EQ(w.data_amount(), 0u) << what;
    EXPECT_EQ(w.frame_size(), 0u) << what;
    EXPECT_EQ(w.frame_count(), 0u) << what;
}

TEST_F(wave_reader, loads_pcm_and_skips_what_lies_around_its_chunks)
{
    const std::string samples = bytes(40);
    const std::string fmt = chunk("fmt ", fmt_body(1, 2, 44100, 16));
    const std::string data = chunk("data", samples);
    struct
    {
        const char *what;
        std::string image;
    } cases[] = {
        {"plain", pcm_wave(2, 44100, 16, samples)},
        {"LIST between fmt and data", riff("WAVE", fmt + chunk("LIST", "INFO" + chunk("ISFT", std::string("tool", 5))) + data)},
        {"odd chunk before fmt", riff("WAVE", chunk("junk", "abc") + fmt + chunk("fact", le32(10)) + data)},
        {"fmt of 18 bytes", riff("WAVE", chunk("fmt ", fmt_body(1, 2, 44100, 16, 18)) + data)},
        {"fmt of 40 bytes", riff("WAVE", chunk("fmt ", fmt_body(1, 2, 44100, 16, 40)) + data)},
        {"chunks after data", riff("WAVE", fmt + data + chunk("cue ", bytes(7)))},
    };
    for (auto &c : cases) {
        wave_file_c w;
        ASSERT_TRUE(load(w, c.image)) << c.what;
        EXPECT_EQ(w.format().wFormatTag, 1) << c.what;
        EXPECT_EQ(w.format().nChannels, 2) << c.what;
        EXPECT_EQ(w.format().nSamplesPerSec, 44100u) << c.what;
        EXPECT_EQ(w.format().nAvgBytesPerSec, 176400u) << c.what;
        EXPECT_EQ(w.format().nBlockAlign, 4) << c.what;
        EXPECT_EQ(w.format().wBitsPerSample, 16) << c.what;
        EXPECT_EQ(w.format().cbSize, 0) << c.what;
        EXPECT_EQ(w.frame_size(), 4u) << c.what;
        EXPECT_EQ(w.data_amount(), 40u) << c.what;
        EXPECT_EQ(w.frame_count(), 10u) << c.what;
        ASSERT_NE(w.data(), nullptr);
        EXPECT_EQ(std::string((const char *)w.data(), 40), samples) << c.what;
    }

    // 8-bit mono with an odd amount of data and the last pad byte missing from the file.
    wave_file_c w;
    std::string odd = pcm_wave(1, 11025, 8, "xyz");
    odd.pop_back();
    ASSERT_TRUE(load(w, odd));
    EXPECT_EQ(w.frame_size(), 1u);
    EXPECT_EQ(w.frame_count(), 3u);
}

TEST_F(wave_reader, format_errors_fail_the_load_and_leave_it_empty)
{
    const std::string fmt = chunk("fmt ", fmt_body(1, 2, 22050, 16));
    const std::string data = chunk("data", bytes(16));
    struct
    {
        const char *what;
        std::string image;
    } cases[] = {
        {"empty file", ""},
        {"not RIFF", "RIFX" + pcm_wave(2, 22050, 16, bytes(16)).substr(4)},
        {"not WAVE", riff("AVI ", fmt + data)},
        {"lower-case ids", riff("WAVE", chunk("FMT ", fmt_body(1, 2, 22050, 16)) + data)},
        {"no fmt", riff("WAVE", data)},
        {"no data", riff("WAVE", fmt)},
        {"data before fmt", riff("WAVE", data + fmt)},
        {"fmt of 14 bytes", riff("WAVE", chunk("fmt ", fmt_body(1, 2, 22050, 16).substr(0, 14)) + data)},
        {"IEEE float", riff("WAVE", chunk("fmt ", fmt_body(3, 2, 22050, 32, 18)) + data)},
        {"ADPCM", riff("WAVE", chunk("fmt ", fmt_body(2, 1, 22050, 4, 50)) + data)},
        {"16-bit stereo data of 10 bytes", riff("WAVE", fmt + chunk("data", bytes(10)))},
        {"no channels", riff("WAVE", chunk("fmt ", fmt_body(1, 0, 22050, 16)) + data)},
        {"no bits", riff("WAVE", chunk("fmt ", fmt_body(1, 1, 22050, 0)) + data)},
        {"4-bit mono", riff("WAVE", chunk("fmt ", fmt_body(1, 1, 22050, 4)) + data)},
        {"chunks beyond the RIFF's own size", chunk("RIFF", "WAVE" + fmt + data, 4 + (int64_t)fmt.size())},
        {"truncated fmt", riff("WAVE", fmt).substr(0, 30)},
        {"header only", "RIFF"},
    };
    for (auto &c : cases) {
        wave_file_c w;
        ASSERT_TRUE(load(w, pcm_wave(1, 11025, 8, "ab"))) << c.what;
        EXPECT_FALSE(load(w, c.image)) << c.what;
        expect_empty(w, c.what);
    }
}

TEST_F(wave_reader, data_running_past_the_file_is_an_internal_error)
{
    const std::string fmt = chunk("fmt ", fmt_body(1, 1, 22050, 16));
    struct
    {
        const char *what;
        std::string image;
    } cases[] = {
        {"cut short", riff("WAVE", fmt + chunk("data", bytes(100))).substr(0, 80)},
        {"size near 4 GB", riff("WAVE", fmt + chunk("data", bytes(8), 0xFFFFFFF0))},
    };
    for (auto &c : cases) {
        wave_file_c w;
        ASSERT_TRUE(load(w, pcm_wave(1, 11025, 8, "ab")));
        try {
            load(w, c.image);
            ADD_FAILURE() << "nothing thrown: " << c.what;
        } catch (const wave_file_c::wave_open_excep_c &) {
            ADD_FAILURE() << "the internal exception escaped: " << c.what;
        } catch (const exception_c &e) {
            EXPECT_EQ(e.get_message(), "wave_file_c::load: Internal error") << c.what;
        }
        expect_empty(w, c.what);
    }
}

TEST_F(wave_reader, missing_file_throws_the_file_objects_error)
{
    wave_file_c w;
    EXPECT_THROW(w.load("sounds/none.wav"), file_io_exception_c);
    expect_empty(w, "missing");
}

TEST(riff_walker, search_stays_inside_its_parent_and_skips_pad_bytes)
{
    // RIFF( LIST( "odd " (3 bytes + pad) ) "want" ): searching "want" inside the LIST fails,
    // searching it inside the RIFF after the LIST succeeds.
    const std::string list = chunk("LIST", "abcd" + chunk("odd ", "123"));
    const std::string image = riff("TEST", list + chunk("want", "zz"));
    riff_reader_c r(image.data(), image.size());
    riff_chunk_s top, sub, found;
    ASSERT_TRUE(r.descend(top));
    EXPECT_EQ(top.form, make_fourcc('T', 'E', 'S', 'T'));
    ASSERT_TRUE(r.descend(sub));
    EXPECT_EQ(sub.id, FOURCC_LIST);
    EXPECT_EQ(sub.form, make_fourcc('a', 'b', 'c', 'd'));
    EXPECT_FALSE(r.find(found, make_fourcc('w', 'a', 'n', 't'), &sub));

    riff_reader_c again(image.data(), image.size());
    ASSERT_TRUE(again.descend(top));
    ASSERT_TRUE(again.find(found, make_fourcc('w', 'a', 'n', 't'), &top));
    EXPECT_EQ(found.size, 2u);
    EXPECT_EQ(found.data_offset, image.size() - 2);
    char body[2];
    EXPECT_EQ(again.read(body, 8), 2u);
    EXPECT_EQ(std::string(body, 2), "zz");
}

class wave_buffers : public wave_reader
{
protected:
    void SetUp() override
    {
        dsound_select_device(DSOUND_DEVICE_MANUAL);
        ASSERT_EQ(DirectSoundCreate8(nullptr, &m_ds, nullptr), DS_OK);
        dsound_select_device(DSOUND_DEVICE_SDL);
        m_ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
        DSBUFFERDESC d{};
        d.dwSize = DSBUFFERDESC_WIN32_SIZE;
        d.dwFlags = DSBCAPS_PRIMARYBUFFER;
        ASSERT_EQ(m_ds->CreateSoundBuffer(&d, &m_primary, nullptr), DS_OK);
        WAVEFORMATEX out{WAVE_FORMAT_PCM, 2, 22050, 22050 * 4, 4, 16, 0};
        ASSERT_EQ(m_primary->SetFormat(&out), DS_OK);
    }
    void TearDown() override
    {
        if (m_primary)
            m_primary->Release();
        if (m_ds)
            m_ds->Release();
    }
    IDirectSound8 *m_ds = nullptr;
    IDirectSoundBuffer *m_primary = nullptr;
};

TEST_F(wave_buffers, buffer_holds_every_sample_and_plays_them)
{
    const std::string samples = bytes(64 * 4, 7);
    wave_file_c w;
    ASSERT_TRUE(load(w, pcm_wave(2, 22050, 16, samples)));
    IDirectSoundBuffer *a = w.create_buffer(m_ds, 0x400A0);
    IDirectSoundBuffer *b = w.create_buffer(m_ds, 0x400A0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(w.data(), nullptr) << "the reader keeps its samples";
    WAVEFORMATEX f{};
    ASSERT_EQ(a->GetFormat(&f, sizeof(f), nullptr), DS_OK);
    EXPECT_EQ(memcmp(&f, &w.format(), sizeof(f)), 0);

    a->Play(0, 0, 0);
    std::string out(64 * 4, '\0');
    ASSERT_EQ(dsound_manual_render(m_ds, out.data(), 64), DS_OK);
    EXPECT_EQ(out, samples);
    DWORD status = 1;
    a->GetStatus(&status);
    EXPECT_EQ(status, 0u) << "played to its end";
    b->GetStatus(&status);
    EXPECT_EQ(status, 0u) << "the other buffer was not started";
    a->Release();
    b->Release();
}

TEST_F(wave_buffers, corpus_files_make_buffers_in_their_own_format)
{
    struct
    {
        const char *what;
        std::string image;
        std::string samples;
    } cases[] = {
        {"8-bit mono 11025", pcm_wave(1, 11025, 8, bytes(33)), bytes(33)},
        {"16-bit mono 44100", pcm_wave(1, 44100, 16, bytes(64)), bytes(64)},
        {"8-bit stereo with LIST and a fmt of 40 bytes",
         riff("WAVE", chunk("fmt ", fmt_body(1, 2, 22050, 8, 40)) + chunk("LIST", "INFO") + chunk("data", bytes(20))),
         bytes(20)},
    };
    for (auto &c : cases) {
        wave_file_c w;
        ASSERT_TRUE(load(w, c.image)) << c.what;
        IDirectSoundBuffer *b = w.create_buffer(m_ds, 0x400A0);
        ASSERT_NE(b, nullptr) << c.what;
        WAVEFORMATEX f{};
        ASSERT_EQ(b->GetFormat(&f, sizeof(f), nullptr), DS_OK);
        EXPECT_EQ(memcmp(&f, &w.format(), sizeof(f)), 0) << c.what;
        void *p1, *p2;
        DWORD n1, n2;
        ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
        EXPECT_EQ(std::string((const char *)p1, n1), c.samples) << c.what;
        b->Unlock(p1, 0, p2, 0);
        b->Release();
    }
}

TEST_F(wave_buffers, no_buffer_without_data_or_for_a_stereo_3d_sound)
{
    wave_file_c empty;
    EXPECT_EQ(empty.create_buffer(m_ds, 0x400A0), nullptr);
    wave_file_c w;
    ASSERT_TRUE(load(w, pcm_wave(2, 22050, 16, bytes(16))));
    EXPECT_EQ(w.create_buffer(m_ds, 0x400B0), nullptr);
    wave_file_c mono;
    ASSERT_TRUE(load(mono, pcm_wave(1, 22050, 16, bytes(16))));
    IDirectSoundBuffer *b = mono.create_buffer(m_ds, 0x400B0);
    ASSERT_NE(b, nullptr);
    b->Release();
}

} // namespace
