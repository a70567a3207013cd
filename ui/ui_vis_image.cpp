#include "ui/ui_vis_image.h"

#include "kernel/exception.h"
#include "services/manager_basic.h"

#include <algorithm>
#include <cmath>
#include <cstring>

multistate_image::multistate_image(abstract_c *parent, const attribute_list_c *attributes)
    : ui_vis_grid_c(parent, attributes)
{
    m_x_tile = m_y_tile = 1;
    attribute("color")->get_vec3();
    m_texture_path = std::string("textures/") + attribute("tex_name")->get_const_pchar();
    const int columns = attribute("columns")->get_int();
    const int rows = attribute("rows")->get_int();
    set_texture_by_name(m_texture_path.c_str(), columns, rows, attribute("tex")->get_rect2());
}

multistate_image::multistate_image(abstract_c *parent, abstract_c *texture, int columns, int rows,
                                   const rect &tex_rect)
    : ui_vis_grid_c(parent, rect())
{
    m_x_tile = m_y_tile = 1;
    set_texture(texture, columns, rows, tex_rect);
}

multistate_image::multistate_image(abstract_c *parent, const vec2 &position, const char *texture_name, int columns,
                                   int rows, const rect &tex_rect)
    : ui_vis_grid_c(parent, rect()), m_texture_path(texture_name)
{
    m_x_tile = m_y_tile = 1;
    set_position(vec2(m_screen_rect.left + position.x, m_screen_rect.top + position.y));
    set_texture_by_name(m_texture_path.c_str(), columns, rows, tex_rect);
}

void multistate_image::on_shutdown()
{
    if (m_shared_texture)
        m_texture = nullptr;
    ui_vis_grid_c::on_shutdown();
}

void multistate_image::set_texture(abstract_c *texture, int columns, int rows, const rect &tex_rect)
{
    if (columns < 1)
        ENGINE_THROW(exception_c, "Invalid column number " + std::to_string(columns));
    if (rows < 1)
        ENGINE_THROW(exception_c, "Invalid row number " + std::to_string(rows));
    // Everything required of the new texture is read before anything changes, so a texture
    // that lacks an attribute leaves the image as it was.
    const float tex_width = float(texture->attribute("width")->get_int());
    const float tex_height = float(texture->attribute("height")->get_int());
    texture->attribute("alphablended")->get_int();

    m_columns = columns;
    m_rows = rows;
    m_column = m_row = 0;
    if (m_texture && !m_shared_texture)
        release_res(m_texture);
    m_texture = texture;
    m_tex_width = tex_width;
    m_tex_height = tex_height;
    m_tex_rect = tex_rect;
    if (m_tex_rect.right == m_tex_rect.left)
        m_tex_rect.right = m_tex_rect.left + m_tex_width;
    if (m_tex_rect.bottom == m_tex_rect.top)
        m_tex_rect.bottom = m_tex_rect.top + m_tex_height;
    if (m_screen_rect.right == m_screen_rect.left && m_screen_rect.bottom == m_screen_rect.top)
        resize(vec2((m_tex_rect.right - m_tex_rect.left) / float(columns),
                    (m_tex_rect.bottom - m_tex_rect.top) / float(rows)));
    set_color(m_color);
    m_shared_texture = 1;
}

void multistate_image::set_texture_by_name(const char *name, int columns, int rows, const rect &tex_rect)
{
    abstract_c *texture =
        static_cast<manager_basic_c *>(find_manager(this, "get_texture_mgr"))->load_res(name, 1);
    try {
        set_texture(texture, columns, rows, tex_rect);
    } catch (...) {
        release_res(texture);
        throw;
    }
    m_shared_texture = 0;
}

void multistate_image::set_color(unsigned argb)
{
    m_color = argb;
    const bool opaque = (argb >> 24) == 0xFF;
    if (m_texture) {
        const bool alpha = m_texture->attribute("alphablended")->get_int() != 0;
        set_blend(0, !opaque, alpha);
    } else {
        set_blend(0, !opaque, 0);
    }
}

void multistate_image::set_column(unsigned c)
{
    if (c < unsigned(m_columns) && int(c) != m_column)
        m_column = int(c);
}

void multistate_image::set_row(unsigned r)
{
    if (r < unsigned(m_rows) && int(r) != m_row)
        m_row = int(r);
}

