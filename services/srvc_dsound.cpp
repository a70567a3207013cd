#include "services/srvc_dsound.h"

#include "basics/console_log.h"
#include "basics/helpers.h"
#include "kernel/exception.h"

#include <cmath>
#include <string>

dsound_service_c::dsound_service_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_initialized(0), m_hWnd(nullptr), m_flip(0), m_frequency_factor(1.0f),
      m_pDS(nullptr), m_pPrimary(nullptr), m_pListener(nullptr)
{
}

dsound_service_c::~dsound_service_c() noexcept(false)
{
    release();
}

void dsound_service_c::release()
{
    if (m_pListener) {
        m_pListener->Release();
        m_pListener = nullptr;
    }
    if (m_pPrimary) {
        m_pPrimary->Release();
        m_pPrimary = nullptr;
    }
    if (m_pDS) {
        m_pDS->Release();
        m_pDS = nullptr;
    }
    m_hWnd = nullptr;
    m_initialized = 0;
}

void dsound_service_c::on_shutdown()
{
    release();
    m_flip = 0;
    m_frequency_factor = 1.0f;
}

int dsound_service_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        if (m_pListener)
            m_pListener->CommitDeferredSettings();
        return 0;
    }
    if (*message == MSG_VAR(app_startup)) {
        startup();
        return 0;
    }
    if (*message == MSG_VAR(get_dsound)) {
        *static_cast<dsound_service_c **>(msg_arg(0)->get_ptr()) = this;
        return 1;
    }
    return 0;
}

namespace {

void check(HRESULT hr, const char *text)
{
    if (FAILED(hr))
        ENGINE_THROW(dsound_exception_c, std::string(text) + dx_error_name(hr));
}

} // namespace

void dsound_service_c::startup()
{
    print_message("Initializing DirectSound...\n");
    if (m_initialized)
        ENGINE_THROW(dsound_exception_c, "Already initialized");

    const int bits = attribute("sampling_bits")->get_int();
    const int rate = attribute("sampling_rate")->get_int();
    const int channels = attribute("stereo")->get_int() ? 2 : 1;
    print_message("%u Hz, %u bits, %u channels\n", (unsigned)rate, (unsigned)bits, (unsigned)channels);
    if (bits != 8 && bits != 16)
        ENGINE_THROW(dsound_exception_c, "'sampling_bits' can only be either 8 or 16");
    if (rate != 11025 && rate != 22050 && rate != 44100)
        ENGINE_THROW(dsound_exception_c, "'sampling_rate' can only be either 11025, 22050 or 44100");

    ENGINE_ASSERT(root()->message(msg_c("mainwnd_get_handles"), 0, this, MSG_ARG((void *)&m_hWnd), MSG_ARG((void *)NULL), MSG_ARGS_END));

    try {
        check(DirectSoundCreate8(nullptr, &m_pDS, nullptr), "Could not Initialize DirectSound: ");
        check(m_pDS->SetCooperativeLevel(m_hWnd, DSSCL_PRIORITY), "Could not set cooperative level:");

        DSBUFFERDESC desc{};
        desc.dwSize = DSBUFFERDESC_WIN32_SIZE;
        desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME;
        desc.guid3DAlgorithm = GUID_NULL;
        check(m_pDS->CreateSoundBuffer(&desc, &m_pPrimary, nullptr), "Could not create primary dsound buffer:");

        WAVEFORMATEX format;
        make_wave_format(format, bits, rate, channels);
        check(m_pPrimary->SetFormat(&format), "Could not set format of primary buffer:");
        check(m_pPrimary->QueryInterface(IID_IDirectSound3DListener, (void **)&m_pListener),
              "Could not obtain listener interface:");

        const float s = m_flip ? -1.0f : 1.0f;
        DS3DLISTENER listener{};
        listener.dwSize = sizeof(listener);
        listener.vPosition = {0.0f, 0.0f, 0.0f};
        listener.vVelocity = {0.0f, 0.0f, 0.0f};
        listener.vOrientFront = {s, 0.0f, 0.0f};
        listener.vOrientTop = {0.0f, 0.0f, s};
        listener.flDistanceFactor = 1.0f;
        listener.flRolloffFactor = 1.0f;
        listener.flDopplerFactor = 1.0f;
        m_pListener->SetAllParameters(&listener, DS3D_IMMEDIATE);
    } catch (...) {
        release();
        throw;
    }

    m_initialized = 1;
    print_message("DirectSound succesfully initialized.\n");
}

dsound_service_c *get_dsound_service(abstract_c *for_who)
{
    dsound_service_c *ptr = nullptr;
    ENGINE_ASSERT(for_who->root()->message(MSG_VAR(get_dsound), 0, for_who, MSG_ARG((void *)&ptr), MSG_ARGS_END));
    ENGINE_ASSERT(ptr);
    return ptr;
}

DWORD make_wave_format(WAVEFORMATEX &out, int bits, int rate, int channels)
{
    out.wFormatTag = WAVE_FORMAT_PCM;
    out.nChannels = (WORD)channels;
    out.nSamplesPerSec = (DWORD)rate;
    out.nBlockAlign = (WORD)((WORD)(bits * channels) / 8);
    out.nAvgBytesPerSec = (DWORD)rate * out.nBlockAlign;
    out.wBitsPerSample = (WORD)bits;
    out.cbSize = 0;
    return out.nAvgBytesPerSec;
}

LONG volume_to_decibels(float volume)
{
    if (volume < 0.0f)
        volume = 0.0f;
    if (volume > 1.0f)
        volume = 1.0f;
    if (!((double)volume >= 0.01))
        return DSBVOLUME_MIN;
    const LONG db = (LONG)(1500.0 * std::log((double)volume));
    return db < DSBVOLUME_MIN ? DSBVOLUME_MIN : db;
}
