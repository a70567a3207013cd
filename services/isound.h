// Sound handles (see services/ibasic.h for the common contract).
//
// isound_mgr_c finds the sound manager ("get_sound_mgr"). isound_c drives one sound: each
// operation is one message to the resource, none is asserted and every result but
// is_playing's is ignored, so a sound that does not answer a message stays quiet.
#pragma once

#include <memory>

#include "basics/vec3.h"
#include "services/ibasic.h"

class isound_c : public ibasic_c
{
public:
    void play();
    void stop();
    // Non-zero while the sound answers that it plays.
    int is_playing();
    // A still source passes the zero vector as velocity.
    void set_3d_params(const vec3 &position, const vec3 &velocity);
};

class isound_mgr_c : public ibasic_mgr_c
{
public:
    isound_mgr_c() : ibasic_mgr_c("get_sound_mgr") {}

    // A new handle holding the sound `name`.
    std::unique_ptr<isound_c> create_sound(const char *name);
    // Effects and music volumes, each 0..1; sound_set_volumes to the manager, result ignored.
    void set_volumes(float effects, float music);
};
