#include "services/srvc_input.h"

#include "basics/console_log.h"
#include "basics/helpers.h"
#include "kernel/exception.h"
#include "platform/input/dinput.h"

#include <cstring>
#include <string>

namespace {

// The window-message service's last mouse position, for the whole program.
bool mouse_seen = false;
int mouse_last_x = 0;
int mouse_last_y = 0;

} // namespace

input_service_c::input_service_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes)
{
    clear_state();
    m_initialized = 0;
}

void input_service_c::clear_state()
{
    std::memset(m_keys, 0, sizeof m_keys);
    m_mouse_dx = m_mouse_dy = 0;
    m_wheel = 0.0f;
    m_buttons[0] = m_buttons[1] = m_buttons[2] = 0;
}

void input_service_c::on_shutdown()
{
    clear_state();
}

int input_service_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        poll();
        return 0;
    }
    if (*message == MSG_VAR(app_startup)) {
        init();
        return 0;
    }
    if (*message == MSG_VAR(get_input)) {
        *static_cast<input_service_c **>(msg_arg(0)->get_ptr()) = this;
        return 1;
    }
    return 0;
}

void input_service_c::get_mouse_state(int &dx, int &dy, float &wheel) const
{
    dx = m_mouse_dx;
    dy = m_mouse_dy;
    wheel = m_wheel;
}

int input_service_c::get_mouse_buttons(int out[3]) const
{
    int down = 0;
    for (int i = 0; i < 3; ++i) {
        out[i] = m_buttons[i];
        if (m_buttons[i])
            ++down;
    }
    return down;
}

void input_service_c::reset_mouse_state()
{
    m_mouse_dx = m_mouse_dy = 0;
    m_wheel = 0.0f;
}

bool input_service_c::key_down(int scan_code) const
{
    return scan_code >= 0 && scan_code < 256 && m_keys[scan_code] != 0;
}

input_service_c *get_input_service(abstract_c *for_who)
{
    input_service_c *ptr = nullptr;
    ENGINE_ASSERT(for_who->root()->message(MSG_VAR(get_input), 0, for_who, MSG_ARG((void *)&ptr), MSG_ARGS_END));
    ENGINE_ASSERT(ptr);
    return ptr;
}

// ---- DirectInput ----

dinput_c::dinput_c(abstract_c *parent, const attribute_list_c *attributes) : input_service_c(parent, attributes) {}

dinput_c::~dinput_c() noexcept(false)
{
    release();
}

void dinput_c::on_shutdown()
{
    input_service_c::on_shutdown();
    release();
}

void dinput_c::release()
{
    for (IDirectInputDevice8 **device : {&m_pMouse, &m_pKeyboard}) {
        if (*device) {
            (*device)->Unacquire();
            (*device)->Release();
            *device = nullptr;
        }
    }
    if (m_pDI) {
        m_pDI->Release();
        m_pDI = nullptr;
    }
    m_initialized = 0;
}

