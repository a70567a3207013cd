#include "platform/window/keymap.h"
#include "platform/window/window_core.h"

#include <cstring>
#include <deque>
#include <memory>
#include <vector>

namespace {

struct class_s
{
    std::string name;
    WNDPROC proc;
    const window_icon_s *icon;
};

constexpr uintptr_t PROGRAM_ICON_ID = 102;
constexpr uintptr_t FIRST_SYSTEM_ID = 32512; // IDI_*, IDC_*: the system's own icons and cursors

struct core_s
{
    const window_backend_s *backend = &window_backend_sdl;
    std::vector<class_s> classes;
    // Destroyed windows keep their record (dead) so that a stale handle is never mistaken for a
    // new window at the same address.
    std::vector<std::unique_ptr<platform_window_s>> windows;
    std::vector<platform_window_s *> alive;
    std::deque<MSG> queue;
    bool clipped = false;
    RECT clip{};
    HCURSOR cursor = (HCURSOR)IDC_ARROW;
    int cursor_count = 0;
    bool lalt = false, ralt = false, ctrl_l = false, ctrl_r = false, shift_l = false, shift_r = false;
    WPARAM buttons = 0;
    POINT mouse{}; // last client position reported

    core_s() = default;
    core_s(const core_s &) = delete;
    core_s &operator=(const core_s &) = delete;
    ~core_s()
    {
        for (platform_window_s *w : alive)
            backend->destroy(w);
    }
};

core_s &core()
{
    static core_s c;
    return c;
}

bool is_alive(HWND hwnd)
{
    if (!hwnd)
        return false;
    for (platform_window_s *w : core().alive)
        if (w == hwnd)
            return true;
    return false;
}

const class_s *find_class(LPCSTR name)
{
    if (!name)
        return nullptr;
    for (const class_s &c : core().classes)
        if (c.name == name)
            return &c;
    return nullptr;
}

void post(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    core().queue.push_back(MSG{hwnd, message, wparam, lparam, 0, {}});
}

WPARAM mouse_key_bits()
{
    const core_s &c = core();
    WPARAM bits = c.buttons;
    if (c.shift_l || c.shift_r)
        bits |= MK_SHIFT;
    if (c.ctrl_l || c.ctrl_r)
        bits |= MK_CONTROL;
    return bits;
}

void track_modifier(int dik, bool down)
{
    core_s &c = core();
    switch (dik) {
    case 0x38: c.lalt = down; break;
    case 0xB8: c.ralt = down; break;
    case 0x1D: c.ctrl_l = down; break;
    case 0x9D: c.ctrl_r = down; break;
    case 0x2A: c.shift_l = down; break;
    case 0x36: c.shift_r = down; break;
    default: break;
    }
}

void post_key(platform_window_s *w, const window_event_s &e)
{
    const key_map_s *k = key_map_from_sdl_scancode(e.scancode);
    if (!k)
        return;
    track_modifier(k->dik, e.down);
    const core_s &c = core();
    bool alt = c.lalt || c.ralt;
    bool ctrl = c.ctrl_l || c.ctrl_r;
    // As on Windows: Alt itself, F10, and keys typed while Alt (without Ctrl) is held are
    // system keys; Alt held is the context bit of a system key.
    bool sys = k->vk == VK_MENU || k->vk == VK_F10 || (alt && !ctrl);
    UINT message = e.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    DWORD bits = 1u | ((DWORD)k->scan << 16) | ((DWORD)k->extended << 24);
    if (sys && alt)
        bits |= 1u << 29;
    if (!e.down || e.repeat)
        bits |= 1u << 30;
    if (!e.down)
        bits |= 1u << 31;
    post(w, message, k->vk, (LPARAM)bits);
}

void post_mouse_move(platform_window_s *w, int x, int y)
{
    core_s &c = core();
    c.mouse = POINT{x, y};
    MSG m{w, WM_MOUSEMOVE, mouse_key_bits(), MAKELPARAM(x, y), 0, {}};
    // Like Windows, keep one pending move: a newer position replaces a move not yet taken.
    if (!c.queue.empty() && c.queue.back().hwnd == w && c.queue.back().message == WM_MOUSEMOVE)
        c.queue.back() = m;
    else
        c.queue.push_back(m);
}

void post_button(platform_window_s *w, int button, bool down, bool has_pos, int x, int y)
{
    static const WPARAM bits[3] = {MK_LBUTTON, MK_RBUTTON, MK_MBUTTON};
    static const UINT downs[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const UINT ups[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    if (button < 0 || button > 2)
        return;
    core_s &c = core();
    if (has_pos)
        c.mouse = POINT{x, y};
    if (down)
        c.buttons |= bits[button];
    else
        c.buttons &= ~bits[button];
    post(w, down ? downs[button] : ups[button], mouse_key_bits(), MAKELPARAM(c.mouse.x, c.mouse.y));
}

} // namespace

RECT window_core_frame(DWORD style)
{
    if (!core().backend->framed)
        return RECT{0, 0, 0, 0};
    if ((style & WS_CAPTION) == WS_CAPTION)
        return RECT{WINDOW_FRAME_SIDE, WINDOW_FRAME_SIDE + WINDOW_FRAME_CAPTION, WINDOW_FRAME_SIDE,
                    WINDOW_FRAME_SIDE};
    if (style & WS_BORDER)
        return RECT{1, 1, 1, 1};
    return RECT{0, 0, 0, 0};
}

bool window_core_select_backend(const char *name)
{
    const window_backend_s *chosen = nullptr;
    if (name && std::strcmp(name, window_backend_sdl.name) == 0)
        chosen = &window_backend_sdl;
    else if (name && std::strcmp(name, window_backend_fake.name) == 0)
        chosen = &window_backend_fake;
    if (!chosen || !core().alive.empty())
        return false;
    core().backend = chosen;
    return true;
}

const window_backend_s &window_core_backend()
{
    return *core().backend;
}

void window_core_reset()
{
    core_s &c = core();
    while (!c.alive.empty()) {
        platform_window_s *w = c.alive.back();
        c.alive.pop_back();
        c.backend->destroy(w);
    }
    c.classes.clear();
    c.windows.clear();
    c.queue.clear();
    c.clipped = false;
    c.clip = RECT{};
    c.cursor = (HCURSOR)IDC_ARROW;
    c.cursor_count = 0;
    c.lalt = c.ralt = c.ctrl_l = c.ctrl_r = c.shift_l = c.shift_r = false;
    c.buttons = 0;
    c.mouse = POINT{};
}

void window_core_event(platform_window_s *w, const window_event_s &e)
{
    if (!is_alive(w))
        return;
    switch (e.kind) {
    case window_event_kind_e::close: post(w, WM_CLOSE, 0, 0); break;
    case window_event_kind_e::focus: post(w, WM_ACTIVATEAPP, e.value ? 1 : 0, 0); break;
    case window_event_kind_e::key: post_key(w, e); break;
    case window_event_kind_e::mouse_move: post_mouse_move(w, e.x, e.y); break;
    case window_event_kind_e::button: post_button(w, e.button, e.down, e.value != 0, e.x, e.y); break;
    case window_event_kind_e::wheel: {
        POINT p = core().mouse;
        ClientToScreen(w, &p);
        post(w, WM_MOUSEWHEEL, MAKEWPARAM(mouse_key_bits(), e.value * WHEEL_DELTA), MAKELPARAM(p.x, p.y));
        break;
    }
    case window_event_kind_e::enter:
        post(w, WM_SETCURSOR, (WPARAM)w, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        break;
    case window_event_kind_e::moved: {
        RECT f = window_core_frame(w->style);
        LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
        w->rect.left = e.x - f.left;
        w->rect.top = e.y - f.top;
        w->rect.right = w->rect.left + width;
        w->rect.bottom = w->rect.top + height;
        break;
    }
    case window_event_kind_e::resized: {
        RECT f = window_core_frame(w->style);
        w->rect.right = w->rect.left + f.left + e.x + f.right;
        w->rect.bottom = w->rect.top + f.top + e.y + f.bottom;
        break;
    }
    }
}

ATOM RegisterClassEx(const WNDCLASSEX *wc)
{
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc || find_class(wc->lpszClassName))
        return 0;
    core().classes.push_back(class_s{wc->lpszClassName, wc->lpfnWndProc,
                                     static_cast<const window_icon_s *>(wc->hIconSm ? wc->hIconSm : wc->hIcon)});
    return (ATOM)(0xC000 + core().classes.size());
}

BOOL UnregisterClass(LPCSTR class_name, HINSTANCE)
{
    core_s &c = core();
    for (size_t i = 0; i < c.classes.size(); ++i) {
        if (c.classes[i].name == (class_name ? class_name : "")) {
            for (platform_window_s *w : c.alive)
                if (w->class_name == c.classes[i].name)
                    return FALSE;
            c.classes.erase(c.classes.begin() + (long)i);
            return TRUE;
        }
    }
    return FALSE;
}

HWND CreateWindowEx(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, HINSTANCE instance, void *param)
{
    const class_s *cls = find_class(class_name);
    if (!cls)
        return nullptr;
    core_s &c = core();
    auto record = std::make_unique<platform_window_s>();
    platform_window_s *w = record.get();
    w->class_name = cls->name;
    w->proc = cls->proc;
    w->icon = cls->icon;
    w->style = style & ~WS_VISIBLE;
    w->ex_style = ex_style;
    w->rect = RECT{x, y, x + width, y + height};
    w->title = title ? title : "";
    if (!c.backend->create(w))
        return nullptr;
    c.windows.push_back(std::move(record));
    c.alive.push_back(w);
    CREATESTRUCT cs{param, instance, menu, parent, height, width, y, x, (LONG)style, title, class_name, ex_style};
    if (w->proc(w, WM_CREATE, 0, (LPARAM)&cs) == -1) {
        DestroyWindow(w);
        return nullptr;
    }
    if ((style & WS_VISIBLE) && is_alive(w))
        ShowWindow(w, SW_SHOW);
    return is_alive(w) ? w : nullptr;
}

BOOL DestroyWindow(HWND hwnd)
{
    if (!is_alive(hwnd))
        return FALSE;
    core_s &c = core();
    hwnd->proc(hwnd, WM_DESTROY, 0, 0);
    // The procedure may have destroyed the window itself meanwhile.
    for (size_t i = 0; i < c.alive.size(); ++i) {
        if (c.alive[i] == hwnd) {
            c.alive.erase(c.alive.begin() + (long)i);
            for (auto it = c.queue.begin(); it != c.queue.end();)
                it = it->hwnd == hwnd ? c.queue.erase(it) : it + 1;
            c.backend->destroy(hwnd);
            hwnd->visible = false;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL IsWindow(HWND hwnd)
{
    return is_alive(hwnd) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hwnd, int cmd)
{
    if (!is_alive(hwnd))
        return FALSE;
    bool was = hwnd->visible;
    bool show = cmd != SW_HIDE;
    if (show != was) {
        hwnd->visible = show;
        hwnd->style = show ? (hwnd->style | WS_VISIBLE) : (hwnd->style & ~WS_VISIBLE);
        core().backend->show(hwnd, show);
        // A shown window is the active one: say so even where the system never reports focus
        // (an X server without a window manager).
        if (show)
            post(hwnd, WM_ACTIVATEAPP, 1, 0);
    }
    return was ? TRUE : FALSE;
}

BOOL SetWindowText(HWND hwnd, LPCSTR title)
{
    if (!is_alive(hwnd))
        return FALSE;
    hwnd->title = title ? title : "";
    core().backend->set_title(hwnd);
    return TRUE;
}

LONG GetWindowLong(HWND hwnd, int index)
{
    if (!is_alive(hwnd))
        return 0;
    if (index == GWL_STYLE)
        return (LONG)hwnd->style;
    if (index == GWL_EXSTYLE)
        return (LONG)hwnd->ex_style;
    return 0;
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index)
{
    if (index == GWLP_USERDATA)
        return is_alive(hwnd) ? hwnd->user_data : 0;
    return GetWindowLong(hwnd, index);
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value)
{
    if (!is_alive(hwnd) || index != GWLP_USERDATA)
        return 0;
    LONG_PTR old = hwnd->user_data;
    hwnd->user_data = value;
    return old;
}

BOOL PeekMessage(MSG *msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove)
{
    core_s &c = core();
    c.backend->pump();
    for (auto it = c.queue.begin(); it != c.queue.end(); ++it) {
        if (hwnd && it->hwnd != hwnd && it->hwnd != nullptr)
            continue;
        if ((filter_min || filter_max) && (it->message < filter_min || it->message > filter_max))
            continue;
        if (msg)
            *msg = *it;
        if (remove & PM_REMOVE)
            c.queue.erase(it);
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG *)
{
    return FALSE;
}

LRESULT DispatchMessage(const MSG *msg)
{
    if (!msg || !is_alive(msg->hwnd))
        return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!is_alive(hwnd))
        return 0;
    return hwnd->proc(hwnd, message, wparam, lparam);
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (hwnd && !is_alive(hwnd))
        return FALSE;
    post(hwnd, message, wparam, lparam);
    return TRUE;
}

void PostQuitMessage(int exit_code)
{
    post(nullptr, WM_QUIT, (WPARAM)exit_code, 0);
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSKEYDOWN:
        if (wparam == VK_F4 && (lparam & (1 << 29)))
            SendMessage(hwnd, WM_CLOSE, 0, 0);
        return 0;
    default: return 0;
    }
}

BOOL GetWindowRect(HWND hwnd, RECT *rect)
{
    if (!is_alive(hwnd) || !rect)
        return FALSE;
    *rect = hwnd->rect;
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT *rect)
{
    if (!is_alive(hwnd) || !rect)
        return FALSE;
    RECT f = window_core_frame(hwnd->style);
    *rect = RECT{0, 0, hwnd->rect.right - hwnd->rect.left - f.left - f.right,
                 hwnd->rect.bottom - hwnd->rect.top - f.top - f.bottom};
    if (rect->right < 0)
        rect->right = 0;
    if (rect->bottom < 0)
        rect->bottom = 0;
    return TRUE;
}

BOOL AdjustWindowRectEx(RECT *rect, DWORD style, BOOL, DWORD)
{
    if (!rect)
        return FALSE;
    RECT f = window_core_frame(style);
    rect->left -= f.left;
    rect->top -= f.top;
    rect->right += f.right;
    rect->bottom += f.bottom;
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags)
{
    if (!is_alive(hwnd))
        return FALSE;
    RECT &r = hwnd->rect;
    LONG width = r.right - r.left, height = r.bottom - r.top;
    if (!(flags & SWP_NOSIZE)) {
        width = cx;
        height = cy;
    }
    if (!(flags & SWP_NOMOVE)) {
        r.left = x;
        r.top = y;
    }
    r.right = r.left + width;
    r.bottom = r.top + height;
    core().backend->place(hwnd);
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT *point)
{
    if (!is_alive(hwnd) || !point)
        return FALSE;
    RECT f = window_core_frame(hwnd->style);
    point->x -= hwnd->rect.left + f.left;
    point->y -= hwnd->rect.top + f.top;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT *point)
{
    if (!is_alive(hwnd) || !point)
        return FALSE;
    RECT f = window_core_frame(hwnd->style);
    point->x += hwnd->rect.left + f.left;
    point->y += hwnd->rect.top + f.top;
    return TRUE;
}

BOOL ClipCursor(const RECT *rect)
{
    core_s &c = core();
    bool same = rect ? (c.clipped && std::memcmp(&c.clip, rect, sizeof(RECT)) == 0) : !c.clipped;
    if (same)
        return TRUE; // the system is asked only on a change: the pump clips on every tick
    c.clipped = rect != nullptr;
    c.clip = rect ? *rect : RECT{};
    c.backend->clip_cursor(rect);
    if (rect) {
        POINT p;
        if (GetCursorPos(&p))
            SetCursorPos(p.x, p.y);
    }
    return TRUE;
}

BOOL GetClipCursor(RECT *rect)
{
    if (!rect)
        return FALSE;
    const core_s &c = core();
    *rect = c.clipped ? c.clip : RECT{INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2};
    return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    core_s &c = core();
    HCURSOR old = c.cursor;
    c.cursor = cursor;
    c.backend->show_cursor(cursor != nullptr && c.cursor_count >= 0);
    return old;
}

int ShowCursor(BOOL show)
{
    core_s &c = core();
    c.cursor_count += show ? 1 : -1;
    c.backend->show_cursor(c.cursor != nullptr && c.cursor_count >= 0);
    return c.cursor_count;
}

BOOL SetCursorPos(int x, int y)
{
    const core_s &c = core();
    if (c.clipped) {
        // The clip rectangle's right and bottom edges are outside it, as on Windows.
        if (x >= c.clip.right)
            x = c.clip.right - 1;
        if (x < c.clip.left)
            x = c.clip.left;
        if (y >= c.clip.bottom)
            y = c.clip.bottom - 1;
        if (y < c.clip.top)
            y = c.clip.top;
    }
    c.backend->set_cursor_pos(x, y);
    return TRUE;
}

BOOL GetCursorPos(POINT *point)
{
    if (!point)
        return FALSE;
    return core().backend->get_cursor_pos(point) ? TRUE : FALSE;
}

// The program has one icon resource; the system's icons are accepted and shown as nothing.
HICON LoadIcon(HINSTANCE, LPCSTR name)
{
    static const window_icon_s system_icon{0, 0, nullptr};
    uintptr_t id = (uintptr_t)name;
    if (id == PROGRAM_ICON_ID)
        return (HICON)&window_program_icon();
    return id >= FIRST_SYSTEM_ID && id < 0x10000 ? (HICON)&system_icon : nullptr;
}

HCURSOR LoadCursor(HINSTANCE, LPCSTR name)
{
    return (HCURSOR)name;
}

HGDIOBJ GetStockObject(int object)
{
    return (HGDIOBJ)(uintptr_t)(0x100 + object);
}
