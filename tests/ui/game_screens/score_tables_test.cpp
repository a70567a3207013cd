// The score tables "Hiscore" and "History" in a registry of the test's own: what each operation
// leaves in the stored value, and stored values that were not written by the game.
#include "tests/basics/log_ring.h"
#include "tests/ui/game_screens/registry_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// "name:score" for each entry, in order.
std::string text(const std::vector<hiscore_entry> &entries)
{
    std::string out;
    for (const hiscore_entry &e : entries)
        out += (out.empty() ? "" : " ") + std::string(e.m_name) + ":" + std::to_string(e.m_score);
    return out;
}

std::vector<uint8_t> value_of(const std::vector<hiscore_entry> &entries)
{
    return score_table_value(entries.data(), int(entries.size()));
}

class score_tables_test : public ::testing::Test
{
protected:
    ~score_tables_test() override
    {
        root->shutdown_tree();
        root->collect_dead_children();
        delete root;
    }

    // The table as read back through the read operation (at most max entries).
    template <class Table> std::vector<hiscore_entry> read(const char *value, int max = 5)
    {
        std::vector<hiscore_entry> out(size_t(std::max(max, 0)) + 1, score_entry("unwritten", -7));
        int count = -1;
        new Table(root, value, max, out.data(), &count);
        EXPECT_GE(count, 0);
        for (size_t i = size_t(std::max(count, 0)); i < out.size(); ++i)
            EXPECT_STREQ(out[i].m_name, "unwritten") << "nothing is copied past the count";
        out.resize(size_t(std::max(count, 0)));
        return out;
    }
    std::vector<hiscore_entry> hiscore() { return read<hiscore_table_c>("Hiscore"); }
    std::vector<hiscore_entry> history() { return read<history_table_c>("History"); }
    void put(const char *value, const std::vector<hiscore_entry> &entries) { registry.put(value, value_of(entries)); }
    // The inode of the stored value: a write replaces the file.
    ino_t inode(const char *value)
    {
        struct stat st;
        return stat(registry.file(value).c_str(), &st) == 0 ? st.st_ino : 0;
    }

    temp_registry registry;
    abstract_c *root = new abstract_c(nullptr);
};

TEST_F(score_tables_test, without_a_key_a_table_reads_empty_and_an_insert_makes_it)
{
    EXPECT_EQ(text(hiscore()), "");
    EXPECT_FALSE(registry.value("Hiscore"));
    const hiscore_entry e = score_entry("\xc8\xe2\xe0\xed", 5000, 41);
    new hiscore_table_c(root, "Hiscore", &e);
    ASSERT_TRUE(registry.value("Hiscore"));
    EXPECT_EQ(*registry.value("Hiscore"), value_of({e})) << "4 + 164 bytes, count 1";
    const std::vector<hiscore_entry> back = hiscore();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(std::memcmp(&back[0], &e, sizeof e), 0);
    EXPECT_FALSE(registry.value("History")) << "each table is its own value";
}

TEST_F(score_tables_test, each_operation_object_is_dead_when_its_constructor_returns)
{
    const hiscore_entry e = score_entry("a", 1);
    auto *insert = new history_table_c(root, "History", &e);
    int count = 0;
    hiscore_entry out[5];
    auto *read = new history_table_c(root, "History", 5, out, &count);
    auto *set = new hiscore_table_c(root, "Hiscore", "a", 3);
    for (abstract_c *o : {(abstract_c *)insert, (abstract_c *)read, (abstract_c *)set}) {
        EXPECT_FALSE(o->alive());
        EXPECT_EQ(o->parent(), root);
    }
    root->collect_dead_children();
    EXPECT_EQ(root->first_child(), nullptr);
}

TEST_F(score_tables_test, inserting_places_each_entry_where_its_table_keeps_it)
{
    struct step_s
    {
        const char *name;
        int32_t score;
        const char *hiscore; // the tables after the insert
        const char *history;
    };
    const step_s steps[] = {
        {"a", 100, "a:100", "a:100"},
        {"b", 300, "b:300 a:100", "b:300 a:100"},
        {"c", 100, "b:300 a:100 c:100", "c:100 b:300 a:100"}, // below the older equal score
        {"d", -5, "b:300 a:100 c:100 d:-5", "d:-5 c:100 b:300 a:100"},
        {"a", 250, "a:350 b:300 c:100 d:-5", "a:350 d:-5 c:100 b:300"}, // scores add up
        {"e", 0, "a:350 b:300 c:100 e:0 d:-5", "e:0 a:350 d:-5 c:100 b:300"},
        {"f", -5, "a:350 b:300 c:100 e:0 d:-5", "f:-5 e:0 a:350 d:-5 c:100"}, // not above the fifth
        {"g", 1000, "g:1000 a:350 b:300 c:100 e:0", "g:1000 f:-5 e:0 a:350 d:-5"},
        {"e", -200, "g:1000 a:350 b:300 c:100 e:-200", "e:-200 g:1000 f:-5 a:350 d:-5"},
    };
    for (const step_s &s : steps) {
        SCOPED_TRACE(std::string(s.name) + " " + std::to_string(s.score));
        const hiscore_entry e = score_entry(s.name, s.score);
        new hiscore_table_c(root, "Hiscore", &e);
        new history_table_c(root, "History", &e);
        EXPECT_EQ(text(hiscore()), s.hiscore);
        EXPECT_EQ(text(history()), s.history);
        EXPECT_EQ(registry.value("Hiscore")->size(), 4 + 164 * hiscore().size());
    }
}

