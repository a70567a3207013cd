#include "importers/skeleton.h"
#include "importers/skinned_geo.h"
#include "importers/static_geo.h"
#include "tests/importers/models/model_fixture.h"

#include <cstring>

using namespace modelgen;

namespace {

using readers = model_fixture;

// Loads the file with the reader its extension names, then checks the reader stayed empty.
std::optional<std::string> load_error(const std::string &name)
{
    const std::string ext = name.substr(name.rfind('.'));
    if (ext == ".skl") {
        skeleton_c s;
        auto e = error_of([&] { s.load(name.c_str()); });
        EXPECT_EQ(s.joints_count(), 0u);
        EXPECT_EQ(error_of([&] { s.find_joint("root"); }), "Debug assertion failed! Expression: \"m_joints_info\"");
        return e;
    }
    if (ext == ".sgm") {
        skinned_geometry_c g;
        auto e = error_of([&] { g.load(name.c_str()); });
        EXPECT_EQ(g.vertices_count(), 0u);
        EXPECT_EQ(g.vertices(), nullptr);
        return e;
    }
    static_geometry_c g;
    auto e = error_of([&] { g.load(name.c_str()); });
    EXPECT_EQ(g.vertices_count(), 0u);
    EXPECT_EQ(g.faces_count(), 0u);
    return e;
}

struct malformed_case
{
    const char *what;
    const char *name;
    std::function<bytes()> make;
    const char *error_kind; // "Empty skeleton file '" and the like
};

bytes skeleton_with_parents(std::vector<int> parents)
{
    skeleton_desc d;
    for (size_t j = 0; j < parents.size(); ++j)
        d.joints.push_back({"j" + std::to_string(j), parents[j]});
    d.frames.assign(1, std::vector<matrix_c>(parents.size(), matrix_identity));
    return skeleton_file(d);
}

bytes grown(bytes b, int delta)
{
    b.resize(b.size() + delta);
    return b;
}

bytes truncated(bytes b, size_t size)
{
    b.resize(size);
    return b;
}

bytes patched(bytes b, size_t offset, uint32_t value)
{
    set_u32(b, offset, value);
    return b;
}

const size_t SGEO_VERTEX = 20; // offset of the first skinned vertex
const size_t INFLUENCES = 32;  // offsets inside a skinned vertex
const size_t TAGS = 36;

bytes skinned_big(uint32_t vertices)
{
    skinned_desc d;
    d.vertices.assign(vertices, skinned_vertex({0, 0, 0}, {0, 0, 1}, 0, 0, {}));
    d.tags = {"root"};
    return skinned_file(d);
}

const malformed_case malformed_cases[] = {
    {"skeleton under its header", "m.skl", [] { return truncated(skeleton_file(two_joint_skeleton()), 15); }, "Empty skeleton file '"},
    {"skeleton one byte long", "m.skl", [] { return grown(skeleton_file(two_joint_skeleton()), 1); }, "Invalid skeleton file header '"},
    {"skeleton one byte short", "m.skl", [] { return grown(skeleton_file(two_joint_skeleton()), -1); }, "Invalid skeleton file header '"},
    {"skeleton magic", "m.skl", [] { return patched(skeleton_file(two_joint_skeleton()), 0, 0x6c656b73); }, "Invalid skeleton file header '"},
    {"skeleton version 2", "m.skl", [] { return patched(skeleton_file(two_joint_skeleton()), 4, 2); }, "Invalid skeleton file header '"},
    {"2^30 joints, no frames, as a 16-byte file", "m.skl", [] { return patched(skeleton_file({{}, {}}), 12, 1u << 30); }, "Invalid skeleton file header '"},
    {"2^31 joints by 2^31 frames", "m.skl", [] { return patched(patched(skeleton_file({{}, {}}), 12, 1u << 31), 8, 1u << 31); }, "Invalid skeleton file header '"},
    {"parent past the last joint", "m.skl", [] { return skeleton_with_parents({-1, 2}); }, "Invalid skeleton file header '"},
    {"parent below -1", "m.skl", [] { return skeleton_with_parents({-2}); }, "Invalid skeleton file header '"},
    {"joint its own parent", "m.skl", [] { return skeleton_with_parents({-1, 1}); }, "Invalid skeleton file header '"},
    {"cycle of three", "m.skl", [] { return skeleton_with_parents({-1, 3, 1, 2}); }, "Invalid skeleton file header '"},
    {"sgeo under its header", "m.sgm", [] { return bytes(19, 0); }, "Empty sgeo file '"},
    {"sgeo one byte long", "m.sgm", [] { return grown(skinned_file(two_tag_geometry()), 1); }, "Invalid sgeo file header '"},
    {"sgeo one byte short", "m.sgm", [] { return grown(skinned_file(two_tag_geometry()), -1); }, "Invalid sgeo file header '"},
    {"sgeo magic of a static file", "m.sgm", [] { return patched(skinned_file(two_tag_geometry()), 0, 0x72746d47); }, "Invalid sgeo file header '"},
    {"influence count -1", "m.sgm", [] { return patched(skinned_file(two_tag_geometry()), SGEO_VERTEX + INFLUENCES, uint32_t(-1)); }, "Invalid sgeo file header '"},
    {"influence count 5", "m.sgm", [] { return patched(skinned_file(two_tag_geometry()), SGEO_VERTEX + INFLUENCES, 5); }, "Invalid sgeo file header '"},
    {"tag past the tag table", "m.sgm", [] { return patched(skinned_file(two_tag_geometry()), SGEO_VERTEX + TAGS, 2); }, "Invalid sgeo file header '"},
    {"negative tag", "m.sgm", [] { return patched(skinned_file(two_tag_geometry()), SGEO_VERTEX + TAGS, uint32_t(-1)); }, "Invalid sgeo file header '"},
    {"skinned face past the vertices", "m.sgm", [] { return patched(skinned_file(two_tag_geometry()), SGEO_VERTEX + 3 * 68 + 8, 3); }, "Invalid sgeo file header '"},
    {"65537 skinned vertices", "m.sgm", [] { return skinned_big(65537); }, "Invalid sgeo file header '"},
    {"static under its header", "m.geo", [] { return truncated(static_file(box_with_locators()), 19); }, "Empty sgeo file '"},
    {"static one byte long", "m.geo", [] { return grown(static_file(box_with_locators()), 1); }, "Invalid sgeo file header '"},
    {"static one byte short", "m.geo", [] { return grown(static_file(box_with_locators()), -1); }, "Invalid sgeo file header '"},
    {"static version 0", "m.geo", [] { return patched(static_file(box_with_locators()), 4, 0); }, "Invalid sgeo file header '"},
    {"static face past the vertices", "m.geo", [] { return patched(static_file(box_with_locators()), 20 + 24 * 32, 24); }, "Invalid sgeo file header '"},
};

} // namespace

