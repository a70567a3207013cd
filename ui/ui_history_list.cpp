#include "ui/ui_history_list.h"

#include <cstring>
#include <string>

#include "kernel/exception.h"
#include "ui/ui_edit.h"
#include "ui/ui_text_static.h"

namespace {

// The text as it is kept: at most HISTORY_TEXT_SIZE - 1 bytes.
void cut_copy(char (&out)[HISTORY_TEXT_SIZE], const char *text)
{
    std::strncpy(out, text, HISTORY_TEXT_SIZE - 1);
    out[HISTORY_TEXT_SIZE - 1] = 0;
}

float height_of(const rect &r)
{
    return r.bottom - r.top;
}

} // namespace

history_list_c::history_list_c(abstract_c *parent, const attribute_list_c *attributes)
    : ui_control_c(parent, attributes), m_item_nmb(0), m_vis_item_nmb(0), m_texts{}, m_rows{}, m_row_height(0.0f),
      m_list_up(0)
{
    m_item_nmb = attribute("item_nmb")->get_int();
    m_vis_item_nmb = attribute("vis_item_nmb")->get_int();
    if (m_item_nmb > HISTORY_SLOTS || m_vis_item_nmb > HISTORY_SLOTS)
        ENGINE_THROW(exception_c, "Too many items planned for history list!");
    const rect middle = attribute("middle_tex_rect")->get_rect2();
    const rect top = attribute("top_tex_rect")->get_rect2();
    const rect bottom = attribute("bottom_tex_rect")->get_rect2();
    m_list_up = attribute("list_up")->get_int();
    const std::string texture = texture_path();
    value_c *font_name = attribute("font_name");
    value_c *chars_color = attribute("chars_color");

    const float w = middle.right - middle.left;
    const float h = height_of(middle);
    const float cap = height_of(m_list_up ? top : bottom);
    const int n = m_item_nmb, v = m_vis_item_nmb;
    m_row_height = h;
    rect r = m_screen_rect;
    r.right = r.left + w;
    r.top += float(n - v) * h;
    r.bottom = r.top + float(v) * h + cap;
    m_screen_rect = r;

    for (int k = 0; k < v; ++k) {
        const float y = m_list_up ? (r.bottom - r.top) - float(k + 1) * h : float(k) * h;
        new multistate_image(this, vec2(0.0f, y), texture.c_str(), 1, 1, middle);
        attribute_list_c list;
        add_attribute(nullptr, list, "font_name", *font_name, 0);
        add_attribute(nullptr, list, "screen_rect", value_c(rect(0.0f, y, w, y + h)), 0);
        add_attribute(nullptr, list, "justify", value_c(0), 0);
        add_attribute(nullptr, list, "chars_color", *chars_color, 0);
        add_attribute(nullptr, list, "text", value_c("", value_c::STRING), 0);
        m_rows[k] = new static_text(this, &list);
        show_row(k);
    }
    new multistate_image(this, vec2(0.0f, m_list_up ? 0.0f : float(v) * h), texture.c_str(), 1, 1,
                         m_list_up ? top : bottom);
}

void history_list_c::show_row(int k)
{
    if (k >= 0 && k < m_vis_item_nmb)
        m_rows[k]->set_text(m_texts[k]);
}

void history_list_c::add_item(const char *text)
{
    const int n = m_item_nmb;
    if (n <= 0)
        return;
    char item[HISTORY_TEXT_SIZE];
    cut_copy(item, text);
    int p = 0;
    while (p < n - 1 && m_texts[p][0] && std::strcmp(m_texts[p], item) != 0)
        ++p;
    for (int k = p; k > 0; --k)
        std::memcpy(m_texts[k], m_texts[k - 1], HISTORY_TEXT_SIZE);
    std::memcpy(m_texts[0], item, HISTORY_TEXT_SIZE);
    for (int k = 0; k <= p; ++k)
        show_row(k);
}

