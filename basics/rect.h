// Float rectangles of the user interface, half-open: a rectangle holds x when
// left <= x < right and y when top <= y < bottom, so rectangles that only touch do not
// intersect.
#pragma once

#include "basics/vec3.h"

struct rect
{
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;

    constexpr rect() = default;
    constexpr rect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
    constexpr bool operator==(const rect &o) const = default;

    bool contains(const vec2 &point) const;
    // The smallest rectangle holding both.
    rect united(const rect &r) const;
    // Grows the rectangle to hold p.
    void add_point(const vec2 &p);
};

// 1 when a and b overlap, with the overlap stored in *out unless out is null; 0 otherwise.
int rect_intersect(rect *out, const rect &a, const rect &b);
