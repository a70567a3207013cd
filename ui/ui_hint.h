// Hover hints: the layer that answers `hint` and the glowing popups it opens.
//
// hint_layer (script class "hint_layer"): a visual over the whole UI space (0, 0, 1024, 768)
// whose priority is -1, so the container that sorts its children draws it after the screens.
//   hint VEC2 cursor, text    from a control (a null sender fails the assertion "from"): unless
//                             a popup of that control lives (asked with hint_check_out INT 0,
//                             PTR control), opens one at the cursor (1).
//
// ui_hint_c: the popup of one control, 228 x 36 pixels with its bottom one pixel above the
// cursor (x - 64, y - 37, x + 164, y - 1). Hidden until its first update; then it fades in for
// 1 s, shows for 16 s, fades out for 1 s and shuts itself down. It fades out at once when its
// control dies, is disabled or hidden (`is_disabled`, `is_hidden` to the control and its
// parents), or on `hint_check_out` INT close (non-zero), PTR its control, which it answers 1.
// Once fading out it goes one second later, also when its control is dead or hidden by then.
// It draws only its glow (hint_background_c); the hint's text is not shown.
//
// hint_background_c: 14 x 10 cells, untextured, vertex alpha with additive blending. Grid
// point (c, r) at time t (seconds since start) and opacity a, with s = sin(pi c / 14) *
// sin(pi r / 10) and q = r / 10, has the opaque colour
//   red   = 255 a s (0.2 + 0.8 sin^2(1.5 t - 3 q))
//   green = 255 a s (0.2 + 0.8 sin^2(1.6 t + 2.6 q))
//   blue  = 255 a s (0.2 + 0.8 sin^2(1.7 t + 3.7 q)),
// each cut to 0..255 and truncated: black on the edges, slowly shifting colours inside.
#pragma once

#include "kernel/object_pointer.h"
#include "ui/ui_control.h"
#include "ui/ui_vis_renderable.h"

class hint_layer : public ui_vis_object_c
{
public:
    hint_layer(abstract_c *parent, const attribute_list_c *attributes);

    int get_priority() const override { return -1; }
    int handle_message(const msg_c *message, abstract_c *from) override;
};

class hint_background_c : public ui_vis_grid_c
{
public:
    static constexpr int COLUMNS = 14, ROWS = 10;

    hint_background_c(abstract_c *parent, const rect &r);

    void update(double time) override;
    void vertex_at(const vec2 &offset, const vec2 &grid_point, float *x, float *y, float *u, float *v,
                   unsigned *colour) override;

    void set_alpha(float alpha) { m_alpha = alpha; }
    float alpha() const { return m_alpha; }
    // The colour of grid point (c, r) at time t and opacity alpha.
    static unsigned colour_at(int c, int r, double t, float alpha);

private:
    double m_time;
    float m_alpha;
};

class ui_hint_c : public ui_control_c
{
public:
    enum state_e { NEW = 0, FADING_IN = 1, SHOWING = 2, FADING_OUT = 3 };
    static constexpr float WIDTH = 228.0f, HEIGHT = 36.0f;

    class push_out_excep_c
    {
    };

    ui_hint_c(abstract_c *layer, abstract_c *target, const vec2 &cursor);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    void update(double time) override;
    void set_alpha(float alpha) override;

    int state() const { return m_state; }
    abstract_c *target() const { return m_target.get(); }
    hint_background_c *background() const { return m_background; }

private:
    void fade(int in);
    void start_fade_out();

    object_pointer_c m_target;
    hint_background_c *m_background;
    int m_state;
    double m_deadline;
};
