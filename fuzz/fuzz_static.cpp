// Static models: the input is "models/t/static.def", beside the geometries "floor" (three
// quads on the ground) and "box" (a box with the locators "top" and "side"). The model manager
// loads it as a model handle does (on the recording device, with a texture manager stand-in
// and the game's own templates); a loaded instance casts a shadow, receives shadows, draws one
// frame with its shadow batches and answers for its locators.
#include "fuzz/d3d_stand.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/model_stand.h"
#include "kernel/exception.h"
#include "services/manager_model.h"
#include "services/manager_model_static.h"
#include "services/srvc_d3d.h"
#include "tools/modelgen/modelgen.h"

namespace {

manager_model_c *g_models = nullptr;

void put(const char *name, const modelgen::bytes &bytes)
{
    fuzz::put_data(name, bytes.data(), bytes.size());
}

void use(static_resource_c *model)
{
    model->message(MSG_VAR(model_cast_shadows), 0, nullptr, MSG_ARG(1.5f), MSG_ARGS_END);
    model->message(MSG_VAR(model_accept_shadows), 0, nullptr, MSG_ARGS_END);
    d3d_service_c *d3d = fuzz::d3d_stand();
    d3d->begin_scene();
    try {
        g_models->render();
    } catch (...) {
        d3d->end_scene();
        throw;
    }
    d3d->end_scene();
    matrix_c out;
    for (const char *locator : {"top", "side", "none"}) {
        try {
            model->get_locator_matrix(&out, locator);
        } catch (const exception_c &e) {
            fuzz::refused(e);
        }
    }
}

} // namespace

void fuzz::harness_setup()
{
    d3d_service_c *d3d = fuzz::d3d_stand();
    abstract_c *root = d3d->parent();
    fuzz::texture_stand();
    g_models = new manager_model_c(root, nullptr);
    fuzz::run_game_templates(ENGINE_SOURCE_DIR);
    modelgen::static_desc floor;
    modelgen::add_quad_strip(floor, {-1, -1, 0}, {1, 0, 0}, {0, 2, 0}, 3);
    put("models/t/floor.geo", modelgen::static_file(floor));
    modelgen::static_desc box;
    modelgen::add_box(box, {-1, -1, 0}, {1, 1, 2});
    box.locators = {{"top", modelgen::translation({0, 0, 2})}, {"side", modelgen::rotation('z', 0.5f)}};
    put("models/t/box.geo", modelgen::static_file(box));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data("models/t/static.def", data, size);
    abstract_c *loaded = nullptr;
    try {
        g_models->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&loaded), MSG_ARG("models/t"),
                          MSG_ARG(0), MSG_ARGS_END);
        if (auto *model = dynamic_cast<static_resource_c *>(loaded))
            use(model);
    } catch (const exception_c &e) {
        fuzz::refused(e);
    }
    fuzz::empty_manager(g_models);
    fuzz::empty_manager(fuzz::texture_stand());
    fuzz::d3d_stand_clear_log();
    return 0;
}
