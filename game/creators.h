// game_register_creators() registers the script classes of the quiz game (see
// kernel/scripts.h); the program calls it once before the entry function.
#pragma once

void game_register_creators();
