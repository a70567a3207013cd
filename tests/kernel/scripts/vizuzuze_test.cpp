// The program itself, run on data directories whose init.isc is broken: each run must end by
// itself with the exception printed between the dashed lines of console.log.
#include "script_fixture.h"

#include <cstdlib>
#include <sys/wait.h>
#include <string>

namespace {

class vizuzuze_test : public temp_dir_test
{
};

} // namespace

TEST_F(vizuzuze_test, broken_init_scripts_end_the_program)
{
    const std::string program = VIZUZUZE_PROGRAM;
    struct
    {
        const char *init;
        const char *message;
    } cases[] = {
        {"create root : fast_root { } children : { create no_such_class { }; };",
         "Could not find creator function for classname 'no_such_class'"},
        {"create root { int sleep_interval = 0 };", "Executing script 'scripts/init.isc' failed: L1,38: ';' expected"},
        {"create root : missing { };", "Executing script 'scripts/init.isc' failed: L1,22: undeclared template 'missing'"},
        {"create root { int sleep_interval = 0; int stop_main_loop = 1; };",
         "Duplicate attribute name 'stop_main_loop'"},
        {"create root { };", "Could not find required attribute 'sleep_interval'"},
        {"// no root\r\n", "Debug assertion failed! Expression: \"m_root\""},
    };
    write_data("scripts/templates.isc", "template fast_root { int sleep_interval = 0; };\r\n");
    for (const auto &c : cases) {
        write_data("scripts/init.isc", c.init);
        std::filesystem::remove(m_dir / "console.log");
        std::string command = "cd '" + m_dir.string() + "' && timeout 60 '" + program + "' -datadir data >/dev/null 2>&1";
        int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << c.init;
        EXPECT_EQ(WEXITSTATUS(status), 1) << c.init;
        std::string expected = std::string("---------------------------\nException: ") + c.message + "\nSource file: ";
        std::string log = read_console_log();
        EXPECT_NE(log.find(expected), std::string::npos) << c.init << "\n" << log;
        EXPECT_EQ(log.substr(log.size() - 30), "\n---------------------------\n\n") << c.init;
    }
}
