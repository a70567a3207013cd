#include "ui/ui_button.h"

#include <cstring>

#include "basics/vec3.h"
#include "kernel/exception.h"
#include "services/location_sound.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image.h"
#include "ui/ui_vis_text.h"

button::button(abstract_c *parent, const attribute_list_c *attributes)
    : ui_control_c(parent, attributes), m_button_id(nullptr), m_image(nullptr), m_columns(0), m_pressed_cell(0),
      m_hover_cell(0), m_disabled_cell(0), m_group(0), m_frame(0), m_frame_count(0), m_anim_start(-1.0),
      m_period(0.0)
{
    m_button_id = attribute("button_id")->get_const_pchar();
    set_cursor_name("standard");

    const std::string letters = attribute("extra_string")->get_const_pchar();
    const auto has_letter = [&letters](char c) { return letters.find(c) != std::string::npos; };
    if (has_letter('a')) {
        m_flags |= BUTTON_ANIMATED;
        const std::string name = attribute("name")->get_const_pchar();
        m_frame_count = attribute("extra_int")->get_int();
        if (m_frame_count < 2)
            ENGINE_THROW(exception_c, "Button '" + name + "' invalid animation frame count");
        // Compared as the float it is, so that a script's 0.01 is accepted.
        const float period = attribute("extra_float")->get_float();
        m_period = period;
        if (period < 0.01f)
            ENGINE_THROW(exception_c, "Button '" + name + "' invalid animation period");
        m_columns = m_frame_count;
    } else {
        m_columns = 4;
        m_pressed_cell = 2;
        m_hover_cell = 1;
        m_disabled_cell = 3;
        if (has_letter('c')) {
            m_flags |= BUTTON_CHECK;
            m_group = attribute("extra_int")->get_int();
        }
        if (has_letter('t'))
            m_flags |= BUTTON_TRIGGER;
        if (has_letter('S')) {
            m_columns = 3;
            m_disabled_cell = 0;
        }
        if (has_letter('s')) {
            m_hover_cell = 0;
            m_pressed_cell = 1;
            --m_columns;
        }
        if (has_letter('o')) {
            m_hover_cell = 0;
            m_pressed_cell = 0;
            --m_columns;
        }
    }

    const rect strip = texture_rect();
    resize(vec2((strip.right - strip.left) / float(m_columns), strip.bottom - strip.top));
    m_image = new multistate_image(this, vec2(0.0f, 0.0f), texture_path().c_str(), m_columns, 1, strip);
}

bool button::is_own_id(const value_c *id) const
{
    return std::strcmp(id->get_const_pchar(), m_button_id) == 0;
}

void button::set_bit(uint32_t bit, bool on)
{
    if (on)
        m_flags |= bit;
    else
        m_flags &= ~bit;
}

void button::restart_animation()
{
    m_frame = 1;
    m_anim_start = m_time;
}

void button::refresh_cell()
{
    const bool hilited = has(BUTTON_HILITED), active = has(BUTTON_ACTIVE);
    int cell;
    if (has(BUTTON_ANIMATED))
        cell = is_enabled() && (hilited || active) ? m_frame : 0;
    else if (!is_enabled())
        cell = m_disabled_cell;
    else if (has(BUTTON_CHECK))
        cell = hilited ? 1 : active ? m_pressed_cell : 0;
    else
        cell = active ? m_pressed_cell : hilited ? m_hover_cell : 0;
    m_image->set_column(unsigned(cell));
}

int button::send_id_int(abstract_c *target, const msg_c &message, int flags, int on)
{
    return target->message(message, flags, this, MSG_ARG(value_c(m_button_id, value_c::STRING)), MSG_ARG(on),
                           MSG_ARGS_END);
}

int button::send_int_id(abstract_c *target, const msg_c &message, int flags, int value)
{
    return target->message(message, flags, this, MSG_ARG(value), MSG_ARG(value_c(m_button_id, value_c::STRING)),
                           MSG_ARGS_END);
}

int button::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(butt_hilite)) {
        if (is_own_id(msg_arg(0))) {
            const int on = msg_arg(1)->get_int();
            set_bit(BUTTON_HILITED, on != 0);
            if (on && has(BUTTON_ANIMATED))
                restart_animation();
            return 0;
        }
    } else if (*message == MSG_VAR(butt_activate)) {
        if (is_own_id(msg_arg(0))) {
            set_bit(BUTTON_ACTIVE, msg_arg(1)->get_int() != 0);
            return 1;
        }
    } else if (*message == MSG_VAR(butt_uncheck)) {
        if (has(BUTTON_CHECK)) {
            set_bit(BUTTON_ACTIVE, false);
            return 0;
        }
    } else if (*message == MSG_VAR(butt_uncheck_trigger)) {
        if (has(BUTTON_TRIGGER) && m_group == msg_arg(0)->get_int()) {
            set_bit(BUTTON_ACTIVE, false);
            return 1;
        }
    } else if (*message == MSG_VAR(emul_click)) {
        if (!is_own_id(msg_arg(0)))
            return 0;
        const int left_down[3] = {1, 0, 0};
        on_button_down(0, vec2(0.0f, 0.0f), left_down);
        return 1;
    }
    return ui_control_c::handle_message(message, sender);
}

