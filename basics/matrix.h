// The 4x4 float matrix in Direct3D's row-vector convention: rows 0 to 2 are the images of the
// local x, y and z axes, row 3 the translation with 1 in its fourth column; a point p maps to
// p M. Only building and applying matrices lives here; products, inverses and projections
// belong to the Direct3D layer.
#pragma once

#include "basics/vec3.h"

class matrix_c
{
public:
    float m[4][4];

    // Leaves the values unset, like the Direct3D record it stands for.
    matrix_c() {}
    // d on the diagonal, 0 elsewhere.
    explicit constexpr matrix_c(float d)
        : m{{d, 0.0f, 0.0f, 0.0f}, {0.0f, d, 0.0f, 0.0f}, {0.0f, 0.0f, d, 0.0f}, {0.0f, 0.0f, 0.0f, d}}
    {
    }
    matrix_c(const matrix_c &) = default;
    matrix_c &operator=(const matrix_c &) = default;

    float *operator[](int row) { return m[row]; }
    const float *operator[](int row) const { return m[row]; }

    // p M for a point: the upper 3x3 and the translation row.
    vec3 transform_point(const vec3 &p) const;
    // Multiplies all 16 values by s.
    void scale(float s);
};
static_assert(sizeof(matrix_c) == 64, "matrix_c is 16 floats");

inline const matrix_c matrix_identity(1.0f);

// Rows forward, left, up of the placement's angles and scale (angles_to_axes), then
// (position, 1). Zero angles and unit scale give the identity plus translation.
void make_matrix(matrix_c &out, const placement &p);
// Rows a, b, c (fourth column 0) and (position, 1).
void make_matrix_from_axes(matrix_c &out, const placement &p, const vec3 &a, const vec3 &b, const vec3 &c);
