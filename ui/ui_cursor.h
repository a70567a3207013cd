// The mouse pointer of the user interface and the shapes it takes.
//
// cursor (script class "cursor", no attributes): keeps the pointer's position in the 1024 x 768
// UI space from the input service's relative movement and turns each tick's changes into one
// `mouse` message (VEC2 position, PTR int[3] buttons, INT button index, INT event: 0 move,
// 1 pressed, 2 released), sent from the root with flags 0x1C so that the deepest and newest
// control sees it first. Per tick, in order: movement added (the wheel is read and ignored) and
// reset at the service; position clamped to 0..1024 and 0..768; `is_cursor_over_control` asked
// from the root; the animation phase runs at 12 steps a second (modulo 10) while the shape is
// animated or the pointer is over a control, else it is 0; the buttons are compared with the
// last tick's and only the highest changed one is reported (a second change in the same tick
// is lost); `mouse` goes out when the pointer moved or a button changed.
//   The pointer is a one-state multistate_image child drawn on `render` from the cursor
// resource of the current shape (`get_cursor`, below): frame = the phase truncated, mirrored
// above 5 (0 1 2 3 4 5 4 3 2 1), the texture rectangle moved right by that many of its widths,
// the image placed with the hot spot on the position. When no resource answers for the
// shape, nothing of the pointer draws in that frame and the rest of the tree still draws; the
// image is made at `app_startup`, or at the first `render` that finds the shape.
//   Messages: cursor_move PTR vec2 (added to the position, clamped at the next tick; 1),
// cursor_show INT (the pointer's visibility; movement and `mouse` go on; 1), change_cursor
// STRING shape, INT animated (1). The shape starts as "standard", not animated.
//
// cursor_resource (script class "cursor_resource"): one shape. Required attributes: name
// (string), hotspot (vec2: the texel of the frame that sits on the position), texture_name
// (string: the texture "textures/<texture_name>", loaded at `app_startup`, so resources come
// before the cursor in the tree) and tex_rect (rect: the first frame; further frames lie to its
// right). Answers get_cursor (CONST_PCHAR shape, PTR abstract_c* texture out, PTR vec2 hot spot
// out, PTR rect out) when the shape equals its name byte for byte (1). Gives its texture back
// at shutdown.
#pragma once

#include <string>

#include "basics/rect.h"
#include "kernel/abstract.h"

class multistate_image;

class cursor : public abstract_c
{
public:
    cursor(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    int pass_to_children(const msg_c *message) override;

    const vec2 &position() const { return m_pos; }
    float phase() const { return m_phase; }
    const std::string &shape() const { return m_name; }
    multistate_image *image() const { return m_image; }

private:
    void on_tick(float since_previous);
    void on_render();
    // The resource's texture (null when none answered), hot spot and first frame.
    abstract_c *find_shape(vec2 *hotspot, rect *frame);
    // Makes the image with the texture and frame, or gives them to it.
    void take_shape(abstract_c *texture, const rect &frame);

    multistate_image *m_image;
    vec2 m_pos;
    int m_buttons[3];
    float m_phase;
    bool m_animated;
    std::string m_name;
    bool m_shown;
    // No resource answered at this frame's render: the image is kept from drawing.
    bool m_no_shape;
};

class cursor_resource : public abstract_c
{
public:
    cursor_resource(abstract_c *parent, const attribute_list_c *attributes);

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    abstract_c *texture() const { return m_texture; }

private:
    const char *m_name;
    vec2 m_hotspot;
    abstract_c *m_texture;
};
