#include "tools/driver/program_driver.h"

#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <utility>

#include <X11/Xutil.h>

namespace program_driver {

namespace {

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;

void pause_seconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

std::string read_file(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The screen scripts' syntax as far as layout needs it: words, quoted strings, punctuation;
// comments skipped.
std::vector<std::string> tokens_of(const std::string &text)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isspace((unsigned char)c)) {
            ++i;
        } else if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
        } else if (text.compare(i, 2, "/*") == 0) {
            i = text.find("*/", i);
            i = i == std::string::npos ? i : i + 2;
        } else if (c == '"') {
            const size_t end = text.find('"', i + 1);
            out.push_back(text.substr(i, end == std::string::npos ? std::string::npos : end + 1 - i));
            i = end == std::string::npos ? end : end + 1;
        } else if (std::string("{}[];:,=").find(c) != std::string::npos) {
            out.emplace_back(1, c);
            ++i;
        } else {
            const size_t start = i;
            while (i < text.size() && !std::isspace((unsigned char)text[i]) &&
                   std::string("{}[];:,=\"").find(text[i]) == std::string::npos)
                ++i;
            out.push_back(text.substr(start, i - start));
        }
    }
    return out;
}

using attributes = std::map<std::string, std::vector<std::string>>;

struct control_s
{
    attributes attrs;
    int origin_x = 0, origin_y = 0; // the parent's top-left corner on the screen
};

class layout_reader
{
public:
    explicit layout_reader(const std::string &text) : m_tokens(tokens_of(text)) {}

    // Every created object with its attributes and its parent's corner.
    std::vector<control_s> read()
    {
        statements(0, 0);
        return m_controls;
    }

private:
    bool at(const char *t) const { return m_at < m_tokens.size() && m_tokens[m_at] == t; }
    std::string next() { return m_at < m_tokens.size() ? m_tokens[m_at++] : std::string(); }

    // `{ type name = value; ... }` into `into`; the values are kept as their tokens.
    void attribute_block(attributes &into)
    {
        if (!at("{"))
            return;
        ++m_at;
        while (m_at < m_tokens.size() && !at("}")) {
            next(); // the type
            const std::string name = next();
            if (!at("="))
                continue;
            ++m_at;
            std::vector<std::string> value;
            while (m_at < m_tokens.size() && !at(";") && !at("}")) {
                const std::string t = next();
                if (t != "[" && t != "]")
                    value.push_back(t);
            }
            if (at(";"))
                ++m_at;
            into[name] = value;
        }
        if (at("}"))
            ++m_at;
    }

    static bool corner_of(const attributes &a, int &x, int &y)
    {
        for (const char *key : {"screen_rect", "pos"}) {
            auto it = a.find(key);
            if (it != a.end() && it->second.size() >= 2) {
                x = std::atoi(it->second[0].c_str());
                y = std::atoi(it->second[1].c_str());
                return true;
            }
        }
        return false;
    }

    void statements(int origin_x, int origin_y)
    {
        while (m_at < m_tokens.size() && !at("}")) {
            const std::string word = next();
            if (word == "template") {
                attributes a;
                const std::string name = next();
                attribute_block(a);
                m_templates[name] = a;
            } else if (word == "create") {
                next(); // the class
                control_s c;
                c.origin_x = origin_x;
                c.origin_y = origin_y;
                std::vector<std::string> bases;
                if (at(":")) {
                    ++m_at;
                    while (m_at < m_tokens.size() && !at("{")) {
                        const std::string t = next();
                        if (t != ",")
                            bases.push_back(t);
                    }
                }
                for (const std::string &b : bases)
                    for (const auto &kv : m_templates[b])
                        c.attrs[kv.first] = kv.second;
                attribute_block(c.attrs);
                m_controls.push_back(c);
                if (at("children")) {
                    ++m_at;
                    if (at(":"))
                        ++m_at;
                    if (at("{")) {
                        ++m_at;
                        int x = 0, y = 0;
                        corner_of(c.attrs, x, y);
                        statements(origin_x + x, origin_y + y);
                        if (at("}"))
                            ++m_at;
                    }
                }
            }
        }
    }

