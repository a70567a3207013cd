// The camera and its operator, fog and lights, on the recording device and the real model
// manager.
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scenes/camera.h"
#include "scenes/loctn_light.h"

namespace {

using camera_and_lights = scene_fixture;

std::string camera_block(const char *id, const char *position, float fov)
{
    return std::string("create camera { string id = \"") + id + "\"; vec3 position = " + position +
           "; vec3 angles = [0 0 0]; float fov = " + std::to_string(fov) + "; };\n";
}
std::string locator_block(const char *id, const char *position)
{
    return std::string("create locator { string id = \"") + id + "\"; vec3 position = " + position +
           "; vec3 angles = [0 0 0]; };\n";
}

float view_fov(manager_model_c *mgr) { return mgr->attribute("view_fov")->get_float(); }

TEST_F(camera_and_lights, camera_gives_its_view_from_construction_and_eases_its_fov_by_smooth_step)
{
    make_location(camera_block("cam", "[1 2 3]", 60));
    camera_c *cam = entity<camera_c>("cam");
    EXPECT_EQ((vec3{1, 2, 3}), mgr->attribute("view_origin")->get_vec3()) << "the view is set before the first tick";
    EXPECT_EQ(60.0f, view_fov(mgr));

    // A change started before the first tick (clock 0), over 2 seconds from 60 to 100.
    cam->message(MSG_VAR(loctn_cam_set_fov), 0, nullptr, MSG_ARG(100.0f), MSG_ARG(2.0f), MSG_ARGS_END);
    const struct {
        float time, fov;
    } steps[] = {{0.0f, 60.0f}, {0.5f, 60.0f + 40.0f * 0.15625f}, {1.0f, 80.0f}, {1.5f, 60.0f + 40.0f * 0.84375f},
                 {2.0f, 100.0f}, {3.0f, 100.0f}};
    for (const auto &s : steps) {
        tick(s.time);
        EXPECT_NEAR(s.fov, cam->fov(), 1e-3f) << s.time;
        EXPECT_NEAR(s.fov, view_fov(mgr), 1e-3f) << s.time;
    }
    EXPECT_FALSE(cam->fov_changing());

    // A new change replaces a running one and starts from the fov in effect; time 0 is at once.
    cam->message(MSG_VAR(loctn_cam_set_fov), 0, nullptr, MSG_ARG(50.0f), MSG_ARG(4.0f), MSG_ARGS_END);
    tick(5.0f);
    const float reached = cam->fov();
    cam->message(MSG_VAR(loctn_cam_set_fov), 0, nullptr, MSG_ARG(90.0f), MSG_ARG(2.0f), MSG_ARGS_END);
    tick(6.0f);
    EXPECT_NEAR((reached + 90.0f) / 2.0f, cam->fov(), 1e-3f);
    cam->message(MSG_VAR(loctn_cam_set_fov), 0, nullptr, MSG_ARG(30.0f), MSG_ARG(0.0f), MSG_ARGS_END);
    EXPECT_EQ(30.0f, cam->fov());
    EXPECT_FALSE(cam->fov_changing());
    tick(6.5f);
    EXPECT_EQ(30.0f, view_fov(mgr));
}

// The view of a camera at eye looking at target, built as a look-at with z up: rows of the
// right, up and forward axes' components, then the eye's projections.
matrix_c look_at_view(const vec3 &eye, const vec3 &target)
{
    vec3 f = target - eye;
    f.normalize();
    vec3 r;
    r.cross(vec3_unit_z, f);
    r.normalize();
    vec3 u;
    u.cross(f, r);
    matrix_c v(1.0f);
    for (int i = 0; i < 3; ++i) {
        v[i][0] = r[i];
        v[i][1] = u[i];
        v[i][2] = f[i];
    }
    v[3][0] = -dot(eye, r);
    v[3][1] = -dot(eye, u);
    v[3][2] = -dot(eye, f);
    return v;
}

TEST_F(camera_and_lights, camera_following_a_target_sends_the_look_at_view)
{
    make_location(camera_block("cam", "[1 2 3]", 60) + locator_block("target", "[0 0 0]") +
                  "create camera_operator { string id = \"follow\"; string camera = \"cam\"; string look_at = \"target\"; };\n"
                  "create camera_operator { string id = \"free\"; string camera = \"cam\"; };\n");
    camera_c *cam = entity<camera_c>("cam");
    location_entity_c *target = entity("target");
    activate_location(location, "follow", 0);
    EXPECT_EQ(target, cam->look_at());

    const vec3 targets[] = {{11, 7, 5}, {-4, -3, 0}, {-6, 5, 9}, {1, -8, 3}};
    for (const vec3 &t : targets) {
        target->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG(t), MSG_ARG(vec3_zero), MSG_ARG(vec3_one),
                        MSG_ARGS_END);
        tick(1.0f);
        render_pass();
        const matrix_c want = look_at_view({1, 2, 3}, t);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                EXPECT_NEAR(want[i][j], d3d->view_matrix()[i][j], 1e-4f) << t.to_string() << " " << i << j;
        EXPECT_EQ(0.0f, cam->get_placement().angles.z);
    }
    // At negative x the yaw lies between pi/2 and 3pi/2.
    target->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{-4, -3, 0})), MSG_ARG(vec3_zero),
                    MSG_ARG(vec3_one), MSG_ARGS_END);
    tick(2.0f);
    EXPECT_GT(cam->get_placement().angles.y, ENGINE_PI / 2);
    EXPECT_LT(cam->get_placement().angles.y, 3 * ENGINE_PI / 2);

    // Straight above or below: pitch pi/2, yaw 0.
    for (float z : {9.0f, -9.0f}) {
        target->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{1, 2, z})), MSG_ARG(vec3_zero),
                        MSG_ARG(vec3_one), MSG_ARGS_END);
        tick(3.0f);
        EXPECT_NEAR(ENGINE_PI / 2, cam->get_placement().angles.x, 1e-5f) << z;
        EXPECT_EQ(0.0f, cam->get_placement().angles.y) << z;
    }

    // Without look_at the camera stops following and keeps its angles, also when moved.
    target->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{11, 7, 5})), MSG_ARG(vec3_zero),
                    MSG_ARG(vec3_one), MSG_ARGS_END);
    tick(4.0f);
    const vec3 kept = cam->get_placement().angles;
    activate_location(location, "free", 0);
    EXPECT_EQ(nullptr, cam->look_at());
    target->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{-5, 0, 0})), MSG_ARG(vec3_zero),
                    MSG_ARG(vec3_one), MSG_ARGS_END);
    tick(5.0f);
    EXPECT_EQ(kept, cam->get_placement().angles);
    EXPECT_EQ(kept, mgr->attribute("view_angles")->get_vec3());
}

