// The fake windowing backend, for tests: windows exist only as records, the test injects what a
// user would do (the same events the SDL backend reports, keys by SDL scan code, the USB usage
// number) and reads what the program did to the window and the system cursor.
// window_fake_use() selects the backend and forgets every window, class and queued message.
#pragma once

#include "platform/window/winuser.h"

#include <string>

void window_fake_use();

void window_fake_close(HWND hwnd);
void window_fake_focus(HWND hwnd, bool gained);
void window_fake_key(HWND hwnd, int sdl_scancode, bool down, bool repeat = false);
void window_fake_mouse_move(HWND hwnd, int x, int y);
void window_fake_button(HWND hwnd, int button, bool down); // 0 left, 1 right, 2 middle
void window_fake_wheel(HWND hwnd, int notches);
void window_fake_enter(HWND hwnd);

struct window_fake_state_s
{
    POINT cursor;           // system cursor position, screen coordinates
    int cursor_moves;       // SetCursorPos calls that reached the system
    bool clipped;           // the system was last told to confine the cursor
    RECT clip;              // ... to this rectangle
    bool cursor_visible;    // over our windows
};
window_fake_state_s window_fake_state();
void window_fake_set_cursor(int x, int y); // the user moves the system cursor (no message)
bool window_fake_visible(HWND hwnd);
std::string window_fake_title(HWND hwnd); // as the system got it, UTF-8
