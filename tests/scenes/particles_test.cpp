// Particle systems on the recording device: emission over time, motion, facing, fading, the
// attribute rules and the instance's life.
#include "effects_fixture.h"

#include "basics/helpers.h"
#include "scenes/particles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class particles : public effects_fixture
{
protected:
    // A location with one particle system "p"; `extra` ("type name = value;" items) overrides or
    // adds attributes.
    particles_c *make(const std::string &extra)
    {
        static const char *const defaults[] = {
            "vec3 position = [0 0 0];", "vec3 angles = [0 0 0];", "int active = 1;", "int count = 10;",
            "string texture = \"spark\";", "vec3 color0 = [1 0.5 0];", "vec3 color1 = [0 0 1];", "int add = 0;",
            "int infinite = 0;", "int start_gradually = 0;", "float lifetime = 2;", "vec3 veclocity = [0 0 0];",
            "float size = 1;"};
        std::string items;
        for (const char *d : defaults) {
            const std::string item(d);
            const std::string name = item.substr(item.find(' '), item.find('=') - item.find(' '));
            if (extra.find(name) == std::string::npos)
                items += item + " ";
        }
        make_location("create particles { string id = \"p\"; " + items + extra + " };\n");
        return entity<particles_c>("p");
    }
    particle_instance_c *instance() { return entity<particles_c>("p")->instance(); }
    // The corners of the drawn quads, four per live particle.
    std::vector<vec3> corners()
    {
        particle_instance_c *i = instance();
        std::vector<vec3> out;
        for (const lit_vertex_s &v : vertices(i->vertex_buffer(), (size_t)i->live_count() * 4))
            out.push_back({v.x, v.y, v.z});
        return out;
    }
};

TEST_F(particles, emission_over_time_all_at_once_or_gradually)
{
    struct
    {
        const char *extra;
        std::vector<std::pair<float, int>> live_at; // (time of a drawing, live particles after it)
    } cases[] = {
        {"float lifetime = 1;", {{0.0f, 10}, {0.5f, 10}, {1.01f, 0}, {3.0f, 0}}},
        // Gradual births need infinite particles: without, all are born at once.
        {"float lifetime = 1; int start_gradually = 1;", {{0.0f, 10}, {1.01f, 0}}},
        {"int infinite = 1; int start_gradually = 1;", {{0.0f, 0}, {0.5f, 2}, {1.0f, 5}, {2.0f, 10}, {7.0f, 10}}},
        {"int infinite = 1;", {{0.0f, 10}, {2.5f, 10}, {9.0f, 10}}},
        {"float lifetime = 1; float lifetime_delta = 1;", {{0.0f, 10}, {0.99f, 10}, {2.01f, 0}}},
        // A lifetime of 0 gives no number of births to aim at in the first drawing, then all.
        {"int infinite = 1; int start_gradually = 1; float lifetime = 0;", {{0.0f, 0}, {1.0f, 10}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.extra);
        make(c.extra);
        EXPECT_EQ(nullptr, instance()->particles()) << "nothing is born before the first drawing";
        for (const auto &[time, live] : c.live_at) {
            rec->clear_log();
            frame(time, 0.01f);
            EXPECT_EQ(live, instance()->live_count()) << "at " << time;
            const std::vector<recording_call_s> d = draws();
            if (live == 0) {
                EXPECT_TRUE(d.empty()) << "at " << time;
                continue;
            }
            ASSERT_EQ(1u, d.size()) << "at " << time;
            EXPECT_EQ((DWORD)D3DPT_TRIANGLELIST, d[0].a);
            EXPECT_EQ((DWORD)live * 2, d[0].b);
            EXPECT_EQ((DWORD)live * 4, d[0].d);
        }
        drop_location();
    }
}

TEST_F(particles, births_draw_their_spread_from_the_seeded_generator)
{
    particles_c *p = make("float lifetime = 1; float lifetime_delta = 0.5; vec3 position_add = [0 0 1];"
                          " vec3 position_delta = [2 0 0]; vec3 velocity_delta = [0 3 0]; vec3 veclocity = [1 0 0];");
    p->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{5, 6, 7})), MSG_ARG(vec3_zero),
               MSG_ARG(vec3_one), MSG_ARGS_END);
    engine_srand(77);
    frame(0.0f, 0.0f);
    engine_srand(77);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        const particle_s &q = instance()->particles()[i];
        EXPECT_FLOAT_EQ(1.0f + random_unit() * 0.5f, q.lifetime);
        const float dx = random_signed() * 2.0f, dy = random_signed() * 0.0f, dz = random_signed() * 0.0f;
        EXPECT_EQ((vec3{5 + dx, 6 + dy, 8 + dz}), q.position);
        const float vx = random_signed() * 0.0f, vy = random_signed() * 3.0f, vz = random_signed() * 0.0f;
        EXPECT_EQ((vec3{1 + vx, vy, vz}), q.velocity);
        EXPECT_EQ(PARTICLE_ALIVE, q.flags);
    }
}

