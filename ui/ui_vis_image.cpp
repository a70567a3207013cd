#include "ui/ui_vis_image.h"

#include "kernel/exception.h"
#include "services/manager_basic.h"

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
    const float gx = grid_point.x, gy = grid_point.y;
    *x = m_screen_rect.left + (m_screen_rect.right - m_screen_rect.left) * gx + offset.x;
    *y = m_screen_rect.top + (m_screen_rect.bottom - m_screen_rect.top) * gy + offset.y;
    *u = (m_tex_rect.left + (float(m_column) + gx) * (m_tex_rect.right - m_tex_rect.left) / float(m_columns)) /
         m_tex_width;
    *v = (m_tex_rect.top + (float(m_row) + gy) * (m_tex_rect.bottom - m_tex_rect.top) / float(m_rows)) /
         m_tex_height;
    *colour = m_color;
}
