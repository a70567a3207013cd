#include "game/vote_picker.h"

#include "game/game_timers.h"
#include "game/player_info.h"

namespace {

// The slot the server is sent for a model number no seat in the game has.
constexpr int32_t NO_SLOT = 8;

} // namespace

vote_picker_c::vote_picker_c(abstract_c *parent) : model_pointer_c(parent) {}

void vote_picker_c::choose(int32_t model_nmb)
{
    m_picked = model_nmb;
    parent()->message(MSG_VAR(vote_target_selected), 0, this, MSG_ARG(m_picked), MSG_ARGS_END);
}

void vote_picker_c::confirm()
{
    session_info session;
    session_info_init(session);
    root()->message(MSG_VAR(get_session_info), 0, this, MSG_ARG((void *)&session), MSG_ARGS_END);
    const int slot = seat_slot_of_model(session.m_players, m_picked);
    // Dead before the packet goes: a server handles it at once, and nothing that sets off may
    // reach a picker whose choice is made.
    shutdown_tree();
    send_answer_packet(this, slot < 0 ? NO_SLOT : slot);
}

int vote_picker_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(mouse)) {
        int32_t before = -1;
        if (point(before)) {
            if (left_released())
                choose(m_picked);
            else
                m_picked = before;
        }
        return 0;
    }
    if (*message == MSG_VAR(emul_selection)) {
        if (msg_arg_is(0, value_c::INT))
            choose(msg_arg(0)->get_int());
        return 1;
    }
    if (*message == MSG_VAR(location_feedback))
        return take_feedback(-1) ? 1 : 0;
    if (*message == MSG_VAR(on_opponent_selected)) {
        if (m_picked == -1)
            return 1;
        confirm();
        return 0;
    }
    return 0;
}
