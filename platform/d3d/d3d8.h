// The Direct3D 8 shaped device that the engine draws through. Only the calls, records and
// constants the engine uses exist here; numeric values are Direct3D 8's own, so that numbers in
// logs, files and tests keep their meaning.
//
// Ownership is plain C++: every object is made by the layer and given back with Release();
// AddRef() takes one more reference. The device holds a reference to whatever is bound to it
// (textures, vertex streams, indices) until it is unbound, reset or released. Resources outlive
// a released device as CPU memory; they can still be locked but draw nowhere.
//
// Everything here is shared by all backends: the device shadows every state (render states,
// texture stage states, transforms, lights, material, viewport, bindings) and keeps a CPU copy
// of every buffer and texture level (the managed pool). A backend (platform/d3d/d3d_backend.h)
// only executes clears, draws, presents, resets and resource uploads. The backend is chosen when
// the Direct3D object is made (d3d_select_backend); "recording" is the default.
#pragma once

#include "platform/sys/wintypes.h"

#include <cstddef>
#include <memory>
#include <vector>

// ---- scalar types and results -------------------------------------------------------------

typedef DWORD D3DCOLOR;
typedef DWORD D3DFORMAT;
typedef DWORD D3DRENDERSTATETYPE;
typedef DWORD D3DTEXTURESTAGESTATETYPE;
typedef DWORD D3DTRANSFORMSTATETYPE;
typedef DWORD D3DPRIMITIVETYPE;
typedef DWORD D3DPOOL;
typedef DWORD D3DRESOURCETYPE;
typedef DWORD D3DDEVTYPE;
typedef DWORD D3DLIGHTTYPE;
typedef DWORD D3DSWAPEFFECT;
typedef DWORD D3DMULTISAMPLE_TYPE;

#define MAKEFOURCC(a, b, c, d)                                                                 \
    ((DWORD)(BYTE)(a) | ((DWORD)(BYTE)(b) << 8) | ((DWORD)(BYTE)(c) << 16) | ((DWORD)(BYTE)(d) << 24))
#define D3DCOLOR_ARGB(a, r, g, b)                                                              \
    ((D3DCOLOR)((((a) & 0xffu) << 24) | (((r) & 0xffu) << 16) | (((g) & 0xffu) << 8) | ((b) & 0xffu)))

constexpr UINT D3D_SDK_VERSION = 120;
constexpr UINT D3DADAPTER_DEFAULT = 0;

constexpr HRESULT D3D_OK = S_OK;
#define MAKE_D3DHRESULT(code) MAKE_HRESULT(1, 0x876, code)
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MAKE_D3DHRESULT(380);
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MAKE_D3DHRESULT(2072);
constexpr HRESULT D3DERR_DRIVERINTERNALERROR = MAKE_D3DHRESULT(2087);
constexpr HRESULT D3DERR_NOTFOUND = MAKE_D3DHRESULT(2150);
constexpr HRESULT D3DERR_MOREDATA = MAKE_D3DHRESULT(2151);
constexpr HRESULT D3DERR_DEVICELOST = MAKE_D3DHRESULT(2152);
constexpr HRESULT D3DERR_DEVICENOTRESET = MAKE_D3DHRESULT(2153);
constexpr HRESULT D3DERR_NOTAVAILABLE = MAKE_D3DHRESULT(2154);
constexpr HRESULT D3DERR_INVALIDDEVICE = MAKE_D3DHRESULT(2155);
constexpr HRESULT D3DERR_INVALIDCALL = MAKE_D3DHRESULT(2156);
constexpr HRESULT D3DERR_DRIVERINVALIDCALL = MAKE_D3DHRESULT(2157);

// ---- formats ------------------------------------------------------------------------------

