// LAN packets: the input is one datagram. It goes through the check every received datagram and
// every local packet passes; an accepted one must have its type's size, agree with its length
// field and end every text inside its field.
#include "net/net_packets.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void fault(const char *what, int type)
{
    std::fprintf(stderr, "fuzz_net_packet: %s (type %d)\n", what, type);
    std::abort();
}

void text_ends(const std::vector<char> &p, size_t offset, size_t size, int type)
{
    if (strnlen(p.data() + offset, size) >= size)
        fault("a text runs past its field", type);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > NET_MAX_DATAGRAM)
        return 0; // the socket never hands out more
    std::vector<char> p(data, data + size);
    if (!net_packet_accept(p.data(), (int64_t)size))
        return 0;
    net_packet_header h;
    std::memcpy(&h, p.data(), sizeof h);
    if (h.length != (int32_t)size || net_packet_size(h.type) != (int)size || !net_packet_length_ok(p.data()))
        fault("accepted with a wrong size", h.type);
    switch (h.type) {
    case NP_HOST_ANNOUNCE:
    case NP_KEEP_ALIVE:
        text_ends(p, 8, 128, h.type);
        break;
    case NP_QUESTION:
        text_ends(p, 23, 512, h.type);
        text_ends(p, 535, 256, h.type);
        break;
    case NP_SCENE_COMMAND:
        text_ends(p, 8, 64, h.type);
        text_ends(p, 72, 64, h.type);
        text_ends(p, 136, 128, h.type);
        break;
    case NP_PLAYER_INFO_UPDATED:
        text_ends(p, 12 + 4, 50, h.type);
        break;
    case NP_SESSION_JOINED:
        for (size_t i = 0; i < 8; ++i)
            text_ends(p, 12 + 32 + i * sizeof(player_info) + 4, 50, h.type);
        break;
    default:
        break;
    }
    return 0;
}
