// The socket wrapper and the WinSock layer under it, in a private network namespace.
#include "net/net_winsock.h"
#include "tests/net/lab/address_text.h"
#include "tests/net/lab/net_lab.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace
{
int open_descriptors()
{
    int n = 0;
    for (auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++n;
    }
    return n;
}

template <class F> std::string thrown(F &&f, bool *winsock = nullptr)
{
    try {
        f();
    } catch (const winsock_exception_c &e) {
        if (winsock)
            *winsock = true;
        return e.get_message();
    } catch (const exception_c &e) {
        if (winsock)
            *winsock = false;
        return e.get_message();
    }
    return "";
}


// Every test holds one WinSock use for its whole run.
class winsock_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NET_LAB_PRIVATE_OR_SKIP();
        winsock_startup();
        m_started = true;
    }
    void TearDown() override
    {
        if (m_started)
            winsock_cleanup();
    }
    bool m_started = false;
};
} // namespace

TEST(winsock_names, table_rows_and_lookups)
{
    int rows = 0;
    while (WINSOCK_ERROR_NAMES[rows].name)
        ++rows;
    EXPECT_EQ(rows, 66);
    EXPECT_STREQ(WINSOCK_ERROR_NAMES[0].name, "WSAEINTR");
    EXPECT_STREQ(WINSOCK_ERROR_NAMES[65].name, "NO_DATA");

    struct row_s
    {
        int code;
        const char *name;
    } cases[] = {
        {11001, "WSAHOST_NOT_FOUND"}, {11002, "WSATRY_AGAIN"},   {11003, "WSANO_RECOVERY"},
        {11004, "WSANO_DATA"},        {10004, "WSAEINTR"},       {10035, "WSAEWOULDBLOCK"},
        {10040, "WSAEMSGSIZE"},       {10048, "WSAEADDRINUSE"},  {10071, "WSAEREMOTE"},
        {10093, "WSANOTINITIALISED"}, {10112, "WSAEREFUSED"},    {0, "Unknown WinSock error code"},
        {10000, "Unknown WinSock error code"}, {-1, "Unknown WinSock error code"},
    };
    for (const row_s &c : cases)
        EXPECT_STREQ(winsock_error_name(c.code), c.name) << c.code;

    WSASetLastError(10049);
    EXPECT_EQ(last_winsock_error_name(), "WSAEADDRNOTAVAIL");
}

TEST(winsock_layer, startups_are_counted)
{
    NET_LAB_PRIVATE_OR_SKIP();
    EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    winsock_startup();
    winsock_startup();
    winsock_cleanup();
    // One use ended, one still holds: sockets still open.
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(closesocket(s), 0);
    winsock_cleanup();
    EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP), INVALID_SOCKET);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}

TEST(winsock_layer, the_last_cleanup_closes_the_sockets_still_open)
{
    NET_LAB_PRIVATE_OR_SKIP();
    const int before = open_descriptors();
    winsock_startup();
    auto *held = new winsocket_c(WINSOCK_UDP, "127.0.0.1", 1990);
    EXPECT_EQ(open_descriptors(), before + 1);
    winsock_cleanup();
    EXPECT_EQ(open_descriptors(), before) << "the descriptor went with the cleanup";
    delete held; // closing it now is refused quietly: WinSock is not started

    // Its port is free for the next start.
    winsock_startup();
    EXPECT_EQ(thrown([] { winsocket_c again(WINSOCK_UDP, "127.0.0.1", 1990); }), "");
    winsock_cleanup();
    EXPECT_EQ(open_descriptors(), before);
}

TEST_F(winsock_test, addresses_from_texts_and_names)
{
    SOCKADDR_IN a;
    std::memset(&a, 0x5a, sizeof a);
    winsocket_c::set_address("10.1.2.3", 1980, &a);
    const unsigned char expected[16] = {2, 0, 0x07, 0xbc, 10, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(&a, expected, 16), 0);

    winsocket_c::set_broadcast_address(1980, &a);
    EXPECT_EQ(dotted(a), "255.255.255.255");
    EXPECT_EQ(ntohs(a.sin_port), 1980);
    winsocket_c::set_any_address(7, &a);
    EXPECT_EQ(dotted(a), "0.0.0.0");
    EXPECT_EQ(ntohs(a.sin_port), 7);

    winsocket_c::set_address("localhost", 1, &a);
    EXPECT_EQ(dotted(a), "127.0.0.1");

    // This PC's own name is its interface address; with none but loopback, 127.0.0.1.
    char own[256];
    ASSERT_EQ(gethostname(own, sizeof own), 0);
    winsocket_c::set_address(own, 1980, &a);
    EXPECT_EQ(dotted(a), "127.0.0.1");

    bool winsock = false;
    std::string message = thrown([&] { winsocket_c::set_address("no-such-host.invalid", 1980, &a); }, &winsock);
    EXPECT_TRUE(winsock);
    EXPECT_EQ(message.rfind("gethostbyname failed: ", 0), 0u) << message;
    EXPECT_GT(message.size(), std::strlen("gethostbyname failed: "));
}