constexpr D3DFORMAT D3DFMT_UNKNOWN = 0;
constexpr D3DFORMAT D3DFMT_R8G8B8 = 20;
constexpr D3DFORMAT D3DFMT_A8R8G8B8 = 21;
constexpr D3DFORMAT D3DFMT_X8R8G8B8 = 22;
constexpr D3DFORMAT D3DFMT_R5G6B5 = 23;
constexpr D3DFORMAT D3DFMT_X1R5G5B5 = 24;
constexpr D3DFORMAT D3DFMT_A1R5G5B5 = 25;
constexpr D3DFORMAT D3DFMT_A4R4G4B4 = 26;
constexpr D3DFORMAT D3DFMT_R3G3B2 = 27;
constexpr D3DFORMAT D3DFMT_A8 = 28;
constexpr D3DFORMAT D3DFMT_A8R3G3B2 = 29;
constexpr D3DFORMAT D3DFMT_X4R4G4B4 = 30;
constexpr D3DFORMAT D3DFMT_A8P8 = 40;
constexpr D3DFORMAT D3DFMT_P8 = 41;
constexpr D3DFORMAT D3DFMT_L8 = 50;
constexpr D3DFORMAT D3DFMT_A8L8 = 51;
constexpr D3DFORMAT D3DFMT_A4L4 = 52;
constexpr D3DFORMAT D3DFMT_D16_LOCKABLE = 70;
constexpr D3DFORMAT D3DFMT_D32 = 71;
constexpr D3DFORMAT D3DFMT_D15S1 = 73;
constexpr D3DFORMAT D3DFMT_D24S8 = 75;
constexpr D3DFORMAT D3DFMT_D16 = 80;
constexpr D3DFORMAT D3DFMT_D24X8 = 77;
constexpr D3DFORMAT D3DFMT_D24X4S4 = 79;
constexpr D3DFORMAT D3DFMT_VERTEXDATA = 100;
constexpr D3DFORMAT D3DFMT_INDEX16 = 101;
constexpr D3DFORMAT D3DFMT_INDEX32 = 102;
constexpr D3DFORMAT D3DFMT_DXT1 = MAKEFOURCC('D', 'X', 'T', '1');
constexpr D3DFORMAT D3DFMT_DXT2 = MAKEFOURCC('D', 'X', 'T', '2');
constexpr D3DFORMAT D3DFMT_DXT3 = MAKEFOURCC('D', 'X', 'T', '3');
constexpr D3DFORMAT D3DFMT_DXT4 = MAKEFOURCC('D', 'X', 'T', '4');
constexpr D3DFORMAT D3DFMT_DXT5 = MAKEFOURCC('D', 'X', 'T', '5');

// Bytes of one pixel, or of one 4x4 block for the DXT formats; 0 for formats that hold no
// texture or buffer data the layer knows.
UINT d3d_format_block_bytes(D3DFORMAT format);
bool d3d_format_is_compressed(D3DFORMAT format);

// ---- creation, pools, locks ---------------------------------------------------------------

constexpr D3DDEVTYPE D3DDEVTYPE_HAL = 1;
constexpr D3DDEVTYPE D3DDEVTYPE_REF = 2;

constexpr DWORD D3DCREATE_FPU_PRESERVE = 0x02;
constexpr DWORD D3DCREATE_MULTITHREADED = 0x04;
constexpr DWORD D3DCREATE_PUREDEVICE = 0x10;
constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
constexpr DWORD D3DCREATE_MIXED_VERTEXPROCESSING = 0x80;

constexpr D3DSWAPEFFECT D3DSWAPEFFECT_DISCARD = 1;
constexpr D3DSWAPEFFECT D3DSWAPEFFECT_FLIP = 2;
constexpr D3DSWAPEFFECT D3DSWAPEFFECT_COPY = 3;
constexpr D3DMULTISAMPLE_TYPE D3DMULTISAMPLE_NONE = 0;
constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr UINT D3DPRESENT_INTERVAL_ONE = 1;
constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

constexpr D3DPOOL D3DPOOL_DEFAULT = 0;
constexpr D3DPOOL D3DPOOL_MANAGED = 1;
constexpr D3DPOOL D3DPOOL_SYSTEMMEM = 2;

constexpr D3DRESOURCETYPE D3DRTYPE_SURFACE = 1;
constexpr D3DRESOURCETYPE D3DRTYPE_TEXTURE = 3;
constexpr D3DRESOURCETYPE D3DRTYPE_VERTEXBUFFER = 6;
constexpr D3DRESOURCETYPE D3DRTYPE_INDEXBUFFER = 7;

constexpr DWORD D3DUSAGE_RENDERTARGET = 0x01;
constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x02;
constexpr DWORD D3DUSAGE_WRITEONLY = 0x08;
constexpr DWORD D3DUSAGE_DYNAMIC = 0x200;

