// The game's packets in the network manager's receive loop: what each becomes at the root, the
// server's decisions (answers, votes), and packets whose numbers are out of range.
#include "basics/console_log.h"
#include "game/game_timers.h"
#include "game/universal_delay.h"
#include "net/net_manager.h"
#include "tests/game/timers/game_listener.h"
#include "tests/net/lab/manager_tree.h"
#include "tests/net/lab/net_lab.h"
#include "tests/net/lab/packet_bytes.h"
#include "tests/net/lab/peer.h"

#include "basics/helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

std::string arg_text(const value_c &v)
{
    char text[160];
    switch (v.type()) {
    case value_c::INT: std::snprintf(text, sizeof text, "INT:%d", v.get_int()); break;
    case value_c::FLOAT: std::snprintf(text, sizeof text, "FLOAT:%g", v.get_float()); break;
    case value_c::PTR: return "PTR";
    case value_c::PCHAR: return std::string("PCHAR:") + v.get_pchar();
    case value_c::CONST_PCHAR: return std::string("CONST_PCHAR:") + v.get_const_pchar();
    case value_c::STRING: return std::string("STRING:") + v.get_const_pchar();
    default: return "?";
    }
    return text;
}

// The game's side as the receive loop sees it: records every message it hears (but ticks) as
// "name(arg,...)", answers the queries from its settings, and keeps the packets it was handed.
class game_stand_c : public abstract_c
{
public:
    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(tick) || *message == MSG_VAR(get_common_time) || *message == MSG_VAR(get_net_manager) ||
            *message == MSG_VAR(send_next_ping))
            return 0;
        std::string entry = "(";
        for (int i = 0; i < msg_arg_count(); ++i)
            entry += (i ? "," : "") + arg_text(*msg_arg(i));
        entry += ")";
        auto u8_out = [&](int i, bool v) { *(uint8_t *)msg_arg(i)->get_ptr() = v; };
        std::string name = "?";
        int claim = 1;
        if (*message == MSG_VAR(is_he_active_player)) {
            name = "is_he_active_player";
            u8_out(1, *(int32_t *)msg_arg(0)->get_ptr() == active_address);
        } else if (*message == MSG_VAR(get_active_model_nmb)) {
            name = "get_active_model_nmb";
            *(int32_t *)msg_arg(0)->get_ptr() = active_model;
        } else if (*message == MSG_VAR(is_answer_right)) {
            name = "is_answer_right";
            u8_out(1, msg_arg(0)->get_int() == right_answer);
        } else if (*message == MSG_VAR(check_all_voted)) {
            name = "check_all_voted";
            if (all_voted) {
                u8_out(0, true);
                *(int32_t *)msg_arg(1)->get_ptr() = leaving;
            }
        } else if (*message == MSG_VAR(get_session_info)) {
            name = "get_session_info";
            std::memcpy(msg_arg(0)->get_ptr(), &session, sizeof session);
        } else if (*message == MSG_VAR(get_player_info)) {
            name = "get_player_info";
            const int slot = msg_arg(0)->get_int();
            if (slot < 0 || slot >= MAX_PLAYERS)
                return 0;
            std::memcpy(msg_arg(1)->get_ptr(), &session.m_players[slot], sizeof(player_info));
        } else if (*message == MSG_VAR(is_my_player)) {
            name = "is_my_player";
            u8_out(1, mine);
        } else if (*message == MSG_VAR(is_cam_move_on)) {
            name = "is_cam_move_on";
            u8_out(0, cam);
        } else if (*message == MSG_VAR(is_single_man_in_session)) {
            name = "is_single_man_in_session";
            u8_out(0, single);
        } else {
            claim = 0;
            for (const char *n : {"player_info_updated", "on_round_started", "on_game_stopped", "mark_excluded_player",
                                  "question_answered", "vote_confirmed", "location_loaded", "change_player_info",
                                  "remove_question_n_answers", "show_named", "set_hint", "set_additional_hint",
                                  "add_to_sequence", "activate_sequence", "activate", "generate_bot_votes",
                                  "load_screen", "hide_vote_screen", "create_vote_manager",
                                  "set_delay_before_next_question", "start_next_round", "set_session_info",
                                  "question_step_received"})
                if (*message == msg_c(n))
                    name = n;
            if (name == "?")
                return 0;
            if (name == "vote_confirmed" || name == "change_player_info")
                packets.push_back(as_bytes(msg_arg(0)->get_ptr(), name == "vote_confirmed" ? 16 : 532));
            if (name == "add_to_sequence" && msg_arg(1)->type() == value_c::PTR)
                sequence_objects.push_back((abstract_c *)msg_arg(1)->get_ptr());
        }
        heard.push_back(name + entry);
        return claim;
    }
    std::string take(const std::string &only = "")
    {
        std::string s;
        for (const std::string &e : heard)
            if (only.empty() || e.compare(0, only.size(), only) == 0)
                s += (s.empty() ? "" : " ") + e;
        heard.clear();
        return s;
    }

    std::vector<std::string> heard;
    std::vector<bytes_t> packets;
    std::vector<abstract_c *> sequence_objects;
    int32_t active_address = 0;
    int32_t active_model = 0;
    int right_answer = 0;
    bool all_voted = false;
    int32_t leaving = -1;
    bool mine = false, cam = true, single = false;
    session_info session{};
};

