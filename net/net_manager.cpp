#include "net/net_manager.h"

#include "basics/console_log.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "net/net_clock.h"

#include <cstdlib>
#include <cstring>
#include <string>

net_clock_c::net_clock_c(abstract_c *parent, double period) : abstract_c(parent), m_start(0.0), m_period(period)
{
    if (!abstract_c::root()->message(MSG_VAR(get_common_time), 0, this, MSG_ARG((void *)&m_start), MSG_ARGS_END))
        ENGINE_THROW(exception_c, "Cannot obtain common time ! ! !");
}

int net_clock_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        double time = msg_arg(0)->get_float();
        if (time >= m_start + m_period && m_period > 0) {
            on_expire();
            m_period = -1.0;
        }
    }
    return 0;
}

net_clock_ext_c::net_clock_ext_c(abstract_c *parent, double period) : net_clock_c(parent, period) {}

void net_clock_ext_c::on_expire()
{
    abstract_c::root()->message(MSG_VAR(send_next_ping), 0, this, MSG_ARGS_END);
    shutdown_tree();
}

// ---------------------------------------------------------------------------------------------
// The network manager.

namespace
{
constexpr int REPEAT_SENDERS = 24;

// Names are cut to 127 bytes.
void copy_name(char *to, const char *from)
{
    size_t n = from ? strnlen(from, NET_NAME_SIZE - 1) : 0;
    if (n)
        std::memcpy(to, from, n);
    to[n] = 0;
}

double common_time(abstract_c *sender)
{
    double now = 0.0;
    if (!abstract_c::root()->message(MSG_VAR(get_common_time), 0, sender, MSG_ARG((void *)&now), MSG_ARGS_END))
        ENGINE_THROW(exception_c, "Cannot obtain common time ! ! !");
    return now;
}

std::string dotted(uint32_t address)
{
    const uint32_t a = ntohl(address);
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xff) + "." + std::to_string((a >> 8) & 0xff) +
           "." + std::to_string(a & 0xff);
}

net_manager *required_manager()
{
    net_manager *manager = get_net_manager();
    ENGINE_ASSERT(manager);
    return manager;
}
} // namespace

void net_register_creators() { register_creator("net_manager", make_object<net_manager>); }