TEST_F(readers, malformed_files_are_refused_and_leave_the_reader_empty)
{
    for (const malformed_case &c : malformed_cases) {
        SCOPED_TRACE(c.what);
        const std::string name = std::string("models/") + c.name;
        put(name, c.make());
        EXPECT_EQ(load_error(name), c.error_kind + name + "'");
    }
}

TEST_F(readers, missing_files_throw_the_file_error)
{
    skeleton_c s;
    try {
        s.load("models/none.skl");
        FAIL() << "nothing thrown";
    } catch (const file_io_exception_c &) {
    }
    EXPECT_EQ(s.joints_count(), 0u);
}

TEST_F(readers, skeleton_keeps_joints_and_frames)
{
    put("models/s.skl", skeleton_file(two_joint_skeleton()));
    skeleton_c s("models/s.skl");
    EXPECT_EQ(s.frames_count(), 2u);
    EXPECT_EQ(s.joints_count(), 2u);
    EXPECT_EQ(s.joint(1).parent, 0);
    ASSERT_NE(s.transforms(), nullptr);
    EXPECT_EQ(s.transforms()[3].m[3][2], 1.0f); // frame 1, joint 1: the arm's offset
    EXPECT_EQ(error_of([&] { s.load("models/s.skl"); }),
              "Debug assertion failed! Expression: \"!m_joints_info && !m_transforms\"");
}