TEST_F(camera_and_lights, camera_target_that_dies_or_does_not_answer)
{
    make_location(camera_block("cam", "[1 0 0]", 60) + locator_block("target", "[5 4 0]") +
                  "create camera_operator { string id = \"mute\"; string camera = \"cam\"; string look_at = \"follow\"; };\n"
                  "create camera_operator { string id = \"follow\"; string camera = \"cam\"; string look_at = \"target\"; };\n");
    camera_c *cam = entity<camera_c>("cam");
    // An entity that does not answer loctn_loctr_get_pos counts as standing at the origin.
    activate_location(location, "mute", 0);
    tick(1.0f);
    EXPECT_NEAR(ENGINE_PI, cam->get_placement().angles.y, 1e-5f);

    activate_location(location, "follow", 0);
    tick(2.0f);
    const vec3 kept = cam->get_placement().angles;
    EXPECT_NEAR(ENGINE_PI / 4, kept.y, 1e-5f);
    location_entity_c *target = entity("target");
    target->shutdown_tree();
    EXPECT_EQ(nullptr, cam->look_at());
    tick(3.0f);
    EXPECT_EQ(kept, cam->get_placement().angles);
}

TEST_F(camera_and_lights, camera_operator_sets_the_fov_at_once_or_over_its_time)
{
    make_location(camera_block("cam", "[0 0 0]", 60) +
                  "create camera_operator { string id = \"now\"; string camera = \"cam\"; float fov = 40; };\n"
                  "create camera_operator { string id = \"slow\"; string camera = \"cam\"; float fov = 80; float fov_time = 2; };\n"
                  "create camera_operator { string id = \"keep\"; string camera = \"cam\"; };\n"
                  "create camera_operator { string id = \"lost\"; string camera = \"nobody\"; };\n"
                  "create camera_operator { string id = \"blind\"; string camera = \"cam\"; string look_at = \"ghost\"; };\n");
    camera_c *cam = entity<camera_c>("cam");
    tick(1.0f);
    activate_location(location, "now", 0);
    EXPECT_EQ(40.0f, cam->fov());
    activate_location(location, "slow", 0);
    EXPECT_TRUE(cam->fov_changing());
    tick(2.0f);
    EXPECT_NEAR(60.0f, cam->fov(), 1e-3f);
    activate_location(location, "keep", 0);
    tick(3.0f);
    EXPECT_EQ(80.0f, cam->fov()) << "an operator without fov leaves a running change alone";

    EXPECT_EQ("Location entity not found! Id = 'nobody'", thrown([&] { activate_location(location, "lost", 0); }));
    EXPECT_EQ("Location entity not found! Id = 'ghost'", thrown([&] { activate_location(location, "blind", 0); }));
    EXPECT_EQ("Could not find required attribute 'fov'",
              thrown([&] { make_location("create camera { string id = \"c\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0]; };\n"); }));
}

