// The menu and the named multistate image on the screen tests/ui/screens/screen_menu.isc:
// clicks come as mouse messages from the root, screens talk to them by name.
#include "tests/ui/screen_fixture.h"
#include "ui/ui_question_static.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image_named.h"

#include <cstring>

namespace {

constexpr unsigned WHITE = 0xFFFFFFFFu, ORANGE = 0xFFFF8000u;

class menu_screen_test : public ui_screen_test
{
protected:
    void SetUp() override
    {
        ui_screen_test::SetUp();
        load_screen("screen_menu");
        answers = find<menu>("answer_menu");
        ASSERT_NE(answers, nullptr);
        ASSERT_EQ(answers->item_count(), 4);
    }
    // A point inside item i (from 0) of the answer menu.
    static vec2 item_point(int i) { return vec2(150.0f, 110.0f + 20.0f * float(i)); }
    static std::vector<std::string> presses_behind()
    {
        std::vector<std::string> out;
        for (const std::string &entry : test_control_journal())
            if (entry.find(":down:") != std::string::npos)
                out.push_back(entry);
        return out;
    }
    std::string item_text(int i) { return answers->item(i)->text()->line_text(0); }
    unsigned item_colour(int i) { return answers->item(i)->text()->text_color(); }
    std::vector<unsigned> colours()
    {
        std::vector<unsigned> out;
        for (int i = 0; i < answers->item_count(); ++i)
            out.push_back(item_colour(i));
        return out;
    }
    int set_menu_text(const char *name, int index, const char *text)
    {
        return send("set_menu_text", value_c(name), value_c(index), value_c(text));
    }

    menu *answers = nullptr;
};

attribute_list_c menu_attrs(const char *name, int items)
{
    attribute_list_c list = attrs({{"name", text_value(name)}, {"screen_rect", value_c(rect(0, 0, 200, 300))},
                                   {"item_nmb", value_c(items)}, {"font_name", text_value("even")},
                                   {"chars_color", value_c(vec3(1, 2, 3))}, {"active_color", value_c(vec3(4, 5, 6))}});
    for (int k = 1; k <= items; ++k)
        add_attribute(nullptr, list, ("item_rect_" + std::to_string(k)).c_str(),
                      value_c(rect(0, float(k) * 20, 200, float(k) * 20 + 20)), 0);
    return list;
}

} // namespace

TEST_F(menu_screen_test, items_are_laid_out_in_the_menu_with_their_texts)
{
    menu_item_c *second = answers->item(1);
    EXPECT_STREQ(second->attribute("name")->get_const_pchar(), "menu_item_2");
    EXPECT_EQ(rect_text(second->screen_rect()), "100,120,400,140");
    EXPECT_EQ(rect_text(second->text()->screen_rect()), "100,120,400,140") << "the text covers the item";
    EXPECT_EQ(item_text(1), "Rome");
    EXPECT_EQ(item_text(3), "") << "an item without item_text starts empty";
    EXPECT_EQ(colours(), (std::vector<unsigned>{WHITE, WHITE, WHITE, WHITE}));
}

