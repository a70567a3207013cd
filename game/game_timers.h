// The game's one-shot helpers: timers that act once a period of game time has passed, and
// sequence watchers that act when the location's movie sequence reports sequence_finished.
// The game dispatcher and the network receive loop create them in code as their own children
// (there is no script class); so a helper whose parent dies first dies with it and never acts.
// Each acts once and then ends itself with shutdown_tree; the engine deletes it at its next
// collection of dead objects.
//
// game_timer_c: the period counts from the first tick the timer receives (its time, the tick's
// first FLOAT argument, is the start), not from construction. On the first later tick whose
// time is >= start + period, while the period is above 0, on_expire runs once and the period
// becomes -1. A period of 0 or below never fires; the timer then stays until its parent dies.
// It claims no tick (0), and a tick without a FLOAT time is ignored.
//   next_round_timer_c     (8 s by its creators): start_next_round to the root.
//   send_question_timer_c  (20 s): send_question to the root.
//   game_stop_timer_c      (10 s): a game-stopped packet (type 8, code 7, the value) handed to
//                          send_session_message (a client's network manager refuses it).
//   resend_timer_c         (RESEND_PERIOD): its message with its two INT arguments to its parent.
// Sends have flags 0 and the helper as sender.
//
// Sequence watchers claim sequence_finished (1), so of several waiting watchers only the first
// in tree order acts on one finished sequence; the others wait for the next one.
//   question_after_sequence_c: send_question to the root.
//   answer_after_sequence_c(value): asks the root get_short_address (PTR int32; 0 when nobody
//       answers) and hands an answer packet (type 12: the value, the address) to
//       send_net_message.
//   choice_after_sequence_c(value): the same packet.
// on_game_stopped ends a waiting question or answer watcher without any message (0, so that
// it reaches everybody); the choice watcher ignores it and waits for the next finished
// sequence or for its parent's death. The arguments of both messages are not read.
#pragma once

#include <cstdint>

#include "kernel/abstract.h"

// The answer packet (type 12: `item`, this PC's short address from the root's
// get_short_address, 0 when nobody answers) handed to send_net_message, then answer_sent (INT
// item) to the root; `sender` sends both. An answer, a topic choice and a chosen opponent all go
// this way.
void send_answer_packet(abstract_c *sender, int32_t item);

// A client's request that the server waits for (a vote, an answer) and that has not been
// answered this long after it went is sent again: the datagram or the server's answer may be
// lost. Three keep-alive periods, so the server has taken a keep-alive of the client in between
// and its repeat filter lets the same datagram through again.
constexpr double RESEND_PERIOD = 1.5;

class game_timer_c : public abstract_c
{
public:
    game_timer_c(abstract_c *parent, double period);
    int handle_message(const msg_c *message, abstract_c *sender) override;
    virtual void on_expire() = 0;

    double start() const { return m_start; }
    double period() const { return m_period; }

protected:
    double m_start;
    double m_period;
};

class next_round_timer_c : public game_timer_c
{
public:
    next_round_timer_c(abstract_c *parent, double period) : game_timer_c(parent, period) {}
    void on_expire() override;
};

class game_stop_timer_c : public game_timer_c
{
public:
    game_stop_timer_c(abstract_c *parent, int32_t value, double period)
        : game_timer_c(parent, period), m_value(value)
    {
    }
    void on_expire() override;

private:
    int32_t m_value;
};

class send_question_timer_c : public game_timer_c
{
public:
    send_question_timer_c(abstract_c *parent, double period) : game_timer_c(parent, period) {}
    void on_expire() override;
};

// Asks its parent once to send a request again (the message and its two arguments).
class resend_timer_c : public game_timer_c
{
public:
    resend_timer_c(abstract_c *parent, const msg_c &message, int32_t first, int32_t second)
        : game_timer_c(parent, RESEND_PERIOD), m_message(message), m_first(first), m_second(second)
    {
    }
    void on_expire() override;
    const msg_c &message_name() const { return m_message; }

private:
    msg_c m_message;
    int32_t m_first;
    int32_t m_second;
};

class question_after_sequence_c : public abstract_c
{
public:
    explicit question_after_sequence_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *sender) override;
};

class answer_after_sequence_c : public abstract_c
{
public:
    answer_after_sequence_c(abstract_c *parent, int32_t value) : abstract_c(parent), m_value(value) {}
    int handle_message(const msg_c *message, abstract_c *sender) override;

protected:
    // Ends the watcher and sends the answer packet.
    int send_answer();

    int32_t m_value;
};

class choice_after_sequence_c : public answer_after_sequence_c
{
public:
    choice_after_sequence_c(abstract_c *parent, int32_t value) : answer_after_sequence_c(parent, value) {}
    int handle_message(const msg_c *message, abstract_c *sender) override;
};