struct pc_s : pc_tree_s<game_stand_c>
{
    pc_s() { session_info_init(game->session); }
    template <class T> std::vector<T *> children_of_manager()
    {
        std::vector<T *> found;
        for (abstract_c *c = manager->first_child(); c; c = c->next_sibling())
            if (T *t = dynamic_cast<T *>(c); t && c->alive())
                found.push_back(t);
        return found;
    }
};

template <class T> bytes_t packet_bytes(int type, size_t offset, T value)
{
    bytes_t b = valid_packet(type);
    put(b, offset, value);
    return b;
}

bytes_t question(uint8_t computer, uint8_t topic_choice, uint8_t first, int32_t model, int32_t items = 4)
{
    np_question q;
    std::memset(&q, 0, sizeof q);
    q.header = {sizeof q, NP_QUESTION};
    q.computer = computer;
    q.topic_choice = topic_choice;
    q.time_parameter = 0.2f;
    q.model_nmb = model;
    q.item_count = items;
    q.first = first;
    std::strcpy(q.menu, "Q_A_B_C_D");
    std::strcpy(q.hint, "hint");
    return as_bytes(&q, sizeof q);
}

bytes_t scene(const char *command, const char *object, const char *hint)
{
    np_scene_command c;
    std::memset(&c, 0, sizeof c);
    c.header = {sizeof c, NP_SCENE_COMMAND};
    std::strcpy(c.command, command);
    std::strcpy(c.object, object);
    std::strcpy(c.hint, hint);
    return as_bytes(&c, sizeof c);
}

bytes_t answered(int32_t item, int32_t model, int32_t random, uint8_t right)
{
    np_question_answered a = np_question_answered_new();
    a.item = item;
    a.model_nmb = model;
    a.random = random;
    a.right = right;
    return as_bytes(&a, sizeof a);
}

bytes_t two_ints(int type, int32_t a, int32_t b)
{
    bytes_t p = valid_packet(type);
    put(p, 8, a);
    put(p, 12, b);
    return p;
}

bytes_t change(int32_t slot, int32_t code)
{
    bytes_t p = valid_packet(NP_CHANGE_PLAYER_INFO);
    put(p, 8, slot);
    put(p, 16, code);
    return p;
}

class receive_loop_test : public private_pc_test<pc_s>
{
protected:
    // A packet this PC hands itself (no session: handled here at once).
    void local(const bytes_t &b) { send_net_message(b.data()); }
    // A request a client sends again: whether a keep-alive of its sender's went before it (the
    // repeat filter), what the game hears, and whether client `a` alone then hears `reply`.
    struct resent_s
    {
        const char *what;
        peer_s *from;
        bytes_t packet;
        bool keep_alive_before;
        const char *heard;
        bool answered;
    };
    void expect_replies(peer_s &a, peer_s &b, const std::vector<resent_s> &rows, const std::vector<bytes_t> &reply)
    {
        for (const resent_s &row : rows) {
            SCOPED_TRACE(row.what);
            if (row.keep_alive_before)
                row.from->send(valid_packet(NP_KEEP_ALIVE));
            row.from->send(row.packet);
            pc->ticks(2);
            EXPECT_EQ(pc->game->take(), row.heard);
            EXPECT_EQ(a.received(), row.answered ? reply : std::vector<bytes_t>{});
            EXPECT_EQ(b.received(), std::vector<bytes_t>{});
        }
    }
    // This PC serves a session that the peers have joined.
    void serve(std::initializer_list<peer_s *> clients)
    {
        start_net_server("Studio");
        pc->manager->set_announce_address("127.0.0.1");
        for (peer_s *client : clients) {
            client->send(valid_packet(NP_JOIN_REQUEST));
            pc->ticks(2);
        }
        ASSERT_EQ(pc->manager->client_count(), (int)clients.size());
    }
};