TEST_F(menu_screen_test, the_first_click_is_reported_once_until_clear_menu)
{
    EXPECT_EQ(mouse(item_point(1), 1), 1);
    mouse(item_point(1), 2);
    EXPECT_EQ(listener->heard, (std::vector<std::string>{"menu_clicked answer_menu 1"}));

    EXPECT_EQ(mouse(item_point(0), 1), 1) << "the item still takes the press";
    EXPECT_EQ(listener->heard.size(), 1u) << "an answered menu reports nothing";
    EXPECT_TRUE(presses_behind().empty());
    EXPECT_EQ(answers->message(MSG_VAR(menu_item_clicked), 1, nullptr, MSG_ARG((void *)answers->item(0)),
                               MSG_ARGS_END),
              0);

    EXPECT_EQ(send("clear_menu", value_c("answer_menu")), 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(item_text(i), "") << i;
    EXPECT_EQ(set_menu_text("answer_menu", 2, "Berlin"), 1);
    click(item_point(2));
    EXPECT_EQ(listener->heard, (std::vector<std::string>{"menu_clicked answer_menu 1", "menu_clicked answer_menu 2"}));
}

TEST_F(menu_screen_test, a_disabled_menu_reports_no_click_until_clear_menu)
{
    EXPECT_EQ(send("disable_menu", value_c("other_menu")), 0) << "another menu's name";
    EXPECT_EQ(send("disable_menu", value_c("answer_menu")), 1);
    EXPECT_EQ(item_text(1), "Rome") << "the texts stay";
    EXPECT_EQ(mouse(item_point(1), 1), 1) << "the item still takes the press";
    mouse(item_point(1), 2);
    EXPECT_TRUE(listener->heard.empty());
    EXPECT_TRUE(presses_behind().empty());

    EXPECT_EQ(send("clear_menu", value_c("answer_menu")), 1);
    EXPECT_EQ(set_menu_text("answer_menu", 1, "Paris"), 1);
    click(item_point(1));
    EXPECT_EQ(listener->heard, (std::vector<std::string>{"menu_clicked answer_menu 1"}));
}

TEST_F(menu_screen_test, presses_the_items_do_not_take_reach_the_control_behind)
{
    struct
    {
        const char *what;
        int item, button;
    } cases[] = {
        {"the left button on an empty item", 3, 0},
        {"the right button on an item with text", 0, 1},
        {"the middle button on an item with text", 1, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        test_control_journal().clear();
        EXPECT_EQ(mouse(item_point(c.item), 1, c.button), 1);
        EXPECT_EQ(presses_behind(), (std::vector<std::string>{"behind:down:" + std::to_string(c.button)}));
        EXPECT_TRUE(listener->heard.empty());
    }
}

TEST_F(menu_screen_test, highlights_stay_together_until_unhilight_menu)
{
    EXPECT_EQ(send("hilight_menu", value_c("answer_menu"), value_c(1)), 1);
    EXPECT_EQ(send("hilight_menu", text_value("answer_menu"), value_c(3)), 1);
    EXPECT_EQ(colours(), (std::vector<unsigned>{WHITE, ORANGE, WHITE, ORANGE}));

    for (int index : {4, -1})
        EXPECT_EQ(send("hilight_menu", value_c("answer_menu"), value_c(index)), 1) << index;
    EXPECT_EQ(send("hilight_menu", value_c("other_menu"), value_c(0)), 0);
    EXPECT_EQ(send("clear_menu", value_c("answer_menu")), 1);
    EXPECT_EQ(colours(), (std::vector<unsigned>{WHITE, ORANGE, WHITE, ORANGE})) << "clear_menu keeps colours";

    EXPECT_EQ(send("unhilight_menu", value_c("other_menu")), 0);
    EXPECT_EQ(send("unhilight_menu", value_c("answer_menu")), 1);
    EXPECT_EQ(colours(), (std::vector<unsigned>{WHITE, WHITE, WHITE, WHITE}));
}

TEST_F(menu_screen_test, texts_are_set_and_read_by_the_menus_name_and_a_valid_index)
{
    EXPECT_EQ(set_menu_text("other_menu", 0, "changed"), 0);
    EXPECT_EQ(item_text(0), "Paris");
    for (int index : {4, -1})
        EXPECT_EQ(thrown_text([&] { set_menu_text("answer_menu", index, "x"); }),
                  "Debug assertion failed! Expression: \"item_nmb < m_item_nmb\"")
            << index;

    // Guard bytes around the buffer show what get_menu_text writes.
    struct
    {
        int item, length;
        std::string written;
    } reads[] = {
        {0, 5, std::string("#Paris#", 7)},             // exactly its five characters, no terminator
        {1, 6, std::string("#Rome\0\0#", 8)},          // zeros after a shorter text
        {2, 2, std::string("#Os#", 4)},                // cut
    };
    for (const auto &r : reads) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(send("get_menu_text", value_c("answer_menu"), value_c(r.item), value_c(r.length),
                       value_c(buffer + 1)),
                  1);
        EXPECT_EQ(std::string(buffer, size_t(r.length) + 2), r.written) << r.item;
    }
    char buffer[8] = "#######";
    EXPECT_EQ(send("get_menu_text", value_c("other_menu"), value_c(0), value_c(5), value_c(buffer)), 0);
    EXPECT_STREQ(buffer, "#######");
    EXPECT_EQ(thrown_text([&] { send("get_menu_text", value_c("answer_menu"), value_c(4), value_c(5), value_c(buffer)); }),
              "Debug assertion failed! Expression: \"item_nmb < m_item_nmb\"");
}

TEST_F(ui_screen_test, menus_hold_zero_to_ten_items)
{
    attribute_list_c none = menu_attrs("none", 0);
    menu *empty = new menu(root, &none);
    EXPECT_EQ(empty->item_count(), 0);
    EXPECT_EQ(send("clear_menu", value_c("none")), 1);
    EXPECT_EQ(send("unhilight_menu", value_c("none")), 1);
    EXPECT_EQ(send("hilight_menu", value_c("none"), value_c(0)), 1);
    EXPECT_EQ(empty->message(MSG_VAR(menu_item_clicked), 1, nullptr, MSG_ARG((void *)root), MSG_ARGS_END), 1);
    EXPECT_TRUE(listener->heard.empty());
    EXPECT_EQ(empty->clicked(), 0);

    attribute_list_c ten_list = menu_attrs("ten", 10);
    menu *ten = new menu(root, &ten_list);
    ASSERT_EQ(ten->item_count(), 10);
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(std::string(ten->item(k - 1)->attribute("name")->get_const_pchar()), "menu_item_" + std::to_string(k));

    attribute_list_c eleven = menu_attrs("eleven", 11);
    EXPECT_EQ(thrown_text([&] { new menu(root, &eleven); }),
              "Debug assertion failed! Expression: \"m_item_nmb <= MAX_MENU_ITEM_NMB\"");
}

TEST_F(menu_screen_test, named_images_follow_messages_for_their_own_name_only)
{
    named_multistate_image *lamp = find<named_multistate_image>("lamp");
    named_multistate_image *portrait = find<named_multistate_image>("portrait");
    named_multistate_image *nameless = nullptr;
    for (abstract_c *c = root->first_child(); c; c = c->next_sibling())
        if (auto *image = dynamic_cast<named_multistate_image *>(c); image && !c->find_attribute("name"))
            nameless = image;
    ASSERT_TRUE(lamp && portrait && nameless);
    auto *lamp_child = dynamic_cast<multistate_image *>(lamp->first_child());
    ASSERT_NE(lamp_child, nullptr);

    EXPECT_EQ(send("show_named", value_c(0), value_c("lamp")), 1);
    EXPECT_EQ(lamp->is_visible(), 0);
    EXPECT_EQ(lamp_child->is_visible(), 0) << "the children follow";
    EXPECT_EQ(portrait->message(MSG_VAR(show_named), 1, nullptr, MSG_ARG(0), MSG_ARG("lamp"), MSG_ARGS_END), 0);
    EXPECT_EQ(portrait->is_visible(), 1);
    EXPECT_EQ(send("show_named", value_c(1), text_value("lamp")), 1);
    EXPECT_EQ(lamp_child->is_visible(), 1);

    struct
    {
        int column, row;
        const char *state;
    } states[] = {
        {2, 1, "2,1"},
        {4, 0, "2,0"},  // a column equal to the count is ignored, the row still applies
        {-1, 5, "2,0"}, // both out of range
        {3, 1, "3,1"},
    };
    for (const auto &s : states) {
        EXPECT_EQ(send("set_state", value_c("portrait"), value_c(s.column), value_c(s.row)), 1);
        EXPECT_EQ(std::to_string(portrait->column()) + "," + std::to_string(portrait->row()), s.state)
            << s.column << "," << s.row;
    }
    EXPECT_EQ(lamp->column(), 0) << "another image's state stays";

    // An image without a name matches none, and the messages pass it by.
    EXPECT_EQ(send("set_state", value_c(""), value_c(1), value_c(1)), 0);
    EXPECT_EQ(send("show_named", value_c(0), value_c("")), 0);
    EXPECT_EQ(nameless->column(), 0);
    EXPECT_EQ(nameless->is_visible(), 1);
}
