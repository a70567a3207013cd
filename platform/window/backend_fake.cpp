#include "platform/sys/cp1251.h"
#include "platform/window/window_core.h"
#include "platform/window/window_fake.h"

namespace {

struct fake_window_s
{
    bool visible = false;
    std::string title;
};

window_fake_state_s &state()
{
    static window_fake_state_s s{{0, 0}, 0, false, {}, true};
    return s;
}

fake_window_s *rec(HWND hwnd)
{
    return IsWindow(hwnd) ? static_cast<fake_window_s *>(hwnd->backend) : nullptr;
}

bool fake_create(platform_window_s *w)
{
    auto *f = new fake_window_s;
    f->title = cp1251_to_utf8(w->title.c_str());
    w->backend = f;
    return true;
}

void fake_destroy(platform_window_s *w)
{
    delete static_cast<fake_window_s *>(w->backend);
    w->backend = nullptr;
}

void fake_show(platform_window_s *w, bool visible)
{
    static_cast<fake_window_s *>(w->backend)->visible = visible;
}

void fake_set_title(platform_window_s *w)
{
    static_cast<fake_window_s *>(w->backend)->title = cp1251_to_utf8(w->title.c_str());
}

void fake_place(platform_window_s *) {}
void fake_pump() {}

void fake_clip_cursor(const RECT *rect)
{
    state().clipped = rect != nullptr;
    state().clip = rect ? *rect : RECT{};
}

void fake_show_cursor(bool visible)
{
    state().cursor_visible = visible;
}

void fake_set_cursor_pos(int x, int y)
{
    state().cursor = POINT{x, y};
    ++state().cursor_moves;
}

bool fake_get_cursor_pos(POINT *p)
{
    *p = state().cursor;
    return true;
}

void inject(HWND hwnd, const window_event_s &e)
{
    window_core_event(hwnd, e);
}

} // namespace

const window_backend_s window_backend_fake = {
    "fake",           true,                fake_create,         fake_destroy,        fake_show,
    fake_set_title,   fake_place,          fake_pump,           fake_clip_cursor,
    fake_show_cursor, fake_set_cursor_pos, fake_get_cursor_pos,
};

void window_fake_use()
{
    window_core_reset();
    window_core_select_backend("fake");
    window_core_reset();
    state() = window_fake_state_s{{0, 0}, 0, false, {}, true};
}

void window_fake_close(HWND hwnd)
{
    inject(hwnd, {window_event_kind_e::close});
}

void window_fake_focus(HWND hwnd, bool gained)
{
    window_event_s e{window_event_kind_e::focus};
    e.value = gained ? 1 : 0;
    inject(hwnd, e);
}

void window_fake_key(HWND hwnd, int sdl_scancode, bool down, bool repeat)
{
    window_event_s e{window_event_kind_e::key};
    e.scancode = sdl_scancode;
    e.down = down;
    e.repeat = repeat;
    inject(hwnd, e);
}

void window_fake_mouse_move(HWND hwnd, int x, int y)
{
    window_event_s e{window_event_kind_e::mouse_move};
    e.x = x;
    e.y = y;
    inject(hwnd, e);
}

void window_fake_button(HWND hwnd, int button, bool down)
{
    window_event_s e{window_event_kind_e::button};
    e.button = button;
    e.down = down;
    inject(hwnd, e);
}

void window_fake_wheel(HWND hwnd, int notches)
{
    window_event_s e{window_event_kind_e::wheel};
    e.value = notches;
    inject(hwnd, e);
}

void window_fake_enter(HWND hwnd)
{
    inject(hwnd, {window_event_kind_e::enter});
}

window_fake_state_s window_fake_state()
{
    return state();
}

void window_fake_set_cursor(int x, int y)
{
    state().cursor = POINT{x, y};
}

bool window_fake_visible(HWND hwnd)
{
    fake_window_s *f = rec(hwnd);
    return f && f->visible;
}

std::string window_fake_title(HWND hwnd)
{
    fake_window_s *f = rec(hwnd);
    return f ? f->title : std::string();
}
