// Delayed messages and a sequence watcher in the real movie loader's sequence: the message goes
// out when its step is reached, the watcher acts when the whole sequence has played.
#include "game/game_timers.h"
#include "game/universal_delay.h"
#include "tests/game/timers/game_listener.h"
#include "tests/movies/movie_fixture.h"

namespace {

using loader_sequence = movie_fixture;

TEST_F(loader_sequence, the_message_goes_at_its_step_and_the_watcher_at_the_end)
{
    make_loader(0);
    auto *heard = new game_listener_c(root, {"can_vote", "send_question"});
    float heard_at[2] = {-1.0f, -1.0f};
    heard->on_heard = [&](const std::string &name) { heard_at[name == "can_vote" ? 0 : 1] = journal().now; };
    auto *delayed = new delayed_message_c(game, "can_vote", MSG_ARG(2), MSG_ARG("player"), MSG_ARGS_END);
    object_pointer_c watcher(new question_after_sequence_c(game));
    EXPECT_EQ(1, send(MSG_VAR(add_to_sequence), "animation_delay", 0.5f));
    EXPECT_EQ(1, send(MSG_VAR(add_to_sequence), "animation_message", (void *)delayed));
    EXPECT_EQ(1, send(MSG_VAR(add_to_sequence), "animation_delay", 0.5f));
    EXPECT_EQ(1, send(MSG_VAR(activate_sequence)));
    run(0.6f);
    EXPECT_EQ(heard->take(), "");
    run(0.4f);
    EXPECT_EQ(heard->take(), "can_vote(INT:2,STRING:player)");
    EXPECT_NEAR(heard_at[0], 0.8f, 0.03f) << "0.1 + 0.5 + 0.1 + 0.1 s of pauses before it";
    EXPECT_NE(watcher.get(), nullptr);
    run(1.0f);
    EXPECT_EQ(heard->take(), "send_question()");
    EXPECT_NEAR(heard_at[1], 1.6f, 0.03f);
    EXPECT_EQ(watcher.get(), nullptr);
}

} // namespace
