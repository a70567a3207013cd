// Scripts: the input is a script file. It runs first in template mode (as the templates
// script does), then in normal mode under a fresh root object, with the kernel's classes
// creatable; a new runner each time, so no template outlives its input. Errors of the
// exception_c family (parser errors, unknown classes, missing attributes or files) are clean
// refusals; the tree must come down cleanly after either.
#include "fuzz/fuzz_support.h"
#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "kernel/root.h"
#include "kernel/scripts.h"

namespace {

const char *const script_name = "scripts/input.isc";

void run(scripts_c &scripts, abstract_c *parent, int template_mode)
{
    try {
        scripts.execute_script(script_name, parent, template_mode);
    } catch (const exception_c &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    kernel_register_creators();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::enter_scratch_dir();
    fuzz::put_data(script_name, data, size);
    // Outside the handlers: a runner or root that cannot be made means that an earlier input
    // left the kernel's state behind.
    scripts_c scripts;
    run(scripts, nullptr, 1);
    abstract_c *root = new abstract_c(nullptr);
    run(scripts, root, 0);
    root->shutdown_tree();
    root->collect_dead_children();
    delete root;
    return 0;
}
