// A peer PC for network-manager tests: a socket on 127.0.0.n that sends to this PC's port 1980
// and collects what comes back.
#pragma once

#include <string>
#include <vector>

#include "net/net_packets.h"
#include "net/net_winsock.h"
#include "tests/net/lab/packet_bytes.h"

struct peer_s
{
    explicit peer_s(int n, int port = 5000)
        : socket(WINSOCK_UDP, ("127.0.0." + std::to_string(n)).c_str(), port), number(n)
    {
        winsocket_c::set_address("127.0.0.1", NET_PORT, &to);
    }
    void send(const bytes_t &b) { socket.sendto(b.data(), (int)b.size(), &to); }
    void send(const void *p) { send(as_bytes(p, (size_t)((const net_packet_header *)p)->length)); }
    // Every datagram waiting, as byte strings.
    std::vector<bytes_t> received()
    {
        std::vector<bytes_t> all;
        char buffer[NET_MAX_DATAGRAM];
        SOCKADDR_IN from;
        int n;
        while ((n = socket.recieve_from(buffer, sizeof buffer, &from)) > 0)
            all.push_back(as_bytes(buffer, (size_t)n));
        return all;
    }
    // The peer's short address as the manager sees it.
    int32_t address() const { return (int32_t)htonl(0x7f000000u + (uint32_t)number); }

    winsocket_c socket;
    SOCKADDR_IN to;
    int number;
};
