// The Windows-shaped scalar types, result codes and small records that the engine's code is
// written against. Only what the engine uses; values are the Windows ones so that numbers that
// appear in logs, files and tests keep their meaning. Nothing here touches the system.
#pragma once

#include <cstdint>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t UINT;
typedef int BOOL;
typedef int32_t HRESULT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Window and instance handles are opaque to everything above the platform layer.
struct platform_window_s;
typedef platform_window_s *HWND;
typedef void *HINSTANCE;

#define MAKE_HRESULT(sev, fac, code) \
    ((HRESULT)(((uint32_t)(sev) << 31) | ((uint32_t)(fac) << 16) | ((uint32_t)(code))))
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = (HRESULT)0x80004001u;
constexpr HRESULT E_NOINTERFACE = (HRESULT)0x80004002u;
constexpr HRESULT E_POINTER = (HRESULT)0x80004003u;
constexpr HRESULT E_FAIL = (HRESULT)0x80004005u;
constexpr HRESULT E_OUTOFMEMORY = (HRESULT)0x8007000Eu;
constexpr HRESULT E_INVALIDARG = (HRESULT)0x80070057u;

struct POINT
{
    LONG x, y;
};

struct RECT
{
    LONG left, top, right, bottom;
};

// Calendar time in the Windows field order: eight 16-bit fields.
struct SYSTEMTIME
{
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is eight 16-bit fields");

// Interface and class identifiers: the Windows 16-byte layout.
struct GUID
{
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");
typedef GUID IID;
typedef const GUID &REFGUID;
typedef const IID &REFIID;
inline bool operator==(const GUID &a, const GUID &b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; i++)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}
constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// Three floats, shared by the Direct3D- and DirectSound-shaped layers.
struct D3DVECTOR
{
    float x, y, z;
};
