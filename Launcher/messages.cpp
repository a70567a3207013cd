#include "Launcher/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

char g_lines[LAUNCHER_MESSAGE_LINES][LAUNCHER_MESSAGE_LINE_SIZE];
int g_count;
int g_column;

void end_line()
{
    std::memmove(g_lines[1], g_lines[0], sizeof g_lines - sizeof g_lines[0]);
    std::memset(g_lines[0], 0, sizeof g_lines[0]);
    g_column = 0;
    if (g_count < LAUNCHER_MESSAGE_LINES)
        ++g_count;
}

void add_char(unsigned char c)
{
    g_lines[0][g_column++] = (char)(c < 32 ? ' ' : c);
    if (g_column == LAUNCHER_MESSAGE_LINE_SIZE - 1)
        end_line();
}

} // namespace

void launcher_print_message(const char *format, ...)
{
    char text[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    for (const unsigned char *p = (const unsigned char *)text; *p; ++p) {
        if (*p == '\n') {
            end_line();
        } else if (*p == '\r') {
            std::memset(g_lines[0], 0, sizeof g_lines[0]);
            g_column = 0;
        } else if (*p == '\t') {
            while (g_column % 8 != 0)
                add_char(' ');
        } else {
            add_char(*p);
        }
    }
}

const char *launcher_message_line(int i)
{
    return i >= 0 && i < LAUNCHER_MESSAGE_LINES ? g_lines[i] : "";
}

int launcher_message_count()
{
    return g_count;
}

void launcher_clear_messages()
{
    std::memset(g_lines, 0, sizeof g_lines);
    g_count = 0;
    g_column = 0;
}
