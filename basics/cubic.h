// Cubic (Hermite) interpolation over an arbitrary time interval: set() fixes the values and
// slopes at t0 and t1, eval() gives a t^3 + b t^2 + c t + d for any t, outside [t0, t1] too.
// set() throws exception_c "Invalid cubic interpolation parameters" when |t1 - t0| < 0.0001
// and then leaves the coefficients as they were (for cubic3_c: all three of them).
#pragma once

#include "basics/vec3.h"

class cubic_c
{
public:
    float a = 0.0f, b = 0.0f, c = 0.0f, d = 0.0f;

    float eval(float t) const;
    // f(t0) = p0, f(t1) = p1, f'(t0) = s0, f'(t1) = s1.
    void set(float t0, float t1, float p0, float p1, float s0, float s1);
};

class cubic3_c
{
public:
    cubic_c x, y, z;

    vec3 eval(float t) const;
    void set(float t0, float t1, const vec3 &p0, const vec3 &p1, const vec3 &s0, const vec3 &s1);
};
