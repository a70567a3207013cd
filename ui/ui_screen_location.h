// ui_location_c: the loading picture of a round, made by the UI container on
// set_screen_loading (final flag 0) and set_final_screen_loading (final flag 1), never by a
// script.
//
// Made: a full-screen picture "textures/rounds/<picture>" as its only child; `cursor_show` 0
// and `free_location` to the root. The first `render` marks it drawn (0: the picture draws as
// usual). The first `tick` after that (1) loads the round: `load_final_location` or
// `load_location` with the location name, `cursor_show` 1, shuts itself down, `load_screen`
// "screen_game", and last the packet "location loaded" (type 16, header only) through
// send_net_message. Before its first render a tick does nothing, so the picture is on the
// screen for at least one frame before the location loads; after its load it is dead and sees
// no second tick. A location name is kept to its first 127 bytes.
#pragma once

#include <cstdint>

#include "kernel/abstract.h"

constexpr int UI_LOCATION_NAME_SIZE = 128;

class ui_location_c : public abstract_c
{
public:
    ui_location_c(abstract_c *parent, const char *picture, const char *location, int final_flag);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    bool final_location() const { return m_final != 0; }
    bool drawn() const { return m_drawn != 0; }
    const char *location_name() const { return m_location; }

private:
    void load();

    uint8_t m_final;
    uint8_t m_drawn;
    char m_location[UI_LOCATION_NAME_SIZE];
};
