#include <algorithm>
#include <csignal>
#include <filesystem>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/screenshot/program_shot.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

extern char **environ;

namespace program_shot {

namespace {

long window_pid(Display *display, Window w)
{
    Atom pid_atom = XInternAtom(display, "_NET_WM_PID", True);
    if (pid_atom == None)
        return -1;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, w, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data && count == 1)
        pid = (long)*(unsigned long *)data;
    if (data)
        XFree(data);
    return pid;
}

} // namespace

Window find_window_of(Display *display, pid_t pid)
{
    Window root = DefaultRootWindow(display), parent, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i)
            if (window_pid(display, children[i]) == pid)
                found = children[i];
        XFree(children);
    }
    return found;
}

void send_close(Display *display, Window w)
{
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, w, False, NoEventMask, &ev);
    XFlush(display);
}

namespace {

// The fields that pointer events share, for the window point (x, y).
template <class E> void place(E &e, Display *display, Window w, int x, int y)
{
    const Window root = DefaultRootWindow(display);
    Window child;
    e.display = display;
    e.window = w;
    e.root = root;
    e.x = e.x_root = x;
    e.y = e.y_root = y;
    XTranslateCoordinates(display, w, root, x, y, &e.x_root, &e.y_root, &child);
    e.same_screen = True;
}

} // namespace

void send_pointer(Display *display, Window w, int x, int y, int button_change)
{
    XEvent ev{};
    if (button_change == 0) {
        ev.xmotion.type = MotionNotify;
        place(ev.xmotion, display, w, x, y);
        XSendEvent(display, w, False, PointerMotionMask, &ev);
    } else {
        ev.xbutton.type = button_change > 0 ? ButtonPress : ButtonRelease;
        place(ev.xbutton, display, w, x, y);
        ev.xbutton.button = Button1;
        ev.xbutton.state = button_change > 0 ? 0 : Button1Mask;
        XSendEvent(display, w, False, button_change > 0 ? ButtonPressMask : ButtonReleaseMask, &ev);
    }
    XFlush(display);
}

void send_crossing(Display *display, Window w, int x, int y, bool enter)
{
    XEvent ev{};
    ev.xcrossing.type = enter ? EnterNotify : LeaveNotify;
    place(ev.xcrossing, display, w, x, y);
    ev.xcrossing.mode = NotifyNormal;
    ev.xcrossing.detail = NotifyAncestor;
    XSendEvent(display, w, False, enter ? EnterWindowMask : LeaveWindowMask, &ev);
    XFlush(display);
}

void send_key(Display *display, Window w, KeySym key, bool down)
{
    XEvent ev{};
    ev.xkey.type = down ? KeyPress : KeyRelease;
    ev.xkey.display = display;
    ev.xkey.window = w;
    ev.xkey.root = DefaultRootWindow(display);
    ev.xkey.keycode = XKeysymToKeycode(display, key);
    ev.xkey.same_screen = True;
    XSendEvent(display, w, False, down ? KeyPressMask : KeyReleaseMask, &ev);
    XFlush(display);
}

