// exit_dispatcher (script class "exit_dispatcher", a control with the usual attributes): the
// one place that asks before the program quits or a running game is left. Closing the main
// window (WM_CLOSE as `mainwnd_win32_msg`; the dispatcher registers itself with the main
// window at construction), `request_exit` (the main menu) and `request_back` (the game screen)
// send `show_exit_window` (PTR to a byte the window sets) to the root, which the exit window of
// the live screen shows; its answer comes back as `exit_message_confirmed` or
// `exit_message_rejected`. A WM_CLOSE that no exit window takes (none lives: during the start's
// video and picture, while the credits play) is left to the window, which then closes and ends
// the program in order.
//   - A confirmed exit sends `destroy_ui` and `free_location` to the root and runs
//     "scripts/credits.isc" under the dispatcher; from then on every `tick` asks the
//     dispatcher's subtree `credits_running`, and on the first tick nobody answers, or at the
//     first typed character (`char`), the root's `stop_main_loop` becomes 1. An exit wins
//     over a pending back request, which stays noted.
//   - A confirmed back (without a pending exit) sends `on_game_stopped` (INT 1, INT 0).
//   - A rejection forgets both requests, then goes to the control base.
// The two requests, and WM_CLOSE when a window asks, are claimed (1), other window messages
// are not. A typed
// character is claimed only when it ends the program, so that controls after the dispatcher
// still get the keys. A second confirmation while the credits play starts nothing. `tick` is
// not passed to the control base; everything else not named here is.
// The sends go with flags 0 and the dispatcher as sender and need the root ("m_root");
// stopping the loop asserts that the root is alive.
#pragma once

#include <cstdint>

#include "ui/ui_control.h"

class exit_dispatcher : public ui_control_c
{
public:
    exit_dispatcher(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    void on_char(int character, int key, int key_flags) override;

    int closing() const { return m_closing; }
    int exit_mode() const { return m_exit_mode; }
    int back_mode() const { return m_back_mode; }

private:
    // Whether an exit window took the question.
    bool ask();
    void confirmed();
    void stop_main_loop();

    uint8_t m_closing;
    uint8_t m_exit_mode;
    uint8_t m_back_mode;
};
