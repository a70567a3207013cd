// The game's packets in the receive loop: each accepted packet of types 3 and 6 to 16 becomes
// messages to the root (flags 0, the manager as sender), replies, timers and steps of the
// location's movie sequence. The slots, model numbers, items, rounds and votes the packets
// carry are checked here, before anything indexes with them; a packet with one out of range is
// dropped as a whole.
#include "net/net_manager.h"

#include "basics/console_log.h"
#include "basics/helpers.h"
#include "game/game_timers.h"
#include "game/universal_delay.h"
#include "kernel/assert_quoting.h"
#include "kernel/exception.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

constexpr int SEATS = 8;
constexpr int LAST_CHANGE_CODE = 11;
constexpr int MAX_MENU_ITEMS = 6;
constexpr double NEXT_ROUND_DELAY = 8.0;
constexpr float MAX_ROUND_TIME = 3600.0f;

bool in(int64_t v, int64_t low, int64_t high) { return v >= low && v <= high; }
bool seat(int64_t v) { return in(v, 0, SEATS - 1); }

template <class P> P packet_of(const char *buffer)
{
    P p;
    std::memcpy(&p, buffer, sizeof p);
    return p;
}

} // namespace

bool net_manager::is_local(const SOCKADDR_IN &from) const
{
    return from.sin_addr.s_addr == m_local_sender.sin_addr.s_addr && from.sin_port == m_local_sender.sin_port;
}

bool net_manager::speaks_for(int32_t address, const SOCKADDR_IN &from) const
{
    // This PC hands over its own players' requests; a peer speaks only for its own address.
    return is_local(from) || (uint32_t)address == from.sin_addr.s_addr;
}

bool net_manager::is_session_member(const SOCKADDR_IN &from) const
{
    ENGINE_ASSERT_QUOTING(m_status != NET_STATUS_CLIENT, "m_status != CLIENT");
    if (is_local(from))
        return true;
    for (int i = 0; i < m_client_count; ++i)
        if (m_clients[i].address.sin_addr.s_addr == from.sin_addr.s_addr)
            return true;
    return false;
}

void net_manager::send_to_client(const void *packet, uint32_t address)
{
    ENGINE_ASSERT(net_packet_length_ok(packet));
    for (int i = 0; i < m_client_count; ++i)
        if (m_clients[i].address.sin_addr.s_addr == address) {
            send_to(packet, m_clients[i].address);
            return;
        }
}

void send_net_to_client(const void *packet, int32_t address)
{
    if (net_manager *manager = get_net_manager())
        manager->send_to_client(packet, (uint32_t)address);
}

