#include "platform/window/keymap.h"
#include "platform/window/window_fake.h"
#include "platform/window/winuser.h"

#include <SDL2/SDL_scancode.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct seen_s
{
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};
std::vector<seen_s> seen;
LRESULT close_result = -1; // -1: leave WM_CLOSE to DefWindowProc

LRESULT CALLBACK_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    seen.push_back({message, wparam, lparam});
    if (message == WM_DESTROY)
        PostQuitMessage(7);
    if (message == WM_CLOSE && close_result != -1)
        return close_result;
    return DefWindowProc(hwnd, message, wparam, lparam);
}

constexpr DWORD main_style = WS_VISIBLE | WS_CAPTION | WS_MINIMIZEBOX;

class window_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window_fake_use();
        seen.clear();
        close_result = -1;
        WNDCLASSEX wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = CALLBACK_proc;
        wc.lpszClassName = "test_class";
        ASSERT_NE(RegisterClassEx(&wc), 0);
        hwnd = CreateWindowEx(0, "test_class", "title", main_style, 0, 0, 1024, 768, nullptr, nullptr, nullptr,
                              nullptr);
        ASSERT_NE(hwnd, nullptr);
    }

    // Takes every queued message, dispatching none.
    std::vector<MSG> drain()
    {
        std::vector<MSG> out;
        MSG m;
        while (PeekMessage(&m, hwnd, 0, 0, PM_REMOVE))
            out.push_back(m);
        return out;
    }

    HWND hwnd = nullptr;
};

TEST_F(window_test, creation_shows_activates_and_registers_once)
{
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0].message, WM_CREATE);
    EXPECT_TRUE(window_fake_visible(hwnd));
    EXPECT_EQ(GetWindowLong(hwnd, GWL_STYLE), (LONG)main_style);
    std::vector<MSG> queued = drain();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].message, WM_ACTIVATEAPP);
    EXPECT_EQ(queued[0].wParam, 1u);

    WNDCLASSEX again{};
    again.lpfnWndProc = CALLBACK_proc;
    again.lpszClassName = "test_class";
    EXPECT_EQ(RegisterClassEx(&again), 0);
    EXPECT_EQ(CreateWindowEx(0, "no_class", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(window_test, unclaimed_close_destroys_and_quits)
{
    drain();
    window_fake_close(hwnd);
    PostMessage(hwnd, WM_USER, 0, 0); // dropped with the window
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_CLOSE);
    DispatchMessage(&m);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(seen.back().message, WM_DESTROY);
    ASSERT_TRUE(PeekMessage(&m, hwnd, 0, 0, PM_REMOVE)) << "the quit reaches the window's own pump";
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_FALSE(PeekMessage(&m, hwnd, 0, 0, PM_REMOVE));
    EXPECT_FALSE(DestroyWindow(hwnd));
}

TEST_F(window_test, claimed_close_keeps_the_window)
{
    drain();
    close_result = 0;
    window_fake_close(hwnd);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, hwnd, 0, 0, PM_REMOVE));
    DispatchMessage(&m);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_FALSE(PeekMessage(&m, hwnd, 0, 0, PM_REMOVE));
}

