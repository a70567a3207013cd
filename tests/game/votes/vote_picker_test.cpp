// The opponent picker: pointing shows the model cursor, only a left-button release chooses,
// and the confirmed choice goes to the server as the slot of the chosen model.
#include "game/vote_picker.h"
#include "tests/game/votes/pointer_fixture.h"

namespace {

class vote_picker_test : public pointer_test
{
protected:
    void SetUp() override
    {
        pointer_test::SetUp();
        picker = new vote_picker_c(disp);
    }
    vote_picker_c *picker = nullptr;
};

TEST_F(vote_picker_test, starts_with_no_choice_and_the_standard_cursor)
{
    EXPECT_EQ(-1, picker->picked());
    EXPECT_STREQ("standard", picker->cursor_name());
    EXPECT_EQ("", listener->take());
}

TEST_F(vote_picker_test, hovering_shows_the_model_cursor_without_choosing)
{
    mouse(MODEL_A);
    EXPECT_EQ(std::vector<std::string>{"change_cursor(PCHAR:smodel,INT:1)"}, cursors());
    EXPECT_EQ(-1, picker->picked());
    mouse(EMPTY);
    EXPECT_EQ(std::vector<std::string>{"change_cursor(PCHAR:standard,INT:0)"}, cursors());
    EXPECT_EQ(-1, picker->picked());
    EXPECT_EQ("", disp->take());
}

TEST_F(vote_picker_test, repeated_moves_over_a_model_change_the_cursor_once)
{
    mouse(MODEL_A);
    mouse(MODEL_A);
    mouse(MODEL_B);
    EXPECT_EQ(std::vector<std::string>{"change_cursor(PCHAR:smodel,INT:1)"}, cursors());
}

TEST_F(vote_picker_test, asks_the_location_picker_with_the_packed_cursor_position)
{
    mouse(vec2(100.7f, 200.2f));
    EXPECT_NE(std::string::npos, listener->take().find("activate(PCHAR:picker,INT:6553800)"));
}

TEST_F(vote_picker_test, only_a_left_button_release_over_a_model_chooses_it)
{
    struct
    {
        int button, change;
        int picked;
    } cases[] = {{0, 1, -1}, {1, 2, -1}, {-1, 0, -1}, {0, 2, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << "/" << c.change);
        mouse(MODEL_A, c.button, c.change);
        EXPECT_EQ(c.picked, picker->picked());
        EXPECT_EQ(c.picked == -1 ? "" : "vote_target_selected(INT:1)", disp->take());
    }
}

TEST_F(vote_picker_test, a_release_over_empty_space_keeps_the_choice)
{
    release(MODEL_B);
    EXPECT_EQ("vote_target_selected(INT:2)", disp->take());
    release(EMPTY);
    mouse(MODEL_A);
    EXPECT_EQ(2, picker->picked());
    EXPECT_EQ("", disp->take());
}

TEST_F(vote_picker_test, feedback_from_another_object_or_without_a_model_is_not_taken)
{
    EXPECT_EQ(0, send(MSG_VAR(location_feedback), "other", "", 3));
    EXPECT_EQ(0, send(MSG_VAR(location_feedback), "picker", "", -1));
    EXPECT_EQ(-1, picker->picked());
    EXPECT_EQ(1, send(MSG_VAR(location_feedback), value_c("picker", value_c::STRING), "", 3));
    EXPECT_EQ(3, picker->picked());
}

TEST_F(vote_picker_test, an_emulated_selection_chooses_and_tells_the_dispatcher)
{
    EXPECT_EQ(1, send(MSG_VAR(emul_selection), 4));
    EXPECT_EQ(4, picker->picked());
    EXPECT_EQ("vote_target_selected(INT:4)", disp->take());
}

TEST_F(vote_picker_test, a_confirmation_without_a_choice_is_taken_and_ignored)
{
    EXPECT_EQ(1, send(MSG_VAR(on_opponent_selected)));
    EXPECT_TRUE(picker->alive());
    EXPECT_TRUE(studio->answered.empty());
}

// Players in slots 0, 2 and 5: the model numbers 0, 1, 2 name those slots; a number beyond
// them names slot 8, which the server drops.
TEST_F(vote_picker_test, the_confirmed_choice_goes_to_the_server_as_the_slot_of_the_model)
{
    struct
    {
        int picked;
        std::vector<int> answered;
    } cases[] = {{0, {0}}, {1, {2}}, {2, {5}}, {3, {}}};
    picker->shutdown_tree();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.picked);
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            studio->session.m_players[slot].m_in_game = slot == 0 || slot == 2 || slot == 5;
        studio->answered.clear();
        auto *p = new vote_picker_c(disp);
        send(MSG_VAR(emul_selection), c.picked);
        send(MSG_VAR(on_opponent_selected));
        EXPECT_EQ(c.answered, studio->answered);
        if (!c.answered.empty()) {
            EXPECT_EQ((int32_t)manager->short_address(), studio->answer_address);
        }
        EXPECT_FALSE(p->alive());
    }
}

} // namespace
