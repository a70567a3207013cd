#include "net/net_packets.h"

#include <cmath>
#include <cstddef>
#include <cstring>

static_assert(sizeof(net_packet_header) == 8, "header");
static_assert(sizeof(np_host_announce) == 136 && sizeof(np_keep_alive) == 136, "types 1 and 2");
static_assert(sizeof(np_change_player_info) == 532 && offsetof(np_change_player_info, value) == 20, "type 3");
static_assert(sizeof(np_join_request) == 24, "type 4");
static_assert(sizeof(np_session_joined) == 1124 && offsetof(np_session_joined, session) == 12, "type 5");
static_assert(sizeof(np_player_info_updated) == 147 && offsetof(np_player_info_updated, info) == 12, "type 6");
static_assert(sizeof(np_round_started) == 16 && sizeof(np_game_stopped) == 16, "types 7 and 8");
static_assert(sizeof(np_question) == 791 && offsetof(np_question, time_parameter) == 10 &&
                  offsetof(np_question, model_nmb) == 14 && offsetof(np_question, item_count) == 18 &&
                  offsetof(np_question, first) == 22 && offsetof(np_question, menu) == 23 &&
                  offsetof(np_question, hint) == 535,
              "type 9");
static_assert(sizeof(np_scene_command) == 264 && offsetof(np_scene_command, object) == 72 &&
                  offsetof(np_scene_command, hint) == 136,
              "type 10");
static_assert(sizeof(np_mark_excluded_player) == 12 && sizeof(np_answer) == 16, "types 11 and 12");
static_assert(sizeof(np_question_answered) == 25 && offsetof(np_question_answered, right) == 20, "type 13");
static_assert(sizeof(np_vote) == 16 && sizeof(np_location_loaded) == 8, "types 14 to 16");

namespace
{
const int g_sizes[17] = {0,
                         sizeof(np_host_announce),
                         sizeof(np_keep_alive),
                         sizeof(np_change_player_info),
                         sizeof(np_join_request),
                         sizeof(np_session_joined),
                         sizeof(np_player_info_updated),
                         sizeof(np_round_started),
                         sizeof(np_game_stopped),
                         sizeof(np_question),
                         sizeof(np_scene_command),
                         sizeof(np_mark_excluded_player),
                         sizeof(np_answer),
                         sizeof(np_question_answered),
                         sizeof(np_vote),
                         sizeof(np_vote_confirmed),
                         sizeof(np_location_loaded)};

bool in(int32_t v, int32_t low, int32_t high) { return v >= low && v <= high; }

// A seat record the game can index with; its name ends inside its field.
bool player_ok(char *data, int64_t offset)
{
    player_info p;
    std::memcpy(&p, data + offset, sizeof p);
    if (!in(p.character, -1, 3) || !in(p.health, -1, 2) || p.m_in_game > 1 || !in(p.m_is_man, 0, 1) ||
        !in(p.m_not_ready, 0, 1) || !in(p.m_vote_target, -1, 7) || !in(p.m_last_vote, -1, 7))
        return false;
    data[offset + offsetof(player_info, name) + sizeof p.name - 1] = 0;
    return true;
}

void terminate(char *data, size_t offset, size_t size) { data[offset + size - 1] = 0; }
} // namespace

int net_packet_size(int64_t type) { return type >= 1 && type <= 16 ? g_sizes[type] : 0; }

bool net_packet_length_ok(const void *packet)
{
    net_packet_header h;
    std::memcpy(&h, packet, sizeof h);
    int size = net_packet_size(h.type);
    return size > 0 && h.length == size;
}

bool net_packet_accept(char *data, int64_t size)
{
    if (size < (int64_t)sizeof(net_packet_header))
        return false;
    net_packet_header h;
    std::memcpy(&h, data, sizeof h);
    int expected = net_packet_size(h.type);
    if (expected == 0 || size != expected || (int64_t)h.length != size)
        return false;
    switch (h.type) {
    case NP_HOST_ANNOUNCE:
        terminate(data, offsetof(np_host_announce, name), 128);
        break;
    case NP_KEEP_ALIVE:
        terminate(data, offsetof(np_keep_alive, host_name), 128);
        break;
    case NP_CHANGE_PLAYER_INFO: {
        int32_t code;
        std::memcpy(&code, data + offsetof(np_change_player_info, code), sizeof code);
        if (code == 0 && !player_ok(data, offsetof(np_change_player_info, value)))
            return false;
        terminate(data, offsetof(np_change_player_info, value), 512);
        break;
    }
    case NP_SESSION_JOINED: {
        session_info s;
        const size_t block = offsetof(np_session_joined, session);
        std::memcpy(&s, data + block, sizeof s);
        if (!in(s.m_active_slot, -1, 7) || !in(s.m_round, 0, 8) || !std::isfinite(s.m_round_time))
            return false;
        for (int i = 0; i < MAX_PLAYERS; ++i)
            if (!player_ok(data, (int64_t)(block + offsetof(session_info, m_players) + i * sizeof(player_info))))
                return false;
        break;
    }
    case NP_PLAYER_INFO_UPDATED:
        if (!player_ok(data, offsetof(np_player_info_updated, info)))
            return false;
        break;
    case NP_QUESTION:
        terminate(data, offsetof(np_question, menu), 512);
        terminate(data, offsetof(np_question, hint), 256);
        break;
    case NP_SCENE_COMMAND:
        terminate(data, offsetof(np_scene_command, command), 64);
        terminate(data, offsetof(np_scene_command, object), 64);
        terminate(data, offsetof(np_scene_command, hint), 128);
        break;
    default:
        break;
    }
    return true;
}

namespace
{
template <class P> P with_header(int32_t type)
{
    P p;
    std::memset(&p, 0, sizeof p);
    p.header.length = sizeof p;
    p.header.type = type;
    return p;
}
} // namespace

np_session_joined np_session_joined_new()
{
    np_session_joined p = with_header<np_session_joined>(NP_SESSION_JOINED);
    session_info_init(p.session);
    return p;
}

np_mark_excluded_player np_mark_excluded_player_new()
{
    np_mark_excluded_player p = with_header<np_mark_excluded_player>(NP_MARK_EXCLUDED_PLAYER);
    p.slot = -1;
    return p;
}

np_question_answered np_question_answered_new()
{
    np_question_answered p = with_header<np_question_answered>(NP_QUESTION_ANSWERED);
    p.item = -1;
    p.random = -1;
    return p;
}

np_vote_confirmed np_vote_confirmed_new()
{
    np_vote_confirmed p = with_header<np_vote_confirmed>(NP_VOTE_CONFIRMED);
    p.target = p.voter = -1;
    return p;
}
