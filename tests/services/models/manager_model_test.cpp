// The model manager's table, view, fog and render pass, and the renderable entity's state and
// master/slave links, on the recording device.
#include "model_manager_fixture.h"

#include "basics/vaultfile_obj.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using model_manager = model_manager_fixture;

std::string names(const std::vector<std::string> &v)
{
    std::string s;
    for (const std::string &e : v)
        s += (s.empty() ? "" : " ") + e;
    return s;
}

// Camera at the origin with zero angles: the view axis is +x, so the distance is x.
TEST_F(model_manager, draws_by_priority_then_farthest_first_skipping_holes_and_hidden)
{
    data("m");
    probe_model_c *near_opaque = load("m");   // m#1
    probe_model_c *far_opaque = load("m");    // m#2
    probe_model_c *gone = load("m");          // m#3: becomes a hole
    probe_model_c *blended_far = load("m");   // m#4
    probe_model_c *blended_near = load("m");  // m#5
    probe_model_c *sky = load("m");           // m#6
    probe_model_c *nan_opaque = load("m");    // m#7
    probe_model_c *hidden = load("m");        // m#8
    probe_model_c *particles = load("m");     // m#9
    probe_model_c *equal_a = load("m");       // m#10
    probe_model_c *equal_b = load("m");       // m#11

    near_opaque->set(vec3{10, 0, 0});
    far_opaque->set(vec3{100, 5, 5});
    blended_far->set(vec3{90, 0, 0});
    blended_far->message(MSG_VAR(model_set_alpha), 0, nullptr, MSG_ARG(0.5f), MSG_ARGS_END);
    blended_near->set(vec3{-20, 0, 0}); // behind the camera: nearest of all
    blended_near->set_blended_texture();
    sky->set(vec3{1, 0, 0});
    sky->force_priority(RENDER_PRIORITY_SKY);
    nan_opaque->set(vec3{std::numeric_limits<float>::quiet_NaN(), 0, 0});
    hidden->set(vec3{50, 0, 0});
    hidden->message(MSG_VAR(model_show), 0, nullptr, MSG_ARG(0), MSG_ARGS_END);
    particles->set(vec3{500, 0, 0});
    particles->force_priority(RENDER_PRIORITY_PARTICLES);
    equal_a->set(vec3{30, 0, 0});
    equal_b->set(vec3{30, 0, 0});
    release(gone);
    ASSERT_EQ(11, mgr->slot_count()) << "the hole stays in the table";

    render_pass();
    EXPECT_EQ("m#6 m#7 m#2 m#10 m#11 m#1 m#4 m#5 m#9", names(draws));
    // The hidden instance was sorted with the others, and the hole is last.
    EXPECT_EQ(hidden, mgr->slot(3).instance);
    EXPECT_EQ(nullptr, mgr->slot(10).instance);

    // One draw call per shown instance; the recorded world matrices follow the draw order.
    std::vector<recording_call_s> worlds;
    for (const recording_call_s &c : rec->calls(recording_call_e::transform))
        if (c.a == D3DTS_WORLD)
            worlds.push_back(c);
    EXPECT_EQ(9u, worlds.size());

    // A second pass in the same order keeps it.
    render_pass();
    EXPECT_EQ("m#6 m#7 m#2 m#10 m#11 m#1 m#4 m#5 m#9", names(draws));

    // Turning the camera round (yaw pi) reverses the distances within each priority.
    mgr->set_view(vec3_zero, vec3{0, ENGINE_PI, 0}, 90.0f);
    render_pass();
    EXPECT_EQ("m#6 m#7 m#1 m#10 m#11 m#2 m#5 m#4 m#9", names(draws));
}

