#include "services/srvc_mainwnd.h"
#include "service_fixture.h"

namespace {

class main_window_test : public service_fixture
{
protected:
    main_window_c *make_window(bool named = true)
    {
        attribute_list_c attrs;
        if (named)
            add_attribute(nullptr, attrs, "name", value_c("\xc2\xe8\xea\xf2\xee\xf0\xe8\xed\xe0", value_c::STRING), 0);
        return new main_window_c(m_root, &attrs);
    }

    // A main window started as the main loop starts it, with its first tick done.
    HWND start()
    {
        m_window = make_window();
        m_root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(0x400000), MSG_ARGS_END);
        send("app_startup");
        tick();
        return handles().first;
    }

    std::pair<HWND, HINSTANCE> handles()
    {
        HWND hwnd = nullptr;
        HINSTANCE instance = nullptr;
        EXPECT_EQ(m_root->message(MSG_VAR(mainwnd_get_handles), 0, nullptr, MSG_ARG((void *)&hwnd),
                                  MSG_ARG((void *)&instance), MSG_ARGS_END),
                  1);
        return {hwnd, instance};
    }

    recorder_c *handler(std::function<int(const recorded_s &)> answer = nullptr)
    {
        auto *r = new recorder_c(m_root, {"mainwnd_win32_msg", "show_exit_window"});
        r->answer = std::move(answer);
        EXPECT_EQ(m_root->message(MSG_VAR(mainwnd_add_win32_handler), 0, nullptr, MSG_ARG((void *)r), MSG_ARGS_END), 1);
        return r;
    }

    static int codes(const recorder_c *r, UINT code)
    {
        int n = 0;
        for (const recorded_s &s : r->seen)
            n += s.name == "mainwnd_win32_msg" && s.args[0] == (int)code;
        return n;
    }

    main_window_c *m_window = nullptr;
};

TEST_F(main_window_test, start_up_order_and_handles)
{
    m_window = make_window();
    EXPECT_EQ(thrown([&] { send("app_startup"); }), "Debug assertion failed! Expression: \"m_hInst\"");
    EXPECT_EQ(thrown([&] { tick(); }), "Debug assertion failed! Expression: \"m_main_hWnd\"");
    m_root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(0x400000), MSG_ARGS_END);
    send("app_startup");
    auto [hwnd, instance] = handles();
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(instance, (HINSTANCE)0x400000);
    EXPECT_TRUE(window_fake_visible(hwnd));
    // The cp1251 name "Viktorina" in UTF-8.
    EXPECT_EQ(window_fake_title(hwnd), std::string("\xd0\x92\xd0\xb8\xd0\xba\xd1\x82\xd0\xbe\xd1\x80\xd0\xb8\xd0\xbd\xd0\xb0"));
    EXPECT_EQ((DWORD)GetWindowLong(hwnd, GWL_STYLE), 0x10C20000u);
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.right - r.left, 1024);
    EXPECT_EQ(r.bottom - r.top, 768);
    EXPECT_EQ(m_root->message(MSG_VAR(mainwnd_get_handles), 0, nullptr, MSG_ARG((void *)nullptr),
                              MSG_ARG((void *)nullptr), MSG_ARGS_END),
              1);

    m_window->shutdown_tree();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(main_window_test, a_later_main_window_starts_again)
{
    // The ways the first service goes: shut down with its window open, shut down after the user
    // closed the window, or deleted without a shutdown.
    enum class end_e { shut_down_open, closed_then_shut_down, deleted };
    for (end_e end : {end_e::shut_down_open, end_e::closed_then_shut_down, end_e::deleted}) {
        SCOPED_TRACE((int)end);
        HWND first = start();
        ASSERT_TRUE(IsWindow(first));
        if (end == end_e::closed_then_shut_down) {
            window_fake_close(first);
            tick();
            ASSERT_FALSE(IsWindow(first));
        }
        if (end == end_e::deleted) {
            delete m_window;
        } else {
            m_window->shutdown_tree();
            m_root->collect_dead_children();
        }
        EXPECT_FALSE(IsWindow(first));

        HWND second = nullptr;
        EXPECT_EQ(thrown([&] { second = start(); }), "");
        EXPECT_TRUE(IsWindow(second));
        delete m_window;
    }

    // Two at once still share one class name.
    start();
    main_window_c *other = make_window();
    other->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(0x400000), MSG_ARGS_END);
    EXPECT_EQ(thrown([&] { other->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END); }),
              "Could not register window class");
}

TEST_F(main_window_test, missing_name)
{
    make_window(false);
    m_root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(1), MSG_ARGS_END);
    EXPECT_EQ(thrown([&] { send("app_startup"); }), "Could not find required attribute 'name'");
}

