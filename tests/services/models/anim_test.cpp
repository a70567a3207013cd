// Animated models: reading animated.def, the gesture state machine tick by tick, morphs,
// per-instance locators and skinning, on the recording device.
#include "anim_fixture.h"

#include "importers/models.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

using anim = anim_fixture;

const char *const kPrefix = "Loading model script 'models/t/animated.def' failed: ";

TEST_F(anim, definition_errors_name_the_script_and_the_position)
{
    const std::string wave = "gesture \"wave\" oscillating { frame 0; delay 0.5; frame 4; };\n";
    struct
    {
        std::string text;
        std::string error; // after the prefix; "" for a valid text
    } cases[] = {
        {anim_def(wave), ""},
        {anim_def("define slow = 0.5;\ngesture \"w\" wrapping { frame 0; delay slow; frame 10; delay 0.25; frame 0; };\n"
                  "gesture \"idle\" static { frame 3; };\n"
                  "gesture \"end\" finite { frame 2; delay 1000; frame 6; };\n"),
         ""},
        // The default word is exact.
        {"transform scale [1 1 1] angles [0 0 0] offset [0 0 0];\nskeleton \"s\";\n"
         "parts {\n part \"body\" : geometry \"g\", texture \"skin\", default On;\n};\n",
         "L4,57Invalid 'default' parameter"},
        {"transform scale [1 1 1] angles [0 0 0] offset [0 0 0];\nskeleton \"s\";\nparts { };\n", "Model has no parts"},
        {anim_def(""), "Model has no gestures"},
        {anim_def("gesture \"w\" looping { frame 0; delay 0.5; frame 4; };\n"), "L8,22: Invalid gesture mode"},
        {anim_def("gesture \"w\" finite { frame 12; delay 0.5; frame 4; };\n"), "L8,31: Invalid frame index"},
        {anim_def("gesture \"w\" finite { frame -1; delay 0.5; frame 4; };\n"), "L8,31: Invalid frame index"},
        // After the first frame of a moving gesture a delay must follow.
        {anim_def("gesture \"w\" finite { frame 1; };\n"), "L8,31: identifier expected"},
        {anim_def("gesture \"w\" static { frame 1; delay 0.5; frame 2; };\n"),
         "L8,31: static gestures must have only one frame"},
        {anim_def("gesture \"w\" finite { frame 1; delay 0.0005; frame 2; };\n"), "L8,43: Invalid frame delay"},
        {anim_def("gesture \"w\" finite { frame 1; delay 1000.5; frame 2; };\n"), "L8,43: Invalid frame delay"},
        {anim_def("gesture \"w\" finite { frame 1; delay quick; frame 2; };\n"),
         "L8,42: Unknown animation delay 'quick'"},
        {anim_def("define a_delay_name_of_thirty_two_chars = 0.5;\n"),
         "L8,47: Animation delay 'a_delay_name_of_thirty_two_chars' name is too long"},
        {anim_def("define zero = 0;\n"), "L8,17: Invalid frame delay"},
        {anim_def(wave, "default_time -1;"), "L10,26: Invalid default morph time"},
        {anim_def(wave, "default_time 0.2; morph \"run\" * to \"wave\" 0 by_time 0.1;"),
         "L10,66: Undefined source gesture 'run'"},
        {anim_def(wave, "default_time 0.2; morph \"wave\" 2 to \"wave\" 0 by_time 0.1;"),
         "L10,67: Invalid source frame 2 for gesture 'wave'"},
        {anim_def(wave, "default_time 0.2; morph \"wave\" 4 to \"jump\" 0 by_time 0.1;"),
         "L10,67: Undefined destination gesture 'jump'"},
        {anim_def(wave, "default_time 0.2; morph \"wave\" * to \"WAVE\" 3 by_time 0.1;"),
         "L10,67: Invalid destination frame 3 for gesture 'WAVE'"},
        {anim_def(wave, "default_time 0.2; morph \"wave\" * to \"wave\" 0 by_time -0.5;"),
         "L10,68: Invalid morph time -0.5 to gesture 'wave'"},
        {anim_def(wave) + "extra", "L11,1: end of file expected"},
        // A name of 31 characters does not fit the tokenizer's 32-byte buffer.
        {anim_def("gesture \"a_gesture_name_of_31_characters\" static { frame 1; };\n"),
         "L8,41: quoted string expected"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        definition(c.text);
        skelanim_resource_c *m = nullptr;
        const std::string error = thrown([&] { m = instance(); });
        if (c.error.empty())
            EXPECT_EQ("", error);
        else
            EXPECT_EQ(kPrefix + c.error, error);
        if (m)
            release(m);
        root->collect_dead_children();
        EXPECT_EQ(nullptr, mgr->first_child()) << "nothing of a load stays behind";
        EXPECT_EQ(nullptr, textures->first_child()) << "every texture was given back";
    }
}

TEST_F(anim, gestures_keep_their_frames_times_and_modes)
{
    definition(anim_def("define slow = 0.5;\n"
                        "gesture \"Wave\" wrapping { frame 0; delay slow; frame 10; delay 0.25; frame 0; };\n"
                        "gesture \"idle\" static { frame 3; };\n"
                        "gesture \"bow\" finite { frame 2; delay 1000; frame 6; delay 0.001; frame 7; };\n",
                        "default_time 0.3; morph \"wave\" 10 to \"bow\" 6 by_time 0.1; morph \"idle\" * to \"bow\" 7 "
                        "by_time 0;"));
    skelanim_resource_c *m = nullptr;
    ASSERT_EQ("", thrown([&] { m = instance(); }));
    skelanim_data_c *d = m->anim();

    const skelanim_gesture_s &w = d->gesture(d->find_gesture("WAVE"));
    EXPECT_EQ(GESTURE_WRAPPING, w.mode);
    EXPECT_EQ(2, w.branches_count);
    EXPECT_FLOAT_EQ(0.5f, w.times[0]);
    EXPECT_FLOAT_EQ(0.75f, w.times[1]);
    EXPECT_EQ((std::vector<int>{0, 10, 0}), (std::vector<int>{w.frames[0], w.frames[1], w.frames[2]}));
    EXPECT_FLOAT_EQ(0.75f, d->gesture_playtime("wave"));
    EXPECT_EQ(0, d->gesture(d->find_gesture("idle")).branches_count);
    EXPECT_EQ("Static gesture 'idle' has no playtime", thrown([&] { d->gesture_playtime("idle"); }));
    EXPECT_EQ("Gesture 'run' not found", thrown([&] { d->gesture_playtime("run"); }));
    float playtime = 0;
    m->message(MSG_VAR(model_get_gesture_time), 0, nullptr, MSG_ARG((void *)&playtime), MSG_ARG("bow"), MSG_ARGS_END);
    EXPECT_FLOAT_EQ(1000.001f, playtime);

    // Two declared morphs, then the default ones for the four remaining ordered pairs.
    ASSERT_EQ(2 + 4, d->morph_count());
    const int wave = 0, idle = 1, bow = 2;
    EXPECT_EQ(0, d->find_morph(wave, 10, bow)) << "the declared morph wins at its frame";
    EXPECT_EQ(-1, d->find_morph(wave, 0, bow)) << "a declared pair gets no default morph";
    const skelanim_morph_s fallback = d->get_morph(d->find_morph(bow, 6, wave));
    EXPECT_EQ(-1, fallback.src_frame);
    EXPECT_EQ(0, fallback.dst_frame) << "a default morph enters at the first key frame";
    EXPECT_FLOAT_EQ(0.3f, fallback.time);
    EXPECT_EQ(1, d->find_morph(idle, 3, bow));
    const skelanim_morph_s to_idle = d->get_morph(d->find_morph(bow, 7, idle));
    EXPECT_EQ(3, to_idle.dst_frame);
    EXPECT_EQ("Debug assertion failed! Expression: \"index >= 0 && index < m_morphs.size()\"",
              thrown([&] { d->get_morph(6); }));
    EXPECT_EQ("Debug assertion failed! Expression: \"gest_index >= 0 && gest_index < m_gestures.size()\"",
              thrown([&] { d->gesture(3); }));

    // Parts by exact name; hat is off by default.
    EXPECT_EQ(1, d->find_part("hat"));
    EXPECT_EQ("Undefined part 'Hat'", thrown([&] { d->find_part("Hat"); }));
    EXPECT_EQ("Invalid part index 2", thrown([&] { d->part(2); }));
    EXPECT_EQ("Invalid frame index(es): 3, 12", thrown([&] { d->pose(3, 12, 0.5f); }));
    ASSERT_EQ(1u, m->active_parts().size());
}

struct step_s
{
    float time;
    int branch, forward;
    const char *passed;
    float pose;
};

void expect_steps(anim_fixture *f, skelanim_resource_c *m, float dt, const std::vector<step_s> &steps,
                  float (*pose_of)(skelanim_resource_c *), std::string (*query)(abstract_c *, const char *))
{
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("tick " + std::to_string(i + 1));
        (void)f;
        m->step(dt);
        EXPECT_NEAR(steps[i].time, m->time(), 1e-5);
        EXPECT_EQ(steps[i].branch, m->branch());
        EXPECT_EQ(steps[i].forward, m->forward());
        EXPECT_EQ(steps[i].passed, query(m, "model_get_passed_gesture"));
        EXPECT_NEAR(steps[i].pose, pose_of(m), 1e-4);
    }
}

