// Sound descriptions: the input is a .sfd file, read as the sound manager reads it. A
// description that loads names exactly one format.
#include "fuzz/fuzz_support.h"
#include "kernel/exception.h"
#include "services/manager_sound_files.h"

#include <cstdlib>

void fuzz::harness_setup()
{
    fuzz::enter_scratch_dir();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data("sounds/input.sfd", data, size);
    sound_descr d;
    try {
        d = load_sound_descr("sounds/input");
    } catch (const exception_c &) {
        return 0;
    }
    const int formats = d.flags & (SOUND_FILE_PCM | SOUND_FILE_Ogg);
    if (formats != SOUND_FILE_PCM && formats != SOUND_FILE_Ogg)
        std::abort();
    fuzz::keep(d.volume + d.min_distance + d.max_distance);
    return 0;
}
