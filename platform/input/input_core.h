// Inside the input area only: the backend table behind the DirectInput-shaped objects.
#pragma once

#include "platform/input/dinput.h"
#include "platform/input/dinput_fake.h"

struct input_backend_s
{
    const char *name;
    // Failure injection; S_OK lets the call go on.
    HRESULT (*check)(dinput_call_e call, int device);
    bool (*open)();
    void (*close)();
    bool (*read_keyboard)(BYTE keys[256]);
    bool (*read_mouse)(DIMOUSESTATE2 *state);
    bool (*lost)(int device); // the device's input was lost since it was acquired
};

extern const input_backend_s input_backend_sdl;
extern const input_backend_s input_backend_fake;
void input_core_select(const input_backend_s *backend);
int input_core_live_devices();
