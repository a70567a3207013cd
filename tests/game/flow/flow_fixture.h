// A PC that plays the game on its own (the network manager without a session hands every
// packet to itself): the dispatcher of the disp fixture with the project's question files and a
// score registry in a private directory, and a stand-in for the location and the players at the
// keyboard, and a sound manager that only lists its sounds:
//   - a round location asked for (set_screen_loading, set_final_screen_loading) reports itself
//     loaded on the next tick, as the location object does, with its packet to the server;
//   - a started sequence plays whole on the next tick (or the first tick after `hold` is cleared):
//     its delayed messages are sent in order, then sequence_finished goes to the root;
//   - a question or choice put to a human of this PC is answered on the tick after it was put, by
//     `answer` (an item below 0 sends nothing); with `vote` set, a human of this PC votes against
//     the player offered on the tick after the vote screen showed
//     (the item count says which: 4 a question, 6 a topic choice, 0 an opponent choice).
#pragma once

#include "tests/game/disp/disp_fixture.h"
#include "tests/game/dispatchers/sound_stub.h"
#include "tests/vaultis/pack_fixture.h"

#include "basics/vaultfile_obj.h"
#include "game/game_timers.h"
#include "game/prompts.h"
#include "game/universal_delay.h"
#include "kernel/object_pointer.h"
#include "platform/registry/winreg.h"
#include "scores/score_tables.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class pc_stand_c : public abstract_c
{
public:
    struct question_s
    {
        std::string menu;
        int model_nmb;
        int items;
    };

    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(set_screen_loading) || *message == MSG_VAR(set_final_screen_loading)) {
            m_load_pending = true;
            return 0;
        }
        if (*message == MSG_VAR(add_to_sequence)) {
            // Gestures, camera moves and pauses are steps that only take time.
            const bool delayed = std::string(msg_arg(0)->get_const_pchar()) == "animation_message";
            m_steps.emplace_back(delayed ? (abstract_c *)msg_arg(1)->get_ptr() : nullptr);
            return 1;
        }
        if (*message == MSG_VAR(activate_sequence)) {
            m_started = !m_steps.empty();
            return m_started ? 1 : 0;
        }
        if (*message == MSG_VAR(show_vote_screen)) {
            m_vote_pending = vote;
            return 0;
        }
        if (*message == MSG_VAR(question)) {
            m_question = question_s{msg_arg(0)->get_const_pchar(), msg_arg(2)->get_int(), msg_arg(3)->get_int()};
            asked.push_back(*m_question);
            return 0;
        }
        if (*message == MSG_VAR(tick)) {
            // What was asked before this tick.
            if (m_question && answer) {
                const question_s q = *m_question;
                m_question.reset();
                if (const int item = answer(q); item >= 0)
                    send_answer(item);
            }
            if (m_vote_pending) {
                // The vote screen's button: the vote against the player offered.
                m_vote_pending = false;
                root()->message(MSG_VAR(on_vote_against), 0, this, MSG_ARGS_END);
            }
            if (m_load_pending) {
                m_load_pending = false;
                net_packet_header loaded = {(int32_t)sizeof(net_packet_header), NP_LOCATION_LOADED};
                send_net_message(&loaded);
            }
            if (m_started && !hold)
                play();
        }
        return 0;
    }
    // An answer packet of this PC, as the game screen sends it.
    static void send_answer(int item) { send_answer_packet(nullptr, item); }

    std::function<int(const question_s &)> answer;
    // Whether this PC's humans vote, against the player offered, once the vote screen shows.
    bool vote = false;
    // While set, a started sequence waits: the location is still playing it.
    bool hold = false;
    // Every question and choice put to a human of this PC.
    std::vector<question_s> asked;
    std::optional<question_s> m_question;

private:
    void play()
    {
        m_started = false;
        std::vector<object_pointer_c> steps;
        steps.swap(m_steps);
        for (object_pointer_c &step : steps)
            if (abstract_c *object = step.get())
                object->message(MSG_VAR(send_message), 0, this, MSG_ARGS_END);
        root()->message(MSG_VAR(sequence_finished), 0, this, MSG_ARGS_END);
    }

    bool m_load_pending = false;
    bool m_vote_pending = false;
    bool m_started = false;
    std::vector<object_pointer_c> m_steps;
};

