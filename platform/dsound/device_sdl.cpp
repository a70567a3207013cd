#include "platform/dsound/mixer.h"
#include "platform/sys/systime.h"

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// What SDL's callback reads: the mixer while a device object plays through the output, none
// once that object has gone (SDL's callback thread may still be on its way into the callback).
struct feed_s
{
    std::mutex mutex;
    mixer_c *mixer = nullptr;
    int block = 1;
    Uint8 silence = 0;
};

void SDLCALL feed_callback(void *userdata, Uint8 *stream, int len)
{
    auto *feed = static_cast<feed_s *>(userdata);
    std::lock_guard<std::mutex> lock(feed->mutex);
    if (!feed->mixer) {
        std::memset(stream, feed->silence, (size_t)len);
        return;
    }
    std::lock_guard<std::mutex> mix(feed->mixer->m_mutex);
    feed->mixer->render(stream, (DWORD)(len / feed->block));
}

// The silent output's period: nobody hears it, so the voices only move on.
void feed_nobody(feed_s *feed, int frames)
{
    std::lock_guard<std::mutex> lock(feed->mutex);
    if (!feed->mixer)
        return;
    std::lock_guard<std::mutex> mix(feed->mixer->m_mutex);
    feed->mixer->advance((DWORD)frames);
}

// What the last closed device left running: SDL's audio, and its output paused and fed by
// nothing. Ending them waits for SDL's threads (an output's thread sleeps out two periods before
// it ends, the ALSA driver's watcher up to a tenth of a second), so a closing device leaves them
// here; the next device to start SDL's audio ends them first, and when the program ends they
// simply go with it.
struct parked_audio_s
{
    bool subsystem = false;
    SDL_AudioDeviceID device = 0;
    std::unique_ptr<feed_s> feed;
};

// Never destroyed: SDL's threads may outlive every destructor of the program.
parked_audio_s &parked()
{
    static parked_audio_s *p = new parked_audio_s;
    return *p;
}

// SDL's audio and the parked output change from the caller's thread and from the threads that
// start outputs in the background: one at a time. Never destroyed, like the parked output.
std::mutex &audio_mutex()
{
    static std::mutex *m = new std::mutex;
    return *m;
}

void close_output(SDL_AudioDeviceID *device, std::unique_ptr<feed_s> *feed)
{
    if (*device) {
        SDL_CloseAudioDevice(*device);
        *device = 0;
    }
    feed->reset();
}

void end_parked_audio()
{
    parked_audio_s &p = parked();
    close_output(&p.device, &p.feed);
    if (p.subsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        p.subsystem = false;
    }
}

// Plays into nothing at the pace of a real output, a period at a time on a thread of its own:
// what runs when the driver SDL picked opens no output (no sound card, no sound server), so
// that cursors and one-shot ends keep real time; under the test clock it is the only output,
// its periods shortened by the clock's factor, so that sounds end when the game's clock says.
// It moves the voices on without mixing their samples: under the test clock mixing what nobody
// hears took a good part of a loaded core. SDL's audio stays as it is: switching it to another
// driver would first wait for the threads of the one that failed (the ALSA driver's watcher
// sleeps a tenth of a second), and the first sound of a program plays at its start.
class silent_output_c
{
public:
    ~silent_output_c() { stop(); }

    void start(feed_s *feed, int frames, int rate)
    {
        stop();
        m_stop = false;
        m_thread = std::thread([this, feed, frames, rate] { run(feed, frames, rate); });
    }

    // The thread is woken, not waited out: it ends within one period's mixing.
    void stop()
    {
        if (!m_thread.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    bool running() const { return m_thread.joinable(); }

private:
    void run(feed_s *feed, int frames, int rate)
    {
        const auto period =
            std::chrono::microseconds((long long)((double)frames * 1000000.0 / rate / clock_rate()));
        auto next = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            lock.unlock();
            feed_nobody(feed, frames);
            lock.lock();
            next += period;
            m_wake.wait_until(lock, next, [this] { return m_stop; });
        }
    }

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
};

// An SDL2 audio device in the mixer's output format; SDL converts to what the hardware takes.
// The mixer runs in SDL's callback under the mixer's lock. SDL's audio starts, and the device
// opens in the format of that moment, when the first buffer plays: a program that sets the
// primary format at start neither reopens the device for it, and one that never plays a sound
// does not start SDL's audio at all. A driver named in SDL_AUDIODRIVER is tried at once, so
// that a wrong name fails the creation, and is never replaced. Under the test clock (a factor
// other than 1) SDL's audio is never started: a real output would play at the real pace.
class sdl_device_c final : public dsound_device_c
{
public:
    ~sdl_device_c() override { close(); }

