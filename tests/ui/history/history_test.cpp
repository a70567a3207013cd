// History controls on the recording device: the list's slots and rows, presses on a downward
// and an upward list, the button, a whole pick, and the draw order of the control's children.
#include "tests/ui/input_fixture.h"
#include "ui/ui_edit.h"
#include "ui/ui_history_list.h"
#include "ui/ui_text_static.h"

#include <map>

namespace {

// A control at (100, 100): its edit 80 x 24 there, the button at (180, 104), a list of rows
// 128 x 16 with caps 6 high. Downward the list of all rows starts at (100, 124); upward it
// ends at (100, 100).
struct history_spec
{
    int list_up = 0;
    int item_nmb = 5;
    int vis_item_nmb = -1; // -1: not given
    std::vector<const char *> items;
    const char *name = "hero";
};

attribute_list_c history_attrs(const history_spec &s)
{
    attribute_list_c list = attrs({{"name", text_value(s.name)},
                                   {"screen_rect", value_c(rect(100, 100, 100, 100))},
                                   {"editable", value_c(1)},
                                   {"max_text", value_c(120)},
                                   {"tex", value_c(rect(0, 0, 8, 24))},
                                   {"middle_repeat", value_c(4)},
                                   {"middle_tex", value_c(rect(8, 0, 24, 24))},
                                   {"right_tex", value_c(rect(24, 0, 32, 24))},
                                   {"tex_name", text_value("ui_edit")},
                                   {"justify", value_c(-1)},
                                   {"left_margin", value_c(4)},
                                   {"right_margin", value_c(4)},
                                   {"vert_margin", value_c(6)},
                                   {"font_name", text_value("even")},
                                   {"chars_color", value_c(vec3(0, 0, 0))},
                                   {"default_text", text_value("")},
                                   {"hlist_up", value_c(s.list_up)},
                                   {"hlist_middle_tex_rect", value_c(rect(0, 0, 128, 16))},
                                   {"hlist_top_tex_rect", value_c(rect(0, 16, 128, 22))},
                                   {"hlist_bottom_tex_rect", value_c(rect(0, 24, 128, 30))},
                                   {"hlist_item_nmb", value_c(s.item_nmb)},
                                   {"hlist_tex_name", text_value("ui_history")},
                                   {"hlist_font_name", text_value("even")},
                                   {"hlist_chars_color", value_c(vec3(20, 20, 20))},
                                   {"history_btn_screen_rect", value_c(rect(80, 4, 96, 20))},
                                   {"history_btn_tex_rect", value_c(rect(32, 16, 48, 32))}});
    add_attribute(nullptr, list, s.list_up ? "hlist_up_lower_right" : "hlist_down_upper_left",
                  value_c(vec2(0, s.list_up ? 0 : 24)), 0);
    if (s.vis_item_nmb >= 0)
        add_attribute(nullptr, list, "hlist_vis_item_nmb", value_c(s.vis_item_nmb), 0);
    for (size_t k = 0; k < s.items.size(); ++k)
        if (s.items[k])
            add_attribute(nullptr, list, ("hlist_item_" + std::to_string(k + 1)).c_str(), text_value(s.items[k]),
                          0);
    return list;
}

const vec2 button_at(185, 110);

class history_test : public ui_input_test
{
protected:
    template <class T = history_control> T *make(const history_spec &s = history_spec())
    {
        attribute_list_c list = history_attrs(s);
        return new T(screen, &list);
    }
    int add(const char *name, const char *text)
    {
        return root->message(MSG_VAR(add_history_item), 0, nullptr, MSG_ARG(name), MSG_ARG(text), MSG_ARGS_END);
    }
    static std::vector<std::string> slots(history_list_c *l)
    {
        std::vector<std::string> out;
        for (int i = 0; i < l->item_count(); ++i)
            out.push_back(l->slot(i));
        return out;
    }
    static std::vector<std::string> rows(history_list_c *l)
    {
        std::vector<std::string> out;
        for (int i = 0; i < l->visible_rows(); ++i)
            out.push_back(l->row(i)->line_text(0));
        return out;
    }
    int selected(const char *name)
    {
        int value = -7;
        root->message(MSG_VAR(get_selected_nmb), 0, nullptr, MSG_ARG(name), MSG_ARG((void *)&value), MSG_ARGS_END);
        return value;
    }
};

TEST_F(history_test, adding_moves_repeats_to_the_top_and_drops_the_oldest)
{
    history_control *h = make();
    history_list_c *l = h->list();
    EXPECT_EQ(slots(l), (std::vector<std::string>{"", "", "", "", ""}));
    EXPECT_EQ(add("hero", "A"), 1);
    add("hero", "B");
    add("hero", "A");
    EXPECT_EQ(slots(l), (std::vector<std::string>{"A", "B", "", "", ""}));
    for (const char *t : {"C", "D", "E", "F"})
        add("hero", t);
    EXPECT_EQ(slots(l), (std::vector<std::string>{"F", "E", "D", "C", "A"})) << "B, the oldest, dropped out";
    EXPECT_EQ(rows(l), slots(l));
    add("hero", "C");
    EXPECT_EQ(slots(l), (std::vector<std::string>{"C", "F", "E", "D", "A"}));

    EXPECT_EQ(add("villain", "X"), 0) << "another control's name";
    EXPECT_EQ(slots(l)[0], "C");

    const std::string long_text(120, 'x');
    add("hero", long_text.c_str());
    EXPECT_EQ(slots(l)[0], std::string(99, 'x'));
    add("hero", (long_text + "y").c_str());
    EXPECT_EQ(slots(l)[1], "C") << "texts equal in their first 99 bytes are one entry";
}

TEST_F(history_test, fewer_rows_than_slots_keep_the_rest_and_select_item_reaches_them)
{
    history_spec s;
    s.vis_item_nmb = 3;
    history_control *h = make(s);
    history_list_c *l = h->list();
    EXPECT_EQ(rect_text(l->screen_rect()), "100,156,228,210") << "the top moves down by two rows";
    for (const char *t : {"e", "d", "c", "b", "a"})
        add("hero", t);
    EXPECT_EQ(rows(l), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(root->message(MSG_VAR(select_item), 0, nullptr, MSG_ARG("hero"), MSG_ARG(4), MSG_ARGS_END), 1);
    EXPECT_EQ(selected("hero"), 4);
    EXPECT_STREQ(h->edit_field()->text(), "e");
    EXPECT_TRUE(take_reports().empty()) << "a screen's pick is not announced";
    for (int bad : {-1, 25})
        l->message(MSG_VAR(select_item), 0, nullptr, MSG_ARG("hero"), MSG_ARG(bad), MSG_ARGS_END);
    EXPECT_EQ(selected("hero"), 4) << "indexes outside the slots are ignored";
    EXPECT_EQ(l->message(MSG_VAR(select_item), 0, nullptr, MSG_ARG("villain"), MSG_ARG(1), MSG_ARGS_END), 0);
}

TEST_F(history_test, presses_find_rows_by_height_alone)
{
    // Rows of three shown, texts in rows 0 and 1; x = 300 lies right of the list.
    struct
    {
        const char *what;
        int list_up;
        float y;
        std::string outcome; // picked text, "aside", "" for nothing
    } cases[] = {
        {"down: above the rows", 0, 155, "aside"},
        {"down: row 0", 0, 156, "a"},
        {"down: row 1", 0, 187, "b"},
        {"down: row 2 is empty", 0, 190, ""},
        {"down: the cap below", 0, 205, "aside"},
        {"down: below the list", 0, 260, "aside"},
        {"up: row 0 at the bottom", 0 + 1, 99, "a"},
        {"up: row 1", 1, 70, "b"},
        {"up: row 2 is empty", 1, 60, ""},
        {"up: the cap above", 1, 50, "aside"},
        {"up: below the list", 1, 100, "aside"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        history_spec s;
        s.list_up = c.list_up;
        s.vis_item_nmb = 3;
        s.items = {"a", "b"};
        history_control *h = make(s);
        h->message(MSG_VAR(hist_btn_clicked), 0, nullptr, MSG_ARGS_END);
        ASSERT_TRUE(h->list_shown());
        EXPECT_EQ(mouse(vec2(300, c.y), 1), 1) << "an open list takes every left press";
        if (c.outcome == "aside") {
            EXPECT_FALSE(h->list_shown());
            EXPECT_STREQ(h->edit_field()->text(), "");
        } else if (c.outcome.empty()) {
            EXPECT_TRUE(h->list_shown());
            EXPECT_STREQ(h->edit_field()->text(), "");
        } else {
            EXPECT_FALSE(h->list_shown());
            EXPECT_STREQ(h->edit_field()->text(), c.outcome.c_str());
            EXPECT_EQ(take_reports(), journal_t{"history_item_selected:hero"});
        }
        EXPECT_TRUE(take_reports().empty());
        h->shutdown_tree();
    }
}

TEST_F(history_test, a_closed_list_ignores_presses_and_other_buttons_pass)
{
    history_spec s;
    s.items = {"a"};
    history_control *h = make(s);
    EXPECT_EQ(mouse(vec2(300, 130), 1), 0);
    EXPECT_STREQ(h->edit_field()->text(), "");
    h->message(MSG_VAR(hist_btn_clicked), 0, nullptr, MSG_ARGS_END);
    EXPECT_EQ(mouse(vec2(300, 130), 1, 1), 0) << "the right button is the control base's";
    EXPECT_EQ(mouse(vec2(300, 130), 2), 0) << "so is a release";
    EXPECT_TRUE(h->list_shown());
}

TEST_F(history_test, initial_entries_and_all_rows_without_a_visible_count)
{
    history_spec s;
    s.items = {"first", "second", nullptr, "fourth"};
    history_control *h = make(s);
    EXPECT_EQ(h->list()->visible_rows(), 5);
    EXPECT_EQ(rows(h->list()), (std::vector<std::string>{"first", "second", "fourth", "", ""}));
    EXPECT_FALSE(h->list()->is_visible());
    EXPECT_FALSE(h->button()->is_visible());
    EXPECT_EQ(selected("hero"), 0) << "nothing picked yet";
    EXPECT_EQ(selected("villain"), -7);
    EXPECT_EQ(h->message(MSG_VAR(creation_finished), 0, nullptr, MSG_ARGS_END), 1);
    EXPECT_FALSE(h->list()->is_visible()) << "creation_finished does not reach the list";
}

TEST_F(history_test, a_whole_pick_through_the_button)
{
    struct
    {
        const char *what;
        bool hiscore;
        journal_t reports;
    } cases[] = {
        {"history", false, {"history_item_selected:hero"}},
        {"hiscore", true, {"hiscore_item_selected:hero,1"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        history_spec s;
        s.items = {"a", "b"};
        history_control *h = c.hiscore ? make<hiscore_history>(s) : make(s);
        mouse(button_at, 1);
        EXPECT_FALSE(h->list_shown()) << "the button is dead before enable_ctrl";
        root->message(MSG_VAR(enable_ctrl), 0, nullptr, MSG_ARG("villain"), MSG_ARG(1), MSG_ARGS_END);
        mouse(button_at, 1);
        EXPECT_FALSE(h->list_shown()) << "enable_ctrl for another name";
        root->message(MSG_VAR(enable_ctrl), 0, nullptr, MSG_ARG("hero"), MSG_ARG(1), MSG_ARGS_END);
        EXPECT_EQ(mouse(button_at, 1), 1);
        EXPECT_TRUE(h->list_shown());
        EXPECT_TRUE(h->button()->is_visible());
        EXPECT_TRUE(h->list()->is_visible());
        EXPECT_EQ(h->get_priority(), -1);

        mouse(vec2(150, 145), 1); // row 1 of the downward list
        EXPECT_STREQ(h->edit_field()->text(), "b");
        EXPECT_FALSE(h->list_shown());
        EXPECT_FALSE(h->list()->is_visible());
        EXPECT_FALSE(h->button()->is_visible());
        EXPECT_EQ(h->get_priority(), 0);
        EXPECT_EQ(selected("hero"), 1);
        EXPECT_EQ(take_reports(), c.reports);

        root->message(MSG_VAR(enable_ctrl), 0, nullptr, MSG_ARG("hero"), MSG_ARG(0), MSG_ARGS_END);
        mouse(button_at, 1);
        EXPECT_FALSE(h->list_shown()) << "disabled again";
        h->shutdown_tree();
    }
}

TEST_F(history_test, a_press_on_the_edit_goes_to_the_edit_while_the_list_stays_open)
{
    history_spec s;
    s.list_up = 1;
    history_control *h = make(s);
    h->message(MSG_VAR(hist_btn_clicked), 0, nullptr, MSG_ARGS_END);
    EXPECT_EQ(mouse(vec2(120, 110), 1), 1);
    EXPECT_TRUE(h->edit_field()->is_focused());
    EXPECT_TRUE(h->list_shown());
}

TEST_F(history_test, an_open_control_sorts_before_its_siblings_and_takes_presses_first)
{
    history_spec s;
    s.items = {"a"};
    history_control *h = make(s);
    // A newer control over the list's first row, which takes every press it gets.
    journal_t journal;
    attribute_list_c over = attrs({{"screen_rect", value_c(rect(100, 124, 228, 210))}});
    probe_control_c *sibling = new probe_control_c(screen, &over, &journal, "S");
    sibling->consume = 1;
    h->message(MSG_VAR(hist_btn_clicked), 0, nullptr, MSG_ARGS_END);
    mouse(vec2(150, 130), 1);
    EXPECT_EQ(journal, (journal_t{"Senter", "Sdown:0"})) << "unsorted, the newer sibling comes first";
    EXPECT_TRUE(h->list_shown());

    screen->sort_children_by_priority();
    EXPECT_EQ(screen->first_child(), h) << "priority -1 sorts to the newest end";
    journal.clear();
    mouse(vec2(150, 130), 1);
    EXPECT_EQ(journal, journal_t{});
    EXPECT_STREQ(h->edit_field()->text(), "a");
    EXPECT_FALSE(h->list_shown());
}

TEST_F(history_test, more_than_25_items_or_rows_are_refused)
{
    for (auto [items, rows] : {std::pair{26, -1}, std::pair{5, 26}}) {
        history_spec s;
        s.item_nmb = items;
        s.vis_item_nmb = rows;
        attribute_list_c list = history_attrs(s);
        EXPECT_EQ(thrown_text([&] { new history_control(screen, &list); }), "Too many items planned for history list!");
    }
    history_spec full;
    full.item_nmb = 25;
    history_control *h = make(full);
    EXPECT_EQ(h->list()->visible_rows(), 25);
}

TEST_F(history_test, the_list_draws_first_under_the_edit_and_the_button)
{
    history_spec s;
    s.items = {"a"};
    history_control *h = make(s);
    h->message(MSG_VAR(hist_btn_clicked), 0, nullptr, MSG_ARGS_END);
    rec->clear_log();
    d3d->begin_scene();
    root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
    d3d->end_scene();

    std::map<const void *, std::string> owner;
    for (abstract_c *c = h->list()->first_child(); c; c = c->next_sibling())
        if (auto *image = dynamic_cast<multistate_image *>(c))
            owner[image->vertex_buffer()] = "list";
    for (multistate_image *f : h->edit_field()->frames())
        owner[f->vertex_buffer()] = "edit";
    owner[h->button()->vertex_buffer()] = "button";
    std::vector<std::string> order;
    for (const recording_call_s &call : rec->calls(recording_call_e::stream)) {
        auto it = owner.find(call.ptr);
        if (it != owner.end() && (order.empty() || order.back() != it->second))
            order.push_back(it->second);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"list", "edit", "button"}));
    EXPECT_EQ(h->last_child(), h->list()) << "priority 1 sorts the list to the oldest end";
}

TEST_F(history_test, the_test_screen_has_a_downward_and_an_upward_control)
{
    run_screen("history/history_screen.isc");
    const std::vector<history_control *> controls = made<history_control>();
    ASSERT_EQ(controls.size(), 2u);
    history_control *hero = controls[0], *champion = controls[1];
    EXPECT_EQ(rect_text(hero->list()->screen_rect()), "100,156,228,210");
    EXPECT_EQ(rows(hero->list()), (std::vector<std::string>{"Ann", "Boris", ""}));
    EXPECT_NE(dynamic_cast<hiscore_history *>(champion), nullptr);
    EXPECT_EQ(rect_text(champion->list()->screen_rect()), "400,230,528,300");
    EXPECT_EQ(rows(champion->list()), (std::vector<std::string>{"Vera", "Gleb", "Dina", ""}));
    EXPECT_FALSE(champion->edit_field()->is_enabled()) << "a non-editable field";

    root->message(MSG_VAR(enable_ctrl), 0, nullptr, MSG_ARG("champion"), MSG_ARG(1), MSG_ARGS_END);
    mouse(vec2(517, 305), 1);
    ASSERT_TRUE(champion->list_shown());
    mouse(vec2(450, 270), 1); // row 1, counted up from the bottom
    EXPECT_STREQ(champion->edit_field()->text(), "Gleb");
    EXPECT_EQ(take_reports(), journal_t{"hiscore_item_selected:champion,1"});
}

} // namespace
