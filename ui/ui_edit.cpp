#include "ui/ui_edit.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kernel/exception.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image.h"

namespace {

enum : int {
    KEY_ENTER = 0x0D,
    KEY_LEFT = 0x0E,
    KEY_RIGHT = 0x0F,
    KEY_DELETE = 0x12,
    KEY_HOME = 0x14,
    KEY_END = 0x15,
    KEY_BACKSPACE = 0x18,
};

// Bytes that type into the text: printable ASCII without the grave accent, and the cp1251
// letters from 0xC0 up (so neither the Yo pair at 0xA8/0xB8 nor the other 0x80-0xBF symbols).
bool typeable(int c)
{
    return (c >= 0x20 && c <= 0x7F && c != 0x60) || c >= 0xC0;
}

float width_of(const rect &r)
{
    return r.right - r.left;
}

} // namespace

edit::edit(abstract_c *parent, const attribute_list_c *attributes)
    : ui_control_c(parent, attributes), m_editable(false), m_text_static(nullptr), m_caret(0), m_max_text(0)
{
    m_editable = attribute("editable")->get_int() != 0;
    enable(m_editable);
    set_cursor_name("standard");

    m_max_text = attribute("max_text")->get_int();
    ENGINE_ASSERT(m_max_text > 2);
    // The shown text holds the whole text, the caret mark and the terminator.
    ENGINE_ASSERT(m_max_text < SHOWN_TEXT_SIZE);
    m_text.assign(size_t(m_max_text), 0);

    // Every attribute is read and the text area checked before any child is made, so a
    // refused edit leaves nothing behind.
    const rect left_tex = attribute("tex")->get_rect2();
    std::vector<rect> pieces{left_tex};
    if (value_c *repeat = find_attribute("middle_repeat")) {
        const rect middle_tex = attribute("middle_tex")->get_rect2();
        const rect right_tex = attribute("right_tex")->get_rect2();
        for (int i = 0; i < repeat->get_int(); ++i)
            pieces.push_back(middle_tex);
        pieces.push_back(right_tex);
    }
    const std::string texture = texture_path();
    const int justify = attribute("justify")->get_int();
    const int left_margin = attribute("left_margin")->get_int();
    const int right_margin = attribute("right_margin")->get_int();
    const int vert_margin = attribute("vert_margin")->get_int();
    value_c *font_name = attribute("font_name");
    value_c *chars_color = attribute("chars_color");
    const char *default_text = attribute("default_text")->get_const_pchar();
    const char *name = attribute("name")->get_const_pchar();

    float width = 0.0f;
    for (const rect &piece : pieces)
        width += width_of(piece);
    const float height = left_tex.bottom - left_tex.top;
    const float text_width = width - float(left_margin) - float(right_margin);
    if (text_width < 16.0f || height - float(vert_margin) < 4.0f)
        ENGINE_THROW(exception_c, std::string("Invalid text input field for control '") + name + "'");

    float x = 0.0f;
    for (const rect &piece : pieces) {
        multistate_image *frame = new multistate_image(this, vec2(x, 0.0f), texture.c_str(), 1, 1, piece);
        frame->set_color(0xFFFFFFFFu);
        m_frames.push_back(frame);
        x += width_of(piece);
    }
    resize(vec2(width, height));

    attribute_list_c list;
    add_attribute(nullptr, list, "font_name", *font_name, 0);
    add_attribute(nullptr, list, "screen_rect",
                  value_c(rect(float(left_margin), float(vert_margin), float(left_margin) + text_width,
                               float(vert_margin) + height)),
                  0);
    add_attribute(nullptr, list, "justify", value_c(justify < 0 ? 0x11 : justify == 0 ? 0x12 : 0x14), 0);
    add_attribute(nullptr, list, "chars_color", *chars_color, 0);
    add_attribute(nullptr, list, "text", value_c(default_text, value_c::STRING), 0);
    add_attribute(nullptr, list, "name", value_c(name, value_c::STRING), 0);
    m_text_static = new static_text(this, &list);

    store_text(default_text);
}

void edit::on_shutdown()
{
    m_frames.clear();
    m_frames.shrink_to_fit();
}

void edit::store_text(const char *text)
{
    std::strncpy(m_text.data(), text, size_t(m_max_text - 1));
    m_text[size_t(m_max_text - 1)] = 0;
    m_caret = int(std::strlen(m_text.data()));
    refresh();
}

void edit::refresh()
{
    char shown[SHOWN_TEXT_SIZE];
    const char *text = m_text.data();
    const size_t length = std::strlen(text);
    const size_t caret = size_t(m_caret) < length ? size_t(m_caret) : length;
    size_t n = 0;
    std::memcpy(shown, text, caret);
    n = caret;
    if (is_focused() && is_enabled())
        shown[n++] = '|';
    std::memcpy(shown + n, text + caret, length - caret + 1);
    m_text_static->set_text(shown);
}