    HRESULT open(mixer_c *mixer) override
    {
        m_mixer = mixer;
        if (!named_driver() || test_clock_runs())
            return DS_OK;
        std::lock_guard<std::mutex> lock(audio_mutex());
        return start_audio() ? DS_OK : DSERR_NODRIVER;
    }

    // Without a working output the buffers still play, into the silent output. SDL's audio with
    // the driver SDL picks starts on a thread of its own, as that reads the sound system's
    // configuration and tries its servers and devices: the buffers play from the moment the
    // output runs, and the caller goes on meanwhile. A named driver starts at once, so that its
    // failure is the caller's.
    HRESULT wake() override
    {
        if (m_opener.joinable() || m_device || m_silent.running())
            return DS_OK;
        if (test_clock_runs()) {
            std::lock_guard<std::mutex> lock(audio_mutex());
            return start();
        }
        if (!m_subsystem && !named_driver()) {
            m_opener = std::thread([this] {
                std::lock_guard<std::mutex> lock(audio_mutex());
                start_audio();
                start();
            });
            return DS_OK;
        }
        std::lock_guard<std::mutex> lock(audio_mutex());
        if (!m_subsystem && !start_audio() && named_driver())
            return DSERR_NODRIVER;
        return start();
    }

    void suspend() override
    {
        finish_opening();
        std::lock_guard<std::mutex> lock(audio_mutex());
        m_resume = m_device != 0 || m_silent.running();
        stop();
    }

    HRESULT reformat() override
    {
        finish_opening();
        std::lock_guard<std::mutex> lock(audio_mutex());
        return m_resume ? start() : DS_OK;
    }

    // The output falls silent at once; SDL's audio and the output are parked, not ended.
    void close() override
    {
        finish_opening();
        std::lock_guard<std::mutex> lock(audio_mutex());
        m_silent.stop();
        if (!m_device)
            m_feed.reset();
        if (!m_subsystem)
            return;
        if (m_device) {
            SDL_PauseAudioDevice(m_device, 1);
            std::lock_guard<std::mutex> lock(m_feed->mutex);
            m_feed->mixer = nullptr;
        }
        end_parked_audio();
        parked_audio_s &p = parked();
        p.subsystem = true;
        p.device = m_device;
        p.feed = std::move(m_feed);
        m_device = 0;
        m_subsystem = false;
    }

    bool is_manual() const override { return false; }

private:
    static bool test_clock_runs() { return clock_rate() != 1.0; }

    static bool named_driver()
    {
        const char *named = SDL_GetHint(SDL_HINT_AUDIODRIVER);
        return named && *named;
    }

    // Waits for the output that wake started in the background, before anything changes it (and
    // before taking the audio lock, which that start holds).
    void finish_opening()
    {
        if (m_opener.joinable())
            m_opener.join();
    }

    // SDL's audio with the driver SDL picks (or the one named).
    bool start_audio()
    {
        end_parked_audio();
        m_subsystem = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
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
        m_feed = std::make_unique<feed_s>();
        m_feed->mixer = m_mixer;
        m_feed->block = f.block();
        m_feed->silence = f.bits == 8 ? 0x80 : 0;
        want.callback = &feed_callback;
        want.userdata = m_feed.get();
        m_device = m_subsystem ? SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0) : 0;
        if (m_device) {
            SDL_PauseAudioDevice(m_device, 0);
            return DS_OK;
        }
        if (named_driver() && !test_clock_runs()) {
            m_feed.reset();
            return DSERR_NODRIVER;
        }
        m_silent.start(m_feed.get(), want.samples, want.freq);
        return DS_OK;
    }

    void stop()
    {
        m_silent.stop();
        close_output(&m_device, &m_feed);
    }

    mixer_c *m_mixer = nullptr;
    SDL_AudioDeviceID m_device = 0;
    std::unique_ptr<feed_s> m_feed;
    silent_output_c m_silent;
    std::thread m_opener;  // starts SDL's audio and the output (wake without a named driver)
    bool m_subsystem = false;
    bool m_resume = false;  // the output ran before suspend
};

} // namespace

std::unique_ptr<dsound_device_c> dsound_make_sdl_device() { return std::make_unique<sdl_device_c>(); }
