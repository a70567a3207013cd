// The exit window of every screen (from the project's data/scripts/window_exit.isc): shown on
// request, "yes" confirms, "no" rejects and hides it.
#include "tests/ui/game_screens/game_screens_fixture.h"
#include "ui/ui_screen_windows.h"

namespace {

using lines = std::vector<std::string>;

class exit_window_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        game_screens_test::SetUp();
        put_script("screen_bare", "create screen_clean { string name = \"bare\"; };\n");
        recorder->heard_names = {"exit_message_confirmed", "exit_message_rejected"};
        load("screen_bare");
        window = find<window_exit>("window_exit");
        ASSERT_NE(window, nullptr);
        yes = find<ui_control_c>("yes", window);
        ASSERT_NE(yes, nullptr);
    }
    int press(const char *name) { return send("butt_pressed", value_c(name, value_c::STRING)); }

    window_exit *window = nullptr;
    ui_control_c *yes = nullptr;
};

TEST_F(exit_window_test, shown_on_request_answered_by_yes_or_no)
{
    EXPECT_FALSE(window->is_visible());
    EXPECT_FALSE(yes->is_visible());
    EXPECT_EQ(send("show_exit_window"), 0) << "every screen's window hears it";
    EXPECT_TRUE(window->is_visible());
    EXPECT_TRUE(yes->is_visible()) << "the buttons show with the window";

    EXPECT_EQ(press("no"), 1);
    EXPECT_EQ(take_heard(), lines{"exit_message_rejected"});
    EXPECT_FALSE(window->is_visible());
    EXPECT_FALSE(yes->is_visible());

    send("show_exit_window");
    EXPECT_EQ(press("yes"), 1);
    EXPECT_EQ(take_heard(), lines{"exit_message_confirmed"});
    EXPECT_TRUE(window->is_visible()) << "after yes the exit dispatcher takes over";

    // Other buttons are not the window's.
    for (const char *other : {"ok", "Yes", "yes ", ""}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(press(other), 0);
    }
    EXPECT_TRUE(take_heard().empty());
    EXPECT_TRUE(window->is_visible());
}

} // namespace