// ---- fog ----

const char *const fog_script = "create fog { string id = \"fog\";\n"
                               "  vec3 color0 = [0.2 0.4 0.6]; vec2 distances0 = [10 50]; float lerp_time0 = 0;\n"
                               "  vec3 color1 = [1 0.8 0.6]; vec2 distances1 = [30 90]; float lerp_time1 = 4;\n"
                               "  vec3 color2 = [1 1 1]; vec2 distances2 = [1 2];\n"
                               "};\n";

struct fog_seen
{
    int enabled;
    vec3 color;
    vec2 distances;
};

fog_seen manager_fog(manager_model_c *mgr)
{
    return {mgr->attribute("fog_enabled")->get_int(), mgr->attribute("fog_color")->get_vec3(),
            mgr->attribute("fog_distances")->get_vec2()};
}

void expect_fog(const fog_seen &seen, int enabled, const vec3 &color, const vec2 &distances, const char *when)
{
    EXPECT_EQ(enabled, seen.enabled) << when;
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(color[i], seen.color[i], 1e-5f) << when;
    EXPECT_NEAR(distances.x, seen.distances.x, 1e-4f) << when;
    EXPECT_NEAR(distances.y, seen.distances.y, 1e-4f) << when;
}

TEST_F(camera_and_lights, fog_is_inert_until_activated_and_jumps_while_it_is_off)
{
    mgr->attribute("fog_distances")->set_vec2({5, 6});
    make_location(fog_script);
    tick(1.0f);
    expect_fog(manager_fog(mgr), 0, {1, 1, 1}, {5, 6}, "before activation");

    // Set 1 has a time, but the fog is off: at once.
    activate_location(location, "fog", 1);
    expect_fog(manager_fog(mgr), 1, {1, 0.8f, 0.6f}, {30, 90}, "jump");
    EXPECT_FALSE(entity<fog_c>("fog")->changing());

    // A set without lerp_time, or with no attributes at all, turns the fog off.
    for (int n : {2, 7}) {
        activate_location(location, "fog", 1);
        activate_location(location, "fog", n);
        EXPECT_EQ(0, manager_fog(mgr).enabled) << n;
    }
}

TEST_F(camera_and_lights, the_fog_goes_with_the_location_that_turned_it_on)
{
    // A fog never activated leaves the manager's fog alone when its location goes.
    make_location(fog_script);
    mgr->attribute("fog_enabled")->set_int(1);
    location->shutdown_tree();
    EXPECT_EQ(1, manager_fog(mgr).enabled);

    make_location(fog_script);
    activate_location(location, "fog", 0);
    EXPECT_EQ(1, manager_fog(mgr).enabled);
    location->shutdown_tree();
    EXPECT_EQ(0, manager_fog(mgr).enabled) << "the next location starts without it";
}

