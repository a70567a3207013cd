// Positioned sounds and keyboard actions.
//
// sound_3d_c ("sound_3d"): a locator from which sounds are started. Each activation with a
// non-zero parameter starts `sound_name` (read then) once more as a location sound
// (services/location_sound.h), a child of the entity, placed at the entity's position; the
// running copies overlap. Activation with 0 stops them all (loctn_snd_stopall to itself),
// and moving the entity moves them (loctn_snd_pos to itself after the placement changed).
// Each copy goes by itself at the first tick after its sound ended.
//
// keyboard_action_c ("keyboard_action"): on test_key_pressed (INT scan code), looks `key_name`
// up in the key-name table ("Invalid key name" when it is not there, whatever key was
// pressed); when the code matches, activates `target_id` with `parameter`. All three are
// required and read at every key report. The answer is 0, so every keyboard action sees every
// key.
#pragma once

#include "scenes/locator.h"
#include "services/isound.h"

class sound_3d_c : public locator_c
{
public:
    sound_3d_c(abstract_c *parent, const attribute_list_c *attributes);
    void on_activate(abstract_c *sender, int parameter) override;
    void set_placement(const placement &p) override;

private:
    isound_mgr_c m_sound_mgr;
};

class keyboard_action_c : public location_entity_c
{
public:
    using location_entity_c::location_entity_c;
    int handle_message(const msg_c *message, abstract_c *sender) override;
};
