// Small helpers shared by the benchmarks: a clock, medians of repeated runs, a scratch
// directory that is removed at the end, a reproducible generator, the report line and programs
// started with their output on a pipe.
//
// Every benchmark measures the project's code and a reference doing the same work in the same
// run, alternating the two so that a busy machine slows both alike, and prints the medians
// with their ratio (project / reference: below 1 means the project is faster).
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" char **environ;

namespace bench {

namespace fs = std::filesystem;

inline double now_seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs every candidate `rounds` times, one after the other in each round, after one round
// that is not counted (it warms caches); returns each candidate's median time in seconds.
inline std::vector<double> alternate(int rounds, const std::vector<std::function<void()>> &candidates)
{
    std::vector<std::vector<double>> times(candidates.size());
    for (int r = -1; r < rounds; ++r)
        for (size_t c = 0; c < candidates.size(); ++c) {
            const double t0 = now_seconds();
            candidates[c]();
            const double t = now_seconds() - t0;
            if (r >= 0)
                times[c].push_back(t);
        }
    std::vector<double> medians;
    for (auto &t : times)
        medians.push_back(median(t));
    return medians;
}

// One line of the report: what was measured, both figures in `unit`, the ratio and the target.
inline void report(const char *what, double project, double reference, const char *unit, const char *reference_name,
                   const char *target)
{
    std::printf("%-44s project %10.3f %-6s %s %10.3f %-6s ratio %5.2f  (target %s)\n", what, project, unit,
                reference_name, reference, unit, project / reference, target);
    std::fflush(stdout);
}

// A fresh directory under the system's temporary directory, removed with everything in it.
class scratch_dir
{
public:
    explicit scratch_dir(const char *tag)
    {
        std::random_device rd;
        for (;;) {
            m_path = fs::temp_directory_path() / (std::string("vizuzuze-bench-") + tag + "-" + std::to_string(rd()));
            if (fs::create_directory(m_path))
                break;
        }
    }
    ~scratch_dir()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    scratch_dir(const scratch_dir &) = delete;
    scratch_dir &operator=(const scratch_dir &) = delete;
    const fs::path &path() const { return m_path; }

private:
    fs::path m_path;
};

inline std::string read_text(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// CLOCK_MONOTONIC in seconds: the clock programs under test print their moments in.
inline double monotonic_seconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// A program started in `dir`, its standard output on the pipe `output` (what the sound and
// display libraries tell about the machine on standard error is not the report's: it goes
// nowhere). `started` is the moment just before it was started (monotonic_seconds).
struct child_s
{
    pid_t pid;
    int output;
    double started;
};

inline child_s spawn_piped(const std::vector<std::string> &args, const fs::path &dir)
{
    int out[2];
    if (pipe(out) != 0)
        throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    child_s child{0, out[0], monotonic_seconds()};
    const int failed = posix_spawn(&child.pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (failed) {
        close(out[0]);
        throw std::runtime_error("cannot start " + args[0]);
    }
    return child;
}

inline void write_file(const fs::path &path, const std::string &data)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(data.data(), std::streamsize(data.size()));
}

// The same numbers on every run.
class generator
{
public:
    explicit generator(uint64_t seed) : m_state(seed) {}
    uint32_t next()
    {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(m_state >> 33);
    }
    // Uniform in [lo, hi].
    uint32_t between(uint32_t lo, uint32_t hi) { return lo + next() % (hi - lo + 1); }

private:
    uint64_t m_state;
};

} // namespace bench
