// One-line text input fields: edit (script class "edit"), mail_edit ("mail_edit") and
// numeric_edit ("numeric_edit").
//
// edit: a frame drawn from the texture "textures/<tex_name>" (the whole `tex` rectangle, or,
// with `middle_repeat` n, the left cap `tex`, n pieces `middle_tex` and the right cap
// `right_tex` side by side from x = 0); the edit takes the frame's size. Its text (at most
// `max_text` - 1 cp1251 bytes; `max_text` from 3 to 271) is shown by a static_text child in
// the rectangle (left_margin, vert_margin, width - right_margin, vert_margin + height) with
// justify 0x11, 0x12 or 0x14 for a negative, zero or positive `justify`; the text area must be
// at least 16 wide and 4 high ("Invalid text input field for control '<name>'"). While the
// edit has the focus and is enabled, "|" marks the caret in the shown text. A left click on an
// enabled edit takes the focus; the caret then goes to the end. With `editable` 0 the edit is
// disabled for good (enable(1) is refused) but still answers the text messages.
//
// Keys (`char`, low byte of the character, only while enabled and visible): 0x0E/0x0F caret
// left/right, 0x14/0x15 home/end, 0x18 Backspace, 0x12 Delete, 0x0D Enter, 0x20-0x7F except
// 0x60 and 0xC0-0xFF are typed (translate_char of the byte is inserted at the caret while the
// text is shorter than max_text - 1, else dropped); every other byte is ignored. Backspace,
// Delete, Enter and a stored character send `edit_changed` (the edit's name) with flags 0x13.
//
// Messages: edit_set_text text; named_edit_set_text name, text; edit_get_text name, INT size,
// PCHAR buffer; named_edit_get_text name, PCHAR buffer, INT size. Setting cuts the text to
// max_text - 1 bytes and puts the caret after it; getting copies as strncpy does (no
// terminator when the text has size bytes or more). Named messages match the `name` byte for
// byte and answer 1; another name goes on to the control base.
//
// mail_edit stores the Latin character of the US key that types a Cyrillic letter.
//
// numeric_edit: an edit that takes only "0"-"9", Enter, Left and Right, with a plus and a
// minus area (`plus_screen_rect`, `minus_screen_rect`, relative to the edit) whose pressed
// pictures (`plus_tex_rect`, `minus_tex_rect` of the edit's texture) show while the left
// button is held on them. A left press in an area of the enabled, visible edit adds or
// subtracts 1 (a text that does not start with a number counts as 0; the sum stops at the int
// limits) and sends `edit_changed`; a sum whose text would not fit is not written and not
// reported.
#pragma once

#include <vector>

#include "ui/ui_control.h"

class multistate_image;
class static_text;

class edit : public ui_control_c
{
public:
    enum : uint32_t { UI_HIGHLIGHTED = 0x100000 };
    // Size of the buffer the shown text is built in: text, caret mark and terminator.
    static constexpr int SHOWN_TEXT_SIZE = 272;

    edit(abstract_c *parent, const attribute_list_c *attributes);

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void set_alpha(float alpha) override;
    void enable(int on) override;
    int on_button_down(int button, const vec2 &pos, const int *buttons) override;
    int on_cursor_enter(const vec2 &pos, const int *buttons) override;
    int on_cursor_leave(const vec2 &pos, const int *buttons) override;
    void on_char(int character, int key, int key_flags) override;
    void on_focus_gained() override;
    void on_focus_lost(ui_control_c *new_focus) override;
    // The byte stored for a typed byte.
    virtual int translate_char(int character);

    // edit_set_text to itself.
    void set_own_text(const char *text);
    // edit_get_text to itself.
    void get_own_text(char *buffer, int size);

    const char *text() const { return m_text.data(); }
    int caret() const { return m_caret; }
    int max_text() const { return m_max_text; }
    // The cursor is over the edit or it has the focus.
    bool is_highlighted() const { return (m_flags & UI_HIGHLIGHTED) != 0; }
    static_text *text_static() const { return m_text_static; }
    const std::vector<multistate_image *> &frames() const { return m_frames; }

protected:
    void store_text(const char *text);
    void refresh();
    void report_change();

    bool m_editable;
    std::vector<multistate_image *> m_frames;
    static_text *m_text_static;
    std::vector<char> m_text;
    int m_caret;
    int m_max_text;
};

class mail_edit : public edit
{
public:
    using edit::edit;
    int translate_char(int character) override;
};

class numeric_edit : public edit
{
public:
    numeric_edit(abstract_c *parent, const attribute_list_c *attributes);

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void on_char(int character, int key, int key_flags) override;

    multistate_image *plus_image() const { return m_plus_image; }
    multistate_image *minus_image() const { return m_minus_image; }

private:
    void step(int delta);
    // The area of the rectangle attribute, moved to the edit's corner.
    rect area(const char *name);

    multistate_image *m_plus_image;
    multistate_image *m_minus_image;
};
