#include "movies/creators.h"

#include "kernel/scripts.h"
#include "movies/movie_loader.h"
#include "movies/round_movie.h"

void movies_register_creators()
{
    register_creator("movie_loader", make_object<movie_loader_c>);
    register_creator("round_movie", make_object<round_movie_c>);
}