TEST_F(model_manager, the_pass_sets_camera_lighting_culling_and_fog_in_order)
{
    mgr->set_view(vec3{1, 2, 3}, vec3{0, 0.5f, 0}, 60.0f);
    mgr->attribute("fog_enabled")->set_int(1);
    mgr->attribute("fog_distances")->set_vec2(vec2{10, 200});
    mgr->attribute("fog_color")->set_vec3(vec3{1, 0, 0});
    rec->clear_log();
    render_pass();

    std::vector<std::string> calls;
    for (const recording_call_s &c : rec->log)
        calls.push_back(recording_call_text(c));
    const std::vector<DWORD> expected_states{D3DRS_LIGHTING, D3DRS_CULLMODE,  D3DRS_FOGCOLOR, D3DRS_FOGVERTEXMODE,
                                             D3DRS_FOGTABLEMODE, D3DRS_FOGSTART, D3DRS_FOGEND,   D3DRS_FOGENABLE};
    std::vector<DWORD> states;
    for (const recording_call_s &c : rec->calls(recording_call_e::render_state))
        states.push_back(c.a);
    EXPECT_EQ(expected_states, states) << names(calls);
    ASSERT_FALSE(rec->log.empty());
    EXPECT_EQ(recording_call_e::transform, rec->log.front().call) << "the camera comes first";
    EXPECT_EQ(D3DCULL_CCW, rs(D3DRS_CULLMODE));
    EXPECT_EQ(TRUE, rs(D3DRS_LIGHTING));
    EXPECT_EQ(d3d_color(1, 0, 0, 1), rs(D3DRS_FOGCOLOR));
    float fog_end;
    std::memcpy(&fog_end, &d3d->device()->state().render[D3DRS_FOGEND], sizeof fog_end);
    EXPECT_EQ(200.0f, fog_end);
    EXPECT_EQ(1.0f, d3d->camera().position.x);
    EXPECT_EQ(0.5f, d3d->camera().angles.y);

    mgr->attribute("fog_enabled")->set_int(0);
    rec->clear_log();
    render_pass();
    states.clear();
    for (const recording_call_s &c : rec->calls(recording_call_e::render_state))
        states.push_back(c.a);
    EXPECT_EQ((std::vector<DWORD>{D3DRS_LIGHTING, D3DRS_CULLMODE, D3DRS_FOGENABLE}), states);
    EXPECT_EQ(FALSE, rs(D3DRS_FOGENABLE));
}

TEST_F(model_manager, set_view_keeps_the_view_and_its_axes)
{
    const vec3 angles{0.3f, 1.1f, 0.0f};
    mgr->message(MSG_VAR(model_mgr_set_view), 0, nullptr, MSG_ARG((vec3{4, 5, 6})), MSG_ARG(angles), MSG_ARG(75.0f),
                 MSG_ARGS_END);
    EXPECT_EQ(5.0f, mgr->attribute("view_origin")->get_vec3().y);
    EXPECT_EQ(75.0f, mgr->attribute("view_fov")->get_float());
    const vec3 f = mgr->attribute("view_axis_forward")->get_vec3();
    EXPECT_NEAR(std::cos(0.3f) * std::cos(1.1f), f.x, 1e-6);
    EXPECT_NEAR(std::cos(0.3f) * std::sin(1.1f), f.y, 1e-6);
    EXPECT_NEAR(std::sin(0.3f), f.z, 1e-6);
    EXPECT_NEAR(1.0f, dot(mgr->attribute("view_axis_up")->get_vec3(), mgr->attribute("view_axis_up")->get_vec3()),
                1e-5);
}

TEST_F(model_manager, fog_factor_runs_from_the_fog_start_to_its_end)
{
    struct
    {
        vec2 range;
        float depth;
        float factor;
    } cases[] = {
        {{0, 512}, 256, 0.5f}, {{0, 512}, -10, 0.0f}, {{0, 512}, 600, 1.0f}, {{100, 200}, 150, 0.5f},
        {{100, 200}, 100, 0.0f}, {{100, 200}, 200, 1.0f},
        // Start and end equal: no division by zero.
        {{50, 50}, 49, 0.0f}, {{50, 50}, 50, 1.0f}, {{50, 50}, 51, 1.0f},
    };
    mgr->set_view(vec3{10, 0, 0}, vec3_zero, 90.0f);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.depth);
        mgr->attribute("fog_distances")->set_vec2(c.range);
        EXPECT_EQ(c.factor, mgr->model_fog_factor(vec3{10 + c.depth, 3, -7}));
    }
}

