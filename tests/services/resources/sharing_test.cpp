// The sharing protocol of the resource manager base, through a small manager whose data and
// resource entries log what happens to them and whose creates can be made to throw.
#include "test_manager.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using sharing_fixture = manager_fixture;

TEST_F(sharing_fixture, shared_entry_lives_until_its_last_reference_and_its_data_follows)
{
    test_resource_c *a = load("chair", 7);
    test_resource_c *b = load("chair", 3);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(a, b);
    EXPECT_EQ(2, a->ref_count());
    EXPECT_EQ(1, a->data()->resource_count());
    EXPECT_EQ(1, m_mgr->data_created);
    EXPECT_EQ(7, m_mgr->last_prm);
    EXPECT_EQ(7, a->m_prm) << "the first load's parameter reaches create_resource";
    EXPECT_EQ(a->parent(), m_mgr) << "entries are children of their manager";
    EXPECT_EQ(a->data()->parent(), m_mgr);

    release(a);
    EXPECT_TRUE(a->alive());
    EXPECT_EQ(1, a->ref_count());
    EXPECT_EQ("", m_log.joined());

    data_entity_c *data = a->data();
    release(a);
    // Both are shut down at once, but stay in memory until the end of the tick.
    EXPECT_FALSE(a->alive());
    EXPECT_FALSE(data->alive());
    EXPECT_EQ(0, data->resource_count());
    EXPECT_EQ("down-data:chair down-res:chair", m_log.joined());
    EXPECT_EQ(2, child_count(m_mgr));

    end_of_tick();
    EXPECT_EQ(0, child_count(m_mgr));
    EXPECT_EQ("down-data:chair down-res:chair ~res:chair ~data:chair", m_log.joined());
}

TEST_F(sharing_fixture, names_are_shared_without_regard_to_ascii_case)
{
    struct
    {
        const char *first, *second;
        bool shared;
    } cases[] = {
        {"models/Chair", "MODELS/chair", true},
        {"a", "A", true},
        {"chair", "chairs", false},
        {"chairs", "chair", false},
        {"", "x", false},
        // Only ASCII letters fold: cp1251 capital and small A stay two names.
        {"\xC0", "\xE0", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.first) + " / " + c.second);
        test_resource_c *a = load(c.first);
        test_resource_c *b = load(c.second);
        EXPECT_EQ(c.shared, a == b);
        EXPECT_STREQ(c.first, a->data()->name()) << "the data keeps the name as first asked";
        release(a);
        release(b);
        end_of_tick();
        EXPECT_EQ(0, child_count(m_mgr));
    }
}

TEST_F(sharing_fixture, the_oldest_matching_data_entry_wins)
{
    test_data_c *older = new test_data_c(m_mgr, "Lamp");
    test_data_c *newer = new test_data_c(m_mgr, "LAMP");
    test_resource_c *res = load("lamp");
    EXPECT_EQ(older, res->data());
    EXPECT_EQ(0, newer->resource_count());
    EXPECT_EQ(0, m_mgr->data_created);
}

TEST_F(sharing_fixture, unique_entries_share_one_data_entry)
{
    m_mgr->unique = 1;
    test_resource_c *a = load("player");
    test_resource_c *b = load("Player");
    ASSERT_NE(a, b);
    EXPECT_EQ(a->data(), b->data());
    EXPECT_EQ(2, a->data()->resource_count());
    EXPECT_EQ(1, a->ref_count());
    EXPECT_EQ(1, b->ref_count());

    data_entity_c *data = a->data();
    release(a);
    EXPECT_FALSE(a->alive());
    EXPECT_TRUE(data->alive());
    EXPECT_EQ(1, data->resource_count());
    release(b);
    EXPECT_FALSE(data->alive());
}

TEST_F(sharing_fixture, loading_after_everything_was_released_reads_the_data_again)
{
    release(load("floor"));
    end_of_tick();
    test_resource_c *again = load("floor");
    EXPECT_EQ(2, m_mgr->data_created);
    EXPECT_EQ(1, again->ref_count());
    EXPECT_EQ(1, again->data()->resource_count());

    // Also within the same tick: the dead entries can no longer be found.
    release(again);
    test_resource_c *third = load("floor");
    EXPECT_EQ(3, m_mgr->data_created);
    EXPECT_TRUE(third->alive());
}