TEST_F(anim, each_gesture_mode_steps_through_its_frames)
{
    definition(anim_def("gesture \"osc\" oscillating { frame 0; delay 0.5; frame 4; delay 0.5; frame 8; };\n"
                        "gesture \"wrap\" wrapping { frame 0; delay 0.5; frame 10; delay 0.25; frame 0; };\n"
                        "gesture \"fin\" finite { frame 2; delay 1.0; frame 6; };\n"
                        "gesture \"still\" static { frame 3; };\n"));
    const char *none = "(null)";
    {
        skelanim_resource_c *m = instance();
        EXPECT_EQ(skelanim_resource_c::STATE_IDLE, m->state());
        m->play_gesture("OSC");
        expect_steps(this, m, 0.3f,
                     {{0.3f, 0, 1, none, 2.4f},
                      {0.6f, 1, 1, none, 4.8f},
                      {0.9f, 1, 1, none, 7.2f},
                      {1.0f, 1, 0, "osc", 8.0f}, // 1.2 clamped, direction reversed
                      {0.7f, 1, 0, "osc", 5.6f},
                      {0.4f, 0, 0, "osc", 3.2f},
                      {0.1f, 0, 0, "osc", 0.8f},
                      {0.0f, 0, 1, "osc", 0.0f}}, // -0.2 clamped, forward again
                     pose_of, text_query);
        EXPECT_EQ("osc", text_query(m, "model_get_current_gesture"));
    }
    {
        skelanim_resource_c *m = instance();
        m->play_gesture("wrap");
        // Play time 0.75: at 0.7 a step of 0.1 restarts at 0, dropping the overshoot.
        expect_steps(this, m, 0.35f, {{0.35f, 0, 1, none, 7.0f}, {0.7f, 1, 1, none, 2.0f}}, pose_of, text_query);
        expect_steps(this, m, 0.1f, {{0.0f, 0, 1, "wrap", 0.0f}, {0.1f, 0, 1, "wrap", 2.0f}}, pose_of, text_query);
    }
    {
        skelanim_resource_c *m = instance();
        m->play_gesture("fin");
        expect_steps(this, m, 0.4f,
                     {{0.4f, 0, 1, none, 3.6f},
                      {0.8f, 0, 1, none, 5.2f},
                      {1.0f, 0, 1, "fin", 6.0f},
                      {1.0f, 0, 1, "fin", 6.0f}}, // held at its end, passed on every tick
                     pose_of, text_query);
    }
    {
        skelanim_resource_c *m = instance();
        m->play_gesture("still");
        expect_steps(this, m, 0.4f, {{0.0f, 0, 1, none, 3.0f}, {0.0f, 0, 1, none, 3.0f}}, pose_of, text_query);
    }
}

