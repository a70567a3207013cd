#include "game/dispatchers_creators.h"

#include "game/credits.h"
#include "game/exit_dispatcher.h"
#include "game/splash_dispatcher.h"
#include "kernel/scripts.h"

void game_dispatchers_register_creators()
{
    register_creator("credits", make_object<credits>);
    register_creator("exit_dispatcher", make_object<exit_dispatcher>);
    register_creator("splash_dispatcher", make_object<splash_dispatcher>);
}
