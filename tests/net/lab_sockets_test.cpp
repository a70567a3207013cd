// Sockets and ping timers between PCs of the lab: a server broadcasts on its timer chain,
// two clients whose clocks start hours apart answer by unicast, and one of them dies.
#include "net/net_clock.h"
#include "net/net_winsock.h"
#include "tests/net/lab/address_text.h"
#include "tests/net/lab/net_lab.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace
{

double common_time()
{
    double t = -1;
    abstract_c::root()->message(MSG_VAR(get_common_time), 0, nullptr, MSG_ARG((void *)&t), MSG_ARGS_END);
    return t;
}

void send_text(winsocket_c &s, const std::string &text, const SOCKADDR_IN &to) { s.sendto(text.data(), (int)text.size(), &to); }

// A time as text that reads back to the same double.
std::string exact(double t)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", t);
    return text;
}

// The server's side: a broadcast on every ping, and one datagram to the next client in turn.
class server_c : public abstract_c
{
public:
    server_c(abstract_c *parent, net_lab::pc_c &pc) : abstract_c(parent), m_pc(pc), m_socket(WINSOCK_UDP, nullptr, 1980)
    {
        new net_clock_ext_c(this, 0.5);
    }
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (!(*message == MSG_VAR(send_next_ping)))
            return 0;
        ++m_count;
        SOCKADDR_IN broadcast;
        winsocket_c::set_address("10.77.0.255", 1980, &broadcast);
        send_text(m_socket, "announce " + std::to_string(m_count), broadcast);
        // With the time of the tick before, which must not yet have been due.
        m_pc.emit("announced " + std::to_string(m_count) + " at " + exact(common_time()) + " after " +
                  exact(m_previous_tick));
        if (!m_clients.empty()) {
            const SOCKADDR_IN &to = m_clients[m_turn++ % m_clients.size()];
            send_text(m_socket, "turn " + std::to_string(m_count), to);
            m_pc.emit("sent " + dotted(to));
        }
        new net_clock_ext_c(this, 0.5);
        return 1;
    }
    // Runs after every tick.
    void drain()
    {
        m_previous_tick = common_time();
        char buffer[1440];
        SOCKADDR_IN from;
        int n;
        while ((n = m_socket.recieve_from(buffer, sizeof buffer, &from)) > 0) {
            std::string text(buffer, (size_t)n);
            if (text.rfind("ack ", 0) != 0)
                continue; // our own broadcast comes back to us
            bool known = false;
            for (const SOCKADDR_IN &c : m_clients)
                known = known || c.sin_addr.s_addr == from.sin_addr.s_addr;
            if (!known)
                m_clients.push_back(from);
            m_pc.emit("ack from " + dotted(from));
        }
    }

private:
    net_lab::pc_c &m_pc;
    winsocket_c m_socket;
    std::vector<SOCKADDR_IN> m_clients;
    size_t m_turn = 0;
    int m_count = 0;
    double m_previous_tick = 0;
};

// The PCs run long enough for a loaded machine; the test ends them.
constexpr double PC_LIMIT = 180.0;
// Waits for a line: generous, since on a loaded machine a PC may not run for seconds; the
// times checked are the PCs' own.
constexpr double WAIT = 20.0;

void server_body(net_lab::pc_c &pc)
{
    winsock_startup();
    server_c *server = new server_c(pc.root(), pc);
    pc.run([&](const std::string &command) { pc.emit("heard " + command); }, [&] { server->drain(); }, PC_LIMIT);
    server->shutdown_tree();
    pc.root()->collect_dead_children();
    winsock_cleanup();
}

void client_body(net_lab::pc_c &pc)
{
    winsock_startup();
    {
        winsocket_c s(WINSOCK_UDP, nullptr, 1980);
        pc.run([](const std::string &) {},
               [&] {
                   char buffer[1440];
                   SOCKADDR_IN from;
                   int n;
                   while ((n = s.recieve_from(buffer, sizeof buffer, &from)) > 0) {
                       std::string text(buffer, (size_t)n);
                       pc.emit(text + " from " + dotted(from) + " at " + std::to_string(common_time()));
                       if (text.rfind("announce ", 0) == 0)
                           send_text(s, "ack " + text.substr(9), from);
                   }
               },
               PC_LIMIT);
    }
    winsock_cleanup();
}

struct line_s
{
    std::string word;
    std::string rest;
};
} // namespace

