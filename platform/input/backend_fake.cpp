#include "platform/input/input_core.h"

#include <cstring>
#include <vector>

namespace {

struct failure_s
{
    dinput_call_e call;
    int device;
    HRESULT hr;
    int times;
};

struct fake_s
{
    BYTE keys[256] = {};
    DIMOUSESTATE2 mouse = {};
    bool lost[2] = {false, false};
    std::vector<failure_s> failures;
};

fake_s &fake()
{
    static fake_s f;
    return f;
}

HRESULT fake_check(dinput_call_e call, int device)
{
    for (failure_s &f : fake().failures) {
        if (f.call == call && f.times > 0 && (call == dinput_call_e::create || f.device == device)) {
            --f.times;
            return f.hr;
        }
    }
    return S_OK;
}

bool fake_open()
{
    return true;
}

void fake_close() {}

bool fake_read_keyboard(BYTE keys[256])
{
    std::memcpy(keys, fake().keys, 256);
    return true;
}

bool fake_read_mouse(DIMOUSESTATE2 *state)
{
    DIMOUSESTATE2 &m = fake().mouse;
    *state = m;
    m.lX = m.lY = m.lZ = 0;
    return true;
}

bool fake_lost(int device)
{
    if (device < 0 || device > 1 || !fake().lost[device])
        return false;
    fake().lost[device] = false;
    return true;
}

} // namespace

const input_backend_s input_backend_fake = {
    "fake", fake_check, fake_open, fake_close, fake_read_keyboard, fake_read_mouse, fake_lost,
};

void dinput_fake_use()
{
    fake() = fake_s{};
    input_core_select(&input_backend_fake);
}

void dinput_fake_fail(dinput_call_e call, int device, HRESULT hr, int times)
{
    fake().failures.push_back(failure_s{call, device, hr, times});
}

void dinput_fake_key(int dik, bool down)
{
    if (dik >= 0 && dik < 256)
        fake().keys[dik] = down ? 0x80 : 0;
}

void dinput_fake_mouse(int dx, int dy, int wheel_units)
{
    fake().mouse.lX += dx;
    fake().mouse.lY += dy;
    fake().mouse.lZ += wheel_units;
}

void dinput_fake_button(int button, bool down)
{
    if (button >= 0 && button < 8)
        fake().mouse.rgbButtons[button] = down ? 0x80 : 0;
}

void dinput_fake_lose()
{
    fake().lost[0] = fake().lost[1] = true;
}

int dinput_fake_live_devices()
{
    return input_core_live_devices();
}
