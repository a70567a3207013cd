// Drives the real program for tests and tools: starts it under the X server of $DISPLAY in a
// directory of its own (optionally on the test clock, ENGINE_CLOCK_RATE), knows where it is by
// what it already shows (console.log, the window's pixels, the files it writes), and gives it
// input as a user would (pointer clicks at a position or on a control named in a screen script,
// keys, typed text). Nothing in the program is made for it.
//
// Usage (a test under xvfb-run, ctest label `display`):
//
//     program_driver::driver_c game(dir);                    // dir holds a copy of the data
//     ASSERT_TRUE(game.start(ENGINE_BINARY_DIR "/bin/Vizuzuze", {"-datadir", "data"}, 8.0))
//         << game.error();                                   // 8: the game's clock runs 8 x
//     ASSERT_TRUE(game.wait_log("Location 'menu_space'", 90)) << game.log();
//     game.click_control("data/scripts/screen_main.isc", "play_local");   // a named control
//     game.click(512, 400);                                  // or a point of the 1024 x 768 UI
//     program_driver::shot s;
//     game.wait_shot([](const program_driver::shot &s) { return s.at(10, 10) == 0xffffff; }, 30, s);
//     game.type_text("Ivan");  game.key(XK_Return);
//     game.close(); game.wait_exit(30);                      // or let the destructor kill it
//
// Times given to the driver are real seconds. Controls are found by reading the screen script
// (templates, nested `children` blocks and their offsets): `screen_rect` gives the rectangle (an
// edit field's size 0 0 counts as 16 x 16); a control with only `pos` gets the first cell of its
// texture strip (a button's `tex` width / 4, its height), which a click at its middle always hits.
#pragma once

#include "tools/screenshot/program_shot.h"

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace program_driver {

using program_shot::shot;

struct box
{
    int x = 0, y = 0, w = 0, h = 0;
    int cx() const { return x + w / 2; }
    int cy() const { return y + h / 2; }
};

// The rectangle (screen coordinates of the 1024 x 768 UI) of the control named `name` in the
// screen script at `path`; false, with the reason in `error`, when there is none.
bool control_box(const std::string &path, const std::string &name, box &out, std::string *error = nullptr);
// A rect attribute of that control (e.g. a menu's "item_rect_3"), offset by the control's own
// top-left corner as the control draws it.
bool control_attribute_box(const std::string &path, const std::string &name, const std::string &attribute,
                           box &out, std::string *error = nullptr);

// Writes the picture as an RGB PNG; false when it cannot.
bool save_png(const std::string &path, const shot &s);

class driver_c
{
public:
    // The program runs in `directory`; its registry goes to the directory's "config".
    explicit driver_c(std::string directory);
    // Kills a program still running.
    ~driver_c();
    driver_c(const driver_c &) = delete;
    driver_c &operator=(const driver_c &) = delete;

    // Starts `program args...` (an absolute path, or one relative to the current directory) and
    // waits (60 s at most) for its window; clock_rate other than 1 puts it on the test clock,
    // `environment` ("NAME=value" each, e.g. HOME for the files it writes there) adds to it.
    bool start(const std::string &program, const std::vector<std::string> &args, double clock_rate = 1.0,
               const std::vector<std::string> &environment = {});
    const std::string &error() const { return m_error; }

    bool running();                // false once the program has ended
    int exit_status();             // its exit code, -1 while it runs or when it was killed
    std::string log() const;       // console.log as it stands
    // Where the program is: the last location it loaded (console.log's "Location '<name>'": the
    // main menu's "menu_space", the set-up's "player_3", a round's studio), "" before the first.
    std::string location() const;
    // Until console.log holds `text` at or after byte `from`: its offset, or npos when the time
    // ran out or the program ended first.
    size_t wait_log(const std::string &text, double seconds, size_t from = 0);

    bool grab(shot &out);
    // Until a picture of the window satisfies `ready` (checked every fifth of a second); the
    // last picture in `out`.
    bool wait_shot(const std::function<bool(const shot &)> &ready, double seconds, shot &out);

    // A left click at (x, y) of the UI. The program draws its own pointer, which follows the
    // mouse's movements from where it is: it is first pushed to the corner (0, 0), then moved.
    void click(int x, int y);
    void click(const box &b) { click(b.cx(), b.cy()); }
    // A click on the control named in the screen script; false when the script has no such one.
    bool click_control(const std::string &script, const std::string &name);
    void move(int x, int y);         // the pointer to (x, y), no button
    // Pressed and released a quarter of a second later. The game's key repeat runs on its own
    // clock: on the test clock a key held across frames types its character again.
    void key(unsigned long keysym);
    // Key by key, with no Shift: letters arrive lower case; digits, space and punctuation
    // without Shift as they stand.
    void type_text(const std::string &ascii);
    // The close request of a window manager's close button.
    void close();
    // Until the program ends (true) or the time runs out.
    bool wait_exit(double seconds);
    void kill();

    Display *display() const { return m_display; }
    Window window() const { return m_window; }
    pid_t pid() const { return m_pid; }
    const std::string &directory() const { return m_directory; }

private:
    void refind_window();
    void settle() const;

    std::string m_directory;
    std::string m_error;
    Display *m_display = nullptr;
    Window m_window = 0;
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_ended = false;
};

} // namespace program_driver
