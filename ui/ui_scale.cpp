#include "ui/ui_scale.h"

#include "kernel/exception.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image.h"

namespace {

// An image child of the control's texture: the texel rect `tex` shown in `screen` (relative
// to the control), states in `columns` columns, drawn in its texture's own colours.
multistate_image *make_control_image(ui_control_c *control, const value_c &tex, const rect &screen, int columns)
{
    attribute_list_c list;
    add_attribute(nullptr, list, "tex", tex, 0);
    add_attribute(nullptr, list, "screen_rect", value_c(screen), 0);
    add_attribute(nullptr, list, "tex_name", *control->attribute("tex_name"), 0);
    add_attribute(nullptr, list, "columns", value_c(columns), 0);
    add_attribute(nullptr, list, "rows", value_c(1), 0);
    add_attribute(nullptr, list, "color", value_c(vec3(0.0f, 0.0f, 0.0f)), 0);
    return new multistate_image(control, &list);
}

// Steps counted in one tick at most: enough to cross the whole range from any stored value
// inside it.
constexpr int MAX_STEPS = 1000;

rect moved(const rect &r, const rect &by)
{
    return rect(r.left + by.left, r.top + by.top, r.right + by.left, r.bottom + by.top);
}

rect own_size(const rect &r)
{
    return rect(0.0f, 0.0f, r.right - r.left, r.bottom - r.top);
}

} // namespace

scale::scale(abstract_c *parent, const attribute_list_c *attributes)
    : ui_control_c(parent, attributes), m_percent(0), m_step_time(0.0f), m_minus_held(0), m_plus_held(0),
      m_frame(nullptr), m_bar(nullptr), m_plus(nullptr), m_minus(nullptr), m_bar_width(0.0f), m_bar_height(0.0f),
      m_plus_rect(), m_minus_rect()
{
    m_percent = attribute("default_percent")->get_int();
    m_bar = make_control_image(this, *attribute("scale_tex_rect"), attribute("scale_rect")->get_rect2(), 1);
    m_frame = make_control_image(this, *attribute("frame_tex_rect"), own_size(m_screen_rect), 1);
    const rect plus = attribute("plus_screen_rect")->get_rect2();
    m_plus = make_control_image(this, *attribute("plus_tex_rect"), plus, 1);
    m_plus->set_visible(0);
    m_plus_rect = moved(plus, m_screen_rect);
    const rect minus = attribute("minus_screen_rect")->get_rect2();
    m_minus = make_control_image(this, *attribute("minus_tex_rect"), minus, 1);
    m_minus->set_visible(0);
    m_minus_rect = moved(minus, m_screen_rect);

    rect bar;
    m_bar->message(MSG_VAR(vis_rect), MSGF_NO_CHILDREN, this, MSG_ARG(0), MSG_ARG((void *)&bar), MSG_ARGS_END);
    m_bar_width = bar.right - bar.left;
    m_bar_height = bar.bottom - bar.top;
    size_bar();
}

void scale::size_bar()
{
    m_bar->resize(vec2(float(m_percent) * m_bar_width * 0.01f, m_bar_height));
}

void scale::release()
{
    m_minus_held = m_plus_held = 0;
    m_step_time = 0.0f;
    m_plus->set_visible(0);
    m_minus->set_visible(0);
}

void scale::step(float seconds)
{
    if (!m_minus_held && !m_plus_held)
        return;
    m_step_time += seconds;
    // More steps than the range is wide only end at the clamp, so a very long tick is counted
    // as that many; the sum is formed wider than int, since a stored value may be any int.
    const float due = m_step_time * 5.0f;
    int steps = 0;
    if (due >= float(MAX_STEPS))
        steps = MAX_STEPS;
    else if (due > -float(MAX_STEPS))
        steps = int(due);
    else if (due < 0.0f)
        steps = -MAX_STEPS;
    long long percent = (long long)m_percent + (m_plus_held ? steps : -steps);
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    m_percent = int(percent);
    m_step_time -= float(steps) * 0.2f;
    size_bar();
    root()->message(MSG_VAR(scale_value_changed), 0, this, MSG_ARG(attribute("name")->get_const_pchar()),
                    MSG_ARG(m_percent), MSG_ARGS_END);
}

int scale::on_mouse_move(const vec2 &pos, const int *buttons)
{
    if (!m_minus_rect.contains(pos) && !m_plus_rect.contains(pos))
        release();
    return ui_control_c::on_mouse_move(pos, buttons);
}

int scale::on_button_down(int button, const vec2 &pos, const int *buttons)
{
    if (button != 0)
        return 0;
    if (m_minus_rect.contains(pos)) {
        m_minus_held = 1;
        m_plus_held = 0;
        m_minus->set_visible(1);
    } else if (m_plus_rect.contains(pos)) {
        m_plus_held = 1;
        m_minus_held = 0;
        m_plus->set_visible(1);
    }
    return ui_control_c::on_button_down(0, pos, buttons);
}

int scale::on_button_up(int button, const vec2 &pos, const int *buttons)
{
    release();
    return ui_control_c::on_button_up(button, pos, buttons);
}

int scale::on_cursor_leave(const vec2 &pos, const int *buttons)
{
    release();
    return ui_control_c::on_cursor_leave(pos, buttons);
}

int scale::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(tick)) {
        step(msg_arg(1)->get_float());
        ui_control_c::handle_message(message, sender);
        return 0;
    }
    if (*message == MSG_VAR(set_scale_percent) && ui_name_matches(this, msg_arg(0)->get_const_pchar())) {
        m_percent = msg_arg(1)->get_int();
        size_bar();
        return 1;
    }
    return ui_control_c::handle_message(message, sender);
}

checkbox::checkbox(abstract_c *parent, const attribute_list_c *attributes)
    : ui_control_c(parent, attributes), m_image(nullptr), m_state(0)
{
    m_image = make_control_image(this, *attribute("tex_rect"), own_size(m_screen_rect), 2);
    m_image->set_column(0);
}

int checkbox::on_button_up(int button, const vec2 &pos, const int *buttons)
{
    if (button != 0)
        return 0;
    m_state = 1 - m_state;
    m_image->set_column(unsigned(m_state));
    root()->message(MSG_VAR(checkbox_state_changed), 0, this, MSG_ARG(attribute("name")->get_const_pchar()),
                    MSG_ARG(m_state), MSG_ARGS_END);
    return ui_control_c::on_button_up(0, pos, buttons);
}

int checkbox::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(check_named) && ui_name_matches(this, msg_arg(0)->get_const_pchar())) {
        ENGINE_ASSERT((int)msg_arg(1) >= 0 && (int)msg_arg(1) <= 1);
        m_state = (int)msg_arg(1);
        m_image->set_column(unsigned(m_state));
        return 1;
    }
    return ui_control_c::handle_message(message, sender);
}
