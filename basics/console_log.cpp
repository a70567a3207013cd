#include "basics/console_log.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int format_buffer_size = 4096;
constexpr int ring_lines = 256;
constexpr int line_size = 128;
constexpr int line_chars = line_size - 1;

FILE *g_log_file = nullptr;
char g_ring[ring_lines][line_size];
int g_column = 0;
int g_line_count = 0;
int g_changed = 0;

void complete_line()
{
    memmove(g_ring[1], g_ring[0], sizeof(g_ring[0]) * (ring_lines - 1));
    memset(g_ring[0], 0, sizeof(g_ring[0]));
    g_column = 0;
    if (g_line_count < ring_lines)
        ++g_line_count;
}

void store(char c)
{
    g_ring[0][g_column++] = c;
    if (g_column >= line_chars)
        complete_line();
}

void add_to_ring(const char *text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            complete_line();
        } else if (c == '\r') {
            memset(g_ring[0], 0, sizeof(g_ring[0]));
            g_column = 0;
        } else if (c == '\t') {
            // Stops at the line's end, where store() completes the line and resets the column.
            while (g_column % 8 != 0)
                store(' ');
        } else {
            store(c < 32 ? ' ' : static_cast<char>(c));
        }
    }
}

} // namespace

int log_vprint(const char *fmt, va_list args)
{
    char buffer[format_buffer_size];
    g_changed = 1;
    int length = vsnprintf(buffer, sizeof(buffer), fmt, args);
    if (length < 0)
        return 0;
    if (length > format_buffer_size - 1)
        length = format_buffer_size - 1;
    add_to_ring(buffer, static_cast<size_t>(length));
    if (g_log_file) {
        fwrite(buffer, 1, static_cast<size_t>(length), g_log_file);
        fflush(g_log_file);
    }
    return 0;
}

int print_message(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    log_vprint(fmt, args);
    va_end(args);
    return 0;
}

int log_print(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    log_vprint(fmt, args);
    va_end(args);
    return 0;
}

void open_console_log()
{
    if (!g_log_file)
        g_log_file = fopen("console.log", "ab");
}

void close_console_log()
{
    if (g_log_file) {
        fclose(g_log_file);
        g_log_file = nullptr;
    }
}

unsigned log_line_count()
{
    return static_cast<unsigned>(g_line_count);
}

const char *log_line(unsigned i)
{
    return i < ring_lines ? g_ring[i] : "";
}

int log_changed()
{
    return g_changed;
}

void log_reset_changed()
{
    g_changed = 0;
}

int print_error_text(const char *fmt, int value)
{
    return fprintf(stderr, fmt, value);
}

int print_error_text(const char *fmt, const char *value)
{
    return fprintf(stderr, fmt, value);
}
