// The round movie ("round_movie"): a location with the models of the eight current players.
//
// At construction it logs "Location '<location_name>'", lists the player models from its
// attributes (see movies/player_models.h; the warning "Warning: No players for location"),
// asks the root get_player_info (INT slot, PTR player_info) for slots 0 to 7, each record
// starting as a new seat, and creates the location `location_name` (string, required) as its
// child with the model of each slot's portrait number, slot by slot. A number outside the list
// takes model 0 with a warning; an empty list throws. The location dies with the round movie.
#pragma once

#include "kernel/abstract.h"
#include "scenes/location.h"

class round_movie_c : public abstract_c
{
public:
    round_movie_c(abstract_c *parent, const attribute_list_c *attributes);

    location_c *location() const { return static_cast<location_c *>(m_location.get()); }

private:
    object_pointer_c m_location;
};