void multistate_image::vertex_at(const vec2 &offset, const vec2 &grid_point, float *x, float *y, float *u, float *v,
                                 unsigned *colour)
{
    ENGINE_ASSERT(m_x_tile == 1 && m_y_tile == 1);
    const float gx = m_part.left + grid_point.x * (m_part.right - m_part.left);
    const float gy = m_part.top + grid_point.y * (m_part.bottom - m_part.top);
    *x = m_screen_rect.left + (m_screen_rect.right - m_screen_rect.left) * gx + offset.x;
    *y = m_screen_rect.top + (m_screen_rect.bottom - m_screen_rect.top) * gy + offset.y;
    *u = (m_tex_rect.left + (float(m_column) + gx) * (m_tex_rect.right - m_tex_rect.left) / float(m_columns)) /
         m_tex_width;
    *v = (m_tex_rect.top + (float(m_row) + gy) * (m_tex_rect.bottom - m_tex_rect.top) / float(m_rows)) /
         m_tex_height;
    *colour = m_color;
}

void multistate_image::build_geometry(const vec2 &offset)
{
    m_part = showing_part();
    ui_vis_grid_c::build_geometry(offset);
}

void multistate_image::draw(const vec2 &offset)
{
    if (m_part.right <= m_part.left || m_part.bottom <= m_part.top)
        return;
    ui_vis_grid_c::draw(offset);
}

rect multistate_image::showing_part() const
{
    const rect whole(0, 0, 1, 1);
    const uint32_t blend = blend_flags();
    if (!(blend & (UI_BLEND_TEXTURE | UI_BLEND_BOTH)) || (blend & UI_BLEND_ADDITIVE))
        return whole;
    const auto *texture = static_cast<const IDirect3DTexture8 *>(texture_handle());
    if (!texture || texture->GetLevelCount() < 1)
        return whole;
    const IDirect3DTexture8::level_s &level = texture->level(0);
    const D3DFORMAT format = texture->format();
    const int bytes = format == D3DFMT_A8R8G8B8 ? 4 : format == D3DFMT_A4R4G4B4 || format == D3DFMT_A1R5G5B5 ? 2 : 0;
    const int width = int(level.width), height = int(level.height);
    if (bytes == 0 || level.locked || width == 0 || height == 0 ||
        level.bits.size() < size_t(height - 1) * level.pitch + size_t(width) * size_t(bytes))
        return whole;
    const float cell_w = (m_tex_rect.right - m_tex_rect.left) / float(m_columns);
    const float cell_h = (m_tex_rect.bottom - m_tex_rect.top) / float(m_rows);
    const float left = m_tex_rect.left + cell_w * float(m_column), top = m_tex_rect.top + cell_h * float(m_row);
    if (!(cell_w > 0 && cell_h > 0) || cell_w * cell_h > 65536.0f)
        return whole;
    auto clear = [&](int x, int y) {
        const BYTE *texel = level.bits.data() + size_t(y) * level.pitch + size_t(x) * size_t(bytes);
        if (bytes == 4)
            return texel[3] == 0;
        uint16_t v;
        std::memcpy(&v, texel, 2);
        return (v & (format == D3DFMT_A4R4G4B4 ? 0xF000 : 0x8000)) == 0;
    };
    // The texels a sample of the cell may reach: its own and, for filtering, one around them.
    const int x0 = std::max(0, int(std::floor(left)) - 1), y0 = std::max(0, int(std::floor(top)) - 1);
    const int x1 = std::min(width, int(std::ceil(left + cell_w)) + 1);
    const int y1 = std::min(height, int(std::ceil(top + cell_h)) + 1);
    if (x0 >= x1 || y0 >= y1)
        return whole;
    // Most cells show texels at all four edges: then all of the cell shows, found at once.
    auto column_shows = [&](int x) {
        for (int y = y0; y < y1; ++y)
            if (!clear(x, y))
                return true;
        return false;
    };
    auto row_shows = [&](int y) {
        for (int x = x0; x < x1; ++x)
            if (!clear(x, y))
                return true;
        return false;
    };
    if (column_shows(x0) && column_shows(x1 - 1) && row_shows(y0) && row_shows(y1 - 1))
        return whole;
    int bx0 = x1, by0 = y1, bx1 = x0, by1 = y0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (!clear(x, y)) {
                bx0 = std::min(bx0, x);
                bx1 = std::max(bx1, x + 1);
                by0 = std::min(by0, y);
                by1 = std::max(by1, y + 1);
            }
    if (bx0 >= bx1)
        return rect();
    // The texels that show, with the margin a filtered sample reaches, as fractions of the cell.
    auto fraction = [](float t, float from, float size) { return std::clamp((t - from) / size, 0.0f, 1.0f); };
    return rect(fraction(float(bx0 - 1), left, cell_w), fraction(float(by0 - 1), top, cell_h),
                fraction(float(bx1 + 1), left, cell_w), fraction(float(by1 + 1), top, cell_h));
}
