// The DirectSound service in a small tree: a stand-in for the main window answers the handle
// query with no window, and the sound layer runs on its manual device unless a test says not.
#include "services/srvc_dsound.h"

#include "basics/Vaultis.h"
#include "basics/console_log.h"
#include "basics/vaultfile_obj.h"
#include "importers/waves_pcm.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "services/creators.h"
#include "tests/importers/wave/wave_corpus.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

namespace {

class window_stand_in_c : public abstract_c
{
public:
    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(mainwnd_get_handles)) {
            *static_cast<HWND *>(msg_arg(0)->get_ptr()) = nullptr;
            return 1;
        }
        return 0;
    }
};

class dsound_service : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dsound_select_device(DSOUND_DEVICE_MANUAL);
        m_root = new abstract_c(nullptr);
        m_window = new window_stand_in_c(m_root);
    }
    void TearDown() override
    {
        m_root->shutdown_tree();
        delete m_root;
        dsound_select_device(DSOUND_DEVICE_SDL);
    }

    dsound_service_c *make(int bits, int rate, int stereo)
    {
        attribute_list_c attrs;
        add_attribute(nullptr, attrs, "sampling_bits", value_c(bits), 0);
        add_attribute(nullptr, attrs, "sampling_rate", value_c(rate), 0);
        add_attribute(nullptr, attrs, "stereo", value_c(stereo), 0);
        return new dsound_service_c(m_root, &attrs);
    }
    void startup() { m_root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END); }
    void tick() { m_root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(0.0f), MSG_ARG(0.01f), MSG_ARGS_END); }

    static std::string thrown(const std::function<void()> &f)
    {
        try {
            f();
        } catch (const dsound_exception_c &e) {
            return "dsound: " + e.get_message();
        } catch (const exception_c &e) {
            return e.get_message();
        }
        return "";
    }

    abstract_c *m_root = nullptr;
    abstract_c *m_window = nullptr;
};

TEST(dsound_functions, volume_to_decibels)
{
    struct
    {
        float volume;
        LONG db;
    } cases[] = {{1.0f, 0}, {1.5f, 0}, {0.5f, -1039}, {0.1f, -3453}, {0.011f, -6764},
                 {0.01f, -10000}, {0.0f, -10000}, {-1.0f, -10000}, {std::nanf(""), -10000},
                 {INFINITY, 0}, {-INFINITY, -10000}};
    for (auto c : cases)
        EXPECT_EQ(volume_to_decibels(c.volume), c.db) << c.volume;
}

TEST(dsound_functions, make_wave_format)
{
    struct
    {
        int bits, rate, channels;
        WORD align;
        DWORD per_second;
    } cases[] = {{16, 44100, 2, 4, 176400}, {8, 11025, 1, 1, 11025}, {16, 22050, 1, 2, 44100}};
    for (auto c : cases) {
        WAVEFORMATEX f;
        memset(&f, 0xCD, sizeof(f));
        EXPECT_EQ(make_wave_format(f, c.bits, c.rate, c.channels), c.per_second);
        EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(f.nChannels, c.channels);
        EXPECT_EQ(f.nSamplesPerSec, (DWORD)c.rate);
        EXPECT_EQ(f.nBlockAlign, c.align);
        EXPECT_EQ(f.nAvgBytesPerSec, c.per_second);
        EXPECT_EQ(f.wBitsPerSample, c.bits);
        EXPECT_EQ(f.cbSize, 0);
    }
}

