// Positioned sounds of a location on the manual mixer device: copies that overlap and stop
// together, and a balance that follows the entity when it moves.
#include "tests/services/sound/sound_world.h"

#include "kernel/root.h"
#include "scenes/creators.h"
#include "scenes/loctn_stuff.h"
#include "services/location_sound.h"

using sound_world::bytes;

namespace {

class sound_3d : public sound_world::world
{
protected:
    void SetUp() override
    {
        world::SetUp();
        static bool registered = false;
        if (!registered) {
            registered = true;
            kernel_register_creators();
            scenes_register_creators();
        }
        put_wave("sounds/tone", "format = PCM; sound_is_3D = yes; looped = yes; distances = 100.0 / 2.0;",
                 soundgen::tone(44100, 1, 0.1, 441.0, 0.3));
        put_wave("sounds/click", "format = PCM; sound_is_3D = yes;", soundgen::click(44100, 1, 0.02, 1500.0, 1));
        put_file("locations/test.isc",
                 "create sound_3d { string id = \"s\"; vec3 position = [0 3 0]; vec3 angles = [0 0 0];"
                 " string sound_name = \"sounds/tone\"; };\n"
                 "create sound_3d { string id = \"once\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0];"
                 " string sound_name = \"sounds/click\"; };\n"
                 "create sound_3d { string id = \"nameless\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0]; };\n");
        location = new location_c(m_root, "test", {});
    }
    void activate(const char *id, int parameter) { activate_location(location, id, parameter); }
    location_entity_c *entity(const char *id)
    {
        location_entity_c *found = nullptr;
        location->message(MSG_VAR(location_get_ent), 0, nullptr, MSG_ARG((void *)&found), MSG_ARG(id), MSG_ARGS_END);
        return found;
    }
    int copies(const char *id)
    {
        int n = 0;
        for (abstract_c *c = entity(id)->first_child(); c; c = c->next_sibling())
            n += c->alive() && dynamic_cast<location_sound_c *>(c) != nullptr;
        return n;
    }
    // Energy of the left and right channels over the next 0.1 s.
    std::pair<double, double> balance()
    {
        tick();
        const soundgen::samples out = render(4410);
        double e[2] = {0.0, 0.0};
        for (size_t i = 0; i < out.size(); i++)
            e[i % 2] += (double)out[i] * out[i];
        return {e[0], e[1]};
    }
    void move(const char *id, const vec3 &position)
    {
        entity(id)->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG(position), MSG_ARG(vec3(0, 0, 0)),
                            MSG_ARG(vec3(1, 1, 1)), MSG_ARGS_END);
    }
    location_c *location = nullptr;
};

TEST_F(sound_3d, each_activation_adds_a_copy_and_zero_stops_them_all)
{
    for (int i = 1; i <= 3; ++i) {
        activate("s", 1);
        EXPECT_EQ(copies("s"), i);
    }
    const auto three = balance();
    activate("s", 0);
    tick();
    EXPECT_EQ(copies("s"), 0);
    const auto none = balance();
    EXPECT_GT(three.second, 0.0);
    EXPECT_EQ(none.first + none.second, 0.0);
    // A sound that ends goes by itself at the next tick.
    activate("once", 1);
    EXPECT_EQ(copies("once"), 1);
    render(2000);
    tick();
    EXPECT_EQ(copies("once"), 0);
}

TEST_F(sound_3d, its_sounds_start_at_its_position_and_follow_it)
{
    activate("s", 1);
    activate("s", 1);
    // With the listener looking along +x, +y is on the right.
    const auto right = balance();
    EXPECT_GT(right.second, 4.0 * right.first);
    move("s", vec3(0.0f, -3.0f, 0.0f));
    const auto left = balance();
    EXPECT_GT(left.first, 4.0 * left.second);
    move("s", vec3(3.0f, 0.0f, 0.0f));
    const auto ahead = balance();
    EXPECT_NEAR(ahead.first / ahead.second, 1.0, 0.01);
    // A copy started after the move starts where the entity is now.
    activate("s", 0);
    tick();
    activate("s", 1);
    const auto again = balance();
    EXPECT_NEAR(again.first / again.second, 1.0, 0.01);
}

TEST_F(sound_3d, the_sound_name_is_required_when_it_is_started)
{
    EXPECT_EQ(sound_world::thrown([&] { activate("nameless", 1); }),
              "Could not find required attribute 'sound_name'");
    activate("nameless", 0);
}

TEST_F(sound_3d, the_demo_chime_is_a_3d_sound)
{
    put_file("sounds/chime.sfd", fixture::read_file(ENGINE_SOURCE_DIR "/data/sounds/chime.sfd"));
    put_file("sounds/chime.wav", bytes(soundgen::make_wave(1, 22050, 16, soundgen::tone(22050, 1, 0.4, 660.0, 0.4))));
    isound_c &chime = load("sounds/chime");
    EXPECT_NE(resource(chime)->m_p3DBuffer, nullptr);
}

} // namespace
