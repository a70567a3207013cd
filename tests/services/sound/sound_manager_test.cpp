// The sound manager with WAVE sounds on the manual mixer device: instances, what the mix
// hears when they are driven by messages, master volumes, 3D placement and the failures.
#include "tests/services/sound/sound_world.h"

#include "basics/vec3.h"
#include "services/creators.h"

#include <cmath>

namespace {

using sound_world::thrown;

class sound_manager : public sound_world::world
{
protected:
    // A mono ramp: every sample differs, so the mix shows exactly where a sound plays from.
    void put_ramp(const char *name, const std::string &sfd, int frames)
    {
        m_ramp = soundgen::ramp(1, frames);
        put_wave(name, sfd, m_ramp);
    }
    // The mono samples first..first+count of the ramp heard on both channels.
    void expect_ramp(const soundgen::samples &out, int first, int count, const char *what)
    {
        ASSERT_EQ(out.size(), (size_t)count * 2) << what;
        for (int i = 0; i < count; i++) {
            ASSERT_EQ(out[2 * i], m_ramp[first + i]) << what << " frame " << i;
            ASSERT_EQ(out[2 * i + 1], m_ramp[first + i]) << what << " frame " << i;
        }
    }
    static bool silent(const soundgen::samples &out)
    {
        for (int16_t v : out)
            if (v)
                return false;
        return true;
    }
    LONG volume_of(isound_c &h)
    {
        LONG v = 1;
        resource(h)->m_pBuffer->GetVolume(&v);
        return v;
    }