TEST_F(readers, joint_names_match_exactly_within_their_32_bytes)
{
    const std::string full(32, 'x'); // fills the field with no terminating zero
    skeleton_desc d{{{"Hip", -1}, {"hip", 0}, {full, 1}}, {std::vector<matrix_c>(3, matrix_identity)}};
    put("models/s.skl", skeleton_file(d));
    skeleton_c s("models/s.skl");
    EXPECT_EQ(s.find_joint("Hip"), 0);
    EXPECT_EQ(s.find_joint("hip"), 1);
    EXPECT_EQ(s.find_joint("HIP"), -1);
    EXPECT_EQ(s.find_joint("Hi"), -1);
    EXPECT_EQ(s.find_joint(full.c_str()), 2);
    EXPECT_EQ(s.find_joint((full + "x").c_str()), -1);
    EXPECT_EQ(s.joint_index("hip"), 1);
    EXPECT_EQ(error_of([&] { s.joint_index("knee"); }), "Joint 'knee' not found");
}

TEST_F(readers, a_failed_load_leaves_the_reader_ready_for_another)
{
    put("models/bad.skl", skeleton_with_parents({0}));
    put("models/good.skl", skeleton_file(two_joint_skeleton()));
    skeleton_c s;
    EXPECT_TRUE(error_of([&] { s.load("models/bad.skl"); }));
    s.load("models/good.skl");
    EXPECT_EQ(s.joints_count(), 2u);
}

TEST_F(readers, skinned_geometry_reads_unused_slots_as_they_are)
{
    skinned_desc d = two_tag_geometry();
    // Two influences; slots 2 and 3 hold what no check may look at.
    d.vertices[2].joints[2] = 77;
    d.vertices[2].joints[3] = -5;
    d.vertices[2].weights[2] = 9.0f;
    put("models/g.sgm", skinned_file(d));
    skinned_geometry_c g("models/g.sgm");
    ASSERT_EQ(g.vertices_count(), 3u);
    EXPECT_EQ(g.faces_count(), 1u);
    EXPECT_EQ(g.joint_tags_count(), 2u);
    EXPECT_EQ(g.vertices()[2].joints[2], 77);
    EXPECT_EQ(std::string(g.joint_tag(1).name), "arm");
    EXPECT_EQ(error_of([&] { g.joint_tag(2); }), "Debug assertion failed! Expression: \"jtindex < m_joint_tags_count\"");
    EXPECT_EQ(error_of([&] { g.load("models/g.sgm"); }),
              "Debug assertion failed! Expression: \"!m_vertices_count && !m_faces_count && !m_joint_tags_count\"");
}

TEST_F(readers, static_geometry_gives_vertices_faces_and_locators)
{
    put("models/box.geo", static_file(box_with_locators()));
    static_geometry_c g("models/box.geo");
    ASSERT_EQ(g.vertices_count(), 24u);
    ASSERT_EQ(g.faces_count(), 12u);
    ASSERT_EQ(g.locators_count(), 2u);

    vec3 p, n;
    vec2 uv;
    g.get_vertex(2, &p, &n, &uv); // the +x side's far corner
    EXPECT_EQ(p, vec3(1, 1, 2));
    EXPECT_EQ(n, vec3(1, 0, 0));
    EXPECT_EQ(uv, vec2(1, 1));
    g.get_vertex(0, nullptr, nullptr, &uv);
    EXPECT_EQ(uv, vec2(0, 0));
    EXPECT_EQ(g.face(0).index[1], 2u);
    EXPECT_EQ(error_of([&] { g.get_vertex(24, &p, nullptr, nullptr); }),
              "Debug assertion failed! Expression: \"vindex < m_vertices_count\"");
    EXPECT_EQ(error_of([&] { g.face(12); }), "Debug assertion failed! Expression: \"findex < m_faces_count\"");

    EXPECT_EQ(g.find_locator("Side"), 1);
    EXPECT_EQ(g.find_locator("side"), -1);
    EXPECT_EQ(g.locator_index("top"), 0);
    EXPECT_EQ(g.locator(0).matrix.m[3][2], 2.0f);
    EXPECT_EQ(error_of([&] { g.locator_index("side"); }), "Locator 'side' not found");
    EXPECT_EQ(error_of([&] { g.load("models/box.geo"); }),
              "Debug assertion failed! Expression: \"!m_vertices_count && !m_faces_count\"");
}

TEST_F(readers, static_geometry_without_locators_reports_a_missing_locator)
{
    static_desc d;
    add_quad_strip(d, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 3);
    put("models/floor.geo", static_file(d));
    static_geometry_c g("models/floor.geo");
    EXPECT_EQ(g.vertices_count(), 12u);
    EXPECT_EQ(g.find_locator("top"), -1);
    EXPECT_EQ(error_of([&] { g.locator_index("top"); }), "Locator 'top' not found");
}
