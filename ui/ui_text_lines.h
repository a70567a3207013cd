// The text of a static text, independent of any font: a copy of the text in which every line
// feed has become a terminator (so the copy's first string is the first line), a table of
// line starts, and the word fitting that fills one line from a long text.
//
// Texts are cp1251 bytes. A text of 16384 bytes or more, terminator included, is refused
// with "Text is too big" and the current text stays. Bytes below 32 other than the line feed
// show as spaces. So "a\nb" is two lines, "a\n" is "a" and an empty line, "" is one empty line
// and "a\r\nb" is "a " and "b". The buffer and the table grow by doubling (from 16 bytes and
// 4 lines) and are reused by shorter texts.
#pragma once

#include <functional>
#include <memory>
#include <string>

constexpr int MAX_STATIC_TEXT_LENGTH = 0x4000; // bytes with the terminator: refused from here

class text_lines_c
{
public:
    void set_text(const char *text);
    int line_count() const { return m_line_count; }
    // Line i, or "Invalid line" when i is not below the line count.
    const char *line_text(int i) const;
    // At most size bytes of the first line into buffer, as strncpy does: zeros after a shorter
    // line, no terminator after one of size bytes or more. A size below 1 copies nothing.
    void copy_first_line(char *buffer, int size) const;

    int buffer_size() const { return m_buffer_size; }
    int lines_size() const { return m_lines_size; }

private:
    std::unique_ptr<char[]> m_buffer;
    int m_buffer_size = 0;
    std::unique_ptr<const char *[]> m_lines;
    int m_line_count = 0;
    int m_lines_size = 0;
};

// The words of text that fit width by measure (the width of a text in pixels): the kept text
// ends with the space after its last word, or is the whole text when all of it fits.
// *rest is where the rest begins: the end of the text when all fitted, else after the last
// space that fitted, else the start of the text (a first word wider than width is never kept).
std::string fit_words(const char *text, float width, const std::function<int(const char *)> &measure,
                      const char **rest);
