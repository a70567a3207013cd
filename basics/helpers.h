// Small helpers the whole engine shares.
// Random numbers: one engine generator with the classic rand() contract, values 0..32767:
// x = x * 214013 + 2531011, result (x >> 16) & 0x7FFF; engine_srand(seed) sets x = seed (the
// state before any seeding is 1). Every random choice of the engine goes through
// engine_rand(); the program seeds it from the tick count at start, tests seed it themselves.
// dx_error_name gives the enumerator name of the DirectX 8 result codes the device services
// meet, and for any other code a text that names the code in hex.
#pragma once

#include <string>

#include "platform/sys/wintypes.h"

constexpr int ENGINE_RAND_MAX = 32767;

void engine_srand(unsigned seed);
int engine_rand();

// engine_rand() / 32767, in 0..1 inclusive.
float random_unit();
// (random_unit() - 0.5) * 2, in -1..1.
float random_signed();
// 3t^2 - 2t^3.
float smooth_step(float t);

// Index 0-31 of the only set bit; -1 for no bit or several.
int single_bit_index(int v);
// Only 'A'-'Z' change; every other byte (Cyrillic letters included) is returned as it is.
char to_lower_ascii(char c);
std::string int_to_string(int v);
// fmt printed with a and b, at most 255 characters.
std::string format_two_ints(int a, int b, const char *fmt);

// The enumerator name of a Direct3D 8 format ("D3DFMT_A8R8G8B8"); "D3DFMT_UNKNOWN" for a
// value outside the table.
const char *d3dfmt_name(int format);
// The name of a DirectX result code ("D3DERR_INVALIDCALL", "S_OK"), or
// "Unknown error 0x%08X" for a code outside the table. The text for an unknown code stays
// valid until the next such call.
const char *dx_error_name(HRESULT hr);