TEST_F(window_test, alt_f4_closes)
{
    drain();
    window_fake_key(hwnd, SDL_SCANCODE_LALT, true);
    window_fake_key(hwnd, SDL_SCANCODE_F4, true);
    MSG m;
    while (PeekMessage(&m, hwnd, 0, 0, PM_REMOVE) && m.message != WM_QUIT)
        DispatchMessage(&m);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(window_test, key_packing)
{
    struct key_case_s
    {
        int scancode;
        bool down, repeat;
        UINT message;
        WPARAM vk;
        DWORD lparam;
    };
    // In order: each case sees the modifiers the previous ones left down.
    const key_case_s cases[] = {
        {SDL_SCANCODE_RETURN, true, false, WM_KEYDOWN, 0x0D, 0x001C0001},
        {SDL_SCANCODE_RETURN, true, true, WM_KEYDOWN, 0x0D, 0x401C0001},
        {SDL_SCANCODE_RETURN, false, false, WM_KEYUP, 0x0D, 0xC01C0001},
        {SDL_SCANCODE_KP_ENTER, true, false, WM_KEYDOWN, 0x0D, 0x011C0001},
        {SDL_SCANCODE_UP, true, false, WM_KEYDOWN, 0x26, 0x01480001},
        {SDL_SCANCODE_KP_8, true, false, WM_KEYDOWN, 0x68, 0x00480001},
        {SDL_SCANCODE_PAUSE, true, false, WM_KEYDOWN, 0x13, 0x00450001},
        {SDL_SCANCODE_NUMLOCKCLEAR, true, false, WM_KEYDOWN, 0x90, 0x01450001},
        {SDL_SCANCODE_PRINTSCREEN, true, false, WM_KEYDOWN, 0x2C, 0x01370001},
        {SDL_SCANCODE_F10, true, false, WM_SYSKEYDOWN, 0x79, 0x00440001},
        {SDL_SCANCODE_F10, false, false, WM_SYSKEYUP, 0x79, 0xC0440001},
        {SDL_SCANCODE_LALT, true, false, WM_SYSKEYDOWN, 0x12, 0x20380001},
        {SDL_SCANCODE_A, true, false, WM_SYSKEYDOWN, 'A', 0x201E0001},
        {SDL_SCANCODE_A, false, false, WM_SYSKEYUP, 'A', 0xE01E0001},
        {SDL_SCANCODE_LALT, false, false, WM_SYSKEYUP, 0x12, 0xC0380001},
        {SDL_SCANCODE_A, true, false, WM_KEYDOWN, 'A', 0x001E0001},
        {SDL_SCANCODE_RCTRL, true, false, WM_KEYDOWN, 0x11, 0x011D0001},
        {SDL_SCANCODE_RALT, true, false, WM_SYSKEYDOWN, 0x12, 0x21380001},
        {SDL_SCANCODE_Q, true, false, WM_KEYDOWN, 'Q', 0x00100001}, // Ctrl+Alt: not a system key
    };
    drain();
    for (const key_case_s &c : cases) {
        window_fake_key(hwnd, c.scancode, c.down, c.repeat);
        std::vector<MSG> got = drain();
        SCOPED_TRACE(::testing::Message() << "scancode " << c.scancode << " down " << c.down);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].message, c.message);
        EXPECT_EQ(got[0].wParam, c.vk);
        EXPECT_EQ((DWORD)got[0].lParam, c.lparam);
        EXPECT_EQ((got[0].lParam >> 16) & 0xFF, (LPARAM)key_map_from_sdl_scancode(c.scancode)->scan);
    }
    for (int outside : {-1, 0, (int)SDL_SCANCODE_KP_HEXADECIMAL, (int)SDL_NUM_SCANCODES, 100000}) {
        window_fake_key(hwnd, outside, true);
        EXPECT_TRUE(drain().empty()) << outside;
    }
}

TEST_F(window_test, dik_codes_of_the_key_map)
{
    const std::pair<int, int> cases[] = {
        {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_HOME, 0xC7},   {SDL_SCANCODE_LGUI, 0xDB},   {SDL_SCANCODE_PAUSE, 0xC5},
        {SDL_SCANCODE_NUMLOCKCLEAR, 0x45}, {SDL_SCANCODE_SLEEP, 0xDF}, {SDL_SCANCODE_GRAVE, 0x29},
    };
    for (auto [sdl, dik] : cases) {
        const key_map_s *k = key_map_from_sdl_scancode(sdl);
        ASSERT_NE(k, nullptr) << sdl;
        EXPECT_EQ(k->dik, dik) << sdl;
    }
}

