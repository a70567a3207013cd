#include "platform/d3d/d3dx8.h"

#include <gtest/gtest.h>

#include <cmath>

static D3DXMATRIX from_rows(std::initializer_list<float> v)
{
    D3DXMATRIX m;
    int i = 0;
    for (float f : v) {
        m.m[i / 4][i % 4] = f;
        ++i;
    }
    return m;
}

static void expect_near(const D3DXMATRIX &a, const D3DXMATRIX &b, float eps = 1e-5f)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a.m[i][j], b.m[i][j], eps) << "row " << i << " column " << j;
}

TEST(d3dx, multiply_applies_left_matrix_first)
{
    // A translation then a scale: a point moves first, then is scaled.
    D3DXMATRIX t, s, ts;
    D3DXMatrixIdentity(&t);
    t.m[3][0] = 1.0f;
    D3DXMatrixIdentity(&s);
    s.m[0][0] = 2.0f;
    D3DXMatrixMultiply(&ts, &t, &s);
    D3DXVECTOR3 p(1.0f, 0.0f, 0.0f), r;
    D3DXVec3TransformCoord(&r, &p, &ts);
    EXPECT_FLOAT_EQ(r.x, 4.0f);
    // Out may be one of the inputs.
    D3DXMatrixMultiply(&t, &t, &s);
    expect_near(t, ts);
}

TEST(d3dx, inverse_and_transpose)
{
    const D3DXMATRIX m = from_rows({0, 1, 0, 0, -2, 0, 0, 0, 0, 0, 3, 0, 5, 6, 7, 1});
    D3DXMATRIX inv, back, id;
    float det = 0.0f;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
    EXPECT_FLOAT_EQ(det, 6.0f);
    D3DXMatrixMultiply(&back, &m, &inv);
    expect_near(back, *D3DXMatrixIdentity(&id));

    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &m);
    EXPECT_EQ(t.m[0][3], 5.0f);
    EXPECT_EQ(t.m[1][0], 1.0f);

    const D3DXMATRIX singular = from_rows({1, 2, 0, 0, 2, 4, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    D3DXMATRIX untouched = m;
    EXPECT_EQ(D3DXMatrixInverse(&untouched, &det, &singular), nullptr);
    EXPECT_EQ(det, 0.0f);
    expect_near(untouched, m);
}

TEST(d3dx, perspective_fov_lh)
{
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, 3.14159265f / 2.0f, 2.0f, 1.0f, 101.0f);
    expect_near(p, from_rows({0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.01f, 1, 0, 0, -1.01f, 0}));
    // The near plane maps to depth 0, the far plane to 1.
    D3DXVECTOR3 n(0, 0, 1), f(0, 0, 101), r;
    EXPECT_NEAR(D3DXVec3TransformCoord(&r, &n, &p)->z, 0.0f, 1e-6f);
    EXPECT_NEAR(D3DXVec3TransformCoord(&r, &f, &p)->z, 1.0f, 1e-6f);
}

TEST(d3dx, vector_operations)
{
    struct
    {
        D3DXVECTOR3 in, normalized;
    } cases[] = {
        {{3, 0, 4}, {0.6f, 0, 0.8f}},
        {{0, 0, 0}, {0, 0, 0}},
        {{0, -2, 0}, {0, -1, 0}},
    };
    for (const auto &c : cases) {
        D3DXVECTOR3 r;
        D3DXVec3Normalize(&r, &c.in);
        EXPECT_FLOAT_EQ(r.x, c.normalized.x);
        EXPECT_FLOAT_EQ(r.y, c.normalized.y);
        EXPECT_FLOAT_EQ(r.z, c.normalized.z);
    }
    // Directions ignore the translation row; points divide by w.
    const D3DXMATRIX m = from_rows({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 10, 20, 30, 2});
    D3DXVECTOR3 v(1, 1, 1), r;
    D3DXVec3TransformNormal(&r, &v, &m);
    EXPECT_FLOAT_EQ(r.x, 2.0f);
    EXPECT_FLOAT_EQ(r.z, 2.0f);
    D3DXVec3TransformCoord(&r, &v, &m);
    EXPECT_FLOAT_EQ(r.x, 6.0f);
    EXPECT_FLOAT_EQ(r.y, 11.0f);
    EXPECT_FLOAT_EQ(r.z, 16.0f);
}
