// The hiscore screen on the project's screen script, over a registry of the test's own: the
// places it fills from "Hiscore", and where "ok" leads.
#include "tests/ui/game_screens/registry_fixture.h"
#include "ui/ui_screen_hiscore.h"
#include "ui/ui_text_static.h"

#include <cstring>

namespace {

class hiscore_screen_test : public stored_screen_test
{
protected:
    void SetUp() override
    {
        stored_screen_test::SetUp();
        put_source("data/scripts/screen_hiscore.isc", "scripts/screen_hiscore.isc");
        for (const char *next : {"screen_main", "screen_survey"})
            put_script(next, std::string("create screen_clean { string name = \"") + next + "\"; };\n");
        recorder->heard_names = {"load_screen", "set_hiscore_and_age_values"};
    }
    std::string line(const char *name)
    {
        static_text *t = find<static_text>(name);
        if (!t)
            return "(missing)";
        return t->text().line_count() ? t->text().line_text(0) : "";
    }
    // "<name> <score>" of the five places.
    std::vector<std::string> places()
    {
        std::vector<std::string> out;
        for (int i = 1; i <= 5; ++i) {
            const std::string n = std::to_string(i);
            out.push_back(line(("winner_" + n + "_static").c_str()) + " " + line(("hiscore_" + n + "_static").c_str()));
        }
        return out;
    }
};

TEST_F(hiscore_screen_test, an_empty_table_leaves_the_scripts_texts)
{
    ASSERT_EQ(load("screen_hiscore"), 1);
    ASSERT_NE(live_child_of_container<screen_hiscore>(), nullptr);
    EXPECT_EQ(places(), std::vector<std::string>(5, "- -"));
    EXPECT_FALSE(registry.value("Hiscore")) << "showing writes nothing";
}

TEST_F(hiscore_screen_test, the_places_of_the_table_are_filled_in_its_order)
{
    const std::vector<hiscore_entry> table = {score_entry("\xc0\xed\xed\xe0", 9000), score_entry("Bob", 0), score_entry("Cy", -12)};
    registry.put("Hiscore", score_table_value(table.data(), int(table.size())));
    load("screen_hiscore");
    EXPECT_EQ(places(), (std::vector<std::string>{"\xc0\xed\xed\xe0 9000", "Bob 0", "Cy -12", "- -", "- -"}));
}

TEST_F(hiscore_screen_test, ok_returns_to_the_menu_unless_the_game_left_a_result_for_the_survey)
{
    struct case_s
    {
        const char *what;
        std::vector<const char *> before; // messages to the screen after its load
        std::vector<std::string> heard;
    };
    const case_s cases[] = {
        {"from the menu", {"hiscore_from_main"}, {"load_screen screen_main"}},
        {"as loaded", {}, {"load_screen screen_main"}},
        {"after a game", {"remember"}, {"load_screen screen_survey", "set_hiscore_and_age_values 7500 44"}},
        {"the menu last", {"remember", "hiscore_from_main"}, {"load_screen screen_main"}},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.what);
        load("screen_hiscore");
        for (const char *m : c.before)
            if (std::strcmp(m, "remember") == 0)
                EXPECT_EQ(send("remember_hiscore_and_age", MSG_ARG(7500), MSG_ARG(44)), 1);
            else
                EXPECT_EQ(send(m), 1);
        take_heard();
        EXPECT_EQ(press("ok"), 1);
        EXPECT_EQ(take_heard(), c.heard);
        EXPECT_EQ(live_child_of_container<screen_hiscore>(), nullptr);
    }
}

TEST_F(hiscore_screen_test, other_buttons_do_not_change_screens_here)
{
    load("screen_hiscore");
    take_heard();
    for (const char *button : {"cancel", "OK", "ok "})
        EXPECT_EQ(press(button), 0) << button;
    EXPECT_EQ(take_heard(), std::vector<std::string>{});
    EXPECT_NE(live_child_of_container<screen_hiscore>(), nullptr);
}

} // namespace
