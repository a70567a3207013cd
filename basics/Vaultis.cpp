// The main program's built-in pack-file reader: the library's own source without its writing
// half, logging what init does.
#define VAULTIS_BUILTIN 1
#include "vaultis/Vaultis.cpp"
