// The sky box and the fog dome on the recording device.
#include "effects_fixture.h"

#include "scenes/sky.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class sky : public effects_fixture
{
protected:
    sky_instance_c *make(float zenith = 35.0f, float horizon = 85.0f)
    {
        make_location("create sky { string id = \"sky\"; float zenith_distance = " + std::to_string(zenith) +
                      "; float horizon_distance = " + std::to_string(horizon) + "; string name = \"blue\"; };\n");
        return entity<sky_c>("sky")->instance();
    }
    void fog(int on, vec2 distances = {10.0f, 110.0f}, vec3 colour = {0.2f, 0.4f, 0.6f})
    {
        *mgr->attribute("fog_enabled") = value_c(on);
        mgr->attribute("fog_distances")->set_vec2(distances);
        mgr->attribute("fog_color")->set_vec3(colour);
    }
    // The value of a stage-0 state at each draw since the log was cleared.
    std::vector<DWORD> stage_state_at_draws(D3DTEXTURESTAGESTATETYPE state, DWORD before) const
    {
        std::vector<DWORD> out;
        DWORD value = before;
        for (const recording_call_s &c : rec->log) {
            if (c.call == recording_call_e::stage_state && c.a == 0 && c.b == (DWORD)state)
                value = c.c;
            if (c.call == recording_call_e::draw || c.call == recording_call_e::draw_indexed)
                out.push_back(value);
        }
        return out;
    }
};

TEST_F(sky, six_faces_around_the_camera_without_fog)
{
    use_templates("template sky_resource_tpl { float size = 10; int detail = 4; };");
    sky_instance_c *s = make();
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(RENDER_PRIORITY_SKY, s->priority());
    EXPECT_EQ(1, s->ref_count());
    EXPECT_EQ((std::vector<std::string>{"sky/blue/front", "sky/blue/right", "sky/blue/back", "sky/blue/left",
                                        "sky/blue/top", "sky/blue/bottom"}),
              texture_names());

    // Quad k: o + u, o, o + v, o + u + v with the whole texture on it, white, normal up.
    const struct
    {
        vec3 o, u, v;
    } faces[6] = {
        {{-5, -5, -5}, {10, 0, 0}, {0, 0, 10}}, {{5, -5, -5}, {0, 10, 0}, {0, 0, 10}},
        {{5, 5, -5}, {-10, 0, 0}, {0, 0, 10}},  {{-5, 5, -5}, {0, -10, 0}, {0, 0, 10}},
        {{-5, -5, 5}, {10, 0, 0}, {0, 10, 0}},  {{-5, 5, -5}, {10, 0, 0}, {0, -10, 0}},
    };
    const std::vector<lit_vertex_s> box = vertices(s->box_buffer(), 24);
    for (int k = 0; k < 6; ++k) {
        const vec3 &o = faces[k].o, &u = faces[k].u, &v = faces[k].v;
        const vec3 at[4] = {o + u, o, o + v, o + u + v};
        const float uv[4][2] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};
        for (int i = 0; i < 4; ++i) {
            const lit_vertex_s &x = box[4 * k + i];
            EXPECT_EQ(at[i], (vec3{x.x, x.y, x.z})) << "face " << k << " vertex " << i;
            EXPECT_EQ(uv[i][0], x.u);
            EXPECT_EQ(uv[i][1], x.v);
            EXPECT_EQ((vec3{0, 0, 1}), (vec3{x.nx, x.ny, x.nz}));
            EXPECT_EQ(0xFFFFFFFFu, x.diffuse);
        }
    }

    fog(0);
    mgr->set_view({3, 4, 5}, {0.2f, 1.0f, 0.0f}, 70.0f);
    rec->clear_log();
    draw_pass();
    const std::vector<recording_call_s> d = draws();
    ASSERT_EQ(6u, d.size()) << "no dome without fog";
    for (DWORD k = 0; k < 6; ++k) {
        EXPECT_EQ(recording_call_e::draw, d[k].call);
        EXPECT_EQ((DWORD)D3DPT_TRIANGLEFAN, d[k].a);
        EXPECT_EQ(2u, d[k].b);
        EXPECT_EQ(4 * k, d[k].c);
    }
    EXPECT_EQ(std::vector<DWORD>(6, (DWORD)D3DTADDRESS_CLAMP), stage_state_at_draws(D3DTSS_ADDRESSU, 0));
    EXPECT_EQ(std::vector<DWORD>(6, (DWORD)D3DTADDRESS_CLAMP), stage_state_at_draws(D3DTSS_ADDRESSV, 0));
    EXPECT_EQ(std::vector<DWORD>(6, 0u), render_state_at_draws(D3DRS_LIGHTING, 1));
    EXPECT_EQ(std::vector<DWORD>(6, 0u), render_state_at_draws(D3DRS_ALPHABLENDENABLE, 1));
    EXPECT_EQ((DWORD)D3DTADDRESS_WRAP, ts(D3DTSS_ADDRESSU));
    EXPECT_EQ((DWORD)D3DTADDRESS_WRAP, ts(D3DTSS_ADDRESSV));
    // Fog stays as the model pass left it: switched only there.
    size_t fog_switches = 0;
    for (const recording_call_s &c : rec->log)
        fog_switches += c.call == recording_call_e::render_state && c.a == D3DRS_FOGENABLE;
    EXPECT_EQ(1u, fog_switches);
    // The box stands at the camera, unturned; the depth range is set for it and put back.
    const matrix_c &world = d3d->world_matrix();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(matrix_identity.m[r][c], world.m[r][c], 1e-6f) << r << "," << c;
    EXPECT_EQ((vec3{3, 4, 5}), (vec3{world.m[3][0], world.m[3][1], world.m[3][2]}));
    EXPECT_EQ(2u, rec->count(recording_call_e::viewport));
    EXPECT_EQ(0.0f, d3d->viewport().MinZ);
    EXPECT_EQ(1.0f, d3d->viewport().MaxZ);

    // The location's end gives the instance and its textures back.
    drop_location();
    EXPECT_EQ(0, mgr->live_slots());
    root->collect_dead_children();
    EXPECT_TRUE(texture_names().empty());
}

