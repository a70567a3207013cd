// The sound manager (script class "sound_manager", found through the root with get_sound_mgr)
// owns every sound the program plays. A sound "sounds/x" is described by "sounds/x.sfd"
// (services/manager_sound_files.h): PCM samples come from "sounds/x.wav" and play from one
// DirectSound buffer; Ogg Vorbis comes from "sounds/x.Ogg" and is decoded while it plays
// (services/sound_stream.h). One data entry per name holds the file; every load gives the
// loader an instance of its own, with its own buffer (a unique resource entry), which it drives
// with messages:
//   sound_play, sound_restart, sound_stop, sound_seek (FLOAT t: the position becomes samples
//   per second x t, used as a byte offset), sound_is_playing (answered only while the buffer
//   plays), sound_3d_params (VEC3 position, VEC3 velocity; 3D sounds only, deferred until the
//   DirectSound service commits them on its tick; answered by every sound), and
//   sound_set_volume, which no instance answers so that it reaches all of them.
// The manager keeps two master volumes, effects and music (1.0 at start). sound_set_volumes
// (FLOAT effects, FLOAT music) stores them and re-applies every live instance's volume:
// master (music or effects, by the description's music flag) x the sound's own volume, in
// hundredths of a decibel. The message is not reported handled. Instances made later start
// with the current volumes. Return codes of the buffer calls that drive a sound are not checked.
// Operations on an instance without a buffer fail the assertions "m_pBuffer", "m_initialized"
// and "m_p3DBuffer".
#pragma once

#include "platform/dsound/dsound.h"
#include "services/manager_basic.h"
#include "services/manager_sound_files.h"
#include "importers/waves_pcm.h"

struct vec3;
class dsound_service_c;

class manager_sound_c : public manager_basic_c
{
public:
    manager_sound_c(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    data_entity_c *create_data(const char *name, int prm) override;

    float sound_volume;
    float music_volume;
};

// The sound manager of the tree, asked by for_who: assertions "m_root", the send not answered,
// and "ptr".
manager_sound_c *get_sound_mgr(abstract_c *for_who);

class sound_data_c : public data_entity_c
{
public:
    sound_data_c(manager_sound_c *manager, const char *template_name, const char *name, const sound_descr &descr);

    manager_sound_c *m_manager;
    sound_descr m_descr;
};

// The samples of name + ".wav", loaded whole.
class pcm_sound_data_c : public sound_data_c
{
public:
    pcm_sound_data_c(manager_sound_c *manager, const char *name, const sound_descr &descr);

    void on_shutdown() override;
    resource_entity_c *create_resource(int prm) override;

    wave_file_c m_wave;
};

class sound_resource_c : public resource_entity_c
{
public:
    // data may be null: the description then has its defaults.
    sound_resource_c(manager_sound_c *manager, sound_data_c *data);
    ~sound_resource_c() noexcept(false) override;

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    virtual void play();
    virtual void restart();
    virtual void stop();
    virtual void seek(float t);

    int is_playing();
    void apply_volume();
    void apply_frequency();
    void set_3d_params(const vec3 &position, const vec3 &velocity);

    manager_sound_c *m_manager;
    int m_initialized;
    dsound_service_c *m_dsound;
    WAVEFORMATEX m_format;
    IDirectSoundBuffer8 *m_pBuffer;
    IDirectSound3DBuffer8 *m_p3DBuffer;
    sound_descr m_descr;

protected:
    // Takes the format, the length, applies volume and frequency and, for a 3D sound, sets up its
    // 3D interface ("QueryInterface(IDirectSound3DBuffer8) failed").
    void setup(const WAVEFORMATEX &format, float total_time);
    void release_buffers();
    void check_ready() const;

    attribute_c m_total_time;
};

class pcm_sound_c : public sound_resource_c
{
public:
    explicit pcm_sound_c(manager_sound_c *manager, pcm_sound_data_c *data);
};