net_manager::net_manager(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_last_type(0), m_own_address(0), m_local_sender{}, m_host_name{}, m_name{},
      m_hosts{}, m_host_count(0), m_status(NET_STATUS_NONE), m_announce_stop(0), m_clients{}, m_client_count(0),
      m_server{}, m_announce_address{}, m_join_target(0), m_joins_closed(false), m_winsock_started(false),
      m_received{}, m_last(new last_datagram[REPEAT_SENDERS]), m_last_count(0), m_last_next(0), m_now(0.0),
      m_announce_given(false), m_refusals_reported(0.0), m_other_refusals{0, 0, "from more senders than the log follows", -1, 0.0}
{
    winsock_startup();
    m_winsock_started = true;
    try {
        if (gethostname(m_host_name, NET_NAME_SIZE) != 0)
            copy_name(m_host_name, "localhost");
        HOSTENT *host = gethostbyname(m_host_name);
        if (host && host->h_length == 4 && host->h_addr_list[0])
            std::memcpy(&m_own_address, host->h_addr_list[0], 4);
        else
            m_own_address = htonl(0x7f000001u);
        // The sender of local packets: no peer's datagram can come from 0.0.0.0, port 0.
        m_local_sender.sin_family = AF_INET;
        winsocket_c::set_broadcast_address(NET_PORT, &m_announce_address);
        if (const char *announce = std::getenv("VIZUZUZE_ANNOUNCE_ADDRESS")) {
            winsocket_c::set_address(announce, NET_PORT, &m_announce_address);
            m_announce_given = true;
        }
        set_net_status(NET_STATUS_NONE, "Unnamed");
    } catch (...) {
        winsock_cleanup();
        m_winsock_started = false;
        throw;
    }
}

net_manager::~net_manager()
{
    m_socket.reset();
    if (m_winsock_started)
        winsock_cleanup();
}

void net_manager::on_shutdown()
{
    if (m_socket) {
        m_socket->close();
        m_socket.reset();
    }
    if (m_winsock_started) {
        winsock_cleanup();
        m_winsock_started = false;
    }
}

void net_manager::set_announce_address(const char *address)
{
    winsocket_c::set_address(address, NET_PORT, &m_announce_address);
    m_announce_given = true;
}

void net_manager::set_net_status(int status, const char *name)
{
    bool session = status == NET_STATUS_SERVER || status == NET_STATUS_CLIENT;
    // The same session again keeps its socket and whatever waits in it.
    bool keep = m_socket && session && status == m_status;
    if (m_socket && !keep) {
        m_socket->close();
        m_socket.reset();
    }
    m_client_count = 0;
    m_announce_stop = 0;
    m_joins_closed = false;
    if (session && !keep) {
        try {
            m_socket.reset(new winsocket_c(WINSOCK_UDP, nullptr, NET_PORT));
        } catch (...) {
            m_status = NET_STATUS_NONE;
            throw;
        }
    }
    m_status = status;
    copy_name(m_name, name);
    if (status != NET_STATUS_NONE)
        new net_clock_ext_c(this, NET_PING_PERIOD);
}

int net_manager::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        net_receive_loop(nullptr);
        age_hosts(m_now);
        drop_lost_peers();
        report_refusals();
        return 0;
    }
    if (*message == MSG_VAR(send_next_ping)) {
        send_next_ping();
        return 1;
    }
    if (*message == MSG_VAR(enum_hosts)) {
        *(int32_t *)msg_arg(0)->get_ptr() = m_host_count;
        char *names = (char *)msg_arg(1)->get_ptr();
        for (int i = 0; i < m_host_count; ++i)
            std::memcpy(names + i * NET_NAME_SIZE, m_hosts[i].name, NET_NAME_SIZE);
        return 1;
    }
    if (*message == MSG_VAR(get_net_manager)) {
        *(net_manager **)msg_arg(0)->get_ptr() = this;
        return 1;
    }
    if (*message == MSG_VAR(get_short_address)) {
        *(int32_t *)msg_arg(0)->get_ptr() = (int32_t)m_own_address;
        return 1;
    }
    if (*message == MSG_VAR(on_all_players_ready)) {
        // Every PC's set-up screen may send it; only the session's owner acts on it.
        if (m_status != NET_STATUS_CLIENT) {
            m_announce_stop = 1;
            m_joins_closed = true;
        }
        return 0;
    }
    return 0;
}

void net_manager::send_next_ping()
{
    if (m_status == NET_STATUS_SERVER && !m_announce_stop)
        announce();
    np_keep_alive alive;
    std::memset(&alive, 0, sizeof alive);
    alive.header = {sizeof alive, NP_KEEP_ALIVE};
    copy_name(alive.host_name, m_host_name);
    if (m_status == NET_STATUS_SERVER)
        send_session_message(&alive);
    else if (m_status == NET_STATUS_CLIENT)
        send_net_message(&alive);
    new net_clock_ext_c(this, NET_PING_PERIOD);
}

void net_manager::announce()
{
    np_host_announce packet;
    std::memset(&packet, 0, sizeof packet);
    packet.header = {sizeof packet, NP_HOST_ANNOUNCE};
    copy_name(packet.name, m_name);
    SOCKADDR_IN targets[NET_MAX_ANNOUNCE_ADDRESSES + 1];
    int count = 0;
    targets[count++] = m_announce_address;
    if (!m_announce_given) {
        uint32_t broadcasts[NET_MAX_ANNOUNCE_ADDRESSES];
        const int n = interface_broadcast_addresses(broadcasts, NET_MAX_ANNOUNCE_ADDRESSES);
        for (int i = 0; i < n; ++i)
            if (broadcasts[i] != m_announce_address.sin_addr.s_addr) {
                targets[count] = m_announce_address;
                targets[count++].sin_addr.s_addr = broadcasts[i];
            }
    }
    for (int i = 0; i < count; ++i) {
        if (send_to(&packet, targets[i]) != SOCKET_ERROR)
            continue;
        const uint32_t address = targets[i].sin_addr.s_addr;
        bool logged = false;
        for (uint32_t failed : m_announce_failed)
            logged = logged || failed == address;
        if (!logged && m_announce_failed.size() < NET_MAX_ANNOUNCE_ADDRESSES + 1) {
            print_message("LAN announcement to %s not sent: %s\n", dotted(address).c_str(),
                          last_winsock_error_name().c_str());
            m_announce_failed.push_back(address);
        }
    }
}

