#include "tests/kernel/scripts/script_fixture.h"
#include "tests/ui/ui_fixture.h"

#include "kernel/root.h"
#include "kernel/scripts.h"

#include <map>
#include <memory>

TEST_F(ui_tree_test, layout_is_relative_to_the_nearest_visual_ancestor)
{
    abstract_c *plain = new abstract_c(root);
    attribute_list_c panel_attrs = attrs({{"screen_rect", value_c(rect(100, 50, 500, 350))}});
    probe_visual_c *panel = new probe_visual_c(plain, &panel_attrs);
    abstract_c *between = new abstract_c(panel);

    attribute_list_c direct = attrs({{"screen_rect", value_c(rect(10, 20, 40, 60))}});
    attribute_list_c at_pos = attrs({{"pos", value_c(vec2(10, 20))}});
    attribute_list_c both = attrs({{"pos", value_c(vec2(10, 20))}, {"screen_rect", value_c(rect(1, 2, 3, 4))}});
    struct
    {
        const char *what;
        abstract_c *parent;
        const attribute_list_c *attributes;
        bool control;
        const char *expected;
    } cases[] = {
        {"visual under a plain parent keeps its rectangle", plain, &direct, false, "10,20,40,60"},
        {"visual under a panel moves by its corner", panel, &direct, false, "110,70,140,110"},
        {"a plain object between does not hide the panel", between, &direct, false, "110,70,140,110"},
        {"visual without rectangle sits empty at the corner", panel, nullptr, false, "100,50,100,50"},
        {"control at pos under a panel", panel, &at_pos, true, "110,70,110,70"},
        {"control at pos under a plain parent", plain, &at_pos, true, "10,20,10,20"},
        {"screen_rect wins over pos", panel, &both, true, "101,52,103,54"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ui_vis_object_c *v = c.control ? (ui_vis_object_c *)new probe_control_c(c.parent, c.attributes)
                                       : (ui_vis_object_c *)new probe_visual_c(c.parent, c.attributes);
        EXPECT_EQ(rect_text(v->screen_rect()), c.expected);
        rect read;
        EXPECT_EQ(v->message(MSG_VAR(vis_rect), 1, nullptr, MSG_ARG(0), MSG_ARG((void *)&read), MSG_ARGS_END), 1);
        EXPECT_EQ(rect_text(read), c.expected) << "vis_rect reads the absolute rectangle";
        vec2 corner;
        v->message(MSG_VAR(screen_coords), 1, nullptr, MSG_ARG((void *)&corner), MSG_ARGS_END);
        EXPECT_EQ(corner, vec2(v->screen_rect().left, v->screen_rect().top));
    }

    probe_visual_c *empty = new probe_visual_c(panel, nullptr);
    for (vec2 p : {vec2(100, 50), vec2(99.5f, 49.5f), vec2(100.5f, 50.5f)})
        EXPECT_FALSE(empty->contains_point(p)) << "an empty rectangle holds no point";

    // Children are placed once: moving the panel later leaves them where they were.
    probe_visual_c *child = new probe_visual_c(panel, &direct);
    panel->set_position(vec2(0, 0));
    EXPECT_EQ(rect_text(panel->screen_rect()), "0,0,400,300");
    EXPECT_EQ(rect_text(child->screen_rect()), "110,70,140,110");
    rect moved(5, 6, 7, 8);
    EXPECT_EQ(child->message(MSG_VAR(vis_rect), 1, nullptr, MSG_ARG(1), MSG_ARG((void *)&moved), MSG_ARGS_END), 1);
    EXPECT_EQ(rect_text(child->screen_rect()), "5,6,7,8");
    EXPECT_EQ(child->resize(vec2(10, 4)), vec2(15, 10));
}

TEST_F(ui_tree_test, render_builds_then_draws_the_parent_before_its_children_and_controls_draw_nothing)
{
    journal_t journal;
    probe_visual_c *screen = new probe_visual_c(root, nullptr, &journal, "screen.");
    new probe_visual_c(screen, nullptr, &journal, "image.");
    new probe_control_c(screen, nullptr, &journal, "button.");
    EXPECT_EQ(root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END), 0);
    EXPECT_EQ(journal, (journal_t{"screen.build:0,0", "screen.draw:0,0", "image.build:0,0", "image.draw:0,0"}));

    journal.clear();
    tick(2.5);
    EXPECT_EQ(journal, (journal_t{"screen.update:2.50", "image.update:2.50"}));
}

TEST_F(ui_tree_test, show_hides_a_whole_subtree_and_is_hidden_answers_for_each)
{
    probe_visual_c *screen = new probe_visual_c(root, nullptr);
    probe_visual_c *panel = new probe_visual_c(screen, nullptr);
    probe_control_c *button = new probe_control_c(panel, nullptr);
    std::vector<ui_vis_object_c *> all = {screen, panel, button};
    auto hidden = [](ui_vis_object_c *v) { return v->message(MSG_VAR(is_hidden), 1, nullptr, MSG_ARGS_END); };

    for (ui_vis_object_c *v : all)
        EXPECT_EQ(hidden(v), 0);
    EXPECT_EQ(screen->message(MSG_VAR(show), 0, nullptr, MSG_ARG(0), MSG_ARGS_END), 0);
    for (ui_vis_object_c *v : all) {
        EXPECT_EQ(hidden(v), 1);
        EXPECT_EQ(v->is_visible(), 0);
    }
    panel->message(MSG_VAR(show), 0, nullptr, MSG_ARG(1), MSG_ARGS_END);
    EXPECT_EQ(hidden(screen), 1);
    EXPECT_EQ(hidden(panel), 0);
    EXPECT_EQ(hidden(button), 0);
}

