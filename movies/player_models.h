// The player models a location may show, as the movie loader and the round movie list them.
//
// An object lists them in its attributes as string pairs "player<i>_model" and
// "player<i>_part" from i = 0 up to the first index where either is missing; the index of an
// entry is the portrait number the game gives a player. Reading logs each pair as
// "Player <i> model '<model>:<part>'"; with no pair at index 0 it logs the warning given.
//
// Choosing by portrait number: a number outside the list takes entry 0 and logs a warning; an
// empty list has nothing to give and throws, naming the owner.
#pragma once

#include <vector>

#include "scenes/location.h"

class abstract_c;

std::vector<location_player> read_player_models(abstract_c *object, const char *none_warning);
const location_player &choose_player_model(const std::vector<location_player> &models, int portrait,
                                           const char *owner);
