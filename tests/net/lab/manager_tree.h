// A PC's object tree for network-manager tests: a root, a clock, a stand-in for the game (by
// default one that records the messages the manager sends and may seat joining PCs), and the
// net_manager; and a test fixture around one such tree.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "game/player_info.h"
#include "kernel/root.h"
#include "net/net_manager.h"
#include "tests/net/lab/net_lab.h"

class game_stub_c : public abstract_c
{
public:
    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(connected_to_server)) {
            m_log.push_back("connected_to_server");
            return 0;
        }
        if (*message == MSG_VAR(set_session_info)) {
            std::memcpy(&m_session, msg_arg(0)->get_ptr(), sizeof m_session);
            m_log.push_back("set_session_info");
            return 0;
        }
        if (*message == MSG_VAR(create_new_man_player)) {
            m_log.push_back("create_new_man_player");
            if (m_free_seats <= 0)
                return 0;
            int32_t address = *(int32_t *)msg_arg(0)->get_ptr();
            session_info *s = (session_info *)msg_arg(1)->get_ptr();
            player_info &p = s->m_players[8 - m_free_seats--];
            p.m_is_man = 1;
            p.m_owner_address = address;
            return 1;
        }
        if (*message == MSG_VAR(replace_lost_players)) {
            const uint32_t a = (uint32_t) * (int32_t *)msg_arg(0)->get_ptr();
            m_log.push_back("replace_lost_players(" + std::to_string(a & 0xff) + "." + std::to_string((a >> 8) & 0xff) +
                            "." + std::to_string((a >> 16) & 0xff) + "." + std::to_string(a >> 24) + ")");
            return 1;
        }
        if (*message == MSG_VAR(server_lost)) {
            m_log.push_back("server_lost");
            return 1;
        }
        if (*message == MSG_VAR(free_places_available)) {
            m_log.push_back("free_places_available");
            *(uint8_t *)msg_arg(0)->get_ptr() = m_free_seats == 0;
            return 1;
        }
        return 0;
    }
    std::string log() const
    {
        std::string s;
        for (const std::string &e : m_log)
            s += (s.empty() ? "" : " ") + e;
        return s;
    }

    std::vector<std::string> m_log;
    int m_free_seats = 0;
    session_info m_session{};
};

// A PC's tree with the game stand-in G.
template <class G> struct pc_tree_s
{
    std::unique_ptr<abstract_c> root{new abstract_c(nullptr)};
    clock_c *clock = new clock_c(root.get(), nullptr);
    G *game = new G(root.get());
    net_manager *manager = new net_manager(root.get(), nullptr);
    float time = 0.0f;

    // One tick at the given time, then the collection of dead objects.
    void tick(float at)
    {
        time = at;
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(at), MSG_ARG(0.01f), MSG_ARGS_END);
        root->collect_dead_children();
    }
    void ticks(int n, float step = 0.0f)
    {
        for (int i = 0; i < n; ++i)
            tick(time + step);
    }
    ~pc_tree_s()
    {
        root->shutdown_tree();
    }
};
typedef pc_tree_s<game_stub_c> manager_tree_s;

// A test in the process's private network namespace, WinSock started, with one PC tree T
// ticked once at 100 s.
template <class T> class private_pc_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NET_LAB_PRIVATE_OR_SKIP();
        winsock_startup();
        m_started = true;
        pc.reset(new T);
        pc->tick(100.0f);
    }
    void TearDown() override
    {
        pc.reset();
        if (m_started)
            winsock_cleanup();
    }

    std::unique_ptr<T> pc;
    bool m_started = false;
};
