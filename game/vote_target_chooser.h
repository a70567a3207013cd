// vote_target_chooser_c: the vote of a human player at this PC against another player. The game
// dispatcher creates it in code as its child (no script class, no attributes) with the voter's
// slot, the voter's model number and the model number offered first.
//
// Construction asks the root for the cursor "standard" and queues the camera move to the voter
// ("accel_mover<voter model>_y") and a delayed `can_vote` carrying the voter's name (asked of
// the parent with get_player_info) in the location's sequence, which it then starts. Pointing
// (game/model_pointer.h) works only after `can_vote`; the voter's own model is never a target.
// Messages:
//   can_vote: voting on, the offered model becomes the target; parent vote_target_selected
//       (INT target), root show_vote_screen. 1.
//   mouse (VEC2 position, -, INT button, INT change): while voting, points; a model under the
//       cursor becomes the target, and a left-button release (button 0, change 2) over it also
//       sends the parent vote_target_selected (INT target). Off the models the target stays. 0.
//   location_feedback (text "picker", -, INT model number, neither -1 nor the voter's): taken
//       while pointing. 1; other feedback 0.
//   on_vote_against: with a target, parent send_vote_message (INT voter slot, INT target) and
//       the chooser ends itself; without one nothing. 1.
// All sends have flags 0 and the chooser as sender.
#pragma once

#include <cstdint>

#include "game/model_pointer.h"

class vote_target_chooser_c : public model_pointer_c
{
public:
    vote_target_chooser_c(abstract_c *parent, int32_t voter_slot, int32_t voter_model_nmb, int32_t default_target);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    bool voting_enabled() const { return m_voting_enabled != 0; }
    int32_t voter_slot() const { return m_voter_slot; }

private:
    int32_t m_default_target;
    int32_t m_voter_slot;
    int32_t m_voter_model_nmb;
    uint8_t m_voting_enabled;
};
