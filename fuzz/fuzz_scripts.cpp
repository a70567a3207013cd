// Scripts: the input is a script file, run as the program runs its scripts, with every script
// class of the program creatable (the kernel's, the services and managers, the location, movie
// and test classes, the UI controls and screens, the game's and the network's), so that what
// each class reads of its attributes when a script makes it is reached. One runner per input:
// it runs the game's templates, then the input in template mode (as the templates script
// does), then in normal mode under a stage object of the Direct3D stand's tree, where a texture
// manager stand-in and a model manager answer on the recording device; no device starts, since
// the program starts them only on app_startup, which no input gets. Errors of the exception_c
// family (parser errors, unknown classes, missing attributes or files, objects that find no
// service) are clean refusals; the stage must come down cleanly after either, and no template
// outlives the input's runner.
#include "Vizuzuze/program.h"
#include "fuzz/d3d_stand.h"
#include "fuzz/fuzz_support.h"
#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "platform/dsound/dsound.h"
#include "services/manager_model.h"
#include "services/srvc_d3d.h"

#include <filesystem>

namespace {

const char *const script_name = "scripts/input.isc";
abstract_c *g_root = nullptr;

void run(scripts_c &scripts, const char *name, abstract_c *parent, int template_mode)
{
    try {
        scripts.execute_script(name, parent, template_mode);
    } catch (const exception_c &e) {
        fuzz::refused(e);
    }
}

} // namespace

void fuzz::harness_setup()
{
    vizuzuze_register_creators();
    // A sound service that an input makes never opens SDL's audio, were it ever started.
    dsound_select_device(DSOUND_DEVICE_MANUAL);
    g_root = fuzz::d3d_stand()->parent();
    fuzz::texture_stand();
    new manager_model_c(g_root, nullptr);
    // The game's scripts beside the input, for its includes and the screens and locations it
    // names.
    std::filesystem::create_directories("data/scripts");
    for (const auto &entry : std::filesystem::directory_iterator(ENGINE_SOURCE_DIR "/data/scripts"))
        std::filesystem::copy_file(entry.path(), "data/scripts" / entry.path().filename());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data(script_name, data, size);
    scripts_c scripts;
    run(scripts, "scripts/templates.isc", nullptr, 1);
    run(scripts, script_name, nullptr, 1);
    // Outside the handlers: a stage that cannot be made means that an earlier input left the
    // tree's state behind.
    abstract_c *stage = new abstract_c(g_root);
    run(scripts, script_name, stage, 0);
    stage->shutdown_tree();
    g_root->collect_dead_children();
    fuzz::d3d_stand_clear_log();
    return 0;
}
