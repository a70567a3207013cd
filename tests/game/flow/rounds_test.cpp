// A game on one PC, round by round: the start, the round starts and introductions, the steps,
// the round ends and the answers as every PC sees them.
#include "tests/game/flow/flow_fixture.h"

#include "basics/console_log.h"

#include <cstdlib>
#include <cstring>
#include <map>

namespace {

using strings = std::vector<std::string>;

// The model number a question or simulate_question message was heard with.
int heard_model(const std::string &entry)
{
    const std::string mark = "FLOAT:0.2,INT:";
    const size_t at = entry.rfind(mark);
    return at == std::string::npos ? -1 : std::atoi(entry.c_str() + at + mark.size());
}

// The show_named messages of the dispatcher (the receive loop sends its own as PCHAR).
strings own_show_named(const strings &all)
{
    strings own;
    for (const std::string &e : all)
        if (e.find("STRING:") != std::string::npos)
            own.push_back(e);
    return own;
}

TEST_F(flow_test, the_last_ready_switch_starts_round_one_and_its_first_question_follows_the_introduction)
{
    for (int slot = 1; slot < MAX_PLAYERS; ++slot)
        disp->seat(slot).m_not_ready = 0;
    apply(change(0, own_address(), CHANGE_READY));
    EXPECT_EQ(heard("on_round_started"), strings{"on_round_started(INT:1,FLOAT:180)"});
    EXPECT_EQ(heard("set_screen_loading"), strings{"set_screen_loading(STRING:round1,STRING:studio)"});
    EXPECT_EQ(disp->session().m_round, 1);
    EXPECT_DOUBLE_EQ(round_time(), 180.0);
    EXPECT_EQ(disp->m_chooser_slot, 6);
    EXPECT_EQ(disp->m_answerer_slot, 0);
    EXPECT_EQ(disp->session().m_active_slot, -1);
    EXPECT_EQ(disp->m_step, 0);
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        EXPECT_EQ(+disp->seat(slot).m_cur_intellect, +disp->seat(slot).intellect) << "round-start update";
        EXPECT_EQ(+disp->seat(slot).m_vote_target, -1);
    }
    listener->take();

    run(0.25);
    EXPECT_EQ(heard("set_hint"), strings{"set_hint(PCHAR:)"}) << "round 1 has no introduction text";
    EXPECT_EQ(children_of<send_question_timer_c>(disp), 1);
    EXPECT_FALSE(run_until([&] { return count_heard("question(") > 0; }, 19.0)) << "20 s of introduction";
    ASSERT_TRUE(run_until([&] { return count_heard("question(") > 0; }, 2.0));
    const strings questions = heard("question(");
    EXPECT_EQ(heard_model(questions[0]), 0) << "the human seat 0 answers first";
    EXPECT_NE(questions[0].find(",INT:4)"), std::string::npos) << questions[0];
    EXPECT_EQ(disp->m_step, 1);
    EXPECT_EQ(disp->session().m_active_slot, 0);
    EXPECT_EQ(disp->session().m_answer_state, 0);
    EXPECT_GE(disp->session().m_right_answer, 0);
    EXPECT_LT(disp->session().m_right_answer, 4);

    // The round clock runs while the human thinks and stops at the answer.
    EXPECT_DOUBLE_EQ(round_time(), 180.0) << "the question keeps the round's time";
    run(1.0);
    EXPECT_NEAR(round_time(), 179.0, 1e-4);
    pc_stand_c::send_answer(disp->session().m_right_answer);
    EXPECT_EQ(disp->session().m_answer_state, 4);
    const double stopped = round_time();
    EXPECT_EQ(+disp->seat(0).m_account, 25);
    run(2.0);
    EXPECT_EQ(round_time(), stopped) << "a computer player's question does not run the clock";
}

