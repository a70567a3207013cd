// The dispatcher's side of a vote: the computer players' votes, one chooser after another for
// the humans of this PC, the votes through the network manager, the count, and the
// announcement of the player who leaves.
#include "game/prompts.h"
#include "game/universal_delay.h"
#include "game/vote_target_chooser.h"
#include "tests/game/disp/disp_fixture.h"

namespace {

constexpr int32_t OTHER_PC = 0x0200007f;

class votes_disp_test : public disp_tree_test
{
protected:
    void SetUp() override
    {
        disp_tree_test::SetUp();
        fill_store(12);
        make_disp();
        for (const char *name : {"set_hint", "load_screen", "activate", "update_voter_info", "reset_voter_info",
                                 "hide_vote_screen", "add_to_sequence", "show_vote_screen"})
            listener->m_names.push_back(name);
        for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
            std::snprintf(disp->seat(slot).name, sizeof disp->seat(slot).name, "Name%d", slot);
            disp->seat(slot).m_account = 100 + 10 * slot;
        }
        listener->take();
    }
    void keep_in_game(const std::vector<int> &slots)
    {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            disp->seat(slot).m_in_game = 0;
        for (int slot : slots)
            disp->seat(slot).m_in_game = 1;
    }
    std::vector<vote_target_chooser_c *> choosers() const
    {
        std::vector<vote_target_chooser_c *> out;
        for (abstract_c *c = disp->first_child(); c; c = c->next_sibling())
            if (auto *chooser = dynamic_cast<vote_target_chooser_c *>(c); chooser && chooser->alive())
                out.push_back(chooser);
        return out;
    }
    // The server's relay of a vote, as every PC receives it.
    int confirm(int voter, int target)
    {
        np_vote_confirmed vote = np_vote_confirmed_new();
        vote.target = target;
        vote.voter = voter;
        return send("vote_confirmed", MSG_ARG((void *)&vote));
    }
    // (all voted, leaving slot) as check_all_voted writes them, from 0xEE and 77.
    std::pair<int, int> check_all_voted()
    {
        uint8_t all = 0xEE;
        int32_t leaving = 77;
        EXPECT_EQ(1, send("check_all_voted", MSG_ARG((void *)&all), MSG_ARG((void *)&leaving)));
        return {all, leaving};
    }
    std::string hint(const std::string &text) { return "set_hint(STRING:" + text + ")"; }
};

TEST_F(votes_disp_test, the_computer_players_in_the_game_get_their_votes)
{
    keep_in_game({0, 1, 2, 4});
    EXPECT_EQ(0, send("generate_bot_votes")) << "the broadcast goes on";
    EXPECT_EQ(-1, int(disp->seat(0).m_vote_target)) << "the human votes himself";
    for (int slot : {1, 2, 4}) {
        EXPECT_TRUE(int(disp->seat(slot).m_vote_target) >= 0 && int(disp->seat(slot).m_vote_target) != slot) << slot;
        EXPECT_TRUE(disp->seat(disp->seat(slot).m_vote_target).m_in_game) << slot;
    }
    EXPECT_EQ(-1, int(disp->seat(3).m_vote_target));
}

TEST_F(votes_disp_test, a_vote_called_with_one_player_in_the_game_gets_no_computer_votes_and_no_error)
{
    // Only a faulty server calls such a vote; the computer player left has nobody to vote against.
    keep_in_game({3});
    disp->seat(3).m_vote_target = -1;
    EXPECT_EQ(0, send("generate_bot_votes"));
    EXPECT_EQ(-1, int(disp->seat(3).m_vote_target));
    keep_in_game({});
    EXPECT_EQ(0, send("generate_bot_votes"));
}

