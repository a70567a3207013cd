// Buttons driven through mouse messages and ticks, as the cursor and the main loop drive them.
#include "button_world.h"

namespace {

using strings = std::vector<std::string>;

const vec2 inside(110, 110), outside(300, 300);

TEST_F(button_world, a_push_button_clicks_only_when_pressed_and_released_over_it)
{
    button *b = make("ok", "", 4, vec2(100, 100));
    EXPECT_EQ(b->screen_rect(), rect(100, 100, 140, 132)) << "one cell of the strip";
    EXPECT_EQ(b->image()->screen_rect(), rect(100, 100, 140, 132));

    // Press, move out, release outside: nothing reported, normal look.
    mouse(inside, 0);
    EXPECT_EQ(b->image()->column(), 1) << "cursor over";
    EXPECT_EQ(mouse(inside, 1, 0, 1), 1);
    EXPECT_EQ(b->image()->column(), 2) << "pressed";
    mouse(outside, 0, 0, 1);
    mouse(outside, 2, 0, 0);
    tick_at(1.0);
    EXPECT_EQ(b->image()->column(), 0);
    EXPECT_EQ(click_count(root), 0);
    EXPECT_EQ(screen->seen, (strings{"hilited:1,ok", "hilited:0,ok"}));

    // Press and release over it: one click, heard, then one butt_pressed after it.
    screen->seen.clear();
    click(inside);
    EXPECT_EQ(screen->seen, (strings{"hilited:1,ok", "pressed:ok clicks 1"}));
    EXPECT_EQ(click_count(root), 1);
    EXPECT_EQ(b->image()->column(), 1) << "released, still under the cursor";
    const soundgen::samples mix = hear(400);
    int loudest = 0;
    for (int16_t s : mix)
        loudest = std::max(loudest, std::abs(int(s)));
    EXPECT_GT(loudest, 1000);

    // Other mouse buttons neither press nor click.
    mouse(inside, 1, 1);
    mouse(inside, 2, 1);
    EXPECT_EQ(click_count(root), 1);
    EXPECT_FALSE(b->has(button::BUTTON_ACTIVE));
}

TEST_F(button_world, check_buttons_uncheck_each_other_whatever_their_group)
{
    button *a = make("a", "c", 4, vec2(100, 100), 1);
    button *b = make("b", "c", 4, vec2(200, 100), 2);
    click(inside);
    EXPECT_TRUE(a->has(button::BUTTON_ACTIVE));
    EXPECT_EQ(a->image()->column(), 1) << "checked but under the cursor";
    click(vec2(210, 110));
    EXPECT_FALSE(a->has(button::BUTTON_ACTIVE));
    EXPECT_TRUE(b->has(button::BUTTON_ACTIVE));
    mouse(outside, 0);
    tick_at(1.0);
    EXPECT_EQ(a->image()->column(), 0);
    EXPECT_EQ(b->image()->column(), 2) << "checked";
    // One mouse message reaches the newer button first.
    EXPECT_EQ(screen->seen, (strings{"hilited:1,a", "checked:1,a", "hilited:1,b", "hilited:0,a", "checked:2,b",
                                     "hilited:0,b"}));
    EXPECT_EQ(click_count(root), 0) << "releasing a check button does nothing";
}

TEST_F(button_world, a_trigger_toggles_and_reports_each_state)
{
    button *t = make("t", "t", 4, vec2(100, 100), 5);
    click(inside);
    EXPECT_TRUE(t->has(button::BUTTON_ACTIVE));
    click(inside);
    EXPECT_FALSE(t->has(button::BUTTON_ACTIVE));
    click(inside);
    EXPECT_EQ(screen->seen, (strings{"hilited:1,t", "checked:0,t", "unchecked:0,t", "checked:0,t"}))
        << "the group is read only by check buttons";
    EXPECT_EQ(t->image()->column(), 2) << "active wins over the cursor";
}

TEST_F(button_world, emul_click_presses_as_the_left_button_does)
{
    button *push = make("p", "", 4, vec2(100, 100));
    button *check = make("c", "c", 4, vec2(200, 100), 3);
    const auto emul = [&](const char *id) {
        return root->message(MSG_VAR(emul_click), 0, nullptr, MSG_ARG(text_value(id)), MSG_ARGS_END);
    };
    EXPECT_EQ(emul("nobody"), 0);
    EXPECT_EQ(emul("p"), 1);
    EXPECT_TRUE(push->has(button::BUTTON_ACTIVE)) << "left pressed";
    tick_at(1.0);
    EXPECT_EQ(push->image()->column(), 2);
    EXPECT_EQ(emul("c"), 1);
    EXPECT_TRUE(check->has(button::BUTTON_ACTIVE));
    EXPECT_EQ(screen->seen, (strings{"checked:3,c"}));
    EXPECT_EQ(click_count(root), 0);
}

TEST_F(button_world, an_animated_button_runs_its_frames_while_hilited)
{
    button *b = make("anim", "ac", 6, vec2(100, 100), 6, 0.1f);
    EXPECT_TRUE(b->has(button::BUTTON_ANIMATED));
    EXPECT_FALSE(b->has(button::BUTTON_CHECK)) << "every other letter is ignored";
    EXPECT_EQ(b->columns(), 6);
    tick_at(1.0);
    mouse(inside, 0);
    EXPECT_EQ(b->image()->column(), 1) << "frame 1 on entering";
    struct
    {
        double time;
        int frame;
    } steps[] = {{1.05, 1}, {1.11, 2}, {1.5, 3}, {1.55, 3}, {1.61, 4}, {1.72, 5}, {1.83, 0}, {1.94, 1}};
    for (const auto &s : steps) {
        tick_at(s.time);
        EXPECT_EQ(b->image()->column(), s.frame) << "at " << s.time;
    }
    mouse(outside, 0);
    tick_at(3.0);
    EXPECT_EQ(b->frame(), 1) << "stays on its frame";
    EXPECT_EQ(b->image()->column(), 0);
    tick_at(3.5);
    mouse(inside, 0);
    EXPECT_EQ(b->image()->column(), 1);
    tick_at(3.55);
    EXPECT_EQ(b->image()->column(), 1) << "restarted from now";
    b->enable(0);
    tick_at(4.0);
    EXPECT_EQ(b->image()->column(), 0) << "disabled";
}

TEST_F(button_world, a_shared_id_hilites_every_button_and_the_leave_only_one)
{
    button *a = make("x", "", 4, vec2(100, 100));
    button *b = make("x", "", 4, vec2(200, 100));
    button *other = make("y", "", 4, vec2(300, 100));
    mouse(inside, 0);
    EXPECT_TRUE(a->has(button::BUTTON_HILITED));
    EXPECT_TRUE(b->has(button::BUTTON_HILITED));
    EXPECT_FALSE(other->has(button::BUTTON_HILITED));
    mouse(outside, 0);
    EXPECT_FALSE(a->has(button::BUTTON_HILITED));
    EXPECT_TRUE(b->has(button::BUTTON_HILITED));
    tick_at(1.0);
    EXPECT_EQ(b->image()->column(), 1);
    // A screen hilites by id; every button of the id sees it.
    EXPECT_EQ(root->message(MSG_VAR(butt_hilite), 0, nullptr, MSG_ARG(text_value("x")), MSG_ARG(0), MSG_ARGS_END), 0);
    EXPECT_FALSE(b->has(button::BUTTON_HILITED));
}

TEST_F(button_world, letters_choose_the_columns_and_cells)
{
    struct
    {
        const char *letters;
        int columns, hover, pressed, disabled;
        int shown_when_disabled; // after showing the pressed cell
    } cases[] = {
        {"", 4, 1, 2, 3, 3}, {"S", 3, 1, 2, 0, 0}, {"Ss", 2, 0, 1, 0, 0}, {"Sso", 1, 0, 0, 0, 0},
        {"o", 3, 0, 0, 3, 0}, {"s", 3, 0, 1, 3, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("\"") + c.letters + "\"");
        button *b = make("b", c.letters, c.columns, vec2(100, 100));
        EXPECT_EQ(b->columns(), c.columns);
        EXPECT_EQ(b->hover_cell(), c.hover);
        EXPECT_EQ(b->pressed_cell(), c.pressed);
        EXPECT_EQ(b->disabled_cell(), c.disabled);
        EXPECT_EQ(b->screen_rect().right - b->screen_rect().left, float(imagegen::UI_BUTTON_CELL_W));
        root->message(MSG_VAR(butt_activate), 0, nullptr, MSG_ARG(text_value("b")), MSG_ARG(1), MSG_ARGS_END);
        tick_at(1.0);
        EXPECT_EQ(b->image()->column(), c.pressed);
        b->enable(0);
        tick_at(1.1);
        EXPECT_EQ(b->image()->column(), c.shown_when_disabled);
        b->shutdown_tree();
    }
}

TEST_F(button_world, set_alpha_tints_the_image_with_color)
{
    button *b = make("b", "", 4, vec2(100, 100));
    EXPECT_EQ(b->image()->color(), 0xFFFFFFFFu) << "untinted until a fade";
    const float half = 0.5f;
    b->message(MSG_VAR(fade), 0, nullptr, MSG_ARG(0), MSG_ARG((void *)&half), MSG_ARGS_END);
    EXPECT_EQ(b->image()->color(), 0xFFFF8000u);
    tick_at(0.25);
    EXPECT_EQ(b->image()->color(), 0x7FFF8000u);
    tick_at(0.6);
    EXPECT_EQ(b->image()->color(), 0x00FF8000u);
}

TEST_F(button_world, construction_errors)
{
    struct
    {
        const char *letters;
        int extra_int;
        float extra_float;
        const char *leave_out;
        std::string error;
    } cases[] = {
        {"a", 1, 0.1f, nullptr, "Button 'bad' invalid animation frame count"},
        {"a", 2, 0.009f, nullptr, "Button 'bad' invalid animation period"},
        {"", 0, 0.0f, "button_id", "Could not find required attribute 'button_id'"},
        {"ca", 2, 0.0f, "extra_float", "Could not find required attribute 'extra_float'"},
        {"", 0, 0.0f, "tex_name", "Could not find required attribute 'tex_name'"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error);
        attribute_list_c full = button_attrs("bad", c.letters, 4, vec2(0, 0), c.extra_int, c.extra_float);
        attribute_list_c list;
        for (const char *name : {"button_id", "extra_string", "extra_int", "extra_float", "tex", "tex_name", "color",
                                 "name"})
            if (!c.leave_out || std::string(name) != c.leave_out)
                add_attribute(nullptr, list, name, *::find_attribute(full, name), 0);
        EXPECT_NE(thrown([&] { new button(screen, &list); }).find(c.error), std::string::npos);
    }
    // A period of exactly 0.01 s and two frames are allowed.
    EXPECT_EQ(thrown([&] { make("ok", "a", 2, vec2(0, 0), 2, 0.01f); }), "");
}

} // namespace

