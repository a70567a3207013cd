// test_keyb_c ("test_keyb", no attributes): reports each key press once. On every tick it walks
// the 256 scan codes of the input service (found when it is made): a key that is up clears its
// latch; a key that is down with its latch clear sends test_key_pressed (INT scan code) to the
// root (flags 0, itself as sender) and sets the latch, so a held key is reported once.
#pragma once

#include <cstdint>

#include "kernel/abstract.h"

class input_service_c;

class test_keyb_c : public abstract_c
{
public:
    test_keyb_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void scan();

    input_service_c *m_input;
    uint8_t m_latch[256] = {};
};