    std::vector<std::string> m_tokens;
    size_t m_at = 0;
    std::map<std::string, attributes> m_templates;
    std::vector<control_s> m_controls;
};

bool find_control(const std::string &path, const std::string &name, control_s &out, std::string *error)
{
    const std::string text = read_file(path);
    if (text.empty()) {
        if (error)
            *error = "no screen script " + path;
        return false;
    }
    for (const control_s &c : layout_reader(text).read()) {
        auto it = c.attrs.find("name");
        if (it != c.attrs.end() && !it->second.empty() && it->second[0] == "\"" + name + "\"") {
            out = c;
            return true;
        }
    }
    if (error)
        *error = "no control \"" + name + "\" in " + path;
    return false;
}

bool numbers(const attributes &a, const char *key, size_t count, std::vector<int> &out)
{
    auto it = a.find(key);
    if (it == a.end() || it->second.size() < count)
        return false;
    out.clear();
    for (size_t i = 0; i < count; ++i)
        out.push_back(std::atoi(it->second[i].c_str()));
    return true;
}

bool box_of(const control_s &c, box &out)
{
    std::vector<int> v;
    if (numbers(c.attrs, "screen_rect", 4, v)) {
        // An edit field gives no size (0 0): it grows to its texture, at least 16 x 16.
        out = {c.origin_x + v[0], c.origin_y + v[1], v[2] > 0 ? v[2] : 16, v[3] > 0 ? v[3] : 16};
        return true;
    }
    if (!numbers(c.attrs, "pos", 2, v))
        return false;
    out = {c.origin_x + v[0], c.origin_y + v[1], 16, 16};
    std::vector<int> tex;
    if (numbers(c.attrs, "tex", 4, tex) && tex[2] >= 4 && tex[3] > 0) {
        out.w = tex[2] / 4;
        out.h = tex[3];
    }
    return true;
}

} // namespace

bool control_box(const std::string &path, const std::string &name, box &out, std::string *error)
{
    control_s c;
    if (!find_control(path, name, c, error))
        return false;
    if (box_of(c, out))
        return true;
    if (error)
        *error = "control \"" + name + "\" has neither screen_rect nor pos";
    return false;
}

bool control_attribute_box(const std::string &path, const std::string &name, const std::string &attribute,
                           box &out, std::string *error)
{
    control_s c;
    box own;
    std::vector<int> v;
    if (!find_control(path, name, c, error))
        return false;
    // Without a rectangle of its own a control stands at its parent's corner.
    if (!box_of(c, own))
        own = {c.origin_x, c.origin_y, 0, 0};
    if (!numbers(c.attrs, attribute.c_str(), 4, v)) {
        if (error)
            *error = "control \"" + name + "\" has no rect " + attribute;
        return false;
    }
    out = {own.x + v[0], own.y + v[1], v[2], v[3]};
    return true;
}

bool save_png(const std::string &path, const shot &s)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, (png_uint_32)s.width, (png_uint_32)s.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row((size_t)s.width * 3);
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const uint32_t c = s.at(x, y);
            row[(size_t)x * 3] = (png_byte)(c >> 16);
            row[(size_t)x * 3 + 1] = (png_byte)(c >> 8);
            row[(size_t)x * 3 + 2] = (png_byte)c;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

driver_c::driver_c(std::string directory) : m_directory(std::move(directory)) {}

driver_c::~driver_c()
{
    kill();
    if (m_display)
        XCloseDisplay(m_display);
}

bool driver_c::start(const std::string &program, const std::vector<std::string> &args, double clock_rate,
                     const std::vector<std::string> &environment)
{
    if (!m_display) {
        m_display = XOpenDisplay(nullptr);
        if (!m_display) {
            m_error = "no X server ($DISPLAY); run under xvfb-run";
            return false;
        }
        // Events to a window that has gone fail quietly: the program's end says why.
        XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    }
    std::vector<std::string> env = environment;
    if (clock_rate != 1.0) {
        char text[64];
        std::snprintf(text, sizeof text, "ENGINE_CLOCK_RATE=%g", clock_rate);
        env.emplace_back(text);
    }
    m_pid = program_shot::start(fs::absolute(program).string(), args, m_directory, env);
    m_ended = false;
    m_window = 0;
    if (m_pid < 0) {
        m_error = "could not start " + program;
        return false;
    }
    const auto end = clock_type::now() + std::chrono::seconds(60);
    while (!m_window && running() && clock_type::now() < end) {
        m_window = program_shot::find_window_of(m_display, m_pid);
        if (!m_window)
            pause_seconds(0.1);
    }
    if (!m_window)
        m_error = m_ended ? "the program ended before its window appeared" : "no window appeared";
    return m_window != 0;
}

