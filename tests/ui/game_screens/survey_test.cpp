// The survey screen (the project's data/scripts/screen_survey.isc): the form file in a home
// directory of the test's own, and the mail link handed to a stand-in for the spawn.
#include "platform/sys/shell.h"
#include "tests/ui/game_screens/game_screens_fixture.h"
#include "ui/ui_edit.h"
#include "ui/ui_screen_survey.h"
#include "ui/ui_text_static.h"

#include <cstdlib>

namespace {

using lines = std::vector<std::string>;
using bytes = std::vector<uint8_t>;

class survey_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        game_screens_test::SetUp();
        put("fonts/small.bmp", strip_bmp(std::vector<int>(224, 10), 12));
        put("fonts/big.bmp", strip_bmp(std::vector<int>(224, 10), 12));
        put_source("data/scripts/screen_survey.isc", "scripts/screen_survey.isc");
        put_script("screen_command", "create screen_clean { };\n");
        const char *home = std::getenv("HOME");
        had_home = home != nullptr;
        old_home = home ? home : "";
        home_dir = m_dir / "home";
        std::filesystem::create_directories(home_dir);
        setenv("HOME", home_dir.c_str(), 1);
        shell_set_spawn_hook([this](const std::vector<std::string> &argv) {
            spawned.push_back(argv);
            file_when_spawned = read_form();
            return 0;
        });
        recorder->heard_names = {"free_location", "load_screen"};
    }
    void TearDown() override
    {
        shell_set_spawn_hook({});
        if (had_home)
            setenv("HOME", old_home.c_str(), 1);
        else
            unsetenv("HOME");
        game_screens_test::TearDown();
    }

    bytes read_form()
    {
        std::ifstream in(home_dir / "winner.vrh", std::ios::binary);
        if (!in)
            return {0xEE, 0xEE}; // no file
        return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    int press(const char *name) { return send("butt_pressed", value_c(name, value_c::STRING)); }
    void set_edit(const char *name, const std::string &text)
    {
        ASSERT_EQ(send("named_edit_set_text", value_c(name, value_c::STRING), value_c(text.c_str(), value_c::STRING)),
                  1)
            << name;
    }
    std::string edit_text(const char *name) { return find<edit>(name)->text(); }

    std::filesystem::path home_dir;
    bool had_home = false;
    std::string old_home;
    std::vector<std::vector<std::string>> spawned;
    bytes file_when_spawned;
};

TEST_F(survey_test, the_form_file_holds_the_seven_texts_shifted_by_position)
{
    ASSERT_EQ(load("screen_survey"), 1);
    struct case_s
    {
        const char *what;
        const char *surname, *mail;
        bytes file;
    };
    const case_s cases[] = {
        {"all empty", "", "", bytes(7, 0)},
        {"abc", "abc", "", {3, 0x68, 0x6A, 0x6C, 0, 0, 0, 0, 0, 0}},
        {"wraps past 255", "\xFF\xFF", "", {2, 0x06, 0x07, 0, 0, 0, 0, 0, 0}},
        {"two fields", "A", "b@c", {1, 'A' + 7, 0, 0, 0, 0, 3, 'b' + 7, '@' + 8, 'c' + 9, 0}},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.what);
        set_edit("surname_edit", c.surname);
        set_edit("mail_edit", c.mail);
        take_heard();
        EXPECT_EQ(press("save_survey"), 1);
        EXPECT_EQ(read_form(), c.file);
        EXPECT_EQ(take_heard(), (lines{"free_location", "load_screen screen_command"}));
        ASSERT_EQ(load("screen_survey"), 1);
    }
    EXPECT_TRUE(spawned.empty()) << "saving opens no mail";
}

TEST_F(survey_test, score_and_age_come_from_the_hiscore_screen)
{
    ASSERT_EQ(load("screen_survey"), 1);
    EXPECT_EQ(send("set_hiscore_and_age_values", value_c(-1500), value_c(33)), 1);
    EXPECT_EQ(edit_text("score_edit"), "-1500");
    EXPECT_EQ(edit_text("age_edit"), "33");
    set_edit("surname_edit", "\xC8\xE2\xE0\xED\xEE\xE2");
    EXPECT_EQ(press("save_survey"), 1);
    EXPECT_EQ(read_form(), (bytes{6, 0xCF, 0xEA, 0xE9, 0xF7, 0xF9, 0xEE, 0, 0, 2, '3' + 7, '3' + 8, 0, 0, 5, '-' + 7,
                                  '1' + 8, '5' + 9, '0' + 10, '0' + 11}));
}

