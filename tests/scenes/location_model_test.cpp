// Location models: loading, idle gestures, gesture feedback, masters, the gesture player, the
// revealer and the picker.
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace {

using location_model = scene_fixture;

std::string idle(int i, const char *name, float weight, float time)
{
    const std::string n = std::to_string(i);
    return "string idle_gesture" + n + " = \"" + name + "\"; float idle_gest" + n + "_weight = " +
           std::to_string(weight) + "; float idle_gest" + n + "_time = " + std::to_string(time) + ";";
}

TEST_F(location_model, loads_from_the_player_list_or_by_name_with_its_settings)
{
    figures("player");
    figures("figure");
    make_location("create model { string id = \"p\"; vec3 position = [1 2 3]; vec3 angles = [0 0 0]; int player_index = 1;"
                  " int accept_shadows = 1; float shadow_size = 2.5; int visible = 0; int lighting = 0; };\n" +
                      model_block("n", "string model_part_name = \"hat\";") + model_block("plain", ""),
                  {make_location_player("figure", "body"), make_location_player("player", "cap")});
    figure_c *p = figure("p");
    EXPECT_EQ("player#1", p->m_name);
    EXPECT_EQ("part:cap=1 show:0", p->take_journal());
    EXPECT_TRUE(p->accepts_shadows);
    EXPECT_EQ(2.5f, p->shadow_size());
    EXPECT_EQ(renderable_entity_c::FLAG_CASTS_SHADOWS, p->flags());
    EXPECT_EQ(3.0f, p->position().z);

    figure_c *n = figure("n");
    EXPECT_EQ("figure#1", n->m_name);
    EXPECT_EQ("part:hat=1 show:1", n->take_journal());
    EXPECT_FALSE(n->accepts_shadows);
    EXPECT_EQ(renderable_entity_c::FLAG_SHOWN | renderable_entity_c::FLAG_LIT, n->flags());
    EXPECT_EQ("show:1", figure("plain")->take_journal()) << "no part switched without a part name";

    // Other entities reach the model through its attribute; shutdown empties it.
    location_model_c *m = entity<location_model_c>("p");
    EXPECT_EQ((void *)m->model(), m->attribute("model_interface")->get_ptr());
    location->shutdown_tree();
    EXPECT_EQ(nullptr, m->model());
}

TEST_F(location_model, moves_by_message_and_reports_its_placement)
{
    figures("figure");
    make_location(model_block("m", "", "figure", "[1 1 1]") +
                  "create locator { string id = \"l\"; vec3 position = [5 0 0]; vec3 angles = [0 0 0]; };\n");
    for (const char *id : {"m", "l"}) {
        location_entity_c *e = entity(id);
        EXPECT_EQ(1, e->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{7, 8, 9})), MSG_ARG((vec3{0, 1, 0})),
                                MSG_ARG((vec3{2, 2, 2})), MSG_ARGS_END));
        placement p;
        EXPECT_EQ(1, e->message(MSG_VAR(loctn_loctr_get_pos), 0, nullptr, MSG_ARG((void *)&p), MSG_ARGS_END));
        EXPECT_EQ(8.0f, p.position.y) << id;
        EXPECT_EQ(1.0f, p.angles.y) << id;
        EXPECT_EQ(2.0f, p.scale.x) << id;
    }
    EXPECT_EQ(9.0f, figure("m")->position().z);
    EXPECT_EQ(1.0f, figure("m")->angles().y);
    EXPECT_EQ(1.0f, figure("m")->scale().x) << "the scale is not passed to the model";
}

TEST_F(location_model, counts_consecutive_idle_gestures_up_to_sixteen)
{
    figures("figure");
    std::string many;
    for (int i = 0; i < 20; ++i)
        many += idle(i, "g", 1, 0);
    make_location(model_block("gap", idle(0, "a", 1, 0) + idle(1, "b", 1, 0) + idle(3, "d", 1, 0)) +
                  model_block("many", many) + model_block("none", idle(1, "b", 1, 0)));
    EXPECT_EQ(2, entity<location_model_c>("gap")->idle_count());
    EXPECT_EQ(16, entity<location_model_c>("many")->idle_count());
    EXPECT_EQ(0, entity<location_model_c>("none")->idle_count());

    // Gesture 3 is never played.
    for (int t = 1; t < 200; ++t) {
        if (const char *now = entity<location_model_c>("gap")->current_gesture())
            figure("gap")->passed.push_back(now);
        tick((float)t);
    }
    EXPECT_EQ(std::string::npos, figure("gap")->take_journal().find("play:d"));
}

