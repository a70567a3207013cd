#include "services/keyboard_messager.h"

#include "services/key_names.h"
#include "services/srvc_input.h"

keyboard_messager_c::keyboard_messager_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes)
{
}

int keyboard_messager_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick))
        step((float)msg_arg(0));
    return 0;
}

void keyboard_messager_c::step(double t)
{
    const uint8_t *keys = get_input_service(this)->m_keys;
    int modifiers = 0;
    if (keys[0x38])
        modifiers |= 2;
    if (keys[0x1D] || keys[0x9D])
        modifiers |= 4;
    if (keys[0x2A] || keys[0x36])
        modifiers |= 8;
    for (int i = 0; i < 256; ++i) {
        bool first = !m_prev_keys[i];
        if (keys[i] && (first || t > m_next_repeat[i])) {
            int ch = key_char(i, modifiers & 8);
            root()->message(MSG_VAR(char), 0, this, MSG_ARG(ch), MSG_ARG(i), MSG_ARG(modifiers | (first ? 1 : 0)),
                            MSG_ARGS_END);
            m_next_repeat[i] = t + (first ? KEY_REPEAT_DELAY : KEY_REPEAT_INTERVAL);
        }
        m_prev_keys[i] = keys[i];
    }
}
