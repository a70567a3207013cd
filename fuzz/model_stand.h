// What the model harnesses share beside the Direct3D stand: the game's templates.
#pragma once

#include "kernel/scripts.h"

#include <filesystem>
#include <string>

namespace fuzz {

// Runs the game's own templates (data/scripts/templates.isc of the source tree, copied into the
// private directory) once for the life of the process.
inline void run_game_templates(const char *source_dir)
{
    std::filesystem::create_directories("data/scripts");
    std::filesystem::copy_file(std::string(source_dir) + "/data/scripts/templates.isc", "data/scripts/templates.isc");
    static scripts_c scripts;
    scripts.execute_script("scripts/templates.isc", nullptr, 1);
}

} // namespace fuzz
