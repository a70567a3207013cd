// The dispatcher with a real network manager acting as server in a private network namespace:
// a joining PC gets a human seat and the session, and changed seats go to it as type 6.
#include "tests/game/disp/disp_fixture.h"
#include "tests/net/lab/net_lab.h"
#include "tests/net/lab/peer.h"
#include "tests/net/lab/packet_bytes.h"

namespace {

class seat_packets_test : public disp_tree_test
{
protected:
    void SetUp() override
    {
        NET_LAB_PRIVATE_OR_SKIP();
        winsock_startup();
        m_started = true;
        disp_tree_test::SetUp();
        fill_store(12);
        make_disp();
        other.reset(new peer_s(2));
        start_net_server("Studio");
    }
    void TearDown() override
    {
        other.reset();
        disp_tree_test::TearDown();
        root.reset();
        if (m_started)
            winsock_cleanup();
    }
    // The datagrams of one type that reached the other PC.
    std::vector<bytes_t> received(int type)
    {
        std::vector<bytes_t> of_type;
        for (const bytes_t &b : other->received())
            if (b.size() >= 8 && ((const net_packet_header *)b.data())->type == type)
                of_type.push_back(b);
        return of_type;
    }
    void drain()
    {
        for (int i = 0; i < 5; ++i)
            tick_tree(root.get(), 100.0f);
    }
    // The seats of the type 6 packets the other PC got, by slot.
    std::vector<std::pair<int, player_info>> seats_received()
    {
        std::vector<std::pair<int, player_info>> out;
        for (const bytes_t &b : received(NP_PLAYER_INFO_UPDATED)) {
            np_player_info_updated p;
            EXPECT_EQ(b.size(), sizeof p);
            std::memcpy(&p, b.data(), sizeof p);
            out.push_back({p.slot, p.info});
        }
        return out;
    }

    std::unique_ptr<peer_s> other;
    bool m_started = false;
};

TEST_F(seat_packets_test, a_joining_pc_gets_the_first_computer_seat_and_changed_seats_reach_it)
{
    other->send(valid_packet(NP_JOIN_REQUEST));
    drain();
    ASSERT_EQ(manager->client_count(), 1);
    const std::vector<bytes_t> joined = received(NP_SESSION_JOINED);
    ASSERT_EQ(joined.size(), 1u);
    np_session_joined j;
    std::memcpy(&j, joined[0].data(), sizeof j);
    EXPECT_EQ(+j.session.m_players[1].m_is_man, 1);
    EXPECT_EQ(+j.session.m_players[1].m_owner_address, other->address());
    EXPECT_EQ(std::memcmp(&j.session, &disp->session(), sizeof j.session), 0);
    EXPECT_FALSE(manager->announcements_stopped()) << "six computer seats are left";

    // Another PC's human: nothing changes, but the seat still goes out as it is.
    np_change_player_info c = change(1, own_address(), CHANGE_NAME);
    std::strcpy(c.value, "Taken");
    apply(c);
    auto got = seats_received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].first, 1);
    EXPECT_EQ(std::memcmp(&got[0].second, &disp->seat(1), sizeof(player_info)), 0);
    EXPECT_STRNE(disp->seat(1).name, "Taken");

    // The empty pulse and age texts are applied without a packet.
    apply(change(1, other->address(), CHANGE_PULSE));
    apply(change(1, other->address(), CHANGE_AGE));
    EXPECT_EQ(+disp->seat(1).pulse, 40);
    EXPECT_TRUE(seats_received().empty());

    // The PC is lost: its seat becomes this PC's computer player on every PC.
    int32_t address = other->address();
    send("replace_lost_players", MSG_ARG((void *)&address));
    got = seats_received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].first, 1);
    EXPECT_EQ(+got[0].second.m_is_man, 0);
    EXPECT_EQ(+got[0].second.m_owner_address, own_address());

    send("bots_autochoice");
    got = seats_received();
    ASSERT_EQ(got.size(), 7u) << "every computer seat";
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i].first, (int)i + 1);
}

} // namespace