TEST_F(votes_disp_test, the_humans_of_this_pc_vote_one_after_the_other)
{
    disp->seat(0).m_owner_address = OTHER_PC;
    disp->make_seat_human(1, own_address());
    disp->make_seat_human(4, own_address());
    for (int slot : {1, 4})
        std::snprintf(disp->seat(slot).name, sizeof disp->seat(slot).name, "Name%d", slot);
    disp->seat(2).m_in_game = 0;
    disp->seat(6).m_account = 5;
    listener->take();

    EXPECT_EQ(1, send("create_vote_manager", -1));
    const std::string first = listener->take();
    EXPECT_EQ(0u, first.find(hint(vote_prompt("Name1")) + " add_to_sequence(PCHAR:accel_mover1_y,INT:1)")) << first;
    ASSERT_EQ(1u, choosers().size());

    // The chooser offers the poorest other seat: slot 6 is model 5.
    for (abstract_c *c = choosers()[0]->first_child(); c; c = c->next_sibling())
        c->message(MSG_VAR(send_message), 0, nullptr, MSG_ARGS_END);
    EXPECT_EQ(5, choosers()[0]->picked());
    choosers()[0]->shutdown_tree();
    listener->take();

    EXPECT_EQ(1, confirm(1, 6));
    EXPECT_EQ(6, int(disp->seat(1).m_vote_target));
    const std::string second = listener->take();
    EXPECT_EQ(0u, second.find("reset_voter_info() hide_vote_screen() " + hint(vote_prompt("Name4")) +
                              " add_to_sequence(PCHAR:accel_mover3_y,INT:1)"))
        << second;
    ASSERT_EQ(1u, choosers().size());
    choosers()[0]->shutdown_tree();

    EXPECT_EQ(1, confirm(4, 1));
    EXPECT_EQ(1, int(disp->seat(4).m_vote_target));
    EXPECT_EQ("reset_voter_info() hide_vote_screen()", listener->take());
    EXPECT_TRUE(choosers().empty());
}

TEST_F(votes_disp_test, a_vote_against_a_model_without_a_seat_gives_the_voter_his_chooser_again)
{
    disp->seat(0).m_owner_address = OTHER_PC;
    disp->make_seat_human(4, own_address());
    std::snprintf(disp->seat(4).name, sizeof disp->seat(4).name, "Name4");
    disp->seat(1).m_in_game = 0;
    send("generate_bot_votes");
    listener->take();
    // Seven seats in the game: model 7 is nobody's, and the server drops a vote against slot 8.
    EXPECT_EQ(1, send("send_vote_message", 4, 7));
    EXPECT_EQ(-1, int(disp->seat(4).m_vote_target));
    ASSERT_EQ(1u, choosers().size());
    EXPECT_NE(std::string::npos, listener->take().find(hint(vote_prompt("Name4"))));
    choosers()[0]->shutdown_tree();

    EXPECT_EQ(1, send("send_vote_message", 4, 2));
    EXPECT_EQ(3, int(disp->seat(4).m_vote_target));
    EXPECT_TRUE(choosers().empty());
}

// Every PC hears every confirmed vote. Here slot 0 is a human of another PC, slots 1 and 4 are
// this PC's humans and slot 2 a human of a third PC.
TEST_F(votes_disp_test, other_pcs_votes_never_give_a_voter_a_second_chooser_nor_skip_one)
{
    disp->seat(0).m_owner_address = OTHER_PC;
    disp->make_seat_human(1, own_address());
    disp->make_seat_human(2, OTHER_PC + 1);
    disp->make_seat_human(4, own_address());
    auto voters = [&] {
        std::vector<int> out;
        for (vote_target_chooser_c *c : choosers())
            out.push_back(c->voter_slot());
        return out;
    };
    send("create_vote_manager", -1);
    EXPECT_EQ(std::vector<int>{1}, voters());
    // The third PC's vote, above slot 1, while slot 1 is still choosing.
    confirm(2, 5);
    EXPECT_EQ(std::vector<int>{1}, voters());
    confirm(1, 5);
    EXPECT_EQ(std::vector<int>{4}, voters());
    confirm(0, 5);
    EXPECT_EQ(std::vector<int>{4}, voters());
    confirm(4, 5);
    EXPECT_TRUE(voters().empty());
    // A late vote from elsewhere finds everybody here done.
    confirm(0, 6);
    EXPECT_TRUE(voters().empty());
}

