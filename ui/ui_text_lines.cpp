#include "ui/ui_text_lines.h"

#include <cstring>

#include "kernel/exception.h"

void text_lines_c::set_text(const char *text)
{
    const size_t length = std::strlen(text) + 1;
    if (length >= size_t(MAX_STATIC_TEXT_LENGTH))
        ENGINE_THROW(exception_c, "Text is too big");
    m_line_count = 0;
    // The text may lie in the buffer itself (a line of the current text): copy before freeing.
    if (size_t(m_buffer_size) < length) {
        int size = m_buffer_size ? m_buffer_size : 16;
        while (size_t(size) < length)
            size *= 2;
        auto fresh = std::make_unique<char[]>(size_t(size));
        std::memcpy(fresh.get(), text, length);
        m_buffer = std::move(fresh);
        m_buffer_size = size;
    } else {
        std::memmove(m_buffer.get(), text, length);
    }

    char *line = m_buffer.get();
    for (char *p = line;; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c != 10 && c != 0) {
            if (c < 32)
                *p = ' ';
            continue;
        }
        if (m_line_count == m_lines_size) {
            int size = m_lines_size ? m_lines_size * 2 : 4;
            auto lines = std::make_unique<const char *[]>(size_t(size));
            for (int i = 0; i < m_line_count; ++i)
                lines[i] = m_lines[i];
            m_lines = std::move(lines);
            m_lines_size = size;
        }
        m_lines[m_line_count++] = line;
        if (c == 0)
            break;
        *p = 0;
        line = p + 1;
    }
}

const char *text_lines_c::line_text(int i) const
{
    if (i < 0 || i >= m_line_count)
        return "Invalid line";
    return m_lines[i];
}

void text_lines_c::copy_first_line(char *buffer, int size) const
{
    if (size < 1)
        return;
    std::strncpy(buffer, m_buffer ? m_buffer.get() : "", size_t(size));
}

std::string fit_words(const char *text, float width, const std::function<int(const char *)> &measure,
                      const char **rest)
{
    const size_t n = std::strlen(text);
    std::string copy;
    copy.reserve(n);
    long last_fit = -1;
    for (size_t i = 0; i < n; ++i) {
        copy += text[i];
        if (text[i] != ' ' && i + 1 != n)
            continue;
        if (float(measure(copy.c_str())) > width) {
            copy.resize(size_t(last_fit + 1));
            *rest = text + last_fit + 1;
            return copy;
        }
        last_fit = long(i);
    }
    *rest = text + n;
    return copy;
}
