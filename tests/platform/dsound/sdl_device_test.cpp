// The SDL2 device, headless (dummy driver): the mixer runs in SDL's thread.
#include "platform/dsound/dsound.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

struct sound_s
{
    IDirectSound8 *ds = nullptr;
    IDirectSoundBuffer *primary = nullptr;
};

// A DirectSound object on the SDL device with its primary buffer in `rate` Hz, 16-bit stereo.
void make_sound(sound_s *s, DWORD rate)
{
    dsound_select_device(DSOUND_DEVICE_SDL);
    ASSERT_EQ(DirectSoundCreate8(nullptr, &s->ds, nullptr), DS_OK);
    ASSERT_EQ(s->ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    DSBUFFERDESC pd{};
    pd.dwSize = DSBUFFERDESC_WIN32_SIZE;
    pd.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME;
    ASSERT_EQ(s->ds->CreateSoundBuffer(&pd, &s->primary, nullptr), DS_OK);
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, rate, rate * 4, 4, 16, 0};
    ASSERT_EQ(s->primary->SetFormat(&f), DS_OK);
}

// A buffer of `frames` 16-bit mono frames at 22050 Hz filled with a saw tooth.
IDirectSoundBuffer *make_buffer(IDirectSound8 *ds, DWORD frames)
{
    WAVEFORMATEX bf{WAVE_FORMAT_PCM, 1, 22050, 22050 * 2, 2, 16, 0};
    DSBUFFERDESC d{};
    d.dwSize = DSBUFFERDESC_WIN32_SIZE;
    d.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY;
    d.dwBufferBytes = frames * 2;
    d.lpwfxFormat = &bf;
    IDirectSoundBuffer *b = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    void *p1, *p2;
    DWORD n1, n2;
    EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    for (DWORD i = 0; i < n1 / 2; i++) {
        int16_t v = (int16_t)((i % 50) * 400 - 10000);
        memcpy(static_cast<uint8_t *>(p1) + 2 * i, &v, 2);
    }
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    return b;
}

// Until the buffer stops playing (at most 10 s); its status then.
DWORD wait_for_end(IDirectSoundBuffer *b)
{
    DWORD status = DSBSTATUS_PLAYING;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((status & DSBSTATUS_PLAYING) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(b->GetStatus(&status), DS_OK);
    }
    return status;
}

// A program that never plays a sound does not start SDL's audio, and so never waits for it
// when it ends. Checked in a fresh process: an earlier test may have left SDL's audio running.
TEST(sdl_sound_device, nothing_played_starts_no_audio)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("SDL_AUDIODRIVER");
            sound_s s;
            make_sound(&s, 44100);
            IDirectSoundBuffer *b = make_buffer(s.ds, 2205);
            const bool started = SDL_WasInit(SDL_INIT_AUDIO) != 0;
            b->Release();
            s.primary->Release();
            s.ds->Release();
            std::exit(started || SDL_WasInit(SDL_INIT_AUDIO) != 0 ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

// When the driver SDL picks opens no output (here an ALSA device that does not exist, where
// ALSA is what SDL picks), buffers still play in real time, and SDL's audio is not restarted
// with its dummy driver for that: the restart would first wait for the failed driver's threads
// (the ALSA driver's watcher sleeps a tenth of a second), and the first sound of the program
// plays at its start. That driver starts on a thread of its own while the program goes on from
// Play: a release, or a new primary format, that comes meanwhile waits for that start instead
// of racing it. Checked in a fresh process.
TEST(sdl_sound_device, unusable_output_plays_on_without_restarting_audio)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("SDL_AUDIODRIVER");
            setenv("AUDIODEV", "no-such-device", 1);
            sound_s first;
            make_sound(&first, 44100);
            IDirectSoundBuffer *dropped = make_buffer(first.ds, 2205);
            if (dropped->Play(0, 0, 0) != DS_OK)
                std::exit(2);
            dropped->Release();
            first.primary->Release();
            if (first.ds->Release() != 0)
                std::exit(3);

            sound_s s;
            make_sound(&s, 44100);
            IDirectSoundBuffer *b = make_buffer(s.ds, 2205);
            if (b->Play(0, 0, 0) != DS_OK)
                std::exit(4);
            const WAVEFORMATEX f = (WAVEFORMATEX{WAVE_FORMAT_PCM, 2, 22050, 22050 * 4, 4, 16, 0});
            if (s.primary->SetFormat(&f) != DS_OK)
                std::exit(5);
            if (wait_for_end(b) != 0)
                std::exit(6);
            const char *driver = SDL_GetCurrentAudioDriver();
            if (driver && std::strcmp(driver, "dummy") == 0)
                std::exit(7);
            b->Release();
            s.primary->Release();
            std::exit(s.ds->Release() == 0 ? 0 : 8);
        },
        ::testing::ExitedWithCode(0), "");
}

