// The players' condition in each round, and the computer players' answers and choices.
#include "game/game_disp.h"

#include <algorithm>
#include <cstdint>

#include "basics/helpers.h"
#include "kernel/exception.h"

namespace {

// How much of the round's strain a health class keeps off the pulse: 0 poor, 2 good.
constexpr float HEALTH_FACTORS[3] = {0.2f, 0.5f, 0.9f};
constexpr int LAST_VOTE_ROUND = 3;


} // namespace

void game_disp::round_start_update(int round)
{
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        player_info &p = seat(slot);
        if (!p.m_in_game)
            continue;
        if (round <= LAST_VOTE_ROUND)
            p.m_last_vote = p.m_vote_target;
        p.m_vote_target = -1;
        if (!pulse_valid(p.pulse))
            ENGINE_THROW(exception_c, "Initial pulse out of specified range !");
        if (!intellect_valid(p.intellect))
            ENGINE_THROW(exception_c, "Initial intellect out of specified range !");
        if (!health_valid(p.health))
            ENGINE_THROW(exception_c, "Wrong value for health specified !");
        if (round == 1) {
            p.m_cur_intellect = p.intellect;
            p.m_cur_pulse = p.pulse;
        } else {
            // A player who answered nothing last round gives no new evidence: his intellect
            // stays as it was.
            // The counters may come from another PC: they are added wide and the result is cut
            // to the int32 range before it is stored.
            const int64_t answers = int64_t(p.m_right_nmb) + p.m_wrong_nmb;
            if (answers > 0 && p.m_right_nmb >= 0) {
                const double v = p.m_cur_intellect * 0.8 + p.m_right_nmb * 0.2 / double(answers) * 100;
                p.m_cur_intellect = (int32_t)std::clamp(v, double(INT32_MIN), 100.0);
            }
            const float factor = HEALTH_FACTORS[p.health];
            p.m_cur_pulse = (int32_t)(((1 - factor) * (round - 1) * 0.25 + 1) * p.pulse);
        }
        p.m_right_nmb = 0;
        p.m_wrong_nmb = 0;
    }
}

bool game_disp::computer_answer_right() const
{
    const int a = m_session.m_active_slot;
    if (!slot_valid(a))
        return false;
    const player_info &p = seat(a);
    // The round values are set at every round start (pulse at least 40); a seat that never saw
    // one answers with no pulse penalty rather than dividing by nothing.
    const double pulse_strain = p.m_cur_pulse > 0 ? 1 - 40.0 / p.m_cur_pulse : 0.0;
    const double chance = (1 - pulse_strain * 0.125 * (m_session.m_round - 1)) * p.m_cur_intellect;
    const int threshold = (int)std::clamp(chance, -1.0, 1000.0);
    const int d = engine_rand() * 100 / 32768;
    return d <= threshold;
}

int game_disp::computer_topic_choice() { return engine_rand() * OFFERED_TOPICS / 32768; }
