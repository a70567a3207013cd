// LAN datagrams into the game: a PC with a real network manager and a real game dispatcher
// (its seats filled from the game's player store, scripts/players.isc) takes datagrams from
// peers over loopback, in a private network namespace of the process, so that every datagram
// goes the whole way: the socket, the checks of the receive loop, the game's handlers. The
// rounds' question files are those of the game's data.
//
// Input: byte 0 picks the role of the PC (bit 0 clear: the server of a session that one peer,
// 127.0.0.2, has joined and whose own player is ready; set: a client seated by that peer as
// its server). Then records until the input ends:
//   0x80 | n         the PC's time runs on for n ticks of 0.5 s (timers fire, datagrams wait);
//   who, lo, hi, ... a datagram of lo + 256 * hi bytes (cut at the input's end) from the
//                    session's peer (who even) or from a stranger, 127.0.0.9 (who odd), then
//                    one tick of 0.02 s;
//   0x7f             this PC's location reports that it has loaded (a type 16 of its own).
// Whatever a peer sends must not break the process (a sanitizer report, a crash, a hang), nor
// end the game of the PC: an exception out of a tick is a finding on either side. On the server
// so is a seat given to a PC that never asked for it; on both a seat that the next round start
// would refuse.
#include "fuzz/fuzz_support.h"
#include "basics/helpers.h"
#include "game/creators.h"
#include "game/game_disp.h"
#include "game/player.h"
#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "kernel/root.h"
#include "kernel/scripts.h"
#include "net/net_manager.h"
#include "net/net_packets.h"
#include "tools/netns/private_network.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

abstract_c *g_root = nullptr;
winsocket_c *g_peer = nullptr;
winsocket_c *g_stranger = nullptr;
SOCKADDR_IN g_pc_port;
bool g_network = false;

constexpr float FRAME = 0.02f;
constexpr float WAIT_STEP = 0.5f;
constexpr uint8_t LOCATION_LOADED = 0x7f;

[[noreturn]] void fault(const std::string &what)
{
    std::fprintf(stderr, "fuzz_lan_game: %s\n", what.c_str());
    std::abort();
}

int32_t peer_address(int n) { return (int32_t)htonl(0x7f000000u + (uint32_t)n); }

// One PC for one input: its clock, network manager and dispatcher under a node of the root
// (the player store lives on beside it), and the PC's own time.
struct pc_s
{
    abstract_c *node;
    net_manager *manager;
    game_disp *disp;
    float now = 0.0f;

    void tick(float frame)
    {
        now += frame;
        g_root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(now), MSG_ARG(frame), MSG_ARGS_END);
        g_root->collect_dead_children();
    }
};

void drain(winsocket_c *socket)
{
    char buffer[NET_MAX_DATAGRAM];
    SOCKADDR_IN from;
    while (socket->recieve_from(buffer, sizeof buffer, &from) > 0) {
    }
}

template <class P> void send_from(winsocket_c *socket, const P &packet)
{
    socket->sendto(&packet, (int)sizeof packet, &g_pc_port);
}

// The server's session: the peer joined (and got seat 1), and this PC's own player said ready.
void open_server(pc_s &pc)
{
    start_net_server("Studio");
    np_join_request join;
    std::memset(&join, 0, sizeof join);
    join.header = {sizeof join, NP_JOIN_REQUEST};
    send_from(g_peer, join);
    pc.tick(FRAME);
    if (pc.manager->client_count() != 1)
        fault("the peer's join request was not taken");
    np_change_player_info ready;
    std::memset(&ready, 0, sizeof ready);
    ready.header = {sizeof ready, NP_CHANGE_PLAYER_INFO};
    ready.slot = 0;
    ready.address = (int32_t)pc.manager->short_address();
    ready.code = CHANGE_READY;
    send_net_message(&ready);
}

// The client's session: the peer announced itself, this PC asked to join and the peer seated
// it (slot 1, human) with its own player at slot 0.
void open_client(pc_s &pc)
{
    start_net_client("Guest");
    np_host_announce announce;
    std::memset(&announce, 0, sizeof announce);
    announce.header = {sizeof announce, NP_HOST_ANNOUNCE};
    std::strcpy(announce.name, "Studio");
    send_from(g_peer, announce);
    pc.tick(FRAME);
    if (!connect_to_host(0))
        fault("the peer's announcement was not listed");
    np_session_joined joined = np_session_joined_new();
    joined.address = (int32_t)pc.manager->short_address();
    joined.session = pc.disp->session();
    joined.session.m_players[0].m_owner_address = peer_address(2);
    joined.session.m_players[1].m_is_man = 1;
    joined.session.m_players[1].m_owner_address = joined.address;
    for (player_info &p : joined.session.m_players)
        if (p.m_owner_address != joined.address && p.m_owner_address != peer_address(2))
            p.m_owner_address = peer_address(2);
    send_from(g_peer, joined);
    pc.tick(FRAME);
    if (pc.manager->server().address.sin_addr.s_addr != (uint32_t)peer_address(2))
        fault("the peer's session block did not seat this PC");
}

