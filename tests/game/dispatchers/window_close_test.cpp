// Closing the real main window (on the fake window backend) while an exit dispatcher lives:
// the close asks in the exit window and the window stays; with no exit window to ask (the
// start's video and picture), or once the dispatcher is gone, a close ends the program as usual.
#include "game/exit_dispatcher.h"
#include "services/srvc_mainwnd.h"
#include "tests/services/window/service_fixture.h"

namespace {

// Stands for the exit window of a live screen: it takes the question as that window does.
class asking_window_c : public abstract_c
{
public:
    explicit asking_window_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (!(*message == MSG_VAR(show_exit_window)))
            return 0;
        ++asked;
        *static_cast<unsigned char *>(msg_arg(0)->get_ptr()) = 1;
        return 0;
    }
    int asked = 0;
};

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
    auto *window = new asking_window_c(m_root);
    auto *dispatcher = new exit_dispatcher(m_root, nullptr);

    for (int round = 0; round < 2; ++round) {
        window_fake_close(hwnd);
        tick();
        EXPECT_TRUE(IsWindow(hwnd)) << round;
        EXPECT_EQ(root_int("stop_main_loop"), 0) << round;
        EXPECT_EQ(window->asked, round + 1);
        EXPECT_EQ(dispatcher->exit_mode(), 1);
        send("exit_message_rejected");
    }

    dispatcher->shutdown_tree();
    m_root->collect_dead_children();
    window_fake_close(hwnd);
    tick();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(root_int("stop_main_loop"), 1);
    EXPECT_EQ(window->asked, 2);
}

TEST_F(window_close_test, close_with_no_exit_window_to_ask_ends_the_program)
{
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    auto *dispatcher = new exit_dispatcher(m_root, nullptr);
    window_fake_close(hwnd);
    tick();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(root_int("stop_main_loop"), 1);
    EXPECT_EQ(dispatcher->exit_mode(), 0);
}

} // namespace
