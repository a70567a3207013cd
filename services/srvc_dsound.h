// The DirectSound service (script class "dsound"): owns the DirectSound object, the primary
// buffer in the mixing format the script chooses, and the 3D listener. On app_startup it sets
// itself up on the main window's handle (required attributes sampling_bits 8|16, sampling_rate
// 11025|22050|44100, stereo), writing "Initializing DirectSound..." and the format before and
// "DirectSound succesfully initialized." after; every failure is a dsound_exception_c, the
// DirectX error name appended, after releasing what was made. The format is checked before
// any DirectSound object exists.
// The sound manager makes its buffers through get_dsound(); it multiplies their frequencies by
// m_frequency_factor and negates 3D positions when m_flip is set (the listener's orientation is
// negated then too). Buffers set their 3D values deferred: the service commits them on every
// tick, and a buffer that starts playing takes its own at once. With the listener's default
// orientation a source at +y is heard on the right, where the Direct3D camera draws it. on_shutdown releases listener, primary buffer and DirectSound object, in that order,
// and returns every field to its constructed value.
#pragma once

#include "kernel/abstract.h"
#include "platform/dsound/dsound.h"

class dsound_service_c : public abstract_c
{
public:
    dsound_service_c(abstract_c *parent, const attribute_list_c *attributes);
    ~dsound_service_c() noexcept(false) override;

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    IDirectSound8 *get_dsound() const { return m_pDS; }
    IDirectSoundBuffer *get_primary_buffer() const { return m_pPrimary; }
    IDirectSound3DListener *get_listener() const { return m_pListener; }

    int m_initialized;
    HWND m_hWnd;
    int m_flip;
    float m_frequency_factor;

private:
    void startup();
    void release();

    IDirectSound8 *m_pDS;
    IDirectSoundBuffer *m_pPrimary;
    IDirectSound3DListener *m_pListener;
};

// The service of the tree, asked by for_who: assertions "m_root", the send of get_dsound not
// answered, and "ptr".
dsound_service_c *get_dsound_service(abstract_c *for_who);

// A PCM format; block align in 16-bit arithmetic. Returns the bytes per second.
DWORD make_wave_format(WAVEFORMATEX &out, int bits, int rate, int channels);

// A linear volume (clamped to 0..1) in hundredths of a decibel: -10000 (silence) below 0.01
// and for NaN (a description's infinite volume times a master volume of 0), else 1500 ln x,
// truncated toward zero.
LONG volume_to_decibels(float volume);