// On the server the peer speaks only for itself: every seat stays this PC's or the peer's,
// slot 0 this PC's human. On both sides every seat in the game must hold values the round start
// accepts.
void check_seats(game_disp *disp, int32_t own, bool server)
{
    for (int slot = 0; slot < MAX_PLAYERS && server; ++slot) {
        const int32_t owner = disp->seat(slot).m_owner_address;
        if (owner != own && owner != peer_address(2))
            fault("a peer gave slot " + std::to_string(slot) + " to a PC that never asked");
    }
    if (server && (disp->seat(0).m_owner_address != own || disp->seat(0).m_is_man != 1))
        fault("a peer took this PC's own seat");
    try {
        disp->round_start_update(1);
    } catch (const exception_c &e) {
        fault("a peer left a seat the round start refuses: " + e.get_message());
    }
}

void run(const uint8_t *data, size_t size)
{
    engine_srand(1);
    pc_s pc;
    pc.node = new abstract_c(g_root);
    new clock_c(pc.node, nullptr);
    pc.manager = new net_manager(pc.node, nullptr);
    pc.disp = new game_disp(pc.node, nullptr);
    const bool server = (data[0] & 1) == 0;
    try {
        if (g_network) {
            if (server)
                open_server(pc);
            else
                open_client(pc);
            drain(g_peer);
        }
        size_t at = 1;
        while (at < size) {
            const uint8_t head = data[at++];
            if (head & 0x80) {
                for (int i = 0; i < (head & 0x7f); ++i)
                    pc.tick(WAIT_STEP);
            } else if (head == LOCATION_LOADED) {
                // What the PC's own location reports when it has loaded (no location here).
                np_location_loaded loaded;
                loaded.header = {sizeof loaded, NP_LOCATION_LOADED};
                send_net_message(&loaded);
                pc.tick(FRAME);
            } else {
                size_t length = at < size ? data[at++] : 0;
                length += at < size ? size_t(data[at++]) << 8 : 0;
                length = std::min(length, size - at);
                if (g_network)
                    (head & 1 ? g_stranger : g_peer)->sendto(data + at, (int)length, &g_pc_port);
                at += length;
                pc.tick(FRAME);
            }
            if (g_network) {
                drain(g_peer);
                drain(g_stranger);
            }
        }
        check_seats(pc.disp, (int32_t)pc.manager->short_address(), server);
    } catch (const exception_c &e) {
        fault(std::string(server ? "a client's" : "the server's") + " datagrams ended the game: " + e.get_message());
    }
    // Whatever the game made at the root for this input goes with the PC.
    for (abstract_c *c = g_root->first_child(); c; c = c->next_sibling())
        if (!dynamic_cast<player_store *>(c))
            c->shutdown_tree();
    g_root->collect_dead_children();
    if (g_network) {
        drain(g_peer);
        drain(g_stranger);
    }
}

} // namespace

void fuzz::harness_setup()
{
    // Before any thread: a user namespace needs a single-threaded process.
    const std::string why = enter_private_network();
    g_network = why.empty();
    // Under CI=true a run that sends nothing must not report ok.
    if (!g_network && private_namespace_required())
        fault("CI=true and no private network: " + why);
    if (!g_network)
        std::fprintf(stderr, "fuzz_lan_game: no private network (%s): datagrams go nowhere\n", why.c_str());
    game_register_creators();
    g_root = new abstract_c(nullptr);
    std::ifstream in(std::string(ENGINE_SOURCE_DIR) + "/data/scripts/players.isc", std::ios::binary);
    const std::string store((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (store.empty())
        fault("no player store script");
    fuzz::put_data("scripts/players.isc", (const uint8_t *)store.data(), store.size());
    {
        scripts_c scripts;
        scripts.execute_script("scripts/players.isc", g_root, 0);
    }
    // The rounds' questions, for a game that a peer gets going.
    const std::filesystem::path questions = std::filesystem::path(ENGINE_SOURCE_DIR) / "data";
    for (const auto &entry : std::filesystem::recursive_directory_iterator(questions / "questions")) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        fuzz::put_data(std::filesystem::relative(entry.path(), questions).string(), (const uint8_t *)bytes.data(),
                       bytes.size());
    }
    winsock_startup();
    if (g_network) {
        g_peer = new winsocket_c(WINSOCK_UDP, "127.0.0.2", 5000);
        g_stranger = new winsocket_c(WINSOCK_UDP, "127.0.0.9", 5000);
        winsocket_c::set_address("127.0.0.1", NET_PORT, &g_pc_port);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0 || size > 16 * 1024)
        return 0;
    run(data, size);
    return 0;
}