bool net_manager::handle_game_packet(char *buffer, const SOCKADDR_IN &from)
{
    // A packet whose numbers are out of range goes no further; the log says which one.
    auto dropped = [&](int type, const char *why) { return refuse(type, why, from); };
    abstract_c *root = abstract_c::root();
    auto send = [&](const msg_c &name, auto... args) {
        return root->message(name, 0, this, MSG_ARG(args)..., MSG_ARGS_END);
    };
    net_packet_header h;
    std::memcpy(&h, buffer, sizeof h);
    // The step judged last is over once the next step, the vote, a round or the game's end goes
    // out (the server hands its own packets to itself too); on a client, a step like the last one
    // after any but the next step is a new one.
    if (in(h.type, NP_ROUND_STARTED, NP_MARK_EXCLUDED_PLAYER)) {
        m_judged_from = 0;
        if (h.type != NP_QUESTION)
            m_last_step = np_question{};
    }
    switch (h.type) {
    case NP_CHANGE_PLAYER_INFO: {
        auto p = packet_of<np_change_player_info>(buffer);
        if (!is_session_member(from))
            return dropped(h.type, "a set-up change from outside the session");
        if (!seat(p.slot) || !in(p.code, 0, LAST_CHANGE_CODE) || !speaks_for(p.address, from))
            return dropped(h.type, "slot, field code or address");
        root->message(MSG_VAR(change_player_info), MSGF_NO_SELF, this, MSG_ARG((void *)buffer), MSG_ARGS_END);
        return true;
    }
    case NP_PLAYER_INFO_UPDATED: {
        auto p = packet_of<np_player_info_updated>(buffer);
        if (seat(p.slot))
            send(MSG_VAR(player_info_updated), (int)p.slot,
                 (void *)(buffer + offsetof(np_player_info_updated, info)));
        else
            return dropped(h.type, "slot");
        return true;
    }
    case NP_ROUND_STARTED: {
        auto p = packet_of<np_round_started>(buffer);
        // The round clock counts the time down on every PC: an hour is more than any round has.
        if (in(p.round, 1, 8) && p.round_time > 0.0f && p.round_time <= MAX_ROUND_TIME)
            send(MSG_VAR(on_round_started), (int)p.round, p.round_time);
        else
            return dropped(h.type, "round or round time");
        return true;
    }
    case NP_GAME_STOPPED: {
        auto p = packet_of<np_game_stopped>(buffer);
        if (seat(p.value))
            send(MSG_VAR(on_game_stopped), (int)p.code, (int)p.value);
        else
            return dropped(h.type, "model number");
        return true;
    }
    case NP_QUESTION:
        return handle_question(buffer, from);
    case NP_SCENE_COMMAND:
        handle_scene_command(buffer);
        return true;
    case NP_MARK_EXCLUDED_PLAYER: {
        auto p = packet_of<np_mark_excluded_player>(buffer);
        if (seat(p.slot))
            send(MSG_VAR(mark_excluded_player), (int)p.slot);
        else
            return dropped(h.type, "slot");
        return true;
    }
    case NP_ANSWER: {
        ENGINE_ASSERT_QUOTING(m_status != NET_STATUS_CLIENT, "m_status != CLIENT");
        auto p = packet_of<np_answer>(buffer);
        // An answer position, a topic position or a chosen opponent's slot, from the PC it names.
        if (!seat(p.item) || !speaks_for(p.address, from))
            return dropped(h.type, "item or address");
        int32_t address = p.address;
        uint8_t active = 0;
        send(MSG_VAR(is_he_active_player), (void *)&address, (void *)&active);
        if (!active && m_judged_from != 0 && !is_local(from) && from.sin_addr.s_addr == m_judged_from) {
            // The client's answer to the step judged last, again: the verdict went and was lost,
            // and the client sends its answer until it hears one. It alone hears the same verdict
            // again, random number and all; the step stays judged once.
            send_net_to_peer(&m_judged, &from);
            return true;
        }
        // A late or repeated answer would be scored again.
        if (!active)
            return dropped(h.type, "an answer while no player of the sender's acts");
        np_question_answered answered = np_question_answered_new();
        answered.item = p.item;
        answered.random = (int32_t)((int64_t)engine_rand() * 4 / (ENGINE_RAND_MAX + 1));
        int32_t model = answered.model_nmb;
        uint8_t right = answered.right;
        send(MSG_VAR(get_active_model_nmb), (void *)&model);
        send(MSG_VAR(is_answer_right), (int)p.item, (void *)&right);
        answered.model_nmb = model;
        answered.right = right;
        m_judged = answered;
        m_judged_from = is_local(from) ? 0 : from.sin_addr.s_addr;
        send_session_message(&answered);
        send(MSG_VAR(set_delay_before_next_question));
        return true;
    }
    case NP_QUESTION_ANSWERED: {
        auto p = packet_of<np_question_answered>(buffer);
        if (seat(p.item) && seat(p.model_nmb) && in(p.random, 0, 3) && p.right <= 1)
            send(MSG_VAR(question_answered), (int)p.item, (int)p.right, (int)p.model_nmb, (int)p.random);
        else
            return dropped(h.type, "item, model number, gesture or verdict");
        return true;
    }
    case NP_VOTE: {
        ENGINE_ASSERT_QUOTING(m_status != NET_STATUS_CLIENT, "m_status != CLIENT");
        auto p = packet_of<np_vote>(buffer);
        // A vote against nobody (the game sends slot 8 for that) would count past the seats.
        if (!seat(p.target) || !seat(p.voter))
            return dropped(h.type, "slot");
        np_vote_confirmed confirmed = np_vote_confirmed_new();
        confirmed.target = p.target;
        confirmed.voter = p.voter;
        // A peer votes once per vote, and only for a player it seats (computer players' votes
        // are made on every PC alike).
        if (!is_local(from)) {
            player_info voter;
            player_info_init(voter);
            send(MSG_VAR(get_player_info), (int)p.voter, (void *)&voter);
            const bool own = (uint32_t)voter.m_owner_address == from.sin_addr.s_addr && voter.m_is_man;
            if (own && voter.m_vote_target == p.target) {
                // The same vote again: the confirmation went and was lost, and the client sends
                // its vote until it hears one. It alone hears it again; the count has it.
                send_net_to_peer(&confirmed, &from);
                return true;
            }
            if (!own || voter.m_vote_target != -1)
                return dropped(h.type, "a vote for a seat the sender does not play, or a second one");
        }
        send_session_message(&confirmed);
        uint8_t all_voted = 0;
        int32_t leaving = -1;
        send(MSG_VAR(check_all_voted), (void *)&all_voted, (void *)&leaving);
        if (all_voted) {
            np_mark_excluded_player excluded = np_mark_excluded_player_new();
            excluded.slot = leaving;
            send_session_message(&excluded);
            new next_round_timer_c(this, NEXT_ROUND_DELAY);
        }
        return true;
    }
    case NP_VOTE_CONFIRMED: {
        auto p = packet_of<np_vote_confirmed>(buffer);
        if (seat(p.target) && seat(p.voter))
            send(MSG_VAR(vote_confirmed), (void *)buffer);
        else
            return dropped(h.type, "slot");
        return true;
    }
    case NP_LOCATION_LOADED:
        // Each PC reports its own location; the server's game goes on with its own report.
        if (is_local(from))
            send(MSG_VAR(location_loaded));
        return true;
    default:
        return true;
    }
}

