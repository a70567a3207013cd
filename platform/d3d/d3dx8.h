// The D3DX 8 math the engine calls, written for this layer: row-vector matrices as Direct3D
// uses them (p' = p x M). Each function returns its out argument, as D3DX does;
// D3DXMatrixInverse returns null and leaves out unchanged for a singular matrix.
#pragma once

#include "platform/d3d/d3d8.h"

struct D3DXVECTOR3 : D3DVECTOR
{
    D3DXVECTOR3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
    D3DXVECTOR3(float x_, float y_, float z_) : D3DVECTOR{x_, y_, z_} {}
};

struct D3DXMATRIX : D3DMATRIX
{
    D3DXMATRIX() : D3DMATRIX{} {}
    D3DXMATRIX(const D3DMATRIX &m) : D3DMATRIX(m) {}
    float &operator()(int row, int col) { return m[row][col]; }
    float operator()(int row, int col) const { return m[row][col]; }
};

D3DXMATRIX *D3DXMatrixIdentity(D3DXMATRIX *out);
D3DXMATRIX *D3DXMatrixMultiply(D3DXMATRIX *out, const D3DXMATRIX *a, const D3DXMATRIX *b);
D3DXMATRIX *D3DXMatrixTranspose(D3DXMATRIX *out, const D3DXMATRIX *m);
D3DXMATRIX *D3DXMatrixInverse(D3DXMATRIX *out, float *determinant, const D3DXMATRIX *m);
// Left-handed perspective: fovy is the whole vertical angle in radians.
D3DXMATRIX *D3DXMatrixPerspectiveFovLH(D3DXMATRIX *out, float fovy, float aspect, float zn, float zf);
// A zero vector stays zero.
D3DXVECTOR3 *D3DXVec3Normalize(D3DXVECTOR3 *out, const D3DXVECTOR3 *v);
// (x, y, z, 1) x M, divided by the resulting w.
D3DXVECTOR3 *D3DXVec3TransformCoord(D3DXVECTOR3 *out, const D3DXVECTOR3 *v, const D3DXMATRIX *m);
// (x, y, z, 0) x M: directions ignore the translation.
D3DXVECTOR3 *D3DXVec3TransformNormal(D3DXVECTOR3 *out, const D3DXVECTOR3 *v, const D3DXMATRIX *m);
