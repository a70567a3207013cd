// Debug drawing: one program-wide list of coloured lines and triangles in world space, turned
// into two vertex buffers (lit vertices, managed pool) and drawn in one call each wherever a
// caller flushes it. The buffers are rebuilt only after a clear, so repeated flushes within a
// frame draw without rebuilding; a failed build draws nothing and the next flush builds again.
// A flush always sets the identity world matrix, Gouraud shading, the lit vertex format,
// opaque mode and lighting off, draws with D3DRS_ZBIAS at the depth bias and leaves ZBIAS 0,
// even when the list is empty: callers draw on with those states.
// The device is found through the root (get_d3d_service) at each build and flush.
#pragma once

#include "basics/vec3.h"

// A primitive as listed: kind 0 or 1 is a line (points 0 and 1), 2 a triangle; other kinds are
// kept but never drawn.
struct debug_primitive_s
{
    int kind;
    vec3 points[3];
    vec3 colors[3]; // r, g, b
};
static_assert(sizeof(debug_primitive_s) == 76, "a debug primitive is 76 bytes");

void debug_draw_clear();
void debug_draw_flush();

void debug_draw_line(const vec3 &a, const vec3 &b, const vec3 &color_a, const vec3 &color_b);
void debug_draw_triangle(const vec3 &a, const vec3 &b, const vec3 &c, const vec3 &color_a, const vec3 &color_b,
                         const vec3 &color_c);
// Any record, for callers that build their own (unknown kinds are ignored when drawing).
void debug_draw_add(const debug_primitive_s &primitive);
// The D3DRS_ZBIAS used while drawing (0 at start).
void debug_draw_set_depth_bias(int bias);