TEST_F(sharing_fixture, a_throwing_create_data_leaves_the_manager_as_it_was_and_a_retry_works)
{
    m_mgr->throw_in_create_data = true;
    EXPECT_EQ("Test data 'rock' not found", thrown([&] { load("rock"); }));
    EXPECT_EQ(0, child_count(m_mgr));

    m_mgr->throw_in_create_data = false;
    test_resource_c *res = load("rock");
    ASSERT_NE(nullptr, res);
    EXPECT_EQ(1, res->ref_count());
    EXPECT_EQ(1, res->data()->resource_count());
}

TEST_F(sharing_fixture, a_throwing_resource_constructor_leaves_no_count_and_no_entry_behind)
{
    m_mgr->throw_in_resource_constructor = true;
    EXPECT_EQ("resource construction failed", thrown([&] { load("rock"); }));
    // The data entry stays, found again by the next load; the failed resource is gone.
    ASSERT_EQ(1, child_count(m_mgr));
    data_entity_c *data = dynamic_cast<data_entity_c *>(m_mgr->first_child());
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(0, data->resource_count());
    EXPECT_TRUE(data->alive());

    // A second failure does not count either; then a retry builds on the same data entry.
    EXPECT_EQ("resource construction failed", thrown([&] { load("ROCK"); }));
    EXPECT_EQ(0, data->resource_count());
    m_mgr->throw_in_resource_constructor = false;
    test_resource_c *res = load("rock");
    EXPECT_EQ(data, res->data());
    EXPECT_EQ(1, data->resource_count());
    EXPECT_EQ(1, m_mgr->data_created);
    EXPECT_EQ(2, child_count(m_mgr));

    // And the count still reaches zero on release, shutting the data entry down.
    release(res);
    EXPECT_FALSE(data->alive());
}

TEST_F(sharing_fixture, shutting_the_manager_down_with_live_resources_frees_everything)
{
    m_mgr->unique = 1;
    load("a");
    load("a");
    m_mgr->unique = 0;
    test_resource_c *shared = load("b");
    load("b");
    release(shared); // one reference of two given back
    EXPECT_EQ(5, child_count(m_mgr)); // two data entries, three resource entries

    m_mgr->shutdown_tree();
    for (const char *hook : {"down-res:a", "down-data:a", "down-res:b", "down-data:b"})
        EXPECT_NE(std::string::npos, m_log.joined().find(hook)) << hook;
    m_root->collect_dead_children(); // deletes the manager with its entries
    for (const char *gone : {"~res:a", "~data:a", "~res:b", "~data:b"})
        EXPECT_NE(std::string::npos, m_log.joined().find(gone)) << gone;
    EXPECT_EQ(nullptr, m_root->first_child());
}

TEST_F(sharing_fixture, assertions_guard_managers_that_answer_the_find_without_an_entry)
{
    // An entry that claims the find but writes nothing.
    class liar_c : public abstract_c
    {
    public:
        using abstract_c::abstract_c;
        int handle_message(const msg_c *message, abstract_c *) override
        {
            return *message == MSG_VAR(mgr_find_data) || *message == MSG_VAR(mgr_find_resource);
        }
    };
    new liar_c(m_mgr);
    EXPECT_EQ("Debug assertion failed! Expression: \"data_ent\"", thrown([&] { load("x"); }));
}

TEST_F(sharing_fixture, managers_are_found_through_the_root)
{
    EXPECT_EQ(m_mgr, find_manager(m_root, "get_test_mgr"));
    EXPECT_EQ("Debug assertion failed! Expression: \"root()->message(MSG_VAR(get_nothing_mgr), 0, for_who, "
              "MSG_ARG((void *)&ptr), MSG_ARGS_END)\"",
              thrown([&] { find_manager(m_root, "get_nothing_mgr"); }));

    new null_answer_c(m_root);
    EXPECT_EQ("Debug assertion failed! Expression: \"ptr\"", thrown([&] { find_manager(m_root, "get_null_mgr"); }));
}

} // namespace