TEST_F(flow_test, the_start_button_starts_a_game_whose_human_never_switched_to_ready)
{
    // The set-up screen's "start_game" sends on_all_players_ready whatever the ready switches say.
    for (int slot = 1; slot < MAX_PLAYERS; ++slot)
        disp->seat(slot).m_not_ready = 0;
    ASSERT_EQ(+disp->seat(0).m_is_man, 1);
    ASSERT_EQ(+disp->seat(0).m_not_ready, 1);
    send("on_all_players_ready");
    EXPECT_EQ(heard("on_round_started"), strings{"on_round_started(INT:1,FLOAT:180)"});
    EXPECT_EQ(+disp->seat(0).m_not_ready, 0);
    ASSERT_TRUE(run_until([&] { return count_heard("question(") > 0; }, 25.0))
        << "the round goes on after its introduction";
    EXPECT_EQ(heard_model(heard("question(")[0]), 0);
}

TEST_F(flow_test, round_one_puts_three_questions_to_each_of_eight_players_then_the_lowest_account_leaves)
{
    all_seats_ready();
    stand->answer = [&](const pc_stand_c::question_s &) { return (int)(disp->session().m_right_answer + 1) % 4; };
    send("on_all_players_ready");
    ASSERT_TRUE(run_until([&] { return count_heard("mark_excluded_player") > 0; }, 300.0));
    std::map<int, int> per_model;
    for (const std::string &e : heard("question("))
        ++per_model[heard_model(e)];
    for (const std::string &e : heard("simulate_question("))
        ++per_model[heard_model(e)];
    EXPECT_EQ(per_model, (std::map<int, int>{{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {7, 3}}));
    EXPECT_EQ(disp->m_step, 24);
    int wrong = 0;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        EXPECT_EQ(disp->seat(slot).m_right_nmb + disp->seat(slot).m_wrong_nmb, 3) << slot;
        wrong += disp->seat(slot).m_wrong_nmb;
    }
    EXPECT_EQ(+disp->seat(0).m_account, 0) << "the human answered wrong";
    EXPECT_EQ(disp->session().m_bank, 25 * wrong);
    int lowest = 0;
    for (int slot = 1; slot < MAX_PLAYERS; ++slot)
        if (disp->seat(slot).m_account < disp->seat(lowest).m_account)
            lowest = slot;
    EXPECT_EQ(heard("mark_excluded_player"), strings{"mark_excluded_player(INT:" + std::to_string(lowest) + ")"});
    EXPECT_EQ(+disp->seat(lowest).m_in_game, 0);
    EXPECT_EQ(+disp->seat(lowest).m_excluded_round, 1);
    EXPECT_EQ(children_of<next_round_timer_c>(disp), 1);

    listener->take();
    EXPECT_FALSE(run_until([&] { return count_heard("on_round_started") > 0; }, 7.5));
    EXPECT_EQ(count_heard("question(") + count_heard("simulate_question("), 0) << "no 25th question";
    ASSERT_TRUE(run_until([&] { return count_heard("on_round_started") > 0; }, 1.0));
    EXPECT_EQ(heard("on_round_started"), strings{"on_round_started(INT:2,FLOAT:180)"});
}

