// Reading packs through the library: directory checks, lookup, handles, packed reads.
#include "vaultis/Vaultis.h"
#include "tests/vaultis/vt_fixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace fixture;

namespace {

class vt_reader : public vt_in_temp_dir
{
protected:
    std::string read_all(int h)
    {
        std::string s(VT::size(h), '\0');
        EXPECT_EQ(VT::read(h, s.data(), s.size()), 1);
        return s;
    }
    std::string read_name(const char *name)
    {
        int h = VT::open(name);
        if (!h)
            return "<not found>";
        std::string s = read_all(h);
        EXPECT_EQ(VT::close(h), 1);
        return s;
    }
};

} // namespace

TEST_F(vt_reader, pack_directories_are_checked_before_use)
{
    const std::vector<entry_s> files = {{"data\\a.txt", "hello"}, {"data\\b.txt", "world!"}};
    const std::string good = make_pack(files);
    const uint32_t size = uint32_t(good.size());  // 32 + 24 + 22 names + 11 data
    ASSERT_EQ(size, 89u);
    struct
    {
        const char *label;
        std::function<void(std::string &)> spoil;
        int loaded;
    } cases[] = {
        {"valid", [](std::string &) {}, 1},
        {"data_size is not compared with the entries", [](std::string &b) { put32(b, H_DATA_SIZE, 0); }, 1},
        {"magic", [](std::string &b) { put32(b, H_MAGIC, 0x6B636171); }, 0},
        {"version", [](std::string &b) { put32(b, H_VERSION, 2); }, 0},
        {"file_num 0", [](std::string &b) { put32(b, H_FILE_NUM, 0); }, 0},
        {"file_num negative", [](std::string &b) { put32(b, H_FILE_NUM, 0xFFFFFFFF); }, 0},
        {"table size wraps in 32 bits (the bytes after entry 0 would pass as entries)",
         [](std::string &b) {
             put32(b, H_FILE_NUM, 0x15555556);
             std::fill(b.begin() + 44, b.end(), '\0');
         },
         0},
        {"data block one byte short", [](std::string &b) { b.pop_back(); }, 0},
        {"data end wraps in 32 bits",
         [](std::string &b) {
             put32(b, H_DATA_OFFSET, 0xFFFFFFF0);
             put32(b, H_DATA_SIZE, 0x20);
         },
         0},
        {"table beyond the end", [size](std::string &b) { put32(b, H_DIR_OFFSET, size - 12); }, 0},
        {"names beyond the end", [size](std::string &b) { put32(b, H_NAMES_OFFSET, size - 10); }, 0},
        {"names_size 0", [](std::string &b) { put32(b, H_NAMES_SIZE, 0); }, 0},
        {"name block without final zero", [](std::string &b) { b[56 + 21] = 'x'; }, 0},
        {"name_offset equals names_size", [](std::string &b) { put32(b, 32 + 12, 22); }, 0},
        {"name_offset negative", [](std::string &b) { put32(b, 32, 0xFFFFFFFF); }, 0},
        {"entry beyond the end", [size](std::string &b) { put32(b, 32 + 8, size - 4); }, 0},
        {"entry end wraps in 32 bits",
         [](std::string &b) {
             put32(b, 32 + 4, 0x10);
             put32(b, 32 + 8, 0xFFFFFFF8);
         },
         0},
        {"shorter than a header", [](std::string &b) { b.resize(31); }, 0},
        {"empty file", [](std::string &b) { b.clear(); }, 0},
    };
    int n = 0;
    for (const auto &c : cases) {
        std::string bytes = good;
        c.spoil(bytes);
        fs::path dir = m_dir.path() / ("case" + std::to_string(n++));
        write_file(dir / "p.vfs", bytes);
        EXPECT_EQ(VT::init(dir.string().c_str()), c.loaded) << c.label;
        EXPECT_EQ(VT::pack_num(), c.loaded) << c.label;
        if (c.loaded) {
            EXPECT_EQ(read_name("data/a.txt"), "hello") << c.label;
            EXPECT_EQ(read_name("data/b.txt"), "world!") << c.label;
        }
    }
}

