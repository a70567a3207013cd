// The cursor on the recording device with the fake input backend and the generated cursor
// textures: position, mouse messages, animation frames and drawing.
#include "tests/ui/visual/render_fixture.h"

#include "platform/input/dinput_fake.h"
#include "platform/window/window_fake.h"
#include "services/srvc_input.h"
#include "ui/ui_cursor.h"
#include "ui/ui_vis_image.h"

#include <limits>

namespace {

// Records every mouse message as "x,y index event" and answers none.
class mouse_recorder_c : public abstract_c
{
public:
    explicit mouse_recorder_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(mouse))
            seen.push_back(vec_text(msg_arg(0)->get_vec2()) + " " + std::to_string(msg_arg(2)->get_int()) + " " +
                           std::to_string(msg_arg(3)->get_int()));
        return 0;
    }
    std::vector<std::string> seen;
};

class cursor_test : public ui_render_test
{
protected:
    void SetUp() override
    {
        ui_render_test::SetUp();
        textures->add_ui_textures();
        // The input service asks for the main window's handle, a window of the fake backend.
        window_fake_use();
        dinput_fake_use();
        WNDCLASSEX wc{};
        wc.lpfnWndProc = DefWindowProc;
        wc.lpszClassName = "cursor_test";
        RegisterClassEx(&wc);
        window->hwnd = CreateWindowEx(0, "cursor_test", "", WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr, nullptr,
                                      nullptr);
        input = new dinput_c(root, nullptr);
        recorder = new mouse_recorder_c(root);
        input->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    }
    cursor_resource *make_resource(const char *name, const char *texture, vec2 hotspot, rect frame)
    {
        attribute_list_c list = attrs({{"name", text_value(name)}, {"hotspot", value_c(hotspot)},
                                       {"texture_name", text_value(texture)}, {"tex_rect", value_c(frame)}});
        cursor_resource *r = new cursor_resource(root, &list);
        r->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
        return r;
    }
    // The two shapes of the demo and a cursor after them.
    cursor *make_cursor()
    {
        make_resource("standard", "cursor_standard", vec2(0, 0), rect(0, 0, 32, 32));
        make_resource("smodel", "cursor_smodel", vec2(16, 16), rect(0, 0, 32, 32));
        cursor *c = new cursor(root, nullptr);
        c->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
        return c;
    }
    void tick(float since_previous = 0.01f)
    {
        m_time += since_previous;
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(m_time), MSG_ARG(since_previous), MSG_ARGS_END);
    }
    void move(int dx, int dy)
    {
        dinput_fake_mouse(dx, dy, 0);
        tick();
    }
    // The frame the pointer shows, from the left edge of its texel rectangle.
    int frame_shown(cursor *c)
    {
        render();
        return int(c->image()->tex_rect().left / 32.0f);
    }

    dinput_c *input = nullptr;
    mouse_recorder_c *recorder = nullptr;
    float m_time = 0.0f;
};

using strings = std::vector<std::string>;

TEST_F(cursor_test, the_position_stays_inside_the_ui_space)
{
    cursor *c = make_cursor();
    move(-5000, -3000);
    EXPECT_EQ(c->position(), vec2(0, 0));
    move(300, 200);
    EXPECT_EQ(c->position(), vec2(300, 200));
    move(5000, 3000);
    EXPECT_EQ(c->position(), vec2(1024, 768));
    // A move that the clamp swallows still reports the movement.
    move(10, 0);
    EXPECT_EQ(recorder->seen, (strings{"0,0 -1 0", "300,200 -1 0", "1024,768 -1 0", "1024,768 -1 0"}));
    // cursor_move is clamped at the next tick.
    vec2 by(-2000, 0);
    EXPECT_EQ(root->message(MSG_VAR(cursor_move), 0, nullptr, MSG_ARG((void *)&by), MSG_ARGS_END), 1);
    EXPECT_EQ(c->position(), vec2(-976, 768));
    tick();
    EXPECT_EQ(c->position(), vec2(0, 768));
}

TEST_F(cursor_test, only_the_highest_changed_button_is_reported)
{
    make_cursor();
    move(50, 60);
    recorder->seen.clear();
    struct
    {
        const char *what;
        int left, right, middle;
        strings seen;
    } steps[] = {
        {"left pressed", 1, 0, 0, {"50,60 0 1"}},
        {"nothing changed", 1, 0, 0, {}},
        {"left released", 0, 0, 0, {"50,60 0 2"}},
        {"left and right pressed in one tick", 1, 1, 0, {"50,60 1 1"}},
        {"the left press is not reported later", 1, 1, 0, {}},
        {"middle pressed, right released", 1, 0, 1, {"50,60 2 1"}},
        {"all released", 0, 0, 0, {"50,60 2 2"}},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.what);
        recorder->seen.clear();
        dinput_fake_button(0, s.left);
        dinput_fake_button(1, s.right);
        dinput_fake_button(2, s.middle);
        tick();
        EXPECT_EQ(recorder->seen, s.seen);
    }
}

