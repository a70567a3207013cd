#include "services/key_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(key_names, codes_by_name)
{
    const std::pair<const char *, int> cases[] = {
        {"Enter", 0x1C},        {"enter", -1},          {"", -1},          {nullptr, -1},
        {"Esc", 0x01},          {"`", 0x29},            {"\\", 0x2B},      {"Numpad Enter", 0x9C},
        {"Home", 0xC7},         {"Left Winlogo", 0xDB}, {"Sleep", 0xDF},   {"Enter ", -1},
    };
    for (auto [name, code] : cases)
        EXPECT_EQ(key_code_by_name(name), code) << (name ? name : "(null)");
}

TEST(key_names, characters)
{
    struct char_case_s
    {
        int code, shifted;
        uint8_t ch;
    };
    const char_case_s cases[] = {
        {0x10, 0, 0xE9}, {0x10, 1, 0xC9},   // Cyrillic short i, small and capital
        {0x34, 0, 0xFE}, {0x34, 1, 0xDE},   // Cyrillic yu, small and capital
        {0x35, 0, '.'},  {0x35, 1, ','},
        {0x03, 1, '@'},  {0x29, 1, '~'},    {0x2B, 1, '|'},
        {0x1D, 0, 0},    {0x1D, 1, 0},      // Left Ctrl
        {0x52, 0, 0},    {0x52, 1, '0'},    // Numpad 0
        {0xB3, 0, ','},  {0xB3, 1, 0},      // Numpad ,
        {0x1C, 1, 0x0D}, {0x9C, 0, 0x0D},   {0x0E, 0, 0x18},  {0x01, 0, 0x19},
        {0xC8, 0, 0x10}, {0xD3, 0, 0x12},   {0x53, 1, 0x12},  {0x43, 0, 0x0A},
        {0x39, 1, ' '},
        {0x54, 0, 0},    {0xFF, 0, 0},      {256 + 0x10, 0, 0}, {-1, 0, 0}, {0x7FFFFFFF, 1, 0},
    };
    for (const char_case_s &c : cases)
        EXPECT_EQ(key_char(c.code, c.shifted), c.ch) << std::hex << c.code << " shifted " << c.shifted;
}

TEST(key_names, table_shape)
{
    const key_name_s *t = key_name_table();
    std::set<std::string> names;
    for (int i = 0; i < KEY_NAME_ROWS; ++i) {
        ASSERT_NE(t[i].name, nullptr) << i;
        EXPECT_TRUE(names.insert(t[i].name).second) << t[i].name;
        if (i > 0) {
            EXPECT_LT(t[i - 1].code, t[i].code) << t[i].name;
        }
    }
    EXPECT_EQ(t[KEY_NAME_ROWS].name, nullptr);
    EXPECT_STREQ(t[0].name, "Esc");
    EXPECT_STREQ(t[KEY_NAME_ROWS - 1].name, "Sleep");
}

} // namespace
