// Answers and choices as every PC takes them, the choosers of rounds 5 and 6, the final and the
// end of a game.
#include "tests/game/flow/served_fixture.h"

#include "game/vote_picker.h"

#include <cstdio>

namespace {

using strings = std::vector<std::string>;

TEST_F(flow_test, a_topic_or_opponent_choice_moves_no_account_and_a_question_does)
{
    keep_in_game({0, 1, 3, 5});
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        disp->seat(slot).m_account = 100 * slot;
        disp->seat(slot).m_cur_pulse = 60 + slot;
    }
    const struct
    {
        const char *what;
        int round;
        game_disp::step_kind_e kind;
        int answer;
        int chosen_topic, active; // afterwards
        bool scored;
    } rows[] = {
        {"round 3 topic choice", 3, game_disp::STEP_TOPIC_CHOICE, 4, 4, 1, false},
        {"round 4 topic beyond the six offered", 4, game_disp::STEP_TOPIC_CHOICE, 7, 0, 1, false},
        {"round 5 opponent", 5, game_disp::STEP_OPPONENT_CHOICE, 3, 9, 3, false},
        {"round 6 the chooser himself: the offered opponent", 6, game_disp::STEP_OPPONENT_CHOICE, 1, 9, 5, false},
        {"round 5 a seat out of the game: the offered opponent", 5, game_disp::STEP_OPPONENT_CHOICE, 2, 9, 5, false},
        {"round 3 question", 3, game_disp::STEP_QUESTION, 2, 9, 1, true},
        {"round 5 question", 5, game_disp::STEP_QUESTION, 2, 9, 1, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        disp->session().m_round = row.round;
        disp->m_step_kind = row.kind;
        disp->m_step = 3;
        disp->m_chooser_slot = 3;
        disp->m_chosen_topic = 9;
        disp->session().m_active_slot = 1;
        disp->session().m_answer_state = 0;
        disp->session().m_bank = 0;
        int32_t before[MAX_PLAYERS];
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            before[slot] = disp->seat(slot).m_account;
        listener->take();
        EXPECT_EQ(root->message(MSG_VAR(question_answered), 0, nullptr, MSG_ARG(row.answer), MSG_ARG(1),
                                MSG_ARG(disp->model_nmb_of_slot(1)), MSG_ARG(2), MSG_ARGS_END),
                  0);
        EXPECT_EQ(disp->session().m_answer_state, 4);
        EXPECT_EQ(disp->m_chosen_topic, row.chosen_topic);
        EXPECT_EQ(disp->session().m_active_slot, row.active);
        bool moved = disp->session().m_bank != 0;
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            moved = moved || disp->seat(slot).m_account != before[slot];
        EXPECT_EQ(moved, row.scored);
        EXPECT_EQ(count_heard("react_on_answer"), 0) << "a reaction waits in the sequence";
        strings steps;
        for (const std::string &e : heard("add_to_sequence"))
            steps.push_back(e.substr(0, e.find(",PTR:")));
        strings expected = {"add_to_sequence(STRING:gest_press_player1,INT:0)"};
        if (row.scored)
            expected.insert(expected.end(), {"add_to_sequence(STRING:animation_message",
                                             "add_to_sequence(STRING:animation_delay,FLOAT:0.05)",
                                             "add_to_sequence(STRING:gest_correct_player1,INT:2)",
                                             "add_to_sequence(STRING:animation_delay,FLOAT:0.05)"});
        EXPECT_EQ(steps, expected) << "a computer player's press, then the reaction to a real answer";
        EXPECT_EQ(heard("hilight_menu"), strings{"hilight_menu(STRING:answer_menu,INT:" + std::to_string(row.answer) + ")"});
        for (abstract_c *c = disp->first_child(); c; c = c->next_sibling())
            c->shutdown_tree();
        root->collect_dead_children();
    }
}

TEST_F(flow_test, an_answer_packet_counts_once_and_only_from_the_pc_whose_player_acts)
{
    all_seats_ready();
    start_round(1, {0, 1, 2, 3, 4, 5, 6, 7});
    ASSERT_TRUE(run_until([&] { return !stand->asked.empty(); }, 30.0));
    const int right = disp->session().m_right_answer;
    disp->seat(0).m_owner_address = own_address() + 1;
    pc_stand_c::send_answer(right);
    EXPECT_EQ(disp->session().m_answer_state, 0) << "an answer from another PC";
    disp->seat(0).m_owner_address = own_address();
    pc_stand_c::send_answer(right);
    pc_stand_c::send_answer(right);
    EXPECT_EQ(count_heard("hilight_menu"), 1);
    EXPECT_EQ(+disp->seat(0).m_account, 25);
    EXPECT_EQ(children_of<question_after_sequence_c>(disp), 1) << "one next step";
}

TEST_F(flow_test, a_human_chooser_points_at_an_opponent_offered_by_pulse_and_the_chosen_one_answers)
{
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        disp->seat(slot).m_account = slot == 0 ? 900 : 100 * slot;
    bool confirm = false;
    stand->answer = [&](const pc_stand_c::question_s &q) {
        if (q.items != 0)
            return (int)disp->session().m_right_answer;
        // The game screen's "select_opponent" button.
        if (confirm)
            root->message(MSG_VAR(on_opponent_selected), 0, nullptr, MSG_ARGS_END);
        return -1;
    };
    start_round(5, {0, 2, 4, 6});
    ASSERT_TRUE(run_until([&] { return !stand->asked.empty(); }, 30.0));
    EXPECT_EQ(stand->asked[0].items, 0);
    EXPECT_EQ(stand->asked[0].menu, opponent_choice_prompt(true, disp->seat(0).name));
    EXPECT_EQ(disp->m_step_kind, game_disp::STEP_OPPONENT_CHOICE);
    EXPECT_EQ(children_of<vote_picker_c>(disp), 1);
    const int offered = disp->highest_pulse_opponent(0);
    EXPECT_EQ(heard("emul_selection"),
              strings{"emul_selection(INT:" + std::to_string(disp->model_nmb_of_slot(offered)) + ")"});
    EXPECT_EQ(heard("show_named(INT:1,STRING:"), strings{"show_named(INT:1,STRING:selector_field)"});
    run(2.0);
    EXPECT_EQ(disp->session().m_answer_state, 0) << "the choice waits for the confirmation";

    confirm = true;
    stand->m_question = stand->asked[0];
    listener->take();
    ASSERT_TRUE(run_until([&] { return count_heard("simulate_question(") > 0; }, 10.0));
    EXPECT_EQ(children_of<vote_picker_c>(disp), 0);
    EXPECT_EQ(disp->session().m_active_slot, offered);
    EXPECT_EQ(disp->m_step, 2);
    EXPECT_EQ(disp->m_chooser_slot, 2) << "the next chooser in turn";
    ASSERT_TRUE(run_until([&] { return count_heard("react_on_answer") > 0; }, 10.0));
    const bool right = disp->seat(offered).m_right_nmb == 1;
    EXPECT_EQ(+disp->seat(offered).m_account, 100 * offered + (right ? 300 : -300));
    EXPECT_EQ(+disp->seat(0).m_account, 900 + (right ? -300 : 300)) << "the chooser pays or gains";
    EXPECT_EQ(disp->session().m_bank, 300);
}

TEST_F(flow_test, the_final_ends_when_one_finalist_cannot_be_caught_and_the_human_winner_takes_the_bank)
{
    all_seats_ready();
    disp->seat(0).m_account = 1000;
    disp->session().m_bank = 300;
    disp->seat(3).intellect = 0;
    stand->answer = [&](const pc_stand_c::question_s &) { return (int)disp->session().m_right_answer; };
    disp->session().m_round = 6;
    keep_in_game({0, 3});
    disp->m_answerer_slot = 0;
    send("start_next_round");
    ASSERT_TRUE(run_until([&] { return count_heard("on_game_stopped") > 0; }, 200.0));
    EXPECT_EQ(heard("mark_excluded_player"), strings{"mark_excluded_player(INT:0)"});
    EXPECT_EQ(heard("on_game_stopped"), strings{"on_game_stopped(INT:7,INT:0)"});
    EXPECT_GT(+disp->seat(0).m_final_right_nmb, +disp->seat(3).m_final_right_nmb);
    EXPECT_EQ(stand->asked.size(), 3u) << "3 : 0 after three questions each cannot be caught";
    EXPECT_EQ(heard("load_screen"),
              (strings{"load_screen(STRING:screen_clean)", "load_screen(STRING:screen_hiscore)"}))
        << "the winner's announcement, then the scores";
    EXPECT_EQ(heard("remember_hiscore_and_age"),
              strings{"remember_hiscore_and_age(INT:1300,INT:" + std::to_string(disp->seat(0).age) + ")"});
    for (bool hiscore : {false, true}) {
        const std::vector<hiscore_entry> table = stored_table(root.get(), hiscore);
        ASSERT_EQ(table.size(), 1u) << hiscore;
        EXPECT_STREQ(table[0].m_name, disp->seat(0).name);
        EXPECT_EQ(table[0].m_score, 1300);
    }
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        EXPECT_EQ(+disp->seat(slot).m_in_game, 1);
        EXPECT_EQ(+disp->seat(slot).m_account, 0);
    }
    EXPECT_EQ(+disp->seat(0).m_not_ready, 1);
    EXPECT_EQ(disp->session().m_bank, 0);
}

