// The network manager in a private network namespace: this PC is 127.0.0.1, its peers are
// plain sockets on other loopback addresses, and the test ticks the manager's tree itself.
#include "tests/net/lab/address_text.h"
#include "tests/net/lab/manager_tree.h"
#include "tests/net/lab/net_lab.h"
#include "tests/net/lab/packet_bytes.h"
#include "tests/net/lab/peer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace
{
std::string thrown(const std::function<void()> &f)
{
    try {
        f();
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return "";
}

bytes_t announce(const char *name)
{
    bytes_t b = valid_packet(NP_HOST_ANNOUNCE);
    std::strncpy((char *)b.data() + 8, name, 127);
    return b;
}
bytes_t keep_alive(const std::string &host)
{
    bytes_t b = valid_packet(NP_KEEP_ALIVE);
    std::strncpy((char *)b.data() + 8, host.c_str(), 127);
    return b;
}
bytes_t answer(int item)
{
    bytes_t b = valid_packet(NP_ANSWER);
    put(b, 8, item);
    return b;
}
bytes_t vote(int target, int voter)
{
    bytes_t b = valid_packet(NP_VOTE);
    put(b, 8, target);
    put(b, 12, voter);
    return b;
}
int type_of(const bytes_t &b) { return b.size() >= 8 ? (int)b[4] : -1; }

class net_manager_test : public private_pc_test<manager_tree_s>
{
protected:
    // Ticks often enough to take every datagram waiting (one per tick), without a ping.
    void drain(int n = 50) { pc->ticks(n, 0.0f); }
    void server_with_clients(std::vector<peer_s *> peers)
    {
        start_net_server("Studio");
        pc->manager->set_announce_address("127.0.0.1");
        for (peer_s *p : peers) {
            p->send(valid_packet(NP_JOIN_REQUEST));
            drain(2);
        }
        ASSERT_EQ(pc->manager->client_count(), (int)peers.size());
    }
    net_manager &m() { return *pc->manager; }
};
} // namespace

TEST_F(net_manager_test, without_a_session_packets_are_handled_here)
{
    EXPECT_EQ(m().status(), NET_STATUS_NONE);
    EXPECT_STREQ(m().name(), "Unnamed");
    EXPECT_FALSE(m().has_socket());
    EXPECT_EQ(get_net_manager(), pc->manager);
    int32_t own = 0;
    pc->root->message(MSG_VAR(get_short_address), 0, nullptr, MSG_ARG((void *)&own), MSG_ARGS_END);
    EXPECT_EQ((uint32_t)own, htonl(0x7f000001u)) << "only loopback here";

    np_session_joined p = np_session_joined_new();
    p.session.m_bank = 77;
    send_net_message(&p);
    EXPECT_EQ(pc->game->log(), "set_session_info");
    EXPECT_EQ(pc->game->m_session.m_bank, 77);
    p.session.m_bank = 78;
    send_session_message(&p);
    EXPECT_EQ(pc->game->m_session.m_bank, 78);
    // A local packet is checked like a datagram: out of range, it is dropped.
    p.session.m_active_slot = 8;
    send_net_message(&p);
    EXPECT_EQ(pc->game->log(), "set_session_info set_session_info");
    // A local packet that lies about its length never goes anywhere.
    p.header.length = 1000;
    const std::string assertion = "Debug assertion failed! Expression: \"net_packet_length_ok(packet)\"";
    EXPECT_EQ(thrown([&] { send_net_message(&p); }), assertion);
    EXPECT_EQ(thrown([&] { send_session_message(&p); }), assertion);
    SOCKADDR_IN to;
    winsocket_c::set_address("127.0.0.2", NET_PORT, &to);
    EXPECT_EQ(thrown([&] { send_net_to_peer(&p, &to); }), assertion);
    EXPECT_FALSE(connect_to_host(0));

    start_net_client("Player");
    EXPECT_EQ(thrown([&] { send_session_message(valid_packet(NP_GAME_STOPPED).data()); }),
              "Session messages should be sent by server only!");
    // A client without a server sends nothing and handles nothing itself.
    send_net_message(valid_packet(NP_SESSION_JOINED).data());
    EXPECT_EQ(pc->game->log(), "set_session_info set_session_info");
    // The set-up screen's start button on a client changes nothing.
    EXPECT_EQ(pc->root->message(MSG_VAR(on_all_players_ready), 0, nullptr, MSG_ARGS_END), 0);
    EXPECT_EQ(m().status(), NET_STATUS_CLIENT);
}

TEST_F(net_manager_test, host_list_own_others_ageing_and_limits)
{
    std::string long_name(200, 'n');
    start_net_server(long_name.c_str());
    EXPECT_EQ(std::string(m().name()), std::string(127, 'n'));
    m().set_announce_address("127.0.0.1");
    pc->tick(100.5f); // the first ping: our own announcement comes back to us
    drain();
    EXPECT_GE(m().received_count(NP_HOST_ANNOUNCE), 1);
    EXPECT_EQ(m().host_count(), 0) << "a server never lists itself";

    std::vector<std::unique_ptr<peer_s>> peers;
    for (int n = 2; n <= 22; ++n) {
        peers.emplace_back(new peer_s(n));
        peers.back()->send(announce(("Host " + std::to_string(n)).c_str()));
    }
    peers[0]->send(announce(std::string(300, 'x').c_str()));
    drain();
    ASSERT_EQ(m().host_count(), NET_MAX_HOSTS) << "the 21st host is ignored";
    EXPECT_STREQ(m().host(0).name, "Host 2");
    EXPECT_STREQ(m().host(19).name, "Host 21");
    EXPECT_EQ(dotted(m().host(19).address), "127.0.0.21");
    int32_t count = -1;
    std::vector<char> names(20 * 128, 1);
    pc->root->message(MSG_VAR(enum_hosts), 0, nullptr, MSG_ARG((void *)&count), MSG_ARG((void *)names.data()),
                      MSG_ARGS_END);
    EXPECT_EQ(count, 20);
    EXPECT_STREQ(&names[5 * 128], "Host 7");

    EXPECT_FALSE(connect_to_host(20));
    EXPECT_FALSE(connect_to_host(-1));
    EXPECT_TRUE(peers[1]->received().empty());
    EXPECT_TRUE(connect_to_host(1));
    std::vector<bytes_t> got = peers[1]->received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], valid_packet(NP_JOIN_REQUEST));

    // Host 2 goes on announcing, the others fall silent: gone after more than 25 s.
    pc->tick(125.0f);
    peers[0]->send(announce("Host 2"));
    drain(3);
    EXPECT_EQ(m().host_count(), 20);
    pc->tick(125.6f);
    EXPECT_EQ(m().host_count(), 1);
    EXPECT_STREQ(m().host(0).name, "Host 2");
}

