// A location on the recording Direct3D device and the real model manager, whose models are
// figures of the test's own: they record what the location asks of them (gestures, parts,
// visibility, alpha) and report gestures passed when the test says so. Scripts are written
// into a temporary data directory; location_feedback sent to the root is recorded.
#pragma once

#include "tests/services/models/model_manager_fixture.h"

#include "basics/helpers.h"
#include "basics/vaultfile_obj.h"
#include "kernel/root.h"
#include "kernel/scripts.h"
#include "scenes/creators.h"
#include "scenes/locator.h"
#include "scenes/model_drivers.h"
#include "tests/services/models/texture_stub.h"

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

// The entries joined by blanks; the list is emptied.
inline std::string take_joined(std::vector<std::string> &entries)
{
    std::string s;
    for (const std::string &e : entries)
        s += (s.empty() ? "" : " ") + e;
    entries.clear();
    return s;
}

class figure_c : public probe_model_c
{
public:
    figure_c(manager_model_c *manager, model_data_c *data, std::string name)
        : probe_model_c(manager, data, nullptr, std::move(name))
    {
    }
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (*message == MSG_VAR(model_play_gesture)) {
            log("play:" + std::string(msg_arg(0)->get_const_pchar()));
            return 1;
        }
        if (*message == MSG_VAR(model_switch_part)) {
            log("part:" + std::string(msg_arg(0)->get_const_pchar()) + "=" + std::to_string(msg_arg(1)->get_int()));
            return 1;
        }
        if (*message == MSG_VAR(model_accept_shadows)) {
            accepts_shadows = true;
            return 1;
        }
        if (*message == MSG_VAR(model_get_passed_gesture)) {
            const char **out = (const char **)msg_arg(0)->get_ptr();
            *out = nullptr;
            if (!passed.empty()) {
                last_passed = passed.front();
                passed.pop_front();
                *out = last_passed.c_str();
            }
            return 1;
        }
        if (*message == MSG_VAR(model_show))
            log("show:" + std::to_string(msg_arg(0)->get_int()));
        if (*message == MSG_VAR(model_set_alpha)) {
            std::ostringstream s;
            s << "alpha:" << msg_arg(0)->get_float();
            log(s.str());
        }
        return probe_model_c::handle_message(message, sender);
    }
    void log(const std::string &entry) { journal.push_back(entry); }
    std::string take_journal() { return take_joined(journal); }

    std::vector<std::string> journal;
    std::deque<std::string> passed;
    std::string last_passed;
    bool accepts_shadows = false;
};

class figure_data_c : public model_data_c
{
public:
    figure_data_c(manager_model_c *manager, const char *name) : model_data_c(manager, nullptr, name) {}
    resource_entity_c *create_resource(int) override
    {
        return new figure_c(m_manager, this, std::string(name()) + "#" + std::to_string(++m_made));
    }
    int m_made = 0;
};

// Records every location_feedback as "id|event|parameter"; answers like the vote picker.
class feedback_recorder_c : public abstract_c
{
public:
    explicit feedback_recorder_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (!(*message == MSG_VAR(location_feedback)))
            return 0;
        const std::string id = msg_arg(0)->get_const_pchar();
        const int index = msg_arg(2)->get_int();
        entries.push_back(id + "|" + msg_arg(1)->get_const_pchar() + "|" + std::to_string(index));
        if (id == "picker" && index != -1) {
            picked = index;
            return 1;
        }
        return 0;
    }
    std::string take() { return take_joined(entries); }
    std::vector<std::string> entries;
    int picked = -1;
};

// Answers get_sound_mgr, as positioned sounds ask when they are made; it plays nothing.
class sound_manager_stand_in_c : public abstract_c
{
public:
    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (!(*message == MSG_VAR(get_sound_mgr)))
            return 0;
        *(abstract_c **)msg_arg(0)->get_ptr() = this;
        return 1;
    }
};

