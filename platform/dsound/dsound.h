// The DirectSound-shaped sound layer: a DirectSound object, its primary buffer, secondary buffers,
// 3D buffers and the 3D listener, all over one software mixer of our own. Only the calls the
// engine makes exist; constants and DSERR_* results carry DirectSound's numeric values.
//
// Contract of the mixer:
// - A secondary buffer is a byte ring in its own PCM format (8-bit unsigned or 16-bit signed,
//   mono or stereo). The play cursor is exact and frame-aligned. A looping buffer wraps; a buffer
//   played once stops at its end, its cursor back at 0, so that Play starts it again.
// - Volume is in hundredths of a decibel, gain 10^(v/2000), DSBVOLUME_MIN silent. Frequency
//   changes resample linearly; at volume 0 with the output's rate and channel count a buffer is
//   copied to the output bit for bit.
// - 3D space is the engine's. The listener's right is top x front (DirectSound's left-handed
//   rule): with the default orientation (front +x, top +z) a source at +y is heard on the right,
//   the side where the Direct3D camera draws +y; head-relative positions use that orientation.
//   Distance attenuates as min / (min + rolloff * (d - min)), d clamped to the buffer's min and
//   max distance. Deferred 3D settings take effect at the listener's CommitDeferredSettings, and
//   a buffer's own when it starts playing, so a sound is never heard unplaced; the 3D getters
//   report what is in effect. Velocities and the Doppler factor are kept but change no pitch.
// - Lock hands out staging memory holding the ring's current bytes; Unlock copies what it is given
//   back into the ring under the mixer's lock, so a mixing thread never sees a half-written region.
// - Releasing the DirectSound object closes its device; buffers still held stay valid and silent.
//
// Devices (chosen by dsound_select_device before DirectSoundCreate8):
// - DSOUND_DEVICE_SDL: an SDL2 audio device in the primary buffer's format; the mixer runs in its
//   callback.
// - DSOUND_DEVICE_MANUAL: nothing plays by itself; dsound_manual_render steps the mixer by a
//   number of frames and hands back the output, so tests hear exactly what would be played.
#pragma once

#include "platform/sys/wintypes.h"

#include <cstddef>

