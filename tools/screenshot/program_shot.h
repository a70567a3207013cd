// Pictures of the running program: starts a program in a directory on the X server of $DISPLAY
// (SDL on x11, sound into SDL's dummy driver, its registry in the directory's "config", never
// the user's own), waits for the window it announces as its own
// (_NET_WM_PID), lets it run, reads the window's pixels back from the server, then closes it the
// way a window manager's close button does and waits for it to end (killed after 30 s).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Last: Xlib defines macros (None, Bool, Status) that other headers' names would meet.
#include <X11/Xlib.h>

namespace program_shot {

// Starts `program args...` in `directory` with SDL on x11, its sound into SDL's dummy driver
// and its registry in the directory's "config"; `environment` ("NAME=value" each) adds to or
// replaces the variables it inherits. The process id, or -1.
pid_t start(const std::string &program, const std::vector<std::string> &args, const std::string &directory,
            const std::vector<std::string> &environment = {});
// The top-level window that the process announced as its own, or 0.
Window find_window_of(Display *display, pid_t pid);
// A close request as a window manager's close button sends it (WM_DELETE_WINDOW).
void send_close(Display *display, Window w);
// Input as the X server delivers it to the window (events sent to it, the pointer itself stays):
// with button_change 0 the pointer moves to (x, y) of the window; 1 presses the left button
// there, -1 releases it.
void send_pointer(Display *display, Window w, int x, int y, int button_change);
// The pointer entering (true) or leaving the window at (x, y) of the window, as the X server
// reports a crossing (normal mode, from or to the parent).
void send_crossing(Display *display, Window w, int x, int y, bool enter);
// A key of the keyboard pressed (down) or released over the window.
void send_key(Display *display, Window w, KeySym key, bool down);
// Whether the process ended within the limit; its status in `status`.
bool wait_exit(pid_t pid, int &status, std::chrono::seconds limit);

struct shot
{
    bool ok = false;
    std::string error; // why there is no picture
    int width = 0, height = 0;
    std::vector<uint32_t> rgb; // top-down rows, 0xRRGGBB
    int exit_status = -1;      // the program's exit code, -1 when it did not end by itself
    uint32_t at(int x, int y) const { return rgb[(size_t)y * (size_t)width + (size_t)x]; }
};

// Reads the window's pixels (the part on the screen) into out; false when it cannot.
bool grab(Display *display, Window w, shot &out);

// Runs `program args...` in `directory`, takes the picture `seconds` after its window appeared.
shot take(const std::string &program, const std::vector<std::string> &args, const std::string &directory,
          double seconds);

} // namespace program_shot
