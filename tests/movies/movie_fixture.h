// The movie loader and round movie in a location test tree, driven by the messages the quiz
// game sends. Stand-ins: the game (answers the player queries and hears sequence_finished),
// a mover (reports "finish" a while after its activation), and a delayed message (sends its
// message name to the root when told send_message, then ends itself). What they see goes into
// one journal with the tick time it happened at.
#pragma once

#include "tests/scenes/scene_fixture.h"

#include "game/player_info.h"
#include "movies/creators.h"
#include "movies/movie_loader.h"
#include "movies/round_movie.h"
#include "services/debug_draw.h"
#include "tests/basics/log_ring.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

struct movie_journal
{
    float now = 0.0f;
    std::vector<std::string> entries;
    void add(const std::string &what) { entries.push_back(what); }
    void add_timed(const std::string &what)
    {
        std::ostringstream s;
        s << what << "@" << now;
        entries.push_back(s.str());
    }
    std::string take() { return take_joined(entries); }
};

inline movie_journal &journal()
{
    static movie_journal j;
    return j;
}

// The quiz game's side: seats with portrait numbers, in the game or out of it; it also notes
// the reports of one entity.
class game_stub_c : public abstract_c
{
public:
    struct seat
    {
        int portrait;
        bool in_game;
    };
    explicit game_stub_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(sequence_finished)) {
            journal().add_timed("sequence_finished");
            ++finished;
            return 0;
        }
        if (*message == MSG_VAR(get_alive_model_nmbs) || *message == MSG_VAR(get_alive_dead_model_nmbs)) {
            auto *numbers = (model_number_list *)msg_arg(0)->get_ptr();
            for (const seat &s : seats)
                if (s.in_game)
                    numbers->push_back(s.portrait);
            if (*message == MSG_VAR(get_alive_dead_model_nmbs))
                for (const seat &s : seats)
                    if (!s.in_game)
                        numbers->push_back(s.portrait);
            return 1;
        }
        if (*message == MSG_VAR(location_feedback) && watched_id == msg_arg(0)->get_const_pchar()) {
            journal().add_timed(watched_id + ":" + msg_arg(1)->get_const_pchar());
            return 0;
        }
        if (*message == MSG_VAR(get_player_info)) {
            const int slot = msg_arg(0)->get_int();
            if (slot >= (int)seats.size())
                return 0;
            auto *record = (player_info *)msg_arg(1)->get_ptr();
            record->portr_nmb = seats[slot].portrait;
            return 1;
        }
        return 0;
    }
    std::vector<seat> seats;
    int finished = 0;
    // The entity whose reports go into the journal.
    std::string watched_id;
};

// A mover's outline: activation starts it, "finish" follows `duration` seconds of ticks later
// (at once for 0, within the activation).
class mover_stub_c : public location_entity_c
{
public:
    mover_stub_c(abstract_c *parent, const attribute_list_c *attributes) : location_entity_c(parent, attributes) {}
    void on_activate(abstract_c *, int parameter) override
    {
        journal().add_timed(std::string(m_id) + ":" + std::to_string(parameter));
        m_end = m_time + attribute("duration")->get_float();
        if (attribute("duration")->get_float() == 0.0f)
            finish();
    }
    void on_tick() override
    {
        if (m_end >= 0.0f && m_time >= m_end)
            finish();
    }
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (*message == MSG_VAR(replace_model))
            journal().add(std::string("replace_model:") + msg_arg(0)->get_const_pchar() + ":" +
                          std::to_string(msg_arg(1)->get_int()));
        return location_entity_c::handle_message(message, sender);
    }

private:
    void finish()
    {
        m_end = -1.0f;
        feedback("finish", 0);
    }
    float m_end = -1.0f;
};

// The delayed message's outline: on send_message it sends its message to the root and ends.
class delayed_stub_c : public abstract_c
{
public:
    delayed_stub_c(abstract_c *parent, std::string name) : abstract_c(parent), m_name(std::move(name)) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (!(*message == MSG_VAR(send_message)))
            return 0;
        journal().add_timed("message:" + m_name);
        root()->message(msg_c(m_name.c_str()), 0, this, MSG_ARGS_END);
        shutdown_tree();
        return 1;
    }
    std::string m_name;
};

class movie_fixture : public scene_fixture
{
protected:
    void SetUp() override
    {
        scene_fixture::SetUp();
        static bool registered = false;
        if (!registered) {
            registered = true;
            movies_register_creators();
            register_creator("test_mover", make_object<mover_stub_c>);
        }
        journal() = movie_journal();
        game = new game_stub_c(root);
    }

    // Runs a script of one create statement below the root and gives the object made.
    template <class T> T *create(const std::string &statement)
    {
        const std::filesystem::path path = m_dir / "data" / "scripts" / "made.isc";
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << statement;
        scripts->execute_script("scripts/made.isc", root, 0);
        return dynamic_cast<T *>(root->first_child());
    }
    // Figures whose data stays while locations come and go: the test holds one instance.
    void held_figures(const char *name)
    {
        figures(name);
        load(name);
    }
    // Attributes listing the models "model<i>" with parts "part<i>", i < count.
    static std::string model_pairs(int count)
    {
        std::string pairs;
        for (int i = 0; i < count; ++i)
            pairs += "string player" + std::to_string(i) + "_model = \"model" + std::to_string(i) + "\"; string player" +
                     std::to_string(i) + "_part = \"part" + std::to_string(i) + "\"; ";
        return pairs;
    }
    movie_loader_c *make_loader(int count)
    {
        loader = create<movie_loader_c>("create movie_loader { " + model_pairs(count) + "};\n");
        return loader;
    }
    // Sends a message to the root as the game does, with flags 0 and no sender.
    template <class... A> int send(const msg_c &message, const A &...args)
    {
        return root->message(message, 0, nullptr, value_c(args)..., MSG_ARGS_END);
    }
    // Ticks of `frame` seconds until `seconds` have passed.
    void run(float seconds, float frame = 0.02f)
    {
        const float end = journal().now + seconds;
        while (journal().now + frame / 2 < end) {
            journal().now += frame;
            tick(journal().now, frame);
        }
    }
    // A model entity "<id>" showing the location's player entry `index`.
    static std::string player_block(const std::string &id, int index)
    {
        return "create model { string id = \"" + id + "\"; vec3 position = [0 0 0]; vec3 angles = [0 0 0]; int player_index = " +
               std::to_string(index) + "; int accept_shadows = 0; float shadow_size = 0; int visible = 1; int lighting = 1; };\n";
    }
    // The journal's entries "what@time" as pairs.
    static std::vector<std::pair<std::string, float>> timeline()
    {
        std::vector<std::pair<std::string, float>> out;
        for (const std::string &e : journal().entries) {
            const size_t at = e.rfind('@');
            out.emplace_back(e.substr(0, at), at == std::string::npos ? -1.0f : std::stof(e.substr(at + 1)));
        }
        journal().entries.clear();
        return out;
    }
    static std::vector<std::string> names(const std::vector<location_player> &models)
    {
        std::vector<std::string> out;
        for (const location_player &m : models)
            out.push_back(std::string(m.model_name) + ":" + m.part_name);
        return out;
    }
    std::vector<std::string> step_names() const
    {
        std::vector<std::string> out;
        for (const sequence_step &s : loader->steps())
            out.push_back(s.name);
        return out;
    }

    game_stub_c *game = nullptr;
    movie_loader_c *loader = nullptr;
};
