#include "platform/winsock/bsd_sockets.h"

#include <algorithm>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace
{
// WinSock codes, repeated here because this file cannot see the WinSock header.
int wsa_code(int error)
{
    switch (error) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: case ENFILE: return 10024;
    case EAGAIN: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: case EPIPE: return 10054;
    case ENOBUFS: case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    case EUSERS: return 10068;
    case EDQUOT: return 10069;
    case ESTALE: return 10070;
    case EREMOTE: return 10071;
    default: return 10107; // WSASYSCALLFAILURE
    }
}

int fail() { return -wsa_code(errno); }

int resolver_code(int error)
{
    switch (error) {
    case EAI_NONAME: return 11001;
    case EAI_AGAIN: return 11002;
    case EAI_FAIL: return 11003;
    case EAI_NODATA: case EAI_ADDRFAMILY: return 11004;
    case EAI_MEMORY: return 10055;
    case EAI_SYSTEM: return wsa_code(errno);
    default: return 11003;
    }
}

sockaddr_in ipv4(uint32_t address, uint16_t port)
{
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = port;
    a.sin_addr.s_addr = address;
    return a;
}
} // namespace

namespace bsd_sockets
{
int open(bool stream)
{
    int fd = ::socket(AF_INET, (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, stream ? IPPROTO_TCP : IPPROTO_UDP);
    return fd < 0 ? fail() : fd;
}

int set_nonblocking(int fd, bool on)
{
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return fail();
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, flags) < 0 ? fail() : 0;
}

int set_option(int fd, option_e option, int value)
{
    int r;
    switch (option) {
    case OPTION_BROADCAST: r = ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &value, sizeof value); break;
    case OPTION_REUSE_ADDRESS: r = ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &value, sizeof value); break;
    case OPTION_NO_DELAY: r = ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value); break;
    default: return -10042; // WSAENOPROTOOPT
    }
    return r < 0 ? fail() : 0;
}

int bind(int fd, uint32_t address, uint16_t port)
{
    sockaddr_in a = ipv4(address, port);
    return ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) < 0 ? fail() : 0;
}

int listen(int fd, int backlog)
{
    return ::listen(fd, backlog > SOMAXCONN ? SOMAXCONN : backlog) < 0 ? fail() : 0;
}

int shutdown(int fd, int how)
{
    int h = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(fd, h) < 0 ? fail() : 0;
}

int close(int fd) { return ::close(fd) < 0 ? fail() : 0; }

int receive_from(int fd, char *buffer, int length, uint32_t *address, uint16_t *port)
{
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    socklen_t size = sizeof a;
    ssize_t n = ::recvfrom(fd, buffer, (size_t)length, MSG_TRUNC, reinterpret_cast<sockaddr *>(&a), &size);
    if (n < 0)
        return fail();
    if (n > length)
        return -10040; // WSAEMSGSIZE: the datagram is gone, none of it is handed out
    *address = a.sin_addr.s_addr;
    *port = a.sin_port;
    return (int)n;
}

int send_to(int fd, const char *buffer, int length, uint32_t address, uint16_t port)
{
    sockaddr_in a = ipv4(address, port);
    ssize_t n = ::sendto(fd, buffer, (size_t)length, MSG_NOSIGNAL, reinterpret_cast<sockaddr *>(&a), sizeof a);
    return n < 0 ? fail() : (int)n;
}

bool parse_ipv4(const char *text, uint32_t *address)
{
    in_addr a;
    if (!text || ::inet_aton(text, &a) == 0)
        return false;
    *address = a.s_addr;
    return true;
}

int resolve(const char *name, std::vector<uint32_t> &addresses)
{
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *list = nullptr;
    int r = ::getaddrinfo(name, nullptr, &hints, &list);
    if (r != 0)
        return -resolver_code(r);
    for (addrinfo *i = list; i; i = i->ai_next)
        if (i->ai_family == AF_INET && i->ai_addrlen >= sizeof(sockaddr_in)) {
            uint32_t a = reinterpret_cast<const sockaddr_in *>(i->ai_addr)->sin_addr.s_addr;
            bool seen = false;
            for (uint32_t b : addresses)
                seen = seen || a == b;
            if (!seen)
                addresses.push_back(a);
        }
    ::freeaddrinfo(list);
    return 0;
}

void interface_addresses(std::vector<uint32_t> &addresses)
{
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return;
    for (ifaddrs *i = list; i; i = i->ifa_next)
        if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET && (i->ifa_flags & IFF_UP) &&
            !(i->ifa_flags & IFF_LOOPBACK))
            addresses.push_back(reinterpret_cast<const sockaddr_in *>(i->ifa_addr)->sin_addr.s_addr);
    ::freeifaddrs(list);
}

void interface_broadcast_addresses(std::vector<uint32_t> &addresses)
{
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return;
    for (ifaddrs *i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP) ||
            !(i->ifa_flags & IFF_BROADCAST) || !i->ifa_broadaddr || i->ifa_broadaddr->sa_family != AF_INET)
            continue;
        const uint32_t address = reinterpret_cast<const sockaddr_in *>(i->ifa_broadaddr)->sin_addr.s_addr;
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
            addresses.push_back(address);
    }
    ::freeifaddrs(list);
}

int host_name(std::string &name)
{
    char buffer[HOST_NAME_MAX + 1];
    if (::gethostname(buffer, sizeof buffer) != 0)
        return fail();
    buffer[HOST_NAME_MAX] = 0;
    name = buffer;
    return 0;
}
} // namespace bsd_sockets
