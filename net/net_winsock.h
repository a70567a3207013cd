// winsocket_c: one WinSock socket of the network layer, and the process-wide WinSock use.
//
// Kinds: 1 a UDP datagram socket (the only one the game uses), 2 a TCP listening socket,
// 4 a TCP socket. The constructor creates, configures and (kinds 1 and 2) binds the socket,
// non-blocking; any failure closes what it made and raises, so no descriptor outlives a
// failed construction, and the destructor closes a socket that close() did not.
//
// Failures of the system raise winsock_exception_c whose message is the step's text
// followed by the WinSock error's name ("bind failed: WSAEADDRINUSE"); misuse (an invalid
// kind, a datagram call on a TCP socket) raises a plain exception_c.
//
// recieve_from takes one datagram of at most `size` bytes: 0 when none is waiting, and also
// 0 for a datagram that was longer than `size`, which is dropped whole (never handed out cut),
// so that one oversized datagram from anywhere cannot end the program; `too_long`, when given,
// tells the two apart (true for the dropped datagram: more may be waiting); `from` is 0.0.0.0,
// port 0, when nothing waits or the sender is unknown. sendto returns the system's result
// unchecked: a datagram that cannot be sent is lost silently.
//
// look_ahead reads what waits in the system into the socket's own queue (at most `max`
// datagrams held there) and shows that queue, so that a caller taking one datagram at a time
// can see who else has spoken meanwhile; recieve_from hands the held datagrams out first, in
// the order they came, each as it would have been read (one longer than `size` there or than
// the look-ahead's `size` is dropped whole, as above). Closing the socket drops them.
//
// winsock_startup / winsock_cleanup are counted by the layer below: each user starts and
// ends its own use, and several users may live in one process.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "kernel/exception.h"
#include "platform/winsock/winsock.h"

constexpr int WINSOCK_UDP = 1;
constexpr int WINSOCK_TCP_LISTEN = 2;
constexpr int WINSOCK_TCP = 4;

struct winsock_error_row
{
    const char *name;
    int code;
};
// The WinSock error names in table order, ended by a row with a null name.
extern const winsock_error_row WINSOCK_ERROR_NAMES[];

// "Unknown WinSock error code" when no row has the code; the first row wins.
const char *winsock_error_name(int code);
std::string last_winsock_error_name();

void winsock_startup();
void winsock_cleanup();

class winsocket_c
{
public:
    // address_name null: any local address.
    winsocket_c(int kind, const char *address_name, int port);
    ~winsocket_c();
    winsocket_c(const winsocket_c &) = delete;
    winsocket_c &operator=(const winsocket_c &) = delete;

    void close();
    int recieve_from(char *buffer, int size, SOCKADDR_IN *from, bool *too_long = nullptr);

    struct datagram_s
    {
        SOCKADDR_IN from;
        std::vector<char> bytes;
        // Longer than the look-ahead's size: dropped, bytes empty and the sender unknown.
        bool too_long;
    };
    const std::deque<datagram_s> &look_ahead(int size, int max);
    int sendto(const void *data, int length, const SOCKADDR_IN *to);

    // Each clears the address, sets the family and the port (given in host order).
    static void set_address(const char *name, int port, SOCKADDR_IN *out);
    static void set_any_address(int port, SOCKADDR_IN *out);
    static void set_broadcast_address(int port, SOCKADDR_IN *out);

    int kind() const { return m_kind; }
    SOCKET handle() const { return m_socket; }
    const SOCKADDR_IN &local_address() const { return m_local_address; }

private:
    // One datagram from the system: its length, 0 when none waits (`none` set), 0 with
    // `too_long` for one longer than `size`.
    int read_system(char *buffer, int size, SOCKADDR_IN *from, bool *too_long, bool *none);

    int32_t m_kind;
    SOCKET m_socket;
    SOCKADDR_IN m_local_address;
    [[maybe_unused]] SOCKADDR_IN m_peer_address; // cleared, never read
    [[maybe_unused]] int32_t m_reserved;
    std::deque<datagram_s> m_held;
};
