// The vote after rounds 2 and 3 on a PC that is its own server, when no human is left to vote:
// the computer players' votes decide and the game goes on.
#include "tests/game/flow/served_fixture.h"

#include "game/vote_target_chooser.h"

namespace {

using strings = std::vector<std::string>;

class vote_flow_test : public flow_test
{
protected:
    // Every computer player votes against the poorest other player, and slot 5 is the poorest
    // whatever the round's answers bring.
    void poorest_is_voted_against()
    {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
            disp->seat(slot).character = 1;
            disp->seat(slot).m_account = slot == 5 ? -100000 : 0;
        }
    }
    // The round's last answer has been played and the players vote.
    void start_vote()
    {
        all_seats_ready();
        disp->make_seat_human(1, OTHER_PC);
        disp->seat(1).m_not_ready = 0;
        keep_in_game({0, 1, 2, 3, 4, 5, 6, 7});
        poorest_is_voted_against();
        disp->session().m_round = 2;
        disp->m_step = 21;
        send("send_question");
        EXPECT_EQ(count_heard("generate_bot_votes"), 1);
    }
    void lose_other_pc()
    {
        int32_t address = OTHER_PC;
        EXPECT_EQ(1, send("replace_lost_players", MSG_ARG((void *)&address)));
    }
    strings announced() { return heard("mark_excluded_player"); }
};

TEST_F(vote_flow_test, a_vote_without_a_human_in_the_game_is_decided_by_the_computer_players_and_the_game_goes_on)
{
    // The human of this PC left in round 1; the other PC's human, the last one in the game, is
    // lost during round 2.
    disp->make_seat_human(1, OTHER_PC);
    start_round(2, {1, 2, 3, 4, 5, 6, 7});
    lose_other_pc();
    ASSERT_EQ(0, +disp->seat(1).m_is_man);
    poorest_is_voted_against();

    ASSERT_TRUE(run_until([&] { return !announced().empty(); }, 400.0))
        << "step " << disp->m_step << ", " << count_heard("generate_bot_votes") << " votes generated";
    EXPECT_EQ(count_heard("generate_bot_votes"), 1);
    EXPECT_EQ(disp->m_step, 21);
    EXPECT_EQ(announced(), strings{"mark_excluded_player(INT:5)"});
    EXPECT_EQ(0, +disp->seat(5).m_in_game);
    EXPECT_EQ(2, +disp->seat(5).m_excluded_round);
    EXPECT_EQ(children_of<vote_target_chooser_c>(disp), 0) << "nobody here votes";

    // The next round starts as after any vote; without a human it ends the game.
    listener->take();
    run(8.5);
    EXPECT_EQ(heard("on_round_started"), strings{"on_round_started(INT:3,FLOAT:180)"});
    EXPECT_EQ(heard("load_screen"), strings{"load_screen(STRING:screen_command)"});
}

TEST_F(vote_flow_test, a_voter_lost_during_the_vote_votes_as_a_computer_player_and_the_vote_ends_once)
{
    stand->vote = true;
    listener->m_names.push_back("check_all_voted");
    start_vote();

    // This PC's human votes against the player offered; the other PC's human does not vote.
    run(30.0);
    EXPECT_EQ(5, +disp->seat(0).m_vote_target);
    EXPECT_EQ(count_heard("check_all_voted"), 1) << "this PC is its own server: its vote goes once";
    EXPECT_EQ(-1, +disp->seat(1).m_vote_target);
    EXPECT_EQ(announced(), strings{}) << "the vote waits for the other PC's human";

    lose_other_pc();
    EXPECT_EQ(0, +disp->seat(1).m_is_man);
    const int target = disp->seat(1).m_vote_target;
    EXPECT_TRUE(target >= 0 && target < MAX_PLAYERS && target != 1) << target;
    EXPECT_EQ(announced(), strings{"mark_excluded_player(INT:5)"});

    // A vote that arrives after the end changes the count of nobody and starts nothing.
    send("send_vote_message", 0, 1);
    run(8.5);
    EXPECT_EQ(announced(), strings{"mark_excluded_player(INT:5)"});
    EXPECT_EQ(heard("on_round_started"), strings{"on_round_started(INT:3,FLOAT:180)"});
}

TEST_F(vote_flow_test, a_game_stopped_during_the_vote_takes_the_chooser_away)
{
    start_vote();
    run(1.0);
    ASSERT_EQ(children_of<vote_target_chooser_c>(disp), 1);
    send("on_game_stopped", MSG_ARG(1), MSG_ARG(0));
    EXPECT_EQ(children_of<vote_target_chooser_c>(disp), 0);
    listener->take();
    lose_other_pc();
    run(10.0);
    EXPECT_EQ(announced(), strings{});
    EXPECT_EQ(heard("on_round_started"), strings{});
}

// This PC serves a session that the PC at 127.0.0.2 (OTHER_PC, its human in slot 1) has joined.
class served_vote_flow_test : public served_c<vote_flow_test>
{
};

// The client's vote arrives, but the confirmation on its way back is lost: the client sends its
// vote again, with its keep-alives between, and this PC's game holds it already. The client alone
// hears it confirmed again; the vote is counted once and ends once, when this PC's human votes.
TEST_F(served_vote_flow_test, a_client_whose_confirmation_was_lost_hears_it_again_and_the_vote_ends_once)
{
    start_vote();
    run(1.0);
    ASSERT_EQ(children_of<vote_target_chooser_c>(disp), 1) << "this PC's human chooses";
    client->received();
    listener->m_names.push_back("check_all_voted");
    bytes_t vote = valid_packet(NP_VOTE);
    put(vote, offsetof(np_vote, target), (int32_t)4);
    put(vote, offsetof(np_vote, voter), (int32_t)1);
    bytes_t confirmed = vote;
    put(confirmed, offsetof(net_packet_header, type), (int32_t)NP_VOTE_CONFIRMED);

    client->send(vote);
    run(0.5);
    EXPECT_EQ(4, +disp->seat(1).m_vote_target);
    EXPECT_EQ(client_received(NP_VOTE_CONFIRMED), std::vector<bytes_t>{confirmed}) << "and lost";
    for (int again = 0; again < 2; ++again) {
        keep_client(1.0);
        client->send(vote);
        run(0.5);
        EXPECT_EQ(client_received(NP_VOTE_CONFIRMED), std::vector<bytes_t>{confirmed}) << again;
    }
    EXPECT_EQ(count_heard("check_all_voted"), 1) << "counted once";
    EXPECT_EQ(announced(), strings{});
    EXPECT_EQ(children_of<vote_target_chooser_c>(disp), 1) << "this PC's human still chooses";

    // This PC's human votes last: the vote ends, and a client that still sends its vote then
    // hears its confirmation and nothing more.
    send("on_vote_against");
    EXPECT_EQ(announced(), strings{"mark_excluded_player(INT:5)"});
    EXPECT_EQ(client_received(NP_MARK_EXCLUDED_PLAYER).size(), 1u);
    keep_client(1.0);
    client->send(vote);
    run(0.5);
    EXPECT_EQ(client_received(NP_VOTE_CONFIRMED), std::vector<bytes_t>{confirmed});
    keep_client(7.0);
    EXPECT_EQ(client_received(NP_MARK_EXCLUDED_PLAYER).size(), 0u);
    EXPECT_EQ(count_heard("check_all_voted"), 2) << "this PC's human's vote";
    EXPECT_EQ(announced(), strings{"mark_excluded_player(INT:5)"});
    EXPECT_EQ(heard("on_round_started"), strings{"on_round_started(INT:3,FLOAT:180)"});
}

} // namespace
