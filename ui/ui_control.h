// ui_control_c: the base of every interactive element of the user interface (buttons, edits,
// menus, lists, scales, check boxes, panels, hint popups, the game's windows).
//
// Input arrives as messages and is dispatched to virtual operations that derived classes
// override; the base draws nothing (its `render` answer skips the visual base's drawing).
//   mouse  VEC2 position, PTR int[3] buttons, INT button, INT event (0 move, 1 down, 2 up):
//          only while visible and enabled; enter and leave are tracked by the hit test
//          (contains_point, always true while dragging); a non-zero on_mouse_move,
//          on_button_down or on_button_up consumes the message (result 1).
//   char   INT character, INT key, INT key flags: ignored when is_enabled_by_parents() is 0;
//          else on_char when focused or with UI_CHAR_NO_FOCUS; a focused control consumes it.
//   focus  PTR control: the named control gains the focus, a focused other one loses it.
//   enable_ctrl   STRING name, INT on: every control whose `name` equals the name (byte for
//          byte; an empty name matches nothing) is enabled or disabled.
//   fade   INT direction (non-zero in), PTR float seconds: alpha runs 0 to 1 or 1 to 0 through
//          set_alpha on the following ticks; a duration of 0 or less jumps to the end state.
//   is_cursor_over_control   VEC2 point, PTR byte: 1 and claimed over a visible control.
//   is_disabled   claimed while the control is disabled, so the characters of controls
//          inside a disabled one are ignored too.
// Name and text arguments are read with the any-text getter (PCHAR, CONST_PCHAR or STRING).
//
// Hover hint: every input operation of the base restarts a one-second wait (and sends
// `hint_check_out` INT 1, PTR control to the root); when the cursor has rested more than
// 1.0 s and the `hint` attribute is not empty, `hint` (VEC2 cursor, CONST_PCHAR text) goes
// to the root once. Leaving the control cancels the wait.
//
// Attributes declared with defaults when the script does not give them: name "", hint "",
// tex rect 0 (scripts write it [x y width height]), pos vec2 (0, 0) (the top-left corner relative to the
// nearest visual ancestor when there is no `screen_rect`). `tex_name` is read by
// texture_path. Dragging needs an object that answers `get_display` (PTR vec2 size).
#pragma once

#include <string>

#include "ui/ui_vis_object.h"

class ui_control_c : public ui_vis_object_c
{
public:
    enum : uint32_t {
        UI_ENABLED = 0x100,
        UI_FOCUSED = 0x200,
        UI_CURSOR_OVER = 0x400,
        UI_CHAR_NO_FOCUS = 0x1000,
        UI_DRAGGABLE = 0x2000,
        UI_DRAGGING = 0x4000,
        UI_FADING_OUT = 0x8000,
        UI_FADING_IN = 0x10000,
    };

    ui_control_c(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    int contains_point(const vec2 &point) override;
    void update(double time) override;

    virtual void set_alpha(float alpha);
    virtual void enable(int on);
    virtual int on_mouse_move(const vec2 &pos, const int *buttons);
    virtual int on_button_down(int button, const vec2 &pos, const int *buttons);
    virtual int on_button_up(int button, const vec2 &pos, const int *buttons);
    virtual int on_cursor_enter(const vec2 &pos, const int *buttons);
    virtual int on_cursor_leave(const vec2 &pos, const int *buttons);
    virtual void on_char(int character, int key, int key_flags);
    // Moves the control, kept inside the display; 0 would end a drag.
    virtual int move_to(const vec2 &top_left);
    virtual void on_focus_gained();
    virtual void on_focus_lost(ui_control_c *new_focus);

    // "textures/<tex_name>".
    std::string texture_path();
    // The `tex` attribute: the part of the control's texture it shows, in texels.
    rect texture_rect();
    void set_cursor_name(const char *name) { m_cursor_name = name; }
    // Tells every control (from the root) that this one has the focus.
    void set_focus();
    // 0 when this control or one of its ancestors answers `is_disabled`.
    int is_enabled_by_parents();
    // The size of the display, from whoever answers `get_display`.
    vec2 get_display();
    int is_enabled() const { return (m_flags & UI_ENABLED) ? 1 : 0; }
    int is_focused() const { return (m_flags & UI_FOCUSED) ? 1 : 0; }

    // The alpha byte times factor, cut to 0..255; the colour bits stay.
    static unsigned scale_alpha(unsigned argb, float factor);

protected:
    vec2 m_drag_cursor;
    vec2 m_drag_origin;
    vec2 m_cursor_pos;
    int m_buttons[3];
    double m_time;
    double m_fade_start;
    double m_fade_end;
    double m_hover_start;

private:
    int dispatch_mouse();
    void apply_fade(double t);
    // Restarts (or with -1 cancels) the hover wait and tells the hint layer.
    void note_activity(double hover_start);
};
