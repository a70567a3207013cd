// Accounts, bank, exclusion order and the final's decision.
#include "tests/game/disp/disp_fixture.h"

namespace {

class scoring_test : public disp_tree_test
{
protected:
    void SetUp() override
    {
        disp_tree_test::SetUp();
        fill_store(12);
        make_disp();
        for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
            disp->seat(slot).m_right_nmb = disp->seat(slot).m_wrong_nmb = 0;
            disp->seat(slot).m_final_right_nmb = 0;
        }
        listener->take();
    }
    void set_round(int round, int step, int active, int chooser = -1)
    {
        disp->session().m_round = round;
        disp->session().m_active_slot = active;
        set_step(step);
        set_chooser(chooser);
    }
    void set_step(int step) { disp->m_step = step; }
    void set_chooser(int slot) { disp->m_chooser_slot = slot; }
    int32_t account(int slot) { return disp->seat(slot).m_account; }
    int32_t bank() { return disp->session().m_bank; }
    int markers() { return child_count(disp); }
    void keep_in_game(std::initializer_list<int> slots)
    {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            disp->seat(slot).m_in_game = 0;
        for (int slot : slots)
            disp->seat(slot).m_in_game = 1;
    }
};

TEST_F(scoring_test, rounds_1_to_4_pay_the_stake_to_a_right_answer_and_the_bank_for_a_wrong_one)
{
    const int32_t stakes[] = {25, 50, 100, 200};
    for (int round = 1; round <= 4; ++round) {
        SCOPED_TRACE(round);
        disp->seat(2).m_account = 0;
        disp->session().m_bank = 0;
        set_round(round, 1, 2);
        for (int i = 0; i < 8; ++i)
            disp->score_answer(true);
        EXPECT_EQ(account(2), 8 * stakes[round - 1]);
        EXPECT_EQ(bank(), 0);
        EXPECT_EQ(markers(), 0);
        disp->score_answer(false);
        EXPECT_EQ(account(2), 8 * stakes[round - 1]);
        EXPECT_EQ(bank(), stakes[round - 1]);
        EXPECT_EQ(markers(), 1) << "a marker for the bank's change";
        EXPECT_EQ(send("press_player_dead"), 1);
        root->collect_dead_children();
        EXPECT_EQ(markers(), 0);
    }
    EXPECT_EQ(+disp->seat(2).m_right_nmb, 32);
    EXPECT_EQ(+disp->seat(2).m_wrong_nmb, 4);
    EXPECT_EQ(listener->take().find("update_round_statistics()"), 0u);
}

TEST_F(scoring_test, round_5_moves_the_stake_between_chooser_and_answerer_and_always_feeds_the_bank)
{
    keep_in_game({1, 3, 4, 6});
    const struct
    {
        int step;
        bool right;
        int32_t stake;
    } cases[] = {{2, true, 300}, {8, false, 300}, {10, true, 400}, {16, true, 400}, {40, true, 600}, {0, true, 300}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.step);
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            disp->seat(slot).m_account = 1000;
        disp->session().m_bank = 0;
        // Slot 3 chose slot 6; the stored chooser has moved on to slot 4.
        set_round(5, c.step, 6, 4);
        disp->score_answer(c.right);
        EXPECT_EQ(account(6), 1000 + (c.right ? c.stake : -c.stake));
        EXPECT_EQ(account(3), 1000 + (c.right ? -c.stake : c.stake));
        EXPECT_EQ(account(1), 1000);
        EXPECT_EQ(account(4), 1000);
        EXPECT_EQ(bank(), +c.stake);
    }
}

TEST_F(scoring_test, the_chooser_is_found_below_the_stored_one_wrapping_from_0_to_7)
{
    keep_in_game({2, 5, 7});
    const struct
    {
        int stored, chooser;
    } cases[] = {{5, 2}, {2, 7}, {0, 7}, {7, 5}, {-1, 7}};
    for (const auto &c : cases) {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            disp->seat(slot).m_account = 0;
        set_round(5, 2, 2 == c.chooser ? 5 : 2, c.stored);
        disp->score_answer(true);
        EXPECT_EQ(account(c.chooser), -300) << c.stored;
    }
}

TEST_F(scoring_test, round_6_the_duel_winner_takes_the_losers_account_and_a_debt_comes_out_of_the_bank)
{
    keep_in_game({0, 3, 5});
    const struct
    {
        bool right;
        int32_t answerer, chooser, bank;
        int32_t answerer_after, chooser_after, bank_after;
        int marker;
    } cases[] = {
        {true, 50, 200, 1000, 250, 0, 1000, 0},
        {true, 50, -100, 1000, 150, -200, 900, 1},
        {false, 0, 300, 1000, 0, 300, 1000, 0},
        {false, 120, 300, 1000, 0, 420, 1000, 0},
        {false, -50, 300, 1000, -100, 350, 950, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.right << " " << c.answerer << " " << c.chooser);
        // Slot 3 chose slot 5; the stored chooser has moved on to slot 5.
        set_round(6, 2, 5, 5);
        disp->seat(5).m_account = c.answerer;
        disp->seat(3).m_account = c.chooser;
        disp->seat(0).m_account = 77;
        disp->session().m_bank = c.bank;
        const int before = markers();
        disp->score_answer(c.right);
        EXPECT_EQ(account(5), +c.answerer_after);
        EXPECT_EQ(account(3), +c.chooser_after);
        EXPECT_EQ(account(0), 77);
        EXPECT_EQ(bank(), +c.bank_after);
        EXPECT_EQ(markers() - before, +c.marker);
    }
}

