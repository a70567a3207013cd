#include "basics/Tok.h"

#include "kernel/exception.h"

#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Numbers are collected into a stack buffer of this size; a token that reaches one less fails.
constexpr int number_buffer = 128;
constexpr int identifier_buffer = 128;

bool is_space(int c)
{
    return c == 9 || c == 10 || c == 13 || c == 32;
}

bool is_digit(int c)
{
    return c >= '0' && c <= '9';
}

bool is_hex_digit(int c)
{
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Character classes, one table lookup each: the readers below test them for every byte.
enum : uint8_t {
    IDENTIFIER_FIRST = 1,  // a letter or '_'
    IDENTIFIER_NEXT = 2,   // those and the digits
    SYMBOL = 4,
};

constexpr auto char_classes = [] {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        if (letter)
            table[size_t(c)] |= IDENTIFIER_FIRST | IDENTIFIER_NEXT;
        if (c >= '0' && c <= '9')
            table[size_t(c)] |= IDENTIFIER_NEXT;
        if (c == '!' || (c >= '#' && c <= '/') || (c >= ':' && c <= '@') || c == '[' || c == ']' || c == '^' ||
            (c >= '{' && c <= '~'))
            table[size_t(c)] |= SYMBOL;
    }
    return table;
}();

// c is a byte (0..255) or -1 past the end, which is in no class.
bool in_class(int c, uint8_t which)
{
    return c >= 0 && (char_classes[size_t(c) & 0xff] & which);
}

bool is_identifier_char(int c, bool first)
{
    return in_class(c, first ? IDENTIFIER_FIRST : IDENTIFIER_NEXT);
}

bool is_symbol_char(int c)
{
    return in_class(c, SYMBOL);
}

// The index of the first byte of `word` (in memory order) that is not zero; word != 0.
int non_zero_byte_index(uint64_t word)
{
    const uint64_t low7 = 0x7f7f7f7f7f7f7f7full;
    const uint64_t high = ~(((word & low7) + low7) | word | low7);  // 0x80 where a byte is zero
    const uint64_t set = ~high & ~low7;                            // 0x80 where it is not
    if constexpr (std::endian::native == std::endian::little)
        return __builtin_ctzll(set) / 8;
    else
        return __builtin_clzll(set) / 8;
}

bool is_line_break_pair(int a, int b)
{
    return (a == '\n' && b == '\r') || (a == '\r' && b == '\n');
}

// A plain decimal ("12", "-0.5", "3.") from p on, without strtof, where that gives the same
// float: an integer part and fraction whose digits make a whole number m below 2^24, with at
// most 10 digits after the point, is m / 10^k of two floats that are both exact, one correctly
// rounded division, as strtof rounds the decimal value itself. Reads a sign, then digits and
// points up to end or the first other character and returns where it stopped; null for
// anything that is not such a number (no digit, more digits, a second point), which is left to
// strtof.
const char *plain_decimal(const char *p, const char *end, float *out)
{
    static const float powers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-'))
        ++p;
    uint32_t m = 0;
    int digits = 0, fraction = 0;
    bool point = false;
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            m = m * 10 + uint32_t(*p - '0');
            if (m > (1u << 24))
                return nullptr;
            ++digits;
            fraction += point;
        } else if (*p == '.') {
            if (point)
                return nullptr;
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0 || fraction > 10)
        return nullptr;
    const float value = float(m) / powers[fraction];
    *out = negative ? -value : value;
    return p;
}

// Whether the symbol character c and the character after it make one symbol of two: "&&",
// "++", "::", "<<", "==", ">>", "^^", "||", "<=", ">=" and "->".
bool joins(int c, int next)
{
    switch (next) {
    case '&': case '+': case ':': case '<': case '^': case '|':
        return c == next;
    case '=':
        return c == '=' || c == '<' || c == '>';
    case '>':
        return c == '>' || c == '-';
    default:
        return false;
    }
}

[[noreturn]] void throw_format_error(tok_c &format, const std::string &what)
{
    ENGINE_THROW(parser_exception_c, "Pos " + std::to_string(format.column()) + ": " + what);
}

} // namespace

tok_c::tok_c(const char *text, int)
    : m_data(nullptr), m_pos(0), m_size(0), m_escapes(1), m_line(1), m_column(1), m_saved(), m_position_text()
{
    size_t length = text ? std::strlen(text) : 0;
    m_data = new char[length + 1];
    if (length)
        std::memcpy(m_data, text, length);
    m_data[length] = 0;
    m_size = (int)length;
}

