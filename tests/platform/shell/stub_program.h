// A stand-in for the game: a shell script in the test's directory that, when started, writes
// its arguments to a file beside itself. Tests never start the real program.
#pragma once

#include "tests/vaultis/pack_fixture.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace fixture {

// Writes an executable script `name` that writes "started <arguments>" to `marker`.
inline void write_stub_program(const std::string &name, const std::string &marker)
{
    const fs::path dir = fs::absolute(name).parent_path();
    write_file(name, "#!/bin/sh\necho \"started $*\" > '" + (dir / marker).string() + ".tmp'\nmv '" +
                         (dir / marker).string() + ".tmp' '" + (dir / marker).string() + "'\n");
    fs::permissions(name, fs::perms::owner_all);
}

// The marker's text once it appears (within ten seconds), or "" when it does not.
inline std::string wait_for_marker(const std::string &marker)
{
    for (int i = 0; i < 1000; ++i) {
        if (fs::exists(marker))
            return read_file(marker);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "";
}

} // namespace fixture