TEST_F(window_test, mouse_packing)
{
    drain();
    window_fake_mouse_move(hwnd, 10, 20);
    window_fake_mouse_move(hwnd, 30, -5); // replaces the move not yet taken
    window_fake_key(hwnd, SDL_SCANCODE_LSHIFT, true);
    window_fake_button(hwnd, 0, true);
    window_fake_button(hwnd, 2, true);
    window_fake_button(hwnd, 0, false);
    window_fake_wheel(hwnd, -2);
    window_fake_button(hwnd, 7, true); // no such button
    std::vector<MSG> got = drain();
    const seen_s expected[] = {
        {WM_MOUSEMOVE, 0, MAKELPARAM(30, -5)},
        {WM_KEYDOWN, 0x10, 0x002A0001},
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(30, -5)},
        {WM_MBUTTONDOWN, MK_LBUTTON | MK_MBUTTON | MK_SHIFT, MAKELPARAM(30, -5)},
        {WM_LBUTTONUP, MK_MBUTTON | MK_SHIFT, MAKELPARAM(30, -5)},
        {WM_MOUSEWHEEL, MAKEWPARAM(MK_MBUTTON | MK_SHIFT, -240), MAKELPARAM(30 + 3, -5 + 26)},
    };
    ASSERT_EQ(got.size(), std::size(expected));
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].message, expected[i].message) << i;
        EXPECT_EQ(got[i].wParam, expected[i].wparam) << i;
        EXPECT_EQ(got[i].lParam, expected[i].lparam) << i;
    }
    EXPECT_EQ(GET_Y_LPARAM(got[0].lParam), -5);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(got[5].wParam), -240);
}

TEST_F(window_test, rectangles)
{
    RECT r;
    ASSERT_TRUE(GetWindowRect(hwnd, &r));
    EXPECT_EQ(r.right - r.left, 1024);
    ASSERT_TRUE(GetClientRect(hwnd, &r));
    EXPECT_EQ(r.right, 1024 - 6);
    EXPECT_EQ(r.bottom, 768 - 29);

    // Resizing to a client size through the frame arithmetic keeps the top-left corner.
    SetWindowPos(hwnd, nullptr, 100, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT want{0, 0, 800, 600};
    AdjustWindowRectEx(&want, GetWindowLong(hwnd, GWL_STYLE), FALSE, GetWindowLong(hwnd, GWL_EXSTYLE));
    SetWindowPos(hwnd, nullptr, 0, 0, want.right - want.left, want.bottom - want.top, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(hwnd, &r);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 600);
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);

    POINT p{110, 90};
    ScreenToClient(hwnd, &p);
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(p.y, 14);
    ClientToScreen(hwnd, &p);
    EXPECT_EQ(p.x, 110);
    EXPECT_EQ(p.y, 90);
}

TEST_F(window_test, cursor_clip_show_and_position)
{
    RECT clip{100, 100, 200, 150};
    window_fake_set_cursor(500, 20);
    ClipCursor(&clip);
    window_fake_state_s s = window_fake_state();
    EXPECT_TRUE(s.clipped);
    EXPECT_EQ(s.cursor.x, 199) << "a clip pulls the cursor inside";
    EXPECT_EQ(s.cursor.y, 100);
    int moves = s.cursor_moves;
    ClipCursor(&clip);
    EXPECT_EQ(window_fake_state().cursor_moves, moves) << "an unchanged clip is not passed on";
    SetCursorPos(0, 1000);
    EXPECT_EQ(window_fake_state().cursor.x, 100);
    EXPECT_EQ(window_fake_state().cursor.y, 149);
    ClipCursor(nullptr);
    EXPECT_FALSE(window_fake_state().clipped);
    SetCursorPos(0, 1000);
    EXPECT_EQ(window_fake_state().cursor.y, 1000);

    EXPECT_TRUE(window_fake_state().cursor_visible);
    HCURSOR arrow = SetCursor(nullptr);
    EXPECT_NE(arrow, nullptr);
    EXPECT_FALSE(window_fake_state().cursor_visible);
    SetCursor(arrow);
    EXPECT_TRUE(window_fake_state().cursor_visible);
}

TEST_F(window_test, titles_reach_the_system_in_utf8)
{
    EXPECT_EQ(window_fake_title(hwnd), "title");
    // "Viktorina No. 1" with the Cyrillic letters and the numero sign: in cp1251, then in UTF-8.
    SetWindowText(hwnd, "\xc2\xe8\xea\xf2\xee\xf0\xe8\xed\xe0 \xB9 1");
    EXPECT_EQ(window_fake_title(hwnd),
              std::string("\xd0\x92\xd0\xb8\xd0\xba\xd1\x82\xd0\xbe\xd1\x80\xd0\xb8\xd0\xbd\xd0\xb0 \xe2\x84\x96 1"));
}

} // namespace
