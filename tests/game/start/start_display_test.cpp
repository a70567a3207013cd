// The program on the demo data under the X server of the test run, as a user meets it: it
// starts through the intro into the main menu; closing the window asks first (the program
// goes on), "yes" in the exit window starts the credits, and a key ends them and the program
// in order.
#include <gtest/gtest.h>
// After gtest: Xlib defines macros (None, Bool) that gtest's own names would meet.
#include "tools/screenshot/program_shot.h"

#include <X11/keysym.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;

std::string read_file(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class start_display_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "needs an X server (xvfb-run)";
        // Events to a window that has gone fail quietly: the checks after them say why.
        XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
        std::string pattern = (fs::temp_directory_path() / "start_display_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        fs::copy(fs::path(ENGINE_BINARY_DIR) / "demo" / "data", dir / "data", fs::copy_options::recursive);
    }
    void TearDown() override
    {
        if (pid > 0 && !ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        if (display)
            XCloseDisplay(display);
        if (!dir.empty())
            fs::remove_all(dir);
    }

    void start()
    {
        // The user's options go to the directory's own registry ("config").
        pid = program_shot::start((fs::path(ENGINE_BINARY_DIR) / "bin" / "Vizuzuze").string(), {"-datadir", "data"},
                                  dir.string());
        ASSERT_GT(pid, 0);
        const auto end = clock_type::now() + std::chrono::seconds(60);
        while (!window && !has_ended() && clock_type::now() < end) {
            window = program_shot::find_window_of(display, pid);
            if (!window)
                pause_ms(100);
        }
        ASSERT_NE(window, 0u) << (ended ? "the program ended before its window appeared:\n" : "no window appeared:\n")
                              << log();
    }
    bool has_ended()
    {
        if (!ended && waitpid(pid, &status, WNOHANG) == pid)
            ended = true;
        return ended;
    }
    // Waits until console.log holds the text, the program ends or the time is up.
    bool wait_for_log(const std::string &text, int seconds)
    {
        const auto end = clock_type::now() + std::chrono::seconds(seconds);
        while (clock_type::now() < end && !has_ended()) {
            if (log().find(text) != std::string::npos)
                return true;
            pause_ms(100);
        }
        return log().find(text) != std::string::npos;
    }
    std::string log() { return read_file(dir / "console.log"); }
    // A left click at (x, y) of the UI, which the window shows at its own size. The pointer
    // that the game draws starts at (0, 0) and follows the mouse's movements: first to the
    // corner, where it stays, then by (x, y).
    void click(int x, int y)
    {
        program_shot::send_pointer(display, window, 0, 0, 0);
        pause_ms(300);
        program_shot::send_pointer(display, window, x, y, 0);
        pause_ms(300);
        program_shot::send_pointer(display, window, x, y, 1);
        pause_ms(300);
        program_shot::send_pointer(display, window, x, y, -1);
        pause_ms(300);
    }

    Display *display = nullptr;
    fs::path dir;
    pid_t pid = 0;
    Window window = 0;
    int status = 0;
    bool ended = false;
};

TEST_F(start_display_test, the_program_starts_into_the_main_menu_and_a_close_ends_it_through_the_exit_window)
{
    start();
    ASSERT_NE(window, 0u);
    // The intro video and the splash picture take some seconds; then the main menu loads its
    // location.
    ASSERT_TRUE(wait_for_log("Location 'menu_space'", 90)) << log();
    pause_ms(1000);
    // The window the program drew into by now: the first one it announced may have been
    // replaced when the device set up its drawing.
    window = program_shot::find_window_of(display, pid);
    ASSERT_NE(window, 0u);

    // Closing the window asks first: the program goes on.
    program_shot::send_close(display, window);
    pause_ms(1500);
    ASSERT_FALSE(has_ended()) << "the close ended the program without asking:\n" << log();

    // "yes" of the exit window (data/scripts/window_exit.isc: the window at (312, 294), its
    // button at (60, 110) in it, 128 x 32) starts the credits; the program plays them, and a key
    // ends them at once. A loaded machine may take the click before the exit window is up, or the
    // key before the credits run: the click and the key are given again until the program ends.
    // The credits cannot have begun before the first click and last some 17 s by themselves, so
    // an end well within that time came from a key.
    const auto first_click = clock_type::now();
    bool keyed = false;
    while (!has_ended() && clock_type::now() - first_click < std::chrono::seconds(9)) {
        click(312 + 60 + 64, 294 + 110 + 16);
        pause_ms(1500);
        if (has_ended())
            break;
        program_shot::send_key(display, window, XK_space, true);
        pause_ms(200);
        program_shot::send_key(display, window, XK_space, false);
        keyed = true;
        for (int i = 0; i < 30 && !has_ended(); ++i)
            pause_ms(100);
    }
    ASSERT_TRUE(keyed) << "the program ended without its credits:\n" << log();
    for (int i = 0; i < 100 && !has_ended(); ++i)
        pause_ms(100);
    ASSERT_TRUE(has_ended()) << "the program did not end after the key:\n" << log();
    EXPECT_LT(clock_type::now() - first_click, std::chrono::seconds(16))
        << "the credits ran their whole length: the key did not end them";
    const std::string text = log();
    ASSERT_TRUE(WIFEXITED(status)) << text;
    EXPECT_EQ(WEXITSTATUS(status), 0) << text;
    EXPECT_EQ(text.find("---------------------------"), std::string::npos) << "an exception reached the main loop:\n"
                                                                           << text;
    // Ending in order wrote the user's options.
    EXPECT_EQ(read_file(dir / "config" / "Varnholt" / "Telvoran" / "Options").size(), 24u);
}

} // namespace
