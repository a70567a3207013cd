// The shell's open: what it would start (through the spawn hook: links never reach xdg-open
// here), and real starts of small programs in a directory of the test's own.
#include "platform/sys/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

using argv_t = std::vector<std::string>;

intptr_t code(HINSTANCE h)
{
    return reinterpret_cast<intptr_t>(h);
}

class shell_test : public ::testing::Test
{
protected:
    void TearDown() override { shell_set_spawn_hook({}); }
};

TEST_F(shell_test, what_is_started_for_a_link_or_a_program)
{
    std::vector<argv_t> started;
    int answer = 0;
    shell_set_spawn_hook([&](const argv_t &argv) {
        started.push_back(argv);
        return answer;
    });
    struct case_s
    {
        const char *operation, *file, *parameters, *directory;
        intptr_t result;
        argv_t argv; // empty: nothing started
    };
    const case_s cases[] = {
        // cp1251 "Ya" (U+042F) is D0 AF in UTF-8; spaces and bytes above ASCII are encoded.
        {"open", "mailto:a@b.ru?subject=\xDF%20x y", nullptr, nullptr, 33,
         {"xdg-open", "mailto:a@b.ru?subject=%D0%AF%20x%20y"}},
        {nullptr, "mailto:a@b.ru", nullptr, "", 33, {"xdg-open", "mailto:a@b.ru"}},
        {"open", "Vizuzuze", nullptr, nullptr, 33, {"./Vizuzuze"}},
        {"open", "/opt/game/\xC8\xE3\xF0\xE0", "", nullptr, 33, {"/opt/game/\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0"}},
        {"print", "mailto:a@b.ru", nullptr, nullptr, SE_ERR_NOASSOC, {}},
        {"open", "Vizuzuze", "-datadir data", nullptr, SE_ERR_ACCESSDENIED, {}},
        {"open", "Vizuzuze", nullptr, "/tmp", SE_ERR_ACCESSDENIED, {}},
        {"open", "", nullptr, nullptr, SE_ERR_ACCESSDENIED, {}},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.file);
        started.clear();
        EXPECT_EQ(code(ShellExecuteA(nullptr, c.operation, c.file, c.parameters, c.directory, SW_SHOWNORMAL)),
                  c.result);
        if (c.argv.empty())
            EXPECT_TRUE(started.empty());
        else
            EXPECT_EQ(started, std::vector<argv_t>{c.argv});
    }

    // A start that fails is told apart from one that did not find its program.
    answer = ENOENT;
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", "mailto:a@b.ru", nullptr, nullptr, SW_SHOWNORMAL)), SE_ERR_FNF);
    answer = EAGAIN;
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", "mailto:a@b.ru", nullptr, nullptr, SW_SHOWNORMAL)),
              SE_ERR_ACCESSDENIED);
}

TEST_F(shell_test, a_program_starts_without_waiting_and_a_missing_one_is_reported)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "shell_test_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path dir = pattern;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    {
        std::ofstream script(dir / "mark.sh");
        script << "#!/bin/sh\necho \"$#\" > started\n";
    }
    std::filesystem::permissions(dir / "mark.sh", std::filesystem::perms::owner_all);

    // By a bare name from the current directory, as the launcher starts the game.
    EXPECT_GT(code(ShellExecuteA(nullptr, "open", "mark.sh", nullptr, nullptr, SW_SHOWNORMAL)), 32);
    std::string line;
    for (int i = 0; i < 500 && line.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(dir / "started");
        std::getline(in, line);
    }
    EXPECT_EQ(line, "0") << "started with no arguments";

    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", "absent.sh", nullptr, nullptr, SW_SHOWNORMAL)), SE_ERR_FNF);
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", (dir / "no" / "prog").c_str(), nullptr, nullptr, SW_SHOWNORMAL)),
              SE_ERR_FNF);

    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

} // namespace
