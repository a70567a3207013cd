#include "platform/input/input_core.h"
#include "platform/window/winuser.h"

#include <cstring>

const GUID IID_IDirectInput8A = {0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const DIDATAFORMAT c_dfDIMouse2 = {sizeof(DIDATAFORMAT), sizeof(DIMOUSESTATE2)};
const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 256};

namespace {

constexpr HRESULT DIERR_OLDDIRECTINPUTVERSION = (HRESULT)0x8007047Eu;

const input_backend_s *backend = &input_backend_sdl;
int live_devices = 0;

class device_c : public IDirectInputDevice8
{
public:
    explicit device_c(int kind) : m_kind(kind) { ++live_devices; }
    ~device_c() override { --live_devices; }

    HRESULT SetDataFormat(const DIDATAFORMAT *format) override
    {
        if (HRESULT hr = backend->check(dinput_call_e::set_data_format, m_kind); FAILED(hr))
            return hr;
        if (m_acquired)
            return DIERR_ACQUIRED;
        const DIDATAFORMAT &wanted = m_kind == 0 ? c_dfDIMouse2 : c_dfDIKeyboard;
        if (!format || format->dwDataSize != wanted.dwDataSize)
            return DIERR_INVALIDPARAM;
        m_format = format;
        return DI_OK;
    }

    HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) override
    {
        if (HRESULT hr = backend->check(dinput_call_e::set_cooperative_level, m_kind); FAILED(hr))
            return hr;
        bool one_sharing = !(flags & DISCL_EXCLUSIVE) != !(flags & DISCL_NONEXCLUSIVE);
        bool one_focus = !(flags & DISCL_FOREGROUND) != !(flags & DISCL_BACKGROUND);
        if (!one_sharing || !one_focus || ((flags & DISCL_FOREGROUND) && !IsWindow(hwnd)))
            return DIERR_INVALIDPARAM;
        m_hwnd = hwnd;
        m_flags = flags;
        return DI_OK;
    }

    HRESULT Acquire() override
    {
        if (HRESULT hr = backend->check(dinput_call_e::acquire, m_kind); FAILED(hr))
            return hr;
        if (!m_format)
            return DIERR_INVALIDPARAM;
        if ((m_flags & DISCL_FOREGROUND) && !IsWindow(m_hwnd))
            return DIERR_OTHERAPPHASPRIO;
        if (m_acquired)
            return DI_NOEFFECT;
        m_acquired = true;
        return DI_OK;
    }

    HRESULT Unacquire() override
    {
        if (!m_acquired)
            return DI_NOEFFECT;
        m_acquired = false;
        return DI_OK;
    }

    HRESULT GetDeviceState(DWORD size, void *data) override
    {
        if (HRESULT hr = backend->check(dinput_call_e::get_device_state, m_kind); FAILED(hr))
            return hr;
        if (!m_acquired)
            return DIERR_NOTACQUIRED;
        if (backend->lost(m_kind)) {
            m_acquired = false;
            return DIERR_INPUTLOST;
        }
        if (!data || !m_format || size != m_format->dwDataSize)
            return DIERR_INVALIDPARAM;
        bool ok = m_kind == 0 ? backend->read_mouse(static_cast<DIMOUSESTATE2 *>(data))
                              : backend->read_keyboard(static_cast<BYTE *>(data));
        return ok ? DI_OK : DIERR_INPUTLOST;
    }

    ULONG Release() override
    {
        delete this;
        return 0;
    }

private:
    int m_kind; // 0 mouse, 1 keyboard
    const DIDATAFORMAT *m_format = nullptr;
    HWND m_hwnd = nullptr;
    DWORD m_flags = 0;
    bool m_acquired = false;
};

class input_c : public IDirectInput8
{
public:
    HRESULT CreateDevice(REFGUID device, IDirectInputDevice8 **out, void *) override
    {
        int kind = device == GUID_SysMouse ? 0 : device == GUID_SysKeyboard ? 1 : -1;
        if (HRESULT hr = backend->check(dinput_call_e::create_device, kind); FAILED(hr))
            return hr;
        if (!out)
            return DIERR_INVALIDPARAM;
        *out = nullptr;
        if (kind < 0)
            return DIERR_DEVICENOTREG;
        *out = new device_c(kind);
        return DI_OK;
    }

    ULONG Release() override
    {
        backend->close();
        delete this;
        return 0;
    }
};

} // namespace

void input_core_select(const input_backend_s *chosen)
{
    backend = chosen;
}

int input_core_live_devices()
{
    return live_devices;
}

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID iid, void **out, void *)
{
    if (HRESULT hr = backend->check(dinput_call_e::create, -1); FAILED(hr))
        return hr;
    if (!out)
        return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (version != DIRECTINPUT_VERSION)
        return DIERR_OLDDIRECTINPUTVERSION;
    if (!(iid == IID_IDirectInput8A))
        return DIERR_NOINTERFACE;
    if (!backend->open())
        return DIERR_NOTINITIALIZED;
    *out = static_cast<IDirectInput8 *>(new input_c);
    return DI_OK;
}
