#include "ui/ui_control.h"

#include <cstring>

#include "kernel/exception.h"

ui_control_c::ui_control_c(abstract_c *parent, const attribute_list_c *attributes)
    : ui_vis_object_c(parent, attributes), m_drag_cursor(), m_drag_origin(), m_cursor_pos(), m_buttons{0, 0, 0},
      m_time(0.0), m_fade_start(0.0), m_fade_end(0.0), m_hover_start(-1.0)
{
    find_or_add_attribute(m_attributes, "name", value_c("", value_c::STRING));
    find_or_add_attribute(m_attributes, "hint", value_c("", value_c::STRING));
    find_or_add_attribute(m_attributes, "tex", value_c(rect(0.0f, 0.0f, 0.0f, 0.0f)));
    const vec2 pos = find_or_add_attribute(m_attributes, "pos", value_c(vec2(0.0f, 0.0f)))->get_vec2();
    if (!find_attribute("screen_rect")) {
        const vec2 origin = parent_screen_coords();
        m_screen_rect = rect(pos.x + origin.x, pos.y + origin.y, pos.x + origin.x, pos.y + origin.y);
    }
    m_flags |= UI_CURSOR_AWARE;
    enable(1);
}

std::string ui_control_c::texture_path()
{
    return std::string("textures/") + attribute("tex_name")->get_const_pchar();
}

rect ui_control_c::texture_rect()
{
    return attribute("tex")->get_rect2();
}

void ui_control_c::set_focus()
{
    root()->message(MSG_VAR(focus), 0, this, MSG_ARG((void *)this), MSG_ARGS_END);
}

int ui_control_c::is_enabled_by_parents()
{
    return message(MSG_VAR(is_disabled), MSGF_NO_CHILDREN | MSGF_TO_PARENTS, this, MSG_ARGS_END) ? 0 : 1;
}

vec2 ui_control_c::get_display()
{
    vec2 size(0.0f, 0.0f);
    ENGINE_ASSERT(root()->message(MSG_VAR(get_display), 0 , this, MSG_ARG((void*)&size), MSG_ARGS_END));
    return size;
}

unsigned ui_control_c::scale_alpha(unsigned argb, float factor)
{
    const float scaled = float(argb >> 24) * factor;
    unsigned alpha;
    if (!(scaled > 0.0f)) // a NaN factor included
        alpha = 0;
    else if (scaled > 255.0f)
        alpha = 255;
    else
        alpha = unsigned(scaled);
    return (alpha << 24) | (argb & 0xFFFFFFu);
}

int ui_control_c::contains_point(const vec2 &point)
{
    if (m_flags & UI_DRAGGING)
        return 1;
    return ui_vis_object_c::contains_point(point);
}

void ui_control_c::set_alpha(float) {}

void ui_control_c::enable(int on)
{
    if (on)
        m_flags |= UI_ENABLED;
    else
        m_flags &= ~uint32_t(UI_ENABLED);
}

void ui_control_c::note_activity(double hover_start)
{
    m_hover_start = hover_start;
    root()->message(MSG_VAR(hint_check_out), 0, this, MSG_ARG(1), MSG_ARG((void *)this), MSG_ARGS_END);
}

int ui_control_c::on_mouse_move(const vec2 &pos, const int *)
{
    note_activity(m_time);
    if (!(m_flags & UI_DRAGGING))
        return 0;
    const vec2 target(pos.x - m_drag_cursor.x + m_screen_rect.left, pos.y - m_drag_cursor.y + m_screen_rect.top);
    if (!move_to(target))
        m_flags &= ~uint32_t(UI_DRAGGING);
    m_drag_cursor = pos;
    return 1;
}

int ui_control_c::on_button_down(int button, const vec2 &pos, const int *)
{
    note_activity(m_time);
    if (!(m_flags & UI_DRAGGABLE) || button != 0)
        return 0;
    m_flags |= UI_DRAGGING;
    m_drag_cursor = pos;
    m_drag_origin = vec2(m_screen_rect.left, m_screen_rect.top);
    return 1;
}

int ui_control_c::on_button_up(int button, const vec2 &, const int *)
{
    note_activity(m_time);
    if (!(m_flags & UI_DRAGGABLE) || button != 0)
        return 0;
    m_flags &= ~uint32_t(UI_DRAGGING);
    return 1;
}

int ui_control_c::on_cursor_enter(const vec2 &, const int *)
{
    note_activity(m_time);
    return 0;
}

int ui_control_c::on_cursor_leave(const vec2 &, const int *)
{
    note_activity(-1.0);
    if (!(m_flags & UI_DRAGGABLE))
        return 0;
    m_flags &= ~uint32_t(UI_DRAGGING);
    return 1;
}

void ui_control_c::on_char(int, int, int) {}
void ui_control_c::on_focus_gained() {}
void ui_control_c::on_focus_lost(ui_control_c *) {}

