// The descriptions of the computer players: script objects of class "player", gathered as the
// children of one "player_store".
//
// A player sends player_created (PTR its store-number field) up its parent chain when it is
// built; the store answers with set_store_nmb (its count), so players are numbered 0, 1, 2 ...
// in the order the script creates them, and a number is never reused.
//
// player: fill_struct (INT n, PTR player_info) is claimed only by the player numbered n: it sets
// the record's portr_nmb from its attribute and, unless the record is a human's (m_is_man set),
// name, age, character, health, sex, job, intellect, hobby and pulse from the same-named
// attributes (all required; a name is cut to the 49 bytes its field holds). The round values,
// the account and the state fields stay.
// player_store: random_fill (PTR record) fills the record from the player rand() * count / 32768;
// set_next_portrait (INT step, PTR record) from the player step + the record's portr_nmb,
// wrapping below 0 to the last and at the count to the first, and reports itself unhandled
// (0). Both ask only the children. With no player (or no player of that number) the record
// stays as it was.
#pragma once

#include <cstdint>

#include "kernel/abstract.h"

class player : public abstract_c
{
public:
    player(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    int32_t store_nmb() const { return m_store_nmb; }

private:
    int32_t m_store_nmb;
};

class player_store : public abstract_c
{
public:
    player_store(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    int32_t count() const { return m_count; }

private:
    int32_t m_count;
};
