// LAN datagrams: the input is one datagram as the socket hands it over. It goes through the
// one check every datagram passes, in a copy exactly as long as the datagram; an accepted one
// must have every text field ended inside it, and is then handled by a fresh network manager
// (no session, so no socket) as a packet of its own PC: host list, joins, session blocks.
#include "fuzz/fuzz_support.h"
#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "kernel/root.h"
#include "net/net_manager.h"
#include "net/net_packets.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

abstract_c *g_root = nullptr;

[[noreturn]] void fault(const char *what, int type)
{
    std::fprintf(stderr, "fuzz_lan: %s (type %d)\n", what, type);
    std::abort();
}

void expect_ended(const char *packet, size_t offset, size_t size, int type)
{
    if (packet[offset + size - 1] != 0)
        fault("an accepted text field does not end inside it", type);
}

void check_texts(const char *packet, int type)
{
    switch (type) {
    case NP_HOST_ANNOUNCE: expect_ended(packet, offsetof(np_host_announce, name), 128, type); break;
    case NP_KEEP_ALIVE: expect_ended(packet, offsetof(np_keep_alive, host_name), 128, type); break;
    case NP_CHANGE_PLAYER_INFO: expect_ended(packet, offsetof(np_change_player_info, value), 512, type); break;
    case NP_QUESTION:
        expect_ended(packet, offsetof(np_question, menu), 512, type);
        expect_ended(packet, offsetof(np_question, hint), 256, type);
        break;
    case NP_SCENE_COMMAND:
        expect_ended(packet, offsetof(np_scene_command, command), 64, type);
        expect_ended(packet, offsetof(np_scene_command, object), 64, type);
        expect_ended(packet, offsetof(np_scene_command, hint), 128, type);
        break;
    default: break;
    }
}

void handle(const char *packet, int type)
{
    auto *manager = new net_manager(g_root, nullptr);
    try {
        manager->net_receive_loop(packet);
    } catch (const exception_c &e) {
        fuzz::refused(e);
    }
    if (manager->host_count() < 0 || manager->host_count() > NET_MAX_HOSTS ||
        manager->client_count() < 0 || manager->client_count() > NET_MAX_CLIENTS)
        fault("a list outside its bounds", type);
    manager->shutdown_tree();
    g_root->collect_dead_children();
}

} // namespace

void fuzz::harness_setup()
{
    g_root = new abstract_c(nullptr);
    new clock_c(g_root, nullptr);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > NET_MAX_DATAGRAM)
        return 0;
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    if (size)
        std::memcpy(copy.get(), data, size);
    if (size >= sizeof(net_packet_header))
        net_packet_length_ok(copy.get());
    if (!net_packet_accept(copy.get(), int64_t(size)))
        return 0;
    net_packet_header h;
    std::memcpy(&h, copy.get(), sizeof h);
    if (!net_packet_length_ok(copy.get()))
        fault("an accepted packet fails the length rule", h.type);
    check_texts(copy.get(), h.type);
    handle(copy.get(), h.type);
    return 0;
}