TEST_F(model_manager, alpha_sets_the_blending_priority)
{
    data("m");
    probe_model_c *m = load("m");
    struct
    {
        float a;
        int alpha, priority;
    } cases[] = {{1.0f, 255, 0}, {0.999f, 255, 0}, {0.99f, 252, 4}, {0.0f, 0, 4},
                 {2.0f, 255, 0}, {-1.0f, 0, 4},    {1e30f, 255, 0}, {-1e30f, 0, 4}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.a);
        EXPECT_EQ(1, m->message(MSG_VAR(model_set_alpha), 0, nullptr, MSG_ARG(c.a), MSG_ARGS_END));
        EXPECT_EQ(c.alpha, m->alpha());
        EXPECT_EQ(c.priority, m->priority());
    }
    m->message(MSG_VAR(model_set_alpha), 0, nullptr, MSG_ARG(1.0f), MSG_ARGS_END);
    m->set_blended_texture();
    EXPECT_EQ(RENDER_PRIORITY_BLENDED, m->priority()) << "a blended texture blends at full alpha";
}

TEST_F(model_manager, the_table_holds_1024_instances_and_compacts_after_releases)
{
    data("m");
    std::vector<probe_model_c *> all;
    for (int i = 0; i < MAX_RENDERABLES; ++i)
        all.push_back(load("m"));
    EXPECT_EQ(MAX_RENDERABLES, mgr->live_slots());
    EXPECT_EQ("Too many renderable resources", thrown([&] { load("m"); }));
    EXPECT_EQ(MAX_RENDERABLES, mgr->live_slots());
    EXPECT_EQ(MAX_RENDERABLES, dynamic_cast<data_entity_c *>(all[0]->data())->resource_count())
        << "the refused instance is not counted";

    // A hole is reused.
    release(all[7]);
    probe_model_c *again = load("m");
    EXPECT_EQ(again, mgr->slot(7).instance);
    all[7] = again;

    // Release all but every fourth: once fewer than half are live, the survivors move to the
    // front in their order.
    std::vector<probe_model_c *> kept;
    for (int i = 0; i < MAX_RENDERABLES; ++i) {
        if (i % 4 == 0)
            kept.push_back(all[i]);
        else
            release(all[i]);
    }
    ASSERT_EQ((int)kept.size(), mgr->live_slots());
    EXPECT_LT(mgr->slot_count(), 2 * mgr->live_slots());
    std::vector<probe_model_c *> front;
    for (int i = 0; i < mgr->slot_count(); ++i)
        if (mgr->slot(i).instance)
            front.push_back(static_cast<probe_model_c *>(mgr->slot(i).instance));
    EXPECT_EQ(kept, front);
    for (probe_model_c *m : kept)
        release(m);
    EXPECT_EQ(0, mgr->live_slots());
    for (int i = 0; i < mgr->slot_count(); ++i)
        EXPECT_EQ(nullptr, mgr->slot(i).instance);
}

TEST_F(model_manager, an_instance_that_fails_after_taking_its_slot_leaves_no_trace)
{
    probe_data_c *d = data("m");
    probe_model_c *first = load("m");
    d->throw_after_slot = true;
    EXPECT_EQ("instance construction failed", thrown([&] { load("m"); }));
    EXPECT_EQ(1, mgr->live_slots());
    EXPECT_EQ(1, mgr->slot_count());
    EXPECT_EQ(1, d->resource_count());
    d->throw_after_slot = false;
    probe_model_c *second = load("m");
    EXPECT_EQ(second, mgr->slot(1).instance);
    render_pass();
    EXPECT_EQ(2u, draws.size());
    release(first);
    release(second);
    EXPECT_FALSE(d->alive());
}

TEST_F(model_manager, unknown_models_are_not_found)
{
    EXPECT_EQ("Model 'models/nothing_here' not found", thrown([&] { load("models/nothing_here"); }));
    EXPECT_EQ(nullptr, mgr->first_child());
}

