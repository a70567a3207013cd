#include "game/creators.h"

#include "game/game_disp.h"
#include "game/player.h"
#include "kernel/scripts.h"

void game_register_creators()
{
    register_creator("game_disp", make_object<game_disp>);
    register_creator("player", make_object<player>);
    register_creator("player_store", make_object<player_store>);
}
