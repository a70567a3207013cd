// The test objects that draw over the screen.
//
// test_console_c ("test_console"): the console log's newest lines (basics/console_log.h) drawn
// over the screen with a bitmap font. `font_name` (a font strip image, loaded when the object
// is made: "Could not load bitmap font '<name>'" when it cannot be cut) and `text_color` (vec3,
// 0..1). The text fills the screen less 8 pixels on every side, oldest line at the top and the
// unfinished current line last; it is rebuilt at start-up and then on a tick or key report
// while the console is visible and the log has changed. A key report of scan code 41 (the key
// left of "1") shows or hides it; it starts visible. Drawn on render without depth, blended by
// texture alpha times vertex alpha. A text with no characters has no vertex buffer and draws
// nothing.
//
// test_crosshair_c ("test_crosshair"): the texture `texture_name` (loaded at start-up) drawn
// at its pixel size in the middle of the screen on every render, blended by its alpha, without
// lighting or depth; afterwards opaque mode and depth are back on, lighting stays off.
#pragma once

#include <memory>

#include "kernel/abstract.h"
#include "services/font_bmp.h"
#include "services/itexture.h"
#include "test_console/vertex_font.h"

class d3d_service_c;
class input_service_c;
class IDirect3DVertexBuffer8;

class test_console_c : public abstract_c
{
public:
    test_console_c(abstract_c *parent, const attribute_list_c *attributes);
    ~test_console_c() noexcept(false) override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    int visible() const { return m_visible; }
    int char_count() const { return m_char_count; }
    IDirect3DVertexBuffer8 *vertex_buffer() const { return m_vbuffer; }
    const vertex_font_c &font() const { return *m_vertex_font; }

private:
    void build_text();
    void update();
    void render();
    void release_buffer();

    d3d_service_c *m_d3d;
    input_service_c *m_input;
    font_bmp_c m_bitmap_font;
    std::unique_ptr<vertex_font_c> m_vertex_font;
    std::unique_ptr<itexture_c> m_texture;
    IDirect3DVertexBuffer8 *m_vbuffer;
    int m_char_count;
    int m_visible;
};

class test_crosshair_c : public abstract_c
{
public:
    test_crosshair_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void render();

    d3d_service_c *m_d3d;
    std::unique_ptr<itexture_c> m_texture;
};
