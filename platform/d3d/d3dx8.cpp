#include "platform/d3d/d3dx8.h"

#include <cmath>

D3DXMATRIX *D3DXMatrixIdentity(D3DXMATRIX *out)
{
    *out = D3DXMATRIX();
    for (int i = 0; i < 4; ++i)
        out->m[i][i] = 1.0f;
    return out;
}

D3DXMATRIX *D3DXMatrixMultiply(D3DXMATRIX *out, const D3DXMATRIX *a, const D3DXMATRIX *b)
{
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += a->m[i][k] * b->m[k][j];
            r.m[i][j] = s;
        }
    *out = r;
    return out;
}

D3DXMATRIX *D3DXMatrixTranspose(D3DXMATRIX *out, const D3DXMATRIX *m)
{
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

// Gauss-Jordan elimination with partial pivoting, in double precision.
D3DXMATRIX *D3DXMatrixInverse(D3DXMATRIX *out, float *determinant, const D3DXMATRIX *m)
{
    double a[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            a[i][j] = m->m[i][j];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    double det = 1.0;
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        if (a[pivot][col] == 0.0) {
            if (determinant)
                *determinant = 0.0f;
            return nullptr;
        }
        if (pivot != col) {
            for (int j = 0; j < 8; ++j) {
                double t = a[col][j];
                a[col][j] = a[pivot][j];
                a[pivot][j] = t;
            }
            det = -det;
        }
        const double p = a[col][col];
        det *= p;
        for (int j = 0; j < 8; ++j)
            a[col][j] /= p;
        for (int r = 0; r < 4; ++r)
            if (r != col && a[r][col] != 0.0) {
                const double f = a[r][col];
                for (int j = 0; j < 8; ++j)
                    a[r][j] -= f * a[col][j];
            }
    }
    if (determinant)
        *determinant = (float)det;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out->m[i][j] = (float)a[i][j + 4];
    return out;
}

D3DXMATRIX *D3DXMatrixPerspectiveFovLH(D3DXMATRIX *out, float fovy, float aspect, float zn, float zf)
{
    const float y_scale = 1.0f / std::tan(fovy * 0.5f);
    const float x_scale = y_scale / aspect;
    *out = D3DXMATRIX();
    out->m[0][0] = x_scale;
    out->m[1][1] = y_scale;
    out->m[2][2] = zf / (zf - zn);
    out->m[2][3] = 1.0f;
    out->m[3][2] = -zn * zf / (zf - zn);
    return out;
}

D3DXVECTOR3 *D3DXVec3Normalize(D3DXVECTOR3 *out, const D3DXVECTOR3 *v)
{
    const float len = std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
    if (len == 0.0f)
        *out = D3DXVECTOR3();
    else
        *out = D3DXVECTOR3(v->x / len, v->y / len, v->z / len);
    return out;
}

static void row_times(const D3DXVECTOR3 *v, float w, const D3DXMATRIX *m, float r[4])
{
    for (int j = 0; j < 4; ++j)
        r[j] = v->x * m->m[0][j] + v->y * m->m[1][j] + v->z * m->m[2][j] + w * m->m[3][j];
}

D3DXVECTOR3 *D3DXVec3TransformCoord(D3DXVECTOR3 *out, const D3DXVECTOR3 *v, const D3DXMATRIX *m)
{
    float r[4];
    row_times(v, 1.0f, m, r);
    const float inv = r[3] != 0.0f ? 1.0f / r[3] : 0.0f;
    *out = D3DXVECTOR3(r[0] * inv, r[1] * inv, r[2] * inv);
    return out;
}

D3DXVECTOR3 *D3DXVec3TransformNormal(D3DXVECTOR3 *out, const D3DXVECTOR3 *v, const D3DXMATRIX *m)
{
    float r[4];
    row_times(v, 0.0f, m, r);
    *out = D3DXVECTOR3(r[0], r[1], r[2]);
    return out;
}
