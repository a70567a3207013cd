#include "movies/player_models.h"

#include <cstdio>
#include <string>

#include "basics/console_log.h"
#include "kernel/abstract.h"
#include "kernel/exception.h"

std::vector<location_player> read_player_models(abstract_c *object, const char *none_warning)
{
    std::vector<location_player> models;
    for (int i = 0;; ++i) {
        char model_key[32], part_key[32];
        std::snprintf(model_key, sizeof model_key, "player%i_model", i);
        std::snprintf(part_key, sizeof part_key, "player%i_part", i);
        const value_c *model = object->find_attribute(model_key);
        const value_c *part = object->find_attribute(part_key);
        if (!model || !part)
            break;
        print_message("Player %i model '%s:%s'\n", i, model->get_const_pchar(), part->get_const_pchar());
        models.push_back(make_location_player(model->get_const_pchar(), part->get_const_pchar()));
    }
    if (models.empty())
        print_message("%s", none_warning);
    return models;
}

const location_player &choose_player_model(const std::vector<location_player> &models, int portrait,
                                           const char *owner)
{
    if (models.empty())
        ENGINE_THROW(exception_c, std::string(owner) + ": no player models listed, none for portrait number " +
                                      std::to_string(portrait));
    if (portrait < 0 || (size_t)portrait >= models.size()) {
        print_message("Warning: %s has no player model for portrait number %i, model 0 taken\n", owner, portrait);
        return models[0];
    }
    return models[portrait];
}