TEST(net_lab_sockets, broadcasts_answers_and_a_lost_client)
{
    NET_LAB_OR_SKIP();
    net_lab::lab_c lab;
    lab.start_pc(1, 0.0, 1.0, server_body);
    lab.start_pc(2, 3 * 3600.0, 1.0, client_body);
    lab.start_pc(3, 7 * 3600.0, 1.0, client_body);

    // Both clients hear the same announcements, from the server's interface address, each on
    // its own clock.
    for (int client : {2, 3}) {
        std::string line;
        std::vector<int> numbers;
        while (numbers.size() < 3 && lab.wait_for(client, "announce ", line, WAIT)) {
            std::istringstream in(line);
            std::string word, from, source, at;
            int k;
            double time;
            in >> word >> k >> from >> source >> at >> time;
            EXPECT_EQ(source, "10.77.0.1") << line;
            EXPECT_GT(time, client == 2 ? 3 * 3600.0 : 7 * 3600.0) << line;
            numbers.push_back(k);
        }
        ASSERT_EQ(numbers.size(), 3u) << "client " << client;
        EXPECT_EQ(numbers[1], numbers[0] + 1);
        EXPECT_EQ(numbers[2], numbers[1] + 1);
    }

    // The server: an announcement every 0.5 s of its own time, on the first tick that is due
    // (however late a loaded machine runs that tick), answers from both clients, and, once it
    // knows both, datagrams to each client in turn.
    std::string line;
    std::vector<double> times, previous_ticks;
    std::vector<std::string> acks, sent;
    auto knows_both = [&] {
        return std::find(acks.begin(), acks.end(), "10.77.0.2") != acks.end() &&
               std::find(acks.begin(), acks.end(), "10.77.0.3") != acks.end();
    };
    while ((times.size() < 8 || sent.size() < 4) && lab.next_event(1, line, WAIT)) {
        ASSERT_EQ(line.rfind("error", 0), std::string::npos) << line;
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "announced") {
            int k;
            std::string at, after;
            double t, previous;
            in >> k >> at >> t >> after >> previous;
            times.push_back(t);
            previous_ticks.push_back(previous);
        } else if (word == "ack") {
            std::string from, source;
            in >> from >> source;
            acks.push_back(source);
        } else if (word == "sent" && knows_both()) {
            std::string to;
            in >> to;
            sent.push_back(to);
        }
    }
    ASSERT_GE(times.size(), 8u);
    for (size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], 0.5 - 1e-6) << i;
        EXPECT_LT(previous_ticks[i] - times[i - 1], 0.5) << i << ": a tick that was due passed by";
    }
    ASSERT_GE(sent.size(), 4u);
    for (size_t i = 1; i < sent.size(); ++i)
        EXPECT_NE(sent[i], sent[i - 1]) << i;
    for (int client : {2, 3})
        EXPECT_TRUE(lab.wait_for(client, "turn ", line, WAIT)) << client;

    // Client 3 dies: the server's later sends to it raise nothing, client 2 keeps receiving.
    // The server marks in its lines where it learnt of the death.
    lab.kill(3);
    lab.send(1, "killed");
    int announced_before = 0;
    bool marked = false;
    while (!marked && lab.next_event(1, line, WAIT)) {
        ASSERT_EQ(line.rfind("error", 0), std::string::npos) << line;
        if (line.rfind("announced ", 0) == 0)
            announced_before = std::stoi(line.substr(10));
        marked = line == "heard killed";
    }
    ASSERT_TRUE(marked);
    int sent_to_dead = 0, sends = 0, turns = 0;
    while (sends < 8 && lab.next_event(1, line, WAIT)) {
        ASSERT_EQ(line.rfind("error", 0), std::string::npos) << line;
        if (line.rfind("sent ", 0) == 0) {
            ++sends;
            sent_to_dead += line == "sent 10.77.0.3";
        }
    }
    EXPECT_EQ(sends, 8);
    EXPECT_GE(sent_to_dead, 3);
    while (turns < 3 && lab.wait_for(2, "turn ", line, WAIT))
        turns += std::stoi(line.substr(5)) > announced_before;
    EXPECT_EQ(turns, 3);
    lab.send(1, "quit");
    while (lab.next_event(1, line, 2.0))
        EXPECT_EQ(line.rfind("error", 0), std::string::npos) << line;
}