TEST_F(dsound_service, starts_in_the_scripts_format_and_logs_it)
{
    dsound_service_c *s = make(16, 22050, 0);
    startup();
    EXPECT_STREQ(log_line(3), "Initializing DirectSound...");
    EXPECT_STREQ(log_line(2), "22050 Hz, 16 bits, 1 channels");
    EXPECT_STREQ(log_line(1), "DirectSound succesfully initialized.");
    EXPECT_EQ(s->m_initialized, 1);
    EXPECT_EQ(get_dsound_service(m_window), s);
    ASSERT_NE(s->get_dsound(), nullptr);
    ASSERT_NE(s->get_listener(), nullptr);

    WAVEFORMATEX expected, got{};
    make_wave_format(expected, 16, 22050, 1);
    ASSERT_EQ(s->get_primary_buffer()->GetFormat(&got, sizeof(got), nullptr), DS_OK);
    EXPECT_EQ(memcmp(&got, &expected, sizeof(got)), 0);

    DS3DLISTENER l{};
    l.dwSize = sizeof(l);
    ASSERT_EQ(s->get_listener()->GetAllParameters(&l), DS_OK);
    EXPECT_EQ(l.vOrientFront.x, 1.0f);
    EXPECT_EQ(l.vOrientTop.z, 1.0f);
    EXPECT_EQ(l.flRolloffFactor, 1.0f);

    EXPECT_EQ(thrown([&] { startup(); }), "dsound: Already initialized");
    EXPECT_STREQ(log_line(1), "Initializing DirectSound...");
    EXPECT_EQ(s->m_initialized, 1);
}

TEST_F(dsound_service, flip_flag_negates_the_listeners_orientation)
{
    dsound_service_c *s = make(8, 11025, 0);
    s->m_flip = 1;
    startup();
    DS3DLISTENER l{};
    l.dwSize = sizeof(l);
    ASSERT_EQ(s->get_listener()->GetAllParameters(&l), DS_OK);
    EXPECT_EQ(l.vOrientFront.x, -1.0f);
    EXPECT_EQ(l.vOrientTop.z, -1.0f);

    // Shutting down releases everything and resets the fields.
    s->shutdown_tree();
    EXPECT_EQ(s->m_initialized, 0);
    EXPECT_EQ(s->m_flip, 0);
    EXPECT_EQ(s->m_frequency_factor, 1.0f);
    EXPECT_EQ(s->get_dsound(), nullptr);
    EXPECT_EQ(s->get_primary_buffer(), nullptr);
    EXPECT_EQ(s->get_listener(), nullptr);
}

TEST_F(dsound_service, format_is_refused_after_its_log_line_before_any_device)
{
    struct
    {
        int bits, rate, stereo;
        const char *line, *error;
    } cases[] = {
        {24, 22050, 1, "22050 Hz, 24 bits, 2 channels", "dsound: 'sampling_bits' can only be either 8 or 16"},
        {0, 44100, 0, "44100 Hz, 0 bits, 1 channels", "dsound: 'sampling_bits' can only be either 8 or 16"},
        {16, 48000, 1, "48000 Hz, 16 bits, 2 channels",
         "dsound: 'sampling_rate' can only be either 11025, 22050 or 44100"},
    };
    for (auto c : cases) {
        dsound_service_c *s = make(c.bits, c.rate, c.stereo);
        EXPECT_EQ(thrown([&] { s->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END); }), c.error);
        EXPECT_STREQ(log_line(1), c.line);
        EXPECT_EQ(s->get_dsound(), nullptr);
        EXPECT_EQ(s->m_initialized, 0);
        s->shutdown_tree();
        m_root->collect_dead_children();
    }
}

TEST_F(dsound_service, needs_the_main_window)
{
    m_window->shutdown_tree();
    dsound_service_c *s = make(16, 44100, 1);
    EXPECT_EQ(thrown([&] { startup(); }),
              "Debug assertion failed! Expression: \"root()->message(msg_c(\"mainwnd_get_handles\"), 0, this, "
              "MSG_ARG((void *)&m_hWnd), MSG_ARG((void *)NULL), MSG_ARGS_END)\"");
    EXPECT_EQ(s->get_dsound(), nullptr);
}

TEST_F(dsound_service, get_dsound_service_without_a_service_asserts)
{
    EXPECT_EQ(thrown([&] { get_dsound_service(m_window); }),
              "Debug assertion failed! Expression: \"for_who->root()->message(MSG_VAR(get_dsound), 0, for_who, "
              "MSG_ARG((void *)&ptr), MSG_ARGS_END)\"");
}