// The server confirms a vote again to a client that sent it again: a confirmation that was only
// late comes twice, and the second one neither hides the vote screen nor takes the next voter's
// chooser from him.
TEST_F(votes_disp_test, a_confirmation_heard_twice_changes_nothing_the_second_time)
{
    disp->seat(0).m_owner_address = OTHER_PC;
    disp->make_seat_human(1, own_address());
    disp->make_seat_human(4, own_address());
    send("create_vote_manager", -1);
    confirm(1, 5);
    ASSERT_EQ(1u, choosers().size());
    vote_target_chooser_c *next = choosers()[0];
    EXPECT_EQ(4, next->voter_slot());
    listener->take();
    EXPECT_EQ(1, confirm(1, 5));
    EXPECT_EQ("", listener->take());
    EXPECT_EQ(std::vector<vote_target_chooser_c *>{next}, choosers());
    EXPECT_EQ(5, int(disp->seat(1).m_vote_target));
}

TEST_F(votes_disp_test, the_only_human_of_a_pc_votes_once_and_the_most_voted_against_leaves)
{
    disp->session().m_round = 2;
    for (int slot = 1; slot < MAX_PLAYERS; ++slot)
        disp->seat(slot).character = 1;
    disp->seat(3).m_account = 1;
    send("generate_bot_votes");
    send("create_vote_manager", -1);
    ASSERT_EQ(1u, choosers().size());
    vote_target_chooser_c *chooser = choosers()[0];
    for (abstract_c *c = chooser->first_child(); c; c = c->next_sibling())
        c->message(MSG_VAR(send_message), 0, nullptr, MSG_ARGS_END);
    listener->take();

    // This PC is its own server: the vote comes back at once and closes the count.
    EXPECT_EQ(1, send("on_vote_against"));
    EXPECT_FALSE(chooser->alive());
    EXPECT_TRUE(choosers().empty());
    EXPECT_EQ(3, int(disp->seat(0).m_vote_target));
    EXPECT_FALSE(disp->seat(3).m_in_game);
    EXPECT_EQ(2, int(disp->seat(3).m_excluded_round));
    EXPECT_NE(std::string::npos,
              listener->take().find("load_screen(STRING:screen_clean) " + hint(leaving_text(2, "Name3")) +
                                    " activate(STRING:pillar3_slideout_go,INT:1)"));
}

TEST_F(votes_disp_test, the_count_waits_for_every_seat_in_the_game_and_takes_the_lowest_of_equal_slots)
{
    struct
    {
        std::vector<int> in_game;
        int targets[MAX_PLAYERS];
        std::pair<int, int> result;
    } cases[] = {
        // 2 : 2 against slots 3 and 5.
        {{0, 1, 2, 3, 4, 5, 6, 7}, {3, 5, 3, 5, 0, 1, 2, 4}, {1, 3}},
        {{0, 1, 2, 3, 4, 5, 6, 7}, {5, 3, 5, 3, 0, 1, 2, 4}, {1, 3}},
        // A computer player without a target: the slot argument stays.
        {{0, 1, 2, 3, 4, 5, 6, 7}, {3, 5, 3, 5, 0, 1, -1, 4}, {0, 77}},
        // Seats out of the game neither vote nor hold the count up.
        {{0, 1, 2, 3}, {2, 2, 1, 1, 2, 2, -1, -1}, {1, 1}},
        // Votes against a seat out of the game elect nobody.
        {{0, 1, 2}, {6, 6, 0, -1, -1, -1, -1, -1}, {1, 0}},
    };
    send("generate_bot_votes");
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.targets[0] << c.targets[1] << c.targets[2] << c.targets[6]);
        keep_in_game(c.in_game);
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            disp->seat(slot).m_vote_target = c.targets[slot];
        EXPECT_EQ(c.result, check_all_voted());
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            EXPECT_EQ(c.targets[slot], int(disp->seat(slot).m_vote_target));
    }
}