constexpr DWORD D3DLOCK_READONLY = 0x10;
constexpr DWORD D3DLOCK_NOSYSLOCK = 0x800;
constexpr DWORD D3DLOCK_NOOVERWRITE = 0x1000;
constexpr DWORD D3DLOCK_DISCARD = 0x2000;

// ---- flexible vertex formats --------------------------------------------------------------

constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_NORMAL = 0x010;
constexpr DWORD D3DFVF_PSIZE = 0x020;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_SPECULAR = 0x080;
constexpr DWORD D3DFVF_TEX1 = 0x100;

// ---- render states ------------------------------------------------------------------------

constexpr D3DRENDERSTATETYPE D3DRS_ZENABLE = 7;
constexpr D3DRENDERSTATETYPE D3DRS_FILLMODE = 8;
constexpr D3DRENDERSTATETYPE D3DRS_SHADEMODE = 9;
constexpr D3DRENDERSTATETYPE D3DRS_ZWRITEENABLE = 14;
constexpr D3DRENDERSTATETYPE D3DRS_ALPHATESTENABLE = 15;
constexpr D3DRENDERSTATETYPE D3DRS_LASTPIXEL = 16;
constexpr D3DRENDERSTATETYPE D3DRS_SRCBLEND = 19;
constexpr D3DRENDERSTATETYPE D3DRS_DESTBLEND = 20;
constexpr D3DRENDERSTATETYPE D3DRS_CULLMODE = 22;
constexpr D3DRENDERSTATETYPE D3DRS_ZFUNC = 23;
constexpr D3DRENDERSTATETYPE D3DRS_ALPHAREF = 24;
constexpr D3DRENDERSTATETYPE D3DRS_ALPHAFUNC = 25;
constexpr D3DRENDERSTATETYPE D3DRS_DITHERENABLE = 26;
constexpr D3DRENDERSTATETYPE D3DRS_ALPHABLENDENABLE = 27;
constexpr D3DRENDERSTATETYPE D3DRS_FOGENABLE = 28;
constexpr D3DRENDERSTATETYPE D3DRS_SPECULARENABLE = 29;
constexpr D3DRENDERSTATETYPE D3DRS_FOGCOLOR = 34;
constexpr D3DRENDERSTATETYPE D3DRS_FOGTABLEMODE = 35;
constexpr D3DRENDERSTATETYPE D3DRS_FOGSTART = 36;
constexpr D3DRENDERSTATETYPE D3DRS_FOGEND = 37;
constexpr D3DRENDERSTATETYPE D3DRS_FOGDENSITY = 38;
constexpr D3DRENDERSTATETYPE D3DRS_ZBIAS = 47;
constexpr D3DRENDERSTATETYPE D3DRS_RANGEFOGENABLE = 48;
constexpr D3DRENDERSTATETYPE D3DRS_STENCILENABLE = 52;
constexpr D3DRENDERSTATETYPE D3DRS_STENCILFAIL = 53;
constexpr D3DRENDERSTATETYPE D3DRS_STENCILZFAIL = 54;
constexpr D3DRENDERSTATETYPE D3DRS_STENCILPASS = 55;
constexpr D3DRENDERSTATETYPE D3DRS_STENCILFUNC = 56;
constexpr D3DRENDERSTATETYPE D3DRS_STENCILREF = 57;
constexpr D3DRENDERSTATETYPE D3DRS_STENCILMASK = 58;
constexpr D3DRENDERSTATETYPE D3DRS_STENCILWRITEMASK = 59;
constexpr D3DRENDERSTATETYPE D3DRS_TEXTUREFACTOR = 60;
constexpr D3DRENDERSTATETYPE D3DRS_CLIPPING = 136;
constexpr D3DRENDERSTATETYPE D3DRS_LIGHTING = 137;
constexpr D3DRENDERSTATETYPE D3DRS_AMBIENT = 139;
constexpr D3DRENDERSTATETYPE D3DRS_FOGVERTEXMODE = 140;
constexpr D3DRENDERSTATETYPE D3DRS_COLORVERTEX = 141;
constexpr D3DRENDERSTATETYPE D3DRS_LOCALVIEWER = 142;
constexpr D3DRENDERSTATETYPE D3DRS_NORMALIZENORMALS = 143;
constexpr D3DRENDERSTATETYPE D3DRS_DIFFUSEMATERIALSOURCE = 145;
constexpr D3DRENDERSTATETYPE D3DRS_SPECULARMATERIALSOURCE = 146;
constexpr D3DRENDERSTATETYPE D3DRS_AMBIENTMATERIALSOURCE = 147;
constexpr D3DRENDERSTATETYPE D3DRS_EMISSIVEMATERIALSOURCE = 148;
constexpr D3DRENDERSTATETYPE D3DRS_VERTEXBLEND = 151;
constexpr D3DRENDERSTATETYPE D3DRS_CLIPPLANEENABLE = 152;
constexpr D3DRENDERSTATETYPE D3DRS_POINTSIZE = 154;
constexpr D3DRENDERSTATETYPE D3DRS_POINTSIZE_MIN = 155;
constexpr D3DRENDERSTATETYPE D3DRS_POINTSPRITEENABLE = 156;
constexpr D3DRENDERSTATETYPE D3DRS_POINTSCALEENABLE = 157;
constexpr D3DRENDERSTATETYPE D3DRS_POINTSCALE_A = 158;
constexpr D3DRENDERSTATETYPE D3DRS_POINTSCALE_B = 159;
constexpr D3DRENDERSTATETYPE D3DRS_POINTSCALE_C = 160;
constexpr D3DRENDERSTATETYPE D3DRS_MULTISAMPLEANTIALIAS = 161;
constexpr D3DRENDERSTATETYPE D3DRS_MULTISAMPLEMASK = 162;
constexpr D3DRENDERSTATETYPE D3DRS_POINTSIZE_MAX = 166;
constexpr D3DRENDERSTATETYPE D3DRS_INDEXEDVERTEXBLENDENABLE = 167;
constexpr D3DRENDERSTATETYPE D3DRS_COLORWRITEENABLE = 168;
constexpr D3DRENDERSTATETYPE D3DRS_TWEENFACTOR = 170;
constexpr D3DRENDERSTATETYPE D3DRS_BLENDOP = 171;
constexpr DWORD D3D_RENDER_STATE_COUNT = 256; // states are indices below this

