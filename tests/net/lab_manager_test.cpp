// Network managers on PCs of the lab, with a stand-in for the game: a server and two clients
// whose clocks start hours apart find each other, join, exchange keep-alives and session
// messages, and go on when a client dies; a dead server leaves the clients' host lists.
#include "basics/console_log.h"
#include "tests/net/lab/manager_tree.h"
#include "tests/net/lab/net_lab.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <thread>

namespace
{
// "state" answers: key=value words.
std::string state(const net_lab::pc_c &pc, const net_manager &m)
{
    std::ostringstream out;
    out << "state t=" << pc.now() << " hosts=" << m.host_count() << " first=" << (m.host_count() ? m.host(0).name : "-")
        << " clients=" << m.client_count() << " keepalive=" << m.received_count(NP_KEEP_ALIVE)
        << " stopped=" << m.received_count(NP_GAME_STOPPED);
    return out.str();
}

std::map<std::string, std::string> words(const std::string &line)
{
    std::map<std::string, std::string> w;
    std::istringstream in(line);
    std::string word;
    while (in >> word) {
        size_t eq = word.find('=');
        if (eq != std::string::npos)
            w[word.substr(0, eq)] = word.substr(eq + 1);
    }
    return w;
}

// Runs a PC with a game stand-in and a manager; the game's messages come out as "game ..." lines.
// Without `announce_to`, a server announces where it finds broadcast addresses itself.
void pc_body(net_lab::pc_c &pc, bool server, const char *announce_to = "10.77.0.255")
{
    game_stub_c *game = new game_stub_c(pc.root());
    game->m_free_seats = 7;
    net_manager *m = new net_manager(pc.root(), nullptr);
    if (announce_to)
        net_set_announce_address(announce_to);
    if (server)
        start_net_server("Studio");
    else
        start_net_client("Player");
    size_t reported = 0;
    int stops = 0;
    pc.run(
        [&](const std::string &command) {
            if (command == "state")
                pc.emit(state(pc, *m));
            else if (command == "log") {
                // The log lines of failed announcements, oldest first.
                std::string lines;
                for (unsigned i = 255; i >= 1; --i)
                    if (std::strncmp(log_line(i), "LAN announcement", 16) == 0)
                        lines += std::string(log_line(i)) + ";";
                pc.emit("log " + lines);
            }
            else if (command == "join")
                pc.emit(std::string("join ") + (connect_to_host(0) ? "sent" : "refused"));
            else if (command == "stop") {
                np_game_stopped p;
                std::memset(&p, 0, sizeof p);
                p.header = {sizeof p, NP_GAME_STOPPED};
                p.code = 7;
                p.value = ++stops;
                send_session_message(&p);
                pc.emit("stop sent");
            }
        },
        [&] {
            for (; reported < game->m_log.size(); ++reported)
                pc.emit("game " + game->m_log[reported]);
        });
}

std::map<std::string, std::string> ask_state(net_lab::lab_c &lab, int n)
{
    std::string line;
    lab.send(n, "state");
    EXPECT_TRUE(lab.wait_for(n, "state ", line, 3.0)) << n;
    return words(line);
}

// Polls a PC's state until `ok` holds, for up to `timeout` real seconds.
template <class F> std::map<std::string, std::string> state_until(net_lab::lab_c &lab, int n, F ok, double timeout)
{
    std::map<std::string, std::string> s;
    for (int i = 0; i < timeout / 0.1; ++i) {
        s = ask_state(lab, n);
        if (ok(s))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return s;
}
} // namespace

TEST(net_lab_manager, a_session_across_three_pcs)
{
    NET_LAB_OR_SKIP();
    net_lab::lab_c lab;
    // Clocks run four times faster than real time, so that 25 s of a PC's time pass quickly.
    lab.start_pc(1, 0.0, 4.0, [](net_lab::pc_c &pc) { pc_body(pc, true); });
    lab.start_pc(2, 3 * 3600.0, 4.0, [](net_lab::pc_c &pc) { pc_body(pc, false); });
    lab.start_pc(3, 7 * 3600.0, 4.0, [](net_lab::pc_c &pc) { pc_body(pc, false); });

    for (int client : {2, 3}) {
        auto s = state_until(lab, client, [](auto &s) { return s["hosts"] == "1"; }, 5.0);
        EXPECT_EQ(s["hosts"], "1") << client;
        EXPECT_EQ(s["first"], "Studio") << client;
    }
    EXPECT_EQ(ask_state(lab, 1)["hosts"], "0") << "the server does not list itself";

    std::string line;
    for (int client : {2, 3}) {
        lab.send(client, "join");
        ASSERT_TRUE(lab.wait_for(client, "join ", line, 3.0));
        EXPECT_EQ(line, "join sent");
        ASSERT_TRUE(lab.wait_for(client, "game ", line, 3.0)) << client;
        EXPECT_EQ(line, "game set_session_info");
        ASSERT_TRUE(lab.wait_for(client, "game ", line, 3.0)) << client;
        EXPECT_EQ(line, "game connected_to_server");
    }
    // The first client also hears the second one's arrival.
    EXPECT_TRUE(lab.wait_for(2, "game set_session_info", line, 3.0));
    auto server = state_until(lab, 1, [](auto &s) { return s["keepalive"] != "0"; }, 3.0);
    EXPECT_EQ(server["clients"], "2");
    EXPECT_NE(server["keepalive"], "0") << "the clients' keep-alives reach the server";
    for (int client : {2, 3})
        EXPECT_NE(state_until(lab, client, [](auto &s) { return s["keepalive"] != "0"; }, 3.0)["keepalive"], "0");

    lab.send(1, "stop");
    for (int client : {2, 3})
        EXPECT_EQ(state_until(lab, client, [](auto &s) { return s["stopped"] == "1"; }, 3.0)["stopped"], "1");

    // A client dies mid-session: the server and the other client go on.
    lab.kill(3);
    lab.send(1, "stop");
    ASSERT_TRUE(lab.wait_for(1, "stop sent", line, 3.0));
    EXPECT_EQ(state_until(lab, 2, [](auto &s) { return s["stopped"] == "2"; }, 3.0)["stopped"], "2");
    lab.send(1, "stop");
    ASSERT_TRUE(lab.wait_for(1, "stop sent", line, 3.0));
    EXPECT_EQ(state_until(lab, 2, [](auto &s) { return s["stopped"] == "3"; }, 3.0)["stopped"], "3");

    // The server dies: the client keeps it listed for 25 s of its own time, then drops it.
    auto before = ask_state(lab, 2);
    lab.kill(1);
    auto gone = state_until(lab, 2, [](auto &s) { return s["hosts"] == "0"; }, 12.0);
    EXPECT_EQ(gone["hosts"], "0");
    double waited = std::stod(gone["t"]) - std::stod(before["t"]);
    EXPECT_GT(waited, 24.0);
    EXPECT_LT(waited, 30.0);
    for (int n : {1, 2, 3})
        while (lab.alive(n) && lab.next_event(n, line, 0.0))
            EXPECT_EQ(line.rfind("error", 0), std::string::npos) << line;
}

// Two PCs on a cable with static addresses and no default route: the system refuses
// 255.255.255.255, but the announcement still reaches the other PC through the interface's own
// broadcast address; the refusal is logged once.
TEST(net_lab_manager, a_server_is_heard_on_a_network_without_a_default_route)
{
    NET_LAB_OR_SKIP();
    net_lab::lab_c lab;
    lab.start_pc(1, 0.0, 4.0, [](net_lab::pc_c &pc) { pc_body(pc, true, nullptr); });
    lab.start_pc(2, 0.0, 4.0, [](net_lab::pc_c &pc) { pc_body(pc, false); });
    auto s = state_until(lab, 2, [](auto &s) { return s["hosts"] == "1"; }, 5.0);
    EXPECT_EQ(s["hosts"], "1");
    EXPECT_EQ(s["first"], "Studio");
    state_until(lab, 1, [](auto &s) { return std::stod(s["t"]) > 6.0; }, 5.0);
    std::string line;
    lab.send(1, "log");
    ASSERT_TRUE(lab.wait_for(1, "log ", line, 3.0));
    EXPECT_EQ(line, "log LAN announcement to 255.255.255.255 not sent: WSAENETUNREACH;");
}
