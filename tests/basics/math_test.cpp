#include "basics/matrix.h"
#include "basics/rect.h"
#include "basics/vec3.h"

#include <gtest/gtest.h>

#include <cmath>

#include "basics/helpers.h"
#include "kernel/exception.h"

namespace {

constexpr float pi = ENGINE_PI;
constexpr float tolerance = 1e-5f;

float deg(float degrees)
{
    return degrees * pi / 180.0f;
}

void expect_vec3_near(const vec3 &actual, const vec3 &expected, float tol = tolerance)
{
    EXPECT_NEAR(actual.x, expected.x, tol) << "expected " << expected.to_string();
    EXPECT_NEAR(actual.y, expected.y, tol) << "actual " << actual.to_string();
    EXPECT_NEAR(actual.z, expected.z, tol);
}

} // namespace

TEST(vec3, products_and_combinations)
{
    vec3 a(1, 2, 3), b(-4, 5, 0.5f), r;
    EXPECT_FLOAT_EQ(dot(a, b), -4 + 10 + 1.5f);
    r.cross(vec3_unit_x, vec3_unit_y);
    EXPECT_EQ(r, vec3_unit_z);
    r.cross(a, b);
    EXPECT_EQ(r, vec3(2 * 0.5f - 3 * 5, 3 * -4 - 1 * 0.5f, 1 * 5 - 2 * -4));
    r.set_product(a, b);
    EXPECT_EQ(r, vec3(-4, 10, 1.5f));
    r.lerp(a, b, 0.25f);
    expect_vec3_near(r, vec3(-0.25f, 2.75f, 2.375f));
    r.set_plane_point(a, vec3_unit_x, vec3_unit_z, 2, -1);
    EXPECT_EQ(r, vec3(3, 2, 2));
    r.set_combination(a, b, 2, 1);
    EXPECT_EQ(r, vec3(-2, 9, 6.5f));
    EXPECT_FLOAT_EQ(vec3(3, 4, 12).length(), 13.0f);
    EXPECT_STREQ(vec3(1, -2.5f, 1.0f / 3).to_string(), "[1.00 -2.50 0.33]");
}

TEST(vec3, normalize_refuses_near_zero_vectors)
{
    vec3 v(0.0002f, 0, 0);
    v.normalize();
    expect_vec3_near(v, vec3(1, 0, 0));

    vec3 tiny(0.00005f, 0, 0);
    try {
        tiny.normalize();
        FAIL() << "no exception";
    } catch (const vec3_exception_c &e) {
        EXPECT_EQ(e.get_message(), "Zero vector in 'normalize'");
        EXPECT_EQ(e.source_file(), "basics/vec3.cpp");
    }
    EXPECT_EQ(tiny, vec3(0.00005f, 0, 0));
    vec3 zero;
    EXPECT_THROW(zero.normalize(), exception_c);
}

TEST(vec3, to_angles)
{
    const struct
    {
        vec3 v;
        float pitch, yaw;
    } cases[] = {
        {{1, 0, 0}, 0, 0},
        {{-1, 0, 0}, 0, pi},
        {{0, 1, 0}, 0, pi / 2},
        {{0, -1, 0}, 0, -pi / 2},
        {{0, 0, 1}, pi / 2, 0},
        {{0, 0, -1}, pi / 2, 0}, // straight down keeps the fixed pitch of straight up
        {{0, 0, 0}, pi / 2, 0},
        {{1, 1, 0}, 0, pi / 4},
        {{-1, -1, 0}, 0, 5 * pi / 4},
        {{1, 0, 1}, pi / 4, 0},
        {{0.00005f, 2, -2}, -pi / 4, pi / 2},
    };
    for (const auto &c : cases) {
        float pitch = -99, yaw = -99;
        c.v.to_angles(&pitch, &yaw);
        EXPECT_NEAR(pitch, c.pitch, tolerance) << c.v.to_string();
        EXPECT_NEAR(yaw, c.yaw, tolerance) << c.v.to_string();
    }
}

TEST(vec3, from_angles_round_trip)
{
    const float pairs[][2] = {{0, 0}, {0.3f, 1.2f}, {-0.7f, -2.5f}, {1.2f, 3.0f}};
    for (const auto &p : pairs) {
        vec3 v;
        v.from_angles(p[0], p[1]);
        EXPECT_NEAR(v.length(), 1.0f, tolerance);
        float pitch, yaw;
        v.to_angles(&pitch, &yaw);
        EXPECT_NEAR(pitch, p[0], 1e-4f);
        EXPECT_NEAR(angle_difference(yaw, p[1]), 0.0f, 1e-4f);
    }
}

