// A studio to point in: the location's picker object reports the model the test put under a
// cursor position (or -1), a stand-in for the game dispatcher answers get_player_info and
// records what it is told, and a listener records what reaches the root. A network manager
// without a session handles the packets a pointer sends at once, as a server does; the stand-in
// answers its questions about an answer packet and records the item.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "basics/vec3.h"
#include "game/model_pointer.h"
#include "game/player_info.h"
#include "kernel/root.h"
#include "net/net_manager.h"
#include "tests/game/timers/game_listener.h"

#include <gtest/gtest.h>

class fake_studio_c : public abstract_c
{
public:
    explicit fake_studio_c(abstract_c *parent) : abstract_c(parent)
    {
        session_info_init(session);
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            std::snprintf(session.m_players[slot].name, sizeof session.m_players[slot].name, "Seat %d", slot);
    }
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(activate) && std::strcmp(msg_arg(0)->get_const_pchar(), "picker") == 0) {
            const auto found = models.find(msg_arg(1)->get_int());
            const int index = found == models.end() ? -1 : found->second;
            root()->message(MSG_VAR(location_feedback), 0, this, MSG_ARG("picker"), MSG_ARG(""), MSG_ARG(index),
                            MSG_ARGS_END);
            return 0;
        }
        if (*message == MSG_VAR(get_session_info)) {
            std::memcpy(msg_arg(0)->get_ptr(), &session, sizeof session);
            return 1;
        }
        if (*message == MSG_VAR(is_he_active_player)) {
            answer_address = *(int32_t *)msg_arg(0)->get_ptr();
            *(uint8_t *)msg_arg(1)->get_ptr() = 1;
            return 1;
        }
        if (*message == MSG_VAR(is_answer_right)) {
            answered.push_back(msg_arg(0)->get_int());
            return 1;
        }
        return 0;
    }

    // Packed cursor position -> model number under it.
    std::map<int32_t, int> models;
    session_info session;
    std::vector<int> answered;
    int32_t answer_address = 0;
};

// The dispatcher's place: records what a pointer tells its parent and answers get_player_info
// from the studio's session.
class fake_disp_c : public game_listener_c
{
public:
    fake_disp_c(abstract_c *parent, const session_info &session)
        : game_listener_c(parent, {"vote_target_selected", "send_vote_message", "get_player_info"}), m_session(session)
    {
    }
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        game_listener_c::handle_message(message, sender);
        if (*message == MSG_VAR(get_player_info)) {
            std::memcpy(msg_arg(1)->get_ptr(), &m_session.m_players[msg_arg(0)->get_int()], sizeof(player_info));
            return 1;
        }
        return 0;
    }

private:
    const session_info &m_session;
};

class pointer_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root.reset(new abstract_c(nullptr));
        new clock_c(root.get(), nullptr);
        manager = new net_manager(root.get(), nullptr);
        listener = new game_listener_c(root.get(), {"change_cursor", "activate", "add_to_sequence",
                                                    "activate_sequence", "show_vote_screen"});
        studio = new fake_studio_c(root.get());
        disp = new fake_disp_c(studio, studio->session);
        put_model(MODEL_A, 1);
        put_model(MODEL_B, 2);
    }
    void TearDown() override { root->shutdown_tree(); }

    void put_model(const vec2 &at, int model) { studio->models[model_pointer_c::pack_position(at)] = model; }
    int mouse(const vec2 &at, int button = -1, int change = 0)
    {
        int buttons[3] = {};
        return root->message(MSG_VAR(mouse), 0x1C, nullptr, MSG_ARG(at), MSG_ARG((void *)buttons), MSG_ARG(button),
                             MSG_ARG(change), MSG_ARGS_END);
    }
    int release(const vec2 &at) { return mouse(at, 0, 2); }
    int send(const msg_c &name, const value_c &a = value_c(), const value_c &b = value_c(),
             const value_c &c = value_c())
    {
        return root->message(name, 0, nullptr, a, b, c, MSG_ARGS_END);
    }
    // The cursor changes heard since the last call.
    std::vector<std::string> cursors()
    {
        std::vector<std::string> out;
        for (const std::string &e : listener->heard)
            if (e.rfind("change_cursor(", 0) == 0)
                out.push_back(e);
        listener->heard.clear();
        return out;
    }

    static constexpr vec2 MODEL_A{100.0f, 100.0f};
    static constexpr vec2 MODEL_B{300.0f, 100.0f};
    static constexpr vec2 EMPTY{500.0f, 500.0f};

    std::unique_ptr<abstract_c> root;
    net_manager *manager = nullptr;
    game_listener_c *listener = nullptr;
    fake_studio_c *studio = nullptr;
    fake_disp_c *disp = nullptr;
};
