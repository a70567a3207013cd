// The tokenizer that reads every text format of the engine (.isc scripts, model definitions,
// sound descriptions). It holds a whole text in memory (loaded through the file object or
// copied from a string; not zero-terminated, only pos and size count) and reads it in three
// layers:
//  - characters: backslash escapes are decoded and lines are counted; a CR LF or LF CR pair
//    and a lone LF each start one new line, a lone CR does not;
//  - tokens: white space (decoded, so an escaped blank or a backslash before a line break
//    separates tokens too) and comments ("//" to the end of the line, a backslash before the
//    break continuing it; "/*" to "*/", not nested), identifiers, integers, floats (suffix c
//    divides by 255, suffix g turns degrees into radians), [vectors], [rects], "strings" and
//    symbols. Every token has a testing reader (parse_*, returns 0 or 1, may have consumed
//    characters on 0) and a demanding one (read_*, expect, throws parser_exception_c whose
//    message starts with the position "L<line>,<column>");
//  - scan: matches a whole statement against a pattern such as
//    "transform scale @vec3 angles @vec3 offset @vec3 ;". Parameters: @int, @float, @vec2,
//    @vec3, @rect, @id (an identifier, up to 126 characters) and @str N (a quoted string into
//    N bytes, zero included). Each parameter takes the next argument, a pointer to its
//    destination: &an_int, &a_float, &a_vec2 or &float[2], &a_vec3 or &float[3], &a_rect or
//    &float[4], and for @id and @str the address of the whole char array (&name, not name),
//    at least 128 bytes for @id and at least N bytes for @str N. The sizes travel with the
//    pointers: a destination too small for its parameter, or a missing one, fails an
//    assertion before anything is written.
// Numbers are converted in the "C" locale with strtol/strtoul/strtof: a leading 0 means octal,
// 0x hexadecimal, and values that do not fit an int wrap (0xFFFFFFFF reads as -1). A float may
// also be written "+inf", "-inf", "+nan" or "-nan" (the sign is required).
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>

#include "basics/rect.h"
#include "basics/vec3.h"

constexpr int TOK_MAX_SAVE_LEVEL = 2;

class tok_c
{
public:
    // Reads the whole file (behind the data directory) into memory; file errors pass through.
    explicit tok_c(const char *file_name);
    // Copies a zero-terminated text; the integer is ignored.
    tok_c(const char *text, int);
    // Copies a text of any bytes, zeros included.
    explicit tok_c(std::string_view text);
    ~tok_c();
    tok_c(const tok_c &) = delete;
    tok_c &operator=(const tok_c &) = delete;

    void save(int level);
    void restore(int level);
    int at_end() const { return m_pos >= m_size; }
    int column() const { return m_column; }
    int line() const { return m_line; }
    // "L" + line + "," + column.
    const char *position_string();

    // Characters (0 at the end of the text). Bytes come back as 0..255. A character that is
    // neither a backslash nor a line break stands for itself: it is taken here, the rest is
    // decoded out of line.
    int read_char()
    {
        if (m_pos < m_size && is_plain(m_data[m_pos])) {
            m_column++;
            return (unsigned char)m_data[m_pos++];
        }
        return read_char_decoded();
    }
    int peek_char()
    {
        if (m_pos < m_size && is_plain(m_data[m_pos]))
            return (unsigned char)m_data[m_pos];
        return peek_char_decoded();
    }
    // 1 when the end of the text was reached, 0 when a non-space character is next. A printable
    // character that starts no comment and no escape is answered here.
    int skip_space()
    {
        if (m_pos < m_size) {
            const char c = m_data[m_pos];
            if (starts_token(c))
                return 0;
            // One blank between two tokens, the most common white space of all.
            if (c == ' ' && m_pos + 1 < m_size && starts_token(m_data[m_pos + 1])) {
                m_pos++;
                m_column++;
                return 0;
            }
        }
        return skip_space_run();
    }

    // Testing readers.
    int parse_identifier(char *buf, int len);
    int peek_identifier(char *buf, int len);
    int parse_int(int *out);
    int parse_float(float *out);
    int parse_vec2(float *out);
    int parse_vec3(float *out);
    // left, top, right, bottom from the text's x, y, w, h.
    int parse_rect(rect *out);
    int parse_string(char *buf, int len);
    // out holds at least 4 bytes.
    int parse_symbol(char *out);
    int peek_symbol(char *out);
    int accept(const char *sym);

    // Demanding readers.
    void expect(const char *sym);
    void read_identifier(char *buf, int len);
    // One static buffer of 128 characters, overwritten by the next call.
    const char *get_identifier();
    int read_int();
    float read_float();
    vec2 read_vec2();
    vec3 read_vec3();
    rect read_rect();
    void read_string(char *buf, int len);

    // One destination of scan: its address and how many bytes it offers.
    struct scan_arg
    {
        void *ptr;
        size_t bytes;
    };
    template <class... A> static int scan(tok_c *input, const char *format, A *...args)
    {
        scan_arg table[sizeof...(A) + 1] = {make_scan_arg(args)..., {nullptr, 0}};
        return scan_args(input, format, table, (int)sizeof...(A));
    }
    static int scan_args(tok_c *input, const char *format, const scan_arg *args, int count);

private:
    template <class T> static scan_arg make_scan_arg(T *dest)
    {
        static_assert(!std::is_same_v<T, char>, "pass the address of the whole char array (&name)");
        static_assert(!std::is_const_v<T>, "scan needs writable destinations");
        return {(void *)dest, sizeof(T)};
    }

    static bool is_plain(char c) { return c != '\\' && c != '\n' && c != '\r'; }
    // A printable character that starts no comment and no escape: skip_space stops before it.
    static bool starts_token(char c) { return c > ' ' && c != '/' && c != '\\'; }
    int skip_space_run();
    int read_char_decoded();
    int peek_char_decoded();
    [[noreturn]] void fail(const char *what);
    // The byte `ahead` places on, undecoded; -1 past the end.
    int peek_raw(int ahead) const { return m_pos + ahead < m_size ? (unsigned char)m_data[m_pos + ahead] : -1; }
    void skip_line_comment();
    void skip_block_comment();
    int collect_number(char *token, bool is_float, float *factor);

    struct saved_position
    {
        int pos, line, column;
    };
    char *m_data;
    int m_pos;
    int m_size;
    int m_escapes;
    int m_line;
    int m_column;
    saved_position m_saved[TOK_MAX_SAVE_LEVEL];
    char m_position_text[32];
};
