// net_manager ("net_manager"): the PC's local-network session, and the free functions the game
// and the screens send packets with.
//
// Status 0 (none), 1 (server) or 2 (client); a UDP socket on port 1980 exists exactly while the
// status is 1 or 2. set_net_status to 1 or 2 makes the socket (a failure, e.g. port 1980 in
// use, leaves status 0 and passes the winsock_exception_c on), keeps it when the status does
// not change (queued datagrams survive), clears the client list and the announce-stop flag,
// and starts one more 0.5 s ping timer chain; 0 closes the socket.
//
// Every ping: a server whose announcements are not stopped broadcasts a type 1 with its name to
// the announce address: VIZUZUZE_ANNOUNCE_ADDRESS from the environment or
// net_set_announce_address when given, else 255.255.255.255 and the broadcast address of every
// IPv4 interface that is up and broadcast-capable (a network without a default route refuses
// 255.255.255.255); a failed send is logged once per address. Then a type 2 with the host name
// goes to the clients (server) or to the server (client).
//
// Receiving: each tick takes at most one datagram that is accepted, and drains the refused ones
// before it in the same tick (at most NET_READS_PER_TICK reads), so that nobody's flood of bad
// datagrams delays a valid one. A datagram must pass net_packet_accept and come from a sender
// its role takes: a server takes types 1 and 4 from anyone and the rest from its clients; a
// client takes type 1 from anyone, type 5 from its server or the host it asked to join, the
// rest from its server; a PC without a session reads nothing. A datagram equal in bytes to the
// last accepted one from the same sender is dropped as a repeat, except types 1 and 3 to 6.
// Refused datagrams leave the repeat filter as it was. A datagram whose numbers a handler
// refuses (below) counts as refused too. Local packets (a PC handing a packet to itself) are
// checked the same way; a wrong length field there is an assertion, as it is before any send.
// Refusals (but repeats) are logged once per sender and kind; what is refused after that is
// counted, and one line at most every NET_REFUSAL_REPORT_PERIOD seconds says how many; senders
// past the first NET_REFUSAL_SENDERS share one kind.
//
// Lost peers, by this PC's common time: any datagram from a session member that its role takes
// (repeats included) shows it alive, also one still waiting unread when its time is up (a
// stalled frame leaves many datagrams queued and the tick takes one; the first
// NET_LOOK_AHEAD_DATAGRAMS waiting are looked at). A server drops a client silent for more than
// NET_PEER_TIMEOUT seconds from its list and sends replace_lost_players (PTR int32 address) to
// the root. A client whose server is silent that long leaves the session (status 0) and sends
// server_lost to the root.
//
// Handled types: 1 (the host list: 20 hosts, names of at most 127 bytes, own announcements
// not listed, hosts silent for more than 25 s of this PC's time dropped), 2 (nothing), 4 on a
// server (a new client, at most 20, is registered and the game asked for a seat with
// create_new_man_player; with one, free_places_available, then a type 5 as a session
// message; no joins after on_all_players_ready), 5 (the PC that joined sends
// connected_to_server and takes the sender as its server; every PC sends set_session_info).
// The game's types become messages to the root (flags 0, the manager as sender):
//   3 change_player_info (PTR packet; flags MSGF_NO_SELF) from this PC or a client; a client's
//     packet must name the client's own address;
//   6 player_info_updated (INT slot, PTR record); 7 on_round_started (INT round, FLOAT time);
//   8 on_game_stopped (INT code, INT model number); 11 mark_excluded_player (INT slot);
//   13 question_answered (INT item, INT right, INT model number, INT random);
//   15 vote_confirmed (PTR packet); 16 location_loaded, only for this PC's own packet;
//   9 the question's sequence on every PC (get_session_info first: a model number of no seat
//     in the game drops the packet): question_step_received (INT model number, INT computer,
//     INT topic choice, INT item count, INT first step), remove_question_n_answers, show_named,
//     set_hint, set_additional_hint, a camera mover step, a delayed
//     "question" (human) or "simulate_question" (computer) as an "animation_message" step,
//     for a computer a 0.03 s "animation_delay", activate_sequence;
//   10 "lift" (hint, 0.01 s delay, a delayed "activate" of the object, activate_sequence),
//     "start_vote" (generate_bot_votes, load_screen "screen_vote", hide_vote_screen,
//     create_vote_manager -1), "flash" (activate the object at once), others nothing;
//   12 on a server: an answer from the PC whose player acts (is_he_active_player; a client's
//     packet must name the client's own address) is judged
//     (get_active_model_nmb, is_answer_right, a random 0..3) and sent back to all as type 13,
//     then set_delay_before_next_question. A client's answer while none is awaited from it,
//     after its answer to the current step was judged (its verdict was lost, and the client
//     sends its answer until it hears one), gets the same verdict again to that client alone,
//     and nothing else follows; the next step (types 7 to 11 handled here, the server's own
//     included) ends that;
//   14 on a server: relayed to all as type 15 (a client's vote only for a human seat of its own
//     that has not voted yet: get_player_info); when check_all_voted reports all votes, the
//     leaving slot goes to all as type 11 and a next-round timer of 8 s starts. A client's
//     vote that its seat already holds (its confirmation was lost, and the client sends its
//     vote until it hears one) is confirmed again to that client alone, and nothing else follows.
// On a client, a type 9 equal in bytes to the last one taken, while the game waits for a human's
// answer to it (get_session_info: answer state 0), is the server putting the step again: nothing
// follows.
// Slots, model numbers, items (0..7), votes (0..7, so no vote against "nobody" counts),
// rounds (1..8), change codes (0..11), item counts (0..6), random numbers (0..3), question times
// (finite) and round times (above 0, at most 3600 s) out of range drop the packet. Delayed messages and timers made here are children
// of the manager.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "kernel/abstract.h"
#include "net/net_packets.h"
#include "net/net_winsock.h"

