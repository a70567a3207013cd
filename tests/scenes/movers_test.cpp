// Move paths and the movers that carry locators, cameras and models.
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scenes/loctn_movepath.h"
#include "scenes/loctn_movers.h"

namespace {

using movers = scene_fixture;

std::string pivot(int jog, const char *position, float speed, float time, int feedback = 0,
                  const char *angles = "[0 0 0]")
{
    return "create movepath_pivot { int jog = " + std::to_string(jog) + "; vec3 position = " + position +
           "; vec3 angles = " + angles + "; float speed = " + std::to_string(speed) +
           "; float time = " + std::to_string(time) + "; int feedback_param = " + std::to_string(feedback) + "; };\n";
}
std::string path(const char *id, int cyclic, const std::string &pivots,
                 const std::string &finish = "create movepath_finish { };\n")
{
    return std::string("create movepath { string id = \"") + id + "\"; int cyclic = " + std::to_string(cyclic) +
           "; } children : {\n" + pivots + finish + "};\n";
}
const std::string target = "create locator { string id = \"t\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0]; };\n";

placement placement_of(location_entity_c *e)
{
    placement p;
    e->message(MSG_VAR(loctn_loctr_get_pos), 0, nullptr, MSG_ARG((void *)&p), MSG_ARGS_END);
    return p;
}

void expect_near(const vec3 &want, const vec3 &got, float tolerance, const std::string &what)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(want[i], got[i], tolerance) << what << " component " << i;
}

TEST_F(movers, completing_a_path_computes_times_and_tangents)
{
    make_location(path("open", 0, pivot(0, "[0 0 0]", 2, 0) + pivot(1, "[30 0 0]", 4, 0) + pivot(0, "[30 10 0]", 0, 3)) +
                  path("ring", 1, pivot(0, "[0 0 0]", 1, 0) + pivot(0, "[10 0 0]", 1, 5) + pivot(0, "[10 10 0]", 3, 0)) +
                  path("wait", 0, pivot(0, "[1 1 1]", 1, 2) + pivot(0, "[1 1 1]", 1, 2)));
    const movepath_c *open = entity<movepath_c>("open");
    ASSERT_TRUE(open->completed());
    EXPECT_FLOAT_EQ(10.0f, open->pivot(0).time) << "30 units at speeds 2 and 4";
    EXPECT_FLOAT_EQ(10.0f / 2.0f, open->pivot(1).time);
    EXPECT_EQ(3.0f, open->pivot(2).time);
    // First pivot: smooth, with only a next neighbour.
    EXPECT_EQ((vec3{2, 0, 0}), open->pivot(0).out_tangent);
    EXPECT_EQ(vec3_zero, open->pivot(0).in_tangent);
    // Jog pivot: each tangent along its own segment.
    EXPECT_EQ((vec3{4, 0, 0}), open->pivot(1).in_tangent);
    expect_near({0, 4, 0}, open->pivot(1).out_tangent, 1e-6f, "jog out");
    // Speed 0: zero tangents.
    EXPECT_EQ(vec3_zero, open->pivot(2).in_tangent);
    EXPECT_EQ(vec3_zero, open->pivot(2).out_tangent);

    // A cyclic path: the last pivot leads back to the first; smooth tangents along next - previous.
    const movepath_c *ring = entity<movepath_c>("ring");
    EXPECT_FLOAT_EQ(10.0f, ring->pivot(0).time);
    EXPECT_FLOAT_EQ(std::sqrt(200.0f) / 2.0f, ring->pivot(2).time);
    EXPECT_EQ((vec3{0, -1, 0}), ring->pivot(0).out_tangent);
    EXPECT_EQ(ring->pivot(0).out_tangent, ring->pivot(0).in_tangent);
    EXPECT_EQ((vec3{-3, 0, 0}), ring->pivot(2).in_tangent);
    EXPECT_EQ(&ring->pivot(0), &ring->next_pivot(2));

    // Two pivots at one place with explicit times: accepted, with zero tangents.
    const movepath_c *wait = entity<movepath_c>("wait");
    EXPECT_EQ(vec3_zero, wait->pivot(0).out_tangent);
    EXPECT_EQ(2.0f, wait->pivot(0).time);
    EXPECT_EQ(assertion_text("index >= 0 && index < m_pivots.size() - 1"), thrown([&] { wait->next_pivot(1); }));
    EXPECT_EQ(assertion_text("index >= 0 && index < m_pivots.size()"), thrown([&] { wait->pivot(2); }));
}

