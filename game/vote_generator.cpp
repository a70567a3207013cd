#include "game/vote_generator.h"

#include "game/player_info.h"
#include "kernel/exception.h"

#include <utility>

vote_generator_c::vote_generator_c(abstract_c *parent, player_info *players, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_players(players)
{
    using strategy_fn = int (vote_generator_c::*)(int) const;
    static const struct
    {
        strategy_fn vote;
        const char *error;
    } strategies[] = {
        {&vote_generator_c::vote_by_sex_group, "Error in 0 vote generator !"},
        {&vote_generator_c::vote_lowest_account, "Error in 1 vote generator !"},
        {&vote_generator_c::vote_richest_accuser, "Error in 2 vote generator !"},
        {&vote_generator_c::vote_by_rank, "Error in 3 vote generator !"},
    };
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        player_info &p = m_players[slot];
        if (!p.m_in_game || p.m_is_man == 1)
            continue;
        const int32_t character = p.character;
        if (character < 0 || character > 3)
            ENGINE_THROW(exception_c, "Wrong character value !");
        const int target = (this->*strategies[character].vote)(slot);
        p.m_vote_target = target;
        if (target == -1)
            ENGINE_THROW(exception_c, strategies[character].error);
    }
    shutdown_tree();
}

std::vector<int> vote_generator_c::candidates(int voter) const
{
    std::vector<int> out;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        if (slot != voter && m_players[slot].m_in_game)
            out.push_back(slot);
    return out;
}

int32_t vote_generator_c::account(int slot) const
{
    return m_players[slot].m_account;
}

int vote_generator_c::vote_by_sex_group(int voter) const
{
    std::vector<int> group_a, group_b;
    for (int slot : candidates(voter))
        (m_players[slot].sex == 0 ? group_a : group_b).push_back(slot);
    const std::vector<int> &group = group_a.empty() ? group_b : group_a;
    if (group.empty())
        ENGINE_THROW(exception_c, "We should never come here !!!");
    if (group.size() == 1)
        return group[0];
    int lowest = group[1], second = group[0];
    if (account(group[0]) < account(group[1]))
        std::swap(lowest, second);
    for (size_t i = 2; i < group.size(); ++i) {
        if (account(group[i]) < account(lowest)) {
            second = lowest;
            lowest = group[i];
        } else if (account(group[i]) < account(second)) {
            second = group[i];
        }
    }
    return second;
}

int vote_generator_c::vote_lowest_account(int voter) const
{
    int target = -1;
    for (int slot : candidates(voter))
        if (target == -1 || account(slot) < account(target))
            target = slot;
    return target;
}

int vote_generator_c::vote_richest_accuser(int voter) const
{
    int accuser = -1, richest = -1;
    for (int slot : candidates(voter)) {
        if (m_players[slot].m_last_vote == voter && (accuser == -1 || account(slot) > account(accuser)))
            accuser = slot;
        if (richest == -1 || account(slot) > account(richest))
            richest = slot;
    }
    return accuser != -1 ? accuser : richest;
}

int vote_generator_c::vote_by_rank(int voter) const
{
    std::vector<int> sorted = candidates(voter);
    if (sorted.empty())
        return -1;
    for (size_t p = 0; p + 1 < sorted.size(); ++p)
        for (size_t q = p + 1; q < sorted.size(); ++q)
            if (account(sorted[q]) < account(sorted[p]))
                std::swap(sorted[p], sorted[q]);
    size_t poorer = 0;
    while (poorer < sorted.size() && account(sorted[poorer]) <= account(voter))
        ++poorer;
    return poorer < sorted.size() / 2 ? sorted.back() : sorted.front();
}
