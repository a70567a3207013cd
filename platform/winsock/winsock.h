// The WinSock 2.2 calls the network layer makes, over the system's BSD sockets.
//
// Only IPv4 UDP and TCP sockets. Addresses are the 16-byte SOCKADDR_IN of the original
// platform: family (2 bytes, host order), port and address in network order, eight zero
// bytes; a SOCKADDR given with another length than 16 fails with WSAEFAULT.
//
// Errors: a failing call returns SOCKET_ERROR (or INVALID_SOCKET, or null) and sets the calling
// thread's last error, read with WSAGetLastError, as a WinSock code: the system's errno and
// resolver failures are mapped onto the WSAE... values (EAGAIN 10035, EADDRINUSE 10048 ...).
// Sockets need WSAStartup first (WSANOTINITIALISED otherwise); startups are counted, and
// each WSACleanup ends one of them, so several users in one process work side by side.
//
// Differences from the original platform that callers rely on:
// - recvfrom never returns a cut datagram: one longer than the buffer is consumed and the
//   call fails with WSAEMSGSIZE; the next datagram is read whole by the next call.
// - A negative buffer length fails with WSAEINVAL before anything reaches the system.
// - gethostbyname of this PC's own host name answers with the PC's IPv4 interface
//   addresses (interfaces that are up and not loopback, in interface order), never the
//   127.0.1.1 that Debian's /etc/hosts gives it; 127.0.0.1 when there is none. Peers see
//   the same address as the source of our datagrams.
// - ICMP errors of earlier sends are never reported on unconnected UDP sockets.
// - The returned hostent lives until the calling thread's next gethostbyname.
//
// The names live in the global namespace with C++ linkage; a source file that includes this
// header must not include the system's socket headers (the platform's own BSD side does).
#pragma once

#include <cstdint>

typedef uintptr_t SOCKET;

constexpr SOCKET INVALID_SOCKET = ~(SOCKET)0;
constexpr int SOCKET_ERROR = -1;

constexpr int AF_INET = 2;
constexpr int SOCK_STREAM = 1;
constexpr int SOCK_DGRAM = 2;
constexpr int IPPROTO_TCP = 6;
constexpr int IPPROTO_UDP = 17;

constexpr int SOL_SOCKET = 0xffff;
constexpr int SO_REUSEADDR = 0x0004;
constexpr int SO_BROADCAST = 0x0020;
constexpr int TCP_NODELAY = 0x0001;
constexpr long FIONBIO = (long)0x8004667Eu;
constexpr int SOMAXCONN = 0x7fffffff;
constexpr int SD_RECEIVE = 0;
constexpr int SD_SEND = 1;
constexpr int SD_BOTH = 2;

constexpr uint32_t INADDR_ANY = 0x00000000u;
constexpr uint32_t INADDR_BROADCAST = 0xffffffffu;
constexpr uint32_t INADDR_NONE = 0xffffffffu;

#define MAKEWORD(low, high) ((uint16_t)(((uint8_t)(low)) | ((uint16_t)((uint8_t)(high))) << 8))
#define LOBYTE(w) ((uint8_t)((w)&0xff))
#define HIBYTE(w) ((uint8_t)(((w) >> 8) & 0xff))

struct in_addr_w
{
    uint32_t s_addr;
};

struct SOCKADDR
{
    uint16_t sa_family;
    char sa_data[14];
};

struct SOCKADDR_IN
{
    int16_t sin_family;
    uint16_t sin_port;
    in_addr_w sin_addr;
    char sin_zero[8];
};
static_assert(sizeof(SOCKADDR) == 16 && sizeof(SOCKADDR_IN) == 16, "socket addresses are 16 bytes");

struct HOSTENT
{
    char *h_name;
    char **h_aliases;
    int16_t h_addrtype;
    int16_t h_length;
    char **h_addr_list;
};