constexpr DWORD D3DZB_FALSE = 0;
constexpr DWORD D3DZB_TRUE = 1;
constexpr DWORD D3DFILL_POINT = 1;
constexpr DWORD D3DFILL_WIREFRAME = 2;
constexpr DWORD D3DFILL_SOLID = 3;
constexpr DWORD D3DSHADE_FLAT = 1;
constexpr DWORD D3DSHADE_GOURAUD = 2;
constexpr DWORD D3DCULL_NONE = 1;
constexpr DWORD D3DCULL_CW = 2;
constexpr DWORD D3DCULL_CCW = 3;
constexpr DWORD D3DCMP_NEVER = 1;
constexpr DWORD D3DCMP_LESS = 2;
constexpr DWORD D3DCMP_EQUAL = 3;
constexpr DWORD D3DCMP_LESSEQUAL = 4;
constexpr DWORD D3DCMP_GREATER = 5;
constexpr DWORD D3DCMP_NOTEQUAL = 6;
constexpr DWORD D3DCMP_GREATEREQUAL = 7;
constexpr DWORD D3DCMP_ALWAYS = 8;
constexpr DWORD D3DBLEND_ZERO = 1;
constexpr DWORD D3DBLEND_ONE = 2;
constexpr DWORD D3DBLEND_SRCCOLOR = 3;
constexpr DWORD D3DBLEND_INVSRCCOLOR = 4;
constexpr DWORD D3DBLEND_SRCALPHA = 5;
constexpr DWORD D3DBLEND_INVSRCALPHA = 6;
constexpr DWORD D3DBLEND_DESTALPHA = 7;
constexpr DWORD D3DBLEND_INVDESTALPHA = 8;
constexpr DWORD D3DBLEND_DESTCOLOR = 9;
constexpr DWORD D3DBLEND_INVDESTCOLOR = 10;
constexpr DWORD D3DBLENDOP_ADD = 1;
constexpr DWORD D3DFOG_NONE = 0;
constexpr DWORD D3DFOG_EXP = 1;
constexpr DWORD D3DFOG_EXP2 = 2;
constexpr DWORD D3DFOG_LINEAR = 3;
constexpr DWORD D3DMCS_MATERIAL = 0;
constexpr DWORD D3DMCS_COLOR1 = 1;
constexpr DWORD D3DMCS_COLOR2 = 2;
constexpr DWORD D3DSTENCILOP_KEEP = 1;
constexpr DWORD D3DVBF_DISABLE = 0;

