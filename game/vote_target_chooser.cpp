#include "game/vote_target_chooser.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "game/player_info.h"
#include "game/universal_delay.h"

vote_target_chooser_c::vote_target_chooser_c(abstract_c *parent, int32_t voter_slot, int32_t voter_model_nmb,
                                             int32_t default_target)
    : model_pointer_c(parent), m_default_target(default_target), m_voter_slot(voter_slot),
      m_voter_model_nmb(voter_model_nmb), m_voting_enabled(0)
{
    send_cursor(0);
    char mover[32];
    std::snprintf(mover, sizeof mover, "accel_mover%d_y", (int)m_voter_model_nmb);
    root()->message(MSG_VAR(add_to_sequence), 0, this, MSG_ARG(mover), MSG_ARG(1), MSG_ARGS_END);
    player_info voter;
    player_info_init(voter);
    parent->message(MSG_VAR(get_player_info), 0, this, MSG_ARG(m_voter_slot), MSG_ARG((void *)&voter),
                    MSG_ARGS_END);
    // The record may come from another PC: its name ends inside its field here.
    const std::string name(voter.name, strnlen(voter.name, sizeof voter.name));
    auto *can_vote = new delayed_message_c(this, "can_vote", MSG_ARG(name.c_str()));
    char animation_message[] = "animation_message";
    root()->message(MSG_VAR(add_to_sequence), 0, this, MSG_ARG(animation_message), MSG_ARG((void *)can_vote),
                    MSG_ARGS_END);
    root()->message(MSG_VAR(activate_sequence), 0, this, MSG_ARGS_END);
}

int vote_target_chooser_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(can_vote)) {
        m_voting_enabled = 1;
        m_picked = m_default_target;
        parent()->message(MSG_VAR(vote_target_selected), 0, this, MSG_ARG(m_picked), MSG_ARGS_END);
        root()->message(MSG_VAR(show_vote_screen), 0, this, MSG_ARGS_END);
        return 1;
    }
    if (*message == MSG_VAR(mouse)) {
        int32_t before = -1;
        if (m_voting_enabled && point(before) && left_released())
            parent()->message(MSG_VAR(vote_target_selected), 0, this, MSG_ARG(m_picked), MSG_ARGS_END);
        return 0;
    }
    if (*message == MSG_VAR(location_feedback))
        return take_feedback(m_voter_model_nmb) ? 1 : 0;
    if (*message == MSG_VAR(on_vote_against)) {
        if (m_picked != -1) {
            // Dead before the vote goes: on a server it comes back at once, and the next voter
            // of this PC may get his chooser while this one would still take clicks.
            shutdown_tree();
            parent()->message(MSG_VAR(send_vote_message), 0, this, MSG_ARG(m_voter_slot), MSG_ARG(m_picked),
                              MSG_ARGS_END);
        }
        return 1;
    }
    return 0;
}
