// The vote screen on the project's screen script: the card the game fills and clears, the
// card shown and hidden, the vote button, and the portrait of the player on the card.
#include "game/player_info.h"
#include "tests/ui/game_screens/registry_fixture.h"
#include "ui/ui_edit.h"
#include "ui/ui_screen_vote.h"
#include "ui/ui_text_static.h"

#include <cstdint>
#include <cstring>

namespace {

const char *const card_edits[] = {"player_name_edit", "character_edit", "health_edit", "job_edit",
                                  "hobby_edit", "voted_against_edit", "age_edit", "intellect_edit",
                                  "pulse_edit", "account_edit", "right_answers_edit", "wrong_answers_edit"};

player_info player(const char *name, int32_t portrait)
{
    player_info p;
    player_info_init(p);
    std::strncpy(p.name, name, sizeof p.name - 1);
    p.portr_nmb = portrait;
    p.age = 41;
    p.character = 2;
    p.health = 0;
    p.job = 7;
    p.hobby = 3;
    p.intellect = 77;
    p.pulse = 64;
    p.m_account = -1500;
    p.m_right_nmb = 6;
    p.m_wrong_nmb = 0;
    return p;
}

class vote_screen_test : public stored_screen_test
{
protected:
    void SetUp() override
    {
        stored_screen_test::SetUp();
        put_source("data/scripts/screen_vote.isc", "scripts/screen_vote.isc");
        recorder->heard_names = {"on_vote_against"};
        load("screen_vote");
        screen = live_child_of_container<screen_vote>();
        portrait = find<voter_portrait>("vote_target_portrait");
        background = find<named_multistate_image>("vote_screen_background");
    }
    // As the game sends them, to the root.
    int update(const player_info &p, const char *voted_against)
    {
        return send("update_voter_info", MSG_ARG((void *)&p), value_c(voted_against, value_c::STRING));
    }
    std::vector<std::string> card()
    {
        std::vector<std::string> out;
        for (const char *name : card_edits) {
            edit *e = find<edit>(name);
            out.push_back(e ? e->text() : "(missing)");
        }
        return out;
    }
    std::string portrait_name()
    {
        const text_lines_c &t = portrait->name_text()->text();
        return t.line_count() ? t.line_text(0) : "";
    }

    screen_vote *screen = nullptr;
    voter_portrait *portrait = nullptr;
    named_multistate_image *background = nullptr;
};

TEST_F(vote_screen_test, the_card_shows_the_record_with_the_scripts_texts_for_its_codes)
{
    ASSERT_TRUE(screen && portrait && background);
    EXPECT_EQ(update(player("\xc0\xed\xed\xe0 \xcf\xe5\xf2\xf0\xee\xe2\xe0", 13), "\xc8\xe2\xe0\xed"), 0);
    // Character 2, health 0, job 7, hobby 3 read the attributes numbered 3, 1, 8 and 4.
    EXPECT_EQ(card(), (std::vector<std::string>{
                          "\xc0\xed\xed\xe0 \xcf\xe5\xf2\xf0\xee\xe2\xe0",
                          screen->attribute("character3")->get_const_pchar(),
                          screen->attribute("health1")->get_const_pchar(),
                          screen->attribute("job8")->get_const_pchar(),
                          screen->attribute("hobby4")->get_const_pchar(),
                          "\xc8\xe2\xe0\xed", "41", "77", "64", "-1500", "6", "0"}));
    EXPECT_EQ(portrait_name(), "\xcf\xe5\xf2\xf0\xee\xe2\xe0") << "the portraits hear it after the screen";
    EXPECT_EQ(portrait->portrait_number(), 13);
    EXPECT_TRUE(portrait->portrait()->is_visible());

    send("reset_voter_info");
    EXPECT_EQ(card(), std::vector<std::string>(12, ""));
    EXPECT_EQ(portrait_name(), "");
    EXPECT_FALSE(portrait->portrait()->is_visible());
    EXPECT_EQ(portrait->portrait_number(), 0);
}

TEST_F(vote_screen_test, the_script_has_a_text_for_every_code_and_a_picture_for_every_portrait_of_the_players)
{
    // The players' descriptions use character 0..3, health 0..2, job and hobby 0..7 and the
    // portraits 0..23.
    for (int v = 0; v < 8; ++v) {
        SCOPED_TRACE(v);
        player_info p = player("A B", 0);
        p.character = v % 4;
        p.health = v % 3;
        p.job = p.hobby = v;
        update(p, "");
        for (const char *e : {"character_edit", "health_edit", "job_edit", "hobby_edit"})
            EXPECT_NE(find<edit>(e)->text(), std::string()) << e;
    }
    for (int n = 0; n < 24; ++n) {
        SCOPED_TRACE(n);
        update(player("A B", n), "");
        EXPECT_EQ(portrait->portrait()->tex_rect(), rect(float(n % 8 * 64), float(n / 8 * 64),
                                                         float(n % 8 * 64 + 64), float(n / 8 * 64 + 64)));
        EXPECT_EQ(portrait->portrait()->texture_path(), "textures/vote_portraits");
    }
}

TEST_F(vote_screen_test, a_code_without_a_text_in_the_script_leaves_its_field_empty_and_the_card_filled)
{
    // Another PC's record may carry any code: the card shows what it can and the game goes on.
    struct case_s
    {
        void (*set)(player_info &);
        const char *edit;
    };
    const case_s cases[] = {
        {[](player_info &p) { p.character = 4; }, "character_edit"},
        {[](player_info &p) { p.health = -1; }, "health_edit"},
        {[](player_info &p) { p.job = 8; }, "job_edit"},
        {[](player_info &p) { p.hobby = 1000; }, "hobby_edit"},
        {[](player_info &p) { p.job = INT32_MAX; }, "job_edit"},
        {[](player_info &p) { p.hobby = INT32_MIN; }, "hobby_edit"},
    };
    update(player("A B", 1), "C");
    const std::vector<std::string> full = card();
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.edit);
        send("reset_voter_info");
        player_info p = player("A B", 1);
        c.set(p);
        EXPECT_EQ(update(p, "C"), 0);
        std::vector<std::string> expected = full;
        for (size_t i = 0; i < expected.size(); ++i)
            if (std::strcmp(card_edits[i], c.edit) == 0)
                expected[i] = "";
        EXPECT_EQ(card(), expected);
    }
}