TEST_F(movers, broken_paths_and_mover_timings_name_themselves)
{
    const char *const at_load = "";
    const struct {
        std::string script;
        const char *activate;
        const char *message;
    } cases[] = {
        {path("p", 0, pivot(0, "[0 0 0]", 1, 1) + pivot(0, "[1 0 0]", 1, 1),
              "create movepath_finish { };\n" + pivot(0, "[2 0 0]", 1, 1)),
         at_load, "Adding pivot to completed path 'p'"},
        {path("p", 0, pivot(0, "[0 0 0]", 1, 1) + pivot(0, "[1 0 0]", -1, 1)), at_load, "Invalid pivot speed 'p'"},
        {path("p", 0, pivot(0, "[0 0 0]", 1, 1) + pivot(0, "[1 0 0]", 1, 1),
              "create movepath_finish { };\ncreate movepath_finish { };\n"),
         at_load, "Path already completed 'p'"},
        {path("p", 1, pivot(0, "[0 0 0]", 1, 1)), at_load, "Too few pivots in path 'p'"},
        {path("p", 0, pivot(1, "[0 0 0]", 1, 1) + pivot(0, "[1 0 0]", 1, 1)), at_load,
         "Jog pivot must have both neighbours in path 'p'"},
        {path("p", 0, pivot(0, "[0 0 0]", 1, 1) + pivot(1, "[1 0 0]", 1, 1)), at_load,
         "Jog pivot must have both neighbours in path 'p'"},
        {path("p", 0, pivot(0, "[0 0 0]", 1, 1) + pivot(0, "[1 0 0]", 1, 0)), at_load, "Invalid time in path 'p'"},
        {path("p", 0, pivot(0, "[0 0 0]", 1, 0) + pivot(0, "[0 0 0.005]", 1, 1)), at_load,
         "Invalid time & positions in path 'p'"},
        {path("p", 0, pivot(0, "[0 0 0]", 0, 0) + pivot(0, "[5 0 0]", 0, 1)), at_load,
         "Invalid time & positions in path 'p'"},
        {path("p", 0, "create movepath_pivot { int jog = 0; vec3 position = [0 0 0]; vec3 angles = [0 0 0];"
                      " float speed = 1; float time = 1; };\n"),
         at_load, "Could not find required attribute 'feedback_param'"},
        {"create movepath { string id = \"p\"; };\n", at_load, "Could not find required attribute 'cyclic'"},
        {"create path_mover { string id = \"m\"; string movetarget = \"t\"; string path = \"t\"; };\n", at_load,
         "Debug assertion failed! Expression: \"path->message(MSG_VAR(movepath_check_out), 0, this, MSG_ARGS_END)\""},
        {"create path_mover { string id = \"m\"; string movetarget = \"t\"; string path = \"none\"; };\n", at_load,
         "Location entity not found! Id = 'none'"},
        {"create stopper { string id = \"m\"; };\n", at_load, "Could not find required attribute 'movetarget'"},
        {"create interp_mover { string id = \"m\"; string movetarget = \"t\"; vec3 dest_position = [1 0 0];"
         " vec3 dest_angles = [0 0 0]; float time = 1; float speed0 = 1; };\n",
         "m", "Invalid time/speed combination in 'm'"},
        {"create interp_mover { string id = \"m\"; string movetarget = \"t\"; vec3 dest_position = [1 0 0];"
         " vec3 dest_angles = [0 0 0]; float speed1 = 1; };\n",
         "m", "Invalid time/speed combination in 'm'"},
        {"create interp_mover { string id = \"m\"; string movetarget = \"t\"; vec3 dest_position = [1 0 0];"
         " vec3 dest_angles = [0 0 0]; };\n",
         "m", "Invalid time/speed combination in 'm'"},
        {"create interp_mover { string id = \"m\"; string movetarget = \"t\"; vec3 dest_position = [1 0 0];"
         " vec3 dest_angles = [0 0 0]; float time = 0.005; };\n",
         "m", "Invalid travel time in 'm'"},
        {"create interp_mover { string id = \"m\"; string movetarget = \"t\"; vec3 dest_position = [1 0 0];"
         " vec3 dest_angles = [0 0 0]; float speed0 = 0; float speed1 = 0; };\n",
         "m", "Invalid speeds in 'm'"},
        {"create interp_mover { string id = \"m\"; string movetarget = \"t\"; vec3 dest_position = [1 0 0];"
         " vec3 dest_angles = [0 0 0]; float speed0 = -1; float speed1 = 3; };\n",
         "m", "Invalid speeds in 'm'"},
        {"create interp_mover { string id = \"m\"; string movetarget = \"nobody\"; vec3 dest_position = [1 0 0];"
         " vec3 dest_angles = [0 0 0]; float time = 1; };\n",
         "m", "Location entity not found! Id = 'nobody'"},
    };
    for (const auto &c : cases) {
        const std::string script = target + c.script;
        if (*c.activate == 0) {
            EXPECT_EQ(c.message, thrown([&] { make_location(script); })) << c.script;
            continue;
        }
        make_location(script);
        EXPECT_EQ(c.message, thrown([&] { activate_location(location, c.activate, 0); })) << c.script;
        // A failed start leaves the mover stopped and the target where it was.
        EXPECT_EQ(0, entity<mover_c>(c.activate)->active()) << c.script;
        tick(1.0f);
        EXPECT_EQ(vec3_zero, placement_of(entity("t")).position) << c.script;
        location->shutdown_tree();
    }
}

