#include "platform/sys/cp1251.h"
#include "platform/window/window_core.h"
#include "platform/window/window_sdl.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <vector>

namespace {

const char *const window_data_key = "platform_window";
int sdl_windows = 0;
bool video_ready = false;
std::vector<platform_window_s *> &windows()
{
    static std::vector<platform_window_s *> list;
    return list;
}

SDL_Window *sdl(platform_window_s *w)
{
    return static_cast<SDL_Window *>(w->backend);
}

RECT client_on_screen(platform_window_s *w)
{
    RECT f = window_core_frame(w->style);
    return RECT{w->rect.left + f.left, w->rect.top + f.top, w->rect.right - f.right, w->rect.bottom - f.bottom};
}

bool sdl_create(platform_window_s *w)
{
    // Video stays up once started: a device may still hold a GL context on a window that is
    // already gone when the services shut down.
    if (!video_ready) {
        // Ctrl+C keeps ending the program; a close request comes only from the window.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return false;
        video_ready = true;
    }
    RECT c = client_on_screen(w);
    int width = c.right - c.left, height = c.bottom - c.top;
    SDL_Window *window = SDL_CreateWindow(cp1251_to_utf8(w->title.c_str()).c_str(), c.left, c.top,
                                          width > 0 ? width : 1, height > 0 ? height : 1,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window)
        return false;
    SDL_SetWindowData(window, window_data_key, w);
    if (w->icon && w->icon->argb) {
        if (SDL_Surface *icon = SDL_CreateRGBSurfaceWithFormatFrom(
                const_cast<uint32_t *>(w->icon->argb), w->icon->width, w->icon->height, 32, w->icon->width * 4,
                SDL_PIXELFORMAT_ARGB8888)) {
            SDL_SetWindowIcon(window, icon);
            SDL_FreeSurface(icon);
        }
    }
    w->backend = window;
    ++sdl_windows;
    windows().push_back(w);
    return true;
}

void sdl_destroy(platform_window_s *w)
{
    if (!w->backend)
        return;
    SDL_DestroyWindow(sdl(w));
    w->backend = nullptr;
    windows().erase(std::remove(windows().begin(), windows().end(), w), windows().end());
    --sdl_windows;
}

void sdl_show(platform_window_s *w, bool visible)
{
    if (visible) {
        SDL_ShowWindow(sdl(w));
        SDL_RaiseWindow(sdl(w));
    } else {
        SDL_HideWindow(sdl(w));
    }
}

void sdl_set_title(platform_window_s *w)
{
    SDL_SetWindowTitle(sdl(w), cp1251_to_utf8(w->title.c_str()).c_str());
}

void sdl_place(platform_window_s *w)
{
    RECT c = client_on_screen(w);
    SDL_SetWindowPosition(sdl(w), c.left, c.top);
    SDL_SetWindowSize(sdl(w), c.right > c.left ? c.right - c.left : 1, c.bottom > c.top ? c.bottom - c.top : 1);
}

platform_window_s *window_of(Uint32 id)
{
    SDL_Window *window = SDL_GetWindowFromID(id);
    return window ? static_cast<platform_window_s *>(SDL_GetWindowData(window, window_data_key)) : nullptr;
}

void window_event(const SDL_WindowEvent &we)
{
    platform_window_s *w = window_of(we.windowID);
    if (!w)
        return;
    window_event_s e{window_event_kind_e::close};
    switch (we.event) {
    case SDL_WINDOWEVENT_CLOSE: break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: e.kind = window_event_kind_e::focus; e.value = 1; break;
    case SDL_WINDOWEVENT_FOCUS_LOST: e.kind = window_event_kind_e::focus; e.value = 0; break;
    case SDL_WINDOWEVENT_ENTER: e.kind = window_event_kind_e::enter; break;
    case SDL_WINDOWEVENT_MOVED: e.kind = window_event_kind_e::moved; e.x = we.data1; e.y = we.data2; break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        e.kind = window_event_kind_e::resized;
        e.x = we.data1;
        e.y = we.data2;
        break;
    default: return;
    }
    window_core_event(w, e);
}

void sdl_pump()
{
    if (sdl_windows == 0)
        return;
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
        switch (ev.type) {
        case SDL_WINDOWEVENT: window_event(ev.window); break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            window_event_s e{window_event_kind_e::key};
            e.scancode = ev.key.keysym.scancode;
            e.down = ev.type == SDL_KEYDOWN;
            e.repeat = ev.key.repeat != 0;
            window_core_event(window_of(ev.key.windowID), e);
            break;
        }
        case SDL_MOUSEMOTION: {
            window_event_s e{window_event_kind_e::mouse_move};
            e.x = ev.motion.x;
            e.y = ev.motion.y;
            window_core_event(window_of(ev.motion.windowID), e);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            window_event_s e{window_event_kind_e::button};
            e.down = ev.type == SDL_MOUSEBUTTONDOWN;
            if (ev.button.button == SDL_BUTTON_LEFT)
                e.button = 0;
            else if (ev.button.button == SDL_BUTTON_RIGHT)
                e.button = 1;
            else if (ev.button.button == SDL_BUTTON_MIDDLE)
                e.button = 2;
            else
                break;
            e.x = ev.button.x;
            e.y = ev.button.y;
            e.value = 1;
            window_core_event(window_of(ev.button.windowID), e);
            break;
        }
        case SDL_MOUSEWHEEL: {
            window_event_s e{window_event_kind_e::wheel};
            e.value = ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -ev.wheel.y : ev.wheel.y;
            if (e.value)
                window_core_event(window_of(ev.wheel.windowID), e);
            break;
        }
        default: break;
        }
    }
}

