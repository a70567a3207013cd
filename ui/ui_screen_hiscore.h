// The hiscore screen; the tables it reads are in scores/score_tables.h.
//
// screen_hiscore (script class "screen_hiscore", a screen_base_c): on `creation_finished`
// reads "Hiscore" (at most 5) and sends itself `set_text` to "winner_<i>_static" (the name)
// and "hiscore_<i>_static" (the score, "%d") for places 1..n; places beyond n keep their
// script's texts. `butt_pressed` "ok" (1): back to "screen_main" while the from-main flag is
// set (it is at creation), else `load_screen` "screen_survey" and then
// `set_hiscore_and_age_values` with the remembered score and age. `hiscore_from_main` sets
// the flag, `remember_hiscore_and_age` (INT score, INT age) stores both and clears it, so
// that the end of a game leads through the survey (1 each). Everything else goes to the base.
#pragma once

#include "scores/score_tables.h"
#include "ui/ui_screen_base.h"

#include <cstdint>

class screen_hiscore : public screen_base_c
{
public:
    screen_hiscore(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void fill();

    int32_t m_from_main;
    int32_t m_remembered_score;
    int32_t m_remembered_age;
};
