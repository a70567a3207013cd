// Water: the adaptive triangulation, the waves and colours written on every tick, the draw, and
// the entity in a location.
#include "scene_fixture.h"

#include "scenes/water.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

namespace {

// The mesh of a rectangle centred on c, built whole; also returns the log line.
std::string build(water_mesh_c &mesh)
{
    const std::string mark = log_mark();
    mesh.generate();
    const std::vector<std::string> lines = log_since(mark);
    return lines.empty() ? "" : lines.back();
}

std::string error_of(const std::function<void()> &f) { return thrown_message(f); }

// Crack-free and consistent: every face turns the same way (anticlockwise seen from above), no
// face is there twice, every vertex lies on the surface, and no vertex sits in the middle of a
// face's edge (the T-junction a missing split would leave).
void expect_sound_mesh(const water_mesh_c &mesh)
{
    const std::vector<vec3> &v = mesh.vertices();
    const float left = mesh.origin().x, bottom = mesh.origin().y;
    const float right = left + (mesh.nx() + 1) * mesh.dx(), top = bottom + mesh.ny() * mesh.dy();
    const float eps = 1e-3f * std::min(mesh.dx(), mesh.dy());
    auto key = [&](const vec3 &p) {
        return std::make_pair((long)std::lround((p.x - left) / (mesh.dx() * 0.25f)),
                              (long)std::lround((p.y - bottom) / (mesh.dy() * 0.5f)));
    };
    std::set<std::pair<long, long>> at;
    for (const vec3 &p : v) {
        EXPECT_TRUE(p.x >= left - eps && p.x <= right + eps && p.y >= bottom - eps && p.y <= top + eps)
            << p.to_string();
        EXPECT_TRUE(at.insert(key(p)).second) << "two vertices at " << p.to_string();
    }
    std::set<std::array<int, 3>> seen;
    for (const water_mesh_c::face_s &f : mesh.faces()) {
        for (int i : f.v)
            ASSERT_TRUE(i >= 0 && i < (int)v.size());
        const vec3 &a = v[f.v[0]], &b = v[f.v[1]], &c = v[f.v[2]];
        EXPECT_GT((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x), 0.0f);
        std::array<int, 3> sorted{f.v[0], f.v[1], f.v[2]};
        std::sort(sorted.begin(), sorted.end());
        EXPECT_TRUE(seen.insert(sorted).second) << "a face twice";
        for (int e = 0; e < 3; ++e)
            EXPECT_EQ(0u, at.count(key((v[f.v[e]] + v[f.v[(e + 1) % 3]]) * 0.5f))) << "T-junction";
    }
}

TEST(water_mesh, counts_of_vertices_and_faces_and_the_log_line)
{
    struct
    {
        float width_x, width_y, step, lod;
        int nx, ny, vertices, faces;
    } cases[] = {
        // One block of nodes: two coarse triangles.
        {2, 2, 1, -1, 2, 2, 4, 2},
        {2, 2, 1, 100, 2, 2, 9, 8},
        // Only the lower triangle's centre (1, 2/3) lies within 0.5 of the centre (1, 1): it
        // splits in four, its neighbour in two at the shared edge's midpoint.
        {2, 2, 1, 0.5f, 2, 2, 7, 6},
        // 10 / 3 = 3.33 -> 3 -> 2 columns; 10 / (3 x 0.866) = 3.85 -> 2 rows.
        {10, 10, 3, -1, 2, 2, 4, 2},
        // 10 columns, 11.5 -> 10 rows: coarse (nx/2 + 1)(ny/2 + 1) and nx ny / 2; whole
        // (nx + 1)(ny + 1) and 2 nx ny.
        {10, 10, 1, -1, 10, 10, 36, 50},
        {10, 10, 1, 20, 10, 10, 121, 200},
        {7.9f, 10, 1, -1, 6, 10, 24, 30},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width_x << " x " << c.width_y << " step " << c.step << " lod " << c.lod);
        water_mesh_c mesh(vec3(1, 1, 0.5f), c.width_x, c.width_y, c.step, c.lod);
        EXPECT_EQ(c.nx, mesh.nx());
        EXPECT_EQ(c.ny, mesh.ny());
        EXPECT_EQ("Water mesh generated, " + std::to_string(c.vertices) + " vertices, " + std::to_string(c.faces) +
                      " faces",
                  build(mesh));
        EXPECT_EQ(c.vertices, (int)mesh.vertices().size());
        EXPECT_EQ(c.faces, (int)mesh.faces().size());
        expect_sound_mesh(mesh);
    }
}