int net_manager::send_to(const void *packet, const SOCKADDR_IN &to)
{
    if (!m_socket)
        return 0;
    net_packet_header h;
    std::memcpy(&h, packet, sizeof h);
    return m_socket->sendto(packet, h.length, &to);
}

void net_manager::send_net_to_peer(const void *packet, const SOCKADDR_IN *to)
{
    ENGINE_ASSERT(net_packet_length_ok(packet));
    if (to)
        send_to(packet, *to);
}

void net_manager::send_session_message(const void *packet)
{
    ENGINE_ASSERT(net_packet_length_ok(packet));
    if (m_status == NET_STATUS_CLIENT)
        ENGINE_THROW(exception_c, "Session messages should be sent by server only!");
    if (m_status == NET_STATUS_SERVER)
        for (int i = 0; i < m_client_count; ++i)
            send_to(packet, m_clients[i].address);
    net_receive_loop(packet);
}

void net_manager::send_net_message(const void *packet)
{
    ENGINE_ASSERT(net_packet_length_ok(packet));
    if (m_status == NET_STATUS_CLIENT) {
        // Before a type 5 has named the server there is nobody to send to.
        if (m_server.address.sin_addr.s_addr != 0)
            send_to(packet, m_server.address);
    } else
        net_receive_loop(packet);
}

bool net_manager::connect_to_host(int n)
{
    if (n < 0 || n >= m_host_count || !m_socket)
        return false;
    np_join_request join;
    std::memset(&join, 0, sizeof join);
    join.header = {sizeof join, NP_JOIN_REQUEST};
    m_join_target = m_hosts[n].address.sin_addr.s_addr;
    send_to(&join, m_hosts[n].address);
    return true;
}

bool net_manager::sender_allowed(int type, uint32_t sender) const
{
    // Who sends which type: anyone announces; clients join, keep alive and send the game's
    // requests to their server; the server sends everything else.
    static const uint32_t from_anyone = 1u << NP_HOST_ANNOUNCE;
    static const uint32_t to_server = 1u << NP_KEEP_ALIVE | 1u << NP_CHANGE_PLAYER_INFO | 1u << NP_ANSWER |
                                      1u << NP_VOTE | 1u << NP_LOCATION_LOADED;
    static const uint32_t to_client = 1u << NP_KEEP_ALIVE | 1u << NP_SESSION_JOINED |
                                      1u << NP_PLAYER_INFO_UPDATED | 1u << NP_ROUND_STARTED |
                                      1u << NP_GAME_STOPPED | 1u << NP_QUESTION | 1u << NP_SCENE_COMMAND |
                                      1u << NP_MARK_EXCLUDED_PLAYER | 1u << NP_QUESTION_ANSWERED |
                                      1u << NP_VOTE_CONFIRMED;
    uint32_t bit = 1u << type;
    if (bit & from_anyone)
        return true;
    if (m_status == NET_STATUS_SERVER) {
        if (type == NP_JOIN_REQUEST)
            return true;
        if (!(bit & to_server))
            return false;
        for (int i = 0; i < m_client_count; ++i)
            if (m_clients[i].address.sin_addr.s_addr == sender)
                return true;
        return false;
    }
    if (m_status == NET_STATUS_CLIENT) {
        if (!(bit & to_client))
            return false;
        if (type == NP_SESSION_JOINED && m_join_target != 0 && sender == m_join_target)
            return true;
        return m_server.address.sin_addr.s_addr != 0 && sender == m_server.address.sin_addr.s_addr;
    }
    return false;
}

bool net_manager::is_repeat(uint32_t sender, const char *data, int length) const
{
    for (int i = 0; i < m_last_count; ++i)
        if (m_last[i].sender == sender)
            return m_last[i].length == length && std::memcmp(m_last[i].bytes, data, (size_t)length) == 0;
    return false;
}

