// A root with a stand-in for the main window and a Direct3D service on the recording backend.
#pragma once

#include "basics/console_log.h"
#include "tests/basics/log_ring.h"
#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "platform/d3d/d3d_recording.h"
#include "services/srvc_d3d.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Answers mainwnd_get_handles with its window handle, as the main window does.
class window_stub_c : public abstract_c
{
public:
    explicit window_stub_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (*message == msg_c("mainwnd_get_handles") && answer) {
            *(HWND *)msg_arg(0)->get_ptr() = hwnd;
            return 1;
        }
        return abstract_c::handle_message(message, sender);
    }
    HWND hwnd = nullptr;
    int answer = 1;
};

struct d3d_settings_s
{
    const char *screen_mode = "windowed";
    int textures32 = 1;
    int width = 800, height = 600;
    const char *vertex_processing = "hardware";
    float near_clip = 1.0f, far_clip = 1000.0f;
    const char *leave_out = nullptr; // an attribute not to give
};

inline void add_setting(attribute_list_c &list, const d3d_settings_s &s, const char *name, const value_c &v)
{
    if (!s.leave_out || std::string(s.leave_out) != name)
        add_attribute(nullptr, list, name, v, 0);
}

class d3d_fixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recording_d3d_reset_config();
        root = new abstract_c(nullptr);
        window = new window_stub_c(root);
    }
    void TearDown() override
    {
        root->shutdown_tree();
        delete root;
        recording_d3d_reset_config();
    }

    d3d_service_c *make_service(const d3d_settings_s &s = d3d_settings_s())
    {
        attribute_list_c list;
        add_setting(list, s, "screen_mode", value_c(s.screen_mode, value_c::STRING));
        add_setting(list, s, "textures32", value_c(s.textures32));
        add_setting(list, s, "screen_width", value_c(s.width));
        add_setting(list, s, "screen_height", value_c(s.height));
        add_setting(list, s, "vertex_processing", value_c(s.vertex_processing, value_c::STRING));
        add_setting(list, s, "near_clip_plane", value_c(s.near_clip));
        add_setting(list, s, "far_clip_plane", value_c(s.far_clip));
        d3d = new d3d_service_c(root, &list);
        return d3d;
    }
    void startup() { root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END); }
    // Makes and starts a service; the device's log starts empty.
    void start(const d3d_settings_s &s = d3d_settings_s())
    {
        make_service(s);
        startup();
        ASSERT_TRUE(d3d->initialized());
        rec = recording_d3d_device(d3d->device());
        rec->clear_log();
    }
    // The message of the exception that start-up throws, "" when it succeeds.
    std::string startup_error(const d3d_settings_s &s = d3d_settings_s())
    {
        if (!d3d)
            make_service(s);
        try {
            startup();
        } catch (const exception_c &e) {
            return e.get_message();
        }
        return "";
    }
    DWORD rs(D3DRENDERSTATETYPE s) const { return d3d->device()->state().render[s]; }
    DWORD ts(D3DTEXTURESTAGESTATETYPE s) const { return d3d->device()->state().stage[0][s]; }

    abstract_c *root = nullptr;
    window_stub_c *window = nullptr;
    d3d_service_c *d3d = nullptr;
    recording_device_c *rec = nullptr;
};