TEST(vec3, perpendicular)
{
    const struct
    {
        vec3 v, expected;
    } cases[] = {
        {{1, 0, 0}, {0, 0, 1}},
        {{0, 0, 2}, {0, -2, 0}},
        {{1, 2, 3}, {0, -3, 2}},
        {{4, -1, 3}, {-3, 0, 4}},
        {{4, 5, 0.5f}, {-5, 4, 0}},
        {{-2, 3, 2}, {0, -2, 3}}, // x and z tie in size: x is taken
    };
    for (const auto &c : cases) {
        vec3 out;
        perpendicular(out, c.v);
        EXPECT_EQ(out, c.expected) << c.v.to_string();
        EXPECT_FLOAT_EQ(dot(out, c.v), 0.0f);
    }
}

TEST(vec3, box_add_point)
{
    bounding_box box{{0, 0, 0}, {1, 1, 1}};
    EXPECT_FALSE(box_add_point(box, vec3(0.5f, 1, 0)));
    EXPECT_TRUE(box_add_point(box, vec3(-1, 0.5f, 0.5f)));
    EXPECT_TRUE(box_add_point(box, vec3(0.5f, 0.5f, 2)));
    EXPECT_EQ(box.minimum, vec3(-1, 0, 0));
    EXPECT_EQ(box.maximum, vec3(1, 1, 2));
}

TEST(vec3, random_vec3_uses_the_engine_generator)
{
    engine_srand(7);
    float expected[3];
    for (float &e : expected)
        e = random_signed();
    engine_srand(7);
    vec3 v;
    random_vec3(v);
    EXPECT_EQ(v, vec3(expected[0], expected[1], expected[2]));
}

TEST(angles, wrap_angle)
{
    const float cases[][2] = {
        {0, 0}, {pi, -pi}, {3 * pi / 2, -pi / 2}, {-pi, -pi}, {-3 * pi / 2, pi / 2},
        {5 * pi, -pi}, {deg(190), deg(-170)}, {deg(-725), deg(-5)},
    };
    for (const auto &c : cases)
        EXPECT_NEAR(wrap_angle(c[0]), c[1], 1e-5f) << "angle " << c[0];
}

TEST(angles, angle_difference)
{
    const float cases[][3] = {
        {deg(170), deg(-170), deg(20)},
        {deg(-170), deg(170), deg(-20)},
        {deg(10), deg(50), deg(40)},
        {deg(50), deg(10), deg(-40)},
        {deg(350), deg(10), deg(20)},
        {0, deg(720 + 30), deg(30)},
    };
    for (const auto &c : cases)
        EXPECT_NEAR(angle_difference(c[0], c[1]), c[2], 1e-5f) << c[0] << " to " << c[1];
}

TEST(angles, wrap_angles_turns_pitch_over_the_top)
{
    const struct
    {
        vec3 in, out;
    } cases[] = {
        {{deg(100), 0, 0}, {deg(80), -pi, -pi}},
        {{deg(-100), deg(30), deg(-20)}, {deg(-80), deg(-150), deg(160)}},
        {{deg(30), deg(370), deg(-190)}, {deg(30), deg(10), deg(170)}},
    };
    for (const auto &c : cases) {
        vec3 a = c.in;
        wrap_angles(a);
        expect_vec3_near(a, c.out, 1e-5f);
    }
}

TEST(angles, interpolate_angles_takes_the_short_way)
{
    vec3 out;
    interpolate_angles(out, vec3(0, deg(170), 0), vec3(0, deg(-170), 0), 0.5f);
    EXPECT_NEAR(std::fabs(out.y), pi, 1e-5f);
    EXPECT_NEAR(out.x, 0, 1e-6f);

    interpolate_angles(out, vec3(deg(10), deg(-20), deg(40)), vec3(deg(30), deg(20), deg(-40)), 0.25f);
    expect_vec3_near(out, vec3(deg(15), deg(-10), deg(20)));
}

TEST(angles, angles_to_axes)
{
    vec3 left, up, forward;
    angles_to_axes(vec3(0, 0, 0), vec3(2, 3, 4), left, up, forward);
    expect_vec3_near(left, vec3(0, 2, 0));
    expect_vec3_near(up, vec3(0, 0, 3));
    expect_vec3_near(forward, vec3(4, 0, 0));

    // Pitch up a quarter turn: forward is up, up leans backwards.
    angles_to_axes(vec3(pi / 2, 0, 0), vec3_one, left, up, forward);
    expect_vec3_near(forward, vec3(0, 0, 1));
    expect_vec3_near(up, vec3(-1, 0, 0));
    expect_vec3_near(left, vec3(0, 1, 0));

    // Roll a quarter turn: left becomes up.
    angles_to_axes(vec3(0, 0, pi / 2), vec3_one, left, up, forward);
    expect_vec3_near(left, vec3(0, 0, 1));
    expect_vec3_near(up, vec3(0, -1, 0));

    // Any orientation gives a right-handed orthonormal frame: forward x left = up.
    angles_to_axes(vec3(0.4f, -1.1f, 2.2f), vec3_one, left, up, forward);
    vec3 c;
    c.cross(forward, left);
    expect_vec3_near(c, up);
    EXPECT_NEAR(dot(forward, left), 0, tolerance);
}