TEST_F(main_window_test, five_messages_a_tick)
{
    HWND hwnd = start();
    recorder_c *r = handler();
    for (int i = 0; i < 6; ++i)
        PostMessage(hwnd, WM_USER + i, 0, 0);
    tick();
    EXPECT_EQ(r->seen.size(), 5u);
    tick();
    ASSERT_EQ(r->seen.size(), 6u);
    EXPECT_EQ(r->seen.back().args[0], (int)WM_USER + 5);
}

TEST_F(main_window_test, handler_slots)
{
    start();
    recorder_c *a = handler();
    recorder_c *b = handler();
    handler();
    EXPECT_EQ(m_root->message(MSG_VAR(mainwnd_add_win32_handler), 0, nullptr, MSG_ARG((void *)b), MSG_ARGS_END), 1);
    recorder_c fifth(m_root, {});
    EXPECT_EQ(thrown([&] { main_window_c::add_win32_handler(&fifth); }), "Too many Win32 messages handlers");

    // A dead handler frees its slot; unregistering frees every slot of the object.
    a->shutdown_tree();
    main_window_c::add_win32_handler(&fifth);
    EXPECT_EQ(thrown([&] { main_window_c::add_win32_handler(&fifth); }), "Too many Win32 messages handlers");
    main_window_c::del_win32_handler(b);
    main_window_c::add_win32_handler(&fifth);
    main_window_c::add_win32_handler(&fifth);
    main_window_c::del_win32_handler(&fifth);
    main_window_c::del_win32_handler(&fifth); // no match is no error
    EXPECT_EQ(m_root->message(MSG_VAR(mainwnd_del_win32_handler), 0, nullptr, MSG_ARG((void *)b), MSG_ARGS_END), 1);
}

TEST_F(main_window_test, claimed_close_keeps_the_window)
{
    HWND hwnd = start();
    // Stands in for the game's exit dispatcher: a close shows the exit confirmation instead.
    recorder_c *exit_dispatcher = handler([this](const recorded_s &s) {
        if (s.name == "mainwnd_win32_msg" && s.args[0] == (int)WM_CLOSE) {
            m_root->message(MSG_VAR(show_exit_window), 0, nullptr, MSG_ARGS_END);
            return 1;
        }
        return 0;
    });
    window_fake_close(hwnd);
    tick();
    tick();
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(root_int("stop_main_loop"), 0);
    ASSERT_EQ(exit_dispatcher->seen.size(), 2u);
    EXPECT_EQ(exit_dispatcher->seen[1].name, "show_exit_window");
}

TEST_F(main_window_test, unclaimed_close_ends_the_loop_through_the_quit_message)
{
    HWND hwnd = start();
    recorder_c *r = handler();
    window_fake_close(hwnd);
    tick();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(codes(r, WM_CLOSE), 1);
    EXPECT_EQ(codes(r, WM_DESTROY), 1);
    EXPECT_EQ(root_int("stop_main_loop"), 1) << "the quit is taken in the same pump";
    EXPECT_EQ(handles().first, hwnd);
}

TEST_F(main_window_test, claimed_destroy_still_ends_the_loop)
{
    HWND hwnd = start();
    handler([](const recorded_s &s) { return s.args[0] == (int)WM_DESTROY ? 1 : 0; });
    window_fake_close(hwnd);
    tick();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(root_int("stop_main_loop"), 0) << "no quit was posted";
    tick();
    EXPECT_EQ(root_int("stop_main_loop"), 1);
    EXPECT_EQ(handles().first, nullptr);
}

TEST_F(main_window_test, activation_and_cursor_clip)
{
    HWND hwnd = start();
    EXPECT_EQ(root_int("app_active"), 1) << "a shown window is active";
    tick();
    RECT window;
    GetWindowRect(hwnd, &window);
    window_fake_state_s s = window_fake_state();
    EXPECT_TRUE(s.clipped);
    EXPECT_EQ(s.clip.right, window.right);
    EXPECT_EQ(s.clip.bottom, window.bottom);

    window_fake_focus(hwnd, false);
    tick();
    EXPECT_EQ(root_int("app_active"), 0);
    EXPECT_TRUE(window_fake_state().clipped) << "released on the next tick";
    tick();
    EXPECT_FALSE(window_fake_state().clipped);

    window_fake_focus(hwnd, true);
    tick();
    tick();
    EXPECT_EQ(root_int("app_active"), 1);
    EXPECT_TRUE(window_fake_state().clipped);
}

TEST_F(main_window_test, pointer_over_the_window_hides_the_system_cursor)
{
    HWND hwnd = start();
    EXPECT_TRUE(window_fake_state().cursor_visible);
    window_fake_enter(hwnd);
    tick();
    EXPECT_FALSE(window_fake_state().cursor_visible);
}

} // namespace
