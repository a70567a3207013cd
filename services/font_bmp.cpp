#include "services/font_bmp.h"

#include <utility>

namespace {
constexpr int max_glyphs = 256;
}

font_bmp_c::font_bmp_c(const char *name)
{
    bitmap_c image;
    if (image.load(name))
        cut(std::move(image));
}

void font_bmp_c::clear()
{
    m_valid = false;
    m_char_num = 0;
    m_image.reset();
    m_starts.clear();
    m_widths.clear();
    m_average_width = 0;
}

bool font_bmp_c::separator(int column, uint32_t key) const
{
    if (column < 0 || column >= m_image.width())
        return true;
    for (int y = 0; y < m_image.height(); ++y)
        if (m_image.get_pixel(column, y) != key)
            return false;
    return true;
}

bool font_bmp_c::cut(bitmap_c &&image)
{
    clear();
    m_image = std::move(image);
    if (!m_image.valid() || m_image.width() < 2 || m_image.height() < 2) {
        clear();
        return false;
    }
    const uint32_t key = m_image.get_pixel(0, 0);
    if (!separator(0, key)) {
        clear();
        return false;
    }
    const int width = m_image.width();
    int c = 0;
    long long total = 0;
    while (c < width) {
        int end = c + 1;
        while (!separator(end, key))
            ++end;
        const int run = end - (c + 1);
        if (run < 1 || int(m_starts.size()) == max_glyphs) {
            clear();
            return false;
        }
        m_starts.push_back(c + 1);
        m_widths.push_back(run);
        total += run;
        c = end;
    }
    m_char_num = int(m_starts.size());
    m_average_width = int(total / m_char_num);
    m_valid = true;
    return true;
}

int font_bmp_c::glyph_start(unsigned char c) const
{
    return c >= 32 && c - 32 < m_char_num ? m_starts[size_t(c - 32)] : 0;
}

int font_bmp_c::glyph_width(unsigned char c) const
{
    return c >= 32 && c - 32 < m_char_num ? m_widths[size_t(c - 32)] : 0;
}

int font_bmp_c::draw_glyph(bitmap_c &dst, int x, int y, unsigned char c) const
{
    const int w = glyph_width(c);
    if (w == 0)
        return 0;
    dst.copy_rect(m_image, x, y, glyph_start(c), 0, w, m_image.height());
    return w;
}