// ---- texture stage states -----------------------------------------------------------------

constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLOROP = 1;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLORARG1 = 2;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLORARG2 = 3;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAOP = 4;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAARG1 = 5;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAARG2 = 6;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_TEXCOORDINDEX = 11;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ADDRESSU = 13;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ADDRESSV = 14;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_BORDERCOLOR = 15;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MAGFILTER = 16;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MINFILTER = 17;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MIPFILTER = 18;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MIPMAPLODBIAS = 19;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MAXMIPLEVEL = 20;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MAXANISOTROPY = 21;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_TEXTURETRANSFORMFLAGS = 24;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ADDRESSW = 25;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLORARG0 = 26;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAARG0 = 27;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_RESULTARG = 28;
constexpr DWORD D3D_STAGE_STATE_COUNT = 32; // stage states are indices below this
constexpr DWORD D3D_MAX_TEXTURE_STAGES = 8;

constexpr DWORD D3DTOP_DISABLE = 1;
constexpr DWORD D3DTOP_SELECTARG1 = 2;
constexpr DWORD D3DTOP_SELECTARG2 = 3;
constexpr DWORD D3DTOP_MODULATE = 4;
constexpr DWORD D3DTOP_MODULATE2X = 5;
constexpr DWORD D3DTOP_MODULATE4X = 6;
constexpr DWORD D3DTOP_ADD = 7;
constexpr DWORD D3DTOP_ADDSIGNED = 8;
constexpr DWORD D3DTOP_SUBTRACT = 10;
constexpr DWORD D3DTOP_BLENDDIFFUSEALPHA = 12;
constexpr DWORD D3DTOP_BLENDTEXTUREALPHA = 13;

constexpr DWORD D3DTA_SELECTMASK = 0x0f;
constexpr DWORD D3DTA_DIFFUSE = 0x00;
constexpr DWORD D3DTA_CURRENT = 0x01;
constexpr DWORD D3DTA_TEXTURE = 0x02;
constexpr DWORD D3DTA_TFACTOR = 0x03;
constexpr DWORD D3DTA_SPECULAR = 0x04;
constexpr DWORD D3DTA_COMPLEMENT = 0x10;
constexpr DWORD D3DTA_ALPHAREPLICATE = 0x20;

constexpr DWORD D3DTEXF_NONE = 0;
constexpr DWORD D3DTEXF_POINT = 1;
constexpr DWORD D3DTEXF_LINEAR = 2;
constexpr DWORD D3DTEXF_ANISOTROPIC = 3;

constexpr DWORD D3DTADDRESS_WRAP = 1;
constexpr DWORD D3DTADDRESS_MIRROR = 2;
constexpr DWORD D3DTADDRESS_CLAMP = 3;
constexpr DWORD D3DTADDRESS_BORDER = 4;

constexpr DWORD D3DTTFF_DISABLE = 0;

// ---- transforms, primitives, clears, lights -----------------------------------------------

constexpr D3DTRANSFORMSTATETYPE D3DTS_VIEW = 2;
constexpr D3DTRANSFORMSTATETYPE D3DTS_PROJECTION = 3;
constexpr D3DTRANSFORMSTATETYPE D3DTS_TEXTURE0 = 16;
constexpr D3DTRANSFORMSTATETYPE D3DTS_WORLD = 256;

constexpr D3DPRIMITIVETYPE D3DPT_POINTLIST = 1;
constexpr D3DPRIMITIVETYPE D3DPT_LINELIST = 2;
constexpr D3DPRIMITIVETYPE D3DPT_LINESTRIP = 3;
constexpr D3DPRIMITIVETYPE D3DPT_TRIANGLELIST = 4;
constexpr D3DPRIMITIVETYPE D3DPT_TRIANGLESTRIP = 5;
constexpr D3DPRIMITIVETYPE D3DPT_TRIANGLEFAN = 6;

constexpr DWORD D3DCLEAR_TARGET = 1;
constexpr DWORD D3DCLEAR_ZBUFFER = 2;
constexpr DWORD D3DCLEAR_STENCIL = 4;

