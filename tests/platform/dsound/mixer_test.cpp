// The DirectSound-shaped layer heard through the manual device.
#include "platform/dsound/dsound.h"
#include "platform/dsound/mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

WAVEFORMATEX pcm(WORD bits, DWORD rate, WORD channels)
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.nBlockAlign = (WORD)(bits * channels / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.wBitsPerSample = bits;
    return f;
}

DSBUFFERDESC describe(DWORD flags, DWORD bytes, WAVEFORMATEX *format)
{
    DSBUFFERDESC d{};
    d.dwSize = DSBUFFERDESC_WIN32_SIZE;
    d.dwFlags = flags;
    d.dwBufferBytes = bytes;
    d.lpwfxFormat = format;
    return d;
}

constexpr DWORD kControls = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY;

// A DirectSound object on the manual device with its primary buffer in a chosen format.
class manual_sound : public ::testing::Test
{
protected:
    void open(WORD bits, DWORD rate, WORD channels)
    {
        dsound_select_device(DSOUND_DEVICE_MANUAL);
        ASSERT_EQ(DirectSoundCreate8(nullptr, &m_ds, nullptr), DS_OK);
        dsound_select_device(DSOUND_DEVICE_SDL);
        ASSERT_EQ(m_ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
        DSBUFFERDESC d = describe(DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME, 0, nullptr);
        ASSERT_EQ(m_ds->CreateSoundBuffer(&d, &m_primary, nullptr), DS_OK);
        m_out = pcm(bits, rate, channels);
        ASSERT_EQ(m_primary->SetFormat(&m_out), DS_OK);
        ASSERT_EQ(m_primary->QueryInterface(IID_IDirectSound3DListener, (void **)&m_listener), DS_OK);
    }
    void SetUp() override { open(16, 22050, 2); }
    void TearDown() override
    {
        for (IDirectSoundBuffer *b : m_buffers)
            b->Release();
        if (m_listener)
            m_listener->Release();
        if (m_primary)
            m_primary->Release();
        if (m_ds)
            m_ds->Release();
    }

    IDirectSoundBuffer *make(DWORD flags, const WAVEFORMATEX &format, const std::vector<uint8_t> &bytes)
    {
        WAVEFORMATEX f = format;
        DSBUFFERDESC d = describe(flags, (DWORD)bytes.size(), &f);
        IDirectSoundBuffer *b = nullptr;
        EXPECT_EQ(m_ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
        if (!b)
            return nullptr;
        m_buffers.push_back(b);
        void *p1, *p2;
        DWORD n1, n2;
        EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
        EXPECT_EQ(n1, bytes.size());
        memcpy(p1, bytes.data(), n1);
        EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
        return b;
    }

    std::vector<uint8_t> render(DWORD frames)
    {
        std::vector<uint8_t> out((size_t)frames * m_out.nBlockAlign);
        EXPECT_EQ(dsound_manual_render(m_ds, out.data(), frames), DS_OK);
        return out;
    }
    std::vector<int16_t> render16(DWORD frames)
    {
        std::vector<uint8_t> raw = render(frames);
        std::vector<int16_t> s(raw.size() / 2);
        memcpy(s.data(), raw.data(), raw.size());
        return s;
    }

    IDirectSound8 *m_ds = nullptr;
    IDirectSoundBuffer *m_primary = nullptr;
    IDirectSound3DListener *m_listener = nullptr;
    WAVEFORMATEX m_out{};
    std::vector<IDirectSoundBuffer *> m_buffers;
};

std::vector<uint8_t> samples16(const std::vector<int16_t> &s)
{
    std::vector<uint8_t> b(s.size() * 2);
    memcpy(b.data(), s.data(), b.size());
    return b;
}

// A stereo ramp that is different on every sample.
std::vector<int16_t> ramp(int frames, int channels, int step = 97)
{
    std::vector<int16_t> s;
    for (int i = 0; i < frames * channels; i++)
        s.push_back((int16_t)((i * step) % 30000 - 15000));
    return s;
}

DWORD play_cursor(IDirectSoundBuffer *b)
{
    DWORD play = 0xFFFFFFFF, write = 0;
    EXPECT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    return play;
}

DWORD status(IDirectSoundBuffer *b)
{
    DWORD s = 0xFFFFFFFF;
    EXPECT_EQ(b->GetStatus(&s), DS_OK);
    return s;
}

TEST_F(manual_sound, creation_refuses_invalid_formats_and_sizes)
{
    struct
    {
        const char *what;
        DWORD flags;
        DWORD bytes;
        WAVEFORMATEX format;
        bool with_format;
        HRESULT expected;
    } cases[] = {
        {"no format", 0, 400, pcm(16, 22050, 1), false, DSERR_INVALIDPARAM},
        {"float tag", 0, 400, [] { auto f = pcm(16, 22050, 1); f.wFormatTag = WAVE_FORMAT_IEEE_FLOAT; return f; }(), true, DSERR_BADFORMAT},
        {"24 bits", 0, 402, pcm(24, 22050, 1), true, DSERR_BADFORMAT},
        {"4 bits", 0, 400, pcm(4, 22050, 1), true, DSERR_BADFORMAT},
        {"three channels", 0, 402, pcm(16, 22050, 3), true, DSERR_BADFORMAT},
        {"no channels", 0, 400, pcm(16, 22050, 0), true, DSERR_BADFORMAT},
        {"rate too low", 0, 400, pcm(16, 50, 1), true, DSERR_BADFORMAT},
        {"wrong block align", 0, 400, [] { auto f = pcm(16, 22050, 2); f.nBlockAlign = 2; return f; }(), true, DSERR_BADFORMAT},
        {"wrong byte rate", 0, 400, [] { auto f = pcm(16, 22050, 2); f.nAvgBytesPerSec = 1; return f; }(), true, DSERR_BADFORMAT},
        {"size 0", 0, 0, pcm(8, 22050, 1), true, DSERR_INVALIDPARAM},
        {"size below minimum", 0, 2, pcm(8, 22050, 1), true, DSERR_INVALIDPARAM},
        {"size not whole frames", 0, 402, pcm(16, 22050, 2), true, DSERR_INVALIDPARAM},
        {"3D stereo", DSBCAPS_CTRL3D, 400, pcm(16, 22050, 2), true, DSERR_INVALIDPARAM},
        {"3D with pan", DSBCAPS_CTRL3D | DSBCAPS_CTRLPAN, 400, pcm(16, 22050, 1), true, DSERR_INVALIDPARAM},
        {"primary with size", DSBCAPS_PRIMARYBUFFER, 400, pcm(16, 22050, 1), false, DSERR_INVALIDPARAM},
    };
    for (auto &c : cases) {
        DSBUFFERDESC d = describe(c.flags, c.bytes, c.with_format ? &c.format : nullptr);
        IDirectSoundBuffer *b = reinterpret_cast<IDirectSoundBuffer *>(&d);
        EXPECT_EQ(m_ds->CreateSoundBuffer(&d, &b, nullptr), c.expected) << c.what;
        EXPECT_EQ(b, nullptr) << c.what;
    }
    WAVEFORMATEX mono = pcm(16, 22050, 1);
    DSBUFFERDESC d = describe(0, 400, &mono);
    d.dwSize = 20;
    IDirectSoundBuffer *b = nullptr;
    EXPECT_EQ(m_ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);
    d.dwSize = sizeof(DSBUFFERDESC);
    ASSERT_EQ(m_ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    b->Release();
}

TEST_F(manual_sound, unity_gain_at_equal_rate_and_channels_is_bit_exact)
{
    const std::vector<int16_t> s = ramp(300, 2);
    IDirectSoundBuffer *b = make(kControls, pcm(16, 22050, 2), samples16(s));
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    std::vector<int16_t> out = render16(300);
    EXPECT_EQ(out, s);
}

TEST(manual_sound_formats, eight_bit_mono_output_is_bit_exact_and_mono_doubles_into_stereo)
{
    struct
    {
        WORD out_bits, out_channels;
    } outputs[] = {{8, 1}, {8, 2}};
    for (auto o : outputs) {
        dsound_select_device(DSOUND_DEVICE_MANUAL);
        IDirectSound8 *ds = nullptr;
        ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
        dsound_select_device(DSOUND_DEVICE_SDL);
        ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
        DSBUFFERDESC pd = describe(DSBCAPS_PRIMARYBUFFER, 0, nullptr);
        IDirectSoundBuffer *primary = nullptr;
        ASSERT_EQ(ds->CreateSoundBuffer(&pd, &primary, nullptr), DS_OK);
        WAVEFORMATEX of = pcm(o.out_bits, 11025, o.out_channels);
        ASSERT_EQ(primary->SetFormat(&of), DS_OK);

        std::vector<uint8_t> s;
        for (int i = 0; i < 64; i++)
            s.push_back((uint8_t)(i * 37 + 5));
        WAVEFORMATEX f = pcm(8, 11025, 1);
        DSBUFFERDESC d = describe(0, (DWORD)s.size(), &f);
        IDirectSoundBuffer *b = nullptr;
        ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
        void *p1, *p2;
        DWORD n1, n2;
        ASSERT_EQ(b->Lock(0, (DWORD)s.size(), &p1, &n1, &p2, &n2, 0), DS_OK);
        memcpy(p1, s.data(), n1);
        b->Unlock(p1, n1, p2, n2);
        b->Play(0, 0, 0);
        std::vector<uint8_t> out(64 * o.out_channels);
        ASSERT_EQ(dsound_manual_render(ds, out.data(), 64), DS_OK);
        for (int i = 0; i < 64; i++)
            for (int c = 0; c < o.out_channels; c++)
                EXPECT_EQ(out[i * o.out_channels + c], s[i]) << "frame " << i << " channels " << o.out_channels;
        b->Release();
        primary->Release();
        ds->Release();
    }
}

TEST_F(manual_sound, volume_is_hundredths_of_a_decibel)
{
    struct
    {
        LONG volume;
        double gain;
    } cases[] = {{0, 1.0}, {-600, 0.501187}, {-2000, 0.1}, {-4000, 0.01}, {-10000, 0.0}};
    std::vector<int16_t> s(200 * 2, 20000);
    IDirectSoundBuffer *b = make(kControls, pcm(16, 22050, 2), samples16(s));
    for (auto c : cases) {
        ASSERT_EQ(b->SetVolume(c.volume), DS_OK);
        LONG back = 1;
        ASSERT_EQ(b->GetVolume(&back), DS_OK);
        EXPECT_EQ(back, c.volume);
        b->SetCurrentPosition(0);
        b->Play(0, 0, 0);
        std::vector<int16_t> out = render16(10);
        EXPECT_NEAR(out[0], 20000 * c.gain, 1.0) << c.volume;
        EXPECT_NEAR(out[1], 20000 * c.gain, 1.0) << c.volume;
    }
    EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);

    // Master volume of the primary buffer scales everything.
    ASSERT_EQ(b->SetVolume(0), DS_OK);
    ASSERT_EQ(m_primary->SetVolume(-2000), DS_OK);
    b->SetCurrentPosition(0);
    std::vector<int16_t> out = render16(1);
    EXPECT_NEAR(out[0], 2000, 1.0);

    // Without the control flag the volume cannot be set.
    IDirectSoundBuffer *plain = make(0, pcm(16, 22050, 2), samples16(s));
    EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetFrequency(11025), DSERR_CONTROLUNAVAIL);
}

TEST_F(manual_sound, frequency_change_resamples_linearly)
{
    std::vector<int16_t> s;
    for (int i = 0; i < 100; i++)
        s.push_back((int16_t)(i * 100));
    IDirectSoundBuffer *b = make(kControls, pcm(16, 22050, 1), samples16(s));

    // Half the rate: every other output frame lies half way between two samples.
    ASSERT_EQ(b->SetFrequency(11025), DS_OK);
    b->Play(0, 0, 0);
    std::vector<int16_t> out = render16(8);
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(out[2 * i], i * 50) << i;
    EXPECT_EQ(play_cursor(b), 4u * 2);

    // Double rate: every second sample, and the cursor runs twice as fast.
    b->Stop();
    b->SetCurrentPosition(0);
    ASSERT_EQ(b->SetFrequency(44100), DS_OK);
    DWORD freq = 0;
    b->GetFrequency(&freq);
    EXPECT_EQ(freq, 44100u);
    b->Play(0, 0, 0);
    out = render16(10);
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(out[2 * i + 1], i * 200) << i;
    EXPECT_EQ(play_cursor(b), 20u * 2);

    // 0 restores the buffer's own rate.
    ASSERT_EQ(b->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    b->GetFrequency(&freq);
    EXPECT_EQ(freq, 22050u);
    EXPECT_EQ(b->SetFrequency(50), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetFrequency(DSBFREQUENCY_MAX + 1), DSERR_INVALIDPARAM);
}

TEST_F(manual_sound, one_shot_stops_at_its_end_with_cursor_at_zero_and_loop_wraps)
{
    const std::vector<int16_t> s = ramp(100, 2);
    IDirectSoundBuffer *once = make(kControls, pcm(16, 22050, 2), samples16(s));
    ASSERT_EQ(once->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(status(once), DSBSTATUS_PLAYING);
    std::vector<int16_t> out = render16(150);
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 200), s);
    for (size_t i = 200; i < out.size(); i++)
        ASSERT_EQ(out[i], 0) << i;
    EXPECT_EQ(status(once), 0u);
    EXPECT_EQ(play_cursor(once), 0u);

    // Play again starts from the beginning.
    once->Play(0, 0, 0);
    out = render16(10);
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.end()), std::vector<int16_t>(s.begin(), s.begin() + 20));
    once->Stop();

    IDirectSoundBuffer *looped = make(kControls, pcm(16, 22050, 2), samples16(s));
    ASSERT_EQ(looped->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(status(looped), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    out = render16(250);
    for (int i = 0; i < 250 * 2; i++)
        ASSERT_EQ(out[i], s[i % 200]) << i;
    EXPECT_EQ(status(looped), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    EXPECT_EQ(play_cursor(looped), 50u * 4);
    ASSERT_EQ(looped->Stop(), DS_OK);
    EXPECT_EQ(status(looped), 0u);
    EXPECT_EQ(play_cursor(looped), 50u * 4);
}

TEST_F(manual_sound, play_cursor_progresses_by_whole_frames)
{
    IDirectSoundBuffer *b = make(kControls, pcm(16, 22050, 2), std::vector<uint8_t>(400 * 4));
    EXPECT_EQ(play_cursor(b), 0u);
    render16(30);
    EXPECT_EQ(play_cursor(b), 0u) << "a stopped buffer does not move";
    b->Play(0, 0, DSBPLAY_LOOPING);
    render16(30);
    EXPECT_EQ(play_cursor(b), 120u);
    render16(1);
    EXPECT_EQ(play_cursor(b), 124u);
    ASSERT_EQ(b->SetCurrentPosition(1003), DS_OK);
    EXPECT_EQ(play_cursor(b), 1000u) << "positions are rounded down to a frame";
    render16(400);
    EXPECT_EQ(play_cursor(b), 1000u) << "a whole ring later";
    EXPECT_EQ(b->SetCurrentPosition(1600), DSERR_INVALIDPARAM);
}

TEST_F(manual_sound, lock_gives_two_regions_across_the_wrap)
{
    std::vector<uint8_t> bytes(64);
    for (int i = 0; i < 64; i++)
        bytes[i] = (uint8_t)i;
    IDirectSoundBuffer *b = make(kControls, pcm(16, 22050, 2), bytes);

    struct
    {
        DWORD offset, bytes, flags;
        DWORD expect1, expect2;
    } cases[] = {
        {0, 64, 0, 64, 0},  {16, 16, 0, 16, 0}, {56, 16, 0, 8, 8},
        {48, 64, 0, 16, 48}, {8, 1, DSBLOCK_ENTIREBUFFER, 56, 8},
    };
    for (auto c : cases) {
        void *p1 = nullptr, *p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        ASSERT_EQ(b->Lock(c.offset, c.bytes, &p1, &n1, &p2, &n2, c.flags), DS_OK) << c.offset;
        EXPECT_EQ(n1, c.expect1) << c.offset;
        EXPECT_EQ(n2, c.expect2) << c.offset;
        EXPECT_EQ(p2 == nullptr, c.expect2 == 0) << c.offset;
        EXPECT_EQ(static_cast<uint8_t *>(p1)[0], c.offset) << "the region holds the ring's bytes";
        if (n2) {
            EXPECT_EQ(static_cast<uint8_t *>(p2)[0], 0);
        }
        EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    }

    // Writing across the wrap lands at both ends of the ring.
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(b->Lock(60, 8, &p1, &n1, &p2, &n2, 0), DS_OK);
    memset(p1, 0xAA, n1);
    memset(p2, 0xBB, n2);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    const uint8_t *all = static_cast<uint8_t *>(p1);
    EXPECT_EQ(all[59], 59);
    EXPECT_EQ(all[60], 0xAA);
    EXPECT_EQ(all[63], 0xAA);
    EXPECT_EQ(all[0], 0xBB);
    EXPECT_EQ(all[3], 0xBB);
    EXPECT_EQ(all[4], 4);
    b->Unlock(p1, 0, nullptr, 0);

    // Bad requests.
    EXPECT_EQ(b->Lock(64, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 65, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(60, 8, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    int outside = 0;
    EXPECT_EQ(b->Unlock(&outside, 4, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(manual_sound, written_bytes_reach_the_mixer_only_at_unlock)
{
    IDirectSoundBuffer *b = make(kControls, pcm(16, 22050, 2), samples16(std::vector<int16_t>(64, 1000)));
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    std::vector<int16_t> other(64, -500);
    memcpy(p1, other.data(), n1);
    b->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(render16(4)[0], 1000);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    EXPECT_EQ(render16(4)[0], -500);
}

TEST_F(manual_sound, buffers_mix_and_clip)
{
    IDirectSoundBuffer *a = make(kControls, pcm(16, 22050, 2), samples16(std::vector<int16_t>(40, 20000)));
    IDirectSoundBuffer *b = make(kControls, pcm(16, 22050, 1), samples16(std::vector<int16_t>(20, -5000)));
    a->Play(0, 0, 0);
    b->Play(0, 0, 0);
    EXPECT_EQ(render16(1), (std::vector<int16_t>{15000, 15000}));
    IDirectSoundBuffer *c = make(kControls, pcm(16, 22050, 1), samples16(std::vector<int16_t>(20, 30000)));
    c->Play(0, 0, 0);
    EXPECT_EQ(render16(1), (std::vector<int16_t>{32767, 32767}));
}

TEST_F(manual_sound, positional_sound_is_heard_on_its_side_after_commit)
{
    IDirectSoundBuffer *b = make(kControls | DSBCAPS_CTRL3D, pcm(16, 22050, 1),
                                 samples16(std::vector<int16_t>(400, 16000)));
    IDirectSound3DBuffer *b3 = nullptr;
    ASSERT_EQ(b->QueryInterface(IID_IDirectSound3DBuffer8, (void **)&b3), DS_OK);
    ASSERT_NE(b3, nullptr);
    b->Play(0, 0, DSBPLAY_LOOPING);

    // Deferred: nothing changes until the listener commits.
    ASSERT_EQ(b3->SetPosition(0.0f, 1.0f, 0.0f, DS3D_DEFERRED), DS_OK);
    D3DVECTOR p{9, 9, 9};
    b3->GetPosition(&p);
    EXPECT_EQ(p.y, 0.0f);
    std::vector<int16_t> out = render16(1);
    EXPECT_EQ(out[0], out[1]) << "a source at the listener is centred";
    ASSERT_EQ(m_listener->CommitDeferredSettings(), DS_OK);
    b3->GetPosition(&p);
    EXPECT_EQ(p.y, 1.0f);

    struct
    {
        D3DVECTOR at;
        int left, right;
    } cases[] = {
        {{0, 1, 0}, 0, 16000},      // +y is right: top x front
        {{0, -1, 0}, 16000, 0},     // -y is left
        {{1, 0, 0}, 16000, 16000},  // ahead
        {{0, 4, 0}, 0, 4000},       // four times the min distance: a quarter
        {{-2, 0, 0}, 8000, 8000},   // behind, twice the min distance
    };
    for (auto c : cases) {
        ASSERT_EQ(b3->SetPosition(c.at.x, c.at.y, c.at.z, DS3D_IMMEDIATE), DS_OK);
        out = render16(1);
        EXPECT_NEAR(out[0], c.left, 1) << c.at.x << "," << c.at.y;
        EXPECT_NEAR(out[1], c.right, 1) << c.at.x << "," << c.at.y;
    }

    // Distances clamp: beyond the max distance it gets no quieter, within min no louder.
    b3->SetMaxDistance(2.0f, DS3D_IMMEDIATE);
    b3->SetPosition(100.0f, 0.0f, 0.0f, DS3D_IMMEDIATE);
    out = render16(1);
    EXPECT_NEAR(out[0], 8000, 1);
    b3->SetMinDistance(4.0f, DS3D_DEFERRED);
    b3->SetMaxDistance(400.0f, DS3D_DEFERRED);
    b3->SetPosition(2.0f, 0.0f, 0.0f, DS3D_DEFERRED);
    m_listener->CommitDeferredSettings();
    out = render16(1);
    EXPECT_NEAR(out[0], 16000, 1);

    // The listener moves and turns too; disabled 3D plays as it is.
    DS3DLISTENER l{};
    l.dwSize = sizeof(l);
    l.vPosition = {2.0f, 0.0f, 0.0f};
    l.vOrientFront = {0.0f, 1.0f, 0.0f};
    l.vOrientTop = {0.0f, 0.0f, 1.0f};
    l.flDistanceFactor = l.flRolloffFactor = l.flDopplerFactor = 1.0f;
    ASSERT_EQ(m_listener->SetAllParameters(&l, DS3D_DEFERRED), DS_OK);
    b3->SetPosition(2.0f, -1.0f, 0.0f, DS3D_DEFERRED);
    m_listener->CommitDeferredSettings();
    out = render16(1);
    EXPECT_NEAR(out[0], 16000, 1) << "facing +y, a source behind the listener is centred";
    EXPECT_NEAR(out[1], 16000, 1);
    b3->SetPosition(3.0f, 0.0f, 0.0f, DS3D_IMMEDIATE);
    out = render16(1);
    EXPECT_NEAR(out[0], 16000, 1) << "facing +y, +x is on the left";
    EXPECT_NEAR(out[1], 0, 1);
    // Head-relative positions ignore where the listener stands and looks (min distance 4 here).
    b3->SetMode(DS3DMODE_HEADRELATIVE, DS3D_IMMEDIATE);
    b3->SetPosition(0.0f, 8.0f, 0.0f, DS3D_IMMEDIATE);
    out = render16(1);
    EXPECT_NEAR(out[0], 0, 1) << "head-relative +y is on the right";
    EXPECT_NEAR(out[1], 8000, 1);
    b3->SetMode(DS3DMODE_DISABLE, DS3D_IMMEDIATE);
    out = render16(1);
    EXPECT_EQ(out, (std::vector<int16_t>{16000, 16000}));
    EXPECT_EQ(b3->SetMode(3, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
    EXPECT_EQ(b3->SetPosition(0, 0, 0, 7), DSERR_INVALIDPARAM);
    b3->Release();
}

TEST_F(manual_sound, a_sound_starts_where_its_deferred_settings_place_it)
{
    IDirectSoundBuffer *b = make(kControls | DSBCAPS_CTRL3D, pcm(16, 22050, 1),
                                 samples16(std::vector<int16_t>(400, 16000)));
    IDirectSound3DBuffer *b3 = nullptr;
    ASSERT_EQ(b->QueryInterface(IID_IDirectSound3DBuffer8, (void **)&b3), DS_OK);
    ASSERT_EQ(b3->SetPosition(0.0f, 4.0f, 0.0f, DS3D_DEFERRED), DS_OK);
    b->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(render16(1), (std::vector<int16_t>{0, 4000})) << "placed from its first block";

    // Once playing, deferred settings wait for the commit again, also across another Play.
    b3->SetPosition(0.0f, -4.0f, 0.0f, DS3D_DEFERRED);
    b->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(render16(1), (std::vector<int16_t>{0, 4000}));
    m_listener->CommitDeferredSettings();
    EXPECT_EQ(render16(1), (std::vector<int16_t>{4000, 0}));
    b3->Release();
}

TEST_F(manual_sound, interfaces_follow_the_buffer_flags)
{
    IDirectSoundBuffer *plain = make(kControls, pcm(16, 22050, 1), std::vector<uint8_t>(64));
    void *p = &p;
    EXPECT_EQ(plain->QueryInterface(IID_IDirectSound3DBuffer, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);

    // One primary buffer: asking again gives the same object.
    DSBUFFERDESC d = describe(DSBCAPS_PRIMARYBUFFER, 0, nullptr);
    IDirectSoundBuffer *again = nullptr;
    ASSERT_EQ(m_ds->CreateSoundBuffer(&d, &again, nullptr), DS_OK);
    EXPECT_EQ(again, m_primary);
    again->Release();

    WAVEFORMATEX got{};
    DWORD written = 0;
    ASSERT_EQ(m_primary->GetFormat(&got, sizeof(got), &written), DS_OK);
    EXPECT_EQ(written, 18u);
    EXPECT_EQ(memcmp(&got, &m_out, sizeof(got)), 0);
    WAVEFORMATEX bad = pcm(16, 22050, 2);
    bad.wBitsPerSample = 24;
    EXPECT_EQ(m_primary->SetFormat(&bad), DSERR_BADFORMAT);
    EXPECT_EQ(m_ds->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DS_OK);
    EXPECT_EQ(m_primary->SetFormat(&m_out), DSERR_PRIOLEVELNEEDED);
}

TEST_F(manual_sound, buffers_outlive_their_directsound_object)
{
    IDirectSoundBuffer *b = make(kControls, pcm(16, 22050, 1), std::vector<uint8_t>(64));
    m_listener->Release();
    m_listener = nullptr;
    m_primary->Release();
    m_primary = nullptr;
    EXPECT_EQ(m_ds->Release(), 0u);
    EXPECT_EQ(dsound_manual_render(m_ds = nullptr, nullptr, 0), DSERR_INVALIDCALL);
    EXPECT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(status(b), DSBSTATUS_PLAYING);
}

} // namespace

// The silent output moves the voices on without mixing their samples: after every period each
// voice stands where mixing would have left it (its cursor, a one-shot's end, a loop's wrap).
TEST(silent_output_mixing, advance_leaves_every_voice_where_render_does)
{
    struct row_s
    {
        const char *what;
        DWORD frames;
        DWORD frequency;
        bool looping;
        bool playing;
        uint64_t position;
        int periods;
        DWORD period;
    };
    const row_s rows[] = {
        {"a one-shot at the output's rate ends", 100, 22050, false, true, 0, 3, 64},
        {"a one-shot ends at a period's end", 128, 22050, false, true, 0, 3, 64},
        {"a loop at the output's rate", 100, 22050, true, true, 0, 7, 64},
        {"a loop far faster than the output", 100, DSBFREQUENCY_MAX, true, true, (7ull << 32) + 99, 9, 333},
        {"a slower one-shot from between two frames", 1000, 11032, false, true, (5ull << 32) + 12345, 6, 512},
        {"a loop of one frame", 1, 30000, true, true, 0, 3, 100},
        {"a period longer than the pieces it is moved in", 50000, 44100, true, true, 3ull << 32, 2, 10000},
        {"an empty buffer", 0, 22050, false, true, 0, 2, 64},
        {"a stopped buffer", 100, 22050, true, false, 9ull << 32, 2, 64},
    };
    for (const row_s &row : rows) {
        SCOPED_TRACE(row.what);
        mixer_c mixed, moved;
        mix_voice_s a, b;
        a.format = mix_format_s{1, 16, 22050};
        a.ring.assign((size_t)row.frames * 2, 7);
        a.frames = row.frames;
        a.frequency = row.frequency;
        a.looping = row.looping;
        a.playing = row.playing;
        a.position = row.position;
        b = a;
        mixed.m_out = moved.m_out = mix_format_s{2, 16, 22050};
        mixed.m_voices.push_back(&a);
        moved.m_voices.push_back(&b);
        std::vector<uint8_t> out((size_t)row.period * 4);
        for (int i = 0; i < row.periods; ++i) {
            mixed.render(out.data(), row.period);
            moved.advance(row.period);
            EXPECT_EQ(b.position, a.position) << "period " << i;
            EXPECT_EQ(b.playing, a.playing) << "period " << i;
        }
    }
}
