// Sounds that play once where code needs them heard, then remove themselves.
// - location_sound_c (parent, sound name): loads a new instance of the sound through the sound
//   manager and plays it at once. At the first tick at which the sound no longer plays, or on
//   loctn_snd_stopall, it shuts itself down (stopping and giving back its sound); loctn_snd_pos
//   (VEC3) places a 3D sound, with no velocity. None of these messages is reported handled, so
//   every location sound in the tree receives them. A looped sound lives until
//   loctn_snd_stopall or its parent's death. Given a manager and a position, the sound is
//   placed there, still, before it starts.
// - click_sound_c (parent): a location sound of "sounds/click2" that, when it is shut down for
//   any reason, sends press_player_dead to the root.
// - player_dead_listener_c (parent): a marker that shuts itself down on press_player_dead and
//   answers it, so that one broadcast removes exactly one listener, the first in tree order.
// None of them is a script class.
#pragma once

#include "kernel/abstract.h"
#include "basics/vec3.h"
#include "services/isound.h"

#include <memory>

class location_sound_c : public abstract_c
{
public:
    location_sound_c(abstract_c *parent, const char *sound_name);
    location_sound_c(abstract_c *parent, isound_mgr_c &manager, const char *sound_name, const vec3 &position);

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

protected:
    std::unique_ptr<isound_c> m_sound;
};

class click_sound_c : public location_sound_c
{
public:
    explicit click_sound_c(abstract_c *parent);

    void on_shutdown() override;
};

class player_dead_listener_c : public abstract_c
{
public:
    explicit player_dead_listener_c(abstract_c *parent) : abstract_c(parent) {}

    int handle_message(const msg_c *message, abstract_c *sender) override;
};
