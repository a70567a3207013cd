// multistate_image: the image of the user interface (script class "multistate_image").
//
// A textured rectangle showing one cell, the current state (column, row), of a grid of
// columns x rows equal cells laid out in the texel rectangle `tex` of a texture. A zero width
// or height of `tex` means the texture's whole width or height from its left or top edge. An
// image whose screen rectangle is empty takes the size of one cell, in texels, at its corner.
//
// The texture is either the image's own, loaded by name from the texture manager with load
// parameter 1 (one mipmap level) and given back in on_shutdown or when another texture
// replaces it, or shared: handed in by the caller, who keeps its reference. The texture's INT
// attributes `width`, `height` and `alphablended` are required.
//
// Drawn colour: opaque white unless set_color changes it (the script's `color` attribute is
// required but not applied). Blending follows the colour's alpha and the texture's alpha
// channel: none, vertex alpha, texture alpha or both. Where the texture's alpha blends it, only
// the part of the cell whose texels are not all clear is drawn (with a texel's margin for
// filtering): clear texels add nothing to what is behind them, and a cell that is clear
// throughout is not drawn at all (the game screen's flashes rest in such a cell over the whole
// question panel). The texels of cells up to 65,536 texels are looked at whenever the image is
// built, so a texture that changes is drawn as it is now; larger cells are drawn whole.
//
// Script attributes, all required: color (vec3), tex_name (string; the texture is
// "textures/<tex_name>"), columns, rows (int), tex (rect); besides `screen_rect`, `visible`
// and `z_depth` of the bases. Fewer than one column or row throws "Invalid column number <n>"
// or "Invalid row number <n>".
#pragma once

#include <string>

#include "ui/ui_vis_renderable.h"

class multistate_image : public ui_vis_grid_c
{
public:
    multistate_image(abstract_c *parent, const attribute_list_c *attributes);
    // A texture the caller keeps (shared); empty rectangle at the parent's corner.
    multistate_image(abstract_c *parent, abstract_c *texture, int columns, int rows, const rect &tex_rect);
    // A texture of its own, loaded by name; placed at position relative to the parent's corner.
    multistate_image(abstract_c *parent, const vec2 &position, const char *texture_name, int columns, int rows,
                     const rect &tex_rect);

    void on_shutdown() override;
    void build_geometry(const vec2 &offset) override;
    void draw(const vec2 &offset) override;
    void vertex_at(const vec2 &offset, const vec2 &grid_point, float *x, float *y, float *u, float *v,
                   unsigned *colour) override;

    void set_texture(abstract_c *texture, int columns, int rows, const rect &tex_rect);
    void set_texture_by_name(const char *name, int columns, int rows, const rect &tex_rect);
    void set_color(unsigned argb);
    // Values not below the column (row) count are ignored.
    void set_column(unsigned c);
    void set_row(unsigned r);

    int column() const { return m_column; }
    int row() const { return m_row; }
    unsigned color() const { return m_color; }
    const rect &tex_rect() const { return m_tex_rect; }
    int shared_texture() const { return m_shared_texture; }
    const std::string &texture_path() const { return m_texture_path; }

protected:
    // The part of the current cell that shows, as fractions of the cell (see above): 0, 0, 1, 1
    // for all of it, an empty rectangle for none.
    rect showing_part() const;

    std::string m_texture_path;
    rect m_tex_rect;
    float m_tex_width = 0.0f;
    float m_tex_height = 0.0f;
    int m_columns = 0;
    int m_rows = 0;
    int m_column = 0;
    int m_row = 0;
    unsigned m_color = 0xFFFFFFFFu;
    int m_shared_texture = 0;
    rect m_part = rect(0, 0, 1, 1);  // showing_part when the geometry was built
};
