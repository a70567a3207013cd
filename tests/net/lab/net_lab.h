// The network test lab: private network namespaces for tests, and PCs on a bridge.
//
// Every network test process first enters a private network namespace
// (tools/netns/private_network.h); tests skip, saying why, where the kernel refuses one
// (NET_LAB_PRIVATE_OR_SKIP), and fail instead under CI=true.
//
// lab_c builds, inside that namespace, a bridge and PCs: each PC is a child process in a
// network (and host-name) namespace of its own, with "eth0" on a veth pair to the bridge at
// 10.77.0.N/24 (broadcast 10.77.0.255), loopback up and host name "pcN". A PC runs a body
// with its own object tree (a root and a clock) and its own clock, which starts at a given
// time and runs at a given rate of real time; the body ticks the tree itself. The parent
// drives a PC through a command pipe (lines) and reads the lines it emits; kill() ends a PC
// by its pid. Every PC stops by itself after its time limit; the lab kills and reaps the
// rest when it goes.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <gtest/gtest.h>

class abstract_c;

#include "tools/netns/private_network.h"

namespace net_lab
{
using ::enter_private_network;
using ::private_namespace_required;

// The child's side of a PC.
class pc_c
{
public:
    int number() const { return m_number; }
    abstract_c *root() const { return m_root; }
    // The PC's own time: its clock's start plus rate times the real seconds since it started.
    double now() const;
    // One tick of the tree at the PC's time, then the collection of dead objects.
    void tick();
    void emit(const std::string &line);
    // Ticks every `step` real seconds and hands each command line to on_command (after the
    // tick of its pass), until the parent closes the pipe, sends "quit", or `limit` real
    // seconds pass. on_idle runs after every tick.
    void run(const std::function<void(const std::string &)> &on_command,
             const std::function<void()> &on_idle = {}, double limit = 60.0, double step = 0.002);

    // Set up by the lab before the body runs.
    int m_number = 0;
    abstract_c *m_root = nullptr;
    double m_clock_start = 0;
    double m_rate = 1;
    double m_real_start = 0;
    double m_last_tick = 0;
    int m_commands = -1;
    int m_events = -1;
    std::string m_pending;
};

class lab_c
{
public:
    // Why a lab cannot be built here ("" when it can): no private namespace, or no iproute2.
    static std::string unavailable();

    lab_c();
    ~lab_c();
    lab_c(const lab_c &) = delete;
    lab_c &operator=(const lab_c &) = delete;

    // PC n (1..200) at 10.77.0.n; returns when its interface is up.
    void start_pc(int n, double clock_start, double rate, std::function<void(pc_c &)> body);
    void send(int n, const std::string &line);
    // The next line PC n emitted, waiting up to `timeout` real seconds; false when none came.
    bool next_event(int n, std::string &line, double timeout);
    // Skips lines until one starts with `prefix`.
    bool wait_for(int n, const std::string &prefix, std::string &line, double timeout);
    void kill(int n);
    bool alive(int n) const;
    // The process of PC n (-1 when it has ended): /proc/<pid>/ns/ leads into its namespaces.
    int pid(int n) const;

private:
    struct child_s
    {
        int pid = -1;
        int commands = -1;
        int events = -1;
        std::string buffer;
    };
    std::map<int, child_s> m_pcs;
};

// The dotted text of 10.77.0.n.
std::string pc_address(int n);
} // namespace net_lab

// Skips the test, saying why, where a lab cannot be had; under CI=true fails instead.
#define NET_LAB_SKIP(why)                                                                   \
    do {                                                                                    \
        if (net_lab::private_namespace_required())                                            \
            GTEST_FAIL() << "CI=true and no network lab: " << (why);                        \
        else                                                                                \
            GTEST_SKIP() << (why);                                                          \
    } while (0)

#define NET_LAB_PRIVATE_OR_SKIP()                                                           \
    do {                                                                                    \
        std::string net_lab_why = net_lab::enter_private_network();                         \
        if (!net_lab_why.empty())                                                           \
            NET_LAB_SKIP(net_lab_why);                                                      \
    } while (0)

#define NET_LAB_OR_SKIP()                                                                   \
    do {                                                                                    \
        std::string net_lab_why = net_lab::lab_c::unavailable();                            \
        if (!net_lab_why.empty())                                                           \
            NET_LAB_SKIP(net_lab_why);                                                      \
    } while (0)