tok_c::tok_c(std::string_view text)
    : m_data(nullptr), m_pos(0), m_size(0), m_escapes(1), m_line(1), m_column(1), m_saved(), m_position_text()
{
    if (text.size() >= (size_t)INT_MAX)
        ENGINE_THROW(parser_exception_c, "Text is too large");
    m_data = new char[text.size() + 1];
    if (!text.empty())
        std::memcpy(m_data, text.data(), text.size());
    m_data[text.size()] = 0;
    m_size = (int)text.size();
}

tok_c::~tok_c()
{
    delete[] m_data;
}

void tok_c::save(int level)
{
    ENGINE_ASSERT(level >= 0 && level < TOK_MAX_SAVE_LEVEL);
    m_saved[level] = {m_pos, m_line, m_column};
}

void tok_c::restore(int level)
{
    ENGINE_ASSERT(level >= 0 && level < TOK_MAX_SAVE_LEVEL);
    m_pos = m_saved[level].pos;
    m_line = m_saved[level].line;
    m_column = m_saved[level].column;
}

const char *tok_c::position_string()
{
    std::snprintf(m_position_text, sizeof m_position_text, "L%d,%d", m_line, m_column);
    return m_position_text;
}

void tok_c::fail(const char *what)
{
    ENGINE_THROW(parser_exception_c, std::string(position_string()) + what);
}

int tok_c::read_char_decoded()
{
    if (at_end())
        return 0;
    int c = (unsigned char)m_data[m_pos];
    m_pos++;
    m_column++;
    if (m_escapes && c == '\\' && !at_end()) {
        int next = (unsigned char)m_data[m_pos];
        if (next == '"')
            return c;
        m_pos++;
        m_column++;
        switch (next) {
        case 'n':
            return 10;
        case 'r':
            return 13;
        case 't':
            return 9;
        case '\n':
        case '\r':
            if (is_line_break_pair(next, peek_raw(0)))
                m_pos++;
            m_line++;
            m_column = 1;
            return 32;
        case ' ':
        case '\t':
            return 32;
        default:
            return next;
        }
    }
    if (is_line_break_pair(c, peek_raw(0))) {
        m_pos++;
        m_line++;
        m_column = 1;
        return 13;
    }
    // Files written on Linux end their lines with a lone LF; a lone CR stays a plain character.
    if (c == '\n') {
        m_line++;
        m_column = 1;
    }
    return c;
}

int tok_c::peek_char_decoded()
{
    save(1);
    int c = read_char();
    restore(1);
    return c;
}

void tok_c::skip_line_comment()
{
    m_escapes = 0;
    int previous = 0;
    while (!at_end()) {
        int c = read_char();
        if ((c == '\n' || c == '\r') && previous != '\\')
            break;
        previous = c;
    }
    m_escapes = 1;
}

void tok_c::skip_block_comment()
{
    m_pos += 2;
    while (!at_end()) {
        if (peek_raw(0) == '*' && peek_raw(1) == '/') {
            m_pos += 2;
            return;
        }
        read_char();
    }
}

int tok_c::skip_space_run()
{
    for (;;) {
        // White space that needs no decoding, the line breaks counted as read_char counts them;
        // kept in locals, which the compiler cannot keep members in across the loop.
        const char *const data = m_data;
        const int size = m_size;
        int pos = m_pos, line = m_line, column = m_column;
        while (pos < size) {
            const char c = data[pos];
            if (c == ' ' || c == '\t') {
                pos++;
                column++;
                // A longer run of blanks (indentation, mostly) is measured eight bytes at a
                // time: the first byte that is not a blank ends it, found without a branch per
                // byte.
                uint64_t eight;
                int blanks = 8;
                while (blanks == 8 && pos + 8 <= size && data[pos] == ' ') {
                    std::memcpy(&eight, data + pos, 8);
                    const uint64_t other = eight ^ 0x2020202020202020ull;
                    blanks = other ? non_zero_byte_index(other) : 8;
                    pos += blanks;
                    column += blanks;
                }
            } else if (c == '\n' || c == '\r') {
                const char next = pos + 1 < size ? data[pos + 1] : 0;
                if (is_line_break_pair(c, next)) {
                    pos += 2;
                } else {
                    pos++;
                    if (c == '\r') {  // a lone CR is a plain character, white space all the same
                        column++;
                        continue;
                    }
                }
                line++;
                column = 1;
            } else {
                break;
            }
        }
        m_pos = pos;
        m_line = line;
        m_column = column;
        if (pos >= size)
            return 1;
        const int c = (unsigned char)data[pos];
        if (c == '/' && peek_raw(1) == '/')
            skip_line_comment();
        else if (c == '/' && peek_raw(1) == '*')
            skip_block_comment();
        else if (c == '\\' && is_space(peek_char()))
            read_char();
        else
            return 0;
    }
}

