// The game's own locations (data/locations of the program, with the parts the generators add
// to the demo data), loaded through the movie loader the way the game loads them: every entity
// the game activates by name is there, and the steps it plays in a sequence come to an end;
// the set-up location as well.
#include "movie_fixture.h"

#include "scenes/camera.h"
#include "services/manager_sound_files.h"
#include "tools/locationgen/studio_seats.h"
#include "tools/soundgen/cues.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

namespace fs = std::filesystem;

// The sound manager's side: a sound as long as its cue (tools/soundgen/cues.h), music or not as
// its description in data/sounds says; it plays from sound_play until it ends (never, when
// looped), sound_stop or its release. Music that starts while other music plays is noted.
class cue_sound_c : public abstract_c
{
public:
    cue_sound_c(abstract_c *parent, std::string name, const float &now, std::vector<std::string> &overlaps,
                std::vector<std::string> &started)
        : abstract_c(parent), m_name(std::move(name)), m_now(now), m_overlaps(overlaps), m_started(started)
    {
        const sound_descr d = load_sound_descr(m_name.c_str());
        m_music = (d.flags & SOUND_MUSIC) != 0;
        m_looped = (d.flags & SOUND_LOOPED) != 0;
        for (const soundgen::cue &c : soundgen::demo_cues())
            if (m_name == std::string("sounds/") + c.name)
                m_seconds = (float)c.seconds;
    }
    bool music_playing() const { return m_music && m_start >= 0.0f && (m_looped || m_now < m_start + m_seconds); }
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(sound_play)) {
            if (m_music) {
                // Music that starts while other music plays is the fault this looks for.
                for (abstract_c *c = parent()->first_child(); c; c = c->next_sibling())
                    if (auto *other = dynamic_cast<cue_sound_c *>(c); other && other != this && other->music_playing())
                        m_overlaps.push_back(m_name + " over " + other->m_name);
                m_started.push_back(m_name);
            }
            m_start = m_now;
            return 1;
        }
        if (*message == MSG_VAR(sound_stop)) {
            m_start = -1.0f;
            return 1;
        }
        if (*message == MSG_VAR(sound_is_playing))
            return m_start >= 0.0f && (m_looped || m_now < m_start + m_seconds);
        if (*message == MSG_VAR(sound_3d_params))
            return 1;
        if (*message == MSG_VAR(mgr_release_res)) {
            m_start = -1.0f;
            shutdown_tree();
            return 1;
        }
        return 0;
    }

    std::string m_name;
    const float &m_now;
    std::vector<std::string> &m_overlaps, &m_started;
    bool m_music = false, m_looped = false;
    float m_seconds = 0.5f, m_start = -1.0f;
};

class cue_sound_manager_c : public abstract_c
{
public:
    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(tick)) {
            now = msg_arg(0)->get_float();
            return 0;
        }
        if (*message == MSG_VAR(get_sound_mgr)) {
            *(abstract_c **)msg_arg(0)->get_ptr() = this;
            return 1;
        }
        if (*message == MSG_VAR(mgr_load_res)) {
            *(abstract_c **)msg_arg(0)->get_ptr() =
                new cue_sound_c(this, msg_arg(1)->get_const_pchar(), now, overlaps, started);
            return 1;
        }
        return 0;
    }
    // The names of the music cues that play now.
    std::vector<std::string> music() const
    {
        std::vector<std::string> out;
        for (abstract_c *c = first_child(); c; c = c->next_sibling())
            if (auto *sound = dynamic_cast<cue_sound_c *>(c); sound && sound->alive() && sound->music_playing())
                out.push_back(sound->m_name);
        return out;
    }
    float now = 0.0f;
    std::vector<std::string> overlaps, started;
};

// The clock's side: entities of a location loaded between ticks count from the last tick.
class clock_stand_in_c : public abstract_c
{
public:
    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (!(*message == MSG_VAR(get_common_time)))
            return 0;
        *(double *)msg_arg(0)->get_ptr() = journal().now;
        return 1;
    }
};