TEST_F(vote_screen_test, the_portrait_shows_the_name_after_its_first_space)
{
    struct case_s
    {
        const char *name;
        const char *shown;
    };
    const case_s cases[] = {
        {"\xc0\xed\xed\xe0 \xcf\xe5\xf2\xf0\xee\xe2\xe0", "\xcf\xe5\xf2\xf0\xee\xe2\xe0"},
        {"\xc0\xed\xed\xe0", "\xc0\xed\xed\xe0"},
        {"\xc0\xed\xed\xe0 ", ""},
        {"Anna Maria Petrova", "Maria Petrova"},
        {" Petrova", "Petrova"},
        {"", ""},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.name);
        update(player(c.name, 2), "");
        EXPECT_EQ(portrait_name(), c.shown);
        EXPECT_EQ(find<edit>("player_name_edit")->text(), std::string(c.name));
    }
}

TEST_F(vote_screen_test, a_name_filling_its_whole_field_is_read_no_further)
{
    player_info p = player("", 3);
    std::memset(p.name, 'x', sizeof p.name);
    p.name[10] = ' ';
    p.age = 0x41414141; // what follows the name in the record
    update(p, "");
    EXPECT_EQ(find<edit>("player_name_edit")->text(), std::string(p.name, sizeof p.name));
    EXPECT_EQ(portrait_name(), std::string(sizeof p.name - 11, 'x'));
}

TEST_F(vote_screen_test, the_portrait_picture_takes_the_size_of_its_cell_inside_the_frame)
{
    struct case_s
    {
        int32_t number;
        int32_t kept;
        rect tex;
        bool visible;
    };
    const case_s cases[] = {
        {5, 5, rect(320, 0, 384, 64), true},
        {0, 0, rect(0, 0, 64, 64), true},
        {-1, 0, rect(0, 0, 64, 64), false},
        {23, 23, rect(448, 128, 512, 192), true},
    };
    const rect control = portrait->screen_rect();
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.number);
        update(player("A B", c.number), "");
        EXPECT_EQ(portrait->portrait_number(), c.kept);
        EXPECT_EQ(portrait->portrait()->tex_rect(), c.tex);
        EXPECT_EQ(portrait->portrait()->screen_rect(),
                  rect(control.left + 9, control.top + 10, control.left + 73, control.top + 74));
        EXPECT_EQ(bool(portrait->portrait()->is_visible()), c.visible);
    }
    EXPECT_EQ(portrait->frame()->screen_rect(), rect(control.left, control.top, control.left + 82, control.top + 84));
    EXPECT_EQ(portrait->frame()->texture_path(), "textures/vote_frame");
}

TEST_F(vote_screen_test, showing_and_hiding_the_card_takes_everything_on_it)
{
    update(player("A B", 4), "");
    struct case_s
    {
        const char *message;
        bool visible;
    };
    for (const case_s &c : {case_s{"hide_vote_screen", false}, case_s{"show_vote_screen", true},
                            case_s{"hide_vote_screen", false}}) {
        SCOPED_TRACE(c.message);
        send(c.message);
        EXPECT_EQ(bool(background->is_visible()), c.visible);
        EXPECT_EQ(bool(portrait->is_visible()), c.visible);
        EXPECT_EQ(bool(portrait->frame()->is_visible()), c.visible);
        EXPECT_EQ(bool(find<edit>("wrong_answers_edit")->is_visible()), c.visible);
        EXPECT_TRUE(screen->alive());
    }
}

TEST_F(vote_screen_test, show_named_for_another_name_leaves_the_portrait_and_its_frame)
{
    send("hide_vote_screen");
    portrait->set_visible(1);
    EXPECT_EQ(send("show_named", MSG_ARG(1), value_c("vote_target_portraits", value_c::STRING)), 0);
    EXPECT_FALSE(portrait->frame()->is_visible());
    EXPECT_EQ(send("show_named", MSG_ARG(0), value_c("vote_target_portrait", value_c::STRING)), 1);
    EXPECT_FALSE(portrait->is_visible());
    EXPECT_EQ(send("show_named", MSG_ARG(1), value_c("vote_target_portrait", value_c::STRING)), 1);
    EXPECT_TRUE(portrait->is_visible());
    EXPECT_TRUE(portrait->frame()->is_visible());
}

TEST_F(vote_screen_test, the_vote_button_asks_the_game_to_cast_the_vote)
{
    take_heard();
    EXPECT_EQ(press("vote_against"), 1);
    EXPECT_EQ(take_heard(), std::vector<std::string>{"on_vote_against"});
    EXPECT_EQ(press("vote_for"), 0);
    EXPECT_EQ(take_heard(), std::vector<std::string>{});
    EXPECT_TRUE(screen->alive());
}

} // namespace
