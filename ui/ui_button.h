// Buttons (script class "button") and the two small controls built on the control base and
// the button: text_button and field.
//
// button: the clickable image of a screen. One texture strip (`tex`, in texels, of the
// texture "textures/<tex_name>") holds its looks side by side; the control is one cell wide
// and the strip's height high, and its multistate_image child shows the cell of the state.
// Required attributes (no defaults): button_id (string), extra_string (string), tex (rect),
// tex_name (string), color (vec3 0..255, the tint applied by fades through set_alpha), and
// extra_int / extra_float where the letters read them. Letters of extra_string (case matters):
//   'a' animated: extra_int frames (at least 2, else "Button '<name>' invalid animation frame
//       count"), extra_float seconds per frame (at least 0.01, else "Button '<name>' invalid
//       animation period"), one column per frame; every other letter is then ignored.
//   otherwise 4 columns (normal, cursor over, pressed, disabled), then in this order:
//   'c' check button of the radio set under the parent, group extra_int; 't' trigger;
//   'S' 3 columns, no disabled look (cell 0); 's' no cursor-over look (over 0, pressed 1, one
//   column fewer); 'o' neither (over 0, pressed 0, one column fewer). Without 'S' the disabled
//   cell may lie outside the strip ("o", "s"): the image then keeps the cell it showed.
// The cell is chosen after every input operation and every tick: animated: the frame while
// enabled and (hilited or active), else 0; disabled: the disabled cell; check button: 1 when
// hilited, else the pressed cell when checked, else 0; others: pressed cell when active, else
// the cursor-over cell when hilited, else 0. An animated button that is hilited advances at
// most one frame per tick, once its period has passed; entering it restarts at frame 1.
//
// Messages answered (STRING id compared byte for byte with button_id):
//   butt_hilite id, INT on: hilites (animation restarts at frame 1) or un-hilites; 0, so
//     every button of that id follows.
//   butt_activate id, INT on: activates or deactivates; 1.
//   butt_uncheck INT group, id: a check button deactivates whatever the group; 0.
//   butt_uncheck_trigger INT group, PTR: a trigger of that group deactivates; 1.
//   emul_click id: as a left button press at (0, 0); 1 (0 for another id).
// Messages sent (the id is button_id; the state and the id are the arguments of butt_hilited):
//   left down: check button: butt_uncheck (group, id) to the parent, never back to itself;
//     push and check: butt_activate (id, 1) to itself; check: butt_checked (group, id) from
//     itself up through its parents. Trigger: active: butt_uncheck_trigger (group, null) to
//     the parent, butt_activate (id, 0), butt_unchecked (group, id) up; inactive:
//     butt_activate (id, 1), butt_checked (group, id) up.
//   left up on a push button: when still active, the click ("sounds/click", a location sound
//     under the root) and butt_pressed (id) to the parents; then butt_activate (id, 0).
//   cursor enters: butt_hilite (id, 1) to the parent, butt_hilited (1, id) up from itself.
//   cursor leaves: push button: butt_activate (id, 0) to the parent (so a press released
//     outside reports nothing); butt_hilite (id, 0) to itself only; butt_hilited (0, id) to
//     the parents.
// Other mouse buttons only do what the control base does.
//
// text_button (script class "text_button"): a button with a centred static_text child for
// "text", then "text1", "text2" ... up to the first missing one, each in "text_rect",
// "text_rect1" ... (relative to the button) or over the whole button; font_name and
// chars_color are required once a text exists.
//
// field (script class "field"): a control showing "textures/<tex_name>" at natural size at its
// top-left corner (a `tex` of zero size is the whole texture); tex_name is required.
#pragma once

#include <string>

#include "ui/ui_control.h"

class multistate_image;

class button : public ui_control_c
{
public:
    enum : uint32_t {
        BUTTON_CHECK = 0x100000,
        BUTTON_TRIGGER = 0x200000,
        BUTTON_ANIMATED = 0x400000,
        BUTTON_HILITED = 0x800000,
        BUTTON_ACTIVE = 0x1000000,
    };

    button(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    void update(double now) override;
    void set_alpha(float alpha) override;
    int on_button_down(int button_number, const vec2 &pos, const int *buttons) override;
    int on_button_up(int button_number, const vec2 &pos, const int *buttons) override;
    int on_cursor_enter(const vec2 &pos, const int *buttons) override;
    int on_cursor_leave(const vec2 &pos, const int *buttons) override;

    const char *button_id() const { return m_button_id; }
    multistate_image *image() const { return m_image; }
    int columns() const { return m_columns; }
    int hover_cell() const { return m_hover_cell; }
    int pressed_cell() const { return m_pressed_cell; }
    int disabled_cell() const { return m_disabled_cell; }
    int group() const { return m_group; }
    int frame() const { return m_frame; }
    bool has(uint32_t bit) const { return (m_flags & bit) != 0; }

private:
    bool is_push() const { return !(m_flags & (BUTTON_CHECK | BUTTON_TRIGGER)); }
    bool is_own_id(const value_c *id) const;
    void set_bit(uint32_t bit, bool on);
    void restart_animation();
    void refresh_cell();
    // Sends (id, on) to target with flags.
    int send_id_int(abstract_c *target, const msg_c &message, int flags, int on);
    // Sends (INT value, STRING id) to target with flags.
    int send_int_id(abstract_c *target, const msg_c &message, int flags, int value);

    const char *m_button_id;
    multistate_image *m_image;
    int m_columns;
    int m_pressed_cell;
    int m_hover_cell;
    int m_disabled_cell;
    int m_group;
    int m_frame;
    int m_frame_count;
    double m_anim_start;
    double m_period;
};

class text_button : public button
{
public:
    text_button(abstract_c *parent, const attribute_list_c *attributes);
};

class field : public ui_control_c
{
public:
    field(abstract_c *parent, const attribute_list_c *attributes);

    multistate_image *image() const { return m_image; }

private:
    multistate_image *m_image;
};