void edit::report_change()
{
    message(MSG_VAR(edit_changed), MSGF_NO_CHILDREN | MSGF_TO_PARENTS | MSGF_NO_SELF, this,
            MSG_ARG(value_c(attribute("name")->get_const_pchar(), value_c::STRING)), MSG_ARGS_END);
}

void edit::set_own_text(const char *text)
{
    message(MSG_VAR(edit_set_text), MSGF_NO_CHILDREN, this, MSG_ARG(text), MSG_ARGS_END);
}

void edit::get_own_text(char *buffer, int size)
{
    message(MSG_VAR(edit_get_text), MSGF_NO_CHILDREN, this, MSG_ARG(attribute("name")->get_const_pchar()),
            MSG_ARG(size), MSG_ARG(buffer), MSG_ARGS_END);
}

int edit::handle_message(const msg_c *message, abstract_c *sender)
{
    // A strncpy into the caller's buffer; a size below 1 copies nothing.
    auto copy_out = [this](char *buffer, int size) {
        if (size > 0)
            std::strncpy(buffer, m_text.data(), size_t(size));
    };
    if (*message == MSG_VAR(edit_set_text)) {
        store_text(msg_arg(0)->get_const_pchar());
        return 1;
    }
    if (*message == MSG_VAR(named_edit_set_text)) {
        if (ui_name_matches(this, msg_arg(0)->get_const_pchar())) {
            store_text(msg_arg(1)->get_const_pchar());
            return 1;
        }
    } else if (*message == MSG_VAR(edit_get_text)) {
        if (ui_name_matches(this, msg_arg(0)->get_const_pchar())) {
            copy_out(msg_arg(2)->get_pchar(), msg_arg(1)->get_int());
            return 1;
        }
    } else if (*message == MSG_VAR(named_edit_get_text)) {
        if (ui_name_matches(this, msg_arg(0)->get_const_pchar())) {
            copy_out(msg_arg(1)->get_pchar(), msg_arg(2)->get_int());
            return 1;
        }
    }
    return ui_control_c::handle_message(message, sender);
}

void edit::set_alpha(float alpha)
{
    for (multistate_image *frame : m_frames)
        frame->set_color(scale_alpha(0xFFFFFFFFu, alpha));
    m_text_static->set_text_color(scale_alpha(0xFFFF0000u, alpha));
}

void edit::enable(int on)
{
    if (m_editable || !on)
        ui_control_c::enable(on);
}

int edit::on_button_down(int button, const vec2 &pos, const int *buttons)
{
    const int base = ui_control_c::on_button_down(button, pos, buttons);
    if (!is_enabled())
        return 0;
    if (button != 0)
        return base;
    set_focus();
    return 1;
}

int edit::on_cursor_enter(const vec2 &pos, const int *buttons)
{
    m_flags |= UI_HIGHLIGHTED;
    return ui_control_c::on_cursor_enter(pos, buttons);
}

int edit::on_cursor_leave(const vec2 &pos, const int *buttons)
{
    if (!is_focused())
        m_flags &= ~uint32_t(UI_HIGHLIGHTED);
    return ui_control_c::on_cursor_leave(pos, buttons);
}

void edit::on_focus_gained()
{
    m_caret = int(std::strlen(m_text.data()));
    m_flags |= UI_HIGHLIGHTED;
    refresh();
}

void edit::on_focus_lost(ui_control_c *)
{
    m_flags &= ~uint32_t(UI_HIGHLIGHTED);
    refresh();
}

int edit::translate_char(int character)
{
    return character;
}

void edit::on_char(int character, int, int)
{
    if (!is_enabled() || !is_visible())
        return;
    const int c = character & 0xFF;
    char *text = m_text.data();
    const int length = int(std::strlen(text));
    bool changed = false;
    switch (c) {
    case KEY_LEFT:
        if (m_caret > 0)
            --m_caret;
        break;
    case KEY_RIGHT:
        if (m_caret < length)
            ++m_caret;
        break;
    case KEY_HOME:
        m_caret = 0;
        break;
    case KEY_END:
        m_caret = length;
        break;
    case KEY_BACKSPACE:
        if (m_caret > 0) {
            --m_caret;
            std::memmove(text + m_caret, text + m_caret + 1, size_t(length - m_caret));
        }
        changed = true;
        break;
    case KEY_DELETE:
        if (m_caret < length)
            std::memmove(text + m_caret, text + m_caret + 1, size_t(length - m_caret));
        changed = true;
        break;
    case KEY_ENTER:
        changed = true;
        break;
    default:
        if (!typeable(c))
            return;
        if (length < m_max_text - 1) {
            std::memmove(text + m_caret + 1, text + m_caret, size_t(length - m_caret + 1));
            text[m_caret++] = char(translate_char(c));
            changed = true;
        }
        break;
    }
    refresh();
    if (changed)
        report_change();
}