// Plays idle gestures with deadlines, one per tick, and counts which follows which.
TEST_F(location_model, idle_choice_follows_the_weights_and_never_repeats_while_another_can_play)
{
    figures("figure");
    make_location(model_block("m", idle(0, "a", 1, 1) + idle(1, "b", 1, 1) + idle(2, "c", 2, 1) + idle(3, "z", 0, 1)) +
                  model_block("one", idle(0, "only", 0, 1)));
    std::map<std::string, int> after_a;
    std::string previous;
    int repeats = 0;
    for (int t = 0; t < 3000; ++t) {
        tick(2.0f * (float)t);
        const std::string now = entity<location_model_c>("m")->current_gesture();
        repeats += now == previous;
        if (previous == "a")
            ++after_a[now];
        previous = now;
    }
    EXPECT_EQ(0, repeats);
    EXPECT_EQ(0, after_a["z"]) << "weight 0";
    EXPECT_EQ(0, after_a["a"]);
    // After a: b and c in the ratio 1 : 2.
    const int total = after_a["b"] + after_a["c"];
    ASSERT_GT(total, 300);
    EXPECT_NEAR(1.0 / 3.0, (double)after_a["b"] / total, 0.06);

    // A single gesture of weight 0 is chosen every time.
    EXPECT_STREQ("only", entity<location_model_c>("one")->current_gesture());
    const std::string plays = figure("one")->take_journal();
    size_t count = 0;
    for (size_t at = plays.find("play:only"); at != std::string::npos; at = plays.find("play:only", at + 1))
        ++count;
    EXPECT_GT(count, 1000u);
}

TEST_F(location_model, idle_deadlines_lie_within_thirty_percent_of_the_idle_time)
{
    figures("figure");
    make_location(model_block("m", idle(0, "a", 1, 10) + idle(1, "b", 1, 10)));
    float earliest = 1e9f, latest = 0.0f;
    float started = 0.0f;
    const char *current = nullptr;
    for (int step = 0; step < 40000; ++step) {
        const float t = 0.05f * (float)step;
        tick(t);
        location_model_c *m = entity<location_model_c>("m");
        if (m->current_gesture() != current) {
            if (current) {
                earliest = std::min(earliest, t - started);
                latest = std::max(latest, t - started);
            }
            current = m->current_gesture();
            started = t;
            const float deadline = m->next_idle_time() - t;
            ASSERT_GE(deadline, 7.0f - 1e-3f);
            ASSERT_LE(deadline, 13.0f + 1e-3f);
        }
    }
    EXPECT_LT(earliest, 8.0f) << "the spread is used";
    EXPECT_GT(latest, 12.0f);
}

TEST_F(location_model, requested_gestures_are_reported_started_and_passed)
{
    figures("figure");
    make_location(model_block("m", idle(0, "idle", 1, 0)) + model_block("bare", ""));
    figure_c *m = figure("m");
    m->take_journal();
    tick(0.0f);
    EXPECT_EQ("m|idle|1", recorder->take());

    location_entity_c *e = entity("m");
    e->message(MSG_VAR(location_mdl_play_gest), 0, nullptr, MSG_ARG("wave"), MSG_ARG(0.0f), MSG_ARGS_END);
    EXPECT_EQ("m|wave|1", recorder->take());
    // Passed only when the model says so, and only for the gesture playing now.
    tick(1.0f);
    m->passed.push_back("idle");
    tick(2.0f);
    EXPECT_EQ("", recorder->take());
    m->passed.push_back("wave");
    tick(3.0f);
    EXPECT_EQ("m|wave|0 m|idle|1", recorder->take());
    EXPECT_EQ("play:idle play:wave play:idle", m->take_journal());

    // With a play time the next idle gesture starts at the deadline, passed or not.
    e->message(MSG_VAR(location_mdl_play_gest), 0, nullptr, MSG_ARG("bow"), MSG_ARG(2.0f), MSG_ARGS_END);
    EXPECT_EQ("m|bow|1", recorder->take());
    tick(4.5f);
    EXPECT_EQ("", recorder->take());
    tick(5.0f);
    EXPECT_EQ("m|idle|1", recorder->take());

    // A model without idle gestures still reports a requested gesture passed.
    location_entity_c *bare = entity("bare");
    bare->message(MSG_VAR(location_mdl_play_gest), 0, nullptr, MSG_ARG("nod"), MSG_ARG(0.0f), MSG_ARGS_END);
    figure("bare")->passed.push_back("nod");
    tick(6.0f);
    tick(7.0f);
    EXPECT_EQ("bare|nod|1 bare|nod|0", recorder->take());
}