TEST_F(flow_test, a_game_stopped_otherwise_records_its_player_with_0_and_goes_back_to_the_set_up)
{
    // History is what this PC's set-up offers of its earlier players: a final another PC's human
    // or a computer player won has no result here, whatever the winner's account and the bank.
    const struct
    {
        const char *what;
        int how, model;
        bool human;
    } rows[] = {{"final won by a computer player", 7, 1, false},
                {"final won by another PC's human", 7, 1, true},
                {"left by the exit dispatcher", 1, 0, true}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const std::filesystem::path registry = m_dir.path() / "registry" / std::to_string(row.how * 10 + row.human);
        std::filesystem::create_directories(registry);
        reg_set_root(registry.c_str());
        keep_in_game({0, 3});
        all_seats_ready();
        disp->seat(3).m_is_man = row.human ? 1 : 0;
        disp->seat(3).m_owner_address = row.human ? own_address() + 1 : own_address();
        disp->seat(0).m_account = 500;
        disp->seat(3).m_account = 700;
        disp->session().m_bank = 200;
        const std::string name = disp->seat(disp->slot_of_model_nmb(row.model)).name;
        listener->take();
        EXPECT_EQ(root->message(MSG_VAR(on_game_stopped), 0, nullptr, MSG_ARG(row.how), MSG_ARG(row.model),
                                MSG_ARGS_END),
                  0);
        EXPECT_EQ(heard("load_screen"), strings{"load_screen(STRING:screen_command)"});
        EXPECT_EQ(count_heard("remember_hiscore_and_age"), 0);
        const std::vector<hiscore_entry> history = stored_table(root.get(), false);
        ASSERT_EQ(history.size(), 1u);
        EXPECT_EQ(history[0].m_name, name);
        EXPECT_EQ(history[0].m_score, 0);
        EXPECT_TRUE(stored_table(root.get(), true).empty());
        EXPECT_EQ(+disp->seat(3).m_account, 0);
        EXPECT_EQ(+disp->seat(0).m_not_ready, 1);
        EXPECT_EQ(+disp->seat(3).m_not_ready, row.human ? 1 : 0);
        EXPECT_EQ(disp->session().m_bank, 0);
    }
}