TEST_F(vt_reader, lookup_folds_ascii_case_only)
{
    const std::string privet = "\xCF\xF0\xE8\xE2\xE5\xF2";  // cp1251, capital first letter
    std::vector<entry_s> files = {{"data\\scripts\\init.isc", "init"}, {"data\\" + privet + ".txt", "cyr"}};
    // Names whose order depends on how '\', '_', digits, upper case and high bytes compare.
    const char *others[] = {"a_b", "a\\b", "aB", "abc", "a", "A0", "Z", "\xE0", "\x80x", "data\\scripts", "data_x",
                            "data\\scripts\\init.isc2", "m\\N\\o", "zz", "Yy_", "b"};
    int k = 0;
    for (const char *o : others)
        files.push_back({o, "o" + std::to_string(k++)});
    write_file("p.vfs", make_pack(files));
    ASSERT_EQ(VT::init(nullptr), 1);

    for (const entry_s &f : files) {
        EXPECT_EQ(read_name(f.name.c_str()), f.data) << f.name;
        std::string upper = f.name;
        for (char &c : upper)
            if (c >= 'a' && c <= 'z')
                c = char(c - 32);
        EXPECT_EQ(read_name(upper.c_str()), f.data) << upper;
    }
    struct
    {
        std::string name;
        std::string data;
    } lookups[] = {
        {"Data\\Scripts\\INIT.isc", "init"},
        {"data/scripts/init.isc", "init"},
        {"DATA/scripts\\Init.ISC", "init"},
        {"data\\\xEF\xF0\xE8\xE2\xE5\xF2.txt", "<not found>"},  // lower-case Cyrillic first letter
        {"data\\scripts\\init.is", "<not found>"},
        {"data\\scripts\\", "<not found>"},
        {"", "<not found>"},
    };
    for (const auto &l : lookups)
        EXPECT_EQ(read_name(l.name.c_str()), l.data) << l.name;
}

TEST_F(vt_reader, a_pack_of_one_entry)
{
    write_file("one.vfs", make_pack({{"only.txt", "1"}}));
    ASSERT_EQ(VT::init(nullptr), 1);
    EXPECT_EQ(read_name("ONLY.txt"), "1");
    for (const char *name : {"a", "only.tx", "only.txt2", "z"})
        EXPECT_EQ(VT::exist(name), 0) << name;
}

TEST_F(vt_reader, disk_comes_before_packs_and_is_not_shared)
{
    write_file("p.vfs", make_pack({{"data\\x.txt", "packed"}, {"data\\y.txt", "why"}}));
    ASSERT_EQ(VT::init(nullptr), 1);
    write_file("data/x.txt", "disk");
    write_file("data/z.txt", "zed");

    int disk = VT::open("data/x.txt");
    ASSERT_NE(disk, 0);
    EXPECT_EQ(read_all(disk), "disk");
    // The disk file is held: the same name now comes from the pack, as often as asked.
    EXPECT_EQ(read_name("data\\x.txt"), "packed");
    int packed = VT::open("data/x.txt");
    EXPECT_EQ(read_name("data/x.txt"), "packed");
    EXPECT_EQ(VT::close(packed), 1);
    EXPECT_EQ(VT::close(disk), 1);
    EXPECT_EQ(read_name("data/x.txt"), "disk");

    // A held disk file that no pack has is not found at all.
    int z = VT::open("data/z.txt");
    ASSERT_NE(z, 0);
    EXPECT_EQ(VT::open("data/z.txt"), 0);
    EXPECT_EQ(VT::exist("data/z.txt"), 0);
    // The same file under another spelling or through a hard link is the same file.
    EXPECT_EQ(VT::open("DATA\\Z.TXT"), 0);
    fs::create_hard_link("data/z.txt", "z_link.txt");
    EXPECT_EQ(VT::open("z_link.txt"), 0);
    EXPECT_EQ(VT::close(z), 1);
    EXPECT_EQ(read_name("z_link.txt"), "zed");
    EXPECT_EQ(VT::exist("data/z.txt"), 1);
}

TEST_F(vt_reader, sixty_four_handles)
{
    write_file("p.vfs", make_pack({{"e", "entry"}}));
    ASSERT_EQ(VT::init(nullptr), 1);
    for (int i = 1; i <= 64; ++i)
        ASSERT_EQ(VT::open("e"), i);
    EXPECT_EQ(VT::open("e"), 0);
    EXPECT_EQ(VT::exist("e"), 0);  // exist needs a free handle too
    EXPECT_EQ(VT::close(17), 1);
    EXPECT_EQ(VT::close(17), 0);
    EXPECT_EQ(VT::exist("e"), 1);
    EXPECT_EQ(VT::open("e"), 17);

    char c;
    SYSTEMTIME t;
    for (int bad : {0, -1, 65, 1000}) {
        EXPECT_EQ(VT::close(bad), 0) << bad;
        EXPECT_EQ(VT::size(bad), 0u) << bad;
        EXPECT_EQ(VT::read(bad, &c, 1), 0) << bad;
        EXPECT_EQ(VT::seek(bad, 0), 0) << bad;
        EXPECT_EQ(VT::write(bad, &c, 1), 0) << bad;
        EXPECT_EQ(VT::time(bad, &t), 0) << bad;
    }
    for (int i = 1; i <= 64; ++i)
        EXPECT_EQ(VT::close(i), 1);
    EXPECT_EQ(VT::read(5, &c, 1), 0);  // closed
}