int mail_edit::translate_char(int character)
{
    // The Russian letters in the order of the US keys that type them, small then capital.
    static const char russian[] = "\xE9\xF6\xF3\xEA\xE5\xED\xE3\xF8\xF9\xE7\xF5\xFA\xF4\xFB\xE2\xE0"
                                  "\xEF\xF0\xEE\xEB\xE4\xE6\xFD\xFF\xF7\xF1\xEC\xE8\xF2\xFC\xE1\xFE"
                                  "\xC9\xD6\xD3\xCA\xC5\xCD\xC3\xD8\xD9\xC7\xD5\xDA\xD4\xDB\xC2\xC0"
                                  "\xCF\xD0\xCE\xCB\xC4\xC6\xDD\xDF\xD7\xD1\xCC\xC8\xD2\xDC\xC1\xDE";
    static const char latin[] = "qwertyuiop[]asdfghjkl;'zxcvbnm,."
                                "QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>";
    static_assert(sizeof russian == 65 && sizeof latin == 65);
    for (int i = 0; i < 64; ++i)
        if ((unsigned char)russian[i] == (character & 0xFF))
            return (unsigned char)latin[i];
    return character;
}

numeric_edit::numeric_edit(abstract_c *parent, const attribute_list_c *attributes)
    : edit(parent, attributes), m_plus_image(nullptr), m_minus_image(nullptr)
{
    const std::string texture = texture_path();
    multistate_image **images[] = {&m_plus_image, &m_minus_image};
    const char *places[] = {"plus_screen_rect", "minus_screen_rect"};
    const char *pictures[] = {"plus_tex_rect", "minus_tex_rect"};
    for (int i = 0; i < 2; ++i) {
        const rect place = attribute(places[i])->get_rect2();
        *images[i] = new multistate_image(this, vec2(place.left, place.top), texture.c_str(), 1, 1,
                                          attribute(pictures[i])->get_rect2());
        (*images[i])->set_color(0xFFFFFFFFu);
        (*images[i])->message(MSG_VAR(show), 0, this, MSG_ARG(0), MSG_ARGS_END);
    }
    set_own_text(attribute("default_text")->get_const_pchar());
}

// The frames go with the edit's own storage; nothing is left to give back here.
void numeric_edit::on_shutdown() {}

rect numeric_edit::area(const char *name)
{
    const rect r = attribute(name)->get_rect2();
    return rect(r.left + m_screen_rect.left, r.top + m_screen_rect.top, r.right + m_screen_rect.left,
                r.bottom + m_screen_rect.top);
}

int numeric_edit::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(mouse) && is_enabled()) {
        const vec2 pos = msg_arg(0)->get_vec2();
        const int button = msg_arg(2)->get_int();
        const int event = msg_arg(3)->get_int();
        // A hidden field does not step: the press belongs to whatever is shown there.
        if (event == 1 && button == 0 && is_visible()) {
            if (area("plus_screen_rect").contains(pos)) {
                m_plus_image->message(MSG_VAR(show), 0, this, MSG_ARG(1), MSG_ARGS_END);
                step(1);
            } else if (area("minus_screen_rect").contains(pos)) {
                m_minus_image->message(MSG_VAR(show), 0, this, MSG_ARG(1), MSG_ARGS_END);
                step(-1);
            }
        } else if (event == 2 && button == 0) {
            m_plus_image->message(MSG_VAR(show), 0, this, MSG_ARG(0), MSG_ARGS_END);
            m_minus_image->message(MSG_VAR(show), 0, this, MSG_ARG(0), MSG_ARGS_END);
        }
    }
    return edit::handle_message(message, sender);
}

void numeric_edit::step(int delta)
{
    char buffer[65];
    get_own_text(buffer, 64);
    buffer[64] = 0;
    const long read = std::strtol(buffer, nullptr, 10);
    long long value = read < INT_MIN ? INT_MIN : read > INT_MAX ? INT_MAX : read;
    value += delta;
    if (value < INT_MIN)
        value = INT_MIN;
    if (value > INT_MAX)
        value = INT_MAX;
    char sum[16];
    const int length = std::snprintf(sum, sizeof sum, "%d", int(value));
    // Cut to the field, the sum would read as another number.
    if (length > m_max_text - 1)
        return;
    set_own_text(sum);
    report_change();
}

void numeric_edit::on_char(int character, int key, int key_flags)
{
    const int c = character & 0xFF;
    if ((c >= '0' && c <= '9') || c == KEY_ENTER || c == KEY_LEFT || c == KEY_RIGHT)
        edit::on_char(character, key, key_flags);
}
