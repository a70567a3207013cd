// Locations and location entities: the script run, lookup and activation by id, the player
// list, ticks and feedback.
#include "scene_fixture.h"
#include "scenes/water.h"

#include "scenes/particles.h"
#include "scenes/sky.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

using locations = scene_fixture;

const char *const every_kind =
    "create locator { string id = \"spot\"; vec3 position = [1 2 3]; vec3 angles = [0 0.5 0]; };\n"
    "create model { string id = \"host\"; vec3 position = [4 0 0]; vec3 angles = [0 0 0]; int player_index = 0;\n"
    "  int accept_shadows = 1; float shadow_size = 2; int visible = 1; int lighting = 0; };\n"
    "create gesture_player { string id = \"wave\"; string model_id = \"host\"; string gesture0 = \"correct_1\"; };\n"
    "create model_revealer { string id = \"reveal\"; string model_id = \"host\"; float time = 0; };\n"
    "create model_picker { string id = \"picker\"; };\n";

TEST_F(locations, script_creates_entities_of_every_kind_as_children_found_by_exact_id)
{
    figures("player");
    make_location(every_kind, {make_location_player("player", "cap")});
    int children = 0;
    for (abstract_c *c = location->first_child(); c; c = c->next_sibling())
        ++children;
    EXPECT_EQ(5, children);

    struct {
        const char *id;
        bool found;
    } cases[] = {{"spot", true}, {"host", true}, {"wave", true}, {"reveal", true}, {"picker", true},
                 {"Host", false}, {"host ", false}, {"", false}};
    for (const auto &c : cases) {
        location_entity_c *e = entity(c.id);
        EXPECT_EQ(c.found, e != nullptr) << c.id;
        if (e) {
            EXPECT_STREQ(c.id, e->id());
        }
    }
    EXPECT_NE(nullptr, entity<locator_c>("spot"));
    EXPECT_NE(nullptr, entity<location_model_c>("host"));
    EXPECT_NE(nullptr, entity<gesture_player_c>("wave"));
    EXPECT_NE(nullptr, entity<model_revealer_c>("reveal"));
    EXPECT_NE(nullptr, entity<model_picker_c>("picker"));

    const placement &p = entity<locator_c>("spot")->get_placement();
    EXPECT_EQ(2.0f, p.position.y);
    EXPECT_EQ(0.5f, p.angles.y);
    EXPECT_EQ(1.0f, p.scale.z);

    // Deleting the location gives every model back to the manager.
    const int live = mgr->live_slots();
    location->shutdown_tree();
    root->collect_dead_children();
    EXPECT_EQ(live - 1, mgr->live_slots());
}

