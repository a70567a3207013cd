// The movie loader: its model list, the three kinds of location loading, sequences played by
// ticks and feedback, the forwarded activations and the picker, as the quiz game drives them.
#include "movie_fixture.h"

#include <cmath>

namespace {

using movie_loader = movie_fixture;

const char *const MOVER = "create test_mover { string id = \"accel_mover0_y\"; float duration = 0.5; };\n";
// A mover of the engine, half a second on its way.
const char *const DOLLY = "create interp_mover { string id = \"dolly\"; string movetarget = \"player0\";"
                          " vec3 dest_position = [2 0 0]; vec3 dest_angles = [0 0 0]; float time = 0.5; };\n";

TEST_F(movie_loader, lists_the_player_models_up_to_the_first_incomplete_pair)
{
    struct {
        const char *attributes;
        std::vector<std::string> models;
        std::vector<std::string> log;
    } cases[] = {
        {"string player0_model = \"a\"; string player0_part = \"p\"; string player1_part = \"q\"; "
         "string player1_model = \"b\"; string player2_model = \"c\"; string player3_model = \"d\"; "
         "string player3_part = \"s\";",
         {"a:p", "b:q"},
         {"Player 0 model 'a:p'", "Player 1 model 'b:q'"}},
        {"string player1_model = \"b\"; string player1_part = \"q\";", {}, {"Warning: No players for movie loader specified!"}},
        {"", {}, {"Warning: No players for movie loader specified!"}},
    };
    for (const auto &c : cases) {
        const std::string mark = log_mark();
        movie_loader_c *made = create<movie_loader_c>(std::string("create movie_loader { ") + c.attributes + " };\n");
        ASSERT_NE(nullptr, made);
        EXPECT_EQ(c.models, names(made->all_models())) << c.attributes;
        EXPECT_EQ(c.log, log_since(mark)) << c.attributes;
        made->shutdown_tree();
        root->collect_dead_children();
    }
}

TEST_F(movie_loader, command_location_shows_every_model_and_reloading_its_name_keeps_it_and_its_steps)
{
    for (const char *name : {"model0", "model1", "model2"})
        figures(name);
    make_loader(3);
    write_location("setup", player_block("chosen", 2));
    write_location("other", "");

    const std::string mark = log_mark();
    EXPECT_EQ(0, send(MSG_VAR(load_command_location), value_c("setup", value_c::STRING)));
    EXPECT_EQ(std::vector<std::string>{"Location 'setup'"}, log_since(mark));
    location_c *setup = loader->location();
    ASSERT_NE(nullptr, setup);
    EXPECT_EQ(loader, setup->parent());
    EXPECT_EQ(names(loader->all_models()), names(setup->players()));
    location = setup;
    EXPECT_EQ("model2#1", figure("chosen")->m_name);

    EXPECT_EQ(1, send(MSG_VAR(add_to_sequence), "accel_mover0_y", 1));
    EXPECT_EQ(0, send(MSG_VAR(load_command_location), "setup"));
    EXPECT_EQ(setup, loader->location());
    EXPECT_EQ(3u, loader->steps().size());

    // Another name frees the location first: its steps go, the old location dies.
    EXPECT_EQ(1, send(MSG_VAR(activate_sequence)));
    EXPECT_EQ(0, send(MSG_VAR(load_command_location), "other"));
    EXPECT_FALSE(setup->alive());
    EXPECT_EQ("other", loader->location_name());
    EXPECT_TRUE(loader->steps().empty());
    EXPECT_FALSE(loader->running());
    root->collect_dead_children();

    EXPECT_EQ(1, send(MSG_VAR(free_location)));
    EXPECT_EQ(nullptr, loader->location());
    EXPECT_EQ(0, send(MSG_VAR(load_command_location), "other")) << "loaded again once freed";
    ASSERT_NE(nullptr, loader->location());
    location_c *other = loader->location();
    EXPECT_EQ(0, send(MSG_VAR(app_shutdown)));
    EXPECT_FALSE(other->alive());
    EXPECT_EQ(nullptr, loader->location());
}

TEST_F(movie_loader, round_locations_show_the_players_by_portrait_number_each_with_three_gesture_players)
{
    make_loader(4);
    struct {
        const msg_c &message;
        std::vector<game_stub_c::seat> seats;
        std::vector<std::string> shown;
        int warnings;
    } cases[] = {
        {MSG_VAR(load_location), {{2, true}, {0, false}, {3, true}, {1, false}}, {"model2:part2", "model3:part3"}, 0},
        {MSG_VAR(load_final_location),
         {{2, true}, {0, false}, {3, true}, {1, false}},
         {"model2:part2", "model3:part3", "model0:part0", "model1:part1"},
         0},
        {MSG_VAR(load_location), {{4, true}, {-1, true}, {1, true}}, {"model0:part0", "model0:part0", "model1:part1"}, 2},
        {MSG_VAR(load_location), {}, {}, 0},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(n);
        game->seats = c.seats;
        const std::string name = "round" + std::to_string(n++);
        write_location(name, "");
        const std::string mark = log_mark();
        EXPECT_EQ(0, root->message(c.message, 0, nullptr, MSG_ARG(name.c_str()), MSG_ARGS_END));
        location = loader->location();
        ASSERT_NE(nullptr, location);
        EXPECT_EQ(c.shown, names(location->players()));
        EXPECT_EQ(c.shown, names(loader->selected_models()));
        int warnings = 0;
        for (const std::string &line : log_since(mark))
            warnings += line.rfind("Warning: Movie loader has no player model for portrait number ", 0) == 0;
        EXPECT_EQ(c.warnings, warnings);

        int gesture_players = 0;
        for (abstract_c *child = location->first_child(); child; child = child->next_sibling())
            gesture_players += dynamic_cast<gesture_player_c *>(child) != nullptr;
        EXPECT_EQ(3 * (int)c.shown.size(), gesture_players);
        const int last = (int)c.shown.size() - 1;
        if (last < 0)
            continue;
        const std::string i = std::to_string(last);
        EXPECT_EQ(nullptr, entity(("gest_press_player" + std::to_string(last + 1)).c_str()));
        gesture_player_c *press = entity<gesture_player_c>(("gest_press_player" + i).c_str());
        gesture_player_c *correct = entity<gesture_player_c>(("gest_correct_player" + i).c_str());
        gesture_player_c *incorrect = entity<gesture_player_c>(("gest_incorrect_player" + i).c_str());
        ASSERT_TRUE(press && correct && incorrect);
        EXPECT_STREQ(("player" + i).c_str(), press->attribute("model_id")->get_const_pchar());
        EXPECT_STREQ("pressing_key", press->attribute("gesture0")->get_const_pchar());
        EXPECT_EQ(-1.0f, press->attribute("playtime0")->get_float());
        EXPECT_EQ(nullptr, press->find_attribute("gesture1"));
        EXPECT_STREQ(("player" + i).c_str(), incorrect->attribute("model_id")->get_const_pchar());
        for (int k = 0; k < 4; ++k) {
            const std::string key = std::to_string(k), number = std::to_string(k + 1);
            EXPECT_EQ("correct_" + number, correct->attribute(("gesture" + key).c_str())->get_const_pchar());
            EXPECT_EQ("incorrect_" + number, incorrect->attribute(("gesture" + key).c_str())->get_const_pchar());
            EXPECT_EQ(-1.0f, correct->attribute(("playtime" + key).c_str())->get_float());
            EXPECT_EQ(value_c::STRING, correct->attribute(("gesture" + key).c_str())->type());
        }
    }
}

TEST_F(movie_loader, portrait_numbers_without_any_listed_model_fail_clearly)
{
    make_loader(0);
    write_location("round", "");
    game->seats = {{0, true}};
    EXPECT_EQ("Movie loader: no player models listed, none for portrait number 0",
              thrown([&] { send(MSG_VAR(load_location), "round"); }));
    game->seats = {};
    EXPECT_EQ(0, send(MSG_VAR(load_location), "round"));
    EXPECT_NE(nullptr, loader->location()) << "a location without players needs no model";
}

class sequence : public movie_fixture
{
protected:
    // The studio: two players, a mover; the loader knows the two models.
    void load_studio(const std::string &more = "")
    {
        held_figures("model0");
        held_figures("model1");
        make_loader(2);
        game->seats = {{0, true}, {1, true}};
        write_location("studio", player_block("player0", 0) + player_block("player1", 1) + MOVER + more);
        send(MSG_VAR(load_location), "studio");
        location = loader->location();
        ASSERT_NE(nullptr, location);
        figure("player0")->take_journal();
        figure("player1")->take_journal();
    }
    void add_message_step(abstract_c *target)
    {
        EXPECT_EQ(1, send(MSG_VAR(add_to_sequence), "animation_message", (void *)target));
    }
};

TEST_F(sequence, delays_a_mover_a_gesture_and_a_message_play_in_order_and_end_once)
{
    load_studio(DOLLY);
    game->watched_id = "dolly";
    delayed_stub_c *question = new delayed_stub_c(game, "question");
    EXPECT_EQ(1, send(MSG_VAR(add_to_sequence), "animation_delay", 0.3f));
    EXPECT_EQ(1, send(MSG_VAR(add_to_sequence), "dolly", 1));
    EXPECT_EQ(1, send(MSG_VAR(add_to_sequence), value_c("gest_correct_player1", value_c::STRING), 2));
    add_message_step(question);
    EXPECT_EQ(12u, loader->steps().size());
    EXPECT_FALSE(loader->running());
    EXPECT_EQ(1, send(MSG_VAR(activate_sequence)));
    EXPECT_EQ(0, send(MSG_VAR(activate_sequence))) << "already running";

    // Pauses of 0.1 s frame every step: the mover starts after 0.1 + 0.3 + 0.1 + 0.1 seconds and
    // finishes 0.5 s later; the gesture starts 0.2 s after that.
    run(1.4f);
    auto events = timeline();
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ("dolly:start", events[0].first);
    EXPECT_NEAR(0.6f, events[0].second, 0.03f);
    EXPECT_EQ("dolly:finish", events[1].first);
    EXPECT_NEAR(1.1f, events[1].second, 0.03f);
    EXPECT_EQ(2.0f, entity<locator_c>("player0")->get_placement().position.x);
    EXPECT_EQ("play:correct_3", figure("player1")->take_journal());
    ASSERT_FALSE(loader->steps().empty());
    EXPECT_EQ("correct_3", loader->steps().front().name) << "the step waits for the gesture's name";
    EXPECT_TRUE(loader->waiting_for_gesture());
    EXPECT_NE(std::string::npos, recorder->take().find("player1|correct_3|1")) << "its start did not end it";

    // Neither the gesture player's own "finish" nor time ends it; the gesture having passed does.
    EXPECT_EQ(0, send(MSG_VAR(location_feedback), "gest_correct_player1", "finish", 0));
    run(0.5f);
    EXPECT_EQ("correct_3", loader->steps().front().name);
    figure("player1")->passed.push_back("correct_3");
    run(1.0f);
    events = timeline();
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ("message:question", events[0].first);
    EXPECT_NEAR(2.12f, events[0].second, 0.03f);
    EXPECT_EQ("sequence_finished", events[1].first);
    EXPECT_NEAR(events[0].second + 0.1f, events[1].second, 0.03f) << "the message step ended at once";
    EXPECT_FALSE(question->alive());
    EXPECT_EQ(1, game->finished);
    EXPECT_TRUE(loader->steps().empty());
    EXPECT_FALSE(loader->running());
    EXPECT_EQ(0, send(MSG_VAR(activate_sequence))) << "nothing queued";
}

TEST_F(sequence, an_addition_while_playing_stops_and_reports_keeping_the_queue_until_activated_again)
{
    load_studio();
    send(MSG_VAR(add_to_sequence), "animation_delay", 0.5f);
    send(MSG_VAR(add_to_sequence), "accel_mover0_y", 3);
    send(MSG_VAR(activate_sequence));
    run(0.3f);
    ASSERT_EQ(5u, loader->steps().size());
    const float left = loader->pause_left();

    EXPECT_EQ(1, send(MSG_VAR(add_to_sequence), "gest_press_player0", 0));
    EXPECT_EQ(1, game->finished) << "reported at once";
    EXPECT_EQ(1u, timeline().size());
    EXPECT_FALSE(loader->running());
    EXPECT_EQ((std::vector<std::string>{"animation_delay", "animation_delay", "animation_delay", "accel_mover0_y",
                                        "animation_delay", "animation_delay", "gest_press_player0", "animation_delay"}),
              step_names());
    run(1.0f);
    EXPECT_EQ(8u, loader->steps().size()) << "stopped until the next activation";
    EXPECT_EQ(left, loader->pause_left());
    EXPECT_TRUE(timeline().empty());

    EXPECT_EQ(1, send(MSG_VAR(activate_sequence)));
    run(1.0f);
    const auto events = timeline();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ("accel_mover0_y:3", events[0].first);
    EXPECT_NEAR(1.3f + 0.5f + 0.2f, events[0].second, 0.03f) << "the current pause starts over";
    run(0.7f);
    EXPECT_EQ("play:pressing_key", figure("player0")->take_journal());
    figure("player0")->passed.push_back("pressing_key");
    run(0.5f);
    EXPECT_EQ(2, game->finished);
    EXPECT_TRUE(loader->steps().empty());
}

TEST_F(sequence, a_gesture_step_dropped_while_it_plays_plays_again_when_reactivated)
{
    load_studio();
    send(MSG_VAR(add_to_sequence), "gest_correct_player1", 2);
    send(MSG_VAR(activate_sequence));
    run(0.15f);
    EXPECT_EQ("play:correct_3", figure("player1")->take_journal());

    // Dropped while the gesture plays; the gesture passes while the sequence is stopped.
    send(MSG_VAR(add_to_sequence), "animation_delay", 0.1f);
    EXPECT_EQ(1, game->finished);
    figure("player1")->passed.push_back("correct_3");
    run(0.2f);

    EXPECT_EQ(1, send(MSG_VAR(activate_sequence)));
    EXPECT_EQ("play:correct_3", figure("player1")->take_journal()) << "the step starts again as queued";
    figure("player1")->passed.push_back("correct_3");
    run(1.0f);
    EXPECT_EQ(2, game->finished);
    EXPECT_TRUE(loader->steps().empty());
}

TEST_F(sequence, a_pause_ends_in_the_tick_that_uses_it_up)
{
    make_loader(0);
    // With ticks of 0.1 s each framing pause takes one tick.
    struct {
        float pause;
        int ticks;
    } cases[] = {{0.1f, 3}, {0.15f, 4}, {0.0f, 3}, {-1.0f, 3}, {std::nanf(""), 3}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pause);
        game->finished = 0;
        send(MSG_VAR(add_to_sequence), "animation_delay", c.pause);
        send(MSG_VAR(activate_sequence));
        int ticks = 0;
        while (game->finished == 0 && ticks < 10) {
            ++ticks;
            run(0.1f, 0.1f);
        }
        EXPECT_EQ(c.ticks, ticks);
    }
}

