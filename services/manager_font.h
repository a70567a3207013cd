// Fonts: the font manager (script class "font_manager") and the shared fonts it hands out.
//
// A font name stands for the strip "fonts/<name>.bmp" (services/font_bmp.h). Its glyphs are
// packed in rows, one pixel apart, into one square texture whose side is the smallest power of
// two that holds them all (2048 at most: "Error while creating font resource from'<name>'"
// beyond; an unreadable strip is "Error loading bitmap font '<name>'"). The texture is white
// with the strip's grey as alpha, so the vertex colour tints the text. Every user of a name
// shares one font_resource_c; the load parameter is ignored.
//
// Character codes are unsigned bytes; glyph i is code 32 + i; other codes measure 0 and draw
// nothing.
//
// build_text makes a triangle list of pre-transformed vertices (services/srvc_d3d.h,
// unlit_vertex_s), 6 per drawn character, for lines stacked at the line height inside a
// rectangle: justify 1 left, 4 right, else centred; 8 top, 0x20 bottom, else centred. A line
// is placed only when it lies wholly inside the rectangle vertically, a character only when
// it lies wholly inside horizontally (the pen moves on either way). The caller owns the
// returned buffer. Device failures: "Could not create vertex buffer", "Could not lock vertex
// buffer", "Could not unlock vertex buffer".
#pragma once

#include "basics/rect.h"
#include "platform/d3d/d3d8.h"
#include "services/manager_basic.h"

#include <cstdint>
#include <vector>

class d3d_service_c;
class font_bmp_c;
class own_texture_c;

class manager_font_c : public manager_basic_c
{
public:
    manager_font_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;
    // "Font '<name>' not found" when the data entry cannot be made.
    data_entity_c *create_data(const char *name, int prm) override;
};

// get_font_mgr to the root; see find_manager for the assertions.
manager_font_c *get_font_mgr(abstract_c *for_who);

class font_data_c : public data_entity_c
{
public:
    font_data_c(manager_font_c *manager, const char *template_name, const char *name);
    ~font_data_c() override;
    // Gives the texture back.
    void on_shutdown() override;

    abstract_c *texture() const { return m_texture.get(); }

protected:
    void set_texture(abstract_c *texture);

    manager_font_c *m_manager;
    d3d_service_c *m_d3d;
    // An own texture of the texture manager, or null; weak, since the texture manager may go first.
    object_pointer_c m_texture;
};

class font_bitmap_data_c : public font_data_c
{
public:
    font_bitmap_data_c(manager_font_c *manager, const char *name);
    resource_entity_c *create_resource(int prm) override;
};

struct text_buffer_s
{
    IDirect3DVertexBuffer8 *buffer; // null when nothing is to be drawn
    int capacity;                   // vertices the buffer holds
    int written;                    // vertices filled, from the first
};

class font_resource_c : public resource_entity_c
{
public:
    // Packs the strip of the data entry's name.
    font_resource_c(manager_font_c *manager, font_data_c *data);
    void on_shutdown() override;

    // The font object itself: the user interface asks a font resource for its font.
    font_resource_c *get_font() { return this; }
    // The texture entry (attribute "handle": the device texture).
    abstract_c *texture() const;

    int text_width(const char *text, int *length) const;
    text_buffer_s build_text(const rect &r, int flags, uint32_t colour, const char **lines, int line_count) const;

    int loaded;
    int char_count;
    int texture_size;
    std::vector<int> widths;
    std::vector<float> uv; // left, top, right, bottom per glyph
    std::vector<uint32_t> pixels; // ARGB, rows bottom-up as the packed image keeps them
    int char_height;

    // Packing of the glyph widths of one height into a square side: the side, or 0 when they
    // need more than 2048; the glyphs' corners go to `places` when it is given.
    static int pack(const std::vector<int> &glyph_widths, int height, int average_width,
                    std::vector<std::pair<int, int>> *places);

private:
    d3d_service_c *m_d3d;
};

typedef font_resource_c font_c;
