// The configuration variables of the cfg harness and its seed maker: one of every type, a
// command taking every parameter type and a save procedure, like a program of the launcher's
// kind would have.
#pragma once

#include "Launcher/cvars2.h"

namespace cfg_stand {

// Sets every variable to its default.
void reset();
// Sets the float and the vector to their defaults.
void reset_floats();
// The values that a save and a read must keep, as one text.
std::string kept_values();

} // namespace cfg_stand