class scene_fixture : public model_manager_fixture
{
protected:
    void SetUp() override
    {
        static bool registered = false;
        if (!registered) {
            registered = true;
            kernel_register_creators();
            scenes_register_creators();
        }
        std::string pattern = (std::filesystem::temp_directory_path() / "engine_scenes_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_old_dir = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
        set_data_directory("data");
        model_manager_fixture::SetUp();
        scripts = std::make_unique<scripts_c>();
        recorder = new feedback_recorder_c(root);
        engine_srand(1);
    }
    void TearDown() override
    {
        model_manager_fixture::TearDown();
        scripts.reset();
        std::filesystem::current_path(m_old_dir);
        std::filesystem::remove_all(m_dir);
    }

    void write_location(const std::string &name, const std::string &text)
    {
        std::filesystem::path path = m_dir / "data" / "locations" / (name + ".isc");
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    figure_data_c *figures(const char *name) { return new figure_data_c(mgr, name); }
    // The game's own templates (scripts/templates.isc of the source tree) and a texture manager
    // stand-in, for locations whose entities load textures and instances of the model manager;
    // made once, later calls give the same stand-in.
    texture_stub_c *use_game_templates_and_textures()
    {
        if (m_texture_stub)
            return m_texture_stub;
        std::filesystem::create_directories(m_dir / "data" / "scripts");
        std::filesystem::copy_file(std::filesystem::path(ENGINE_SOURCE_DIR) / "data" / "scripts" / "templates.isc",
                                   m_dir / "data" / "scripts" / "templates.isc",
                                   std::filesystem::copy_options::overwrite_existing);
        scripts->execute_script("scripts/templates.isc", nullptr, 1);
        return m_texture_stub = new texture_stub_c(root);
    }
    location_c *make_location(const std::string &text, std::vector<location_player> players = {})
    {
        write_location("test", text);
        location = new location_c(root, "test", players);
        return location;
    }
    // The program's demo location, its players three "player" figures with part "cap".
    location_c *load_demo()
    {
        std::ifstream demo(std::string(ENGINE_SOURCE_DIR) + "/data/locations/demo.isc", std::ios::binary);
        EXPECT_TRUE(demo) << "the demo location script";
        std::stringstream text;
        text << demo.rdbuf();
        write_location("demo", text.str());
        use_game_templates_and_textures();
        figures("player");
        figures("models/demo_floor");
        new sound_manager_stand_in_c(root);
        const std::vector<location_player> players(3, make_location_player("player", "cap"));
        location = new location_c(root, "demo", players);
        return location;
    }
    template <class T = location_entity_c> T *entity(const char *id)
    {
        location_entity_c *found = nullptr;
        location->message(MSG_VAR(location_get_ent), 0, nullptr, MSG_ARG((void *)&found), MSG_ARG(id), MSG_ARGS_END);
        return dynamic_cast<T *>(found);
    }
    figure_c *figure(const char *id) { return dynamic_cast<figure_c *>(entity<location_model_c>(id)->model()->resource()); }
    void tick(float time, float frame_time = 0.04f)
    {
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(time), MSG_ARG(frame_time), MSG_ARGS_END);
    }

    std::filesystem::path m_dir, m_old_dir;
    std::unique_ptr<scripts_c> scripts;
    feedback_recorder_c *recorder = nullptr;
    location_c *location = nullptr;
    texture_stub_c *m_texture_stub = nullptr;
};

// Attribute blocks of script entities, so that the tests show only what they are about.
inline std::string model_block(const std::string &id, const std::string &extra, const char *name = "figure",
                               const char *position = "[0 0 0]")
{
    return "create model { string id = \"" + id + "\"; vec3 position = " + position +
           "; vec3 angles = [0 0 0]; string model_name = \"" + name +
           "\"; int accept_shadows = 0; float shadow_size = 0; int visible = 1; int lighting = 1; " + extra + " };\n";
}