TEST_F(flow_test, round_three_puts_a_topic_choice_first_then_a_question_from_the_chosen_topic)
{
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        disp->seat(slot).m_account = slot == 0 ? 500 : 100 + slot;
    stand->answer = [&](const pc_stand_c::question_s &q) {
        return q.items == OFFERED_TOPICS ? 2 : (int)disp->session().m_right_answer;
    };
    start_round(3, {0, 1, 2, 3, 4, 5});
    ASSERT_TRUE(run_until([&] { return count_heard("question(") > 0; }, 30.0));
    EXPECT_EQ(disp->m_step, 1);
    EXPECT_EQ(disp->m_step_kind, game_disp::STEP_TOPIC_CHOICE);
    const std::string name = disp->seat(0).name;
    std::string menu = topic_choice_prompt(3, true, name.c_str(), name.c_str());
    for (int i = 0; i < OFFERED_TOPICS; ++i)
        menu += std::string("_") + disp->m_topics.title(disp->m_offered_topics[i]);
    ASSERT_EQ(stand->asked.size(), 1u);
    EXPECT_EQ(stand->asked[0].menu, menu);
    EXPECT_EQ(stand->asked[0].model_nmb, 0);
    EXPECT_EQ(stand->asked[0].items, OFFERED_TOPICS);
    EXPECT_EQ(disp->session().m_right_answer, -1);
    EXPECT_EQ(own_show_named(heard("show_named")),
              (strings{"show_named(INT:0,STRING:right_flash)", "show_named(INT:0,STRING:wrong_flash)",
                       "show_named(INT:0,STRING:field_for_answers)", "show_named(INT:1,STRING:big_field_for_answers)"}));
    const int32_t account = disp->seat(0).m_account;
    listener->take();

    ASSERT_TRUE(run_until([&] { return count_heard("question(") > 0; }, 10.0));
    EXPECT_EQ(disp->m_chosen_topic, 2);
    EXPECT_EQ(+disp->seat(0).m_account, account) << "a choice scores nothing";
    EXPECT_EQ(disp->m_step, 2);
    EXPECT_EQ(disp->m_step_kind, game_disp::STEP_QUESTION);
    const int topic = disp->m_offered_topics[2];
    EXPECT_EQ(heard("set_hint"), strings{"set_hint(PCHAR:" +
                                         question_prompt(3, true, name.c_str(), disp->m_topics.title(topic), 2) + ")"});
    ASSERT_EQ(stand->asked.size(), 2u);
    const std::string asked = stand->asked[1].menu;
    bool from_topic = false;
    for (int i = 0; i < disp->m_topics.question_count(topic); ++i) {
        const question_desc &q = disp->m_topics.question(topic, i);
        const std::string whole = std::string(q.m_question) + "_" + q.m_answers[0] + "_" + q.m_answers[1] + "_" +
                                  q.m_answers[2] + "_" + q.m_answers[3];
        from_topic = from_topic || (q.m_used && asked == whole);
    }
    EXPECT_TRUE(from_topic) << asked;
    EXPECT_EQ(stand->asked[1].items, 4);
    EXPECT_EQ(own_show_named(heard("show_named")),
              (strings{"show_named(INT:1,STRING:right_flash)", "show_named(INT:1,STRING:wrong_flash)",
                       "show_named(INT:1,STRING:field_for_answers)", "show_named(INT:0,STRING:big_field_for_answers)"}));
    run(0.5);
    EXPECT_EQ(+disp->seat(0).m_account, account + 100) << "the question is scored";
}

TEST_F(flow_test, a_computer_players_question_has_no_answers_and_its_answer_is_0_when_right_and_1_when_wrong)
{
    disp->session().m_active_slot = 0;
    start_round(1, {0, 1, 2, 3, 4, 5, 6, 7});
    ASSERT_TRUE(run_until([&] { return count_heard("react_on_answer") == 7; }, 120.0));
    const strings hints = heard("set_additional_hint(PCHAR:");
    ASSERT_EQ(hints.size(), 7u);
    for (const std::string &h : hints) {
        EXPECT_EQ(h.find('_', 26), std::string::npos) << "the question alone: " << h;
        EXPECT_GT(h.size(), std::string("set_additional_hint(PCHAR:)").size());
    }
    const strings reactions = heard("react_on_answer");
    for (int slot = 1; slot <= 7; ++slot) {
        const bool right = disp->seat(slot).m_right_nmb == 1;
        EXPECT_EQ(disp->seat(slot).m_right_nmb + disp->seat(slot).m_wrong_nmb, 1);
        EXPECT_EQ(reactions[slot - 1], "react_on_answer(INT:" + std::string(right ? "0,INT:1" : "1,INT:0") +
                                           ",INT:" + std::to_string(slot) + ")");
        EXPECT_EQ(+disp->seat(slot).m_account, right ? 25 : 0) << slot;
    }
}

