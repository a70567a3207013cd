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

// The top-level window that the process announced as its own, or 0.
Window find_window_of(Display *display, pid_t pid);
// A close request as a window manager's close button sends it (WM_DELETE_WINDOW).
void send_close(Display *display, Window w);
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

// Runs `program args...` in `directory`, takes the picture `seconds` after its window appeared.
shot take(const std::string &program, const std::vector<std::string> &args, const std::string &directory,
          double seconds);

} // namespace program_shot
