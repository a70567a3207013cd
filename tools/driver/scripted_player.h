// A player at the keyboard of one running program, for tests that play the real game: it looks
// at the program's window and does what a human of that PC is asked to do, one thing a look.
//
// The data copy the program runs on is first prepared with mark_right_answers (every right
// answer of the question files reads as a long line, every wrong one as a short word, so the
// player tells them apart by the amount of text shown) and, where the humans should win,
// weaken_computer_players (the computer players of the store know nothing and vote against the
// lowest account).
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

#include "tools/driver/program_driver.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace program_driver {

// Rewrites every question file below `questions` as the top of this file says; the count of files.
int mark_right_answers(const std::string &questions);
// The computer players of the store script (players.isc) know nothing (intellect 0) and vote
// against the lowest account (character 1); the count of players changed.
int weaken_computer_players(const std::string &players);

// A score table ("Hiscore", "History") as the program's registry store keeps it: an int32 count,
// then 164-byte entries (the name in the first 128 bytes, the score at byte 136).
struct score_entry
{
    std::string name;
    int32_t score;
};
std::vector<score_entry> read_score_table(const std::string &file);

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
    box answer_item(int i) const;
    void click(const box &b);

    driver_c &m_program;
    std::string m_scripts;
    box m_question_text, m_field_gap;
    box m_selector_cells[3], m_vote_cells[3];
    uint64_t m_acted_on = 0, m_last_seen = 0;
    bool m_vote_shown = false, m_selector_shown = false;
    clock_type::time_point m_vote_done, m_chosen, m_answered;
};

} // namespace program_driver
