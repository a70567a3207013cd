#include "platform/dsound/mixer.h"

#include <SDL.h>

namespace {

// An SDL2 audio device in the mixer's output format; SDL converts to what the hardware takes.
// The mixer runs in SDL's callback under the mixer's lock.
class sdl_device_c final : public dsound_device_c
{
public:
    ~sdl_device_c() override { close(); }

    // Without a working output (no sound card, no sound server) the buffers still play, into
    // SDL's dummy driver, so that cursors and one-shot ends keep real time. A driver named in
    // SDL_AUDIODRIVER is never replaced.
    HRESULT open(mixer_c *mixer) override
    {
        m_mixer = mixer;
        if (SUCCEEDED(open_driver()))
            return DS_OK;
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        const HRESULT hr = open_driver();
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        return hr;
    }

    void suspend() override { stop(); }

    HRESULT reformat() override { return m_subsystem ? start() : DSERR_UNINITIALIZED; }

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
    HRESULT open_driver()
    {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return DSERR_NODRIVER;
        m_subsystem = true;
        const HRESULT hr = start();
        if (FAILED(hr))
            close();
        return hr;
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
};

} // namespace

std::unique_ptr<dsound_device_c> dsound_make_sdl_device() { return std::make_unique<sdl_device_c>(); }
