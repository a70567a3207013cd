#include "game/player_info.h"

#include <cstring>

void player_info_init(player_info &p)
{
    std::memset(&p, 0, sizeof p);
    p.portr_nmb = -1;
    p.age = p.character = p.health = p.sex = p.job = -1;
    p.intellect = p.m_cur_intellect = p.hobby = p.pulse = p.m_cur_pulse = -1;
    p.m_account = 0;
    p.m_right_nmb = p.m_wrong_nmb = -1;
    p.m_in_game = 1;
    p.m_excluded_round = p.m_vote_target = p.m_last_vote = -1;
    p.m_is_man = 0;
    p.m_not_ready = 0;
    p.m_owner_address = 0;
}

void session_info_init(session_info &s)
{
    std::memset(&s, 0, sizeof s);
    s.m_created = 0;
    s.m_answer_state = 6;
    s.m_active_slot = -1;
    s.m_right_answer = -1;
    s.m_round = 0;
    s.m_round_time = -1.0;
    s.m_bank = 0;
    for (player_info &p : s.m_players)
        player_info_init(p);
}

void player_info_set_name(player_info &p, const char *name)
{
    const size_t length = strnlen(name, sizeof p.name - 1);
    std::memcpy(p.name, name, length);
    p.name[length] = 0;
}

int seat_slot_of_model(const player_info *players, int model_nmb)
{
    int model = 0;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        if (players[slot].m_in_game) {
            if (model == model_nmb)
                return slot;
            ++model;
        }
    return -1;
}