constexpr D3DLIGHTTYPE D3DLIGHT_POINT = 1;
constexpr D3DLIGHTTYPE D3DLIGHT_SPOT = 2;
constexpr D3DLIGHTTYPE D3DLIGHT_DIRECTIONAL = 3;

// ---- capabilities -------------------------------------------------------------------------

constexpr DWORD D3DPTEXTURECAPS_PERSPECTIVE = 0x0001;
constexpr DWORD D3DPTEXTURECAPS_POW2 = 0x0002;
constexpr DWORD D3DPTEXTURECAPS_ALPHA = 0x0004;
constexpr DWORD D3DPTEXTURECAPS_MIPMAP = 0x4000;

// ---- records ------------------------------------------------------------------------------

// D3DVECTOR is in platform/sys/wintypes.h (shared with the sound layer).

struct D3DCOLORVALUE
{
    float r, g, b, a;
};

// Row-vector convention: a point p maps to p x M, translation in row 3.
struct D3DMATRIX
{
    float m[4][4];
};

struct D3DRECT
{
    LONG x1, y1, x2, y2;
};

struct D3DVIEWPORT8
{
    DWORD X, Y, Width, Height;
    float MinZ, MaxZ;
};

struct D3DMATERIAL8
{
    D3DCOLORVALUE Diffuse, Ambient, Specular, Emissive;
    float Power;
};

struct D3DLIGHT8
{
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse, Specular, Ambient;
    D3DVECTOR Position, Direction;
    float Range, Falloff, Attenuation0, Attenuation1, Attenuation2, Theta, Phi;
};

struct D3DDISPLAYMODE
{
    UINT Width, Height, RefreshRate;
    D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS
{
    UINT BackBufferWidth, BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT FullScreen_PresentationInterval;
};

// The capabilities the engine reads; the layout is ours.
struct D3DCAPS8
{
    D3DDEVTYPE DeviceType;
    UINT AdapterOrdinal;
    DWORD DevCaps;
    DWORD TextureCaps;
    DWORD TextureFilterCaps;
    DWORD TextureAddressCaps;
    DWORD MaxTextureWidth, MaxTextureHeight;
    DWORD MaxTextureBlendStages;
    DWORD MaxSimultaneousTextures;
    DWORD MaxActiveLights;
    DWORD MaxVertexBlendMatrices;
    DWORD MaxVertexBlendMatrixIndex;
    DWORD MaxPrimitiveCount;
    DWORD MaxVertexIndex;
    DWORD MaxStreams;
    DWORD MaxStreamStride;
};

struct D3DLOCKED_RECT
{
    int Pitch;
    void *pBits;
};

struct D3DSURFACE_DESC
{
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
    UINT Width, Height;
};

struct D3DVERTEXBUFFER_DESC
{
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
    DWORD FVF;
};

struct D3DINDEXBUFFER_DESC
{
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
};

// ---- objects ------------------------------------------------------------------------------

class IDirect3DDevice8;
class d3d_adapter_backend_c;
class d3d_device_backend_c;
class d3d_backend_resource_c;

// Reference counting shared by every object of the layer.
class d3d_refcounted_c
{
public:
    d3d_refcounted_c() = default;
    d3d_refcounted_c(const d3d_refcounted_c &) = delete;
    d3d_refcounted_c &operator=(const d3d_refcounted_c &) = delete;
    ULONG AddRef() { return ++m_refs; }
    ULONG Release();

protected:
    virtual ~d3d_refcounted_c() = default;

private:
    ULONG m_refs = 1;
};

// A device resource: its CPU copy (owned here) and whatever the backend made for it. The
// device keeps a list of its live resources so that it can detach them when it goes away.
class d3d_resource_c : public d3d_refcounted_c
{
public:
    D3DRESOURCETYPE resource_type() const { return m_type; }
    D3DPOOL pool() const { return m_pool; }
    DWORD usage() const { return m_usage; }
    IDirect3DDevice8 *device() const { return m_device; }
    // The backend's own object for this resource (a GL name, for example), or null.
    d3d_backend_resource_c *backend_data() const { return m_backend_data.get(); }
    void set_backend_data(std::unique_ptr<d3d_backend_resource_c> data);

protected:
    d3d_resource_c(IDirect3DDevice8 *device, D3DRESOURCETYPE type, DWORD usage, D3DPOOL pool);
    ~d3d_resource_c() override;

private:
    friend class IDirect3DDevice8;
    IDirect3DDevice8 *m_device;
    D3DRESOURCETYPE m_type;
    DWORD m_usage;
    D3DPOOL m_pool;
    std::unique_ptr<d3d_backend_resource_c> m_backend_data;
    // Where the device's list holds it: a resource goes in a moment, however many live.
    size_t m_device_slot = 0;
};

class IDirect3DBaseTexture8 : public d3d_resource_c
{
public:
    virtual DWORD GetLevelCount() const = 0;

protected:
    using d3d_resource_c::d3d_resource_c;
};

// A 2D texture with its full chain of levels, each a CPU copy of Pitch x rows bytes (rows of
// 4x4 blocks for the DXT formats).
class IDirect3DTexture8 : public IDirect3DBaseTexture8
{
public:
    DWORD GetLevelCount() const override { return (DWORD)m_levels.size(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC *desc) const;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags);
    HRESULT UnlockRect(UINT level);

