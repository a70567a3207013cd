#include "tests/ui/ui_fixture.h"

#include <cmath>
#include <limits>

namespace {

constexpr uint32_t FADE_FLAGS = ui_control_c::UI_FADING_IN | ui_control_c::UI_FADING_OUT;

attribute_list_c area(rect r, const char *name = nullptr, const char *hint = nullptr)
{
    attribute_list_c list = attrs({{"screen_rect", value_c(r)}});
    if (name)
        add_attribute(nullptr, list, "name", text_value(name), 0);
    if (hint)
        add_attribute(nullptr, list, "hint", text_value(hint), 0);
    return list;
}

} // namespace

TEST_F(ui_tree_test, mouse_goes_to_the_newest_control_first_and_stops_where_consumed)
{
    struct step_s
    {
        vec2 pos;
        int event, button;
    };
    const vec2 inside(50, 50), outside(150, 50);
    struct
    {
        const char *what;
        std::function<void(probe_control_c *)> setup;
        std::vector<step_s> steps;
        journal_t expected;
        int last_result;
    } cases[] = {
        {"hidden: nothing at all, the older control gets it", [](probe_control_c *b) { b->set_visible(0); },
         {{inside, 0, 0}, {outside, 0, 0}}, {"A.enter", "A.move", "A.leave"}, 0},
        {"disabled: the same", [](probe_control_c *b) { b->enable(0); }, {{inside, 0, 0}, {outside, 0, 0}},
         {"A.enter", "A.move", "A.leave"}, 0},
        {"not consumed: enter and move, then passed on", [](probe_control_c *) {}, {{inside, 0, 0}},
         {"B.enter", "B.move", "A.enter", "A.move"}, 0},
        {"consumed move stops the delivery", [](probe_control_c *b) { b->consume = 1; }, {{inside, 0, 0}},
         {"B.enter", "B.move"}, 1},
        {"buttons down and up with their index", [](probe_control_c *b) { b->consume = 1; },
         {{inside, 1, 2}, {inside, 2, 2}}, {"B.enter", "B.down:2", "B.up:2"}, 1},
        {"enter only once, leave once", [](probe_control_c *b) { b->consume = 1; },
         {{inside, 0, 0}, {inside, 0, 0}, {outside, 0, 0}, {outside, 0, 0}},
         {"B.enter", "B.move", "B.move", "B.leave"}, 0},
        {"an unknown event only enters", [](probe_control_c *b) { b->consume = 1; }, {{inside, 7, 0}},
         {"B.enter", "A.enter"}, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        journal_t journal;
        attribute_list_c square = area(rect(0, 0, 100, 100));
        abstract_c *screen = new abstract_c(root);
        new probe_control_c(screen, &square, &journal, "A.");
        probe_control_c *b = new probe_control_c(screen, &square, &journal, "B.");
        c.setup(b);
        int result = -1;
        for (const step_s &s : c.steps)
            result = mouse(s.pos, s.event, s.button);
        EXPECT_EQ(journal, c.expected);
        EXPECT_EQ(result, c.last_result);
        screen->shutdown_tree();
    }
}

TEST_F(ui_tree_test, mouse_keeps_the_cursor_position_and_buttons_of_the_last_hit)
{
    attribute_list_c square = area(rect(0, 0, 100, 100));
    probe_control_c *c = new probe_control_c(root, &square);
    mouse(vec2(5, 6), 1, 0, 1);
    EXPECT_EQ(c->buttons()[0], 1);
    mouse(vec2(200, 6), 2, 0, 0);
    EXPECT_EQ(c->buttons()[0], 1) << "a miss keeps the last hit's state";
    EXPECT_TRUE(c->flag(ui_control_c::UI_CURSOR_OVER) == false);
}

TEST_F(ui_tree_test, char_reaches_the_focused_control_unless_it_or_a_parent_is_disabled)
{
    struct
    {
        const char *what;
        bool focused, char_without_focus, disabled, parent_disabled;
        journal_t expected;
        int result;
    } cases[] = {
        {"focused: seen and consumed", true, false, false, false, {"C.char:65"}, 1},
        {"not focused: not seen", false, false, false, false, {}, 0},
        {"char without focus: seen, passed on", false, true, false, false, {"C.char:65"}, 0},
        {"focused under a disabled parent: ignored", true, false, false, true, {}, 0},
        {"focused but disabled itself: ignored", true, false, true, false, {}, 0},
        {"char without focus under a disabled parent: ignored", false, true, false, true, {}, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        journal_t journal;
        probe_control_c *panel = new probe_control_c(root, nullptr, &journal, "P.");
        probe_control_c *control = new probe_control_c(panel, nullptr, &journal, "C.");
        control->set_flag(ui_control_c::UI_FOCUSED, c.focused);
        control->set_flag(ui_control_c::UI_CHAR_NO_FOCUS, c.char_without_focus);
        control->enable(!c.disabled);
        panel->enable(!c.parent_disabled);
        EXPECT_EQ(control->is_enabled_by_parents(), !c.disabled && !c.parent_disabled);
        EXPECT_EQ(root->message(MSG_VAR(char), 0, nullptr, MSG_ARG(65), MSG_ARG(30), MSG_ARG(1), MSG_ARGS_END),
                  c.result);
        EXPECT_EQ(journal, c.expected);
        panel->shutdown_tree();
    }
}

TEST_F(ui_tree_test, focus_moves_from_control_to_control)
{
    journal_t journal;
    probe_control_c *a = new probe_control_c(root, nullptr, &journal, "A");
    probe_control_c *b = new probe_control_c(root, nullptr, &journal, "B");
    a->set_focus();
    EXPECT_EQ(journal, journal_t{"Agained"});
    b->set_focus();
    b->set_focus();
    EXPECT_EQ(journal, (journal_t{"Agained", "Alost:B", "Bgained"})) << "a second set_focus changes nothing";
    EXPECT_FALSE(a->is_focused());
    EXPECT_TRUE(b->is_focused());
}

TEST_F(ui_tree_test, enable_ctrl_matches_names_byte_for_byte_and_never_the_empty_name)
{
    attribute_list_c ok = area(rect(), "ok"), upper = area(rect(), "OK"), unnamed = area(rect());
    probe_control_c *panel = new probe_control_c(root, &unnamed);
    probe_control_c *first = new probe_control_c(panel, &ok);
    probe_control_c *second = new probe_control_c(root, &ok);
    probe_control_c *other_case = new probe_control_c(root, &upper);
    char name[] = "ok";
    struct
    {
        value_c name;
        int on;
        const char *expected; // enabled flags of panel, first, second, other_case
    } steps[] = {
        {value_c(name), 0, "1001"},
        {value_c("OK"), 0, "1000"},
        {text_value("ok"), 1, "1110"},
        {text_value(""), 0, "1110"},
    };
    for (const auto &s : steps) {
        EXPECT_EQ(root->message(MSG_VAR(enable_ctrl), 0, nullptr, s.name, MSG_ARG(s.on), MSG_ARGS_END), 0);
        std::string flags;
        for (probe_control_c *c : {panel, first, second, other_case})
            flags += std::to_string(c->is_enabled());
        EXPECT_EQ(flags, s.expected) << s.name.get_const_pchar() << " " << s.on;
    }
}

TEST_F(ui_tree_test, fades_run_on_ticks_and_end_at_the_first_tick_after_their_end)
{
    struct
    {
        const char *what;
        int direction;
        float duration;
        std::vector<double> ticks;
        std::vector<float> alphas; // at the fade's start, then one per tick
        size_t ticks_until_clear;  // fade flags clear on this tick (1-based)
    } cases[] = {
        {"fade in of 0.5 s from 10.0", 1, 0.5f, {10.25, 10.5, 10.6, 10.7}, {0.0f, 0.5f, 1.0f, 1.0f}, 3},
        {"fade out of 0.5 s from 10.0", 0, 0.5f, {10.25, 10.5, 10.6, 10.7}, {1.0f, 0.5f, 0.0f, 0.0f}, 3},
        {"negative duration: end state at once", 1, -1.0f, {10.0, 10.1}, {1.0f, 1.0f}, 1},
        {"zero duration: end state on the next tick", 1, 0.0f, {10.0, 10.1, 10.2}, {0.0f, 1.0f, 1.0f}, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        probe_control_c *control = new probe_control_c(root, nullptr);
        tick(10.0);
        float seconds = c.duration;
        control->message(MSG_VAR(fade), 1, nullptr, MSG_ARG(c.direction), MSG_ARG((void *)&seconds), MSG_ARGS_END);
        EXPECT_TRUE(control->flag(c.direction ? ui_control_c::UI_FADING_IN : ui_control_c::UI_FADING_OUT));
        for (size_t i = 0; i < c.ticks.size(); ++i) {
            tick(c.ticks[i]);
            EXPECT_EQ(control->flag(FADE_FLAGS), i + 1 < c.ticks_until_clear) << "after tick " << c.ticks[i];
        }
        EXPECT_EQ(control->alphas, c.alphas);
        control->shutdown_tree();
    }

    // A new fade replaces a running one.
    probe_control_c *control = new probe_control_c(root, nullptr);
    tick(20.0);
    float seconds = 1.0f;
    control->message(MSG_VAR(fade), 1, nullptr, MSG_ARG(1), MSG_ARG((void *)&seconds), MSG_ARGS_END);
    tick(20.5);
    control->message(MSG_VAR(fade), 1, nullptr, MSG_ARG(0), MSG_ARG((void *)&seconds), MSG_ARGS_END);
    tick(20.75);
    EXPECT_EQ(control->alphas, (std::vector<float>{0.0f, 0.5f, 1.0f, 0.75f}));
    EXPECT_TRUE(control->flag(ui_control_c::UI_FADING_OUT));
    EXPECT_FALSE(control->flag(ui_control_c::UI_FADING_IN));
}

TEST_F(ui_tree_test, hint_after_more_than_a_second_of_rest_once_per_rest)
{
    attribute_list_c with_hint = area(rect(0, 0, 100, 100), nullptr, "Help");
    new probe_control_c(root, &with_hint);
    attribute_list_c without = area(rect(200, 0, 300, 100));
    new probe_control_c(root, &without);

    tick(5.0);
    mouse(vec2(10, 20), 0);
    tick(6.0);
    EXPECT_TRUE(services->hints.empty()) << "exactly one second is not enough";
    tick(6.01);
    tick(9.0);
    EXPECT_EQ(services->hints, std::vector<std::string>{"10,20 Help"});

    services->hints.clear();
    mouse(vec2(30, 40), 0);
    tick(9.9);
    mouse(vec2(31, 40), 1, 1);
    tick(10.5);
    EXPECT_TRUE(services->hints.empty()) << "acting again restarts the wait";
    tick(10.95);
    EXPECT_EQ(services->hints, std::vector<std::string>{"31,40 Help"});

    services->hints.clear();
    mouse(vec2(30, 40), 0);
    mouse(vec2(150, 40), 0);
    tick(15.0);
    EXPECT_TRUE(services->hints.empty()) << "leaving cancels the wait";

    mouse(vec2(250, 40), 0);
    tick(20.0);
    EXPECT_TRUE(services->hints.empty()) << "no hint text, no hint";
    EXPECT_GT(services->check_outs, 0);
}

TEST_F(ui_tree_test, move_to_and_dragging_stay_inside_the_display)
{
    attribute_list_c bar = area(rect(100, 100, 200, 140));
    probe_control_c *c = new probe_control_c(root, &bar);
    struct
    {
        vec2 target;
        const char *expected;
    } moves[] = {
        {vec2(-5, 750), "0,728,100,768"},
        {vec2(1000, -3), "924,0,1024,40"},
        {vec2(12, 34), "12,34,112,74"},
    };
    for (const auto &m : moves) {
        EXPECT_EQ(c->move_to(m.target), 1);
        EXPECT_EQ(rect_text(c->screen_rect()), m.expected);
    }

    c->move_to(vec2(100, 100));
    EXPECT_EQ(mouse(vec2(110, 110), 1, 0, 1), 0) << "not draggable";
    c->set_flag(ui_control_c::UI_DRAGGABLE, true);
    EXPECT_EQ(mouse(vec2(110, 110), 1, 1), 0) << "only the left button drags";
    EXPECT_EQ(mouse(vec2(110, 110), 1, 0, 1), 1);
    EXPECT_EQ(mouse(vec2(130, 120), 0, 0, 1), 1);
    EXPECT_EQ(rect_text(c->screen_rect()), "120,110,220,150");
    EXPECT_EQ(mouse(vec2(5000, 5000), 0, 0, 1), 1) << "the cursor cannot leave a dragged control";
    EXPECT_EQ(rect_text(c->screen_rect()), "924,728,1024,768");
    EXPECT_EQ(mouse(vec2(5000, 5000), 2, 0), 1);
    EXPECT_FALSE(c->flag(ui_control_c::UI_DRAGGING));
    EXPECT_EQ(mouse(vec2(5000, 5000), 0, 0), 0);
    EXPECT_EQ(rect_text(c->screen_rect()), "924,728,1024,768");

    services->answer_display = 0;
    EXPECT_EQ(thrown_text([&] { c->move_to(vec2(0, 0)); }),
              "Debug assertion failed! Expression: \"root()->message(MSG_VAR(get_display), 0 , this, "
              "MSG_ARG((void*)&size), MSG_ARGS_END)\"");
}

TEST_F(ui_tree_test, is_cursor_over_control_answers_for_visible_controls_only)
{
    attribute_list_c square = area(rect(0, 0, 100, 100));
    probe_control_c *c = new probe_control_c(root, &square);
    struct
    {
        vec2 point;
        int visible;
        int result;
        unsigned char written;
    } cases[] = {
        {vec2(50, 50), 1, 1, 1},
        {vec2(50, 50), 0, 0, 0},
        {vec2(150, 50), 1, 0, 0},
    };
    for (const auto &k : cases) {
        c->set_visible(k.visible);
        unsigned char over = 7;
        EXPECT_EQ(root->message(MSG_VAR(is_cursor_over_control), 0, nullptr, MSG_ARG(k.point),
                                MSG_ARG((void *)&over), MSG_ARGS_END),
                  k.result);
        EXPECT_EQ(over, k.written);
    }
}

TEST(ui_control, scale_alpha_cuts_the_alpha_byte_and_keeps_the_colour)
{
    struct
    {
        unsigned argb;
        float factor;
        unsigned expected;
    } cases[] = {
        {0x80FF8000u, 0.5f, 0x40FF8000u},
        {0xFF000000u, 0.999f, 0xFE000000u},
        {0xFF123456u, 2.0f, 0xFF123456u},
        {0x80123456u, -1.0f, 0x00123456u},
        {0x10ABCDEFu, 1.0f, 0x10ABCDEFu},
        {0xFF123456u, std::numeric_limits<float>::quiet_NaN(), 0x00123456u},
        {0xFF123456u, std::numeric_limits<float>::infinity(), 0xFF123456u},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ui_control_c::scale_alpha(c.argb, c.factor), c.expected) << std::hex << c.argb << " " << c.factor;
}
