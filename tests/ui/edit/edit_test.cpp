// Edit fields on the recording device: layout, the key rules, the text messages, focus and
// the caret mark, the mail edit's letters and the numeric edit's steps.
#include "tests/ui/input_fixture.h"
#include "ui/ui_edit.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image.h"

#include <cstring>
#include <typeinfo>

namespace {

// The three-part frame of ui_edit: 8 + 4 * 16 + 8 = 80 pixels wide, 24 high, at (100, 50).
struct edit_spec
{
    const char *name = "player";
    int max_text = 10;
    const char *text = "";
    int editable = 1;
    int middle_repeat = 4; // -1: one-piece frame
    int justify = -1;
    int left_margin = 4, right_margin = 4, vert_margin = 6;
};

attribute_list_c edit_attrs(const edit_spec &s)
{
    attribute_list_c list = attrs({{"editable", value_c(s.editable)},
                                   {"max_text", value_c(s.max_text)},
                                   {"tex", value_c(rect(0, 0, 8, 24))},
                                   {"tex_name", text_value("ui_edit")},
                                   {"justify", value_c(s.justify)},
                                   {"left_margin", value_c(s.left_margin)},
                                   {"right_margin", value_c(s.right_margin)},
                                   {"vert_margin", value_c(s.vert_margin)},
                                   {"font_name", text_value("even")},
                                   {"chars_color", value_c(vec3(0, 0, 0))},
                                   {"default_text", text_value(s.text)},
                                   {"name", text_value(s.name)},
                                   {"screen_rect", value_c(rect(100, 50, 100, 50))}});
    if (s.middle_repeat >= 0) {
        add_attribute(nullptr, list, "middle_repeat", value_c(s.middle_repeat), 0);
        add_attribute(nullptr, list, "middle_tex", value_c(rect(8, 0, 24, 24)), 0);
        add_attribute(nullptr, list, "right_tex", value_c(rect(24, 0, 32, 24)), 0);
    }
    return list;
}

// Plus and minus areas right of the frame, outside it.
attribute_list_c numeric_attrs(const edit_spec &s)
{
    attribute_list_c list = edit_attrs(s);
    add_attribute(nullptr, list, "plus_screen_rect", value_c(rect(80, 0, 96, 12)), 0);
    add_attribute(nullptr, list, "plus_tex_rect", value_c(rect(32, 0, 48, 16)), 0);
    add_attribute(nullptr, list, "minus_screen_rect", value_c(rect(80, 12, 96, 24)), 0);
    add_attribute(nullptr, list, "minus_tex_rect", value_c(rect(48, 0, 64, 16)), 0);
    return list;
}

const vec2 inside(120, 60), plus(185, 55), minus(185, 70);

class edit_test : public ui_input_test
{
protected:
    template <class T = edit> T *make(const edit_spec &s = edit_spec())
    {
        attribute_list_c list = std::is_same_v<T, numeric_edit> ? numeric_attrs(s) : edit_attrs(s);
        return new T(screen, &list);
    }
    static std::string shown(edit *e) { return e->text_static()->line_text(0); }
};

TEST_F(edit_test, frames_sit_side_by_side_and_the_text_area_follows_the_margins)
{
    struct
    {
        const char *what;
        int middle_repeat, justify;
        std::vector<std::string> frames;
        const char *size;
        int text_justify;
    } cases[] = {
        {"one piece", -1, 1, {"100,50,108,74"}, "8,24", 0x14},
        {"caps and two middles", 2, 0, {"100,50,108,74", "108,50,124,74", "124,50,140,74", "140,50,148,74"},
         "48,24", 0x12},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        edit_spec s;
        s.middle_repeat = c.middle_repeat;
        s.justify = c.justify;
        // The one-piece frame is narrow: negative margins widen the text.
        s.left_margin = s.right_margin = c.middle_repeat < 0 ? -4 : 4;
        edit *e = make(s);
        std::vector<std::string> frames;
        for (multistate_image *f : e->frames())
            frames.push_back(rect_text(f->screen_rect()));
        EXPECT_EQ(frames, c.frames);
        const rect r = e->screen_rect();
        EXPECT_EQ(vec_text(vec2(r.right - r.left, r.bottom - r.top)), c.size);
        const rect t = e->text_static()->screen_rect();
        const float m = float(s.left_margin), width = r.right - r.left - 2.0f * m;
        EXPECT_EQ(rect_text(t), rect_text(rect(100.0f + m, 56, 100.0f + m + width, 80)));
        EXPECT_EQ(e->text_static()->attribute("justify")->get_int(), c.text_justify);
        EXPECT_STREQ(e->cursor_name(), "standard");
        e->shutdown_tree();
    }
    edit_spec left;
    EXPECT_EQ(make(left)->text_static()->attribute("justify")->get_int(), 0x11);
}

TEST_F(edit_test, bad_sizes_are_refused)
{
    // Caps only: a frame of 16 x 24.
    struct
    {
        const char *what;
        int max_text, right_margin, vert_margin;
        const char *error;
    } cases[] = {
        {"two bytes", 2, 0, 6, "Debug assertion failed! Expression: \"m_max_text > 2\""},
        {"more than the shown text holds", 272, 0, 6,
         "Debug assertion failed! Expression: \"m_max_text < SHOWN_TEXT_SIZE\""},
        {"text area of 15 pixels", 10, 1, 6, "Invalid text input field for control 'player'"},
        {"3 pixels below the margin", 10, 0, 21, "Invalid text input field for control 'player'"},
        {"the largest buffer", 271, 0, 6, ""},
        {"text area of 16 by 4 pixels", 10, 0, 20, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        edit_spec s;
        s.max_text = c.max_text;
        s.middle_repeat = 0;
        s.left_margin = 0;
        s.right_margin = c.right_margin;
        s.vert_margin = c.vert_margin;
        attribute_list_c list = edit_attrs(s);
        EXPECT_EQ(thrown_text([&] { (new edit(screen, &list))->shutdown_tree(); }), c.error);
    }
}

TEST_F(edit_test, keys_edit_at_the_caret_and_report_what_changes_or_submits)
{
    struct
    {
        const char *what;
        const char *text;
        std::vector<int> keys;
        const char *result;
        int caret;
        int reports;
    } cases[] = {
        {"typing appends", "", {'a', 'b'}, "ab", 2, 2},
        {"typing inserts at the caret", "ac", {0x0E, 'b'}, "abc", 2, 1},
        {"home and end", "abc", {0x14, 'x', 0x15, 'y'}, "xabcy", 5, 2},
        {"left stops at the start, right at the end", "ab", {0x0E, 0x0E, 0x0E, 0x0F, 0x0F, 0x0F}, "ab", 2, 0},
        {"backspace removes before the caret", "abc", {0x0E, 0x18}, "ac", 1, 1},
        {"backspace at the start still reports", "abc", {0x14, 0x18}, "abc", 0, 1},
        {"delete removes at the caret", "abc", {0x14, 0x12}, "bc", 0, 1},
        {"delete at the end still reports", "abc", {0x12}, "abc", 3, 1},
        {"enter reports without a change", "abc", {0x0D}, "abc", 3, 1},
        {"only the low byte counts", "", {0x100 + 'q', -256 + 'r'}, "qr", 2, 2},
        {"at the limit the character is dropped silently", "abcdefghi", {'j'}, "abcdefghi", 9, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        edit_spec s;
        s.text = c.text;
        edit *e = make(s);
        e->set_focus();
        for (int k : c.keys)
            EXPECT_EQ(key(k), 1) << "a focused control consumes the key";
        EXPECT_STREQ(e->text(), c.result);
        EXPECT_EQ(e->caret(), c.caret);
        EXPECT_EQ(take_reports(), journal_t(c.reports, "edit_changed:player"));
        e->shutdown_tree();
    }
}

TEST_F(edit_test, bytes_are_stored_ignored_or_dropped_by_their_class)
{
    struct
    {
        int byte;
        bool stored;
    } cases[] = {
        {0x20, true},  {'A', true},   {0x5F, true},  {0x60, false}, {0x7E, true},  {0x7F, true},
        {0x80, false}, {0xA8, false}, {0xB8, false}, {0xBF, false}, {0xC0, true},  {0xE0, true},
        {0xFF, true},  {0x01, false}, {0x09, false}, {0x10, false}, {0x1B, false},
    };
    edit_spec s;
    s.max_text = 40;
    edit *e = make(s);
    e->set_focus();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.byte);
        e->set_own_text("");
        take_reports();
        key(c.byte);
        const char stored[2] = {char(c.byte), 0};
        EXPECT_STREQ(e->text(), c.stored ? stored : "");
        EXPECT_EQ(take_reports().size(), c.stored ? 1u : 0u);
    }
}

TEST_F(edit_test, max_text_three_keeps_two_characters)
{
    edit_spec s;
    s.max_text = 3;
    edit *e = make(s);
    e->set_focus();
    type("xyz");
    EXPECT_STREQ(e->text(), "xy");
    EXPECT_EQ(take_reports(), journal_t(2, "edit_changed:player")) << "the dropped third reports nothing";
}

TEST_F(edit_test, set_and_get_messages_cut_copy_and_match_names)
{
    edit *e = make();
    // edit_set_text for anybody; the named forms only for the edit's name.
    EXPECT_EQ(e->message(MSG_VAR(edit_set_text), 0, nullptr, MSG_ARG("a much too long text"), MSG_ARGS_END), 1);
    EXPECT_STREQ(e->text(), "a much to");
    EXPECT_EQ(e->caret(), 9);
    EXPECT_EQ(root->message(MSG_VAR(named_edit_set_text), 0, nullptr, MSG_ARG("Player"), MSG_ARG("x"), MSG_ARGS_END),
              0);
    EXPECT_STREQ(e->text(), "a much to");
    EXPECT_EQ(root->message(MSG_VAR(named_edit_set_text), 0, nullptr, MSG_ARG("player"), MSG_ARG("abcd"),
                            MSG_ARGS_END),
              1);
    EXPECT_STREQ(e->text(), "abcd");
    EXPECT_EQ(e->caret(), 4);
    EXPECT_TRUE(take_reports().empty()) << "setting is not typing";

    struct
    {
        const char *what;
        bool named_form;
        const char *name;
        int size;
        int result;
        const char *buffer; // 8 bytes after the call
    } cases[] = {
        {"short text padded with zeros", false, "player", 6, 1, "abcd\0\0##"},
        {"full length: no terminator", false, "player", 4, 1, "abcd####"},
        {"cut", true, "player", 2, 1, "ab######"},
        {"other name", true, "other", 6, 0, "########"},
        {"no room", false, "player", 0, 1, "########"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        char buffer[8];
        std::memset(buffer, '#', sizeof buffer);
        const int r = c.named_form ? root->message(MSG_VAR(named_edit_get_text), 0, nullptr, MSG_ARG(c.name),
                                                   MSG_ARG(buffer), MSG_ARG(c.size), MSG_ARGS_END)
                                   : root->message(MSG_VAR(edit_get_text), 0, nullptr, MSG_ARG(c.name),
                                                   MSG_ARG(c.size), MSG_ARG(buffer), MSG_ARGS_END);
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(std::string(buffer, 8), std::string(c.buffer, 8));
    }
}

TEST_F(edit_test, a_long_default_text_is_cut_like_a_set_text)
{
    edit_spec s;
    s.max_text = 4;
    s.text = "abcdef";
    edit *e = make(s);
    EXPECT_STREQ(e->text(), "abc");
    EXPECT_EQ(shown(e), "abc");
}

TEST_F(edit_test, a_click_focuses_and_marks_the_caret_until_another_control_takes_the_focus)
{
    edit_spec s;
    s.text = "abc";
    edit *e = make(s);
    EXPECT_EQ(shown(e), "abc");
    EXPECT_EQ(mouse(inside, 1), 1) << "a left press on the edit is consumed";
    EXPECT_TRUE(e->is_focused());
    EXPECT_EQ(shown(e), "abc|");
    key(0x0E);
    EXPECT_EQ(shown(e), "ab|c");
    e->on_focus_gained();
    EXPECT_EQ(e->caret(), 3) << "gaining the focus puts the caret at the end";

    EXPECT_EQ(mouse(inside, 1, 1), 0) << "other buttons are not taken";
    s.name = "other";
    attribute_list_c list = edit_attrs(s);
    set_attribute_by_id(list, string_to_id("screen_rect"), value_c(rect(100, 100, 100, 100)));
    edit *other = new edit(screen, &list);
    mouse(vec2(120, 110), 1);
    EXPECT_TRUE(other->is_focused());
    EXPECT_EQ(shown(e), "abc");
    EXPECT_EQ(shown(other), "abc|");
    type("d");
    EXPECT_STREQ(e->text(), "abc") << "keys go to the focused edit only";
    EXPECT_STREQ(other->text(), "abcd");
}

TEST_F(edit_test, highlight_follows_the_cursor_and_the_focus)
{
    edit *e = make();
    auto flag = [&] { return e->is_highlighted(); };
    mouse(inside, 0);
    EXPECT_TRUE(flag()) << "cursor over";
    mouse(vec2(10, 10), 0);
    EXPECT_FALSE(flag()) << "cursor gone";
    mouse(inside, 1);
    mouse(vec2(10, 10), 0);
    EXPECT_TRUE(flag()) << "focused, the cursor gone";
    e->on_focus_lost(nullptr);
    EXPECT_FALSE(flag());
}

TEST_F(edit_test, a_non_editable_edit_stays_disabled_but_answers_the_text_messages)
{
    edit_spec s;
    s.editable = 0;
    s.text = "shown";
    edit *e = make(s);
    EXPECT_FALSE(e->is_enabled());
    root->message(MSG_VAR(enable_ctrl), 0, nullptr, MSG_ARG("player"), MSG_ARG(1), MSG_ARGS_END);
    EXPECT_FALSE(e->is_enabled());
    EXPECT_EQ(mouse(inside, 1), 0);
    EXPECT_FALSE(e->is_focused());
    e->set_focus();
    type("x");
    EXPECT_STREQ(e->text(), "shown");
    EXPECT_EQ(shown(e), "shown") << "no caret mark while disabled";
    root->message(MSG_VAR(named_edit_set_text), 0, nullptr, MSG_ARG("player"), MSG_ARG("new"), MSG_ARGS_END);
    EXPECT_STREQ(e->text(), "new");

    edit *editable = make();
    root->message(MSG_VAR(enable_ctrl), 0, nullptr, MSG_ARG("player"), MSG_ARG(0), MSG_ARGS_END);
    EXPECT_FALSE(editable->is_enabled());
    root->message(MSG_VAR(enable_ctrl), 0, nullptr, MSG_ARG("player"), MSG_ARG(1), MSG_ARGS_END);
    EXPECT_TRUE(editable->is_enabled());
}

TEST_F(edit_test, keys_need_an_enabled_visible_edit)
{
    edit *e = make();
    e->set_focus();
    e->message(MSG_VAR(show), 0, nullptr, MSG_ARG(0), MSG_ARGS_END);
    type("a");
    EXPECT_STREQ(e->text(), "");
    EXPECT_TRUE(take_reports().empty());
}

TEST_F(edit_test, alpha_fades_the_frames_white_and_the_text_red)
{
    edit *e = make();
    e->set_alpha(0.5f);
    for (multistate_image *f : e->frames())
        EXPECT_EQ(f->color(), 0x7FFFFFFFu);
    EXPECT_EQ(e->text_static()->text_color(), 0x7FFF0000u);
    e->set_alpha(2.0f);
    EXPECT_EQ(e->frames()[0]->color(), 0xFFFFFFFFu);
    EXPECT_EQ(e->text_static()->text_color(), 0xFFFF0000u);
}

TEST_F(edit_test, mail_edit_stores_the_us_keys_of_russian_letters)
{
    attribute_list_c list = edit_attrs(edit_spec());
    set_attribute_by_id(list, string_to_id("max_text"), value_c(40));
    edit *e = new mail_edit(screen, &list);
    e->set_focus();
    // sha, yu, capital be; small and capital shcha and e; digits and Latin letters unchanged.
    type("\xF8\xFE\xC1\xF9\xD9\xFD\xDD" "a1@");
    EXPECT_STREQ(e->text(), "i.<oO'\"a1@");
}

TEST_F(edit_test, the_test_screen_makes_its_three_fields_from_script_attributes)
{
    run_screen("edit/edit_screen.isc");
    const std::vector<edit *> fields = made<edit>();
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(typeid(*fields[0]), typeid(edit));
    EXPECT_EQ(typeid(*fields[1]), typeid(mail_edit));
    EXPECT_EQ(typeid(*fields[2]), typeid(numeric_edit));
    EXPECT_EQ(rect_text(fields[0]->screen_rect()), "100,50,244,74");
    EXPECT_STREQ(fields[0]->text(), "Player");
    EXPECT_STREQ(fields[2]->text(), "30");

    click(vec2(110, 100));
    type("\xEF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_STREQ(fields[1]->text(), "ghbdtn");
    mouse(vec2(150, 135), 1);
    EXPECT_STREQ(fields[2]->text(), "31");
    journal_t expected(6, "edit_changed:player_mail");
    expected.push_back("edit_changed:player_age");
    EXPECT_EQ(take_reports(), expected);
}

class numeric_test : public edit_test
{
protected:
    numeric_edit *make_numeric(const char *text, int max_text = 100)
    {
        edit_spec s;
        s.text = text;
        s.max_text = max_text;
        return make<numeric_edit>(s);
    }
};

TEST_F(numeric_test, presses_step_the_number_by_one)
{
    const std::string seventy(70, '9');
    struct
    {
        const char *what;
        const char *text;
        int max_text;
        vec2 where;
        const char *result;
        int reports;
    } cases[] = {
        {"nine plus one", "9", 100, plus, "10", 1},
        {"zero minus one", "0", 100, minus, "-1", 1},
        {"an empty text counts as zero", "", 100, plus, "1", 1},
        {"a word counts as zero", "abc", 100, minus, "-1", 1},
        {"the int limit holds", "2147483647", 100, plus, "2147483647", 1},
        {"the lower limit holds", "-2147483648", 100, minus, "-2147483648", 1},
        {"seventy digits read as the limit", seventy.c_str(), 100, plus, "2147483647", 1},
        {"a sum that does not fit is not written", "99", 3, plus, "99", 0},
        {"a press outside both areas steps nothing", "5", 100, inside, "5", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        numeric_edit *n = make_numeric(c.text, c.max_text);
        take_reports();
        mouse(c.where, 1);
        EXPECT_STREQ(n->text(), c.result);
        EXPECT_EQ(n->caret(), int(std::strlen(c.result)));
        EXPECT_EQ(take_reports(), journal_t(c.reports, "edit_changed:player"));
        mouse(c.where, 2);
        n->shutdown_tree();
    }
}

TEST_F(numeric_test, pictures_show_while_pressed_and_only_presses_outside_the_areas_take_the_focus)
{
    numeric_edit *n = make_numeric("1");
    EXPECT_FALSE(n->plus_image()->is_visible());
    EXPECT_FALSE(n->minus_image()->is_visible());
    mouse(plus, 1);
    EXPECT_TRUE(n->plus_image()->is_visible());
    EXPECT_FALSE(n->minus_image()->is_visible());
    EXPECT_FALSE(n->is_focused()) << "the areas lie outside the frame";
    mouse(vec2(10, 10), 2);
    EXPECT_FALSE(n->plus_image()->is_visible()) << "a release anywhere hides both";
    mouse(minus, 1);
    EXPECT_TRUE(n->minus_image()->is_visible());
    mouse(minus, 2);
    EXPECT_FALSE(n->minus_image()->is_visible());
    EXPECT_STREQ(n->text(), "1");

    mouse(inside, 1);
    EXPECT_TRUE(n->is_focused());
    EXPECT_STREQ(n->text(), "1");
    EXPECT_EQ(take_reports(), journal_t(2, "edit_changed:player"));
}

TEST_F(numeric_test, hidden_or_disabled_fields_do_not_step)
{
    numeric_edit *n = make_numeric("7");
    n->message(MSG_VAR(show), 0, nullptr, MSG_ARG(0), MSG_ARGS_END);
    mouse(plus, 1);
    EXPECT_STREQ(n->text(), "7");
    EXPECT_FALSE(n->plus_image()->is_visible());
    n->message(MSG_VAR(show), 0, nullptr, MSG_ARG(1), MSG_ARGS_END);
    n->enable(0);
    mouse(plus, 1);
    EXPECT_STREQ(n->text(), "7");
    EXPECT_TRUE(take_reports().empty());
}

TEST_F(numeric_test, only_digits_enter_and_the_arrows_reach_the_text)
{
    numeric_edit *n = make_numeric("12");
    n->set_focus();
    for (int k : {0x18, 0x12, 0x14, 0x15, int('-'), int('a'), 0xE0, int(' ')})
        key(k);
    EXPECT_STREQ(n->text(), "12");
    EXPECT_TRUE(take_reports().empty());
    for (int k : {0x0E, int('3'), 0x0F, int('4'), 0x0D})
        key(k);
    EXPECT_STREQ(n->text(), "1324");
    EXPECT_EQ(take_reports(), journal_t(3, "edit_changed:player"));
}

} // namespace
