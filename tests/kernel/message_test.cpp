#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "test_node.h"

namespace {

TEST(message, identifiers_are_crc32_of_the_name)
{
    struct
    {
        const char *name;
        uint32_t id;
    } cases[] = {
        {"123456789", 0xCBF43926u},
        {"tick", 0x16AF98CCu},
        {"abc", 0x352441C2u},
        {"", 0u},
    };
    for (const auto &c : cases)
        EXPECT_EQ(string_to_id(c.name), c.id) << c.name;
    EXPECT_EQ(MSG_VAR(tick).id(), 0x16AF98CCu);
    EXPECT_EQ(MSG_MK(tick), msg_c("tick"));
    EXPECT_NE(msg_c("Tick").id(), msg_c("tick").id());
    // Identifier bytes above 0x7F count as unsigned.
    EXPECT_EQ(string_to_id("\xFF"), 0xFF000000u);
    // The same when the program is compiled, high bytes included.
    static_assert(string_to_id("tick") == 0x16AF98CCu && string_to_id("\xFF") == 0xFF000000u);
}

// R with children created A, B, D; A has a child A1.
struct delivery_fixture : ::testing::Test
{
    journal_c journal;
    node_c *r = new node_c(nullptr, "R", &journal);
    node_c *a = new node_c(r, "A", &journal);
    node_c *a1 = new node_c(a, "A1", &journal);
    node_c *b = new node_c(r, "B", &journal);
    node_c *d = new node_c(r, "D", &journal);

    void TearDown() override { delete r; }