int ui_control_c::move_to(const vec2 &top_left)
{
    const vec2 size = get_display();
    const float width = m_screen_rect.right - m_screen_rect.left;
    const float height = m_screen_rect.bottom - m_screen_rect.top;
    vec2 target = top_left;
    if (target.x < 0.0f)
        target.x = 0.0f;
    if (target.y < 0.0f)
        target.y = 0.0f;
    if (target.x + width > size.x)
        target.x = size.x - width;
    if (target.y + height > size.y)
        target.y = size.y - height;
    set_position(target);
    return 1;
}

void ui_control_c::apply_fade(double t)
{
    if (!(m_flags & (UI_FADING_IN | UI_FADING_OUT)))
        return;
    if (t <= 0.0)
        t = 0.0;
    if (t >= 1.0)
        t = 1.0;
    set_alpha(float((m_flags & UI_FADING_IN) ? t : 1.0 - t));
}

void ui_control_c::update(double time)
{
    m_time = time;
    if (m_flags & (UI_FADING_IN | UI_FADING_OUT)) {
        const double length = m_fade_end - m_fade_start;
        // A fade of no length is at its end at once; dividing by it would give no alpha.
        const double t = length <= 0.0 ? 1.0 : (time - m_fade_start) / length;
        apply_fade(t);
        if (length <= 0.0 ? time > m_fade_end : t > 1.0)
            m_flags &= ~uint32_t(UI_FADING_IN | UI_FADING_OUT);
    }
    const char *hint = attribute("hint")->get_const_pchar();
    if (!hint[0])
        return;
    if (m_hover_start > 0.0 && m_hover_start + 1.0 < time) {
        root()->message(MSG_VAR(hint), 0, this, MSG_ARG(m_cursor_pos), MSG_ARG(hint), MSG_ARGS_END);
        m_hover_start = -1.0;
    }
}

int ui_control_c::dispatch_mouse()
{
    if (!(m_flags & UI_VISIBLE) || !(m_flags & UI_ENABLED))
        return 0;
    const vec2 pos = msg_arg(0)->get_vec2();
    const int *buttons = static_cast<const int *>(msg_arg(1)->get_ptr());
    const int button = msg_arg(2)->get_int();
    const int event = msg_arg(3)->get_int();
    if (!contains_point(pos)) {
        if (m_flags & UI_CURSOR_OVER) {
            m_flags &= ~uint32_t(UI_CURSOR_OVER);
            on_cursor_leave(pos, buttons);
        }
        return 0;
    }
    if (!(m_flags & UI_CURSOR_OVER)) {
        m_flags |= UI_CURSOR_OVER;
        on_cursor_enter(pos, buttons);
    }
    m_cursor_pos = pos;
    for (int i = 0; i < 3; ++i)
        m_buttons[i] = buttons[i];
    int r = 0;
    if (event == 0)
        r = on_mouse_move(pos, buttons);
    else if (event == 1)
        r = on_button_down(button, pos, buttons);
    else if (event == 2)
        r = on_button_up(button, pos, buttons);
    return r ? 1 : 0;
}

int ui_control_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(render))
        return 0;
    if (*message == MSG_VAR(mouse))
        return dispatch_mouse();
    if (*message == MSG_VAR(char)) {
        if (!is_enabled_by_parents())
            return 0;
        if (m_flags & (UI_FOCUSED | UI_CHAR_NO_FOCUS)) {
            on_char(msg_arg(0)->get_int(), msg_arg(1)->get_int(), msg_arg(2)->get_int());
            if (m_flags & UI_FOCUSED)
                return 1;
        }
    } else if (*message == MSG_VAR(focus)) {
        ui_control_c *control = static_cast<ui_control_c *>(msg_arg(0)->get_ptr());
        if (control == this) {
            if (!(m_flags & UI_FOCUSED)) {
                m_flags |= UI_FOCUSED;
                on_focus_gained();
            }
        } else if (m_flags & UI_FOCUSED) {
            m_flags &= ~uint32_t(UI_FOCUSED);
            on_focus_lost(control);
        }
    } else if (*message == MSG_VAR(is_disabled)) {
        return (m_flags & UI_ENABLED) ? 0 : 1;
    } else if (*message == MSG_VAR(enable_ctrl)) {
        const char *name = attribute("name")->get_const_pchar();
        if (name[0] && std::strcmp(name, msg_arg(0)->get_const_pchar()) == 0)
            enable(msg_arg(1)->get_int());
        return 0;
    } else if (*message == MSG_VAR(fade)) {
        const float seconds = *static_cast<const float *>(msg_arg(1)->get_ptr());
        m_fade_start = m_time;
        m_fade_end = m_time + seconds;
        m_flags &= ~uint32_t(UI_FADING_IN | UI_FADING_OUT);
        m_flags |= msg_arg(0)->get_int() ? UI_FADING_IN : UI_FADING_OUT;
        apply_fade(seconds < 0.0f ? 1.0 : 0.0);
        return 0;
    } else if (*message == MSG_VAR(is_cursor_over_control)) {
        unsigned char *over = static_cast<unsigned char *>(msg_arg(1)->get_ptr());
        if ((m_flags & UI_VISIBLE) && contains_point(msg_arg(0)->get_vec2())) {
            *over = 1;
            return 1;
        }
        *over = 0;
        return 0;
    }
    return ui_vis_object_c::handle_message(message, sender);
}
