// Location sounds, click sounds and player-dead listeners in a tree with the sound manager on
// the manual mixer device.
#include "tests/services/sound/sound_world.h"

#include "basics/vec3.h"
#include "kernel/scripts.h"
#include "services/creators.h"
#include "services/location_sound.h"

namespace {

class location_sound : public sound_world::world
{
protected:
    void SetUp() override
    {
        world::SetUp();
        // 0.02 s at the output's rate: 882 frames.
        put_wave("sounds/click", "format = PCM;", soundgen::click(44100, 1, 0.02, 1500.0, 1));
        put_wave("sounds/click2", "format = PCM;", soundgen::click(44100, 1, 0.02, 800.0, 2));
        put_wave("sounds/hum", "format = PCM; looped = yes; sound_is_3D = yes;",
                 soundgen::tone(44100, 1, 0.05, 100.0, 0.3));
    }
    int sound_instances()
    {
        int n = 0;
        for (abstract_c *c = m_manager->first_child(); c; c = c->next_sibling())
            n += c->alive() && dynamic_cast<sound_resource_c *>(c) != nullptr;
        return n;
    }
    int broadcast(const msg_c &m) { return m_root->message(m, 0, nullptr, MSG_ARGS_END); }
};

TEST_F(location_sound, plays_at_once_and_goes_at_the_first_tick_after_its_sound_ended)
{
    object_pointer_c s = new location_sound_c(m_root, "sounds/click");
    EXPECT_EQ(sound_instances(), 1);
    soundgen::samples out = render(500);
    EXPECT_NE(out[0] | out[100] | out[200], 0) << "heard from the first frame";
    tick();
    EXPECT_NE(s.get(), nullptr) << "still playing";
    render(400);
    EXPECT_NE(s.get(), nullptr) << "no tick yet";
    tick();
    EXPECT_EQ(s.get(), nullptr);
    // Its sound went with it, and so did the data entry.
    EXPECT_EQ(m_manager->first_child(), nullptr);
}

TEST_F(location_sound, stopall_removes_every_location_sound_and_pos_reaches_them_all)
{
    abstract_c *group = new abstract_c(m_root);
    object_pointer_c a = new location_sound_c(m_root, "sounds/hum");
    object_pointer_c b = new location_sound_c(group, "sounds/hum");
    object_pointer_c c = new location_sound_c(new abstract_c(group), "sounds/hum");
    const vec3 where(2.0f, -1.0f, 0.5f);
    EXPECT_EQ(m_root->message(MSG_VAR(loctn_snd_pos), 0, nullptr, MSG_ARG(where), MSG_ARGS_END), 0);
    tick();
    for (abstract_c *o = m_manager->first_child(); o; o = o->next_sibling()) {
        auto *r = dynamic_cast<sound_resource_c *>(o);
        if (!r)
            continue;
        D3DVECTOR p{};
        r->m_p3DBuffer->GetPosition(&p);
        EXPECT_EQ(p.x, 2.0f);
        EXPECT_EQ(p.y, -1.0f);
        EXPECT_EQ(p.z, 0.5f);
    }
    render(5000);
    tick();
    EXPECT_TRUE(a.get() && b.get() && c.get()) << "looped sounds stay";
    EXPECT_EQ(broadcast(MSG_VAR(loctn_snd_stopall)), 0);
    EXPECT_TRUE(!a.get() && !b.get() && !c.get());
    EXPECT_EQ(sound_instances(), 0);
    EXPECT_TRUE(group->alive());
}

TEST_F(location_sound, each_finished_click_removes_the_oldest_listener)
{
    object_pointer_c first = new player_dead_listener_c(m_root);
    object_pointer_c second = new player_dead_listener_c(m_root);
    object_pointer_c third = new player_dead_listener_c(m_root);
    object_pointer_c k1 = new click_sound_c(m_root);
    object_pointer_c k2 = new click_sound_c(m_root);
    tick();
    EXPECT_TRUE(first.get() && second.get() && third.get());
    render(1000);
    tick();
    EXPECT_FALSE(k1.get() || k2.get());
    EXPECT_EQ(first.get(), nullptr);
    EXPECT_EQ(second.get(), nullptr);
    EXPECT_NE(third.get(), nullptr);
}

TEST_F(location_sound, a_click_stopped_while_playing_still_announces)
{
    object_pointer_c listener = new player_dead_listener_c(m_root);
    object_pointer_c click = new click_sound_c(m_root);
    EXPECT_EQ(sound_instances(), 1);
    broadcast(MSG_VAR(loctn_snd_stopall));
    EXPECT_EQ(click.get(), nullptr);
    EXPECT_EQ(listener.get(), nullptr);
    EXPECT_EQ(sound_instances(), 0);
}

TEST_F(location_sound, a_listener_answers_only_press_player_dead)
{
    object_pointer_c listener = new player_dead_listener_c(m_root);
    EXPECT_EQ(broadcast(MSG_VAR(loctn_snd_stopall)), 0);
    EXPECT_EQ(broadcast(MSG_VAR(sound_stop)), 0);
    EXPECT_NE(listener.get(), nullptr);
    EXPECT_EQ(broadcast(MSG_VAR(press_player_dead)), 1);
    EXPECT_EQ(listener.get(), nullptr);
    EXPECT_EQ(broadcast(MSG_VAR(press_player_dead)), 0);
}

TEST_F(location_sound, an_unknown_sound_fails_and_leaves_no_object)
{
    const int before = [&] {
        int n = 0;
        for (abstract_c *c = m_root->first_child(); c; c = c->next_sibling())
            n++;
        return n;
    }();
    EXPECT_NE(sound_world::thrown([&] { new location_sound_c(m_root, "sounds/none"); }), "");
    int after = 0;
    for (abstract_c *c = m_root->first_child(); c; c = c->next_sibling())
        after++;
    EXPECT_EQ(after, before);
}

TEST_F(location_sound, a_precached_sound_keeps_the_data_entry_for_later_loads)
{
    if (!find_creator("sound_manager", nullptr))
        services_register_creators();
    attribute_list_c attrs;
    add_attribute(nullptr, attrs, "name", value_c("sounds/click", value_c::STRING), 0);
    abstract_c *pre = create_object("precached_sound", m_root, &attrs);
    EXPECT_EQ(sound_instances(), 1);
    object_pointer_c data = m_manager->last_child();
    ASSERT_NE(dynamic_cast<sound_data_c *>(data.get()), nullptr);

    new location_sound_c(m_root, "sounds/click");
    EXPECT_EQ(static_cast<data_entity_c *>(data.get())->resource_count(), 2);
    render(1000);
    tick();
    EXPECT_EQ(sound_instances(), 1) << "the location sound went";
    EXPECT_NE(data.get(), nullptr) << "its data stayed";

    pre->shutdown_tree();
    EXPECT_EQ(data.get(), nullptr);
    EXPECT_EQ(sound_instances(), 0);
    EXPECT_EQ(sound_world::thrown([&] { create_object("precached_sound", m_root, nullptr); }),
              "Could not find required attribute 'name'");
}

} // namespace
