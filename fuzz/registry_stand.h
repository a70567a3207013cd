// A registry of the harness's own for the harnesses that store values: made once, removed at
// the process's normal end. Values are written and flushed for every input: memory is quicker
// than a disk where there is one.
#pragma once

#include "fuzz/fuzz_support.h"
#include "platform/registry/winreg.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline void use_private_registry()
{
    static std::string dir;
    std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/engine_fuzz_registry_XXXXXX"
                                                                     : scratch_dir() + "/registry_XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("fuzz: mkdtemp of the registry");
        std::abort();
    }
    dir = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    });
    reg_set_root(dir.c_str());
}

} // namespace fuzz
