// A small world for sound tests: a fresh directory with data/ (the game's templates.isc copied
// in), a root, a stand-in for the main window, the DirectSound service started on the manual
// device (16 bits, 44100 Hz, stereo unless a test says otherwise) and the sound manager. The
// test writes its sounds with put_*, loads them through handles as the game does, steps time
// with tick() and hears the mix with render().
#pragma once

#include "basics/Vaultis.h"
#include "basics/vaultfile_obj.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "services/isound.h"
#include "services/manager_sound.h"
#include "services/srvc_dsound.h"
#include "tests/vaultis/pack_fixture.h"
#include "tools/soundgen/soundgen.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sound_world {

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

inline std::string thrown(const std::function<void()> &f)
{
    try {
        f();
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return "";
}

inline std::string bytes(const std::vector<uint8_t> &v)
{
    return std::string(v.begin(), v.end());
}

class world : public ::testing::Test
{
protected:
    world() : m_enter(m_dir.path()) {}

    void SetUp() override { start(16, 44100, 1); }

    void start(int bits, int rate, int stereo)
    {
        VT::init(nullptr);
        set_data_directory("data");
        fixture::write_file("data/scripts/templates.isc",
                            fixture::read_file(ENGINE_SOURCE_DIR "/data/scripts/templates.isc"));
        m_scripts = std::make_unique<scripts_c>();
        m_scripts->execute_script("scripts/templates.isc", nullptr, 1);
        dsound_select_device(DSOUND_DEVICE_MANUAL);
        m_root = new abstract_c(nullptr);
        new window_stand_in_c(m_root);
        attribute_list_c attrs;
        add_attribute(nullptr, attrs, "sampling_bits", value_c(bits), 0);
        add_attribute(nullptr, attrs, "sampling_rate", value_c(rate), 0);
        add_attribute(nullptr, attrs, "stereo", value_c(stereo), 0);
        m_dsound = new dsound_service_c(m_root, &attrs);
        m_root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
        m_manager = new manager_sound_c(m_root, nullptr);
        m_channels = stereo ? 2 : 1;
    }

    void TearDown() override
    {
        m_handles.clear();
        m_root->shutdown_tree();
        delete m_root;
        m_scripts.reset();
        dsound_select_device(DSOUND_DEVICE_SDL);
    }

    void put_file(const std::string &name, const std::string &content) { fixture::write_file("data/" + name, content); }
    void put_wave(const std::string &name, const std::string &sfd, const soundgen::samples &s, int channels = 1,
                  int rate = 44100)
    {
        put_file(name + ".sfd", sfd);
        put_file(name + ".wav", bytes(soundgen::make_wave(channels, rate, 16, s)));
    }
    void put_ogg(const std::string &name, const std::string &sfd, const std::vector<uint8_t> &ogg)
    {
        put_file(name + ".sfd", sfd);
        put_file(name + ".Ogg", bytes(ogg));
    }

    // A handle on a new instance, kept until the end of the test unless the test drops it.
    isound_c &load(const char *name)
    {
        isound_mgr_c mgr;
        m_handles.push_back(mgr.create_sound(name));
        return *m_handles.back();
    }
    template <class T = sound_resource_c> T *resource(isound_c &h) { return dynamic_cast<T *>(h.resource()); }

    int send(isound_c &h, const msg_c &m) { return h.resource()->message(m, 0, nullptr, MSG_ARGS_END); }

    void tick()
    {
        m_time += 0.01f;
        m_root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(m_time), MSG_ARG(0.01f), MSG_ARGS_END);
        m_root->collect_dead_children();
    }

    // The next `frames` frames of the mix, interleaved 16-bit.
    soundgen::samples render(int frames)
    {
        soundgen::samples out((size_t)frames * m_channels);
        EXPECT_EQ(dsound_manual_render(m_dsound->get_dsound(), out.data(), (DWORD)frames), DS_OK);
        return out;
    }

    fixture::temp_dir m_dir;
    fixture::in_dir m_enter;
    std::unique_ptr<scripts_c> m_scripts;
    abstract_c *m_root = nullptr;
    dsound_service_c *m_dsound = nullptr;
    manager_sound_c *m_manager = nullptr;
    std::vector<std::unique_ptr<isound_c>> m_handles;
    int m_channels = 2;
    float m_time = 0.0f;
};

} // namespace sound_world
