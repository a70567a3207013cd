#include "basics/helpers.h"
#include "platform/input/dinput.h"
#include "services/srvc_input.h"
#include "services/srvc_mainwnd.h"
#include "service_fixture.h"

#include <SDL2/SDL_scancode.h>

namespace {

class input_test : public service_fixture
{
protected:
    void SetUp() override
    {
        service_fixture::SetUp();
        win32input_c::forget_mouse_position();
        attribute_list_c attrs;
        add_attribute(nullptr, attrs, "name", value_c("input", value_c::STRING), 0);
        new main_window_c(m_root, &attrs);
        m_root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(1), MSG_ARGS_END);
    }

    template <class T> T *start_service()
    {
        T *service = new T(m_root, nullptr);
        send("app_startup");
        tick();
        m_root->message(MSG_VAR(mainwnd_get_handles), 0, nullptr, MSG_ARG((void *)&m_hwnd), MSG_ARG((void *)nullptr),
                        MSG_ARGS_END);
        return service;
    }

    HWND m_hwnd = nullptr;
};

TEST_F(input_test, get_input_finds_the_service)
{
    EXPECT_EQ(thrown([&] { get_input_service(m_root); }),
              "Debug assertion failed! Expression: \"for_who->root()->message(MSG_VAR(get_input), 0, for_who, "
              "MSG_ARG((void *)&ptr), MSG_ARGS_END)\"");
    auto *service = start_service<win32input_c>();
    EXPECT_EQ(get_input_service(m_root), service);
}

TEST_F(input_test, win32input_keys_and_buttons)
{
    auto *in = start_service<win32input_c>();
    window_fake_key(m_hwnd, SDL_SCANCODE_RETURN, true);
    window_fake_key(m_hwnd, SDL_SCANCODE_UP, true); // lands on "Numpad 8"
    window_fake_key(m_hwnd, SDL_SCANCODE_A, true);
    window_fake_key(m_hwnd, SDL_SCANCODE_LALT, true);
    window_fake_key(m_hwnd, SDL_SCANCODE_A, false); // a system key-up still lets go
    tick();
    tick();
    EXPECT_EQ(in->m_keys[0x1C], 1);
    EXPECT_EQ(in->m_keys[0x48], 1);
    EXPECT_EQ(in->m_keys[0xC8], 0);
    EXPECT_EQ(in->m_keys[0x1E], 0);
    EXPECT_TRUE(in->key_down(0x1C));
    EXPECT_FALSE(in->key_down(0x11C));
    EXPECT_FALSE(in->key_down(-1));

    window_fake_button(m_hwnd, 0, true);
    window_fake_button(m_hwnd, 2, true);
    window_fake_mouse_move(m_hwnd, 5, 5); // the middle button is seen with the move
    window_fake_wheel(m_hwnd, -3);
    tick();
    int buttons[3];
    EXPECT_EQ(in->get_mouse_buttons(buttons), 2);
    EXPECT_EQ(buttons[0], 1);
    EXPECT_EQ(buttons[1], 0);
    EXPECT_EQ(buttons[2], 1);
    int dx, dy;
    float wheel;
    in->get_mouse_state(dx, dy, wheel);
    EXPECT_FLOAT_EQ(wheel, -3.0f);
    in->reset_mouse_state();
    in->get_mouse_state(dx, dy, wheel);
    EXPECT_EQ(wheel, 0.0f);
    EXPECT_EQ(in->get_mouse_buttons(buttons), 2) << "buttons stay";

    in->shutdown_tree();
    EXPECT_EQ(in->m_keys[0x1C], 0);
}

TEST_F(input_test, win32input_mouse_movement_and_recentring)
{
    auto *in = start_service<win32input_c>();
    window_fake_focus(m_hwnd, false);
    tick();
    ASSERT_EQ(root_int("app_active"), 0);
    int moves = window_fake_state().cursor_moves;
    int dx, dy;
    float wheel;

    window_fake_mouse_move(m_hwnd, 100, 100);
    tick();
    in->get_mouse_state(dx, dy, wheel);
    EXPECT_EQ(dx, 0) << "the first move only sets the position";
    window_fake_mouse_move(m_hwnd, 110, 90);
    tick();
    in->get_mouse_state(dx, dy, wheel);
    EXPECT_EQ(dx, 10);
    EXPECT_EQ(dy, -10);
    EXPECT_EQ(window_fake_state().cursor_moves, moves) << "inactive: the cursor is left alone";

    window_fake_focus(m_hwnd, true);
    tick();
    RECT r;
    GetWindowRect(m_hwnd, &r);
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    POINT client = centre;
    ScreenToClient(m_hwnd, &client);
    window_fake_mouse_move(m_hwnd, 120, 95);
    tick();
    EXPECT_EQ(window_fake_state().cursor.x, centre.x);
    EXPECT_EQ(window_fake_state().cursor.y, centre.y);
    window_fake_mouse_move(m_hwnd, client.x + 7, client.y - 2);
    tick();
    in->get_mouse_state(dx, dy, wheel);
    EXPECT_EQ(dx, 10 + 10 + 7) << "movement counts from the centre after a re-centring";
    EXPECT_EQ(dy, -10 + 5 - 2);
}

