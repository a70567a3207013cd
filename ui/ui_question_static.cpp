#include "ui/ui_question_static.h"

#include <string>

#include "kernel/exception.h"
#include "ui/ui_text_static.h"

menu_item_c::menu_item_c(abstract_c *parent, const attribute_list_c *attributes)
    : ui_control_c(parent, attributes), m_text(nullptr)
{
    // The text lies inside the item, so it takes the item's size from the item's corner.
    const float width = m_screen_rect.right - m_screen_rect.left;
    const float height = m_screen_rect.bottom - m_screen_rect.top;
    set_attribute_by_id(m_attributes, string_to_id("screen_rect"), value_c(rect(0.0f, 0.0f, width, height)));
    m_text = new static_text(this, &m_attributes);
}

int menu_item_c::on_button_down(int button, const vec2 &, const int *)
{
    if (button != 0 || !m_text->text().line_text(0)[0])
        return 0;
    parent()->message(MSG_VAR(menu_item_clicked), 0, this, MSG_ARG((void *)this), MSG_ARGS_END);
    return 1;
}

int menu_item_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(hilight_item)) {
        m_text->set_text_color(ui_vis_text_c::color_of(attribute("active_color")->get_vec3()));
        return 1;
    }
    if (*message == MSG_VAR(unhilight_items)) {
        m_text->set_text_color(ui_vis_text_c::color_of(attribute("chars_color")->get_vec3()));
        return 0;
    }
    if (*message == MSG_VAR(set_item_text)) {
        m_text->set_text(msg_arg(0)->get_const_pchar());
        return 1;
    }
    if (*message == MSG_VAR(get_item_text)) {
        m_text->text().copy_first_line(msg_arg(1)->get_pchar(), msg_arg(0)->get_int());
        return 1;
    }
    return ui_control_c::handle_message(message, sender);
}

menu::menu(abstract_c *parent, const attribute_list_c *attributes)
    : ui_control_c(parent, attributes), m_item_nmb(0), m_items{}, m_clicked(0)
{
    m_item_nmb = attribute("item_nmb")->get_int();
    ENGINE_ASSERT(m_item_nmb <= MAX_MENU_ITEM_NMB);
    for (int k = 1; k <= m_item_nmb; ++k) {
        const std::string number = std::to_string(k);
        const std::string name = "menu_item_" + number;
        const value_c *text = find_attribute(("item_text_" + number).c_str());
        attribute_list_c list;
        add_attribute(nullptr, list, "font_name", *attribute("font_name"), 0);
        add_attribute(nullptr, list, "justify", value_c(0), 0);
        add_attribute(nullptr, list, "chars_color", *attribute("chars_color"), 0);
        add_attribute(nullptr, list, "active_color", *attribute("active_color"), 0);
        add_attribute(nullptr, list, "text", text ? *text : value_c("", value_c::STRING), 0);
        add_attribute(nullptr, list, "name", value_c(name.c_str(), value_c::STRING), 0);
        add_attribute(nullptr, list, "screen_rect", *attribute(("item_rect_" + number).c_str()), 0);
        m_items[k - 1] = new menu_item_c(this, &list);
    }
}

int menu::index_arg(int i) const
{
    const int index = msg_arg(unsigned(i))->get_int();
    return index < 0 ? m_item_nmb : index;
}

int menu::report_click(abstract_c *item)
{
    if (m_clicked)
        return 0;
    for (int i = 0; i < m_item_nmb; ++i)
        if (m_items[i] == item) {
            root()->message(MSG_VAR(menu_clicked), 0, this, MSG_ARG(attribute("name")->get_const_pchar()),
                            MSG_ARG(i), MSG_ARGS_END);
            m_clicked = 1;
            break;
        }
    return 1;
}

int menu::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(hilight_menu)) {
        if (ui_name_matches(this, msg_arg(0)->get_const_pchar())) {
            const int item = index_arg(1);
            if (item < m_item_nmb)
                m_items[item]->message(MSG_VAR(hilight_item), 0, this, MSG_ARGS_END);
            return 1;
        }
    } else if (*message == MSG_VAR(unhilight_menu)) {
        if (ui_name_matches(this, msg_arg(0)->get_const_pchar())) {
            this->message(MSG_VAR(unhilight_items), MSGF_NO_SELF, this, MSG_ARGS_END);
            return 1;
        }
    } else if (*message == MSG_VAR(clear_menu)) {
        if (ui_name_matches(this, msg_arg(0)->get_const_pchar())) {
            m_clicked = 0;
            char empty[1] = "";
            for (int i = 0; i < m_item_nmb; ++i)
                m_items[i]->message(MSG_VAR(set_item_text), 0, this, MSG_ARG(empty), MSG_ARGS_END);
            return 1;
        }
    } else if (*message == MSG_VAR(disable_menu)) {
        if (ui_name_matches(this, msg_arg(0)->get_const_pchar())) {
            m_clicked = 1;
            return 1;
        }
    } else if (*message == MSG_VAR(set_menu_text)) {
        if (!ui_name_matches(this, msg_arg(0)->get_const_pchar()))
            return 0;
        const int item_nmb = index_arg(1);
        ENGINE_ASSERT(item_nmb < m_item_nmb);
        m_items[item_nmb]->message(MSG_VAR(set_item_text), 0, this, MSG_ARG(msg_arg(2)->get_const_pchar()),
                                   MSG_ARGS_END);
        return 1;
    } else if (*message == MSG_VAR(get_menu_text)) {
        if (!ui_name_matches(this, msg_arg(0)->get_const_pchar()))
            return 0;
        const int item_nmb = index_arg(1);
        ENGINE_ASSERT(item_nmb < m_item_nmb);
        m_items[item_nmb]->message(MSG_VAR(get_item_text), 0, this, MSG_ARG(msg_arg(2)->get_int()),
                                   MSG_ARG(msg_arg(3)->get_pchar()), MSG_ARGS_END);
        return 1;
    } else if (*message == MSG_VAR(menu_item_clicked)) {
        return report_click(static_cast<abstract_c *>(msg_arg(0)->get_ptr()));
    }
    return ui_control_c::handle_message(message, sender);
}
