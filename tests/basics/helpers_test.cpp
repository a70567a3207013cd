#include "basics/helpers.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(helpers, random_generator_follows_the_rand_contract)
{
    // Reference values of the generator x = x * 214013 + 2531011, (x >> 16) & 0x7FFF.
    engine_srand(1);
    const int seeded_one[] = {41, 18467, 6334, 26500, 19169};
    for (int expected : seeded_one)
        EXPECT_EQ(engine_rand(), expected);
    engine_srand(0);
    EXPECT_EQ(engine_rand(), 38);
    EXPECT_EQ(engine_rand(), 7719);
}

TEST(helpers, random_ranges)
{
    engine_srand(12345);
    for (int i = 0; i < 20000; ++i) {
        float u = random_unit();
        EXPECT_GE(u, 0.0f);
        EXPECT_LE(u, 1.0f);
        float s = random_signed();
        EXPECT_GE(s, -1.0f);
        EXPECT_LE(s, 1.0f);
    }
}

TEST(helpers, smooth_step)
{
    EXPECT_FLOAT_EQ(smooth_step(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(smooth_step(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(smooth_step(1.0f), 1.0f);
    EXPECT_FLOAT_EQ(smooth_step(0.25f), 0.15625f);
}

TEST(helpers, single_bit_index)
{
    const struct
    {
        int v;
        int index;
    } cases[] = {{1, 0}, {8, 3}, {0, -1}, {12, -1}, {0x40000000, 30}, {static_cast<int>(0x80000000u), 31},
                 {-1, -1}};
    for (const auto &c : cases)
        EXPECT_EQ(single_bit_index(c.v), c.index) << "v = " << c.v;
}

TEST(helpers, to_lower_ascii_changes_latin_letters_only)
{
    EXPECT_EQ(to_lower_ascii('A'), 'a');
    EXPECT_EQ(to_lower_ascii('Z'), 'z');
    EXPECT_EQ(to_lower_ascii('a'), 'a');
    EXPECT_EQ(to_lower_ascii('@'), '@');
    EXPECT_EQ(to_lower_ascii('['), '[');
    // Cyrillic capital A in cp1251 stays as it is.
    EXPECT_EQ(to_lower_ascii('\xc0'), '\xc0');
}

TEST(helpers, integer_texts)
{
    EXPECT_EQ(int_to_string(0), "0");
    EXPECT_EQ(int_to_string(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(format_two_ints(3, -4, "%d x %d"), "3 x -4");
    std::string wide(300, 'w');
    EXPECT_EQ(format_two_ints(1, 2, (wide + "%d%d").c_str()).size(), 255u);
}

TEST(helpers, d3dfmt_name)
{
    const struct
    {
        int format;
        const char *name;
    } cases[] = {{21, "D3DFMT_A8R8G8B8"}, {999, "D3DFMT_UNKNOWN"}, {0, "D3DFMT_UNKNOWN"},
                 {0x31545844, "D3DFMT_DXT1"}, {0x35545844, "D3DFMT_DXT5"}, {80, "D3DFMT_D16"},
                 {102, "D3DFMT_INDEX32"}, {-1, "D3DFMT_UNKNOWN"}};
    for (const auto &c : cases)
        EXPECT_STREQ(d3dfmt_name(c.format), c.name) << "format " << c.format;
}

TEST(helpers, dx_error_name)
{
    const struct
    {
        uint32_t code;
        const char *name;
    } cases[] = {{0, "S_OK"},
                 {0x88760868u, "D3DERR_DEVICELOST"},
                 {0x88760869u, "D3DERR_DEVICENOTRESET"},
                 {0x8876086Cu, "D3DERR_INVALIDCALL"},
                 {0x8876017Cu, "D3DERR_OUTOFVIDEOMEMORY"},
                 {0x88780096u, "DSERR_BUFFERLOST"},
                 {0x8878000Au, "DSERR_ALLOCATED"},
                 {0x8007001Eu, "DIERR_INPUTLOST"},
                 {0x8007000Cu, "DIERR_NOTACQUIRED"},
                 {0x80004005u, "E_FAIL"},
                 {0x80070057u, "E_INVALIDARG"},
                 {0x12345678u, "Unknown error 0x12345678"},
                 {0x88760001u, "Unknown error 0x88760001"}};
    for (const auto &c : cases)
        EXPECT_STREQ(dx_error_name(static_cast<HRESULT>(c.code)), c.name);
}