TEST_F(particles, a_falling_particle_follows_the_closed_form)
{
    make("int count = 1; float lifetime = 100; vec3 veclocity = [1 0 3]; float gravity = 2;"
         " vec3 position_add = [0 0 1];");
    const float dt = 0.05f;
    const int n = 40;
    for (int k = 1; k <= n; ++k)
        frame(k * dt, dt);
    const vec3 expected{n * dt, 0.0f, 1.0f + n * dt * 3.0f - 2.0f * dt * dt * n * (n - 1) / 2.0f};
    const particle_s &q = instance()->particles()[0];
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(expected[i], q.position[i], 1e-3f) << i;
    EXPECT_NEAR(3.0f - 2.0f * dt * n, q.velocity.z, 1e-4f);
    const std::vector<vec3> c = corners();
    const vec3 centre = (c[0] + c[1] + c[2] + c[3]) * 0.25f;
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(expected[i], centre[i], 1e-3f) << "the quad's centre, axis " << i;

    // A second drawing in the same tick moves nothing: the frame time was used up.
    draw_pass();
    EXPECT_EQ(q.position, instance()->particles()[0].position);
}

TEST_F(particles, quads_face_the_camera)
{
    struct
    {
        const char *extra;
    } cases[] = {{""}, {"float rotation_period = 1.5;"}, {"float rotation_period = -1.5;"},
                 {"float wobble_radius = 0.5; float wobble_period = 2; int wobble_lerp = 1;"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.extra);
        make(std::string("int count = 4; float size = 2; vec3 position_delta = [1 1 1]; vec3 veclocity = [0 1 0]; ") +
             c.extra);
        mgr->set_view({-5, 3, 2}, {0.3f, -0.7f, 0.0f}, 60.0f);
        frame(0.7f, 0.1f);
        frame(1.3f, 0.1f);
        const vec3 axis = d3d->get_view_axis('z');
        const std::vector<vec3> q = corners();
        ASSERT_EQ(16u, q.size());
        for (size_t i = 0; i < q.size(); i += 4) {
            vec3 n;
            n.cross(q[i + 1] - q[i], q[i + 3] - q[i]);
            // The front side (corners clockwise as the camera sees them) turns towards the camera.
            EXPECT_NEAR(-1.0f, dot(n, axis) / n.length(), 1e-4f) << "quad " << i / 4;
            EXPECT_NEAR(2.0f, (q[i + 1] - q[i]).length(), 1e-4f);
            EXPECT_NEAR(2.0f, (q[i + 3] - q[i]).length(), 1e-4f);
            EXPECT_NEAR(0.0f, dot(q[i + 1] - q[i], q[i + 3] - q[i]), 1e-4f) << "a square";
        }
        drop_location();
    }
}

TEST_F(particles, a_period_of_0_turns_that_motion_off)
{
    struct
    {
        const char *extra;
        int flags; // the wobble and rotation flags read
    } cases[] = {
        {"float wobble_radius = 1; float wobble_period = 0; int wobble_lerp = 0;", PARTICLES_WOBBLE},
        {"float rotation_period = 0;", PARTICLES_ROTATION},
        {"float wobble_radius = 1; float wobble_period = 0; int wobble_lerp = 1; float rotation_period = 0;",
         PARTICLES_WOBBLE | PARTICLES_WOBBLE_LERP | PARTICLES_ROTATION},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.extra);
        particles_c *p = make(std::string("int count = 3; vec3 veclocity = [1 0 0]; ") + c.extra);
        EXPECT_EQ(c.flags, p->params().flags);
        for (int k = 0; k < 5; ++k)
            frame(0.3f * k, 0.3f);
        const vec3 right = d3d->get_view_axis('x'), up = d3d->get_view_axis('y');
        const std::vector<vec3> q = corners();
        ASSERT_EQ(12u, q.size());
        for (size_t i = 0; i < q.size(); i += 4) {
            const vec3 &at = instance()->particles()[i / 4].position;
            const vec3 expected[4] = {at + 0.5f * (up - right), at + 0.5f * (up + right), at - 0.5f * (up - right),
                                      at - 0.5f * (up + right)};
            for (int j = 0; j < 4; ++j) {
                for (int a = 0; a < 3; ++a) {
                    ASSERT_TRUE(std::isfinite(q[i + j][a]));
                    EXPECT_NEAR(expected[j][a], q[i + j][a], 1e-5f) << "quad " << i / 4 << " corner " << j;
                }
            }
        }
        drop_location();
    }
}

