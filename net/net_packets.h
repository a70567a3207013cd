// The LAN packets: every packet is a net_packet_header (int32 length of the whole packet,
// int32 type 1..16) and a fixed body; packed, little-endian, one packet per UDP datagram on
// port 1980. The structs below are the wire, byte for byte.
//
// net_packet_accept is the one check every received datagram and every locally handed packet
// passes before anything reads it: the type is 1..16 and the datagram's size, the length
// field and the type's size are all equal; the player records (types 3, 5, 6) and the session
// block of type 5 hold values the game can index with (characters, health, flags, votes, the
// active slot, the round) and a finite round time. Other numbers (the slots, items and votes of
// types 3, 7, 9 and 11 to 15) are left to the handlers that will read them. It then
// ends every text field at its last byte, in the caller's copy, so no text runs past its
// field. Texts after their terminator carry nothing.
#pragma once

#include <cstdint>

#include "game/player_info.h"

enum : int32_t {
    NP_HOST_ANNOUNCE = 1,
    NP_KEEP_ALIVE = 2,
    NP_CHANGE_PLAYER_INFO = 3,
    NP_JOIN_REQUEST = 4,
    NP_SESSION_JOINED = 5,
    NP_PLAYER_INFO_UPDATED = 6,
    NP_ROUND_STARTED = 7,
    NP_GAME_STOPPED = 8,
    NP_QUESTION = 9,
    NP_SCENE_COMMAND = 10,
    NP_MARK_EXCLUDED_PLAYER = 11,
    NP_ANSWER = 12,
    NP_QUESTION_ANSWERED = 13,
    NP_VOTE = 14,
    NP_VOTE_CONFIRMED = 15,
    NP_LOCATION_LOADED = 16,
};

constexpr int NET_PORT = 1980;
constexpr int NET_MAX_DATAGRAM = 1440;

#pragma pack(push, 1)
struct net_packet_header
{
    int32_t length;
    int32_t type;
};

struct np_host_announce
{
    net_packet_header header;
    char name[128];
};

struct np_keep_alive
{
    net_packet_header header;
    char host_name[128];
};

struct np_change_player_info
{
    net_packet_header header;
    int32_t slot;
    int32_t address;
    int32_t code;
    char value[512];
};

struct np_join_request
{
    net_packet_header header;
    char unused[16];
};

struct np_session_joined
{
    net_packet_header header;
    int32_t address;
    session_info session;
};

struct np_player_info_updated
{
    net_packet_header header;
    int32_t slot;
    player_info info;
};

struct np_round_started
{
    net_packet_header header;
    int32_t round;
    float round_time;
};

struct np_game_stopped
{
    net_packet_header header;
    int32_t code;
    int32_t value;
};

struct np_question
{
    net_packet_header header;
    uint8_t computer;
    uint8_t topic_choice;
    float time_parameter;
    int32_t model_nmb;
    int32_t item_count;
    uint8_t first;
    char menu[512];
    char hint[256];
};

struct np_scene_command
{
    net_packet_header header;
    char command[64];
    char object[64];
    char hint[128];
};

struct np_mark_excluded_player
{
    net_packet_header header;
    int32_t slot;
};

struct np_answer
{
    net_packet_header header;
    int32_t item;
    int32_t address;
};

struct np_question_answered
{
    net_packet_header header;
    int32_t item;
    int32_t model_nmb;
    int32_t random;
    uint8_t right;
    char unused[4];
};

struct np_vote
{
    net_packet_header header;
    int32_t target;
    int32_t voter;
};

typedef np_vote np_vote_confirmed;

struct np_location_loaded
{
    net_packet_header header;
};
#pragma pack(pop)

// The size of a packet of the type; 0 for a type outside 1..16.
int net_packet_size(int64_t type);

// See the top of this file. `data` is the handler's own copy of `size` bytes.
bool net_packet_accept(char *data, int64_t size);
// Only the length rule: type 1..16 and the length field equal to the type's size.
bool net_packet_length_ok(const void *packet);

// Packets in the state their builders start from: the header set, the body as the game
// expects it before filling (session block as new, slots and numbers -1).
np_session_joined np_session_joined_new();
np_mark_excluded_player np_mark_excluded_player_new();
np_question_answered np_question_answered_new();
np_vote_confirmed np_vote_confirmed_new();