constexpr int NET_MAX_HOSTS = 20;
constexpr int NET_MAX_CLIENTS = 20;
constexpr int NET_NAME_SIZE = 128;
constexpr double NET_PING_PERIOD = 0.5;
constexpr double NET_HOST_TIMEOUT = 25.0;
// Keep-alives come every 0.5 s: twenty missed in a row is a lost PC.
constexpr double NET_PEER_TIMEOUT = 10.0;
constexpr int NET_READS_PER_TICK = 256;
// More than the system's receive buffer holds of the smallest datagrams.
constexpr int NET_LOOK_AHEAD_DATAGRAMS = 1024;
constexpr double NET_REFUSAL_REPORT_PERIOD = 10.0;
constexpr int NET_REFUSAL_SENDERS = 64;
constexpr int NET_MAX_ANNOUNCE_ADDRESSES = 16;

enum : int32_t { NET_STATUS_NONE = 0, NET_STATUS_SERVER = 1, NET_STATUS_CLIENT = 2 };

struct net_host_entry
{
    SOCKADDR_IN address;
    char name[NET_NAME_SIZE];
    double last_seen;
};

void net_register_creators();

class net_manager : public abstract_c
{
public:
    net_manager(abstract_c *parent, const attribute_list_c *attributes);
    ~net_manager() override;
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    void set_net_status(int status, const char *name);
    void net_receive_loop(const void *packet);
    bool connect_to_host(int n);
    void send_net_to_peer(const void *packet, const SOCKADDR_IN *to);
    void send_session_message(const void *packet);
    void send_net_message(const void *packet);
    // The packet to the session's client at the short address alone; nothing without one.
    void send_to_client(const void *packet, uint32_t address);
    void set_announce_address(const char *address);

    int status() const { return m_status; }
    const char *name() const { return m_name; }
    const char *host_name() const { return m_host_name; }
    uint32_t short_address() const { return m_own_address; }
    int host_count() const { return m_host_count; }
    const net_host_entry &host(int n) const { return m_hosts[n]; }
    int client_count() const { return m_client_count; }
    const net_host_entry &client(int n) const { return m_clients[n]; }
    const net_host_entry &server() const { return m_server; }
    bool announcements_stopped() const { return m_announce_stop != 0; }
    bool has_socket() const { return m_socket != nullptr; }
    // Datagrams of the type accepted from the socket (every type counts; 0 outside 1..16).
    int received_count(int type) const { return type >= 1 && type <= 16 ? m_received[type] : 0; }

private:
    // The last datagram accepted from one sender, for the repeat filter.
    struct last_datagram
    {
        uint32_t sender;
        int32_t length;
        char bytes[NET_MAX_DATAGRAM];
    };

