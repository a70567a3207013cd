// Making packs from directory trees and reading them back.
#include "vaultis/Vaultis.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

using namespace fixture;

namespace {

class vt_create : public ::testing::Test
{
protected:
    vt_create() : m_src(m_dir.path() / "src"), m_out(m_dir.path() / "out")
    {
        fs::create_directories(m_src);
        fs::create_directories(m_out);
        VT::init(m_out.string().c_str());
    }
    ~vt_create() override { VT::done(); }

    // Runs create_pack in the source directory; returns its result and what it printed.
    int create(const std::string &path, std::string &printed)
    {
        in_dir enter(m_src);
        ::testing::internal::CaptureStdout();
        int result = VT::create_pack(path.c_str());
        printed = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(fs::current_path(), m_src);
        return result;
    }

    temp_dir m_dir;
    fs::path m_src, m_out;
};

} // namespace

TEST_F(vt_create, a_tree_reads_back_byte_identical)
{
    const std::map<std::string, std::string> files = {
        {"data/scripts/init.isc", "include \"x\"\r\n"},
        {"data/Tex/A.BMP", pattern(3000, 1)},
        {"data/empty.bin", ""},
        {"data/\xCF\xF0\xE8\xE2\xE5\xF2.txt", "cp1251 name"},
        {"data/deep/er/big.bin", pattern(70000, 2)},
        {"data/a.b.vfs", "the extension is b.vfs"},
        {"data/_under", "u"},
        {".hidden", "h"},
        {"top.txt", "top"},
    };
    for (const auto &[name, data] : files)
        write_file(m_src / name, data);
    // Left out: the extension "vfs" in any case (files and directories), links to directories.
    write_file(m_src / "old.vfs", make_pack({{"old", "old"}}));
    write_file(m_src / "data/Old.VFS", "x");
    write_file(m_src / "skipped.vfs/inside.txt", "x");
    fs::create_directory_symlink(m_src / "data/deep", m_src / "data/link");
    // A link to a file is packed as the file.
    fs::create_symlink(m_src / "top.txt", m_src / "top_link.txt");

    std::string printed;
    ASSERT_EQ(create((m_out / "game.vfs").string(), printed), 1) << printed;
    EXPECT_EQ(printed.substr(0, 27), "Scanning subdirectories...\n");
    EXPECT_NE(printed.find("Read 10 files and 5 subdirectory\n"), std::string::npos) << printed;

    ASSERT_EQ(VT::init(m_out.string().c_str()), 1);
    ASSERT_EQ(VT::get_pack_file_num(0), 10);
    std::vector<std::string> names;
    for (int j = 0; j < 10; ++j)
        names.push_back(VT::get_pack_file_name(0, j));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), name_less));
    EXPECT_NE(std::find(names.begin(), names.end(), "data\\Tex\\A.BMP"), names.end());
    in_dir enter(m_out);  // no disk file of these names here
    auto with_links = files;
    with_links["top_link.txt"] = "top";
    for (const auto &[name, data] : with_links) {
        std::string packed = name;
        std::replace(packed.begin(), packed.end(), '/', '\\');
        EXPECT_NE(std::find(names.begin(), names.end(), packed), names.end()) << name;
        VT::auto_file h(VT::open(name.c_str()));
        ASSERT_FALSE(!h) << name;
        std::string back(VT::size(h), '\0');
        EXPECT_EQ(VT::read(h, back.data(), back.size()), 1);
        EXPECT_EQ(back, data) << name;
    }

    // The layout: header, table, names in the order found, data in table order.
    const std::string pack = read_file(m_out / "game.vfs");
    uint64_t sum = 0;
    for (const auto &[name, data] : with_links)
        sum += data.size();
    EXPECT_EQ(get32(pack, H_FILE_NUM), 10u);
    EXPECT_EQ(get32(pack, H_DIR_OFFSET), 32u);
    EXPECT_EQ(get32(pack, H_NAMES_OFFSET), 32u + 120);
    EXPECT_EQ(get32(pack, H_DATA_OFFSET), 152u + get32(pack, H_NAMES_SIZE));
    EXPECT_EQ(get32(pack, H_DATA_SIZE), sum);
    EXPECT_EQ(pack.size(), get32(pack, H_DATA_OFFSET) + sum);
    EXPECT_EQ(get32(pack, 32 + 8), get32(pack, H_DATA_OFFSET));
}

