#include <gtest/gtest.h>

#include <memory>

#include "test_node.h"

namespace {

// A root R with children created in the order A, B, D.
struct tree_fixture : ::testing::Test
{
    journal_c journal;
    node_c *r = new node_c(nullptr, "R", &journal);
    node_c *a = new node_c(r, "A", &journal);
    node_c *b = new node_c(r, "B", &journal);
    node_c *d = new node_c(r, "D", &journal);

    void TearDown() override { delete r; }
};

TEST_F(tree_fixture, children_run_from_newest_to_oldest)
{
    EXPECT_EQ(abstract_c::root(), r);
    EXPECT_EQ(r->first_child(), d);
    EXPECT_EQ(r->last_child(), a);
    EXPECT_EQ(child_names(r), "D B A");
    EXPECT_EQ(child_names_backwards(r), "D B A");
    EXPECT_EQ(d->prev_sibling(), nullptr);
    EXPECT_EQ(a->next_sibling(), nullptr);
    EXPECT_EQ(a->parent(), r);
    EXPECT_TRUE(a->alive());
}

TEST_F(tree_fixture, shutdown_and_deletion_visit_first_to_last_deepest_first)
{
    new node_c(b, "B1", &journal);
    r->shutdown_tree();
    EXPECT_EQ(journal.joined(), "down:D down:B1 down:B down:A down:R");
    journal.entries.clear();
    delete r;
    r = nullptr;
    // Each destructor's own body runs before the base deletes the children.
    EXPECT_EQ(journal.joined(), "~R ~D ~B ~B1 ~A");
    EXPECT_EQ(thrown_message([] { abstract_c::root(); }), assertion_text("m_root"));
}

TEST_F(tree_fixture, shutdown_of_a_dead_object_does_nothing)
{
    b->shutdown_tree();
    b->shutdown_tree();
    r->shutdown_tree();
    EXPECT_EQ(journal.joined(), "down:B down:D down:A down:R");
}

TEST_F(tree_fixture, weak_pointer_reads_null_at_shutdown_and_the_object_waits_for_collection)
{
    object_pointer_c p(b);
    object_pointer_c copy(p);
    object_pointer_c other;
    other = copy;
    EXPECT_EQ(b->object_pointer_count(), 3);
    EXPECT_EQ(copy.get(), b);
    EXPECT_EQ(other->parent(), r);

    b->shutdown_tree();
    EXPECT_EQ(p.get(), nullptr);
    EXPECT_EQ(copy.get(), nullptr);
    EXPECT_EQ(other.get(), nullptr);
    EXPECT_EQ(b->object_pointer_count(), 0);
    EXPECT_EQ(thrown_message([&] { p->alive(); }), assertion_text("m_object"));
    EXPECT_EQ(child_names(r), "D B A");

    r->collect_dead_children();
    EXPECT_EQ(child_names(r), "D A");
    EXPECT_EQ(child_names_backwards(r), "D A");
    EXPECT_EQ(journal.joined(), "down:B ~B");
}

TEST_F(tree_fixture, pointers_unlink_in_any_order)
{
    auto p1 = std::make_unique<object_pointer_c>(a);
    auto p2 = std::make_unique<object_pointer_c>(a);
    auto p3 = std::make_unique<object_pointer_c>(*p2);
    p2.reset();
    EXPECT_EQ(a->object_pointer_count(), 2);
    *p3 = d;
    EXPECT_EQ(a->object_pointer_count(), 1);
    EXPECT_EQ(d->object_pointer_count(), 1);
    p1.reset();
    EXPECT_EQ(a->object_pointer_count(), 0);
    delete d;
    EXPECT_EQ(p3->get(), nullptr);
    EXPECT_EQ(child_names(r), "B A");
}

// Copies made while an exception unwinds are ordinary links to the object.
TEST_F(tree_fixture, pointer_copies_survive_unwinding)
{
    auto throw_with_copies = [&](object_pointer_c p) {
        std::vector<object_pointer_c> copies(3, p);
        EXPECT_EQ(a->object_pointer_count(), 5);
        throw 1;
    };
    object_pointer_c p(a);
    EXPECT_THROW(throw_with_copies(p), int);
    EXPECT_EQ(a->object_pointer_count(), 1);
}

TEST_F(tree_fixture, deleting_a_parent_deletes_dead_and_alive_children)
{
    new node_c(b, "B1", &journal);
    node_c *b2 = new node_c(b, "B2", &journal);
    b2->shutdown_tree();
    journal.entries.clear();
    delete b;
    EXPECT_EQ(journal.joined(), "~B ~B2 ~B1");
    EXPECT_EQ(child_names(r), "D A");
}

TEST_F(tree_fixture, collection_goes_below_alive_children)
{
    node_c *b1 = new node_c(b, "B1", &journal);
    new node_c(b1, "B11", &journal);
    new node_c(b, "B2", &journal);
    b1->shutdown_tree();
    journal.entries.clear();
    r->collect_dead_children();
    EXPECT_EQ(journal.joined(), "~B11 ~B1");
    EXPECT_EQ(child_names(b), "B2");
}

TEST_F(tree_fixture, a_collection_finds_every_death_below_it_whatever_was_collected_before)
{
    node_c *a1 = new node_c(a, "A1", &journal);
    node_c *b1 = new node_c(b, "B1", &journal);
    node_c *b11 = new node_c(b1, "B11", &journal);
    a1->shutdown_tree();
    b11->shutdown_tree();
    journal.entries.clear();
    b1->collect_dead_children();
    EXPECT_EQ(journal.joined(), "~B11");
    b->collect_dead_children();
    d->collect_dead_children();
    EXPECT_EQ(journal.joined(), "~B11");
    r->collect_dead_children();
    EXPECT_EQ(journal.joined(), "~B11 ~A1");

    // A death after a collection is found by the next one.
    b1->shutdown_tree();
    r->collect_dead_children();
    EXPECT_EQ(journal.joined(), "~B11 ~A1 down:B1 ~B1");
    EXPECT_EQ(child_names(r), "D B A");
    EXPECT_EQ(b->first_child(), nullptr);
}

TEST_F(tree_fixture, second_root_is_refused)
{
    EXPECT_EQ(thrown_message([&] { node_c extra(nullptr, "X", &journal); }), "The root object must be unique");
    EXPECT_EQ(abstract_c::root(), r);
    EXPECT_EQ(child_names(r), "D B A");
}

TEST(object_tree, no_root_before_the_first_parentless_object)
{
    EXPECT_EQ(thrown_message([] { abstract_c::root(); }), assertion_text("m_root"));
    {
        abstract_c root(nullptr);
        EXPECT_EQ(abstract_c::root(), &root);
    }
    EXPECT_EQ(thrown_message([] { abstract_c::root(); }), assertion_text("m_root"));
}

TEST(object_tree, sort_children_by_priority)
{
    // Priorities of the children from the first to the last, before and after sorting.
    struct sort_case
    {
        std::vector<int> before, after;
    } cases[] = {
        {{5, 1, 3}, {1, 3, 5}},
        {{}, {}},
        {{7}, {7}},
        {{2, 1}, {1, 2}},
        {{1, 2}, {1, 2}},
        {{3, 3, 1, 3}, {1, 3, 3, 3}},
        {{9, 8, 7, 6, 5, 4}, {4, 5, 6, 7, 8, 9}},
        {{-1, 4, 0, 4, -7, 2, 2}, {-7, -1, 0, 2, 2, 4, 4}},
    };
    for (const sort_case &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.before));
        journal_c journal;
        node_c root(nullptr, "R", nullptr);
        // Children are linked in front, so create them from the last to the first.
        for (size_t i = c.before.size(); i-- > 0;)
            (new node_c(&root, std::to_string(i), nullptr))->m_priority = c.before[i];
        root.sort_children_by_priority();
        std::vector<int> after;
        for (abstract_c *k = root.first_child(); k; k = k->next_sibling())
            after.push_back(k->get_priority());
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(child_names(&root), child_names_backwards(&root));
        if (root.first_child()) {
            EXPECT_EQ(root.first_child()->prev_sibling(), nullptr);
            EXPECT_EQ(root.last_child()->next_sibling(), nullptr);
        }
    }
}