TEST_F(receive_loop_test, game_packets_become_messages_and_numbers_out_of_range_drop_them)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct
    {
        const char *what;
        bytes_t packet;
        const char *heard;
    } rows[] = {
        {"seat update", packet_bytes<int32_t>(NP_PLAYER_INFO_UPDATED, 8, 3), "player_info_updated(INT:3,PTR)"},
        {"seat update, slot 8", packet_bytes<int32_t>(NP_PLAYER_INFO_UPDATED, 8, 8), ""},
        {"seat update, slot -1", packet_bytes<int32_t>(NP_PLAYER_INFO_UPDATED, 8, -1), ""},
        {"round start", two_ints(NP_ROUND_STARTED, 2, 0x43340000 /* 180.0f */), "on_round_started(INT:2,FLOAT:180)"},
        {"round 0", two_ints(NP_ROUND_STARTED, 0, 0x43340000), ""},
        {"round 9", two_ints(NP_ROUND_STARTED, 9, 0x43340000), ""},
        {"round time NaN", [&] { bytes_t b = two_ints(NP_ROUND_STARTED, 1, 0); put(b, 12, nan); return b; }(), ""},
        {"round time an hour", [&] { bytes_t b = two_ints(NP_ROUND_STARTED, 1, 0); put(b, 12, 3600.0f); return b; }(),
         "on_round_started(INT:1,FLOAT:3600)"},
        {"round time -1", [&] { bytes_t b = two_ints(NP_ROUND_STARTED, 1, 0); put(b, 12, -1.0f); return b; }(), ""},
        {"round time 0", two_ints(NP_ROUND_STARTED, 1, 0), ""},
        {"round time a day", [&] { bytes_t b = two_ints(NP_ROUND_STARTED, 1, 0); put(b, 12, 86400.5f); return b; }(), ""},
        {"round time 3e38", [&] { bytes_t b = two_ints(NP_ROUND_STARTED, 1, 0); put(b, 12, 3e38f); return b; }(), ""},
        {"game stopped", two_ints(NP_GAME_STOPPED, 7, 1), "on_game_stopped(INT:7,INT:1)"},
        {"game stopped, model 8", two_ints(NP_GAME_STOPPED, 7, 8), ""},
        {"exclusion", packet_bytes<int32_t>(NP_MARK_EXCLUDED_PLAYER, 8, 5), "mark_excluded_player(INT:5)"},
        {"exclusion, slot -1", packet_bytes<int32_t>(NP_MARK_EXCLUDED_PLAYER, 8, -1), ""},
        {"exclusion, slot 8", packet_bytes<int32_t>(NP_MARK_EXCLUDED_PLAYER, 8, 8), ""},
        {"verdict", answered(2, 4, 3, 1), "question_answered(INT:2,INT:1,INT:4,INT:3)"},
        {"verdict, slot item", answered(7, 0, 0, 0), "question_answered(INT:7,INT:0,INT:0,INT:0)"},
        {"verdict, item -1", answered(-1, 4, 3, 1), ""},
        {"verdict, item 8", answered(8, 4, 3, 1), ""},
        {"verdict, model 8", answered(2, 8, 3, 1), ""},
        {"verdict, random 4", answered(2, 4, 4, 1), ""},
        {"verdict, random -1", answered(2, 4, -1, 1), ""},
        {"verdict, right 2", answered(2, 4, 3, 2), ""},
        {"vote confirmed", two_ints(NP_VOTE_CONFIRMED, 3, 1), "vote_confirmed(PTR)"},
        {"vote confirmed against nobody", two_ints(NP_VOTE_CONFIRMED, 8, 1), ""},
        {"vote confirmed, voter -1", two_ints(NP_VOTE_CONFIRMED, 3, -1), ""},
        {"own location loaded", valid_packet(NP_LOCATION_LOADED), "location_loaded()"},
        {"set-up change", change(2, 4), "change_player_info(PTR)"},
        {"set-up change, slot 8", change(8, 4), ""},
        {"set-up change, code 12", change(2, 12), ""},
        {"set-up change, code -1", change(2, -1), ""},
        {"flash", scene("flash", "flash1", "h"), "activate(PCHAR:flash1,INT:1)"},
        {"start_vote", scene("start_vote", "", ""),
         "generate_bot_votes() load_screen(PCHAR:screen_vote) hide_vote_screen() create_vote_manager(INT:-1)"},
        {"unknown command", scene("jump", "x", "y"), ""},
        {"keep-alive", valid_packet(NP_KEEP_ALIVE), ""},
    };
    // A packet dropped for a number out of range leaves a line in the log, the first of its kind
    // from this sender.
    std::set<int> dropped_types, logged_types;
    for (const auto &row : rows) {
        log_reset_changed();
        local(row.packet);
        EXPECT_EQ(pc->game->take(), row.heard) << row.what;
        const bool ignored = std::strcmp(row.what, "unknown command") == 0 || std::strcmp(row.what, "keep-alive") == 0;
        const bool dropped = !*row.heard && !ignored;
        const bool logged = log_changed() && std::string(log_line(1)).rfind("LAN packet of type ", 0) == 0;
        if (dropped)
            dropped_types.insert(row.packet[4]);
        if (logged)
            logged_types.insert(row.packet[4]);
        EXPECT_TRUE(dropped || !logged) << row.what;
    }
    EXPECT_EQ(logged_types, dropped_types);
    // The handler gets the packet itself.
    ASSERT_EQ(pc->game->packets.size(), 2u);
    EXPECT_EQ(pc->game->packets[0], two_ints(NP_VOTE_CONFIRMED, 3, 1));
    EXPECT_EQ(pc->game->packets[1], change(2, 4));
}

