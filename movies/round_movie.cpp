#include "movies/round_movie.h"

#include <vector>

#include "basics/console_log.h"
#include "game/player_info.h"
#include "movies/player_models.h"

round_movie_c::round_movie_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes)
{
    const char *name = attribute("location_name")->get_const_pchar();
    print_message("Location '%s'\n", name);
    const std::vector<location_player> models = read_player_models(this, "Warning: No players for location\n");
    std::vector<location_player> shown;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        player_info record;
        player_info_init(record);
        root()->message(MSG_VAR(get_player_info), 0, this, MSG_ARG(slot), MSG_ARG((void *)&record), MSG_ARGS_END);
        shown.push_back(choose_player_model(models, record.portr_nmb, "Round movie"));
    }
    m_location = new location_c(this, name, shown);
}
