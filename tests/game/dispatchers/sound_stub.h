// Stand-ins shared by the tests of the game's start and end shows: a sound manager that
// writes what its sounds are asked ("play <name>", "release <name>"), and the registration of
// the shows' classes once per process.
#pragma once

#include "game/creators.h"
#include "kernel/abstract.h"
#include "kernel/scripts.h"

#include <string>
#include <vector>

// The game's classes join the creator table once per process, whichever fixture comes first.
inline void register_game_dispatchers_once()
{
    if (!find_creator("credits", nullptr))
        game_register_creators();
}

class sound_stub_c : public abstract_c
{
public:
    sound_stub_c(abstract_c *parent, std::vector<std::string> *journal, std::string name)
        : abstract_c(parent), m_journal(journal), m_name(std::move(name))
    {
    }
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(sound_play)) {
            m_journal->push_back("play " + m_name);
            return 1;
        }
        if (*message == MSG_VAR(mgr_release_res)) {
            m_journal->push_back("release " + m_name);
            shutdown_tree();
            return 1;
        }
        return 0;
    }
    std::vector<std::string> *m_journal;
    std::string m_name;
};

class sound_manager_stub_c : public abstract_c
{
public:
    explicit sound_manager_stub_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(get_sound_mgr)) {
            *static_cast<abstract_c **>(msg_arg(0)->get_ptr()) = this;
            return 1;
        }
        if (*message == MSG_VAR(mgr_load_res)) {
            *static_cast<abstract_c **>(msg_arg(0)->get_ptr()) =
                new sound_stub_c(this, &journal, msg_arg(1)->get_const_pchar());
            return 1;
        }
        return 0;
    }
    std::vector<std::string> journal;
};