void dinput_c::open_device(IDirectInputDevice8 *&device, int keyboard, HWND hWnd)
{
    const char *name = keyboard ? "(SysKeyboard) failed" : "(SysMouse) failed";
    auto fail = [name](const char *step, HRESULT hr) {
        ENGINE_THROW(dinput_exception_c, std::string(step) + name + dx_error_name(hr));
    };
    HRESULT hr = m_pDI->CreateDevice(keyboard ? GUID_SysKeyboard : GUID_SysMouse, &device, nullptr);
    if (FAILED(hr))
        fail("CreateDevice", hr);
    hr = device->SetDataFormat(keyboard ? &c_dfDIKeyboard : &c_dfDIMouse2);
    if (FAILED(hr))
        fail("SetDataFormat", hr);
    hr = device->SetCooperativeLevel(hWnd, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    if (FAILED(hr))
        fail("SetCooperativeLevel", hr);
    hr = device->Acquire();
    if (FAILED(hr))
        fail("Acquire", hr);
}

void dinput_c::init()
{
    if (m_initialized)
        ENGINE_THROW(dinput_exception_c, "Already initialized");
    print_message("Initializing DirectInput...\n");
    HWND hWnd = nullptr;
    HINSTANCE hInst = nullptr;
    ENGINE_ASSERT(root()->message(msg_c("mainwnd_get_handles"), 0, this, MSG_ARG((void *)&hWnd), MSG_ARG((void *)&hInst), MSG_ARGS_END));
    try {
        HRESULT hr = DirectInput8Create(hInst, DIRECTINPUT_VERSION, IID_IDirectInput8A, (void **)&m_pDI, nullptr);
        if (FAILED(hr))
            ENGINE_THROW(dinput_exception_c, std::string("Could not Initialize DirectInput: ") + dx_error_name(hr));
        open_device(m_pMouse, 0, hWnd);
        open_device(m_pKeyboard, 1, hWnd);
    } catch (...) {
        release();
        throw;
    }
    print_message("DirectInput succesfully initialized.\n");
    m_initialized = 1;
}

void dinput_c::poll()
{
    if (!m_initialized)
        return;
    ENGINE_ASSERT(m_pMouse);
    ENGINE_ASSERT(m_pKeyboard);

    DIMOUSESTATE2 mouse;
    HRESULT hr = m_pMouse->GetDeviceState(sizeof mouse, &mouse);
    if (FAILED(hr) && SUCCEEDED(m_pMouse->Acquire()))
        hr = m_pMouse->GetDeviceState(sizeof mouse, &mouse);
    if (SUCCEEDED(hr)) {
        m_mouse_dx += mouse.lX;
        m_mouse_dy += mouse.lY;
        m_wheel += (float)mouse.lZ / 120.0f;
        for (int i = 0; i < 3; ++i)
            m_buttons[i] = (mouse.rgbButtons[i] & 0x80) ? 1 : 0;
    }

    std::memset(m_keys, 0, sizeof m_keys);
    hr = m_pKeyboard->GetDeviceState(sizeof m_keys, m_keys);
    if (FAILED(hr) && SUCCEEDED(m_pKeyboard->Acquire())) {
        std::memset(m_keys, 0, sizeof m_keys);
        hr = m_pKeyboard->GetDeviceState(sizeof m_keys, m_keys);
    }
    if (FAILED(hr))
        std::memset(m_keys, 0, sizeof m_keys);
}

// ---- window messages ----

win32input_c::win32input_c(abstract_c *parent, const attribute_list_c *attributes)
    : input_service_c(parent, attributes)
{
}

// The main window holds its handlers by weak pointers, so a deleted service leaves its slot
// by itself; the root is not asked while the tree is being deleted.
win32input_c::~win32input_c() noexcept(false) = default;

void win32input_c::forget_mouse_position()
{
    mouse_seen = false;
    mouse_last_x = mouse_last_y = 0;
}

void win32input_c::unregister()
{
    if (m_registered) {
        m_registered = false;
        root()->message(MSG_VAR(mainwnd_del_win32_handler), 0, this, MSG_ARG((void *)this), MSG_ARGS_END);
    }
    m_hWnd = nullptr;
    clear_state();
}

void win32input_c::on_shutdown()
{
    input_service_c::on_shutdown();
    unregister();
}

void win32input_c::init()
{
    print_message("Initializing Win32 Input...\n");
    ENGINE_ASSERT(root()->message(msg_c("mainwnd_get_handles"), 0, this, MSG_ARG((void *)&m_hWnd), MSG_ARG((void *)NULL), MSG_ARGS_END));
    ENGINE_ASSERT(root()->message(MSG_MK(mainwnd_add_win32_handler), 0, this, MSG_ARG((void *)this), MSG_ARGS_END));
    m_registered = true;
    print_message("Win32 Input succesfully initialized.\n");
    m_initialized = 1;
}

int win32input_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (input_service_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(mainwnd_win32_msg))
        window_message((UINT)(int)msg_arg(0), (WPARAM)(unsigned)(int)msg_arg(1), (LPARAM)(unsigned)(int)msg_arg(2));
    return 0;
}

void win32input_c::buttons_from(WPARAM wparam)
{
    m_buttons[0] = (wparam & MK_LBUTTON) ? 1 : 0;
    m_buttons[1] = (wparam & MK_RBUTTON) ? 1 : 0;
    m_buttons[2] = (wparam & MK_MBUTTON) ? 1 : 0;
}

void win32input_c::window_message(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_KEYDOWN: m_keys[(lparam >> 16) & 0xFF] = 1; break;
    case WM_KEYUP:
    // A key let go while Alt is held comes as a system key; without this it would stay down.
    case WM_SYSKEYUP: m_keys[(lparam >> 16) & 0xFF] = 0; break;
    case WM_MOUSEMOVE: {
        buttons_from(wparam);
        int x = GET_X_LPARAM(lparam), y = GET_Y_LPARAM(lparam);
        if (mouse_seen) {
            m_mouse_dx += x - mouse_last_x;
            m_mouse_dy += y - mouse_last_y;
        }
        mouse_seen = true;
        mouse_last_x = x;
        mouse_last_y = y;
        if (root()->attribute("app_active")->get_int()) {
            RECT r;
            GetWindowRect(m_hWnd, &r);
            POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            SetCursorPos(centre.x, centre.y);
            ScreenToClient(m_hWnd, &centre);
            mouse_last_x = centre.x;
            mouse_last_y = centre.y;
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: buttons_from(wparam); break;
    case WM_MOUSEWHEEL: m_wheel += (float)GET_WHEEL_DELTA_WPARAM(wparam) / 120.0f; break;
    default: break;
    }
}
