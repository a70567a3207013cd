// A save of the configuration files killed at any moment, or stopped by a full disk, leaves
// each file with its old content or its new one, whole.
#include "Launcher/cvars2.h"
#include "kernel/exception.h"
#include "tests/Launcher/launcher_fixture.h"
#include "tools/netns/private_network.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Long enough that a write takes a while; the two texts differ in length, so a part of either
// is neither.
cvar_c notes[] = {{"notes_a", ""}, {"notes_b", ""}, {"notes_c", ""}, {"notes_d", ""}, {"notes_e", ""},
                  {"notes_f", ""}, {"notes_g", ""}, {"notes_h", ""}, {"notes_i", ""}, {"notes_j", ""}};

// Every variable holds n times c (a value is at most 4000 characters).
void set_notes(char c, size_t n)
{
    for (cvar_c &v : notes)
        v.set_string(std::string(n, c).c_str());
}

const char *const files[] = {"launcher.cfg", "autoexec.cfg"};

std::string text_of(char c, size_t n)
{
    set_notes(c, n);
    cvar_save("probe.cfg");
    return fixture::read_file("probe.cfg");
}

// The temporaries a save leaves beside the file when it is killed midway.
std::vector<std::string> temporaries()
{
    std::vector<std::string> found;
    for (const auto &entry : std::filesystem::directory_iterator("."))
        if (entry.path().filename().string().rfind(".", 0) == 0)
            found.push_back(entry.path().filename().string());
    return found;
}

using save_test = launcher_dir_test;

TEST_F(save_test, a_writer_killed_at_any_moment_leaves_each_file_old_or_new)
{
    const std::string old_text = text_of('o', 300);
    const std::string new_text = text_of('n', 4000);
    std::filesystem::remove("probe.cfg");
    // How long one round of saves takes here, so that the kills spread over the writes.
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) {
        set_notes(i % 2 ? 'n' : 'o', i % 2 ? 4000 : 300);
        for (const char *f : files)
            cvar_save(f);
    }
    const double round_us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started).count() / 5.0;
    for (int kill_no = 0; kill_no < 100; ++kill_no) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Saves the two texts in turn until killed (or, should the kill never come, a while).
            for (int i = 0; i < 20000; ++i) {
                set_notes(i % 2 ? 'o' : 'n', i % 2 ? 300 : 4000);
                for (const char *f : files)
                    cvar_save(f);
            }
            _exit(0);
        }
        // The kill lands at a different moment of the writes each time: over the first three
        // rounds of saves, in steps of a 33rd of a round.
        usleep(useconds_t(round_us * double(kill_no % 100) / 33.0));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended before the kill";
        for (const char *f : files) {
            ASSERT_TRUE(std::filesystem::exists(f)) << f << " gone after kill " << kill_no;
            const std::string now = fixture::read_file(f);
            ASSERT_TRUE(now == old_text || now == new_text)
                << f << " partial after kill " << kill_no << " (" << now.size() << " bytes)";
        }
    }

    // What the killed writers left goes with the next save, once nobody could still be at it.
    const std::vector<std::string> left = temporaries();
    const timespec long_ago[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    for (const std::string &t : left)
        utimensat(AT_FDCWD, t.c_str(), long_ago, 0);
    for (const char *f : files)
        cvar_save(f);
    EXPECT_EQ(temporaries(), std::vector<std::string>{}) << left.size() << " were left";
}

// In a child of its own: a tmpfs that the save fills. Writes the child's verdict to fd.
int full_disk_child(const std::string &dir, int fd)
{
    auto say = [fd](const std::string &text) {
        if (write(fd, text.data(), text.size()) < 0)
            _exit(3);
    };
    const std::string why = enter_private_mounts();
    if (!why.empty()) {
        say(why);
        return 77;
    }
    if (mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0) {
        say(std::string("no tmpfs could be mounted: ") + std::strerror(errno));
        return 77;
    }
    if (chdir(dir.c_str()) != 0)
        return 3;
    set_notes('o', 10);
    cvar_save("launcher.cfg");
    const std::string old_text = fixture::read_file("launcher.cfg");
    // Fills the disk, leaving no room for a single block.
    {
        const int filler = open("filler", O_WRONLY | O_CREAT, 0600);
        const std::string block(4096, 'f');
        while (write(filler, block.data(), block.size()) > 0) {
        }
        while (write(filler, "f", 1) > 0) {
        }
        close(filler);
    }
    set_notes('n', 4000);
    std::string thrown;
    try {
        cvar_save("launcher.cfg");
    } catch (const exception_c &e) {
        thrown = e.get_message();
    }
    if (thrown != "Could not write data to file 'launcher.cfg'") {
        say("the save on a full disk threw \"" + thrown + "\"");
        return 1;
    }
    if (fixture::read_file("launcher.cfg") != old_text) {
        say("the old file was not kept");
        return 1;
    }
    if (!temporaries().empty()) {
        say("the failed save left " + temporaries()[0]);
        return 1;
    }
    return 0;
}

TEST_F(save_test, a_full_disk_leaves_the_old_file)
{
    std::filesystem::create_directory("disk");
    const std::string dir = std::filesystem::absolute("disk").string();
    int verdict[2];
    ASSERT_EQ(pipe(verdict), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(verdict[0]);
        _exit(full_disk_child(dir, verdict[1]));
    }
    close(verdict[1]);
    std::string said;
    char buffer[256];
    for (ssize_t n; (n = read(verdict[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, size_t(n));
    close(verdict[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << said;
    if (WEXITSTATUS(status) == 77) {
        if (private_namespace_required())
            FAIL() << "CI=true and no full disk to try: " << said;
        GTEST_SKIP() << said;
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << said;
}

} // namespace
