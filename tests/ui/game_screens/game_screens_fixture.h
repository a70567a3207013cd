// The game's screens on the recording device: the screen fixture's managers and fonts ("even",
// and "main" for the project's own scripts), the UI container, a clock and a network manager
// without a session, the project's data/scripts/window_exit.isc, and a recorder of what the
// screens ask of the rest of the program.
#pragma once

#include "kernel/root.h"
#include "net/net_manager.h"
#include "tests/ui/screen_fixture.h"
#include "ui/ui_screen_base.h"

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

// Writes "<message> <argument> ..." for the messages it is told to hear; answers is_hint_on
// with `hints`.
class request_recorder_c : public abstract_c
{
public:
    explicit request_recorder_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(is_hint_on)) {
            *static_cast<uint8_t *>(msg_arg(0)->get_ptr()) = hints;
            return 0;
        }
        for (const std::string &name : heard_names)
            if (*message == msg_c(name.c_str()))
                heard.push_back(describe(name));
        return 0;
    }
    static std::string describe(const std::string &name)
    {
        std::string line = name;
        const unsigned count = (unsigned)msg_stack_detail::msg_args[msg_stack_detail::msg_args_ptr - 1].count;
        for (unsigned i = 0; i < count; ++i) {
            const value_c *v = msg_arg(i);
            char text[64];
            switch (v->type()) {
            case value_c::INT:
                std::snprintf(text, sizeof text, "%d", v->get_int());
                line += std::string(" ") + text;
                break;
            case value_c::FLOAT:
                std::snprintf(text, sizeof text, "%g", v->get_float());
                line += std::string(" ") + text;
                break;
            case value_c::PCHAR:
                line += std::string(" ") + v->get_const_pchar();
                break;
            default:
                line += " ?";
            }
        }
        return line;
    }
    std::set<std::string> heard_names;
    std::vector<std::string> heard;
    uint8_t hints = 0;
};

class game_screens_test : public ui_screen_test
{
protected:
    void SetUp() override
    {
        ui_screen_test::SetUp();
        put("fonts/main.bmp", strip_bmp(std::vector<int>(224, 10), 12));
        put_source("data/scripts/window_exit.isc", "scripts/window_exit.isc");
        new clock_c(root, nullptr);
        new net_manager(root, nullptr);
        // Older children hear a broadcast first: the recorder hears load_screen before the
        // container takes it.
        recorder = new request_recorder_c(root);
        container = create_object("ui_container", root, nullptr);
        recorder->heard_names = {"change_cursor",       "cursor_show",      "free_location",  "load_location",
                                 "load_final_location", "add_to_sequence",  "activate_sequence",
                                 "load_screen",         "hiscore_from_main", "request_exit",
                                 "exit_message_confirmed", "exit_message_rejected", "on_all_players_ready"};
    }

    void put_script(const std::string &name, const std::string &text)
    {
        put("scripts/" + name + ".isc", std::vector<uint8_t>(text.begin(), text.end()));
    }
    // load_screen as the game sends it, to the root.
    int load(const char *name) { return send("load_screen", value_c(name, value_c::STRING)); }
    void render() { root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END); }

    // The live children of the container, oldest first.
    std::vector<abstract_c *> live_below_container() const
    {
        std::vector<abstract_c *> out;
        for (abstract_c *c = container->last_child(); c; c = c->prev_sibling())
            if (c->alive())
                out.push_back(c);
        return out;
    }
    template <class T> T *live_child_of_container() const
    {
        for (abstract_c *c : live_below_container())
            if (T *t = dynamic_cast<T *>(c))
                return t;
        return nullptr;
    }
    std::vector<std::string> take_heard()
    {
        std::vector<std::string> out;
        out.swap(recorder->heard);
        return out;
    }

    abstract_c *container = nullptr;
    request_recorder_c *recorder = nullptr;
};
