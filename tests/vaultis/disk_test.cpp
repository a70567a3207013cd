// Disk files through the library: writing, erasing, times, name matching and name limits.
#include "vaultis/Vaultis.h"
#include "tests/vaultis/vt_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

using namespace fixture;

using vt_disk = vt_in_temp_dir;

TEST_F(vt_disk, rewrite_write_erase)
{
    fs::create_directory("Out");
    int w = VT::rewrite("out\\new.bin");  // the directory is matched without regard to case
    ASSERT_NE(w, 0);
    EXPECT_EQ(VT::write(w, "abc", 3), 1);
    EXPECT_EQ(VT::write(w, "de", 2), 1);
    EXPECT_EQ(VT::write(w, "x", 0x100000000ul), 0);
    EXPECT_EQ(VT::size(w), 5u);
    // Not shared: neither read nor emptied while held, nor erased.
    EXPECT_EQ(VT::open("Out/new.bin"), 0);
    EXPECT_EQ(VT::rewrite("Out/new.bin"), 0);
    EXPECT_EQ(VT::erase("Out/new.bin"), 0);
    EXPECT_EQ(VT::close(w), 1);
    EXPECT_EQ(read_file("Out/new.bin"), "abcde");

    int r = VT::open("OUT/NEW.BIN");
    ASSERT_NE(r, 0);
    EXPECT_EQ(VT::write(r, "z", 1), 0);  // opened for reading
    EXPECT_EQ(VT::close(r), 1);

    w = VT::rewrite("Out/NEW.bin");  // an existing file is emptied under its own name
    ASSERT_NE(w, 0);
    EXPECT_EQ(VT::close(w), 1);
    EXPECT_EQ(fs::file_size("Out/new.bin"), 0u);
    EXPECT_FALSE(fs::exists("Out/NEW.bin") && !fs::equivalent("Out/NEW.bin", "Out/new.bin"));

    EXPECT_EQ(VT::erase("out/new.bin"), 1);
    EXPECT_FALSE(fs::exists("Out/new.bin"));
    EXPECT_EQ(VT::erase("out/new.bin"), 0);
    EXPECT_EQ(VT::erase("Out"), 0);  // directories are not files
    EXPECT_EQ(VT::rewrite("missing/dir/f.bin"), 0);
    EXPECT_EQ(VT::open("Out"), 0);

    // Packed files are read-only and cannot be erased.
    write_file("p.vfs", make_pack({{"packed.txt", "p"}}));
    ASSERT_EQ(VT::init(nullptr), 1);
    int p = VT::open("packed.txt");
    ASSERT_NE(p, 0);
    EXPECT_EQ(VT::write(p, "z", 1), 0);
    EXPECT_EQ(VT::erase("packed.txt"), 0);
    EXPECT_EQ(VT::close(p), 1);
}

TEST_F(vt_disk, names_match_exactly_first_then_without_ascii_case)
{
    write_file("Dir/Sub/File.TXT", "mixed");
    write_file("a.txt", "lower");
    write_file("A.txt", "upper");
    write_file("\xCF.txt", "cyrillic");
    struct
    {
        const char *name;
        const char *data;
    } cases[] = {{"Dir/Sub/File.TXT", "mixed"}, {"dir\\sub\\file.txt", "mixed"}, {"DIR/SUB/FILE.TXT", "mixed"},
                 {"./dir/./Sub/file.txt", "mixed"}, {"a.txt", "lower"}, {"A.txt", "upper"}, {"\xCF.TXT", "cyrillic"},
                 {"\xEF.txt", nullptr}, {"dir/sub", nullptr}, {"dir/sub/file.txt/x", nullptr}};
    for (const auto &c : cases) {
        int h = VT::open(c.name);
        if (!c.data) {
            EXPECT_EQ(h, 0) << c.name;
            continue;
        }
        ASSERT_NE(h, 0) << c.name;
        std::string s(VT::size(h), '\0');
        EXPECT_EQ(VT::read(h, s.data(), s.size()), 1);
        EXPECT_EQ(s, c.data) << c.name;
        EXPECT_EQ(VT::close(h), 1);
    }
}

TEST_F(vt_disk, names_of_260_characters_are_refused)
{
    const std::string dir(200, 'd');
    const std::string ok = dir + "/" + std::string(58, 'f');       // 259 characters
    const std::string too_long = dir + "/" + std::string(59, 'f');  // 260
    write_file(ok, "ok");
    write_file(too_long, "no");
    EXPECT_EQ(VT::exist(ok.c_str()), 1);
    EXPECT_EQ(VT::exist(too_long.c_str()), 0);
    EXPECT_EQ(VT::open(too_long.c_str()), 0);
    EXPECT_EQ(VT::erase(too_long.c_str()), 0);
    fs::remove(too_long);
    EXPECT_EQ(VT::rewrite(too_long.c_str()), 0);
    EXPECT_FALSE(fs::exists(too_long));
    EXPECT_EQ(VT::open(nullptr), 0);
    EXPECT_EQ(VT::rewrite(nullptr), 0);
    EXPECT_EQ(VT::erase(nullptr), 0);
    EXPECT_EQ(VT::exist(nullptr), 0);
}

TEST_F(vt_disk, time_is_the_last_write_time_in_local_time)
{
    const std::time_t when = 1079306306;  // a Sunday in March 2004
    auto set_time = [&](const char *name) {
        fs::last_write_time(name, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(when) +
                                                                    std::chrono::milliseconds(250)));
    };
    write_file("d.txt", "d");
    write_file("p.vfs", make_pack({{"packed", "p"}}));
    set_time("d.txt");
    set_time("p.vfs");
    ASSERT_EQ(VT::init(nullptr), 1);
    const std::tm local = *std::localtime(&when);
    for (const char *name : {"d.txt", "packed"}) {
        int h = VT::open(name);
        ASSERT_NE(h, 0);
        SYSTEMTIME t{};
        ASSERT_EQ(VT::time(h, &t), 1) << name;
        EXPECT_EQ(t.wYear, local.tm_year + 1900);
        EXPECT_EQ(t.wMonth, local.tm_mon + 1);
        EXPECT_EQ(t.wDayOfWeek, local.tm_wday);
        EXPECT_EQ(t.wDay, local.tm_mday);
        EXPECT_EQ(t.wHour, local.tm_hour);
        EXPECT_EQ(t.wMinute, local.tm_min);
        EXPECT_EQ(t.wSecond, local.tm_sec);
        EXPECT_EQ(t.wMilliseconds, 250);
        EXPECT_EQ(VT::time(h, nullptr), 0);
        EXPECT_EQ(VT::close(h), 1);
    }
}
