// Inside the OpenGL backend only: how Direct3D 8 formats, states and primitives translate to
// OpenGL 2.1 fixed-function values. Pure functions, no GL calls, so they hold no state.
//
// Texture formats keep their memory layout: a level's CPU copy is handed to GL unchanged with
// the packed type that reads it as Direct3D lays it out (B in the low bits). Formats without
// alpha (X8R8G8B8, X1R5G5B5, X4R4G4B4, R5G6B5) get an internal format without alpha, so GL
// reads their alpha as 1 whatever the padding bits hold.
#pragma once

#include "platform/d3d/d3d8.h"

#include <GL/gl.h>

struct gl_texture_format_s
{
    GLenum internal_format; // the S3TC format for compressed ones
    GLenum format, type;    // 0 for compressed formats
    bool compressed;
};

// False for a format the backend cannot make textures of.
bool gl_texture_format(D3DFORMAT format, gl_texture_format_s *out);

GLenum gl_compare_func(DWORD d3dcmp);
GLenum gl_blend_factor(DWORD d3dblend);
GLenum gl_primitive(D3DPRIMITIVETYPE type);
GLsizei gl_primitive_vertices(D3DPRIMITIVETYPE type, UINT primitive_count);
GLenum gl_polygon_mode(DWORD d3dfill);
GLenum gl_wrap_mode(DWORD d3daddress);
GLenum gl_mag_filter(DWORD mag);
GLenum gl_min_filter(DWORD min, DWORD mip);

// D3DCOLOR (A8R8G8B8) as four floats r, g, b, a.
void gl_color_floats(D3DCOLOR color, float out[4]);

// One half (colour or alpha) of texture stage 0 as GL_COMBINE settings.
struct gl_combine_s
{
    GLint mode;
    GLint source[3];
    GLint operand[3];
    GLfloat scale;
    bool operator==(const gl_combine_s &) const = default;
};
gl_combine_s gl_stage_combine(DWORD op, DWORD arg1, DWORD arg2, bool alpha);

// Vertex layout of a flexible vertex format: byte offsets, -1 for absent parts; size = 0 for a
// position kind the backend does not draw (blend weights).
struct gl_vertex_layout_s
{
    bool pretransformed;
    int normal, diffuse, texcoord;
    UINT size;
};
gl_vertex_layout_s gl_vertex_layout(DWORD fvf);
