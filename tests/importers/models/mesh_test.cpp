#include "importers/models.h"
#include "tests/importers/models/model_fixture.h"
#include "tests/services/d3d/d3d_fixture.h"

#include <cstring>

using namespace modelgen;

namespace {

class meshes : public d3d_fixture, protected model_dir
{
protected:
    void SetUp() override
    {
        d3d_fixture::SetUp();
        start();
    }
};

const matrix_c model_transform = product(scaling({2, 2, 2}), translation({1, 0, 0}));

template <class T> std::vector<T> contents(const d3d_buffer_c *buffer)
{
    std::vector<T> out(buffer->bytes().size() / sizeof(T));
    std::memcpy(out.data(), buffer->bytes().data(), out.size() * sizeof(T));
    return out;
}

void expect_vertex(const lit_vertex_s &v, const vec3 &position, const vec3 &normal, float tu, float tv)
{
    EXPECT_NEAR(v.x, position.x, 1e-5);
    EXPECT_NEAR(v.y, position.y, 1e-5);
    EXPECT_NEAR(v.z, position.z, 1e-5);
    EXPECT_NEAR(v.nx, normal.x, 1e-5);
    EXPECT_NEAR(v.ny, normal.y, 1e-5);
    EXPECT_NEAR(v.nz, normal.z, 1e-5);
    EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(v.u, tu);
    EXPECT_EQ(v.v, tv);
}

} // namespace

TEST_F(meshes, skinned_vertices_follow_the_analytic_pose)
{
    skinned_desc g = two_tag_geometry();
    // Two influences: slots 2 and 3 hold values that must change nothing.
    g.vertices[2].joints[2] = 99;
    g.vertices[2].weights[2] = 7.0f;
    g.vertices[2].joints[3] = 1;
    g.vertices[2].weights[3] = 3.0f;
    g.vertices.push_back(skinned_vertex({4, 4, 4}, {0, 1, 0}, 0.5f, 0.5f, {})); // no influence
    put("models/p.skl", skeleton_file(two_joint_skeleton()));
    put("models/p.sgm", skinned_file(g));
    const std::string mark = log_mark();
    skeleton_instance_c skeleton("models/p.skl", model_transform);
    skinned_mesh_c mesh(d3d, "models/p.sgm", &skeleton);
    EXPECT_EQ(log_since(mark), std::vector<std::string>{"Geometry 'models/p.sgm' loaded, 4 verts, 1 faces"});
    EXPECT_EQ(mesh.vertices(), nullptr);
    EXPECT_EQ(mesh.faces(), nullptr);

    IDirect3DVertexBuffer8 *buffer = mesh.create_vertex_buffer();
    D3DVERTEXBUFFER_DESC desc;
    buffer->GetDesc(&desc);
    EXPECT_EQ(desc.FVF, 0x152u);
    EXPECT_EQ(desc.Size, 4u * 36);

    // Frame 1: the root turns a quarter about z, the arm bends a quarter about x. In file
    // space the root's vertex stays at the origin, the arm's (0, 0, 2) goes to (1, 0, 1), and
    // the half-and-half vertex (0, 1, 2) goes halfway between the root's (-1, 0, 2) and the
    // arm's (1, 0, 2); the model transform then scales by 2 and moves one unit along x.
    skeleton.set_pose(0, 1, 1.0f);
    mesh.fill_vertex_buffer(buffer);
    std::vector<lit_vertex_s> v = contents<lit_vertex_s>(buffer);
    ASSERT_EQ(v.size(), 4u);
    expect_vertex(v[0], {1, 0, 0}, {0, 1, 0}, 0.0f, 0.75f);
    expect_vertex(v[1], {3, 0, 2}, {0, 1, 0}, 1.0f, 0.75f);
    expect_vertex(v[2], {1, 0, 4}, {0.5f, 0, 0.5f}, 1.0f, 0.0f);
    expect_vertex(v[3], {0, 0, 0}, {0, 0, 0}, 0.5f, 0.5f);

    // Halfway between the bind pose and frame 1, matrices blend element by element.
    skeleton.set_pose(0, 1, 0.5f);
    mesh.fill_vertex_buffer(buffer);
    v = contents<lit_vertex_s>(buffer);
    expect_vertex(v[1], {(3 + 1) / 2.0f, 0, (2 + 4) / 2.0f}, {0.5f, 0.5f, 0}, 1.0f, 0.75f);

    skeleton.set_pose(0, 0, 0.0f);
    mesh.fill_vertex_buffer(buffer);
    v = contents<lit_vertex_s>(buffer);
    expect_vertex(v[2], {1, 2, 4}, {0, 0, 1}, 1.0f, 0.0f);
    buffer->Release();
}

