// The game screen on the project's screen script: the ratings it starts with, the question
// and its answers, the reactions to an answer, the voter card, the answer packet a click
// sends (to this PC's own receive loop, and from a client to its server in a private network
// namespace) and the round clock.
#include "game/game_disp.h"
#include "game/player_info.h"
#include "game/creators.h"
#include "game/prompts.h"
#include "tests/net/lab/net_lab.h"
#include "tests/ui/game_screens/game_screens_fixture.h"
#include "tests/ui/lan_server.h"
#include "ui/ui_button.h"
#include "ui/ui_edit.h"
#include "ui/ui_question_static.h"
#include "ui/ui_screen_game.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image_named.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using lines = std::vector<std::string>;

// The game as the screen asks it: the seats, the session, the active player's rating and the
// bank, the round time, and the server's questions about an answer packet.
class game_stub_c : public abstract_c
{
public:
    explicit game_stub_c(abstract_c *parent) : abstract_c(parent)
    {
        for (player_info &p : seats)
            player_info_init(p);
        session_info_init(session);
    }
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(get_player_info)) {
            std::memcpy(msg_arg(1)->get_ptr(), &seats[msg_arg(0)->get_int()], sizeof(player_info));
            return 1;
        }
        if (*message == MSG_VAR(get_session_info)) {
            std::memcpy(msg_arg(0)->get_ptr(), &session, sizeof session);
            return 1;
        }
        if (*message == MSG_VAR(get_rating_n_bank)) {
            *static_cast<int32_t *>(msg_arg(0)->get_ptr()) = rating;
            *static_cast<int32_t *>(msg_arg(1)->get_ptr()) = session.m_bank;
            return 1;
        }
        if (*message == MSG_VAR(get_round_time)) {
            if (answers_time)
                *static_cast<double *>(msg_arg(0)->get_ptr()) = round_time;
            return 1;
        }
        if (*message == MSG_VAR(is_he_active_player)) {
            judged.push_back("active? " + std::to_string(*static_cast<int32_t *>(msg_arg(0)->get_ptr())));
            *static_cast<uint8_t *>(msg_arg(1)->get_ptr()) = active ? 1 : 0;
            return 1;
        }
        if (*message == MSG_VAR(is_answer_right)) {
            judged.push_back("right? " + std::to_string(msg_arg(0)->get_int()));
            return 1;
        }
        return 0;
    }
    player_info seats[MAX_PLAYERS];
    session_info session;
    int32_t rating = 0;
    double round_time = 0.0;
    bool answers_time = true;
    bool active = true;
    lines judged;
};

// The screen's script and the fonts it names.
class game_screen_files_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        game_screens_test::SetUp();
        put("fonts/small.bmp", strip_bmp(std::vector<int>(224, 10), 12));
        put("fonts/big.bmp", strip_bmp(std::vector<int>(224, 10), 12));
        put_source("data/scripts/screen_game.isc", "scripts/screen_game.isc");
    }
};

class game_screen_test : public game_screen_files_test
{
protected:
    void SetUp() override
    {
        game_screen_files_test::SetUp();
        game = new game_stub_c(root);
        recorder->heard_names = {"show_named", "activate", "named_edit_set_text", "on_opponent_selected",
                                 "request_back"};
    }
    screen_game *open()
    {
        load("screen_game");
        screen = live_child_of_container<screen_game>();
        take_heard();
        return screen;
    }