TEST_F(votes_disp_test, votes_counted_outside_the_open_vote_elect_nobody)
{
    // Before the vote and after its announcement every seat in the game has a target.
    disp->session().m_round = 2;
    auto vote_against_3 = [&] {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            disp->seat(slot).m_vote_target = slot == 3 ? 2 : 3;
    };
    vote_against_3();
    EXPECT_EQ(std::make_pair(0, 77), check_all_voted());
    send("generate_bot_votes");
    vote_against_3();
    EXPECT_EQ(std::make_pair(1, 3), check_all_voted());
    send("mark_excluded_player", 3);
    EXPECT_EQ(std::make_pair(0, 77), check_all_voted()) << "a late vote would send another player off";
}

TEST_F(votes_disp_test, a_leaving_player_is_announced_by_round_and_the_finals_winner_stays)
{
    struct
    {
        int round;
        const char *format;
        bool stays;
    } cases[] = {{1, PROMPT_LEAVES_WEAKEST, false}, {2, PROMPT_LEAVES_VOTED, false},
                 {3, PROMPT_LEAVES_VOTED, false},   {4, PROMPT_LEAVES_WEAKEST, false},
                 {5, PROMPT_LEAVES_WEAKEST, false}, {6, PROMPT_LEAVES_WEAKEST, false},
                 {7, PROMPT_FINAL_WINNER, true},    {8, PROMPT_SUPERFINAL_WINNER, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.round);
        keep_in_game({0, 1, 3, 4, 5});
        disp->seat(5).m_excluded_round = -1;
        disp->session().m_round = c.round;
        EXPECT_EQ(1, send("mark_excluded_player", 5));
        char text[128];
        std::snprintf(text, sizeof text, c.format, "Name5");
        EXPECT_EQ("load_screen(STRING:screen_clean) " + hint(text) + " activate(STRING:pillar4_slideout_go,INT:1)",
                  listener->take());
        EXPECT_EQ(c.stays, disp->seat(5).m_in_game != 0);
        EXPECT_EQ(c.stays ? -1 : c.round, int(disp->seat(5).m_excluded_round));
    }
}

TEST_F(votes_disp_test, a_slot_out_of_the_game_is_not_announced)
{
    disp->session().m_round = 2;
    disp->seat(5).m_in_game = 0;
    EXPECT_EQ(1, send("mark_excluded_player", 5));
    EXPECT_EQ(1, send("mark_excluded_player", 9));
    EXPECT_EQ("", listener->take());
}

TEST_F(votes_disp_test, the_selected_target_fills_the_vote_screens_card)
{
    disp->seat(1).m_in_game = 0;
    struct
    {
        int last_vote;
        std::string against;
    } cases[] = {{6, "Name6"}, {-1, TEXT_NO_DATA}, {9, TEXT_NO_DATA}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.last_vote);
        disp->seat(3).m_last_vote = c.last_vote;
        EXPECT_EQ(0, send("vote_target_selected", 2)) << "the portraits hear it too";
        EXPECT_EQ("update_voter_info(" + value_text(MSG_ARG((void *)&disp->seat(3))) + ",STRING:" + c.against + ")",
                  listener->take());
    }
    EXPECT_EQ(0, send("vote_target_selected", 7));
    EXPECT_EQ(0, send("vote_target_selected", -1));
    EXPECT_EQ("", listener->take());
}

TEST_F(votes_disp_test, a_vote_names_the_slot_of_its_model_and_a_model_without_a_seat_counts_for_nobody)
{
    disp->seat(1).m_in_game = 0;
    EXPECT_EQ(1, send("send_vote_message", 0, 2));
    EXPECT_EQ(3, int(disp->seat(0).m_vote_target));
    EXPECT_EQ("reset_voter_info() hide_vote_screen()", listener->take());
    EXPECT_EQ(1, send("send_vote_message", 4, 7));
    EXPECT_EQ(-1, int(disp->seat(4).m_vote_target));
    EXPECT_EQ("", listener->take());
}

} // namespace
