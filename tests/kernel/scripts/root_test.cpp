#include "script_fixture.h"

#include "kernel/exception.h"
#include "kernel/root.h"
#include "kernel/scripts.h"
#include "platform/sys/systime.h"

namespace {

// A root made as init.isc makes it, with the given attributes.
root_c *make_root(std::initializer_list<std::pair<const char *, int>> ints)
{
    attribute_list_c list;
    for (const auto &[name, value] : ints)
        add_attribute(nullptr, list, name, value_c(value), 0);
    return static_cast<root_c *>(create_object("root", nullptr, &list));
}

double seconds_of_ticks(abstract_c *root, int ticks)
{
    int64_t frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    for (int i = 0; i < ticks; ++i)
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(0.0f), MSG_ARG(0.0f), MSG_ARGS_END);
    QueryPerformanceCounter(&after);
    return double(after - before) / double(frequency);
}

} // namespace

TEST(root, attributes_and_refusals)
{
    register_test_classes();
    root_c *root = make_root({{"sleep_interval", 5}});
    EXPECT_EQ(abstract_c::root(), root);
    EXPECT_EQ(root->attribute("stop_main_loop")->get_int(), 0);
    EXPECT_EQ(root->attribute("app_active")->get_int(), 0);
    EXPECT_EQ(root->sleep_interval(), 5);
    root->attribute("sleep_interval")->set_int(100);
    EXPECT_EQ(root->sleep_interval(), 5) << "read once at construction";
    delete root;

    EXPECT_EQ(exception_text([] { make_root({}); }), "Could not find required attribute 'sleep_interval'");
    EXPECT_EQ(exception_text([] { make_root({{"sleep_interval", 0}, {"stop_main_loop", 1}}); }),
              "Duplicate attribute name 'stop_main_loop'");
    EXPECT_EQ(exception_text([] { make_root({{"app_active", 1}, {"sleep_interval", 0}}); }),
              "Duplicate attribute name 'app_active'");
    EXPECT_EQ(exception_text([] { abstract_c::root(); }), "Debug assertion failed! Expression: \"m_root\"")
        << "a refused root leaves no root behind";
}

TEST(root, sleeps_on_every_tick)
{
    register_test_classes();
    struct
    {
        int interval;
        double at_least, below;
    } cases[] = {{-1, 0.0, 0.4}, {0, 0.0, 0.4}, {100, 0.5, 5.0}};
    // Five ticks that sleep 100 ms each take half a second at least; without a sleep they take
    // far less even on a machine so loaded that every tick waits tens of milliseconds for a core.
    for (const auto &c : cases) {
        root_c *root = make_root({{"sleep_interval", c.interval}});
        double seconds = seconds_of_ticks(root, 5);
        EXPECT_GE(seconds, c.at_least) << c.interval;
        EXPECT_LT(seconds, c.below) << c.interval;
        delete root;
    }
}

TEST(clock, keeps_the_tick_time_and_answers_queries)
{
    register_test_classes();
    root_c *root = make_root({{"sleep_interval", -1}});
    abstract_c *group = create_object("abstract", root, nullptr);
    clock_c *clock = static_cast<clock_c *>(create_object("clock", group, nullptr));
    clock_c *second = static_cast<clock_c *>(create_object("clock", root, nullptr));
    EXPECT_EQ(clock->common_time(), 0.0);

    root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.5f), MSG_ARG(0.25f), MSG_ARGS_END);
    EXPECT_DOUBLE_EQ(clock->common_time(), 1.5);
    EXPECT_DOUBLE_EQ(second->common_time(), 1.5) << "tick is a broadcast: every clock gets it";

    second->message(MSG_VAR(tick), 1, nullptr, MSG_ARG(2.5f), MSG_ARG(1.0f), MSG_ARGS_END);
    double time = -1;
    // The first clock the delivery reaches (the oldest child's subtree first) answers.
    EXPECT_EQ(root->message(MSG_VAR(get_common_time), 0, nullptr, MSG_ARG((void *)&time), MSG_ARGS_END), 1);
    EXPECT_DOUBLE_EQ(time, 1.5);
    delete root;
}