TEST_F(movers, path_mover_reaches_each_pivot_at_its_time_and_reports_it)
{
    make_location(target +
                  path("p", 0,
                       pivot(0, "[0 0 0]", 2, 0, 10) + pivot(0, "[30 0 0]", 4, 0, 11, "[0 1.5 0]") +
                           pivot(0, "[30 20 0]", 4, 1, 12, "[0.5 3 0.2]")) +
                  "create path_mover { string id = \"m\"; string movetarget = \"t\"; string path = \"p\"; };\n");
    // The target's scale is kept.
    entity("t")->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{7, 7, 7})), MSG_ARG(vec3_zero),
                         MSG_ARG((vec3{2, 2, 2})), MSG_ARGS_END);
    tick(100.0f);
    activate_location(location, "m", 0);
    EXPECT_EQ("m|start|0 m|pivot|10", recorder->take());

    // Pivot 1 at 100 + 10 s, pivot 2 five seconds later; ticks of 0.25 s land on both.
    std::vector<std::string> log;
    for (float t = 100.25f; t <= 116.0f; t += 0.25f) {
        tick(t);
        const std::string seen = recorder->take();
        const placement p = placement_of(entity("t"));
        if (!seen.empty())
            log.push_back(std::to_string((int)std::lround(t * 100)) + ":" + seen);
        if (t == 110.0f) {
            expect_near({30, 0, 0}, p.position, 1e-4f, "at pivot 1");
            expect_near({0, 1.5f, 0}, p.angles, 1e-6f, "at pivot 1");
        }
        if (t > 100.0f && t < 110.0f) {
            EXPECT_GT(p.position.x, 0.0f);
            EXPECT_LT(p.position.x, 30.0f);
        }
    }
    EXPECT_EQ((std::vector<std::string>{"11000:m|pivot|11", "11500:m|finish|0"}), log);
    const placement end = placement_of(entity("t"));
    EXPECT_EQ((vec3{30, 20, 0}), end.position);
    EXPECT_EQ((vec3{0.5f, 3, 0.2f}), end.angles);
    EXPECT_EQ((vec3{2, 2, 2}), end.scale);
    EXPECT_EQ(0, entity<mover_c>("m")->active());
}

TEST_F(movers, path_mover_follows_the_curve_and_goes_round_a_cyclic_path)
{
    make_location(target + path("ring", 1, pivot(0, "[0 0 0]", 1, 2, 0) + pivot(0, "[10 0 0]", 1, 2, 1) +
                                               pivot(0, "[10 10 0]", 1, 2, 2)) +
                  "create path_mover { string id = \"m\"; string movetarget = \"t\"; string path = \"ring\"; };\n");
    const movepath_c *ring = entity<movepath_c>("ring");
    activate_location(location, "m", 0);
    // Half-way along the first segment: the Hermite curve of its ends and tangents.
    tick(1.0f);
    const vec3 p0 = ring->pivot(0).position, p1 = ring->pivot(1).position;
    const vec3 s0 = ring->pivot(0).out_tangent, s1 = ring->pivot(1).in_tangent;
    const vec3 want = (p0 + p1) * 0.5f + (s0 - s1) * (2.0f / 8.0f);
    expect_near(want, placement_of(entity("t")).position, 1e-4f, "mid-segment");

    for (float t = 2.0f; t <= 7.0f; t += 1.0f)
        tick(t);
    EXPECT_EQ("m|start|0 m|pivot|0 m|pivot|1 m|pivot|2 m|pivot|0", recorder->take()) << "never finishes";
    EXPECT_EQ(0, entity<path_mover_c>("m")->pivot_index());
    EXPECT_EQ(1, entity<mover_c>("m")->active());
}