TEST_F(flow_test, a_stopped_game_puts_no_further_step_and_starts_no_further_round)
{
    start_round(2, {0, 1, 2, 3, 4, 5, 6});
    run(0.5);
    ASSERT_EQ(children_of<send_question_timer_c>(disp), 1);
    new next_round_timer_c(manager, 8.0);
    new vote_picker_c(disp);
    send("on_game_stopped", MSG_ARG(1), MSG_ARG(0));
    EXPECT_EQ(children_of<vote_picker_c>(disp), 0) << "no opponent is chosen any more";
    listener->take();
    run(30.0);
    EXPECT_EQ(heard("set_hint"), strings{});
    EXPECT_EQ(heard("on_round_started"), strings{});
    EXPECT_EQ(children_of<resend_timer_c>(disp), 0);
}

TEST_F(flow_test, the_human_winners_score_stops_at_the_int_limit)
{
    // The bank is added without wrapping round: a huge account stays the highest score.
    all_seats_ready();
    keep_in_game({0, 3});
    disp->seat(0).m_account = INT32_MAX - 100;
    disp->session().m_bank = 300;
    send("on_game_stopped", MSG_ARG(7), MSG_ARG(0));
    for (bool hiscore : {false, true}) {
        const std::vector<hiscore_entry> table = stored_table(root.get(), hiscore);
        ASSERT_EQ(table.size(), 1u) << hiscore;
        EXPECT_EQ(table[0].m_score, INT32_MAX);
    }
}

