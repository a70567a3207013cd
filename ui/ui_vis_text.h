// ui_vis_text_c: lines of text drawn inside the screen rectangle with a font of the font
// manager (one textured quad per placed character, a non-indexed triangle list rebuilt every
// frame and released once drawn). Derived classes give the lines (line_count, line_text); the
// base shows the one line "It works ?!".
//
// Attributes, all required: justify (int: 1 left, 4 right, else centred; 8 top, 0x20 bottom,
// else centred), chars_color (vec3 0..255: ARGB 0xFF000000 | R << 16 | G << 8 | B, each
// component truncated toward zero and cut to 8 bits), font_name (string). The font is loaded
// at construction ("Font '<name>' not found" when the manager has none) and given back at
// shutdown. Drawing blends by the texture's alpha (additive with the renderable flag 0x800).
#pragma once

#include "ui/ui_vis_renderable.h"

class font_resource_c;

class ui_vis_text_c : public ui_vis_renderable_c
{
public:
    ui_vis_text_c(abstract_c *parent, const attribute_list_c *attributes);

    void on_shutdown() override;
    void build_geometry(const vec2 &offset) override;
    void draw(const vec2 &offset) override;

    virtual int line_count();
    virtual const char *line_text(int index);

    void set_text_color(unsigned argb) { m_chars_color = argb; }
    unsigned text_color() const { return m_chars_color; }
    int char_count() const { return m_char_count; }
    font_resource_c *font() const { return m_font; }

    // The opaque ARGB colour of a vec3 of components 0..255, each truncated; a component
    // below 0 or not a number gives 0, one above 255 gives 255.
    static unsigned color_of(const vec3 &rgb);

protected:
    font_resource_c *m_font;
    int m_justify;
    unsigned m_chars_color;
    int m_char_count;
};
