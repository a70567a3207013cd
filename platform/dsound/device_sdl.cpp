#include "platform/dsound/mixer.h"

#include <SDL.h>

namespace {

// An SDL2 audio device in the mixer's output format; SDL converts to what the hardware takes.
// The mixer runs in SDL's callback under the mixer's lock. The device is opened when the first
// buffer plays, in the format of that moment: a program that sets the primary format at start
// (or never plays a sound) then neither reopens the device nor, when it ends, waits for an
// audio thread to finish its period.
class sdl_device_c final : public dsound_device_c
{
public:
    ~sdl_device_c() override { close(); }

    HRESULT open(mixer_c *mixer) override
    {
        m_mixer = mixer;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            m_subsystem = true;
            return DS_OK;
        }
        return use_dummy_driver() ? DS_OK : DSERR_NODRIVER;
    }

    // Without a working output (no sound card, no sound server) the buffers still play, into
    // SDL's dummy driver, so that cursors and one-shot ends keep real time. A driver named in
    // SDL_AUDIODRIVER is never replaced.
    HRESULT wake() override
    {
        if (m_device)
            return DS_OK;
        if (!m_subsystem)
            return DSERR_UNINITIALIZED;
        if (SUCCEEDED(start()))
            return DS_OK;
        return use_dummy_driver() ? start() : DSERR_NODRIVER;
    }

    void suspend() override
    {
        m_resume = m_device != 0;
        stop();
    }

    HRESULT reformat() override
    {
        if (!m_subsystem)
            return DSERR_UNINITIALIZED;
        return m_resume ? start() : DS_OK;
    }

    void close() override
    {
        stop();
        if (m_subsystem) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            m_subsystem = false;
        }
    }

    bool is_manual() const override { return false; }

private:
    // Starts SDL's audio again with its dummy driver; false when even that fails.
    bool use_dummy_driver()
    {
        if (m_subsystem) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            m_subsystem = false;
        }
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        m_subsystem = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        return m_subsystem;
    }

    HRESULT start()
    {
        stop();
        mix_format_s f;
        {
            std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
            f = m_mixer->m_out;
        }
        SDL_AudioSpec want{}, have{};
        want.freq = f.rate;
        want.format = f.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        want.channels = (Uint8)f.channels;
        want.samples = f.rate > 22050 ? 1024 : 512;
        want.callback = &sdl_device_c::callback;
        want.userdata = this;
        m_block = f.block();
        m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (m_device == 0)
            return DSERR_NODRIVER;
        SDL_PauseAudioDevice(m_device, 0);
        return DS_OK;
    }

    void stop()
    {
        if (m_device) {
            SDL_CloseAudioDevice(m_device);
            m_device = 0;
        }
    }

    static void callback(void *userdata, Uint8 *stream, int len)
    {
        auto *self = static_cast<sdl_device_c *>(userdata);
        std::lock_guard<std::mutex> lock(self->m_mixer->m_mutex);
        self->m_mixer->render(stream, (DWORD)(len / self->m_block));
    }

    mixer_c *m_mixer = nullptr;
    SDL_AudioDeviceID m_device = 0;
    int m_block = 1;
    bool m_subsystem = false;
    bool m_resume = false;  // the device ran before suspend
};

} // namespace

std::unique_ptr<dsound_device_c> dsound_make_sdl_device() { return std::make_unique<sdl_device_c>(); }