int tok_c::parse_identifier(char *buf, int len)
{
    skip_space();
    // Identifier characters stand for themselves: they are taken in locals, since stores
    // through buf may alias the members.
    const char *const data = m_data;
    const int start = m_pos, size = m_size;
    const int limit = len - 1 < size - start ? start + len - 1 : size;  // the buffer's room or the end
    int pos = start, n = 0;
    if (pos < limit && is_identifier_char((unsigned char)data[pos], true)) {
        buf[n++] = data[pos++];
        while (pos < limit && is_identifier_char((unsigned char)data[pos], false))
            buf[n++] = data[pos++];
    }
    m_pos = pos;
    m_column += pos - start;
    while (!at_end()) {
        if (n + 1 >= len)
            return 0;
        int c = (unsigned char)m_data[m_pos];
        if (is_identifier_char(c, n == 0)) {
            m_pos++;
            m_column++;
        } else if (c != '\\') {
            break;  // a line break or any other character ends it, as it decodes to itself
        } else {
            c = peek_char();
            if (!is_identifier_char(c, n == 0))
                break;
            read_char();
        }
        buf[n++] = (char)c;
    }
    if (n == 0)
        return 0;
    buf[n] = 0;
    return 1;
}

int tok_c::peek_identifier(char *buf, int len)
{
    save(0);
    int result = parse_identifier(buf, len);
    restore(0);
    return result;
}

// Collects a number token; for a float it also reads the suffix and reports its factor.
// Returns 0 when the token cannot start here or reaches 127 characters, 2 for a hexadecimal
// integer, else 1; the token is zero-terminated.
int tok_c::collect_number(char *token, bool is_float, float *factor)
{
    skip_space();
    // Most numbers are a sign, digits and a point, ended by a character that is neither a
    // backslash nor the start of a suffix: those are taken raw. Anything else is read again
    // below, through the decoding readers.
    {
        const char *const data = m_data;
        const int start = m_pos, size = m_size;
        int pos = start;
        const bool starts = pos < size && (is_digit(data[pos]) || data[pos] == '+' || data[pos] == '-');
        if (starts && !is_digit(data[pos]))
            pos++;
        while (pos < size && pos - start < number_buffer - 1 &&
               (is_digit(data[pos]) || (is_float && data[pos] == '.')))
            pos++;
        const int n = pos - start;
        const int end = pos < size ? (unsigned char)data[pos] : 0;
        const bool suffix = is_float ? end == 'e' || end == 'E' || end == 'c' || end == 'C' || end == 'g' ||
                                           end == 'G'
                                     : end == 'x' || end == 'X';
        if (starts && n < number_buffer - 1 && end != '\\' && !suffix) {
            std::memcpy(token, data + start, size_t(n));
            token[n] = 0;
            m_pos = pos;
            m_column += n;
            if (is_float)
                *factor = 1.0f;
            return 1;
        }
    }
    int n = 0;
    bool too_long = false;
    auto take = [&] {
        if (too_long)
            return;
        token[n++] = (char)read_char();
        too_long = n >= number_buffer - 1;
    };
    int c = peek_char();
    if (!is_digit(c) && c != '+' && c != '-')
        return 0;
    if (c == '+' || c == '-')
        take();
    bool hex = false;
    for (; !too_long; take()) {
        c = peek_char();
        if (!is_float && n == 1 && !hex && (c == 'x' || c == 'X'))
            hex = true;
        else if (is_float ? !(is_digit(c) || c == '.') : !(hex ? is_hex_digit(c) : is_digit(c)))
            break;
    }
    if (is_float && !too_long) {
        *factor = 1.0f;
        if (c == 'e' || c == 'E') {
            take();
            c = peek_char();
            if (c == '+' || c == '-')
                take();
            while (!too_long && is_digit(peek_char()))
                take();
        } else if (c == 'c' || c == 'C') {
            read_char();
            *factor = 0.00392156862745098f;
        } else if (c == 'g' || c == 'G') {
            read_char();
            *factor = 0.017453292f;
        }
    }
    if (too_long)
        return 0;
    token[n] = 0;
    return hex ? 2 : 1;
}

int tok_c::parse_int(int *out)
{
    char token[number_buffer];
    int kind = collect_number(token, false, nullptr);
    if (!kind)
        return 0;
    char *end = nullptr;
    long value = kind == 2 ? (long)std::strtoul(token, &end, 16) : std::strtol(token, &end, 0);
    if (end == token)
        return 0;
    *out = (int)value;
    return 1;
}

