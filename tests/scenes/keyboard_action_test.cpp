// Keyboard actions in a location, fed by the key reporter test_keyb from an input service whose
// keys the test holds down.
#include "probe_entity.h"
#include "scene_fixture.h"

#include "test_console/test_keyb.h"
#include "tests/test_console/held_keys.h"

#include <gtest/gtest.h>

namespace {

class keyboard_actions : public scene_fixture
{
protected:
    void SetUp() override
    {
        scene_fixture::SetUp();
        probe_entity_c::start();
        keys = new held_keys_c(root);
        new test_keyb_c(root, nullptr);
    }
    std::string take() { return take_joined(probe_activations()); }
    void hold(const char *key, bool down) { keys->hold(key, down); }
    std::string press(int code)
    {
        root->message(MSG_VAR(test_key_pressed), 0, nullptr, MSG_ARG(code), MSG_ARGS_END);
        return take();
    }
    held_keys_c *keys = nullptr;
};

std::string action(const char *id, const char *key, const char *target, int parameter)
{
    return std::string("create keyboard_action { string id = \"") + id + "\"; string key_name = \"" + key +
           "\"; string target_id = \"" + target + "\"; int parameter = " + std::to_string(parameter) + "; };\n";
}

TEST_F(keyboard_actions, a_held_key_fires_its_targets_once_per_press)
{
    make_location("create probe { string id = \"a\"; };\ncreate probe { string id = \"b\"; };\n" +
                  action("k1", "F11", "a", 4) + action("k2", "F11", "b", 5) + action("k3", "Enter", "a", 6));
    tick(1.0f);
    EXPECT_EQ(take(), "");
    // The key reporter is older than the location, so it scans before the probes see the tick:
    // they still show the previous tick's time.
    hold("F11", true);
    tick(1.25f);
    EXPECT_EQ(take(), "a:4@1 b:5@1") << "both actions bound to the key";
    for (float t = 1.5f; t < 4.0f; t += 0.25f)
        tick(t);
    EXPECT_EQ(take(), "") << "held, not pressed again";
    hold("Enter", true);
    tick(4.0f);
    EXPECT_EQ(take(), "a:6@3.75");
    hold("F11", false);
    tick(4.25f);
    hold("F11", true);
    tick(4.5f);
    EXPECT_EQ(take(), "a:4@4.25 b:5@4.25") << "released and pressed again";
}

TEST_F(keyboard_actions, attributes_are_read_at_each_report_and_unknown_names_fail_on_any_key)
{
    make_location("create probe { string id = \"a\"; };\n" + action("k", "f11", "a", 1));
    EXPECT_EQ(thrown([&] { press(key_code_by_name("Enter")); }), "Invalid key name") << "names are exact";
    location->shutdown_tree();
    root->collect_dead_children();

    make_location("create probe { string id = \"a\"; };\n"
                  "create keyboard_action { string id = \"k\"; string key_name = \"Enter\"; };\n");
    EXPECT_EQ(press(key_code_by_name("F11")), "") << "target and parameter are read only for the bound key";
    EXPECT_EQ(thrown([&] { press(key_code_by_name("Enter")); }), "Could not find required attribute 'parameter'");
}

} // namespace
