// The user's options and the options screen.
//
// game_options: six int32, stored whole (24 bytes, little-endian) as the REG_BINARY value
// "Options" of HKEY_CURRENT_USER\Software\Varnholt\Telvoran. Percentages are kept as given.
//
// options_loader (script class "options_loader", made once by the start-up script): holds the
// record for the whole run. At creation: the defaults (1, 80, 1, 100, 1, 1), replaced by the
// stored value when it reads back as exactly 24 bytes; then the volumes go to the sound
// manager (found with get_sound_mgr; there must be one): `sound_set_volumes` with effects =
// sndef_pt / 100 (0 while effects are off) and music = bckgnd_pt / 100 (0 while music is
// off). At shutdown it writes the record, changed or not; registry failures are not
// reported. Messages (each answered 1; others 0):
//   get_game_options PTR          copies the 24 bytes there
//   set_bckgnd_on, set_bckgnd_pt, set_sndef_on, set_sndef_pt INT   store, then the volumes
//   set_hint_on, set_cam_move_on INT                                store only
//   is_hint_on, is_cam_move_on PTR to a byte                        1 when on, else 0
//
// screen_options (script class "screen_options", a screen_base_c): scales
// "bckgnd_music_scale" and "snd_effects_scale", check boxes "check_box_1" (music),
// "check_box_2" (effects), "check_box_3" (hints), "check_box_4" (camera), buttons "back" and
// "default"; attributes default_bckgnd_pt and default_sndef_pt (INT, required when "default"
// is pressed). On `creation_finished` it shows the holder's record in its controls; changes of
// the controls go to the holder at once; "default" sets both volumes to the attributes and
// every check box and switch to 1; "back" loads "screen_main". Requests go to the root with
// flags 0 and the screen as sender.
#pragma once

#include "kernel/abstract.h"
#include "ui/ui_screen_base.h"

#include <cstddef>
#include <cstdint>

struct game_options
{
    int32_t bckgnd_on;
    int32_t bckgnd_pt;
    int32_t sndef_on;
    int32_t sndef_pt;
    int32_t hint_on;
    int32_t cam_move_on;
};
static_assert(sizeof(game_options) == 24 && offsetof(game_options, sndef_on) == 8 &&
                  offsetof(game_options, cam_move_on) == 20,
              "game_options is laid out as stored");

class options_loader : public abstract_c
{
public:
    options_loader(abstract_c *parent, const attribute_list_c *attributes);
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    const game_options &options() const { return m_options; }

private:
    void apply_volumes();
    void save_options();

    game_options m_options;
};

class screen_options : public screen_base_c
{
public:
    using screen_base_c::screen_base_c;
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void show_options();
    void reset();
    void request(const msg_c &message, int value);
    void show(const msg_c &message, const char *control, int value);
};
