// The exit dispatcher: what asks for the exit window, what a confirmation or a rejection does,
// and how the credits end the program; last the whole way from the exit window of a screen
// through the project's credits script to the end of the main loop.
#include "game/exit_dispatcher.h"
#include "platform/window/winuser.h"
#include "tests/game/dispatchers/sound_stub.h"
#include "tools/imagegen/imagegen.h"
#include "tests/ui/game_screens/game_screens_fixture.h"
#include "ui/ui_screen_windows.h"
#include "game/credits.h"

namespace {

using lines = std::vector<std::string>;
// The question as the recorder hears it: with the byte through which a window says it asks.
const std::string asked = "show_exit_window ?";

// What "scripts/credits.isc" makes in most tests: it answers credits_running with `running`.
int credits_stub_running = 1;
class credits_stub_c : public abstract_c
{
public:
    credits_stub_c(abstract_c *parent, const attribute_list_c *) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        return *message == MSG_VAR(credits_running) ? credits_stub_running : 0;
    }
};

// Takes mainwnd_add_win32_handler as the main window does.
class handler_store_c : public abstract_c
{
public:
    explicit handler_store_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (!(*message == MSG_VAR(mainwnd_add_win32_handler)))
            return 0;
        handlers.push_back(static_cast<abstract_c *>(msg_arg(0)->get_ptr()));
        return 1;
    }
    std::vector<abstract_c *> handlers;
};

class exit_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        game_screens_test::SetUp();
        register_game_dispatchers_once();
        if (!find_creator("credits_stub", nullptr))
            register_creator("credits_stub", make_object<credits_stub_c>);
        credits_stub_running = 1;
        add_attribute(nullptr, root->attributes(), "stop_main_loop", value_c(0), 0);
        put_script("credits", "create credits_stub { };\n");
        store = new handler_store_c(root);
        recorder->heard_names = {"show_exit_window", "destroy_ui", "free_location", "on_game_stopped"};
        dispatcher = static_cast<exit_dispatcher *>(create_object("exit_dispatcher", root, nullptr));
    }
    int window_message(int code)
    {
        return dispatcher->message(MSG_VAR(mainwnd_win32_msg), 0, nullptr, MSG_ARG(code), MSG_ARG(0), MSG_ARG(0),
                                   MSG_ARGS_END);
    }
    int key() { return dispatcher->message(MSG_VAR(char), 0, nullptr, MSG_ARG(32), MSG_ARG(57), MSG_ARG(1), MSG_ARGS_END); }
    int stopped() { return root->attribute("stop_main_loop")->get_int(); }
    // A screen, and with it an exit window that asks.
    void load_bare_screen()
    {
        put_script("screen_bare", "create screen_clean { string name = \"bare\"; };\n");
        load("screen_bare");
        ASSERT_NE(find<window_exit>("window_exit"), nullptr);
    }
    int credits_below() { return child_count(dispatcher); }

    handler_store_c *store = nullptr;
    exit_dispatcher *dispatcher = nullptr;
};

TEST_F(exit_test, registers_with_the_main_window_and_takes_only_its_close)
{
    EXPECT_EQ(store->handlers, std::vector<abstract_c *>{dispatcher});
    for (int code : {(int)WM_DESTROY, (int)WM_ACTIVATEAPP, (int)WM_CHAR, (int)WM_KEYDOWN}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(window_message(code), 0);
    }
    EXPECT_EQ(take_heard(), lines{});
    EXPECT_EQ(dispatcher->exit_mode(), 0);

    load_bare_screen();
    EXPECT_EQ(window_message(WM_CLOSE), 1);
    EXPECT_EQ(window_message(WM_CLOSE), 1);
    EXPECT_EQ(take_heard(), (lines{asked, asked})) << "asked again, quits once";
    EXPECT_EQ(send("exit_message_confirmed"), 1);
    EXPECT_EQ(take_heard(), (lines{"destroy_ui", "free_location"}));
    EXPECT_EQ(credits_below(), 1);
    EXPECT_EQ(dispatcher->closing(), 1);
    EXPECT_FALSE(container->alive()) << "the user interface is gone";

    EXPECT_EQ(send("exit_message_confirmed"), 1);
    EXPECT_EQ(take_heard(), lines{}) << "a second confirmation starts nothing";
    EXPECT_EQ(credits_below(), 1);
}

// Before the first screen (the start's video and picture) and after the last (the credits) no
// exit window can ask: a close is then left to the window, which ends the program in order.
TEST_F(exit_test, a_close_that_no_exit_window_takes_is_left_to_the_window)
{
    EXPECT_EQ(window_message(WM_CLOSE), 0);
    EXPECT_EQ(take_heard(), lines{asked}) << "it did look for a window";
    EXPECT_EQ(dispatcher->exit_mode(), 0);

    load_bare_screen();
    EXPECT_EQ(window_message(WM_CLOSE), 1);
    EXPECT_EQ(dispatcher->exit_mode(), 1);
    EXPECT_EQ(send("exit_message_confirmed"), 1);
    ASSERT_EQ(dispatcher->closing(), 1);
    take_heard();
    EXPECT_EQ(window_message(WM_CLOSE), 0) << "the credits play: the window closes at once";
}

