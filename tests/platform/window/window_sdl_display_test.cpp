// The windowing layer on SDL under the X server of the test run (no window manager): a captioned
// window made at (0, 0) and given a client area as the Direct3D service gives it (its window
// rectangle from AdjustWindowRectEx, then SetWindowPos) has exactly that client area, from the
// screen's corner, so the whole of it is on a screen of that size; and the layer's screen
// coordinates are the system's.
#include "platform/window/window_sdl.h"
#include "platform/window/winuser.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

LRESULT plain_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProc(hwnd, message, wparam, lparam);
}

TEST(window_sdl_display, the_client_area_is_as_asked_and_on_the_screen)
{
    setenv("SDL_VIDEODRIVER", "x11", 1);
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = "sdl_display_class";
    ASSERT_NE(RegisterClassEx(&wc), 0);
    const DWORD style = WS_VISIBLE | WS_CAPTION | WS_MINIMIZEBOX;
    struct
    {
        int width, height;
    } sizes[] = {{1024, 768}, {800, 600}};
    for (const auto &asked : sizes) {
        SCOPED_TRACE(asked.width);
        HWND hwnd = CreateWindowEx(0, "sdl_display_class", "t", style, 0, 0, 1024, 768, nullptr, nullptr, nullptr,
                                   nullptr);
        ASSERT_NE(hwnd, nullptr);
        RECT before;
        ASSERT_TRUE(GetWindowRect(hwnd, &before));
        RECT r{0, 0, asked.width, asked.height};
        AdjustWindowRectEx(&r, (DWORD)GetWindowLong(hwnd, GWL_STYLE), FALSE, (DWORD)GetWindowLong(hwnd, GWL_EXSTYLE));
        SetWindowPos(hwnd, nullptr, before.left, before.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
        for (int i = 0; i < 20; ++i) {
            MSG m;
            while (PeekMessage(&m, hwnd, 0, 0, PM_REMOVE))
                DispatchMessage(&m);
            SDL_Delay(10);
        }

        RECT client;
        ASSERT_TRUE(GetClientRect(hwnd, &client));
        EXPECT_EQ(client.right - client.left, asked.width);
        EXPECT_EQ(client.bottom - client.top, asked.height);
        SDL_Window *window = window_sdl_handle(hwnd);
        ASSERT_NE(window, nullptr);
        int x = -1, y = -1, w = 0, h = 0;
        SDL_GetWindowPosition(window, &x, &y);
        SDL_GetWindowSize(window, &w, &h);
        EXPECT_EQ(w, asked.width);
        EXPECT_EQ(h, asked.height);
        EXPECT_EQ(x, 0) << "the client area starts at the screen's corner";
        EXPECT_EQ(y, 0);
        POINT origin{0, 0};
        ASSERT_TRUE(ClientToScreen(hwnd, &origin));
        EXPECT_EQ(origin.x, x) << "the layer's screen coordinates are the system's";
        EXPECT_EQ(origin.y, y);
        DestroyWindow(hwnd);
    }
}

} // namespace
