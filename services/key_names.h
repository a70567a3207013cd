// The key-name table: every key of the keyboard by its DirectInput scan code (DIK_*), with the
// name scripts use to bind it and the characters it types, unshifted and shifted, as cp1251
// bytes. Letter keys type the Russian layout's letters; control keys type one control code in
// both columns (Enter 0x0D, Backspace 0x18, arrows 0x0E-0x11 ...); keys that type nothing give 0.
// 123 named rows in scan-code order, then an end row with no name (code 0, characters 0).
// Lookups search the table, so any int or name (null included) is a valid question.
#pragma once

#include <cstdint>

struct key_name_s
{
    int code;         // DIK_* scan code
    const char *name; // null in the end row
    uint8_t ch;       // character, cp1251
    uint8_t shifted;  // character with Shift
};

constexpr int KEY_NAME_ROWS = 123;

// The table, KEY_NAME_ROWS rows and the end row.
const key_name_s *key_name_table();
// The character of the first row with that code (shifted column when shifted != 0); 0 if none.
uint8_t key_char(int scan_code, int shifted);
// The code of the first row whose name equals name exactly (case matters); -1 if none.
int key_code_by_name(const char *name);