TEST_F(net_manager_test, joins_seat_clients_once)
{
    peer_s a(2), b(3), c(4);
    pc->game->m_free_seats = 1;
    start_net_server("Studio");
    a.send(valid_packet(NP_JOIN_REQUEST));
    drain(2);
    EXPECT_EQ(pc->game->log(), "create_new_man_player free_places_available set_session_info");
    std::vector<bytes_t> got = a.received();
    ASSERT_EQ(got.size(), 1u);
    ASSERT_EQ(got[0].size(), 1124u);
    np_session_joined joined;
    std::memcpy(&joined, got[0].data(), sizeof joined);
    EXPECT_EQ((uint32_t)joined.address, htonl(0x7f000002u));
    EXPECT_EQ((uint32_t)joined.session.m_players[7].m_owner_address, htonl(0x7f000002u));
    EXPECT_TRUE(m().announcements_stopped()) << "the game said every seat is taken";

    // Again from the same PC: nothing. Another PC with no seat left: listed, no answer.
    a.send(valid_packet(NP_JOIN_REQUEST));
    b.send(valid_packet(NP_JOIN_REQUEST));
    drain(4);
    EXPECT_EQ(pc->game->log(), "create_new_man_player free_places_available set_session_info create_new_man_player");
    EXPECT_EQ(m().client_count(), 2);
    EXPECT_TRUE(a.received().empty());
    EXPECT_TRUE(b.received().empty());

    // Once every player is ready, nobody joins any more.
    pc->root->message(MSG_VAR(on_all_players_ready), 0, nullptr, MSG_ARGS_END);
    c.send(valid_packet(NP_JOIN_REQUEST));
    drain(2);
    EXPECT_EQ(m().client_count(), 2);

    // At most twenty clients.
    start_net_server("Studio");
    std::vector<std::unique_ptr<peer_s>> many;
    for (int n = 10; n < 31; ++n) {
        many.emplace_back(new peer_s(n));
        many.back()->send(valid_packet(NP_JOIN_REQUEST));
    }
    drain();
    EXPECT_EQ(m().client_count(), NET_MAX_CLIENTS);
    EXPECT_EQ(dotted(m().client(19).address), "127.0.0.29");
}

