// The windows of every screen: the exit window (from the project's data/scripts/window_exit.isc),
// shown on request, "yes" confirms, "no" rejects and hides it; and the credit window.
#include "tests/ui/game_screens/game_screens_fixture.h"
#include "tests/ui/game_screens/registry_fixture.h"
#include "game/player_info.h"
#include "ui/ui_button.h"
#include "scores/score_tables.h"
#include "ui/ui_screen_windows.h"

#include <cstring>
#include <filesystem>

namespace {

using lines = std::vector<std::string>;

class exit_window_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        game_screens_test::SetUp();
        // A control over the whole screen stands for whatever lies behind the window.
        put_script("screen_bare", "create screen_clean { string name = \"bare\"; } children : {\n"
                                  "  create test_control { string name = \"behind\"; rect screen_rect = [0 0 1024 768]; };\n"
                                  "};\n");
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

TEST_F(exit_window_test, while_shown_it_takes_the_mouse_from_the_screen_behind)
{
    // The window lies at (312, 294)-(712, 474), its buttons in its lower half.
    const rect yes_rect = yes->screen_rect();
    const vec2 panel(330.0f, 310.0f), outside(50.0f, 50.0f),
        on_yes((yes_rect.left + yes_rect.right) / 2.0f, (yes_rect.top + yes_rect.bottom) / 2.0f);
    auto reached_behind = [] {
        lines out;
        for (const std::string &entry : test_control_journal())
            if (entry.rfind("behind:down", 0) == 0 || entry.rfind("behind:up", 0) == 0 ||
                entry.rfind("behind:move", 0) == 0)
                out.push_back(entry);
        test_control_journal().clear();
        return out;
    };
    click(panel);
    EXPECT_EQ(reached_behind(), (lines{"behind:down:0", "behind:up:0"})) << "a hidden window takes nothing";

    send("show_exit_window");
    for (vec2 at : {panel, outside}) {
        SCOPED_TRACE(at.x);
        EXPECT_EQ(mouse(at, 0), 1);
        EXPECT_EQ(mouse(at, 1), 1);
        EXPECT_EQ(mouse(at, 2), 1);
        EXPECT_EQ(mouse(at, 1, 1), 1);
        EXPECT_EQ(reached_behind(), lines{});
    }
    EXPECT_TRUE(take_heard().empty());
    button *yes_button = dynamic_cast<button *>(yes);
    ASSERT_NE(yes_button, nullptr);
    EXPECT_FALSE(yes_button->has(button::BUTTON_HILITED));
    EXPECT_EQ(mouse(on_yes, 0), 1);
    EXPECT_TRUE(yes_button->has(button::BUTTON_HILITED)) << "its own buttons still have the mouse";
    EXPECT_EQ(reached_behind(), lines{});

    press("no");
    take_heard();
    click(panel);
    EXPECT_EQ(reached_behind(), (lines{"behind:down:0", "behind:up:0"})) << "hidden again, it lets the mouse by";
}

} // namespace

// The credit window (from the project's data/scripts/window_credit.isc) over score tables in a
// registry of the test's own.
namespace {

class credit_window_test : public stored_screen_test
{
protected:
    void SetUp() override
    {
        stored_screen_test::SetUp();
        put_source("data/scripts/window_credit.isc", "scripts/window_credit.isc");
        recorder->heard_names = {"on_all_players_ready"};
        m_scripts->execute_script("scripts/window_credit.isc", root, 0);
        window = find<window_credit>("window_credit");
        ASSERT_NE(window, nullptr);
        player_info_init(player);
        std::strcpy(player.name, "\xC8\xE2\xE0\xED"); // cp1251
        player.m_account = 1000;
    }
    // A table entry of a name and a score, inserted into both tables.
    void enter(const char *name, int score)
    {
        const hiscore_entry e = score_entry(name, score);
        new hiscore_table_c(root, "Hiscore", &e);
        new history_table_c(root, "History", &e);
    }
    // "<name>:<score>" of a table's entries, in order.
    std::string table(const char *value_name)
    {
        hiscore_entry entries[SCORE_TABLE_MAX];
        int count = 0;
        if (std::string(value_name) == "Hiscore")
            new hiscore_table_c(root, value_name, SCORE_TABLE_MAX, entries, &count);
        else
            new history_table_c(root, value_name, SCORE_TABLE_MAX, entries, &count);
        std::string out;
        for (int i = 0; i < count; ++i)
            out += (i ? " " : "") + std::string(entries[i].m_name) + ":" + std::to_string(entries[i].m_score);
        return out;
    }
    std::string edit_text()
    {
        char text[16] = {};
        send("named_edit_get_text", value_c("take_edit", value_c::STRING), value_c(text), value_c(15));
        return text;
    }
    std::string score_text()
    {
        char text[32] = {};
        send("get_text", value_c("your_score", value_c::STRING), value_c(text), value_c(31));
        return text;
    }
    void show() { send("show_credit_window", value_c((void *)&player)); }

