#include "basics/helpers.h"

#include <cstdint>
#include <cstdio>

namespace {

uint32_t g_rand_state = 1;

constexpr int fourcc(char a, char b, char c, char d)
{
    return static_cast<int>(static_cast<uint32_t>(static_cast<uint8_t>(a)) |
                            (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
                            (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
                            (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24));
}

struct format_name_s
{
    int format;
    const char *name;
};

constexpr format_name_s format_names[] = {
    {0, "D3DFMT_UNKNOWN"},
    {20, "D3DFMT_R8G8B8"},
    {21, "D3DFMT_A8R8G8B8"},
    {22, "D3DFMT_X8R8G8B8"},
    {23, "D3DFMT_R5G6B5"},
    {24, "D3DFMT_X1R5G5B5"},
    {25, "D3DFMT_A1R5G5B5"},
    {26, "D3DFMT_A4R4G4B4"},
    {27, "D3DFMT_R3G3B2"},
    {28, "D3DFMT_A8"},
    {29, "D3DFMT_A8R3G3B2"},
    {30, "D3DFMT_X4R4G4B4"},
    {40, "D3DFMT_A8P8"},
    {41, "D3DFMT_P8"},
    {50, "D3DFMT_L8"},
    {51, "D3DFMT_A8L8"},
    {52, "D3DFMT_A4L4"},
    {60, "D3DFMT_V8U8"},
    {61, "D3DFMT_L6V5U5"},
    {62, "D3DFMT_X8L8V8U8"},
    {63, "D3DFMT_Q8W8V8U8"},
    {64, "D3DFMT_V16U16"},
    {65, "D3DFMT_W11V11U10"},
    {fourcc('U', 'Y', 'V', 'Y'), "D3DFMT_UYVY"},
    {fourcc('Y', 'U', 'Y', '2'), "D3DFMT_YUY2"},
    {fourcc('D', 'X', 'T', '1'), "D3DFMT_DXT1"},
    {fourcc('D', 'X', 'T', '2'), "D3DFMT_DXT2"},
    {fourcc('D', 'X', 'T', '3'), "D3DFMT_DXT3"},
    {fourcc('D', 'X', 'T', '4'), "D3DFMT_DXT4"},
    {fourcc('D', 'X', 'T', '5'), "D3DFMT_DXT5"},
    {70, "D3DFMT_D16_LOCKABLE"},
    {71, "D3DFMT_D32"},
    {73, "D3DFMT_D15S1"},
    {75, "D3DFMT_D24S8"},
    {80, "D3DFMT_D16"},
    {77, "D3DFMT_D24X8"},
    {79, "D3DFMT_D24X4S4"},
    {100, "D3DFMT_VERTEXDATA"},
    {101, "D3DFMT_INDEX16"},
    {102, "D3DFMT_INDEX32"},
};
static_assert(sizeof(format_names) / sizeof(format_names[0]) == 40, "the format table has 40 pairs");

struct error_name_s
{
    uint32_t code;
    const char *name;
};

constexpr uint32_t d3d_code(uint32_t code) { return 0x88760000u | code; }
constexpr uint32_t ds_code(uint32_t code) { return 0x88780000u | code; }

// One name per value: where DirectSound or DirectInput reuse a standard code, the standard
// name is given; DirectInput's own meanings of Win32 codes are named after DirectInput, the
// only service that meets them.
constexpr error_name_s error_names[] = {
    {0x00000000u, "S_OK"},
    {0x00000001u, "S_FALSE"},
    {0x80004001u, "E_NOTIMPL"},
    {0x80004002u, "E_NOINTERFACE"},
    {0x80004003u, "E_POINTER"},
    {0x80004004u, "E_ABORT"},
    {0x80004005u, "E_FAIL"},
    {0x8000FFFFu, "E_UNEXPECTED"},
    {0x8000000Au, "E_PENDING"},
    {0x80070005u, "E_ACCESSDENIED"},
    {0x80070006u, "E_HANDLE"},
    {0x8007000Eu, "E_OUTOFMEMORY"},
    {0x80070057u, "E_INVALIDARG"},
    {0x80040110u, "CLASS_E_NOAGGREGATION"},
    {0x80040154u, "REGDB_E_CLASSNOTREG"},

    {d3d_code(2072), "D3DERR_WRONGTEXTUREFORMAT"},
    {d3d_code(2073), "D3DERR_UNSUPPORTEDCOLOROPERATION"},
    {d3d_code(2074), "D3DERR_UNSUPPORTEDCOLORARG"},
    {d3d_code(2075), "D3DERR_UNSUPPORTEDALPHAOPERATION"},
    {d3d_code(2076), "D3DERR_UNSUPPORTEDALPHAARG"},
    {d3d_code(2077), "D3DERR_TOOMANYOPERATIONS"},
    {d3d_code(2078), "D3DERR_CONFLICTINGTEXTUREFILTER"},
    {d3d_code(2079), "D3DERR_UNSUPPORTEDFACTORVALUE"},
    {d3d_code(2081), "D3DERR_CONFLICTINGRENDERSTATE"},
    {d3d_code(2082), "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
    {d3d_code(2086), "D3DERR_CONFLICTINGTEXTUREPALETTE"},
    {d3d_code(2087), "D3DERR_DRIVERINTERNALERROR"},
    {d3d_code(2150), "D3DERR_NOTFOUND"},
    {d3d_code(2151), "D3DERR_MOREDATA"},
    {d3d_code(2152), "D3DERR_DEVICELOST"},
    {d3d_code(2153), "D3DERR_DEVICENOTRESET"},
    {d3d_code(2154), "D3DERR_NOTAVAILABLE"},
    {d3d_code(380), "D3DERR_OUTOFVIDEOMEMORY"},
    {d3d_code(2155), "D3DERR_INVALIDDEVICE"},
    {d3d_code(2156), "D3DERR_INVALIDCALL"},
    {d3d_code(2157), "D3DERR_DRIVERINVALIDCALL"},
    {d3d_code(2900), "D3DXERR_CANNOTMODIFYINDEXBUFFER"},
    {d3d_code(2901), "D3DXERR_INVALIDMESH"},
    {d3d_code(2902), "D3DXERR_CANNOTATTRSORT"},
    {d3d_code(2903), "D3DXERR_SKINNINGNOTSUPPORTED"},
    {d3d_code(2904), "D3DXERR_TOOMANYINFLUENCES"},
    {d3d_code(2905), "D3DXERR_INVALIDDATA"},
    {d3d_code(2906), "D3DXERR_LOADEDMESHASNODATA"},

    {0x0878000Au, "DS_NO_VIRTUALIZATION"},
    {ds_code(10), "DSERR_ALLOCATED"},
    {ds_code(30), "DSERR_CONTROLUNAVAIL"},
    {ds_code(50), "DSERR_INVALIDCALL"},
    {ds_code(70), "DSERR_PRIOLEVELNEEDED"},
    {ds_code(100), "DSERR_BADFORMAT"},
    {ds_code(120), "DSERR_NODRIVER"},
    {ds_code(130), "DSERR_ALREADYINITIALIZED"},
    {ds_code(150), "DSERR_BUFFERLOST"},
    {ds_code(160), "DSERR_OTHERAPPHASPRIO"},
    {ds_code(170), "DSERR_UNINITIALIZED"},
    {ds_code(180), "DSERR_BUFFERTOOSMALL"},
    {ds_code(190), "DSERR_DS8_REQUIRED"},
    {ds_code(200), "DSERR_SENDLOOP"},
    {ds_code(210), "DSERR_BADSENDBUFFERGUID"},
    {ds_code(220), "DSERR_FXUNAVAILABLE"},
    {ds_code(4449), "DSERR_OBJECTNOTFOUND"},

    {0x8007047Eu, "DIERR_OLDDIRECTINPUTVERSION"},
    {0x80070481u, "DIERR_BETADIRECTINPUTVERSION"},
    {0x80070077u, "DIERR_BADDRIVERVER"},
    {0x80070002u, "DIERR_NOTFOUND"},
    {0x80070015u, "DIERR_NOTINITIALIZED"},
    {0x800704DFu, "DIERR_ALREADYINITIALIZED"},
    {0x8007001Eu, "DIERR_INPUTLOST"},
    {0x800700AAu, "DIERR_ACQUIRED"},
    {0x8007000Cu, "DIERR_NOTACQUIRED"},
    {0x80040200u, "DIERR_INSUFFICIENTPRIVS"},
    {0x80040201u, "DIERR_DEVICEFULL"},
    {0x80040202u, "DIERR_MOREDATA"},
    {0x80040203u, "DIERR_NOTDOWNLOADED"},
    {0x80040204u, "DIERR_HASEFFECTS"},
    {0x80040205u, "DIERR_NOTEXCLUSIVEACQUIRED"},
    {0x80040206u, "DIERR_INCOMPLETEEFFECT"},
    {0x80040207u, "DIERR_NOTBUFFERED"},
    {0x80040208u, "DIERR_EFFECTPLAYING"},
    {0x80040209u, "DIERR_UNPLUGGED"},
    {0x8004020Au, "DIERR_REPORTFULL"},
    {0x8004020Bu, "DIERR_MAPFILEFAIL"},
};

} // namespace

void engine_srand(unsigned seed)
{
    g_rand_state = seed;
}

int engine_rand()
{
    g_rand_state = g_rand_state * 214013u + 2531011u;
    return static_cast<int>((g_rand_state >> 16) & 0x7FFFu);
}

float random_unit()
{
    return static_cast<float>(engine_rand()) * (1.0f / 32767.0f);
}

float random_signed()
{
    return (random_unit() - 0.5f) * 2.0f;
}

float smooth_step(float t)
{
    return 3.0f * t * t - 2.0f * t * t * t;
}

int single_bit_index(int v)
{
    uint32_t bits = static_cast<uint32_t>(v);
    if (bits == 0 || (bits & (bits - 1)) != 0)
        return -1;
    int index = 0;
    while (bits >>= 1)
        ++index;
    return index;
}

char to_lower_ascii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string int_to_string(int v)
{
    return std::to_string(v);
}

std::string format_two_ints(int a, int b, const char *fmt)
{
    char buffer[256];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    snprintf(buffer, sizeof(buffer), fmt, a, b);
#pragma GCC diagnostic pop
    return buffer;
}

const char *d3dfmt_name(int format)
{
    for (const format_name_s &entry : format_names)
        if (entry.format == format)
            return entry.name;
    return "D3DFMT_UNKNOWN";
}

const char *dx_error_name(HRESULT hr)
{
    uint32_t code = static_cast<uint32_t>(hr);
    for (const error_name_s &entry : error_names)
        if (entry.code == code)
            return entry.name;
    static char unknown[32];
    snprintf(unknown, sizeof(unknown), "Unknown error 0x%08X", code);
    return unknown;
}
