// The main program's built-in copy of the pack-file reader: VT::init, open, rewrite, close,
// size, read, seek and exist with the library's tables, limits and behaviour (see
// vaultis/vault_read.h), built from the library's own source. Its init also writes to the
// console log: "Initializing Vaultis...", the directory switch, and every pack it examines.
// Never link it into an executable that links libVaultis.so.
#pragma once

#include "vaultis/vault_read.h"