TEST_F(net_manager_test, pings_announce_until_all_players_are_ready)
{
    peer_s a(2);
    server_with_clients({&a});
    auto ping = [&](float at) {
        pc->tick(at);
        drain(5);
    };
    int own = m().received_count(NP_HOST_ANNOUNCE);
    ping(100.5f);
    ping(101.0f);
    EXPECT_EQ(m().received_count(NP_HOST_ANNOUNCE), own + 2);
    std::vector<bytes_t> got = a.received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(type_of(got[0]), NP_KEEP_ALIVE);
    char host[128];
    ASSERT_EQ(gethostname(host, sizeof host), 0);
    EXPECT_STREQ((const char *)got[0].data() + 8, host);

    EXPECT_EQ(pc->root->message(MSG_VAR(on_all_players_ready), 0, nullptr, MSG_ARGS_END), 0);
    ping(101.5f);
    ping(102.0f);
    EXPECT_EQ(m().received_count(NP_HOST_ANNOUNCE), own + 2) << "no announcements after all are ready";
    EXPECT_EQ(a.received().size(), 2u) << "keep-alives go on";
}

TEST_F(net_manager_test, a_second_start_keeps_the_socket_and_adds_a_chain)
{
    peer_s a(2);
    start_net_server("First");
    m().set_announce_address("127.0.0.1");
    a.send(announce("Queued"));
    start_net_server("Second");
    EXPECT_STREQ(m().name(), "Second");
    drain(3);
    ASSERT_EQ(m().host_count(), 1) << "the datagram queued before the second start survives";
    EXPECT_STREQ(m().host(0).name, "Queued");

    int before = m().received_count(NP_HOST_ANNOUNCE);
    for (float t = 100.25f; t <= 102.01f; t += 0.25f) {
        pc->tick(t);
        drain(5);
    }
    EXPECT_EQ(m().received_count(NP_HOST_ANNOUNCE) - before, 8) << "two chains: two announcements per 0.5 s";

    // Leaving the session closes the socket.
    m().set_net_status(NET_STATUS_NONE, "Unnamed");
    EXPECT_FALSE(m().has_socket());
}

TEST_F(net_manager_test, port_1980_held_elsewhere)
{
    {
        winsocket_c holder(WINSOCK_UDP, nullptr, NET_PORT);
        for (auto start : {start_net_server, start_net_client}) {
            bool winsock = false;
            try {
                start("x");
            } catch (const winsock_exception_c &e) {
                winsock = true;
                EXPECT_EQ(e.get_message(), "bind failed: WSAEADDRINUSE");
            }
            EXPECT_TRUE(winsock);
            EXPECT_EQ(m().status(), NET_STATUS_NONE);
            EXPECT_FALSE(m().has_socket());
        }
    }
    start_net_client("x");
    EXPECT_EQ(m().status(), NET_STATUS_CLIENT);
    EXPECT_TRUE(m().has_socket());
}

