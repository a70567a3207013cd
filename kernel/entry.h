// The program entry and main loop of Vizuzuze. engine_main runs the whole program:
//   start-up: seed the random generator from the tick count, open console.log, split the
//   command line, log "Engine started: <asctime>", load the packs of the current directory,
//   take -datadir <dir> as the data directory, run "scripts/templates.isc" in template mode
//   and "scripts/init.isc" (which must create the root), send app_hinstance (INT, the
//   platform's instance handle) and app_startup to the root;
//   loop: send tick (FLOAT seconds since start, FLOAT seconds since the previous tick) to the
//   root, delete the dead objects, and stop once the root's stop_main_loop is non-zero;
//   shutdown: app_shutdown (newest child first), shutdown_tree, collection, the root deleted,
//   the templates freed, console.log closed; returns 0.
// Any exception_c from "Engine started" to the end of the shutdown is printed to the log
// between two lines of 27 dashes; the tree is then shut down and collected, but gets no
// app_shutdown and the root is not deleted; the result is then 1.
// The creator table must be filled before (kernel/scripts.h).
#pragma once

#include <cstdint>

constexpr int COMMAND_LINE_BUFFER = 1024;
constexpr int COMMAND_LINE_MAX_ARGS = 32;

// command_line: the words after the program's name, separated by blanks.
int engine_main(const char *command_line);

// Fills the command-line table: entry 0 is "PROGRAM.EXE", then the words of text (blanks and
// tabs separate; words past the 32nd entry are dropped). A text of 1024 characters or more
// gives a count of 0.
void split_command_line(const char *text);
int command_line_count();
const char *command_line_arg(int index);
// The word after "-<name>" among arguments 1 to count-2, unless it begins with '-'; else null.
const char *find_command_line_option(const char *name);

// The local date and time in asctime's form ("Thu Dec 10 12:39:46 2026\n") in a static buffer.
const char *get_current_time_text();
