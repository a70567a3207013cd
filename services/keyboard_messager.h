// keyboard_messager_c (script class "keyboard_messager", no attributes): turns the input
// service's key state into typed characters. On every tick (time t = the tick's first argument)
// it walks the 256 scan codes in order and sends the root `char` (INT character, INT scan code,
// INT flags; flags 0, itself as sender) for every key that went down since the previous tick
// (flag bit 1), and again for a held key once t is past its repeat time: KEY_REPEAT_DELAY after
// the first press, then every KEY_REPEAT_INTERVAL, at most one a tick. Flag bits 2 left Alt,
// 4 either Ctrl, 8 either Shift (which also picks the shifted character of the key table).
#pragma once

#include <cstdint>

#include "kernel/abstract.h"

constexpr double KEY_REPEAT_DELAY = 0.25;
constexpr double KEY_REPEAT_INTERVAL = 0.04;

class keyboard_messager_c : public abstract_c
{
public:
    keyboard_messager_c(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void step(double t);

    uint8_t m_prev_keys[256] = {};
    double m_next_repeat[256] = {};
};
