// movies_register_creators() registers the script classes "movie_loader" and "round_movie"
// (see kernel/scripts.h); the program calls it once before the entry function.
#pragma once

void movies_register_creators();
