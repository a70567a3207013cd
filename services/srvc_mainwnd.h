// main_window_c (script class "main_window"): the program's one window. It takes the instance
// handle on app_hinstance, registers the window class "VoduRovevedoRidaroZuvaz" and creates the
// window (title: the required string attribute `name`, 1024 x 768 at (0, 0)) on app_startup,
// and pumps the window's queue on every tick, at most five messages a tick. Every window
// message first goes, as mainwnd_win32_msg (INT code, INT wParam, INT lParam), to the handler
// objects registered with mainwnd_add_win32_handler (four slots for the whole program, weak
// pointers, so a dead handler frees its slot); the first that answers non-zero consumes it.
// The root's app_active follows WM_ACTIVATEAPP; the root's stop_main_loop becomes 1 when the
// window is gone or a WM_QUIT is taken (an unclaimed WM_CLOSE destroys the window, whose
// WM_DESTROY posts the quit). Services ask for the handles with mainwnd_get_handles.
// Shutting the service down (or destroying it) destroys the window and unregisters the class,
// so a later main window in the same process starts up again; two at once still collide.
#pragma once

#include "kernel/abstract.h"
#include "platform/window/winuser.h"

class main_window_c : public abstract_c
{
public:
    main_window_c(abstract_c *parent, const attribute_list_c *attributes);
    ~main_window_c() noexcept(false) override;

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    // "Too many Win32 messages handlers" with all four slots taken; one object may hold two.
    static void add_win32_handler(abstract_c *handler);
    // Empties every slot that holds the handler.
    static void del_win32_handler(abstract_c *handler);

private:
    static LRESULT window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void startup();
    void pump();
    void release();

    HINSTANCE m_hInst = nullptr;
    HWND m_main_hWnd = nullptr;
    bool m_class_registered = false;
};
