// Scales, the checkbox and hint popups on the screen tests/ui/screens/screen_settings.isc, with
// a hint layer under the root; time comes as ticks of chosen lengths.
#include "tests/ui/screen_fixture.h"
#include "ui/ui_hint.h"
#include "ui/ui_scale.h"
#include "ui/ui_vis_image.h"

#include <climits>
#include <cstring>
#include <functional>

namespace {

// The music scale lies at (100, 100, 356, 132): minus (100, 100)-(132, 132), plus
// (324, 100)-(356, 132), the bar at 100 percent (132, 108)-(324, 124).
const vec2 MINUS(110, 110), PLUS(330, 110), BAR(200, 116), AWAY(700, 600);

class settings_test : public ui_screen_test
{
protected:
    void SetUp() override
    {
        ui_screen_test::SetUp();
        layer = static_cast<hint_layer *>(create_object("hint_layer", root, nullptr));
        load_screen("screen_settings");
        music = find<scale>("bckgnd_music_scale");
        effects = find<scale>("snd_effects_scale");
        box = find<checkbox>("check_box_1");
        hinted = find<test_control_c>("hinted");
        ASSERT_TRUE(music && effects && box && hinted);
    }
    // Ticks of the given lengths from the current time.
    void run(const std::vector<double> &lengths)
    {
        for (double length : lengths) {
            now += length;
            tick_by(now, length);
        }
    }
    void run_until(double until, double length = 0.1)
    {
        while (now + length <= until + 1e-9)
            run({length});
    }
    std::vector<std::string> announced_values(const char *name)
    {
        std::vector<std::string> out;
        const std::string prefix = std::string("scale_value_changed ") + name + " ";
        for (const std::string &h : listener->heard)
            if (h.compare(0, prefix.size(), prefix) == 0)
                out.push_back(h.substr(prefix.size()));
        return out;
    }
    float bar_width(scale *s) { return s->bar()->screen_rect().right - s->bar()->screen_rect().left; }
    std::vector<ui_hint_c *> popups()
    {
        std::vector<ui_hint_c *> out;
        for (abstract_c *c = layer->first_child(); c; c = c->next_sibling())
            if (auto *popup = dynamic_cast<ui_hint_c *>(c); popup && popup->alive())
                out.push_back(popup);
        return out;
    }
    int hint_from(abstract_c *control, vec2 at)
    {
        return root->message(MSG_VAR(hint), 0, control, MSG_ARG(at), MSG_ARG("A hint"), MSG_ARGS_END);
    }

    double now = 0.0;
    hint_layer *layer = nullptr;
    scale *music = nullptr, *effects = nullptr;
    checkbox *box = nullptr;
    test_control_c *hinted = nullptr;
};

} // namespace

TEST_F(settings_test, a_scale_lays_out_its_four_pictures_and_sizes_the_bar_by_its_value)
{
    std::vector<std::string> rects;
    for (multistate_image *image : {music->bar(), music->frame(), music->plus(), music->minus()})
        rects.push_back(rect_text(image->screen_rect()) + (image->is_visible() ? "" : " hidden"));
    EXPECT_EQ(rects, (std::vector<std::string>{"132,108,228,124", "100,100,356,132", "324,100,356,132 hidden",
                                               "100,100,132,132 hidden"}));
    EXPECT_EQ(music->last_child(), music->bar()) << "the bar draws first";
    EXPECT_EQ(music->first_child(), music->minus()) << "the pressed minus last";
    EXPECT_EQ(rect_text(music->bar()->tex_rect()), "0,32,192,48");

    EXPECT_EQ(bar_width(effects), 0.0f) << "default_percent 0";
    EXPECT_EQ(send("set_scale_percent", value_c("snd_effects_scale"), value_c(25)), 1);
    EXPECT_EQ(bar_width(effects), 48.0f);
    EXPECT_EQ(send("set_scale_percent", value_c("other_scale"), value_c(25)), 0);
    EXPECT_TRUE(listener->heard.empty()) << "setting the value announces nothing";
}