// This PC serves the PC at 127.0.0.2, whose human in slot 1 answers round 1's second question.
class served_answer_flow_test : public served_c<flow_test>
{
protected:
    // The verdicts this PC has heard for the client's player (model 1).
    int verdicts_for_client()
    {
        int n = 0;
        for (const std::string &e : heard("question_answered(")) {
            int item = 0, right = 0, model = -1, random = 0;
            n += std::sscanf(e.c_str(), "question_answered(INT:%d,INT:%d,INT:%d,INT:%d)", &item, &right, &model,
                             &random) == 4 &&
                 model == 1;
        }
        return n;
    }
    // Of the verdicts the client has received since the last call, those for its player.
    std::vector<bytes_t> client_verdicts()
    {
        std::vector<bytes_t> own;
        for (const bytes_t &b : client_received(NP_QUESTION_ANSWERED))
            if (b.size() == sizeof(np_question_answered) &&
                ((const np_question_answered *)b.data())->model_nmb == 1)
                own.push_back(b);
        return own;
    }
    // The timers that would send an answer of this PC again.
    int answer_resends()
    {
        int n = 0;
        for (abstract_c *c = disp->first_child(); c; c = c->next_sibling())
            if (auto *timer = dynamic_cast<resend_timer_c *>(c); timer && c->alive())
                n += timer->message_name() == MSG_VAR(resend_answer);
        return n;
    }
    // Game time with the client alive until `done` holds; false when `seconds` pass first.
    bool keep_client_until(const std::function<bool()> &done, double seconds)
    {
        for (double end = m_now + seconds; m_now < end; keep_client(0.5))
            if (done())
                return true;
        return done();
    }
};

