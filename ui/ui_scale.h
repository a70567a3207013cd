// Settings controls drawn from multistate images of one texture ("textures/<tex_name>").
//
// scale (script class "scale"): a percent value shown as a bar inside a frame, with a minus and
// a plus button. Attributes, all required besides the control base's: default_percent (int,
// used as given), scale_rect (the bar at 100 percent), plus_screen_rect, minus_screen_rect
// (rects relative to the scale), scale_tex_rect, frame_tex_rect, plus_tex_rect,
// minus_tex_rect (texel rects), tex_name. Its images, drawn in this order: the bar, the frame
// over the whole scale, the pressed plus and the pressed minus (shown while held).
// A press of the left button in a button's rectangle holds it until the release, until the
// cursor moves out of both rectangles or leaves the scale. While held, every `tick` steps the
// value by five points a second (whole points, the remainder kept for the next tick),
// clamped to 0..100, and announces it with `scale_value_changed` (CONST_PCHAR name, INT
// percent) to the root, also when it did not change. The scale answers tick with 0 and lets
// the control base see it (fades, the hover hint).
//   set_scale_percent name, INT percent   when the name is the scale's: stores the value as
//                                         given (no clamping, nothing announced) and sizes
//                                         the bar by it (1); another name: the control base.
//
// checkbox (script class "checkbox"): a switch of two states drawn from tex_rect (texels), the
// left half state 0, the right half state 1, over the whole control; attributes tex_rect and
// tex_name (required). A release of the left button over it toggles the state and announces
// `checkbox_state_changed` (CONST_PCHAR name, INT state) to the root.
//   check_named name, INT state   when the name is the checkbox's: sets the state (0 or 1, else
//                                 the assertion "(int)msg_arg(1) >= 0 && (int)msg_arg(1) <= 1")
//                                 without announcing it (1); another name: the control base.
#pragma once

#include "ui/ui_control.h"

class multistate_image;

class scale : public ui_control_c
{
public:
    scale(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    int on_mouse_move(const vec2 &pos, const int *buttons) override;
    int on_button_down(int button, const vec2 &pos, const int *buttons) override;
    int on_button_up(int button, const vec2 &pos, const int *buttons) override;
    int on_cursor_leave(const vec2 &pos, const int *buttons) override;

    int percent() const { return m_percent; }
    multistate_image *bar() const { return m_bar; }
    multistate_image *frame() const { return m_frame; }
    multistate_image *plus() const { return m_plus; }
    multistate_image *minus() const { return m_minus; }

private:
    void step(float seconds);
    void release();
    void size_bar();

    int m_percent;
    float m_step_time;
    unsigned char m_minus_held;
    unsigned char m_plus_held;
    multistate_image *m_frame;
    multistate_image *m_bar;
    multistate_image *m_plus;
    multistate_image *m_minus;
    float m_bar_width;
    float m_bar_height;
    rect m_plus_rect;
    rect m_minus_rect;
};

class checkbox : public ui_control_c
{
public:
    checkbox(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    int on_button_up(int button, const vec2 &pos, const int *buttons) override;

    int state() const { return m_state; }
    multistate_image *image() const { return m_image; }

private:
    multistate_image *m_image;
    int m_state;
};
