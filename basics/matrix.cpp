#include "basics/matrix.h"

namespace {

void set_row(matrix_c &out, int row, const vec3 &v, float w)
{
    out.m[row][0] = v.x;
    out.m[row][1] = v.y;
    out.m[row][2] = v.z;
    out.m[row][3] = w;
}

} // namespace

vec3 matrix_c::transform_point(const vec3 &p) const
{
    vec3 out;
    for (int i = 0; i < 3; ++i)
        out[i] = m[3][i] + p.x * m[0][i] + p.y * m[1][i] + p.z * m[2][i];
    return out;
}

void matrix_c::scale(float s)
{
    for (auto &row : m)
        for (float &v : row)
            v *= s;
}

void make_matrix_from_axes(matrix_c &out, const placement &p, const vec3 &a, const vec3 &b, const vec3 &c)
{
    set_row(out, 0, a, 0.0f);
    set_row(out, 1, b, 0.0f);
    set_row(out, 2, c, 0.0f);
    set_row(out, 3, p.position, 1.0f);
}

void make_matrix(matrix_c &out, const placement &p)
{
    vec3 left, up, forward;
    angles_to_axes(p.angles, p.scale, left, up, forward);
    make_matrix_from_axes(out, p, forward, left, up);
}
