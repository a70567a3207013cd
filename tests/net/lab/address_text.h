// The dotted text of a socket address's IPv4 address, for test messages and lab lines.
#pragma once

#include <string>

#include "platform/winsock/winsock.h"

inline std::string dotted(const SOCKADDR_IN &a)
{
    uint32_t h = ntohl(a.sin_addr.s_addr);
    return std::to_string(h >> 24) + "." + std::to_string((h >> 16) & 255) + "." + std::to_string((h >> 8) & 255) +
           "." + std::to_string(h & 255);
}
