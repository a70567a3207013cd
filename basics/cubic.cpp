#include "basics/cubic.h"

#include <cmath>

#include "kernel/exception.h"

namespace {

void check_interval(float t0, float t1)
{
    if (std::fabs(t1 - t0) < 0.0001f)
        ENGINE_THROW(exception_c, "Invalid cubic interpolation parameters");
}

} // namespace

float cubic_c::eval(float t) const
{
    return ((a * t + b) * t + c) * t + d;
}

void cubic_c::set(float t0, float t1, float p0, float p1, float s0, float s1)
{
    check_interval(t0, t1);
    // The Hermite segment in u = t - t0 first, then expanded in t; double keeps the
    // expansion exact enough for intervals far from zero.
    double h = static_cast<double>(t1) - t0;
    double rise = (static_cast<double>(p1) - p0) / h;
    double ua = (s0 + static_cast<double>(s1) - 2.0 * rise) / (h * h);
    double ub = (3.0 * rise - 2.0 * s0 - s1) / h;
    double uc = s0;
    double ud = p0;
    double o = t0;
    a = static_cast<float>(ua);
    b = static_cast<float>(ub - 3.0 * ua * o);
    c = static_cast<float>(uc - 2.0 * ub * o + 3.0 * ua * o * o);
    d = static_cast<float>(ud - uc * o + ub * o * o - ua * o * o * o);
}

vec3 cubic3_c::eval(float t) const
{
    return vec3(x.eval(t), y.eval(t), z.eval(t));
}

void cubic3_c::set(float t0, float t1, const vec3 &p0, const vec3 &p1, const vec3 &s0, const vec3 &s1)
{
    check_interval(t0, t1);
    x.set(t0, t1, p0.x, p1.x, s0.x, s1.x);
    y.set(t0, t1, p0.y, p1.y, s0.y, s1.y);
    z.set(t0, t1, p0.z, p1.z, s0.z, s1.z);
}