TEST_F(sequence, a_queue_of_sixty_steps_refuses_what_does_not_fit)
{
    load_studio();
    struct {
        int additions;
        bool play_first_pause; // activate and let the first pause pass: 59 queued, running
        size_t queued_after;
        int finished;
        bool warned;
    } cases[] = {
        {19, false, 60, 0, false},
        {20, false, 60, 1, true},
        {20, true, 59, 1, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.additions);
        send(MSG_VAR(free_location));
        send(MSG_VAR(load_location), "studio");
        game->finished = 0;
        for (int i = 0; i < c.additions; ++i)
            send(MSG_VAR(add_to_sequence), "no_such_entity", i);
        if (c.play_first_pause) {
            send(MSG_VAR(activate_sequence));
            run(0.15f);
            ASSERT_EQ(59u, loader->steps().size());
        }
        const std::string mark = log_mark();
        EXPECT_EQ(1, send(MSG_VAR(add_to_sequence), "accel_mover0_y", 1));
        EXPECT_EQ(c.queued_after, loader->steps().size());
        EXPECT_EQ(c.finished, game->finished);
        EXPECT_FALSE(loader->running());
        const std::vector<std::string> log = log_since(mark);
        EXPECT_EQ(c.warned, !log.empty() && log.back() == "Warning: Sequence of 60 steps is full, step 'accel_mover0_y' not added");
    }
}

