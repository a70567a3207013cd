// Game texts are cp1251 bytes; the operating system wants UTF-8 at its edge (window titles,
// dialogs, links). Every byte has a meaning; the one unassigned code (0x98) becomes U+FFFD.
#pragma once

#include <cstdint>
#include <string>

std::string cp1251_to_utf8(const char *text);
// The Unicode code point of one cp1251 byte.
uint32_t cp1251_code_point(unsigned char c);
