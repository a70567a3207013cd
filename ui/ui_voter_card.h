// The voter card that the vote screen and the game screen share: twelve edits that show the
// data of the player a vote would go against, filled by named_edit_set_text sent to the
// screen itself (so the edits below it take it).
//
// voter_card_fill sends, in this order: "player_name_edit" the record's name (read no further
// than its 50-byte field); "character_edit", "health_edit", "job_edit", "hobby_edit" the
// screen's string attributes "character<v+1>", "health<v+1>", "job<v+1>", "hobby<v+1>" for the
// record's coded values v (a code without its attribute, as another PC may send it, shows an
// empty text and is logged);
// "voted_against_edit" the given name; "age_edit", "intellect_edit", "pulse_edit" the age and
// the given intellect and pulse; the card's account edit the account; "right_answers_edit",
// "wrong_answers_edit" the counts of answers; the numbers as "%d".
// voter_card_clear sends an empty text to the same twelve edits in the same order.
#pragma once

#include <cstdint>

class abstract_c;
struct player_info;

struct voter_card_layout
{
    const char *account_edit; // the name of the edit that shows the account
};

void voter_card_fill(abstract_c *screen, const voter_card_layout &card, const player_info &player,
                     const char *voted_against, int32_t intellect, int32_t pulse);
void voter_card_clear(abstract_c *screen, const voter_card_layout &card);
