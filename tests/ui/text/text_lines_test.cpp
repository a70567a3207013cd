#include "ui/ui_text_lines.h"

#include "tests/ui/ui_fixture.h"

#include <cstring>

namespace {

std::vector<std::string> lines_of(const text_lines_c &t)
{
    std::vector<std::string> out;
    for (int i = 0; i < t.line_count(); ++i)
        out.push_back(t.line_text(i));
    return out;
}

// Every byte 10 pixels wide.
int ten_per_byte(const char *text)
{
    return 10 * int(std::strlen(text));
}

} // namespace

TEST(text_lines, line_feeds_end_lines_and_other_control_bytes_show_as_spaces)
{
    struct
    {
        const char *what;
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"one line", "Hello", {"Hello"}},
        {"line feed", "one\ntwo", {"one", "two"}},
        {"CR LF: the CR stays as a space", "one\r\ntwo", {"one ", "two"}},
        {"trailing line feed gives an empty last line", "one\n", {"one", ""}},
        {"empty text is one empty line", "", {""}},
        {"tab", "a\tb", {"a b"}},
        {"blank lines", "\n\n", {"", "", ""}},
        {"cp1251 bytes stay", "\xcf\xf0\xe8\xe2\xe5\xf2\n\xff", {"\xcf\xf0\xe8\xe2\xe5\xf2", "\xff"}},
    };
    text_lines_c t;
    for (const auto &c : cases) {
        t.set_text(c.text.c_str());
        EXPECT_EQ(lines_of(t), c.lines) << c.what;
    }
    EXPECT_STREQ(t.line_text(2), "Invalid line");
    EXPECT_STREQ(t.line_text(-1), "Invalid line");

    // Nine lines need the table doubled twice; a shorter text reuses both.
    t.set_text("1\n2\n3\n4\n5\n6\n7\n8\n9 and a longer tail than sixteen");
    EXPECT_EQ(t.line_count(), 9);
    EXPECT_EQ(t.lines_size(), 16);
    EXPECT_EQ(t.buffer_size(), 64);
    EXPECT_EQ(std::string(t.line_text(8)), "9 and a longer tail than sixteen");
    t.set_text(t.line_text(8)); // a text that lies in the buffer itself
    EXPECT_EQ(lines_of(t), std::vector<std::string>{"9 and a longer tail than sixteen"});
    EXPECT_EQ(t.buffer_size(), 64);
}

TEST(text_lines, texts_of_16384_bytes_with_the_terminator_are_refused)
{
    text_lines_c t;
    const std::string longest(16382, 'x'), too_long(16383, 'y');
    t.set_text(longest.c_str());
    EXPECT_EQ(std::strlen(t.line_text(0)), 16382u);
    EXPECT_EQ(thrown_text([&] { t.set_text(too_long.c_str()); }), "Text is too big");
    EXPECT_EQ(std::strlen(t.line_text(0)), 16382u) << "the text before stays";
}

TEST(text_lines, the_first_line_is_copied_out_as_strncpy_does)
{
    text_lines_c t;
    t.set_text("Hello world\nsecond");
    struct
    {
        int size;
        std::string expected; // the copied bytes, then the guard byte after them
    } cases[] = {
        {5, std::string("Hello") + '#'},
        {20, std::string("Hello world") + std::string(9, '\0') + '#'},
        {0, std::string("#")},
        {-3, std::string("#")},
    };
    for (const auto &c : cases) {
        char buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        t.copy_first_line(buffer, c.size);
        EXPECT_EQ(std::string(buffer, c.expected.size()), c.expected) << c.size;
    }
}

TEST(text_lines, words_are_kept_while_they_fit)
{
    struct
    {
        const char *what;
        const char *text;
        float width;
        std::string kept;
        size_t rest; // offset of the rest in the text
    } cases[] = {
        {"everything fits", "one two", 70, "one two", 7},
        {"the last word does not fit", "one two three", 100, "one two ", 8},
        {"a space at the very edge", "one two", 40, "one ", 4},
        {"the first word is too wide", "wonderful day", 50, "", 0},
        {"empty text", "", 10, "", 0},
        {"only the end is measured without a space", "abcdef", 60, "abcdef", 6},
    };
    for (const auto &c : cases) {
        const char *rest = nullptr;
        EXPECT_EQ(fit_words(c.text, c.width, ten_per_byte, &rest), c.kept) << c.what;
        EXPECT_EQ(size_t(rest - c.text), c.rest) << c.what;
    }
}
