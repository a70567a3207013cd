// The windows that sit inside screens and appear on request. Both are controls whose picture,
// buttons, texts and edit field are their children from the script; showing and hiding is the
// visual base's `show`, sent to the window itself with flags 0 so the whole subtree follows.
// Names of buttons and edits are compared byte for byte.
//
// window_exit (script class "window_exit"): the confirmation of leaving; every screen makes one
// from "scripts/window_exit.isc". Its script gives buttons "yes" and "no".
//   show_exit_window: shows itself; then the control base (whose answer it returns), so the
//     window of every live screen hears it.
//   butt_pressed "yes": `exit_message_confirmed` to the root (the window stays; the exit
//     dispatcher acts); "no": `exit_message_rejected` to the root, then hides itself. 1 for
//     these two; any other name goes to the control base.

#pragma once

#include "ui/ui_control.h"

class window_exit : public ui_control_c
{
public:
    window_exit(abstract_c *parent, const attribute_list_c *attributes) : ui_control_c(parent, attributes) {}
    int handle_message(const msg_c *message, abstract_c *sender) override;
};

// Shows or hides a window with its whole subtree.
void show_window(abstract_c *window, int on);
