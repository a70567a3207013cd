#include "platform/gl/gl_map.h"

#include <GL/glext.h>

bool gl_texture_format(D3DFORMAT format, gl_texture_format_s *out)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
        *out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, false};
        return true;
    case D3DFMT_X8R8G8B8:
        *out = {GL_RGB8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, false};
        return true;
    case D3DFMT_R5G6B5:
        *out = {GL_RGB5, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, false};
        return true;
    case D3DFMT_A1R5G5B5:
        *out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false};
        return true;
    case D3DFMT_X1R5G5B5:
        *out = {GL_RGB5, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false};
        return true;
    case D3DFMT_A4R4G4B4:
        *out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false};
        return true;
    case D3DFMT_X4R4G4B4:
        *out = {GL_RGB4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false};
        return true;
    // Direct3D decodes the transparent colour of a DXT1 block as alpha 0, as the RGBA variant does.
    case D3DFMT_DXT1:
        *out = {GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, true};
        return true;
    case D3DFMT_DXT3:
        *out = {GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, true};
        return true;
    case D3DFMT_DXT5:
        *out = {GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, true};
        return true;
    default:
        return false;
    }
}

GLenum gl_compare_func(DWORD d3dcmp)
{
    static const GLenum table[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                   GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return d3dcmp >= D3DCMP_NEVER && d3dcmp <= D3DCMP_ALWAYS ? table[d3dcmp - D3DCMP_NEVER] : GL_ALWAYS;
}

GLenum gl_blend_factor(DWORD d3dblend)
{
    static const GLenum table[] = {GL_ZERO,      GL_ONE,       GL_SRC_COLOR,           GL_ONE_MINUS_SRC_COLOR,
                                   GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA,
                                   GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR, GL_SRC_ALPHA_SATURATE};
    return d3dblend >= D3DBLEND_ZERO && d3dblend <= D3DBLEND_ZERO + 10 ? table[d3dblend - D3DBLEND_ZERO] : GL_ONE;
}

GLenum gl_primitive(D3DPRIMITIVETYPE type)
{
    switch (type) {
    case D3DPT_POINTLIST:
        return GL_POINTS;
    case D3DPT_LINELIST:
        return GL_LINES;
    case D3DPT_LINESTRIP:
        return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP:
        return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
        return GL_TRIANGLE_FAN;
    default:
        return GL_TRIANGLES;
    }
}

GLsizei gl_primitive_vertices(D3DPRIMITIVETYPE type, UINT count)
{
    switch (type) {
    case D3DPT_POINTLIST:
        return (GLsizei)count;
    case D3DPT_LINELIST:
        return (GLsizei)(2 * count);
    case D3DPT_LINESTRIP:
        return (GLsizei)(count + 1);
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return (GLsizei)(count + 2);
    default:
        return (GLsizei)(3 * count);
    }
}

GLenum gl_polygon_mode(DWORD d3dfill)
{
    return d3dfill == D3DFILL_POINT ? GL_POINT : d3dfill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL;
}

GLenum gl_wrap_mode(DWORD d3daddress)
{
    switch (d3daddress) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    default:
        return GL_REPEAT;
    }
}

GLenum gl_mag_filter(DWORD mag)
{
    return mag == D3DTEXF_POINT || mag == D3DTEXF_NONE ? GL_NEAREST : GL_LINEAR;
}

GLenum gl_min_filter(DWORD min, DWORD mip)
{
    const bool linear = !(min == D3DTEXF_POINT || min == D3DTEXF_NONE);
    if (mip == D3DTEXF_POINT)
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (mip == D3DTEXF_LINEAR || mip == D3DTEXF_ANISOTROPIC)
        return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return linear ? GL_LINEAR : GL_NEAREST;
}