namespace {

// The static texts below a button, as "text @ rect".
strings texts_of(button *b)
{
    strings out;
    for (abstract_c *c = b->last_child(); c; c = c->prev_sibling())
        if (auto *t = dynamic_cast<static_text *>(c))
            out.push_back(std::string(t->line_text(0)) + " @ " + rect_text(t->screen_rect()));
    return out;
}

TEST_F(button_world, a_text_button_shows_its_texts_up_to_the_first_missing_one)
{
    struct
    {
        const char *what;
        std::vector<std::pair<const char *, value_c>> extra;
        strings texts;
    } cases[] = {
        {"index 0 and 2: only the first",
         {{"text", text_value("OK")}, {"text2", text_value("lost")}, {"font_name", text_value("main")},
          {"chars_color", value_c(vec3(255, 255, 255))}},
         {"OK @ 100,100,140,132"}},
        {"with their rectangles, relative to the button",
         {{"text", text_value("a")}, {"text_rect", value_c(rect(2, 3, 22, 13))}, {"text1", text_value("b")},
          {"font_name", text_value("main")}, {"chars_color", value_c(vec3(255, 255, 255))}},
         {"a @ 102,103,122,113", "b @ 100,100,140,132"}},
        {"no text: a plain button, no font needed", {}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        attribute_list_c list = button_attrs("t", "", 4, vec2(100, 100));
        for (const auto &[name, value] : c.extra)
            add_attribute(nullptr, list, name, value, 0);
        text_button *b = new text_button(screen, &list);
        EXPECT_EQ(texts_of(b), c.texts);
        click(inside);
        EXPECT_EQ(screen->seen.back(), "pressed:t clicks " + std::to_string(click_count(root)));
        b->shutdown_tree();
        screen->seen.clear();
    }
    attribute_list_c fontless = button_attrs("t", "", 4, vec2(100, 100));
    add_attribute(nullptr, fontless, "text", text_value("OK"), 0);
    EXPECT_EQ(thrown([&] { new text_button(screen, &fontless); }), "Could not find required attribute 'font_name'");
}

TEST_F(button_world, a_field_shows_its_texture_at_natural_size)
{
    attribute_list_c list = attrs({{"tex_name", text_value("ui_field")}, {"screen_rect", value_c(rect(50, 60, 70, 80))}});
    field *f = new field(screen, &list);
    EXPECT_EQ(f->image()->screen_rect(), rect(50, 60, 306, 124));
    EXPECT_EQ(f->image()->tex_rect(), rect(0, 0, 256, 64));
    EXPECT_EQ(f->image()->color(), 0xFFFFFFFFu);
    attribute_list_c bare = attrs({{"pos", value_c(vec2(5, 5))}});
    EXPECT_EQ(thrown([&] { new field(screen, &bare); }), "Could not find required attribute 'tex_name'");
}

TEST_F(button_world, the_test_screen_builds_every_kind_and_its_push_button_clicks)
{
    static bool registered = false;
    if (!registered)
        ui_register_creators();
    registered = true;
    std::ifstream in(ENGINE_SOURCE_DIR "/tests/ui/button/screen_buttons.isc", std::ios::binary);
    std::stringstream script;
    script << in.rdbuf();
    const std::string text = script.str();
    put("scripts/screen_buttons.isc", std::vector<uint8_t>(text.begin(), text.end()));
    m_scripts->execute_script("scripts/screen_buttons.isc", screen, 0);

    std::map<std::string, button *> buttons;
    int fields = 0;
    for (abstract_c *c = screen->last_child(); c; c = c->prev_sibling()) {
        if (auto *b = dynamic_cast<button *>(c))
            buttons[b->button_id()] = b;
        fields += dynamic_cast<field *>(c) != nullptr;
    }
    EXPECT_EQ(fields, 1);
    ASSERT_EQ(buttons.size(), 9u);
    EXPECT_TRUE(buttons["check2"]->has(button::BUTTON_CHECK));
    EXPECT_EQ(buttons["check2"]->group(), 2);
    EXPECT_TRUE(buttons["trigger"]->has(button::BUTTON_TRIGGER));
    EXPECT_TRUE(buttons["animated"]->has(button::BUTTON_ANIMATED));
    EXPECT_EQ(buttons["one"]->columns(), 1);
    EXPECT_EQ(texts_of(buttons["text"]).size(), 1u);
    click(vec2(115, 115));
    EXPECT_EQ(screen->seen, (strings{"hilited:1,push", "pressed:push clicks 1"}));
}

} // namespace