TEST_F(meshes, faces_are_written_with_reversed_winding)
{
    skinned_desc g = two_tag_geometry();
    g.faces = {{{0, 1, 2}}, {{2, 0, 1}}};
    put("models/p.skl", skeleton_file(two_joint_skeleton()));
    put("models/p.sgm", skinned_file(g));
    skeleton_instance_c skeleton("models/p.skl", matrix_identity);
    skinned_mesh_c mesh(d3d, "models/p.sgm", &skeleton);
    EXPECT_EQ(contents<WORD>(mesh.index_buffer()), (std::vector<WORD>{1, 0, 2, 0, 2, 1}));
}

TEST_F(meshes, a_tag_without_its_joint_is_refused)
{
    const std::string long_tag(32, 't');
    put("models/p.skl", skeleton_file(two_joint_skeleton()));
    for (const std::string &tag : {std::string("Arm"), long_tag}) {
        skinned_desc g = two_tag_geometry();
        g.tags[1] = tag;
        put("models/p.sgm", skinned_file(g));
        skeleton_instance_c skeleton("models/p.skl", matrix_identity);
        EXPECT_EQ(error_of([&] { skinned_mesh_c(d3d, "models/p.sgm", &skeleton); }), "Joint '" + tag + "' not found");
    }
}

TEST_F(meshes, static_mesh_bakes_its_transform)
{
    put("models/box.geo", static_file(box_with_locators()));
    // Scale 2, a quarter turn about z, one unit along x.
    const matrix_c t = product(product(scaling({2, 2, 2}), rotation('z', ENGINE_PI / 2)), translation({1, 0, 0}));
    const std::string mark = log_mark();
    static_mesh_c mesh(d3d, "models/box.geo", t);
    EXPECT_EQ(log_since(mark), std::vector<std::string>{"Geometry 'models/box.geo' loaded, 24 verts, 12 faces"});

    D3DVERTEXBUFFER_DESC desc;
    mesh.vertex_buffer()->GetDesc(&desc);
    EXPECT_EQ(desc.FVF, 0x152u);
    const std::vector<lit_vertex_s> v = contents<lit_vertex_s>(mesh.vertex_buffer());
    ASSERT_EQ(v.size(), 24u);
    // The +x side's corner (1, 1, 2) with normal (1, 0, 0) and texture coordinates (1, 1).
    expect_vertex(v[2], {-1, 2, 4}, {0, 1, 0}, 1.0f, 0.0f);
    const std::vector<WORD> indices = contents<WORD>(mesh.index_buffer());
    ASSERT_EQ(indices.size(), 36u);
    EXPECT_EQ(std::vector<WORD>(indices.begin(), indices.begin() + 3), (std::vector<WORD>{2, 0, 1}));

    // The file's vertices stay as they were, for shadows.
    vec3 p;
    mesh.get_vertex(2, &p, nullptr, nullptr);
    EXPECT_EQ(p, vec3(1, 1, 2));

    EXPECT_EQ(mesh.locator_matrix("top").transform_point({0, 0, 0}), vec3(1, 0, 4));
    const vec3 side = mesh.locator_matrix("Side").transform_point({0, 0, 0});
    EXPECT_NEAR(side.x, 1, 1e-5);
    EXPECT_NEAR(side.y, 2, 1e-5);
    EXPECT_NEAR(side.z, 2, 1e-5);
    EXPECT_EQ(error_of([&] { mesh.locator_matrix("side"); }), "Locator 'side' not found");
}

TEST_F(meshes, buffer_failures_pass_through)
{
    put("models/box.geo", static_file(box_with_locators()));
    rec->fail = RECORDING_FAIL_CREATE_IBUFFER;
    EXPECT_EQ(error_of([&] { static_mesh_c(d3d, "models/box.geo", matrix_identity); }), "Could not create index buffer");
    rec->fail = RECORDING_FAIL_LOCK_VBUFFER;
    EXPECT_EQ(error_of([&] { static_mesh_c(d3d, "models/box.geo", matrix_identity); }), "Could not lock vertex buffer");
}