TEST_F(anim, a_requested_gesture_takes_over_through_a_morph_at_the_next_key_frame)
{
    definition(anim_def("gesture \"a\" oscillating { frame 0; delay 0.5; frame 4; delay 0.5; frame 8; };\n"
                        "gesture \"b\" wrapping { frame 9; delay 0.5; frame 11; delay 0.5; frame 9; };\n"));
    skelanim_resource_c *m = instance();
    m->play_gesture("a");
    tick(0.3f);
    m->play_gesture("b");
    m->play_gesture("a"); // the playing gesture neither replaces nor cancels the pending one
    EXPECT_EQ(1, m->pending());
    EXPECT_EQ("a", text_query(m, "model_get_current_gesture"));

    tick(0.3f); // reaches key frame 4: the default morph starts, no pose this tick
    EXPECT_EQ(skelanim_resource_c::STATE_MORPHING, m->state());
    EXPECT_EQ(4, m->branch());
    EXPECT_EQ(-1, m->pending());
    EXPECT_EQ("(null)", text_query(m, "model_get_current_gesture"));
    EXPECT_NEAR(2.4f, pose_of(m), 1e-4);

    tick(0.1f); // half of default_time 0.2 from frame 4 to b's first key frame 9
    EXPECT_NEAR(6.5f, pose_of(m), 1e-4);
    tick(0.15f); // the morph ends: b plays from its first key frame
    EXPECT_EQ(skelanim_resource_c::STATE_PLAYING, m->state());
    EXPECT_EQ("b", text_query(m, "model_get_current_gesture"));
    EXPECT_EQ(0, m->branch());
    EXPECT_FLOAT_EQ(0.0f, m->time());
    tick(0.25f);
    EXPECT_NEAR(10.0f, pose_of(m), 1e-4);

    // Hidden instances keep their state frozen.
    m->message(MSG_VAR(model_show), 0, nullptr, MSG_ARG(0), MSG_ARGS_END);
    tick(0.1f);
    EXPECT_FLOAT_EQ(0.25f, m->time());
    EXPECT_EQ("Gesture 'c' not found", thrown([&] { m->play_gesture("c"); }));
}

