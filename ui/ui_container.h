// ui_container (script class "ui_container"): the object under which every screen lives. It is
// a plain object, not a visual, so the screens below it place themselves in absolute screen
// coordinates. No attributes. Messages:
//   render: orders its children by priority before they draw (0), so that a layer with a
//     lower priority (the hint layer, -1) draws after the screens and over them, while the
//     screens and loading pictures (priority 0) keep the tree's order, oldest first.
//   load_screen STRING name: sends kill_screen (no arguments, flags 0x10: never to itself) so
//     that the live screen below shuts down, then, unless the name is empty, runs
//     "scripts/<name>.isc" with itself as parent (1). A failing script throws the script
//     engine's exception after the old screen is already dead.
//   set_screen_loading / set_final_screen_loading STRING picture, STRING location: the same
//     kill_screen, then the loading picture (ui_location_c, ui/ui_screen_location.h; final
//     flag 0 / 1) as its child (1).
//   destroy_ui: shuts itself and everything below down (0); later messages reach nothing.
//   get_display PTR vec2*: writes the UI's screen space, 1024 x 768 (1).
// Every other message gives 0.
#pragma once

#include "kernel/abstract.h"

class ui_container_c : public abstract_c
{
public:
    ui_container_c(abstract_c *parent, const attribute_list_c *attributes) : abstract_c(parent, attributes) {}
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void kill_screen();
    void create_loading_picture(const char *picture, const char *location, int final_flag);
};
