// Runs the program on the demo data, started into the demo studio (where nothing asks before
// the program ends), under the X server of the test run and closes its window
// the way a window manager's close button does (WM_DELETE_WINDOW); the program must end by
// itself, in order, with exit code 0.
#include <gtest/gtest.h>
// After gtest: Xlib defines macros (None, Bool) that gtest's own names would meet.
#include "tools/screenshot/program_shot.h"
#include "tools/screenshot/demo_studio.h"
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace {

namespace fs = std::filesystem;
using program_shot::find_window_of;
using program_shot::send_close;
using program_shot::wait_exit;

std::string read_file(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(program_display, closing_the_window_ends_the_program_in_order)
{
    const char *binary_dir = ENGINE_BINARY_DIR;
    Display *display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "needs an X server (xvfb-run)";

    std::string pattern = (fs::temp_directory_path() / "window_display_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    fs::path dir = pattern;
    fs::copy(fs::path(binary_dir) / "demo" / "data", dir / "data", fs::copy_options::recursive);
    std::string init = read_file(dir / "data" / "scripts" / "init.isc");
    ASSERT_TRUE(demo_studio::start_studio(init)) << init;
    std::ofstream(dir / "data" / "scripts" / "init.isc", std::ios::binary) << init;
    std::string program = (fs::path(binary_dir) / "bin" / "Vizuzuze").string();

    // The program keeps the user's options in the registry: here, a directory of the test's own.
    std::vector<std::string> env_text = {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                         "XDG_CONFIG_HOME=" + (dir / "config").string()};
    for (char **e = environ; *e; ++e)
        if (std::string(*e).rfind("SDL_VIDEODRIVER=", 0) != 0 && std::string(*e).rfind("SDL_AUDIODRIVER=", 0) != 0 &&
            std::string(*e).rfind("XDG_CONFIG_HOME=", 0) != 0)
            env_text.push_back(*e);
    std::vector<char *> env;
    for (std::string &s : env_text)
        env.push_back(s.data());
    env.push_back(nullptr);
    std::string a0 = program, a1 = "-datadir", a2 = "data";
    char *argv[] = {a0.data(), a1.data(), a2.data(), nullptr};

    fs::path old_dir = fs::current_path();
    fs::current_path(dir);
    pid_t pid = 0;
    // The program's own error stream goes to a file, to tell LeakSanitizer's tracer crashing at
    // its exit (a known crash outside our code, which tools/ctest_run.sh retries) from a fault.
    const std::string errors_file = (dir / "stderr.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    fs::current_path(old_dir);
    ASSERT_EQ(spawned, 0);

    Window w = 0;
    int status = 0;
    bool ended = false;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!w && std::chrono::steady_clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            ended = true;
            break;
        }
        w = find_window_of(display, pid);
        if (!w)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::string log_before = read_file(dir / "console.log");
    ASSERT_FALSE(ended) << "the program ended before its window appeared:\n" << log_before;
    if (!w)
        kill(pid, SIGKILL);
    ASSERT_NE(w, 0u) << "no window appeared";

    // Let the program run a few ticks, then close as the window manager would.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    send_close(display, w);
    ended = wait_exit(pid, status, std::chrono::seconds(30));
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    XCloseDisplay(display);
    std::string log = read_file(dir / "console.log");
    const std::string options = read_file(dir / "config" / "Varnholt" / "Telvoran" / "Options");
    const std::string errors = read_file(errors_file);
    fs::remove_all(dir);
    std::cerr << errors;
    const bool tracer_crashed = errors.find("Tracer caught signal") != std::string::npos &&
                                errors.find("LeakSanitizer has encountered a fatal error.") != std::string::npos;

    ASSERT_TRUE(ended) << "the program did not end after its window was closed:\n" << log;
    ASSERT_TRUE(WIFEXITED(status)) << log;
    EXPECT_EQ(WEXITSTATUS(status), 0) << (tracer_crashed ? "the program's exit: LeakSanitizer's tracer crashed" : log);
    EXPECT_NE(log.find("Engine started: "), std::string::npos) << log;
    EXPECT_NE(log.find("DirectInput succesfully initialized.\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("---------------------------"), std::string::npos) << "an exception reached the main loop:\n" << log;
    // Ending in order wrote the user's options (the defaults: music on at 80, effects on at
    // 100, hints and camera movement on).
    EXPECT_EQ(options, std::string("\1\0\0\0\x50\0\0\0\1\0\0\0\x64\0\0\0\1\0\0\0\1\0\0\0", 24));
}

} // namespace