TEST_F(input_test, win32input_leaves_the_main_window_on_shutdown)
{
    // shutdown_tree nulls the weak pointer of the slot by itself, so the hook is called on a
    // service that is still alive: only its own unregistering can free the slot.
    auto *in = start_service<win32input_c>();
    in->on_shutdown();
    window_fake_key(m_hwnd, SDL_SCANCODE_RETURN, true);
    tick();
    EXPECT_EQ(in->m_keys[0x1C], 0) << "window messages no longer reach the service";
    recorder_c spare(m_root, {});
    EXPECT_EQ(thrown([&] {
                  for (int i = 0; i < 4; ++i)
                      main_window_c::add_win32_handler(&spare);
              }),
              "")
        << "the service's slot is free again";
    main_window_c::del_win32_handler(&spare);
}

TEST_F(input_test, dinput_reads_the_devices_each_tick)
{
    auto *in = start_service<dinput_c>();
    dinput_fake_key(0x1C, true);
    dinput_fake_mouse(3, 4, 240);
    dinput_fake_button(1, true);
    tick();
    EXPECT_EQ(in->m_keys[0x1C], 0x80);
    int dx, dy, buttons[3];
    float wheel;
    in->get_mouse_state(dx, dy, wheel);
    EXPECT_EQ(dx, 3);
    EXPECT_EQ(dy, 4);
    EXPECT_FLOAT_EQ(wheel, 2.0f);
    EXPECT_EQ(in->get_mouse_buttons(buttons), 1);
    EXPECT_EQ(buttons[1], 1);

    // Lost input is re-acquired at once; a read that still fails leaves keys up and the mouse as it was.
    dinput_fake_lose();
    tick();
    EXPECT_EQ(in->m_keys[0x1C], 0x80);
    dinput_fake_fail(dinput_call_e::get_device_state, 0, DIERR_INPUTLOST, 2);
    dinput_fake_fail(dinput_call_e::get_device_state, 1, DIERR_INPUTLOST, 2);
    dinput_fake_mouse(5, 0, 0);
    tick();
    EXPECT_EQ(in->m_keys[0x1C], 0);
    in->get_mouse_state(dx, dy, wheel);
    EXPECT_EQ(dx, 3);
    tick();
    EXPECT_EQ(in->m_keys[0x1C], 0x80);
    in->get_mouse_state(dx, dy, wheel);
    EXPECT_EQ(dx, 8);

    EXPECT_EQ(thrown([&] { in->init(); }), "Already initialized");
    in->shutdown_tree();
    EXPECT_EQ(dinput_fake_live_devices(), 0);
}

TEST_F(input_test, dinput_start_up_failures)
{
    struct fail_case_s
    {
        dinput_call_e call;
        int device;
        const char *text;
    };
    const fail_case_s cases[] = {
        {dinput_call_e::create, -1, "Could not Initialize DirectInput: "},
        {dinput_call_e::create_device, 0, "CreateDevice(SysMouse) failed"},
        {dinput_call_e::set_data_format, 0, "SetDataFormat(SysMouse) failed"},
        {dinput_call_e::set_cooperative_level, 0, "SetCooperativeLevel(SysMouse) failed"},
        {dinput_call_e::acquire, 0, "Acquire(SysMouse) failed"},
        {dinput_call_e::create_device, 1, "CreateDevice(SysKeyboard) failed"},
        {dinput_call_e::set_data_format, 1, "SetDataFormat(SysKeyboard) failed"},
        {dinput_call_e::set_cooperative_level, 1, "SetCooperativeLevel(SysKeyboard) failed"},
        {dinput_call_e::acquire, 1, "Acquire(SysKeyboard) failed"},
    };
    send("app_startup"); // the main window
    auto *in = new dinput_c(m_root, nullptr);
    for (const fail_case_s &c : cases) {
        dinput_fake_fail(c.call, c.device, DIERR_NOTINITIALIZED);
        try {
            in->init();
            ADD_FAILURE() << c.text;
        } catch (const dinput_exception_c &e) {
            EXPECT_EQ(e.get_message(), std::string(c.text) + dx_error_name(DIERR_NOTINITIALIZED));
        }
        EXPECT_EQ(dinput_fake_live_devices(), 0) << c.text;
    }
    in->init();
    EXPECT_EQ(dinput_fake_live_devices(), 2);
}

} // namespace