    std::string line_of(static_text *t) { return t && t->line_count() ? t->line_text(0) : ""; }
    std::string static_named(const char *name) { return line_of(find<static_text>(name)); }
    // The question as its statics show it, line after line.
    std::string question() { return flowed("question_multi_static"); }
    // A text flowed through a group of statics, as they show it.
    std::string flowed(const char *name)
    {
        multi_static_text *q = find<multi_static_text>(name);
        if (!q)
            return std::string("no group of statics ") + name;
        std::string out;
        for (int i = 0; i < q->static_count(); ++i)
            for (int l = 0; l < q->child(i)->line_count(); ++l)
                if (q->child(i)->line_text(l)[0])
                    out += (out.empty() || out.back() == ' ' ? "" : " ") + std::string(q->child(i)->line_text(l));
        return out;
    }
    menu *answers() { return find<menu>("answer_menu"); }
    lines items()
    {
        lines out;
        for (int i = 0; i < answers()->item_count(); ++i)
            out.push_back(line_of(answers()->item(i)->text()));
        return out;
    }
    std::vector<int> hilited()
    {
        std::vector<int> out;
        for (int i = 0; i < answers()->item_count(); ++i)
            if ((answers()->item(i)->text()->text_color() & 0xFFFFFF) == 0xFFC800)
                out.push_back(i);
        return out;
    }
    int flash(const char *name) { return find<named_multistate_image>(name)->column(); }
    bool shown(const char *name) { return find<named_multistate_image>(name)->is_visible() != 0; }
    std::string edit_text(const char *name) { return find<edit>(name)->text(); }

    // As the game sends them, to the root.
    int put_question(const char *text, int count)
    {
        return send("question", value_c(text, value_c::STRING), value_c(0.2f), value_c(3), value_c(count));
    }
    int react(int item, int right, int model)
    {
        return send("react_on_answer", value_c(item), value_c(right), value_c(model));
    }
    // A left click on answer item i where the script puts it.
    void click_answer(int i)
    {
        const float x = 32.0f + (i % 2 ? 490.0f : 0.0f) + 20.0f;
        const float y = 520.0f + 104.0f + (i / 2 == 0 ? 0.0f : i / 2 == 1 ? 44.0f : 92.0f) + 10.0f;
        click(vec2(x, y));
    }

    game_stub_c *game = nullptr;
    screen_game *screen = nullptr;
};

TEST_F(game_screen_test, the_ratings_and_the_bank_come_from_the_game_when_the_screen_is_made)
{
    std::strcpy(game->seats[0].name, "\xc0\xed\xed\xe0 \xcf\xe5\xf2\xf0\xee\xe2\xe0");
    game->seats[0].m_account = 1500;
    game->seats[3].m_account = -200;
    // A record from another PC whose name fills its whole field without an end.
    std::memset(game->seats[7].name, 'x', sizeof game->seats[7].name);
    game->session.m_bank = 7300;
    ASSERT_NE(open(), nullptr);
    EXPECT_EQ(static_named("rating_static_1"), "\xc0\xed\xed\xe0 \xcf\xe5\xf2\xf0\xee\xe2\xe0 -- 1500");
    EXPECT_EQ(static_named("rating_static_2"), " -- 0");
    EXPECT_EQ(static_named("rating_static_4"), " -- -200");
    EXPECT_EQ(static_named("rating_static_8"), std::string(50, 'x') + " -- 0");
    EXPECT_EQ(static_named("bank_static"), "Bank = 7300");

    // Later changes reach the edits, not these statics.
    game->seats[0].m_account = 9;
    game->rating = 9;
    react(0, 1, 0);
    EXPECT_EQ(static_named("rating_static_1"), "\xc0\xed\xed\xe0 \xcf\xe5\xf2\xf0\xee\xe2\xe0 -- 1500");
    EXPECT_EQ(edit_text("account_edit"), "9");
    EXPECT_EQ(edit_text("bank_edit"), "7300");
}