TEST_F(cursor_test, frames_run_over_a_control_and_rest_elsewhere)
{
    attribute_list_c area = attrs({{"screen_rect", value_c(rect(0, 0, 100, 100))}});
    probe_control_c *control = new probe_control_c(root, &area);
    cursor *c = make_cursor();
    root->message(MSG_VAR(change_cursor), 0, nullptr, MSG_ARG(text_value("smodel")), MSG_ARG(0), MSG_ARGS_END);
    move(500, 500);
    EXPECT_EQ(frame_shown(c), 0);
    tick(0.5f);
    EXPECT_EQ(c->phase(), 0.0f) << "over no control";
    move(-450, -450);
    recorder->seen.clear();
    // Each tick a little more than 1/12 s: one step of the phase.
    std::vector<int> frames;
    for (int i = 0; i < 11; ++i) {
        frames.push_back(frame_shown(c));
        tick(0.0834f);
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 3, 4, 5, 4, 3, 2, 1, 0}));
    EXPECT_TRUE(recorder->seen.empty()) << "resting sends no mouse";
    // The hot spot sits on the position.
    EXPECT_EQ(c->image()->screen_rect(), rect(34, 34, 66, 66));
    // Animated shapes run anywhere.
    control->set_visible(0);
    root->message(MSG_VAR(change_cursor), 0, nullptr, MSG_ARG(text_value("smodel")), MSG_ARG(1), MSG_ARGS_END);
    const float before = c->phase();
    tick(0.25f);
    EXPECT_NEAR(c->phase(), before + 3.0f, 1e-4f);
    // Ticks far too long for a real clock still leave a phase of the cycle and a frame.
    for (float since_previous : {1e12f, std::numeric_limits<float>::infinity()}) {
        tick(since_previous);
        EXPECT_TRUE(c->phase() >= 0.0f && c->phase() < 10.0f) << since_previous << ": " << c->phase();
        EXPECT_GE(frame_shown(c), 0);
    }
}

TEST_F(cursor_test, a_hidden_pointer_still_moves_and_reports)
{
    cursor *c = make_cursor();
    EXPECT_EQ(root->message(MSG_VAR(cursor_show), 0, nullptr, MSG_ARG(0), MSG_ARGS_END), 1);
    move(10, 20);
    render();
    EXPECT_FALSE(c->image()->is_visible());
    EXPECT_EQ(rec->count(recording_call_e::draw_indexed), 0u);
    EXPECT_EQ(recorder->seen, strings{"10,20 -1 0"});
    root->message(MSG_VAR(cursor_show), 0, nullptr, MSG_ARG(1), MSG_ARGS_END);
    render();
    EXPECT_EQ(rec->count(recording_call_e::draw_indexed), 1u);
    EXPECT_EQ(c->image()->screen_rect(), rect(10, 20, 42, 52));
}

TEST_F(cursor_test, an_unknown_shape_draws_no_pointer_but_the_rest_of_the_tree_draws)
{
    cursor *c = make_cursor();
    journal_t journal;
    new probe_visual_c(root, nullptr, &journal, "after:");
    root->message(MSG_VAR(change_cursor), 0, nullptr, MSG_ARG(text_value("nobody")), MSG_ARG(0), MSG_ARGS_END);
    render();
    EXPECT_EQ(rec->count(recording_call_e::draw_indexed), 0u);
    EXPECT_EQ(journal, (journal_t{"after:build:0,0", "after:draw:0,0"}));
    root->message(MSG_VAR(change_cursor), 0, nullptr, MSG_ARG(text_value("standard")), MSG_ARG(0), MSG_ARGS_END);
    render();
    EXPECT_EQ(rec->count(recording_call_e::draw_indexed), 1u);
    EXPECT_EQ(c->image()->texture(), textures->entry("textures/cursor_standard"));
}

TEST_F(cursor_test, without_its_shape_at_startup_the_pointer_appears_with_the_shape)
{
    cursor *c = new cursor(root, nullptr);
    c->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    render();
    EXPECT_EQ(c->image(), nullptr);
    make_resource("standard", "cursor_standard", vec2(0, 0), rect(0, 0, 32, 32));
    render();
    ASSERT_NE(c->image(), nullptr);
    EXPECT_EQ(rec->count(recording_call_e::draw_indexed), 1u);
}

TEST_F(cursor_test, resources_load_their_texture_and_give_it_back)
{
    cursor_resource *r = make_resource("standard", "cursor_standard", vec2(0, 0), rect(0, 0, 32, 32));
    EXPECT_EQ(textures->prms, std::vector<int>{0});
    stub_texture_c *texture = textures->entry("textures/cursor_standard");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(r->texture(), texture);
    abstract_c *found = nullptr;
    vec2 hotspot;
    rect frame;
    const auto ask = [&](const char *name) {
        return root->message(MSG_VAR(get_cursor), 0, nullptr, MSG_ARG(name), MSG_ARG((void *)&found),
                             MSG_ARG((void *)&hotspot), MSG_ARG((void *)&frame), MSG_ARGS_END);
    };
    EXPECT_EQ(ask("Standard"), 0) << "names match byte for byte";
    EXPECT_EQ(ask("standard"), 1);
    EXPECT_EQ(found, texture);
    EXPECT_EQ(frame, rect(0, 0, 32, 32));
    r->shutdown_tree();
    EXPECT_EQ(textures->entry("textures/cursor_standard"), nullptr);

    for (const char *missing : {"name", "hotspot", "texture_name", "tex_rect"}) {
        attribute_list_c list;
        for (const char *name : {"name", "hotspot", "texture_name", "tex_rect"})
            if (std::string(name) != missing)
                add_attribute(nullptr, list, name,
                              std::string(name) == "hotspot"    ? value_c(vec2(0, 0))
                              : std::string(name) == "tex_rect" ? value_c(rect(0, 0, 32, 32))
                                                                : text_value("standard"),
                              0);
        EXPECT_EQ(thrown_text([&] { new cursor_resource(root, &list); }),
                  std::string("Could not find required attribute '") + missing + "'");
    }
}

} // namespace
