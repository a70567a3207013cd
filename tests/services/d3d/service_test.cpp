#include "d3d_fixture.h"

#include "platform/window/window_fake.h"
#include "services/srvc_mainwnd.h"

#include <cmath>
#include <cstring>
#include <functional>

using lines = std::vector<std::string>;

TEST_F(d3d_fixture, startup_logs_its_settings_and_chooses_formats)
{
    struct
    {
        const char *mode;
        int textures32;
        lines log;
        D3DFORMAT back_buffer, texture, texture_alpha;
    } cases[] = {
        {"windowed", 0, {"Initializing Direct3D...", "800x600 window, 16 bit textures", "Direct3D succesfully initialized."},
         D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8},
        {"16bit", 1, {"Initializing Direct3D...", "800x600x16bit, 32 bit textures", "Direct3D succesfully initialized."},
         D3DFMT_R5G6B5, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4},
        {"32bit", 1, {"Initializing Direct3D...", "800x600x32bit, 32 bit textures", "Direct3D succesfully initialized."},
         D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8},
        {"32bit", 0, {"Initializing Direct3D...", "800x600x32bit, 16 bit textures", "Direct3D succesfully initialized."},
         D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.textures32));
        d3d_settings_s s;
        s.screen_mode = c.mode;
        s.textures32 = c.textures32;
        const std::string mark = log_mark();
        make_service(s);
        ASSERT_EQ(startup_error(), "");
        EXPECT_EQ(log_since(mark), c.log);
        EXPECT_EQ(d3d->back_buffer_format(), c.back_buffer);
        EXPECT_EQ(d3d->get_texture_format(0), c.texture);
        EXPECT_EQ(d3d->get_texture_format(1), c.texture_alpha);
        const D3DPRESENT_PARAMETERS &p = d3d->device()->presentation();
        EXPECT_EQ(p.Windowed, c.mode[0] == 'w');
        EXPECT_EQ(p.BackBufferWidth, c.mode[0] == 'w' ? 0u : 800u);
        EXPECT_EQ(p.FullScreen_PresentationInterval, c.mode[0] == 'w' ? 0u : 0x80000000u);
        EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D16);
        EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
        d3d->shutdown_tree();
        d3d = nullptr;
    }
}