struct WSADATA
{
    uint16_t wVersion;
    uint16_t wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
    uint16_t iMaxSockets;
    uint16_t iMaxUdpDg;
    char *lpVendorInfo;
};

// WinSock error codes.
enum : int {
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAEDESTADDRREQ = 10039,
    WSAEMSGSIZE = 10040,
    WSAEPROTOTYPE = 10041,
    WSAENOPROTOOPT = 10042,
    WSAEPROTONOSUPPORT = 10043,
    WSAESOCKTNOSUPPORT = 10044,
    WSAEOPNOTSUPP = 10045,
    WSAEPFNOSUPPORT = 10046,
    WSAEAFNOSUPPORT = 10047,
    WSAEADDRINUSE = 10048,
    WSAEADDRNOTAVAIL = 10049,
    WSAENETDOWN = 10050,
    WSAENETUNREACH = 10051,
    WSAENETRESET = 10052,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOBUFS = 10055,
    WSAEISCONN = 10056,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETOOMANYREFS = 10059,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAELOOP = 10062,
    WSAENAMETOOLONG = 10063,
    WSAEHOSTDOWN = 10064,
    WSAEHOSTUNREACH = 10065,
    WSAENOTEMPTY = 10066,
    WSAEPROCLIM = 10067,
    WSAEUSERS = 10068,
    WSAEDQUOT = 10069,
    WSAESTALE = 10070,
    WSAEREMOTE = 10071,
    WSASYSNOTREADY = 10091,
    WSAVERNOTSUPPORTED = 10092,
    WSANOTINITIALISED = 10093,
    WSAEDISCON = 10101,
    WSAENOMORE = 10102,
    WSAECANCELLED = 10103,
    WSAEINVALIDPROCTABLE = 10104,
    WSAEINVALIDPROVIDER = 10105,
    WSAEPROVIDERFAILEDINIT = 10106,
    WSASYSCALLFAILURE = 10107,
    WSASERVICE_NOT_FOUND = 10108,
    WSATYPE_NOT_FOUND = 10109,
    WSA_E_NO_MORE = 10110,
    WSA_E_CANCELLED = 10111,
    WSAEREFUSED = 10112,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
    WSANO_DATA = 11004,
};

// Gives version min(requested, 2.2); a request below 1.0 fails with WSAVERNOTSUPPORTED.
int WSAStartup(uint16_t version_requested, WSADATA *data);
// Ends one startup; WSANOTINITIALISED when none is active.
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

SOCKET socket(int family, int type, int protocol);
// FIONBIO with a non-zero *argument switches non-blocking mode on.
int ioctlsocket(SOCKET s, long command, uint32_t *argument);
int setsockopt(SOCKET s, int level, int name, const char *value, int length);
int bind(SOCKET s, const SOCKADDR *address, int length);
int listen(SOCKET s, int backlog);
int shutdown(SOCKET s, int how);
int closesocket(SOCKET s);
int recvfrom(SOCKET s, char *buffer, int length, int flags, SOCKADDR *from, int *from_length);
int sendto(SOCKET s, const char *buffer, int length, int flags, const SOCKADDR *to, int to_length);

// A dotted IPv4 text in network order; INADDR_NONE when it is none.
uint32_t inet_addr(const char *text);
// Not WinSock: the broadcast addresses (network order) of this PC's IPv4 interfaces that are up
// and broadcast-capable, in interface order, each once; at most `max` are written, the count
// written is returned (0 when there are none or they cannot be read).
int interface_broadcast_addresses(uint32_t *addresses, int max);
HOSTENT *gethostbyname(const char *name);
int gethostname(char *name, int length);

inline uint16_t htons(uint16_t v) { return (uint16_t)((v >> 8) | (v << 8)); }
inline uint16_t ntohs(uint16_t v) { return htons(v); }
inline uint32_t htonl(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}
inline uint32_t ntohl(uint32_t v) { return htonl(v); }