TEST_F(game_screen_test, a_question_shows_its_first_piece_and_as_many_items_as_announced)
{
    struct case_s
    {
        const char *text;
        int count;
        const char *question;
        lines items;
    };
    const case_s cases[] = {
        {"Q_A_B_C_D", 4, "Q", {"A", "B", "C", "D", "", ""}},
        {"Q_A_B_C_D", 2, "Q", {"A", "B", "", "", "", ""}},
        {"\xca\xf2\xee?_\xc4\xe0_\xcd\xe5\xf2_3_4", 4, "\xca\xf2\xee?", {"\xc4\xe0", "\xcd\xe5\xf2", "3", "4", "", ""}},
        {"Choose_T1_T2_T3_T4_T5_T6", 6, "Choose", {"T1", "T2", "T3", "T4", "T5", "T6"}},
        {"Who chooses", 0, "Who chooses", {"", "", "", "", "", ""}},
        // A text with fewer pieces than announced fills only what it has.
        {"Q_A", 4, "Q", {"A", "", "", "", "", ""}},
        {"Q__B", 3, "Q", {"", "B", "", "", "", ""}},
    };
    ASSERT_NE(open(), nullptr);
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.text);
        send("remove_question_n_answers");
        take_heard();
        EXPECT_EQ(put_question(c.text, c.count), 0);
        EXPECT_EQ(question(), c.question);
        EXPECT_EQ(items(), c.items);
        EXPECT_EQ(take_heard(), (lines{"show_named 1 game_background", "show_named 0 selector_field",
                                       "show_named 0 big_field_for_answers"}));
        EXPECT_TRUE(shown("game_background"));
        EXPECT_FALSE(shown("selector_field"));
        EXPECT_FALSE(shown("big_field_for_answers"));
    }
}

TEST_F(game_screen_test, the_longest_prompts_are_shown_whole_between_the_ratings_and_the_clock)
{
    recorder->hints = 1;
    ASSERT_NE(open(), nullptr);
    const std::string name = default_human_name(0);
    const std::string prompts[] = {
        intro_text(5, "\xcb\xfe\xe1\xe0\xe2\xe0 \xc7\xe0\xf0\xe5\xf7\xed\xe0\xff", nullptr),
        question_prompt(3, true, name.c_str(), "\xc3\xe5\xee\xe3\xf0\xe0\xf4\xe8\xff", 2),
        vote_prompt(name.c_str()),
    };
    for (const std::string &prompt : prompts) {
        send("set_hint", value_c(prompt.c_str(), value_c::STRING));
        EXPECT_EQ(flowed("hint_line"), prompt);
    }
}

TEST_F(game_screen_test, an_answer_flashes_lights_the_answerers_lamp_and_shows_the_new_account)
{
    struct case_s
    {
        int item, right, model;
        const char *lamp;
        int right_flash, wrong_flash;
    };
    const case_s cases[] = {
        {2, 1, 0, "lamp_green0_relay", 1, 0},
        {1, 0, 3, "lamp_red3_relay", 0, 1},
        {3, 7, 7, "lamp_green7_relay", 1, 0},
    };
    ASSERT_NE(open(), nullptr);
    game->session.m_bank = 400;
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.lamp);
        send("remove_question_n_answers");
        put_question("Q_A_B_C_D", 4);
        game->rating = 100 * c.model - 50;
        take_heard();
        EXPECT_EQ(react(c.item, c.right, c.model), 0);
        const std::string rating = std::to_string(100 * c.model - 50);
        EXPECT_EQ(take_heard(), (lines{std::string("activate ") + c.lamp + " 1", "named_edit_set_text account_edit " + rating,
                                       "named_edit_set_text bank_edit 400"}));
        EXPECT_EQ(flash("right_flash"), c.right_flash);
        EXPECT_EQ(flash("wrong_flash"), c.wrong_flash);
        EXPECT_EQ(hilited(), std::vector<int>{c.item});
        EXPECT_EQ(edit_text("account_edit"), rating);
        EXPECT_EQ(items(), (lines{"A", "B", "C", "D", "", ""})) << "the answers stay to be seen";
    }

    // The next question's clearing puts everything back.
    EXPECT_EQ(send("remove_question_n_answers"), 1);
    EXPECT_EQ(flash("right_flash"), 0);
    EXPECT_EQ(flash("wrong_flash"), 0);
    EXPECT_TRUE(hilited().empty());
    EXPECT_EQ(items(), lines(6, ""));
    EXPECT_EQ(question(), "");
}

