// Scripts: the input is a script file. It runs in template mode (as the templates script
// does), then in normal mode under a fresh root object with the kernel's classes creatable;
// each with a runner of its own, so that no template outlives its run. Errors of the
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
    } catch (const exception_c &e) {
        fuzz::refused(e);
    }
}

} // namespace

void fuzz::harness_setup()
{
    kernel_register_creators();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data(script_name, data, size);
    // Outside the handlers: a runner or root that cannot be made means that an earlier input
    // left the kernel's state behind.
    {
        scripts_c scripts;
        run(scripts, nullptr, 1);
    }
    scripts_c scripts;
    abstract_c *root = new abstract_c(nullptr);
    run(scripts, root, 0);
    root->shutdown_tree();
    root->collect_dead_children();
    delete root;
    return 0;
}