TEST_F(receive_loop_test, a_lift_adds_the_activation_to_the_sequence)
{
    local(scene("lift", "start_relay", "Intro"));
    EXPECT_EQ(pc->game->take(), "set_hint(PCHAR:Intro) add_to_sequence(PCHAR:animation_delay,FLOAT:0.01) "
                                "add_to_sequence(PCHAR:animation_message,PTR) activate_sequence()");
    auto delayed = pc->children_of_manager<delayed_message_c>();
    ASSERT_EQ(delayed.size(), 1u);
    EXPECT_EQ(pc->game->sequence_objects, std::vector<abstract_c *>{delayed[0]});
    EXPECT_EQ(delayed[0]->name(), "activate");
    ASSERT_EQ(delayed[0]->argument_count(), 2);
    EXPECT_STREQ(delayed[0]->argument(0).get_const_pchar(), "start_relay");
    EXPECT_EQ(delayed[0]->argument(1).get_int(), 1);
}

TEST_F(receive_loop_test, a_question_plays_its_sequence_with_the_camera_by_who_acts)
{
    game_stand_c &g = *pc->game;
    g.mine = true;
    g.session.m_round = 1;
    local(question(0, 0, 1, 2));
    EXPECT_EQ(g.take(), "get_session_info(PTR) question_step_received(INT:2,INT:0,INT:0,INT:4,INT:1) "
                        "remove_question_n_answers() show_named(INT:0,PCHAR:game_background) "
                        "show_named(INT:0,PCHAR:selector_field) set_hint(PCHAR:hint) "
                        "set_additional_hint(CONST_PCHAR:) is_my_player(INT:2,PTR) is_cam_move_on(PTR) "
                        "is_single_man_in_session(PTR) add_to_sequence(PCHAR:accel_mover2_y,INT:1) "
                        "add_to_sequence(PCHAR:animation_message,PTR) activate_sequence()");
    auto delayed = pc->children_of_manager<delayed_message_c>();
    ASSERT_EQ(delayed.size(), 1u);
    EXPECT_EQ(g.sequence_objects, std::vector<abstract_c *>{delayed[0]});
    EXPECT_EQ(delayed[0]->name(), "question");
    ASSERT_EQ(delayed[0]->argument_count(), 4);
    EXPECT_STREQ(delayed[0]->argument(0).get_const_pchar(), "Q_A_B_C_D");
    EXPECT_FLOAT_EQ(delayed[0]->argument(1).get_float(), 0.2f);
    EXPECT_EQ(delayed[0]->argument(2).get_int(), 2);
    EXPECT_EQ(delayed[0]->argument(3).get_int(), 4);
    delayed[0]->shutdown_tree();

    g.mine = false;
    local(question(1, 0, 0, 3));
    ASSERT_GE(g.heard.size(), 2u);
    EXPECT_EQ(g.heard[1], "question_step_received(INT:3,INT:1,INT:0,INT:4,INT:0)");
    EXPECT_EQ(g.take("set_additional_hint"), "set_additional_hint(PCHAR:Q_A_B_C_D)");
    delayed = pc->children_of_manager<delayed_message_c>();
    ASSERT_EQ(delayed.size(), 1u);
    EXPECT_EQ(delayed[0]->name(), "simulate_question");
    EXPECT_EQ(delayed[0]->argument_count(), 3);

    const struct
    {
        const char *what;
        uint8_t computer, topic_choice, first;
        int32_t model;
        int round;
        bool mine, cam, single;
        const char *steps; // the add_to_sequence messages, and whether is_my_player was asked
    } rows[] = {
        {"human elsewhere", 0, 0, 0, 0, 1, false, true, false,
         "is_my_player(INT:0,PTR) add_to_sequence(PCHAR:path_mover8,INT:1) "
         "add_to_sequence(PCHAR:animation_message,PTR)"},
        {"human elsewhere, model 3", 0, 0, 0, 3, 2, false, true, false,
         "is_my_player(INT:3,PTR) add_to_sequence(PCHAR:path_mover3,INT:1) "
         "add_to_sequence(PCHAR:animation_message,PTR)"},
        {"final, human elsewhere", 0, 0, 0, 1, 7, false, true, false,
         "is_my_player(INT:1,PTR) add_to_sequence(PCHAR:interp_mover1,INT:1) "
         "add_to_sequence(PCHAR:animation_message,PTR)"},
        {"final, computer", 1, 0, 0, 7, 7, true, true, false,
         "add_to_sequence(PCHAR:interp_mover0,INT:1) add_to_sequence(PCHAR:animation_message,PTR) "
         "add_to_sequence(PCHAR:animation_delay,FLOAT:0.03)"},
        {"computer, mine ignored", 1, 0, 0, 2, 5, true, true, false,
         "add_to_sequence(PCHAR:path_mover2,INT:1) add_to_sequence(PCHAR:animation_message,PTR) "
         "add_to_sequence(PCHAR:animation_delay,FLOAT:0.03)"},
        {"round 3 question: no camera step", 0, 0, 0, 1, 3, false, true, false,
         "is_my_player(INT:1,PTR) add_to_sequence(PCHAR:animation_message,PTR)"},
        {"round 3 topic choice", 0, 1, 0, 1, 3, false, true, false,
         "is_my_player(INT:1,PTR) add_to_sequence(PCHAR:path_mover1,INT:1) "
         "add_to_sequence(PCHAR:animation_message,PTR)"},
        {"single human, camera still, first step", 0, 0, 1, 4, 1, true, false, true,
         "is_my_player(INT:4,PTR) add_to_sequence(PCHAR:accel_mover0_y,INT:1) "
         "add_to_sequence(PCHAR:animation_message,PTR)"},
        {"single human, camera still, later step", 0, 0, 0, 4, 1, true, false, true,
         "is_my_player(INT:4,PTR) add_to_sequence(PCHAR:animation_message,PTR)"},
        {"model 8", 0, 0, 0, 8, 1, false, true, false, ""},
        {"model -1", 1, 0, 0, -1, 1, false, true, false, ""},
        {"seven items", 0, 0, 0, 1, 1, false, true, false, nullptr},
    };
    for (const auto &row : rows) {
        g.mine = row.mine;
        g.cam = row.cam;
        g.single = row.single;
        g.session.m_round = row.round;
        local(row.steps ? question(row.computer, row.topic_choice, row.first, row.model)
                        : question(0, 0, 0, row.model, 7));
        std::string steps;
        for (const std::string &e : g.heard)
            if (e.rfind("add_to_sequence", 0) == 0 || e.rfind("is_my_player", 0) == 0)
                steps += (steps.empty() ? "" : " ") + e;
        EXPECT_EQ(steps, row.steps ? row.steps : "") << row.what;
        if (!row.steps || !*row.steps) {
            EXPECT_EQ(g.take(), "") << row.what;
        }
        g.take();
    }
}

