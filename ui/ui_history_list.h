// Text fields with a drop-down list of remembered entries.
//
// history_list_c (made by code only): up to HISTORY_SLOTS texts, the most recent first, shown
// in `vis_item_nmb` rows of the texture rectangle `middle_tex_rect` (its width is the list's,
// its height the row height h) with a cap (`bottom_tex_rect` under a downward list,
// `top_tex_rect` over an upward one, `list_up` non-zero) from "textures/<tex_name>", texts in
// `font_name` and `chars_color`. The rectangle given as `screen_rect` is that of a list of
// all `item_nmb` rows; with v rows shown its top moves down by (item_nmb - v) * h and it ends
// v * h + cap height below. Row 0 is at the top of a downward list and at the bottom of an
// upward one. More than HISTORY_SLOTS items or rows: "Too many items planned for history
// list!". Texts are cut to HISTORY_TEXT_SIZE - 1 bytes before they are stored or compared.
// Priority 1. While visible it takes every left press: a press at a row's height (x does not
// matter) on a row with a text sends to the parent edit_set_text (PCHAR the text),
// hide_history and item_selected (INT row); on an empty row nothing; above or below the rows
// hist_list_clicked_aside. `select_item` (name, INT index 0..24) sends select_item_command
// (INT index) and edit_set_text (PCHAR the slot's text) to the parent.
//
// history_control (script class "history_control"): an edit made from a copy of the control's
// attributes placed at its top-left corner, a history_button_c and a history_list_c built
// from the `hlist_` attributes (`hlist_up`, `hlist_down_upper_left` or `hlist_up_lower_right`,
// `hlist_middle_tex_rect`, `hlist_top_tex_rect`, `hlist_bottom_tex_rect`, `hlist_item_nmb`,
// `hlist_vis_item_nmb` (default `hlist_item_nmb`), `hlist_tex_name`, `hlist_font_name`,
// `hlist_chars_color`, initial entries "hlist_item_1".. with entry 1 on top), the button from
// `history_btn_screen_rect` (its corner) and `history_btn_tex_rect` of "textures/<tex_name>".
// The button opens the list once `enable_ctrl` with the control's name and 1 has enabled it,
// hidden or not; a pick fills the edit, closes the list and announces history_item_selected
// (the control's name) to the root; a press beside the rows closes it. Screens use
// add_history_item (name, text) and get_selected_nmb (name, PTR int). While the list is open
// the control's priority is -1, so its screen draws it last and gives it the mouse first.
// Within the control the list (priority 1) draws first and takes presses last: scripts keep
// it clear of the edit and the button.
//
// hiscore_history (script class "hiscore_history") announces hiscore_item_selected (name,
// INT index) instead.
#pragma once

#include "ui/ui_control.h"
#include "ui/ui_vis_image.h"

class edit;
class static_text;

constexpr int HISTORY_SLOTS = 25;
constexpr int HISTORY_TEXT_SIZE = 100;

class history_list_c : public ui_control_c
{
public:
    history_list_c(abstract_c *parent, const attribute_list_c *attributes);

    int get_priority() const override { return 1; }
    int handle_message(const msg_c *message, abstract_c *sender) override;

    void add_item(const char *text);

    const char *slot(int i) const { return m_texts[i]; }
    static_text *row(int i) const { return m_rows[i]; }
    int item_count() const { return m_item_nmb; }
    int visible_rows() const { return m_vis_item_nmb; }

private:
    void click(const vec2 &pos);
    void show_row(int k);

    int m_item_nmb;
    int m_vis_item_nmb;
    char m_texts[HISTORY_SLOTS][HISTORY_TEXT_SIZE];
    static_text *m_rows[HISTORY_SLOTS];
    float m_row_height;
    int m_list_up;
};

class history_button_c : public multistate_image
{
public:
    history_button_c(abstract_c *parent, const vec2 &position, const char *texture_name, const rect &tex_rect);

    int handle_message(const msg_c *message, abstract_c *sender) override;

    int enabled() const { return m_enabled; }

private:
    int m_enabled;
};

class history_control : public ui_control_c
{
public:
    history_control(abstract_c *parent, const attribute_list_c *attributes);

    int get_priority() const override { return m_list_shown ? -1 : 0; }
    int handle_message(const msg_c *message, abstract_c *sender) override;

    int selected() const { return m_selected; }
    bool list_shown() const { return m_list_shown; }
    history_button_c *button() const { return m_button; }
    edit *edit_field() const { return m_edit; }
    history_list_c *list() const { return m_list; }

protected:
    // show INT on to the button, then to the list.
    void show_list(int on);
    int name_matches(const char *name);

    int m_selected;
    bool m_list_shown;
    history_button_c *m_button;
    edit *m_edit;
    history_list_c *m_list;
};

class hiscore_history : public history_control
{
public:
    using history_control::history_control;
    int handle_message(const msg_c *message, abstract_c *sender) override;
};
