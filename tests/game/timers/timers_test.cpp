// Game timers and sequence watchers in a plain tree: what they send to the root, when, and that
// they end themselves.
#include "game/game_timers.h"
#include "tests/game/timers/game_listener.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class timers_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root.reset(new abstract_c(nullptr));
        game = new abstract_c(root.get());
        listener = new game_listener_c(root.get(), {"start_next_round", "send_question", "get_short_address"});
    }
    void TearDown() override { root->shutdown_tree(); }
    int sequence_finished() { return root->message(MSG_VAR(sequence_finished), 0, nullptr, MSG_ARGS_END); }
    int game_stopped()
    {
        return root->message(MSG_VAR(on_game_stopped), 0, nullptr, MSG_ARG(1), MSG_ARG(0), MSG_ARGS_END);
    }

    std::unique_ptr<abstract_c> root;
    abstract_c *game = nullptr;
    game_listener_c *listener = nullptr;
};

TEST_F(timers_test, a_timer_fires_once_its_period_after_its_first_tick_and_ends_itself)
{
    const struct
    {
        double period;
        std::vector<float> ticks;
        int fires_at; // index into ticks, -1 never
    } cases[] = {
        {8.0, {100.0f, 107.5f, 108.0f, 130.0f}, 2}, // equality fires
        {8.0, {100.0f, 107.0f, 109.0f, 130.0f}, 2},
        {2.0, {50.0f, 51.0f, 60.0f}, 2},             // the start is the first tick, not the creation
        {0.5, {3.0f, 3.25f, 3.5f}, 2},
        {0.0, {0.0f, 100.0f, 1000.0f}, -1},          // no period: stays until its parent dies
        {-1.0, {0.0f, 100.0f}, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.period);
        auto *timer = new next_round_timer_c(game, c.period);
        object_pointer_c alive(timer);
        for (size_t i = 0; i < c.ticks.size(); ++i) {
            SCOPED_TRACE(c.ticks[i]);
            tick_tree(root.get(), c.ticks[i]);
            const bool fired = c.fires_at >= 0 && (int)i >= c.fires_at;
            EXPECT_EQ(listener->take(), (int)i == c.fires_at ? "start_next_round()" : "");
            EXPECT_EQ(alive.get() == nullptr, fired);
        }
        if (c.fires_at >= 0) {
            EXPECT_EQ(listener->senders.back(), timer);
            EXPECT_EQ(child_count(game), 0) << "collected with the dead";
        } else {
            EXPECT_EQ(timer->start(), c.ticks[0]);
            timer->shutdown_tree();
            root->collect_dead_children();
        }
    }
}

TEST_F(timers_test, each_timer_sends_its_own_request_and_lets_the_tick_go_on)
{
    new send_question_timer_c(game, 20.0);
    new next_round_timer_c(game, 8.0);
    auto *later = new game_listener_c(root.get(), {"tick"});
    tick_tree(root.get(), 0.0f);
    tick_tree(root.get(), 8.0f);
    EXPECT_EQ(listener->take(), "start_next_round()");
    tick_tree(root.get(), 20.0f);
    EXPECT_EQ(listener->take(), "send_question()");
    EXPECT_EQ(later->heard.size(), 3u) << "no timer claims a tick";
    EXPECT_EQ(child_count(game), 0);
}

TEST_F(timers_test, a_timer_or_watcher_whose_parent_dies_first_never_acts)
{
    new next_round_timer_c(game, 1.0);
    new question_after_sequence_c(game);
    tick_tree(root.get(), 0.0f);
    game->shutdown_tree();
    tick_tree(root.get(), 5.0f);
    EXPECT_EQ(sequence_finished(), 0);
    EXPECT_EQ(listener->take(), "");
}

TEST_F(timers_test, a_tick_without_a_time_is_ignored)
{
    auto *timer = new next_round_timer_c(game, 1.0);
    EXPECT_EQ(root->message(MSG_VAR(tick), 0, nullptr, MSG_ARGS_END), 0);
    EXPECT_EQ(root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(5), MSG_ARGS_END), 0);
    EXPECT_EQ(timer->start(), -1.0);
    tick_tree(root.get(), 2.0f);
    EXPECT_EQ(timer->start(), 2.0);
}

TEST_F(timers_test, a_question_watcher_asks_for_the_question_after_the_next_finished_sequence)
{
    auto *watcher = new question_after_sequence_c(game);
    object_pointer_c alive(watcher);
    EXPECT_EQ(root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.0f), MSG_ARG(0.1f), MSG_ARGS_END), 0);
    EXPECT_EQ(listener->take(), "");
    EXPECT_EQ(sequence_finished(), 1) << "the watcher claims it";
    EXPECT_EQ(listener->take(), "send_question()");
    EXPECT_EQ(listener->senders.back(), watcher);
    EXPECT_EQ(alive.get(), nullptr);
    EXPECT_EQ(sequence_finished(), 0);
    EXPECT_EQ(listener->take(), "");
}

TEST_F(timers_test, of_two_waiting_watchers_one_finished_sequence_serves_only_the_first)
{
    new question_after_sequence_c(game);
    new question_after_sequence_c(game);
    EXPECT_EQ(sequence_finished(), 1);
    EXPECT_EQ(listener->take(), "send_question()");
    EXPECT_EQ(child_count(game), 2) << "the first is dead, not yet collected";
    root->collect_dead_children();
    EXPECT_EQ(child_count(game), 1);
    EXPECT_EQ(sequence_finished(), 1);
    EXPECT_EQ(listener->take(), "send_question()");
}

TEST_F(timers_test, a_stopped_game_removes_question_and_answer_watchers_but_not_a_choice_watcher)
{
    object_pointer_c question(new question_after_sequence_c(game));
    object_pointer_c answer(new answer_after_sequence_c(game, 1));
    object_pointer_c choice(new choice_after_sequence_c(game, 5));
    auto *later = new game_listener_c(root.get(), {"on_game_stopped"});
    EXPECT_EQ(game_stopped(), 0);
    EXPECT_EQ(later->heard.size(), 1u) << "nobody claims it";
    EXPECT_EQ(question.get(), nullptr);
    EXPECT_EQ(answer.get(), nullptr);
    EXPECT_NE(choice.get(), nullptr);
    EXPECT_EQ(listener->take(), "") << "no question, no address asked";
}

} // namespace