TEST_F(dsound_service, scripts_create_it_as_dsound)
{
    services_register_creators();
    attribute_list_c attrs;
    add_attribute(nullptr, attrs, "sampling_bits", value_c(8), 0);
    add_attribute(nullptr, attrs, "sampling_rate", value_c(11025), 0);
    add_attribute(nullptr, attrs, "stereo", value_c(1), 0);
    auto *s = dynamic_cast<dsound_service_c *>(create_object("dsound", m_root, &attrs));
    ASSERT_NE(s, nullptr);
    startup();
    EXPECT_EQ(get_dsound_service(m_window), s);
    EXPECT_EQ(s->m_initialized, 1);
}

TEST_F(dsound_service, deferred_3d_settings_apply_at_the_next_tick)
{
    dsound_service_c *s = make(16, 22050, 1);
    startup();
    WAVEFORMATEX f;
    make_wave_format(f, 16, 22050, 1);
    DSBUFFERDESC d{};
    d.dwSize = DSBUFFERDESC_WIN32_SIZE;
    d.dwFlags = 0x400B0;
    d.dwBufferBytes = 200;
    d.lpwfxFormat = &f;
    IDirectSoundBuffer *b = nullptr;
    ASSERT_EQ(s->get_dsound()->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    IDirectSound3DBuffer8 *b3 = nullptr;
    ASSERT_EQ(b->QueryInterface(IID_IDirectSound3DBuffer8, (void **)&b3), DS_OK);

    ASSERT_EQ(b3->SetPosition(0.0f, 3.0f, 0.0f, DS3D_DEFERRED), DS_OK);
    ASSERT_EQ(b3->SetMinDistance(2.0f, DS3D_DEFERRED), DS_OK);
    D3DVECTOR p{};
    float min = 0.0f;
    b3->GetPosition(&p);
    b3->GetMinDistance(&min);
    EXPECT_EQ(p.y, 0.0f);
    EXPECT_EQ(min, 1.0f);
    tick();
    b3->GetPosition(&p);
    b3->GetMinDistance(&min);
    EXPECT_EQ(p.y, 3.0f);
    EXPECT_EQ(min, 2.0f);
    b3->Release();
    b->Release();
}

TEST_F(dsound_service, device_failure_names_the_error_and_releases)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    dsound_select_device(DSOUND_DEVICE_SDL);
    dsound_service_c *s = make(16, 44100, 1);
    EXPECT_EQ(thrown([&] { startup(); }), "dsound: Could not Initialize DirectSound: DSERR_NODRIVER");
    EXPECT_EQ(s->get_dsound(), nullptr);
    EXPECT_EQ(s->m_initialized, 0);
    unsetenv("SDL_AUDIODRIVER");
}

// With the dummy SDL driver a WAVE loaded from a file plays to its end in real time.
TEST_F(dsound_service, wave_plays_to_its_end_on_sdl)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    dsound_select_device(DSOUND_DEVICE_SDL);
    fixture::temp_dir dir;
    fixture::in_dir enter(dir.path());
    VT::init(nullptr);
    set_data_directory("data");
    std::string samples;
    for (int i = 0; i < 4410; i++)
        samples += (char)(128 + (i % 20) * 4);
    fixture::write_file(dir.path() / "data" / "sounds" / "beep.wav", wave_corpus::pcm_wave(1, 22050, 8, samples));

    dsound_service_c *s = make(16, 44100, 1);
    startup();
    wave_file_c wave;
    ASSERT_TRUE(wave.load("sounds/beep.wav"));
    IDirectSoundBuffer *b = wave.create_buffer(s->get_dsound(), 0x400A0);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->SetVolume(volume_to_decibels(0.5f)), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    DWORD status = DSBSTATUS_PLAYING;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((status & DSBSTATUS_PLAYING) && std::chrono::steady_clock::now() < until) {
        tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(b->GetStatus(&status), DS_OK);
    }
    EXPECT_EQ(status, 0u);
    b->Release();
}

} // namespace