void net_manager::remember(uint32_t sender, const char *data, int length)
{
    int slot = -1;
    for (int i = 0; i < m_last_count && slot < 0; ++i)
        if (m_last[i].sender == sender)
            slot = i;
    if (slot < 0) {
        if (m_last_count < REPEAT_SENDERS)
            slot = m_last_count++;
        else {
            slot = m_last_next;
            m_last_next = (m_last_next + 1) % REPEAT_SENDERS;
        }
    }
    m_last[slot].sender = sender;
    m_last[slot].length = length;
    std::memcpy(m_last[slot].bytes, data, (size_t)length);
}

void net_manager::net_receive_loop(const void *packet)
{
    m_now = common_time(this);
    char buffer[NET_MAX_DATAGRAM];
    if (packet) {
        ENGINE_ASSERT(net_packet_length_ok(packet));
        net_packet_header h;
        std::memcpy(&h, packet, sizeof h);
        std::memcpy(buffer, packet, (size_t)h.length);
        if (net_packet_accept(buffer, h.length))
            dispatch(buffer, m_local_sender);
        return;
    }
    // One accepted datagram a tick, as the game expects; the refused ones before it are drained.
    for (int read = 0; read < NET_READS_PER_TICK && m_socket; ++read) {
        SOCKADDR_IN from{};
        bool too_long = false;
        const int size = m_socket->recieve_from(buffer, sizeof buffer, &from, &too_long);
        if (too_long) {
            refuse(0, "longer than any packet", from);
            continue;
        }
        // An empty datagram reads as 0 bytes too, but it has a sender: it is refused like any
        // other that is no packet, or a stream of them would end every tick's draining.
        if (size <= 0 && from.sin_port == 0 && from.sin_addr.s_addr == 0)
            return;
        if (take_datagram(buffer, size, from))
            return;
    }
}

bool net_manager::take_datagram(char *buffer, int size, const SOCKADDR_IN &from)
{
    net_packet_header h;
    if (!net_packet_accept(buffer, size)) {
        int32_t type = 0;
        if (size >= (int)sizeof h)
            std::memcpy(&type, buffer + offsetof(net_packet_header, type), sizeof type);
        return refuse(type >= 1 && type <= 16 ? type : 0, "length, type or values of no packet", from);
    }
    std::memcpy(&h, buffer, sizeof h);
    const uint32_t sender = from.sin_addr.s_addr;
    if (!sender_allowed(h.type, sender))
        return refuse(h.type, "a type this sender may not send", from);
    note_alive(sender);
    bool never_repeat = h.type == NP_HOST_ANNOUNCE || (h.type >= NP_CHANGE_PLAYER_INFO && h.type <= NP_PLAYER_INFO_UPDATED);
    // Repeats are how keep-alives arrive: not logged.
    if (!never_repeat && is_repeat(sender, buffer, size))
        return false;
    remember(sender, buffer, size);
    m_last_type = h.type;
    ++m_received[h.type];
    return dispatch(buffer, from);
}

bool net_manager::dispatch(char *buffer, const SOCKADDR_IN &from)
{
    net_packet_header h;
    std::memcpy(&h, buffer, sizeof h);
    switch (h.type) {
    case NP_HOST_ANNOUNCE:
        update_host(m_now, from, buffer + offsetof(np_host_announce, name));
        return true;
    case NP_JOIN_REQUEST:
        if (m_status == NET_STATUS_SERVER)
            handle_join(from);
        return true;
    case NP_SESSION_JOINED:
        handle_session_joined(buffer, from);
        return true;
    case NP_KEEP_ALIVE:
        // Keep-alives only keep datagrams flowing.
        return true;
    default:
        return handle_game_packet(buffer, from);
    }
}

bool net_manager::refuse(int type, const char *why, const SOCKADDR_IN &from)
{
    const uint32_t sender = from.sin_addr.s_addr;
    for (refusal_s &r : m_refusals)
        if (r.sender == sender && r.type == type && std::strcmp(r.why, why) == 0) {
            ++r.count;
            return false;
        }
    if (m_refusals.size() >= NET_REFUSAL_SENDERS) {
        if (m_other_refusals.count < 0) {
            print_message("LAN packets dropped %s\n", m_other_refusals.why);
            m_other_refusals.count = 0;
            m_other_refusals.since = m_now;
        } else
            ++m_other_refusals.count;
        return false;
    }
    print_message("LAN packet of type %d from %s dropped: %s\n", type, dotted(sender).c_str(), why);
    m_refusals.push_back({sender, type, why, 0, m_now});
    return false;
}

