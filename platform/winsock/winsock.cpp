#include "platform/winsock/winsock.h"

#include "platform/winsock/bsd_sockets.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <strings.h>

namespace
{
std::atomic<int> g_startups{0};
thread_local int t_last_error = 0;
// The sockets made and not yet closed: the last cleanup closes them, as WinSock does, so that a
// socket still held when networking ends neither leaks its descriptor nor keeps its port taken.
std::mutex g_open_lock;
std::set<int> g_open;

// The result of a system-side call: its value, or SOCKET_ERROR with the last error set.
int result(int r)
{
    if (r < 0) {
        t_last_error = -r;
        return SOCKET_ERROR;
    }
    return r;
}

bool started()
{
    if (g_startups.load() > 0)
        return true;
    t_last_error = WSANOTINITIALISED;
    return false;
}

bool valid(SOCKET s)
{
    if (s == INVALID_SOCKET || s > (SOCKET)0x7fffffff) {
        t_last_error = WSAENOTSOCK;
        return false;
    }
    return true;
}

bool read_ipv4(const SOCKADDR *address, int length, uint32_t *ip, uint16_t *port)
{
    if (!address || length < (int)sizeof(SOCKADDR_IN)) {
        t_last_error = WSAEFAULT;
        return false;
    }
    SOCKADDR_IN a;
    std::memcpy(&a, address, sizeof a);
    if (a.sin_family != AF_INET) {
        t_last_error = WSAEAFNOSUPPORT;
        return false;
    }
    *ip = a.sin_addr.s_addr;
    *port = a.sin_port;
    return true;
}

// The hostent of the calling thread's last gethostbyname.
struct host_record
{
    std::string name;
    std::vector<uint32_t> addresses;
    std::vector<char *> address_list;
    char *aliases[1] = {nullptr};
    HOSTENT entry;
};
thread_local host_record t_host;
} // namespace

int WSAStartup(uint16_t version_requested, WSADATA *data)
{
    if (!data)
        return WSAEFAULT;
    int major = LOBYTE(version_requested), minor = HIBYTE(version_requested);
    if (major < 1)
        return WSAVERNOTSUPPORTED;
    if (major > 2 || (major == 2 && minor > 2))
        major = 2, minor = 2;
    std::memset(data, 0, sizeof *data);
    data->wVersion = MAKEWORD(major, minor);
    data->wHighVersion = MAKEWORD(2, 2);
    std::strcpy(data->szDescription, "WinSock 2.2 over BSD sockets");
    std::strcpy(data->szSystemStatus, "Running");
    data->iMaxUdpDg = 65507;
    ++g_startups;
    return 0;
}

int WSACleanup()
{
    int n = g_startups.load();
    while (n > 0 && !g_startups.compare_exchange_weak(n, n - 1)) {
    }
    if (n <= 0) {
        t_last_error = WSANOTINITIALISED;
        return SOCKET_ERROR;
    }
    if (n == 1) {
        std::lock_guard<std::mutex> lock(g_open_lock);
        for (int fd : g_open)
            bsd_sockets::close(fd);
        g_open.clear();
    }
    return 0;
}

int WSAGetLastError() { return t_last_error; }
void WSASetLastError(int error) { t_last_error = error; }

SOCKET socket(int family, int type, int protocol)
{
    if (!started())
        return INVALID_SOCKET;
    if (family != AF_INET) {
        t_last_error = WSAEAFNOSUPPORT;
        return INVALID_SOCKET;
    }
    bool stream = type == SOCK_STREAM;
    if ((!stream && type != SOCK_DGRAM) || (protocol != 0 && protocol != (stream ? IPPROTO_TCP : IPPROTO_UDP))) {
        t_last_error = stream || type == SOCK_DGRAM ? WSAEPROTONOSUPPORT : WSAESOCKTNOSUPPORT;
        return INVALID_SOCKET;
    }
    int r = result(bsd_sockets::open(stream));
    if (r == SOCKET_ERROR)
        return INVALID_SOCKET;
    std::lock_guard<std::mutex> lock(g_open_lock);
    g_open.insert(r);
    return (SOCKET)r;
}

int ioctlsocket(SOCKET s, long command, uint32_t *argument)
{
    if (!started() || !valid(s))
        return SOCKET_ERROR;
    if (command != FIONBIO || !argument) {
        t_last_error = command != FIONBIO ? WSAEINVAL : WSAEFAULT;
        return SOCKET_ERROR;
    }
    return result(bsd_sockets::set_nonblocking((int)s, *argument != 0));
}

int setsockopt(SOCKET s, int level, int name, const char *value, int length)
{
    if (!started() || !valid(s))
        return SOCKET_ERROR;
    if (!value || length < 1) {
        t_last_error = WSAEFAULT;
        return SOCKET_ERROR;
    }
    // A BOOL option may be given as one byte or as an int.
    int v = 0;
    if (length >= (int)sizeof v)
        std::memcpy(&v, value, sizeof v);
    else
        v = (unsigned char)value[0];
    bsd_sockets::option_e option;
    if (level == SOL_SOCKET && name == SO_BROADCAST)
        option = bsd_sockets::OPTION_BROADCAST;
    else if (level == SOL_SOCKET && name == SO_REUSEADDR)
        option = bsd_sockets::OPTION_REUSE_ADDRESS;
    else if (level == IPPROTO_TCP && name == TCP_NODELAY)
        option = bsd_sockets::OPTION_NO_DELAY;
    else {
        t_last_error = WSAENOPROTOOPT;
        return SOCKET_ERROR;
    }
    return result(bsd_sockets::set_option((int)s, option, v != 0));
}

