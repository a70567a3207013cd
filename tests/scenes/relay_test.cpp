// Relays in a location: when they fire on the tick clock, with and without their random parts,
// what they activate, and their errors.
#include "probe_entity.h"
#include "scene_fixture.h"

#include "basics/helpers.h"
#include "scenes/loctn_relay.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace {

class relays : public scene_fixture
{
protected:
    void SetUp() override
    {
        scene_fixture::SetUp();
        probe_entity_c::start();
    }
    std::string take() { return take_joined(probe_activations()); }
    void activate(const char *id, int parameter) { activate_location(location, id, parameter); }
    // Ticks every 0.25 s from `from` through `to`; the activations seen.
    std::string run(float from, float to)
    {
        for (float t = from; t <= to; t += 0.25f)
            tick(t);
        return take();
    }
    // A location with the probes and one relay "r" of that kind; its clock stands at 0.25.
    void relay(const char *kind, const std::string &attributes)
    {
        make_location("create probe { string id = \"a\"; };\ncreate probe { string id = \"b\"; };\n"
                      "create probe { string id = \"c\"; };\n"
                      "create " + std::string(kind) + " { string id = \"r\"; " + attributes + " };\n");
        tick(0.25f);
    }
};

const std::string two_targets = " string target0 = \"a\"; int parameter0 = 7; string target1 = \"b\"; int parameter1 = 9;";

TEST_F(relays, fire_on_the_first_tick_after_their_time_with_each_targets_parameter)
{
    struct
    {
        const char *timing;
        const char *at_activation;
        const char *later; // ticks 0.5 .. 4
        int armed_after;
    } cases[] = {
        {"float delay = 0; float wait = 0;", "a:7@0.25 b:9@0.25", "", 0},
        // 1.75 is not after 1.75: the next tick fires.
        {"float delay = 0; float wait = 1.5;", "a:7@0.25 b:9@0.25", "a:7@2 b:9@2 a:7@3.75 b:9@3.75", 1},
        {"float delay = 1; float wait = 0;", "", "a:7@1.5 b:9@1.5", 0},
        {"float delay = 1; float wait = 1;", "", "a:7@1.5 b:9@1.5 a:7@2.75 b:9@2.75 a:7@4 b:9@4", 1},
        {"float delay = -1; float wait = -1;", "a:7@0.25 b:9@0.25", "", 0},
    };
    for (const auto &c : cases) {
        relay("relay", c.timing + two_targets);
        activate("r", 1);
        EXPECT_EQ(take(), c.at_activation) << c.timing;
        EXPECT_EQ(run(0.5f, 4.0f), c.later) << c.timing;
        EXPECT_EQ(entity<relay_c>("r")->active(), c.armed_after) << c.timing;
        location->shutdown_tree();
        root->collect_dead_children();
    }
}

TEST_F(relays, random_parts_are_drawn_from_the_engine_generator_delay_then_wait_each_time)
{
    relay("relay", "float delay = 1; float delay_rand = 2; float wait = 0.5; float wait_rand = 1;"
                   " string target0 = \"c\"; int parameter0 = 3;");
    // What the generator will give, in the order the relay draws: delay and wait at the
    // activation (the wait unused, as the delay is positive), then a wait at every firing.
    engine_srand(77);
    float u[5];
    for (float &x : u)
        x = random_unit();
    engine_srand(77);
    activate("r", 1);
    float expected_times[3], next = 0.25f + 1 + 2 * u[0];
    for (int k = 0; k < 3; ++k) {
        float t = 0.25f;
        while (!(t > next))
            t += 0.25f;
        expected_times[k] = t;
        next = t + 0.5f + u[2 + k];
    }
    std::string expected;
    for (float t : expected_times) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%sc:3@%g", expected.empty() ? "" : " ", t);
        expected += entry;
    }
    EXPECT_EQ(run(0.5f, expected_times[2]), expected);
    EXPECT_GT(expected_times[2] - expected_times[1], 0.5f) << "the random part lengthens every interval";
}