int tok_c::parse_float(float *out)
{
    char token[number_buffer];
    float factor = 1.0f;
    // "+inf", "-inf", "+nan", "-nan": how configuration files keep values no literal can
    // spell. The sign is required, so no identifier ever reads as a number.
    skip_space();
    const int sign = peek_raw(0);
    if ((sign == '+' || sign == '-') && !is_identifier_char(peek_raw(4), false)) {
        const char word[4] = {char(peek_raw(1)), char(peek_raw(2)), char(peek_raw(3)), 0};
        const bool infinite = std::strcmp(word, "inf") == 0;
        if (infinite || std::strcmp(word, "nan") == 0) {
            for (int i = 0; i < 4; ++i)
                read_char();
            const float value = infinite ? HUGE_VALF : std::nanf("");
            *out = sign == '-' ? -value : value;
            return 1;
        }
    }
    // Most numbers are plain decimals that a character outside them ends (not a backslash, not
    // a suffix): taken here from the text as collect_number and plain_decimal would take them.
    if (sign == '+' || sign == '-' || is_digit(sign)) {
        const char *const start = m_data + m_pos;
        float value;
        const char *const end = plain_decimal(start, m_data + m_size, &value);
        if (end && end - start < number_buffer - 1) {
            const int next = end < m_data + m_size ? (unsigned char)*end : 0;
            if (next != '\\' && next != 'e' && next != 'E' && next != 'c' && next != 'C' && next != 'g' &&
                next != 'G') {
                m_pos += int(end - start);
                m_column += int(end - start);
                *out = value;
                return 1;
            }
        }
    }
    if (!collect_number(token, true, &factor))
        return 0;
    float value;
    const size_t length = std::strlen(token);
    if (plain_decimal(token, token + length, &value) != token + length) {
        char *end = nullptr;
        value = std::strtof(token, &end);
        // A literal too large for a float is as wrong as a malformed one: only the signed
        // words above may give an infinity.
        if (end == token || std::isinf(value))
            return 0;
    }
    *out = value * factor;
    return 1;
}

int tok_c::parse_vec2(float *out)
{
    return accept("[") && parse_float(&out[0]) && parse_float(&out[1]) && accept("]");
}

int tok_c::parse_vec3(float *out)
{
    return accept("[") && parse_float(&out[0]) && parse_float(&out[1]) && parse_float(&out[2]) && accept("]");
}

int tok_c::parse_rect(rect *out)
{
    float xywh[4];
    if (!(accept("[") && parse_float(&xywh[0]) && parse_float(&xywh[1]) && parse_float(&xywh[2]) &&
          parse_float(&xywh[3]) && accept("]")))
        return 0;
    *out = rect(xywh[0], xywh[1], xywh[0] + xywh[2], xywh[1] + xywh[3]);
    return 1;
}

int tok_c::parse_string(char *buf, int len)
{
    skip_space();
    if (read_char() != '"')
        return 0;
    // Characters that stand for themselves, up to the closing quote, taken in locals.
    const char *const data = m_data;
    const int start = m_pos, size = m_size;
    int pos = start, n = 0;
    for (; pos < size && n + 1 < len; ++pos) {
        const char c = data[pos];
        if (c == '"' || !is_plain(c))
            break;
        buf[n++] = c;
    }
    m_pos = pos;
    m_column += pos - start;
    for (;;) {
        if (n + 1 >= len)
            return 0;
        if (at_end())
            break;
        int c;
        if (peek_raw(0) == '\\' && peek_raw(1) == '"') {
            // An escaped quote; an escaped backslash before the closing quote is no such thing.
            m_pos += 2;
            m_column += 2;
            c = '"';
        } else {
            c = read_char();
            if (c == '"')
                break;
        }
        buf[n++] = (char)c;
    }
    buf[n] = 0;
    return 1;
}

int tok_c::parse_symbol(char *out)
{
    skip_space();
    int c = peek_raw(0);
    if (!is_symbol_char(c))
        return 0;
    read_char();
    int n = 0;
    out[n++] = (char)c;
    int next = peek_raw(0);
    if (c == '.' && next == '.') {
        read_char();
        int third = read_char();
        if (third != '.')
            return 0;
        out[n++] = '.';
        out[n++] = '.';
    } else if (joins(c, next)) {
        out[n++] = (char)read_char();
    }
    out[n] = 0;
    return 1;
}

int tok_c::peek_symbol(char *out)
{
    save(0);
    int result = parse_symbol(out);
    restore(0);
    return result;
}

