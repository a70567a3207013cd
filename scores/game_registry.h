// The game's key in the registry, HKEY_CURRENT_USER\Software\Varnholt\Telvoran, where the score
// tables and the options are kept as REG_BINARY values. Failures are never reported: a value
// that cannot be read is empty, a write that fails leaves the old value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The bytes of a value; empty when the key or the value is missing or does not read.
std::vector<uint8_t> game_registry_read(const char *value_name);
// Writes a value, making the key when it is missing.
void game_registry_write(const char *value_name, const void *data, size_t size);
