// Inside the windowing layer only: the window record, the backend table and the events through
// which a backend reports what the system did. Backends fill events; the core turns them into
// Win32-shaped messages, so key and mouse packing is the same for every backend.
#pragma once

#include "platform/window/winuser.h"

#include <cstdint>
#include <string>

// An icon: 32-bit ARGB pixels, rows top to bottom.
struct window_icon_s
{
    int width, height;
    const uint32_t *argb;
};

// The program's icon (resource 102).
const window_icon_s &window_program_icon();

struct platform_window_s
{
    std::string class_name;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD ex_style = 0;
    RECT rect{};        // window rectangle, screen coordinates, frame included
    std::string title;  // cp1251
    LONG_PTR user_data = 0;
    const window_icon_s *icon = nullptr; // the class's small icon, else its large one
    bool visible = false;
    void *backend = nullptr; // the backend's own record of the window
};

enum class window_event_kind_e
{
    close,       // the user asked to close the window
    focus,       // value: 1 gained, 0 lost
    key,         // scancode (SDL numbering), down, repeat
    mouse_move,  // x, y in client coordinates
    button,      // button 0 left, 1 right, 2 middle; down; value 1: x, y is the client position
    wheel,       // value: notches, positive away from the user
    enter,       // the pointer came over the client area
    moved,       // x, y: new screen position of the client area's top-left corner
    resized,     // x, y: new client size
};

struct window_event_s
{
    window_event_kind_e kind;
    int x = 0, y = 0;
    int value = 0;
    int scancode = 0;
    int button = 0;
    bool down = false;
    bool repeat = false;
};

struct window_backend_s
{
    const char *name;
    // Whether captioned windows carry the layer's own frame of fixed size. Where a window
    // manager draws the real frame outside the client area, they carry none: the window
    // rectangle is then the client area on the screen, so a window made at (0, 0) with the
    // screen's size covers the screen exactly.
    bool framed;
    bool (*create)(platform_window_s *w);
    void (*destroy)(platform_window_s *w);
    void (*show)(platform_window_s *w, bool visible);
    void (*set_title)(platform_window_s *w);
    void (*place)(platform_window_s *w); // rect changed
    void (*pump)();                      // report pending system events through window_core_event
    void (*clip_cursor)(const RECT *screen_rect);
    void (*show_cursor)(bool visible);
    void (*set_cursor_pos)(int x, int y);
    bool (*get_cursor_pos)(POINT *p);
};

extern const window_backend_s window_backend_sdl;
extern const window_backend_s window_backend_fake;

// Selects the backend for windows created from now on ("sdl" or "fake"); false when unknown or
// when windows exist.
bool window_core_select_backend(const char *name);
const window_backend_s &window_core_backend();
void window_core_event(platform_window_s *w, const window_event_s &e);
// The frame of a style on the current backend: left, top, right, bottom thickness.
RECT window_core_frame(DWORD style);
// Forget every window, class and queued message and the tracked key and button state.
void window_core_reset();
