// The launcher's message list: lines, control characters and its limits.
#include "Launcher/messages.h"
#include "tests/Launcher/launcher_fixture.h"

TEST_F(launcher_dir_test, message_lines)
{
    struct
    {
        std::string text;
        std::vector<std::string> ended;
        std::string current;
    } cases[] = {
        {"one\ntwo\n", {"one", "two"}, ""},
        {"abc\rxy", {}, "xy"},
        {"a\tb", {}, "a       b"},
        {"\tb", {}, "b"},
        {"12345678\tb", {}, "12345678b"},
        {"a\x01\x1f" "b\x7f\xc8", {}, "a  b\x7f\xc8"},
        {std::string(200, 'm'), {std::string(127, 'm')}, std::string(73, 'm')},
        {std::string(127, 'k') + "\n", {std::string(127, 'k'), ""}, ""},
        {std::string(124, 'k') + "\tz", {std::string(124, 'k') + "   "}, "z"},
        {std::string(5000, 'p'), std::vector<std::string>(32, std::string(127, 'p')), std::string(31, 'p')},
    };
    for (const auto &c : cases) {
        launcher_clear_messages();
        launcher_print_message("%s", c.text.c_str());
        EXPECT_EQ(messages(), c.ended) << c.text;
        EXPECT_EQ(launcher_message_line(0), c.current) << c.text;
    }
}

TEST_F(launcher_dir_test, message_list_keeps_the_last_256_lines)
{
    for (int i = 0; i < 300; ++i)
        launcher_print_message("line %d\n", i);
    EXPECT_EQ(launcher_message_count(), 256);
    EXPECT_STREQ(launcher_message_line(1), "line 299");
    EXPECT_STREQ(launcher_message_line(255), "line 45");
    EXPECT_STREQ(launcher_message_line(256), "");
    EXPECT_STREQ(launcher_message_line(-1), "");
}
