// The D3DX 8 math the engine calls, written for this layer: row-vector matrices as Direct3D
// uses them (p' = p x M). Each function returns its out argument, as D3DX does;
// D3DXMatrixInverse returns null and leaves out unchanged for a singular matrix.
#pragma once

#include "platform/d3d/d3d8.h"

#include <string>

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

// ---- textures from files in memory ----------------------------------------------------------

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DX_FILTER_POINT = 2;
constexpr DWORD D3DX_FILTER_LINEAR = 3;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
constexpr DWORD D3DX_FILTER_BOX = 5;

typedef DWORD D3DXIMAGE_FILEFORMAT;
constexpr D3DXIMAGE_FILEFORMAT D3DXIFF_DDS = 4;

// What the file holds, whatever the texture was made of.
struct D3DXIMAGE_INFO
{
    UINT Width, Height, Depth, MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

struct PALETTEENTRY
{
    BYTE peRed, peGreen, peBlue, peFlags;
};

// Reads a DDS file (platform/d3d/dds.h) into a new texture with the file's size and levels.
// The texture takes the file's format when the device makes textures of it; otherwise the
// levels are decoded into A8R8G8B8 (formats with alpha, DXT included) or X8R8G8B8. Only the
// settings the engine passes are taken: sizes and levels D3DX_DEFAULT (or 0), format
// D3DFMT_UNKNOWN, no colour key, no palette; the filters do not matter since nothing is
// resized. D3DXERR_INVALIDDATA for a file the reader refuses (its reason in *reason when
// given), D3DERR_INVALIDCALL for other settings, the device's error when no texture can be made.
constexpr HRESULT D3DXERR_INVALIDDATA = MAKE_HRESULT(1, 0x876, 2905);
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8 *device, const void *data, UINT size, UINT width,
                                            UINT height, UINT mip_levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mip_filter, D3DCOLOR color_key,
                                            D3DXIMAGE_INFO *info, PALETTEENTRY *palette,
                                            IDirect3DTexture8 **texture, std::string *reason = nullptr);