// Releasing a DirectSound object whose output runs silences it at once: SDL's audio thread,
// which sleeps out two periods (here half a second each) before it ends, is not waited for. A
// DirectSound object made afterwards plays again.
TEST(sdl_sound_device, release_does_not_wait_for_the_audio_thread)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    sound_s s;
    make_sound(&s, 1000); // 512-frame periods: 0.512 s
    IDirectSoundBuffer *b = make_buffer(s.ds, 22050);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    DWORD cursor = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (cursor == 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(b->GetCurrentPosition(&cursor, nullptr), DS_OK);
    }
    ASSERT_NE(cursor, 0u) << "the output never ran";

    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(s.ds->Release(), 0u);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(took, std::chrono::milliseconds(300));
    b->Release();
    s.primary->Release();

    sound_s again;
    make_sound(&again, 44100);
    IDirectSoundBuffer *one_shot = make_buffer(again.ds, 2205);
    ASSERT_EQ(one_shot->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(wait_for_end(one_shot), 0u);
    one_shot->Release();
    again.primary->Release();
    EXPECT_EQ(again.ds->Release(), 0u);
}

// In a fresh process under the test clock: exits 0 when a 4 s one-shot ends after 4 s of the
// clock at factor 20 (a fifth of a second), played without SDL's audio.
void check_sound_follows_the_test_clock()
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    sound_s s;
    make_sound(&s, 44100);
    IDirectSoundBuffer *b = make_buffer(s.ds, 88200);
    const auto start = std::chrono::steady_clock::now();
    b->Play(0, 0, 0);
    const DWORD status = wait_for_end(b);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool audio = SDL_WasInit(SDL_INIT_AUDIO) != 0;
    b->Release();
    s.primary->Release();
    s.ds->Release();
    const bool ok = status == 0 && !audio && took >= 0.19 && took <= 3.0;
    if (!ok)
        std::fprintf(stderr, "status %u, SDL audio %d, took %g s\n", (unsigned)status, (int)audio, took);
    std::exit(ok ? 0 : 1);
}

// Under the test clock sounds keep the game's pace: SDL's audio would play them at the real one,
// so the silent output plays them, its periods shortened by the factor. Checked in a fresh
// process, where the factor is read first.
TEST(sdl_sound_device, test_clock_plays_at_its_pace)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("ENGINE_CLOCK_RATE", "20", 1);
    EXPECT_EXIT(check_sound_follows_the_test_clock(), ::testing::ExitedWithCode(0), "");
    unsetenv("ENGINE_CLOCK_RATE");
}

TEST(sdl_sound_device, one_shot_buffer_plays_to_its_end)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    sound_s s;
    make_sound(&s, 44100);
    IDirectSoundBuffer *b = make_buffer(s.ds, 2205); // 0.1 s
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(wait_for_end(b), 0u);
    DWORD cursor = 0;
    ASSERT_EQ(b->GetCurrentPosition(&cursor, nullptr), DS_OK);
    EXPECT_EQ(cursor, 0u);

    b->Release();
    s.primary->Release();
    EXPECT_EQ(s.ds->Release(), 0u);
}

} // namespace