TEST(water_mesh, smallest_mesh_by_hand)
{
    // Origin (0, 0); dx = 1, dy = 1; rows 0 and 2 are a whole cell apart in x.
    water_mesh_c mesh(vec3(1, 1, 0.5f), 2, 2, 1, 0.5f);
    build(mesh);
    const std::vector<vec3> expected_vertices = {{0, 0, 0.5f},   {1, 0, 0.5f}, {0.5f, 1, 0.5f}, {2, 0, 0.5f},
                                                 {1.5f, 1, 0.5f}, {1, 2, 0.5f}, {3, 2, 0.5f}};
    EXPECT_EQ(expected_vertices, mesh.vertices());
    // The split lower triangle (c0 m0 m2, m0 c1 m1, m1 c2 m2, m0 m1 m2), then the upper one split
    // in two at its edge c1-c2.
    const int expected_faces[][3] = {{0, 1, 2}, {1, 3, 4}, {4, 5, 2}, {1, 4, 2}, {4, 6, 5}, {4, 3, 6}};
    ASSERT_EQ(6u, mesh.faces().size());
    for (int f = 0; f < 6; ++f)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(expected_faces[f][k], mesh.faces()[f].v[k]) << "face " << f;
}

TEST(water_mesh, refinement_around_the_centre_is_crack_free)
{
    struct
    {
        float width_x, width_y, step, lod;
    } cases[] = {{20, 20, 0.5f, 3}, {20, 12, 0.5f, 7.5f}, {9, 30, 0.7f, 2}, {16, 16, 0.25f, 0.3f}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width_x << " x " << c.width_y << " lod " << c.lod);
        water_mesh_c mesh(vec3(-3, 4, 0), c.width_x, c.width_y, c.step, c.lod);
        build(mesh);
        const int coarse = mesh.nx() * mesh.ny() / 2, whole = 2 * mesh.nx() * mesh.ny();
        EXPECT_GT((int)mesh.faces().size(), coarse);
        EXPECT_LT((int)mesh.faces().size(), whole);
        expect_sound_mesh(mesh);
        // Fine triangles only near the centre: every vertex at a node between the coarse corners
        // lies within the radius plus the reach of the transitions.
        for (const vec3 &p : mesh.vertices()) {
            const int row = (int)std::lround((p.y - mesh.origin().y) / mesh.dy());
            const float shift = (2 - std::abs(row % 4 - 2)) * 0.5f;
            const int col = (int)std::lround((p.x - mesh.origin().x) / mesh.dx() - shift);
            if (row % 2 || col % 2) {
                EXPECT_LE(std::hypot(p.x + 3, p.y - 4), c.lod + 4 * std::max(mesh.dx(), mesh.dy())) << col << "," << row;
            }
        }
    }
}

TEST(water_mesh, invalid_sizes_and_triangulation_errors)
{
    struct
    {
        float width_x, width_y, step, lod;
        const char *error;
    } cases[] = {
        {1, 10, 3, 1, "Invalid mesh size and/or step"},
        {10, 2, 3, 1, "Invalid mesh size and/or step"},
        {10, 10, 0, 1, "Invalid mesh size and/or step"},
        {10, 10, -1, 1, "Invalid mesh size and/or step"},
        {10, 10, NAN, 1, "Invalid mesh size and/or step"},
        {INFINITY, 10, 1, 1, "Invalid mesh size and/or step"},
        // 600 x 692 cells: even the coarse corners are more than 16-bit indices reach.
        {600, 600, 1, -1, "Invalid mesh size and/or step"},
        // 300 x 346 cells: the coarse mesh fits, the whole one (301 x 347 vertices) does not.
        {300, 300, 1, -1, ""},
        {300, 300, 1, 1000, "Invalid mesh size and/or step"},
        {10, 10, 3, 1, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width_x << " x " << c.width_y << " step " << c.step << " lod " << c.lod);
        EXPECT_EQ(c.error, error_of([&] {
                      water_mesh_c mesh(vec3(0, 0, 0), c.width_x, c.width_y, c.step, c.lod);
                      mesh.generate();
                  }));
    }

    // Refined edges that no split of the passes before could have left.
    water_mesh_c adapt(vec3(1, 1, 0), 2, 2, 1, -1);
    EXPECT_EQ(0, adapt.sweep(0));
    EXPECT_EQ(0, adapt.sweep(1));
    adapt.node_vertex(1, 0);
    adapt.node_vertex(0, 1);
    EXPECT_EQ("Triangulation error (ADAPT)", error_of([&] { adapt.sweep(2); }));
    water_mesh_c last(vec3(1, 1, 0), 2, 2, 1, -1);
    last.node_vertex(1, 1);
    EXPECT_EQ("Triangulation error (FINAL)", error_of([&] { last.sweep(3); }));
}

// ---- the surface in a location ----

