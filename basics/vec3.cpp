#include "basics/vec3.h"

#include <cmath>
#include <cstdio>

#include "basics/helpers.h"
#include "kernel/exception.h"

namespace {

constexpr float two_pi = 2.0f * ENGINE_PI;
constexpr float half_pi = 0.5f * ENGINE_PI;
constexpr float small = 0.0001f;

} // namespace

float vec3::length() const
{
    return std::sqrt(x * x + y * y + z * z);
}

void vec3::normalize()
{
    float l = length();
    if (l < small)
        ENGINE_THROW(vec3_exception_c, "Zero vector in 'normalize'");
    x /= l;
    y /= l;
    z /= l;
}

void vec3::cross(const vec3 &a, const vec3 &b)
{
    *this = vec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

void vec3::set_product(const vec3 &a, const vec3 &b)
{
    *this = vec3(a.x * b.x, a.y * b.y, a.z * b.z);
}

void vec3::lerp(const vec3 &a, const vec3 &b, float t)
{
    *this = a * (1.0f - t) + b * t;
}

void vec3::set_plane_point(const vec3 &o, const vec3 &u, const vec3 &v, float s, float t)
{
    *this = o + u * s + v * t;
}

void vec3::set_combination(const vec3 &u, const vec3 &v, float a, float b)
{
    *this = u * a + v * b;
}

const char *vec3::to_string() const
{
    static char buffer[128];
    snprintf(buffer, sizeof(buffer), "[%.2f %.2f %.2f]", x, y, z);
    return buffer;
}

void vec3::from_angles(float pitch, float yaw)
{
    *this = vec3(std::cos(pitch) * std::cos(yaw), std::cos(pitch) * std::sin(yaw), std::sin(pitch));
}

void vec3::to_angles(float *pitch, float *yaw) const
{
    float h = std::sqrt(x * x + y * y);
    if (h < small) {
        *pitch = half_pi;
        *yaw = 0.0f;
        return;
    }
    *pitch = std::atan(z / h);
    if (std::fabs(x) < small)
        *yaw = y > 0.0f ? half_pi : -half_pi;
    else
        *yaw = std::atan(y / x) + (x <= 0.0f ? ENGINE_PI : 0.0f);
}

float dot(const vec3 &a, const vec3 &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

void random_vec3(vec3 &out)
{
    out.x = random_signed();
    out.y = random_signed();
    out.z = random_signed();
}

void perpendicular(vec3 &out, const vec3 &v)
{
    float ax = std::fabs(v.x), ay = std::fabs(v.y), az = std::fabs(v.z);
    if (ax <= ay && ax <= az)
        out = vec3(0.0f, -v.z, v.y);
    else if (ay <= az)
        out = vec3(-v.z, 0.0f, v.x);
    else
        out = vec3(-v.y, v.x, 0.0f);
}

bool box_add_point(bounding_box &box, const vec3 &p)
{
    bool changed = false;
    for (int i = 0; i < 3; ++i) {
        if (box.minimum[i] > p[i]) {
            box.minimum[i] = p[i];
            changed = true;
        }
        if (box.maximum[i] < p[i]) {
            box.maximum[i] = p[i];
            changed = true;
        }
    }
    return changed;
}

float wrap_angle(float a)
{
    float f = a / two_pi + 0.5f;
    return (f - std::floor(f) - 0.5f) * two_pi;
}

float angle_difference(float a, float b)
{
    float d = wrap_angle(b) - wrap_angle(a);
    if (d > ENGINE_PI)
        return d - two_pi;
    if (d < -ENGINE_PI)
        return d + two_pi;
    return d;
}

void wrap_angles(vec3 &angles)
{
    angles.x = wrap_angle(angles.x);
    angles.y = wrap_angle(angles.y);
    angles.z = wrap_angle(angles.z);
    if (angles.x < -half_pi || angles.x > half_pi) {
        angles.x = wrap_angle(ENGINE_PI - angles.x);
        angles.y = wrap_angle(angles.y + ENGINE_PI);
        angles.z = wrap_angle(angles.z + ENGINE_PI);
    }
}

void interpolate_angles(vec3 &out, const vec3 &a, const vec3 &b, float t)
{
    vec3 from = a, to = b;
    wrap_angles(from);
    wrap_angles(to);
    for (int i = 0; i < 3; ++i)
        out[i] = wrap_angle(from[i] + t * angle_difference(from[i], to[i]));
}

void angles_to_axes(const vec3 &angles, const vec3 &scale, vec3 &left, vec3 &up, vec3 &forward)
{
    float sp = std::sin(angles.x), cp = std::cos(angles.x);
    float sy = std::sin(angles.y), cy = std::cos(angles.y);
    float sr = std::sin(angles.z), cr = std::cos(angles.z);
    vec3 side(std::cos(angles.y - half_pi), std::sin(angles.y - half_pi), 0.0f);
    vec3 raised(-sp * cy, -sp * sy, cp);
    forward = vec3(cp * cy, cp * sy, sp) * scale.z;
    left = (side * -cr + raised * sr) * scale.x;
    up = (side * sr + raised * cr) * scale.y;
}