TEST_F(sky, the_fog_dome_follows_the_fog_at_every_drawing)
{
    use_templates("template sky_resource_tpl { float size = 10; int detail = 4; };");
    struct
    {
        float zenith, horizon;
        vec2 distances;
        int ring_alpha[3], pole_alpha;
    } cases[] = {
        {35, 85, {10, 110}, {154, 64, 154}, 191},
        // Nearer than the fog start and beyond its end: the poles fully fogged.
        {5, 200, {10, 110}, {180, 0, 180}, 255},
        // A fog that starts where it ends.
        {35, 85, {50, 50}, {180, 0, 180}, 255},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.zenith);
        sky_instance_c *s = make(c.zenith, c.horizon);
        EXPECT_EQ(nullptr, s->dome_buffer());
        EXPECT_EQ(14, s->dome_vertex_count());
        EXPECT_EQ(24, s->dome_triangle_count());
        fog(1, c.distances);
        rec->clear_log();
        draw_pass();

        const std::vector<lit_vertex_s> dome = vertices(s->dome_buffer(), 14);
        const float pi = 3.14159265f;
        for (int r = 0; r < 3; ++r) {
            const float e = (r + 1) * pi / 4 - pi / 2;
            for (int j = 0; j < 4; ++j) {
                const lit_vertex_s &x = dome[4 * r + j];
                const vec3 expected{4.5f * std::cos(e) * std::cos(j * pi / 2), 4.5f * std::cos(e) * std::sin(j * pi / 2),
                                    4.5f * std::sin(e)};
                for (int a = 0; a < 3; ++a)
                    EXPECT_NEAR(expected[a], (vec3{x.x, x.y, x.z})[a], 1e-5f) << "ring " << r << " segment " << j;
                EXPECT_EQ((D3DCOLOR)c.ring_alpha[r] << 24 | 0x336699u, x.diffuse) << "ring " << r;
                EXPECT_EQ((vec3{0, 0, 1}), (vec3{x.nx, x.ny, x.nz}));
            }
        }
        EXPECT_EQ((vec3{0, 0, -4.5f}), (vec3{dome[12].x, dome[12].y, dome[12].z}));
        EXPECT_EQ((vec3{0, 0, 4.5f}), (vec3{dome[13].x, dome[13].y, dome[13].z}));
        for (int p : {12, 13})
            EXPECT_EQ((D3DCOLOR)c.pole_alpha << 24 | 0x336699u, dome[p].diffuse);

        // The box, then the dome over it without depth, blended by the vertices' alpha, untextured;
        // device fog off for both and back on after.
        const std::vector<recording_call_s> d = draws();
        ASSERT_EQ(7u, d.size());
        EXPECT_EQ(recording_call_e::draw_indexed, d[6].call);
        EXPECT_EQ(24u, d[6].b);
        EXPECT_EQ(14u, d[6].d);
        const std::vector<DWORD> box_then_dome{1, 1, 1, 1, 1, 1, 0};
        EXPECT_EQ(std::vector<DWORD>(7, 0u), render_state_at_draws(D3DRS_FOGENABLE, 1));
        EXPECT_EQ(box_then_dome, render_state_at_draws(D3DRS_ZENABLE, 1));
        EXPECT_EQ(box_then_dome, render_state_at_draws(D3DRS_ZWRITEENABLE, 1));
        EXPECT_EQ((std::vector<DWORD>{0, 0, 0, 0, 0, 0, 1}), render_state_at_draws(D3DRS_ZBIAS, 0));
        EXPECT_EQ((std::vector<DWORD>{0, 0, 0, 0, 0, 0, 1}), render_state_at_draws(D3DRS_ALPHABLENDENABLE, 0));
        EXPECT_EQ((DWORD)D3DTA_DIFFUSE, ts(D3DTSS_ALPHAARG1));
        EXPECT_EQ(nullptr, d3d->device()->state().textures[0]);
        EXPECT_EQ(1u, rs(D3DRS_FOGENABLE));
        EXPECT_EQ(1u, rs(D3DRS_ZENABLE));
        EXPECT_EQ(1u, rs(D3DRS_ZWRITEENABLE));
        EXPECT_EQ(0u, rs(D3DRS_ZBIAS));

        // A new fog colour shows in the next drawing.
        fog(1, c.distances, {1.0f, 0.0f, 0.0f});
        draw_pass();
        EXPECT_EQ(0xFF0000u, vertices(s->dome_buffer(), 14)[0].diffuse & 0xFFFFFFu);
        drop_location();
    }
}

