#include "basics/cubic.h"

#include <gtest/gtest.h>

#include <cmath>

#include "kernel/exception.h"

TEST(cubic, smooth_step_segment)
{
    cubic_c c;
    EXPECT_EQ(c.eval(3), 0.0f);
    c.set(0, 1, 0, 1, 0, 0);
    EXPECT_NEAR(c.a, -2, 1e-6);
    EXPECT_NEAR(c.b, 3, 1e-6);
    EXPECT_NEAR(c.c, 0, 1e-6);
    EXPECT_NEAR(c.d, 0, 1e-6);
    EXPECT_NEAR(c.eval(0.5f), 0.5f, 1e-6);
    // Outside the interval it simply extends the cubic.
    EXPECT_NEAR(c.eval(2), -2 * 8 + 3 * 4, 1e-5);
}

TEST(cubic, meets_end_values_and_slopes)
{
    const struct
    {
        float t0, t1, p0, p1, s0, s1;
    } cases[] = {
        {2, 4, 10, 10, 0, 0},
        {-1, 3, 5, -2, 1.5f, -0.5f},
        {100, 101, 0, 1, 2, -3}, // far from zero: the expansion needs double
        {1, 1.001f, 4, 4.001f, 1, 1},
    };
    for (const auto &k : cases) {
        cubic_c c;
        c.set(k.t0, k.t1, k.p0, k.p1, k.s0, k.s1);
        float tol = 1e-3f * (1 + std::fabs(k.p0) + std::fabs(k.p1));
        EXPECT_NEAR(c.eval(k.t0), k.p0, tol) << "t0 " << k.t0;
        EXPECT_NEAR(c.eval(k.t1), k.p1, tol) << "t0 " << k.t0;
        float slope0 = (3 * c.a * k.t0 + 2 * c.b) * k.t0 + c.c;
        float slope1 = (3 * c.a * k.t1 + 2 * c.b) * k.t1 + c.c;
        EXPECT_NEAR(slope0, k.s0, 2e-2f) << "t0 " << k.t0;
        EXPECT_NEAR(slope1, k.s1, 2e-2f) << "t0 " << k.t0;
    }
    cubic_c flat;
    flat.set(2, 4, 10, 10, 0, 0);
    for (float t = 2; t <= 4; t += 0.25f)
        EXPECT_NEAR(flat.eval(t), 10, 1e-4);
}

TEST(cubic, too_short_interval_throws_and_keeps_coefficients)
{
    cubic_c c;
    c.set(0, 1, 0, 1, 0, 0);
    try {
        c.set(1, 1.00005f, 0, 1, 0, 0);
        FAIL() << "no exception";
    } catch (const exception_c &e) {
        EXPECT_EQ(e.get_message(), "Invalid cubic interpolation parameters");
        EXPECT_EQ(e.source_file(), "basics/cubic.cpp");
    }
    EXPECT_NEAR(c.a, -2, 1e-6);
    EXPECT_NEAR(c.b, 3, 1e-6);
    EXPECT_NO_THROW(c.set(1, 1.001f, 0, 1, 0, 0));
    EXPECT_THROW(c.set(1, 1, 0, 1, 0, 0), exception_c);
    EXPECT_THROW(c.set(1.00005f, 1, 0, 1, 0, 0), exception_c);
}

TEST(cubic3, per_component)
{
    cubic3_c c;
    c.set(0, 2, vec3(0, 1, 2), vec3(2, 1, -2), vec3(1, 0, 0), vec3(1, 0, 0));
    vec3 mid = c.eval(1);
    EXPECT_NEAR(mid.x, 1, 1e-5);
    EXPECT_NEAR(mid.y, 1, 1e-5);
    EXPECT_NEAR(mid.z, 0, 1e-5);
    vec3 end = c.eval(2);
    EXPECT_NEAR(end.z, -2, 1e-5);

    cubic3_c kept = c;
    EXPECT_THROW(c.set(3, 3, vec3(), vec3(), vec3(), vec3()), exception_c);
    for (float t : {0.0f, 0.7f, 2.0f})
        EXPECT_EQ(c.eval(t), kept.eval(t));
}