TEST_F(camera_and_lights, fog_moves_linearly_from_the_values_in_effect)
{
    make_location(fog_script);
    // Changes started at clock 0, before the first tick, run like any other.
    activate_location(location, "fog", 0);
    activate_location(location, "fog", 1);
    expect_fog(manager_fog(mgr), 1, {0.2f, 0.4f, 0.6f}, {10, 50}, "start");
    const struct {
        float time, f;
    } steps[] = {{1.0f, 0.25f}, {2.0f, 0.5f}, {3.9f, 0.975f}, {4.0f, 1.0f}, {5.0f, 1.0f}};
    for (const auto &s : steps) {
        tick(s.time);
        const vec3 color = vec3{0.2f, 0.4f, 0.6f} + (vec3{1, 0.8f, 0.6f} - vec3{0.2f, 0.4f, 0.6f}) * s.f;
        expect_fog(manager_fog(mgr), 1, color, {10 + 20 * s.f, 50 + 40 * s.f}, std::to_string(s.time).c_str());
    }
    EXPECT_FALSE(entity<fog_c>("fog")->changing());

    // A new activation replaces a running change; turning the fog off stops it for good.
    activate_location(location, "fog", 0);
    activate_location(location, "fog", 1);
    tick(6.0f);
    activate_location(location, "fog", 2);
    tick(7.0f);
    EXPECT_EQ(0, manager_fog(mgr).enabled);
    EXPECT_FALSE(entity<fog_c>("fog")->changing());
}

// ---- lights ----

TEST_F(camera_and_lights, light_kind_follows_its_attributes)
{
    make_location("create light { string id = \"amb\"; vec3 color0 = [0.1 0.2 0.3]; };\n"
                  "create light { string id = \"sun\"; vec3 color0 = [1 1 1]; vec3 direction = [0 0 -2]; };\n"
                  "create light { string id = \"lamp\"; vec3 color0 = [1 0 0]; vec3 position = [1 2 3]; float radius0 = 5; };\n");
    EXPECT_EQ(light_c::AMBIENT, entity<light_c>("amb")->kind());
    EXPECT_EQ(light_c::DIRECTIONAL, entity<light_c>("sun")->kind());
    EXPECT_EQ(light_c::POINT, entity<light_c>("lamp")->kind());

    EXPECT_EQ(0, root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END)) << "render goes on to every object";
    EXPECT_EQ(0.3f, d3d->ambient_color()[2]);
    ASSERT_EQ(2, d3d->light_count());
    EXPECT_EQ(0, d3d->light(0).kind);
    EXPECT_EQ((vec3{0, 0, -1}), d3d->light(0).direction);
    EXPECT_EQ(1, d3d->light(1).kind);
    EXPECT_EQ((vec3{1, 2, 3}), d3d->light(1).position);
    EXPECT_EQ(5.0f, d3d->light(1).radius);
    EXPECT_EQ(1.0f, d3d->light(1).color[0]);

    // An ambient light with color0 only switches to state 1 with the same colour.
    activate_location(location, "amb", 0);
    EXPECT_EQ(1, entity<light_c>("amb")->state());
    EXPECT_EQ((vec3{0.1f, 0.2f, 0.3f}), entity<light_c>("amb")->color());
}

TEST_F(camera_and_lights, invalid_light_attributes_are_refused)
{
    const struct {
        const char *attributes, *message;
    } cases[] = {
        {"vec3 direction = [1 0 0]; vec3 position = [0 0 0]; float radius0 = 1;", "Invalid light attributes 'l'"},
        {"vec3 direction = [1 0 0]; float radius0 = 1;", "Invalid light attributes 'l'"},
        {"vec3 direction = [1 0 0]; float radius1 = 1;", "Invalid light attributes 'l'"},
        {"vec3 position = [0 0 0];", "Invalid light attributes 'l'"},
        {"vec3 position = [0 0 0]; float radius1 = 1;", "Invalid light attributes 'l'"},
        {"float radius0 = 1;", ""},
    };
    for (const auto &c : cases) {
        const std::string script =
            std::string("create light { string id = \"l\"; vec3 color0 = [1 1 1]; ") + c.attributes + " };\n";
        EXPECT_EQ(c.message, thrown([&] { make_location(script); })) << c.attributes;
    }
    EXPECT_EQ("Could not find required attribute 'color0'",
              thrown([&] { make_location("create light { string id = \"l\"; vec3 direction = [1 0 0]; };\n"); }));
}

