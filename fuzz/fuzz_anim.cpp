// Animated models: the input is "models/t/animated.def", beside a fixed skeleton "s" and
// geometries "g" and "h" made from the seed models. The model manager loads it as a model
// handle does (on the recording device, with a texture manager stand-in and the game's own
// templates); a loaded instance plays every gesture in turn, stepping through it and its
// morphs, switches every part off and on, answers for every joint and draws.
#include "fuzz/d3d_stand.h"
#include "fuzz/fuzz_seed_models.h"
#include "fuzz/fuzz_support.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "services/manager_basic.h"
#include "services/manager_model.h"
#include "services/manager_model_anim_res.h"
#include "services/srvc_d3d.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Textures by name, shared, with the attributes a model reads; nothing behind them.
class texture_stand_c : public manager_basic_c
{
public:
    explicit texture_stand_c(abstract_c *parent) : manager_basic_c(parent, nullptr) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (manager_basic_c::handle_message(message, sender))
            return 1;
        return answer_manager_request(message, MSG_VAR(get_texture_mgr), this);
    }
    data_entity_c *create_data(const char *name, int) override { return new data_c(this, name); }

private:
    struct data_c : data_entity_c
    {
        data_c(manager_basic_c *m, const char *name) : data_entity_c(m, nullptr, name) {}
        resource_entity_c *create_resource(int) override
        {
            auto *r = new resource_entity_c(static_cast<manager_basic_c *>(parent()), nullptr, this, 0);
            add_attribute(nullptr, r->attributes(), "handle", value_c((void *)nullptr), 0);
            add_attribute(nullptr, r->attributes(), "alphablended", value_c(0), 0);
            add_attribute(nullptr, r->attributes(), "width", value_c(8), 0);
            add_attribute(nullptr, r->attributes(), "height", value_c(8), 0);
            return r;
        }
    };
};

manager_model_c *g_models = nullptr;
abstract_c *g_textures = nullptr;

void put(const char *name, const modelgen::bytes &bytes)
{
    fuzz::put_data(name, bytes.data(), bytes.size());
}

// Every entry of a manager goes, so that no data is found again by the next input.
void empty(abstract_c *manager)
{
    for (abstract_c *child = manager->first_child(); child; child = child->next_sibling())
        child->shutdown_tree();
    manager->collect_dead_children();
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
    g_textures = new texture_stand_c(root);
    g_models = new manager_model_c(root, nullptr);
    std::filesystem::create_directories("data/scripts");
    std::filesystem::copy_file(std::string(ENGINE_SOURCE_DIR) + "/data/scripts/templates.isc",
                               "data/scripts/templates.isc");
    static scripts_c scripts;
    scripts.execute_script("scripts/templates.isc", nullptr, 1);
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
    empty(g_models);
    empty(g_textures);
    fuzz::d3d_stand_clear_log();
    return 0;
}
