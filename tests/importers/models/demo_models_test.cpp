#include "importers/models.h"
#include "tests/importers/models/model_fixture.h"
#include "tests/services/d3d/d3d_fixture.h"
#include "tools/modelgen/set_models.h"

#include <algorithm>
#include <cstdlib>

namespace {

class demo_models : public d3d_fixture, protected model_dir
{
protected:
    void SetUp() override
    {
        d3d_fixture::SetUp();
        start();
    }
    // Runs make_models on a description into data/models; its exit status.
    static int make_models(const std::string &description)
    {
        const std::string command = std::string(MAKE_MODELS_PROGRAM " ") + description +
                                    " data/models 2>/dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

} // namespace

TEST_F(demo_models, the_demo_description_makes_models_that_load_and_pose)
{
    ASSERT_EQ(make_models(DEMO_MODELS_DESCRIPTION), 0);
    static_mesh_c walls(d3d, "models/studio/walls.geo", matrix_identity);
    EXPECT_EQ(walls.faces_count(), 36u);

    skeleton_instance_c skeleton("models/player/player.skl", matrix_identity);
    EXPECT_EQ(skeleton.joints_count(), 7u);
    EXPECT_EQ(skeleton.frames_count(), 20u);
    // Frame 1 raises the right arm (at -y) above the head.
    const matrix_c &arm = skeleton.joint_matrices(1)[skeleton.find_joint("arm_r")];
    const vec3 hand = arm.transform_point({0, 0, -0.9f});
    EXPECT_GT(hand.z, 2.3f);
    EXPECT_LT(hand.y, -0.2f);
}

TEST_F(demo_models, the_studio_set_pieces_load_and_the_floor_names_the_seats)
{
    for (const modelgen::set_piece &piece : modelgen::studio_set_pieces())
        ASSERT_TRUE(modelgen::write_file("data/models/" + piece.path, modelgen::static_file(piece.mesh))) << piece.path;
    static_mesh_c floor(d3d, "models/studio/floor.geo", matrix_identity);
    // Seat 2 at (0, 4, 0) looks along its x axis towards the centre.
    const vec3 ahead = floor.locator_matrix("seat2").transform_point({1, 0, 0});
    EXPECT_NEAR(ahead.x, 0.0f, 1e-5);
    EXPECT_NEAR(ahead.y, 3.0f, 1e-5);
    static_mesh_c podium(d3d, "models/pillar/pillar.geo", matrix_identity);
    EXPECT_NEAR(podium.locator_matrix("top").transform_point({0, 0, 0}).z, modelgen::PODIUM_TOP, 1e-5)
        << "the figure stands on the platform";
    for (const char *piece : {"models/backdrop/backdrop.geo", "models/audience/audience.geo", "models/light_rig/rig.geo",
                              "models/show_screen/screen.geo", "models/lamp_green/lamp.geo"})
        EXPECT_GT(static_mesh_c(d3d, piece, matrix_identity).faces_count(), 0u) << piece;
}

TEST_F(demo_models, a_malformed_description_fails)
{
    put("bad.txt", {'g', 'e', 'o', ' ', 'a', '.', 'g', 'e', 'o', '\n', 'b', 'o', 'x', ' ', '1', '\n'});
    EXPECT_EQ(make_models("data/bad.txt"), 1);
}