// The entries of the stored "Hiscore" or "History" table.
inline std::vector<hiscore_entry> stored_table(abstract_c *parent, bool hiscore)
{
    hiscore_entry entries[SCORE_TABLE_MAX];
    int count = 0;
    if (hiscore)
        new hiscore_table_c(parent, "Hiscore", SCORE_TABLE_MAX, entries, &count);
    else
        new history_table_c(parent, "History", SCORE_TABLE_MAX, entries, &count);
    return std::vector<hiscore_entry>(entries, entries + count);
}

class flow_test : public disp_tree_test
{
protected:
    void SetUp() override
    {
        m_old_dir = std::filesystem::current_path();
        std::filesystem::current_path(m_dir.path());
        std::filesystem::create_directory_symlink(std::filesystem::path(ENGINE_SOURCE_DIR) / "data",
                                                  m_dir.path() / "data");
        set_data_directory("data");
        std::filesystem::create_directory(m_dir.path() / "registry");
        reg_set_root((m_dir.path() / "registry").c_str());
        disp_tree_test::SetUp();
        fill_store(12);
        make_disp();
        stand = new pc_stand_c(root.get());
        sounds = new sound_manager_stub_c(root.get());
        listener->m_names = {"on_round_started", "set_screen_loading", "set_final_screen_loading", "set_hint",
                             "set_additional_hint", "question", "simulate_question", "mark_excluded_player",
                             "on_game_stopped", "load_screen", "free_location", "named_edit_set_text",
                             "show_named", "hilight_menu", "add_to_sequence", "emul_selection",
                             "react_on_answer", "remember_hiscore_and_age", "generate_bot_votes", "activate"};
        listener->take();
    }
    void TearDown() override
    {
        disp_tree_test::TearDown();
        root.reset();
        reg_set_root(nullptr);
        std::filesystem::current_path(m_old_dir);
    }

    // Ticks of `frame` seconds of game time until `seconds` have passed.
    void run(double seconds, double frame = 0.25)
    {
        for (double end = m_now + seconds; m_now < end;) {
            m_now += frame;
            tick_tree(root.get(), (float)m_now, (float)frame);
        }
    }
    // Ticks until `done` holds after a tick; false when `seconds` pass first.
    bool run_until(const std::function<bool()> &done, double seconds, double frame = 0.25)
    {
        for (double end = m_now + seconds; m_now < end;) {
            m_now += frame;
            tick_tree(root.get(), (float)m_now, (float)frame);
            if (done())
                return true;
        }
        return false;
    }
    // Every seat ready: what the set-up leaves before a game starts.
    void all_seats_ready()
    {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            disp->seat(slot).m_not_ready = 0;
    }
    void keep_in_game(std::initializer_list<int> slots)
    {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            disp->seat(slot).m_in_game = 0;
        for (int slot : slots)
            disp->seat(slot).m_in_game = 1;
    }
    // The messages heard since the last call whose text starts with `prefix`.
    std::vector<std::string> heard(const std::string &prefix)
    {
        std::vector<std::string> found;
        for (const std::string &e : listener->heard)
            if (e.rfind(prefix, 0) == 0)
                found.push_back(e);
        return found;
    }
    // Packed fields are read by value.
    double round_time() const { return disp->session().m_round_time; }
    int count_heard(const std::string &prefix) { return (int)heard(prefix).size(); }
    template <class T> int children_of(abstract_c *parent)
    {
        int n = 0;
        for (abstract_c *c = parent->first_child(); c; c = c->next_sibling())
            n += c->alive() && dynamic_cast<T *>(c) ? 1 : 0;
        return n;
    }
    // A round started on this PC as the server starts it, with the seats given in the game.
    void start_round(int round, std::initializer_list<int> in_game)
    {
        all_seats_ready();
        keep_in_game(in_game);
        disp->session().m_round = round - 1;
        send("start_next_round");
    }

    fixture::temp_dir m_dir;
    std::filesystem::path m_old_dir;
    pc_stand_c *stand = nullptr;
    sound_manager_stub_c *sounds = nullptr;
    double m_now = 100.0;
};