TEST_F(vt_reader, packed_reads_and_seeks_stay_inside_the_entry)
{
    const std::string hundred = pattern(100);
    write_file("p.vfs", make_pack({{"h", hundred}, {"empty", ""}, {"tail", "after"}}));
    ASSERT_EQ(VT::init(nullptr), 1);
    int h = VT::open("h");
    ASSERT_NE(h, 0);
    char buf[16];
    ASSERT_EQ(VT::seek(h, 95), 1);
    EXPECT_EQ(VT::read(h, buf, 10), 0);
    EXPECT_EQ(VT::read(h, buf, 5), 1);  // the position stayed at 95
    EXPECT_EQ(std::string(buf, 5), hundred.substr(95));
    EXPECT_EQ(VT::read(h, buf, 0), 1);
    EXPECT_EQ(VT::read(h, buf, 1), 0);
    EXPECT_EQ(VT::seek(h, 99), 1);
    EXPECT_EQ(VT::seek(h, 100), 0);
    // Lengths whose sum with the position wraps, or that do not fit in 32 bits.
    ASSERT_EQ(VT::seek(h, 5), 1);
    EXPECT_EQ(VT::read(h, buf, 0xFFFFFFFFul), 0);
    EXPECT_EQ(VT::read(h, buf, 0xFFFFFFFCul), 0);
    EXPECT_EQ(VT::read(h, buf, 0x100000001ul), 0);
    EXPECT_EQ(VT::seek(h, 0x100000005ul), 0);
    EXPECT_EQ(VT::read(h, buf, 3), 1);
    EXPECT_EQ(std::string(buf, 3), hundred.substr(5, 3));

    int e = VT::open("empty");
    ASSERT_NE(e, 0);
    EXPECT_EQ(VT::size(e), 0u);
    EXPECT_EQ(VT::seek(e, 0), 0);
    EXPECT_EQ(VT::read(e, buf, 0), 1);
    EXPECT_EQ(VT::read(e, buf, 1), 0);
    EXPECT_EQ(VT::close(e), 1);
    EXPECT_EQ(VT::close(h), 1);

    write_file("disk.bin", "12345");
    int d = VT::open("disk.bin");
    EXPECT_EQ(VT::seek(d, 5), 1);
    EXPECT_EQ(VT::read(d, buf, 0), 1);
    EXPECT_EQ(VT::read(d, buf, 1), 0);
    EXPECT_EQ(VT::seek(d, 1), 1);
    EXPECT_EQ(VT::read(d, buf, 5), 0);  // short
    EXPECT_EQ(VT::close(d), 1);
}

TEST_F(vt_reader, a_pack_changed_in_size_refuses_every_name_in_it)
{
    write_file("a.vfs", make_pack({{"x", "from a"}, {"y", "only a"}}));
    write_file("b.vfs", make_pack({{"x", "from b"}}));
    ASSERT_EQ(VT::init(nullptr), 2);
    EXPECT_EQ(read_name("x"), "from a");
    write_file("a.vfs", make_pack({{"x", "from a, longer"}, {"y", "only a"}}));
    EXPECT_EQ(VT::open("x"), 0);  // b is not asked
    EXPECT_EQ(VT::open("y"), 0);
    fs::remove("a.vfs");
    EXPECT_EQ(VT::open("x"), 0);
    // Back at the size init saw, the pack serves again.
    write_file("a.vfs", make_pack({{"x", "from a"}, {"y", "only a"}}));
    int h = VT::open("y");
    ASSERT_NE(h, 0);
    EXPECT_EQ(read_name("x"), "from a");
    EXPECT_EQ(VT::close(h), 1);
}

TEST_F(vt_reader, a_pack_file_is_held_only_while_one_of_its_entries_is_open)
{
    write_file("p.vfs", make_pack({{"x", "packed"}, {"y", "other"}}));
    ASSERT_EQ(VT::init(nullptr), 1);
    int disk = VT::open("p.vfs");
    ASSERT_NE(disk, 0);
    EXPECT_EQ(VT::open("x"), 0);  // the pack file is held as a disk file
    EXPECT_EQ(VT::close(disk), 1);

    int x = VT::open("x");
    ASSERT_NE(x, 0);
    EXPECT_EQ(VT::open("p.vfs"), 0);
    int y = VT::open("y");
    ASSERT_NE(y, 0);
    EXPECT_EQ(VT::close(x), 1);
    EXPECT_EQ(VT::open("p.vfs"), 0);
    EXPECT_EQ(read_all(y), "other");
    EXPECT_EQ(VT::close(y), 1);
    disk = VT::open("p.vfs");
    EXPECT_NE(disk, 0);
    EXPECT_EQ(VT::close(disk), 1);
}

