// complex_button (script class "complex_button"): one seat of the player set-up screen, a
// button (all of the button's attributes and behaviour) that shows the seat's player: a
// portrait, a frame, a "man" or a "bot" button (which one shows says whether a human or the
// computer plays the seat), a "ready_or_not" toggle and the name.
//
// At creation it sends the root `create_cmplx_btn` (PTR int seat, PTR player_info, the record
// a new one) without coming back to itself: the set-up screen writes the seat number and the
// seat's record; without an answer the seat is -1 and the look that of a new record. Children
// in drawing order: the portrait, the frame, the man, bot and ready buttons (texture
// "narezka"), the name text.
//
// Required attributes besides the button's: frame_tex (rect), frame_tex_name, font_name,
// name_rect (rect, relative to the button), and for the portrait number n the texture
// "portr_tex_name_<n + 1>" and rectangle "portr_tex_<n + 1>" (so "_0" serves a seat without a
// portrait, n = -1); a missing one throws the attribute error at the refresh that needs it.
//
// The look is the game's record, never a local guess:
//   update_appearance INT seat: for its own seat the root's `get_player_info` (INT seat, PTR
//     record) refills the look: man or bot shown, ready toggled on when m_not_ready is 0,
//     the portrait (at (12, 8), three quarters of its texels' size), the name after its first
//     space (the whole name without one). 1; another seat: the button's handling.
//   butt_pressed "man" / "bot" and butt_checked / butt_unchecked "ready_or_not" (from the
//     children): a change request for the seat goes to send_net_message: a 532-byte type 3
//     packet with the seat, this PC's short address (root `get_short_address`) and the code
//     1 (man/bot) or 2 (ready), its value area zero. Then the button's handling, so the press
//     still goes on up.
#pragma once

#include "game/player_info.h"
#include "ui/ui_button.h"

class multistate_image;
class static_text;

class complex_button : public button
{
public:
    enum : int32_t { CHANGE_MAN_OR_BOT = 1, CHANGE_READY = 2 };

    complex_button(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    int slot() const { return m_slot; }
    int portrait_nmb() const { return m_portrait_nmb; }
    multistate_image *portrait() const { return m_portrait; }
    multistate_image *frame() const { return m_frame_image; }
    button *man_button() const { return m_man_btn; }
    button *bot_button() const { return m_bot_btn; }
    button *ready_button() const { return m_ready_btn; }
    static_text *name_static() const { return m_name_static; }

private:
    button *make_child_button(const char *name, const char *id, const char *letters, const rect &tex,
                              const vec2 &pos);
    void show_portrait(int portrait_nmb);
    void refresh(const player_info &record);
    void send_change(int32_t code);

    int m_portrait_nmb;
    multistate_image *m_portrait;
    multistate_image *m_frame_image;
    button *m_man_btn;
    button *m_bot_btn;
    button *m_ready_btn;
    static_text *m_name_static;
    int m_slot;
};
