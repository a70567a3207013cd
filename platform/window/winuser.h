// The Windows-shaped windowing layer: window classes, windows with their window procedure, one
// message queue for the program, the message codes and wParam/lParam packing the engine reads,
// window and client rectangles, and the system cursor (clip, show, position).
//
// Contract:
// - HWND is a platform_window_s*; a handle stays comparable after its window is destroyed, but
//   only IsWindow may be asked about it then.
// - The queue is the program's one thread queue. PeekMessage first lets the backend turn the
//   system's pending events into posted messages, then takes the oldest matching message. A
//   window filter also takes messages posted to no window (WM_QUIT), so a window's pump sees the
//   quit that its own WM_DESTROY posted.
// - Sent messages (SendMessage, WM_CREATE inside CreateWindowEx, WM_DESTROY inside DestroyWindow)
//   run the window procedure at once, re-entrantly if need be.
// - Keys arrive as WM_KEYDOWN/WM_KEYUP (or WM_SYSKEYDOWN/WM_SYSKEYUP for Alt, F10 and keys held
//   with Alt) with the virtual key in wParam and, in lParam, the repeat count (bits 0-15), the
//   set-1 scan code (16-23), the extended-key bit (24), Alt held (29), the previous key state (30)
//   and the transition bit (31). No WM_CHAR is ever made.
// - Mouse positions are client coordinates in lParam (signed low word x, high word y); wParam has
//   the MK_* button bits; the wheel is 120 per notch in the high word of wParam.
// - Window rectangles are screen coordinates and include the frame of captioned styles, the
//   same for GetWindowRect, AdjustWindowRectEx and SetWindowPos. On the fake backend that frame
//   has a fixed size (WINDOW_FRAME_*); on SDL the window manager draws the real one outside the
//   client area, so there the window rectangle is the client area on the screen.
// - Window titles are cp1251 bytes.
// Backends: "sdl" (the default) and "fake" (see window_fake.h), chosen before the first window.
#pragma once

#include "platform/sys/wintypes.h"

typedef uint16_t ATOM;
typedef intptr_t LONG_PTR;
typedef const char *LPCSTR;
typedef void *HICON;
typedef void *HCURSOR;
typedef void *HBRUSH;
typedef void *HMENU;
typedef void *HGDIOBJ;
typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);

#define MAKEINTRESOURCE(i) ((LPCSTR)(uintptr_t)(WORD)(i))
#define IDC_ARROW MAKEINTRESOURCE(32512)
#define BLACK_BRUSH 4

#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xFFFF))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xFFFF))
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))
#define GET_WHEEL_DELTA_WPARAM(wp) ((short)HIWORD(wp))
#define MAKELPARAM(lo, hi) ((LPARAM)(DWORD)(((WORD)(lo)) | (((DWORD)(WORD)(hi)) << 16)))
#define MAKEWPARAM(lo, hi) ((WPARAM)(DWORD)(((WORD)(lo)) | (((DWORD)(WORD)(hi)) << 16)))
#define WHEEL_DELTA 120

// Message codes.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_USER = 0x0400;

// Button and modifier bits of mouse messages' wParam.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

constexpr WORD HTCLIENT = 1;

// Virtual keys the layer itself looks at.
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_F4 = 0x73;
constexpr UINT VK_F10 = 0x79;

// Window styles.
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;

constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWLP_USERDATA = -21;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// The frame that captioned windows carry around their client area on the fake backend.
constexpr LONG WINDOW_FRAME_SIDE = 3;
constexpr LONG WINDOW_FRAME_CAPTION = 23;

struct MSG
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

struct WNDCLASSEX
{
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};

struct CREATESTRUCT
{
    void *lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy, cx, y, x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

ATOM RegisterClassEx(const WNDCLASSEX *wc);
BOOL UnregisterClass(LPCSTR class_name, HINSTANCE instance);
HWND CreateWindowEx(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, HINSTANCE instance, void *param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL SetWindowText(HWND hwnd, LPCSTR title);
LONG GetWindowLong(HWND hwnd, int index);
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);

BOOL PeekMessage(MSG *msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove);
BOOL TranslateMessage(const MSG *msg);
LRESULT DispatchMessage(const MSG *msg);
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(int exit_code);
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

BOOL GetWindowRect(HWND hwnd, RECT *rect);
BOOL GetClientRect(HWND hwnd, RECT *rect);
BOOL AdjustWindowRectEx(RECT *rect, DWORD style, BOOL menu, DWORD ex_style);
BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags);
BOOL ScreenToClient(HWND hwnd, POINT *point);
BOOL ClientToScreen(HWND hwnd, POINT *point);

BOOL ClipCursor(const RECT *rect);
BOOL GetClipCursor(RECT *rect);
HCURSOR SetCursor(HCURSOR cursor);
int ShowCursor(BOOL show);
BOOL SetCursorPos(int x, int y);
BOOL GetCursorPos(POINT *point);

HICON LoadIcon(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name);
HGDIOBJ GetStockObject(int object);