// The repeat filter drops a datagram equal in bytes to the last one accepted from the same
// PC; types 1 and 3 to 6 pass always; a refused datagram leaves it as it was.
TEST_F(net_manager_test, repeat_filter)
{
    peer_s a(2), b(3);
    server_with_clients({&a, &b});
    bytes_t bad = answer(1);
    bad.pop_back();
    bytes_t change = valid_packet(NP_CHANGE_PLAYER_INFO);
    put(change, 16, 1);
    struct row_s
    {
        const char *what;
        std::vector<std::pair<peer_s *, bytes_t>> datagrams;
        std::map<int, int> accepted;
    } rows[] = {
        {"one answer twice", {{&a, answer(1)}, {&a, answer(1)}}, {{NP_ANSWER, 1}}},
        {"two answers", {{&a, answer(1)}, {&a, answer(2)}}, {{NP_ANSWER, 2}}},
        {"one vote from two PCs", {{&a, vote(1, 0)}, {&b, vote(1, 0)}}, {{NP_VOTE, 2}}},
        {"a keep-alive between", {{&a, answer(1)}, {&a, keep_alive("a")}, {&a, answer(1)}},
         {{NP_ANSWER, 2}, {NP_KEEP_ALIVE, 1}}},
        {"another PC between", {{&a, answer(1)}, {&b, answer(1)}, {&a, answer(1)}}, {{NP_ANSWER, 2}}},
        {"type 3 twice", {{&a, change}, {&a, change}}, {{NP_CHANGE_PLAYER_INFO, 2}}},
        {"announcements twice", {{&a, announce("A")}, {&a, announce("A")}}, {{NP_HOST_ANNOUNCE, 2}}},
        {"a refused one between", {{&a, answer(1)}, {&a, bad}, {&a, answer(1)}}, {{NP_ANSWER, 1}}},
    };
    int row_number = 0;
    for (const row_s &row : rows) {
        SCOPED_TRACE(row.what);
        // A fresh start for both PCs' last datagrams.
        a.send(keep_alive("reset a " + std::to_string(row_number)));
        b.send(keep_alive("reset b " + std::to_string(row_number++)));
        drain(3);
        std::map<int, int> before;
        for (int t = 1; t <= 16; ++t)
            before[t] = m().received_count(t);
        for (const auto &d : row.datagrams)
            d.first->send(d.second);
        drain(6);
        for (int t = 1; t <= 16; ++t) {
            auto i = row.accepted.find(t);
            EXPECT_EQ(m().received_count(t) - before[t], i == row.accepted.end() ? 0 : i->second) << "type " << t;
        }
    }
}

// Hostile or misdirected datagrams, each followed by a valid one: none of them leaves a message,
// a reply, a host, a client or a trace in the repeat filter; the follower is handled.
TEST_F(net_manager_test, bad_datagrams_change_nothing)
{
    peer_s a(2), stranger(9);
    pc->game->m_free_seats = 8;
    server_with_clients({&a});
    a.received();
    const std::string log = pc->game->log();
    struct row_s
    {
        const char *what;
        peer_s *from;
        bytes_t datagram;
    };
    std::vector<row_s> rows = {
        {"empty", &a, {}},
        {"7 bytes", &a, bytes_t(7, 4)},
    };
    for (int type : {0, 17, -1}) {
        bytes_t b(8, 0);
        put(b, 0, 8);
        put(b, 4, type);
        rows.push_back({"unknown type", &a, b});
    }
    for (int type = 1; type <= 16; ++type) {
        bytes_t good = valid_packet(type), shorter(good.begin(), good.end() - 1), longer = good, lying = good;
        put(shorter, 0, (int32_t)shorter.size());
        longer.push_back(0);
        put(longer, 0, (int32_t)longer.size());
        put(lying, 0, (int32_t)good.size() + 100);
        rows.push_back({"a byte short", &a, shorter});
        rows.push_back({"a byte long", &a, longer});
        rows.push_back({"lying length", &a, lying});
    }
    bytes_t joined = valid_packet(NP_SESSION_JOINED);
    put(joined, 8, (int32_t)htonl(0x7f000001u));
    rows.push_back({"a session from a client", &a, joined});
    bytes_t nan = joined;
    put(nan, 12 + 20, std::numeric_limits<double>::quiet_NaN());
    rows.push_back({"NaN round time", &a, nan});
    bytes_t character = valid_packet(NP_PLAYER_INFO_UPDATED);
    put(character, 12 + offsetof(player_info, character), 4);
    rows.push_back({"a seat out of range", &a, character});
    rows.push_back({"keep-alive from a stranger", &stranger, keep_alive("s")});
    rows.push_back({"answer from a stranger", &stranger, answer(0)});
    rows.push_back({"vote from a stranger", &stranger, vote(1, 2)});
    bytes_t short_join = valid_packet(NP_JOIN_REQUEST);
    short_join.resize(20);
    rows.push_back({"short join from a stranger", &stranger, short_join});

    int n = 0;
    for (const row_s &row : rows) {
        SCOPED_TRACE(std::string(row.what) + " " + std::to_string(n));
        bytes_t follower = keep_alive("follower " + std::to_string(n++ % 2));
        std::map<int, int> before;
        for (int t = 1; t <= 16; ++t)
            before[t] = m().received_count(t);
        row.from->send(row.datagram);
        a.send(follower);
        drain(4);
        for (int t = 1; t <= 16; ++t)
            EXPECT_EQ(m().received_count(t) - before[t], t == NP_KEEP_ALIVE) << "type " << t;
        // The follower is the last datagram accepted from a: the same bytes again are a repeat.
        a.send(follower);
        drain(2);
        EXPECT_EQ(m().received_count(NP_KEEP_ALIVE) - before[NP_KEEP_ALIVE], 1);
        EXPECT_EQ(pc->game->log(), log);
        EXPECT_EQ(m().host_count(), 0);
        EXPECT_EQ(m().client_count(), 1);
        EXPECT_TRUE(a.received().empty());
        EXPECT_TRUE(stranger.received().empty());
    }
}

