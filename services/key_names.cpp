#include "services/key_names.h"

#include <cstring>

namespace {

struct row_s
{
    int code;
    const char *name;
    const char *chars; // two cp1251 bytes: unshifted, shifted
};

// Letters: the Russian layout on the same keys.
const row_s rows[KEY_NAME_ROWS + 1] = {
    {0x01, "Esc", "\x19\x19"},       {0x02, "1", "1!"},
    {0x03, "2", "2@"},               {0x04, "3", "3#"},
    {0x05, "4", "4$"},               {0x06, "5", "5%"},
    {0x07, "6", "6^"},               {0x08, "7", "7&"},
    {0x09, "8", "8*"},               {0x0A, "9", "9("},
    {0x0B, "0", "0)"},               {0x0C, "-", "-_"},
    {0x0D, "=", "=+"},               {0x0E, "Backspace", "\x18\x18"},
    {0x0F, "Tab", "\x09\x09"},       {0x10, "Q", "\xe9\xc9"},
    {0x11, "W", "\xf6\xd6"},         {0x12, "E", "\xf3\xd3"},
    {0x13, "R", "\xea\xca"},         {0x14, "T", "\xe5\xc5"},
    {0x15, "Y", "\xed\xcd"},         {0x16, "U", "\xe3\xc3"},
    {0x17, "I", "\xf8\xd8"},         {0x18, "O", "\xf9\xd9"},
    {0x19, "P", "\xe7\xc7"},         {0x1A, "[", "\xf5\xd5"},
    {0x1B, "]", "\xfa\xda"},         {0x1C, "Enter", "\x0D\x0D"},
    {0x1D, "Left Ctrl", "\0\0"},     {0x1E, "A", "\xf4\xd4"},
    {0x1F, "S", "\xfb\xdb"},         {0x20, "D", "\xe2\xc2"},
    {0x21, "F", "\xe0\xc0"},         {0x22, "G", "\xef\xcf"},
    {0x23, "H", "\xf0\xd0"},         {0x24, "J", "\xee\xce"},
    {0x25, "K", "\xeb\xcb"},         {0x26, "L", "\xe4\xc4"},
    {0x27, ";", "\xe6\xc6"},         {0x28, "'", "\xfd\xdd"},
    {0x29, "`", "`~"},               {0x2A, "Left Shift", "\0\0"},
    {0x2B, "\\", "\\|"},             {0x2C, "Z", "\xff\xdf"},
    {0x2D, "X", "\xf7\xd7"},         {0x2E, "C", "\xf1\xd1"},
    {0x2F, "V", "\xec\xcc"},         {0x30, "B", "\xe8\xc8"},
    {0x31, "N", "\xf2\xd2"},         {0x32, "M", "\xfc\xdc"},
    {0x33, ",", "\xe1\xc1"},         {0x34, ".", "\xfe\xde"},
    {0x35, "/", ".,"},               {0x36, "Right Shift", "\0\0"},
    {0x37, "Numpad *", "**"},        {0x38, "Left Alt", "\0\0"},
    {0x39, "Space", "  "},           {0x3A, "Caps Lock", "\x1D\x1D"},
    {0x3B, "F1", "\x01\x01"},        {0x3C, "F2", "\x02\x02"},
    {0x3D, "F3", "\x03\x03"},        {0x3E, "F4", "\x04\x04"},
    {0x3F, "F5", "\x05\x05"},        {0x40, "F6", "\x06\x06"},
    {0x41, "F7", "\x07\x07"},        {0x42, "F8", "\x08\x08"},
    {0x43, "F9", "\x0A\x0A"},        {0x44, "F10", "\x0B\x0B"},
    {0x45, "Num Lock", "\x1E\x1E"},  {0x46, "Scroll Lock", "\x1F\x1F"},
    {0x47, "Numpad 7", "\x14\x14"},  {0x48, "Numpad 8", "\0\0"},
    {0x49, "Numpad 9", "\0\0"},      {0x4A, "Numpad -", "--"},
    {0x4B, "Numpad 4", "\x0E\x0E"},  {0x4C, "Numpad 5", "\0\0"},
    {0x4D, "Numpad 6", "\x0F\x0F"},  {0x4E, "Numpad +", "++"},
    {0x4F, "Numpad 1", "\x15\x15"},  {0x50, "Numpad 2", "\0\0"},
    {0x51, "Numpad 3", "\0\0"},      {0x52, "Numpad 0", "\0" "0"},
    {0x53, "Numpad .", "\x12\x12"},  {0x57, "F11", "\x0C\x0C"},
    {0x58, "F12", "\x1A\x1A"},       {0x64, "F13", "\0\0"},
    {0x65, "F14", "\0\0"},           {0x66, "F15", "\0\0"},
    {0x70, "Kana", "\0\0"},          {0x79, "Convert", "\0\0"},
    {0x7B, "No Convert", "\0\0"},    {0x7D, "Yen", "\0\0"},
    {0x8D, "Numpad =", "=="},        {0x90, "Circumflex", "\0\0"},
    {0x91, "AT", "\0\0"},            {0x92, "Colon", "\0\0"},
    {0x93, "Underline", "\0\0"},     {0x94, "Kanji", "\0\0"},
    {0x95, "Stop", "\0\0"},          {0x96, "AX", "\0\0"},
    {0x97, "UNLABELED", "\0\0"},     {0x9C, "Numpad Enter", "\x0D\x0D"},
    {0x9D, "Right Ctrl", "\0\0"},    {0xB3, "Numpad ,", ",\0"},
    {0xB5, "Numpad /", "/\0"},       {0xB7, "Print Screen", "\x1B\x1B"},
    {0xB8, "Right Alt", "\0\0"},     {0xC5, "Pause", "\x1C\x1C"},
    {0xC7, "Home", "\x14\x14"},      {0xC8, "Up", "\x10\x10"},
    {0xC9, "Page Up", "\x16\x16"},   {0xCB, "Left", "\x0E\x0E"},
    {0xCD, "Right", "\x0F\x0F"},     {0xCF, "End", "\x15\x15"},
    {0xD0, "Down", "\x11\x11"},      {0xD1, "Page Down", "\x17\x17"},
    {0xD2, "Insert", "\x13\x13"},    {0xD3, "Delete", "\x12\x12"},
    {0xDB, "Left Winlogo", "\0\0"},  {0xDC, "Right Winlogo", "\0\0"},
    {0xDD, "App Menu", "\0\0"},      {0xDE, "Power", "\0\0"},
    {0xDF, "Sleep", "\0\0"},         {0x00, nullptr, "\0\0"},
};

struct table_s
{
    key_name_s keys[KEY_NAME_ROWS + 1];
    table_s()
    {
        for (int i = 0; i <= KEY_NAME_ROWS; ++i)
            keys[i] = key_name_s{rows[i].code, rows[i].name, (uint8_t)rows[i].chars[0], (uint8_t)rows[i].chars[1]};
    }
};

const table_s table;

} // namespace

const key_name_s *key_name_table()
{
    return table.keys;
}

uint8_t key_char(int scan_code, int shifted)
{
    for (const key_name_s &k : table.keys)
        if (k.code == scan_code)
            return shifted ? k.shifted : k.ch;
    return 0;
}

int key_code_by_name(const char *name)
{
    if (!name)
        return -1;
    for (int i = 0; i < KEY_NAME_ROWS; ++i)
        if (std::strcmp(table.keys[i].name, name) == 0)
            return table.keys[i].code;
    return -1;
}
