// A PC's tree for dispatcher tests: the root and its clock, the network manager (no session
// unless a test starts one), a player store with players made in code, a listener for what
// the dispatcher tells the root, and the dispatcher itself.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "basics/helpers.h"
#include "game/creators.h"
#include "game/game_disp.h"
#include "game/game_timers.h"
#include "game/player.h"
#include "kernel/attribute.h"
#include "kernel/root.h"
#include "kernel/scripts.h"
#include "net/net_manager.h"
#include "tests/game/timers/game_listener.h"

#include <gtest/gtest.h>

struct demo_player_s
{
    int portrait;
    const char *name;
    int age, character, health, sex, job, intellect, hobby, pulse;
};

// A player of the store with every attribute a record is filled from.
inline player *add_player(abstract_c *store, const demo_player_s &d)
{
    attribute_list_c a;
    add_attribute(nullptr, a, "portr_nmb", value_c(d.portrait), 0);
    add_attribute(nullptr, a, "name", value_c(d.name, value_c::STRING), 0);
    add_attribute(nullptr, a, "age", value_c(d.age), 0);
    add_attribute(nullptr, a, "character", value_c(d.character), 0);
    add_attribute(nullptr, a, "health", value_c(d.health), 0);
    add_attribute(nullptr, a, "sex", value_c(d.sex), 0);
    add_attribute(nullptr, a, "job", value_c(d.job), 0);
    add_attribute(nullptr, a, "intellect", value_c(d.intellect), 0);
    add_attribute(nullptr, a, "hobby", value_c(d.hobby), 0);
    add_attribute(nullptr, a, "pulse", value_c(d.pulse), 0);
    return new player(store, &a);
}

// A player whose portrait and name tell it apart, its other values derived from the portrait.
inline demo_player_s plain_player(int portrait)
{
    static const char *names[] = {"P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8", "P9", "P10", "P11"};
    return {portrait, names[portrait % 12], 30 + portrait, portrait % 4, portrait % 3, portrait % 2, 1,
            40 + portrait, 2, 60 + portrait};
}

inline void register_game_classes_once()
{
    static const bool registered = (game_register_creators(), true);
    (void)registered;
}

// The messages a dispatcher sends to the root that the tests watch.
inline std::vector<std::string> watched_messages()
{
    return {"update_appearance", "on_all_players_ready", "show_credit_window", "update_round_statistics",
            "press_player_dead"};
}

// The dispatcher with the state that the game flow keeps within reach of the tests.
class testable_disp : public game_disp
{
public:
    using game_disp::game_disp;
    using game_disp::m_answerer_slot;
    using game_disp::m_chooser_slot;
    using game_disp::m_step;
    using game_disp::m_step_kind;
    using game_disp::m_game_on;
    using game_disp::m_chosen_topic;
    using game_disp::m_offered_topics;
    using game_disp::m_no_man_left;
    using game_disp::m_topics;
};

class disp_tree_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        register_game_classes_once();
        engine_srand(7);
        root.reset(new abstract_c(nullptr));
        new clock_c(root.get(), nullptr);
        manager = new net_manager(root.get(), nullptr);
        store = new player_store(root.get(), nullptr);
        listener = new game_listener_c(root.get(), watched_messages());
    }
    void TearDown() override
    {
        if (root)
            root->shutdown_tree();
    }

    void fill_store(int players)
    {
        for (int i = 0; i < players; ++i)
            add_player(store, plain_player(i));
    }
    testable_disp *make_disp()
    {
        disp = new testable_disp(root.get(), nullptr);
        return disp;
    }
    int32_t own_address() const { return (int32_t)manager->short_address(); }
    int send(const char *name, const value_c &a = value_c(), const value_c &b = value_c())
    {
        return root->message(msg_c(name), 0, nullptr, a, b, MSG_ARGS_END);
    }
    // A set-up change as a client's packet would carry it.
    np_change_player_info change(int slot, int32_t address, int code) const
    {
        np_change_player_info c;
        std::memset(&c, 0, sizeof c);
        c.header = {sizeof c, NP_CHANGE_PLAYER_INFO};
        c.slot = slot;
        c.address = address;
        c.code = code;
        return c;
    }
    int apply(np_change_player_info c) { return send("change_player_info", MSG_ARG((void *)&c)); }

    std::unique_ptr<abstract_c> root;
    net_manager *manager = nullptr;
    player_store *store = nullptr;
    game_listener_c *listener = nullptr;
    testable_disp *disp = nullptr;
};