TEST_F(anim, morphs_into_the_ends_of_gestures)
{
    definition(anim_def("gesture \"a\" oscillating { frame 0; delay 0.5; frame 4; };\n"
                        "gesture \"fin\" finite { frame 2; delay 1.0; frame 6; };\n"
                        "gesture \"osc\" oscillating { frame 5; delay 0.5; frame 7; delay 0.5; frame 1; };\n",
                        "default_time 0.2; morph \"a\" * to \"fin\" 6 by_time 0.1; morph \"fin\" * to \"osc\" 1 "
                        "by_time 0;"));
    skelanim_resource_c *m = instance();
    m->play_gesture("a");
    m->play_gesture("fin");
    m->step(0.6f); // key frame 4: morph into fin's last key frame
    EXPECT_EQ(skelanim_resource_c::STATE_MORPHING, m->state());
    EXPECT_EQ("", thrown([&] { m->step(0.2f); })) << "the morph ends without an internal error";
    EXPECT_EQ("fin", text_query(m, "model_get_current_gesture"));
    m->step(0.1f); // held at its end
    EXPECT_NEAR(6.0f, pose_of(m), 1e-4);
    EXPECT_EQ("fin", text_query(m, "model_get_passed_gesture"));
    EXPECT_FLOAT_EQ(1.0f, m->time());

    // A declared morph of time 0, stepped by a tick of 0 seconds, poses its destination.
    m->play_gesture("osc");
    m->step(0.1f); // leaving the held end crosses its key frame: the morph starts
    ASSERT_EQ(skelanim_resource_c::STATE_MORPHING, m->state());
    m->step(0.0f);
    EXPECT_NEAR(1.0f, pose_of(m), 1e-4);
    // Into the last key frame of an oscillating gesture: it resumes running backward.
    m->step(0.1f);
    EXPECT_EQ(skelanim_resource_c::STATE_PLAYING, m->state());
    EXPECT_EQ(0, m->forward());
    EXPECT_EQ(1, m->branch());
    EXPECT_FLOAT_EQ(1.0f, m->time());
    m->step(0.25f);
    EXPECT_NEAR(4.0f, pose_of(m), 1e-4); // halfway back from frame 1 to frame 7
}

