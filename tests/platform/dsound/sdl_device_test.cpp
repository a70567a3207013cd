// The SDL2 device, headless (dummy driver): the mixer runs in SDL's thread.
#include "platform/dsound/dsound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

TEST(sdl_sound_device, one_shot_buffer_plays_to_its_end)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    dsound_select_device(DSOUND_DEVICE_SDL);
    IDirectSound8 *ds = nullptr;
    ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
    ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    DSBUFFERDESC pd{};
    pd.dwSize = DSBUFFERDESC_WIN32_SIZE;
    pd.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME;
    IDirectSoundBuffer *primary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&pd, &primary, nullptr), DS_OK);
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    ASSERT_EQ(primary->SetFormat(&f), DS_OK);

    WAVEFORMATEX bf{WAVE_FORMAT_PCM, 1, 22050, 22050 * 2, 2, 16, 0};
    DSBUFFERDESC d{};
    d.dwSize = DSBUFFERDESC_WIN32_SIZE;
    d.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY;
    d.dwBufferBytes = 2205 * 2; // 0.1 s
    d.lpwfxFormat = &bf;
    IDirectSoundBuffer *b = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    for (DWORD i = 0; i < n1 / 2; i++) {
        int16_t s = (int16_t)((i % 50) * 400 - 10000);
        memcpy(static_cast<uint8_t *>(p1) + 2 * i, &s, 2);
    }
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);

    DWORD status = DSBSTATUS_PLAYING;
    DWORD cursor = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((status & DSBSTATUS_PLAYING) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(b->GetStatus(&status), DS_OK);
    }
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(b->GetCurrentPosition(&cursor, nullptr), DS_OK);
    EXPECT_EQ(cursor, 0u);

    b->Release();
    primary->Release();
    EXPECT_EQ(ds->Release(), 0u);
}

} // namespace
