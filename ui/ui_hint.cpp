#include "ui/ui_hint.h"

#include <cmath>

#include "kernel/exception.h"

hint_layer::hint_layer(abstract_c *parent, const attribute_list_c *attributes) : ui_vis_object_c(parent, attributes)
{
    set_screen_rect(rect(0.0f, 0.0f, 1024.0f, 768.0f));
}

int hint_layer::handle_message(const msg_c *message, abstract_c *from)
{
    if (*message == MSG_VAR(hint)) {
        ENGINE_ASSERT(from);
        const vec2 cursor = msg_arg(0)->get_vec2();
        if (!this->message(MSG_VAR(hint_check_out), 0, this, MSG_ARG(0), MSG_ARG((void *)from), MSG_ARGS_END))
            new ui_hint_c(this, from, cursor);
        return 1;
    }
    if (*message == MSG_VAR(hint_check_out))
        return 0;
    return ui_vis_object_c::handle_message(message, from);
}

hint_background_c::hint_background_c(abstract_c *parent, const rect &r)
    : ui_vis_grid_c(parent, r), m_time(0.0), m_alpha(0.0f)
{
    m_x_tile = COLUMNS;
    m_y_tile = ROWS;
    set_blend(1, 1, 0);
}

void hint_background_c::update(double time)
{
    m_time = time;
    ui_vis_grid_c::update(time);
}

unsigned hint_background_c::colour_at(int c, int r, double t, float alpha)
{
    const double pi = 3.14159265358979323846;
    const double s = std::sin(pi * c / COLUMNS) * std::sin(pi * r / ROWS);
    const double q = double(r) / ROWS;
    auto channel = [&](double speed, double phase) {
        const double wave = std::sin(speed * t + phase);
        const double value = 255.0 * alpha * s * (0.2 + 0.8 * wave * wave);
        // Also keeps a NaN (from an infinite time) out of the conversion.
        if (!(value > 0.0))
            return 0u;
        return value >= 255.0 ? 255u : unsigned(value);
    };
    return 0xFF000000u | channel(1.5, -3.0 * q) << 16 | channel(1.6, 2.6 * q) << 8 | channel(1.7, 3.7 * q);
}

void hint_background_c::vertex_at(const vec2 &offset, const vec2 &grid_point, float *x, float *y, float *u, float *v,
                                  unsigned *colour)
{
    *x = m_screen_rect.left + (m_screen_rect.right - m_screen_rect.left) * grid_point.x / float(COLUMNS) + offset.x;
    *y = m_screen_rect.top + (m_screen_rect.bottom - m_screen_rect.top) * grid_point.y / float(ROWS) + offset.y;
    *u = *v = 0.0f;
    *colour = colour_at(int(grid_point.x), int(grid_point.y), m_time, m_alpha);
}

ui_hint_c::ui_hint_c(abstract_c *layer, abstract_c *target, const vec2 &cursor)
    : ui_control_c(layer, nullptr), m_target(target), m_background(nullptr), m_state(NEW), m_deadline(0.0)
{
    // The popup never asks for a cursor shape.
    m_flags &= ~uint32_t(UI_CURSOR_AWARE);
    set_screen_rect(rect(cursor.x - 64.0f, cursor.y - 37.0f, cursor.x + 164.0f, cursor.y - 1.0f));
    m_background = new hint_background_c(
        this, rect(m_screen_rect.left, m_screen_rect.top, m_screen_rect.left + WIDTH, m_screen_rect.top + HEIGHT));
    set_visible(0);
}

void ui_hint_c::set_alpha(float alpha)
{
    m_background->set_alpha(alpha);
}

void ui_hint_c::fade(int in)
{
    float seconds = 1.0f;
    message(MSG_VAR(fade), MSGF_NO_CHILDREN, this, MSG_ARG(in), MSG_ARG((void *)&seconds), MSG_ARGS_END);
}

void ui_hint_c::start_fade_out()
{
    if (m_state == FADING_OUT)
        return;
    fade(0);
    m_state = FADING_OUT;
    m_deadline = m_time + 1.0;
}

void ui_hint_c::update(double now)
{
    ui_control_c::update(now);
    try {
        // Once fading out, the popup goes at its deadline whatever became of its control: a
        // popup whose control died or stays hidden would otherwise never leave.
        abstract_c *target = m_target.get();
        if (m_state != FADING_OUT && (!target ||
            target->message(MSG_VAR(is_disabled), MSGF_NO_CHILDREN | MSGF_TO_PARENTS, this, MSG_ARG(0),
                            MSG_ARG(nullptr), MSG_ARGS_END) ||
            target->message(MSG_VAR(is_hidden), MSGF_NO_CHILDREN | MSGF_TO_PARENTS, this, MSG_ARG(0),
                            MSG_ARG(nullptr), MSG_ARGS_END)))
            throw push_out_excep_c();
        switch (m_state) {
        case NEW:
            set_visible(1);
            fade(1);
            m_state = FADING_IN;
            m_deadline = now + 1.0;
            break;
        case FADING_IN:
            if (now > m_deadline) {
                m_state = SHOWING;
                m_deadline = now + 16.0;
            }
            break;
        case SHOWING:
            if (now > m_deadline)
                start_fade_out();
            break;
        default:
            if (now > m_deadline) {
                shutdown_tree();
                m_deadline = 10000000000.0;
            }
            break;
        }
    } catch (const push_out_excep_c &) {
        start_fade_out();
    }
}

int ui_hint_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(hint_check_out)) {
        abstract_c *target = m_target.get();
        if (!target || msg_arg(1)->get_ptr() != target)
            return 0;
        if (msg_arg(0)->get_int())
            start_fade_out();
        return 1;
    }
    return ui_control_c::handle_message(message, sender);
}