TEST_F(exit_test, confirmation_acts_on_what_was_asked)
{
    struct case_s
    {
        std::vector<const char *> requests;
        lines heard_after_confirmation;
        int closing, back_mode;
    };
    const case_s cases[] = {
        {{"request_exit"}, {"destroy_ui", "free_location"}, 1, 0},
        {{"request_back"}, {"on_game_stopped 1 0"}, 0, 0},
        {{"request_back", "request_exit"}, {"destroy_ui", "free_location"}, 1, 1},
        {{"request_exit", "request_back"}, {"destroy_ui", "free_location"}, 1, 1},
        {{}, {}, 0, 0},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.requests.size() ? c.requests.back() : "nothing asked");
        exit_dispatcher *d = static_cast<exit_dispatcher *>(create_object("exit_dispatcher", root, nullptr));
        for (const char *request : c.requests)
            EXPECT_EQ(d->message(msg_c(request), 0, nullptr, MSG_ARGS_END), 1) << request;
        EXPECT_EQ(take_heard(), lines(c.requests.size(), asked));
        d->message(MSG_VAR(exit_message_confirmed), 0, nullptr, MSG_ARGS_END);
        EXPECT_EQ(take_heard(), c.heard_after_confirmation);
        EXPECT_EQ(d->closing(), c.closing);
        EXPECT_EQ(d->back_mode(), c.back_mode);
        EXPECT_EQ(child_count(d), c.closing);
        d->shutdown_tree();
    }
}

TEST_F(exit_test, rejection_forgets_both_requests)
{
    send("request_back");
    send("request_exit");
    send("exit_message_rejected");
    EXPECT_EQ(dispatcher->exit_mode(), 0);
    EXPECT_EQ(dispatcher->back_mode(), 0);
    take_heard();
    send("exit_message_confirmed");
    EXPECT_EQ(take_heard(), lines{});
    EXPECT_EQ(credits_below(), 0);
}

// Keys do nothing until the exit is confirmed and are left to the controls after the
// dispatcher; while the credits play the first key ends the program.
TEST_F(exit_test, key_ends_the_credits_at_once)
{
    EXPECT_EQ(key(), 0);
    tick_by(1.0, 0.02);
    EXPECT_EQ(stopped(), 0);
    send("request_exit");
    send("exit_message_confirmed");
    tick_by(2.0, 0.02);
    EXPECT_EQ(stopped(), 0) << "the credits answer";
    EXPECT_EQ(key(), 1);
    EXPECT_EQ(stopped(), 1);
}

TEST_F(exit_test, program_ends_on_the_first_tick_nobody_answers)
{
    send("request_exit");
    send("exit_message_confirmed");
    for (double t : {1.0, 2.0, 3.0}) {
        tick_by(t, 0.02);
        EXPECT_EQ(stopped(), 0) << t;
    }
    credits_stub_running = 0;
    tick_by(4.0, 0.02);
    EXPECT_EQ(stopped(), 1);
}

TEST_F(exit_test, credits_script_that_makes_nothing_ends_the_program_on_the_next_tick)
{
    put_script("credits", "// nothing\n");
    send("request_exit");
    send("exit_message_confirmed");
    EXPECT_EQ(stopped(), 0);
    tick_by(1.0, 0.02);
    EXPECT_EQ(stopped(), 1);
}

// From the exit window of a live screen through the project's credits script (its pictures
// stand-ins of the test) to the end of the main loop.
TEST_F(exit_test, exit_window_yes_plays_the_project_credits_to_the_end)
{
    sound_manager_stub_c *sounds = new sound_manager_stub_c(root);
    put_source("data/scripts/credits.isc", "scripts/credits.isc");
    for (const char *name : {"credits_back", "credits_0", "credits_1", "credits_2"})
        put(std::string("textures/") + name + ".bmp", imagegen::make_bmp(imagegen::picture(64, 32, 0x808080)));
    load_bare_screen();
    window_exit *window = find<window_exit>("window_exit");

    send("request_exit");
    EXPECT_TRUE(window->is_visible());
    EXPECT_EQ(send("butt_pressed", value_c("yes", value_c::STRING)), 1);
    EXPECT_FALSE(container->alive());
    ASSERT_EQ(credits_below(), 1);
    EXPECT_NE(dynamic_cast<credits *>(dispatcher->first_child()), nullptr);

    double end = -1.0;
    for (int i = 1; i <= 3000 && end < 0.0; ++i) {
        tick_by(0.02 * i, 0.02);
        render();
        root->collect_dead_children();
        if (stopped())
            end = 0.02 * i;
    }
    EXPECT_GT(end, 3.0) << "both pauses and the scroll";
    EXPECT_LT(end, 60.0);
    EXPECT_EQ(sounds->journal, lines{"play sounds/theme"});
}

} // namespace