int tok_c::accept(const char *sym)
{
    skip_space();
    // A symbol begins with its raw character (a backslash is none): a different first
    // character cannot give sym.
    const int c = peek_raw(0);
    if (c != (unsigned char)sym[0])
        return 0;
    // A one-character symbol whose next character does not join it (as parse_symbol joins
    // them) is taken at once.
    if (sym[1] == 0 && c != '.' && is_symbol_char(c) && !joins(c, peek_raw(1))) {
        m_pos++;
        m_column++;
        return 1;
    }
    char found[4];
    save(0);
    if (parse_symbol(found) && std::strcmp(found, sym) == 0)
        return 1;
    restore(0);
    return 0;
}

void tok_c::expect(const char *sym)
{
    if (!accept(sym))
        fail((std::string(": '") + sym + "' expected").c_str());
}

void tok_c::read_identifier(char *buf, int len)
{
    if (!parse_identifier(buf, len))
        fail(": identifier expected");
}

const char *tok_c::get_identifier()
{
    static char buffer[identifier_buffer];
    read_identifier(buffer, sizeof buffer);
    return buffer;
}

int tok_c::read_int()
{
    int value = 0;
    if (!parse_int(&value))
        fail(": integer expected");
    return value;
}

float tok_c::read_float()
{
    float value = 0;
    if (!parse_float(&value))
        fail(": float expected");
    return value;
}

vec2 tok_c::read_vec2()
{
    float v[2];
    if (!parse_vec2(v))
        fail(": 2D vector expected");
    return vec2(v[0], v[1]);
}

vec3 tok_c::read_vec3()
{
    float v[3];
    if (!parse_vec3(v))
        fail(": 3D vector expected");
    return vec3(v[0], v[1], v[2]);
}

rect tok_c::read_rect()
{
    rect r;
    if (!parse_rect(&r))
        fail(": 2D rect expected");
    return r;
}

void tok_c::read_string(char *buf, int len)
{
    if (!parse_string(buf, len))
        fail(": quoted string expected");
}

int tok_c::scan_args(tok_c *input, const char *format, const scan_arg *args, int count)
{
    tok_c pattern(format, 0);
    int next_arg = 0;
    // The next destination, which must offer at least `bytes` bytes.
    auto destination = [&](size_t bytes) {
        ENGINE_ASSERT(next_arg < count);
        const scan_arg &arg = args[next_arg++];
        ENGINE_ASSERT(arg.bytes >= bytes);
        return arg.ptr;
    };
    char word[identifier_buffer];
    char sym[4];
    for (;;) {
        if (pattern.skip_space())
            return 1;
        if (pattern.peek_symbol(sym)) {
            pattern.parse_symbol(sym);
            if (std::strcmp(sym, "@") != 0) {
                input->expect(sym);
                continue;
            }
            if (!pattern.parse_identifier(word, sizeof word))
                throw_format_error(pattern, "Invalid format, parameter definition expected after '@'");
            if (std::strcmp(word, "int") == 0) {
                int value = input->read_int();
                std::memcpy(destination(sizeof value), &value, sizeof value);
            } else if (std::strcmp(word, "float") == 0) {
                float value = input->read_float();
                std::memcpy(destination(sizeof value), &value, sizeof value);
            } else if (std::strcmp(word, "vec2") == 0) {
                vec2 value = input->read_vec2();
                std::memcpy(destination(sizeof value), &value, sizeof value);
            } else if (std::strcmp(word, "vec3") == 0) {
                vec3 value = input->read_vec3();
                std::memcpy(destination(sizeof value), &value, sizeof value);
            } else if (std::strcmp(word, "rect") == 0) {
                rect value = input->read_rect();
                std::memcpy(destination(sizeof value), &value, sizeof value);
            } else if (std::strcmp(word, "id") == 0) {
                input->read_identifier((char *)destination(identifier_buffer), identifier_buffer);
            } else if (std::strcmp(word, "str") == 0) {
                int size = 0;
                if (!pattern.parse_int(&size) || size <= 0)
                    throw_format_error(pattern, "Invalid format, maximum string length expected");
                input->read_string((char *)destination((size_t)size), size);
            } else {
                throw_format_error(pattern, std::string("Invalid format, unknown parameter definition ('") + word +
                                                "')");
            }
        } else if (pattern.peek_identifier(word, sizeof word)) {
            pattern.parse_identifier(word, sizeof word);
            char found[identifier_buffer];
            input->read_identifier(found, sizeof found);
            if (std::strcmp(found, word) != 0)
                input->fail((std::string(": identifier '") + word + "' expected, '" + found + "' found").c_str());
        } else {
            throw_format_error(pattern, "Invalid format, symbol or parameter definition expected");
        }
    }
}
