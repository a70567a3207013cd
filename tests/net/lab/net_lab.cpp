#include "tests/net/lab/net_lab.h"

#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "kernel/root.h"
#include "tools/netns/private_network.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace net_lab
{
namespace
{
double real_seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void write_all(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += (size_t)n;
    }
}

int run_quiet(const std::string &command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

[[noreturn]] void child_main(int n, double clock_start, double rate, int commands, int events, int go,
                             const std::function<void(pc_c &)> &body, pc_c &pc)
{
    int status = 0;
    try {
        if (::unshare(CLONE_NEWNET | CLONE_NEWUTS) != 0)
            throw std::runtime_error(std::string("unshare: ") + std::strerror(errno));
        std::string host = "pc" + std::to_string(n);
        ::sethostname(host.c_str(), host.size());
        write_all(events, "ns\n");
        char c;
        if (::read(go, &c, 1) != 1)
            _exit(2);
        ::close(go);
        std::string a = pc_address(n);
        if (run_quiet("ip addr add " + a + "/24 broadcast 10.77.0.255 dev eth0") != 0 ||
            run_quiet("ip link set eth0 up") != 0 || run_quiet("ip link set lo up") != 0)
            throw std::runtime_error("ip could not set up eth0");
        pc.m_number = n;
        pc.m_clock_start = clock_start;
        pc.m_rate = rate;
        pc.m_commands = commands;
        pc.m_events = events;
        pc.m_real_start = real_seconds();
        pc.m_root = new abstract_c(nullptr);
        new clock_c(pc.m_root, nullptr);
        pc.tick();
        pc.emit("up");
        body(pc);
    } catch (const exception_c &e) {
        pc.m_events = events;
        pc.emit("error " + e.get_message());
        status = 1;
    } catch (const std::exception &e) {
        pc.m_events = events;
        pc.emit(std::string("error ") + e.what());
        status = 1;
    }
    try {
        delete pc.m_root;
    } catch (...) {
    }
    _exit(status);
}
} // namespace

std::string pc_address(int n) { return "10.77.0." + std::to_string(n); }

double pc_c::now() const { return m_clock_start + m_rate * (real_seconds() - m_real_start); }

void pc_c::tick()
{
    double t = now();
    float interval = (float)(t - m_last_tick);
    m_last_tick = t;
    m_root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG((float)t), MSG_ARG(interval), MSG_ARGS_END);
    m_root->collect_dead_children();
}

void pc_c::emit(const std::string &line) { write_all(m_events, line + "\n"); }

void pc_c::run(const std::function<void(const std::string &)> &on_command, const std::function<void()> &on_idle,
               double limit, double step)
{
    double end = real_seconds() + limit;
    while (real_seconds() < end) {
        tick();
        if (on_idle)
            on_idle();
        pollfd p = {m_commands, POLLIN, 0};
        if (::poll(&p, 1, (int)(step * 1000)) > 0) {
            char buffer[4096];
            ssize_t n = ::read(m_commands, buffer, sizeof buffer);
            if (n <= 0)
                return;
            m_pending.append(buffer, (size_t)n);
            size_t eol;
            while ((eol = m_pending.find('\n')) != std::string::npos) {
                std::string line = m_pending.substr(0, eol);
                m_pending.erase(0, eol + 1);
                if (line == "quit")
                    return;
                on_command(line);
            }
        }
    }
}

std::string lab_c::unavailable()
{
    std::string why = enter_private_network();
    if (!why.empty())
        return why;
    if (run_quiet("ip -V") != 0)
        return "iproute2's ip is not installed (setup.sh installs it)";
    // The kernel may lack bridges or veth pairs even where namespaces work.
    static const std::string links = [] {
        bool ok = run_quiet("ip link add labprobe0 type bridge") == 0 &&
                  run_quiet("ip link add labprobe1 type veth peer name labprobe2") == 0;
        run_quiet("ip link del labprobe1");
        run_quiet("ip link del labprobe0");
        return ok ? std::string() : std::string("the kernel refuses a bridge or a veth pair in the namespace");
    }();
    return links;
}

