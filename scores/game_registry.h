// The game's key in the registry, HKEY_CURRENT_USER\Software\Varnholt\Telvoran, where the score
// tables and the options are kept as REG_BINARY values. A missing key or value reads as empty.
// A value that is there but cannot be read, and a write or a keeping aside that fails, each
// leave one line in the console log:
//   "Registry value '<name>' could not be read (error <code>)"
//   "Registry value '<name>' could not be saved (error <code>)"
//   "Registry value '<name>' kept as '<new name>'"
//   "Registry value '<name>' could not be kept aside (error <code>); it is not overwritten"
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum game_value_state
{
    GAME_VALUE_READ,
    GAME_VALUE_MISSING,
    GAME_VALUE_UNREADABLE
};

// The bytes of a value; empty when the key or the value is missing or does not read. state (may
// be null) tells which.
std::vector<uint8_t> game_registry_read(const char *value_name, game_value_state *state = nullptr);
// Writes a value, making the key when it is missing; false when it failed (the old value stays).
bool game_registry_write(const char *value_name, const void *data, size_t size);
// Renames a value that could not be read to "<name>.unreadable-<n>" (the first n from 1 that is
// free), so that a new value of the name does not destroy what it held; false when it failed.
bool game_registry_keep_aside(const char *value_name);