    int send(abstract_c *to, int flags, abstract_c *sender)
    {
        return to->message(MSG_VAR(probe), flags, sender, MSG_ARGS_END);
    }
};

TEST_F(delivery_fixture, orders_by_flags)
{
    struct
    {
        int flags;
        node_c *delivery_fixture::*target;
        node_c *delivery_fixture::*sender;
        const char *order;
    } cases[] = {
        {0, &delivery_fixture::r, nullptr, "R A A1 B D"},
        {1, &delivery_fixture::r, nullptr, "R"},
        {3, &delivery_fixture::a1, nullptr, "A1 A R"},
        {4, &delivery_fixture::r, nullptr, "R D B A A1"},
        {8, &delivery_fixture::r, nullptr, "A1 A B D R"},
        {0x10, &delivery_fixture::r, &delivery_fixture::r, "A A1 B D"},
        {0x10, &delivery_fixture::r, &delivery_fixture::a, "R A1 B D"},
        {0x1c, &delivery_fixture::r, &delivery_fixture::b, "D A1 A R"},
        {0x13, &delivery_fixture::a1, &delivery_fixture::a, "A1 R"},
    };
    for (const auto &c : cases) {
        journal.entries.clear();
        abstract_c *sender = c.sender ? this->*c.sender : nullptr;
        EXPECT_EQ(send(this->*c.target, c.flags, sender), 0);
        EXPECT_EQ(journal.joined(), c.order) << "flags " << c.flags;
    }
}

TEST_F(delivery_fixture, a_claim_ends_the_delivery)
{
    b->m_handler = [](node_c *, const msg_c *message, abstract_c *) { return *message == MSG_VAR(probe) ? 5 : 0; };
    EXPECT_EQ(send(r, 0, nullptr), 1);
    EXPECT_EQ(journal.joined(), "R A A1 B");
    journal.entries.clear();
    EXPECT_EQ(r->message(MSG_VAR(other), 0, nullptr, MSG_ARGS_END), 0);
    EXPECT_EQ(journal.joined(), "R A A1 B D");
}

TEST_F(delivery_fixture, dead_objects_and_their_subtrees_see_nothing)
{
    a->shutdown_tree();
    journal.entries.clear();
    EXPECT_EQ(send(r, 0, nullptr), 0);
    EXPECT_EQ(journal.joined(), "R B D");

    // A child made under a dead parent is alive, but its climb stops at the parent.
    node_c *late = new node_c(a, "late", &journal);
    journal.entries.clear();
    EXPECT_EQ(send(late, 3, nullptr), 0);
    EXPECT_EQ(journal.joined(), "late");
    EXPECT_EQ(send(a, 0, nullptr), 0);
}

TEST_F(delivery_fixture, a_child_created_during_a_walk)
{
    // B's handler makes a new child N of R. It is linked in front of the first child, so a walk
    // from the oldest child onwards reaches it; a walk from the newest has passed that end.
    struct
    {
        int flags;
        const char *order;
    } cases[] = {
        {0, "R A A1 B D N"},
        {8, "A1 A B D N R"},
        {4, "R D B A A1"},
    };
    for (const auto &c : cases) {
        node_c *made = nullptr;
        b->m_handler = [&](node_c *, const msg_c *, abstract_c *) {
            if (!made)
                made = new node_c(r, "N", &journal);
            return 0;
        };
        journal.entries.clear();
        EXPECT_EQ(send(r, c.flags, nullptr), 0);
        EXPECT_EQ(journal.joined(), c.order) << "flags " << c.flags;
        delete made;
    }
}

TEST_F(delivery_fixture, children_refused_by_pass_to_children)
{
    class closed_c : public node_c
    {
    public:
        using node_c::node_c;
        int pass_to_children(const msg_c *) override { return 0; }
    };
    auto *c = new closed_c(r, "C", &journal);
    new node_c(c, "C1", &journal);
    EXPECT_EQ(send(r, 0, nullptr), 0);
    EXPECT_EQ(journal.joined(), "R A A1 B D C");
}

TEST_F(delivery_fixture, a_broadcast_sees_the_tree_as_its_handlers_leave_it)
{
    // Objects made during the walk are reached where they are linked; an object killed before
    // its turn is not.
    a->m_handler = [this](node_c *, const msg_c *, abstract_c *) {
        new node_c(r, "X", &journal);
        return 0;
    };
    b->m_handler = [this](node_c *self, const msg_c *, abstract_c *) {
        d->shutdown_tree();
        new node_c(self, "B1", &journal);
        return 0;
    };
    EXPECT_EQ(send(r, 0, nullptr), 0);
    EXPECT_EQ(journal.joined(), "R A A1 B down:D B1 X");
}

namespace {

// 40 objects below `below`, each the only child of the one before, named c0 to c39.
std::vector<node_c *> make_chain(abstract_c *below, journal_c *journal)
{
    std::vector<node_c *> chain;
    for (int i = 0; i < 40; ++i) {
        chain.push_back(new node_c(below, "c" + std::to_string(i), journal));
        below = chain.back();
    }
    return chain;
}

} // namespace

TEST(message_walk, a_broadcast_goes_down_deep_trees_and_back_up)
{
    journal_c journal;
    node_c *root = new node_c(nullptr, "R", &journal);
    const std::vector<node_c *> chain = make_chain(root, &journal);
    new node_c(chain[34], "s35", &journal);  // newer than c35: after its subtree
    new node_c(chain[2], "s3", &journal);
    new node_c(root, "tail", &journal);
    std::string expected = "R";
    for (int i = 0; i < 40; ++i)
        expected += " c" + std::to_string(i);
    expected += " s35 s3 tail";
    EXPECT_EQ(root->message(MSG_VAR(probe), 0, nullptr, MSG_ARGS_END), 0);
    EXPECT_EQ(journal.joined(), expected);

    // A claim deep down ends the walk there.
    journal.entries.clear();
    chain[37]->m_handler = [](node_c *, const msg_c *, abstract_c *) { return 1; };
    EXPECT_EQ(chain[1]->message(MSG_VAR(probe), 0, nullptr, MSG_ARGS_END), 1);
    EXPECT_EQ(journal.entries.size(), 37u);
    EXPECT_EQ(journal.entries.back(), "c37");
    delete root;
}

// The root's broadcasts over an unchanged tree go through a kept order of the walk: from the
// third on they must still see the tree as the handlers leave it, dead objects, refusals,
// claims and changes of links deep down included.
TEST(message_walk, repeated_broadcasts_from_the_root_see_changes_made_on_the_way)
{
    journal_c journal;
    node_c *root = new node_c(nullptr, "R", &journal);
    const std::vector<node_c *> chain = make_chain(root, &journal);
    new node_c(chain[2], "s3", &journal);
    node_c *tail = new node_c(root, "tail", &journal);
    new node_c(tail, "t1", &journal);
    std::string plain = "R";
    for (int i = 0; i < 40; ++i)
        plain += " c" + std::to_string(i);
    plain += " s3 tail t1";
    auto send = [&] {
        journal.entries.clear();
        EXPECT_EQ(root->message(MSG_VAR(probe), 0, nullptr, MSG_ARGS_END), 0);
        return journal.joined();
    };
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(send(), plain) << i;

    // Made 37 levels down, beyond the parents a walk keeps at hand, under c1: reached after
    // c1's older child's subtree.
    bool made = false;
    chain[37]->m_handler = [&](node_c *, const msg_c *, abstract_c *) {
        if (!made)
            new node_c(chain[1], "n", &journal);
        made = true;
        return 0;
    };
    const std::string with_n = plain.substr(0, plain.find(" tail")) + " n tail t1";
    EXPECT_EQ(send(), with_n);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(send(), with_n) << i;

    // Killed before its turn, refused by its parent, or after a claim: not reached.
    chain[37]->m_handler = [&](node_c *, const msg_c *, abstract_c *) {
        tail->shutdown_tree();
        return 0;
    };
    const std::string killed = with_n.substr(0, with_n.find(" c38")) + " down:t1 down:tail c38 c39 s3 n";
    EXPECT_EQ(send(), killed);
    chain[37]->m_handler = nullptr;
    root->collect_dead_children();
    send();

    // A handler that changes the tree and then sends broadcasts of its own from the root, which
    // put the new tree in order while the walk it runs in is still going.
    bool grown = false;
    chain[20]->m_handler = [&](node_c *self, const msg_c *message, abstract_c *) {
        if (grown || *message != MSG_VAR(probe))
            return 0;
        grown = true;
        for (int i = 0; i < 300; ++i)
            new node_c(self, "g", &journal);
        for (int i = 0; i < 3; ++i)
            root->message(MSG_VAR(other), 0, nullptr, MSG_ARGS_END);
        return 0;
    };
    const std::string grown_order = send();
    EXPECT_EQ(std::count(journal.entries.begin(), journal.entries.end(), "g"), 300 * 4);
    EXPECT_EQ(grown_order.substr(grown_order.size() - 9), " g g s3 n") << "the outer walk went on by the links";
    chain[20]->m_handler = nullptr;
    chain[5]->m_handler = [](node_c *, const msg_c *, abstract_c *) { return 1; };
    journal.entries.clear();
    EXPECT_EQ(root->message(MSG_VAR(probe), 0, nullptr, MSG_ARGS_END), 1);
    EXPECT_EQ(journal.joined(), "R c0 c1 c2 c3 c4 c5");
    delete root;
}

// The last object of a kept order grows a child of its own: the walk goes on by the links past
// the order's end into it, and the next broadcasts see the grown tree.
TEST(message_walk, the_last_object_of_a_kept_order_changes_the_links)
{
    journal_c journal;
    node_c *root = new node_c(nullptr, "R", &journal);
    new node_c(root, "x", &journal);
    node_c *y = new node_c(root, "y", &journal);
    auto send = [&] {
        journal.entries.clear();
        EXPECT_EQ(root->message(MSG_VAR(probe), 0, nullptr, MSG_ARGS_END), 0);
        return journal.joined();
    };
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(send(), "R x y") << i;
    int grown = 0;
    y->m_handler = [&](node_c *self, const msg_c *, abstract_c *) {
        if (grown < 2)
            new node_c(self, "y" + std::to_string(++grown), &journal);
        return 0;
    };
    EXPECT_EQ(send(), "R x y y1");
    EXPECT_EQ(send(), "R x y y1 y2");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(send(), "R x y y1 y2") << i;
    delete root;
}

TEST_F(delivery_fixture, flag_2_needs_flag_1)
{
    EXPECT_EQ(thrown_message([&] { send(r, 2, nullptr); }), "Invalid message delivery flags");
    EXPECT_EQ(journal.joined(), "R");
    // A leaf without children still reaches the parent step.
    EXPECT_EQ(thrown_message([&] { send(d, 2, nullptr); }), "Invalid message delivery flags");
    // Claimed by the target's own handler before any test of the flags.
    r->m_handler = [](node_c *, const msg_c *, abstract_c *) { return 1; };
    EXPECT_EQ(send(r, 2, nullptr), 1);
    EXPECT_EQ(msg_stack_used(), 0);
}

TEST_F(delivery_fixture, handler_after_children_is_skipped_when_a_child_kills_the_object)
{
    a1->m_handler = [this](node_c *, const msg_c *, abstract_c *) {
        a->shutdown_tree();
        return 0;
    };
    journal.entries.clear();
    EXPECT_EQ(send(a, 8, nullptr), 0);
    EXPECT_EQ(journal.joined(), "A1 down:A1 down:A");
    EXPECT_FALSE(a->alive());
}

TEST_F(delivery_fixture, arguments_and_nested_sends)
{
    std::vector<std::string> seen;
    a->m_handler = [&](node_c *self, const msg_c *message, abstract_c *) {
        if (!(*message == MSG_VAR(outer)))
            return 0;
        seen.push_back(std::to_string(msg_stack_used()));
        seen.push_back(std::to_string((int)msg_arg(0)));
        int inner_answer =
            d->message(MSG_VAR(inner), 1, self, MSG_ARG(2.5f), MSG_ARG("x"), MSG_ARG(nullptr), MSG_ARGS_END);
        seen.push_back(std::to_string(inner_answer));
        seen.push_back(std::to_string(msg_stack_used()));
        seen.push_back(std::to_string(msg_arg(0)->get_int()));
        seen.push_back(msg_arg(1)->get_const_pchar());
        return 1;
    };
    d->m_handler = [&](node_c *, const msg_c *, abstract_c *) {
        seen.push_back(std::to_string(msg_stack_used()));
        seen.push_back(std::to_string(msg_arg(0)->get_float()));
        seen.push_back(std::string((const char *)msg_arg(1)));
        seen.push_back(msg_arg(2)->get_ptr() ? "ptr" : "null");
        return 1;
    };
    EXPECT_EQ(msg_stack_used(), 0);
    EXPECT_EQ(a->message(MSG_VAR(outer), 1, nullptr, MSG_ARG(42), MSG_ARG("outer text"), MSG_ARGS_END), 1);
    EXPECT_EQ(msg_stack_used(), 0);
    std::vector<std::string> expected = {"3", "42", "7", "2.500000", "x", "null", "1", "3", "42", "outer text"};
    EXPECT_EQ(seen, expected);
}

TEST_F(delivery_fixture, argument_checks)
{
    EXPECT_EQ(thrown_message([] { msg_arg(0); }), assertion_text("msg_args_ptr > 0"));
    std::vector<std::string> seen;
    r->m_handler = [&](node_c *, const msg_c *, abstract_c *) {
        seen.push_back(thrown_message([] { msg_arg(0); }));
        seen.push_back(thrown_message([] { msg_arg(-1); }));
        return 1;
    };
    send(r, 0, nullptr);
    EXPECT_EQ(seen, std::vector<std::string>(2, assertion_text("index < args_count")));

    seen.clear();
    r->m_handler = [&](node_c *, const msg_c *, abstract_c *) {
        seen.push_back(thrown_message([] { msg_arg(1); }));
        seen.push_back(thrown_message([] { msg_arg(0); }));
        seen.push_back(thrown_message([] { msg_arg(0)->get_float(); }));
        return 1;
    };
    const value_c *null_args[] = {nullptr};
    r->message_array(MSG_VAR(probe), 0, nullptr, null_args, 1);
    EXPECT_EQ(seen, (std::vector<std::string>{assertion_text("index < args_count"), assertion_text("pv"),
                                              assertion_text("pv")}));

    seen.clear();
    std::vector<value_c> values(256, value_c(1));
    std::vector<const value_c *> many;
    for (const value_c &v : values)
        many.push_back(&v);
    r->m_handler = [&](node_c *, const msg_c *, abstract_c *) {
        seen.push_back(thrown_message([] { msg_arg(0); }));
        return 1;
    };
    r->message_array(MSG_VAR(probe), 0, nullptr, many.data(), 256);
    r->message_array(MSG_VAR(probe), 0, nullptr, many.data(), 255);
    EXPECT_EQ(seen, (std::vector<std::string>{assertion_text("args_count < 256"), ""}));
}

TEST_F(delivery_fixture, exceptions_restore_the_argument_stack)
{
    int outer_after_catch = -1;
    int depth_after_catch = -1;
    a->m_handler = [&](node_c *self, const msg_c *message, abstract_c *) {
        if (*message == MSG_VAR(outer)) {
            try {
                b->message(MSG_VAR(inner), 1, self, MSG_ARG(1), MSG_ARG(2), MSG_ARGS_END);
            } catch (const exception_c &) {
                depth_after_catch = msg_stack_used();
                outer_after_catch = msg_arg(0)->get_int();
            }
            ENGINE_THROW(exception_c, "from the outer handler");
        }
        return 0;
    };
    b->m_handler = [&](node_c *, const msg_c *, abstract_c *) -> int {
        d->message(MSG_VAR(innermost), 1, nullptr, MSG_ARG(9), MSG_ARGS_END);
        ENGINE_THROW(exception_c, "from the inner handler");
    };
    d->m_handler = [&](node_c *, const msg_c *, abstract_c *) -> int { ENGINE_THROW(exception_c, "deepest"); };

    EXPECT_EQ(thrown_message([&] { a->message(MSG_VAR(outer), 1, nullptr, MSG_ARG(11), MSG_ARGS_END); }),
              "from the outer handler");
    EXPECT_EQ(depth_after_catch, 2);
    EXPECT_EQ(outer_after_catch, 11);
    EXPECT_EQ(msg_stack_used(), 0);
}

TEST_F(delivery_fixture, stack_overflow)
{
    std::vector<value_c> values(MSG_STACK_SLOTS, value_c(3));
    std::vector<const value_c *> args;
    for (const value_c &v : values)
        args.push_back(&v);

    // 4095 arguments and their count fill the stack exactly; one more does not fit.
    journal.entries.clear();
    EXPECT_EQ(r->message_array(MSG_VAR(probe), 1, nullptr, args.data(), MSG_STACK_SLOTS - 1), 0);
    EXPECT_EQ(thrown_message([&] { r->message_array(MSG_VAR(probe), 1, nullptr, args.data(), MSG_STACK_SLOTS); }),
              "Message stack overflow");
    EXPECT_EQ(journal.joined(), "R");
    EXPECT_EQ(msg_stack_used(), 0);

    // Nested: the outer frame takes 4001 slots, 95 are left.
    std::vector<std::string> seen;
    r->m_handler = [&](node_c *self, const msg_c *message, abstract_c *) {
        if (!(*message == MSG_VAR(outer)))
            return 1;
        seen.push_back(std::to_string(d->message_array(MSG_VAR(inner), 1, self, args.data(), 94)));
        seen.push_back(thrown_message([&] { d->message_array(MSG_VAR(inner), 1, self, args.data(), 95); }));
        seen.push_back(std::to_string(msg_stack_used()));
        return 1;
    };
    journal.entries.clear();
    r->message_array(MSG_VAR(outer), 1, nullptr, args.data(), 4000);
    EXPECT_EQ(seen, (std::vector<std::string>{"0", "Message stack overflow", "4001"}));
    EXPECT_EQ(journal.joined(), "R D");

    // A full stack has no room even for the count of a send without arguments.
    seen.clear();
    r->m_handler = [&](node_c *self, const msg_c *, abstract_c *) {
        seen.push_back(thrown_message([&] { d->message(MSG_VAR(inner), 1, self, MSG_ARGS_END); }));
        seen.push_back(std::to_string(msg_stack_used()));
        return 1;
    };
    journal.entries.clear();
    r->message_array(MSG_VAR(outer), 1, nullptr, args.data(), MSG_STACK_SLOTS - 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"Message stack overflow", "4096"}));
    EXPECT_EQ(journal.joined(), "R");
    EXPECT_EQ(msg_stack_used(), 0);
}

} // namespace
