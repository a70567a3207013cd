#include "services/isound.h"

static_assert(sizeof(isound_c) == sizeof(void *), "a sound handle is one pointer wide");

void isound_c::play() { m_resource->message(MSG_VAR(sound_play), 0, NULL, MSG_ARGS_END); }

void isound_c::stop() { m_resource->message(MSG_VAR(sound_stop), 0, NULL, MSG_ARGS_END); }

int isound_c::is_playing() { return m_resource->message(MSG_VAR(sound_is_playing), 0, NULL, MSG_ARGS_END); }

void isound_c::set_3d_params(const vec3 &position, const vec3 &velocity)
{
    m_resource->message(MSG_VAR(sound_3d_params), 0, NULL, MSG_ARG(position), MSG_ARG(velocity), MSG_ARGS_END);
}

std::unique_ptr<isound_c> isound_mgr_c::create_sound(const char *name)
{
    auto sound = std::make_unique<isound_c>();
    sound->load(name, m_manager, 0);
    return sound;
}

void isound_mgr_c::set_volumes(float effects, float music)
{
    m_manager->message(MSG_VAR(sound_set_volumes), 0, NULL, MSG_ARG(effects), MSG_ARG(music), MSG_ARGS_END);
}
