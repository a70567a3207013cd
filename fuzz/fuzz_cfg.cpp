// Configuration files: the input is run as "launcher.cfg" over variables of every type, a
// command and a save procedure. A file error or parser error is the clean refusal that
// cvar_exec reports; any other exception is a finding. Then the settings are saved and read
// back: the saved file must read without an error and keep every int and string.
#include "fuzz/cfg_stand.h"
#include "fuzz/fuzz_support.h"

#include "Launcher/cvars2.h"
#include "Launcher/messages.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::enter_scratch_dir();
    {
        std::ofstream out("launcher.cfg", std::ios::binary | std::ios::trunc);
        out.write((const char *)data, (std::streamsize)size);
    }
    cfg_stand::reset();
    launcher_clear_messages();
    cvar_exec("launcher.cfg");
    // Floats and vectors are written with fewer digits than they may hold, and a value too
    // large for a float is written as "inf", which no file can hold: they are set back before
    // the save, and only ints and strings must read back the same.
    const std::string before = cfg_stand::kept_values();
    cfg_stand::reset_floats();
    cvar_save("saved.cfg");
    cfg_stand::reset();
    if (!cvar_exec("saved.cfg")) {
        std::fprintf(stderr, "fuzz_cfg: a saved file did not read back: %s\n", launcher_message_line(1));
        std::abort();
    }
    if (cfg_stand::kept_values() != before) {
        std::fprintf(stderr, "fuzz_cfg: values changed by a save: '%s' became '%s'\n", before.c_str(),
                     cfg_stand::kept_values().c_str());
        std::abort();
    }
    return 0;
}
