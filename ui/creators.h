// ui_register_creators() registers the script classes of the UI library (see
// kernel/scripts.h); the program calls it once before the entry function.
#pragma once

void ui_register_creators();