TEST_F(flow_test, each_round_start_loads_its_location_and_sets_up_its_players)
{
    const struct
    {
        int round;
        const char *loading;
    } rows[] = {
        {1, "set_screen_loading(STRING:round1,STRING:studio)"},
        {2, "set_screen_loading(STRING:round2,STRING:studio2)"},
        {3, "set_screen_loading(STRING:round3,STRING:studio3)"},
        {4, "set_screen_loading(STRING:round4,STRING:studio4)"},
        {5, "set_screen_loading(STRING:round5,STRING:studio5)"},
        {6, "set_screen_loading(STRING:round6,STRING:studio6)"},
        {7, "set_final_screen_loading(STRING:round7,STRING:final_studio)"},
        {8, "set_final_screen_loading(STRING:round8,STRING:final_studio)"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.round);
        keep_in_game({0, 2, 5});
        disp->seat(3).m_excluded_round = 1;
        disp->seat(6).m_excluded_round = 2;
        for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
            disp->seat(slot).m_final_right_nmb = 3;
            disp->seat(slot).m_right_nmb = 4;
            disp->seat(slot).m_wrong_nmb = 1;
        }
        listener->take();
        EXPECT_EQ(root->message(MSG_VAR(on_round_started), 0, nullptr, MSG_ARG(row.round), MSG_ARG(150.0f),
                                MSG_ARGS_END),
                  0)
            << "the screens take it too";
        EXPECT_EQ(heard("set_"), strings{row.loading});
        EXPECT_EQ(disp->session().m_round, row.round);
        EXPECT_DOUBLE_EQ(round_time(), 150.0);
        const bool final = row.round >= 7;
        EXPECT_EQ(+disp->seat(3).m_in_game, row.round == 8 ? 1 : 0) << "round 1's leaver returns to the super-final";
        EXPECT_EQ(+disp->seat(6).m_in_game, 0);
        for (int slot : {0, 2, 5}) {
            EXPECT_EQ(+disp->seat(slot).m_final_right_nmb, final ? 0 : 3);
            EXPECT_EQ(disp->seat(slot).m_right_nmb + disp->seat(slot).m_wrong_nmb, 0);
        }
        EXPECT_EQ(+disp->seat(6).m_final_right_nmb, 3) << "a seat out of the game keeps its counts";
        EXPECT_EQ(+disp->seat(6).m_right_nmb, 4);
    }
}

TEST_F(flow_test, a_loaded_location_introduces_the_round_and_its_first_players)
{
    const int32_t accounts[MAX_PLAYERS] = {300, -50, 700, 10, 700, 200, -50, 0};
    const struct
    {
        int round;
        int active, answerer, chooser; // -9: not set by the round
        int intro_first, intro_second;  // slots named in the introduction, -1 none
        const char *object;
    } rows[] = {
        {1, -9, -9, -9, -1, -1, "start_relay"},  {2, 1, -9, -9, 2, -1, "start_relay"},
        {3, 1, -9, -9, 2, -1, "start_relay"},    {4, -9, 2, 1, 2, 1, "start_relay"},
        {5, -9, -9, 2, 2, -1, "start_relay"},    {6, -9, -9, 1, 1, -1, "start_relay"},
        {7, 0, -9, -9, -1, -1, "path_mover0"},   {8, 0, -9, -9, -1, -1, "path_mover0"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.round);
        all_seats_ready();
        for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
            disp->seat(slot).m_in_game = 1;
            disp->seat(slot).m_account = accounts[slot];
        }
        disp->session().m_round = row.round;
        disp->session().m_active_slot = -9;
        disp->m_answerer_slot = disp->m_chooser_slot = -9;
        disp->m_step = 5;
        listener->take();
        EXPECT_EQ(send("location_loaded"), 1);
        EXPECT_EQ(disp->m_step, 0);
        EXPECT_EQ(disp->m_topics.topic_nmb(), topic_table_c::files_of_round(row.round));
        EXPECT_EQ(disp->session().m_active_slot, row.active);
        EXPECT_EQ(disp->m_answerer_slot, row.answerer);
        EXPECT_EQ(disp->m_chooser_slot, row.chooser);
        auto name = [&](int slot) { return slot < 0 ? std::string() : std::string(disp->seat(slot).name); };
        EXPECT_EQ(heard("set_hint"),
                  strings{"set_hint(PCHAR:" +
                          intro_text(row.round, name(row.intro_first).c_str(), name(row.intro_second).c_str())
                              .substr(0, 127) +
                          ")"});
        run(0.25);
        EXPECT_EQ(heard("activate("), strings{"activate(STRING:" + std::string(row.object) + ",INT:1)"});
        EXPECT_EQ(children_of<send_question_timer_c>(disp), 1);
        for (abstract_c *c = disp->first_child(); c; c = c->next_sibling())
            c->shutdown_tree();
        root->collect_dead_children();
    }
}