TEST_F(scoring_test, accounts_banks_and_counters_at_the_limits_of_int32_stay_there)
{
    // Accounts and banks come from other PCs' records; a debt doubles duel after duel.
    keep_in_game({0, 3, 5});
    constexpr int32_t MAX = INT32_MAX, MIN = INT32_MIN;
    const struct
    {
        const char *what;
        int round;
        bool right;
        int32_t answerer, chooser, bank;
        int32_t answerer_after, chooser_after, bank_after;
    } cases[] = {
        {"round 1, right at the top", 1, true, MAX - 10, 0, 0, MAX, 0, 0},
        {"round 4, wrong with a full bank", 4, false, 0, 0, MAX - 5, 0, 0, MAX},
        {"round 5, right against a chooser at the bottom", 5, true, MAX, MIN + 1, MAX, MAX, MIN, MAX},
        {"round 5, wrong at the bottom", 5, false, MIN + 100, MAX, 0, MIN, MAX, 300},
        {"round 6, a debt that cannot double", 6, true, MAX - 1, MIN / 2 - 1, MIN / 2, MAX, MIN, MIN},
        {"round 6, a rich loser", 6, false, MAX, MAX, 0, 0, MAX, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        set_round(c.round, 2, 5, 5);
        disp->seat(5).m_account = c.answerer;
        disp->seat(3).m_account = c.chooser;
        disp->session().m_bank = c.bank;
        disp->score_answer(c.right);
        EXPECT_EQ(account(5), +c.answerer_after);
        EXPECT_EQ(account(3), +c.chooser_after);
        EXPECT_EQ(bank(), +c.bank_after);
    }

    set_round(7, 1, 5);
    disp->seat(5).m_final_right_nmb = MAX;
    disp->seat(5).m_right_nmb = MAX;
    disp->score_answer(true);
    EXPECT_EQ(+disp->seat(5).m_final_right_nmb, MAX);
    EXPECT_EQ(+disp->seat(5).m_right_nmb, MAX);
    keep_in_game({3, 5});
    disp->seat(3).m_final_right_nmb = 0;
    EXPECT_EQ(disp->final_winner(), 5) << "no sum wraps round";
}

TEST_F(scoring_test, the_final_counts_right_answers_only_and_every_answer_refreshes_the_screen)
{
    set_round(7, 3, 4);
    disp->seat(4).m_account = 10;
    disp->score_answer(true);
    disp->score_answer(false);
    disp->score_answer(true);
    EXPECT_EQ(+disp->seat(4).m_final_right_nmb, 2);
    EXPECT_EQ(account(4), 10);
    EXPECT_EQ(bank(), 0);
    EXPECT_EQ(listener->take(), "update_round_statistics() update_round_statistics() update_round_statistics()");
}

TEST_F(scoring_test, lowest_and_highest_accounts_keep_the_lower_slot_on_ties)
{
    keep_in_game({1, 2, 4, 6});
    const int32_t accounts[8] = {-500, 100, 50, 900, 50, -900, 100, 0};
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        disp->seat(slot).m_account = accounts[slot];
    EXPECT_EQ(disp->lowest_account_slot(), 2);
    EXPECT_EQ(disp->highest_account_slot(), 1);
    EXPECT_EQ(disp->lowest_account_slot_except(2), 4);
    EXPECT_EQ(disp->lowest_account_slot_except(1), 2);
    keep_in_game({});
    EXPECT_EQ(disp->lowest_account_slot(), -1);
}

TEST_F(scoring_test, the_final_is_decided_once_one_finalist_cannot_be_caught)
{
    keep_in_game({2, 6});
    const struct
    {
        int n;
        int32_t p, q;
        int winner; // slot, -1 none
    } cases[] = {
        {4, 2, 0, -1}, {8, 4, 0, 2},  {8, 2, 1, -1}, {7, 0, 3, 6},  {7, 2, 0, -1}, {7, 3, 0, 2}, {6, 3, 0, 2},
        {10, 3, 3, -1}, {11, 4, 3, -1}, {11, 5, 3, 2}, {12, 3, 4, 6}, {12, 4, 4, -1}, {0, 0, 0, -1},
        {9, 5, 4, -1}, {9, 5, 3, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "n=" << c.n << " " << c.p << ":" << c.q);
        set_round(7, c.n, -1);
        disp->seat(2).m_final_right_nmb = c.p;
        disp->seat(6).m_final_right_nmb = c.q;
        EXPECT_EQ(disp->final_winner(), +c.winner);
    }
}

TEST_F(scoring_test, a_decided_final_starts_the_stop_timer_with_the_winners_position)
{
    keep_in_game({2, 6});
    set_round(7, 8, -1);
    disp->seat(2).m_final_right_nmb = 0;
    disp->seat(6).m_final_right_nmb = 4;
    EXPECT_TRUE(disp->decide_final());
    ASSERT_EQ(markers(), 1);
    EXPECT_NE(dynamic_cast<game_stop_timer_c *>(disp->first_child()), nullptr);
    disp->seat(6).m_final_right_nmb = 1;
    EXPECT_FALSE(disp->decide_final());
    EXPECT_EQ(markers(), 1);
}

} // namespace