bool wait_exit(pid_t pid, int &status, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool grab(Display *display, Window w, shot &out)
{
    // Only the part of the window on the screen can be read: a window as large as the screen
    // may be placed partly outside it.
    XWindowAttributes wa, ra;
    const Window root = DefaultRootWindow(display);
    int x = 0, y = 0;
    Window child;
    if (!XGetWindowAttributes(display, w, &wa) || !XGetWindowAttributes(display, root, &ra) ||
        !XTranslateCoordinates(display, w, root, 0, 0, &x, &y, &child))
        return false;
    const int x0 = x < 0 ? -x : 0, y0 = y < 0 ? -y : 0;
    wa.width = std::min(wa.width, ra.width - x) - x0;
    wa.height = std::min(wa.height, ra.height - y) - y0;
    if (wa.width <= 0 || wa.height <= 0)
        return false;
    XImage *image = XGetImage(display, w, x0, y0, (unsigned)wa.width, (unsigned)wa.height, AllPlanes, ZPixmap);
    if (!image)
        return false;
    out.width = wa.width;
    out.height = wa.height;
    out.rgb.resize((size_t)wa.width * (size_t)wa.height);
    // The usual 24-bit visual keeps a pixel in 32 bits, 8 of them a channel: its rows are copied
    // as they stand. Tests look at a window several times a second, and a call a pixel took a
    // good part of a core from the programs they watch on a small machine.
    if (image->bits_per_pixel == 32 && image->byte_order == (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? LSBFirst : MSBFirst) &&
        image->red_mask == 0xff0000 && image->green_mask == 0xff00 && image->blue_mask == 0xff) {
        for (int y = 0; y < wa.height; ++y) {
            const auto *row = reinterpret_cast<const uint32_t *>(image->data + (size_t)y * (size_t)image->bytes_per_line);
            uint32_t *to = out.rgb.data() + (size_t)y * (size_t)wa.width;
            for (int x = 0; x < wa.width; ++x)
                to[x] = row[x] & 0xffffff;
        }
        XDestroyImage(image);
        return true;
    }
    for (int y = 0; y < wa.height; ++y)
        for (int x = 0; x < wa.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const uint32_t r = (uint32_t)((p & image->red_mask) * 255 / image->red_mask);
            const uint32_t g = (uint32_t)((p & image->green_mask) * 255 / image->green_mask);
            const uint32_t b = (uint32_t)((p & image->blue_mask) * 255 / image->blue_mask);
            out.rgb[(size_t)y * (size_t)wa.width + (size_t)x] = r << 16 | g << 8 | b;
        }
    XDestroyImage(image);
    return true;
}

pid_t start(const std::string &program, const std::vector<std::string> &args, const std::string &directory,
            const std::vector<std::string> &environment)
{
    std::vector<std::string> env_text = {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                         "XDG_CONFIG_HOME=" + (std::filesystem::absolute(directory) / "config").string()};
    env_text.insert(env_text.end(), environment.begin(), environment.end());
    const auto given = [&env_text](const std::string &s) {
        const std::string name = s.substr(0, s.find('=') + 1);
        return std::any_of(env_text.begin(), env_text.end(),
                           [&name](const std::string &e) { return e.rfind(name, 0) == 0; });
    };
    for (char **e = environ; *e; ++e) {
        const std::string s(*e);
        if (!given(s))
            env_text.push_back(s);
    }
    std::vector<char *> env;
    for (std::string &s : env_text)
        env.push_back(s.data());
    env.push_back(nullptr);
    std::vector<std::string> argv_text = {program};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : argv_text)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

shot take(const std::string &program, const std::vector<std::string> &args, const std::string &directory,
          double seconds)
{
    shot out;
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        out.error = "no X server ($DISPLAY); run under xvfb-run";
        return out;
    }
    const pid_t pid = start(program, args, directory);
    if (pid < 0) {
        out.error = "could not start " + program;
        XCloseDisplay(display);
        return out;
    }

    Window w = 0;
    int status = 0;
    bool ended = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!w && !ended && std::chrono::steady_clock::now() < end) {
        ended = waitpid(pid, &status, WNOHANG) == pid;
        w = ended ? 0 : find_window_of(display, pid);
        if (!w)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (w) {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (!ended && grab(display, w, out))
            out.ok = true;
        else
            out.error = ended ? "the program ended before the picture" : "could not read the window";
        if (!ended) {
            send_close(display, w);
            ended = wait_exit(pid, status, std::chrono::seconds(30));
        }
    } else {
        out.error = ended ? "the program ended before its window appeared" : "no window appeared";
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else if (WIFEXITED(status)) {
        out.exit_status = WEXITSTATUS(status);
    }
    XCloseDisplay(display);
    return out;
}

} // namespace program_shot