TEST_F(flow_test, a_round_start_without_a_human_in_the_game_ends_the_game_at_once)
{
    start_round(4, {1, 2, 3, 4, 5});
    EXPECT_EQ(+disp->m_no_man_left, 1);
    EXPECT_EQ(heard("on_round_started"), strings{"on_round_started(INT:4,FLOAT:180)"});
    EXPECT_EQ(heard("set_"), strings{}) << "no location";
    EXPECT_EQ(heard("free_location"), strings{"free_location()"});
    EXPECT_EQ(heard("load_screen"), strings{"load_screen(STRING:screen_command)"});
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        EXPECT_EQ(+disp->seat(slot).m_in_game, 1);
        EXPECT_EQ(+disp->seat(slot).m_account, 0);
    }
    EXPECT_EQ(+disp->seat(0).m_not_ready, 1);
    EXPECT_EQ(disp->session().m_bank, 0);
    const std::vector<hiscore_entry> history = stored_table(root.get(), false);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_STREQ(history[0].m_name, disp->seat(0).name);
    EXPECT_EQ(history[0].m_score, 0);
    listener->take();
    send("location_loaded");
    run(25.0);
    EXPECT_EQ(heard("set_hint"), strings{}) << "nothing more is played";
}

TEST_F(flow_test, a_whole_game_runs_from_the_ready_players_through_seven_rounds_to_the_winners_hiscore)
{
    // Computer players who hardly ever answer right and vote against the poorest; the human at
    // this PC answers right, takes the first topic, confirms the opponent and the vote offered.
    all_seats_ready();
    for (int slot = 1; slot < MAX_PLAYERS; ++slot) {
        disp->seat(slot).intellect = 0;
        disp->seat(slot).character = 1;
    }
    stand->vote = true;
    stand->answer = [&](const pc_stand_c::question_s &q) {
        if (q.items == 0) {
            root->message(MSG_VAR(on_opponent_selected), 0, nullptr, MSG_ARGS_END);
            return -1;
        }
        return q.items == OFFERED_TOPICS ? 0 : (int)disp->session().m_right_answer;
    };
    std::vector<std::pair<int, int>> ends; // round, step counter at each announcement
    listener->on_heard = [&](const std::string &name) {
        if (name == "mark_excluded_player")
            ends.push_back({disp->session().m_round, disp->m_step});
    };
    send("on_all_players_ready");
    ASSERT_TRUE(run_until([&] { return count_heard("on_game_stopped") > 0; }, 3000.0))
        << heard("on_round_started").size() << " rounds started, step " << disp->m_step << " kind "
        << disp->m_step_kind << " state " << disp->session().m_answer_state << " active "
        << disp->session().m_active_slot << " ends " << ends.size() << " last " << listener->heard.back();

    strings rounds;
    for (int r = 1; r <= 7; ++r)
        rounds.push_back("on_round_started(INT:" + std::to_string(r) + ",FLOAT:180)");
    EXPECT_EQ(heard("on_round_started"), rounds);
    ASSERT_EQ(ends.size(), 7u);
    const std::vector<std::pair<int, int>> planned = {{1, 24}, {2, 21}, {3, 36}, {4, 20}, {5, 16}, {6, 6}};
    EXPECT_EQ((std::vector<std::pair<int, int>>(ends.begin(), ends.begin() + 6)), planned);
    EXPECT_EQ(ends[6].first, 7);
    EXPECT_EQ(heard("mark_excluded_player").back(), "mark_excluded_player(INT:0)") << "the human wins the final";
    EXPECT_EQ(heard("on_game_stopped"), strings{"on_game_stopped(INT:7,INT:0)"});
    EXPECT_EQ(heard("load_screen").back(), "load_screen(STRING:screen_hiscore)");
    const std::vector<hiscore_entry> hiscore = stored_table(root.get(), true);
    ASSERT_EQ(hiscore.size(), 1u);
    EXPECT_STREQ(hiscore[0].m_name, disp->seat(0).name);
    EXPECT_GT(hiscore[0].m_score, 0);
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        EXPECT_EQ(+disp->seat(slot).m_in_game, 1);
        EXPECT_EQ(+disp->seat(slot).m_account, 0);
    }
    EXPECT_EQ(+disp->seat(0).m_not_ready, 1) << "back to the set-up";
}

