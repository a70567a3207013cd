#include "basics/Tok.h"
#include "basics/vaultfile_obj.h"
#include "kernel/exception.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

// The message of the parser exception thrown by f, or "" when it does not throw one.
std::string parser_error(const std::function<void()> &f)
{
    try {
        f();
    } catch (const parser_exception_c &e) {
        return e.get_message();
    }
    return "";
}

std::string next_identifier(tok_c &t)
{
    char buf[128] = "";
    return t.parse_identifier(buf, sizeof buf) ? buf : "<none>";
}

} // namespace

TEST(tok, integer_forms)
{
    struct
    {
        const char *text;
        int value;
        const char *rest; // the identifier left after the number, if any
    } cases[] = {
        {"0x10", 16, nullptr},       {"010", 8, nullptr},         {"0x1F", 31, nullptr},
        {"09", 0, nullptr},          {"-0x10", 0, "x10"},         {"+7 z", 7, "z"},
        {"-42", -42, nullptr},       {"0xFFFFFFFF", -1, nullptr}, {"4294967295", -1, nullptr},
        {"12abc", 12, "abc"},        {"  /* c */ 5", 5, nullptr},
    };
    for (const auto &c : cases) {
        tok_c t(c.text, 0);
        int v = 12345;
        ASSERT_TRUE(t.parse_int(&v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
        if (c.rest)
            EXPECT_EQ(next_identifier(t), c.rest) << c.text;
        else
            EXPECT_TRUE(t.at_end()) << c.text;
    }
    const std::string digits127(127, '1');
    for (const char *bad : {"-", "x1", ".5", "", digits127.c_str()}) {
        tok_c t(bad, 0);
        int v;
        EXPECT_FALSE(t.parse_int(&v)) << bad;
    }
    tok_c ok(std::string(126, '0').c_str(), 0);
    int v = 1;
    EXPECT_TRUE(ok.parse_int(&v));
    EXPECT_EQ(v, 0);
}

TEST(tok, float_forms_and_suffixes)
{
    struct
    {
        const char *text;
        float value;
        const char *rest;
    } cases[] = {
        {"1.5e-3c", 0.0015f, "c"}, {"90g", 1.5707963f, nullptr}, {"255c", 1.0f, nullptr},
        {"128C", 0.50196f, nullptr}, {"1e", 1.0f, nullptr},    {"-.5", -0.5f, nullptr},
        {"2.5x", 2.5f, "x"},       {"3", 3.0f, nullptr},       {"1.2.3", 1.2f, nullptr},
        {"1E+2", 100.0f, nullptr},
    };
    for (const auto &c : cases) {
        tok_c t(c.text, 0);
        float v = -99;
        ASSERT_TRUE(t.parse_float(&v)) << c.text;
        EXPECT_NEAR(v, c.value, 1e-5) << c.text;
        if (c.rest)
            EXPECT_EQ(next_identifier(t), c.rest) << c.text;
        else
            EXPECT_TRUE(t.at_end()) << c.text;
    }
    for (const char *bad : {".5", "-", "e5", "+", "1e39", "-3.5e38", "340282367000000000000000000000000000000.0",
                            "1e39c"}) {
        tok_c t(bad, 0);
        float v;
        EXPECT_FALSE(t.parse_float(&v)) << bad;
    }
    // A number token reaches at most 126 characters, leading zeros included.
    for (const bool fits : {true, false}) {
        const std::string text = std::string(fits ? 125 : 126, '0') + "5 ";
        tok_c t(text.c_str(), 0);
        float v = -99;
        EXPECT_EQ(t.parse_float(&v), fits ? 1 : 0) << text.size();
        EXPECT_EQ(v, fits ? 5.0f : -99.0f) << text.size();
    }
    // The largest float itself still reads; a literal that overflows fails like a malformed
    // one, at its position.
    tok_c largest("3.40282347e38", 0);
    float v = 0;
    ASSERT_TRUE(largest.parse_float(&v));
    EXPECT_EQ(v, 3.40282347e38f);
    const struct
    {
        const char *text, *message;
    } errors[] = {{"x 1e40;", "L1,7: float expected"}, {"x -e5;", "L1,6: float expected"}};
    for (const auto &e : errors) {
        tok_c t(e.text, 0);
        t.get_identifier();
        std::string message;
        try {
            t.read_float();
        } catch (const parser_exception_c &x) {
            message = x.get_message();
        }
        EXPECT_EQ(message, e.message) << e.text;
    }
}

TEST(tok, infinities_and_nans_only_as_signed_words)
{
    struct
    {
        const char *text;
        float value; // 0 for a NaN
        bool negative;
        const char *rest;
    } cases[] = {
        {"+inf", HUGE_VALF, false, nullptr}, {" -inf;", -HUGE_VALF, true, ";"}, {"+nan]", 0, false, "]"},
        {"-nan", 0, true, nullptr},
    };
    for (const auto &c : cases) {
        tok_c t(c.text, 0);
        float v = -99;
        ASSERT_TRUE(t.parse_float(&v)) << c.text;
        if (c.value == 0)
            EXPECT_TRUE(std::isnan(v)) << c.text;
        else
            EXPECT_EQ(v, c.value) << c.text;
        EXPECT_EQ(std::signbit(v), c.negative) << c.text;
        if (c.rest)
            EXPECT_TRUE(t.accept(c.rest)) << c.text;
        else
            EXPECT_TRUE(t.at_end()) << c.text;
    }
    // Without a sign they stay identifiers; a longer word is no number.
    for (const char *bad : {"inf", "nan", "+info", "-nan2", "+in", "+Inf"}) {
        tok_c t(bad, 0);
        float v;
        EXPECT_FALSE(t.parse_float(&v)) << bad;
    }
}

TEST(tok, floats_come_out_bit_for_bit_as_strtof_gives_them)
{
    // Short plain decimals are converted without strtof; they must not differ from it in a
    // single bit, at the edges of that shortcut and across many random values.
    std::vector<std::string> tokens = {"0",          "-0",         "-0.0",        "5.",          "0.1",
                                       "0.3333333",  "1.0000001",  "16777215",    "16777216",    "16777217",
                                       "1677721.6",  "1677721.7",  "0.0000000001", "0.00000000001", "123456.75",
                                       "-8388608.5", "0.09999999", "3.4028235",   "007.50",      "9999999.9"};
    uint64_t state = 12345;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33);
    };
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + int(next() % 9), point = int(next() % (digits + 1));
        std::string t = next() % 3 ? "" : "-";
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0)
                t += '.';
            t += char('0' + next() % 10);
        }
        tokens.push_back(t);
    }
    for (const std::string &text : tokens) {
        tok_c t(text.c_str(), 0);
        float v = -99;
        ASSERT_TRUE(t.parse_float(&v)) << text;
        const float expected = std::strtof(text.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&v, &expected, sizeof v), 0) << text << ": " << v << " against " << expected;
    }
}

