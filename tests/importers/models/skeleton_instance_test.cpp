#include "importers/models.h"
#include "tests/importers/models/model_fixture.h"

#include <cmath>
#include <cstring>

using namespace modelgen;

namespace {

using skeleton_instance = model_fixture;

// Scale 2, then move one unit along x: a model transform that is neither identity nor a
// rotation, so the change of basis shows.
const matrix_c model_transform = product(scaling({2, 2, 2}), translation({1, 0, 0}));

vec3 model_point(const vec3 &p)
{
    return p * 2.0f + vec3(1, 0, 0);
}

void expect_near(const vec3 &got, const vec3 &want)
{
    EXPECT_NEAR(got.x, want.x, 1e-5);
    EXPECT_NEAR(got.y, want.y, 1e-5);
    EXPECT_NEAR(got.z, want.z, 1e-5);
}

bool same_bits(const matrix_c *a, const matrix_c *b, size_t n)
{
    return std::memcmp(a, b, sizeof(matrix_c) * n) == 0;
}

} // namespace

TEST_F(skeleton_instance, frame_zero_is_the_bind_pose)
{
    put("models/s.skl", skeleton_file(two_joint_skeleton()));
    skeleton_instance_c s("models/s.skl", model_transform);
    EXPECT_EQ(s.transforms(), nullptr);
    for (int j = 0; j < 2; ++j)
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(s.skin_matrices(0)[j].m[r][c], r == c ? 1.0f : 0.0f, 1e-6) << j << r << c;
    // Joint matrices carry joint space into model space.
    expect_near(s.joint_matrices(0)[1].transform_point({0, 0, 0}), model_point({0, 0, 1}));
    EXPECT_TRUE(same_bits(s.current_skin_matrices(), s.skin_matrices(0), 2));
    EXPECT_TRUE(same_bits(s.current_joint_matrices(), s.joint_matrices(0), 2));
}

TEST_F(skeleton_instance, later_frames_follow_the_analytic_pose)
{
    put("models/s.skl", skeleton_file(two_joint_skeleton()));
    skeleton_instance_c s("models/s.skl", model_transform);
    // Frame 1: the arm bends a quarter about x, then the whole turns a quarter about z. A
    // point two units up the arm, (0, 0, 2) in the file, is one unit out along the bent arm
    // from its joint at (0, 0, 1): bent it lies at (0, -1, 1), turned at (1, 0, 1).
    expect_near(s.skin_matrices(1)[1].transform_point(model_point({0, 0, 2})), model_point({1, 0, 1}));
    expect_near(s.joint_matrices(1)[1].transform_point({0, 0, 1}), model_point({1, 0, 1}));
    // The root only turns: (0, 1, 0) goes to (-1, 0, 0).
    expect_near(s.skin_matrices(1)[0].transform_point(model_point({0, 1, 0})), model_point({-1, 0, 0}));
}

TEST_F(skeleton_instance, a_parent_listed_after_its_child_brings_its_whole_chain)
{
    // hand (0) -> arm (1) -> root (2): every parent comes after its child.
    skeleton_desc d{{{"hand", 1}, {"arm", 2}, {"root", -1}},
                    {{translation({0, 0, 1}), translation({0, 0, 2}), translation({5, 0, 0})},
                     {translation({0, 0, 1}), rotation('y', ENGINE_PI / 2), translation({5, 0, 0})}}};
    put("models/s.skl", skeleton_file(d));
    skeleton_instance_c s("models/s.skl", matrix_identity);
    expect_near(s.joint_matrices(0)[0].transform_point({0, 0, 0}), {5, 0, 3});
    expect_near(s.joint_matrices(0)[1].transform_point({0, 0, 0}), {5, 0, 2});
    // Frame 1: the arm turns a quarter about y at the root's end, so the hand's z offset
    // points along +x.
    expect_near(s.joint_matrices(1)[0].transform_point({0, 0, 0}), {6, 0, 0});
    expect_near(s.skin_matrices(1)[0].transform_point({5, 0, 3}), {6, 0, 0});
}

TEST_F(skeleton_instance, set_pose_blends_two_frames)
{
    put("models/s.skl", skeleton_file(two_joint_skeleton()));
    skeleton_instance_c s("models/s.skl", model_transform);
    s.set_pose(1, 0, 0.0f);
    EXPECT_TRUE(same_bits(s.current_skin_matrices(), s.skin_matrices(1), 2));
    EXPECT_TRUE(same_bits(s.current_joint_matrices(), s.joint_matrices(1), 2));
    s.set_pose(1, 0, 1.0f);
    EXPECT_TRUE(same_bits(s.current_skin_matrices(), s.skin_matrices(0), 2));
    s.set_pose(0, 1, 0.25f);
    for (int j = 0; j < 2; ++j)
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                EXPECT_FLOAT_EQ(s.current_skin_matrices()[j].m[r][c],
                                0.75f * s.skin_matrices(0)[j].m[r][c] + 0.25f * s.skin_matrices(1)[j].m[r][c]);
                EXPECT_FLOAT_EQ(s.current_joint_matrices()[j].m[r][c],
                                0.75f * s.joint_matrices(0)[j].m[r][c] + 0.25f * s.joint_matrices(1)[j].m[r][c]);
            }
    EXPECT_EQ(error_of([&] { s.set_pose(0, 2, 0.5f); }),
              "Debug assertion failed! Expression: \"frame0 < m_frames_count && frame1 < m_frames_count\"");
}

TEST_F(skeleton_instance, needs_frames_and_joints)
{
    put("models/empty.skl", skeleton_file({{{"root", -1}}, {}}));
    EXPECT_EQ(error_of([&] { skeleton_instance_c("models/empty.skl", matrix_identity); }),
              "Debug assertion failed! Expression: \"m_frames_count && m_joints_count\"");
}
