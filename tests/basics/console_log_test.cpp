#include "basics/console_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// The ring belongs to the process: when the binary runs all its tests at once, earlier tests
// have left lines (and perhaps an unfinished line 0). Each test starts on an empty line 0 and
// counts lines from where it starts; the count stops at 256.
class console_log : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (*log_line(0))
            print_message("\n");
        m_count = log_line_count();
    }
    // The line count after n more completed lines.
    unsigned count_after(unsigned n) const { return std::min(256u, m_count + n); }

private:
    unsigned m_count = 0;
};

// A test that writes console.log works in a private directory because tests run in parallel.
class private_dir_c
{
public:
    private_dir_c()
    {
        std::random_device rd;
        m_old = fs::current_path();
        m_dir = fs::temp_directory_path() /
                ("basics_log_" + std::to_string(rd()) + "_" + std::to_string(rd()));
        fs::create_directories(m_dir);
        fs::current_path(m_dir);
    }
    ~private_dir_c()
    {
        close_console_log();
        fs::current_path(m_old);
        fs::remove_all(m_dir);
    }

    static std::string read_log()
    {
        std::ifstream in("console.log", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    fs::path m_old;
    fs::path m_dir;
};

} // namespace

TEST_F(console_log, line_editing)
{
    struct case_s
    {
        const char *message;
        const char *last_line;
    };
    // Each message ends its line, so line 1 holds its result.
    const case_s cases[] = {
        {"abc\rxy\n", "xy"},
        {"a\tb\n", "a       b"},
        {"\tb\n", "b"},
        {"12345678\tb\n", "12345678b"},
        {"a\x01\x1f" "b\n", "a  b"},
        {"\xc0\xff\x80\n", "\xc0\xff\x80"},
    };
    for (const case_s &c : cases) {
        print_message("%s", c.message);
        EXPECT_STREQ(log_line(1), c.last_line) << "message " << testing::PrintToString(c.message);
        EXPECT_STREQ(log_line(0), "");
    }
    EXPECT_EQ(log_line_count(), count_after(sizeof(cases) / sizeof(cases[0])));
}

TEST_F(console_log, text_without_line_feed_continues_in_line_zero)
{
    print_message("abc");
    log_print("%d", 12);
    EXPECT_STREQ(log_line(0), "abc12");
    EXPECT_EQ(log_line_count(), count_after(0));
    print_message("\n");
    EXPECT_STREQ(log_line(1), "abc12");
    EXPECT_EQ(log_line_count(), count_after(1));
}

TEST_F(console_log, long_lines_wrap_at_127)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += static_cast<char>('a' + i % 26);
    print_message("%s", text.c_str());
    EXPECT_EQ(log_line_count(), count_after(2));
    EXPECT_EQ(std::string(log_line(2)), text.substr(0, 127));
    EXPECT_EQ(std::string(log_line(1)), text.substr(127, 127));
    EXPECT_EQ(std::string(log_line(0)), text.substr(254));
    EXPECT_EQ(std::string(log_line(0)).size(), 46u);
}

TEST_F(console_log, tab_near_the_end_completes_the_line)
{
    std::string head(122, 'x');
    print_message("%s\tz", head.c_str());
    EXPECT_EQ(std::string(log_line(1)), head + "     ");
    EXPECT_STREQ(log_line(0), "z");
}

TEST_F(console_log, ring_keeps_256_lines)
{
    for (int i = 0; i < 300; ++i)
        print_message("line %d\n", i);
    EXPECT_EQ(log_line_count(), 256u);
    EXPECT_STREQ(log_line(1), "line 299");
    EXPECT_STREQ(log_line(255), "line 45");
    EXPECT_STREQ(log_line(256), "");
    EXPECT_STREQ(log_line(1000), "");
}

TEST_F(console_log, changed_flag)
{
    log_reset_changed();
    EXPECT_EQ(log_changed(), 0);
    print_message("%s", "");
    EXPECT_NE(log_changed(), 0);
    log_reset_changed();
    EXPECT_EQ(log_changed(), 0);
}

TEST_F(console_log, file_gets_text_as_it_is_and_is_appended)
{
    private_dir_c dir;
    {
        std::ofstream("console.log", std::ios::binary) << "old\n";
    }
    print_message("before open\n");
    open_console_log();
    open_console_log();
    print_message("%d%% done\n", 50);
    // Flushed at once: readable while still open.
    EXPECT_EQ(private_dir_c::read_log(), "old\n50% done\n");
    close_console_log();
    print_message("after close\n");
    EXPECT_EQ(private_dir_c::read_log(), "old\n50% done\n");
    EXPECT_STREQ(log_line(2), "50% done");
}

TEST_F(console_log, long_message_is_cut_at_4095_characters)
{
    private_dir_c dir;
    open_console_log();
    std::string text(5000, 'q');
    print_message("%s", text.c_str());
    EXPECT_EQ(private_dir_c::read_log().size(), 4095u);
}
