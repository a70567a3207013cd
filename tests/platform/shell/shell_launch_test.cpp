// Real starts of stub programs in the test's own directory: the Windows codes of failures and
// the ".exe" ending of a Windows program name.
#include "platform/sys/shell.h"
#include "tests/platform/shell/stub_program.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

namespace {

uintptr_t start(const char *file, const char *verb = "open", const char *parameters = nullptr)
{
    return (uintptr_t)ShellExecuteA(nullptr, verb, file, parameters, nullptr, SW_SHOWNORMAL);
}

class shell_launch_test : public ::testing::Test
{
protected:
    shell_launch_test() : m_enter(m_dir.path()) {}
    fixture::temp_dir m_dir;
    fixture::in_dir m_enter;
};

} // namespace

TEST_F(shell_launch_test, failures_have_windows_codes)
{
    fixture::write_file("plain.txt", "text");
    fixture::write_file("garbage", "\x7f" "ELF not really");
    std::filesystem::permissions("garbage", std::filesystem::perms::owner_all);
    std::filesystem::create_directory("folder");
    struct
    {
        const char *file;
        const char *verb;
        uintptr_t code;
    } cases[] = {
        {"missing", "open", 2},
        {"missing.exe", "open", 2},
        {"plain.txt/x", "open", 3},
        {"plain.txt", "open", 5},
        {"./folder", "open", 5},
        {"garbage", "open", 11},
        {"garbage", "print", 31},
    };
    for (const auto &c : cases)
        EXPECT_EQ(start(c.file, c.verb), c.code) << c.file << " " << (c.verb ? c.verb : "(no verb)");
}

TEST_F(shell_launch_test, programs_start_with_their_parameters)
{
    struct
    {
        const char *program;  // written in the test's directory
        const char *file;     // as given to the shell
        const char *parameters;
        const char *marker;
    } cases[] = {
        {"game", "game", nullptr, "started \n"},
        {"game.exe", "game.exe", nullptr, "started \n"},
    };
    for (const auto &c : cases) {
        std::filesystem::remove_all("run");
        std::filesystem::create_directory("run");
        fixture::write_stub_program(std::string("run/") + c.program, "started.txt");
        fixture::in_dir enter("run");
        EXPECT_GT(start(c.file, "open", c.parameters), 32u) << c.file;
        EXPECT_EQ(fixture::wait_for_marker("started.txt"), c.marker) << c.file;
    }
    // A name with a directory is used as given.
    fixture::write_stub_program("run/sub_game", "sub.txt");
    EXPECT_GT(start("run/sub_game.exe"), 32u);
    EXPECT_EQ(fixture::wait_for_marker("run/sub.txt"), "started \n");
}
