// The players' round values and the computer players' answers and choices.
#include "tests/game/disp/disp_fixture.h"

#include <set>

namespace {

class condition_test : public disp_tree_test
{
protected:
    void SetUp() override
    {
        disp_tree_test::SetUp();
        fill_store(12);
        make_disp();
    }
    player_info &p(int slot) { return disp->seat(slot); }
    void set_values(int slot, int intellect, int pulse, int health)
    {
        p(slot).intellect = intellect;
        p(slot).pulse = pulse;
        p(slot).health = health;
    }
};

TEST_F(condition_test, round_1_takes_the_initial_values_and_clears_the_counters_and_votes)
{
    set_values(3, 62, 71, 1);
    p(3).m_vote_target = 5;
    p(4).m_in_game = 0;
    p(4).m_vote_target = 6;
    p(4).m_right_nmb = 9;
    disp->round_start_update(1);
    EXPECT_EQ(+p(3).m_cur_intellect, 62);
    EXPECT_EQ(+p(3).m_cur_pulse, 71);
    EXPECT_EQ(+p(3).m_right_nmb, 0);
    EXPECT_EQ(+p(3).m_wrong_nmb, 0);
    EXPECT_EQ(+p(3).m_last_vote, 5);
    EXPECT_EQ(+p(3).m_vote_target, -1);
    EXPECT_EQ(+p(4).m_vote_target, 6) << "a seat out of the game is left alone";
    EXPECT_EQ(+p(4).m_right_nmb, 9);
}

TEST_F(condition_test, later_rounds_derive_intellect_from_the_answers_and_pulse_from_health)
{
    const struct
    {
        int round, intellect, cur_intellect, right, wrong, pulse, health;
        int expect_intellect, expect_pulse;
    } cases[] = {
        {2, 50, 50, 3, 1, 80, 0, 55, 96},
        {3, 50, 50, 3, 1, 80, 0, 55, 112},
        {2, 95, 95, 4, 0, 60, 1, 96, 67},
        {2, 100, 100, 4, 0, 60, 2, 100, 61},
        {5, 40, 40, 0, 5, 100, 2, 32, 110},
        {8, 70, 70, 1, 3, 40, 1, 61, 75},
        // No answer last round: the intellect stays.
        {4, 60, 58, 0, 0, 50, 1, 58, 68},
        // Counters as a faulty PC may have sent them: added wide, the intellect cut to its range.
        {2, 50, 50, INT32_MAX, 1, 80, 0, 59, 96},
        {2, 50, 50, INT32_MAX, 1 - INT32_MAX, 80, 0, 100, 96},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "round " << c.round << " intellect " << c.intellect);
        set_values(1, c.intellect, c.pulse, c.health);
        p(1).m_cur_intellect = c.cur_intellect;
        p(1).m_right_nmb = c.right;
        p(1).m_wrong_nmb = c.wrong;
        p(1).m_vote_target = 2;
        p(1).m_last_vote = 7;
        disp->round_start_update(c.round);
        EXPECT_EQ(+p(1).m_cur_intellect, +c.expect_intellect);
        EXPECT_EQ(+p(1).m_cur_pulse, +c.expect_pulse);
        EXPECT_EQ(+p(1).m_last_vote, c.round <= 3 ? 2 : 7) << "votes of rounds 1 to 3 are kept for display";
        EXPECT_EQ(+p(1).m_vote_target, -1);
    }
}

TEST_F(condition_test, initial_values_out_of_range_end_the_round_start)
{
    const struct
    {
        int intellect, pulse, health;
        const char *error;
    } cases[] = {
        {50, 39, 1, "Initial pulse out of specified range !"},
        {50, 101, 1, "Initial pulse out of specified range !"},
        {-1, 70, 1, "Initial intellect out of specified range !"},
        {101, 70, 1, "Initial intellect out of specified range !"},
        {50, 70, 3, "Wrong value for health specified !"},
        {50, 70, -1, "Wrong value for health specified !"},
        {0, 40, 0, ""},
        {100, 100, 2, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error);
        set_values(6, c.intellect, c.pulse, c.health);
        EXPECT_EQ(thrown_text([&] { disp->round_start_update(2); }), +c.error);
    }
    p(6).m_in_game = 0;
    p(6).pulse = 0;
    EXPECT_EQ(thrown_text([&] { disp->round_start_update(2); }), "") << "only seats in the game are checked";
}

TEST_F(condition_test, a_computer_player_answers_right_as_often_as_its_round_values_allow)
{
    disp->session().m_active_slot = 2;
    const struct
    {
        int round, cur_intellect, cur_pulse;
        int threshold; // right when rand()*100/32768 <= threshold
    } cases[] = {
        {1, 0, 80, 0}, {1, 50, 90, 50}, {1, 100, 100, 100}, {4, 80, 40, 80}, {8, 80, 40, 80},
        {3, 80, 80, 70}, {5, 60, 80, 45},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "round " << c.round << " " << c.cur_intellect << "/" << c.cur_pulse);
        disp->session().m_round = c.round;
        p(2).m_cur_intellect = c.cur_intellect;
        p(2).m_cur_pulse = c.cur_pulse;
        for (unsigned seed = 1; seed < 400; ++seed) {
            engine_srand(seed);
            const int d = engine_rand() * 100 / 32768;
            engine_srand(seed);
            ASSERT_EQ(disp->computer_answer_right(), d <= c.threshold) << "d = " << d;
        }
    }
}

TEST_F(condition_test, computer_choices_of_topic_and_opponent)
{
    std::set<int> topics;
    for (int i = 0; i < 300; ++i) {
        const int t = game_disp::computer_topic_choice();
        ASSERT_TRUE(t >= 0 && t < 6);
        topics.insert(t);
    }
    EXPECT_EQ(topics.size(), 6u);

    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        p(slot).m_in_game = 0;
    const int pulses[8] = {90, 70, 95, 95, 60, 99, 80, 100};
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        p(slot).m_cur_pulse = pulses[slot];
    for (int slot : {0, 1, 2, 3, 4})
        p(slot).m_in_game = 1;
    EXPECT_EQ(disp->highest_pulse_opponent(1), 2) << "ties keep the lower slot";
    EXPECT_EQ(disp->highest_pulse_opponent(2), 3);
    p(2).m_in_game = p(3).m_in_game = p(4).m_in_game = 0;
    EXPECT_EQ(disp->highest_pulse_opponent(1), 0) << "a single candidate";
    p(0).m_in_game = 0;
    EXPECT_EQ(disp->highest_pulse_opponent(1), -1);
}

} // namespace
