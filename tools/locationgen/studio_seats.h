// The seats of the game's studios, as location script text for the demo data.
//
// Every studio stands its players on pillars on a circle of radius STUDIO_SEAT_RADIUS round
// the floor's centre, seat i at i x 45 degrees from +x (the floor's locators "seat<i>"), each
// figure facing the centre. studio_seat_script(i) gives the entities of seat i that the game
// names by the seat's model number i:
//   "pillar<i>", "player<i>" (the location's player entry i, pick index i), the lamps
//   "lamp_green<i>" and "lamp_red<i>" (hidden until their relays "lamp_green<i>_relay" and
//   "lamp_red<i>_relay" light one of them, the other going out, for 2.5 seconds);
//   "pillar<i>_slideout_go" (the pillar sinks into the floor with its figure);
//   "revealer<i>" (shows or hides the figure), "cam_player<i>" (narrows the view of the camera
//   "camera" onto the figure and follows it);
//   camera moves of the camera "camera" that end by themselves, so that a sequence may wait for
//   them: "accel_mover<i>_y" (behind the figure, over its shoulder), "path_mover<k>" with
//   k = ((i + 7) mod 8) + 1 (from above the centre down to a close-up of the figure) and, for
//   i < 7, "interp_mover<i>" (straight to the close-up).
// A studio script includes the seats of the players it shows; the hall it includes first gives
// the camera and the figures' template "studio_figure".
#pragma once

#include <string>

namespace locationgen {

constexpr int STUDIO_SEATS = 8;
constexpr float STUDIO_SEAT_RADIUS = 4.0f;

// Seat 0 .. STUDIO_SEATS - 1; another number throws std::out_of_range.
std::string studio_seat_script(int seat);

} // namespace locationgen
