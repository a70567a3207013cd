// Screens of controls on the recording device: the real texture and font managers (in a
// private data directory holding the generated UI textures and a font strip "even" whose
// glyphs are all 10 pixels wide and 12 high), the screen scripts of tests/ui/screens, a
// control class "test_control" that stands for a button, and a listener of what controls
// announce to the root.
#pragma once

#include "tests/services/fonts/font_fixture.h"
#include "tests/ui/ui_fixture.h"
#include "tools/imagegen/ui_textures.h"
#include "ui/creators.h"

#include "kernel/scripts.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

inline journal_t &test_control_journal()
{
    static journal_t journal;
    return journal;
}

// A probe control created by scripts; it writes "<name>:<operation>" into test_control_journal()
// and takes every button press and release over it.
class test_control_c : public probe_control_c
{
public:
    test_control_c(abstract_c *parent, const attribute_list_c *attributes)
        : probe_control_c(parent, attributes, &test_control_journal(), name_of(attributes) + ":")
    {
        consume = 1;
    }
    static std::string name_of(const attribute_list_c *attributes)
    {
        const value_c *name = attributes ? ::find_attribute(*attributes, "name") : nullptr;
        return name ? name->get_const_pchar() : "";
    }
};

// Records the announcements (text name, INT value) that reach it as "<message> <name> <value>".
class announcement_listener_c : public abstract_c
{
public:
    explicit announcement_listener_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        for (const char *name : {"menu_clicked", "scale_value_changed", "checkbox_state_changed"})
            if (*message == msg_c(name))
                heard.push_back(std::string(name) + " " + msg_arg(0)->get_const_pchar() + " " +
                                std::to_string(msg_arg(1)->get_int()));
        return 0;
    }
    std::vector<std::string> heard;
};

class ui_screen_test : public font_fixture
{
protected:
    void SetUp() override
    {
        font_fixture::SetUp();
        static bool registered = false;
        if (!registered) {
            registered = true;
            ui_register_creators();
            register_creator("test_control", make_object<test_control_c>);
        }
        test_control_journal().clear();
        start_fonts();
        put("fonts/even.bmp", strip_bmp(std::vector<int>(224, 10), 12));
        for (const imagegen::ui_texture &t : imagegen::make_ui_textures())
            put(std::string("textures/") + t.name + ".tga", imagegen::make_tga(t.pic, t.depth));
        listener = new announcement_listener_c(root);
    }

    // Runs tests/ui/screens/<name>.isc under the root.
    void load_screen(const char *name)
    {
        std::ifstream in(std::filesystem::path(ENGINE_SOURCE_DIR) / "tests/ui/screens" / (std::string(name) + ".isc"),
                         std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string bytes = text.str();
        put(std::string("scripts/") + name + ".isc", std::vector<uint8_t>(bytes.begin(), bytes.end()));
        m_scripts->execute_script((std::string("scripts/") + name + ".isc").c_str(), root, 0);
    }

    // The first object below the root (depth first) of a class whose `name` is the name.
    template <class T> T *find(const char *name, abstract_c *from = nullptr)
    {
        for (abstract_c *c = (from ? from : root)->first_child(); c; c = c->next_sibling()) {
            if (T *t = dynamic_cast<T *>(c)) {
                const value_c *own = c->find_attribute("name");
                if (own && std::string(own->get_const_pchar()) == name)
                    return t;
            }
            if (T *t = find<T>(name, c))
                return t;
        }
        return nullptr;
    }

    // A mouse event sent from the root as the cursor sends it (children first, newest first).
    int mouse(vec2 pos, int event, int button = 0)
    {
        int buttons[3] = {0, 0, 0};
        if (event == 1)
            buttons[button] = 1;
        return root->message(MSG_VAR(mouse), 0x1C, root, MSG_ARG(pos), MSG_ARG((void *)buttons), MSG_ARG(button),
                             MSG_ARG(event), MSG_ARGS_END);
    }
    void click(vec2 pos, int button = 0)
    {
        mouse(pos, 1, button);
        mouse(pos, 2, button);
    }
    // tick with the seconds since the start and since the previous tick.
    void tick_by(double now, double delta)
    {
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(float(now)), MSG_ARG(float(delta)), MSG_ARGS_END);
    }
    int send(const char *message, const value_c &a = value_c(), const value_c &b = value_c(),
             const value_c &c = value_c(), const value_c &d = value_c())
    {
        return root->message(msg_c(message), 0, nullptr, a, b, c, d, MSG_ARGS_END);
    }

    announcement_listener_c *listener = nullptr;
};
