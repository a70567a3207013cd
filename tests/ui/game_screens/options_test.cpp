// The options holder and the options screen, with a registry of the test's own and a stand-in
// sound manager that records the volumes it is given.
#include "services/manager_basic.h"
#include "tests/basics/log_ring.h"
#include "tests/ui/game_screens/registry_fixture.h"
#include "ui/ui_scale.h"
#include "ui/ui_screen_options.h"

#include <cstring>

namespace {

// Answers get_sound_mgr and writes "<effects> <music>" for every sound_set_volumes.
class sound_volumes_c : public abstract_c
{
public:
    explicit sound_volumes_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (answer_manager_request(message, MSG_VAR(get_sound_mgr), this))
            return 1;
        if (*message == MSG_VAR(sound_set_volumes)) {
            char text[64];
            std::snprintf(text, sizeof text, "%g %g", msg_arg(0)->get_float(), msg_arg(1)->get_float());
            heard.push_back(text);
        }
        return 0;
    }
    std::vector<std::string> take()
    {
        std::vector<std::string> out;
        out.swap(heard);
        return out;
    }
    std::vector<std::string> heard;
};

std::vector<uint8_t> bytes_of(const game_options &o)
{
    std::vector<uint8_t> v(sizeof o);
    std::memcpy(v.data(), &o, sizeof o);
    return v;
}

std::string text(const game_options &o)
{
    char t[96];
    std::snprintf(t, sizeof t, "%d %d %d %d %d %d", o.bckgnd_on, o.bckgnd_pt, o.sndef_on, o.sndef_pt, o.hint_on,
                  o.cam_move_on);
    return t;
}

const game_options defaults = {1, 80, 1, 100, 1, 1};

class options_holder_test : public ::testing::Test
{
protected:
    ~options_holder_test() override
    {
        root->shutdown_tree();
        root->collect_dead_children();
        delete root;
    }
    int send(const char *message, const value_c &v)
    {
        return root->message(msg_c(message), 0, nullptr, v, MSG_ARGS_END);
    }

    temp_registry registry;
    abstract_c *root = new abstract_c(nullptr);
    sound_volumes_c *sound = new sound_volumes_c(root);
};

TEST_F(options_holder_test, the_first_run_starts_on_the_defaults_and_writes_them_at_the_end)
{
    auto *holder = new options_loader(root, nullptr);
    EXPECT_EQ(text(holder->options()), text(defaults));
    EXPECT_EQ(sound->take(), std::vector<std::string>{"1 0.8"});
    EXPECT_FALSE(registry.value("Options")) << "nothing is written before the end";
    holder->shutdown_tree();
    EXPECT_EQ(registry.value("Options"), bytes_of(defaults));
}

TEST_F(options_holder_test, only_a_stored_value_of_exactly_24_bytes_is_taken)
{
    const game_options stored = {0, 35, 1, 7, 0, 0};
    struct case_s
    {
        std::vector<uint8_t> value;
        game_options expected;
        const char *volumes;
    };
    std::vector<uint8_t> longer = bytes_of(stored), shorter = bytes_of(stored);
    longer.push_back(1);
    shorter.pop_back();
    const case_s cases[] = {
        {bytes_of(stored), stored, "0.07 0"},
        {{}, defaults, "1 0.8"},
        {shorter, defaults, "1 0.8"},
        {longer, defaults, "1 0.8"},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.value.size());
        registry.put("Options", c.value);
        auto *holder = new options_loader(root, nullptr);
        EXPECT_EQ(text(holder->options()), text(c.expected));
        EXPECT_EQ(sound->take(), std::vector<std::string>{c.volumes});
        holder->shutdown_tree();
        EXPECT_EQ(registry.value("Options"), bytes_of(c.expected)) << "every end writes the record";
    }
}