TEST_F(ui_tree_test, cursor_is_answered_only_by_visible_cursor_aware_objects_under_the_point)
{
    attribute_list_c area = attrs({{"screen_rect", value_c(rect(0, 0, 100, 100))}});
    probe_visual_c *plain = new probe_visual_c(root, &area);
    probe_control_c *control = new probe_control_c(root, &area);
    control->set_cursor_name("standard");
    probe_control_c *nameless = new probe_control_c(root, &area);

    auto ask = [](ui_vis_object_c *v, vec2 p, const char **out) {
        return v->message(MSG_VAR(cursor), 1, nullptr, MSG_ARG(p), MSG_ARG((void *)out), MSG_ARGS_END);
    };
    const char *unset = "unset";
    const char *name = unset;
    EXPECT_EQ(ask(plain, vec2(50, 50), &name), 0) << "a plain visual is not cursor-aware";
    EXPECT_EQ(name, unset);
    EXPECT_EQ(ask(control, vec2(100, 50), &name), 0) << "the right edge is outside";
    EXPECT_EQ(name, unset);
    EXPECT_EQ(ask(control, vec2(99, 50), &name), 1);
    EXPECT_STREQ(name, "standard");
    EXPECT_EQ(ask(nameless, vec2(50, 50), &name), 1);
    EXPECT_EQ(name, nullptr) << "a control without cursor name writes null";
    name = unset;
    control->set_visible(0);
    EXPECT_EQ(ask(control, vec2(50, 50), &name), 0) << "a hidden control does not answer";
    EXPECT_EQ(name, unset);
}

TEST_F(ui_tree_test, doom_kills_the_object_and_its_subtree)
{
    journal_t journal;
    probe_visual_c *panel = new probe_visual_c(root, nullptr);
    probe_control_c *button = new probe_control_c(panel, nullptr, &journal, "button.");
    probe_visual_c *other = new probe_visual_c(root, nullptr);
    object_pointer_c weak_panel(panel), weak_button(button);
    EXPECT_EQ(root->message(MSG_VAR(doom), 1, nullptr, MSG_ARGS_END), 0) << "the root is no visual";
    EXPECT_EQ(panel->message(MSG_VAR(doom), 0, nullptr, MSG_ARGS_END), 1);
    EXPECT_EQ(weak_panel.get(), nullptr);
    EXPECT_EQ(weak_button.get(), nullptr);
    EXPECT_TRUE(other->alive());
    root->collect_dead_children();
    EXPECT_EQ(root->first_child(), other);
}

// Scripted screens: `visible` is applied to the whole subtree when the script finishes.
class ui_script_test : public temp_dir_test
{
protected:
    void SetUp() override
    {
        temp_dir_test::SetUp();
        static bool registered = false;
        if (!registered) {
            registered = true;
            register_creator("test_visual", make_object<ui_vis_object_c>);
            register_creator("test_control", make_object<ui_control_c>);
        }
        root = new abstract_c(nullptr);
        runner = std::make_unique<scripts_c>();
    }
    void TearDown() override
    {
        runner.reset();
        root->shutdown_tree();
        delete root;
        temp_dir_test::TearDown();
    }

    abstract_c *root = nullptr;
    std::unique_ptr<scripts_c> runner;
};

TEST_F(ui_script_test, visible_attribute_hides_the_subtree_when_creation_finishes)
{
    const char *screen = R"(
create test_visual { rect screen_rect = [100 50 400 300]; string id = "hidden"; int visible = 0; }
children : {
    create test_control { vec2 pos = [10 20]; }
    children : { create test_visual { rect screen_rect = [5 5 10 10]; int visible = 1; }; };
};
create test_visual { string id = "shown"; int visible = 1; }
children : { create test_control { }; };
create test_visual { string id = "default"; }
children : { create test_control { }; };
)";
    write_data("scripts/screen.isc", screen);
    runner->execute_script("scripts/screen.isc", root, 0);

    auto subtree_visibility = [](ui_vis_object_c *top) {
        std::string s;
        std::function<void(abstract_c *)> walk = [&](abstract_c *o) {
            s += std::to_string(static_cast<ui_vis_object_c *>(o)->is_visible());
            for (abstract_c *c = o->last_child(); c; c = c->prev_sibling())
                walk(c);
        };
        walk(top);
        return s;
    };
    std::map<std::string, std::string> seen;
    for (abstract_c *c = root->first_child(); c; c = c->next_sibling())
        seen[c->attribute("id")->get_const_pchar()] = subtree_visibility(static_cast<ui_vis_object_c *>(c));
    EXPECT_EQ(seen["hidden"], "000") << "a child's own visible 1 does not survive its parent's 0";
    EXPECT_EQ(seen["shown"], "11");
    EXPECT_EQ(seen["default"], "11");

    ui_vis_object_c *hidden = nullptr;
    for (abstract_c *c = root->first_child(); c; c = c->next_sibling())
        if (std::string(c->attribute("id")->get_const_pchar()) == "hidden")
            hidden = static_cast<ui_vis_object_c *>(c);
    ASSERT_NE(hidden, nullptr);
    auto *control = static_cast<ui_vis_object_c *>(hidden->first_child());
    EXPECT_EQ(rect_text(control->screen_rect()), "110,70,110,70");
    EXPECT_EQ(rect_text(static_cast<ui_vis_object_c *>(control->first_child())->screen_rect()), "115,75,125,85");
}