class game_locations : public movie_fixture
{
protected:
    void SetUp() override
    {
        movie_fixture::SetUp();
        const fs::path target = m_dir / "data" / "locations";
        fs::create_directories(target);
        fs::copy(fs::path(ENGINE_SOURCE_DIR) / "data" / "locations", target,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        fs::create_directories(target / "studio");
        for (int i = 0; i < locationgen::STUDIO_SEATS; ++i) {
            std::ofstream(target / "studio" / ("seat" + std::to_string(i) + ".isc"), std::ios::binary)
                << locationgen::studio_seat_script(i);
            std::ofstream(target / "studio" / ("final_seat" + std::to_string(i) + ".isc"), std::ios::binary)
                << locationgen::studio_seat_script(i, i < 2 ? locationgen::seat_kind::finalist
                                                            : locationgen::seat_kind::out_of_game);
        }
        use_game_templates_and_textures();
        // Held, so that their data stays while locations come and go.
        for (const char *name : {"models/studio", "models/pillar", "models/lamp_green", "models/lamp_red", "models/lamp_white",
                                 "models/backdrop", "models/show_screen", "models/audience", "models/light_rig"})
            held_figures(name);
        for (int i = 0; i < 24; ++i)
            held_figures(("model" + std::to_string(i)).c_str());
        fs::create_directories(m_dir / "data" / "sounds");
        fs::copy(fs::path(ENGINE_SOURCE_DIR) / "data" / "sounds", m_dir / "data" / "sounds", fs::copy_options::recursive);
        sounds_heard = new cue_sound_manager_c(root);
        new clock_stand_in_c(root);
        make_loader(8);
    }
    cue_sound_manager_c *sounds_heard = nullptr;
    using names = std::vector<std::string>;
    void start_sequence(const char *step)
    {
        send(MSG_VAR(add_to_sequence), step, 1);
        send(MSG_VAR(activate_sequence));
    }
    void reload(const msg_c &message, const char *name)
    {
        send(MSG_VAR(free_location));
        root->collect_dead_children();
        open(message, name);
    }

    // Loads a location with `message` and makes it the fixture's location.
    void open(const msg_c &message, const char *name)
    {
        send(message, value_c(name, value_c::STRING));
        location = loader->location();
        ASSERT_NE(nullptr, location) << name;
    }
    // The ids of the list that the location has no entity for.
    std::vector<std::string> missing(const std::vector<std::string> &ids)
    {
        std::vector<std::string> out;
        for (const std::string &id : ids)
            if (!entity(id.c_str()))
                out.push_back(id);
        return out;
    }
    static std::vector<std::string> numbered(const char *format, int first, int last)
    {
        std::vector<std::string> out;
        for (int i = first; i <= last; ++i) {
            char id[64];
            std::snprintf(id, sizeof id, format, i);
            out.push_back(id);
        }
        return out;
    }
    // Whether the model entity was last shown (or hidden).
    bool shown(const char *id)
    {
        std::string last;
        for (const std::string &entry : figure(id)->journal)
            if (entry.rfind("show:", 0) == 0)
                last = entry;
        return last == "show:1";
    }
    // Plays one step as the game queues it; true when the sequence ended within `seconds`.
    bool play(const char *step, int value, float seconds)
    {
        const int before = game->finished;
        send(MSG_VAR(add_to_sequence), step, value);
        send(MSG_VAR(activate_sequence));
        run(seconds);
        return game->finished == before + 1 && !loader->running();
    }
};

TEST_F(game_locations, menu_space_flies_the_camera_in_at_its_start)
{
    // The main menu: no game, so no players.
    open(MSG_VAR(load_location), "menu_space");
    EXPECT_EQ(std::vector<std::string>{}, missing({"start_relay", "camera"}));
    const vec3 start = entity<locator_c>("camera")->get_placement().position;

    // The start also starts the theme through a relay, which reports no end: the menu's step
    // stays open, the flight ends.
    game->watched_id = "start_flight";
    play("start_relay", 1, 8.0f);
    EXPECT_NE(std::string::npos, journal().take().find("start_flight:finish"));
    const vec3 end = entity<locator_c>("camera")->get_placement().position;
    EXPECT_GT((end - start).length(), 20.0f) << "the camera flew in";
    EXPECT_LT(end.length(), 16.0f) << "and stands near the studio";
}

// The ids the game activates in a round location showing `shown` players, by model number.
std::vector<std::string> round_ids(int shown, bool final_round)
{
    std::vector<std::string> ids = {final_round ? "path_mover0" : "start_relay", "picker"};
    for (int m = 0; m < shown; ++m)
        for (const char *format : {"player%d", "pillar%d_slideout_go", "lamp_green%d_relay", "lamp_red%d_relay", "revealer%d",
                                   "cam_player%d", "accel_mover%d_y", "gest_press_player%d", "gest_correct_player%d",
                                   "gest_incorrect_player%d"}) {
            char id[64];
            std::snprintf(id, sizeof id, format, m);
            ids.push_back(id);
        }
    return ids;
}

// The camera moves a question of round `round` queues for the player with model number m: from
// his own PC, or from another (the final asks with interp_mover, every other round, the
// super-final too, with path_mover).
std::vector<std::string> camera_steps(int m, int round)
{
    char own[32], other[32];
    std::snprintf(own, sizeof own, "accel_mover%d_y", m);
    if (round == 7)
        std::snprintf(other, sizeof other, "interp_mover%d", m % 7);
    else
        std::snprintf(other, sizeof other, "path_mover%d", (m + 7) % 8 + 1);
    return {own, other};
}

TEST_F(game_locations, every_studio_has_what_the_game_activates_and_its_camera_moves_end)
{
    // Each round's studio with the players the round plan leaves in the game; the final studio
    // with those in the game first and those who left after them (two finalists, or three in
    // the super-final).
    const struct {
        const char *name;
        int round;
        int in_game;
    } cases[] = {{"studio", 1, 8},  {"studio2", 2, 7}, {"studio3", 3, 6},      {"studio4", 4, 5},
                 {"studio5", 5, 4}, {"studio6", 6, 3}, {"final_studio", 7, 2}, {"final_studio", 8, 3}};
    for (const auto &c : cases) {
        const bool final_round = c.round >= 7;
        SCOPED_TRACE("round " + std::to_string(c.round) + " in " + c.name);
        game->seats.clear();
        for (int slot = 0; slot < 8; ++slot)
            game->seats.push_back({7 - slot, slot < c.in_game});
        send(MSG_VAR(free_location));
        root->collect_dead_children();
        open(final_round ? MSG_VAR(load_final_location) : MSG_VAR(load_location), c.name);
        const int shown = final_round ? 8 : c.in_game;
        ASSERT_EQ((size_t)shown, loader->selected_models().size());
        EXPECT_EQ(std::vector<std::string>{}, missing(round_ids(shown, final_round)));
        // A question's camera move ends, or the question behind it would never come.
        for (int m = 0; m < c.in_game; ++m)
            for (const std::string &step : camera_steps(m, c.round))
                EXPECT_TRUE(play(step.c_str(), 1, 4.0f)) << step;
    }
}

TEST_F(game_locations, the_studio_lights_the_answer_lamps_lets_a_pillar_slide_out_and_introduces_the_round)
{
    for (int slot = 0; slot < 8; ++slot)
        game->seats.push_back({slot, true});
    open(MSG_VAR(load_location), "studio");
    const vec3 hall_camera = entity<locator_c>("camera")->get_placement().position;
    EXPECT_FALSE(shown("lamp_green3"));
    EXPECT_FALSE(shown("lamp_red3"));

    send(MSG_VAR(activate), "lamp_green3_relay", 1);
    run(0.5f);
    EXPECT_TRUE(shown("lamp_green3"));
    EXPECT_FALSE(shown("lamp_green2")) << "only the answerer's lamp";
    send(MSG_VAR(activate), "lamp_red3_relay", 1);
    run(0.5f);
    EXPECT_TRUE(shown("lamp_red3"));
    EXPECT_FALSE(shown("lamp_green3")) << "one lamp at a time";
    run(3.0f);
    EXPECT_FALSE(shown("lamp_red3")) << "the lamp goes out by itself";

    send(MSG_VAR(activate), "pillar5_slideout_go", 1);
    run(3.5f);
    EXPECT_LT(entity<locator_c>("pillar5")->get_placement().position.z, -3.0f);
    EXPECT_LT(entity<locator_c>("player5")->get_placement().position.z, -2.0f) << "the figure goes down with its pillar";
    EXPECT_EQ(0.0f, entity<locator_c>("pillar4")->get_placement().position.z);

    // The camera turned to the one who left.
    const vec3 seat5 = entity<locator_c>("pillar5")->get_placement().position;
    const vec3 seen = entity<locator_c>("camera")->get_placement().position;
    EXPECT_LT(std::hypot(seen.x - seat5.x, seen.y - seat5.y), 5.0f) << "across the circle from him";

    // The introduction: the wide shot, an orbit of the circle, and back to the wide shot (where
    // the hall's camera stands at first) within the 20 seconds before the round's first question.
    const vec3 home = hall_camera;
    game->watched_id = "intro_flight";
    send(MSG_VAR(activate), "start_relay", 1);
    run(8.0f);
    EXPECT_GT((entity<locator_c>("camera")->get_placement().position - home).length(), 5.0f) << "the orbit";
    run(11.5f);
    EXPECT_LT((entity<locator_c>("camera")->get_placement().position - home).length(), 0.01f);
    const std::string reports = journal().take();

    // The picker names the model number under the cursor: from the wide shot the figure
    // nearest to the camera, seat 4's, is a little below the middle of the screen.
    run(0.1f);
    root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
    d3d->end_scene();
    recorder->take();
    send(MSG_VAR(activate), "picker", (512 << 16) | 470);
    EXPECT_EQ("picker||4", recorder->take());
    send(MSG_VAR(activate), "picker", (512 << 16) | 20);
    EXPECT_EQ("picker||-1", recorder->take()) << "the sky above them";
    EXPECT_NE(std::string::npos, reports.find("intro_flight:finish")) << reports;
}

TEST_F(game_locations, the_setup_location_shows_only_the_chosen_portrait_and_turns_the_camera_to_it)
{
    // Every portrait's model, as the game lists them.
    loader->shutdown_tree();
    make_loader(24);
    open(MSG_VAR(load_command_location), "player_3");
    std::vector<std::string> ids = {"sound_menu", "round_players"};
    for (const char *format : {"player%d", "revealer%d", "cam_player%d"})
        for (const std::string &id : numbered(format, 0, 23))
            ids.push_back(id);
    EXPECT_EQ(std::vector<std::string>{}, missing(ids));

    // The set-up screen's refresh for portrait 17: every revealer off, the portrait's on, then
    // the camera.
    for (const std::string &id : numbered("revealer%d", 0, 23))
        send(MSG_VAR(activate), id.c_str(), 0);
    send(MSG_VAR(activate), "revealer17", 1);
    send(MSG_VAR(activate), "round_players", 1);
    send(MSG_VAR(activate), "cam_player17", 1);
    run(1.5f);
    std::vector<std::string> visible;
    for (const std::string &id : numbered("player%d", 0, 23))
        if (shown(id.c_str()))
            visible.push_back(id);
    EXPECT_EQ(std::vector<std::string>{"player17"}, visible);
    // The whole figure in view: its feet and the top of its head within the camera's view.
    auto *camera = entity<camera_c>("camera");
    const placement &view = camera->get_placement();
    const vec3 feet = entity<locator_c>("player17")->get_placement().position;
    const float half = camera->fov() * 0.5f * 0.5f * ENGINE_PI / 180.0f;
    for (const float height : {0.0f, 2.3f}) {
        const vec3 d = feet + vec3{0, 0, height} - view.position;
        const float up = std::atan2(d.z, std::hypot(d.x, d.y)) - view.angles.x;
        EXPECT_LT(std::fabs(up), half) << "height " << height;
    }
}

// A figure stands on the top of its podium, turned as it is.
std::string standing_apart(location_entity_c *figure, location_entity_c *podium)
{
    const placement &f = dynamic_cast<locator_c *>(figure)->get_placement();
    const placement &p = dynamic_cast<locator_c *>(podium)->get_placement();
    const vec3 d = f.position - p.position - vec3{0, 0, locationgen::PODIUM_TOP};
    if (d.length() > 0.01f || std::fabs(f.angles.y - p.angles.y) > 0.01f)
        return figure->id() + std::string(" apart from its podium");
    return "";
}

// The distance from p to the figure standing at `feet`, taken as its upright axis up to the top
// of its head; within FIGURE_REACH of that axis the camera would be inside or at the figure.
constexpr float FIGURE_HEIGHT = 2.3f, FIGURE_REACH = 0.3f + 0.5f;
float distance_to_figure(const vec3 &p, const vec3 &feet)
{
    const float z = std::clamp(p.z, feet.z, feet.z + FIGURE_HEIGHT);
    return (p - vec3{feet.x, feet.y, z}).length();
}

TEST_F(game_locations, every_figure_stands_on_its_podium_and_no_camera_move_comes_near_a_figure)
{
    const struct {
        const char *name;
        int shown;
        bool final_round;
    } cases[] = {{"studio", 8, false},  {"studio2", 7, false}, {"studio3", 6, false},     {"studio4", 5, false},
                 {"studio5", 4, false}, {"studio6", 3, false}, {"final_studio", 8, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        game->seats.clear();
        for (int slot = 0; slot < 8; ++slot)
            game->seats.push_back({slot, slot < (c.final_round ? 2 : c.shown)});
        send(MSG_VAR(free_location));
        root->collect_dead_children();
        open(c.final_round ? MSG_VAR(load_final_location) : MSG_VAR(load_location), c.name);
        std::vector<vec3> feet;
        for (int i = 0; i < c.shown; ++i) {
            const std::string n = std::to_string(i);
            EXPECT_EQ("", standing_apart(entity(("player" + n).c_str()), entity(("pillar" + n).c_str())));
            feet.push_back(entity<locator_c>(("player" + n).c_str())->get_placement().position);
        }
        // Every camera move of the location, flown: each starts with a cut to its first view, so
        // where the camera was before does not matter.
        std::vector<std::string> moves = {"intro_flight"};
        for (int i = 0; i < c.shown; ++i) {
            moves.push_back("path_mover" + std::to_string((i + 7) % 8 + 1));
            moves.push_back("accel_mover" + std::to_string(i) + "_y");
            if (i < 7)
                moves.push_back("interp_mover" + std::to_string(i));
            // The winner's push-in, on the final's finalists; the view of one who leaves a round.
            if (c.final_round && i < 2)
                moves.push_back("winner_push" + std::to_string(i));
            if (!c.final_round)
                moves.push_back("leave_view" + std::to_string(i));
        }
        auto *camera = entity<locator_c>("camera");
        float worst = 1e9f;
        std::string where;
        for (const std::string &move : moves) {
            send(MSG_VAR(add_to_sequence), move.c_str(), 1);
            send(MSG_VAR(activate_sequence));
            for (int step = 0; step < 1500 && (step == 0 || loader->running()); ++step) {
                run(0.02f);
                const vec3 at = camera->get_placement().position;
                for (size_t k = 0; k < feet.size(); ++k)
                    if (const float d = distance_to_figure(at, feet[k]); d < worst) {
                        worst = d;
                        where = move + " near player" + std::to_string(k);
                    }
            }
        }
        EXPECT_GE(worst, FIGURE_REACH) << where;
        for (int i = 0; i < c.shown; ++i) {
            const std::string n = std::to_string(i);
            EXPECT_EQ("", standing_apart(entity(("player" + n).c_str()), entity(("pillar" + n).c_str())))
                << "after the camera moves";
        }
    }
}

TEST_F(game_locations, the_finals_winner_keeps_his_podium_lit_green_and_the_camera_pushes_in_on_him)
{
    for (int slot = 0; slot < 8; ++slot)
        game->seats.push_back({slot, slot < 2});
    open(MSG_VAR(load_final_location), "final_studio");
    EXPECT_TRUE(shown("lamp_white1"));
    EXPECT_FALSE(shown("lamp_white5")) << "the podium of one who left is dark";
    // The game names the winner as it names one who leaves.
    send(MSG_VAR(activate), "pillar1_slideout_go", 1);
    run(6.0f);
    EXPECT_EQ(0.0f, entity<locator_c>("pillar1")->get_placement().position.z);
    EXPECT_EQ("", standing_apart(entity("player1"), entity("pillar1")));
    EXPECT_TRUE(shown("lamp_green1"));
    const vec3 face = entity<locator_c>("player1")->get_placement().position + vec3{0, 0, 2.05f};
    EXPECT_LT((entity<locator_c>("camera")->get_placement().position - face).length(), 2.0f) << "a close-up of him";
}

TEST_F(game_locations, every_location_sets_its_own_fog)
{
    // The stand-in sound manager plays nothing: the set-up's copy goes without its music.
    const fs::path setup = m_dir / "data" / "locations" / "player_3.isc";
    std::ifstream in(setup, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t music = text.find("create sound_3d { string id = \"menu_music\"");
    ASSERT_NE(std::string::npos, music);
    text.erase(music, text.find('\n', music) - music);
    std::ofstream(setup, std::ios::binary) << text;
    loader->shutdown_tree();
    make_loader(24);
    for (int slot = 0; slot < 8; ++slot)
        game->seats.push_back({slot, true});
    auto fog = [&] { return std::make_pair(mgr->attribute("fog_enabled")->get_int(), mgr->attribute("fog_color")->get_vec3()); };
    const struct {
        const char *name;
        const char *start; // what the game activates first in it
        bool fogged;
    } cases[] = {{"studio", "start_relay", true},  {"player_3", "sound_menu", true},   {"studio6", "start_relay", true},
                 {"menu_space", "start_relay", false}, {"final_studio", "path_mover0", true}, {"player_3", "sound_menu", true}};
    std::pair<int, vec3> before{0, {}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        send(MSG_VAR(free_location));
        root->collect_dead_children();
        const std::string failure = thrown([&] {
        if (std::string(c.name) == "player_3")
            open(MSG_VAR(load_command_location), c.name);
        else
            open(std::string(c.name) == "final_studio" ? MSG_VAR(load_final_location) : MSG_VAR(load_location), c.name);
        });
        ASSERT_EQ("", failure);
        EXPECT_EQ("", thrown([&] {
            send(MSG_VAR(activate), c.start, 1);
            run(2.0f);
        }));
        const std::pair<int, vec3> now = fog();
        EXPECT_EQ(c.fogged ? 1 : 0, now.first);
        if (c.fogged && before.first) {
            EXPECT_NE(before.second, now.second) << "a colour of its own";
        }
        before = now;
    }
}

TEST_F(game_locations, no_two_music_cues_play_at_once_from_the_menus_through_a_game)
{
    // Every portrait's model, as the game lists them for the set-up.
    loader->shutdown_tree();
    make_loader(24);
    // The main menu, made twice while its location stays (back from the options).
    open(MSG_VAR(load_location), "menu_space");
    start_sequence("start_relay");
    run(1.0f);
    EXPECT_EQ(names{"sounds/theme"}, sounds_heard->music()) << "the main menu has its theme";
    start_sequence("start_relay");
    run(1.0f);
    EXPECT_EQ(names{"sounds/theme"}, sounds_heard->music());

    // The set-up screen, made twice while its location stays (a client joining again).
    open(MSG_VAR(load_command_location), "player_3");
    EXPECT_EQ(names{}, sounds_heard->music()) << "the menu's location took its theme with it";
    send(MSG_VAR(activate), "sound_menu", 1);
    run(0.5f);
    send(MSG_VAR(activate), "sound_menu", 1);
    run(0.5f);
    EXPECT_EQ(names{"sounds/theme"}, sounds_heard->music());

    // A round: its introduction, answers, and a player sent out.
    for (int slot = 0; slot < 8; ++slot)
        game->seats.push_back({slot, true});
    reload(MSG_VAR(load_location), "studio");
    send(MSG_VAR(activate), "start_relay", 1);
    run(1.0f);
    EXPECT_EQ(names{"sounds/jingle"}, sounds_heard->music());
    run(3.0f);
    EXPECT_EQ(names{"sounds/bed_question"}, sounds_heard->music()) << "the bed follows the jingle";
    send(MSG_VAR(activate), "lamp_green3_relay", 1);
    run(0.5f);
    EXPECT_EQ(names{}, sounds_heard->music()) << "the sting ducks the bed";
    send(MSG_VAR(activate), "lamp_red4_relay", 1);
    run(1.0f);
    EXPECT_EQ(names{}, sounds_heard->music()) << "a second sting keeps it ducked";
    run(1.0f);
    EXPECT_EQ(names{"sounds/bed_question"}, sounds_heard->music()) << "and the bed comes back";
    send(MSG_VAR(activate), "start_relay", 1);
    run(5.0f);
    EXPECT_EQ(names{"sounds/bed_question"}, sounds_heard->music()) << "an introduction sent twice";
    send(MSG_VAR(activate), "pillar5_slideout_go", 1);
    run(3.0f);
    EXPECT_EQ(names{}, sounds_heard->music()) << "the vote's loser leaves to his sting, not the bed";

    // The final: its own tense bed after the jingle, and the winner's fanfare at the end.
    reload(MSG_VAR(load_final_location), "final_studio");
    send(MSG_VAR(activate), "path_mover0", 1);
    run(4.0f);
    EXPECT_EQ(names{"sounds/bed_vote"}, sounds_heard->music());
    send(MSG_VAR(activate), "lamp_green0_relay", 1);
    run(2.0f);
    EXPECT_EQ(names{"sounds/bed_vote"}, sounds_heard->music());
    send(MSG_VAR(activate), "lamp_red1_relay", 1);
    run(0.5f);
    send(MSG_VAR(activate), "pillar0_slideout_go", 1);
    run(2.0f);
    EXPECT_EQ(names{"sounds/fanfare"}, sounds_heard->music());

    // Back to the set-up after the game.
    open(MSG_VAR(load_command_location), "player_3");
    send(MSG_VAR(activate), "sound_menu", 1);
    run(0.5f);
    EXPECT_EQ(names{"sounds/theme"}, sounds_heard->music());

    EXPECT_EQ(names{}, sounds_heard->overlaps);
    EXPECT_EQ((names{"sounds/theme", "sounds/theme", "sounds/theme", "sounds/theme", "sounds/jingle",
                     "sounds/bed_question", "sounds/bed_question", "sounds/jingle", "sounds/bed_question",
                     "sounds/jingle", "sounds/bed_vote", "sounds/bed_vote", "sounds/fanfare", "sounds/theme"}),
              sounds_heard->started);
}

// The same locations with the models, sky and sparks the demo data's generators made, on the
// recording device: every location loads what it names, and a frame of it draws.
class game_locations_in_demo_data : public movie_fixture
{
protected:
    void SetUp() override
    {
        movie_fixture::SetUp();
        const fs::path demo = fs::path(ENGINE_BINARY_DIR) / "demo" / "data";
        for (const char *part : {"locations", "models"}) {
            fs::create_directories(m_dir / "data" / part);
            fs::copy(demo / part, m_dir / "data" / part, fs::copy_options::recursive);
        }
        use_game_templates_and_textures();
        new sound_manager_stand_in_c(root);
        std::string portraits;
        for (int i = 0; i < 24; ++i)
            portraits += "string player" + std::to_string(i) + "_model = \"models/player\"; string player" +
                         std::to_string(i) + "_part = \"contestant" + std::to_string(i) + "\"; ";
        loader = create<movie_loader_c>("create movie_loader { " + portraits + "};\n");
    }
};

TEST_F(game_locations_in_demo_data, every_location_loads_its_models_and_draws_a_frame)
{
    const struct {
        const char *name;
        int in_game;
        const char *message;
    } cases[] = {{"menu_space", 0, "load_location"},  {"player_3", 0, "load_command_location"}, {"studio", 8, "load_location"},  {"studio2", 7, "load_location"},
                 {"studio3", 6, "load_location"},     {"studio4", 5, "load_location"}, {"studio5", 4, "load_location"},
                 {"studio6", 3, "load_location"},     {"final_studio", 2, "load_final_location"}};
    float now = 0.0f;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        game->seats.clear();
        for (int slot = 0; slot < 8 && c.in_game > 0; ++slot)
            game->seats.push_back({slot % 2, slot < c.in_game});
        const std::string failure = thrown([&] {
            send(msg_c(c.message), value_c(c.name, value_c::STRING));
            for (int frame = 0; frame < 3; ++frame) {
                now += 0.04f;
                tick(now);
                root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
                d3d->end_scene();
            }
        });
        EXPECT_EQ("", failure);
        ASSERT_NE(nullptr, loader->location());
        location = loader->location();
        EXPECT_NE(nullptr, entity<location_model_c>(c.name == std::string("menu_space") ? "stage" : "player0")->model());
    }
}

} // namespace