lab_c::lab_c()
{
    std::string why = unavailable();
    if (!why.empty())
        throw std::runtime_error(why);
    run_quiet("ip link del lab0");
    if (run_quiet("ip link add lab0 type bridge") != 0 || run_quiet("ip link set lab0 up") != 0)
        throw std::runtime_error("ip could not make the lab's bridge");
}

lab_c::~lab_c()
{
    for (auto &[n, c] : m_pcs) {
        if (c.commands >= 0)
            ::close(c.commands);
        if (c.pid > 0) {
            ::kill(c.pid, SIGKILL);
            ::waitpid(c.pid, nullptr, 0);
        }
        if (c.events >= 0)
            ::close(c.events);
    }
    run_quiet("ip link del lab0");
}

void lab_c::start_pc(int n, double clock_start, double rate, std::function<void(pc_c &)> body)
{
    int commands[2], events[2], go[2];
    if (::pipe(commands) != 0 || ::pipe(events) != 0 || ::pipe(go) != 0)
        throw std::runtime_error("pipe failed");
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        for (auto &[m, c] : m_pcs) {
            ::close(c.commands);
            ::close(c.events);
        }
        ::close(commands[1]);
        ::close(events[0]);
        ::close(go[1]);
        ::signal(SIGPIPE, SIG_IGN);
        pc_c pc;
        child_main(n, clock_start, rate, commands[0], events[1], go[0], body, pc);
    }
    ::close(commands[0]);
    ::close(events[1]);
    ::close(go[0]);
    ::signal(SIGPIPE, SIG_IGN);
    child_s &c = m_pcs[n];
    c.pid = pid;
    c.commands = commands[1];
    c.events = events[0];
    std::string line;
    bool ready = next_event(n, line, 30.0) && line == "ns";
    std::string host_end = "lv" + std::to_string(n);
    ready = ready &&
            run_quiet("ip link add " + host_end + " type veth peer name eth0 netns " + std::to_string(pid)) == 0 &&
            run_quiet("ip link set " + host_end + " master lab0 up") == 0;
    write_all(go[1], "g");
    ::close(go[1]);
    if (!ready || !next_event(n, line, 30.0) || line != "up")
        throw std::runtime_error("PC " + std::to_string(n) + " did not come up: " + line);
}

void lab_c::send(int n, const std::string &line) { write_all(m_pcs.at(n).commands, line + "\n"); }

bool lab_c::next_event(int n, std::string &line, double timeout)
{
    child_s &c = m_pcs.at(n);
    double end = real_seconds() + timeout;
    for (;;) {
        size_t eol = c.buffer.find('\n');
        if (eol != std::string::npos) {
            line = c.buffer.substr(0, eol);
            c.buffer.erase(0, eol + 1);
            return true;
        }
        double left = end - real_seconds();
        if (left <= 0 || c.events < 0)
            return false;
        pollfd p = {c.events, POLLIN, 0};
        if (::poll(&p, 1, (int)(left * 1000) + 1) <= 0)
            continue;
        char buffer[4096];
        ssize_t got = ::read(c.events, buffer, sizeof buffer);
        if (got <= 0) {
            ::close(c.events);
            c.events = -1;
            continue;
        }
        c.buffer.append(buffer, (size_t)got);
    }
}

bool lab_c::wait_for(int n, const std::string &prefix, std::string &line, double timeout)
{
    double end = real_seconds() + timeout;
    while (next_event(n, line, end - real_seconds()))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

void lab_c::kill(int n)
{
    child_s &c = m_pcs.at(n);
    if (c.pid > 0) {
        ::kill(c.pid, SIGKILL);
        ::waitpid(c.pid, nullptr, 0);
        c.pid = -1;
    }
}

bool lab_c::alive(int n) const
{
    auto i = m_pcs.find(n);
    return i != m_pcs.end() && i->second.pid > 0;
}
int lab_c::pid(int n) const
{
    auto i = m_pcs.find(n);
    return i == m_pcs.end() ? -1 : i->second.pid;
}
} // namespace net_lab
