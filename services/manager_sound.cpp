#include "services/manager_sound.h"

#include "basics/vec3.h"
#include "kernel/exception.h"
#include "services/sound_stream.h"
#include "services/srvc_dsound.h"

#include <string>

manager_sound_c::manager_sound_c(abstract_c *parent, const attribute_list_c *attributes)
    : manager_basic_c(parent, attributes), sound_volume(1.0f), music_volume(1.0f)
{
}

int manager_sound_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (manager_basic_c::handle_message(message, sender))
        return 1;
    if (answer_manager_request(message, MSG_VAR(get_sound_mgr), this))
        return 1;
    if (*message == MSG_VAR(sound_set_volumes)) {
        sound_volume = msg_arg(0)->get_float();
        music_volume = msg_arg(1)->get_float();
        this->message(MSG_VAR(sound_set_volume), MSGF_NO_SELF, this, MSG_ARGS_END);
        return 0;
    }
    return 0;
}

data_entity_c *manager_sound_c::create_data(const char *name, int)
{
    const sound_descr descr = load_sound_descr(name);
    if (descr.flags & SOUND_FILE_PCM)
        return new pcm_sound_data_c(this, name, descr);
    if (descr.flags & SOUND_FILE_Ogg)
        return new ogg_sound_data_c(this, name, descr);
    ENGINE_THROW(exception_c, "Internal error");
}

manager_sound_c *get_sound_mgr(abstract_c *for_who)
{
    return static_cast<manager_sound_c *>(find_manager(for_who, "get_sound_mgr"));
}

sound_data_c::sound_data_c(manager_sound_c *manager, const char *template_name, const char *name,
                           const sound_descr &descr)
    : data_entity_c(manager, template_name, name), m_manager(manager), m_descr(descr)
{
}

pcm_sound_data_c::pcm_sound_data_c(manager_sound_c *manager, const char *name, const sound_descr &descr)
    : sound_data_c(manager, "pcm_sound_tpl", name, descr)
{
    ENGINE_ASSERT(descr.flags & SOUND_FILE_PCM);
    const std::string file = std::string(name) + ".wav";
    if (!m_wave.load(file.c_str()))
        ENGINE_THROW(exception_c, "Could not load WAVE file '" + file + "'");
}

void pcm_sound_data_c::on_shutdown()
{
    m_wave.free();
}

resource_entity_c *pcm_sound_data_c::create_resource(int)
{
    return new pcm_sound_c(m_manager, this);
}

sound_resource_c::sound_resource_c(manager_sound_c *manager, sound_data_c *data)
    : resource_entity_c(manager, nullptr, data, 1), m_manager(manager), m_initialized(0), m_dsound(nullptr),
      m_format{}, m_pBuffer(nullptr), m_p3DBuffer(nullptr)
{
    if (data)
        m_descr = data->m_descr;
    add_attribute(&m_total_time, m_attributes, "total_time", value_c(0.0f), 1);
    m_dsound = get_dsound_service(this);
}

sound_resource_c::~sound_resource_c() noexcept(false)
{
    release_buffers();
}

void sound_resource_c::release_buffers()
{
    if (m_p3DBuffer) {
        m_p3DBuffer->Release();
        m_p3DBuffer = nullptr;
    }
    if (m_pBuffer) {
        m_pBuffer->Release();
        m_pBuffer = nullptr;
    }
}

void sound_resource_c::on_shutdown()
{
    release_buffers();
}

void sound_resource_c::check_ready() const
{
    ENGINE_ASSERT(m_pBuffer);
    ENGINE_ASSERT(m_initialized);
}

int sound_resource_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (resource_entity_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(sound_play)) {
        play();
        return 1;
    }
    if (*message == MSG_VAR(sound_restart)) {
        restart();
        return 1;
    }
    if (*message == MSG_VAR(sound_stop)) {
        stop();
        return 1;
    }
    if (*message == MSG_VAR(sound_seek)) {
        seek(msg_arg(0)->get_float());
        return 1;
    }
    if (*message == MSG_VAR(sound_is_playing))
        return is_playing();
    if (*message == MSG_VAR(sound_set_volume)) {
        apply_volume();
        return 0;
    }
    if (*message == MSG_VAR(sound_3d_params)) {
        if (m_descr.flags & SOUND_3D)
            set_3d_params(msg_arg(0)->get_vec3(), msg_arg(1)->get_vec3());
        return 1;
    }
    return 0;
}