bool net_manager::handle_question(char *buffer, const SOCKADDR_IN &from)
{
    abstract_c *root = abstract_c::root();
    auto send = [&](const msg_c &name, auto... args) {
        return root->message(name, 0, this, MSG_ARG(args)..., MSG_ARGS_END);
    };
    auto p = packet_of<np_question>(buffer);
    if (!seat(p.model_nmb) || !in(p.item_count, 0, MAX_MENU_ITEMS) || !std::isfinite(p.time_parameter))
        return refuse(NP_QUESTION, "model number, item count or time", from);
    // The game's own copy of the session; the acting player must be one of the seats in the game.
    session_info session;
    session_info_init(session);
    send(MSG_VAR(get_session_info), (void *)&session);
    if (seat_slot_of_model(session.m_players, p.model_nmb) < 0)
        return refuse(NP_QUESTION, "model number of no seat in the game", from);
    if (m_status == NET_STATUS_CLIENT) {
        // The server puts a human's step again while it waits for his answer, in case the first
        // was lost: the step this PC shows already is not shown again, nor counted.
        if (session.m_answer_state == 0 && std::memcmp(buffer, &m_last_step, sizeof m_last_step) == 0)
            return true;
        std::memcpy(&m_last_step, buffer, sizeof m_last_step);
    }
    char *menu = buffer + offsetof(np_question, menu);
    char *hint = buffer + offsetof(np_question, hint);
    const int m = p.model_nmb;
    const bool computer = p.computer != 0;
    // What the step puts, for the game of a PC that does not count the steps itself.
    send(MSG_VAR(question_step_received), m, computer ? 1 : 0, p.topic_choice ? 1 : 0, (int)p.item_count,
         p.first ? 1 : 0);

    char game_background[] = "game_background", selector_field[] = "selector_field";
    send(MSG_VAR(remove_question_n_answers));
    send(MSG_VAR(show_named), 0, game_background);
    send(MSG_VAR(show_named), 0, selector_field);
    send(MSG_VAR(set_hint), hint);
    if (computer)
        send(MSG_VAR(set_additional_hint), menu);
    else
        send(MSG_VAR(set_additional_hint), (const char *)"");

    char mover[32];
    uint8_t mine = 0;
    if (!computer)
        send(MSG_VAR(is_my_player), m, (void *)&mine);
    if (mine)
        std::snprintf(mover, sizeof mover, "accel_mover%d_y", m);
    else if (session.m_round == 7)
        std::snprintf(mover, sizeof mover, "interp_mover%d", m % 7);
    else
        std::snprintf(mover, sizeof mover, "path_mover%d", (m + 7) % 8 + 1);

    if (!(session.m_round == 3 && p.topic_choice == 0)) {
        uint8_t cam = 0, single = 0;
        send(MSG_VAR(is_cam_move_on), (void *)&cam);
        send(MSG_VAR(is_single_man_in_session), (void *)&single);
        if (cam == 0 && single == 1) {
            if (p.first) {
                char first_mover[] = "accel_mover0_y";
                send(MSG_VAR(add_to_sequence), first_mover, 1);
            }
        } else
            send(MSG_VAR(add_to_sequence), mover, 1);
    }

    delayed_message_c *delayed;
    if (computer)
        delayed = new delayed_message_c(this, "simulate_question", MSG_ARG((const char *)menu),
                                        MSG_ARG(p.time_parameter), MSG_ARG(m));
    else
        delayed = new delayed_message_c(this, "question", MSG_ARG((const char *)menu), MSG_ARG(p.time_parameter),
                                        MSG_ARG(m), MSG_ARG((int)p.item_count));
    char animation_message[] = "animation_message";
    send(MSG_VAR(add_to_sequence), animation_message, (void *)delayed);
    if (computer) {
        char animation_delay[] = "animation_delay";
        send(MSG_VAR(add_to_sequence), animation_delay, 0.03f);
    }
    send(MSG_VAR(activate_sequence));
    return true;
}

void net_manager::handle_scene_command(char *buffer)
{
    abstract_c *root = abstract_c::root();
    auto send = [&](const msg_c &name, auto... args) {
        return root->message(name, 0, this, MSG_ARG(args)..., MSG_ARGS_END);
    };
    char *command = buffer + offsetof(np_scene_command, command);
    char *object = buffer + offsetof(np_scene_command, object);
    char *hint = buffer + offsetof(np_scene_command, hint);
    if (std::strcmp(command, "lift") == 0) {
        send(MSG_VAR(set_hint), hint);
        char animation_delay[] = "animation_delay", animation_message[] = "animation_message";
        send(MSG_VAR(add_to_sequence), animation_delay, 0.01f);
        auto *delayed = new delayed_message_c(this, "activate", MSG_ARG(object), MSG_ARG(1));
        send(MSG_VAR(add_to_sequence), animation_message, (void *)delayed);
        send(MSG_VAR(activate_sequence));
    } else if (std::strcmp(command, "start_vote") == 0) {
        char screen_vote[] = "screen_vote";
        send(MSG_VAR(generate_bot_votes));
        send(MSG_VAR(load_screen), screen_vote);
        send(MSG_VAR(hide_vote_screen));
        send(MSG_VAR(create_vote_manager), -1);
    } else if (std::strcmp(command, "flash") == 0)
        send(MSG_VAR(activate), object, 1);
}