TEST_F(receive_loop_test, the_server_judges_answers_from_the_active_players_pc_only)
{
    game_stand_c &g = *pc->game;
    g.active_address = 0x0a000005;
    g.active_model = 5;
    g.right_answer = 1;
    local(two_ints(NP_ANSWER, 1, 0x0a000006));
    EXPECT_EQ(g.take(), "is_he_active_player(PTR,PTR)");
    local(two_ints(NP_ANSWER, 8, 0x0a000005));
    EXPECT_EQ(g.take(), "") << "an item past the seats is not judged";

    engine_srand(5);
    std::set<std::string> randoms;
    for (int i = 0; i < 40; ++i) {
        const int item = i % 2;
        local(two_ints(NP_ANSWER, item, 0x0a000005));
        std::string heard = g.take();
        const std::string head = "is_he_active_player(PTR,PTR) get_active_model_nmb(PTR) is_answer_right(INT:" +
                                 std::to_string(item) + ",PTR) question_answered(INT:" + std::to_string(item) +
                                 ",INT:" + (item == 1 ? "1" : "0") + ",INT:5,INT:";
        ASSERT_EQ(heard.compare(0, head.size(), head), 0) << heard;
        const std::string tail = ") set_delay_before_next_question()";
        ASSERT_EQ(heard.substr(heard.size() - tail.size()), tail) << heard;
        randoms.insert(heard.substr(head.size(), heard.size() - head.size() - tail.size()));
    }
    EXPECT_EQ(randoms, (std::set<std::string>{"0", "1", "2", "3"}));

    start_net_client("Player");
    EXPECT_EQ(thrown_text([&] { pc->manager->net_receive_loop(two_ints(NP_ANSWER, 1, 0x0a000005).data()); }),
              "Debug assertion failed! Expression: \"m_status != CLIENT\"");
    EXPECT_EQ(thrown_text([&] { pc->manager->net_receive_loop(change(1, 2).data()); }),
              "Debug assertion failed! Expression: \"m_status != CLIENT\"");
}

TEST_F(receive_loop_test, votes_are_confirmed_to_all_and_the_last_one_announces_who_leaves)
{
    game_stand_c &g = *pc->game;
    local(two_ints(NP_VOTE, 3, 1));
    EXPECT_EQ(g.take(), "vote_confirmed(PTR) check_all_voted(PTR,PTR)");
    ASSERT_EQ(g.packets.size(), 1u);
    EXPECT_EQ(g.packets[0], two_ints(NP_VOTE_CONFIRMED, 3, 1));
    for (auto [target, voter] : {std::pair{8, 1}, {-1, 1}, {3, 8}, {3, -1}}) {
        local(two_ints(NP_VOTE, target, voter));
        EXPECT_EQ(g.take(), "") << target << " " << voter;
    }
    EXPECT_TRUE(pc->children_of_manager<next_round_timer_c>().empty());

    g.all_voted = true;
    g.leaving = 4;
    local(two_ints(NP_VOTE, 4, 2));
    EXPECT_EQ(g.take(), "vote_confirmed(PTR) check_all_voted(PTR,PTR) mark_excluded_player(INT:4)");
    ASSERT_EQ(pc->children_of_manager<next_round_timer_c>().size(), 1u);
    pc->tick(101.0f);
    pc->tick(108.5f);
    EXPECT_EQ(g.take("start_next_round"), "");
    pc->tick(109.1f);
    EXPECT_EQ(g.take("start_next_round"), "start_next_round()");
}