TEST(tok, vectors_and_rects)
{
    tok_c a("[1 2 3]", 0);
    EXPECT_EQ(a.read_vec3(), vec3(1, 2, 3));

    tok_c b("[255c 128c 0c]", 0);
    vec3 v = b.read_vec3();
    EXPECT_NEAR(v.x, 1.0f, 1e-6);
    EXPECT_NEAR(v.y, 0.50196f, 1e-5);
    EXPECT_NEAR(v.z, 0.0f, 1e-6);

    tok_c c("[10 20 30 40]", 0);
    EXPECT_EQ(c.read_rect(), rect(10, 20, 40, 60));

    tok_c d("[0.5 90g]", 0);
    vec2 v2 = d.read_vec2();
    EXPECT_FLOAT_EQ(v2.x, 0.5f);
    EXPECT_NEAR(v2.y, 1.5707963f, 1e-6);

    EXPECT_EQ(parser_error([] { tok_c t("[1 2]", 0); t.read_vec3(); }), "L1,5: 3D vector expected");
    EXPECT_EQ(parser_error([] { tok_c t("(1 2)", 0); t.read_vec2(); }), "L1,1: 2D vector expected");
    EXPECT_EQ(parser_error([] { tok_c t("[1 2 3]", 0); t.read_rect(); }), "L1,7: 2D rect expected");
}

