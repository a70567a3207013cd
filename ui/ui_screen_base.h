// The base of every game screen, the plain screen, and the full-screen picture they share.
//
// screen_base_c: the top-level object a screen script creates under the UI container, with the
// screen's controls as its children. Every screen:
//   - shows the optional string attribute `background` as a full-screen multistate_image child
//     (texture "textures/<background>", texels (0, 0)-(1024, 768), one state, z 1.0); without
//     the attribute there is no picture and no error;
//   - sends `change_cursor` ("standard", 0) to the root when it is made;
//   - on `creation_finished` runs "scripts/window_exit.isc" with itself as parent, so the exit
//     window lives in every screen (0, so the message goes on);
//   - on `set_hint` / `set_additional_hint` (text), while the root's `is_hint_on` (PTR to a
//     byte, false unless someone sets it) says hints are on, sends itself `set_text` with
//     "hint_line" / "additional_hint_ms" and the text, which the static text of that name
//     below takes (0);
//   - on `kill_screen` shuts itself down with everything below it and claims the message (1),
//     so one kill_screen removes exactly one live screen.
// Derived screens hand every message they do not take to screen_base_c::handle_message and
// return its result.
//
// screen_clean (script class "screen_clean"): a screen with nothing but these behaviours.
#pragma once

#include "kernel/abstract.h"

class multistate_image;

// A PCHAR argument for a text the receiver only reads.
inline value_c pchar_value(const char *text)
{
    return value_c(const_cast<char *>(text));
}

// A multistate_image covering the whole 1024 x 768 UI space under parent, showing texels
// (0, 0)-(1024, 768) of "textures/<tex_name>".
multistate_image *create_full_screen_picture(abstract_c *parent, const char *tex_name);

class screen_base_c : public abstract_c
{
public:
    screen_base_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

protected:
    // Asks the root each time: the options may change between two hints.
    bool hints_on();
};

class screen_clean : public screen_base_c
{
public:
    using screen_base_c::screen_base_c;
};
