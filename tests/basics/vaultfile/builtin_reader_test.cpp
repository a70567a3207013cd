// The main program's built-in pack reader: what only it does (its log lines), and that it
// reads packs like the library it is built from.
#include "basics/Vaultis.h"
#include "basics/console_log.h"
#include "tests/basics/log_ring.h"
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

    std::string mark = log_mark();
    ASSERT_EQ(VT::init(dir.str().c_str()), 1);
    EXPECT_EQ(std::filesystem::current_path().string(), before);
    // The packs in sorted order, the broken one too.
    EXPECT_EQ(log_since(mark), (std::vector<std::string>{
                                   "Initializing Vaultis...",
                                   "Current directory was '" + before + "', switched to '" + dir.str() + "'",
                                   "  Pack file found '" + dir.str() + "/A.vfs'",
                                   "  Pack file found '" + dir.str() + "/b.vfs'",
                               }));

    // Without a directory there is no switch line; a directory that cannot be entered stops
    // after the first line and keeps the packs.
    mark = log_mark();
    EXPECT_EQ(VT::init((dir.str() + "/missing").c_str()), 0);
    EXPECT_EQ(log_since(mark), std::vector<std::string>{"Initializing Vaultis..."});

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