TEST_F(sequence, a_message_whose_target_died_is_skipped)
{
    load_studio();
    delayed_stub_c *collected = new delayed_stub_c(game, "lost");
    delayed_stub_c *dead = new delayed_stub_c(game, "dead");
    add_message_step(collected);
    add_message_step(dead);
    collected->shutdown_tree();
    root->collect_dead_children();
    dead->shutdown_tree();

    send(MSG_VAR(activate_sequence));
    run(1.0f);
    const auto events = timeline();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ("sequence_finished", events[0].first);
    EXPECT_NEAR(0.4f, events[0].second, 0.03f);
}

TEST_F(sequence, freeing_the_location_drops_the_steps_and_later_reports_are_ignored)
{
    load_studio();
    send(MSG_VAR(add_to_sequence), "accel_mover0_y", 1);
    send(MSG_VAR(activate_sequence));
    run(0.15f);
    EXPECT_EQ(1, send(MSG_VAR(free_location)));
    EXPECT_FALSE(location->alive());
    EXPECT_TRUE(loader->steps().empty());
    EXPECT_FALSE(loader->running());
    EXPECT_EQ(0, send(MSG_VAR(location_feedback), "accel_mover0_y", "finish", 0));
    EXPECT_EQ(0, send(MSG_VAR(location_feedback), "animation_delay", "finish", 0));
    run(1.0f);
    EXPECT_EQ(0, game->finished);
    EXPECT_EQ(1u, timeline().size()) << "only the mover's start";
}

