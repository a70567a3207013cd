#include "basics/vaultfile_obj.h"

#include "basics/Vaultis.h"
#include "basics/console_log.h"
#include "kernel/exception.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace fixture;

namespace {

// Each test starts in a fresh directory, with no packs and the default data directory.
class vaultfile : public ::testing::Test
{
protected:
    vaultfile() : m_enter(m_dir.path())
    {
        VT::init(nullptr);
        set_data_directory("data");
    }
    ~vaultfile() override { set_data_directory("data"); }

    temp_dir m_dir;
    in_dir m_enter;
};

// Runs f and returns the message of the exception it throws; fails unless it throws E.
template <class E> std::string thrown(const std::function<void()> &f)
{
    try {
        f();
    } catch (const E &e) {
        EXPECT_EQ(e.source_file(), "basics/vaultfile_obj.cpp");
        return e.get_message();
    } catch (...) {
        ADD_FAILURE() << "another exception type";
        return "";
    }
    ADD_FAILURE() << "nothing thrown";
    return "";
}

} // namespace

TEST_F(vaultfile, relative_names_get_the_data_directory_and_reach_packs)
{
    write_file("game.vfs", make_pack({{"data\\scripts\\init.isc", "packed"}}));
    ASSERT_EQ(VT::init(nullptr), 1);
    vaultfile_c f("scripts/init.isc", VFILE_READ);
    EXPECT_STREQ(f.name(), "data/scripts/init.isc");
    ASSERT_EQ(f.size(), 6u);
    char buf[6];
    f.read(buf, 6);
    EXPECT_EQ(std::string(buf, 6), "packed");

    write_file("plain.txt", "disk");
    vaultfile_c g("plain.txt", VFILE_READ | VFILE_AS_IS);
    EXPECT_STREQ(g.name(), "plain.txt");
    EXPECT_EQ(g.size(), 4u);
    g.close();
    EXPECT_EQ(vaultfile_exists("scripts/init.isc", VFILE_READ), 1);
    EXPECT_EQ(vaultfile_exists("plain.txt", VFILE_AS_IS), 1);
    EXPECT_EQ(vaultfile_exists("plain.txt", 0), 0);
}

TEST_F(vaultfile, misuse_throws_exception_c)
{
    write_file("data/a.bin", "abc");
    for (int flags : {0, 3, 4, 8, 11}) {
        vaultfile_c f;
        EXPECT_EQ(thrown<exception_c>([&] { f.open("a.bin", flags); }), "Invalid flags") << flags;
        EXPECT_EQ(f.handle(), 0);
    }
    vaultfile_c f("a.bin", VFILE_READ);
    EXPECT_EQ(thrown<exception_c>([&] { f.open("a.bin", VFILE_READ); }), "File already opened");
}

TEST_F(vaultfile, too_long_names_throw_before_any_file_is_touched)
{
    // With the data directory "data" and "/", a name of 287 characters makes 292.
    struct
    {
        size_t len;
        int flags;
        const char *message;
    } cases[] = {
        {286, VFILE_READ, nullptr},
        {287, VFILE_READ, "File name is too long"},
        {287, VFILE_CREATE, "File name is too long"},
        {291, VFILE_READ | VFILE_AS_IS, nullptr},
        {292, VFILE_READ | VFILE_AS_IS, "File name is too long"},
    };
    for (const auto &c : cases) {
        std::string name(c.len, 'n');
        vaultfile_c f;
        std::string message = thrown<file_io_exception_c>([&] { f.open(name.c_str(), c.flags); });
        if (c.message) {
            EXPECT_EQ(message, c.message) << c.len;
            EXPECT_EQ(thrown<file_io_exception_c>([&] { vaultfile_exists(name.c_str(), c.flags); }), c.message);
        } else {
            EXPECT_EQ(message.rfind("Could not open file '", 0), 0u) << message;
        }
        EXPECT_EQ(f.handle(), 0);
        EXPECT_EQ(f.name(), nullptr);
    }
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));
}