TEST_F(game_screen_test, a_computer_players_question_shows_the_text_alone_and_offers_nothing_to_click)
{
    ASSERT_NE(open(), nullptr);
    put_question("Q_A_B_C_D", 4);
    react(0, 1, 2);
    take_heard();
    EXPECT_EQ(send("simulate_question", value_c("\xc2\xee\xef\xf0\xee\xf1", value_c::STRING), value_c(0.2f),
                   value_c(2)),
              0);
    EXPECT_EQ(question(), "\xc2\xee\xef\xf0\xee\xf1");
    EXPECT_EQ(items(), lines(6, ""));
    EXPECT_EQ(flash("right_flash"), 0);
    EXPECT_EQ(flash("wrong_flash"), 0);
    EXPECT_TRUE(take_heard().empty()) << "the panels stay as they were";
}

TEST_F(game_screen_test, the_round_start_hides_the_panels_and_the_opponent_button_goes_to_the_picker)
{
    ASSERT_NE(open(), nullptr);
    EXPECT_FALSE(shown("game_background")) << "nothing is asked before the first question";
    EXPECT_FALSE(shown("selector_field"));
    put_question("Q_A_B_C_D", 4);
    send("show_named", value_c(1), value_c("selector_field", value_c::STRING));
    take_heard();
    EXPECT_EQ(send("on_round_started", value_c(2), value_c(180.0f)), 0);
    EXPECT_EQ(take_heard(), (lines{"show_named 0 game_background", "show_named 0 selector_field"}));
    EXPECT_FALSE(shown("game_background"));

    send("show_named", value_c(1), value_c("selector_field", value_c::STRING));
    take_heard();
    ASSERT_NE(find<text_button>("select_opponent"), nullptr);
    for (const char *other : {"vote_against", "Select_opponent", ""})
        EXPECT_EQ(send("butt_pressed", value_c(other, value_c::STRING)), 0) << other;
    EXPECT_EQ(send("butt_pressed", value_c("select_opponent", value_c::STRING)), 1);
    EXPECT_EQ(take_heard(), lines{"on_opponent_selected"});
}

TEST_F(game_screen_test, the_voter_card_shows_the_rounds_intellect_and_pulse_and_the_scripts_texts)
{
    ASSERT_NE(open(), nullptr);
    player_info p;
    player_info_init(p);
    std::strcpy(p.name, "\xc8\xe2\xe0\xed \xc8\xe2\xe0\xed\xee\xe2");
    p.age = 33;
    p.character = 0;
    p.health = 2;
    p.job = 7;
    p.hobby = 3;
    p.intellect = 10;
    p.m_cur_intellect = 80;
    p.pulse = 11;
    p.m_cur_pulse = 95;
    p.m_account = -700;
    p.m_right_nmb = 4;
    p.m_wrong_nmb = 2;
    EXPECT_EQ(send("update_voter_info", MSG_ARG((void *)&p), value_c("\xcf\xe5\xf2\xf0", value_c::STRING)), 0);
    const char *const card[] = {"player_name_edit", "character_edit", "health_edit", "job_edit",
                                "hobby_edit", "voted_against_edit", "age_edit", "intellect_edit",
                                "pulse_edit", "selector_rating_edit", "right_answers_edit", "wrong_answers_edit"};
    lines shown_card;
    for (const char *e : card)
        shown_card.push_back(edit_text(e));
    // Character 0 reads "character1", hobby 3 "hobby4".
    EXPECT_EQ(shown_card, (lines{"\xc8\xe2\xe0\xed \xc8\xe2\xe0\xed\xee\xe2", screen->attribute("character1")->get_const_pchar(),
                                 screen->attribute("health3")->get_const_pchar(),
                                 screen->attribute("job8")->get_const_pchar(),
                                 screen->attribute("hobby4")->get_const_pchar(), "\xcf\xe5\xf2\xf0", "33", "80", "95",
                                 "-700", "4", "2"}));
    EXPECT_EQ(edit_text("account_edit"), "") << "the active player's account is another edit";

    // Every value the players' descriptions use has its text.
    for (int v = 0; v < 8; ++v) {
        p.character = v % 4;
        p.health = v % 3;
        p.job = p.hobby = v;
        send("update_voter_info", MSG_ARG((void *)&p), value_c("", value_c::STRING));
        for (const char *e : {"character_edit", "health_edit", "job_edit", "hobby_edit"})
            EXPECT_NE(edit_text(e), "") << e << " " << v;
    }
    // A code the script has no text for, as another PC may send it, leaves only its field empty.
    p.job = 8;
    EXPECT_EQ(send("update_voter_info", MSG_ARG((void *)&p), value_c("", value_c::STRING)), 0);
    EXPECT_EQ(edit_text("job_edit"), "");
    EXPECT_EQ(edit_text("hobby_edit"), screen->attribute("hobby8")->get_const_pchar());

    send("reset_voter_info");
    for (const char *e : card)
        EXPECT_EQ(edit_text(e), "") << e;
}