void net_manager::report_refusals()
{
    // One line for everything refused since the last one: a flood of many kinds from many senders
    // still writes a line every 10 s at most.
    if (m_now - m_refusals_reported < NET_REFUSAL_REPORT_PERIOD)
        return;
    int64_t total = m_other_refusals.count > 0 ? m_other_refusals.count : 0;
    int kinds = m_other_refusals.count > 0 ? 1 : 0;
    std::vector<uint32_t> senders;
    for (refusal_s &r : m_refusals) {
        if (r.count <= 0)
            continue;
        total += r.count;
        ++kinds;
        bool listed = false;
        for (uint32_t s : senders)
            listed = listed || s == r.sender;
        if (!listed)
            senders.push_back(r.sender);
        r.count = 0;
    }
    if (m_other_refusals.count > 0)
        m_other_refusals.count = 0;
    if (total > 0)
        print_message("LAN packets dropped: %lld more of %d kinds from %d senders in %.0f s\n", (long long)total, kinds,
                      (int)senders.size(), m_now - m_refusals_reported);
    m_refusals_reported = m_now;
}

void net_manager::note_alive(uint32_t sender)
{
    if (m_status == NET_STATUS_SERVER) {
        for (int i = 0; i < m_client_count; ++i)
            if (m_clients[i].address.sin_addr.s_addr == sender)
                m_clients[i].last_seen = m_now;
    } else if (m_status == NET_STATUS_CLIENT && m_server.address.sin_addr.s_addr == sender)
        m_server.last_seen = m_now;
}

bool net_manager::waiting_from(uint32_t sender)
{
    if (!m_socket)
        return false;
    char buffer[NET_MAX_DATAGRAM];
    for (const winsocket_c::datagram_s &d : m_socket->look_ahead(sizeof buffer, NET_LOOK_AHEAD_DATAGRAMS)) {
        // The queue outlives this call: a datagram held by a look-ahead of another size is
        // measured against this buffer again.
        if (d.too_long || d.bytes.size() > sizeof buffer || d.from.sin_addr.s_addr != sender)
            continue;
        // The acceptance test may change its copy.
        std::memcpy(buffer, d.bytes.data(), d.bytes.size());
        net_packet_header h;
        if (!net_packet_accept(buffer, (int64_t)d.bytes.size()))
            continue;
        std::memcpy(&h, buffer, sizeof h);
        if (sender_allowed(h.type, sender))
            return true;
    }
    return false;
}

bool net_manager::overdue(const net_host_entry &peer)
{
    // The tick takes one datagram; the peer's may wait behind others after a long frame.
    return m_now - peer.last_seen > NET_PEER_TIMEOUT && !waiting_from(peer.address.sin_addr.s_addr);
}

void net_manager::drop_lost_peers()
{
    if (m_status == NET_STATUS_SERVER) {
        for (int i = 0; i < m_client_count;) {
            if (!overdue(m_clients[i])) {
                ++i;
                continue;
            }
            int32_t address = (int32_t)m_clients[i].address.sin_addr.s_addr;
            print_message("LAN client %s lost: nothing heard for %.0f s\n", dotted((uint32_t)address).c_str(),
                          NET_PEER_TIMEOUT);
            for (int j = i + 1; j < m_client_count; ++j)
                m_clients[j - 1] = m_clients[j];
            --m_client_count;
            // Its seats become computer players and the game goes on from where it stands.
            abstract_c::root()->message(MSG_VAR(replace_lost_players), 0, this, MSG_ARG((void *)&address),
                                        MSG_ARGS_END);
        }
    } else if (m_status == NET_STATUS_CLIENT && m_server.address.sin_addr.s_addr != 0 && overdue(m_server)) {
        print_message("LAN server %s lost: nothing heard for %.0f s\n", dotted(m_server.address.sin_addr.s_addr).c_str(),
                      NET_PEER_TIMEOUT);
        char name[NET_NAME_SIZE];
        copy_name(name, m_name);
        set_net_status(NET_STATUS_NONE, name);
        std::memset(&m_server, 0, sizeof m_server);
        m_join_target = 0;
        abstract_c::root()->message(MSG_VAR(server_lost), 0, this, MSG_ARGS_END);
    }
}