TEST_F(survey_test, the_field_being_typed_in_is_saved_without_the_caret_mark)
{
    ASSERT_EQ(load("screen_survey"), 1);
    edit *mail = find<edit>("mail_edit");
    ASSERT_NE(mail, nullptr);
    const rect r = mail->screen_rect();
    click(vec2(r.left + 20, r.top + 10));
    ASSERT_TRUE(mail->is_focused());
    for (char c : std::string("a@b"))
        send("char", value_c(int(uint8_t(c))), value_c(0), value_c(0));
    ASSERT_EQ(std::string(mail->text_static()->line_text(0)), "a@b|") << "what the edit shows";
    EXPECT_EQ(press("save_survey"), 1);
    EXPECT_EQ(read_form(), (bytes{0, 0, 0, 0, 0, 3, 'a' + 7, '@' + 8, 'b' + 9, 0}));
}

TEST_F(survey_test, texts_are_cut_at_127_bytes_and_missing_edits_count_as_empty)
{
    // Only a surname edit, which takes 270 bytes.
    put_script("screen_survey_long", R"(create screen_survey { } children : { create edit {
        string name = "surname_edit"; int editable = 1; int max_text = 271; rect tex = [0 0 32 24];
        string tex_name = "ui_edit"; int justify = -1; int left_margin = 2; int right_margin = 2;
        int vert_margin = 2; string font_name = "main"; vec3 chars_color = [255 255 255];
        string default_text = ""; }; };
)");
    ASSERT_EQ(load("screen_survey_long"), 1);
    set_edit("surname_edit", std::string(270, 'x'));
    ASSERT_EQ(edit_text("surname_edit").size(), 270u);
    EXPECT_EQ(press("save_survey"), 1);
    const bytes file = read_form();
    ASSERT_EQ(file.size(), 1u + 127 + 6);
    EXPECT_EQ(file[0], 127);
    EXPECT_EQ(file[127], uint8_t('x' + 126 + 7));
    EXPECT_EQ(bytes(file.begin() + 128, file.end()), bytes(6, 0));
}

TEST_F(survey_test, send_writes_the_file_then_opens_the_mail_link)
{
    ASSERT_EQ(load("screen_survey"), 1);
    set_edit("surname_edit", "abc");
    take_heard();
    EXPECT_EQ(press("send_survey"), 1);
    ASSERT_EQ(spawned.size(), 1u);
    ASSERT_EQ(spawned[0].size(), 2u);
    EXPECT_EQ(spawned[0][0], "xdg-open");
    // "mailto:...?subject=" and the subject's first letters in UTF-8, percent-encoded.
    EXPECT_EQ(spawned[0][1].rfind("mailto:konkurs@varnholt.ru?subject=%D0%90%D0%BD%D0%BA", 0), 0u) << spawned[0][1];
    EXPECT_NE(spawned[0][1].find("winner.vrh"), std::string::npos);
    EXPECT_EQ(file_when_spawned, (bytes{3, 0x68, 0x6A, 0x6C, 0, 0, 0, 0, 0, 0})) << "the form is on disk first";
    EXPECT_EQ(take_heard(), (lines{"free_location", "load_screen screen_command"}));

    // A home without room for the file: no mail to attach it to, the screen still goes on.
    setenv("HOME", (home_dir / "missing").c_str(), 1);
    ASSERT_EQ(load("screen_survey"), 1);
    take_heard();
    EXPECT_EQ(press("send_survey"), 1);
    EXPECT_EQ(spawned.size(), 1u);
    EXPECT_EQ(take_heard(), (lines{"free_location", "load_screen screen_command"}));

    // Other buttons are the base's.
    for (const char *other : {"save", "send_survey ", "back"})
        EXPECT_EQ(press(other), 0) << other;
}

} // namespace