TEST_F(relays, activation_with_zero_stops_further_firings)
{
    relay("relay", "float delay = 0; float wait = 0.5;" + two_targets);
    activate("r", 1);
    EXPECT_EQ(take(), "a:7@0.25 b:9@0.25");
    EXPECT_EQ(run(0.5f, 1.0f), "a:7@1 b:9@1");
    activate("r", 0);
    EXPECT_EQ(run(1.25f, 3.0f), "");
    EXPECT_EQ(entity<relay_c>("r")->active(), 0);
    // Armed but not yet fired: stopped as well.
    activate("r", 1);
    take();
    activate("r", 0);
    EXPECT_EQ(run(3.25f, 4.0f), "");
}

TEST_F(relays, targets_end_at_the_first_missing_index)
{
    relay("relay", "float delay = 0; float wait = 0; string target0 = \"a\"; int parameter0 = 1;"
                   " string target2 = \"c\"; int parameter2 = 3;");
    activate("r", 5);
    EXPECT_EQ(take(), "a:1@0.25");
}

TEST_F(relays, a_chain_that_activates_the_relay_again_from_its_own_firing_keeps_it_running)
{
    // "r" fires "loop" a second after each activation; "loop" activates "r" again at once.
    make_location("create probe { string id = \"a\"; };\n"
                  "create relay { string id = \"r\"; float delay = 1; float wait = 0; string target0 = \"a\";"
                  " int parameter0 = 1; string target1 = \"loop\"; int parameter1 = 1; };\n"
                  "create relay { string id = \"loop\"; float delay = 0; float wait = 0; string target0 = \"r\";"
                  " int parameter0 = 1; };\n");
    tick(0.25f);
    activate("r", 1);
    EXPECT_EQ(run(0.5f, 4.0f), "a:1@1.5 a:1@2.75 a:1@4");
}

TEST_F(relays, random_relay_activates_one_target_with_its_own_parameter_about_equally_often)
{
    relay("random_relay", "float delay = 0; float wait = 0; string target0 = \"a\"; int parameter0 = 10;"
                          " string target1 = \"b\"; int parameter1 = 11; string target2 = \"c\"; int parameter2 = 12;");
    std::map<std::string, int> seen;
    for (int i = 0; i < 3000; ++i) {
        activate("r", 1);
        ASSERT_EQ(probe_activations().size(), 1u);
        ++seen[take()];
    }
    EXPECT_EQ(seen.size(), 3u);
    for (const char *entry : {"a:10@0.25", "b:11@0.25", "c:12@0.25"})
        EXPECT_NEAR(seen[entry], 1000, 100) << entry;
}

TEST_F(relays, errors_name_the_attribute_and_the_relay)
{
    struct
    {
        const char *kind;
        const char *attributes;
        const char *message;
    } cases[] = {
        {"relay", "float delay = 0; float wait = 0; string target0 = \"a\";",
         "Attribute 'parameter0' not found, id = 'r'"},
        {"random_relay", "float delay = 0; float wait = 0; string target0 = \"a\";",
         "Attribute 'parameter0' not found, id = 'r'"},
        {"random_relay", "float delay = 0; float wait = 0;", "No targets specified for random action 'r'"},
        {"random_relay", "float delay = 0; float wait = 0; string target1 = \"a\"; int parameter1 = 1;",
         "No targets specified for random action 'r'"},
        {"relay", "float wait = 0;", "Could not find required attribute 'delay'"},
        {"relay", "float delay = 0;", "Could not find required attribute 'wait'"},
    };
    for (const auto &c : cases) {
        relay(c.kind, c.attributes);
        EXPECT_EQ(thrown([&] { activate("r", 1); }), c.message) << c.kind << " " << c.attributes;
        location->shutdown_tree();
        root->collect_dead_children();
    }
}

} // namespace
