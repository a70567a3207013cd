// The windows that sit inside screens and appear on request. Both are controls whose picture,
// buttons, texts and edit field are their children from the script; showing and hiding is the
// visual base's `show`, sent to the window itself with flags 0 so the whole subtree follows.
// Names of buttons and edits are compared byte for byte.
//
// window_exit (script class "window_exit"): the confirmation of leaving; every screen makes one
// from "scripts/window_exit.isc". Its script gives buttons "yes" and "no".
//   show_exit_window [PTR byte]: shows itself and, when given the byte, sets it to 1 (so the
//     asker learns that a window asks); then the control base (whose answer it returns), so
//     the window of every live screen hears it.
//   mouse: while shown the window is modal: it claims every `mouse` (its own buttons, children
//     that have it before their parent, still take theirs), so nothing behind it is clicked,
//     wherever the pointer is. Hidden, it is an ordinary control.
//   butt_pressed "yes": `exit_message_confirmed` to the root (the window stays; the exit
//     dispatcher acts); "no": `exit_message_rejected` to the root, then hides itself. 1 for
//     these two; any other name goes to the control base.
//
// window_credit (script class "window_credit"): shows a player's money and asks how much of it
// the player takes into the game. Its script gives a static text "your_score", an edit
// "take_edit" and buttons "ok" and "exit". It keeps a pointer to the player's record (owned by
// the game dispatcher) from one `show_credit_window` to the next.
//   creation_finished: the take edit starts with "0"; then the control base.
//   show_credit_window PTR player_info: keeps the record, shows its m_account ("%d") in
//     "your_score" and shows itself; then the control base.
//   butt_pressed "ok": reads the take edit (at most 9 bytes) as a decimal number, the amount
//     taken (0 when the text does not start with one), bounded by 0 and the player's
//     m_account (0 for an account below 0); sets the player's score in the score
//     tables "Hiscore" and then "History" to m_account minus the amount taken (cut to the int
//     range; a name in neither table changes nothing), leaves the player the amount taken as
//     m_account and sends `on_all_players_ready` to the root. Before any show_credit_window
//     there is no player: nothing is booked and nothing sent. "exit": hides the window,
//     nothing booked. 1 for these two; any other name goes to the control base.
// Messages to the window itself go with flags 0 and the window as sender, so they reach its
// children; the others go to the root.

#pragma once

#include "ui/ui_control.h"

class window_exit : public ui_control_c
{
public:
    window_exit(abstract_c *parent, const attribute_list_c *attributes) : ui_control_c(parent, attributes) {}
    int handle_message(const msg_c *message, abstract_c *sender) override;
};

struct player_info;

class window_credit : public ui_control_c
{
public:
    window_credit(abstract_c *parent, const attribute_list_c *attributes)
        : ui_control_c(parent, attributes), m_player(nullptr)
    {
    }
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void book();

    player_info *m_player;
};

// Shows or hides a window with its whole subtree.
void show_window(abstract_c *window, int on);