int bind(SOCKET s, const SOCKADDR *address, int length)
{
    uint32_t ip;
    uint16_t port;
    if (!started() || !valid(s) || !read_ipv4(address, length, &ip, &port))
        return SOCKET_ERROR;
    return result(bsd_sockets::bind((int)s, ip, port));
}

int listen(SOCKET s, int backlog)
{
    if (!started() || !valid(s))
        return SOCKET_ERROR;
    return result(bsd_sockets::listen((int)s, backlog < 0 ? 0 : backlog));
}

int shutdown(SOCKET s, int how)
{
    if (!started() || !valid(s))
        return SOCKET_ERROR;
    if (how < SD_RECEIVE || how > SD_BOTH) {
        t_last_error = WSAEINVAL;
        return SOCKET_ERROR;
    }
    return result(bsd_sockets::shutdown((int)s, how));
}

int closesocket(SOCKET s)
{
    if (!started() || !valid(s))
        return SOCKET_ERROR;
    {
        std::lock_guard<std::mutex> lock(g_open_lock);
        g_open.erase((int)s);
    }
    return result(bsd_sockets::close((int)s));
}

int recvfrom(SOCKET s, char *buffer, int length, int flags, SOCKADDR *from, int *from_length)
{
    if (!started() || !valid(s))
        return SOCKET_ERROR;
    if (length < 0 || flags != 0) {
        t_last_error = WSAEINVAL;
        return SOCKET_ERROR;
    }
    if ((length > 0 && !buffer) || (from && (!from_length || *from_length < (int)sizeof(SOCKADDR_IN)))) {
        t_last_error = WSAEFAULT;
        return SOCKET_ERROR;
    }
    uint32_t ip = 0;
    uint16_t port = 0;
    int n = result(bsd_sockets::receive_from((int)s, buffer, length, &ip, &port));
    if (n != SOCKET_ERROR && from) {
        SOCKADDR_IN a;
        std::memset(&a, 0, sizeof a);
        a.sin_family = AF_INET;
        a.sin_port = port;
        a.sin_addr.s_addr = ip;
        std::memcpy(from, &a, sizeof a);
        *from_length = sizeof a;
    }
    return n;
}

int sendto(SOCKET s, const char *buffer, int length, int flags, const SOCKADDR *to, int to_length)
{
    uint32_t ip;
    uint16_t port;
    if (!started() || !valid(s) || !read_ipv4(to, to_length, &ip, &port))
        return SOCKET_ERROR;
    if (length < 0 || flags != 0) {
        t_last_error = WSAEINVAL;
        return SOCKET_ERROR;
    }
    if (length > 0 && !buffer) {
        t_last_error = WSAEFAULT;
        return SOCKET_ERROR;
    }
    return result(bsd_sockets::send_to((int)s, buffer, length, ip, port));
}

uint32_t inet_addr(const char *text)
{
    uint32_t a;
    return bsd_sockets::parse_ipv4(text, &a) ? a : INADDR_NONE;
}

HOSTENT *gethostbyname(const char *name)
{
    if (!started())
        return nullptr;
    if (!name) {
        t_last_error = WSAEFAULT;
        return nullptr;
    }
    host_record &h = t_host;
    h.addresses.clear();
    std::string own;
    if (bsd_sockets::host_name(own) == 0 && strcasecmp(own.c_str(), name) == 0) {
        bsd_sockets::interface_addresses(h.addresses);
        if (h.addresses.empty())
            h.addresses.push_back(htonl(0x7f000001u));
    } else {
        int r = bsd_sockets::resolve(name, h.addresses);
        if (r < 0) {
            t_last_error = -r;
            return nullptr;
        }
        if (h.addresses.empty()) {
            t_last_error = WSANO_DATA;
            return nullptr;
        }
    }
    h.name = name;
    h.address_list.clear();
    for (uint32_t &a : h.addresses)
        h.address_list.push_back(reinterpret_cast<char *>(&a));
    h.address_list.push_back(nullptr);
    h.entry.h_name = h.name.data();
    h.entry.h_aliases = h.aliases;
    h.entry.h_addrtype = AF_INET;
    h.entry.h_length = 4;
    h.entry.h_addr_list = h.address_list.data();
    return &h.entry;
}

int gethostname(char *name, int length)
{
    if (!started())
        return SOCKET_ERROR;
    std::string own;
    int r = bsd_sockets::host_name(own);
    if (r < 0)
        return result(r);
    if (!name || length <= (int)own.size()) {
        t_last_error = WSAEFAULT;
        return SOCKET_ERROR;
    }
    std::memcpy(name, own.c_str(), own.size() + 1);
    return 0;
}

int interface_broadcast_addresses(uint32_t *addresses, int max)
{
    std::vector<uint32_t> found;
    bsd_sockets::interface_broadcast_addresses(found);
    int n = 0;
    for (; n < max && n < (int)found.size(); ++n)
        addresses[n] = found[n];
    return n;
}