TEST_F(score_tables_test, an_entry_that_does_not_reach_a_full_hiscore_leaves_the_value_alone)
{
    put("Hiscore", {score_entry("a", 50), score_entry("b", 40), score_entry("c", 30), score_entry("d", 20), score_entry("e", 10)});
    const std::vector<uint8_t> before = *registry.value("Hiscore");
    const hiscore_entry e = score_entry("f", 10);
    new hiscore_table_c(root, "Hiscore", &e);
    EXPECT_EQ(*registry.value("Hiscore"), before);
}

TEST_F(score_tables_test, setting_a_score_moves_the_entry_as_its_table_wants)
{
    const std::vector<hiscore_entry> start = {score_entry("a", 50), score_entry("b", 40), score_entry("c", 40), score_entry("d", 20)};
    struct case_s
    {
        const char *name;
        int32_t score;
        const char *hiscore;
        const char *history;
    };
    const case_s cases[] = {
        {"a", 40, "b:40 c:40 a:40 d:20", "a:40 b:40 c:40 d:20"}, // below the equal scores
        {"d", 45, "a:50 d:45 b:40 c:40", "d:45 a:50 b:40 c:40"},
        {"c", 40, "a:50 b:40 c:40 d:20", "c:40 a:50 b:40 d:20"}, // the score is not added
        {"b", -1, "a:50 c:40 d:20 b:-1", "b:-1 a:50 c:40 d:20"},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.name);
        put("Hiscore", start);
        put("History", start);
        new hiscore_table_c(root, "Hiscore", c.name, c.score);
        new history_table_c(root, "History", c.name, c.score);
        EXPECT_EQ(text(hiscore()), c.hiscore);
        EXPECT_EQ(text(history()), c.history);
    }

    // A name in no entry: the value is not written at all.
    put("Hiscore", start);
    put("History", start);
    const ino_t hiscore_file = inode("Hiscore"), history_file = inode("History");
    for (const char *name : {"x", "", "a "}) {
        new hiscore_table_c(root, "Hiscore", name, 100);
        new history_table_c(root, "History", name, 100);
    }
    EXPECT_EQ(inode("Hiscore"), hiscore_file);
    EXPECT_EQ(inode("History"), history_file);
}

TEST_F(score_tables_test, the_read_operation_copies_at_most_what_is_asked_and_writes_nothing)
{
    put("History", {score_entry("a", 1), score_entry("b", 2), score_entry("c", 3)});
    const ino_t before = inode("History");
    EXPECT_EQ(text(read<history_table_c>("History", 5)), "a:1 b:2 c:3");
    EXPECT_EQ(text(read<history_table_c>("History", 2)), "a:1 b:2");
    EXPECT_EQ(text(read<history_table_c>("History", 0)), "");
    EXPECT_EQ(text(read<history_table_c>("History", -3)), "");
    EXPECT_EQ(inode("History"), before);
}

// Stored values the game never writes: the tables read only whole entries that are there.
TEST_F(score_tables_test, a_stored_value_is_read_only_as_far_as_it_holds_entries)
{
    const std::vector<uint8_t> three = value_of({score_entry("a", 3), score_entry("b", 2), score_entry("c", 1)});
    auto with_count = [&](int32_t count, size_t size) {
        std::vector<uint8_t> v = three;
        v.resize(size, 0xEE);
        std::memcpy(v.data(), &count, sizeof count);
        return v;
    };
    struct case_s
    {
        const char *what;
        std::vector<uint8_t> value;
        const char *read;
    };
    const case_s cases[] = {
        {"empty", {}, ""},
        {"shorter than the count word", {3, 0, 0}, ""},
        {"count 0", with_count(0, three.size()), ""},
        {"negative count", with_count(-1, three.size()), ""},
        {"most negative count", with_count(std::numeric_limits<int32_t>::min(), three.size()), ""},
        {"count beyond the entries", with_count(1000000, three.size()), "a:3 b:2 c:1"},
        {"a cut last entry", with_count(3, three.size() - 1), "a:3 b:2"},
        {"bytes after the last entry", with_count(2, three.size() + 7), "a:3 b:2"},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.what);
        registry.put("Hiscore", c.value);
        EXPECT_EQ(text(hiscore()), c.read);
        // An insert writes a well-formed table of what was read and the new entry.
        const hiscore_entry e = score_entry("z", 0);
        new hiscore_table_c(root, "Hiscore", &e);
        const std::vector<uint8_t> written = *registry.value("Hiscore");
        int32_t count = 0;
        std::memcpy(&count, written.data(), sizeof count);
        EXPECT_EQ(written.size(), 4 + 164 * size_t(count));
        EXPECT_EQ(text(hiscore()), std::string(c.read) + (*c.read ? " " : "") + "z:0");
    }
}

