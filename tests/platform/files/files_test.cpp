// Name lookups of the file layer when it keeps directory listings: whatever is kept, a lookup
// must see the directory as it is now.
#include "platform/sys/files.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>
#include <thread>

using namespace fixture;

namespace {

// Every listing is kept, as it is for directories that have been left alone for a while.
class kept_listings : public ::testing::Test
{
protected:
    kept_listings() { sys_set_listing_settle_time(-1); }
    ~kept_listings() override { sys_set_listing_settle_time(SYS_LISTING_SETTLE_SECONDS); }

    // What the kept listings cannot see by themselves: a change in the same tick of the
    // file-system clock as the listing. The settle time rules that out for real directories;
    // here the change is followed by bumps of the directory's times until they differ from
    // what they were before it.
    template <class Change> static void change(const fs::path &dir, Change make_change)
    {
        struct stat before;
        ASSERT_EQ(stat(dir.c_str(), &before), 0);
        make_change();
        for (;;) {
            struct stat now;
            ASSERT_EQ(stat(dir.c_str(), &now), 0);
            if (now.st_ctim.tv_sec != before.st_ctim.tv_sec || now.st_ctim.tv_nsec != before.st_ctim.tv_nsec)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            write_file(dir / ".bump", "");
            fs::remove(dir / ".bump");
        }
    }

    static std::string read_name(const char *name)
    {
        int h = sys_file_open_read(name);
        if (h == SYS_INVALID_FILE)
            return "(none)";
        std::string s(size_t(sys_file_size(h)), '\0');
        EXPECT_EQ(sys_file_read(h, s.data(), s.size()), int64_t(s.size()));
        EXPECT_EQ(sys_file_close(h), 1);
        return s;
    }

    temp_dir m_dir;
};

TEST_F(kept_listings, lookups_follow_changes_of_the_directories)
{
    in_dir enter(m_dir.path());
    EXPECT_EQ(read_name("Data/x.txt"), "(none)");
    EXPECT_EQ(read_name("data/x.txt"), "(none)");

    change(m_dir.path(), [] { write_file("DATA/x.txt", "upper"); });
    EXPECT_EQ(read_name("Data/X.txt"), "upper");
    EXPECT_EQ(read_name("data/x.txt"), "upper");

    // A lower-case twin is the exact match from now on; the other spelling still finds the
    // first in byte order.
    change(m_dir.path(), [] { write_file("data/x.txt", "lower"); });
    EXPECT_EQ(read_name("data/x.txt"), "lower");
    EXPECT_EQ(read_name("Data/x.txt"), "upper");

    change(m_dir.path() / "data", [] { fs::rename("data/x.txt", "data/Y.TXT"); });
    EXPECT_EQ(read_name("data/y.txt"), "lower");
    // The exact directory is taken; the other spelling of it is not searched.
    EXPECT_EQ(read_name("data/x.txt"), "(none)");
    EXPECT_EQ(read_name("Data/x.txt"), "upper");

    change(m_dir.path(), [] {
        fs::remove_all("DATA");
        fs::remove_all("data");
    });
    EXPECT_EQ(read_name("data/x.txt"), "(none)");
    EXPECT_EQ(read_name("DATA/y.txt"), "(none)");
}

TEST_F(kept_listings, a_new_current_directory_is_looked_at_itself)
{
    write_file(m_dir.path() / "empty/keep", "");
    write_file(m_dir.path() / "full/Data/x.txt", "full");
    {
        in_dir enter(m_dir.path() / "empty");
        EXPECT_EQ(read_name("data/x.txt"), "(none)");
        EXPECT_EQ(read_name("data/x.txt"), "(none)");
    }
    {
        in_dir enter(m_dir.path() / "full");
        EXPECT_EQ(read_name("data/x.txt"), "full");
        EXPECT_EQ(read_name("DATA/X.TXT"), "full");
    }
    in_dir enter(m_dir.path() / "empty");
    EXPECT_EQ(read_name("data/x.txt"), "(none)");
    EXPECT_EQ(read_name("keep"), "");
}

// A miss in a directory the file layer watches is answered without a stat; the directory
// moved away, and another one moved to its path and entered, must still be looked at itself.
TEST_F(kept_listings, a_watched_directory_moved_away_is_not_taken_for_the_one_at_its_path)
{
    write_file(m_dir.path() / "a/keep", "");
    write_file(m_dir.path() / "b/data/x.txt", "b");
    {
        in_dir enter(m_dir.path() / "a");
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(read_name("data/x.txt"), "(none)");
        fs::rename(m_dir.path() / "a", m_dir.path() / "old");
        fs::rename(m_dir.path() / "b", m_dir.path() / "a");
        in_dir again(m_dir.path() / "a");
        EXPECT_EQ(read_name("data/x.txt"), "b");
    }
    in_dir enter(m_dir.path() / "old");
    EXPECT_EQ(read_name("data/x.txt"), "(none)");
    EXPECT_EQ(read_name("keep"), "");
}

} // namespace
