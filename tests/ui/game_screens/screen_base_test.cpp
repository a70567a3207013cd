// The screen base and the plain screen: the background picture, the standard cursor, the exit
// window every screen makes, the hint lines, and kill_screen removing one screen at a time.
#include "tests/ui/game_screens/game_screens_fixture.h"
#include "ui/ui_screen_windows.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image.h"

namespace {

const char *const plain_with_hints = R"(
create screen_clean {
    string name = "plain";
    string background = "ui_states";
} children : {
    create static_text { string name = "hint_line"; string text = "";
        string font_name = "even"; vec3 chars_color = [255 255 255]; int justify = 0;
        rect screen_rect = [0 700 1024 20]; };
    create static_text { string name = "additional_hint_ms"; string text = "";
        string font_name = "even"; vec3 chars_color = [255 255 255]; int justify = 0;
        rect screen_rect = [0 720 1024 20]; };
};
)";

class screen_base_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        game_screens_test::SetUp();
        put_script("screen_plain", plain_with_hints);
        put_script("screen_bare", "create screen_clean { string name = \"bare\"; };\n");
    }
    std::string line(const char *name)
    {
        static_text *t = find<static_text>(name);
        return t && t->text().line_count() ? t->text().line_text(0) : "";
    }
    // The pictures directly below a screen.
    static std::vector<multistate_image *> pictures(abstract_c *screen)
    {
        std::vector<multistate_image *> out;
        for (abstract_c *c = screen->first_child(); c; c = c->next_sibling())
            if (auto *image = dynamic_cast<multistate_image *>(c))
                out.push_back(image);
        return out;
    }
};

TEST_F(screen_base_test, a_screen_has_its_background_the_standard_cursor_and_an_exit_window)
{
    recorder->heard_names = {"change_cursor"};
    ASSERT_EQ(load("screen_plain"), 1);
    screen_clean *screen = live_child_of_container<screen_clean>();
    ASSERT_NE(screen, nullptr);
    std::vector<multistate_image *> background = pictures(screen);
    ASSERT_EQ(background.size(), 1u);
    EXPECT_EQ(background[0]->texture_path(), "textures/ui_states");
    EXPECT_EQ(rect_text(background[0]->screen_rect()), "0,0,1024,768");
    EXPECT_EQ(rect_text(background[0]->tex_rect()), "0,0,1024,768");
    EXPECT_EQ(background[0]->color(), 0xFFFFFFFFu) << "the picture's black colour is not applied";
    window_exit *exit = find<window_exit>("window_exit", screen);
    ASSERT_NE(exit, nullptr);
    EXPECT_FALSE(exit->is_visible());
    EXPECT_EQ(take_heard(), std::vector<std::string>{"change_cursor standard 0"});

    // Without a background: no picture, the cursor is still set, the exit window still made.
    ASSERT_EQ(load("screen_bare"), 1);
    screen = live_child_of_container<screen_clean>();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(pictures(screen).empty());
    EXPECT_NE(find<window_exit>("window_exit", screen), nullptr);
    EXPECT_EQ(take_heard(), std::vector<std::string>{"change_cursor standard 0"});
}

TEST_F(screen_base_test, hints_reach_the_hint_lines_only_while_hints_are_on)
{
    load("screen_plain");
    struct step_s
    {
        uint8_t hints;
        const char *message, *text, *hint_line, *additional;
    };
    const step_s steps[] = {
        {0, "set_hint", "off", "", ""},
        {0, "set_additional_hint", "off", "", ""},
        {1, "set_hint", "first", "first", ""},
        {1, "set_hint", "second", "second", ""},
        {1, "set_additional_hint", "more", "second", "more"},
        {0, "set_hint", "third", "second", "more"},
    };
    for (const step_s &s : steps) {
        SCOPED_TRACE(std::string(s.message) + " " + s.text);
        recorder->hints = s.hints;
        EXPECT_EQ(send(s.message, value_c(const_cast<char *>(s.text))), 0);
        EXPECT_EQ(line("hint_line"), s.hint_line);
        EXPECT_EQ(line("additional_hint_ms"), s.additional);
    }
}

TEST_F(screen_base_test, the_games_clean_screen_shows_who_leaves_in_its_hint_line)
{
    // A player leaving between rounds: the game loads "screen_clean" and writes the hint, both
    // as owned texts.
    put_source("data/scripts/screen_clean.isc", "scripts/screen_clean.isc");
    recorder->hints = 1;
    ASSERT_EQ(load("screen_clean"), 1);
    screen_clean *screen = live_child_of_container<screen_clean>();
    ASSERT_NE(screen, nullptr);
    EXPECT_NE(find<window_exit>("window_exit", screen), nullptr);
    EXPECT_EQ(send("set_hint", value_c("Leaving", value_c::STRING)), 0);
    EXPECT_EQ(line("hint_line"), "Leaving");
}

TEST_F(screen_base_test, kill_screen_removes_one_live_screen_and_stops_there)
{
    // Two screens side by side, as a script may leave them: each kill takes the first live one.
    m_scripts->execute_script("scripts/screen_plain.isc", container, 0);
    m_scripts->execute_script("scripts/screen_bare.isc", container, 0);
    std::vector<abstract_c *> screens = live_below_container();
    ASSERT_EQ(screens.size(), 2u);
    window_exit *exit = find<window_exit>("window_exit", screens[0]);
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(send("kill_screen"), 1);
    EXPECT_EQ(live_below_container(), std::vector<abstract_c *>{screens[1]}) << "the oldest goes first";
    EXPECT_FALSE(exit->alive()) << "with its whole subtree";
    EXPECT_EQ(send("kill_screen"), 1);
    EXPECT_TRUE(live_below_container().empty());
    EXPECT_EQ(send("kill_screen"), 0);
}

} // namespace