// The log's lines since the last log_mark() that start with `prefix`.
const char LOG_MARK[] = "-- flow test mark --";
void log_mark() { print_message("%s\n", LOG_MARK); }
int logged_since_mark(const char *prefix)
{
    int n = 0;
    for (unsigned i = 1; i < 256 && std::strcmp(log_line(i), LOG_MARK) != 0; ++i)
        n += std::strncmp(log_line(i), prefix, std::strlen(prefix)) == 0 ? 1 : 0;
    return n;
}

TEST_F(flow_test, a_set_up_change_during_a_game_changes_nothing_and_starts_nothing)
{
    // A client still typing its name when the server starts the game, a ready switch of a
    // computer seat, a second start: the game goes on as it stands.
    for (int slot = 1; slot < MAX_PLAYERS; ++slot)
        disp->seat(slot).m_not_ready = 0;
    disp->seat(5).m_is_man = 1;
    disp->seat(5).m_owner_address = own_address() + 1;
    send("on_all_players_ready");
    ASSERT_EQ(heard("on_round_started"), strings{"on_round_started(INT:1,FLOAT:180)"});
    run(1.0);
    listener->take();
    const session_info before = disp->session();
    log_mark();
    np_change_player_info name = change(5, own_address() + 1, CHANGE_NAME);
    std::strcpy(name.value, "Late");
    apply(name);
    apply(change(3, own_address(), CHANGE_READY));
    apply(change(0, own_address(), CHANGE_READY));
    send("on_all_players_ready");
    EXPECT_EQ(heard("on_round_started"), strings{});
    EXPECT_EQ(heard("set_screen_loading"), strings{});
    EXPECT_EQ(std::memcmp(&before, &disp->session(), sizeof before), 0) << "the seats are the game's";
    EXPECT_EQ(logged_since_mark("Set-up change"), 1) << "logged once";
    EXPECT_TRUE(disp->game_running());

    // The game goes on to its first question.
    ASSERT_TRUE(run_until([&] { return count_heard("question(") + count_heard("simulate_question(") > 0; }, 25.0));
}