TEST_F(location_model, a_model_on_a_master_locator_follows_the_master)
{
    figures("figure");
    make_location(model_block("master", "", "figure", "[10 0 0]") +
                  model_block("cap", "string master_id = \"master\"; string master_locator = \"head\";"));
    matrix_c head(1.0f);
    head[3][2] = 2.0f;
    figure("master")->m_locators["head"] = head;
    render_pass();
    EXPECT_EQ(figure("master"), figure("cap")->master());
    EXPECT_EQ(10.0f, figure("cap")->world()[3][0]);
    EXPECT_EQ(2.0f, figure("cap")->world()[3][2]);

    entity("master")->message(MSG_VAR(loctn_loctr_set_pos), 0, nullptr, MSG_ARG((vec3{20, 0, 0})), MSG_ARG(vec3_zero),
                              MSG_ARG((vec3{1, 1, 1})), MSG_ARGS_END);
    render_pass();
    EXPECT_EQ(20.0f, figure("cap")->world()[3][0]);
    EXPECT_EQ(2.0f, figure("cap")->world()[3][2]);

    // The location goes with master and slave together.
    location->shutdown_tree();
    root->collect_dead_children();
    EXPECT_EQ(0, mgr->live_slots());
}

TEST_F(location_model, gesture_player_plays_the_numbered_gesture_and_names_it_bounded)
{
    figures("figure");
    const std::string long_name(200, 'g');
    make_location(model_block("m", "") + "create gesture_player { string id = \"gp\"; string model_id = \"m\";"
                                         " string gesture0 = \"nod\"; string gesture1 = \"bow\"; float playtime1 = 3;"
                                         " string gesture2 = \"" + long_name + "\"; };\n");
    location_model_c *m = entity<location_model_c>("m");
    activate_location(location, "gp", 1);
    EXPECT_EQ("m|bow|1", recorder->take());
    EXPECT_EQ(3.0f, m->next_idle_time());
    activate_location(location, "gp", 0);
    EXPECT_EQ(-1.0f, m->next_idle_time());
    EXPECT_EQ("Could not find required attribute 'gesture5'", thrown([&] { activate_location(location, "gp", 5); }));

    struct {
        const char *id;
        int n;
        int answered;
        std::string text;
    } cases[] = {{"gp", 0, 1, "nod"}, {"gp", 2, 1, std::string(127, 'g')}, {"other", 0, 0, ""}};
    for (const auto &c : cases) {
        char buffer[160];
        std::memset(buffer, 'x', sizeof buffer);
        buffer[0] = 0;
        EXPECT_EQ(c.answered, location->message(MSG_VAR(get_gest_id), 0, nullptr, MSG_ARG(c.id), MSG_ARG(c.n),
                                                MSG_ARG((char *)buffer), MSG_ARGS_END));
        EXPECT_EQ(c.text, std::string(buffer)) << c.n;
        for (int i = GESTURE_NAME_BUFFER; i < (int)sizeof buffer; ++i)
            ASSERT_EQ('x', buffer[i]) << "written past the 128 bytes";
    }
}

