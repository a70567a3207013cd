// The way into the game: the UI starter runs the splash script at every start message, and the
// main menu on the project's screen script starts its location and asks for the screen of each
// of its buttons.
#include "tests/ui/game_screens/game_screens_fixture.h"
#include "kernel/root.h"
#include "tools/imagegen/imagegen.h"
#include "ui/ui_button.h"
#include "ui/ui_screen_main.h"
#include "ui/ui_screen_windows.h"

namespace {

using lines = std::vector<std::string>;

class main_screen_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        game_screens_test::SetUp();
        put_source("data/scripts/screen_main.isc", "scripts/screen_main.isc");
        put("fonts/small.bmp", strip_bmp(std::vector<int>(224, 8), 10));
        // The title picture comes from the show pictures' generator, which needs a font file.
        put("textures/menu_title.tga", imagegen::make_tga(imagegen::picture(512, 128, 0xFFD040, 128), 32));
        for (const char *next : {"screen_server", "screen_client", "screen_command", "screen_hiscore", "screen_options"})
            put_script(next, std::string("create screen_clean { string name = \"") + next + "\"; };\n");
        recorder->heard_names = {"load_location", "add_to_sequence", "activate_sequence",
                                 "load_screen",   "hiscore_from_main", "request_exit"};
    }
    int press(const char *name) { return send("butt_pressed", value_c(name, value_c::STRING)); }
    // The name attribute of the one live screen below the container.
    std::string live_screen()
    {
        std::string names;
        for (abstract_c *c : live_below_container())
            if (dynamic_cast<screen_base_c *>(c))
                names += std::string(names.empty() ? "" : " ") + c->attribute("name")->get_const_pchar();
        return names;
    }
};

TEST_F(main_screen_test, the_menu_starts_its_location_and_makes_its_exit_window)
{
    recorder->heard_names.erase("load_screen");
    ASSERT_EQ(load("screen_main"), 1);
    auto *menu = live_child_of_container<screen_main>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(take_heard(),
              (lines{"load_location menu_space", "add_to_sequence start_relay 1", "activate_sequence"}));
    EXPECT_NE(find<window_exit>("window_exit", menu), nullptr);
    // Each return to the menu starts the location again.
    load("screen_options");
    load("screen_main");
    EXPECT_EQ(take_heard(),
              (lines{"load_location menu_space", "add_to_sequence start_relay 1", "activate_sequence"}));
}

TEST_F(main_screen_test, each_button_of_the_script_asks_for_its_screen_or_the_exit_window)
{
    struct case_s
    {
        const char *button;
        lines heard;
        const char *screen_after;
    };
    const case_s cases[] = {
        {"server", {"load_screen screen_server"}, "screen_server"},
        {"connect", {"load_screen screen_client"}, "screen_client"},
        {"game", {"load_screen screen_command"}, "screen_command"},
        // The hiscore screen that the load made learns that it returns to the menu.
        {"hiscore", {"load_screen screen_hiscore", "hiscore_from_main"}, "screen_hiscore"},
        {"options", {"load_screen screen_options"}, "screen_options"},
        {"exit", {"request_exit"}, "screen_main"},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.button);
        load("screen_main");
        EXPECT_NE(find<text_button>(c.button, live_child_of_container<screen_main>()), nullptr);
        take_heard();
        EXPECT_EQ(press(c.button), 1);
        EXPECT_EQ(take_heard(), c.heard);
        EXPECT_EQ(live_screen(), c.screen_after);
    }
}

TEST_F(main_screen_test, other_button_names_are_left_to_the_screen_base)
{
    load("screen_main");
    take_heard();
    // (The exit window inside the screen takes its own "yes" and "no".)
    for (const char *name : {"Exit", "back", "ok", ""}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(press(name), 0);
    }
    EXPECT_EQ(take_heard(), lines{});
    EXPECT_EQ(live_screen(), "screen_main");
}

class ui_starter_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        game_screens_test::SetUp();
        if (!find_creator("abstract", nullptr))
            kernel_register_creators();
        starter = create_object("ui_starter", root, nullptr);
    }
    // The start message as the main loop sends it; only the starter of this tree takes it.
    int start() { return starter->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END); }
    int children() const
    {
        int n = 0;
        for (abstract_c *c = starter->first_child(); c; c = c->next_sibling())
            n += c->alive() ? 1 : 0;
        return n;
    }
    abstract_c *starter = nullptr;
};

TEST_F(ui_starter_test, every_start_message_runs_the_splash_script_below_the_starter_and_goes_on)
{
    put_script("splash", "create abstract { };\n");
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(children(), 1);
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(children(), 2);
    EXPECT_EQ(send("tick", MSG_ARG(1.0f), MSG_ARG(0.1f)), 0);
    EXPECT_EQ(children(), 2);
}

TEST_F(ui_starter_test, a_missing_splash_script_fails_the_start_message)
{
    try {
        start();
        ADD_FAILURE() << "the start message went through without the splash script";
    } catch (const exception_c &e) {
        EXPECT_NE(e.format().find("scripts/splash.isc"), std::string::npos) << e.format();
    }
}

} // namespace