TEST_F(camera_and_lights, light_toggles_and_changes_linearly_both_ways)
{
    make_location("create light { string id = \"both\"; vec3 color0 = [0 0 0]; vec3 color1 = [1 0.5 0];"
                  " float lerp_time01 = 2; vec3 position = [0 0 0]; float radius0 = 2; float radius1 = 10; };\n"
                  "create light { string id = \"back\"; vec3 color0 = [0 0 0]; vec3 color1 = [1 1 1];"
                  " float lerp_time01 = 2; float lerp_time10 = 0; };\n"
                  "create light { string id = \"snap\"; vec3 color0 = [0 0 0]; vec3 color1 = [0 1 0]; };\n");
    light_c *both = entity<light_c>("both");
    // Toggled at clock 0: the change runs like any other.
    activate_location(location, "both", 0);
    EXPECT_EQ(1, both->state());
    EXPECT_EQ((vec3{0, 0, 0}), both->color());
    tick(1.0f);
    EXPECT_NEAR(0.5f, both->color().x, 1e-5f);
    EXPECT_NEAR(6.0f, both->radius(), 1e-5f);
    tick(2.0f);
    EXPECT_EQ((vec3{1, 0.5f, 0}), both->color());
    EXPECT_EQ(10.0f, both->radius());
    EXPECT_FALSE(both->changing());

    // Back over the same 2 seconds; toggled again half-way it turns round from the colour reached.
    activate_location(location, "both", 0);
    tick(3.0f);
    EXPECT_NEAR(0.5f, both->color().x, 1e-5f);
    activate_location(location, "both", 0);
    EXPECT_EQ(1, both->state());
    tick(4.0f);
    EXPECT_NEAR(0.75f, both->color().x, 1e-5f);
    EXPECT_NEAR(8.0f, both->radius(), 1e-5f);
    root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
    EXPECT_NEAR(8.0f, d3d->light(0).radius, 1e-5f);
    EXPECT_NEAR(0.75f, d3d->light(0).color[0], 1e-5f);

    // lerp_time10 0: back at once; no times at all: both ways at once.
    light_c *back = entity<light_c>("back");
    activate_location(location, "back", 0);
    tick(6.0f);
    EXPECT_EQ((vec3{1, 1, 1}), back->color());
    activate_location(location, "back", 0);
    EXPECT_EQ((vec3{0, 0, 0}), back->color());
    light_c *snap = entity<light_c>("snap");
    activate_location(location, "snap", 0);
    EXPECT_EQ((vec3{0, 1, 0}), snap->color());
    activate_location(location, "snap", 0);
    EXPECT_EQ((vec3{0, 0, 0}), snap->color());
}

TEST_F(camera_and_lights, ninth_light_of_a_frame_is_refused)
{
    std::string script = "create light { string id = \"amb\"; vec3 color0 = [0.2 0.2 0.2]; };\n";
    for (int i = 0; i < 9; ++i)
        script += "create light { string id = \"l" + std::to_string(i) + "\"; vec3 color0 = [1 1 1]; vec3 direction = [1 0 0]; };\n";
    make_location(script);
    EXPECT_EQ("Too many lights", thrown([&] { root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END); }));
    EXPECT_EQ(8, d3d->light_count());

    // Eight, with the ambient light beside them, fit in a frame.
    d3d->end_scene();
    entity("l8")->shutdown_tree();
    root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
    EXPECT_EQ(8, d3d->light_count());
}

TEST_F(camera_and_lights, demo_location_has_a_camera_fog_and_a_lamp_to_toggle)
{
    load_demo();
    tick(1.0f);
    EXPECT_EQ((vec3{-9.0f, 0.0f, 2.5f}), mgr->attribute("view_origin")->get_vec3());
    EXPECT_EQ(60.0f, view_fov(mgr));
    activate_location(location, "cam_close", 0);
    tick(2.5f);
    EXPECT_EQ(30.0f, view_fov(mgr));
    EXPECT_EQ(entity("player1"), entity<camera_c>("camera")->look_at());

    activate_location(location, "fog", 0);
    EXPECT_EQ(1, manager_fog(mgr).enabled);

    // Two of the frame's eight lights, and the ambient colour.
    root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
    EXPECT_EQ(2, d3d->light_count());
    EXPECT_EQ(0.3f, d3d->ambient_color()[2]);
    d3d->end_scene();
    activate_location(location, "lamp", 0);
    tick(3.5f);
    EXPECT_EQ((vec3{0.25f, 0.2f, 0.15f}), entity<light_c>("lamp")->color());
    EXPECT_EQ(6.0f, entity<light_c>("lamp")->radius());
}

} // namespace
