// The timers and watchers that send LAN packets, with the real network manager in a private
// network namespace: a server's game-stop timer reaches its client, a client's answer and choice
// watchers reach its server.
#include "game/game_timers.h"
#include "tests/game/timers/game_listener.h"
#include "tests/net/lab/manager_tree.h"
#include "tests/net/lab/net_lab.h"
#include "tests/net/lab/packet_bytes.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Another PC: a socket on 127.0.0.2 that talks to this PC's port 1980.
struct other_pc_s
{
    other_pc_s() : socket(WINSOCK_UDP, "127.0.0.2", 5000) { winsocket_c::set_address("127.0.0.1", NET_PORT, &to); }
    void send(const bytes_t &b) { socket.sendto(b.data(), (int)b.size(), &to); }
    void send(const void *p) { send(as_bytes(p, (size_t)((const net_packet_header *)p)->length)); }
    // The datagrams of one type waiting for it.
    std::vector<bytes_t> received(int type)
    {
        std::vector<bytes_t> all;
        char buffer[NET_MAX_DATAGRAM];
        SOCKADDR_IN from;
        int n;
        while ((n = socket.recieve_from(buffer, sizeof buffer, &from)) > 0)
            if (n >= 8 && ((const net_packet_header *)buffer)->type == type)
                all.push_back(as_bytes(buffer, (size_t)n));
        return all;
    }
    winsocket_c socket;
    SOCKADDR_IN to;
};

bytes_t packet_of(int32_t type, int32_t a, int32_t b)
{
    bytes_t p = valid_packet(type);
    put(p, 8, a);
    put(p, 12, b);
    return p;
}

class timer_packets_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NET_LAB_PRIVATE_OR_SKIP();
        winsock_startup();
        m_started = true;
        pc.reset(new manager_tree_s);
        pc->tick(100.0f);
        other.reset(new other_pc_s);
    }
    void TearDown() override
    {
        other.reset();
        pc.reset();
        if (m_started)
            winsock_cleanup();
    }
    void drain(int n = 5)
    {
        for (int i = 0; i < n; ++i)
            pc->tick(pc->time);
    }

    std::unique_ptr<manager_tree_s> pc;
    std::unique_ptr<other_pc_s> other;
    bool m_started = false;
};

TEST_F(timer_packets_test, the_game_stop_timer_sends_its_value_to_the_session)
{
    pc->game->m_free_seats = 7;
    start_net_server("Studio");
    other->send(valid_packet(NP_JOIN_REQUEST));
    drain();
    ASSERT_EQ(pc->manager->client_count(), 1);
    other->received(NP_GAME_STOPPED);

    object_pointer_c timer(new game_stop_timer_c(pc->game, 1, 10.0));
    pc->tick(101.0f);
    // The client keeps alive, or 10 s of silence would make it a lost PC.
    other->send(valid_packet(NP_KEEP_ALIVE));
    pc->tick(110.9f);
    EXPECT_TRUE(other->received(NP_GAME_STOPPED).empty());
    pc->tick(111.0f);
    EXPECT_EQ(timer.get(), nullptr);
    const std::vector<bytes_t> got = other->received(NP_GAME_STOPPED);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], packet_of(NP_GAME_STOPPED, 7, 1));
}

TEST_F(timer_packets_test, a_client_refuses_the_game_stop_timer)
{
    start_net_client("Player");
    new game_stop_timer_c(pc->game, 0, 10.0);
    pc->tick(101.0f);
    EXPECT_EQ(thrown_text([&] { pc->tick(111.0f); }), "Session messages should be sent by server only!");
}

TEST_F(timer_packets_test, answer_and_choice_watchers_send_their_value_and_address_to_the_server)
{
    start_net_client("Player");
    np_host_announce announce{};
    announce.header = {sizeof announce, NP_HOST_ANNOUNCE};
    other->send(&announce);
    drain();
    ASSERT_TRUE(connect_to_host(0));
    const int32_t own = (int32_t)htonl(0x7f000001u);
    np_session_joined joined = np_session_joined_new();
    joined.address = own;
    other->send(&joined);
    drain();
    ASSERT_EQ(pc->game->log(), "set_session_info connected_to_server");
    other->received(NP_ANSWER);

    new answer_after_sequence_c(pc->game, 1);
    new choice_after_sequence_c(pc->game, 6);
    auto sequence_finished = [&] {
        return pc->root->message(MSG_VAR(sequence_finished), 0, nullptr, MSG_ARGS_END);
    };
    EXPECT_EQ(sequence_finished(), 1);
    EXPECT_EQ(other->received(NP_ANSWER), std::vector<bytes_t>{packet_of(NP_ANSWER, 1, own)});
    pc->root->collect_dead_children();
    EXPECT_EQ(sequence_finished(), 1);
    EXPECT_EQ(other->received(NP_ANSWER), std::vector<bytes_t>{packet_of(NP_ANSWER, 6, own)});
    EXPECT_EQ(sequence_finished(), 0);
}

} // namespace
