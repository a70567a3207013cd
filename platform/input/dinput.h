// The DirectInput-shaped system keyboard and mouse: one input object makes devices; a device
// gets a data format and a cooperative level, is acquired, and is read whole with
// GetDeviceState. The keyboard's state is 256 bytes indexed by DIK_* code, 0x80 for a key that
// is down; the mouse's is DIMOUSESTATE2: movement and wheel (120 a notch) since the previous
// read, and button bytes with bit 7 set while down (three buttons are reported). In a window
// the SDL backend's movement follows the system pointer: the movements read since the mouse
// opened add up to the system pointer's place in the window's client area (from (0, 0), kept
// inside it), and nothing moves while the pointer is outside; full screen reports the plain
// motion.
// Reading an unacquired device fails with DIERR_NOTACQUIRED; a device whose input was lost
// (the test backend can say so) fails with DIERR_INPUTLOST until it is acquired again.
// Backends: "sdl" (the default, reads the state SDL keeps for our windows) and "fake" (see
// dinput_fake.h). Objects are released with Release(), which deletes them.
#pragma once

#include "platform/sys/wintypes.h"

constexpr DWORD DIRECTINPUT_VERSION = 0x0800;

extern const GUID IID_IDirectInput8A;
extern const GUID GUID_SysMouse;
extern const GUID GUID_SysKeyboard;

struct DIDATAFORMAT
{
    DWORD dwSize;
    DWORD dwDataSize; // bytes of the state GetDeviceState fills
};
extern const DIDATAFORMAT c_dfDIMouse2;
extern const DIDATAFORMAT c_dfDIKeyboard;

struct DIMOUSESTATE2
{
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[8];
};
static_assert(sizeof(DIMOUSESTATE2) == 20, "the eight-button mouse state is 20 bytes");

constexpr DWORD DISCL_EXCLUSIVE = 0x1;
constexpr DWORD DISCL_NONEXCLUSIVE = 0x2;
constexpr DWORD DISCL_FOREGROUND = 0x4;
constexpr DWORD DISCL_BACKGROUND = 0x8;

constexpr HRESULT DI_OK = S_OK;
constexpr HRESULT DI_NOEFFECT = S_FALSE;
constexpr HRESULT DIERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DIERR_NOINTERFACE = E_NOINTERFACE;
constexpr HRESULT DIERR_OTHERAPPHASPRIO = (HRESULT)0x80070005u;
constexpr HRESULT DIERR_NOTACQUIRED = (HRESULT)0x8007000Cu;
constexpr HRESULT DIERR_NOTINITIALIZED = (HRESULT)0x80070015u;
constexpr HRESULT DIERR_INPUTLOST = (HRESULT)0x8007001Eu;
constexpr HRESULT DIERR_ACQUIRED = (HRESULT)0x800700AAu;
constexpr HRESULT DIERR_DEVICENOTREG = (HRESULT)0x80040154u;

class IDirectInputDevice8
{
public:
    virtual HRESULT SetDataFormat(const DIDATAFORMAT *format) = 0;
    virtual HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) = 0;
    virtual HRESULT Acquire() = 0;
    virtual HRESULT Unacquire() = 0;
    virtual HRESULT GetDeviceState(DWORD size, void *data) = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IDirectInputDevice8() = default;
};

class IDirectInput8
{
public:
    virtual HRESULT CreateDevice(REFGUID device, IDirectInputDevice8 **out, void *outer) = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IDirectInput8() = default;
};

HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, void **out, void *outer);
