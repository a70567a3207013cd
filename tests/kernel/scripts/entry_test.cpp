#include "script_fixture.h"

#include "basics/vaultfile_obj.h"
#include "kernel/entry.h"
#include "kernel/exception.h"
#include "platform/sys/module.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <string>

namespace {

const char *const dashes = "---------------------------\n";

const char *const templates_isc = "template fast_root { int sleep_interval = 0; };\r\n";

} // namespace

TEST(command_line, split_into_words)
{
    struct
    {
        std::string text;
        std::vector<std::string> words;
    } cases[] = {
        {"", {"PROGRAM.EXE"}},
        {"-datadir  data\t\tx", {"PROGRAM.EXE", "-datadir", "data", "x"}},
        {"  lead trail  ", {"PROGRAM.EXE", "lead", "trail"}},
        {std::string(1023, 'w'), {"PROGRAM.EXE", std::string(1023, 'w')}},
        {std::string(1024, 'w'), {}},
    };
    for (const auto &c : cases) {
        split_command_line(c.text.c_str());
        ASSERT_EQ(command_line_count(), (int)c.words.size()) << c.text;
        for (size_t i = 0; i < c.words.size(); ++i)
            EXPECT_EQ(command_line_arg((int)i), c.words[i]);
    }
    std::string many;
    for (int i = 1; i <= 40; ++i)
        many += "w" + std::to_string(i) + " ";
    split_command_line(many.c_str());
    EXPECT_EQ(command_line_count(), COMMAND_LINE_MAX_ARGS) << "words past the table are dropped";
    EXPECT_STREQ(command_line_arg(31), "w31");
    EXPECT_EQ(command_line_arg(32), nullptr);
}

TEST(command_line, options)
{
    struct
    {
        const char *text;
        const char *value;
    } cases[] = {
        {"-datadir mydata", "mydata"}, {"x -datadir d -datadir e", "d"}, {"-datadir", nullptr},
        {"x -datadir", nullptr},       {"-datadir -other", nullptr},     {"-DataDir mydata", nullptr},
        {"datadir mydata", nullptr},
    };
    for (const auto &c : cases) {
        split_command_line(c.text);
        const char *value = find_command_line_option("datadir");
        EXPECT_STREQ(value ? value : "<null>", c.value ? c.value : "<null>") << c.text;
    }
    std::string huge = "-datadir mydata " + std::string(1100, 'x');
    split_command_line(huge.c_str());
    EXPECT_EQ(find_command_line_option("datadir"), nullptr);
}

TEST(command_line, time_text_has_asctime_form)
{
    EXPECT_TRUE(std::regex_match(get_current_time_text(),
                                 std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [ 1-3][0-9] "
                                            "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\n")));
}

class entry_test : public temp_dir_test
{
};

TEST_F(entry_test, runs_until_stop_and_shuts_down_in_order)
{
    write_data("scripts/templates.isc", templates_isc);
    write_data("scripts/init.isc", "create root : fast_root { } children : {\r\n"
                                   "  create clock { };\r\n"
                                   "  create test_recorder { string name = \"old\"; int construct_sleep = 30; } "
                                   "children : {\r\n"
                                   "    create test_recorder { string name = \"inner\"; };\r\n"
                                   "  };\r\n"
                                   "  create test_recorder { string name = \"new\"; int stop_after = 3; };\r\n"
                                   "};\r\n");
    EXPECT_EQ(engine_main(""), 0);

    std::string log = read_console_log();
    EXPECT_NE(log.find("\nEngine started: "), std::string::npos) << log;
    EXPECT_NE(log.find("Root entity created\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Application startup sequence initiated\n"), std::string::npos) << log;
    EXPECT_EQ(log.find(dashes), std::string::npos) << log;
    EXPECT_EQ(exception_text([] { abstract_c::root(); }), "Debug assertion failed! Expression: \"m_root\"")
        << "the root is deleted at the end";

    // Three passes, each tick seen by the three recorders; the loop ends after the pass in
    // which "new" set stop_main_loop.
    ASSERT_EQ(test_tick_times.size(), 9u);
    EXPECT_GE(test_tick_deltas[0], 0.03f) << "the first tick's dt spans the start-up scripts";
    EXPECT_GE(test_tick_times[0], test_tick_deltas[0] * 0.99f);
    EXPECT_GT(test_tick_times[8], test_tick_times[0]);

    std::vector<std::string> after_finish;
    for (const std::string &e : test_events)
        if (e.rfind("finished:", 0) != 0)
            after_finish.push_back(e);
    const std::string hinstance = "hinstance:" + std::to_string((int)(intptr_t)GetModuleHandle(nullptr));
    EXPECT_NE(hinstance, "hinstance:0");
    EXPECT_EQ(after_finish, (std::vector<std::string>{hinstance, hinstance, hinstance,
                                                      // app_shutdown: newest first
                                                      "app_shutdown:new", "app_shutdown:old", "app_shutdown:inner",
                                                      // shutdown hooks: children before parents
                                                      "shutdown:new", "shutdown:inner", "shutdown:old"}));
}