TEST(tok, strings_and_escapes)
{
    struct
    {
        const char *text;
        const char *value;
    } cases[] = {
        {"\"a\\tb\"", "a\tb"},
        {"\"say \\\"hi\\\"\"", "say \"hi\""},
        {"\"a\\nb\\rc\\qd\\\\e\"", "a\nb\rcqd\\e"},
        {"\"line\\\r\nnext\"", "line next"},
        {"\"a\\ b\"", "a b"},
        {"\"\"", ""},
        // A backslash before the closing quote turns it into a stored quote: the string runs on.
        {"\"ab\\\" x", "ab\" x"},
        // An escaped backslash is a stored backslash; the quote after it closes the string.
        {"\"ab\\\\\"", "ab\\"},
        {"\"\\\\\\\"\"", "\\\""},
        // An open string ends with the text.
        {"\"open", "open"},
    };
    for (const auto &c : cases) {
        tok_c t(c.text, 0);
        char buf[64] = "?";
        ASSERT_TRUE(t.parse_string(buf, sizeof buf)) << c.text;
        EXPECT_STREQ(buf, c.value) << c.text;
        EXPECT_TRUE(t.at_end()) << c.text;
    }
    char buf[8];
    tok_c notquoted("abc", 0);
    EXPECT_FALSE(notquoted.parse_string(buf, sizeof buf));
    // len 8 holds at most 6 characters.
    tok_c six("\"abcdef\"", 0);
    EXPECT_TRUE(six.parse_string(buf, sizeof buf));
    tok_c seven("\"abcdefg\"", 0);
    EXPECT_FALSE(seven.parse_string(buf, sizeof buf));
}

// A text copied with its size keeps what follows a zero byte.
TEST(tok, text_with_zero_bytes)
{
    tok_c t(std::string_view("ab\0cd", 5));
    char buf[8];
    ASSERT_TRUE(t.parse_identifier(buf, sizeof buf));
    EXPECT_STREQ(buf, "ab");
    EXPECT_EQ(t.read_char(), 0);
    ASSERT_TRUE(t.parse_identifier(buf, sizeof buf));
    EXPECT_STREQ(buf, "cd");
    EXPECT_TRUE(t.at_end());
}

TEST(tok, comments)
{
    tok_c t("// one \\\r\n two\r\n /* three \r\n four */ five // six\r\n/* open", 0);
    EXPECT_EQ(next_identifier(t), "five");
    EXPECT_EQ(t.line(), 4);
    EXPECT_EQ(t.skip_space(), 1);
    EXPECT_TRUE(t.at_end());

    tok_c u("a/**/b", 0);
    EXPECT_EQ(next_identifier(u), "a");
    EXPECT_EQ(next_identifier(u), "b");
}