void button::update(double now)
{
    ui_control_c::update(now);
    if (has(BUTTON_ANIMATED) && has(BUTTON_HILITED) && m_anim_start + m_period < now) {
        m_anim_start = now;
        m_frame = (m_frame + 1) % m_frame_count;
    }
    refresh_cell();
}

void button::set_alpha(float alpha)
{
    m_image->set_color(scale_alpha(ui_vis_text_c::color_of(attribute("color")->get_vec3()), alpha));
}

int button::on_button_down(int button_number, const vec2 &pos, const int *buttons)
{
    const int base = ui_control_c::on_button_down(button_number, pos, buttons);
    if (button_number != 0)
        return base;
    if (has(BUTTON_TRIGGER)) {
        if (has(BUTTON_ACTIVE)) {
            m_parent->message(MSG_VAR(butt_uncheck_trigger), 0, this, MSG_ARG(m_group), MSG_ARG((void *)nullptr),
                              MSG_ARGS_END);
            send_id_int(this, MSG_VAR(butt_activate), 0, 0);
            send_int_id(this, MSG_VAR(butt_unchecked), MSGF_NO_CHILDREN | MSGF_TO_PARENTS, m_group);
        } else {
            send_id_int(this, MSG_VAR(butt_activate), 0, 1);
            send_int_id(this, MSG_VAR(butt_checked), MSGF_NO_CHILDREN | MSGF_TO_PARENTS, m_group);
        }
    } else {
        if (has(BUTTON_CHECK))
            send_int_id(m_parent, MSG_VAR(butt_uncheck), MSGF_NO_SELF, m_group);
        send_id_int(this, MSG_VAR(butt_activate), 0, 1);
        if (has(BUTTON_CHECK))
            send_int_id(this, MSG_VAR(butt_checked), MSGF_NO_CHILDREN | MSGF_TO_PARENTS, m_group);
    }
    refresh_cell();
    return 1;
}

int button::on_button_up(int button_number, const vec2 &pos, const int *buttons)
{
    const int base = ui_control_c::on_button_up(button_number, pos, buttons);
    if (button_number != 0)
        return base;
    if (is_push()) {
        if (has(BUTTON_ACTIVE)) {
            new location_sound_c(root(), "sounds/click");
            message(MSG_VAR(butt_pressed), MSGF_NO_CHILDREN | MSGF_TO_PARENTS | MSGF_NO_SELF, this,
                    MSG_ARG(value_c(m_button_id, value_c::STRING)), MSG_ARGS_END);
        }
        send_id_int(this, MSG_VAR(butt_activate), 0, 0);
    }
    refresh_cell();
    return 1;
}

int button::on_cursor_enter(const vec2 &pos, const int *buttons)
{
    ui_control_c::on_cursor_enter(pos, buttons);
    send_id_int(m_parent, MSG_VAR(butt_hilite), 0, 1);
    send_int_id(this, MSG_VAR(butt_hilited), MSGF_NO_CHILDREN | MSGF_TO_PARENTS, 1);
    restart_animation();
    refresh_cell();
    return 1;
}

int button::on_cursor_leave(const vec2 &pos, const int *buttons)
{
    ui_control_c::on_cursor_leave(pos, buttons);
    if (is_push())
        send_id_int(m_parent, MSG_VAR(butt_activate), 0, 0);
    send_id_int(this, MSG_VAR(butt_hilite), 0, 0);
    send_int_id(this, MSG_VAR(butt_hilited), MSGF_NO_CHILDREN | MSGF_TO_PARENTS | MSGF_NO_SELF, 0);
    refresh_cell();
    return 1;
}

text_button::text_button(abstract_c *parent, const attribute_list_c *attributes) : button(parent, attributes)
{
    const rect whole(0.0f, 0.0f, m_screen_rect.right - m_screen_rect.left, m_screen_rect.bottom - m_screen_rect.top);
    for (int i = 0;; ++i) {
        const std::string suffix = i == 0 ? "" : std::to_string(i);
        const value_c *text = find_attribute(("text" + suffix).c_str());
        if (!text)
            break;
        const value_c *area = find_attribute(("text_rect" + suffix).c_str());
        attribute_list_c list;
        add_attribute(nullptr, list, "font_name", *attribute("font_name"), 0);
        add_attribute(nullptr, list, "screen_rect", area ? *area : value_c(whole), 0);
        add_attribute(nullptr, list, "justify", value_c(0), 0);
        add_attribute(nullptr, list, "chars_color", *attribute("chars_color"), 0);
        add_attribute(nullptr, list, "text", *text, 0);
        new static_text(this, &list);
    }
}

field::field(abstract_c *parent, const attribute_list_c *attributes) : ui_control_c(parent, attributes), m_image(nullptr)
{
    m_image = new multistate_image(this, vec2(0.0f, 0.0f), texture_path().c_str(), 1, 1, texture_rect());
}
