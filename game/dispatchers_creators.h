// game_dispatchers_register_creators() registers the script classes of the program's start
// and end: "splash_dispatcher", "exit_dispatcher" and "credits".
#pragma once

void game_dispatchers_register_creators();