TEST_F(game_screen_test, esc_asks_to_go_back_statistics_are_taken_and_the_round_end_removes_the_screen)
{
    ASSERT_NE(open(), nullptr);
    struct case_s
    {
        int character;
        lines heard;
    };
    for (const case_s &c : {case_s{25, {"request_back"}}, case_s{26, {}}, case_s{0x1B, {}}, case_s{0x0D, {}}}) {
        SCOPED_TRACE(c.character);
        send("char", value_c(c.character), value_c(0), value_c(0));
        EXPECT_EQ(take_heard(), c.heard);
    }
    put_question("Q_A_B_C_D", 4);
    EXPECT_EQ(send("update_round_statistics"), 1);
    EXPECT_EQ(items(), (lines{"A", "B", "C", "D", "", ""}));
    EXPECT_TRUE(screen->alive());

    EXPECT_EQ(send("round_is_over"), 1);
    EXPECT_EQ(live_child_of_container<screen_game>(), nullptr);
}

TEST_F(game_screen_test, a_click_on_an_answer_is_judged_once_by_this_pcs_receive_loop)
{
    // No session: this PC is its own server and hands the packet to its receive loop.
    ASSERT_NE(open(), nullptr);
    const int32_t own = int32_t(get_net_manager()->short_address());
    put_question("Q_A_B_C_D", 4);
    click_answer(2);
    EXPECT_EQ(game->judged, (lines{"active? " + std::to_string(own), "right? 2"}));
    click_answer(1);
    EXPECT_EQ(game->judged.size(), 2u) << "the menu reports one click per question";

    // Another menu's click sends nothing; a computer player's question has nothing to click.
    game->judged.clear();
    EXPECT_EQ(send("menu_clicked", value_c("available_hosts_menu", value_c::STRING), value_c(1)), 0);
    send("remove_question_n_answers");
    send("simulate_question", value_c("Q", value_c::STRING), value_c(0.2f), value_c(1));
    click_answer(0);
    EXPECT_TRUE(game->judged.empty());

    // The server refuses a click from a PC whose player does not answer.
    game->active = false;
    send("remove_question_n_answers");
    put_question("Q_A_B_C_D", 4);
    click_answer(3);
    EXPECT_EQ(game->judged, lines{"active? " + std::to_string(own)});
}

TEST_F(game_screen_test, the_round_clock_counts_down_in_whole_seconds_and_stops_at_zero)
{
    ASSERT_NE(open(), nullptr);
    round_clock *clock = find<round_clock>("round_clock");
    ASSERT_NE(clock, nullptr);
    // The text is what counts here (the display test draws it): hidden, the clock reads the
    // time on every render without drawing; the other texts are not drawn on this device.
    clock->set_visible(0);
    auto render = [&]() { clock->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END); };
    game->round_time = -1.0; // the session before a round
    render();
    EXPECT_EQ(line_of(clock), "00:00") << "the script's text stays";
    EXPECT_DOUBLE_EQ(clock->last_shown(), -1.0);
    struct step_s
    {
        double time;
        const char *shown;
        double last;
    };
    const step_s steps[] = {
        {180.0, "03:00", 180.0}, {179.95, "02:59", 179.95}, {179.2, "02:59", 179.95}, {178.0, "02:58", 178.0},
        {75.9, "01:15", 75.9},   {75.1, "01:15", 75.9},     {0.9, "00:00", 0.9},      {0.3, "00:00", 0.9},
        {-0.4, "00:00", 0.9},    {-1.2, "00:00", -1.2},     {-75.0, "00:00", -75.0},
    };
    for (const step_s &s : steps) {
        SCOPED_TRACE(s.time);
        game->round_time = s.time;
        render();
        EXPECT_EQ(line_of(clock), s.shown);
        EXPECT_DOUBLE_EQ(clock->last_shown(), s.last) << "the text changes only with the whole second";
    }
    // Nobody answering the question reads 0.0.
    game->answers_time = false;
    render();
    EXPECT_EQ(line_of(clock), "00:00");
    EXPECT_DOUBLE_EQ(clock->last_shown(), 0.0);
}