class water_scene : public scene_fixture
{
protected:
    void SetUp() override
    {
        scene_fixture::SetUp();
        use_game_templates_and_textures();
    }
    static std::string water_block(const std::string &size = "float step = 1; float width_x = 10; float width_y = 10;",
                                   const char *texture = "water")
    {
        return std::string("create water { string id = \"pool\"; vec3 center = [2 -3 0.5]; ") + size +
               " float lod_radius = 2; vec3 color_tangent = [1 0.5 0]; vec3 color_straight = [0 0.2 1];"
               " float alpha_tangent = 0.9; float alpha_straight = 0.3; string texture = \"" +
               texture + "\"; float texture_factor = 4; };\n";
    }
    water_resource_c *pool() { return entity<water_c>("pool")->surface(); }
    static const lit_vertex_s *written(water_resource_c *w)
    {
        return reinterpret_cast<const lit_vertex_s *>(reinterpret_cast<const d3d_buffer_c *>(w->vertex_buffer())->bytes().data());
    }
    void camera_at(const vec3 &p) { d3d->set_camera(placement{p, vec3_zero, vec3_one}, 90); }

    // What the surface must hold for a vertex at (x, y) last recomputed at time t.
    static lit_vertex_s expected(const water_params_s &p, float x, float y, float t, const vec3 &eye)
    {
        float z = p.center.z, slope = 0;
        const float a[2] = {0.2f, 0.1f}, fx[2] = {1.0f, -0.7f}, fy[2] = {0.5f, 0.0f}, ft[2] = {1.0f, 0.6f};
        for (int k = 0; k < 2; ++k) {
            z += a[k] * std::sin(t * ft[k] + x * fx[k] + y * fy[k]);
            slope += a[k] * fx[k] * std::cos(t * ft[k] + x * fx[k] + y * fy[k]);
        }
        const float len = std::sqrt(slope * slope + 1);
        const vec3 n(-slope / len, 0, 1 / len), e = eye - vec3(x, y, z);
        const float f = std::clamp((dot(e, n) / e.length() - 0.25f) * 1.5f, 0.0f, 1.0f);
        const vec3 color = p.color_tangent + (p.color_straight - p.color_tangent) * f;
        return lit_vertex_s{x, y, z, n.x, n.y, n.z,
                            d3d_color(color.x, color.y, color.z, (1 - f) * p.alpha_tangent + f * p.alpha_straight),
                            (x - p.center.x) * p.texture_factor / p.width_x,
                            (y - p.center.y) * p.texture_factor / p.width_y};
    }
    static void expect_vertex(const lit_vertex_s &want, const lit_vertex_s &got, int i)
    {
        SCOPED_TRACE(testing::Message() << "vertex " << i);
        EXPECT_FLOAT_EQ(want.x, got.x);
        EXPECT_FLOAT_EQ(want.y, got.y);
        EXPECT_NEAR(want.z, got.z, 1e-5f);
        EXPECT_NEAR(want.nx, got.nx, 1e-5f);
        EXPECT_EQ(0.0f, got.ny);
        EXPECT_NEAR(want.nz, got.nz, 1e-5f);
        for (int shift = 0; shift < 32; shift += 8)
            EXPECT_NEAR(int(want.diffuse >> shift & 0xFF), int(got.diffuse >> shift & 0xFF), 1) << "byte " << shift / 8;
        EXPECT_NEAR(want.u, got.u, 1e-5f);
        EXPECT_NEAR(want.v, got.v, 1e-5f);
    }
};

TEST_F(water_scene, heights_normals_and_colours_after_n_ticks_with_half_the_vertices_each_tick)
{
    const vec3 eye(-6, 1, 9);
    camera_at(eye);
    make_location(water_block());
    water_resource_c *w = pool();
    ASSERT_NE(nullptr, w);
    const water_params_s &p = w->params();
    const int count = w->vertices_count();
    ASSERT_EQ(count, (int)reinterpret_cast<const d3d_buffer_c *>(w->vertex_buffer())->bytes().size() / 36);

    // Built at frame 0: the odd vertices hold their time-0 wave, the even ones lie flat, with no
    // normal and no colour yet.
    std::vector<vec3> flat(count);
    for (int i = 0; i < count; ++i) {
        const lit_vertex_s &v = written(w)[i];
        flat[i] = vec3(v.x, v.y, p.center.z);
        if (i % 2)
            expect_vertex(expected(p, v.x, v.y, 0, eye), v, i);
        else
            EXPECT_TRUE(v.z == p.center.z && v.nz == 0 && v.diffuse == 0) << i;
    }

    const float times[] = {0.25f, 0.5f, 1.75f, 3.0f};
    for (int n = 1; n <= 4; ++n) {
        tick(times[n - 1]);
        ASSERT_EQ(n, w->frame_counter());
        for (int i = 0; i < count; ++i) {
            // Recomputed at tick n when its parity differs from n's, else at tick n - 1.
            const int last = i % 2 != n % 2 ? n : n - 1;
            const float t = last == 0 ? 0.0f : times[last - 1];
            expect_vertex(expected(p, flat[i].x, flat[i].y, t, eye), written(w)[i], i);
        }
    }
}

