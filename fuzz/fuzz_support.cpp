#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fuzz {

namespace {

std::string g_dir;
volatile double g_kept;

void remove_scratch_dir()
{
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(g_dir, ignored);
}

// The new argument table and its strings, kept for the life of the process.
std::vector<std::string> g_args;
std::vector<char *> g_argv;

void make_paths_absolute(int *argc, char ***argv)
{
    static const char *const path_flags[] = {"-dict=", "-artifact_prefix=", "-exact_artifact_path="};
    const std::string here = std::filesystem::current_path().string() + "/";
    auto absolute = [&](const char *path) { return path[0] == '/' ? std::string(path) : here + path; };
    bool has_prefix = false;
    for (int i = 0; i < *argc; ++i) {
        const char *arg = (*argv)[i];
        const char *flag = nullptr;
        for (const char *f : path_flags)
            if (std::strncmp(arg, f, std::strlen(f)) == 0)
                flag = f;
        if (i > 0 && arg[0] != '-')
            g_args.push_back(absolute(arg));
        else if (flag && arg[std::strlen(flag)] != 0)
            g_args.push_back(flag + absolute(arg + std::strlen(flag)));
        else
            g_args.push_back(arg);
        has_prefix |= flag && std::strcmp(flag, "-artifact_prefix=") == 0;
    }
    if (!has_prefix)
        g_args.push_back("-artifact_prefix=" + here);
    for (std::string &arg : g_args)
        g_argv.push_back(arg.data());
    g_argv.push_back(nullptr);
    *argc = int(g_args.size());
    *argv = g_argv.data();
}

} // namespace

void enter_scratch_dir()
{
    if (!g_dir.empty())
        return;
    std::string pattern = (std::filesystem::temp_directory_path() / "engine_fuzz_XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("fuzz: mkdtemp");
        std::abort();
    }
    g_dir = pattern;
    std::filesystem::current_path(g_dir);
    std::filesystem::create_directory("data");
    std::atexit(remove_scratch_dir);
}

void put_data(const std::string &name, const uint8_t *data, size_t size)
{
    const std::filesystem::path path = std::filesystem::path(g_dir) / "data" / name;
    std::filesystem::create_directories(path.parent_path());
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || (size && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
        std::perror("fuzz: writing the input");
        std::abort();
    }
}

const std::string &scratch_dir()
{
    return g_dir;
}

void keep(double value)
{
    g_kept = value;
}

} // namespace fuzz

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::make_paths_absolute(argc, argv);
    fuzz::enter_scratch_dir();
    if (fuzz::harness_setup)
        fuzz::harness_setup();
    return 0;
}