void history_list_c::click(const vec2 &pos)
{
    // Rows are found by height alone, on whole pixels from the list's edge.
    const float row = float(int(m_row_height));
    const float top = float(int(m_screen_rect.top));
    const float bottom = m_screen_rect.bottom;
    int found = -1;
    for (int k = 0; k < m_vis_item_nmb && found < 0; ++k) {
        const bool inside = m_list_up ? bottom - float(k + 1) * row <= pos.y && pos.y < bottom - float(k) * row
                                      : top + float(k) * row <= pos.y && pos.y < top + float(k + 1) * row;
        if (inside)
            found = k;
    }
    if (found < 0) {
        m_parent->message(MSG_VAR(hist_list_clicked_aside), 0, this, MSG_ARGS_END);
        return;
    }
    if (!m_texts[found][0])
        return;
    char copy[HISTORY_TEXT_SIZE];
    std::memcpy(copy, m_texts[found], HISTORY_TEXT_SIZE);
    m_parent->message(MSG_VAR(edit_set_text), 0, this, MSG_ARG(copy), MSG_ARGS_END);
    m_parent->message(MSG_VAR(hide_history), 0, this, MSG_ARGS_END);
    m_parent->message(MSG_VAR(item_selected), 0, this, MSG_ARG(found), MSG_ARGS_END);
}

int history_list_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(mouse)) {
        if (!is_visible())
            return 0;
        if (msg_arg(3)->get_int() == 1 && msg_arg(2)->get_int() == 0) {
            click(msg_arg(0)->get_vec2());
            return 1;
        }
    } else if (*message == MSG_VAR(select_item)) {
        if (!ui_name_matches(this, msg_arg(0)->get_const_pchar()))
            return 0;
        const int index = msg_arg(1)->get_int();
        if (index < 0 || index >= HISTORY_SLOTS)
            return 1;
        char copy[HISTORY_TEXT_SIZE];
        std::memcpy(copy, m_texts[index], HISTORY_TEXT_SIZE);
        m_parent->message(MSG_VAR(select_item_command), 0, this, MSG_ARG(index), MSG_ARGS_END);
        m_parent->message(MSG_VAR(edit_set_text), 0, this, MSG_ARG(copy), MSG_ARGS_END);
        return 1;
    }
    return ui_control_c::handle_message(message, sender);
}

history_button_c::history_button_c(abstract_c *parent, const vec2 &position, const char *texture_name,
                                   const rect &tex_rect)
    : multistate_image(parent, position, texture_name, 1, 1, tex_rect), m_enabled(0)
{
    set_color(0xFFFFFFFFu);
}

int history_button_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(mouse)) {
        if (m_enabled && msg_arg(3)->get_int() == 1 && msg_arg(2)->get_int() == 0 &&
            m_screen_rect.contains(msg_arg(0)->get_vec2())) {
            m_parent->message(MSG_VAR(hist_btn_clicked), 0, this, MSG_ARGS_END);
            return 1;
        }
    } else if (*message == MSG_VAR(enable_history_btn)) {
        m_enabled = msg_arg(0)->get_int();
    }
    return multistate_image::handle_message(message, sender);
}

history_control::history_control(abstract_c *parent, const attribute_list_c *attributes)
    : ui_control_c(parent, attributes), m_selected(0), m_list_shown(false), m_button(nullptr), m_edit(nullptr),
      m_list(nullptr)
{
    const int list_up = attribute("hlist_up")->get_int();
    const rect middle = attribute("hlist_middle_tex_rect")->get_rect2();
    const rect top = attribute("hlist_top_tex_rect")->get_rect2();
    const rect bottom = attribute("hlist_bottom_tex_rect")->get_rect2();
    const int n = attribute("hlist_item_nmb")->get_int();
    const float w = float(int(middle.right - middle.left));
    const float h = height_of(middle);
    rect place;
    if (!list_up) {
        const vec2 corner = attribute("hlist_down_upper_left")->get_vec2();
        const float height = float(int(float(n) * h + height_of(bottom)));
        place = rect(corner.x, corner.y, corner.x + w, corner.y + height);
    } else {
        const vec2 corner = attribute("hlist_up_lower_right")->get_vec2();
        const float height = float(int(float(n) * h + height_of(top)));
        place = rect(corner.x, corner.y - height, corner.x + w, corner.y);
    }
    value_c *vis_item_nmb = find_attribute("hlist_vis_item_nmb");

    attribute_list_c list;
    add_attribute(nullptr, list, "screen_rect", value_c(place), 0);
    add_attribute(nullptr, list, "middle_tex_rect", value_c(middle), 0);
    add_attribute(nullptr, list, "bottom_tex_rect", value_c(bottom), 0);
    add_attribute(nullptr, list, "top_tex_rect", value_c(top), 0);
    add_attribute(nullptr, list, "tex_name", *attribute("hlist_tex_name"), 0);
    add_attribute(nullptr, list, "font_name", *attribute("hlist_font_name"), 0);
    add_attribute(nullptr, list, "chars_color", *attribute("hlist_chars_color"), 0);
    add_attribute(nullptr, list, "item_nmb", value_c(n), 0);
    add_attribute(nullptr, list, "vis_item_nmb", value_c(vis_item_nmb ? vis_item_nmb->get_int() : n), 0);
    add_attribute(nullptr, list, "list_up", value_c(list_up), 0);
    add_attribute(nullptr, list, "name", *attribute("name"), 0);
    add_attribute(nullptr, list, "visible", value_c(0), 0);
    m_list = new history_list_c(this, &list);

    // From the last to the first, so that entry 1 ends on top.
    for (int k = n; k >= 1; --k)
        if (value_c *item = find_attribute(("hlist_item_" + std::to_string(k)).c_str()))
            m_list->add_item(item->get_const_pchar());
    m_list->message(MSG_VAR(show), 0, this, MSG_ARG(0), MSG_ARGS_END);

    attribute_list_c own;
    copy_attributes(own, &m_attributes);
    set_attribute_by_id(own, string_to_id("screen_rect"), value_c(rect(0.0f, 0.0f, 0.0f, 0.0f)));
    m_edit = new edit(this, &own);

    const rect button_place = attribute("history_btn_screen_rect")->get_rect2();
    m_button = new history_button_c(this, vec2(button_place.left, button_place.top), texture_path().c_str(),
                                    attribute("history_btn_tex_rect")->get_rect2());
    m_button->message(MSG_VAR(show), 0, this, MSG_ARG(0), MSG_ARGS_END);
}