// Something that answers the start of a key press by putting a new sequence in place.
class restarter_c : public abstract_c
{
public:
    explicit restarter_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(location_feedback) && std::string(msg_arg(1)->get_const_pchar()) == "pressing_key" &&
            msg_arg(2)->get_int() == 1) {
            root()->message(MSG_VAR(free_location), 0, this, MSG_ARGS_END);
            root()->message(MSG_VAR(add_to_sequence), 0, this, MSG_ARG("animation_delay"), MSG_ARG(0.2f), MSG_ARGS_END);
        }
        return 0;
    }
};

TEST_F(sequence, a_sequence_replaced_while_a_gesture_starts_keeps_its_own_steps)
{
    load_studio();
    new restarter_c(root);
    send(MSG_VAR(add_to_sequence), "gest_press_player0", 0);
    send(MSG_VAR(activate_sequence));
    run(0.15f);
    EXPECT_EQ((std::vector<std::string>{"animation_delay", "animation_delay", "animation_delay"}), step_names());
    EXPECT_EQ(1, send(MSG_VAR(activate_sequence)));
    run(0.5f);
    EXPECT_EQ(1, game->finished);
}

TEST_F(sequence, activation_and_the_picker_reach_the_location_only_while_one_is_loaded)
{
    EXPECT_EQ(0, send(MSG_VAR(activate), "accel_mover0_y", 1)) << "nobody takes it";
    figures("figure");
    render_pass(); // the camera at the origin, looking along +x
    const vec3 d = d3d->screen_to_world_ray(400, 300);
    const std::string centre =
        "[" + std::to_string(10 * d.x) + " " + std::to_string(10 * d.y) + " " + std::to_string(10 * d.z) + "]";
    load_studio(model_block("pickable", "int pick_index = 5; vec3 pick_offset = " + centre + "; float pick_radius = 0.5;") +
                "create model_picker { string id = \"picker\"; };\n");
    EXPECT_EQ(0, send(MSG_VAR(activate), "accel_mover0_y", 7));
    const auto events = timeline();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ("accel_mover0_y:7", events[0].first);
    render_pass();

    const int width = (int)d3d->viewport().Width, height = (int)d3d->viewport().Height;
    struct {
        int x, y, index;
    } cases[] = {{400, 300, 5}, {100, 300, -1}};
    for (const auto &c : cases) {
        recorder->take();
        recorder->picked = -1;
        const int packed = (c.x * UI_SPACE_WIDTH / width) << 16 | (c.y * UI_SPACE_HEIGHT / height);
        EXPECT_EQ(0, send(MSG_VAR(activate), "picker", packed));
        EXPECT_EQ("picker||" + std::to_string(c.index), recorder->take());
        EXPECT_EQ(c.index, recorder->picked) << "answered during the send";
    }

    EXPECT_EQ(1, send(MSG_VAR(change_person), 3));
    EXPECT_EQ("replace_model:player0:3", journal().take());
    send(MSG_VAR(free_location));
    EXPECT_EQ(1, send(MSG_VAR(change_person), 3));
    EXPECT_EQ(0, send(MSG_VAR(activate), "accel_mover0_y", 1));
    EXPECT_EQ("", journal().take());
}