TEST_F(d3d_fixture, startup_errors_release_what_was_made)
{
    struct
    {
        const char *what;
        std::string error;
        void (*setup)(d3d_settings_s &, recording_d3d_config_s &);
    } cases[] = {
        {"screen mode",
         "Invalid 'screen_mode' attribute, valid values are \"16bit\", \"32bit\", \"windowed\"",
         [](d3d_settings_s &s, recording_d3d_config_s &) { s.screen_mode = "full"; }},
        {"vertex processing",
         "Invalid 'vertex_processing' attribute, valid values are \"software\", \"hardware\", \"mixed\"",
         [](d3d_settings_s &s, recording_d3d_config_s &) { s.vertex_processing = "Hardware"; }},
        {"mipmapping", "Direct3D device does not support mipmapping",
         [](d3d_settings_s &, recording_d3d_config_s &c) { c.caps.TextureCaps &= ~D3DPTEXTURECAPS_MIPMAP; }},
        {"device", "CreateDevice failed: D3DERR_OUTOFVIDEOMEMORY",
         [](d3d_settings_s &, recording_d3d_config_s &c) { c.create_device_result = D3DERR_OUTOFVIDEOMEMORY; }},
        {"display mode", "GetAdapterDisplayMode failed",
         [](d3d_settings_s &, recording_d3d_config_s &c) { c.display_mode_result = D3DERR_INVALIDCALL; }},
        {"attribute", "Could not find required attribute 'far_clip_plane'",
         [](d3d_settings_s &s, recording_d3d_config_s &) { s.leave_out = "far_clip_plane"; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        recording_d3d_reset_config();
        d3d_settings_s s;
        c.setup(s, recording_d3d_config());
        d3d = nullptr;
        make_service(s);
        EXPECT_EQ(startup_error(), c.error);
        EXPECT_FALSE(d3d->initialized());
        EXPECT_EQ(d3d->device(), nullptr);
        EXPECT_EQ(d3d->window(), nullptr);
        EXPECT_EQ(d3d->is_device_lost(), 1);
        d3d->shutdown_tree();
    }
}

TEST_F(d3d_fixture, second_startup_is_refused_and_keeps_the_device)
{
    start();
    IDirect3DDevice8 *device = d3d->device();
    const std::string mark = log_mark();
    EXPECT_EQ(startup_error(), "Already initialized");
    EXPECT_EQ(log_since(mark), lines{"Initializing Direct3D..."});
    EXPECT_EQ(d3d->device(), device);
    EXPECT_TRUE(d3d->initialized());
}

TEST_F(d3d_fixture, window_handle_comes_from_the_main_window)
{
    window->answer = 0;
    EXPECT_EQ(startup_error(), "Debug assertion failed! Expression: \"root()->message(msg_c(\"mainwnd_get_handles\"), 0, "
                               "this, MSG_ARG((void *)&m_hWnd), MSG_ARG((void *)NULL), MSG_ARGS_END)\"");
}

TEST_F(d3d_fixture, format_selection_by_desktop_and_texture_support)
{
    struct
    {
        const char *what;
        const char *mode;
        D3DFORMAT desktop;
        std::vector<D3DFORMAT> display, textures;
        std::string error;
        D3DFORMAT back_buffer, texture, texture_alpha;
    } cases[] = {
        {"24-bit desktop", "windowed", D3DFMT_R8G8B8, {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8}, {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8},
         "Cannot render in window", 0, 0, 0},
        {"8-bit desktop", "windowed", D3DFMT_P8, {D3DFMT_R5G6B5}, {D3DFMT_R5G6B5, D3DFMT_A4R4G4B4},
         "Cannot render in window", 0, 0, 0},
        {"24-bit desktop, full screen", "32bit", D3DFMT_R8G8B8, {D3DFMT_X8R8G8B8},
         {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}, "", D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8},
        {"16-bit desktop window", "windowed", D3DFMT_R5G6B5, {D3DFMT_R5G6B5},
         {D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}, "", D3DFMT_R5G6B5, D3DFMT_X1R5G5B5,
         D3DFMT_A1R5G5B5},
        {"16-bit fallbacks", "16bit", D3DFMT_X8R8G8B8, {D3DFMT_X1R5G5B5, D3DFMT_R5G6B5},
         {D3DFMT_X4R4G4B4, D3DFMT_A1R5G5B5}, "", D3DFMT_X1R5G5B5, D3DFMT_X4R4G4B4, D3DFMT_A1R5G5B5},
        {"no 16-bit alpha", "16bit", D3DFMT_X8R8G8B8, {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8},
         {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}, "Cannot render with 16 bits", 0, 0, 0},
        {"no 32-bit display", "32bit", D3DFMT_R5G6B5, {D3DFMT_R5G6B5}, {D3DFMT_R5G6B5, D3DFMT_A4R4G4B4},
         "Cannot render with 32 bits", 0, 0, 0},
        {"A8R8G8B8 display", "32bit", D3DFMT_X8R8G8B8, {D3DFMT_A8R8G8B8},
         {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}, "", D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        recording_d3d_reset_config();
        recording_d3d_config().desktop.Format = c.desktop;
        recording_d3d_config().display_formats = c.display;
        recording_d3d_config().texture_formats = c.textures;
        d3d_settings_s s;
        s.screen_mode = c.mode;
        d3d = nullptr;
        make_service(s);
        EXPECT_EQ(startup_error(), c.error);
        EXPECT_EQ(d3d->back_buffer_format(), c.back_buffer);
        EXPECT_EQ(d3d->get_texture_format(0), c.texture);
        EXPECT_EQ(d3d->get_texture_format(1), c.texture_alpha);
        d3d->shutdown_tree();
    }
}

TEST_F(d3d_fixture, default_state_after_startup)
{
    start();
    EXPECT_EQ(d3d->vertex_format(), d3d_service_c::VERTEX_FORMAT_LIT);
    const d3d_device_state_s &st = d3d->device()->state();
    EXPECT_EQ(st.vertex_shader, 0x152u);
    EXPECT_EQ(rs(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(rs(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(rs(D3DRS_CULLMODE), D3DCULL_CCW);
    EXPECT_EQ(rs(D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(rs(D3DRS_FOGTABLEMODE), D3DFOG_LINEAR);
    EXPECT_EQ(rs(D3DRS_FOGVERTEXMODE), D3DFOG_LINEAR);
    float start, end;
    DWORD bits = rs(D3DRS_FOGSTART);
    std::memcpy(&start, &bits, 4);
    bits = rs(D3DRS_FOGEND);
    std::memcpy(&end, &bits, 4);
    EXPECT_EQ(start, 1.0f);
    EXPECT_EQ(end, 100.0f);
    EXPECT_EQ(ts(D3DTSS_COLOROP), D3DTOP_MODULATE);
    EXPECT_EQ(ts(D3DTSS_COLORARG1), D3DTA_TEXTURE);
    EXPECT_EQ(ts(D3DTSS_COLORARG2), D3DTA_DIFFUSE);
    for (DWORD f : {D3DTSS_MAGFILTER, D3DTSS_MINFILTER, D3DTSS_MIPFILTER})
        EXPECT_EQ(ts(f), D3DTEXF_LINEAR);
    EXPECT_EQ(st.viewport.Width, 640u); // the recording window's client size
    EXPECT_EQ(st.viewport.MinZ, 0.0f);
    EXPECT_EQ(st.viewport.MaxZ, 1.0f);
    const float *fog = d3d->fog_color();
    EXPECT_EQ(fog[3], 1.0f);
    EXPECT_EQ(fog[0], 0.0f);
    // A 90 degree camera passes 45 degrees on as the whole vertical angle, at 640/480.
    EXPECT_NEAR(st.projection.m[1][1], 1.0f / std::tan(0.3926991f), 1e-5f);
    EXPECT_NEAR(st.projection.m[0][0], st.projection.m[1][1] * 0.75f, 1e-5f);
    EXPECT_NEAR(st.projection.m[2][2], 1000.0f / 999.0f, 1e-5f);
}

TEST_F(d3d_fixture, lights_of_a_frame)
{
    start();
    d3d->set_ambient_color(0.5f, 2.0f, -1.0f);
    d3d->add_point_light(10.0f, vec3(1, 2, 3), 1.0f, 0.5f, 0.25f);
    d3d->add_directional_light(vec3(0, 3, 4), 0.2f, 0.2f, 0.2f);
    d3d->apply_lights();
    IDirect3DDevice8 *dev = d3d->device();
    EXPECT_EQ(rs(D3DRS_AMBIENT), 0xFF80FF00u);
    D3DLIGHT8 point{}, dir{};
    ASSERT_EQ(dev->GetLight(0, &point), D3D_OK);
    EXPECT_EQ(point.Type, D3DLIGHT_POINT);
    EXPECT_EQ(point.Range, 30.0f);
    EXPECT_EQ(point.Attenuation0, 1.5f);
    EXPECT_EQ(point.Attenuation1, 0.0f);
    EXPECT_FLOAT_EQ(point.Attenuation2, 0.04f);
    EXPECT_EQ(point.Position.z, 3.0f);
    EXPECT_EQ(point.Diffuse.g, 0.5f);
    EXPECT_EQ(point.Diffuse.a, 1.0f);
    EXPECT_EQ(point.Specular.r, 1.0f);
    EXPECT_EQ(point.Ambient.r, 0.0f);
    ASSERT_EQ(dev->GetLight(1, &dir), D3D_OK);
    EXPECT_EQ(dir.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(dir.Direction.y, 0.6f);
    EXPECT_FLOAT_EQ(dir.Direction.z, 0.8f);
    for (DWORD i = 0; i < 8; ++i) {
        BOOL on = -1;
        dev->GetLightEnable(i, &on);
        EXPECT_EQ(on, i < 2 ? TRUE : FALSE) << i;
    }

    for (int i = 2; i < 8; ++i)
        d3d->add_point_light(1.0f, vec3_zero, 1, 1, 1);
    try {
        d3d->add_directional_light(vec3_unit_x, 1, 1, 1);
        FAIL() << "a ninth light";
    } catch (const d3d_exception_c &e) {
        EXPECT_EQ(e.get_message(), "Too many lights");
    }
    EXPECT_THROW(d3d->add_point_light(1.0f, vec3_zero, 1, 1, 1), d3d_exception_c);

    // end_scene empties the list: eight fit again; no lights leaves every index off.
    d3d->begin_scene();
    d3d->end_scene();
    EXPECT_EQ(d3d->light_count(), 0);
    EXPECT_EQ(d3d->ambient_color()[0], 0.0f);
    d3d->apply_lights();
    EXPECT_EQ(rs(D3DRS_AMBIENT), 0xFF000000u);
    BOOL on = TRUE;
    dev->GetLightEnable(0, &on);
    EXPECT_FALSE(on);
    for (int i = 0; i < 8; ++i)
        d3d->add_point_light(1.0f, vec3_zero, 1, 1, 1);
    EXPECT_EQ(d3d->light_count(), 8);
}

TEST_F(d3d_fixture, fog_states_and_the_clear_colour)
{
    start();
    d3d->set_fog_enable(1);
    d3d->set_fog_range(5.0f, 50.0f);
    d3d->set_fog_color(1.0f, 0.5f, 0.0f);
    EXPECT_EQ(rs(D3DRS_FOGENABLE), 1u);
    float f;
    DWORD bits = rs(D3DRS_FOGEND);
    std::memcpy(&f, &bits, 4);
    EXPECT_EQ(f, 50.0f);
    EXPECT_EQ(rs(D3DRS_FOGCOLOR), 0xFFFF8000u);
    EXPECT_EQ(d3d->fog_color()[1], 0.5f);

    struct
    {
        int target;
        float z;
        DWORD flags;
    } clears[] = {{1, 0.0f, D3DCLEAR_TARGET}, {0, 1.0f, D3DCLEAR_ZBUFFER}, {1, 1.0f, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER}};
    for (const auto &c : clears) {
        rec->clear_log();
        d3d->clear(c.target, c.z);
        ASSERT_EQ(rec->count(recording_call_e::clear), 1u);
        EXPECT_EQ(rec->log[0].a, c.flags);
        EXPECT_EQ(rec->log[0].b, 0xFFFF8000u);
        EXPECT_EQ(rec->log[0].z, c.z);
    }
}

TEST(d3d_color, channels_round_and_saturate)
{
    struct
    {
        float r, g, b, a;
        D3DCOLOR expected;
    } cases[] = {
        {0.0f, 0.0f, 0.0f, 1.0f, 0xFF000000u}, {1.0f, 1.5f, -0.5f, 0.0f, 0x00FFFF00u},
        {0.5f, 0.25f, 0.1f, 1.0f, 0xFF80401Au}, {0.998f, 0.002f, 0.001f, 0.5f, 0x80FE0100u},
    };
    for (const auto &c : cases)
        EXPECT_EQ(d3d_color(c.r, c.g, c.b, c.a), c.expected) << c.r << " " << c.g << " " << c.b;
}

TEST(d3d_formats, row_converters_as_a_pixel_table)
{
    // One source pixel: B 0xF8, G 0x84, R 0x1F (and A 0x90 for the formats with alpha).
    const BYTE rgb[] = {0xF8, 0x84, 0x1F, 0x11, 0x22, 0x33};
    const BYTE rgba[] = {0xF8, 0x84, 0x1F, 0x90, 0x00, 0x00, 0x00, 0x00};
    struct
    {
        D3DFORMAT format;
        bool alpha;
        std::vector<BYTE> expected; // the first destination pixel, little-endian
    } cases[] = {
        {D3DFMT_R5G6B5, false, {0x3F, 0x1C}},    // 00011 100001 11111
        {D3DFMT_X1R5G5B5, false, {0x1F, 0x0E}},  // 0 00011 10000 11111
        {D3DFMT_X4R4G4B4, false, {0x8F, 0x01}},  // 0000 0001 1000 1111
        {D3DFMT_A4R4G4B4, true, {0x8F, 0x91}},   // 1001 0001 1000 1111
        {D3DFMT_A1R5G5B5, true, {0x1F, 0x8E}},   // 1 00011 10000 11111
        {D3DFMT_R8G8B8, false, {0xF8, 0x84, 0x1F}},
        {D3DFMT_A8R8G8B8, true, {0xF8, 0x84, 0x1F, 0x90}},
        {D3DFMT_X8R8G8B8, false, {0xF8, 0x84, 0x1F, 0x00}},
    };
    for (const auto &c : cases) {
        pixel_converter_t convert = d3d_service_c::find_pixel_converter(c.format);
        ASSERT_NE(convert, nullptr) << c.format;
        BYTE out[8];
        std::memset(out, 0xEE, sizeof out);
        convert(out, c.alpha ? (const void *)rgba : (const void *)rgb, 2);
        EXPECT_EQ(std::vector<BYTE>(out, out + c.expected.size()), c.expected) << c.format;
        // The second pixel lands right after the first.
        const size_t size = c.expected.size();
        if (!c.alpha && size == 4) {
            EXPECT_EQ(out[4], 0x11);
        }
        if (c.format == D3DFMT_R8G8B8) {
            EXPECT_EQ(out[5], 0x33);
        }
    }
    EXPECT_EQ(d3d_service_c::find_pixel_converter(D3DFMT_DXT1), nullptr);
    EXPECT_EQ(d3d_service_c::find_pixel_converter(D3DFMT_A8R3G3B2), nullptr);
}

TEST_F(d3d_fixture, resources_before_startup_and_device_failures)
{
    make_service();
    IDirect3DVertexBuffer8 *no_vb = nullptr;
    IDirect3DIndexBuffer8 *no_ib = nullptr;
    IDirect3DTexture8 *no_tex = nullptr;
    struct
    {
        std::string error;
        std::function<void()> call;
    } before[] = {
        {"create_texture: not initialized", [&] { d3d->create_texture(4, 4, D3DFMT_A8R8G8B8, 1); }},
        {"lock_texture: not initialized", [&] { d3d->lock_texture(no_tex, 0); }},
        {"unlock_texture: not initialized", [&] { d3d->unlock_texture(no_tex, 0); }},
        {"create_vbuffer: not initialized", [&] { d3d->create_vbuffer(36, 4, 0x152); }},
        {"lock_vbuffer: not initialized", [&] { d3d->lock_vbuffer(36, no_vb, 0, 4); }},
        {"unlock_vbuffer: not initialized", [&] { d3d->unlock_vbuffer(no_vb); }},
        {"create_ibuffer: not initialized", [&] { d3d->create_ibuffer(2); }},
        {"lock_ibuffer: not initialized", [&] { d3d->lock_ibuffer(no_ib, 0, 2); }},
        {"unlock_ibuffer: not initialized", [&] { d3d->unlock_ibuffer(no_ib); }},
    };
    for (const auto &c : before) {
        try {
            c.call();
            ADD_FAILURE() << "no exception for " << c.error;
        } catch (const d3d_exception_c &e) {
            EXPECT_EQ(e.get_message(), c.error);
        }
    }
    EXPECT_EQ(d3d->get_view_axis('x'), vec3_zero);
    EXPECT_EQ(d3d->screen_to_world_ray(10, 10), vec3_zero);
    EXPECT_EQ(d3d->is_device_lost(), 1);
    EXPECT_EQ(d3d->can_reset_device(), 0);
    d3d->set_fog_enable(1); // no device: nothing happens
    d3d->set_blend_mode(1, 3, 128);

    startup();
    rec = recording_d3d_device(d3d->device());
    IDirect3DVertexBuffer8 *vb = d3d->create_vbuffer(36, 4, 0x152);
    IDirect3DIndexBuffer8 *ib = d3d->create_ibuffer(3);
    IDirect3DTexture8 *tex = d3d->create_texture(8, 8, D3DFMT_A8R8G8B8, 0);
    struct
    {
        unsigned fail;
        std::string error;
        bool plain; // a plain exception_c, not d3d_exception_c
        std::function<void()> call;
    } failing[] = {
        {RECORDING_FAIL_CREATE_TEXTURE, "Could not create texture", false,
         [&] { d3d->create_texture(4, 4, D3DFMT_A8R8G8B8, 1); }},
        {0, "Could not create texture", false, [&] { d3d->create_texture(4, 4, D3DFMT_R8G8B8, 1); }},
        {RECORDING_FAIL_LOCK_TEXTURE, "Could not lock texture", false, [&] { d3d->lock_texture(tex, 0); }},
        {0, "Could not unlock texture", false, [&] { d3d->unlock_texture(tex, 1); }}, // not locked
        {RECORDING_FAIL_CREATE_VBUFFER, "Could not create vertex buffer", false,
         [&] { d3d->create_vbuffer(36, 4, 0x152); }},
        {RECORDING_FAIL_LOCK_VBUFFER, "Could not lock vertex buffer", false, [&] { d3d->lock_vbuffer(36, vb, 0, 4); }},
        {0, "Could not lock vertex buffer", false, [&] { d3d->lock_vbuffer(36, vb, 0, 5); }}, // past the end
        {0, "Could not unlock vertex buffer", false, [&] { d3d->unlock_vbuffer(vb); }},
        {RECORDING_FAIL_CREATE_IBUFFER, "Could not create index buffer", false, [&] { d3d->create_ibuffer(3); }},
        {RECORDING_FAIL_LOCK_IBUFFER, "Could not lock index buffer", true, [&] { d3d->lock_ibuffer(ib, 0, 3); }},
        {0, "Could not unlock index buffer", false, [&] { d3d->unlock_ibuffer(ib); }},
        {0, "Debug assertion failed! Expression: \"pTex\"", true, [&] { d3d->lock_texture(nullptr, 0); }},
    };
    for (const auto &c : failing) {
        rec->fail = c.fail;
        try {
            c.call();
            ADD_FAILURE() << "no exception for " << c.error;
        } catch (const d3d_exception_c &e) {
            EXPECT_FALSE(c.plain) << c.error;
            EXPECT_EQ(e.get_message(), c.error);
        } catch (const exception_c &e) {
            EXPECT_TRUE(c.plain) << c.error;
            EXPECT_EQ(e.get_message(), c.error);
        }
    }
    vb->Release();
    ib->Release();
    tex->Release();
}

TEST_F(d3d_fixture, buffer_sizes_and_locks)
{
    start();
    IDirect3DIndexBuffer8 *ib = d3d->create_ibuffer(5);
    D3DINDEXBUFFER_DESC idesc{};
    ib->GetDesc(&idesc);
    EXPECT_EQ(idesc.Size, 30u);
    EXPECT_EQ(idesc.Format, D3DFMT_INDEX16);
    EXPECT_EQ(idesc.Pool, D3DPOOL_MANAGED);
    WORD *indices = d3d->lock_ibuffer(ib, 3, 2); // first is not used: the lock starts at 0
    EXPECT_EQ((const BYTE *)indices, ib->bytes().data());
    indices[5] = 0x1234;
    d3d->unlock_ibuffer(ib);
    EXPECT_EQ(ib->bytes()[10], 0x34);

    IDirect3DVertexBuffer8 *vb = d3d->create_vbuffer(28, 10, d3d_service_c::UNLIT_FVF);
    D3DVERTEXBUFFER_DESC vdesc{};
    vb->GetDesc(&vdesc);
    EXPECT_EQ(vdesc.Size, 280u);
    EXPECT_EQ(vdesc.FVF, 0x144u);
    void *vertices = d3d->lock_vbuffer(28, vb, 7, 3);
    EXPECT_EQ(vertices, (const void *)vb->bytes().data());
    d3d->unlock_vbuffer(vb);
    // The lock covers size x count bytes: 10 vertices fit, 11 do not.
    d3d->unlock_vbuffer((d3d->lock_vbuffer(28, vb, 0, 10), vb));
    EXPECT_THROW(d3d->lock_vbuffer(28, vb, 0, 11), d3d_exception_c);

    IDirect3DTexture8 *tex = d3d->create_texture(16, 4, D3DFMT_R5G6B5, 0);
    EXPECT_EQ(tex->GetLevelCount(), 5u);
    D3DLOCKED_RECT lr = d3d->lock_texture(tex, 2);
    EXPECT_EQ(lr.Pitch, 8);
    d3d->unlock_texture(tex, 2);
    EXPECT_EQ(tex->pool(), D3DPOOL_MANAGED);

    EXPECT_EQ(d3d->is_texture_format_supported(D3DFMT_DXT5), 1);
    EXPECT_EQ(d3d->is_texture_format_supported(D3DFMT_R8G8B8), 0);
    ib->Release();
    vb->Release();
    tex->Release();
}

TEST_F(d3d_fixture, vertex_format_is_set_only_on_change_and_forgotten_by_reset)
{
    start();
    d3d->set_lit_vertex_format();
    EXPECT_EQ(rec->count(recording_call_e::vertex_shader), 0u); // already lit since start-up
    d3d->set_unlit_vertex_format();
    d3d->set_unlit_vertex_format();
    d3d->set_lit_vertex_format();
    auto shaders = rec->calls(recording_call_e::vertex_shader);
    ASSERT_EQ(shaders.size(), 2u);
    EXPECT_EQ(shaders[0].a, 0x144u);
    EXPECT_EQ(shaders[1].a, 0x152u);

    rec->make_resettable();
    d3d->reset_device();
    EXPECT_EQ(d3d->vertex_format(), d3d_service_c::VERTEX_FORMAT_NONE);
    rec->clear_log();
    d3d->set_lit_vertex_format();
    EXPECT_EQ(rec->count(recording_call_e::vertex_shader), 1u);
}

TEST_F(d3d_fixture, render_state_groups)
{
    start();
    struct
    {
        const char *what;
        std::function<void()> call;
        std::vector<std::pair<DWORD, DWORD>> render; // state, value
        std::vector<std::pair<DWORD, DWORD>> stage;  // stage-0 state, value
    } cases[] = {
        {"cull off", [&] { d3d->set_cull_mode(0); }, {{D3DRS_CULLMODE, D3DCULL_NONE}}, {}},
        {"cull on", [&] { d3d->set_cull_mode(7); }, {{D3DRS_CULLMODE, D3DCULL_CCW}}, {}},
        {"flat", [&] { d3d->set_shade_mode(0); }, {{D3DRS_SHADEMODE, D3DSHADE_FLAT}}, {}},
        {"smooth", [&] { d3d->set_shade_mode(1); }, {{D3DRS_SHADEMODE, D3DSHADE_GOURAUD}}, {}},
        {"lighting", [&] { d3d->set_lighting(0); }, {{D3DRS_LIGHTING, 0}}, {}},
        {"wireframe", [&] { d3d->set_wireframe(1); }, {{D3DRS_FILLMODE, D3DFILL_WIREFRAME}}, {}},
        {"solid", [&] { d3d->set_wireframe(0); }, {{D3DRS_FILLMODE, D3DFILL_SOLID}}, {}},
        {"opaque", [&] { d3d->set_opaque_mode(); }, {{D3DRS_ALPHABLENDENABLE, 0}, {D3DRS_ZWRITEENABLE, 1}}, {}},
        {"blend 0", [&] { d3d->set_blend_mode(0, 0, 0x80); },
         {{D3DRS_ALPHABLENDENABLE, 1}, {D3DRS_ZWRITEENABLE, 0}, {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
          {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}, {D3DRS_TEXTUREFACTOR, 0x80000000u}},
         {{D3DTSS_ALPHAOP, D3DTOP_SELECTARG1}, {D3DTSS_ALPHAARG1, D3DTA_TFACTOR}}},
        {"blend 1 additive", [&] { d3d->set_blend_mode(1, 1, 0x10); },
         {{D3DRS_DESTBLEND, D3DBLEND_ONE}, {D3DRS_TEXTUREFACTOR, 0x80000000u}},
         {{D3DTSS_ALPHAOP, D3DTOP_SELECTARG1}, {D3DTSS_ALPHAARG1, D3DTA_DIFFUSE}}},
        {"blend 2", [&] { d3d->set_blend_mode(0, 2, 0x10); }, {},
         {{D3DTSS_ALPHAOP, D3DTOP_SELECTARG1}, {D3DTSS_ALPHAARG1, D3DTA_TEXTURE}}},
        {"blend 3", [&] { d3d->set_blend_mode(0, 3, 0xFF); }, {{D3DRS_TEXTUREFACTOR, 0xFF000000u}},
         {{D3DTSS_ALPHAOP, D3DTOP_MODULATE}, {D3DTSS_ALPHAARG1, D3DTA_TFACTOR}, {D3DTSS_ALPHAARG2, D3DTA_TEXTURE}}},
        {"blend 4", [&] { d3d->set_blend_mode(0, 4, 0x40); }, {{D3DRS_TEXTUREFACTOR, 0x40000000u}},
         {{D3DTSS_ALPHAOP, D3DTOP_MODULATE}, {D3DTSS_ALPHAARG1, D3DTA_DIFFUSE}, {D3DTSS_ALPHAARG2, D3DTA_TEXTURE}}},
    };
    for (const auto &c : cases) {
        c.call();
        for (auto [state, value] : c.render)
            EXPECT_EQ(rs(state), value) << c.what << " render state " << state;
        for (auto [state, value] : c.stage)
            EXPECT_EQ(ts(state), value) << c.what << " stage state " << state;
    }
    // Another alpha source sets only the four blend states.
    rec->clear_log();
    d3d->set_blend_mode(0, 5, 0x40);
    EXPECT_EQ(rec->log.size(), 4u);
    EXPECT_EQ(rec->count(recording_call_e::stage_state), 0u);

    d3d->set_depth_range(0.25f, 0.5f);
    EXPECT_EQ(d3d->device()->state().viewport.MinZ, 0.25f);
    EXPECT_EQ(d3d->viewport().MaxZ, 0.5f);
}

TEST_F(d3d_fixture, view_axes_and_picking_ray)
{
    start();
    auto expect_vec = [](const vec3 &got, const vec3 &want, const char *what) {
        EXPECT_NEAR(got.x, want.x, 1e-5f) << what;
        EXPECT_NEAR(got.y, want.y, 1e-5f) << what;
        EXPECT_NEAR(got.z, want.z, 1e-5f) << what;
    };
    const float r3 = 1.0f / std::sqrt(3.0f);
    const float t = std::tan(0.3926991f); // half of the 45 degrees the projection gets
    const float a = 640.0f / 480.0f;
    // The ray through the top-left pixel: -a t along the camera's x, t along its y, 1 forward.
    auto corner = [&](const vec3 &x_axis, const vec3 &y_axis, const vec3 &forward) {
        vec3 v = forward + x_axis * (-a * t) + y_axis * t;
        return v * (1.0f / v.length());
    };
    struct
    {
        const char *what;
        vec3 position, angles;
        vec3 x, y, z; // the world directions of the camera's axes
    } cases[] = {
        {"default", vec3_zero, vec3_zero, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {"turned left", vec3(5, 6, 7), vec3(0, ENGINE_PI / 2, 0), {-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {"looking up", vec3_zero, vec3(ENGINE_PI / 2, 0, 0), {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}},
    };
    for (const auto &c : cases) {
        placement cam;
        cam.position = c.position;
        cam.angles = c.angles;
        d3d->set_camera(cam, 90.0f);
        expect_vec(d3d->get_view_axis('x'), c.x, c.what);
        expect_vec(d3d->get_view_axis('y'), c.y, c.what);
        expect_vec(d3d->get_view_axis('z'), c.z, c.what);
        expect_vec(d3d->get_view_axis('q'), (c.x + c.y + c.z) * r3, c.what);
        expect_vec(d3d->screen_to_world_ray(320, 240), c.z, c.what);
        expect_vec(d3d->screen_to_world_ray(0, 0), corner(c.x, c.y, c.z), c.what);
        expect_vec(d3d->screen_to_world_ray(640, 480), corner(c.x * -1.0f, c.y * -1.0f, c.z), c.what);
    }
    EXPECT_EQ(d3d->camera().position, vec3(0, 0, 0));
}

TEST_F(d3d_fixture, found_through_the_root)
{
    EXPECT_EQ(std::string([&] {
                  try {
                      get_d3d_service(window);
                  } catch (const exception_c &e) {
                      return e.get_message();
                  }
                  return std::string();
              }()),
              "Debug assertion failed! Expression: \"for_who->root()->message(MSG_VAR(get_d3d), 0, for_who, "
              "MSG_ARG((void *)&ptr), MSG_ARGS_END)\"");
    make_service();
    EXPECT_EQ(get_d3d_service(window), d3d);
    EXPECT_EQ(get_d3d_service(nullptr), d3d);
}

TEST_F(d3d_fixture, windowed_mode_sizes_the_main_window_client_area)
{
    window_fake_use();
    window->answer = 0; // the real main window answers
    attribute_list_c attrs;
    add_attribute(nullptr, attrs, "name", value_c("d3d", value_c::STRING), 0);
    new main_window_c(root, &attrs);
    root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(1), MSG_ARGS_END);
    d3d_settings_s s;
    s.width = 800;
    s.height = 400;
    start(s);
    ASSERT_NE(d3d->window(), nullptr);
    RECT client{}, frame{};
    GetClientRect(d3d->window(), &client);
    GetWindowRect(d3d->window(), &frame);
    EXPECT_EQ(client.right - client.left, 800);
    EXPECT_EQ(client.bottom - client.top, 400);
    EXPECT_EQ(frame.left, 0); // where the main window put it
    EXPECT_EQ(frame.top, 0);
    EXPECT_EQ(d3d->viewport().Width, 800u);
    EXPECT_EQ(d3d->viewport().Height, 400u);
    const D3DMATRIX &p = d3d->device()->state().projection;
    EXPECT_NEAR(p.m[0][0], p.m[1][1] * 0.5f, 1e-5f); // aspect 2
    // The ray through a pixel takes client coordinates.
    const vec3 centre = d3d->screen_to_world_ray(400, 200);
    EXPECT_NEAR(centre.x, 1.0f, 1e-5f);
}
