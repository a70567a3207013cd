// A player at the keyboard of one running program, for tests that play the real game: it looks
// at the program's window and does what a human of that PC is asked to do, one thing a look.
//
// The data copy the program runs on is first prepared with mark_right_answers (the long line by
// default) and, where the humans should win, weaken_computer_players (scripted_game.h).
//
// step() grabs the window once and acts on at most one of:
//   - a question of this PC's human (four answers on the answer field, the question above them
//     unchanged since the last look): the long line is clicked; a topic choice (six topics):
//     the first; a question or choice still shown 3 s after its click is clicked again (the
//     click came before the program took clicks, or the question was another PC's);
//   - an opponent choice (the card of the offered opponent): "select_opponent";
//   - a vote (the card of the offered target): "vote_against".
// A panel of a choice or a vote is acted on when it appears, and again when it is still there
// 8 s later (the click came before the program took it). The pointer is then parked at the
// right edge, where it covers nothing the player reads.
#pragma once

#include "tools/driver/scripted_game.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace program_driver {

class scripted_player_c
{
public:
    // `scripts` is the directory of the screen scripts the program runs on.
    scripted_player_c(driver_c &program, std::string scripts);

    // One look at the window and at most one action; false when no picture could be taken.
    bool step();

    int answers = 0, topics = 0, opponents = 0, votes = 0;
    // What the last look saw and did, for a trace.
    std::string seen;

private:
    using clock_type = std::chrono::steady_clock;
    box control(const char *screen, const char *name) const;
    void click(const box &b);

    driver_c &m_program;
    std::string m_scripts;
    box m_question_text, m_field_gap;
    box m_items[7];
    card_watch_c m_selector, m_vote;
    uint64_t m_acted_on = 0, m_last_seen = 0;
    clock_type::time_point m_answered;
};

} // namespace program_driver