TEST_F(movers, a_new_mover_of_the_target_stops_the_running_one)
{
    make_location(target + "create locator { string id = \"u\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0]; };\n" +
                  "create accelerated_mover { string id = \"a\"; string movetarget = \"t\"; vec3 velocity = [1 0 0];"
                  " vec3 accel = [0 0 0]; vec3 avelocity = [0 0 0]; };\n"
                  "create accelerated_mover { string id = \"b\"; string movetarget = \"t\"; vec3 velocity = [0 1 0];"
                  " vec3 accel = [0 0 0]; vec3 avelocity = [0 0 0]; };\n"
                  "create accelerated_mover { string id = \"other\"; string movetarget = \"u\"; vec3 velocity = [0 0 1];"
                  " vec3 accel = [0 0 0]; vec3 avelocity = [0 0 0]; };\n"
                  "create stopper { string id = \"halt\"; string movetarget = \"t\"; };\n");
    activate_location(location, "other", 0);
    activate_location(location, "a", 0);
    EXPECT_EQ("other|start|0 a|start|0", recorder->take());
    activate_location(location, "b", 0);
    EXPECT_EQ("a|finish|0 b|start|0", recorder->take());
    activate_location(location, "b", 0);
    EXPECT_EQ("b|finish|0 b|start|0", recorder->take()) << "re-activation restarts";
    tick(1.0f, 1.0f);
    EXPECT_EQ((vec3{0, 1, 0}), placement_of(entity("t")).position) << "only b moves t";

    activate_location(location, "halt", 0);
    EXPECT_EQ("b|finish|0", recorder->take());
    tick(2.0f, 1.0f);
    EXPECT_EQ((vec3{0, 1, 0}), placement_of(entity("t")).position);
    EXPECT_EQ((vec3{0, 0, 2}), placement_of(entity("u")).position) << "other targets go on";
    activate_location(location, "halt", 0);
    EXPECT_EQ("", recorder->take());
}

TEST_F(movers, interp_mover_eases_to_its_destination)
{
    make_location(target +
                  "create interp_mover { string id = \"timed\"; string movetarget = \"t\"; vec3 dest_position = [10 0 0];"
                  " vec3 dest_angles = [0 7 0]; float time = 2; };\n"
                  "create interp_mover { string id = \"paced\"; string movetarget = \"t\"; vec3 dest_position = [10 10 0];"
                  " vec3 dest_angles = [0 0 0]; float speed0 = 2; float speed1 = 2; };\n"
                  "create interp_mover { string id = \"turn\"; string movetarget = \"t\"; vec3 dest_position = [10 10 0.005];"
                  " vec3 dest_angles = [0 1 0]; float speed0 = 1; float speed1 = 1; };\n");
    activate_location(location, "timed", 0);
    const float dest_yaw = 7.0f - 2.0f * ENGINE_PI;
    // Zero speed at both ends: symmetric about the middle, flat at the ends.
    const struct {
        float time, x, yaw_fraction;
    } steps[] = {{0.02f, 0.003f, 0.0003f}, {1.0f, 5.0f, 0.5f}, {1.98f, 9.997f, 0.9997f}};
    for (const auto &s : steps) {
        tick(s.time);
        const placement p = placement_of(entity("t"));
        EXPECT_NEAR(s.x, p.position.x, 1e-3f) << s.time;
        EXPECT_NEAR(s.yaw_fraction * dest_yaw, p.angles.y, 1e-3f) << s.time;
    }
    tick(2.0f);
    EXPECT_EQ((vec3{10, 0, 0}), placement_of(entity("t")).position);
    EXPECT_NEAR(dest_yaw, placement_of(entity("t")).angles.y, 1e-5f);
    EXPECT_EQ("timed|start|0 timed|finish|0", recorder->take());

    // Speeds 2 and 2 over 10 units: 5 seconds at an even pace.
    activate_location(location, "paced", 0);
    tick(4.5f);
    expect_near({10, 5, 0}, placement_of(entity("t")).position, 1e-4f, "paced");
    tick(7.0f);
    EXPECT_EQ("paced|start|0 paced|finish|0", recorder->take());

    // Already there: the angles jump on the first step and the mover finishes.
    activate_location(location, "turn", 0);
    tick(7.04f);
    EXPECT_EQ((vec3{10, 10, 0.005f}), placement_of(entity("t")).position);
    EXPECT_NEAR(1.0f, placement_of(entity("t")).angles.y, 1e-6f);
    EXPECT_EQ("turn|start|0 turn|finish|0", recorder->take());
}

