// The console log: every diagnostic of the main program goes through print_message (or its
// twin log_print). A message is formatted once (at most 4095 characters), appended as it is
// to "console.log" in the current directory and flushed, when the file is open, and copied
// into a ring of 256 lines of at most 127 characters that the test console draws:
//   - line 0 is the line being written, line 1 the newest completed line, 255 the oldest;
//   - '\n' completes the line, '\r' clears line 0 and restarts it at column 0, a tab pads
//     with spaces to the next multiple of 8, other bytes below 32 become spaces, bytes from
//     32 up (0x80-0xFF included) are kept; a line that reaches 127 characters is completed.
// Text without a final line feed stays in line 0 and the next message continues it.
// Messages printed while the file is closed reach the ring only. One thread; no locking.
#pragma once

#include <cstdarg>

int print_message(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
int log_print(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
int log_vprint(const char *fmt, va_list args) __attribute__((format(printf, 1, 0)));

// Opens "console.log" of the current directory for appending unless it is already open.
void open_console_log();
void close_console_log();

unsigned log_line_count();
// Line i of the ring for i < 256 (0 is the unfinished current line), otherwise "".
const char *log_line(unsigned i);
int log_changed();
void log_reset_changed();

// Writes fmt with one argument to the standard error stream, for use before the log exists.
int print_error_text(const char *fmt, int value);
int print_error_text(const char *fmt, const char *value);
