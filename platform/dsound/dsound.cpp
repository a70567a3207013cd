#include "platform/dsound/dsound.h"
#include "platform/dsound/mixer.h"

#include <cmath>
#include <cstring>

const IID IID_IDirectSoundBuffer = {0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const IID IID_IDirectSoundBuffer8 = {0x6825A449, 0x7524, 0x4D82, {0x92, 0x0F, 0x50, 0xE3, 0x6A, 0xB3, 0xAB, 0x1E}};
const IID IID_IDirectSound3DBuffer = {0x279AFA86, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const IID IID_IDirectSound3DBuffer8 = IID_IDirectSound3DBuffer;
const IID IID_IDirectSound3DListener = {0x279AFA84, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

namespace {

dsound_device_e g_selected_device = DSOUND_DEVICE_SDL;

// What the DirectSound object and its buffers share; outlives the object while buffers exist.
struct ds_core_s
{
    mixer_c mixer;
    std::unique_ptr<dsound_device_c> device;
    DWORD cooperative_level = 0;
    class primary_buffer_c *primary = nullptr;
};

bool valid_vector(float x, float y, float z) { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

bool valid_apply(DWORD apply) { return apply == DS3D_IMMEDIATE || apply == DS3D_DEFERRED; }

// Sets a 3D value in the pending set, and in the applied one too when immediate.
template <typename Set, typename Field, typename Value>
HRESULT set_3d(mixer_c &m, Set &pending, Set &applied, Field field, const Value &value, DWORD apply)
{
    if (!valid_apply(apply))
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m.m_mutex);
    pending.*field = value;
    if (apply == DS3D_IMMEDIATE)
        applied.*field = value;
    return DS_OK;
}

template <typename Set>
HRESULT set_3d_vector(mixer_c &m, Set &pending, Set &applied, D3DVECTOR Set::*field, float x, float y, float z,
                      DWORD apply)
{
    if (!valid_vector(x, y, z))
        return DSERR_INVALIDPARAM;
    return set_3d(m, pending, applied, field, D3DVECTOR{x, y, z}, apply);
}

class secondary_buffer_c;

class buffer_3d_c final : public IDirectSound3DBuffer
{
public:
    explicit buffer_3d_c(secondary_buffer_c *owner) : m_owner(owner) {}
    HRESULT QueryInterface(REFIID riid, void **out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetPosition(D3DVECTOR *position) override { return get(position, &mix_3d_s::position); }
    HRESULT GetVelocity(D3DVECTOR *velocity) override { return get(velocity, &mix_3d_s::velocity); }
    HRESULT GetMinDistance(float *distance) override { return get(distance, &mix_3d_s::min_distance); }
    HRESULT GetMaxDistance(float *distance) override { return get(distance, &mix_3d_s::max_distance); }
    HRESULT GetMode(DWORD *mode) override { return get(mode, &mix_3d_s::mode); }
    HRESULT SetPosition(float x, float y, float z, DWORD apply) override
    {
        return set_vector(&mix_3d_s::position, x, y, z, apply);
    }
    HRESULT SetVelocity(float x, float y, float z, DWORD apply) override
    {
        return set_vector(&mix_3d_s::velocity, x, y, z, apply);
    }
    HRESULT SetMinDistance(float distance, DWORD apply) override
    {
        if (!(distance > 0.0f) || !std::isfinite(distance))
            return DSERR_INVALIDPARAM;
        return set(&mix_3d_s::min_distance, distance, apply);
    }
    HRESULT SetMaxDistance(float distance, DWORD apply) override
    {
        if (!(distance > 0.0f) || !std::isfinite(distance))
            return DSERR_INVALIDPARAM;
        return set(&mix_3d_s::max_distance, distance, apply);
    }
    HRESULT SetMode(DWORD mode, DWORD apply) override
    {
        if (mode > DS3DMODE_DISABLE)
            return DSERR_INVALIDPARAM;
        return set(&mix_3d_s::mode, mode, apply);
    }

private:
    template <typename T> HRESULT get(T *out, T mix_3d_s::*field);
    template <typename T> HRESULT set(T mix_3d_s::*field, const T &value, DWORD apply);
    HRESULT set_vector(D3DVECTOR mix_3d_s::*field, float x, float y, float z, DWORD apply);
    secondary_buffer_c *m_owner;
};

// The reference count of an object handed out; the interface's destructor is virtual.
template <typename Itf> class ref_counted_c : public Itf
{
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

private:
    ULONG m_refs = 1;
};

class buffer_base_c : public ref_counted_c<IDirectSoundBuffer>
{
public:
    buffer_base_c(std::shared_ptr<ds_core_s> core, DWORD flags) : m_core(std::move(core)), m_flags(flags) {}
    HRESULT Restore() override { return DS_OK; }

protected:
    mixer_c &mixer() { return m_core->mixer; }

    // The buffer answers for itself, and for its 3D interface when made with DSBCAPS_CTRL3D.
    HRESULT query(REFIID riid, void **out, REFIID riid_3d, void *itf_3d)
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid == IID_IDirectSoundBuffer || riid == IID_IDirectSoundBuffer8)
            *out = static_cast<IDirectSoundBuffer *>(this);
        else if (riid == riid_3d && (m_flags & DSBCAPS_CTRL3D))
            *out = itf_3d;
        else
            return E_NOINTERFACE;
        AddRef();
        return DS_OK;
    }

    // A control of the buffer: present only with its creation flag, set within its range.
    template <typename T> HRESULT set_control(DWORD flag, T &field, T value, T low, T high)
    {
        if (!(m_flags & flag))
            return DSERR_CONTROLUNAVAIL;
        if (value < low || value > high)
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        field = value;
        return DS_OK;
    }
    template <typename T> HRESULT get_control(DWORD flag, const T &field, T *out)
    {
        if (!(m_flags & flag))
            return DSERR_CONTROLUNAVAIL;
        if (!out)
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        *out = field;
        return DS_OK;
    }
    std::shared_ptr<ds_core_s> m_core;
    DWORD m_flags;
};

class secondary_buffer_c final : public buffer_base_c
{
public:
    secondary_buffer_c(std::shared_ptr<ds_core_s> core, DWORD flags, const mix_format_s &format, DWORD bytes)
        : buffer_base_c(std::move(core), flags), m_3d(this)
    {
        m_voice.format = format;
        m_voice.ring.assign(bytes, format.bits == 8 ? 0x80 : 0);
        m_voice.frames = bytes / format.block();
        m_voice.frequency = format.rate;
        m_voice.is_3d = (flags & DSBCAPS_CTRL3D) != 0;
        m_staging.resize(bytes);
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        mixer().m_voices.push_back(&m_voice);
    }
    ~secondary_buffer_c() override
    {
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        auto &voices = mixer().m_voices;
        for (size_t i = 0; i < voices.size(); i++)
            if (voices[i] == &m_voice) {
                voices.erase(voices.begin() + i);
                break;
            }
    }

    HRESULT QueryInterface(REFIID riid, void **out) override
    {
        return query(riid, out, IID_IDirectSound3DBuffer, static_cast<IDirectSound3DBuffer *>(&m_3d));
    }

    HRESULT GetCurrentPosition(DWORD *play, DWORD *write) override
    {
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        const DWORD cursor = play_cursor();
        if (play)
            *play = cursor;
        if (write)
            *write = cursor;
        return DS_OK;
    }
    HRESULT GetFormat(WAVEFORMATEX *format, DWORD size, DWORD *written) override
    {
        return copy_format(m_voice.format, format, size, written);
    }
    HRESULT GetVolume(LONG *volume) override { return get_control(DSBCAPS_CTRLVOLUME, m_voice.volume, volume); }
    HRESULT GetFrequency(DWORD *frequency) override
    {
        return get_control(DSBCAPS_CTRLFREQUENCY, m_voice.frequency, frequency);
    }
    HRESULT GetStatus(DWORD *status) override
    {
        if (!status)
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        *status = 0;
        if (m_voice.playing)
            *status = DSBSTATUS_PLAYING | (m_voice.looping ? DSBSTATUS_LOOPING : 0);
        return DS_OK;
    }
    HRESULT Lock(DWORD offset, DWORD bytes, void **ptr1, DWORD *bytes1, void **ptr2, DWORD *bytes2,
                 DWORD flags) override
    {
        if (!ptr1 || !bytes1)
            return DSERR_INVALIDPARAM;
        const DWORD size = (DWORD)m_voice.ring.size();
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        if (flags & DSBLOCK_FROMWRITECURSOR)
            offset = play_cursor();
        if (flags & DSBLOCK_ENTIREBUFFER)
            bytes = size;
        if (offset >= size || bytes == 0 || bytes > size)
            return DSERR_INVALIDPARAM;
        const DWORD first = std::min(bytes, size - offset);
        const DWORD second = bytes - first;
        if (second && (!ptr2 || !bytes2))
            return DSERR_INVALIDPARAM;
        memcpy(m_staging.data() + offset, m_voice.ring.data() + offset, first);
        memcpy(m_staging.data(), m_voice.ring.data(), second);
        *ptr1 = m_staging.data() + offset;
        *bytes1 = first;
        if (ptr2)
            *ptr2 = second ? m_staging.data() : nullptr;
        if (bytes2)
            *bytes2 = second;
        return DS_OK;
    }
    HRESULT Unlock(void *ptr1, DWORD bytes1, void *ptr2, DWORD bytes2) override
    {
        if (!region_ok(ptr1, bytes1) || !region_ok(ptr2, bytes2))
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        copy_back(ptr1, bytes1);
        copy_back(ptr2, bytes2);
        return DS_OK;
    }
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override
    {
        if (reserved != 0 || (priority != 0 && !(m_flags & DSBCAPS_LOCDEFER)))
            return DSERR_INVALIDPARAM;
        if (m_core->device) {
            const HRESULT hr = m_core->device->wake();
            if (FAILED(hr))
                return hr;
        }
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        // Positions set deferred since the last commit place a sound that starts between ticks.
        if (!m_voice.playing && m_voice.is_3d)
            m_voice.applied = m_voice.pending;
        m_voice.playing = true;
        m_voice.looping = (flags & DSBPLAY_LOOPING) != 0;
        return DS_OK;
    }
    HRESULT SetCurrentPosition(DWORD position) override
    {
        if (position >= m_voice.ring.size())
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        m_voice.position = (uint64_t)(position / m_voice.format.block()) << 32;
        return DS_OK;
    }
    HRESULT SetFormat(const WAVEFORMATEX *) override { return DSERR_INVALIDCALL; }
    HRESULT SetVolume(LONG volume) override
    {
        return set_control(DSBCAPS_CTRLVOLUME, m_voice.volume, volume, DSBVOLUME_MIN, DSBVOLUME_MAX);
    }
    HRESULT SetPan(LONG pan) override { return set_control(DSBCAPS_CTRLPAN, m_voice.pan, pan, DSBPAN_LEFT, DSBPAN_RIGHT); }
    HRESULT SetFrequency(DWORD frequency) override
    {
        if (frequency == DSBFREQUENCY_ORIGINAL)
            frequency = m_voice.format.rate;
        return set_control(DSBCAPS_CTRLFREQUENCY, m_voice.frequency, frequency, DSBFREQUENCY_MIN,
                           DSBFREQUENCY_MAX);
    }
    HRESULT Stop() override
    {
        std::lock_guard<std::mutex> lock(mixer().m_mutex);
        m_voice.playing = false;
        return DS_OK;
    }

    static HRESULT copy_format(const mix_format_s &f, WAVEFORMATEX *format, DWORD size, DWORD *written)
    {
        if (!format && !written)
            return DSERR_INVALIDPARAM;
        if (format) {
            if (size < sizeof(WAVEFORMATEX))
                return DSERR_INVALIDPARAM;
            format->wFormatTag = WAVE_FORMAT_PCM;
            format->nChannels = (WORD)f.channels;
            format->nSamplesPerSec = (DWORD)f.rate;
            format->nBlockAlign = (WORD)f.block();
            format->nAvgBytesPerSec = (DWORD)(f.rate * f.block());
            format->wBitsPerSample = (WORD)f.bits;
            format->cbSize = 0;
        }
        if (written)
            *written = sizeof(WAVEFORMATEX);
        return DS_OK;
    }

private:
    friend class buffer_3d_c;

    DWORD play_cursor() const { return (DWORD)(m_voice.position >> 32) * m_voice.format.block(); }
    bool region_ok(const void *ptr, DWORD bytes) const
    {
        if (!ptr)
            return bytes == 0;
        const uint8_t *p = static_cast<const uint8_t *>(ptr);
        const uint8_t *base = m_staging.data();
        return p >= base && p <= base + m_staging.size() && bytes <= (size_t)(base + m_staging.size() - p);
    }
    void copy_back(const void *ptr, DWORD bytes)
    {
        if (!ptr || !bytes)
            return;
        const size_t offset = static_cast<const uint8_t *>(ptr) - m_staging.data();
        memcpy(m_voice.ring.data() + offset, ptr, bytes);
    }

    mix_voice_s m_voice;
    std::vector<uint8_t> m_staging;
    buffer_3d_c m_3d;
};

HRESULT buffer_3d_c::QueryInterface(REFIID riid, void **out) { return m_owner->QueryInterface(riid, out); }
ULONG buffer_3d_c::AddRef() { return m_owner->AddRef(); }
ULONG buffer_3d_c::Release() { return m_owner->Release(); }

template <typename T> HRESULT buffer_3d_c::get(T *out, T mix_3d_s::*field)
{
    if (!out)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_owner->mixer().m_mutex);
    *out = m_owner->m_voice.applied.*field;
    return DS_OK;
}

template <typename T> HRESULT buffer_3d_c::set(T mix_3d_s::*field, const T &value, DWORD apply)
{
    mix_voice_s &v = m_owner->m_voice;
    return set_3d(m_owner->mixer(), v.pending, v.applied, field, value, apply);
}

HRESULT buffer_3d_c::set_vector(D3DVECTOR mix_3d_s::*field, float x, float y, float z, DWORD apply)
{
    mix_voice_s &v = m_owner->m_voice;
    return set_3d_vector(m_owner->mixer(), v.pending, v.applied, field, x, y, z, apply);
}

class primary_buffer_c;

class listener_c final : public IDirectSound3DListener
{
public:
    listener_c(primary_buffer_c *owner, mixer_c &mixer) : m_owner(owner), m_mixer(mixer) {}
    HRESULT QueryInterface(REFIID riid, void **out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetAllParameters(DS3DLISTENER *p) override
    {
        if (!p || p->dwSize != sizeof(DS3DLISTENER))
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(m_mixer.m_mutex);
        const mix_listener_s &l = m_mixer.m_listener;
        p->vPosition = l.position;
        p->vVelocity = l.velocity;
        p->vOrientFront = l.front;
        p->vOrientTop = l.top;
        p->flDistanceFactor = l.distance_factor;
        p->flRolloffFactor = l.rolloff_factor;
        p->flDopplerFactor = l.doppler_factor;
        return DS_OK;
    }
    HRESULT SetAllParameters(const DS3DLISTENER *p, DWORD apply) override
    {
        if (!p || p->dwSize != sizeof(DS3DLISTENER) || !valid_apply(apply))
            return DSERR_INVALIDPARAM;
        mix_listener_s l;
        l.position = p->vPosition;
        l.velocity = p->vVelocity;
        l.front = p->vOrientFront;
        l.top = p->vOrientTop;
        l.distance_factor = p->flDistanceFactor;
        l.rolloff_factor = p->flRolloffFactor;
        l.doppler_factor = p->flDopplerFactor;
        std::lock_guard<std::mutex> lock(m_mixer.m_mutex);
        m_mixer.m_listener_pending = l;
        if (apply == DS3D_IMMEDIATE)
            m_mixer.m_listener = l;
        return DS_OK;
    }
    HRESULT SetPosition(float x, float y, float z, DWORD apply) override
    {
        return set_vector(&mix_listener_s::position, x, y, z, apply);
    }
    HRESULT SetVelocity(float x, float y, float z, DWORD apply) override
    {
        return set_vector(&mix_listener_s::velocity, x, y, z, apply);
    }
    HRESULT SetOrientation(float fx, float fy, float fz, float tx, float ty, float tz, DWORD apply) override
    {
        if (!valid_vector(fx, fy, fz) || !valid_vector(tx, ty, tz) || !valid_apply(apply))
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(m_mixer.m_mutex);
        m_mixer.m_listener_pending.front = {fx, fy, fz};
        m_mixer.m_listener_pending.top = {tx, ty, tz};
        if (apply == DS3D_IMMEDIATE) {
            m_mixer.m_listener.front = {fx, fy, fz};
            m_mixer.m_listener.top = {tx, ty, tz};
        }
        return DS_OK;
    }
    HRESULT SetDistanceFactor(float f, DWORD apply) override
    {
        return f > 0.0f ? set(&mix_listener_s::distance_factor, f, apply) : DSERR_INVALIDPARAM;
    }
    HRESULT SetRolloffFactor(float f, DWORD apply) override
    {
        return f >= 0.0f && f <= 10.0f ? set(&mix_listener_s::rolloff_factor, f, apply) : DSERR_INVALIDPARAM;
    }
    HRESULT SetDopplerFactor(float f, DWORD apply) override
    {
        return f >= 0.0f && f <= 10.0f ? set(&mix_listener_s::doppler_factor, f, apply) : DSERR_INVALIDPARAM;
    }
    HRESULT CommitDeferredSettings() override
    {
        std::lock_guard<std::mutex> lock(m_mixer.m_mutex);
        m_mixer.commit_deferred();
        return DS_OK;
    }

private:
    template <typename T> HRESULT set(T mix_listener_s::*field, const T &value, DWORD apply)
    {
        return set_3d(m_mixer, m_mixer.m_listener_pending, m_mixer.m_listener, field, value, apply);
    }
    HRESULT set_vector(D3DVECTOR mix_listener_s::*field, float x, float y, float z, DWORD apply)
    {
        return set_3d_vector(m_mixer, m_mixer.m_listener_pending, m_mixer.m_listener, field, x, y, z, apply);
    }
    primary_buffer_c *m_owner;
    mixer_c &m_mixer;
};

class primary_buffer_c final : public buffer_base_c
{
public:
    primary_buffer_c(std::shared_ptr<ds_core_s> core, DWORD flags)
        : buffer_base_c(std::move(core), flags), m_listener(this, m_core->mixer)
    {
        m_core->primary = this;
    }
    ~primary_buffer_c() override { m_core->primary = nullptr; }

    HRESULT QueryInterface(REFIID riid, void **out) override
    {
        return query(riid, out, IID_IDirectSound3DListener, static_cast<IDirectSound3DListener *>(&m_listener));
    }
    HRESULT GetCurrentPosition(DWORD *play, DWORD *write) override
    {
        if (play)
            *play = 0;
        if (write)
            *write = 0;
        return DS_OK;
    }
    HRESULT GetFormat(WAVEFORMATEX *format, DWORD size, DWORD *written) override
    {
        mix_format_s f;
        {
            std::lock_guard<std::mutex> lock(mixer().m_mutex);
            f = mixer().m_out;
        }
        return secondary_buffer_c::copy_format(f, format, size, written);
    }
    HRESULT GetVolume(LONG *volume) override
    {
        return get_control(DSBCAPS_CTRLVOLUME, mixer().m_master_volume, volume);
    }
    HRESULT GetFrequency(DWORD *) override { return DSERR_CONTROLUNAVAIL; }
    HRESULT GetStatus(DWORD *status) override
    {
        if (!status)
            return DSERR_INVALIDPARAM;
        *status = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;
        return DS_OK;
    }
    HRESULT Lock(DWORD, DWORD, void **, DWORD *, void **, DWORD *, DWORD) override { return DSERR_PRIOLEVELNEEDED; }
    HRESULT Unlock(void *, DWORD, void *, DWORD) override { return DSERR_INVALIDCALL; }
    HRESULT Play(DWORD, DWORD, DWORD flags) override
    {
        if (!(flags & DSBPLAY_LOOPING))
            return DSERR_INVALIDPARAM;
        return m_core->device ? m_core->device->wake() : DS_OK;
    }
    HRESULT SetCurrentPosition(DWORD) override { return DSERR_INVALIDCALL; }
    HRESULT SetFormat(const WAVEFORMATEX *format) override
    {
        if (!format)
            return DSERR_INVALIDPARAM;
        if (m_core->cooperative_level < DSSCL_PRIORITY)
            return DSERR_PRIOLEVELNEEDED;
        mix_format_s f;
        if (!mix_format_from_wave(*format, f))
            return DSERR_BADFORMAT;
        {
            // The format in use already: nothing to restart.
            std::lock_guard<std::mutex> lock(mixer().m_mutex);
            const mix_format_s &now = mixer().m_out;
            if (now.channels == f.channels && now.bits == f.bits && now.rate == f.rate)
                return DS_OK;
        }
        if (m_core->device)
            m_core->device->suspend();
        {
            std::lock_guard<std::mutex> lock(mixer().m_mutex);
            mixer().m_out = f;
        }
        return m_core->device ? m_core->device->reformat() : DS_OK;
    }
    HRESULT SetVolume(LONG volume) override
    {
        return set_control(DSBCAPS_CTRLVOLUME, mixer().m_master_volume, volume, DSBVOLUME_MIN, DSBVOLUME_MAX);
    }
    HRESULT SetPan(LONG) override { return DSERR_CONTROLUNAVAIL; }
    HRESULT SetFrequency(DWORD) override { return DSERR_CONTROLUNAVAIL; }
    HRESULT Stop() override { return DS_OK; }

private:
    listener_c m_listener;
};

HRESULT listener_c::QueryInterface(REFIID riid, void **out) { return m_owner->QueryInterface(riid, out); }
ULONG listener_c::AddRef() { return m_owner->AddRef(); }
ULONG listener_c::Release() { return m_owner->Release(); }

class direct_sound_c final : public ref_counted_c<IDirectSound8>
{
public:
    explicit direct_sound_c(std::shared_ptr<ds_core_s> core) : m_core(std::move(core)) {}
    ~direct_sound_c() override
    {
        if (m_core->device)
            m_core->device->close();
        m_core->device.reset();
    }
    HRESULT QueryInterface(REFIID, void **out) override
    {
        if (out)
            *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT CreateSoundBuffer(const DSBUFFERDESC *desc, IDirectSoundBuffer **out, void *outer) override
    {
        if (!out)
            return DSERR_INVALIDPARAM;
        *out = nullptr;
        if (outer)
            return DSERR_NOAGGREGATION;
        if (!desc || (desc->dwSize != DSBUFFERDESC_WIN32_SIZE && desc->dwSize != sizeof(DSBUFFERDESC)))
            return DSERR_INVALIDPARAM;
        const DWORD flags = desc->dwFlags;
        if ((flags & DSBCAPS_CTRL3D) && (flags & DSBCAPS_CTRLPAN))
            return DSERR_INVALIDPARAM;
        if ((flags & DSBCAPS_LOCHARDWARE) && (flags & DSBCAPS_LOCSOFTWARE))
            return DSERR_INVALIDPARAM;
        if (flags & DSBCAPS_PRIMARYBUFFER) {
            if (desc->dwBufferBytes != 0 || desc->lpwfxFormat)
                return DSERR_INVALIDPARAM;
            if (m_core->primary) {
                m_core->primary->AddRef();
                *out = m_core->primary;
                return DS_OK;
            }
            *out = new primary_buffer_c(m_core, flags);
            return DS_OK;
        }
        if (!desc->lpwfxFormat)
            return DSERR_INVALIDPARAM;
        mix_format_s format;
        if (!mix_format_from_wave(*desc->lpwfxFormat, format))
            return DSERR_BADFORMAT;
        if ((flags & DSBCAPS_CTRL3D) && format.channels != 1)
            return DSERR_INVALIDPARAM;
        const DWORD bytes = desc->dwBufferBytes;
        if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX || bytes % format.block() != 0)
            return DSERR_INVALIDPARAM;
        *out = new secondary_buffer_c(m_core, flags, format, bytes);
        return DS_OK;
    }
    HRESULT SetCooperativeLevel(HWND, DWORD level) override
    {
        if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY)
            return DSERR_INVALIDPARAM;
        m_core->cooperative_level = level;
        return DS_OK;
    }

    ds_core_s &core() { return *m_core; }

private:
    std::shared_ptr<ds_core_s> m_core;
};

} // namespace

HRESULT DirectSoundCreate8(const GUID *device, IDirectSound8 **out, void *outer)
{
    if (!out)
        return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (outer)
        return DSERR_NOAGGREGATION;
    if (device && !(*device == GUID_NULL))
        return DSERR_NODRIVER;
    auto core = std::make_shared<ds_core_s>();
    core->device = g_selected_device == DSOUND_DEVICE_MANUAL ? dsound_make_manual_device() : dsound_make_sdl_device();
    const HRESULT hr = core->device->open(&core->mixer);
    if (FAILED(hr)) {
        core->device.reset();
        return hr;
    }
    *out = new direct_sound_c(std::move(core));
    return DS_OK;
}

void dsound_select_device(dsound_device_e device) { g_selected_device = device; }

dsound_device_e dsound_selected_device() { return g_selected_device; }

HRESULT dsound_manual_render(IDirectSound8 *ds, void *out, DWORD frames)
{
    auto *object = dynamic_cast<direct_sound_c *>(ds);
    if (!object || !object->core().device || !object->core().device->is_manual())
        return DSERR_INVALIDCALL;
    if (!out && frames)
        return DSERR_INVALIDPARAM;
    mixer_c &m = object->core().mixer;
    std::lock_guard<std::mutex> lock(m.m_mutex);
    m.render(out, frames);
    return DS_OK;
}
