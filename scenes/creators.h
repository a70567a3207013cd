// scenes_register_creators() registers the script classes of the scenes module (see
// kernel/scripts.h); the program calls it once before the entry function.
#pragma once

void scenes_register_creators();