int history_control::name_matches(const char *name)
{
    return std::strcmp(attribute("name")->get_const_pchar(), name) == 0;
}

void history_control::show_list(int on)
{
    m_button->message(MSG_VAR(show), 0, this, MSG_ARG(on), MSG_ARGS_END);
    m_list->message(MSG_VAR(show), 0, this, MSG_ARG(on), MSG_ARGS_END);
    m_list_shown = on != 0;
}

int history_control::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(add_history_item)) {
        if (!name_matches(msg_arg(0)->get_const_pchar()))
            return 0;
        m_list->add_item(msg_arg(1)->get_const_pchar());
        return 1;
    }
    if (*message == MSG_VAR(creation_finished))
        return 1;
    if (*message == MSG_VAR(enable_ctrl)) {
        const char *name = attribute("name")->get_const_pchar();
        if (name[0] && name_matches(msg_arg(0)->get_const_pchar()))
            m_button->message(MSG_VAR(enable_history_btn), 0, this, MSG_ARG(msg_arg(1)->get_int()), MSG_ARGS_END);
        return ui_control_c::handle_message(message, sender);
    }
    if (*message == MSG_VAR(hist_btn_clicked)) {
        show_list(1);
        return 1;
    }
    if (*message == MSG_VAR(hist_list_clicked_aside)) {
        if (m_list_shown)
            show_list(0);
        return 1;
    }
    if (*message == MSG_VAR(hide_history)) {
        show_list(0);
        return 1;
    }
    if (*message == MSG_VAR(item_selected)) {
        m_selected = msg_arg(0)->get_int();
        root()->message(MSG_VAR(history_item_selected), 0, this, MSG_ARG(attribute("name")->get_const_pchar()),
                        MSG_ARGS_END);
        return 1;
    }
    if (*message == MSG_VAR(select_item_command)) {
        m_selected = msg_arg(0)->get_int();
        return 1;
    }
    if (*message == MSG_VAR(get_selected_nmb)) {
        if (!name_matches(msg_arg(0)->get_const_pchar()))
            return 0;
        *static_cast<int *>(msg_arg(1)->get_ptr()) = m_selected;
        return 1;
    }
    if (*message == MSG_VAR(render)) {
        sort_children_by_priority();
        return 0;
    }
    return ui_control_c::handle_message(message, sender);
}

int hiscore_history::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(item_selected)) {
        m_selected = msg_arg(0)->get_int();
        root()->message(MSG_VAR(hiscore_item_selected), 0, this, MSG_ARG(attribute("name")->get_const_pchar()),
                        MSG_ARG(m_selected), MSG_ARGS_END);
        return 1;
    }
    return history_control::handle_message(message, sender);
}