TEST_F(winsock_test, construction_failures_leave_no_descriptor)
{
    int before = open_descriptors();
    bool winsock = true;
    EXPECT_EQ(thrown([] { winsocket_c s(3, nullptr, 1980); }, &winsock), "winsocket_c: Invalid socket type");
    EXPECT_FALSE(winsock);
    EXPECT_EQ(open_descriptors(), before);
    {
        winsocket_c first(WINSOCK_UDP, nullptr, 1980);
        EXPECT_EQ(open_descriptors(), before + 1);
        EXPECT_EQ(thrown([] { winsocket_c second(WINSOCK_UDP, nullptr, 1980); }, &winsock),
                  "bind failed: WSAEADDRINUSE");
        EXPECT_TRUE(winsock);
        EXPECT_EQ(open_descriptors(), before + 1);
        EXPECT_EQ(thrown([] { winsocket_c named(WINSOCK_UDP, "no-such-host.invalid", 1981); })
                      .rfind("gethostbyname failed: ", 0),
                  0u);
        EXPECT_EQ(thrown([] { winsocket_c foreign(WINSOCK_UDP, "10.9.9.9", 1981); }), "bind failed: WSAEADDRNOTAVAIL");
        EXPECT_EQ(open_descriptors(), before + 1);
    }
    // The destructor closes what close() did not; close() twice is harmless.
    EXPECT_EQ(open_descriptors(), before);
    {
        winsocket_c s(WINSOCK_UDP, "127.0.0.1", 1980);
        s.close();
        s.close();
        EXPECT_EQ(open_descriptors(), before);
    }
    EXPECT_EQ(open_descriptors(), before);
}

TEST_F(winsock_test, tcp_kinds_refuse_datagram_calls)
{
    winsocket_c listening(WINSOCK_TCP_LISTEN, "127.0.0.1", 2000);
    winsocket_c stream(WINSOCK_TCP, nullptr, 0);
    SOCKADDR_IN to;
    winsocket_c::set_address("127.0.0.1", 2000, &to);
    char buffer[16] = {};
    for (winsocket_c *s : {&listening, &stream}) {
        bool winsock = true;
        EXPECT_EQ(thrown([&] { s->recieve_from(buffer, sizeof buffer, &to); }, &winsock),
                  "recieve_from: Is not a TCP socket");
        EXPECT_FALSE(winsock);
        EXPECT_EQ(thrown([&] { s->sendto(buffer, sizeof buffer, &to); }, &winsock), "sendto: Is not a TCP socket");
        EXPECT_FALSE(winsock);
    }
}

TEST_F(winsock_test, empty_socket_and_bad_lengths)
{
    winsocket_c s(WINSOCK_UDP, nullptr, 1980);
    char buffer[64];
    SOCKADDR_IN from;
    EXPECT_EQ(s.recieve_from(buffer, sizeof buffer, &from), 0);
    bool winsock = false;
    EXPECT_EQ(thrown([&] { s.recieve_from(buffer, -1, &from); }, &winsock), "recvfrom failed: WSAEINVAL");
    EXPECT_TRUE(winsock);
    SOCKADDR_IN to;
    winsocket_c::set_address("127.0.0.1", 1980, &to);
    EXPECT_EQ(s.sendto(buffer, -5, &to), -1);
    EXPECT_EQ(s.recieve_from(buffer, sizeof buffer, &from), 0);
}

