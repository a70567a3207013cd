// The flow fixture's PC serving a session that another PC has joined, in a private network
// namespace: a peer socket on 127.0.0.2 plays that PC, whose human the session seats in slot 1.
#pragma once

#include "tests/game/flow/flow_fixture.h"
#include "tests/net/lab/net_lab.h"
#include "tests/net/lab/packet_bytes.h"
#include "tests/net/lab/peer.h"

#include <memory>
#include <vector>

// The short address of the PC that has joined this one's session.
constexpr int32_t OTHER_PC = 0x0200007f;

template <class base_t> class served_c : public base_t
{
protected:
    void SetUp() override
    {
        NET_LAB_PRIVATE_OR_SKIP();
        winsock_startup();
        m_started = true;
        base_t::SetUp();
        client.reset(new peer_s(2));
        start_net_server("Studio");
        this->manager->set_announce_address("127.0.0.1");
        client->send(valid_packet(NP_JOIN_REQUEST));
        this->run(0.5);
        ASSERT_EQ(this->manager->client_count(), 1);
        ASSERT_EQ(+this->disp->seat(1).m_owner_address, OTHER_PC);
    }
    void TearDown() override
    {
        client.reset();
        base_t::TearDown();
        if (m_started)
            winsock_cleanup();
    }
    // The datagrams the client has received since the last call: those of the type.
    std::vector<bytes_t> client_received(int type) { return of_type(client->received(), type); }
    // Game time with the client alive: its keep-alive every 0.5 s.
    void keep_client(double seconds)
    {
        for (double end = this->m_now + seconds; this->m_now < end;) {
            client->send(valid_packet(NP_KEEP_ALIVE));
            this->run(0.5);
        }
    }

    std::unique_ptr<peer_s> client;
    bool m_started = false;
};
