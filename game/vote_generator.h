// vote_generator_c: the votes of the computer players after a round.
//
// The game dispatcher makes one as its child with its eight seats; the constructor writes
// m_vote_target of every seat that is in the game (m_in_game non-zero) and not human
// (m_is_man not 1), slot by slot, and then shuts the object down. The candidates of a voter are
// the other seats in the game, human or not, in slot order; accounts compare strictly, so the
// earlier of equal candidates keeps its place. By the voter's character:
//   0  the first non-empty of the groups sex 0 / any other sex; its only member, or the member
//      with the second-lowest account (of the first two members with equal accounts, the
//      first is the second-lowest); no candidate: "We should never come here !!!"
//   1  the lowest account
//   2  the richest of those whose m_last_vote names the voter, else the richest of all
//   3  the candidates sorted by account (exchange sort); when fewer than half of them (integer
//      division) have at most the voter's own account, counted from the poorest up to the
//      first richer one, the richest; otherwise the poorest
// A voter left without a target fails with "Error in <character> vote generator !", a
// character outside 0..3 with "Wrong character value !" (exception_c). The failure leaves the
// targets already written and votes for no later slot; the generator does not join the tree.
#pragma once

#include "kernel/abstract.h"

#include <cstdint>
#include <vector>

struct player_info;

class vote_generator_c : public abstract_c
{
public:
    // players: the eight seats, slots 0..7.
    vote_generator_c(abstract_c *parent, player_info *players, const attribute_list_c *attributes = nullptr);

private:
    std::vector<int> candidates(int voter) const;
    int32_t account(int slot) const;
    int vote_by_sex_group(int voter) const;
    int vote_lowest_account(int voter) const;
    int vote_richest_accuser(int voter) const;
    int vote_by_rank(int voter) const;

    player_info *m_players;
};
