// libFuzzer harness: any datagram through the LAN packet check. An accepted one must have the
// size of its type, agree with its length field and end its texts inside their fields.
#include "net/net_packets.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > NET_MAX_DATAGRAM)
        return 0; // the socket never hands out more
    std::vector<char> copy(data, data + size);
    if (!net_packet_accept(copy.data(), (int64_t)size))
        return 0;
    net_packet_header h;
    std::memcpy(&h, copy.data(), sizeof h);
    if (h.length != (int32_t)size || net_packet_size(h.type) != (int)size || !net_packet_length_ok(copy.data()))
        std::abort();
    if (h.type == NP_HOST_ANNOUNCE || h.type == NP_KEEP_ALIVE)
        if (std::strlen(copy.data() + 8) >= 128)
            std::abort();
    if (h.type == NP_QUESTION && (std::strlen(copy.data() + 23) >= 512 || std::strlen(copy.data() + 535) >= 256))
        std::abort();
    return 0;
}