TEST_F(particles, wobble_circles_the_path_on_axes_across_the_velocity)
{
    struct
    {
        const char *velocity;
        vec3 a, b;
    } cases[] = {
        // Too short to give a direction: the world's x-y plane.
        {"[0 0 0.00005]", {1, 0, 0}, {0, 1, 0}},
        {"[0 0 2]", {0, -1, 0}, {1, 0, 0}},
        {"[3 0 0]", {0, 0, 1}, {0, -1, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.velocity);
        make(std::string("int count = 1; float lifetime = 10; float wobble_radius = 0.5; float wobble_period = 4;"
                         " int wobble_lerp = 0; vec3 veclocity = ") +
             c.velocity + ";");
        EXPECT_EQ(c.a, instance()->wobble_axis_a());
        EXPECT_EQ(c.b, instance()->wobble_axis_b());
        // The centre keeps its distance from the path and stays across it.
        for (float t : {0.0f, 1.0f, 2.5f}) {
            frame(t, 0.0f);
            const std::vector<vec3> q = corners();
            const vec3 offset = (q[0] + q[1] + q[2] + q[3]) * 0.25f - instance()->particles()[0].position;
            EXPECT_NEAR(0.5f, offset.length(), 1e-4f) << t;
            vec3 along;
            along.cross(c.a, c.b);
            EXPECT_NEAR(0.0f, dot(offset, along), 1e-4f) << t;
        }
        drop_location();
    }

    // A negative period is its absolute value, and about half the particles turn the other way.
    particles_c *p = make("int count = 200; float wobble_radius = 1; float wobble_period = -2; int wobble_lerp = 1;");
    EXPECT_EQ(2.0f, p->params().wobble_period);
    EXPECT_EQ(PARTICLES_WOBBLE | PARTICLES_WOBBLE_LERP, p->params().flags);
    frame(0.0f, 0.0f);
    int backwards = 0;
    for (int i = 0; i < 200; ++i)
        backwards += (instance()->particles()[i].flags & PARTICLE_WOBBLE_BACKWARDS) ? 1 : 0;
    EXPECT_GT(backwards, 70);
    EXPECT_LT(backwards, 130);
}

TEST_F(particles, colour_size_and_alpha_hold_then_fade)
{
    // Lifetime 2, the first half stable: at age 0.5 the start values, at 1.5 halfway to the end.
    make("int count = 1; float stable_lifepart = 0.5; float size_grow = 2; vec3 color0 = [1 0.5 0];"
         " vec3 color1 = [0 0.5 1]; int add = 1;");
    // The emitter stands a quarter into the fog range in front of the camera.
    mgr->set_view(vec3_zero, vec3_zero, 90.0f);
    mgr->attribute("fog_distances")->set_vec2({10.0f, 50.0f});
    entity("p")->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{20, 0, 0})), MSG_ARG(vec3_zero),
                         MSG_ARG(vec3_one), MSG_ARGS_END);
    struct
    {
        float time;
        D3DCOLOR colour;
        float size;
    } steps[] = {
        {0.0f, 0xBFFF7F00u, 1.0f},
        {0.5f, 0xBFFF7F00u, 1.0f},
        {1.5f, 0x5F7F7F7Fu, 2.0f},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.time);
        rec->clear_log();
        frame(s.time, 0.0f);
        const std::vector<lit_vertex_s> v = vertices(instance()->vertex_buffer(), 4);
        for (const lit_vertex_s &x : v) {
            EXPECT_EQ(s.colour, x.diffuse);
            EXPECT_EQ(0.0f, x.nx + x.ny + x.nz);
        }
        EXPECT_NEAR(s.size, std::hypot(v[1].x - v[0].x, v[1].y - v[0].y, v[1].z - v[0].z), 1e-5f);
        EXPECT_EQ(0.0f, v[0].u + v[0].v);
        EXPECT_EQ(1.0f, v[2].u * v[2].v);
    }
    // Drawn additively with the vertex alpha times the texture's, flat and unlit, in world space.
    EXPECT_EQ((DWORD)D3DBLEND_ONE, rs(D3DRS_DESTBLEND));
    EXPECT_EQ((DWORD)D3DTOP_MODULATE, ts(D3DTSS_ALPHAOP));
    EXPECT_EQ((DWORD)D3DTA_DIFFUSE, ts(D3DTSS_ALPHAARG1));
    EXPECT_EQ(std::vector<DWORD>{(DWORD)D3DSHADE_FLAT}, render_state_at_draws(D3DRS_SHADEMODE, 0));
    EXPECT_EQ(std::vector<DWORD>{0u}, render_state_at_draws(D3DRS_LIGHTING, 1));
    EXPECT_EQ((DWORD)D3DSHADE_GOURAUD, rs(D3DRS_SHADEMODE));
    EXPECT_EQ(0, std::memcmp(&matrix_identity, &d3d->world_matrix(), sizeof(matrix_c)));
    EXPECT_EQ(RENDER_PRIORITY_PARTICLES, instance()->priority());
}