TEST_F(score_tables_test, a_table_of_more_than_five_is_written_back_as_its_first_five)
{
    put("History", {score_entry("a", 1), score_entry("b", 2), score_entry("c", 3), score_entry("d", 4), score_entry("e", 5), score_entry("f", 6),
                    score_entry("g", 7)});
    EXPECT_EQ(text(history()), "a:1 b:2 c:3 d:4 e:5");
    const hiscore_entry g = score_entry("g", 10);
    new history_table_c(root, "History", &g);
    EXPECT_EQ(text(read<history_table_c>("History", 10)), "g:17 a:1 b:2 c:3 d:4") << "the seventh was found";
    EXPECT_EQ(registry.value("History")->size(), 4 + 164 * 5u);
}

TEST_F(score_tables_test, a_stored_name_without_its_terminator_ends_inside_its_field)
{
    hiscore_entry long_name = score_entry("", 9);
    std::memset(long_name.m_name, 'x', sizeof long_name.m_name);
    put("Hiscore", {long_name});
    const std::vector<hiscore_entry> back = hiscore();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(std::string(back[0].m_name), std::string(127, 'x'));

    // The same name inserted again is that entry.
    hiscore_entry again = long_name;
    again.m_score = 1;
    new hiscore_table_c(root, "Hiscore", &again);
    EXPECT_EQ(text(hiscore()), std::string(127, 'x') + ":10");
}

TEST_F(score_tables_test, summed_scores_stop_at_the_int32_limits)
{
    const int32_t max = std::numeric_limits<int32_t>::max(), min = std::numeric_limits<int32_t>::min();
    put("Hiscore", {score_entry("rich", max - 10), score_entry("poor", min + 10)});
    for (const hiscore_entry &e : {score_entry("rich", 100), score_entry("poor", -100)})
        new hiscore_table_c(root, "Hiscore", &e);
    EXPECT_EQ(text(hiscore()), "rich:" + std::to_string(max) + " poor:" + std::to_string(min));
}

TEST_F(score_tables_test, a_value_that_cannot_be_written_stays_as_it_was_and_is_logged)
{
    std::filesystem::create_directories(registry.file("Hiscore"));
    const hiscore_entry e = score_entry("a", 1);
    const std::string mark = log_mark();
    new hiscore_table_c(root, "Hiscore", &e);
    EXPECT_EQ(log_since(mark), std::vector<std::string>{"Registry value 'Hiscore' could not be saved (error 5)"});
    EXPECT_EQ(text(hiscore()), "");
    EXPECT_TRUE(std::filesystem::is_directory(registry.file("Hiscore")));
}

// A table over the size a value may have does not read: the insert keeps it under another name
// before it writes the new table, and a second one goes beside the first.
TEST_F(score_tables_test, an_unreadable_table_is_logged_and_kept_aside_before_a_new_one_is_written)
{
    const std::vector<uint8_t> huge(REG_MAX_VALUE_SIZE + 1, 7);
    registry.put("Hiscore", huge);
    std::string mark = log_mark();
    EXPECT_EQ(text(hiscore()), "");
    EXPECT_EQ(log_since(mark), std::vector<std::string>{"Registry value 'Hiscore' could not be read (error 13)"});

    const hiscore_entry e = score_entry("a", 1);
    mark = log_mark();
    new hiscore_table_c(root, "Hiscore", &e);
    EXPECT_EQ(log_since(mark), (std::vector<std::string>{"Registry value 'Hiscore' could not be read (error 13)",
                                                         "Registry value 'Hiscore' kept as 'Hiscore.unreadable-1'"}));
    EXPECT_EQ(text(hiscore()), "a:1");
    EXPECT_EQ(registry.value("Hiscore.unreadable-1"), huge);

    registry.put("Hiscore", huge);
    new hiscore_table_c(root, "Hiscore", &e);
    EXPECT_EQ(text(hiscore()), "a:1");
    EXPECT_EQ(registry.value("Hiscore.unreadable-1"), huge);
    EXPECT_EQ(registry.value("Hiscore.unreadable-2"), huge);
}

// A writer killed midway leaves its temporary file in the key: the key's next write removes
// those nobody touched for a while, and leaves a writer at work its own.
TEST_F(score_tables_test, stale_temporaries_of_the_key_go_with_its_next_write)
{
    const std::filesystem::path key = registry.file("Hiscore").parent_path();
    fixture::write_file(key / ".value-Ab3dE9", "left by a killed writer");
    fixture::write_file(key / ".value-Zz0011", "a writer at work");
    const timespec long_ago[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (key / ".value-Ab3dE9").c_str(), long_ago, 0), 0);
    const hiscore_entry e = score_entry("a", 1);
    new history_table_c(root, "History", &e);
    EXPECT_FALSE(std::filesystem::exists(key / ".value-Ab3dE9"));
    EXPECT_TRUE(std::filesystem::exists(key / ".value-Zz0011"));
    EXPECT_EQ(text(history()), "a:1");
}

} // namespace
