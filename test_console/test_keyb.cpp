#include "test_console/test_keyb.h"

#include "kernel/exception.h"
#include "services/srvc_input.h"

test_keyb_c::test_keyb_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_input(get_input_service(this))
{
}

int test_keyb_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick))
        scan();
    return 0;
}

void test_keyb_c::scan()
{
    for (int code = 0; code < 256; ++code) {
        if (!m_input->m_keys[code]) {
            m_latch[code] = 0;
        } else if (!m_latch[code]) {
            m_latch[code] = 1;
            root()->message(MSG_VAR(test_key_pressed), 0, this, MSG_ARG(code), MSG_ARGS_END);
        }
    }
}
