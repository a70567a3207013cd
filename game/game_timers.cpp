#include "game/game_timers.h"

#include <cstring>

#include "net/net_manager.h"
#include "net/net_packets.h"

void send_answer_packet(abstract_c *sender, int32_t item)
{
    int32_t address = 0;
    abstract_c::root()->message(MSG_VAR(get_short_address), 0, sender, MSG_ARG((void *)&address), MSG_ARGS_END);
    np_answer packet;
    std::memset(&packet, 0, sizeof packet);
    packet.header = {sizeof packet, NP_ANSWER};
    packet.item = item;
    packet.address = address;
    send_net_message(&packet);
    abstract_c::root()->message(MSG_VAR(answer_sent), 0, sender, MSG_ARG(item), MSG_ARGS_END);
}

static_assert(RESEND_PERIOD == 3 * NET_PING_PERIOD, "a resend comes after the client's keep-alives");

// ---- timers ----

game_timer_c::game_timer_c(abstract_c *parent, double period) : abstract_c(parent), m_start(-1.0), m_period(period)
{
}

int game_timer_c::handle_message(const msg_c *message, abstract_c *)
{
    if (!(*message == MSG_VAR(tick)) || !msg_arg_is(0, value_c::FLOAT))
        return 0;
    const double now = msg_arg(0)->get_float();
    if (m_start < 0.0) {
        m_start = now;
        return 0;
    }
    if (m_period > 0.0 && now >= m_start + m_period) {
        on_expire();
        m_period = -1.0;
    }
    return 0;
}

void next_round_timer_c::on_expire()
{
    root()->message(MSG_VAR(start_next_round), 0, this, MSG_ARGS_END);
    shutdown_tree();
}

void game_stop_timer_c::on_expire()
{
    np_game_stopped packet;
    std::memset(&packet, 0, sizeof packet);
    packet.header = {sizeof packet, NP_GAME_STOPPED};
    packet.code = 7;
    packet.value = m_value;
    send_session_message(&packet);
    shutdown_tree();
}

void send_question_timer_c::on_expire()
{
    root()->message(MSG_VAR(send_question), 0, this, MSG_ARGS_END);
    shutdown_tree();
}

void resend_timer_c::on_expire()
{
    shutdown_tree();
    parent()->message(m_message, 0, this, MSG_ARG(m_first), MSG_ARG(m_second), MSG_ARGS_END);
}

// ---- sequence watchers ----

int question_after_sequence_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(sequence_finished)) {
        shutdown_tree();
        root()->message(MSG_VAR(send_question), 0, this, MSG_ARGS_END);
        return 1;
    }
    if (*message == MSG_VAR(on_game_stopped))
        shutdown_tree();
    return 0;
}

int answer_after_sequence_c::send_answer()
{
    shutdown_tree();
    send_answer_packet(this, m_value);
    return 1;
}

int answer_after_sequence_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(sequence_finished))
        return send_answer();
    if (*message == MSG_VAR(on_game_stopped))
        shutdown_tree();
    return 0;
}

int choice_after_sequence_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(sequence_finished))
        return send_answer();
    return 0;
}
