// menu (script class "menu"): a fixed column of up to MAX_MENU_ITEM_NMB text items that reports
// the first click on one of them.
//
// Attributes besides the control base's (`name`, `screen_rect` ...): item_nmb (int, at most 10:
// "m_item_nmb <= MAX_MENU_ITEM_NMB"), and when item_nmb > 0 font_name (string), chars_color and
// active_color (vec3 0..255, truncated and cut to 8 bits each, opaque), "item_rect_<k>" (rect
// relative to the menu, required) and "item_text_<k>" (string, optional) for k = 1..item_nmb.
// Item k - 1 is a menu_item_c named "menu_item_<k>" holding one static_text that covers it.
//
// Messages of the menu; a name argument is any text type, compared byte for byte with `name`:
//   hilight_menu name, INT index    the item takes active_color; an index out of range
//                                   (negative included) does nothing. 1 when the name matched.
//   unhilight_menu name             every item takes chars_color again. 1 when matched.
//   clear_menu name                 opens the menu for a new click and empties every item
//                                   (colours stay). 1 when matched.
//   disable_menu name               closes the menu as a reported click does: clicks are
//                                   ignored until clear_menu; texts and colours stay. 1 when
//                                   matched.
//   set_menu_text name, INT index, text             replaces the item's text;
//   get_menu_text name, INT index, INT n, PCHAR b   the item's text into b as strncpy does
//                                   (no terminator when it has n bytes or more);
//                                   both give 0 for another name, else 1, and an index out
//                                   of range fails the assertion "item_nmb < m_item_nmb".
//   menu_item_clicked PTR item      from an item: the first click reports `menu_clicked`
//                                   (CONST_PCHAR name, INT index from 0) to the root and
//                                   answers 1; later ones answer 0 until clear_menu.
// Names that did not match for hilight_menu, unhilight_menu, clear_menu and disable_menu, and
// every other message, go to the control base.
//
// An item takes a press of the left button only when it shows text; otherwise (and for the
// other buttons) the `mouse` goes on to the controls behind it. It never drags or hints.
#pragma once

#include "ui/ui_control.h"

class static_text;

constexpr int MAX_MENU_ITEM_NMB = 10;

class menu_item_c : public ui_control_c
{
public:
    menu_item_c(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    int on_button_down(int button, const vec2 &pos, const int *buttons) override;

    static_text *text() const { return m_text; }

private:
    static_text *m_text;
};

class menu : public ui_control_c
{
public:
    menu(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;

    int item_count() const { return m_item_nmb; }
    menu_item_c *item(int i) const { return m_items[i]; }
    int clicked() const { return m_clicked; }

private:
    // The item index of argument i; a negative one counts as too large.
    int index_arg(int i) const;
    int report_click(abstract_c *item);

    int m_item_nmb;
    menu_item_c *m_items[MAX_MENU_ITEM_NMB];
    unsigned char m_clicked;
};
