#include "game/creators.h"

#include "game/credits.h"
#include "game/exit_dispatcher.h"
#include "game/game_disp.h"
#include "game/player.h"
#include "game/splash_dispatcher.h"
#include "kernel/scripts.h"

void game_register_creators()
{
    register_creator("game_disp", make_object<game_disp>);
    register_creator("player", make_object<player>);
    register_creator("player_store", make_object<player_store>);
    // The program's start and end.
    register_creator("credits", make_object<credits>);
    register_creator("exit_dispatcher", make_object<exit_dispatcher>);
    register_creator("splash_dispatcher", make_object<splash_dispatcher>);
}