TEST_F(vt_create, prints_its_progress_exactly)
{
    write_file(m_src / "a.bin", pattern(1000));
    write_file(m_src / "d/b.bin", pattern(536));
    std::string printed;
    ASSERT_EQ(create("../out/p.vfs", printed), 1);
    EXPECT_EQ(printed, "Scanning subdirectories...\n"
                       "Read 2 files and 1 subdirectory\n"
                       "Sorting files...\n"
                       "Writing...\n"
                       "1.5 kilos total\n");
    EXPECT_EQ(VT::init(m_out.string().c_str()), 1);
}

TEST_F(vt_create, with_nothing_to_pack_writes_a_pack_that_init_rejects)
{
    write_file(m_src / "only.vfs", "x");
    std::string printed;
    ASSERT_EQ(create("../out/empty.vfs", printed), 1);
    EXPECT_EQ(printed, "Scanning subdirectories...\nRead 0 files and 0 subdirectory\nSorting files...\nWriting...\n"
                       "0.0 kilos total\n");
    EXPECT_EQ(fs::file_size(m_out / "empty.vfs"), 32u);
    EXPECT_EQ(VT::init(m_out.string().c_str()), 0);
}

TEST_F(vt_create, refusals)
{
    struct
    {
        const char *label;
        std::vector<std::pair<std::string, uint64_t>> files;  // name and size (sparse files)
        std::string output;
        std::string printed_end;
    } cases[] = {
        {"names that differ only in ASCII case",
         {{"Dir/a.txt", 1}, {"dir/A.txt", 1}},
         "../out/p.vfs",
         "Sorting files...\nNames differ only in case: \"Dir\\a.txt\" and \"dir\\A.txt\"\n"},
        {"a file of 4 GiB", {{"a", 1}, {"huge", 0x100000000ull}}, "../out/p.vfs", "Create pack failed!\n"},
        {"a pack of 4 GiB", {{"a", 0x80000000ull}, {"b", 0x7FFFFFFFull - 59}}, "../out/p.vfs",
         "Writing...\nPack would reach 4 GiB, too large\nWrite pack failed!\n"},
        // One byte less fits: it goes on to writing, stopped here by an output that cannot be made.
        {"a pack of 4 GiB less one byte", {{"a", 0x80000000ull}, {"b", 0x7FFFFFFFull - 60}}, "../out/missing/p.vfs",
         "Writing...\nCould not create \"../out/missing/p.vfs\"\nWrite pack failed!\n"},
        {"a name of 260 characters",
         {{std::string(200, 'd') + "/" + std::string(59, 'f'), 1}},
         "../out/p.vfs",
         "Create pack failed!\n"},
    };
    for (const auto &c : cases) {
        fs::remove_all(m_src);
        for (const auto &[name, size] : c.files) {
            write_file(m_src / name, "");
            fs::resize_file(m_src / name, size);
        }
        std::string printed;
        EXPECT_EQ(create(c.output, printed), 0) << c.label;
        ASSERT_GE(printed.size(), c.printed_end.size()) << c.label;
        EXPECT_EQ(printed.substr(printed.size() - c.printed_end.size()), c.printed_end) << c.label << "\n" << printed;
        EXPECT_FALSE(fs::exists(m_out / "p.vfs")) << c.label;
    }
}

TEST_F(vt_create, at_most_16384_files)
{
    for (int i = 0; i <= 16384; ++i)
        std::ofstream(m_src / ("f" + std::to_string(i)));
    std::string printed;
    EXPECT_EQ(create("../out/p.vfs", printed), 0);
    EXPECT_EQ(printed, "Scanning subdirectories...\nMAX_FILES reached!\nCreate pack failed!\n");
    fs::remove(m_src / "f16384");
    EXPECT_EQ(create("../out/p.vfs", printed), 1);
    EXPECT_NE(printed.find("Read 16384 files and 0 subdirectory\n"), std::string::npos);
}

TEST_F(vt_create, the_pack_tool_packs_a_directory_given_by_name)
{
    write_file(m_src / "data/scripts/init.isc", "init");
    write_file(m_src / "data/a.txt", "a");
    const std::string tool = VAULTPACK_TOOL;
    const std::string command = "'" + tool + "' '" + m_src.string() + "' '" + (m_out / "data.vfs").string() + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_EQ(VT::init(m_out.string().c_str()), 1);
    EXPECT_STREQ(VT::get_pack_file_name(0, 0), "data\\a.txt");
    EXPECT_STREQ(VT::get_pack_file_name(0, 1), "data\\scripts\\init.isc");
    EXPECT_NE(std::system(("'" + tool + "' 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system(("'" + tool + "' '" + (m_dir.path() / "missing").string() + "' x.vfs 2>/dev/null").c_str()), 0);
}