TEST_F(options_holder_test, each_message_changes_its_field_and_only_volumes_reach_the_sound_manager)
{
    new options_loader(root, nullptr);
    sound->take();
    struct step_s
    {
        const char *message;
        int value;
        const char *record;
        const char *volumes; // null: the sound manager hears nothing
    };
    const step_s steps[] = {
        {"set_bckgnd_pt", 40, "1 40 1 100 1 1", "1 0.4"},
        {"set_bckgnd_on", 0, "0 40 1 100 1 1", "1 0"}, // off keeps the volume
        {"set_bckgnd_pt", 60, "0 60 1 100 1 1", "1 0"},
        {"set_bckgnd_on", 1, "1 60 1 100 1 1", "1 0.6"},
        {"set_sndef_pt", 150, "1 60 1 150 1 1", "1.5 0.6"}, // used as given
        {"set_sndef_on", 0, "1 60 0 150 1 1", "0 0.6"},
        {"set_sndef_on", 5, "1 60 5 150 1 1", "1.5 0.6"},
        {"set_hint_on", 0, "1 60 5 150 0 1", nullptr},
        {"set_cam_move_on", 0, "1 60 5 150 0 0", nullptr},
    };
    for (const step_s &s : steps) {
        SCOPED_TRACE(std::string(s.message) + " " + std::to_string(s.value));
        EXPECT_EQ(send(s.message, MSG_ARG(s.value)), 1);
        game_options o;
        std::memset(&o, 0xAB, sizeof o);
        EXPECT_EQ(send("get_game_options", MSG_ARG((void *)&o)), 1);
        EXPECT_EQ(text(o), s.record);
        EXPECT_EQ(sound->take(), s.volumes ? std::vector<std::string>{s.volumes} : std::vector<std::string>{});
    }
    EXPECT_EQ(send("set_unknown_option", MSG_ARG(1)), 0);
}

TEST_F(options_holder_test, the_questions_write_one_byte_zero_or_one)
{
    new options_loader(root, nullptr);
    for (int value : {0, 1, 7, -1}) {
        SCOPED_TRACE(value);
        send("set_hint_on", MSG_ARG(value));
        send("set_cam_move_on", MSG_ARG(value == 0 ? 3 : 0));
        uint8_t hint[3] = {0xEE, 0xEE, 0xEE}, cam[3] = {0xEE, 0xEE, 0xEE};
        EXPECT_EQ(send("is_hint_on", MSG_ARG((void *)&hint[1])), 1);
        EXPECT_EQ(send("is_cam_move_on", MSG_ARG((void *)&cam[1])), 1);
        EXPECT_EQ(hint[1], value ? 1 : 0);
        EXPECT_EQ(cam[1], value ? 0 : 1);
        EXPECT_EQ(hint[0] & hint[2] & cam[0] & cam[2], 0xEE);
    }
}

TEST_F(options_holder_test, a_failing_write_at_the_end_leaves_the_old_value_and_is_logged)
{
    std::filesystem::create_directories(registry.file("Options"));
    auto *holder = new options_loader(root, nullptr);
    EXPECT_EQ(text(holder->options()), text(defaults));
    const std::string mark = log_mark();
    holder->shutdown_tree();
    EXPECT_EQ(log_since(mark), std::vector<std::string>{"Registry value 'Options' could not be saved (error 5)"});
    EXPECT_TRUE(std::filesystem::is_directory(registry.file("Options")));
}

class options_screen_test : public stored_screen_test
{
protected:
    void SetUp() override
    {
        stored_screen_test::SetUp();
        put_source("data/scripts/screen_options.isc", "scripts/screen_options.isc");
        put_script("screen_main", "create screen_clean { string name = \"main\"; };\n");
        sound = new sound_volumes_c(root);
        registry.put("Options", bytes_of({0, 30, 1, 55, 0, 1}));
        holder = new options_loader(root, nullptr);
        sound->take();
        recorder->heard_names = {"load_screen"};
    }
    // "<music scale> <check 1> <effects scale> <check 2> <check 3> <check 4>"
    std::string controls()
    {
        std::string out;
        auto add = [&](int v) { out += (out.empty() ? "" : " ") + std::to_string(v); };
        scale *music = find<scale>("bckgnd_music_scale"), *effects = find<scale>("snd_effects_scale");
        if (!music || !effects)
            return "(missing scale)";
        add(music->percent());
        add(find<checkbox>("check_box_1")->state());
        add(effects->percent());
        for (const char *box : {"check_box_2", "check_box_3", "check_box_4"})
            add(find<checkbox>(box)->state());
        return out;
    }
    sound_volumes_c *sound = nullptr;
    options_loader *holder = nullptr;
};