TEST_F(vaultfile, open_and_create_failures_name_the_full_name)
{
    vaultfile_c f;
    EXPECT_EQ(thrown<file_io_exception_c>([&] { f.open("missing.bin", VFILE_READ); }),
              "Could not open file 'data/missing.bin'");
    EXPECT_EQ(thrown<file_io_exception_c>([&] { f.open("new.bin", VFILE_CREATE); }),
              "Could not create file 'data/new.bin'");
    EXPECT_EQ(f.handle(), 0);
    EXPECT_EQ(f.name(), nullptr);

    std::filesystem::create_directory("data");
    f.open("new.bin", VFILE_CREATE | VFILE_NO_NAME);
    EXPECT_EQ(f.name(), nullptr);
    f.close();
    EXPECT_TRUE(std::filesystem::exists("data/new.bin"));
    EXPECT_EQ(std::filesystem::file_size("data/new.bin"), 0u);
}

TEST_F(vaultfile, read_and_seek_errors_carry_the_kept_name)
{
    write_file("data/x.bin", "0123456789");
    char buf[16];
    {
        vaultfile_c f("x.bin", VFILE_READ | VFILE_NO_NAME);
        EXPECT_EQ(thrown<file_io_exception_c>([&] { f.read(buf, 11); }), "Could not read data from file");
        EXPECT_EQ(thrown<file_io_exception_c>([&] { f.seek(-1); }), "Could not seek in file");
    }
    vaultfile_c f("x.bin", VFILE_READ);
    EXPECT_EQ(thrown<file_io_exception_c>([&] { f.read(buf, 11); }), "Could not read data from file 'data/x.bin'");
    f.seek(0);
    // A negative length is refused, not read as a huge unsigned one.
    EXPECT_EQ(thrown<file_io_exception_c>([&] { f.read(buf, -1); }), "Could not read data from file 'data/x.bin'");
    f.read(buf, 10);
    EXPECT_EQ(std::string(buf, 10), "0123456789");
    EXPECT_EQ(thrown<file_io_exception_c>([&] { f.seek(-5); }), "Could not seek in file 'data/x.bin'");
}

TEST_F(vaultfile, close_twice_throws_and_destruction_after_close_is_quiet)
{
    write_file("data/x.bin", "x");
    {
        vaultfile_c f("x.bin", VFILE_READ);
        int h = f.handle();
        f.close();
        EXPECT_EQ(f.name(), nullptr);
        EXPECT_EQ(thrown<file_io_exception_c>([&] { f.close(); }), "File already closed");
        // The handle was given back: the next open gets the same number.
        vaultfile_c g("x.bin", VFILE_READ);
        EXPECT_EQ(g.handle(), h);
    }
    // Every handle was given back by the destructors: all 64 can be opened again.
    vaultfile_c files[64];
    for (int i = 0; i < 64; ++i) {
        std::string name = "f" + std::to_string(i);
        write_file("data/" + name, "");
        files[i].open(name.c_str(), VFILE_READ);
    }
}

TEST_F(vaultfile, data_directory_keeps_31_characters_and_logs_the_cut)
{
    std::string long_dir(40, 'd');
    long_dir[30] = 'E';
    long_dir[31] = 'F';
    set_data_directory(long_dir.c_str());
    EXPECT_EQ(std::string(data_directory()), long_dir.substr(0, 31));
    EXPECT_NE(std::string(log_line(1)).find(long_dir.substr(0, 31) + "'"), std::string::npos) << log_line(1);
    write_file(long_dir.substr(0, 31) + "/f.txt", "!");
    EXPECT_EQ(vaultfile_exists("f.txt", VFILE_READ), 1);
}

TEST(vaultfile_helpers, file_extension_and_path_directory)
{
    struct
    {
        const char *name, *extension;
    } extensions[] = {{"readme", ""}, {"", ""}, {"a.b.c", "b.c"}, {"./a.bmp", "/a.bmp"}, {"pic.old.tga", "old.tga"},
                      {"x.", ""}};
    for (const auto &c : extensions)
        EXPECT_STREQ(file_extension(c.name), c.extension) << c.name;

    struct
    {
        const char *path, *dir;
        int result;
    } dirs[] = {{"scripts/init.isc", "scripts/", 1}, {"a\\b/c.isc", "a\\b/", 1}, {"a/b\\c", "a/b\\", 1},
                {"init.isc", "init.isc", 0}, {"", "", 0}, {"dir/", "dir/", 1}};
    for (const auto &c : dirs) {
        char out[64];
        EXPECT_EQ(path_directory(out, c.path), c.result) << c.path;
        EXPECT_STREQ(out, c.dir) << c.path;
    }
}
