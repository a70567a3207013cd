// Vectors and angles. `vec3` is three floats; as an angle triple the same floats are pitch,
// yaw and roll in radians. World axes: x forward, y left, z up; yaw turns about z, pitch
// raises towards z. Angles are wrapped into [-pi, pi) by whole turns (wrap_angle); an angle
// triple whose pitch leaves [-pi/2, pi/2] is turned over the top (wrap_angles).
// Only normalize fails: a vector shorter than 0.0001 throws vec3_exception_c
// "Zero vector in 'normalize'" and stays unchanged. Everything else is total; to_angles
// gives pitch pi/2 and yaw 0 for any vertical vector, the one pointing down included.
#pragma once

#include "platform/sys/wintypes.h"

struct vec3
{
    float x = 0.0f, y = 0.0f, z = 0.0f;

    constexpr vec3() = default;
    constexpr vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    constexpr vec3(const D3DVECTOR &v) : x(v.x), y(v.y), z(v.z) {}
    constexpr operator D3DVECTOR() const { return {x, y, z}; }

    float &operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    float length() const;
    void normalize();
    // this = a x b
    void cross(const vec3 &a, const vec3 &b);
    // Component-wise product.
    void set_product(const vec3 &a, const vec3 &b);
    // (1 - t)a + tb
    void lerp(const vec3 &a, const vec3 &b, float t);
    // o + s u + t v
    void set_plane_point(const vec3 &o, const vec3 &u, const vec3 &v, float s, float t);
    // a u + b v
    void set_combination(const vec3 &u, const vec3 &v, float a, float b);
    // "[%.2f %.2f %.2f]" in one static buffer, overwritten by the next call.
    const char *to_string() const;

    // The unit direction (cos p cos y, cos p sin y, sin p).
    void from_angles(float pitch, float yaw);
    void to_angles(float *pitch, float *yaw) const;

    constexpr vec3 operator+(const vec3 &o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr vec3 operator-(const vec3 &o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr vec3 operator-() const { return {-x, -y, -z}; }
    constexpr vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    vec3 &operator+=(const vec3 &o) { return *this = *this + o; }
    vec3 &operator-=(const vec3 &o) { return *this = *this - o; }
    vec3 &operator*=(float s) { return *this = *this * s; }
    constexpr bool operator==(const vec3 &o) const = default;
};
static_assert(sizeof(vec3) == 12, "vec3 is three floats");

constexpr vec3 operator*(float s, const vec3 &v) { return v * s; }

// A point; also the VEC2 payload of values.
struct vec2
{
    float x = 0.0f, y = 0.0f;

    constexpr vec2() = default;
    constexpr vec2(float x_, float y_) : x(x_), y(y_) {}
    constexpr bool operator==(const vec2 &o) const = default;
};

// Four floats (x, y, z, w) whose constructor takes w first.
struct vec4
{
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;

    constexpr vec4() = default;
    constexpr vec4(float w_, float x_, float y_, float z_) : x(x_), y(y_), z(z_), w(w_) {}
    constexpr bool operator==(const vec4 &o) const = default;
};

// Six floats: minimum x, y, z, then maximum x, y, z.
struct bounding_box
{
    vec3 minimum;
    vec3 maximum;
};

// Position, angles (pitch, yaw, roll) and scale.
struct placement
{
    vec3 position{0.0f, 0.0f, 0.0f};
    vec3 angles{0.0f, 0.0f, 0.0f};
    vec3 scale{1.0f, 1.0f, 1.0f};
};

inline constexpr vec3 vec3_zero{0.0f, 0.0f, 0.0f};
inline constexpr vec3 vec3_one{1.0f, 1.0f, 1.0f};
inline constexpr vec3 vec3_minus_one{-1.0f, -1.0f, -1.0f};
inline constexpr vec3 vec3_unit_x{1.0f, 0.0f, 0.0f};
inline constexpr vec3 vec3_unit_y{0.0f, 1.0f, 0.0f};
inline constexpr vec3 vec3_unit_z{0.0f, 0.0f, 1.0f};
inline constexpr vec3 identity3x3[3] = {vec3_unit_x, vec3_unit_y, vec3_unit_z};
inline constexpr vec4 vec4_zero{0.0f, 0.0f, 0.0f, 0.0f};
inline constexpr vec4 vec4_w_one{1.0f, 0.0f, 0.0f, 0.0f};

constexpr float ENGINE_PI = 3.14159265358979f;

float dot(const vec3 &a, const vec3 &b);
// Each component an independent random_signed value, in -1..1.
void random_vec3(vec3 &out);
// A vector perpendicular to v: the component of v with the smallest absolute value (the first
// on ties) becomes 0, the other two are v's remaining components swapped, the first negated.
void perpendicular(vec3 &out, const vec3 &v);
// Grows the box to hold p; true when anything changed.
bool box_add_point(bounding_box &box, const vec3 &p);

// a moved into [-pi, pi) by whole turns.
float wrap_angle(float a);
// The signed shortest turn from a to b, in [-pi, pi].
float angle_difference(float a, float b);
// Wraps the three angles; a pitch outside [-pi/2, pi/2] is turned over the top.
void wrap_angles(vec3 &angles);
void interpolate_angles(vec3 &out, const vec3 &a, const vec3 &b, float t);
// The local axes of an orientation, left scaled by scale.x, up by scale.y, forward by scale.z.
void angles_to_axes(const vec3 &angles, const vec3 &scale, vec3 &left, vec3 &up, vec3 &forward);