TEST_F(flow_test, a_round_start_other_than_the_next_one_is_refused_during_a_game)
{
    start_round(2, {0, 1, 2, 3, 4, 5, 6});
    ASSERT_EQ(heard("on_round_started"), strings{"on_round_started(INT:2,FLOAT:180)"});
    listener->take();
    log_mark();
    for (int round : {1, 2, 4, 8}) {
        SCOPED_TRACE(round);
        // The screens never see it: round 1's location would ask for the seat that has left.
        EXPECT_EQ(root->message(MSG_VAR(on_round_started), 0, nullptr, MSG_ARG(round), MSG_ARG(180.0f), MSG_ARGS_END),
                  1);
        EXPECT_EQ(heard("set_"), strings{});
        EXPECT_EQ(disp->session().m_round, 2);
    }
    EXPECT_EQ(logged_since_mark("Start of round"), 4);
    EXPECT_EQ(root->message(MSG_VAR(on_round_started), 0, nullptr, MSG_ARG(3), MSG_ARG(180.0f), MSG_ARGS_END), 0);
    EXPECT_EQ(disp->session().m_round, 3);

    // After the game's end a game starts at round 1 again.
    send("on_game_stopped", MSG_ARG(1), MSG_ARG(0));
    listener->take();
    start_round(1, {0, 1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(heard("on_round_started"), strings{"on_round_started(INT:1,FLOAT:180)"});
    EXPECT_EQ(disp->session().m_round, 1);
}

TEST_F(flow_test, a_step_put_to_a_lost_pcs_human_is_answered_by_the_computer_player_in_his_seat)
{
    // Each kind of step, put to slot 3, a human of another PC, when that PC is lost.
    const int32_t other = own_address() + 1;
    // This PC's human answers at once; the stand's answer for slot 3 names this PC and is refused.
    stand->answer = [](const pc_stand_c::question_s &) { return 0; };
    const struct
    {
        int round;
        std::initializer_list<int> in_game;
        game_disp::step_kind_e kind;
    } rows[] = {{1, {0, 1, 2, 3, 4, 5, 6, 7}, game_disp::STEP_QUESTION},
                {3, {0, 1, 3, 4, 5, 6}, game_disp::STEP_TOPIC_CHOICE},
                {5, {0, 3, 5, 6}, game_disp::STEP_OPPONENT_CHOICE}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.round);
        send("on_game_stopped", MSG_ARG(1), MSG_ARG(0));
        disp->make_seat_human(3, other);
        start_round(row.round, row.in_game);
        // Round 5's first chooser is the richest.
        disp->seat(3).m_account = 1000;
        ASSERT_TRUE(run_until([&] { return count_heard("question(") + count_heard("simulate_question(") > 0; }, 25.0));
        // Steps go on until one waits for slot 3.
        ASSERT_TRUE(run_until([&] { return disp->session().m_active_slot == 3 && disp->session().m_answer_state == 0; },
                              300.0))
            << "step " << disp->step() << " active " << disp->session().m_active_slot << " state "
            << +disp->session().m_answer_state << " round " << disp->session().m_round;
        EXPECT_EQ(disp->step_kind(), row.kind);
        run(5.0);
        EXPECT_EQ(disp->session().m_answer_state, 0) << "nobody answers for the other PC";
        const int step = disp->step();
        listener->take();
        int32_t address = other;
        send("replace_lost_players", MSG_ARG((void *)&address));
        EXPECT_EQ(+disp->seat(3).m_is_man, 0);
        EXPECT_NE(disp->session().m_answer_state, 0) << "answered";
        ASSERT_TRUE(run_until([&] { return disp->step() > step; }, 30.0)) << "the game goes on";
    }
}

TEST_F(flow_test, a_lost_server_ends_the_game_and_the_main_menu_says_why)
{
    disp->make_seat_human(3, own_address() + 1);
    start_round(2, {0, 1, 2, 3, 4, 5, 6});
    run(1.0);
    listener->m_names.push_back("set_text");
    listener->take();
    send("server_lost");
    EXPECT_EQ(heard("load_screen"), strings{"load_screen(STRING:screen_main)"});
    EXPECT_EQ(heard("set_text"), strings{"set_text(STRING:hint_line,STRING:\xD1\xE2\xFF\xE7\xFC \xF1 "
                                         "\xF1\xE5\xF0\xE2\xE5\xF0\xEE\xEC \xEF\xEE\xF2\xE5\xF0\xFF\xED\xE0)"});
    EXPECT_EQ(count_heard("free_location"), 1);
    EXPECT_FALSE(disp->game_on());
    for (int slot = 1; slot < MAX_PLAYERS; ++slot)
        EXPECT_EQ(+disp->seat(slot).m_owner_address, own_address()) << "this PC's own seats again";
    listener->take();
    run(30.0);
    EXPECT_EQ(heard("set_hint"), strings{}) << "no step of the game any more";
}

} // namespace