TEST(matrix, make_matrix)
{
    matrix_c m;
    placement p;
    p.position = vec3(5, 6, 7);
    make_matrix(m, p);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(m[r][c], r == c ? 1.0f : 0.0f, tolerance);
    EXPECT_EQ(vec3(m[3][0], m[3][1], m[3][2]), p.position);
    EXPECT_EQ(m[3][3], 1.0f);

    p.angles = vec3(0, pi / 2, 0);
    p.scale = vec3(2, 3, 4);
    make_matrix(m, p);
    expect_vec3_near(vec3(m[0][0], m[0][1], m[0][2]), vec3(0, 4, 0));
    expect_vec3_near(vec3(m[1][0], m[1][1], m[1][2]), vec3(-2, 0, 0));
    expect_vec3_near(vec3(m[2][0], m[2][1], m[2][2]), vec3(0, 0, 3));
    // A point one unit ahead lands one scaled unit along y from the position.
    expect_vec3_near(m.transform_point(vec3(1, 0, 0)), vec3(5, 10, 7));
    expect_vec3_near(m.transform_point(vec3(0, 1, 1)), vec3(3, 6, 10));
}

TEST(matrix, construction_scale_and_axes)
{
    matrix_c d(2.0f);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(d[r][c], r == c ? 2.0f : 0.0f);
    d.scale(0.5f);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(d[r][c], matrix_identity[r][c]);

    matrix_c m;
    placement p;
    p.position = vec3(1, 1, 1);
    make_matrix_from_axes(m, p, vec3(0, 1, 0), vec3(0, 0, 1), vec3(1, 0, 0));
    EXPECT_EQ(m.transform_point(vec3(1, 2, 3)), vec3(4, 2, 3));
    EXPECT_EQ(m[0][3], 0.0f);
    EXPECT_EQ(m[3][3], 1.0f);
}

TEST(rect, contains_is_half_open)
{
    rect r(0, 0, 10, 5);
    const struct
    {
        vec2 p;
        bool inside;
    } cases[] = {{{0, 0}, true}, {{9.99f, 4.99f}, true}, {{10, 2}, false}, {{5, 5}, false}, {{-0.01f, 2}, false}};
    for (const auto &c : cases)
        EXPECT_EQ(r.contains(c.p), c.inside) << c.p.x << "," << c.p.y;
}

TEST(rect, intersect)
{
    const struct
    {
        rect a, b;
        int result;
        rect overlap;
    } cases[] = {
        {{0, 0, 10, 10}, {10, 0, 20, 10}, 0, {}},
        {{0, 0, 10, 10}, {0, 10, 10, 20}, 0, {}},
        {{10, 0, 20, 10}, {0, 0, 10, 10}, 0, {}},
        {{0, 0, 10, 10}, {5, -5, 15, 5}, 1, {5, 0, 10, 5}},
        {{0, 0, 10, 10}, {2, 2, 3, 3}, 1, {2, 2, 3, 3}},
    };
    for (const auto &c : cases) {
        rect out(-1, -1, -1, -1);
        EXPECT_EQ(rect_intersect(&out, c.a, c.b), c.result);
        EXPECT_EQ(out, c.result ? c.overlap : rect(-1, -1, -1, -1));
        EXPECT_EQ(rect_intersect(nullptr, c.a, c.b), c.result);
    }
}

TEST(rect, united_and_add_point)
{
    EXPECT_EQ(rect(0, 0, 1, 1).united(rect(-1, 0.5f, 0.5f, 3)), rect(-1, 0, 1, 3));
    rect r(0, 0, 1, 1);
    r.add_point(vec2(3, -2));
    EXPECT_EQ(r, rect(0, -2, 3, 1));
    r.add_point(vec2(0.5f, 0.5f));
    EXPECT_EQ(r, rect(0, -2, 3, 1));
}

TEST(constants, records)
{
    EXPECT_EQ(vec4(1, 2, 3, 4), vec4(1, 2, 3, 4));
    vec4 q(1, 2, 3, 4);
    EXPECT_EQ(q.w, 1);
    EXPECT_EQ(q.x, 2);
    EXPECT_EQ(q.z, 4);
    EXPECT_EQ(vec4_w_one.w, 1);
    EXPECT_EQ(vec4_w_one.x, 0);
    placement p;
    EXPECT_EQ(p.scale, vec3_one);
    EXPECT_EQ(p.angles, vec3_zero);
    EXPECT_EQ(identity3x3[1], vec3_unit_y);
    EXPECT_EQ(vec3_minus_one, -vec3_one);
}