// The game's own dispatcher keeps the round time: it runs down only while a human answers.
class game_screen_round_test : public game_screen_files_test
{
protected:
    void SetUp() override
    {
        game_screen_files_test::SetUp();
        static const bool registered = (game_register_creators(), true);
        (void)registered;
        // The game's own computer players seat the dispatcher.
        put_source("data/scripts/players.isc", "scripts/players.isc");
        m_scripts->execute_script("scripts/players.isc", root, 0);
        if (dispatcher_first) {
            // The program's order: the dispatcher before the user interface.
            container->shutdown_tree();
            root->collect_dead_children();
        }
        disp = new game_disp(root, nullptr);
        if (dispatcher_first)
            container = create_object("ui_container", root, nullptr);
        load("screen_game");
        clock = find<round_clock>("round_clock");
        // Hidden, the clock reads the time without drawing (the display test draws it).
        if (clock)
            clock->set_visible(0);
    }
    // The session as another PC's server would send it, with this answer state and time.
    void set_session(int32_t answer_state, double round_time)
    {
        session_info s = disp->session();
        s.m_answer_state = answer_state;
        s.m_round_time = round_time;
        send("set_session_info", MSG_ARG((void *)&s));
    }
    // A tick of `elapsed` seconds, then a frame.
    std::string after(double elapsed)
    {
        now += elapsed;
        tick_by(now, elapsed);
        clock->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
        return clock->line_count() ? clock->line_text(0) : "";
    }

    game_disp *disp = nullptr;
    round_clock *clock = nullptr;
    double now = 1.0;
    bool dispatcher_first = false;
};

// The dispatcher older than the screens, as the program's start-up script makes them: a
// broadcast reaches the dispatcher before the screen.
class game_screen_program_order_test : public game_screen_round_test
{
protected:
    game_screen_program_order_test() { dispatcher_first = true; }
};

TEST_F(game_screen_round_test, the_clock_runs_down_while_a_human_answers_and_stands_at_zero_after)
{
    ASSERT_NE(clock, nullptr);
    set_session(0, 2.5);
    const struct
    {
        double elapsed;
        const char *shown;
    } running[] = {{0.0, "00:02"}, {0.6, "00:01"}, {1.0, "00:00"}, {1.0, "00:00"}, {5.0, "00:00"}};
    for (const auto &step : running)
        EXPECT_EQ(after(step.elapsed), step.shown) << "at " << now;
    const double left = disp->session().m_round_time; // a copy: the record is packed
    EXPECT_LT(left, 0.0) << "the game's time runs on below zero";

    // Once an answer has arrived (or while a computer player answers) the time stands.
    for (int32_t state : {4, 1}) {
        set_session(state, 75.5);
        EXPECT_EQ(after(0.0), "01:15");
        EXPECT_EQ(after(30.0), "01:15") << "state " << state;
        const double kept = disp->session().m_round_time;
        EXPECT_DOUBLE_EQ(kept, 75.5);
    }
}