TEST_F(anim, instances_keep_their_own_pose_for_locators_and_slaves)
{
    definition(anim_def("gesture \"a\" finite { frame 0; delay 1.0; frame 10; };\n"
                        "gesture \"still\" static { frame 3; };\n"));
    skelanim_resource_c *first = instance();
    skelanim_resource_c *second = instance();
    EXPECT_EQ(first->data(), second->data());
    first->play_gesture("a");
    second->play_gesture("still");
    tick(0.5f); // both step; the second poses the shared skeleton last
    EXPECT_NEAR(5.0f, pose_of(first), 1e-4);
    EXPECT_NEAR(3.0f, pose_of(second), 1e-4);
    matrix_c out;
    EXPECT_EQ("Joint 'hand' not found", thrown([&] { first->get_locator_matrix(&out, "hand"); }));

    // A slave on the first instance's arm follows the first instance's pose.
    data("prop");
    probe_model_c *prop = load("prop");
    first->message(MSG_VAR(model_insert_slave), 0, nullptr, MSG_ARG((void *)prop), MSG_ARG("arm"), MSG_ARGS_END);
    render_pass();
    const vec3 at = prop->world().transform_point(vec3_zero);
    EXPECT_NEAR(5.0f, at.x, 1e-4);
    EXPECT_NEAR(1.0f, at.z, 1e-4);
    release(prop);
}

TEST_F(anim, parts_switch_by_exact_name_and_set_the_blending)
{
    definition(anim_def("gesture \"still\" static { frame 1; };\n"));
    skelanim_resource_c *m = instance();
    EXPECT_EQ(RENDER_PRIORITY_OPAQUE, m->priority());
    m->switch_part("hat", 1);
    m->switch_part("hat", 1);
    ASSERT_EQ(2u, m->active_parts().size());
    EXPECT_TRUE(m->flags() & renderable_entity_c::FLAG_BLENDED_TEXTURE);
    m->message(MSG_VAR(model_set_alpha), 0, nullptr, MSG_ARG(1.0f), MSG_ARGS_END);
    EXPECT_EQ(RENDER_PRIORITY_BLENDED, m->priority());
    EXPECT_EQ("Undefined part 'Hat'", thrown([&] { m->switch_part("Hat", 1); }));
    m->message(MSG_VAR(model_switch_part), 0, nullptr, MSG_ARG("hat"), MSG_ARG(0), MSG_ARGS_END);
    m->switch_part("hat", 0);
    ASSERT_EQ(1u, m->active_parts().size());
    EXPECT_FALSE(m->flags() & renderable_entity_c::FLAG_BLENDED_TEXTURE);
    EXPECT_EQ("body", std::string(m->anim()->part(m->active_parts()[0].part_index).name));
}

TEST_F(anim, drawing_starts_with_the_first_gesture_and_skins_the_pose)
{
    // The two-joint skeleton of the reader tests: frame 1 turns the root a quarter about z and
    // bends the arm a quarter about x.
    put("models/t/s.skl", modelgen::skeleton_file(two_joint_skeleton()));
    definition(anim_def("gesture \"bent\" static { frame 1; };\n"));
    skelanim_resource_c *m = instance();
    render_pass();
    EXPECT_EQ(0u, rec->count(recording_call_e::draw_indexed)) << "idle: nothing drawn";

    m->play_gesture("bent");
    tick(0.1f);
    rec->clear_log();
    d3d->begin_scene();
    render_pass();
    d3d->end_scene();
    const std::vector<recording_call_s> draws_made = rec->calls(recording_call_e::draw_indexed);
    ASSERT_EQ(1u, draws_made.size());
    EXPECT_EQ((DWORD)D3DPT_TRIANGLELIST, draws_made[0].a);
    EXPECT_EQ(1u, draws_made[0].b);
    EXPECT_EQ(3u, draws_made[0].d);
    EXPECT_EQ(FALSE, rs(D3DRS_ALPHABLENDENABLE));

    // Hand-computed: vertex 0 (0,0,0) on the root stays; vertex 1 (0,0,2) on the arm: one unit
    // above the joint, bent about x to -y, lifted by the joint, turned about z: (1,0,1);
    // vertex 2 (0,1,2) half on each: (-1,0,2) and (1,0,2) average to (0,0,2).
    IDirect3DVertexBuffer8 *vb = m->active_parts()[0].vertex_buffer;
    const auto *v = static_cast<const lit_vertex_s *>(d3d->lock_vbuffer(sizeof(lit_vertex_s), vb, 0, 3));
    const float expected[3][3] = {{0, 0, 0}, {1, 0, 1}, {0, 0, 2}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(expected[i][0], v[i].x, 1e-5);
        EXPECT_NEAR(expected[i][1], v[i].y, 1e-5);
        EXPECT_NEAR(expected[i][2], v[i].z, 1e-5);
    }
    EXPECT_FLOAT_EQ(0.75f, v[0].v) << "v is flipped";
    d3d->unlock_vbuffer(vb);
}