// Wave formats: the 18-byte packed record of the multimedia headers.
#pragma pack(push, 1)
struct WAVEFORMATEX
{
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is 18 packed bytes");
typedef WAVEFORMATEX *LPWAVEFORMATEX;

constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr WORD WAVE_FORMAT_ADPCM = 2;
constexpr WORD WAVE_FORMAT_IEEE_FLOAT = 3;

// Buffer description. dwSize is 36, the size of the record on the original platform; the size of
// this record is accepted too.
struct DSBUFFERDESC
{
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
    GUID guid3DAlgorithm;
};
constexpr DWORD DSBUFFERDESC_WIN32_SIZE = 36;

struct DS3DLISTENER
{
    DWORD dwSize;
    D3DVECTOR vPosition;
    D3DVECTOR vVelocity;
    D3DVECTOR vOrientFront;
    D3DVECTOR vOrientTop;
    float flDistanceFactor;
    float flRolloffFactor;
    float flDopplerFactor;
};

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;
constexpr DWORD DSSCL_EXCLUSIVE = 3;
constexpr DWORD DSSCL_WRITEPRIMARY = 4;

constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x1;
constexpr DWORD DSBCAPS_STATIC = 0x2;
constexpr DWORD DSBCAPS_LOCHARDWARE = 0x4;
constexpr DWORD DSBCAPS_LOCSOFTWARE = 0x8;
constexpr DWORD DSBCAPS_CTRL3D = 0x10;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr DWORD DSBCAPS_CTRLPAN = 0x40;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x80;
constexpr DWORD DSBCAPS_CTRLPOSITIONNOTIFY = 0x100;
constexpr DWORD DSBCAPS_STICKYFOCUS = 0x4000;
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x8000;
constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x10000;
constexpr DWORD DSBCAPS_MUTE3DATMAXDISTANCE = 0x20000;
constexpr DWORD DSBCAPS_LOCDEFER = 0x40000;

constexpr DWORD DSBPLAY_LOOPING = 0x1;

constexpr DWORD DSBSTATUS_PLAYING = 0x1;
constexpr DWORD DSBSTATUS_BUFFERLOST = 0x2;
constexpr DWORD DSBSTATUS_LOOPING = 0x4;

constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x1;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x2;

constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr LONG DSBPAN_LEFT = -10000;
constexpr LONG DSBPAN_RIGHT = 10000;
constexpr DWORD DSBFREQUENCY_ORIGINAL = 0;
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 100000;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

constexpr DWORD DS3D_IMMEDIATE = 0;
constexpr DWORD DS3D_DEFERRED = 1;
constexpr DWORD DS3DMODE_NORMAL = 0;
constexpr DWORD DS3DMODE_HEADRELATIVE = 1;
constexpr DWORD DS3DMODE_DISABLE = 2;
constexpr float DS3D_DEFAULTDISTANCEFACTOR = 1.0f;
constexpr float DS3D_DEFAULTROLLOFFFACTOR = 1.0f;
constexpr float DS3D_DEFAULTDOPPLERFACTOR = 1.0f;
constexpr float DS3D_DEFAULTMINDISTANCE = 1.0f;
constexpr float DS3D_DEFAULTMAXDISTANCE = 1000000000.0f;

#define MAKE_DSHRESULT(code) MAKE_HRESULT(1, 0x878, code)
constexpr HRESULT DS_OK = S_OK;
constexpr HRESULT DSERR_ALLOCATED = MAKE_DSHRESULT(10);
constexpr HRESULT DSERR_CONTROLUNAVAIL = MAKE_DSHRESULT(30);
constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DSERR_INVALIDCALL = MAKE_DSHRESULT(50);
constexpr HRESULT DSERR_GENERIC = E_FAIL;
constexpr HRESULT DSERR_PRIOLEVELNEEDED = MAKE_DSHRESULT(70);
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DSERR_BADFORMAT = MAKE_DSHRESULT(100);
constexpr HRESULT DSERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DSERR_NODRIVER = MAKE_DSHRESULT(120);
constexpr HRESULT DSERR_ALREADYINITIALIZED = MAKE_DSHRESULT(130);
constexpr HRESULT DSERR_NOAGGREGATION = (HRESULT)0x80040110u;
constexpr HRESULT DSERR_BUFFERLOST = MAKE_DSHRESULT(150);
constexpr HRESULT DSERR_OTHERAPPHASPRIO = MAKE_DSHRESULT(160);
constexpr HRESULT DSERR_UNINITIALIZED = MAKE_DSHRESULT(170);
constexpr HRESULT DSERR_NOINTERFACE = E_NOINTERFACE;
constexpr HRESULT DSERR_ACCESSDENIED = (HRESULT)0x80070005u;
constexpr HRESULT DSERR_BUFFERTOOSMALL = MAKE_DSHRESULT(180);
constexpr HRESULT DSERR_DS8_REQUIRED = MAKE_DSHRESULT(190);

extern const IID IID_IDirectSoundBuffer;
extern const IID IID_IDirectSoundBuffer8;
extern const IID IID_IDirectSound3DBuffer;
extern const IID IID_IDirectSound3DBuffer8;
extern const IID IID_IDirectSound3DListener;

struct IDirectSound3DBuffer;
struct IDirectSound3DListener;

// Reference counting: the objects handed out start with one reference; Release deletes at zero.
// A 3D buffer interface shares its buffer's count, the listener shares the primary buffer's.
struct IDirectSoundBuffer
{
    virtual HRESULT QueryInterface(REFIID riid, void **out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetCurrentPosition(DWORD *play, DWORD *write) = 0;
    virtual HRESULT GetFormat(WAVEFORMATEX *format, DWORD size, DWORD *written) = 0;
    virtual HRESULT GetVolume(LONG *volume) = 0;
    virtual HRESULT GetFrequency(DWORD *frequency) = 0;
    virtual HRESULT GetStatus(DWORD *status) = 0;
    virtual HRESULT Lock(DWORD offset, DWORD bytes, void **ptr1, DWORD *bytes1, void **ptr2, DWORD *bytes2,
                         DWORD flags) = 0;
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    virtual HRESULT SetFormat(const WAVEFORMATEX *format) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT SetPan(LONG pan) = 0;
    virtual HRESULT SetFrequency(DWORD frequency) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(void *ptr1, DWORD bytes1, void *ptr2, DWORD bytes2) = 0;
    virtual HRESULT Restore() = 0;

protected:
    virtual ~IDirectSoundBuffer() = default;
};
typedef IDirectSoundBuffer IDirectSoundBuffer8;
typedef IDirectSoundBuffer *LPDIRECTSOUNDBUFFER;
typedef IDirectSoundBuffer *LPDIRECTSOUNDBUFFER8;

struct IDirectSound3DBuffer
{
    virtual HRESULT QueryInterface(REFIID riid, void **out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetPosition(D3DVECTOR *position) = 0;
    virtual HRESULT GetVelocity(D3DVECTOR *velocity) = 0;
    virtual HRESULT GetMinDistance(float *distance) = 0;
    virtual HRESULT GetMaxDistance(float *distance) = 0;
    virtual HRESULT GetMode(DWORD *mode) = 0;
    virtual HRESULT SetPosition(float x, float y, float z, DWORD apply) = 0;
    virtual HRESULT SetVelocity(float x, float y, float z, DWORD apply) = 0;
    virtual HRESULT SetMinDistance(float distance, DWORD apply) = 0;
    virtual HRESULT SetMaxDistance(float distance, DWORD apply) = 0;
    virtual HRESULT SetMode(DWORD mode, DWORD apply) = 0;

protected:
    virtual ~IDirectSound3DBuffer() = default;
};
typedef IDirectSound3DBuffer IDirectSound3DBuffer8;
typedef IDirectSound3DBuffer *LPDIRECTSOUND3DBUFFER;
typedef IDirectSound3DBuffer *LPDIRECTSOUND3DBUFFER8;

struct IDirectSound3DListener
{
    virtual HRESULT QueryInterface(REFIID riid, void **out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetAllParameters(DS3DLISTENER *params) = 0;
    virtual HRESULT SetAllParameters(const DS3DLISTENER *params, DWORD apply) = 0;
    virtual HRESULT SetPosition(float x, float y, float z, DWORD apply) = 0;
    virtual HRESULT SetVelocity(float x, float y, float z, DWORD apply) = 0;
    virtual HRESULT SetOrientation(float fx, float fy, float fz, float tx, float ty, float tz, DWORD apply) = 0;
    virtual HRESULT SetDistanceFactor(float factor, DWORD apply) = 0;
    virtual HRESULT SetRolloffFactor(float factor, DWORD apply) = 0;
    virtual HRESULT SetDopplerFactor(float factor, DWORD apply) = 0;
    virtual HRESULT CommitDeferredSettings() = 0;

protected:
    virtual ~IDirectSound3DListener() = default;
};
typedef IDirectSound3DListener IDirectSound3DListener8;
typedef IDirectSound3DListener *LPDIRECTSOUND3DLISTENER;

struct IDirectSound8
{
    virtual HRESULT QueryInterface(REFIID riid, void **out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC *desc, IDirectSoundBuffer **out, void *outer) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;

protected:
    virtual ~IDirectSound8() = default;
};
typedef IDirectSound8 *LPDIRECTSOUND8;

// device: NULL for the default device (the only one). outer must be NULL.
HRESULT DirectSoundCreate8(const GUID *device, IDirectSound8 **out, void *outer);

enum dsound_device_e
{
    DSOUND_DEVICE_SDL,
    DSOUND_DEVICE_MANUAL,
};

// The device the next DirectSoundCreate8 opens; DSOUND_DEVICE_SDL until changed.
void dsound_select_device(dsound_device_e device);
dsound_device_e dsound_selected_device();

// Manual device: mixes `frames` frames in the primary buffer's format into `out` (frames x block
// align bytes). DSERR_INVALIDCALL when ds does not run on the manual device.
HRESULT dsound_manual_render(IDirectSound8 *ds, void *out, DWORD frames);