// A client takes its session only from the host it asked to join, and from then on that host
// is its server, even when the host has left the list meanwhile.
TEST_F(net_manager_test, a_client_joins_the_host_it_asked)
{
    peer_s host(2), other(3);
    start_net_client("Player");
    host.send(announce("Studio"));
    other.send(announce("Other"));
    drain(3);
    ASSERT_EQ(m().host_count(), 2);
    np_session_joined joined = np_session_joined_new();
    joined.address = (int32_t)htonl(0x7f000001u);
    other.send(&joined);
    host.send(&joined);
    drain(3);
    EXPECT_EQ(pc->game->log(), "") << "no session from anyone before asking";

    ASSERT_TRUE(connect_to_host(0));
    ASSERT_EQ(host.received().size(), 1u);
    other.send(&joined);
    pc->tick(130.0f); // the hosts age out of the list
    EXPECT_EQ(m().host_count(), 0);
    host.send(&joined);
    drain(3);
    EXPECT_EQ(pc->game->log(), "set_session_info connected_to_server")
        << "the set-up screen that the connection opens finds this PC's seat in the session";
    EXPECT_EQ(dotted(m().server().address), "127.0.0.2");
    // Net messages now go to the server; the server's keep-alives and session messages count.
    send_net_message(answer(3).data());
    std::vector<bytes_t> got = host.received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], answer(3));
    host.send(valid_packet(NP_GAME_STOPPED));
    other.send(keep_alive("other"));
    drain(3);
    EXPECT_EQ(m().received_count(NP_GAME_STOPPED), 1);
    EXPECT_EQ(m().received_count(NP_KEEP_ALIVE), 0);
}

// A PC from which nothing has come for 10 s of this PC's time is lost: the server gives its
// seats to computer players, a client leaves the session.
TEST_F(net_manager_test, a_silent_peer_is_lost_after_10_s)
{
    peer_s a(2), b(3);
    server_with_clients({&a, &b});
    pc->game->m_log.clear();
    // b keeps alive (repeated keep-alives count too); a answers nothing after its join.
    float now = pc->time;
    for (int i = 0; i < 19; ++i) {
        b.send(keep_alive("b"));
        now += 0.5f;
        pc->tick(now);
    }
    EXPECT_EQ(pc->game->log(), "") << "9.5 s";
    for (int i = 0; i < 4; ++i) {
        b.send(keep_alive("b"));
        now += 0.5f;
        pc->tick(now);
    }
    EXPECT_EQ(pc->game->log(), "replace_lost_players(127.0.0.2)");
    ASSERT_EQ(m().client_count(), 1);
    EXPECT_EQ(dotted(m().client(0).address), "127.0.0.3");
    // Its late datagrams are a stranger's; nothing is sent to it any more.
    a.received();
    a.send(answer(1));
    pc->ticks(3, 0.25f);
    EXPECT_EQ(m().received_count(NP_ANSWER), 0);
    pc->ticks(4, 0.5f);
    EXPECT_TRUE(a.received().empty());
    EXPECT_FALSE(b.received().empty());

    // A client whose server falls silent leaves the session.
    start_net_client("Player");
    a.send(announce("Studio"));
    pc->ticks(2);
    ASSERT_TRUE(connect_to_host(0));
    np_session_joined joined = np_session_joined_new();
    joined.address = (int32_t)htonl(0x7f000001u);
    a.send(&joined);
    pc->ticks(2);
    ASSERT_EQ(dotted(m().server().address), "127.0.0.2");
    pc->game->m_log.clear();
    now = pc->time;
    for (int i = 0; i < 30; ++i) {
        a.send(keep_alive("a"));
        now += 0.5f;
        pc->tick(now);
    }
    EXPECT_EQ(m().status(), NET_STATUS_CLIENT);
    for (int i = 0; i < 21; ++i) {
        now += 0.5f;
        pc->tick(now);
    }
    EXPECT_EQ(pc->game->log(), "server_lost");
    EXPECT_EQ(m().status(), NET_STATUS_NONE);
    EXPECT_FALSE(m().has_socket());
}

