// Closing the real main window (on the fake window backend) while an exit dispatcher lives:
// the close asks for the exit window and the window stays; once the dispatcher is gone a close
// ends the program as usual.
#include "game/exit_dispatcher.h"
#include "services/srvc_mainwnd.h"
#include "tests/services/window/service_fixture.h"

namespace {

class window_close_test : public service_fixture
{
protected:
    HWND start()
    {
        attribute_list_c attrs;
        add_attribute(nullptr, attrs, "name", value_c("Vizuzuze", value_c::STRING), 0);
        new main_window_c(m_root, &attrs);
        m_root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(0x400000), MSG_ARGS_END);
        send("app_startup");
        tick();
        HWND hwnd = nullptr;
        HINSTANCE instance = nullptr;
        m_root->message(MSG_VAR(mainwnd_get_handles), 0, nullptr, MSG_ARG((void *)&hwnd), MSG_ARG((void *)&instance),
                        MSG_ARGS_END);
        return hwnd;
    }
};

TEST_F(window_close_test, close_asks_while_the_dispatcher_lives)
{
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    auto *asked = new recorder_c(m_root, {"show_exit_window"});
    auto *dispatcher = new exit_dispatcher(m_root, nullptr);

    for (int round = 0; round < 2; ++round) {
        window_fake_close(hwnd);
        tick();
        EXPECT_TRUE(IsWindow(hwnd)) << round;
        EXPECT_EQ(root_int("stop_main_loop"), 0) << round;
        EXPECT_EQ(asked->seen.size(), size_t(round + 1));
        EXPECT_EQ(dispatcher->exit_mode(), 1);
        send("exit_message_rejected");
    }

    dispatcher->shutdown_tree();
    m_root->collect_dead_children();
    window_fake_close(hwnd);
    tick();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(root_int("stop_main_loop"), 1);
    EXPECT_EQ(asked->seen.size(), 2u);
}

} // namespace