TEST_F(particles, attribute_rules)
{
    const std::string wobble_error =
        "Particle system 'p': if u define 'wobble_radius', u must also define 'wobble_period' && 'wobble_lerp'";
    struct
    {
        const char *extra, *error;
    } cases[] = {
        {"float wobble_radius = 1;", wobble_error.c_str()},
        {"float wobble_radius = 1; float wobble_period = 1;", wobble_error.c_str()},
        {"float wobble_radius = 1; int wobble_lerp = 1;", wobble_error.c_str()},
        {"float wobble_radius = 1; float wobble_period = 1; int wobble_lerp = 0;", ""},
        {"int count = 0;", "Particle system 'p': 'count' must be from 1 to 16384"},
        {"int count = 16385;", "Particle system 'p': 'count' must be from 1 to 16384"},
        {"int count = 16384;", ""},
        {"string texture = \"missing\";", "Texture 'sprites/missing' not found"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.extra);
        EXPECT_EQ(c.error, thrown([&] { make(c.extra); }));
        drop_location();
    }
    // The velocity's attribute is spelled as the scripts spell it.
    EXPECT_EQ("Could not find required attribute 'veclocity'", thrown([&] {
                  make_location("create particles { string id = \"q\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0];"
                                " int active = 1; int count = 1; string texture = \"s\"; vec3 color0 = [1 1 1];"
                                " vec3 color1 = [1 1 1]; int add = 0; int infinite = 0; int start_gradually = 0;"
                                " float lifetime = 1; float size = 1; vec3 velocity = [0 0 0]; };\n");
              }));
}

TEST_F(particles, activation_makes_a_fresh_instance_and_gives_the_old_one_back)
{
    particles_c *p = make("vec3 position = [1 2 3]; int active = 0;");
    EXPECT_EQ(nullptr, p->instance());
    EXPECT_EQ(0, mgr->live_slots());

    activate_location(location, "p", 1);
    particle_instance_c *first = p->instance();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(1, first->ref_count());
    EXPECT_EQ((vec3{1, 2, 3}), first->position());
    EXPECT_EQ(std::vector<std::string>{"sprites/spark"}, texture_names());
    frame(0.0f, 0.0f);
    EXPECT_EQ(10, first->live_count());

    // The instance follows the placement.
    p->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{4, 5, 6})), MSG_ARG(vec3_zero),
               MSG_ARG(vec3_one), MSG_ARGS_END);
    EXPECT_EQ((vec3{4, 5, 6}), first->position());

    activate_location(location, "p", 1);
    EXPECT_FALSE(first->alive()) << "the old instance is given back";
    ASSERT_NE(nullptr, p->instance());
    EXPECT_EQ(nullptr, p->instance()->particles()) << "emission starts again";
    EXPECT_EQ((vec3{4, 5, 6}), p->instance()->position());
    EXPECT_EQ(1, mgr->live_slots());

    activate_location(location, "p", 0);
    EXPECT_EQ(nullptr, p->instance());
    EXPECT_EQ(0, mgr->live_slots());
    root->collect_dead_children();
    EXPECT_TRUE(texture_names().empty()) << "the texture went with the instance";

    // Shutting the location down gives an active system's instance back.
    activate_location(location, "p", 1);
    EXPECT_EQ(1, mgr->live_slots());
    location->shutdown_tree();
    EXPECT_EQ(0, mgr->live_slots());
}

} // namespace
