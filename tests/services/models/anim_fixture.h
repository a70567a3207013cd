// Animated models in a private data directory: the model manager on the recording device, a
// texture manager stand-in, the game's templates, and a generated model "models/t" whose
// skeleton tells its pose by a number: in frame f its root joint stands at x = f, so a pose
// blended between frames a and b at factor t puts the root at a + (b - a) t. load_demo_player
// makes and loads the demo build's player beside it.
#pragma once

#include "model_manager_fixture.h"
#include "tests/importers/models/model_fixture.h"

#include "basics/vaultfile_obj.h"
#include "kernel/scripts.h"
#include "services/manager_model_anim_res.h"
#include "tests/services/models/texture_stub.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

// The "frame number" skeleton: joints root and arm (one unit above it), `frames` frames.
inline modelgen::skeleton_desc numbered_skeleton(int frames)
{
    modelgen::skeleton_desc d;
    d.joints = {{"root", -1}, {"arm", 0}};
    for (int f = 0; f < frames; ++f)
        d.frames.push_back({modelgen::translation({float(f), 0, 0}), modelgen::translation({0, 0, 1})});
    return d;
}

class anim_fixture : public model_manager_fixture, protected model_dir
{
protected:
    void SetUp() override
    {
        model_manager_fixture::SetUp();
        textures = new texture_stub_c(root);
        // The game's own templates, from the source tree.
        std::filesystem::create_directories(m_dir.path() / "data" / "scripts");
        std::filesystem::copy_file(std::filesystem::path(ENGINE_SOURCE_DIR) / "data" / "scripts" / "templates.isc",
                                   m_dir.path() / "data" / "scripts" / "templates.isc");
        scripts = std::make_unique<scripts_c>();
        scripts->execute_script("scripts/templates.isc", nullptr, 1);
        put("models/t/s.skl", modelgen::skeleton_file(numbered_skeleton(12)));
        put("models/t/g.sgm", modelgen::skinned_file(two_tag_geometry()));
        put("models/t/h.sgm", modelgen::skinned_file(two_tag_geometry()));
    }
    void TearDown() override
    {
        model_manager_fixture::TearDown();
        scripts.reset();
    }

    void write_text(const std::string &name, const std::string &text)
    {
        std::filesystem::create_directories((m_dir.path() / "data" / name).parent_path());
        std::ofstream(m_dir.path() / "data" / name, std::ios::binary) << text;
    }
    // models/t/animated.def with this text.
    void definition(const std::string &text) { write_text("models/t/animated.def", text); }

    // A new instance of models/t, as a model handle would load it.
    skelanim_resource_c *instance()
    {
        abstract_c *res = nullptr;
        mgr->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG("models/t"), MSG_ARG(0),
                     MSG_ARGS_END);
        return dynamic_cast<skelanim_resource_c *>(res);
    }
    // The demo player "models/player" as the demo build makes it (make_models' skeleton,
    // make_contestants' figures and textures, the game's definition), loaded through the model
    // manager into `out`; any step that fails fails the test.
    void load_demo_player(skelanim_resource_c *&out)
    {
        const std::string data = (m_dir.path() / "data").string();
        ASSERT_EQ(0, std::system((std::string(MAKE_MODELS_PROGRAM) + " " + DEMO_MODELS_DESCRIPTION + " " + data +
                                  "/models")
                                     .c_str()));
        ASSERT_EQ(0, std::system((std::string(MAKE_CONTESTANTS_PROGRAM) + " " + data).c_str()));
        std::filesystem::copy_file(std::filesystem::path(ENGINE_SOURCE_DIR) / "data/models/player/animated.def",
                                   m_dir.path() / "data/models/player/animated.def");
        abstract_c *res = nullptr;
        ASSERT_EQ("", thrown([&] {
                      mgr->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG("models/player"),
                                   MSG_ARG(0), MSG_ARGS_END);
                  }));
        out = dynamic_cast<skelanim_resource_c *>(res);
        ASSERT_NE(nullptr, out);
    }
    void tick(float dt) { root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(0.0f), MSG_ARG(dt), MSG_ARGS_END); }
    // Where the instance's last pose put the root: the blended frame number.
    static float pose_of(skelanim_resource_c *m)
    {
        matrix_c out;
        return m->get_locator_matrix(&out, "root")->m[3][0];
    }
    static std::string text_query(abstract_c *m, const char *query)
    {
        const char *name = nullptr;
        m->message(msg_c(query), 0, nullptr, MSG_ARG((void *)&name), MSG_ARGS_END);
        return name ? name : "(null)";
    }

    texture_stub_c *textures = nullptr;
    std::unique_ptr<scripts_c> scripts;
};

// A definition with the parts every test uses and the given gesture and morph blocks.
inline std::string anim_def(const std::string &gestures, const std::string &morphs = "default_time 0.2;")
{
    return "transform scale [1 1 1] angles [0 0 0] offset [0 0 0];\n"
           "skeleton \"s\";\n"
           "parts {\n"
           "  part \"body\" : geometry \"g\", texture \"skin\", default on;\n"
           "  part \"hat\" : geometry \"h\", texture \"hat_alpha\", default off;\n"
           "};\n"
           "gestures {\n" +
           gestures + "};\nmorphs { " + morphs + " };\n";
}
