// A server PC for screen tests that run in a private network namespace (net_lab): a peer on
// 127.0.0.n (port 5000) that announces itself and seats the PC that asked to join.
#pragma once

#include "net/net_manager.h"
#include "tests/net/lab/peer.h"

#include <string>
#include <vector>

struct lan_server_s : peer_s
{
    explicit lan_server_s(int n) : peer_s(n) {}
    void announce(const std::string &name)
    {
        bytes_t b = valid_packet(NP_HOST_ANNOUNCE);
        std::memcpy(b.data() + 8, name.c_str(), name.size());
        send(b);
    }
    // A type 5 with the address of the PC whose manager is given.
    void seat(const net_manager *manager)
    {
        bytes_t joined = valid_packet(NP_SESSION_JOINED);
        put(joined, offsetof(np_session_joined, address), (int32_t)manager->short_address());
        send(joined);
    }
    std::vector<int> received_types()
    {
        std::vector<int> types;
        for (const bytes_t &b : received())
            types.push_back(((const net_packet_header *)b.data())->type);
        return types;
    }
};
