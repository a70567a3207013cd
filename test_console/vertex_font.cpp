#include "test_console/vertex_font.h"

#include <cmath>
#include <cstring>

#include "kernel/exception.h"
#include "services/font_bmp.h"

vertex_font_c::vertex_font_c(const font_bmp_c &font)
    : m_size(1), m_char_num(font.char_num()), m_line_height(font.height())
{
    const double area = (double)font.average_width() * font.height() * m_char_num;
    const long long floor_root = (long long)std::sqrt(area);
    long long size = 1;
    while (size <= floor_root && size <= VERTEX_FONT_MAX_SIZE)
        size *= 2;
    std::vector<int> widths((size_t)m_char_num), xs, ys;
    for (int i = 0; i < m_char_num; ++i)
        widths[(size_t)i] = font.glyph_width((unsigned char)(32 + i));
    m_glyphs.resize((size_t)m_char_num);
    for (int i = 0; i < m_char_num; ++i)
        m_glyphs[(size_t)i].width = widths[(size_t)i];
    while (size <= VERTEX_FONT_MAX_SIZE && !lay_out((int)size, xs, ys))
        size *= 2;
    if (size > VERTEX_FONT_MAX_SIZE)
        ENGINE_THROW(exception_c, "Could not load vertex font");
    m_size = (int)size;

    bitmap_c glyphs;
    if (!glyphs.create(m_size, m_size, 0, 0) || !m_atlas.create(m_size, m_size, 1, 0))
        ENGINE_THROW(exception_c, "Could not load vertex font");
    glyphs.fill(0);
    const float d = (float)m_size;
    for (int i = 0; i < m_char_num; ++i) {
        glyph_s &g = m_glyphs[(size_t)i];
        const int x = xs[(size_t)i], y = ys[(size_t)i];
        font.draw_glyph(glyphs, x, y, (unsigned char)(32 + i));
        g.u0 = x / d;
        g.v0 = y / d;
        g.u1 = (x + g.width) / d;
        g.v1 = (y + m_line_height) / d;
    }
    for (int y = 0; y < m_size; ++y) {
        const unsigned char *from = glyphs.row(y);
        unsigned char *to = m_atlas.row(y);
        for (int x = 0; x < m_size; ++x, from += 3, to += 4) {
            std::memcpy(to, from, 3);
            to[3] = from[2];
        }
    }
}

bool vertex_font_c::lay_out(int size, std::vector<int> &xs, std::vector<int> &ys) const
{
    xs.assign((size_t)m_char_num, 0);
    ys.assign((size_t)m_char_num, 0);
    const long long h = m_line_height;
    long long x = 0, y = 0;
    for (int i = 0; i < m_char_num; ++i) {
        const long long w = m_glyphs[(size_t)i].width;
        if (x + w + 1 > size && x > 0) {
            x = 0;
            y += h + 1;
        }
        if (w + 1 > size || y + h > size)
            return false;
        xs[(size_t)i] = (int)x;
        ys[(size_t)i] = (int)y;
        x += w + 1;
    }
    return true;
}

vertex_font_c::glyph_s vertex_font_c::glyph(unsigned char c) const
{
    if (c < 32 || c - 32 >= m_char_num)
        return glyph_s{0, 0.0f, 0.0f, 0.0f, 0.0f};
    return m_glyphs[(size_t)(c - 32)];
}

int vertex_font_c::build_text(std::vector<unlit_vertex_s> &out, const std::vector<const char *> &lines, int left,
                              int top, int right, int bottom, int horizontal, int vertical, D3DCOLOR color) const
{
    const long long h = m_line_height;
    const long long block = h * (long long)lines.size();
    long long y = top;
    if (vertical == ALIGN_BOTTOM)
        y = bottom - block;
    else if (vertical == ALIGN_MIDDLE)
        y = top + (bottom - top - block) / 2;
    int placed = 0;
    for (const char *line : lines) {
        const long long line_top = y;
        y += h;
        if (line_top < top || line_top + h > bottom)
            continue;
        long long width = 0;
        for (const unsigned char *p = (const unsigned char *)line; *p; ++p)
            width += glyph(*p).width;
        long long x = left;
        if (horizontal == ALIGN_RIGHT)
            x = right - width;
        else if (horizontal == ALIGN_CENTER)
            x = left + (right - left - width) / 2;
        for (const unsigned char *p = (const unsigned char *)line; *p; ++p) {
            const glyph_s g = glyph(*p);
            const long long x0 = x;
            x += g.width;
            if (g.width == 0 || x0 < left || x > right)
                continue;
            const float fx0 = (float)x0, fx1 = (float)x, fy0 = (float)line_top, fy1 = (float)(line_top + h);
            const unlit_vertex_s a{fx0, fy0, 1.0f, 1.0f, color, g.u0, g.v0};
            const unlit_vertex_s b{fx1, fy0, 1.0f, 1.0f, color, g.u1, g.v0};
            const unlit_vertex_s c{fx1, fy1, 1.0f, 1.0f, color, g.u1, g.v1};
            const unlit_vertex_s d{fx0, fy1, 1.0f, 1.0f, color, g.u0, g.v1};
            out.insert(out.end(), {a, b, c, a, c, d});
            ++placed;
        }
    }
    return placed;
}