    soundgen::samples m_ramp;
};

TEST_F(sound_manager, each_load_is_an_instance_of_its_own_on_one_data_entry)
{
    put_ramp("sounds/r", "format = PCM;", 600);
    isound_c &a = load("sounds/r");
    isound_c &b = load("SOUNDS/R");
    ASSERT_NE(resource(a), resource(b));
    ASSERT_NE(resource(a)->data(), nullptr);
    EXPECT_EQ(resource(a)->data(), resource(b)->data());
    EXPECT_EQ(resource(a)->data()->resource_count(), 2);
    EXPECT_EQ(resource(a)->m_pBuffer == resource(b)->m_pBuffer, false);
    EXPECT_FLOAT_EQ(resource(a)->attribute("total_time")->get_float(), 600.0f / 44100.0f);

    a.play();
    EXPECT_EQ(a.is_playing(), 1);
    EXPECT_EQ(b.is_playing(), 0);
    expect_ramp(render(400), 0, 400, "first part");
    // A sound played once stops at its end, and is then no longer reported playing.
    const soundgen::samples rest = render(300);
    expect_ramp(soundgen::samples(rest.begin(), rest.begin() + 400), 400, 200, "end");
    EXPECT_TRUE(silent(soundgen::samples(rest.begin() + 400, rest.end())));
    EXPECT_EQ(send(a, MSG_VAR(sound_is_playing)), 0);

    // Giving one back leaves the data entry to the other.
    data_entity_c *data = resource(b)->data();
    m_handles.front()->release();
    EXPECT_EQ(data->resource_count(), 1);
    EXPECT_TRUE(data->alive());
}

TEST_F(sound_manager, stop_seek_and_restart_move_the_play_position)
{
    put_ramp("sounds/r", "format = PCM;", 1000);
    isound_c &h = load("sounds/r");
    EXPECT_EQ(send(h, MSG_VAR(sound_play)), 1);
    expect_ramp(render(100), 0, 100, "play");
    EXPECT_EQ(send(h, MSG_VAR(sound_stop)), 1);
    EXPECT_TRUE(silent(render(50)));
    EXPECT_EQ(send(h, MSG_VAR(sound_is_playing)), 0);
    h.play();
    expect_ramp(render(10), 100, 10, "play after stop");
    // The argument of a seek is multiplied by the samples per second and used as a byte
    // offset: 0.01 gives byte 441, inside frame 220.
    EXPECT_EQ(h.resource()->message(MSG_VAR(sound_seek), 0, nullptr, MSG_ARG(0.01f), MSG_ARGS_END), 1);
    expect_ramp(render(10), 220, 10, "seek");
    EXPECT_EQ(send(h, MSG_VAR(sound_restart)), 1);
    expect_ramp(render(10), 0, 10, "restart");
}

TEST_F(sound_manager, a_looped_sound_plays_on_past_its_end)
{
    put_ramp("sounds/r", "format = PCM; looped = yes;", 300);
    isound_c &h = load("sounds/r");
    h.play();
    const soundgen::samples out = render(700);
    for (int i = 0; i < 700; i++)
        ASSERT_EQ(out[2 * i], m_ramp[i % 300]) << i;
    EXPECT_EQ(h.is_playing(), 1);
}

TEST_F(sound_manager, master_volumes_scale_effects_and_music)
{
    put_wave("sounds/fx", "format = PCM; volume = 0.8;", soundgen::ramp(1, 10));
    put_wave("sounds/tune", "format = PCM; music = yes; volume = 0.5;", soundgen::ramp(1, 10));
    isound_c &fx = load("sounds/fx");
    isound_c &tune = load("sounds/tune");
    EXPECT_EQ(volume_of(fx), volume_to_decibels(0.8f));
    EXPECT_EQ(volume_of(tune), volume_to_decibels(0.5f));

    // Not reported handled, so that every instance receives it.
    EXPECT_EQ(m_manager->message(MSG_VAR(sound_set_volumes), 0, nullptr, MSG_ARG(0.5f), MSG_ARG(1.0f), MSG_ARGS_END),
              0);
    EXPECT_EQ(volume_of(fx), volume_to_decibels(0.5f * 0.8f));
    EXPECT_EQ(volume_of(tune), volume_to_decibels(0.5f));

    isound_mgr_c().set_volumes(0.0f, 0.25f);
    EXPECT_EQ(volume_of(fx), DSBVOLUME_MIN);
    EXPECT_EQ(volume_of(tune), volume_to_decibels(0.25f * 0.5f));
    // Instances made later start with the volumes of the moment.
    EXPECT_EQ(volume_of(load("sounds/tune")), volume_to_decibels(0.25f * 0.5f));
    EXPECT_EQ(volume_of(load("sounds/fx")), DSBVOLUME_MIN);
    EXPECT_EQ(m_manager->sound_volume, 0.0f);
    EXPECT_EQ(m_manager->music_volume, 0.25f);
    // An infinite volume, muted, is silent, not left as it was.
    put_wave("sounds/loud", "format = PCM; volume = +inf;", soundgen::ramp(1, 10));
    EXPECT_EQ(volume_of(load("sounds/loud")), DSBVOLUME_MIN);
}

TEST_F(sound_manager, frequency_follows_the_services_factor)
{
    m_dsound->m_frequency_factor = 0.5f;
    put_wave("sounds/r", "format = PCM;", soundgen::ramp(1, 10), 1, 22050);
    DWORD f = 0;
    resource(load("sounds/r"))->m_pBuffer->GetFrequency(&f);
    EXPECT_EQ(f, 11025u);
}

TEST_F(sound_manager, a_3d_position_moves_the_balance)
{
    put_wave("sounds/tone", "format = PCM; sound_is_3D = yes; looped = yes; distances = 100.0 / 2.0;",
             soundgen::tone(44100, 1, 0.1, 441.0, 0.5));
    isound_c &h = load("sounds/tone");
    sound_resource_c *r = resource(h);
    ASSERT_NE(r->m_p3DBuffer, nullptr);
    h.play();
    // Energy of each channel after the position has been committed by a tick.
    auto balance = [&](const vec3 &p) {
        h.set_3d_params(p, vec3(0.0f, 0.0f, 0.0f));
        tick();
        const soundgen::samples out = render(4410);
        double e[2] = {0.0, 0.0};
        for (size_t i = 0; i < out.size(); i++)
            e[i % 2] += (double)out[i] * out[i];
        return std::make_pair(e[0], e[1]);
    };
    // With the listener looking along +x, +y is on the right (where the camera draws it).
    auto right = balance(vec3(0.0f, 3.0f, 0.0f));
    EXPECT_GT(right.second, 4.0 * right.first);
    auto left = balance(vec3(0.0f, -3.0f, 0.0f));
    EXPECT_GT(left.first, 4.0 * left.second);
    auto ahead = balance(vec3(3.0f, 0.0f, 0.0f));
    EXPECT_NEAR(ahead.first / ahead.second, 1.0, 0.01);

    float min = 0.0f, max = 0.0f;
    r->m_p3DBuffer->GetMinDistance(&min);
    r->m_p3DBuffer->GetMaxDistance(&max);
    EXPECT_EQ(min, 2.0f);
    EXPECT_EQ(max, 100.0f);

    // With the flip flag the positions given to the buffer are negated.
    m_dsound->m_flip = 1;
    h.set_3d_params(vec3(1.0f, 2.0f, 3.0f), vec3(4.0f, 5.0f, 6.0f));
    tick();
    D3DVECTOR p{}, v{};
    r->m_p3DBuffer->GetPosition(&p);
    r->m_p3DBuffer->GetVelocity(&v);
    EXPECT_EQ(p.x, -1.0f);
    EXPECT_EQ(p.y, -2.0f);
    EXPECT_EQ(p.z, -3.0f);
    EXPECT_EQ(v.z, -6.0f);
}

TEST_F(sound_manager, a_plain_sound_answers_3d_params_and_ignores_them)
{
    put_wave("sounds/flat", "format = PCM;", soundgen::ramp(1, 10));
    isound_c &h = load("sounds/flat");
    EXPECT_EQ(resource(h)->m_p3DBuffer, nullptr);
    EXPECT_EQ(h.resource()->message(MSG_VAR(sound_3d_params), 0, nullptr, MSG_ARG(vec3(1.0f, 2.0f, 3.0f)),
                                    MSG_ARG(vec3(0.0f, 0.0f, 0.0f)), MSG_ARGS_END),
              1);
}

TEST_F(sound_manager, loading_failures_leave_nothing_behind)
{
    put_file("sounds/bad.sfd", "format = PCM;");
    put_file("sounds/bad.wav", "RIFF----WAVEjunk");
    put_file("sounds/noformat.sfd", "volume = 1.0;");
    put_file("sounds/nowave.sfd", "format = PCM;");
    struct
    {
        const char *name;
        const char *message;
    } cases[] = {
        {"sounds/bad", "Could not load WAVE file 'sounds/bad.wav'"},
        {"sounds/noformat", "Loading objects data from 'sounds/noformat.sfd' failed: format was not specified"},
    };
    for (const auto &c : cases) {
        isound_mgr_c mgr;
        isound_c h;
        EXPECT_EQ(thrown([&] { h.load(c.name, mgr.manager(), 0); }), c.message);
        EXPECT_EQ(h.resource(), nullptr);
    }
    // A missing file is the file object's error.
    isound_c h;
    const std::string missing = thrown([&] { h.load("sounds/nowave", isound_mgr_c().manager(), 0); });
    EXPECT_NE(missing.find("sounds/nowave.wav"), std::string::npos) << missing;
    EXPECT_EQ(m_manager->first_child(), nullptr);
}

TEST_F(sound_manager, operations_without_a_buffer_assert)
{
    put_wave("sounds/r", "format = PCM;", soundgen::ramp(1, 10));
    isound_c &h = load("sounds/r");
    sound_resource_c *r = resource(h);
    r->m_initialized = 0;
    EXPECT_EQ(thrown([&] { r->play(); }), "Debug assertion failed! Expression: \"m_initialized\"");
    r->on_shutdown();
    EXPECT_EQ(r->m_pBuffer, nullptr);
    for (auto op : {&sound_resource_c::play, &sound_resource_c::stop, &sound_resource_c::restart})
        EXPECT_EQ(thrown([&] { (r->*op)(); }), "Debug assertion failed! Expression: \"m_pBuffer\"");
    EXPECT_EQ(thrown([&] { r->apply_volume(); }), "Debug assertion failed! Expression: \"m_pBuffer\"");
}

TEST_F(sound_manager, scripts_create_it_and_the_root_finds_it)
{
    // Once per process: a second registration is refused.
    if (!find_creator("sound_manager", nullptr))
        services_register_creators();
    abstract_c *made = create_object("sound_manager", m_root, nullptr);
    ASSERT_NE(dynamic_cast<manager_sound_c *>(made), nullptr);
    EXPECT_EQ(made->attributes().first(), nullptr);
    // The first manager in the root's delivery order answers.
    manager_sound_c *found = get_sound_mgr(m_root);
    EXPECT_TRUE(found == m_manager || found == made);
    EXPECT_EQ(m_manager->sound_volume, 1.0f);
    EXPECT_EQ(m_manager->music_volume, 1.0f);
}

} // namespace