TEST_F(movie_loader, render_modulates_and_draws_the_debug_primitives_once)
{
    make_loader(0);
    d3d->device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    debug_draw_line(vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 0, 0), vec3(1, 0, 0));
    d3d->begin_scene();
    rec->clear_log();
    EXPECT_EQ(0, send(MSG_VAR(render)));
    EXPECT_EQ((DWORD)D3DTOP_MODULATE, ts(D3DTSS_COLOROP));
    EXPECT_EQ(1u, rec->count(recording_call_e::draw));
    rec->clear_log();
    send(MSG_VAR(render));
    EXPECT_EQ(0u, rec->count(recording_call_e::draw)) << "the list was cleared";
    d3d->end_scene();
}

} // namespace

namespace {

// The demo's own locations, copied from the sources into the test's data directory.
TEST_F(movie_loader, the_demo_locations_play_through_the_loader)
{
    const std::filesystem::path from = std::filesystem::path(ENGINE_SOURCE_DIR) / "data" / "locations";
    for (const char *name : {"player_3", "demo"}) {
        std::ifstream in(from / (std::string(name) + ".isc"), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        ASSERT_FALSE(text.str().empty()) << name;
        write_location(name, text.str());
    }
    held_figures("player");
    // The demo studio's sky and sparks load textures and instances from templates.
    use_game_templates_and_textures();
    for (const char *name : {"models/demo_floor", "models/studio", "models/backdrop", "models/show_screen"})
        held_figures(name);
    new sound_manager_stand_in_c(root);
    // The set-up location shows a figure for each of the 24 portraits.
    std::string portraits;
    for (int i = 0; i < 24; ++i)
        portraits += "string player" + std::to_string(i) + "_model = \"player\"; string player" + std::to_string(i) +
                     "_part = \"" + (i % 2 ? "cap" : "body") + "\"; ";
    loader = create<movie_loader_c>("create movie_loader { " + portraits + "};\n");
    EXPECT_EQ(0, send(MSG_VAR(load_command_location), "player_3"));
    location = loader->location();
    ASSERT_NE(nullptr, location);
    EXPECT_NE(nullptr, entity<location_model_c>("player0"));
    send(MSG_VAR(add_to_sequence), "setup_closer", 1);
    send(MSG_VAR(activate_sequence));
    run(2.0f);
    EXPECT_EQ(4.0f, entity<locator_c>("camera")->get_placement().position.x);
    EXPECT_EQ(1, game->finished);

    game->seats = {{1, true}, {0, true}, {1, true}};
    EXPECT_EQ(0, send(MSG_VAR(load_location), "demo"));
    location = loader->location();
    ASSERT_NE(nullptr, location);
    figure("player2")->take_journal();
    send(MSG_VAR(add_to_sequence), "gest_incorrect_player2", 1);
    send(MSG_VAR(activate_sequence));
    run(0.2f);
    EXPECT_NE(std::string::npos, figure("player2")->take_journal().find("play:incorrect_2"));
    figure("player2")->passed.push_back("incorrect_2");
    run(0.3f);
    EXPECT_EQ(2, game->finished);
}

} // namespace