// The client's answer arrives, but the verdict on its way back is lost: the client sends its
// answer again, with its keep-alives between, while this PC's location still plays the answer.
// The client alone hears the same verdict again; the answer is scored once and the next step
// put once. Once the next step is put, the answer is late and changes nothing.
TEST_F(served_answer_flow_test, a_client_whose_verdict_was_lost_hears_it_again_and_the_step_is_judged_once)
{
    stand->answer = [&](const pc_stand_c::question_s &) { return (int)disp->session().m_right_answer; };
    start_round(1, {0, 1, 2, 3, 4, 5, 6, 7});
    ASSERT_TRUE(keep_client_until(
        [&] { return disp->session().m_active_slot == 1 && disp->session().m_answer_state == 0; }, 60.0));
    EXPECT_EQ(stand->asked.size(), 2u) << "this PC's human answered first; the client's question shows here too";
    EXPECT_EQ(answer_resends(), 0) << "this PC judges its own answers at once";
    stand->hold = true;
    const int step = disp->step();
    const int32_t account = disp->seat(1).m_account;
    client->received();
    listener->take();
    listener->m_names.push_back("question_answered");

    const np_answer answer = {{sizeof answer, NP_ANSWER}, disp->session().m_right_answer, OTHER_PC};
    client->send(&answer);
    run(0.5);
    const std::vector<bytes_t> verdict = client_verdicts();
    ASSERT_EQ(verdict.size(), 1u) << "and lost";
    const int32_t scored = disp->seat(1).m_account;
    EXPECT_NE(scored, account);
    for (int again = 0; again < 2; ++again) {
        keep_client(1.0);
        client->send(&answer);
        run(0.5);
        EXPECT_EQ(client_received(NP_QUESTION_ANSWERED), verdict) << again;
    }
    EXPECT_EQ(count_heard("question_answered"), 1) << "judged once";
    EXPECT_EQ(+disp->seat(1).m_account, scored);
    EXPECT_EQ(children_of<question_after_sequence_c>(disp), 1) << "one next step";
    EXPECT_EQ(disp->step(), step);

    // The answer played, the next step (slot 2's, a computer player's) is put.
    stand->hold = false;
    ASSERT_TRUE(keep_client_until([&] { return disp->step() > step; }, 10.0));
    stand->hold = true;
    EXPECT_EQ(disp->step(), step + 1);
    EXPECT_EQ(disp->session().m_active_slot, 2);
    client->received();
    keep_client(1.0);
    client->send(&answer);
    run(0.5);
    EXPECT_EQ(client_verdicts(), std::vector<bytes_t>{}) << "late";
    EXPECT_EQ(verdicts_for_client(), 1);
    EXPECT_EQ(disp->step(), step + 1);
    EXPECT_EQ(answer_resends(), 0);
}

// The step put to the client's human may be lost on its way, and the server would wait for his
// answer for ever: the server puts it to that client alone again every 1.5 s of game time until
// it is answered. A step that waits for this PC's own human goes once.
TEST_F(served_answer_flow_test, a_step_for_the_clients_human_goes_to_it_again_until_he_answers)
{
    bool answer_here = false;
    stand->answer = [&](const pc_stand_c::question_s &) {
        return answer_here ? (int)disp->session().m_right_answer : -1;
    };
    auto steps_for = [&](int model) {
        std::vector<bytes_t> steps;
        for (const bytes_t &b : client_received(NP_QUESTION))
            if (((const np_question *)b.data())->model_nmb == model)
                steps.push_back(b);
        return steps;
    };
    start_round(1, {0, 1, 2, 3, 4, 5, 6, 7});
    ASSERT_TRUE(keep_client_until([&] { return !stand->asked.empty(); }, 60.0));
    EXPECT_EQ(steps_for(0).size(), 1u) << "every PC hears the step of this PC's human";
    keep_client(3.0);
    EXPECT_EQ(steps_for(0), std::vector<bytes_t>{}) << "and only once";
    EXPECT_EQ(children_of<resend_timer_c>(disp), 0);

    answer_here = true;
    stand->m_question = stand->asked.back();
    ASSERT_TRUE(keep_client_until(
        [&] { return disp->session().m_active_slot == 1 && disp->session().m_answer_state == 0; }, 30.0));
    const std::vector<bytes_t> first = steps_for(1);
    ASSERT_EQ(first.size(), 1u) << "and lost";
    const int step = disp->step();
    keep_client(0.5);
    EXPECT_EQ(steps_for(1), std::vector<bytes_t>{}) << "not before 1.5 s";
    keep_client(1.5);
    EXPECT_EQ(steps_for(1), first) << "the same step again";
    keep_client(1.5);
    EXPECT_EQ(steps_for(1), first) << "and again";
    EXPECT_EQ(disp->step(), step);

    // The client's human answers: the step goes no more.
    stand->hold = true;
    const np_answer answer = {{sizeof answer, NP_ANSWER}, disp->session().m_right_answer, OTHER_PC};
    client->send(&answer);
    keep_client(4.0);
    EXPECT_EQ(disp->session().m_answer_state, 4);
    EXPECT_EQ(client_received(NP_QUESTION), std::vector<bytes_t>{});
    EXPECT_EQ(children_of<resend_timer_c>(disp), 0);
}

} // namespace