// SDL can confine the pointer only to a part of one window's client area. A clip rectangle
// that reaches over the frame is left unenforced, and so is the whole rectangle of a captioned
// window (what the main window clips to; here the frame is the window manager's, outside it):
// the caption and its close button must stay within reach.
void sdl_clip_cursor(const RECT *rect)
{
    for (platform_window_s *w : windows()) {
        RECT c = client_on_screen(w);
        bool whole_window = rect && (w->style & WS_CAPTION) == WS_CAPTION && rect->left <= w->rect.left &&
                            rect->top <= w->rect.top && rect->right >= w->rect.right &&
                            rect->bottom >= w->rect.bottom;
        bool inside = rect && !whole_window && rect->left >= c.left && rect->top >= c.top &&
                      rect->right <= c.right && rect->bottom <= c.bottom && rect->right > rect->left &&
                      rect->bottom > rect->top;
        if (!inside) {
            SDL_SetWindowMouseRect(sdl(w), nullptr);
            continue;
        }
        SDL_Rect r{rect->left - c.left, rect->top - c.top, rect->right - rect->left, rect->bottom - rect->top};
        SDL_SetWindowMouseRect(sdl(w), &r);
    }
}

void sdl_show_cursor(bool visible)
{
    if (sdl_windows)
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void sdl_set_cursor_pos(int x, int y)
{
    if (sdl_windows)
        SDL_WarpMouseGlobal(x, y);
}

bool sdl_get_cursor_pos(POINT *p)
{
    if (sdl_windows == 0)
        return false;
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    *p = POINT{x, y};
    return true;
}

} // namespace

const window_backend_s window_backend_sdl = {
    "sdl",           false,              sdl_create,         sdl_destroy,        sdl_show,           sdl_set_title, sdl_place,
    sdl_pump,        sdl_clip_cursor,    sdl_show_cursor,    sdl_set_cursor_pos, sdl_get_cursor_pos,
};

SDL_Window *window_sdl_handle(HWND hwnd)
{
    if (!IsWindow(hwnd) || &window_core_backend() != &window_backend_sdl)
        return nullptr;
    return sdl(hwnd);
}