TEST_F(game_screen_program_order_test, a_choice_shows_its_panels_over_those_the_screen_hides_for_every_question)
{
    // The screen takes each question after the dispatcher and hides the big answer field and
    // the opponent selector; the next frame shows what the step needs.
    const struct
    {
        int32_t round;
        int items;
        bool field, big_field, selector;
    } cases[] = {
        {3, 6, false, true, false}, // a topic choice: six topics
        {3, 4, true, false, false}, // the question from the chosen topic
        {4, 6, false, true, false},
        {6, 0, false, false, true}, // this PC's human chooses an opponent
        {6, 4, true, false, false},
        {5, 0, false, false, true},
    };
    for (const auto &c : cases) {
        session_info s = disp->session();
        s.m_round = c.round;
        send("set_session_info", MSG_ARG((void *)&s));
        send("question", value_c("Q_A_B_C_D_E_F", value_c::STRING), value_c(0.2f), value_c(0), value_c(c.items));
        disp->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
        auto shown = [&](const char *name) { return find<named_multistate_image>(name)->is_visible() != 0; };
        // Round 5 leaves the answer field as it was.
        if (c.round != 5) {
            EXPECT_EQ(shown("field_for_answers"), c.field) << "round " << c.round << ", " << c.items << " items";
        }
        EXPECT_EQ(shown("big_field_for_answers"), c.big_field) << "round " << c.round << ", " << c.items << " items";
        EXPECT_EQ(shown("selector_field"), c.selector) << "round " << c.round << ", " << c.items << " items";
    }
}

TEST(round_clock_text, minutes_and_seconds_of_the_truncated_time)
{
    struct case_s
    {
        double seconds;
        const char *text;
    };
    const case_s cases[] = {
        {0.0, "00:00"},
        {0.9, "00:00"},
        {9.99, "00:09"},
        {75.9, "01:15"},
        {600.0, "10:00"},
        {5999.5, "99:59"},
        {6000.0, "100:00"},
        {-0.5, "00:00"},
        {-3600.0, "00:00"},
        {std::numeric_limits<double>::quiet_NaN(), "00:00"},
        {std::numeric_limits<double>::infinity(), "35791394:07"},
        {3.4e38, "35791394:07"},
    };
    for (const case_s &c : cases)
        EXPECT_EQ(round_clock_text(c.seconds), c.text) << c.seconds;
}

// A client PC: the answer goes to the server as its 16 bytes.
class game_screen_client_test : public game_screen_test
{
protected:
    void SetUp() override
    {
        const std::string why = net_lab::enter_private_network();
        game_screen_test::SetUp();
        if (!why.empty())
            NET_LAB_SKIP(why);
    }
};

TEST_F(game_screen_client_test, an_answer_click_sends_the_item_and_this_pcs_address_to_the_server_once)
{
    net_manager *manager = get_net_manager();
    manager->set_announce_address("127.0.0.99");
    start_net_client("player");
    lan_server_s server(2);
    server.announce("quiz");
    tick_by(1.0, 0.01);
    ASSERT_TRUE(connect_to_host(0));
    ASSERT_EQ(server.received_types(), std::vector<int>{NP_JOIN_REQUEST});
    server.seat(manager);
    tick_by(1.1, 0.01);
    ASSERT_EQ(manager->status(), NET_STATUS_CLIENT);

    ASSERT_NE(open(), nullptr);
    put_question("Q_A_B_C_D", 4);
    click_answer(2);
    click_answer(0);
    send("menu_clicked", value_c("other_menu", value_c::STRING), value_c(3));
    const std::vector<bytes_t> sent = server.received();
    ASSERT_EQ(sent.size(), 1u);
    bytes_t expected(16, 0);
    ::put(expected, 0, int32_t(16));
    ::put(expected, 4, int32_t(NP_ANSWER));
    ::put(expected, 8, int32_t(2));
    ::put(expected, 12, int32_t(manager->short_address()));
    EXPECT_EQ(sent[0], expected);

    // The next question opens the menu again.
    send("remove_question_n_answers");
    put_question("Q_A_B_C_D", 4);
    click_answer(3);
    const std::vector<bytes_t> next = server.received();
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0][8], 3);
}

} // namespace