bool driver_c::running()
{
    if (m_pid > 0 && !m_ended && waitpid(m_pid, &m_status, WNOHANG) == m_pid)
        m_ended = true;
    return m_pid > 0 && !m_ended;
}

int driver_c::exit_status()
{
    return !running() && m_pid > 0 && WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
}

std::string driver_c::log() const { return read_file(fs::path(m_directory) / "console.log"); }

std::string driver_c::location() const
{
    static const std::string mark = "Location '";
    const std::string text = log();
    const size_t at = text.rfind(mark);
    if (at == std::string::npos)
        return std::string();
    const size_t from = at + mark.size(), end = text.find('\'', from);
    return end == std::string::npos ? std::string() : text.substr(from, end - from);
}

size_t driver_c::wait_log(const std::string &text, double seconds, size_t from)
{
    const auto end = clock_type::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        const bool alive = running();
        const std::string now = log();
        const size_t at = from <= now.size() ? now.find(text, from) : std::string::npos;
        if (at != std::string::npos || !alive || clock_type::now() >= end)
            return at;
        pause_seconds(0.1);
    }
}

// The window the program draws into: the first one it announced may have been replaced when
// its device set up its drawing.
void driver_c::refind_window()
{
    if (const Window w = program_shot::find_window_of(m_display, m_pid))
        m_window = w;
}

bool driver_c::grab(shot &out)
{
    if (!running())
        return false;
    refind_window();
    out = shot();
    out.ok = program_shot::grab(m_display, m_window, out);
    return out.ok;
}

bool driver_c::wait_shot(const std::function<bool(const shot &)> &ready, double seconds, shot &out)
{
    const auto end = clock_type::now() + std::chrono::duration<double>(seconds);
    do {
        if (grab(out) && ready(out))
            return true;
        pause_seconds(0.2);
    } while (running() && clock_type::now() < end);
    return false;
}

// The program reads input once a frame: events a frame apart reach it one by one.
void driver_c::settle() const { pause_seconds(0.25); }

void driver_c::move(int x, int y)
{
    refind_window();
    program_shot::send_pointer(m_display, m_window, 0, 0, 0);
    settle();
    program_shot::send_pointer(m_display, m_window, x, y, 0);
    settle();
}

void driver_c::click(int x, int y)
{
    move(x, y);
    program_shot::send_pointer(m_display, m_window, x, y, 1);
    settle();
    program_shot::send_pointer(m_display, m_window, x, y, -1);
    settle();
}

bool driver_c::click_control(const std::string &script, const std::string &name)
{
    box b;
    if (!control_box(script, name, b, &m_error))
        return false;
    click(b);
    return true;
}

void driver_c::key(unsigned long keysym)
{
    refind_window();
    program_shot::send_key(m_display, m_window, (KeySym)keysym, true);
    settle();
    program_shot::send_key(m_display, m_window, (KeySym)keysym, false);
    settle();
}

void driver_c::type_text(const std::string &ascii)
{
    for (const char c : ascii)
        key((unsigned long)(unsigned char)c); // Latin-1 key symbols are the characters' codes
}

void driver_c::close()
{
    refind_window();
    program_shot::send_close(m_display, m_window);
}

bool driver_c::wait_exit(double seconds)
{
    const auto end = clock_type::now() + std::chrono::duration<double>(seconds);
    while (running() && clock_type::now() < end)
        pause_seconds(0.05);
    return !running();
}

void driver_c::kill()
{
    if (running()) {
        ::kill(m_pid, SIGKILL);
        waitpid(m_pid, &m_status, 0);
        m_ended = true;
    }
}

} // namespace program_driver