// Datagrams from a client PC: its answer reaches the server's game and the verdict reaches it
// back; its set-up change is taken; its location report is not the server's.
TEST_F(receive_loop_test, a_clients_datagrams_on_the_server)
{
    peer_s a(2);
    serve({&a});
    a.received();
    game_stand_c &g = *pc->game;
    g.take();
    g.active_address = a.address();
    g.active_model = 2;
    g.right_answer = 3;

    a.send(two_ints(NP_ANSWER, 3, a.address()));
    pc->ticks(2);
    EXPECT_EQ(g.take("question_answered").substr(0, 36), "question_answered(INT:3,INT:1,INT:2,");
    std::vector<bytes_t> got = a.received();
    ASSERT_EQ(got.size(), 1u);
    np_question_answered verdict;
    ASSERT_EQ(got[0].size(), sizeof verdict);
    std::memcpy(&verdict, got[0].data(), sizeof verdict);
    EXPECT_EQ(verdict.header.type, NP_QUESTION_ANSWERED);
    EXPECT_EQ(verdict.item, 3);
    EXPECT_EQ(verdict.model_nmb, 2);
    EXPECT_EQ(verdict.right, 1);

    bytes_t own_change = change(1, 2);
    put(own_change, 12, a.address());
    a.send(own_change);
    a.send(valid_packet(NP_LOCATION_LOADED));
    pc->ticks(3);
    const std::string heard = g.take();
    EXPECT_NE(heard.find("change_player_info(PTR)"), std::string::npos) << heard;
    EXPECT_EQ(heard.find("location_loaded"), std::string::npos) << heard;
}

TEST_F(receive_loop_test, a_question_for_a_model_number_of_no_seat_in_the_game_is_dropped_whole)
{
    game_stand_c &g = *pc->game;
    g.session.m_round = 1;
    // Six seats in the game: model numbers 0 to 5.
    g.session.m_players[2].m_in_game = 0;
    g.session.m_players[6].m_in_game = 0;
    local(question(0, 0, 0, 6));
    EXPECT_EQ(g.take(), "get_session_info(PTR)");
    EXPECT_TRUE(pc->children_of_manager<delayed_message_c>().empty());
    local(question(1, 0, 0, 5));
    EXPECT_NE(g.take().find("activate_sequence()"), std::string::npos);
    EXPECT_EQ(pc->children_of_manager<delayed_message_c>().size(), 1u);
}

// A client's datagrams name a PC (answers, set-up changes) or a voter: a client speaks only for
// its own PC and its own players, while this PC's own hand-over still speaks for it.
TEST_F(receive_loop_test, a_client_speaks_only_for_its_own_pc_and_players)
{
    peer_s a(2), b(3);
    serve({&a, &b});
    game_stand_c &g = *pc->game;
    g.session.m_players[1].m_is_man = 1;
    g.session.m_players[1].m_owner_address = a.address();
    g.session.m_players[2].m_is_man = 1;
    g.session.m_players[2].m_owner_address = b.address();
    g.session.m_players[3].m_owner_address = (int32_t)pc->manager->short_address();
    g.active_address = b.address();
    g.right_answer = 0;
    g.take();

    bytes_t a_changes_own = change(1, 2), a_changes_as_b = change(2, 2);
    put(a_changes_own, 12, a.address());
    put(a_changes_as_b, 12, b.address());
    const struct
    {
        const char *what;
        peer_s *from;
        bytes_t packet;
        const char *heard;
    } rows[] = {
        {"a answers as b, whose player acts", &a, two_ints(NP_ANSWER, 0, b.address()), ""},
        {"a answers as itself", &a, two_ints(NP_ANSWER, 1, a.address()), "is_he_active_player(PTR,PTR)"},
        {"a changes a seat as b", &a, a_changes_as_b, ""},
        {"a changes a seat as itself", &a, a_changes_own, "change_player_info(PTR)"},
        {"a votes for b's player", &a, two_ints(NP_VOTE, 4, 2), "get_player_info(INT:2,PTR)"},
        {"a votes for a computer player", &a, two_ints(NP_VOTE, 4, 3), "get_player_info(INT:3,PTR)"},
        {"a votes for its own player", &a, two_ints(NP_VOTE, 4, 1),
         "get_player_info(INT:1,PTR) vote_confirmed(PTR) check_all_voted(PTR,PTR)"},
        {"b answers as itself", &b, two_ints(NP_ANSWER, 2, b.address()),
         "is_he_active_player(PTR,PTR) get_active_model_nmb(PTR) is_answer_right(INT:2,PTR)"},
    };
    for (const auto &row : rows) {
        row.from->send(row.packet);
        pc->ticks(1);
        std::string heard = g.take();
        const size_t verdict = heard.find(" question_answered");
        if (verdict != std::string::npos)
            heard.erase(verdict);
        EXPECT_EQ(heard, row.heard) << row.what;
    }
    // The vote counted: the player's second vote is not taken.
    g.session.m_players[1].m_vote_target = 4;
    a.send(two_ints(NP_VOTE, 5, 1));
    pc->ticks(1);
    EXPECT_EQ(g.take(), "get_player_info(INT:1,PTR)");

    // This PC's own players answer and vote through its hand-over.
    g.active_address = (int32_t)pc->manager->short_address();
    local(two_ints(NP_ANSWER, 0, g.active_address));
    EXPECT_NE(g.take().find("question_answered"), std::string::npos);
    local(two_ints(NP_VOTE, 4, 3));
    EXPECT_EQ(g.take(), "vote_confirmed(PTR) check_all_voted(PTR,PTR)");
}