void gl_color_floats(D3DCOLOR color, float out[4])
{
    out[0] = (float)((color >> 16) & 0xFF) / 255.0f;
    out[1] = (float)((color >> 8) & 0xFF) / 255.0f;
    out[2] = (float)(color & 0xFF) / 255.0f;
    out[3] = (float)(color >> 24) / 255.0f;
}

static GLint combine_source(DWORD arg)
{
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_TEXTURE:
        return GL_TEXTURE;
    case D3DTA_TFACTOR:
        return GL_CONSTANT;
    case D3DTA_CURRENT:
        return GL_PREVIOUS; // on stage 0 that is the vertex colour
    default:
        return GL_PRIMARY_COLOR; // diffuse; specular has no place of its own here
    }
}

static GLint combine_operand(DWORD arg, bool alpha)
{
    const bool complement = (arg & D3DTA_COMPLEMENT) != 0;
    if (alpha || (arg & D3DTA_ALPHAREPLICATE))
        return complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    return complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
}

gl_combine_s gl_stage_combine(DWORD op, DWORD arg1, DWORD arg2, bool alpha)
{
    const GLint plain = alpha ? GL_SRC_ALPHA : GL_SRC_COLOR;
    gl_combine_s c{GL_MODULATE,
                   {combine_source(arg1), combine_source(arg2), GL_PRIMARY_COLOR},
                   {combine_operand(arg1, alpha), combine_operand(arg2, alpha), GL_SRC_ALPHA},
                   1.0f};
    switch (op) {
    case D3DTOP_DISABLE:
        c.mode = GL_REPLACE;
        c.source[0] = GL_PREVIOUS;
        c.operand[0] = plain;
        break;
    case D3DTOP_SELECTARG1:
        c.mode = GL_REPLACE;
        break;
    case D3DTOP_SELECTARG2:
        c.mode = GL_REPLACE;
        c.source[0] = c.source[1];
        c.operand[0] = c.operand[1];
        break;
    case D3DTOP_MODULATE2X:
        c.scale = 2.0f;
        break;
    case D3DTOP_MODULATE4X:
        c.scale = 4.0f;
        break;
    case D3DTOP_ADD:
        c.mode = GL_ADD;
        break;
    case D3DTOP_ADDSIGNED:
        c.mode = GL_ADD_SIGNED;
        break;
    case D3DTOP_SUBTRACT:
        c.mode = GL_SUBTRACT;
        break;
    case D3DTOP_BLENDDIFFUSEALPHA:
        c.mode = GL_INTERPOLATE;
        c.source[2] = GL_PRIMARY_COLOR;
        break;
    case D3DTOP_BLENDTEXTUREALPHA:
        c.mode = GL_INTERPOLATE;
        c.source[2] = GL_TEXTURE;
        break;
    default:
        break;
    }
    // Unused slots keep fixed values so that equal settings compare equal.
    if (c.mode == GL_REPLACE) {
        c.source[1] = c.source[2] = GL_PRIMARY_COLOR;
        c.operand[1] = plain;
    }
    if (c.mode != GL_INTERPOLATE)
        c.source[2] = GL_PRIMARY_COLOR;
    return c;
}

gl_vertex_layout_s gl_vertex_layout(DWORD fvf)
{
    gl_vertex_layout_s l{false, -1, -1, -1, 0};
    const DWORD position = fvf & 0x00E;
    UINT at;
    if (position == D3DFVF_XYZ)
        at = 12;
    else if (position == D3DFVF_XYZRHW) {
        at = 16;
        l.pretransformed = true;
    } else
        return l;
    if (fvf & D3DFVF_NORMAL) {
        l.normal = (int)at;
        at += 12;
    }
    if (fvf & D3DFVF_PSIZE)
        at += 4;
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = (int)at;
        at += 4;
    }
    if (fvf & D3DFVF_SPECULAR)
        at += 4;
    const DWORD sets = (fvf >> 8) & 0xF;
    if (sets > 0)
        l.texcoord = (int)at;
    at += 8 * sets;
    l.size = at;
    return l;
}
