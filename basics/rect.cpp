#include "basics/rect.h"

#include <algorithm>

bool rect::contains(const vec2 &point) const
{
    return left <= point.x && point.x < right && top <= point.y && point.y < bottom;
}

rect rect::united(const rect &r) const
{
    return rect(std::min(left, r.left), std::min(top, r.top), std::max(right, r.right), std::max(bottom, r.bottom));
}

void rect::add_point(const vec2 &p)
{
    left = std::min(left, p.x);
    top = std::min(top, p.y);
    right = std::max(right, p.x);
    bottom = std::max(bottom, p.y);
}

int rect_intersect(rect *out, const rect &a, const rect &b)
{
    if (a.left >= b.right || a.right <= b.left || a.top >= b.bottom || a.bottom <= b.top)
        return 0;
    if (out)
        *out = rect(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom));
    return 1;
}
