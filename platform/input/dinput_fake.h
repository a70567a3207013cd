// The fake input backend, for tests: the test sets what the keyboard and mouse report and makes
// chosen calls fail. dinput_fake_use() selects it and clears everything.
#pragma once

#include "platform/sys/wintypes.h"

enum class dinput_call_e
{
    create,                // DirectInput8Create
    create_device,
    set_data_format,
    set_cooperative_level,
    acquire,
    get_device_state,
};

void dinput_fake_use();
// The next `times` calls of that kind on that device (0 mouse, 1 keyboard; ignored for create)
// fail with hr.
void dinput_fake_fail(dinput_call_e call, int device, HRESULT hr, int times = 1);
// Key state by DIK code, 0x80 down; out-of-range codes are ignored.
void dinput_fake_key(int dik, bool down);
// Movement, wheel (device units) and buttons accumulate until the next mouse read.
void dinput_fake_mouse(int dx, int dy, int wheel_units);
void dinput_fake_button(int button, bool down);
// Both devices lose their input: reads fail with DIERR_INPUTLOST until re-acquired.
void dinput_fake_lose();
// Devices of the input object that are alive (created, not released).
int dinput_fake_live_devices();
