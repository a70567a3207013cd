// Accounts, the bank and the final's decision.
#include "game/game_disp.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "game/game_timers.h"
#include "net/net_manager.h"
#include "services/location_sound.h"

namespace {

constexpr int32_t ROUND_STAKES[4] = {25, 50, 100, 200};
// Round 5 raises the stake every eight steps.
constexpr int32_t ROUND5_STAKES[4] = {300, 400, 500, 600};
constexpr int FINAL_QUESTIONS = 5;
constexpr double FINAL_STOP_PERIOD = 10.0;

// Sums are taken wide and kept within int32: an account, a bank or a counter received from
// another PC, or a debt doubled duel after duel, never wraps round.
int32_t capped(int64_t amount) { return (int32_t)std::clamp<int64_t>(amount, INT32_MIN, INT32_MAX); }

} // namespace

void game_disp::add_bank_marker() { new player_dead_listener_c(this); }

int game_disp::previous_chooser_slot() const
{
    int slot = std::clamp<int>(m_chooser_slot, 0, MAX_PLAYERS);
    for (int steps = 0; steps < MAX_PLAYERS; ++steps) {
        slot = slot == 0 ? MAX_PLAYERS - 1 : slot - 1;
        if (seat(slot).m_in_game)
            return slot;
    }
    return -1;
}

void game_disp::score_answer(bool right)
{
    const int a = m_session.m_active_slot;
    if (slot_valid(a)) {
        player_info &answerer = seat(a);
        // Fields of the packed records are read and written by value only.
        int32_t bank = m_session.m_bank;
        if (right)
            answerer.m_right_nmb = capped(int64_t(answerer.m_right_nmb) + 1);
        else
            answerer.m_wrong_nmb = capped(int64_t(answerer.m_wrong_nmb) + 1);
        const int round = m_session.m_round;
        if (round >= 1 && round <= 4) {
            const int32_t stake = ROUND_STAKES[round - 1];
            if (right)
                answerer.m_account = capped(int64_t(answerer.m_account) + stake);
            else {
                bank = capped(int64_t(bank) + stake);
                add_bank_marker();
            }
        } else if (round == 5) {
            // The counter is even at an answer; a longer round than the game's would run past
            // the table, so it keeps the last stake.
            const int32_t stake = ROUND5_STAKES[std::clamp((m_step - 1) / 8, 0, 3)];
            bank = capped(int64_t(bank) + stake);
            add_bank_marker();
            answerer.m_account = capped(int64_t(answerer.m_account) + (right ? stake : -stake));
            const int c = previous_chooser_slot();
            if (c >= 0)
                seat(c).m_account = capped(int64_t(seat(c).m_account) + (right ? -stake : stake));
        } else if (round == 6) {
            const int c = previous_chooser_slot();
            if (c >= 0) {
                // The winner of the duel takes the loser's account; a loser in debt pays the
                // debt out of the bank and doubles it.
                player_info &winner = right ? answerer : seat(c);
                player_info &loser = right ? seat(c) : answerer;
                if (loser.m_account >= 0) {
                    winner.m_account = capped(int64_t(winner.m_account) + loser.m_account);
                    loser.m_account = 0;
                } else {
                    winner.m_account = capped(int64_t(winner.m_account) - loser.m_account);
                    bank = capped(int64_t(bank) + loser.m_account);
                    loser.m_account = capped(int64_t(loser.m_account) * 2);
                    add_bank_marker();
                }
            }
        } else if (round == 7 || round == 8) {
            if (right)
                answerer.m_final_right_nmb = capped(int64_t(answerer.m_final_right_nmb) + 1);
        }
        m_session.m_bank = bank;
    }
    root()->message(MSG_VAR(update_round_statistics), 0, this, MSG_ARGS_END);
}

namespace {

// The first seat in the game (other than `except`) that no later one beats; ties keep the
// lower slot.
template <class Better> int best_seat(const session_info &s, int except, Better better)
{
    int best = -1;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        if (slot != except && s.m_players[slot].m_in_game &&
            (best < 0 || better(s.m_players[slot], s.m_players[best])))
            best = slot;
    return best;
}

bool lower_account(const player_info &a, const player_info &b) { return a.m_account < b.m_account; }

} // namespace

int game_disp::lowest_account_slot() const { return best_seat(m_session, -1, lower_account); }

int game_disp::lowest_account_slot_except(int except) const { return best_seat(m_session, except, lower_account); }

int game_disp::highest_account_slot() const
{
    return best_seat(m_session, -1, [](const player_info &a, const player_info &b) { return a.m_account > b.m_account; });
}

int game_disp::highest_pulse_opponent(int except) const
{
    return best_seat(m_session, except,
                     [](const player_info &a, const player_info &b) { return a.m_cur_pulse > b.m_cur_pulse; });
}

int game_disp::final_winner() const
{
    const int p = best_seat(m_session, -1, [](const player_info &, const player_info &) { return false; });
    const int q = p < 0 ? -1 : best_seat(m_session, p, [](const player_info &, const player_info &) { return false; });
    if (q < 0)
        return p;
    const int n = m_step;
    int left_p, left_q;
    if (n % 2 == 0)
        left_p = left_q = FINAL_QUESTIONS - n / 2;
    else {
        left_p = FINAL_QUESTIONS - (n + 1) / 2;
        left_q = FINAL_QUESTIONS - (n - 1) / 2;
    }
    if (left_p < 0) {
        // Sudden death after the fifth pair.
        left_q -= left_p;
        left_p = 0;
    }
    const int64_t right_p = seat(p).m_final_right_nmb;
    const int64_t right_q = seat(q).m_final_right_nmb;
    if (right_p > right_q + left_q)
        return p;
    if (right_p + left_p < right_q)
        return q;
    return -1;
}

bool game_disp::decide_final()
{
    const int winner = final_winner();
    if (winner < 0)
        return false;
    np_mark_excluded_player packet = np_mark_excluded_player_new();
    packet.slot = winner;
    send_session_message(&packet);
    new game_stop_timer_c(this, model_nmb_of_slot(winner), FINAL_STOP_PERIOD);
    return true;
}
