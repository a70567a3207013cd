// Packets as byte strings for the network tests.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

#include "net/net_packets.h"

typedef std::vector<unsigned char> bytes_t;

template <class T> void put(bytes_t &b, size_t offset, T v) { std::memcpy(b.data() + offset, &v, sizeof v); }

inline bytes_t as_bytes(const void *p, size_t n)
{
    const unsigned char *c = (const unsigned char *)p;
    return bytes_t(c, c + n);
}

// Those of the byte strings that are packets of the type, in their order.
inline std::vector<bytes_t> of_type(const std::vector<bytes_t> &all, int type)
{
    std::vector<bytes_t> found;
    for (const bytes_t &b : all) {
        net_packet_header h;
        if (b.size() >= sizeof h && (std::memcpy(&h, b.data(), sizeof h), h.type == type))
            found.push_back(b);
    }
    return found;
}

// A packet of the type that passes the check: header set, records as new.
inline bytes_t valid_packet(int type)
{
    bytes_t b((size_t)net_packet_size(type), 0);
    net_packet_header h = {(int32_t)b.size(), type};
    std::memcpy(b.data(), &h, sizeof h);
    if (type == NP_SESSION_JOINED) {
        np_session_joined p = np_session_joined_new();
        std::memcpy(b.data(), &p, sizeof p);
    } else if (type == NP_PLAYER_INFO_UPDATED) {
        player_info info;
        player_info_init(info);
        std::memcpy(b.data() + offsetof(np_player_info_updated, info), &info, sizeof info);
    } else if (type == NP_CHANGE_PLAYER_INFO) {
        player_info info;
        player_info_init(info);
        std::memcpy(b.data() + offsetof(np_change_player_info, value), &info, sizeof info);
    }
    return b;
}

