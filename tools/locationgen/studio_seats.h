// The seats of the game's studios, as location script text for the demo data.
//
// Every studio stands its players on podiums on a circle of radius STUDIO_SEAT_RADIUS round
// the floor's centre, seat i at i x 45 degrees from +x (the floor's locators "seat<i>"), each
// figure on its podium's platform (PODIUM_TOP above the floor, feet at the model's origin)
// facing the centre. studio_seat_script(i, kind) gives the entities of seat i that the game
// names by the seat's model number i:
//   "pillar<i>" (the podium), "player<i>" (the location's player entry i, pick index i);
//   the lamp panels on the podium's front: "lamp_white<i>" (lit while the seat plays; a dark
//   podium for a seat that is out), "lamp_green<i>" and "lamp_red<i>" (hidden until their
//   relays "lamp_green<i>_relay" and "lamp_red<i>_relay" light one of them, the other going
//   out, for 2.5 seconds, with sparks over the figure, "sparks_right<i>" or "sparks_wrong<i>",
//   and the cue "cue_right" or "cue_wrong");
//   "pillar<i>_slideout_go": in a round the camera turns to him from across the circle
//   ("leave_view<i>") while the podium sinks into the floor with its figure, its lamp goes dark,
//   red sparks fly and the cue "cue_out" plays; in the final it is the winner's moment instead:
//   the camera pushes in on his face ("winner_push<i>"), confetti falls, his lamp turns green,
//   "winner_light" comes up, "cue_out";
//   "revealer<i>" (shows or hides the figure), "cam_player<i>" (narrows the view of the camera
//   "camera" onto the figure and follows it);
//   camera moves of the camera "camera" that end by themselves, so that a sequence may wait for
//   them, each a cut to its first view and a move from there: "accel_mover<i>_y" (over his
//   right shoulder towards the others across the circle), "path_mover<k>" with
//   k = ((i + 7) mod 8) + 1 (a flight in from outside the circle, between the podiums, to a
//   medium close-up from the front, at eye level, 20 degrees off his axis, his face in the
//   upper third) and, for i < 7, "interp_mover<i>" (a slow push in to that close-up).
// A studio script includes the seats of the players it shows; the hall it includes first gives
// the camera, the set and the figures' template "studio_figure".
#pragma once

#include <string>
#include <vector>

namespace locationgen {

constexpr int STUDIO_SEATS = 8;
constexpr float STUDIO_SEAT_RADIUS = 4.0f;
// The height of a podium's platform, where its figure's feet are.
constexpr float PODIUM_TOP = 0.6f;

enum class seat_kind {
    round,       // a round's studio: lamps, sparks, stings; leaving sinks the podium
    finalist,    // the final's: the same, and leaving is the winner's moment
    out_of_game, // the final's seats of those who left: a dark podium
};

// Seat 0 .. STUDIO_SEATS - 1; another number throws std::out_of_range.
std::string studio_seat_script(int seat, seat_kind kind = seat_kind::round);

} // namespace locationgen