    // A refusal already logged for a sender and kind, and what came since.
    struct refusal_s
    {
        uint32_t sender;
        int32_t type;
        const char *why;
        int64_t count;
        double since;
    };

    // One datagram read from the socket: true when it was accepted and handled.
    bool take_datagram(char *buffer, int size, const SOCKADDR_IN &from);
    // The handlers by type; false when the packet was refused.
    bool dispatch(char *buffer, const SOCKADDR_IN &from);
    // Logs the refusal as the top of this file says; always false, for the handlers' returns.
    bool refuse(int type, const char *why, const SOCKADDR_IN &from);
    void report_refusals();
    void note_alive(uint32_t sender);
    void drop_lost_peers();
    // Whether a datagram from the sender that this PC's role takes waits unread.
    bool waiting_from(uint32_t sender);
    bool overdue(const net_host_entry &peer);
    void announce();
    bool sender_allowed(int type, uint32_t sender) const;
    bool is_repeat(uint32_t sender, const char *data, int length) const;
    void remember(uint32_t sender, const char *data, int length);
    void update_host(double now, const SOCKADDR_IN &from, const char *name);
    void age_hosts(double now);
    void handle_join(const SOCKADDR_IN &from);
    void handle_session_joined(const char *data, const SOCKADDR_IN &from);
    // The game's packets (net_game_packets.cpp). The member test and the server-only types on
    // a client are the assertion "m_status != CLIENT".
    bool is_session_member(const SOCKADDR_IN &from) const;
    bool is_local(const SOCKADDR_IN &from) const;
    bool speaks_for(int32_t address, const SOCKADDR_IN &from) const;
    bool handle_game_packet(char *buffer, const SOCKADDR_IN &from);
    bool handle_question(char *buffer, const SOCKADDR_IN &from);
    void handle_scene_command(char *buffer);
    // The socket's result; nothing sent (0) without a socket.
    int send_to(const void *packet, const SOCKADDR_IN &to);
    void send_next_ping();

    int32_t m_last_type;
    uint32_t m_own_address;
    SOCKADDR_IN m_local_sender;
    char m_host_name[NET_NAME_SIZE];
    char m_name[NET_NAME_SIZE];
    net_host_entry m_hosts[NET_MAX_HOSTS];
    int32_t m_host_count;
    int32_t m_status;
    uint8_t m_announce_stop;
    net_host_entry m_clients[NET_MAX_CLIENTS];
    int32_t m_client_count;
    net_host_entry m_server;
    std::unique_ptr<winsocket_c> m_socket;

    SOCKADDR_IN m_announce_address;
    uint32_t m_join_target;
    bool m_joins_closed;
    bool m_winsock_started;
    int32_t m_received[17];
    std::unique_ptr<last_datagram[]> m_last;
    int m_last_count;
    int m_last_next;
    // The common time of the tick or packet being handled.
    double m_now;
    bool m_announce_given;
    std::vector<uint32_t> m_announce_failed;
    std::vector<refusal_s> m_refusals;
    double m_refusals_reported;
    refusal_s m_other_refusals;
    // The verdict on the last answer judged from a client, and that client's address (0: none,
    // or the step is over), for the client that sends its answer again.
    np_question_answered m_judged{};
    uint32_t m_judged_from = 0;
    // A client: the last step (type 9) taken, which the server puts again while it waits for its
    // answer.
    np_question m_last_step{};
};

// Each finds the manager with get_net_manager (the root's answer; "m_root" without a root).
net_manager *get_net_manager();
void start_net_server(const char *session_name);
void start_net_client(const char *name);
void send_net_to_peer(const void *packet, const SOCKADDR_IN *to);
void send_session_message(const void *packet);
void send_net_message(const void *packet);
// A server's packet to one client, named by its short address (nothing without a manager).
void send_net_to_client(const void *packet, int32_t address);
bool connect_to_host(int n);
void net_set_announce_address(const char *address);