// A client whose confirmation was lost sends its vote again, its keep-alives between. The server
// holds the vote already: the client alone hears it confirmed again, and neither the count nor
// the other PCs hear of it.
TEST_F(receive_loop_test, a_vote_the_server_holds_is_confirmed_again_to_its_sender_alone)
{
    peer_s a(2), b(3);
    serve({&a, &b});
    game_stand_c &g = *pc->game;
    g.session.m_players[1].m_is_man = 1;
    g.session.m_players[1].m_owner_address = a.address();
    a.received();
    b.received();
    g.take();
    const bytes_t vote = two_ints(NP_VOTE, 4, 1), confirmed = two_ints(NP_VOTE_CONFIRMED, 4, 1);
    a.send(vote);
    pc->ticks(1);
    EXPECT_EQ(g.take(), "get_player_info(INT:1,PTR) vote_confirmed(PTR) check_all_voted(PTR,PTR)");
    EXPECT_EQ(a.received(), std::vector<bytes_t>{confirmed});
    EXPECT_EQ(b.received(), std::vector<bytes_t>{confirmed});
    g.session.m_players[1].m_vote_target = 4;

    expect_replies(a, b,
                   {
                       {"the same vote at once: a repeat", &a, vote, false, "", false},
                       {"the same vote again", &a, vote, true, "get_player_info(INT:1,PTR)", true},
                       {"and again", &a, vote, true, "get_player_info(INT:1,PTR)", true},
                       {"another target: a second vote", &a, two_ints(NP_VOTE, 5, 1), true,
                        "get_player_info(INT:1,PTR)", false},
                       {"the vote from another PC", &b, vote, true, "get_player_info(INT:1,PTR)", false},
                   },
                   {confirmed});
    EXPECT_TRUE(pc->children_of_manager<next_round_timer_c>().empty());
}

// A client whose verdict was lost sends its answer again, its keep-alives between. The step is
// judged already: the client alone hears the same verdict again, random number and all, and
// the game judges nothing and puts no second next step. Once the server has gone on (a next
// step, the vote, a leaving player, a round start, the game's end) the answer is late and
// refused.
TEST_F(receive_loop_test, an_answer_to_a_judged_step_gets_the_same_verdict_again_to_its_sender_alone)
{
    peer_s a(2), b(3);
    serve({&a, &b});
    game_stand_c &g = *pc->game;
    g.active_model = 1;
    g.right_answer = 2;
    const bytes_t answer = two_ints(NP_ANSWER, 3, a.address());
    const np_round_started round = {{sizeof round, NP_ROUND_STARTED}, 3, 180.0f};
    const struct
    {
        const char *what;
        bytes_t packet;
        const char *heard;
    } ends[] = {
        {"the next step", question(1, 0, 0, 2), "get_session_info(PTR)"},
        {"the vote", scene("start_vote", "", ""), "generate_bot_votes()"},
        {"a leaving player", packet_bytes(NP_MARK_EXCLUDED_PLAYER, 8, (int32_t)5), "mark_excluded_player(INT:5)"},
        {"a round start", as_bytes(&round, sizeof round), "on_round_started(INT:3,FLOAT:180)"},
        {"the game's end", packet_bytes(NP_GAME_STOPPED, 12, (int32_t)1), "on_game_stopped(INT:0,INT:1)"},
    };
    for (const auto &e : ends) {
        SCOPED_TRACE(e.what);
        a.send(valid_packet(NP_KEEP_ALIVE));
        g.active_address = a.address();
        a.send(answer);
        pc->ticks(2);
        EXPECT_NE(g.take().find("question_answered(INT:3,INT:0,INT:1,"), std::string::npos);
        const std::vector<bytes_t> verdict = a.received();
        ASSERT_EQ(verdict.size(), 1u);
        EXPECT_EQ(b.received(), verdict) << "to all";
        // The game has taken the verdict: no player of the client's acts now.
        g.active_address = 0;

        const char *asked = "is_he_active_player(PTR,PTR)";
        expect_replies(a, b,
                       {
                           {"the same answer at once: a repeat", &a, answer, false, "", false},
                           {"the same answer again", &a, answer, true, asked, true},
                           {"and again", &a, answer, true, asked, true},
                           {"another item: the step's verdict", &a, two_ints(NP_ANSWER, 0, a.address()), true, asked,
                            true},
                           {"another PC's answer", &b, two_ints(NP_ANSWER, 3, b.address()), true, asked, false},
                       },
                       verdict);

        local(e.packet);
        EXPECT_EQ(g.take().rfind(e.heard, 0), 0u);
        a.received();
        b.received();
        a.send(valid_packet(NP_KEEP_ALIVE));
        a.send(answer);
        pc->ticks(2);
        EXPECT_EQ(g.take(), "is_he_active_player(PTR,PTR)");
        EXPECT_EQ(a.received(), std::vector<bytes_t>{}) << "late";
    }
}