TEST_F(water_scene, colour_by_viewing_angle)
{
    // A flat pool would see every vertex alike; vertex 1 is recomputed at construction. Its
    // height at time 0 is worked out the way the surface does it.
    make_location(water_block());
    const water_params_s p = pool()->params();
    const lit_vertex_s v1 = written(pool())[1];
    const float z1 = p.center.z + 0.2f * std::sin(0.0f * 1.0f + v1.x * 1.0f + v1.y * 0.5f) +
                     0.1f * std::sin(0.0f * 0.6f + v1.x * -0.7f + v1.y * 0.0f);
    const D3DCOLOR straight = d3d_color(0, 0.2f, 1, 0.3f), tangent = d3d_color(1, 0.5f, 0, 0.9f);
    struct
    {
        const char *what;
        vec3 eye;
        D3DCOLOR colour;
    } cases[] = {
        {"from far above", vec3(v1.x, v1.y, 1e4f), straight},
        {"level with it along y, where the normal has no part", vec3(v1.x, v1.y + 1e4f, z1), tangent},
        {"from below", vec3(v1.x, v1.y, -1e4f), tangent},
        // No direction to see it from: straight, not a division by zero.
        {"from the vertex itself", vec3(v1.x, v1.y, z1), straight},
    };
    location->shutdown_tree();
    root->collect_dead_children();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        camera_at(c.eye);
        make_location(water_block());
        EXPECT_EQ(z1, written(pool())[1].z);
        EXPECT_EQ(c.colour, written(pool())[1].diffuse);
        location->shutdown_tree();
        root->collect_dead_children();
    }
}

TEST_F(water_scene, draws_as_water_and_gives_its_reference_back)
{
    make_location(water_block());
    water_resource_c *w = pool();
    ASSERT_EQ(1, w->ref_count());
    EXPECT_EQ(RENDER_PRIORITY_WATER, w->priority());
    w->message(MSG_VAR(model_set_alpha), 0, nullptr, MSG_ARG(0.5f), MSG_ARGS_END);
    EXPECT_EQ(RENDER_PRIORITY_WATER, w->priority()) << "whatever its alpha";

    rec->clear_log();
    d3d->begin_scene();
    render_pass();
    d3d->end_scene();
    const std::vector<recording_call_s> drawn = rec->calls(recording_call_e::draw_indexed);
    ASSERT_EQ(1u, drawn.size());
    EXPECT_EQ((DWORD)D3DPT_TRIANGLELIST, drawn[0].a);
    EXPECT_EQ((DWORD)w->faces_count(), drawn[0].b);
    EXPECT_EQ((DWORD)w->vertices_count(), drawn[0].d);
    const std::vector<recording_call_s> streams = rec->calls(recording_call_e::stream);
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ((const void *)w->vertex_buffer(), streams.back().ptr);
    EXPECT_EQ(36u, streams.back().b);
    EXPECT_EQ((DWORD)FALSE, rs(D3DRS_LIGHTING));
    EXPECT_EQ((DWORD)TRUE, rs(D3DRS_ALPHABLENDENABLE));
    EXPECT_EQ((DWORD)D3DTA_DIFFUSE, ts(D3DTSS_ALPHAARG1));

    // The index buffer holds the faces as 16-bit indices.
    const std::vector<BYTE> &ib = reinterpret_cast<const d3d_buffer_c *>(w->index_buffer())->bytes();
    ASSERT_EQ((size_t)w->faces_count() * 6, ib.size());
    for (int f = 0; f < w->faces_count(); ++f)
        for (int k = 0; k < 3; ++k) {
            WORD index;
            std::memcpy(&index, &ib[(f * 3 + k) * 2], 2);
            ASSERT_EQ(w->faces()[f].v[k], index);
        }

    location->shutdown_tree();
    EXPECT_FALSE(w->alive());
    root->collect_dead_children();
    EXPECT_EQ(0, mgr->live_slots());
}

TEST_F(water_scene, errors_of_the_entity_leave_nothing_behind)
{
    struct
    {
        std::string script, error;
    } cases[] = {
        {water_block("float step = 3; float width_x = 1; float width_y = 10;"), "Invalid mesh size and/or step"},
        {water_block("float step = 1; float width_y = 10;"), "Could not find required attribute 'width_x'"},
        {water_block(), "Texture 'missing' not found"},
    };
    cases[2].script = water_block("float step = 1; float width_x = 10; float width_y = 10;", "missing");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.script);
        const std::string error = thrown([&] { make_location(c.script); });
        EXPECT_NE(std::string::npos, error.find(c.error)) << error;
        root->collect_dead_children();
        EXPECT_EQ(0, mgr->live_slots());
    }
}

} // namespace
