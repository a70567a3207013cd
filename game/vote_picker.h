// vote_picker_c: the choice of an opponent by the human player at this PC, made by pointing at
// the players' models in the studio. The game dispatcher creates it in code as its child
// (no script class, no attributes) when a player of this PC has to choose.
//
// The picked index is a model number (the players in the game counted in slot order), -1 at
// the start. Messages (the pointing itself: game/model_pointer.h):
//   mouse (VEC2 position, -, INT button, INT change): points; over a model the cursor becomes
//       "smodel", and a release of the left button (button 0, change 2) makes the model the
//       choice and sends the parent vote_target_selected (INT model number); anything else
//       leaves the choice as it was. 0.
//   emul_selection (INT model number): the choice, told to the parent as above. 1.
//   location_feedback (text "picker", -, INT model number other than -1): taken while
//       pointing. 1; other feedback 0.
//   on_opponent_selected: with a choice, the slot of the choice (among the seats of the session,
//       asked of the root with get_session_info; 8 when no seat in the game has that number) goes to the server as an answer packet (game/game_timers.h) and the
//       picker ends itself (0); without a choice nothing happens (1).
// All sends have flags 0 and the picker as sender.
#pragma once

#include "game/model_pointer.h"

class vote_picker_c : public model_pointer_c
{
public:
    explicit vote_picker_c(abstract_c *parent);
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void choose(int32_t model_nmb);
    void confirm();
};
