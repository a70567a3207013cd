// services_register_creators() registers the script classes of the services module (see
// kernel/scripts.h); the program calls it once before the entry function.
#pragma once

void services_register_creators();
