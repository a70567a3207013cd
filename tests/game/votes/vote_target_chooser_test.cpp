// The vote target chooser: nothing before the camera has reached the voter, then pointing
// changes the target (never to the voter himself), a left-button release reports it, and the
// vote button sends the vote once.
#include "game/universal_delay.h"
#include "game/vote_target_chooser.h"
#include "tests/game/votes/pointer_fixture.h"

namespace {

constexpr int VOTER_SLOT = 3;
constexpr int VOTER_MODEL = 2;
constexpr int OFFERED = 1;

class vote_target_chooser_test : public pointer_test
{
protected:
    void SetUp() override
    {
        pointer_test::SetUp();
        put_model(VOTER_AT, VOTER_MODEL);
    }
    vote_target_chooser_c *make(int offered = OFFERED)
    {
        chooser = new vote_target_chooser_c(disp, VOTER_SLOT, VOTER_MODEL, offered);
        return chooser;
    }
    // What the movie loader does at the end of the queued camera move.
    void sequence_played()
    {
        for (abstract_c *c = chooser->first_child(); c; c = c->next_sibling())
            if (auto *delayed = dynamic_cast<delayed_message_c *>(c))
                delayed->message(MSG_VAR(send_message), 0, nullptr, MSG_ARGS_END);
    }
    vote_target_chooser_c *ready(int offered = OFFERED)
    {
        make(offered);
        sequence_played();
        listener->heard.clear();
        disp->heard.clear();
        return chooser;
    }

    static constexpr vec2 VOTER_AT{700.0f, 100.0f};
    vote_target_chooser_c *chooser = nullptr;
};

TEST_F(vote_target_chooser_test, construction_moves_the_camera_to_the_voter_and_queues_can_vote)
{
    make();
    const std::string heard = listener->take();
    EXPECT_EQ(0u, heard.find("change_cursor(PCHAR:standard,INT:0) add_to_sequence(PCHAR:accel_mover2_y,INT:1) "
                             "add_to_sequence(PCHAR:animation_message,PTR:"))
        << heard;
    EXPECT_NE(std::string::npos, heard.find(") activate_sequence()")) << heard;
    EXPECT_EQ("get_player_info(INT:3,PTR:", disp->take().substr(0, 26));
    const delayed_message_c *delayed = dynamic_cast<delayed_message_c *>(chooser->first_child());
    ASSERT_NE(nullptr, delayed);
    EXPECT_EQ("can_vote", delayed->name());
    EXPECT_STREQ("Seat 3", delayed->argument(0).get_const_pchar());
    EXPECT_FALSE(chooser->voting_enabled());
}

TEST_F(vote_target_chooser_test, can_vote_offers_the_default_target_and_shows_the_vote_screen)
{
    make();
    listener->heard.clear();
    disp->heard.clear();
    sequence_played();
    EXPECT_TRUE(chooser->voting_enabled());
    EXPECT_EQ(OFFERED, chooser->picked());
    EXPECT_EQ("vote_target_selected(INT:1)", disp->take());
    EXPECT_EQ("show_vote_screen()", listener->take());
}

TEST_F(vote_target_chooser_test, the_mouse_does_nothing_before_can_vote)
{
    make();
    listener->heard.clear();
    release(MODEL_A);
    EXPECT_EQ("", listener->take());
    EXPECT_EQ(-1, chooser->picked());
}

TEST_F(vote_target_chooser_test, the_voters_own_model_is_pointed_at_like_empty_space)
{
    ready();
    put_model(MODEL_B, 4);
    mouse(MODEL_B);
    cursors();
    mouse(VOTER_AT);
    EXPECT_EQ(4, chooser->picked());
    EXPECT_EQ(std::vector<std::string>{"change_cursor(PCHAR:standard,INT:0)"}, cursors());
    release(VOTER_AT);
    EXPECT_EQ(4, chooser->picked());
    EXPECT_EQ("", disp->take());
    EXPECT_EQ(0, send(MSG_VAR(location_feedback), "picker", "", VOTER_MODEL));
    EXPECT_EQ(4, chooser->picked());
}

TEST_F(vote_target_chooser_test, pointing_changes_the_target_and_only_a_left_release_reports_it)
{
    ready();
    put_model(MODEL_B, 4);
    struct
    {
        vec2 at;
        int button, change;
        int target;
        const char *cursor;
        const char *reported;
    } cases[] = {
        {MODEL_B, -1, 0, 4, "change_cursor(PCHAR:smodel,INT:1)", ""},
        {MODEL_A, 0, 1, 1, nullptr, ""},
        {MODEL_B, 1, 2, 4, nullptr, ""},
        {MODEL_A, 0, 2, 1, nullptr, "vote_target_selected(INT:1)"},
        {EMPTY, 0, 2, 1, "change_cursor(PCHAR:standard,INT:0)", ""},
        {MODEL_B, -1, 0, 4, "change_cursor(PCHAR:smodel,INT:1)", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.at.x << " " << c.button << "/" << c.change);
        mouse(c.at, c.button, c.change);
        EXPECT_EQ(c.target, chooser->picked());
        const std::vector<std::string> expected =
            c.cursor ? std::vector<std::string>{c.cursor} : std::vector<std::string>{};
        EXPECT_EQ(expected, cursors());
        EXPECT_EQ(c.reported, disp->take());
    }
}

TEST_F(vote_target_chooser_test, the_vote_goes_against_the_last_model_pointed_at)
{
    ready();
    put_model(MODEL_B, 5);
    mouse(MODEL_B);
    mouse(EMPTY);
    EXPECT_EQ(1, send(MSG_VAR(on_vote_against)));
    EXPECT_EQ("send_vote_message(INT:3,INT:5)", disp->take());
    EXPECT_FALSE(chooser->alive());
}

TEST_F(vote_target_chooser_test, a_vote_without_a_target_is_swallowed)
{
    ready(-1);
    EXPECT_EQ(1, send(MSG_VAR(on_vote_against)));
    EXPECT_TRUE(chooser->alive());
    EXPECT_EQ("", disp->take());
}

TEST_F(vote_target_chooser_test, packs_the_cursor_position_into_one_int)
{
    struct
    {
        vec2 at;
        int32_t packed;
    } cases[] = {{{100.7f, 200.2f}, 6553800}, {{0.0f, 0.0f}, 0}, {{1024.0f, 768.0f}, 1024 << 16 | 768},
                 {{1.0f, 70000.0f}, 1 << 16 | (70000 & 0xFFFF)}};
    for (const auto &c : cases)
        EXPECT_EQ(c.packed, model_pointer_c::pack_position(c.at)) << c.at.x << "," << c.at.y;
}

} // namespace