TEST_F(locations, failing_scripts_name_the_duplicate_the_missing_entity_or_attribute)
{
    figures("figure");
    struct {
        const char *script;
        const char *message;
    } cases[] = {
        {"create locator { string id = \"a\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0]; };\n"
         "create model_picker { string id = \"a\"; };\n",
         "Duplicate location entities id's: 'a'"},
        {"create gesture_player { string id = \"g\"; };\n"
         "create model_picker { string id = \"g\"; };\n",
         "Duplicate location entities id's: 'g'"},
        {"create model_picker { };\n", "Could not find required attribute 'id'"},
        {"create locator { string id = \"a\"; vec3 position = [0 0 0]; };\n", "Could not find required attribute 'angles'"},
        {"create locator { string id = \"a\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0]; };\n"
         "create model { string id = \"b\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0]; string model_name = \"figure\";"
         " int accept_shadows = 0; float shadow_size = 0; int visible = 1; int lighting = 1;"
         " string master_id = \"nobody\"; string master_locator = \"hand\"; };\n",
         "Location entity not found! Id = 'nobody'"},
        {"create model { string id = \"b\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0]; int accept_shadows = 0;"
         " float shadow_size = 0; int visible = 1; int lighting = 1; };\n",
         "Could not find required attribute 'model_name'"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.message, thrown([&] { make_location(c.script); })) << c.script;
    // A location that failed gives back the models made before the failure.
    EXPECT_EQ(0, mgr->live_slots());
}

TEST_F(locations, the_model_interface_attribute_belongs_to_the_model)
{
    figures("figure");
    // A script that gives it as well fails as any duplicate attribute does.
    EXPECT_EQ("Duplicate attribute name 'model_interface'",
              thrown([&] { make_location(model_block("m", "int model_interface = 0;")); }));
}

TEST_F(locations, player_records_are_bounded_and_answered_by_index)
{
    const std::string long_name(100, 'n');
    const location_player bounded = make_location_player(long_name.c_str(), long_name.c_str());
    EXPECT_EQ(63u, std::strlen(bounded.model_name));
    EXPECT_EQ(63u, std::strlen(bounded.part_name));
    const location_player empty = make_location_player(nullptr, "cap");
    EXPECT_STREQ("", empty.model_name);
    EXPECT_STREQ("cap", empty.part_name);
    for (size_t i = std::strlen(empty.part_name); i < sizeof empty.part_name; ++i)
        ASSERT_EQ(0, empty.part_name[i]) << "zero-filled";

    std::vector<location_player> players;
    for (int i = 0; i < 8; ++i)
        players.push_back(make_location_player(("player" + std::to_string(i)).c_str(), "body"));
    make_location("create model_picker { string id = \"picker\"; };\n", players);
    location_entity_c *e = entity("picker");
    for (int i = 0; i < 8; ++i) {
        char *name = nullptr, *part = nullptr;
        e->get_player(i, &name, &part);
        EXPECT_EQ("player" + std::to_string(i), std::string(name));
        EXPECT_STREQ("body", part);
        EXPECT_EQ(location->players()[i].model_name, name) << "the location's own record";
    }
    for (int index : {8, -1, 1 << 30}) {
        char *name = (char *)"x", *part = (char *)"x";
        EXPECT_EQ("location_get_player message: invalid player index",
                  thrown([&] { e->get_player(index, &name, &part); }));
        EXPECT_EQ(nullptr, name);
        EXPECT_EQ(nullptr, part);
    }
}

TEST_F(locations, ticks_reach_every_entity_of_every_location_and_go_on)
{
    make_location("create model_picker { string id = \"a\"; };\n"
                  "create locator { string id = \"b\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0]; };\n");
    location_c *first = location;
    make_location("create model_picker { string id = \"a\"; };\n");
    EXPECT_EQ(0.0f, entity("a")->time());
    tick(3.5f, 0.25f);
    for (location_c *l : {first, location})
        for (abstract_c *c = l->first_child(); c; c = c->next_sibling()) {
            auto *e = dynamic_cast<location_entity_c *>(c);
            EXPECT_EQ(3.5f, e->time()) << e->id();
            EXPECT_EQ(0.25f, e->frame_time()) << e->id();
        }
}

TEST_F(locations, activation_by_id_reaches_only_that_entity_and_feedback_goes_to_the_root)
{
    figures("figure");
    make_location(model_block("host", "") +
                  "create gesture_player { string id = \"wave\"; string model_id = \"host\"; string gesture0 = \"hello\"; };\n"
                  "create gesture_player { string id = \"Wave\"; string model_id = \"host\"; string gesture0 = \"bye\"; };\n");
    figure("host")->take_journal();
    activate_location(location, "nobody", 0);
    EXPECT_EQ("", recorder->take());
    EXPECT_EQ("", figure("host")->take_journal());

    activate_location(location, "wave", 0);
    EXPECT_EQ("host|hello|1", recorder->take());
    EXPECT_EQ("play:hello", figure("host")->take_journal());

    // Entities activate each other through their parent.
    entity("wave")->activate_entity("Wave", 0);
    EXPECT_EQ("host|bye|1", recorder->take());
}

} // namespace

namespace {

TEST_F(locations, demo_location_stands_three_figures_that_play_and_can_be_picked)
{
    load_demo();

    for (const char *id : {"player0", "player1", "player2"}) {
        location_model_c *m = entity<location_model_c>(id);
        ASSERT_NE(nullptr, m) << id;
        EXPECT_EQ(3, m->idle_count());
        // Each figure stands at its locator.
        const char stand[] = {'s', 't', 'a', 'n', 'd', id[6], 0};
        EXPECT_EQ(entity<locator_c>(stand)->get_placement().position.z, m->get_placement().position.z) << id;
        EXPECT_EQ("part:cap=1 show:1", figure(id)->take_journal());
    }
    // The sky and the sparks beside the outer stands.
    ASSERT_NE(nullptr, entity<sky_c>("sky"));
    EXPECT_NE(nullptr, entity<sky_c>("sky")->instance());
    for (const char *id : {"sparks0", "sparks1"}) {
        ASSERT_NE(nullptr, entity<particles_c>(id)) << id;
        EXPECT_NE(nullptr, entity<particles_c>(id)->instance()) << id;
    }
    render_pass();
    activate_location(location, "picker", (UI_SPACE_WIDTH / 2) << 16 | (UI_SPACE_HEIGHT / 2));
    EXPECT_EQ(1, recorder->picked) << "the middle figure faces the camera";
    recorder->take();
    activate_location(location, "answer2", 2);
    EXPECT_EQ("player2|correct_2|1", recorder->take());

    // The pool: drawn among the models, as water.
    ASSERT_NE(nullptr, entity<water_c>("pool"));
    EXPECT_EQ(RENDER_PRIORITY_WATER, entity<water_c>("pool")->surface()->priority());
}

} // namespace