void net_manager::update_host(double now, const SOCKADDR_IN &from, const char *name)
{
    bool found = false;
    for (int i = 0; i < m_host_count; ++i)
        if (m_hosts[i].address.sin_addr.s_addr == from.sin_addr.s_addr) {
            m_hosts[i].last_seen = now;
            found = true;
        }
    age_hosts(now);
    if (found || from.sin_addr.s_addr == m_own_address || m_host_count >= NET_MAX_HOSTS)
        return;
    net_host_entry &e = m_hosts[m_host_count++];
    std::memset(&e, 0, sizeof e);
    e.address = from;
    copy_name(e.name, name);
    e.last_seen = now;
}

void net_manager::age_hosts(double now)
{
    int kept = 0;
    for (int i = 0; i < m_host_count; ++i)
        if (!(now - m_hosts[i].last_seen > NET_HOST_TIMEOUT))
            m_hosts[kept++] = m_hosts[i];
    m_host_count = kept;
}

void net_manager::handle_join(const SOCKADDR_IN &from)
{
    // Once every player is ready the game has begun: a new PC would be seated mid-game.
    if (m_joins_closed)
        return;
    for (int i = 0; i < m_client_count; ++i)
        if (m_clients[i].address.sin_addr.s_addr == from.sin_addr.s_addr)
            return;
    if (m_client_count >= NET_MAX_CLIENTS)
        return;
    net_host_entry &e = m_clients[m_client_count++];
    std::memset(&e, 0, sizeof e);
    e.address = from;
    e.last_seen = m_now;
    np_session_joined joined = np_session_joined_new();
    int32_t address = (int32_t)from.sin_addr.s_addr;
    joined.address = address;
    session_info session = joined.session;
    if (!abstract_c::root()->message(MSG_VAR(create_new_man_player), 0, this, MSG_ARG((void *)&address),
                                     MSG_ARG((void *)&session), MSG_ARGS_END))
        return;
    joined.session = session;
    abstract_c::root()->message(MSG_VAR(free_places_available), 0, this, MSG_ARG((void *)&m_announce_stop),
                                MSG_ARGS_END);
    send_session_message(&joined);
}

void net_manager::handle_session_joined(const char *data, const SOCKADDR_IN &from)
{
    np_session_joined joined;
    std::memcpy(&joined, data, sizeof joined);
    const bool seated_here = (uint32_t)joined.address == m_own_address;
    if (seated_here) {
        bool listed = false;
        for (int i = 0; i < m_host_count && !listed; ++i)
            if (m_hosts[i].address.sin_addr.s_addr == from.sin_addr.s_addr) {
                m_server = m_hosts[i];
                listed = true;
            }
        // A host that aged out of the list meanwhile still is the server that seated us.
        if (!listed && from.sin_addr.s_addr != 0) {
            std::memset(&m_server, 0, sizeof m_server);
            m_server.address = from;
        }
        m_server.last_seen = m_now;
    }
    // The seats first: the set-up screen that the connection opens picks this PC's own seat.
    session_info session = joined.session;
    abstract_c::root()->message(MSG_VAR(set_session_info), 0, this, MSG_ARG((void *)&session), MSG_ARGS_END);
    if (seated_here)
        abstract_c::root()->message(MSG_VAR(connected_to_server), 0, this, MSG_ARGS_END);
}

net_manager *get_net_manager()
{
    net_manager *manager = nullptr;
    abstract_c::root()->message(MSG_VAR(get_net_manager), 0, nullptr, MSG_ARG((void *)&manager), MSG_ARGS_END);
    return manager;
}

void start_net_server(const char *session_name) { required_manager()->set_net_status(NET_STATUS_SERVER, session_name); }
void start_net_client(const char *name) { required_manager()->set_net_status(NET_STATUS_CLIENT, name); }
void send_net_to_peer(const void *packet, const SOCKADDR_IN *to) { required_manager()->send_net_to_peer(packet, to); }
void send_session_message(const void *packet) { required_manager()->send_session_message(packet); }
void send_net_message(const void *packet) { required_manager()->send_net_message(packet); }
bool connect_to_host(int n) { return required_manager()->connect_to_host(n); }
void net_set_announce_address(const char *address) { required_manager()->set_announce_address(address); }