// The lines the log holds since the last log_mark(), oldest first.
const char LOG_MARK[] = "-- receive loop test mark --";
void log_mark() { print_message("%s\n", LOG_MARK); }
std::vector<std::string> logged_since_mark()
{
    std::vector<std::string> lines;
    for (unsigned i = 1; i < 256 && std::strcmp(log_line(i), LOG_MARK) != 0; ++i)
        lines.insert(lines.begin(), log_line(i));
    return lines;
}

// A member's and a stranger's floods of refused datagrams are drained in the tick they wait
// in, so a valid request behind them is handled at once; still one accepted datagram a tick.
TEST_F(receive_loop_test, refused_datagrams_do_not_take_the_ticks_of_valid_ones)
{
    peer_s a(2), stranger(3);
    serve({&a});
    game_stand_c &g = *pc->game;
    g.active_address = a.address();
    g.active_model = 2;
    g.right_answer = 3;
    g.take();
    // 150 waiting: few enough for any socket's receive buffer.
    for (int i = 0; i < 30; ++i) {
        a.send(two_ints(NP_ANSWER, 99 + i, a.address())); // an item out of range
        a.send(two_ints(NP_VOTE, 1, 9));                   // a voter out of range
        stranger.send(two_ints(NP_ANSWER, 3, stranger.address()));
        a.send(bytes_t(20, 0x41));                         // no packet at all
        stranger.send(bytes_t());                          // empty: a read of 0 bytes, as when none waits
    }
    a.send(two_ints(NP_ANSWER, 3, a.address()));
    pc->ticks(1);
    EXPECT_EQ(g.take("question_answered").substr(0, 36), "question_answered(INT:3,INT:1,INT:2,")
        << "handled in the tick of the flood";

    // Two valid datagrams still take two ticks.
    bytes_t first = change(1, 2), second = change(1, 4);
    put(first, 12, a.address());
    put(second, 12, a.address());
    a.send(first);
    a.send(second);
    pc->ticks(1);
    EXPECT_EQ(g.take("change_player_info"), "change_player_info(PTR)");
    pc->ticks(1);
    EXPECT_EQ(g.take("change_player_info"), "change_player_info(PTR)");
}

// Under a flood the log says once per sender and kind what is refused, then how many more in
// one line at most every 10 s.
TEST_F(receive_loop_test, refusals_are_logged_once_per_sender_and_kind_then_counted)
{
    peer_s a(2), stranger(3);
    serve({&a});
    log_mark();
    // 25 s at 50 ticks a second, 24 bad datagrams a tick from the two senders: 30,000 refused.
    float now = pc->time;
    for (int tick = 0; tick < 1250; ++tick) {
        for (int i = 0; i < 6; ++i) {
            a.send(two_ints(NP_ANSWER, 99, a.address()));
            a.send(two_ints(NP_VOTE, 8, 1));
            a.send(bytes_t(12, 0x07));
            stranger.send(two_ints(NP_ANSWER, 3, stranger.address()));
        }
        // The member stays a member: its keep-alives come between.
        if (tick % 25 == 0)
            a.send(valid_packet(NP_KEEP_ALIVE));
        now += 0.02f;
        pc->tick(now);
    }
    const std::vector<std::string> lines = logged_since_mark();
    size_t bytes = 0;
    std::set<std::string> first_lines;
    int counts = 0;
    for (const std::string &line : lines) {
        bytes += line.size() + 1;
        if (line.rfind("LAN packet of type ", 0) == 0)
            first_lines.insert(line);
        else if (line.rfind("LAN packets dropped: ", 0) == 0)
            ++counts;
        else
            ADD_FAILURE() << line;
    }
    EXPECT_EQ(first_lines, (std::set<std::string>{
                               "LAN packet of type 12 from 127.0.0.2 dropped: item or address",
                               "LAN packet of type 14 from 127.0.0.2 dropped: slot",
                               "LAN packet of type 0 from 127.0.0.2 dropped: length, type or values of no packet",
                               "LAN packet of type 12 from 127.0.0.3 dropped: a type this sender may not send",
                           }));
    EXPECT_GE(counts, 2) << "25 s";
    EXPECT_LE(counts, 3);
    // 10 s at 50 ticks a second (give or take a tick of the float clock) and 24 datagrams a tick.
    EXPECT_TRUE(lines.back() == "LAN packets dropped: 12000 more of 4 kinds from 2 senders in 10 s" ||
                lines.back() == "LAN packets dropped: 12024 more of 4 kinds from 2 senders in 10 s")
        << lines.back();
    EXPECT_LT(bytes, 1000u);
    EXPECT_EQ(pc->manager->client_count(), 1);
}

} // namespace