    // For backends and tests: the level's bytes, pitch and size.
    struct level_s
    {
        UINT width, height;
        UINT pitch;
        UINT rows; // rows of pixels, or of blocks for compressed formats
        std::vector<BYTE> bits;
        bool locked;
    };
    D3DFORMAT format() const { return m_format; }
    const level_s &level(UINT i) const { return m_levels[i]; }

private:
    friend class IDirect3DDevice8;
    IDirect3DTexture8(IDirect3DDevice8 *device, UINT width, UINT height, UINT levels, DWORD usage,
                      D3DFORMAT format, D3DPOOL pool);
    D3DFORMAT m_format;
    std::vector<level_s> m_levels;
};

// Vertex and index buffers: one block of CPU memory each.
class d3d_buffer_c : public d3d_resource_c
{
public:
    HRESULT Lock(UINT offset, UINT size, BYTE **data, DWORD flags);
    HRESULT Unlock();
    // For backends and tests.
    const std::vector<BYTE> &bytes() const { return m_bytes; }
    bool locked() const { return m_locked; }

protected:
    d3d_buffer_c(IDirect3DDevice8 *device, D3DRESOURCETYPE type, UINT length, DWORD usage, D3DPOOL pool);

private:
    std::vector<BYTE> m_bytes;
    bool m_locked = false;
};

class IDirect3DVertexBuffer8 : public d3d_buffer_c
{
public:
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC *desc) const;
    DWORD fvf() const { return m_fvf; }

private:
    friend class IDirect3DDevice8;
    IDirect3DVertexBuffer8(IDirect3DDevice8 *device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    DWORD m_fvf;
};

class IDirect3DIndexBuffer8 : public d3d_buffer_c
{
public:
    HRESULT GetDesc(D3DINDEXBUFFER_DESC *desc) const;
    D3DFORMAT format() const { return m_format; }

private:
    friend class IDirect3DDevice8;
    IDirect3DIndexBuffer8(IDirect3DDevice8 *device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    D3DFORMAT m_format;
};

// Everything the device remembers between calls; backends read it when they draw.
struct d3d_light_slot_s
{
    D3DLIGHT8 light;
    bool enabled;
};

struct d3d_stream_s
{
    IDirect3DVertexBuffer8 *buffer;
    UINT stride;
};

constexpr DWORD D3D_MAX_STREAMS = 8;

struct d3d_device_state_s
{
    DWORD render[D3D_RENDER_STATE_COUNT];
    DWORD stage[D3D_MAX_TEXTURE_STAGES][D3D_STAGE_STATE_COUNT];
    D3DMATRIX world, view, projection;
    D3DMATRIX texture_transform[D3D_MAX_TEXTURE_STAGES];
    std::vector<d3d_light_slot_s> lights; // index = light index; grows on SetLight/LightEnable
    D3DMATERIAL8 material;
    D3DVIEWPORT8 viewport;
    IDirect3DBaseTexture8 *textures[D3D_MAX_TEXTURE_STAGES];
    d3d_stream_s streams[D3D_MAX_STREAMS];
    IDirect3DIndexBuffer8 *indices;
    UINT base_vertex_index;
    DWORD vertex_shader;
    bool in_scene;
};

class IDirect3DDevice8 : public d3d_refcounted_c
{
public:
    HRESULT TestCooperativeLevel();
    HRESULT GetDeviceCaps(D3DCAPS8 *caps);
    HRESULT GetDisplayMode(D3DDISPLAYMODE *mode);
    HRESULT Reset(D3DPRESENT_PARAMETERS *parameters);
    HRESULT Present(const RECT *source, const RECT *dest, HWND window, const void *dirty_region);

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8 **texture);
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer8 **buffer);
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8 **buffer);

    HRESULT BeginScene();
    HRESULT EndScene();
    HRESULT Clear(DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil);

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX *matrix);
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX *matrix);
    HRESULT SetViewport(const D3DVIEWPORT8 *viewport);
    HRESULT GetViewport(D3DVIEWPORT8 *viewport);
    HRESULT SetMaterial(const D3DMATERIAL8 *material);
    HRESULT GetMaterial(D3DMATERIAL8 *material);
    HRESULT SetLight(DWORD index, const D3DLIGHT8 *light);
    HRESULT GetLight(DWORD index, D3DLIGHT8 *light);
    HRESULT LightEnable(DWORD index, BOOL enable);
    HRESULT GetLightEnable(DWORD index, BOOL *enable);
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD *value);
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8 *texture);
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8 **texture); // adds a reference, as Direct3D
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD *value);

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start_vertex, UINT primitive_count);
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT min_index, UINT vertex_count, UINT start_index,
                                 UINT primitive_count);

    HRESULT SetVertexShader(DWORD handle); // a handle below 0x1000... is an FVF code, the only kind used
    HRESULT GetVertexShader(DWORD *handle);
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8 *buffer, UINT stride);
    HRESULT SetIndices(IDirect3DIndexBuffer8 *buffer, UINT base_vertex_index);

    // For backends and tests: the shadowed state, the backend, the presentation in force.
    const d3d_device_state_s &state() const { return m_state; }
    d3d_device_backend_c *backend() const { return m_backend.get(); }
    const D3DPRESENT_PARAMETERS &presentation() const { return m_presentation; }
    // Called by resources.
    HRESULT upload(d3d_resource_c &resource, UINT level);
    void forget(d3d_resource_c &resource);