    window_credit *window = nullptr;
    player_info player;
};

TEST_F(credit_window_test, shows_the_players_money_and_ok_books_the_rest)
{
    struct case_s
    {
        const char *take;
        const char *scores; // both tables, the player's entry first
        int account;
    };
    const case_s cases[] = {
        {"0", "\xC8\xE2\xE0\xED:1000", 0},        // the edit's first text: everything booked
        {"300", "\xC8\xE2\xE0\xED:700", 300},
        {"1000", "\xC8\xE2\xE0\xED:0", 1000},
        // More than the account takes the account: no money nobody won, no negative score.
        {"1500", "\xC8\xE2\xE0\xED:0", 1000},
        {"99999999", "\xC8\xE2\xE0\xED:0", 1000},
        {"-5", "\xC8\xE2\xE0\xED:1000", 0}, // nothing below 0 (the minus area can step there)
        {"", "\xC8\xE2\xE0\xED:1000", 0},         // no number: nothing taken
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.take);
        enter("\xC8\xE2\xE0\xED", 5);
        player.m_account = 1000;
        send("named_edit_set_text", value_c("take_edit", value_c::STRING), value_c(c.take, value_c::STRING));
        show();
        EXPECT_TRUE(window->is_visible());
        EXPECT_EQ(score_text(), "1000");
        EXPECT_EQ(press("ok"), 1);
        EXPECT_EQ(take_heard(), std::vector<std::string>{"on_all_players_ready"});
        EXPECT_EQ(table("Hiscore"), c.scores);
        EXPECT_EQ(table("History"), c.scores);
        EXPECT_EQ(int(player.m_account), c.account);
        for (const char *value : {"Hiscore", "History"})
            std::filesystem::remove(registry.file(value));
    }
}

// A debt has nothing to take: the game starts with 0 and the debt is booked.
TEST_F(credit_window_test, a_player_in_debt_takes_nothing)
{
    enter("\xC8\xE2\xE0\xED", 5);
    player.m_account = -300;
    show();
    send("named_edit_set_text", value_c("take_edit", value_c::STRING), value_c("200", value_c::STRING));
    press("ok");
    EXPECT_EQ(int(player.m_account), 0);
    EXPECT_EQ(table("Hiscore"), "\xC8\xE2\xE0\xED:-300");
}

TEST_F(credit_window_test, take_edit_starts_at_zero)
{
    EXPECT_EQ(edit_text(), "0");
}

// Only the player's own entry changes; a name in neither table writes nothing.
TEST_F(credit_window_test, booking_finds_the_players_entry_by_name)
{
    enter("Anna", 900);
    enter("\xC8\xE2\xE0\xED", 100);
    enter("Boris", 50);
    show();
    send("named_edit_set_text", value_c("take_edit", value_c::STRING), value_c("200", value_c::STRING));
    press("ok");
    EXPECT_EQ(table("Hiscore"), "Anna:900 \xC8\xE2\xE0\xED:800 Boris:50");
    EXPECT_EQ(table("History"), "\xC8\xE2\xE0\xED:800 Boris:50 Anna:900");

    std::strcpy(player.name, "Vera");
    player.m_account = 70;
    show();
    EXPECT_EQ(score_text(), "70");
    press("ok");
    EXPECT_EQ(int(player.m_account), 70) << "the 200 still in the edit is more than Vera has";
    EXPECT_EQ(table("Hiscore"), "Anna:900 \xC8\xE2\xE0\xED:800 Boris:50");
    EXPECT_EQ(table("History"), "\xC8\xE2\xE0\xED:800 Boris:50 Anna:900");
}

TEST_F(credit_window_test, exit_and_ok_without_a_player_book_nothing)
{
    enter("\xC8\xE2\xE0\xED", 5);
    EXPECT_EQ(press("ok"), 1) << "no player shown yet";
    EXPECT_TRUE(take_heard().empty());
    EXPECT_EQ(table("Hiscore"), "\xC8\xE2\xE0\xED:5");

    show();
    EXPECT_EQ(press("exit"), 1);
    EXPECT_FALSE(window->is_visible());
    EXPECT_TRUE(take_heard().empty());
    EXPECT_EQ(table("Hiscore"), "\xC8\xE2\xE0\xED:5");
    EXPECT_EQ(int(player.m_account), 1000);
    EXPECT_EQ(press("yes"), 0) << "not the credit window's button";
}

} // namespace