TEST(tok, line_numbers_count_pairs_once_and_lone_line_feeds)
{
    auto error_after_two_words = [](const char *text) {
        return parser_error([text] {
            tok_c t(text, 0);
            char buf[16];
            t.read_identifier(buf, sizeof buf);
            t.read_identifier(buf, sizeof buf);
            t.read_int();
        });
    };
    struct
    {
        const char *text;
        const char *error;
    } cases[] = {
        {"a\r\nb\r\n  ?", "L3,3: integer expected"},
        {"a\n\rb\n\r  ?", "L3,3: integer expected"},
        {"a\nb\n  ?", "L3,3: integer expected"},
        {"a\n\nb\r\n\n  ?", "L5,3: integer expected"},
        // A lone CR is not a line break.
        {"a\rb\r  ?", "L1,7: integer expected"},
        // Escaped line breaks count as well, whatever their kind.
        {"a\\\nb\\\r\n  ?", "L3,3: integer expected"},
        {"a // note\nb /* x\ny */ ?", "L3,4: integer expected"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(error_after_two_words(c.text), c.error) << c.text;
}

TEST(tok, escaped_blanks_and_line_continuations_separate_tokens)
{
    tok_c words("a\\\nb\\\r\nc\\ d\\\te", 0);
    for (const char *w : {"a", "b", "c", "d", "e"})
        EXPECT_EQ(next_identifier(words), w);
    EXPECT_TRUE(words.at_end());

    tok_c numbers("7\\ 8", 0);
    EXPECT_EQ(numbers.read_int(), 7);
    EXPECT_EQ(numbers.read_int(), 8);

    float v[3] = {};
    tok_c vector("[1 2\\\n 3]", 0);
    ASSERT_TRUE(vector.parse_vec3(v));
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[2], 3.0f);
    EXPECT_EQ(vector.line(), 2);

    // A backslash before anything else is no white space.
    tok_c other("\\q", 0);
    EXPECT_EQ(other.skip_space(), 0);
    EXPECT_EQ(other.peek_char(), 'q');
}

TEST(tok, identifiers_keep_their_length_limit)
{
    char buf[128];
    std::string w126(126, 'a'), w127(127, 'b');
    tok_c a((w126 + " ").c_str(), 0);
    EXPECT_TRUE(a.parse_identifier(buf, sizeof buf));
    EXPECT_EQ(std::string(buf), w126);
    tok_c b((w127 + " ").c_str(), 0);
    EXPECT_FALSE(b.parse_identifier(buf, sizeof buf));
    tok_c c(w127.c_str(), 0); // ends with the text: one more fits
    EXPECT_TRUE(c.parse_identifier(buf, sizeof buf));
    tok_c d("9lives", 0);
    EXPECT_FALSE(d.parse_identifier(buf, sizeof buf));
    tok_c e("_x9 \xC0", 0);
    EXPECT_EQ(next_identifier(e), "_x9");
    EXPECT_FALSE(e.parse_identifier(buf, sizeof buf));
    EXPECT_EQ(parser_error([] { tok_c t("  {", 0); t.get_identifier(); }), "L1,3: identifier expected");
}

TEST(tok, symbols)
{
    struct
    {
        const char *text;
        std::vector<std::string> symbols;
    } cases[] = {
        {"== -> <= >= :: && || ++ << >> ^^", {"==", "->", "<=", ">=", "::", "&&", "||", "++", "<<", ">>", "^^"}},
        {"!= =<", {"!", "=", "=", "<"}},
        {"...{}[];@#~", {"...", "{", "}", "[", "]", ";", "@", "#", "~"}},
    };
    for (const auto &c : cases) {
        tok_c t(c.text, 0);
        for (const auto &expected : c.symbols) {
            char sym[4];
            ASSERT_TRUE(t.parse_symbol(sym)) << c.text;
            EXPECT_EQ(std::string(sym), expected) << c.text;
        }
        EXPECT_TRUE(t.at_end()) << c.text;
    }
    char sym[4];
    tok_c dots("..x y", 0);
    EXPECT_FALSE(dots.parse_symbol(sym));
    EXPECT_EQ(next_identifier(dots), "y");
    for (const char *not_symbol : {"\"", "\\", "_", "`", "a", "1", "\xC0"}) {
        tok_c t(not_symbol, 0);
        EXPECT_FALSE(t.parse_symbol(sym)) << not_symbol;
    }

    tok_c eq("==", 0);
    EXPECT_FALSE(eq.accept("="));
    EXPECT_TRUE(eq.peek_symbol(sym));
    EXPECT_STREQ(sym, "==");
    EXPECT_TRUE(eq.accept("=="));
    EXPECT_EQ(parser_error([] { tok_c t("a", 0); t.expect(";"); }), "L1,1: ';' expected");
}

TEST(tok, save_levels_are_checked)
{
    tok_c t("x", 0);
    for (int level : {-1, 2}) {
        try {
            t.save(level);
            FAIL() << level;
        } catch (const exception_c &e) {
            EXPECT_EQ(e.get_message(),
                      "Debug assertion failed! Expression: \"level >= 0 && level < TOK_MAX_SAVE_LEVEL\"");
        }
    }
}

TEST(tok, scan_reads_a_statement)
{
    tok_c in("transform scale [1 2 3] angles [0 90g 0] offset [4 5 6]; tex \"a.bmp\" n 0x10 f 2.5 "
             "r [1 2 3 4] p [7 8]",
             0);
    vec3 scale, angles;
    float offset[3], f;
    rect r;
    vec2 p;
    char name[32], id[128];
    int n;
    EXPECT_EQ(tok_c::scan(&in, "transform scale @vec3 angles @vec3 offset @vec3 ;", &scale, &angles, &offset), 1);
    EXPECT_EQ(scale, vec3(1, 2, 3));
    EXPECT_NEAR(angles.y, 1.5707963f, 1e-6);
    EXPECT_FLOAT_EQ(offset[0], 4);
    tok_c::scan(&in, "@id @str 32 n @int f @float r @rect p @vec2", &id, &name, &n, &f, &r, &p);
    EXPECT_STREQ(id, "tex");
    EXPECT_STREQ(name, "a.bmp");
    EXPECT_EQ(n, 16);
    EXPECT_FLOAT_EQ(f, 2.5f);
    EXPECT_EQ(r, rect(1, 2, 4, 6));
    EXPECT_EQ(p, vec2(7, 8));
    EXPECT_TRUE(in.at_end());
}

TEST(tok, scan_string_and_identifier_limits)
{
    char s[32], id[128];
    std::string s30 = "\"" + std::string(30, 's') + "\"", s31 = "\"" + std::string(31, 's') + "\"";
    tok_c ok(s30.c_str(), 0);
    tok_c::scan(&ok, "@str 32", &s);
    EXPECT_EQ(std::string(s), std::string(30, 's'));
    EXPECT_EQ(parser_error([&] { tok_c t(s31.c_str(), 0); tok_c::scan(&t, "@str 32", &s); }),
              "L1,33: quoted string expected");

    std::string w126 = std::string(126, 'w') + ";";
    tok_c idt(w126.c_str(), 0);
    tok_c::scan(&idt, "@id ;", &id);
    EXPECT_EQ(std::string(id), std::string(126, 'w'));
}

TEST(tok, scan_errors)
{
    EXPECT_EQ(parser_error([] {
                  tok_c t("textur x", 0);
                  char id[128];
                  tok_c::scan(&t, "texture @id", &id);
              }),
              "L1,7: identifier 'texture' expected, 'textur' found");
    struct
    {
        const char *format;
        const char *message;
    } formats[] = {
        {"a @", "Pos 4: Invalid format, parameter definition expected after '@'"},
        {"a @str ;", "Pos 8: Invalid format, maximum string length expected"},
        {"a @rectangle", "Pos 13: Invalid format, unknown parameter definition ('rectangle')"},
        {"a \"q\"", "Pos 3: Invalid format, symbol or parameter definition expected"},
    };
    for (const auto &f : formats) {
        EXPECT_EQ(parser_error([&] {
                      tok_c t("a b", 0);
                      char buf[128];
                      tok_c::scan(&t, f.format, &buf);
                  }),
                  f.message);
    }
}

TEST(tok, scan_checks_its_destinations)
{
    auto assertion = [](const std::function<void()> &f) {
        try {
            f();
        } catch (const parser_exception_c &) {
            return std::string("parser");
        } catch (const exception_c &e) {
            return e.get_message();
        }
        return std::string();
    };
    EXPECT_EQ(assertion([] {
                  tok_c t("name", 0);
                  char small[64];
                  tok_c::scan(&t, "@id", &small);
              }),
              "Debug assertion failed! Expression: \"arg.bytes >= bytes\"");
    EXPECT_EQ(assertion([] {
                  tok_c t("\"abc\"", 0);
                  char small[16];
                  tok_c::scan(&t, "@str 32", &small);
              }),
              "Debug assertion failed! Expression: \"arg.bytes >= bytes\"");
    EXPECT_EQ(assertion([] {
                  tok_c t("[1 2 3]", 0);
                  float two[2];
                  tok_c::scan(&t, "@vec3", &two);
              }),
              "Debug assertion failed! Expression: \"arg.bytes >= bytes\"");
    EXPECT_EQ(assertion([] {
                  tok_c t("1 2", 0);
                  int a;
                  tok_c::scan(&t, "@int @int", &a);
              }),
              "Debug assertion failed! Expression: \"next_arg < count\"");
}

TEST(tok, reads_a_whole_file_behind_the_data_directory)
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "tok_file_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    fs::path old = fs::current_path();
    fs::current_path(pattern);
    set_data_directory("data");
    fs::create_directories("data/scripts");
    std::ofstream("data/scripts/t.isc", std::ios::binary) << "first\r\n  second";

    tok_c t("scripts/t.isc");
    EXPECT_EQ(next_identifier(t), "first");
    EXPECT_EQ(next_identifier(t), "second");
    EXPECT_EQ(t.line(), 2);
    EXPECT_TRUE(t.at_end());
    std::string missing;
    try {
        tok_c none("scripts/none.isc");
    } catch (const file_io_exception_c &e) {
        missing = e.get_message();
    }
    EXPECT_EQ(missing, "Could not open file 'data/scripts/none.isc'");
    fs::current_path(old);
    fs::remove_all(pattern);
}

