// An input service whose keys and mouse the test sets directly (no device behind it).
#pragma once

#include "services/key_names.h"
#include "services/srvc_input.h"

class held_keys_c : public input_service_c
{
public:
    explicit held_keys_c(abstract_c *parent) : input_service_c(parent, nullptr) {}
    void init() override {}
    void poll() override {}

    void hold(const char *key_name, bool down) { m_keys[key_code_by_name(key_name)] = down ? 0x80 : 0; }
    void mouse(int dx, int dy) { m_mouse_dx += dx, m_mouse_dy += dy; }
    void button(int i, bool down) { m_buttons[i] = down; }
};
