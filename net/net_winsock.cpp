#include "net/net_winsock.h"

#include <cstring>

const winsock_error_row WINSOCK_ERROR_NAMES[] = {
    {"WSAEINTR", 10004},
    {"WSAEBADF", 10009},
    {"WSAEACCES", 10013},
    {"WSAEFAULT", 10014},
    {"WSAEINVAL", 10022},
    {"WSAEMFILE", 10024},
    {"WSAEWOULDBLOCK", 10035},
    {"WSAEINPROGRESS", 10036},
    {"WSAEALREADY", 10037},
    {"WSAENOTSOCK", 10038},
    {"WSAEDESTADDRREQ", 10039},
    {"WSAEMSGSIZE", 10040},
    {"WSAEPROTOTYPE", 10041},
    {"WSAENOPROTOOPT", 10042},
    {"WSAEPROTONOSUPPORT", 10043},
    {"WSAESOCKTNOSUPPORT", 10044},
    {"WSAEOPNOTSUPP", 10045},
    {"WSAEPFNOSUPPORT", 10046},
    {"WSAEAFNOSUPPORT", 10047},
    {"WSAEADDRINUSE", 10048},
    {"WSAEADDRNOTAVAIL", 10049},
    {"WSAENETDOWN", 10050},
    {"WSAENETUNREACH", 10051},
    {"WSAENETRESET", 10052},
    {"WSAECONNABORTED", 10053},
    {"WSAECONNRESET", 10054},
    {"WSAENOBUFS", 10055},
    {"WSAEISCONN", 10056},
    {"WSAENOTCONN", 10057},
    {"WSAESHUTDOWN", 10058},
    {"WSAETOOMANYREFS", 10059},
    {"WSAETIMEDOUT", 10060},
    {"WSAECONNREFUSED", 10061},
    {"WSAELOOP", 10062},
    {"WSAENAMETOOLONG", 10063},
    {"WSAEHOSTDOWN", 10064},
    {"WSAEHOSTUNREACH", 10065},
    {"WSAENOTEMPTY", 10066},
    {"WSAEPROCLIM", 10067},
    {"WSAEUSERS", 10068},
    {"WSAEDQUOT", 10069},
    {"WSAESTALE", 10070},
    {"WSAEREMOTE", 10071},
    {"WSASYSNOTREADY", 10091},
    {"WSAVERNOTSUPPORTED", 10092},
    {"WSANOTINITIALISED", 10093},
    {"WSAEDISCON", 10101},
    {"WSAENOMORE", 10102},
    {"WSAECANCELLED", 10103},
    {"WSAEINVALIDPROCTABLE", 10104},
    {"WSAEINVALIDPROVIDER", 10105},
    {"WSAEPROVIDERFAILEDINIT", 10106},
    {"WSASYSCALLFAILURE", 10107},
    {"WSASERVICE_NOT_FOUND", 10108},
    {"WSATYPE_NOT_FOUND", 10109},
    {"WSA_E_NO_MORE", 10110},
    {"WSA_E_CANCELLED", 10111},
    {"WSAEREFUSED", 10112},
    {"WSAHOST_NOT_FOUND", 11001},
    {"HOST_NOT_FOUND", 11001},
    {"WSATRY_AGAIN", 11002},
    {"TRY_AGAIN", 11002},
    {"WSANO_RECOVERY", 11003},
    {"NO_RECOVERY", 11003},
    {"WSANO_DATA", 11004},
    {"NO_DATA", 11004},
    {nullptr, 0},
};

const char *winsock_error_name(int code)
{
    for (const winsock_error_row *row = WINSOCK_ERROR_NAMES; row->name; ++row)
        if (row->code == code)
            return row->name;
    return "Unknown WinSock error code";
}

std::string last_winsock_error_name() { return winsock_error_name(WSAGetLastError()); }

void winsock_startup()
{
    WSADATA data;
    int r = WSAStartup(MAKEWORD(2, 2), &data);
    if (r != 0)
        ENGINE_THROW(winsock_exception_c, std::string("Could not initialize winsocket :") + winsock_error_name(r));
    if (LOBYTE(data.wVersion) < 2 || HIBYTE(data.wVersion) < 2) {
        WSACleanup();
        ENGINE_THROW(winsock_exception_c, "Could not initialize winsocket - Winsocket version 2.2 required");
    }
}

void winsock_cleanup() { WSACleanup(); }

namespace
{
void clear_address(int port, uint32_t address, SOCKADDR_IN *out)
{
    std::memset(out, 0, sizeof *out);
    out->sin_family = AF_INET;
    out->sin_port = htons((uint16_t)port);
    out->sin_addr.s_addr = address;
}
} // namespace

void winsocket_c::set_address(const char *name, int port, SOCKADDR_IN *out)
{
    clear_address(port, INADDR_ANY, out);
    uint32_t address = inet_addr(name);
    if (address == INADDR_NONE) {
        HOSTENT *host = gethostbyname(name);
        if (!host)
            ENGINE_THROW(winsock_exception_c, "gethostbyname failed: " + last_winsock_error_name());
        if (host->h_length <= 0 || !host->h_addr_list[0])
            ENGINE_THROW(winsock_exception_c, "set_address: gethostbyname returned zero address");
        std::memcpy(&address, host->h_addr_list[0], sizeof address);
    }
    out->sin_addr.s_addr = address;
}

void winsocket_c::set_any_address(int port, SOCKADDR_IN *out) { clear_address(port, INADDR_ANY, out); }

void winsocket_c::set_broadcast_address(int port, SOCKADDR_IN *out) { clear_address(port, INADDR_BROADCAST, out); }