TEST_F(entry_test, data_directory_option)
{
    std::filesystem::create_directories(m_dir / "other/scripts");
    std::ofstream(m_dir / "other/scripts/templates.isc") << templates_isc;
    std::ofstream(m_dir / "other/scripts/init.isc")
        << "create root : fast_root { } children : { create test_recorder { int stop_after = 1; }; };";
    EXPECT_EQ(engine_main("-datadir other"), 0);
    EXPECT_EQ(std::string(data_directory()), "other");
    EXPECT_EQ(test_tick_times.size(), 1u);
}

TEST_F(entry_test, exception_from_a_tick_is_printed_and_the_tree_shut_down)
{
    write_data("scripts/templates.isc", templates_isc);
    write_data("scripts/init.isc", "create root : fast_root { } children : {\r\n"
                                   "  create test_recorder { string name = \"quiet\"; };\r\n"
                                   "  create test_recorder { string name = \"thrower\"; int throw_on_tick = 1; };\r\n"
                                   "};\r\n");
    EXPECT_NE(engine_main(""), 0);

    std::string log = read_console_log();
    std::string expected = std::string(dashes) + "Exception: tick handler failed\nSource file: tests/kernel/scripts/";
    size_t at = log.find(expected);
    ASSERT_NE(at, std::string::npos) << log;
    size_t end = log.find(std::string("\n") + dashes + "\n", at + expected.size());
    EXPECT_NE(end, std::string::npos) << log;
    EXPECT_EQ(end + 1 + std::string(dashes).size() + 1, log.size()) << "the dashed block ends the log";

    // No app_shutdown on this path; the hooks ran; the root is kept, dead and childless.
    for (const std::string &e : test_events)
        EXPECT_NE(e.rfind("app_shutdown:", 0), 0u) << e;
    EXPECT_NE(std::find(test_events.begin(), test_events.end(), "shutdown:thrower"), test_events.end());
    abstract_c *root = abstract_c::root();
    EXPECT_FALSE(root->alive());
    EXPECT_EQ(root->first_child(), nullptr);
    delete root;
}

TEST_F(entry_test, a_failing_shutdown_hook_after_an_exception_is_printed_too)
{
    write_data("scripts/templates.isc", templates_isc);
    write_data("scripts/init.isc", "create root : fast_root { } children : {\r\n"
                                   "  create test_recorder { int throw_on_tick = 1; int throw_on_shutdown = 1; };\r\n"
                                   "};\r\n");
    EXPECT_EQ(engine_main(""), 1);
    std::string log = read_console_log();
    size_t first = log.find(std::string(dashes) + "Exception: tick handler failed\n");
    size_t second = log.find(std::string(dashes) + "Exception: shutdown hook failed\n");
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_NE(second, std::string::npos) << log;
    EXPECT_LT(first, second);
    delete abstract_c::root();
}