TEST_F(location_model, revealer_shows_at_once_or_fades_to_shown_or_hidden)
{
    figures("figure");
    make_location(model_block("m", "") +
                  "create model_revealer { string id = \"now\"; string model_id = \"m\"; float time = 0; };\n"
                  "create model_revealer { string id = \"fade\"; string model_id = \"m\"; float time = 2; };\n");
    figure_c *m = figure("m");
    m->take_journal();
    activate_location(location, "now", 0);
    activate_location(location, "now", 1);
    tick(1.0f);
    EXPECT_EQ("show:0 show:1", m->take_journal()) << "no alpha without a fade";

    // A fade begun before the first tick runs as well.
    tick(0.0f);
    activate_location(location, "fade", 0);
    EXPECT_EQ("show:1", m->take_journal());
    tick(1.0f);
    EXPECT_EQ("alpha:0.5", m->take_journal());
    tick(2.0f);
    EXPECT_EQ("show:0 alpha:0", m->take_journal());
    EXPECT_FALSE(m->flags() & renderable_entity_c::FLAG_SHOWN);
    EXPECT_EQ(0, m->alpha());
    tick(3.0f);
    EXPECT_EQ("", m->take_journal()) << "the fade has ended";

    activate_location(location, "fade", 1);
    tick(3.5f);
    tick(5.0f);
    EXPECT_EQ("show:1 alpha:0.25 show:1 alpha:1", m->take_journal());
    EXPECT_TRUE(m->flags() & renderable_entity_c::FLAG_SHOWN);
    EXPECT_EQ(255, m->alpha());
}

class picker : public scene_fixture
{
protected:
    // The cursor position in the user interface's space of a window pixel (the tests choose
    // pixels that convert exactly).
    int packed(int window_x, int window_y)
    {
        const int width = (int)d3d->viewport().Width, height = (int)d3d->viewport().Height;
        EXPECT_NE(UI_SPACE_WIDTH, width) << "the window differs from the interface's space";
        return (window_x * UI_SPACE_WIDTH / width) << 16 | (window_y * UI_SPACE_HEIGHT / height);
    }
    // A point 10 units from the view origin along the ray through a window pixel.
    std::string point_under(int window_x, int window_y)
    {
        const vec3 d = d3d->screen_to_world_ray(window_x, window_y);
        return "[" + std::to_string(10 * d.x) + " " + std::to_string(10 * d.y) + " " + std::to_string(10 * d.z) + "]";
    }
    std::string pickable(const std::string &id, int index, const std::string &centre, float radius)
    {
        // The pick sphere lies off the model's own position by its offset.
        return model_block(id, "int pick_index = " + std::to_string(index) + "; vec3 pick_offset = " + centre +
                                   "; float pick_radius = " + std::to_string(radius) + ";");
    }
};

TEST_F(picker, finds_the_model_under_the_cursor_and_the_nearer_of_two)
{
    figures("figure");
    render_pass(); // the camera at the origin, looking along +x
    make_location(pickable("left", 3, point_under(160, 240), 0.5f) + pickable("right", 4, point_under(480, 240), 0.5f) +
                  "create model_picker { string id = \"picker\"; };\n" +
                  model_block("unpickable", "", "figure", "[10 0 0]"));
    render_pass();
    struct {
        int x, y;
        int index;
    } cases[] = {{160, 240, 3}, {480, 240, 4}, {320, 240, -1}, {160, 80, -1}};
    for (const auto &c : cases) {
        recorder->picked = -1;
        activate_location(location, "picker", packed(c.x, c.y));
        EXPECT_EQ("picker||" + std::to_string(c.index), recorder->take()) << c.x << "," << c.y;
        EXPECT_EQ(c.index, recorder->picked) << "answered during the send";
    }
}

TEST_F(picker, of_two_spheres_on_the_ray_the_nearer_centre_wins)
{
    figures("figure");
    render_pass();
    make_location(model_block("far", "int pick_index = 1; vec3 pick_offset = [30 0 0]; float pick_radius = 2;") +
                  model_block("near", "int pick_index = 2; vec3 pick_offset = [10 0 0]; float pick_radius = 1;") +
                  model_block("farther", "int pick_index = 0; vec3 pick_offset = [40 0 0]; float pick_radius = 5;") +
                  "create model_picker { string id = \"picker\"; };\n");
    render_pass();
    activate_location(location, "picker", packed(320, 240));
    EXPECT_EQ("picker||2", recorder->take());
    EXPECT_EQ("Could not find required attribute 'pick_radius'", thrown([&] {
                  make_location(model_block("x", "int pick_index = 1; vec3 pick_offset = [10 0 0];") +
                                "create model_picker { string id = \"picker\"; };\n");
                  render_pass();
                  activate_location(location, "picker", packed(320, 240));
              }));
}

} // namespace
