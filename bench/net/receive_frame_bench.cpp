// 100,000 datagrams of types 1 and 2 from 20 loopback addresses, in a private network
// namespace, through the network manager's receive frame (one per tick, with its checks, the
// role test, the repeat filter and the host list) against a plain recvfrom loop over the
// same datagrams; only the receiving side is timed. Prints both rates and their ratio (the aim: at least 0.7).
#include "kernel/root.h"
#include "net/net_manager.h"
#include "tools/netns/private_network.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int DATAGRAMS = 100000;
constexpr int PEERS = 20;
constexpr int BATCH = 50;

double seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct peers_s
{
    std::vector<std::unique_ptr<winsocket_c>> sockets;
    std::vector<np_keep_alive> packets;
    peers_s()
    {
        for (int i = 0; i < PEERS; ++i) {
            std::string address = "127.0.0." + std::to_string(i + 2);
            sockets.emplace_back(new winsocket_c(WINSOCK_UDP, address.c_str(), 5000));
        }
    }
    // Datagram k: peer k % 20, type 1 and 2 in turn, every one different from the one before.
    void send(int k, const SOCKADDR_IN &to)
    {
        np_keep_alive p;
        std::memset(&p, 0, sizeof p);
        p.header = {sizeof p, (k / PEERS) % 2 ? NP_KEEP_ALIVE : NP_HOST_ANNOUNCE};
        std::snprintf(p.host_name, sizeof p.host_name, "peer %d datagram %d", k % PEERS, k);
        sockets[(size_t)(k % PEERS)]->sendto(&p, sizeof p, &to);
    }
};

// Only the receiving is timed; the peers send each batch before.
template <class RECEIVE> double rate(peers_s &peers, const SOCKADDR_IN &to, RECEIVE receive_one)
{
    double receiving = 0;
    for (int k = 0; k < DATAGRAMS; k += BATCH) {
        for (int i = 0; i < BATCH; ++i)
            peers.send(k + i, to);
        double start = seconds();
        for (int i = 0; i < BATCH; ++i)
            receive_one();
        receiving += seconds() - start;
    }
    return DATAGRAMS / receiving;
}
} // namespace

int main()
{
    std::string why = enter_private_network();
    if (!why.empty()) {
        std::printf("receive frame benchmark skipped: %s\n", why.c_str());
        return 0;
    }
    kernel_register_creators();
    winsock_startup();
    peers_s peers;
    std::unique_ptr<abstract_c> root(new abstract_c(nullptr));
    new clock_c(root.get(), nullptr);
    net_manager *manager = new net_manager(root.get(), nullptr);
    start_net_server("Bench");
    SOCKADDR_IN server, plain_address;
    winsocket_c::set_address("127.0.0.1", NET_PORT, &server);
    winsocket_c::set_address("127.0.0.1", NET_PORT + 1, &plain_address);
    np_join_request join;
    std::memset(&join, 0, sizeof join);
    join.header = {sizeof join, NP_JOIN_REQUEST};
    for (auto &s : peers.sockets) {
        s->sendto(&join, sizeof join, &server);
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.0f), MSG_ARG(0.0f), MSG_ARGS_END);
    }
    if (manager->client_count() != PEERS) {
        std::printf("the peers did not join (%d of %d)\n", manager->client_count(), PEERS);
        return 1;
    }
    SOCKET plain = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    bind(plain, reinterpret_cast<const SOCKADDR *>(&plain_address), sizeof plain_address);

    auto frame = [&] {
        return rate(peers, server, [&] {
            root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.0f), MSG_ARG(0.0f), MSG_ARGS_END);
        });
    };
    auto reference = [&] {
        return rate(peers, plain_address, [&] {
            char buffer[NET_MAX_DATAGRAM];
            SOCKADDR_IN from;
            int length = sizeof from;
            recvfrom(plain, buffer, sizeof buffer, 0, reinterpret_cast<SOCKADDR *>(&from), &length);
        });
    };
    double best_frame = 0, best_plain = 0;
    int before = manager->received_count(NP_HOST_ANNOUNCE) + manager->received_count(NP_KEEP_ALIVE);
    for (int round = 0; round < 3; ++round) {
        best_plain = std::max(best_plain, reference());
        best_frame = std::max(best_frame, frame());
    }
    int handled = manager->received_count(NP_HOST_ANNOUNCE) + manager->received_count(NP_KEEP_ALIVE) - before;
    std::printf("receive frame datagrams/s: %.0f (%d of %d handled)\n", best_frame, handled, 3 * DATAGRAMS);
    std::printf("plain recvfrom loop datagrams/s (reference): %.0f\n", best_plain);
    std::printf("ratio: %.3f (aim >= 0.7)\n", best_frame / best_plain);
    closesocket(plain);
    root->shutdown_tree();
    root.reset();
    winsock_cleanup();
    return 0;
}
