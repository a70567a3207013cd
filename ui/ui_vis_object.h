// ui_vis_object_c: the base of everything in the user interface that occupies a rectangle of
// the screen (controls, images, quads, texts).
//
// Coordinates are pixels of the fixed 1024 x 768 UI space. A script gives `screen_rect`
// relative to the nearest visual ancestor; the object keeps it absolute. The origin is asked
// once, at construction, by sending `screen_coords` up through the parents (flags 19), so a
// later move of a parent does not move its existing children. Without a visual ancestor the
// origin is (0, 0); without `screen_rect` the rectangle is empty at the origin.
//
// Visibility: bit 0x10 of the flag word. The optional int attribute `visible` sets it at
// construction; on `creation_finished` a `visible` other than 1 hides the whole subtree
// (`show` 0 to itself with flags 0). Hidden objects still pass messages on to their children.
//
// Messages answered (result 1 stops the delivery): creation_finished (1), is_hidden (1 when
// hidden), show INT (0, so the subtree follows), render (build_geometry then draw at (0, 0);
// 0, so the children draw after their parent), cursor VEC2 + PTR const char** (only when
// cursor-aware 0x20 and visible and the point is inside: writes m_cursor_name, 1), vis_rect
// INT set + PTR rect (1), doom (shuts the subtree down, 1), screen_coords PTR vec2 (writes
// the top-left corner, 1), tick (update(seconds since start), 0). Every other message: 0.
#pragma once

#include "basics/rect.h"
#include "kernel/abstract.h"

class ui_vis_object_c : public abstract_c
{
public:
    enum : uint32_t {
        UI_VISIBLE = 0x10,
        UI_CURSOR_AWARE = 0x20,
    };

    ui_vis_object_c(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;

    // Called on every render before draw; the offset is added to every drawn position.
    virtual void build_geometry(const vec2 &offset);
    virtual void draw(const vec2 &offset);
    // left <= x < right and top <= y < bottom.
    virtual int contains_point(const vec2 &point);
    // Per-tick hook with the seconds since the program started.
    virtual void update(double time);

    void set_screen_rect(const rect &r) { m_screen_rect = r; }
    const rect &screen_rect() const { return m_screen_rect; }
    // Moves the rectangle so that its top-left corner is the point, keeping its size.
    void set_position(const vec2 &top_left);
    // Keeps the top-left corner; returns the new bottom-right corner.
    vec2 resize(const vec2 &size);
    // The top-left corner of the nearest visual ancestor, (0, 0) when there is none.
    vec2 parent_screen_coords();

    int is_visible() const { return (m_flags & UI_VISIBLE) ? 1 : 0; }
    void set_visible(int on);
    const char *cursor_name() const { return m_cursor_name; }

protected:
    rect m_screen_rect;
    const char *m_cursor_name;
};