winsocket_c::winsocket_c(int kind, const char *address_name, int port)
    : m_kind(kind), m_socket(INVALID_SOCKET), m_local_address{}, m_peer_address{}, m_reserved(0)
{
    if (kind == WINSOCK_UDP)
        m_socket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    else if (kind == WINSOCK_TCP_LISTEN || kind == WINSOCK_TCP)
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    else
        ENGINE_THROW(exception_c, "winsocket_c: Invalid socket type");
    if (m_socket == INVALID_SOCKET)
        ENGINE_THROW(winsock_exception_c, "socket failed: " + last_winsock_error_name());

    // From here on a failure closes the socket before raising: the destructor of an
    // object whose constructor failed never runs.
    auto fail = [this](const char *step) {
        std::string text = step + last_winsock_error_name();
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
        ENGINE_THROW(winsock_exception_c, text);
    };
    try {
        if (address_name)
            set_address(address_name, port, &m_local_address);
        else
            set_any_address(port, &m_local_address);
    } catch (...) {
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
        throw;
    }
    uint32_t on = 1;
    if (ioctlsocket(m_socket, FIONBIO, &on) == SOCKET_ERROR)
        fail("ioctlsocket(nonblocking on) failed: ");
    const int yes = 1;
    const SOCKADDR *local = reinterpret_cast<const SOCKADDR *>(&m_local_address);
    if (kind == WINSOCK_UDP) {
        if (setsockopt(m_socket, SOL_SOCKET, SO_BROADCAST, (const char *)&yes, sizeof yes) == SOCKET_ERROR)
            fail("setsockopt(broadcast on) failed: ");
        if (bind(m_socket, local, sizeof m_local_address) == SOCKET_ERROR)
            fail("bind failed: ");
    } else if (kind == WINSOCK_TCP_LISTEN) {
        if (setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, (const char *)&yes, sizeof yes) == SOCKET_ERROR)
            fail("setsockopt(reuse address on) failed: ");
        if (setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, (const char *)&yes, sizeof yes) == SOCKET_ERROR)
            fail("setsockopt(Nagle off) failed: ");
        if (bind(m_socket, local, sizeof m_local_address) == SOCKET_ERROR)
            fail("bind failed: ");
        if (listen(m_socket, SOMAXCONN) == SOCKET_ERROR)
            fail("listen failed: ");
    } else {
        if (setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, (const char *)&yes, sizeof yes) == SOCKET_ERROR)
            fail("setsockopt(Nagle off) failed: ");
    }
}

winsocket_c::~winsocket_c()
{
    if (m_socket != INVALID_SOCKET)
        closesocket(m_socket);
}

void winsocket_c::close()
{
    if (m_kind == 0 || m_socket == INVALID_SOCKET)
        return;
    shutdown(m_socket, SD_SEND);
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
    m_held.clear();
}

int winsocket_c::read_system(char *buffer, int size, SOCKADDR_IN *from, bool *too_long, bool *none)
{
    *too_long = false;
    *none = false;
    std::memset(from, 0, sizeof *from);
    SOCKADDR_IN address;
    std::memset(&address, 0, sizeof address);
    int length = sizeof address;
    int n = recvfrom(m_socket, buffer, size, 0, reinterpret_cast<SOCKADDR *>(&address), &length);
    if (n == SOCKET_ERROR) {
        int error = WSAGetLastError();
        *too_long = error == WSAEMSGSIZE;
        *none = error == WSAEWOULDBLOCK;
        if (error == WSAEWOULDBLOCK || error == WSAEMSGSIZE)
            return 0;
        ENGINE_THROW(winsock_exception_c, std::string("recvfrom failed: ") + winsock_error_name(error));
    }
    if (length != (int)sizeof address)
        ENGINE_THROW(winsock_exception_c, "recieve_from: invalid address format");
    *from = address;
    return n;
}

int winsocket_c::recieve_from(char *buffer, int size, SOCKADDR_IN *from, bool *too_long)
{
    if (too_long)
        *too_long = false;
    if (m_kind != WINSOCK_UDP)
        ENGINE_THROW(exception_c, "recieve_from: Is not a TCP socket");
    if (!m_held.empty()) {
        datagram_s d = std::move(m_held.front());
        m_held.pop_front();
        const bool dropped = d.too_long || (int)d.bytes.size() > size;
        if (too_long)
            *too_long = dropped;
        if (from)
            *from = d.from;
        if (dropped)
            return 0;
        std::memcpy(buffer, d.bytes.data(), d.bytes.size());
        return (int)d.bytes.size();
    }
    SOCKADDR_IN address;
    bool longer = false, none = false;
    const int n = read_system(buffer, size, &address, &longer, &none);
    if (too_long)
        *too_long = longer;
    if (from)
        *from = address;
    return n;
}

const std::deque<winsocket_c::datagram_s> &winsocket_c::look_ahead(int size, int max)
{
    if (m_kind != WINSOCK_UDP)
        ENGINE_THROW(exception_c, "look_ahead: Is not a TCP socket");
    std::vector<char> buffer((size_t)(size > 0 ? size : 0));
    while ((int)m_held.size() < max) {
        datagram_s d;
        bool none = false;
        const int n = read_system(buffer.data(), size, &d.from, &d.too_long, &none);
        if (none)
            break;
        d.bytes.assign(buffer.begin(), buffer.begin() + n);
        m_held.push_back(std::move(d));
    }
    return m_held;
}

int winsocket_c::sendto(const void *data, int length, const SOCKADDR_IN *to)
{
    if (m_kind != WINSOCK_UDP)
        ENGINE_THROW(exception_c, "sendto: Is not a TCP socket");
    return ::sendto(m_socket, static_cast<const char *>(data), length, 0, reinterpret_cast<const SOCKADDR *>(to),
                    sizeof *to);
}
