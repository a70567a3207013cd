// The way into the game: the UI starter and the main menu screen.
//
// ui_starter (script class "ui_starter"): placed in the tree by the start-up script; on every
// `app_startup` it runs "scripts/splash.isc" with itself as parent (the splash sequence, which
// ends in the main menu). It answers 0 to everything, so the start message goes on; a missing
// or faulty splash script throws the script engine's error out of the start message.
//
// screen_main (script class "screen_main", a screen_base_c): the main menu. On
// `creation_finished` it starts its location: `load_location` "menu_space",
// `add_to_sequence` ("start_relay", 1), `activate_sequence`, then the screen base (which makes
// the exit window). `butt_pressed` from its buttons (1 for each of these names):
//   "server"  -> load_screen "screen_server"     "connect" -> load_screen "screen_client"
//   "game"    -> load_screen "screen_command"    "options" -> load_screen "screen_options"
//   "hiscore" -> load_screen "screen_hiscore", then `hiscore_from_main` (to the new screen)
//   "exit"    -> `request_exit` (the exit dispatcher asks for confirmation)
// Any other name, and every other message, goes to the screen base. Everything goes to the
// root with flags 0 and the screen as sender.
#pragma once

#include "kernel/abstract.h"
#include "ui/ui_screen_base.h"

class ui_starter : public abstract_c
{
public:
    ui_starter(abstract_c *parent, const attribute_list_c *) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *sender) override;
};

class screen_main : public screen_base_c
{
public:
    using screen_base_c::screen_base_c;
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void start_location();
};