TEST(object_tree, equal_priorities_end_in_the_exchange_order)
{
    // The sort exchanges a whole node with the one at the scanned position, so equal priorities
    // need not keep their order; the user-interface code relies on exactly this order.
    struct order_case
    {
        const char *names;
        std::vector<int> priorities;
        const char *sorted;
    } cases[] = {
        {"ABC", {1, 1, 1}, "A B C"},
        {"ABC", {2, 1, 1}, "C B A"},
        {"ABC", {1, 1, 0}, "C A B"},
        {"abcdef", {3, 1, 2, 1, 3, 2}, "d b f c a e"},
        {"abcdef", {1, 0, 1, 0, 1, 0}, "d b f a c e"},
    };
    for (const order_case &c : cases) {
        SCOPED_TRACE(c.names);
        node_c root(nullptr, "R", nullptr);
        for (size_t i = c.priorities.size(); i-- > 0;)
            (new node_c(&root, std::string(1, c.names[i]), nullptr))->m_priority = c.priorities[i];
        root.sort_children_by_priority();
        EXPECT_EQ(child_names(&root), c.sorted);
        EXPECT_EQ(child_names_backwards(&root), c.sorted);
    }
}

// A class that keeps state in an attribute record of its own: the record dies before the
// base destructor frees the list.
class stateful_c : public abstract_c
{
public:
    stateful_c(abstract_c *parent, const attribute_list_c *attributes) : abstract_c(parent, attributes)
    {
        add_attribute(&m_state, m_attributes, "state", value_c(7), 1);
        find_or_add_attribute(m_attributes, "speed", value_c(1.5f));
    }
    attribute_c m_state;
};

TEST(object_tree, attributes_of_an_object)
{
    attribute_list_c script;
    add_attribute(nullptr, script, "speed", value_c(4.0f), 0);
    add_attribute(nullptr, script, "name", value_c("door", value_c::STRING), 0);
    abstract_c root(nullptr);
    auto *s = new stateful_c(&root, &script);
    free_attributes(script);

    EXPECT_EQ(s->attribute("state")->get_int(), 7);
    EXPECT_EQ(s->attribute("speed")->get_float(), 4.0f);
    EXPECT_STREQ(s->find_attribute("name")->get_const_pchar(), "door");
    EXPECT_EQ(s->find_attribute("missing"), nullptr);
    EXPECT_EQ(thrown_message([&] { s->attribute("missing"); }), "Could not find required attribute 'missing'");

    attribute_list_c with_state;
    add_attribute(nullptr, with_state, "state", value_c(1), 0);
    EXPECT_EQ(thrown_message([&] { stateful_c bad(&root, &with_state); }), "Duplicate attribute name 'state'");

    s->shutdown_tree();
    EXPECT_EQ(thrown_message([&] { s->find_attribute("speed"); }), assertion_text("alive()"));
    EXPECT_EQ(thrown_message([&] { s->attribute("speed"); }), assertion_text("alive()"));
    root.collect_dead_children();
    EXPECT_EQ(root.first_child(), nullptr);
}

} // namespace