TEST_F(vt_reader, a_pack_file_replaced_under_its_name_is_read_from_the_new_file)
{
    write_file("p.vfs", make_pack({{"x", "first"}}));
    ASSERT_EQ(VT::init(nullptr), 1);
    EXPECT_EQ(read_name("x"), "first");
    write_file("new.vfs.tmp", make_pack({{"x", "again"}}));
    fs::rename("new.vfs.tmp", "p.vfs");
    EXPECT_EQ(read_name("x"), "again");
    // An open entry keeps reading the file it was opened in.
    int h = VT::open("x");
    ASSERT_NE(h, 0);
    write_file("new.vfs.tmp", make_pack({{"x", "third"}}));
    fs::rename("new.vfs.tmp", "p.vfs");
    EXPECT_EQ(read_all(h), "again");
    EXPECT_EQ(VT::close(h), 1);
    EXPECT_EQ(read_name("x"), "third");
}

TEST_F(vt_reader, at_most_256_packs_in_the_pack_name_order)
{
    fs::create_directory("packs");
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%s%03d.vfs", i % 2 ? "P" : "p", i);
        write_file(fs::path("packs") / name, make_pack({{"e" + std::to_string(i), std::to_string(i)}}));
    }
    fs::create_directory("packs/dir.vfs");
    write_file("packs/zzz.vfs.txt", make_pack({{"t", "not a pack name"}}));
    ASSERT_EQ(VT::init("packs"), 256);
    EXPECT_EQ(fs::current_path(), m_dir.path());
    EXPECT_EQ(VT::pack_num(), 256);
    EXPECT_EQ(std::string(VT::get_pack_name(0)), (m_dir.path() / "packs/p000.vfs").string());
    EXPECT_EQ(std::string(VT::get_pack_name(1)), (m_dir.path() / "packs/P001.vfs").string());
    EXPECT_EQ(std::string(VT::get_pack_name(255)), (m_dir.path() / "packs/P255.vfs").string());
    EXPECT_STREQ(VT::get_pack_name(256), "");
    EXPECT_STREQ(VT::get_pack_name(-1), "");
    EXPECT_EQ(VT::get_pack_file_num(3), 1);
    EXPECT_EQ(VT::get_pack_file_num(256), 0);
    EXPECT_EQ(VT::get_pack_file_num(-1), 0);
    EXPECT_STREQ(VT::get_pack_file_name(3, 0), "e3");
    EXPECT_STREQ(VT::get_pack_file_name(0, -1), "");
    EXPECT_STREQ(VT::get_pack_file_name(0, 1), "");
    EXPECT_STREQ(VT::get_pack_file_name(-1, 0), "");
    EXPECT_EQ(read_name("e255"), "255");
    EXPECT_EQ(VT::exist("e256"), 0);
    EXPECT_EQ(VT::exist("t"), 0);

    // A directory that cannot be entered changes nothing.
    EXPECT_EQ(VT::init("no such directory"), 0);
    EXPECT_EQ(VT::pack_num(), 256);
    EXPECT_EQ(fs::current_path(), m_dir.path());
}

TEST_F(vt_reader, done_and_a_second_init_release_packs_and_their_handles)
{
    write_file("p.vfs", make_pack({{"x", "packed"}}));
    write_file("d.txt", "disk");
    ASSERT_EQ(VT::init(nullptr), 1);
    int h = VT::open("x");
    int d = VT::open("d.txt");
    ASSERT_NE(h, 0);
    ASSERT_NE(d, 0);
    VT::done();
    EXPECT_EQ(VT::pack_num(), 0);
    char buf[8];
    EXPECT_EQ(VT::read(h, buf, 1), 0);
    EXPECT_EQ(VT::close(h), 0);
    EXPECT_EQ(VT::size(d), 4u);  // disk handles stay open
    // The pack file is no longer held.
    int w = VT::rewrite("p.vfs");
    EXPECT_NE(w, 0);
    EXPECT_EQ(VT::close(w), 1);

    write_file("p.vfs", make_pack({{"x", "packed"}}));
    ASSERT_EQ(VT::init(nullptr), 1);
    EXPECT_EQ(VT::size(d), 0u);  // init frees every handle
    h = VT::open("x");
    ASSERT_NE(h, 0);
    ASSERT_EQ(VT::init(nullptr), 1);
    EXPECT_EQ(VT::read(h, buf, 1), 0);
    EXPECT_EQ(read_name("d.txt"), "disk");
    EXPECT_EQ(read_name("x"), "packed");
}