TEST_F(settings_test, holding_a_button_steps_five_points_a_second_within_0_to_100)
{
    struct
    {
        const char *what;
        int start;
        vec2 button;
        std::vector<double> ticks;
        std::vector<std::string> announced;
    } cases[] = {
        {"plus for one second in tenths", 50, PLUS, std::vector<double>(10, 0.1),
         {"50", "51", "51", "52", "52", "53", "53", "54", "54", "55"}},
        {"plus for one second in one tick", 50, PLUS, {1.0}, {"55"}},
        {"the remainder carries over", 50, MINUS, {0.15, 0.15, 0.15}, {"50", "49", "48"}},
        {"under 0.2 s nothing changes but every tick announces", 50, PLUS, {0.05, 0.05, 0.05}, {"50", "50", "50"}},
        {"plus stops at 100", 98, PLUS, {0.2, 0.2, 0.2, 10.0}, {"99", "100", "100", "100"}},
        {"minus stops at 0", 2, MINUS, {0.2, 0.2, 0.2, 10.0}, {"1", "0", "0", "0"}},
        {"a stored 150 is clamped by the next step", 150, PLUS, {0.2}, {"100"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        listener->heard.clear();
        send("set_scale_percent", value_c("bckgnd_music_scale"), value_c(c.start));
        EXPECT_NEAR(bar_width(music), float(c.start) * 1.92f, 1e-3);
        mouse(c.button, 1);
        EXPECT_EQ((c.button.x == PLUS.x ? music->plus() : music->minus())->is_visible(), 1) << "pressed picture";
        run(c.ticks);
        EXPECT_EQ(announced_values("bckgnd_music_scale"), c.announced);
        EXPECT_NEAR(bar_width(music), float(music->percent()) * 1.92f, 1e-3);
        mouse(c.button, 2);
        EXPECT_EQ(music->plus()->is_visible() + music->minus()->is_visible(), 0);
    }
}

// A value stored at an int limit, or a tick long enough for billions of steps, still ends
// inside 0..100 on the side the held button points to.
TEST_F(settings_test, a_step_clamps_without_overflowing_from_any_value_or_tick)
{
    struct
    {
        const char *what;
        int start;
        vec2 button;
        double tick;
        const char *announced;
    } cases[] = {
        {"plus from the largest int", INT_MAX, PLUS, 0.2, "100"},
        {"minus from the smallest int", INT_MIN, MINUS, 0.2, "0"},
        {"plus for a very long tick", 50, PLUS, 1e10, "100"},
        {"minus for a very long tick", 50, MINUS, 1e10, "0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        listener->heard.clear();
        send("set_scale_percent", value_c("bckgnd_music_scale"), value_c(c.start));
        mouse(c.button, 1);
        run({c.tick});
        EXPECT_EQ(announced_values("bckgnd_music_scale"), std::vector<std::string>{c.announced});
        mouse(c.button, 2);
    }
}

TEST_F(settings_test, a_hold_ends_on_release_on_leaving_the_buttons_or_the_scale)
{
    struct
    {
        const char *what;
        std::function<void()> end;
        int still_held;
    } cases[] = {
        {"release", [&] { mouse(PLUS, 2); }, 0},
        {"a move inside the button", [&] { mouse(vec2(PLUS.x + 5, PLUS.y + 5), 0); }, 1},
        {"a move to the bar", [&] { mouse(BAR, 0); }, 0},
        {"the cursor leaving the scale", [&] { mouse(AWAY, 0); }, 0},
        {"the right button's release", [&] { mouse(PLUS, 2, 1); }, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        mouse(PLUS, 1);
        run({0.1});
        c.end();
        listener->heard.clear();
        run({0.5});
        EXPECT_EQ(announced_values("bckgnd_music_scale").size(), size_t(c.still_held));
        EXPECT_EQ(music->plus()->is_visible(), c.still_held);
        mouse(PLUS, 2);
        mouse(AWAY, 0);
    }

    // The right button starts nothing and passes the press on.
    listener->heard.clear();
    EXPECT_EQ(mouse(PLUS, 1, 1), 0);
    run({1.0});
    EXPECT_TRUE(listener->heard.empty());
    EXPECT_EQ(music->plus()->is_visible(), 0);
}

TEST_F(settings_test, checkbox_toggles_on_left_releases_and_is_set_silently_by_name)
{
    const vec2 at(110, 210);
    click(at);
    click(at);
    EXPECT_EQ(listener->heard,
              (std::vector<std::string>{"checkbox_state_changed check_box_1 1", "checkbox_state_changed check_box_1 0"}));
    EXPECT_EQ(box->image()->column(), 0);
    EXPECT_EQ(rect_text(box->image()->screen_rect()), "100,200,132,232");

    listener->heard.clear();
    click(at, 1);
    EXPECT_TRUE(listener->heard.empty()) << "the right button does nothing";
    EXPECT_EQ(box->state(), 0);

    EXPECT_EQ(send("check_named", value_c("check_box_1"), value_c(1)), 1);
    EXPECT_EQ(box->state(), 1);
    EXPECT_EQ(box->image()->column(), 1) << "the right picture";
    EXPECT_TRUE(listener->heard.empty());
    click(at);
    EXPECT_EQ(listener->heard, (std::vector<std::string>{"checkbox_state_changed check_box_1 0"}));

    EXPECT_EQ(send("check_named", value_c("check_box_2"), value_c(1)), 0);
    for (int state : {2, -1})
        EXPECT_EQ(thrown_text([&] { send("check_named", value_c("check_box_1"), value_c(state)); }),
                  "Debug assertion failed! Expression: \"(int)msg_arg(1) >= 0 && (int)msg_arg(1) <= 1\"")
            << state;
    EXPECT_EQ(box->state(), 0);
}

TEST_F(settings_test, a_hint_opens_one_popup_above_the_cursor_for_its_whole_life)
{
    EXPECT_EQ(layer->get_priority(), -1);
    EXPECT_EQ(rect_text(layer->screen_rect()), "0,0,1024,768");
    EXPECT_EQ(hint_from(hinted, vec2(100, 100)), 1);
    ASSERT_EQ(popups().size(), 1u);
    ui_hint_c *popup = popups()[0];
    EXPECT_EQ(rect_text(popup->screen_rect()), "36,63,264,99");
    EXPECT_EQ(rect_text(popup->background()->screen_rect()), "36,63,264,99");
    EXPECT_EQ(popup->is_visible(), 0) << "hidden until its first update";
    EXPECT_EQ(popup->message(MSG_VAR(cursor), 1, nullptr, MSG_ARG(vec2(100, 80)), MSG_ARG((void *)&popup),
                             MSG_ARGS_END),
              0)
        << "a popup never sets the cursor";

    run({0.5});
    EXPECT_EQ(popup->is_visible(), 1);
    EXPECT_EQ(popup->state(), ui_hint_c::FADING_IN);
    run_until(10.0);
    EXPECT_EQ(popup->state(), ui_hint_c::SHOWING);
    hint_from(hinted, vec2(300, 300));
    EXPECT_EQ(popups().size(), 1u) << "one popup per control";
    run_until(18.0);
    EXPECT_EQ(popup->state(), ui_hint_c::FADING_OUT);
    EXPECT_TRUE(popup->alive());
    run_until(19.0);
    EXPECT_FALSE(popup->alive());

    hint_from(hinted, vec2(100, 100));
    EXPECT_EQ(popups().size(), 1u) << "a new popup once the old one is gone";
    EXPECT_EQ(thrown_text([&] { hint_from(nullptr, vec2(100, 100)); }), "Debug assertion failed! Expression: \"from\"");
}

TEST_F(settings_test, a_popup_fades_out_when_its_control_goes_away_and_is_gone_a_second_later)
{
    struct
    {
        const char *what;
        std::function<void()> away;
    } cases[] = {
        {"disabled", [&] { send("enable_ctrl", text_value("hinted"), value_c(0)); }},
        {"hidden", [&] { hinted->message(MSG_VAR(show), 0, nullptr, MSG_ARG(0), MSG_ARGS_END); }},
        {"the cursor acting on it", [&] { mouse(vec2(410, 110), 0); }},
        {"dead", [&] { hinted->shutdown_tree(); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        hint_from(hinted, vec2(420, 105));
        ASSERT_EQ(popups().size(), 1u);
        ui_hint_c *popup = popups()[0];
        run({0.1, 2.0});
        ASSERT_EQ(popup->state(), ui_hint_c::SHOWING);
        c.away();
        run({0.1});
        EXPECT_EQ(popup->state(), ui_hint_c::FADING_OUT);
        run({0.5});
        EXPECT_TRUE(popup->alive());
        EXPECT_GT(popup->background()->alpha(), 0.0f);
        EXPECT_LT(popup->background()->alpha(), 1.0f) << "fading";
        run({0.6});
        EXPECT_FALSE(popup->alive());
        // Back to a visible, enabled control with no popup.
        send("enable_ctrl", text_value("hinted"), value_c(1));
        hinted->set_visible(1);
        mouse(AWAY, 0);
        run({0.1, 1.1});
    }
}

TEST_F(settings_test, the_glow_is_black_on_the_edges_and_pulses_inside_with_the_fade)
{
    hint_from(hinted, vec2(100, 100));
    hint_background_c *glow = popups()[0]->background();
    EXPECT_EQ(glow->blend_flags(), unsigned(ui_vis_renderable_c::UI_BLEND_VERTEX | ui_vis_renderable_c::UI_BLEND_ADDITIVE));
    auto colours = [&] {
        glow->build_geometry(vec2());
        const auto &bytes = glow->vertex_buffer()->bytes();
        std::vector<unlit_vertex_s> out(bytes.size() / sizeof(unlit_vertex_s));
        std::memcpy(out.data(), bytes.data(), out.size() * sizeof(unlit_vertex_s));
        return out;
    };
    for (const unlit_vertex_s &v : colours())
        EXPECT_EQ(v.diffuse, 0xFF000000u) << "alpha 0 is black";

    glow->set_alpha(0.5f);
    glow->update(2.0);
    const std::vector<unlit_vertex_s> vertices = colours();
    ASSERT_EQ(vertices.size(), 15u * 11u);
    EXPECT_EQ(glow->primitive_count(), 280);
    for (int r = 0; r <= 10; ++r)
        for (int c = 0; c <= 14; ++c) {
            const bool edge = c == 0 || c == 14 || r == 0 || r == 10;
            EXPECT_TRUE(!edge || vertices[size_t(r * 15 + c)].diffuse == 0xFF000000u) << c << "," << r;
        }
    const unlit_vertex_s &inner = vertices[2 * 15 + 3];
    EXPECT_EQ(inner.diffuse, 0xFF1A1423u) << "the colour of point (3, 2) at 2 s and alpha 0.5";
    EXPECT_EQ(vec_text(vec2(inner.x, inner.y)), "84.8571,70.2");
    EXPECT_EQ(hint_background_c::colour_at(7, 5, 1.0, 1.0f), 0xFF333E53u);
}

TEST_F(settings_test, a_scale_with_a_hint_shows_it_after_the_cursor_rests)
{
    run({0.1});
    mouse(vec2(200, 160), 0);
    run({0.5, 0.4});
    EXPECT_TRUE(popups().empty());
    run({0.2});
    ASSERT_EQ(popups().size(), 1u) << "the scale lets the control base see its ticks";
    EXPECT_EQ(popups()[0]->target(), effects);
}
