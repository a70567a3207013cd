#include "services/location_sound.h"

#include "basics/vec3.h"

location_sound_c::location_sound_c(abstract_c *parent, const char *sound_name) : abstract_c(parent)
{
    m_sound = isound_mgr_c().create_sound(sound_name);
    m_sound->play();
}

location_sound_c::location_sound_c(abstract_c *parent, isound_mgr_c &manager, const char *sound_name,
                                   const vec3 &position)
    : abstract_c(parent)
{
    m_sound = manager.create_sound(sound_name);
    m_sound->set_3d_params(position, vec3(0.0f, 0.0f, 0.0f));
    m_sound->play();
}

void location_sound_c::on_shutdown()
{
    if (m_sound) {
        m_sound->stop();
        m_sound->release();
        m_sound.reset();
    }
}

int location_sound_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        if (!m_sound->is_playing())
            shutdown_tree();
    } else if (*message == MSG_VAR(loctn_snd_pos)) {
        m_sound->set_3d_params(msg_arg(0)->get_vec3(), vec3(0.0f, 0.0f, 0.0f));
    } else if (*message == MSG_VAR(loctn_snd_stopall)) {
        shutdown_tree();
    }
    return 0;
}

click_sound_c::click_sound_c(abstract_c *parent) : location_sound_c(parent, "sounds/click2")
{
}

void click_sound_c::on_shutdown()
{
    root()->message(MSG_VAR(press_player_dead), 0, this, MSG_ARGS_END);
    location_sound_c::on_shutdown();
}

int player_dead_listener_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(press_player_dead)) {
        shutdown_tree();
        return 1;
    }
    return 0;
}
