// The launcher's message list: everything the launcher prints (the configuration library's
// diagnostics) is kept in memory as lines; nothing shows them.
//
// A call formats at most 4095 characters and adds them to the current line: a line feed ends
// the line, a carriage return clears it and returns to its start, a tab adds spaces up to the
// next column that is a multiple of 8 (none when the column already is one), any other byte
// below 32 is a space, and a line that reaches 127 characters ends by itself. Ending a line
// moves every line one place down (the oldest of 256 is lost) and starts an empty current line.
#pragma once

constexpr int LAUNCHER_MESSAGE_LINES = 256;
constexpr int LAUNCHER_MESSAGE_LINE_SIZE = 128;

void launcher_print_message(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Line i, 0 being the line in progress and 1 the last one ended; "" past the list.
const char *launcher_message_line(int i);
// How many lines were ended, at most 256.
int launcher_message_count();
// Empties the list.
void launcher_clear_messages();
