// Game texts are cp1251 bytes; the operating system wants UTF-8 at its edge (window titles,
// dialogs, links). Every byte has a meaning; the one unassigned code (0x98) becomes U+FFFD.
#pragma once

#include <string>

std::string cp1251_to_utf8(const char *text);