// Datagrams of every size from a peer the receiver never heard of, each followed by a
// 16-byte one: up to 1440 bytes they arrive whole, longer ones never arrive at all (not even
// cut), and the follower always does.
TEST_F(winsock_test, datagram_sizes_from_an_unknown_peer)
{
    winsocket_c receiver(WINSOCK_UDP, nullptr, 1980);
    winsocket_c peer(WINSOCK_UDP, "127.0.0.1", 4321);
    SOCKADDR_IN to;
    winsocket_c::set_address("127.0.0.1", 1980, &to);
    const int sizes[] = {0, 1, 8, 1440, 1441, 65507};
    for (int size : sizes) {
        SCOPED_TRACE(size);
        std::vector<char> datagram((size_t)size);
        for (int i = 0; i < size; ++i)
            datagram[(size_t)i] = (char)(i * 7 + size);
        const char follower[16] = "follower-16byte";
        ASSERT_EQ(peer.sendto(datagram.data(), size, &to), size);
        ASSERT_EQ(peer.sendto(follower, 16, &to), 16);

        std::vector<std::vector<char>> got;
        char buffer[1440];
        for (int attempt = 0; attempt < 200 && (got.empty() || got.back().size() != 16); ++attempt) {
            SOCKADDR_IN from;
            std::memset(&from, 0, sizeof from);
            int n = receiver.recieve_from(buffer, sizeof buffer, &from);
            if (n > 0) {
                EXPECT_EQ(dotted(from), "127.0.0.1");
                EXPECT_EQ(ntohs(from.sin_port), 4321);
                got.emplace_back(buffer, buffer + n);
            } else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(std::string(got.back().begin(), got.back().end()), std::string(follower, 16));
        if (size > 0 && size <= 1440) {
            ASSERT_EQ(got.size(), 2u);
            EXPECT_EQ(got[0], datagram);
        } else
            EXPECT_EQ(got.size(), 1u);
    }
}

// What waits can be looked at before it is read: the look-ahead holds datagrams in the order they
// came (an oversized one as a dropped place), at most as many as asked, and reading hands out the
// held ones first, as it would have read them, then what came after.
TEST_F(winsock_test, look_ahead_holds_what_waits_and_reading_keeps_the_order)
{
    winsocket_c receiver(WINSOCK_UDP, nullptr, 1980);
    winsocket_c one(WINSOCK_UDP, "127.0.0.2", 4321), two(WINSOCK_UDP, "127.0.0.3", 4321);
    SOCKADDR_IN to;
    winsocket_c::set_address("127.0.0.1", 1980, &to);
    const std::string oversized(1500, 'x');
    ASSERT_EQ(one.sendto("first", 5, &to), 5);
    ASSERT_EQ(two.sendto(oversized.data(), (int)oversized.size(), &to), (int)oversized.size());
    ASSERT_EQ(two.sendto("third, long", 11, &to), 11);
    ASSERT_EQ(receiver.look_ahead(1440, 2).size(), 2u);
    ASSERT_EQ(one.sendto("fourth", 6, &to), 6);
    const std::deque<winsocket_c::datagram_s> &held = receiver.look_ahead(1440, 10);
    ASSERT_EQ(held.size(), 4u);
    EXPECT_EQ(dotted(held[0].from), "127.0.0.2");
    EXPECT_EQ(std::string(held[0].bytes.begin(), held[0].bytes.end()), "first");
    EXPECT_TRUE(held[1].too_long);
    EXPECT_TRUE(held[1].bytes.empty());
    EXPECT_EQ(dotted(held[2].from), "127.0.0.3");
    EXPECT_EQ(dotted(held[3].from), "127.0.0.2");
    ASSERT_EQ(two.sendto("fifth", 5, &to), 5);

    struct read_s
    {
        int size;
        int length;
        bool too_long;
        const char *text;
    };
    const read_s reads[] = {
        {64, 5, false, "first"}, {64, 0, true, ""},      {8, 0, true, ""}, // "third, long" is longer than 8
        {64, 6, false, "fourth"}, {64, 5, false, "fifth"}, {64, 0, false, ""},
    };
    for (const read_s &r : reads) {
        SCOPED_TRACE(r.text);
        char buffer[64];
        SOCKADDR_IN from;
        bool too_long = !r.too_long;
        const int n = receiver.recieve_from(buffer, r.size, &from, &too_long);
        EXPECT_EQ(n, r.length);
        EXPECT_EQ(too_long, r.too_long);
        EXPECT_EQ(std::string(buffer, (size_t)(n > 0 ? n : 0)), r.text);
    }
    EXPECT_TRUE(receiver.look_ahead(1440, 10).empty());
}
