// The game's plain records that travel in LAN packets: one seat's player_info (135 bytes) and
// the session information (1112 bytes) that every PC keeps. Packed, little-endian, laid out
// byte for byte as on the wire; texts are cp1251 and NUL-terminated in their fields.
// player_info_init and session_info_init give the values of a new record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#pragma pack(push, 1)
struct player_info
{
    int32_t portr_nmb;
    char name[50];
    int32_t age;
    int32_t character;
    int32_t health;
    int32_t sex;
    int32_t job;
    int32_t intellect;
    int32_t m_cur_intellect;
    int32_t hobby;
    int32_t pulse;
    int32_t m_cur_pulse;
    int32_t m_account;
    int32_t m_right_nmb;
    int32_t m_wrong_nmb;
    int32_t m_final_right_nmb;
    uint8_t m_in_game;
    int32_t m_excluded_round;
    int32_t m_vote_target;
    int32_t m_last_vote;
    int32_t m_is_man;
    int32_t m_not_ready;
    int32_t m_owner_address;
};

struct session_info
{
    int32_t m_created;
    int32_t m_answer_state;
    int32_t m_active_slot;
    int32_t m_right_answer;
    int32_t m_round;
    double m_round_time;
    int32_t m_bank;
    player_info m_players[8];
};
#pragma pack(pop)

static_assert(sizeof(player_info) == 135, "player_info is 135 bytes");
static_assert(offsetof(player_info, name) == 4 && offsetof(player_info, age) == 54 &&
                  offsetof(player_info, m_account) == 94 && offsetof(player_info, m_final_right_nmb) == 106 &&
                  offsetof(player_info, m_in_game) == 110 && offsetof(player_info, m_excluded_round) == 111 &&
                  offsetof(player_info, m_is_man) == 123 && offsetof(player_info, m_owner_address) == 131,
              "player_info fields at their wire offsets");
static_assert(sizeof(session_info) == 1112, "session_info is 1112 bytes");
static_assert(offsetof(session_info, m_round) == 16 && offsetof(session_info, m_round_time) == 20 &&
                  offsetof(session_info, m_bank) == 28 && offsetof(session_info, m_players) == 32,
              "session_info fields at their wire offsets");

constexpr int MAX_PLAYERS = 8;

// A new seat: numbers -1, empty name, account 0, in the game, a computer player, no owner.
// m_final_right_nmb is not set by the game; it is 0 here.
void player_info_init(player_info &p);
// The state before the dispatcher sets up its seats: answer state 6, no active seat, no right
// answer, round 0, round time -1.0, bank 0, eight new seats.
void session_info_init(session_info &s);
// The slot of the seat with that model number among `players` (eight seats): the seats in the
// game (m_in_game set) counted from 0 in slot order. -1 when no seat in the game has it.
int seat_slot_of_model(const player_info *players, int model_nmb);
// Copies a name into the record, cut to the 49 bytes its field holds, and ends it.
void player_info_set_name(player_info &p, const char *name);
// The name a seat's card shows: what follows the first space (the first name stays off), or the
// whole name without one. A record may come from another PC: the field is read no further than
// its size, whether or not it ends inside.
inline std::string player_info_shown_name(const char *field, size_t size)
{
    const std::string whole(field, strnlen(field, size));
    const size_t space = whole.find(' ');
    return space == std::string::npos ? whole : whole.substr(space + 1);
}