TEST_F(sky, dome_rings_and_the_detail_allowed)
{
    struct
    {
        std::string templates;
        const char *error;
        int vertices, triangles;
    } cases[] = {
        {"float size = 10; int detail = 2;", "", 4, 4},
        {"float size = 10; int detail = 3;", "", 8, 12},
        {"float size = 10; int detail = 256;", "", 65282, 130560},
        {"float size = 10; int detail = 1;", "Sky 'detail' must be from 2 to 256", 0, 0},
        {"float size = 10; int detail = -3;", "Sky 'detail' must be from 2 to 256", 0, 0},
        {"float size = 10; int detail = 257;", "Sky 'detail' must be from 2 to 256", 0, 0},
        {"int detail = 4;", "Could not find required attribute 'size'", 0, 0},
        {"float size = 10;", "Could not find required attribute 'detail'", 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.templates);
        use_templates("template sky_resource_tpl { " + c.templates + " };");
        sky_instance_c *s = nullptr;
        EXPECT_EQ(c.error, thrown([&] { s = make(); }));
        if (!s) {
            EXPECT_EQ(0, mgr->live_slots());
            root->collect_dead_children();
            EXPECT_TRUE(texture_names().empty()) << "a refused sky keeps nothing";
            continue;
        }
        EXPECT_EQ(c.vertices, s->dome_vertex_count());
        EXPECT_EQ(c.triangles, s->dome_triangle_count());
        const std::vector<WORD> index = indices(s->dome_indices());
        ASSERT_EQ((size_t)c.triangles * 3, index.size());
        EXPECT_EQ(c.vertices - 1, *std::max_element(index.begin(), index.end()));
        if (c.vertices == 4) {
            // One ring of two, then the bottom pole (2) and the top pole (3).
            EXPECT_EQ((std::vector<WORD>{1, 2, 0, 0, 3, 1, 0, 2, 1, 1, 3, 0}), index);
        }
        if (c.vertices == 8) {
            // Between the rings first, (r, j), (r+1, j+1), (r, j+1) and (r, j), (r+1, j), (r+1, j+1).
            EXPECT_EQ((std::vector<WORD>{0, 4, 1, 0, 3, 4}), std::vector<WORD>(index.begin(), index.begin() + 6));
            EXPECT_EQ((std::vector<WORD>{2, 3, 0, 2, 5, 3}), std::vector<WORD>(index.begin() + 12, index.begin() + 18));
        }
        drop_location();
    }
}

} // namespace
