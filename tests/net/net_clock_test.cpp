// One-shot timers over the common time, ticked by the test.
#include "kernel/exception.h"
#include "kernel/root.h"
#include "net/net_clock.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
// Counts send_next_ping; claims it, as the network manager does.
class ping_counter_c : public abstract_c
{
public:
    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(send_next_ping)) {
            ++m_pings;
            return 1;
        }
        return 0;
    }
    int m_pings = 0;
};

class counting_clock_c : public net_clock_c
{
public:
    using net_clock_c::net_clock_c;
    void on_expire() override { ++m_expired; }
    int m_expired = 0;
};

struct tree_s
{
    std::unique_ptr<abstract_c> root{new abstract_c(nullptr)};
    ping_counter_c *owner = new ping_counter_c(root.get());
    clock_c *clock = new clock_c(root.get(), nullptr);

    void tick(float time)
    {
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(time), MSG_ARG(0.01f), MSG_ARGS_END);
        root->collect_dead_children();
    }
    int children(abstract_c *parent) const
    {
        int n = 0;
        for (abstract_c *c = parent->first_child(); c; c = c->next_sibling())
            ++n;
        return n;
    }
};
} // namespace

TEST(net_clock, fires_once_when_the_period_is_reached)
{
    tree_s t;
    struct case_s
    {
        double period;
        float ticks[3];
        int fired_after[3];
    } cases[] = {
        {0.5, {10.25f, 10.5f, 11.0f}, {0, 1, 1}}, // equality fires, a fired timer ignores later ticks
        {0.5, {10.75f, 10.75f, 20.0f}, {1, 1, 1}},
        {0.0, {10.0f, 11.0f, 100.0f}, {0, 0, 0}}, // period 0 never fires
        {-1.0, {9.0f, 11.0f, 100.0f}, {0, 0, 0}}, // nor does a negative one
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.period);
        t.tick(10.0f);
        counting_clock_c *timer = new counting_clock_c(t.owner, c.period);
        EXPECT_EQ(timer->start(), 10.0);
        for (int i = 0; i < 3; ++i) {
            t.root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(c.ticks[i]), MSG_ARG(0.01f), MSG_ARGS_END);
            EXPECT_EQ(timer->m_expired, c.fired_after[i]) << "tick " << i;
        }
        EXPECT_EQ(timer->period(), c.fired_after[2] ? -1.0 : c.period);
        // A plain timer stays in the tree, disarmed.
        EXPECT_TRUE(timer->alive());
        timer->shutdown_tree();
        t.root->collect_dead_children();
    }
}

TEST(net_clock, no_common_time_leaves_nothing)
{
    std::unique_ptr<abstract_c> root(new abstract_c(nullptr));
    abstract_c *owner = new abstract_c(root.get());
    std::string message;
    try {
        new net_clock_ext_c(owner, 0.5);
    } catch (const exception_c &e) {
        message = e.get_message();
        EXPECT_EQ(e.source_file(), "net/net_manager.cpp");
    }
    EXPECT_EQ(message, "Cannot obtain common time ! ! !");
    EXPECT_EQ(owner->first_child(), nullptr);
}

TEST(net_clock, ping_timer_sends_one_ping_and_goes)
{
    tree_s t;
    t.tick(3600.0f);
    new net_clock_ext_c(t.owner, 0.5);
    EXPECT_EQ(t.children(t.owner), 1);
    t.tick(3600.25f);
    EXPECT_EQ(t.owner->m_pings, 0);
    EXPECT_EQ(t.children(t.owner), 1);
    t.root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(3600.5f), MSG_ARG(0.25f), MSG_ARGS_END);
    EXPECT_EQ(t.owner->m_pings, 1);
    // Dead but still linked until the next collection.
    ASSERT_NE(t.owner->first_child(), nullptr);
    EXPECT_FALSE(t.owner->first_child()->alive());
    t.root->collect_dead_children();
    EXPECT_EQ(t.children(t.owner), 0);
    t.tick(3700.0f);
    EXPECT_EQ(t.owner->m_pings, 1);
}
