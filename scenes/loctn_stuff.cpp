#include "scenes/loctn_stuff.h"

#include "kernel/exception.h"
#include "services/key_names.h"
#include "services/location_sound.h"

sound_3d_c::sound_3d_c(abstract_c *parent, const attribute_list_c *attributes) : locator_c(parent, attributes)
{
}

void sound_3d_c::on_activate(abstract_c *, int parameter)
{
    if (parameter)
        new location_sound_c(this, m_sound_mgr, attribute("sound_name")->get_const_pchar(), m_placement.position);
    else
        message(MSG_VAR(loctn_snd_stopall), 0, this, MSG_ARGS_END);
}

void sound_3d_c::set_placement(const placement &p)
{
    locator_c::set_placement(p);
    message(MSG_VAR(loctn_snd_pos), 0, this, MSG_ARG(m_placement.position), MSG_ARGS_END);
}

int keyboard_action_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (location_entity_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(test_key_pressed)) {
        const int code = key_code_by_name(attribute("key_name")->get_const_pchar());
        if (code < 0)
            ENGINE_THROW(exception_c, "Invalid key name");
        if (code == msg_arg(0)->get_int()) {
            const int parameter = attribute("parameter")->get_int();
            activate_entity(attribute("target_id")->get_const_pchar(), parameter);
        }
    }
    return 0;
}
