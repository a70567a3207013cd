// What every scripted player of the real game shares: the data copy prepared so that a script
// can play it, the results read back, and the pixels it reads the window by.
//
// The data copy: mark_right_answers rewrites every question file (a title line, then groups of
// five lines: the question and its answers, the right one first) so that every right answer
// reads as `right_answer` (a long line) and every wrong one as a short word; a player then tells
// them apart by the amount of text shown. weaken_computer_players makes the computer players of
// the store know nothing (intellect 0) and vote against the lowest account (character 1), so that
// a human answering right nearly always reaches the final and wins it. Nearly: a computer player
// still answers right one time in a hundred, and each right answer raises his intellect for the
// next round; the opponent a human chooses in round 6 takes his whole account with one.
//
// The pixels: a box reaching past the picture is read only where it lies on it. The answer items
// are given 1-based (item_rect_1 .. item_rect_6 of "answer_menu"); index 0 is unused.
#pragma once

#include "tools/driver/program_driver.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace program_driver {

// The right answer mark_right_answers writes by default: "a long line" of cp1251 text.
extern const char LONG_RIGHT_ANSWER[];

// Rewrites every ".txt" below `questions` as above; the count of files.
int mark_right_answers(const std::string &questions, const char *right_answer = LONG_RIGHT_ANSWER);
// The count of computer players changed in the store script (players.isc).
int weaken_computer_players(const std::string &players);

// A score table ("Hiscore", "History") as the program's registry store keeps it: an int32 count,
// then 164-byte entries (the name in the first 128 bytes, the score at byte 136, the age at 156).
// Entries the file is too short for are not read.
struct score_entry
{
    std::string name;
    int32_t score = 0;
    int32_t age = 0;
};
std::vector<score_entry> read_score_table(const std::string &file);

// console.log without the lines that list loaded resources ("Geometry ... loaded", "Texture ...",
// "Shadow tree ..."): what a failure message shows of a program's story, which those lines bury.
std::string log_digest(const std::string &log);

// A click on the box, the pointer then parked at the right edge, where it covers nothing a
// player reads.
void click_aside(driver_c &program, const box &b);
// Until console.log holds `text` after what it held before: looks for it 3 s and clicks the box
// (as click_aside) when it is not there, at most `tries` clicks (a click may come before the
// program takes clicks); the offset of `text`, or npos.
size_t click_until_log(driver_c &program, const box &b, const std::string &text, int tries = 5);

// Pixels of text: the menus' white letters and their highlight (orange).
bool is_text(uint32_t c);
// Whether each channel of `c` is within `tolerance` of `want`'s.
bool near(uint32_t c, uint32_t want, int tolerance);
// How many pixels of the box are `what`.
int count_in(const shot &s, const box &b, const std::function<bool(uint32_t)> &what);
// Whether most of the box shows the colour (a panel's texture, an edit field's cells), within 24.
bool mostly(const shot &s, const box &b, uint32_t colour);

// The text pixels of each of the six answer items into `texts`; the count of items that show
// text (40 pixels or more): 4 for a question, 6 for a topic choice.
int answers_shown(const shot &s, const box (&items)[7], int (&texts)[7]);
// Of the four answers, the one with the most text (`longest`) or the least; the first on a tie.
int answer_by_length(const int (&texts)[7], bool longest);

// A card of a player (the opponent selector, the vote), seen by the cells of its edit fields
// (all of them mostly `colour`). due() says it is to be acted on: when it appears, and again
// when it is still there `again` later (the click came before the program took it).
class card_watch_c
{
public:
    using clock_type = std::chrono::steady_clock;
    card_watch_c(std::vector<box> cells, uint32_t colour, clock_type::duration again = std::chrono::seconds(8));
    bool due(const shot &s);

private:
    std::vector<box> m_cells;
    uint32_t m_colour;
    clock_type::duration m_again;
    bool m_shown = false;
    clock_type::time_point m_acted;
};

} // namespace program_driver
