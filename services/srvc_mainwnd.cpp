#include "services/srvc_mainwnd.h"

#include "kernel/exception.h"

namespace {

const char *const window_class_name = "VoduRovevedoRidaroZuvaz";
constexpr int WIN32_HANDLER_SLOTS = 4;
constexpr int MESSAGES_PER_TICK = 5;
constexpr int PROGRAM_ICON = 102;

object_pointer_c win32_handlers[WIN32_HANDLER_SLOTS];

void set_root_int(const char *name, int value)
{
    abstract_c::root()->attribute(name)->set_int(value);
}

} // namespace

main_window_c::main_window_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes)
{
}

main_window_c::~main_window_c() noexcept(false)
{
    release();
}

void main_window_c::on_shutdown()
{
    release();
}

void main_window_c::release()
{
    if (m_main_hWnd && IsWindow(m_main_hWnd))
        DestroyWindow(m_main_hWnd);
    m_main_hWnd = nullptr;
    // The class goes with the service, so a main window made later in the same process can
    // register it again. Refused while a window of the class still lives: the destructor retries.
    if (m_class_registered && UnregisterClass(window_class_name, m_hInst))
        m_class_registered = false;
}

void main_window_c::add_win32_handler(abstract_c *handler)
{
    for (object_pointer_c &slot : win32_handlers) {
        if (!slot.get()) {
            slot = handler;
            return;
        }
    }
    ENGINE_THROW(exception_c, "Too many Win32 messages handlers");
}

void main_window_c::del_win32_handler(abstract_c *handler)
{
    for (object_pointer_c &slot : win32_handlers)
        if (slot.get() == handler)
            slot = nullptr;
}

int main_window_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        pump();
        return 0;
    }
    if (*message == MSG_VAR(app_hinstance)) {
        m_hInst = (HINSTANCE)(intptr_t)(int)msg_arg(0);
        return 1;
    }
    if (*message == MSG_VAR(app_startup)) {
        startup();
        return 0;
    }
    if (*message == MSG_VAR(mainwnd_get_handles)) {
        if (HWND *hwnd = static_cast<HWND *>(msg_arg(0)->get_ptr()))
            *hwnd = m_main_hWnd;
        if (HINSTANCE *instance = static_cast<HINSTANCE *>(msg_arg(1)->get_ptr()))
            *instance = m_hInst;
        return 1;
    }
    if (*message == MSG_VAR(mainwnd_add_win32_handler)) {
        add_win32_handler(static_cast<abstract_c *>(msg_arg(0)->get_ptr()));
        return 1;
    }
    if (*message == MSG_VAR(mainwnd_del_win32_handler)) {
        del_win32_handler(static_cast<abstract_c *>(msg_arg(0)->get_ptr()));
        return 1;
    }
    return 0;
}

void main_window_c::startup()
{
    ENGINE_ASSERT(m_hInst);
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.style = 0;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = m_hInst;
    wc.hIcon = LoadIcon(m_hInst, MAKEINTRESOURCE(PROGRAM_ICON));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = window_class_name;
    if (!RegisterClassEx(&wc))
        ENGINE_THROW(exception_c, "Could not register window class");
    m_class_registered = true;

    const char *title = attribute("name")->get_const_pchar();
    m_main_hWnd = CreateWindowEx(0, window_class_name, title, WS_VISIBLE | WS_CAPTION | WS_MINIMIZEBOX, 0, 0, 1024,
                                 768, nullptr, nullptr, m_hInst, nullptr);
    if (!m_main_hWnd)
        ENGINE_THROW(exception_c, "CreateWindowEx failed");
}

void main_window_c::pump()
{
    ENGINE_ASSERT(m_main_hWnd);
    if (!IsWindow(m_main_hWnd)) {
        m_main_hWnd = nullptr;
        set_root_int("stop_main_loop", 1);
        return;
    }
    if (root()->attribute("app_active")->get_int()) {
        RECT r;
        GetWindowRect(m_main_hWnd, &r);
        ClipCursor(&r);
    } else {
        ClipCursor(nullptr);
    }
    MSG msg;
    for (int i = 0; i < MESSAGES_PER_TICK && PeekMessage(&msg, m_main_hWnd, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT)
            set_root_int("stop_main_loop", 1);
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

LRESULT main_window_c::window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    for (object_pointer_c &slot : win32_handlers) {
        abstract_c *handler = slot.get();
        if (handler && handler->message(MSG_VAR(mainwnd_win32_msg), 0, nullptr, MSG_ARG((int)message),
                                        MSG_ARG((int)wparam), MSG_ARG((int)lparam), MSG_ARGS_END))
            return 0;
    }
    switch (message) {
    case WM_CREATE: ShowWindow(hwnd, SW_SHOW); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_ACTIVATEAPP: set_root_int("app_active", (int)wparam); return 0;
    case WM_SETCURSOR: SetCursor(nullptr); return 0;
    case WM_KEYUP:
    case WM_CHAR:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_CAPTURECHANGED: return 0;
    default: return DefWindowProc(hwnd, message, wparam, lparam);
    }
}
