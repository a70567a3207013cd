// Inside the sound layer only: the software mixer under the DirectSound-shaped objects, and the
// table of devices that drive it. Every field a device thread reads is guarded by m_mutex; the
// objects take it for each call, devices take it around render.
#pragma once

#include "platform/dsound/dsound.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

struct mix_format_s
{
    int channels = 2;
    int bits = 8;
    int rate = 22050;
    int block() const { return channels * bits / 8; }
};

// Checks a PCM format the layer can play: 1 or 2 channels, 8 or 16 bits, a rate in the
// DirectSound frequency range, block align and byte rate consistent.
bool mix_format_from_wave(const WAVEFORMATEX &wf, mix_format_s &out);

struct mix_3d_s
{
    D3DVECTOR position{0.0f, 0.0f, 0.0f};
    D3DVECTOR velocity{0.0f, 0.0f, 0.0f};
    float min_distance = DS3D_DEFAULTMINDISTANCE;
    float max_distance = DS3D_DEFAULTMAXDISTANCE;
    DWORD mode = DS3DMODE_NORMAL;
};

struct mix_listener_s
{
    D3DVECTOR position{0.0f, 0.0f, 0.0f};
    D3DVECTOR velocity{0.0f, 0.0f, 0.0f};
    D3DVECTOR front{1.0f, 0.0f, 0.0f};
    D3DVECTOR top{0.0f, 0.0f, 1.0f};
    float distance_factor = DS3D_DEFAULTDISTANCEFACTOR;
    float rolloff_factor = DS3D_DEFAULTROLLOFFFACTOR;
    float doppler_factor = DS3D_DEFAULTDOPPLERFACTOR;
};

// One secondary buffer as the mixer sees it.
struct mix_voice_s
{
    mix_format_s format;
    std::vector<uint8_t> ring;
    DWORD frames = 0;
    bool playing = false;
    bool looping = false;
    uint64_t position = 0; // frames, 32.32 fixed point
    LONG volume = 0;
    LONG pan = 0;
    DWORD frequency = 0; // Hz the buffer plays at
    bool is_3d = false;
    mix_3d_s applied;
    mix_3d_s pending;
};

float mix_gain_of_volume(LONG volume);

class mixer_c
{
public:
    std::mutex m_mutex;
    mix_format_s m_out;
    LONG m_master_volume = 0;
    mix_listener_s m_listener;
    mix_listener_s m_listener_pending;
    std::vector<mix_voice_s *> m_voices;

    // The caller holds m_mutex.
    void render(void *out, DWORD frames);
    // What render does to the voices (cursors, one-shot ends), without the samples: for an
    // output nobody hears.
    void advance(DWORD frames);
    void commit_deferred();

private:
    void mix_voice(mix_voice_s &v, DWORD frames, float master);
    std::vector<float> m_acc;
};

class dsound_device_c
{
public:
    virtual ~dsound_device_c() = default;
    // Makes the output ready; it need not run before the first wake.
    virtual HRESULT open(mixer_c *mixer) = 0;
    // A buffer is about to play: the output runs from now on (nothing when it runs already).
    virtual HRESULT wake() = 0;
    // Around a change of the mixer's output format: suspend stops the stream, reformat starts it
    // again in the new format when it ran. The caller does not hold the mixer's lock.
    virtual void suspend() = 0;
    virtual HRESULT reformat() = 0;
    virtual void close() = 0;
    virtual bool is_manual() const = 0;
};

std::unique_ptr<dsound_device_c> dsound_make_sdl_device();
std::unique_ptr<dsound_device_c> dsound_make_manual_device();