// What the fast paths take in one stride (runs of blanks, plain numbers, identifiers and
// string characters, one-character symbols) must end exactly where reading character by
// character would: at line breaks of every kind, at the end of the text, at a backslash.
TEST(tok, strides_end_where_characters_would)
{
    // Each token read by the reader its first character suggests, with its position after.
    auto trace = [](const std::string &text) {
        tok_c t{std::string_view(text)};
        std::string out;
        char buf[64];
        while (!t.skip_space()) {
            const int c = t.peek_char();
            float f = 0;
            if (std::isalpha(c) || c == '_')
                out += t.parse_identifier(buf, sizeof buf) ? buf : "?";
            else if (std::isdigit(c) || c == '-' || c == '+')
                out += t.parse_float(&f) ? std::to_string(f) : "?";
            else if (c == '"')
                out += t.parse_string(buf, sizeof buf) ? "'" + std::string(buf) + "'" : "?";
            else
                out += t.accept("=") ? "=" : t.parse_symbol(buf) ? buf : "?";
            out += "@" + std::to_string(t.line()) + "," + std::to_string(t.column()) + " ";
        }
        return out + "end@" + std::to_string(t.line()) + "," + std::to_string(t.column());
    };
    const std::string blanks20(20, ' ');
    struct
    {
        std::string text, tokens;
    } cases[] = {
        {"a\r", "a@1,2 end@1,3"},
        {"a\n\r", "a@1,2 end@2,1"},
        {"a\r\n\r", "a@1,2 end@2,2"},
        {"a\r\n" + blanks20 + "b\r\n", "a@1,2 b@2,22 end@3,1"},
        {"a" + std::string(9, ' '), "a@1,2 end@1,11"},
        {std::string(7, ' ') + "x", "x@1,9 end@1,9"},
        {"  \t   \t        y\n", "y@1,17 end@2,1"},
        {"12\\3 -7", "123.000000@1,5 -7.000000@1,8 end@1,8"},
        {"1.5\\\n2", "1.500000@1,4 2.000000@2,2 end@2,2"},
        {"1.5\r\n2.5c", "1.500000@1,4 0.009804@2,5 end@2,5"},
        {"\"ab\\\"c\\q\"\r\n", "'ab\"cq'@1,10 end@2,1"},
        {"= =< == << <=", "=@1,2 =@1,4 <@1,5 ==@1,8 <<@1,11 <=@1,14 end@1,14"},
        {"ab\\\ncd", "ab@1,3 cd@2,3 end@2,3"},
        {"ab\\cd", "abcd@1,6 end@1,6"},
        {"int x = 5;", "int@1,4 x@1,6 =@1,8 5.000000@1,10 ;@1,11 end@1,11"},
        {"a /b", "a@1,2 /@1,4 b@1,5 end@1,5"},
        {"a \\ b", "a@1,2 b@1,6 end@1,6"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(trace(c.text), c.tokens) << c.text;
}