private:
    friend class IDirect3D8;
    IDirect3DDevice8(std::unique_ptr<d3d_device_backend_c> backend, const D3DCAPS8 &caps,
                     const D3DPRESENT_PARAMETERS &presentation, HWND window);
    ~IDirect3DDevice8() override;
    void set_default_state();
    void unbind_all();
    void notify(int kind, DWORD a, DWORD b);
    d3d_light_slot_s &light_slot(DWORD index);
    // Registers a new resource with the device and its backend; hands it out only when the
    // backend could make it.
    template <class T> HRESULT adopt_resource(T *resource, T **out);

    std::unique_ptr<d3d_device_backend_c> m_backend;
    D3DCAPS8 m_caps;
    D3DPRESENT_PARAMETERS m_presentation;
    HWND m_window;
    d3d_device_state_s m_state;
    std::vector<d3d_resource_c *> m_resources;
};

class IDirect3D8 : public d3d_refcounted_c
{
public:
    UINT GetAdapterCount() const { return 1; }
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE *mode);
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapter_format, DWORD usage,
                              D3DRESOURCETYPE resource_type, D3DFORMAT check_format);
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8 *caps);
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND window, DWORD behaviour,
                         D3DPRESENT_PARAMETERS *parameters, IDirect3DDevice8 **device);

    d3d_adapter_backend_c *backend() const { return m_backend.get(); }

private:
    friend IDirect3D8 *Direct3DCreate8(UINT sdk_version);
    explicit IDirect3D8(std::unique_ptr<d3d_adapter_backend_c> backend);
    ~IDirect3D8() override;
    std::unique_ptr<d3d_adapter_backend_c> m_backend;
};

// Makes the Direct3D object on the selected backend; null for another SDK version or when the
// backend cannot start.
IDirect3D8 *Direct3DCreate8(UINT sdk_version);

// Chooses the backend of the next Direct3DCreate8 by name ("recording", or one that a backend
// added to the table); false when no backend has that name. Without a choice: "recording".
bool d3d_select_backend(const char *name);
const char *d3d_selected_backend();