TEST_F(model_manager, shadow_casters_are_iterated_in_table_order_skipping_holes)
{
    data("m");
    probe_model_c *a = load("m");
    probe_model_c *b = load("m");
    probe_model_c *c = load("m");
    load("m"); // casts no shadow
    a->set(vec3{1, 0, 0});
    c->set(vec3{3, 0, 0});
    a->message(MSG_VAR(model_cast_shadows), 0, nullptr, MSG_ARG(0.5f), MSG_ARGS_END);
    b->message(MSG_VAR(model_cast_shadows), 0, nullptr, MSG_ARG(1.0f), MSG_ARGS_END);
    c->message(MSG_VAR(model_cast_shadows), 0, nullptr, MSG_ARG(2.0f), MSG_ARGS_END);
    release(b);

    int it = -1;
    vec3 pos;
    float size = 0;
    ASSERT_EQ(1, mgr->next_shadow_caster(&it, &pos, &size));
    EXPECT_EQ(0, it);
    EXPECT_EQ(0.5f, size);
    ASSERT_EQ(1, mgr->next_shadow_caster(&it, &pos, &size));
    EXPECT_EQ(2, it);
    EXPECT_EQ(3.0f, pos.x);
    EXPECT_EQ(2.0f, size);
    EXPECT_EQ(0, mgr->next_shadow_caster(&it, &pos, &size));
    EXPECT_EQ(mgr->slot_count(), it);
}

matrix_c translation(float x, float y, float z)
{
    matrix_c m(1.0f);
    m[3][0] = x;
    m[3][1] = y;
    m[3][2] = z;
    return m;
}

void expect_matrix_near(const matrix_c &want, const matrix_c &got)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(want[r][c], got[r][c], 1e-4) << r << "," << c;
}

matrix_c world_of(abstract_c *model)
{
    matrix_c wm(0.0f);
    model->message(MSG_VAR(model_get_matrix), 0, nullptr, MSG_ARG((void *)&wm), MSG_ARGS_END);
    return wm;
}

TEST_F(model_manager, slaves_follow_their_masters_locators)
{
    data("body");
    data("prop");
    probe_model_c *grand = load("body");
    probe_model_c *master = load("body");
    probe_model_c *slave = load("prop");
    grand->m_locators["seat"] = translation(0, 0, 10);
    master->m_locators["hand"] = translation(1, 0, 0);
    expect_matrix_near(matrix_identity, world_of(slave)); // before the first pass

    master->message(MSG_VAR(model_insert_slave), 0, nullptr, MSG_ARG((void *)slave), MSG_ARG("hand"), MSG_ARGS_END);
    grand->message(MSG_VAR(model_insert_slave), 0, nullptr, MSG_ARG((void *)master), MSG_ARG("seat"), MSG_ARGS_END);
    EXPECT_EQ(1, master->slaves_count());
    EXPECT_EQ(master, slave->master());

    grand->message(MSG_VAR(model_set_position), 0, nullptr, MSG_ARG((vec3{100, 0, 0})),
                   MSG_ARG((vec3{0, ENGINE_PI / 2, 0})), MSG_ARGS_END);
    master->set(vec3{0, 2, 0});
    slave->set(vec3{0, 0, 0.5f});
    render_pass();
    // local x locator(master) x master's local x locator(grand) x grand's world.
    matrix_c grand_world, expected, step;
    placement gp;
    gp.position = vec3{100, 0, 0};
    gp.angles = vec3{0, ENGINE_PI / 2, 0};
    make_matrix(grand_world, gp);
    matrix_multiply(step, translation(0, 0, 0.5f), translation(1, 0, 0));
    matrix_multiply(step, step, translation(0, 2, 0));
    matrix_multiply(step, step, translation(0, 0, 10));
    matrix_multiply(expected, step, grand_world);
    expect_matrix_near(expected, world_of(slave));
    const vec3 at = world_of(slave).transform_point(vec3_zero);
    EXPECT_NEAR(100 - 2, at.x, 1e-4) << "yaw pi/2 turns the master's +y offset onto -x";
    EXPECT_NEAR(1, at.y, 1e-4);
    EXPECT_NEAR(10.5f, at.z, 1e-4);

    // Moving the grand-master moves the whole chain at the next pass.
    grand->message(MSG_VAR(model_set_position), 0, nullptr, MSG_ARG((vec3{0, 0, 0})), MSG_ARG(vec3_zero),
                   MSG_ARGS_END);
    render_pass();
    const vec3 moved = world_of(slave).transform_point(vec3_zero);
    EXPECT_NEAR(1, moved.x, 1e-4);
    EXPECT_NEAR(2, moved.y, 1e-4);
    EXPECT_NEAR(10.5f, moved.z, 1e-4);

    // A locator the master lacks is reported in the pass.
    slave->message(MSG_VAR(model_set_master), 0, nullptr, MSG_ARG((void *)master), MSG_ARG("foot"), MSG_ARGS_END);
    EXPECT_EQ("Renderable entity 'body' has no locator 'foot'", thrown([&] { render_pass(); }));
    EXPECT_EQ("Debug assertion failed! Expression: \"strlen(locator_name)\"", thrown([&] {
                  slave->message(MSG_VAR(model_set_master), 0, nullptr, MSG_ARG((void *)master), MSG_ARG(""),
                                 MSG_ARGS_END);
              }));
}

