// The main program's built-in pack reader: what only it does (its log lines), and that it
// reads packs like the library it is built from.
#include "basics/Vaultis.h"
#include "basics/console_log.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

using namespace fixture;

TEST(builtin_reader, init_logs_start_directory_switch_and_every_pack_examined)
{
    temp_dir dir;
    write_file(dir.path() / "b.vfs", "not a pack");
    write_file(dir.path() / "A.vfs", make_pack({{"data\\x.txt", "xyz"}}));
    write_file(dir.path() / "c.txt", "");
    std::string before = std::filesystem::current_path().string();

    ASSERT_EQ(VT::init(dir.str().c_str()), 1);
    EXPECT_EQ(std::filesystem::current_path().string(), before);
    ASSERT_GE(log_line_count(), 4u);
    EXPECT_STREQ(log_line(4), "Initializing Vaultis...");
    EXPECT_EQ(std::string(log_line(3)), "Current directory was '" + before + "', switched to '" + dir.str() + "'");
    EXPECT_EQ(std::string(log_line(2)).substr(0, 127), ("  Pack file found '" + dir.str() + "/A.vfs'").substr(0, 127));
    EXPECT_EQ(std::string(log_line(1)).substr(0, 127), ("  Pack file found '" + dir.str() + "/b.vfs'").substr(0, 127));

    // Without a directory there is no switch line; a directory that cannot be entered stops
    // after the first line and keeps the packs.
    unsigned count = log_line_count();
    EXPECT_EQ(VT::init((dir.str() + "/missing").c_str()), 0);
    EXPECT_EQ(log_line_count(), count + 1);
    EXPECT_STREQ(log_line(1), "Initializing Vaultis...");

    in_dir enter(dir.path());
    int h = VT::open("data/x.txt");
    ASSERT_NE(h, 0);
    char buf[3];
    EXPECT_EQ(VT::read(h, buf, 3), 1);
    EXPECT_EQ(std::string(buf, 3), "xyz");
    EXPECT_EQ(VT::seek(h, 3), 0);
    EXPECT_EQ(VT::size(h), 3u);
    EXPECT_EQ(VT::close(h), 1);
    EXPECT_EQ(VT::exist("DATA\\X.TXT"), 1);
}