// After a long frame many datagrams wait and the tick takes one accepted datagram: a peer whose
// datagrams wait behind others' when its 10 s are up is not lost, whether the server waits for a
// client (behind another client's requests) or a client for its server (behind announcements
// of other hosts). What this PC would refuse from the peer keeps it no longer.
TEST_F(net_manager_test, a_peer_heard_behind_others_when_its_time_is_up_is_not_lost)
{
    struct row_s
    {
        const char *what;
        bool server;
        bytes_t from_peer;
        const char *log;
    };
    bytes_t short_keep_alive = keep_alive("peer");
    short_keep_alive.pop_back();
    const std::vector<row_s> rows = {
        {"server: a keep-alive", true, keep_alive("peer"), ""},
        {"server: an answer", true, answer(2), ""},
        {"server: a datagram of no packet", true, short_keep_alive, "replace_lost_players(127.0.0.3)"},
        {"server: a type a client may not send", true, valid_packet(NP_ROUND_STARTED), "replace_lost_players(127.0.0.3)"},
        {"client: a keep-alive", false, keep_alive("server"), ""},
        {"client: a round start", false, valid_packet(NP_ROUND_STARTED), ""},
        {"client: a datagram of no packet", false, short_keep_alive, "server_lost"},
        {"client: a type a server may not send", false, answer(2), "server_lost"},
    };
    for (const row_s &row : rows) {
        SCOPED_TRACE(row.what);
        // The peer waited for is 127.0.0.3; 127.0.0.2 speaks before it.
        peer_s other(2), peer(3);
        if (row.server) {
            server_with_clients({&other, &peer});
        } else {
            start_net_client("Player");
            peer.send(announce("Studio"));
            drain(2);
            ASSERT_TRUE(connect_to_host(0));
            np_session_joined joined = np_session_joined_new();
            joined.address = (int32_t)htonl(0x7f000001u);
            peer.send(&joined);
            drain(2);
            ASSERT_EQ(dotted(m().server().address), "127.0.0.3");
        }
        pc->game->m_log.clear();
        // Three datagrams that are taken, one a tick, then the peer's.
        for (int i = 0; i < 3; ++i)
            other.send(row.server ? keep_alive("other " + std::to_string(i)) : announce(("Other " + std::to_string(i)).c_str()));
        peer.send(row.from_peer);
        const int taken = m().received_count(row.server ? NP_KEEP_ALIVE : NP_HOST_ANNOUNCE);
        pc->tick(pc->time + 10.5f);
        EXPECT_EQ(pc->game->log(), row.log);
        // The datagrams still come one a tick, in the order they came (a client that left its
        // session reads nothing more).
        EXPECT_EQ(m().received_count(row.server ? NP_KEEP_ALIVE : NP_HOST_ANNOUNCE) - taken, 1);
        pc->ticks(2, 0.01f);
        EXPECT_EQ(m().received_count(row.server ? NP_KEEP_ALIVE : NP_HOST_ANNOUNCE) - taken,
                  m().status() == NET_STATUS_NONE ? 1 : 3);
        drain(3);
        EXPECT_EQ(pc->game->log(), row.log);
        if (row.server)
            EXPECT_EQ(m().client_count(), *row.log ? 1 : 2);
        else
            EXPECT_EQ(m().status(), *row.log ? NET_STATUS_NONE : NET_STATUS_CLIENT);
        // The next row on a fresh session, the hosts aged out.
        m().set_net_status(NET_STATUS_NONE, "");
        pc->tick(pc->time + 30.0f);
    }
}