TEST_F(anim, texture_and_file_errors_pass_unchanged_and_leave_nothing_behind)
{
    definition(anim_def("gesture \"still\" static { frame 1; };\n"));
    write_text("models/t/animated.def",
               "transform scale [1 1 1] angles [0 0 0] offset [0 0 0];\nskeleton \"s\";\n"
               "parts { part \"body\" : geometry \"g\", texture \"missing\", default on; };\n");
    EXPECT_EQ("Texture 'models/t/missing' not found", thrown([&] { instance(); }));
    EXPECT_EQ(0, mgr->live_slots());
    EXPECT_EQ(nullptr, mgr->first_child());
}

// The demo players: the generated skeleton and contestants with the hand-written definition.
TEST_F(anim, the_demo_player_has_the_games_gestures_in_sound_steps)
{
    skelanim_resource_c *player = nullptr;
    ASSERT_NO_FATAL_FAILURE(load_demo_player(player));
    const skelanim_data_c *d = player->anim();
    for (const char *name : {"pressing_key", "correct_1", "correct_2", "correct_3", "correct_4", "incorrect_1",
                             "incorrect_2", "incorrect_3", "incorrect_4", "idle_1", "idle_2"})
        EXPECT_GE(d->find_gesture(name), 0) << name;

    // Every construct of the format is used.
    bool modes[4] = {}, frame_morph = false, any_morph = false;
    for (int g = 0; g < d->gesture_count(); ++g)
        modes[d->gesture(g).mode] = true;
    for (int m = 0; m < d->morph_count(); ++m) {
        const skelanim_morph_s morph = d->get_morph(m);
        (morph.src_frame < 0 ? any_morph : frame_morph) = true;
    }
    EXPECT_TRUE(modes[0] && modes[1] && modes[2] && modes[3]);
    EXPECT_TRUE(frame_morph && any_morph);
    EXPECT_EQ(24, d->part_count());

    // Neighbouring key frames turn no joint by more than about 45 degrees, and every moving
    // gesture moves some joint visibly.
    const skeleton_instance_c *skeleton = d->skeleton();
    auto turn = [&](int a, int b, uint32_t j) {
        const matrix_c &p = skeleton->joint_matrices(a)[j], &q = skeleton->joint_matrices(b)[j];
        float trace = 0;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                trace += p[r][c] * q[r][c];
        return std::acos(std::clamp((trace - 1.0f) / 2.0f, -1.0f, 1.0f)) * 180.0f / ENGINE_PI;
    };
    for (int g = 0; g < d->gesture_count(); ++g) {
        const skelanim_gesture_s &gs = d->gesture(g);
        float largest = 0;
        for (int k = 0; k < gs.branches_count; ++k) {
            for (uint32_t j = 0; j < skeleton->joints_count(); ++j) {
                const float t = turn(gs.frames[k], gs.frames[k + 1], j);
                EXPECT_LE(t, 46.0f) << gs.name << " branch " << k << " joint " << j;
                largest = std::max(largest, t);
            }
        }
        if (gs.mode != GESTURE_STATIC) {
            EXPECT_GE(largest, 10.0f) << gs.name;
        }
    }
    release(player);
}

} // namespace