TEST_F(model_manager, a_master_without_data_gives_its_slaves_the_identity_locator)
{
    data("prop");
    auto *free_master = new probe_model_c(mgr, nullptr, &draws, "free");
    probe_model_c *slave = load("prop");
    free_master->set(vec3{5, 0, 0});
    free_master->message(MSG_VAR(model_insert_slave), 0, nullptr, MSG_ARG((void *)slave), MSG_ARG("any"),
                         MSG_ARGS_END);
    slave->set(vec3{0, 1, 0});
    render_pass();
    const vec3 at = world_of(slave).transform_point(vec3_zero);
    EXPECT_NEAR(5, at.x, 1e-5);
    EXPECT_NEAR(1, at.y, 1e-5);
    release(slave);
    EXPECT_EQ(0, free_master->slaves_count());
}

TEST_F(model_manager, a_master_goes_only_after_its_slaves_and_a_refused_release_changes_nothing)
{
    data("body");
    data("prop");
    probe_model_c *master = load("body");
    probe_model_c *slave = load("prop");
    master->m_locators["hand"] = translation(1, 0, 0);
    master->message(MSG_VAR(model_insert_slave), 0, nullptr, MSG_ARG((void *)slave), MSG_ARG("hand"), MSG_ARGS_END);

    EXPECT_EQ("Debug assertion failed! Expression: \"m_slaves_count == 0\"", thrown([&] { release(master); }));
    EXPECT_TRUE(master->alive());
    EXPECT_EQ(1, master->ref_count());
    EXPECT_EQ(1, master->data()->resource_count());
    EXPECT_EQ(2, mgr->live_slots());
    render_pass();
    EXPECT_EQ(2u, draws.size());

    release(slave);
    EXPECT_EQ(0, master->slaves_count());
    EXPECT_EQ(nullptr, slave->master()) << "the slave detached through its master";
    release(master);
    EXPECT_FALSE(master->alive());
    EXPECT_EQ(0, mgr->live_slots());
}

TEST_F(model_manager, the_tree_shuts_down_with_masters_and_slaves_in_either_order)
{
    data("body");
    data("prop");
    probe_model_c *slave_first = load("prop");
    probe_model_c *master = load("body");
    probe_model_c *slave_after = load("prop");
    master->m_locators["a"] = translation(0, 0, 0);
    for (probe_model_c *s : {slave_first, slave_after})
        master->message(MSG_VAR(model_insert_slave), 0, nullptr, MSG_ARG((void *)s), MSG_ARG("a"), MSG_ARGS_END);
    EXPECT_EQ("", thrown([&] { root->shutdown_tree(); }));
    EXPECT_FALSE(mgr->alive());
}

TEST_F(model_manager, the_manager_is_found_and_made_by_scripts)
{
    EXPECT_EQ(mgr, get_model_mgr(root));
    EXPECT_EQ(90.0f, mgr->attribute("view_fov")->get_float());
    EXPECT_EQ(512.0f, mgr->attribute("fog_distances")->get_vec2().y);

    // Attributes a script gives replace the defaults.
    attribute_list_c list;
    add_attribute(nullptr, list, "view_fov", value_c(45.0f), 0);
    auto *scripted = new manager_model_c(root, &list);
    EXPECT_EQ(45.0f, scripted->attribute("view_fov")->get_float());
    EXPECT_EQ(1.0f, scripted->attribute("fog_color")->get_vec3().x);
}

} // namespace
