// Animated models: the input is "models/t/animated.def", beside a fixed skeleton "s" and
// geometries "g" and "h" made from the seed models. The model manager loads it as a model
// handle does (on the recording device, with a texture manager stand-in and the game's own
// templates); a loaded instance plays every gesture in turn, stepping through it and its
// morphs, switches every part off and on, answers for every joint and draws.
#include "fuzz/d3d_stand.h"
#include "fuzz/fuzz_seed_models.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/model_stand.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "services/manager_model.h"
#include "services/manager_model_anim_res.h"
#include "services/srvc_d3d.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

manager_model_c *g_models = nullptr;

void put(const char *name, const modelgen::bytes &bytes)
{
    fuzz::put_data(name, bytes.data(), bytes.size());
}

void play(skelanim_resource_c *model)
{
    model->message(MSG_VAR(model_show), 0, nullptr, MSG_ARG(1), MSG_ARGS_END);
    const skelanim_data_c *data = model->anim();
    for (int g = 0; g < data->gesture_count(); ++g) {
        model->play_gesture(data->gesture(g).name);
        for (int k = 0; k < 12; ++k)
            model->step(0.07f);
    }
    for (int p = 0; p < data->part_count(); ++p) {
        model->switch_part(data->part(p).name, 0);
        model->switch_part(data->part(p).name, 1);
    }
    matrix_c out;
    for (const char *joint : {"root", "spine", "arm_l", "arm_r", "head"})
        model->get_locator_matrix(&out, joint);
    model->render();
}

} // namespace

void fuzz::harness_setup()
{
    d3d_service_c *d3d = fuzz::d3d_stand();
    abstract_c *root = d3d->parent();
    fuzz::texture_stand();
    g_models = new manager_model_c(root, nullptr);
    fuzz::run_game_templates(ENGINE_SOURCE_DIR);
    put("models/t/s.skl", fuzz::seed_skeleton_file());
    put("models/t/g.sgm", modelgen::skinned_file(fuzz::seed_boxes()));
    put("models/t/h.sgm", modelgen::skinned_file(fuzz::seed_blended()));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data("models/t/animated.def", data, size);
    abstract_c *loaded = nullptr;
    try {
        g_models->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&loaded), MSG_ARG("models/t"),
                          MSG_ARG(0), MSG_ARGS_END);
        if (auto *model = dynamic_cast<skelanim_resource_c *>(loaded))
            play(model);
    } catch (const exception_c &e) {
        fuzz::refused(e);
    }
    fuzz::empty_manager(g_models);
    fuzz::empty_manager(fuzz::texture_stand());
    fuzz::d3d_stand_clear_log();
    return 0;
}