TEST_F(options_screen_test, the_screen_shows_the_holders_options)
{
    ASSERT_EQ(load("screen_options"), 1);
    EXPECT_EQ(controls(), "30 0 55 1 0 1");
    EXPECT_EQ(sound->take(), std::vector<std::string>{}) << "showing changes nothing";
}

TEST_F(options_screen_test, the_controls_change_the_holder_at_once)
{
    load("screen_options");
    struct step_s
    {
        const char *message;
        const char *control;
        int value;
        const char *record;
        const char *volumes;
    };
    const step_s steps[] = {
        {"scale_value_changed", "bckgnd_music_scale", 45, "0 45 1 55 0 1", "0.55 0"},
        {"checkbox_state_changed", "check_box_1", 1, "1 45 1 55 0 1", "0.55 0.45"},
        {"scale_value_changed", "snd_effects_scale", 10, "1 45 1 10 0 1", "0.1 0.45"},
        {"checkbox_state_changed", "check_box_2", 0, "1 45 0 10 0 1", "0 0.45"},
        {"checkbox_state_changed", "check_box_3", 1, "1 45 0 10 1 1", nullptr},
        {"checkbox_state_changed", "check_box_4", 0, "1 45 0 10 1 0", nullptr},
        {"scale_value_changed", "other_scale", 99, "1 45 0 10 1 0", nullptr},
        {"checkbox_state_changed", "check_box_5", 0, "1 45 0 10 1 0", nullptr},
    };
    for (const step_s &s : steps) {
        SCOPED_TRACE(std::string(s.control) + " " + std::to_string(s.value));
        send(s.message, value_c(s.control, value_c::STRING), MSG_ARG(s.value));
        EXPECT_EQ(text(holder->options()), s.record);
        EXPECT_EQ(sound->take(), s.volumes ? std::vector<std::string>{s.volumes} : std::vector<std::string>{});
    }
}

TEST_F(options_screen_test, default_switches_everything_on_at_the_scripts_volumes)
{
    load("screen_options");
    EXPECT_EQ(press("default"), 1);
    EXPECT_EQ(text(holder->options()), "1 80 1 100 1 1");
    EXPECT_EQ(controls(), "80 1 100 1 1 1");
    EXPECT_EQ(sound->take().back(), "1 0.8");
    EXPECT_EQ(live_child_of_container<screen_options>() != nullptr, true) << "the screen stays";

    // Back to the main menu; the options stay with the holder and are written at the end.
    take_heard();
    EXPECT_EQ(press("back"), 1);
    EXPECT_EQ(take_heard(), std::vector<std::string>{"load_screen screen_main"});
    EXPECT_EQ(live_child_of_container<screen_options>(), nullptr);
    holder->shutdown_tree();
    EXPECT_EQ(registry.value("Options"), bytes_of({1, 80, 1, 100, 1, 1}));
}

TEST_F(options_screen_test, other_buttons_are_left_to_the_screen_base)
{
    load("screen_options");
    take_heard();
    EXPECT_EQ(press("cancel"), 0);
    EXPECT_EQ(take_heard(), std::vector<std::string>{});
    EXPECT_EQ(text(holder->options()), "0 30 1 55 0 1");
}

TEST_F(options_screen_test, default_without_the_default_volumes_in_the_script_fails)
{
    put_script("screen_bare_options", "create screen_options { string name = \"bare\"; };\n");
    load("screen_bare_options");
    try {
        press("default");
        FAIL() << "no error";
    } catch (const exception_c &e) {
        EXPECT_EQ(e.get_message(), "Could not find required attribute 'default_bckgnd_pt'");
    }
}

} // namespace