TEST_F(movers, a_mover_started_as_its_location_loads_runs_from_the_clocks_time)
{
    // The program's clock has run for a while when a location is loaded and its mover started
    // at once, before the location's first tick.
    new clock_c(root, nullptr);
    tick(100.0f);
    make_location(target + "create interp_mover { string id = \"m\"; string movetarget = \"t\";"
                           " vec3 dest_position = [10 0 0]; vec3 dest_angles = [0 0 0]; float time = 2; };\n");
    EXPECT_EQ(100.0f, entity("m")->time());
    EXPECT_EQ(0.0f, entity("m")->frame_time());
    activate_location(location, "m", 0);
    tick(101.0f);
    EXPECT_NEAR(5.0f, placement_of(entity("t")).position.x, 1e-3f) << "half way after half the time";
    EXPECT_EQ("m|start|0", recorder->take());
    tick(102.0f);
    EXPECT_EQ((vec3{10, 0, 0}), placement_of(entity("t")).position);
    EXPECT_EQ("m|finish|0", recorder->take());
}

TEST_F(movers, accelerated_mover_steps_by_the_frame_time)
{
    make_location(target + "create accelerated_mover { string id = \"fall\"; string movetarget = \"t\"; vec3 velocity = [1 0 0];"
                           " vec3 accel = [0 0 -10]; vec3 avelocity = [0 0 2]; vec3 position = [0 0 5]; };\n");
    entity("t")->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{9, 9, 9})), MSG_ARG((vec3{0, 1, 0})),
                         MSG_ARG(vec3_one), MSG_ARGS_END);
    activate_location(location, "fall", 0);
    tick(0.1f, 0.1f);
    placement p = placement_of(entity("t"));
    expect_near({0.1f, 0, 5}, p.position, 1e-6f, "first frame");
    expect_near({0, 1, 0.2f}, p.angles, 1e-6f, "angles kept from the target, turned");
    tick(0.2f, 0.1f);
    expect_near({0.2f, 0, 4.9f}, placement_of(entity("t")).position, 1e-5f, "velocity (1, 0, -1)");
    for (int i = 0; i < 100; ++i)
        tick(0.3f + 0.1f * (float)i, 0.1f);
    EXPECT_EQ(1, entity<mover_c>("fall")->active()) << "never stops by itself";
    EXPECT_GT(placement_of(entity("t")).angles.z, 20.0f) << "angles are not wrapped";
}

// The recorded feedback of the entities whose ids begin with prefix, joined; the record is emptied.
std::string take_from(feedback_recorder_c *recorder, const std::string &prefix)
{
    std::vector<std::string> kept;
    for (const std::string &e : recorder->entries)
        if (e.compare(0, prefix.size(), prefix) == 0)
            kept.push_back(e);
    recorder->entries.clear();
    return take_joined(kept);
}

TEST_F(movers, demo_camera_dollies_round_its_path_and_comes_home)
{
    load_demo();
    recorder->take();
    activate_location(location, "cam_dolly", 0);
    for (int i = 1; i <= 150; ++i)
        tick(0.1f * (float)i);
    EXPECT_EQ("cam_dolly|start|0 cam_dolly|pivot|0 cam_dolly|pivot|1 cam_dolly|pivot|2", take_from(recorder, "cam_"));
    EXPECT_NE(vec3_zero, mgr->attribute("view_origin")->get_vec3()) << "the view moves with the camera";
    activate_location(location, "cam_home", 0);
    for (int i = 151; i <= 171; ++i)
        tick(0.1f * (float)i);
    EXPECT_EQ("cam_dolly|finish|0 cam_home|start|0 cam_home|finish|0", take_from(recorder, "cam_"));
    EXPECT_EQ((vec3{-9.0f, 0.0f, 2.5f}), mgr->attribute("view_origin")->get_vec3());
}

} // namespace
