// Reading the console log's ring in tests. The ring belongs to the whole process (tests of one
// binary run by hand share it) and wraps lines at 127 characters, so a line that holds a path
// may take more ring lines on a deeper checkout. A test therefore writes a mark where its own
// lines begin and reads whole lines back from there.
#pragma once

#include "basics/console_log.h"

#include <string>
#include <vector>

// Completes any unfinished line, then writes a line of its own that log_since finds again.
inline std::string log_mark()
{
    static int n = 0;
    const std::string mark = "-- test mark " + std::to_string(++n) + " --";
    print_message("%s%s\n", *log_line(0) ? "\n" : "", mark.c_str());
    return mark;
}

// The lines the log completed after the mark, oldest first; a line the ring wrapped is whole
// again (a ring line of exactly 127 characters goes on in the next one).
inline std::vector<std::string> log_since(const std::string &mark)
{
    std::vector<std::string> pieces;
    for (unsigned i = 1; i < 256 && mark != log_line(i); ++i)
        pieces.insert(pieces.begin(), log_line(i));
    std::vector<std::string> lines;
    bool continued = false;
    for (const std::string &piece : pieces) {
        if (continued)
            lines.back() += piece;
        else
            lines.push_back(piece);
        continued = piece.size() == 127;
    }
    return lines;
}