void sound_resource_c::play()
{
    check_ready();
    m_pBuffer->Play(0, 0, (m_descr.flags & (SOUND_LOOPED | SOUND_STREAMED)) ? DSBPLAY_LOOPING : 0);
}

void sound_resource_c::restart()
{
    check_ready();
    m_pBuffer->SetCurrentPosition(0);
    m_pBuffer->Play(0, 0, (m_descr.flags & (SOUND_LOOPED | SOUND_STREAMED)) ? DSBPLAY_LOOPING : 0);
}

void sound_resource_c::stop()
{
    check_ready();
    m_pBuffer->Stop();
}

void sound_resource_c::seek(float t)
{
    check_ready();
    m_pBuffer->SetCurrentPosition((DWORD)(int64_t)(m_format.nSamplesPerSec * t));
}

int sound_resource_c::is_playing()
{
    check_ready();
    DWORD status = 0;
    m_pBuffer->GetStatus(&status);
    return (status & DSBSTATUS_PLAYING) ? 1 : 0;
}

void sound_resource_c::apply_volume()
{
    ENGINE_ASSERT(m_pBuffer);
    const float master = (m_descr.flags & SOUND_MUSIC) ? m_manager->music_volume : m_manager->sound_volume;
    m_pBuffer->SetVolume(volume_to_decibels(master * m_descr.volume));
}

void sound_resource_c::apply_frequency()
{
    ENGINE_ASSERT(m_pBuffer);
    m_pBuffer->SetFrequency((DWORD)(m_dsound->m_frequency_factor * m_format.nSamplesPerSec + 0.5f));
}

void sound_resource_c::set_3d_params(const vec3 &position, const vec3 &velocity)
{
    ENGINE_ASSERT(m_p3DBuffer);
    const float s = m_dsound->m_flip ? -1.0f : 1.0f;
    m_p3DBuffer->SetPosition(s * position.x, s * position.y, s * position.z, DS3D_DEFERRED);
    m_p3DBuffer->SetVelocity(s * velocity.x, s * velocity.y, s * velocity.z, DS3D_DEFERRED);
}

void sound_resource_c::setup(const WAVEFORMATEX &format, float total_time)
{
    m_format = format;
    m_total_time.value() = value_c(total_time);
    apply_volume();
    apply_frequency();
    if (m_descr.flags & SOUND_3D) {
        if (FAILED(m_pBuffer->QueryInterface(IID_IDirectSound3DBuffer8, (void **)&m_p3DBuffer)))
            ENGINE_THROW(exception_c, "QueryInterface(IDirectSound3DBuffer8) failed");
        ENGINE_ASSERT(m_p3DBuffer);
        m_p3DBuffer->SetMinDistance(m_descr.min_distance, DS3D_DEFERRED);
        m_p3DBuffer->SetMaxDistance(m_descr.max_distance, DS3D_DEFERRED);
        m_p3DBuffer->SetMode(DS3DMODE_NORMAL, DS3D_DEFERRED);
    }
    m_initialized = 1;
}

pcm_sound_c::pcm_sound_c(manager_sound_c *manager, pcm_sound_data_c *data_entity)
    : sound_resource_c(manager, data_entity)
{
    ENGINE_ASSERT(data_entity);
    DWORD flags = DSBCAPS_LOCDEFER | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY;
    if (m_descr.flags & SOUND_3D)
        flags |= DSBCAPS_CTRL3D;
    const wave_file_c &wave = data_entity->m_wave;
    m_pBuffer = data_entity->m_wave.create_buffer(m_dsound->get_dsound(), flags);
    const WAVEFORMATEX &format = wave.format();
    setup(format, format.nSamplesPerSec ? (float)wave.frame_count() / format.nSamplesPerSec : 0.0f);
}
