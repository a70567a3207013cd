#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

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
