// The movie loader ("movie_loader"): the game's window on its 3D locations.
//
// It lists the player models from its attributes (see movies/player_models.h; the warning
// "Warning: No players for movie loader specified!"), owns the location of the moment as its
// only child and plays sequences of steps in it. The game drives it by messages; texts may come
// as PCHAR, CONST_PCHAR or STRING. Messages taken (arguments in order; answer):
//   tick (FLOAT time, FLOAT frame time): a running pause counts down by the frame time and ends
//       in the tick that takes it to 0 or below; 0.
//   render: texture stage 0 modulates by the diffuse colour; the debug primitives are drawn
//       and cleared; 0.
//   load_command_location (name): the location with every listed player model; 0.
//   load_location (name): with the models of the players in the game: the root is asked
//       get_alive_model_nmbs (PTR model_number_list) for their portrait numbers; 0.
//   load_final_location (name): the same with get_alive_dead_model_nmbs; 0.
//       Loading the name that is loaded does nothing. Otherwise the location is freed, "Location
//       '<name>'" is logged and the location created; a round location gets three gesture
//       players per shown player i: "gest_press_player<i>" ("pressing_key"),
//       "gest_correct_player<i>" and "gest_incorrect_player<i>" ("correct_1".."correct_4",
//       "incorrect_1".."incorrect_4" for 0..3), each on the model entity "player<i>" and played
//       until the gesture has passed.
//   free_location: the location is shut down (collected with the dead), the steps are dropped
//       and the sequence stops; 1.
//   app_shutdown: the location is shut down; 0.
//   activate (id, INT value): location_activate(id, value) to the location, if any; 0.
//   change_person (INT): replace_model("player0", INT) to the location, if any; 1.
//   add_to_sequence (name, value): queues a pause of 0.1 s, the step and a pause of 0.1 s; 1.
//       "animation_delay" takes a FLOAT of seconds; "animation_message" a PTR to an object (an
//       abstract_c), held weakly, to which send_message is sent when the step is reached (an
//       object dead by then is skipped); any other name is an entity id activated with the INT.
//       A running sequence stops first and sequence_finished goes to the root; the queued steps
//       stay, and the new ones join them (a step that waited for its gesture starts over, as
//       queued, when the sequence is activated again). The queue holds MAX_SEQUENCE_STEPS: an
//       addition that does not fit is refused with a warning, after the sequence stopped and
//       reported.
//   activate_sequence: plays the queue from its first step unless running or empty; 1 when it
//       started, else 0.
//   location_feedback (id, event, INT): the current step completes on its id with the event
//       "finish", or, for a step whose gesture player named a gesture (get_gest_id to the root
//       when the step starts), on that gesture's name as the event. The next step starts; after
//       the last one sequence_finished goes to the root. 1 when a step completed, else 0.
// Everything the loader sends has flags 0 and the loader as sender.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <variant>
#include <vector>

#include "kernel/abstract.h"
#include "scenes/location.h"

class d3d_service_c;

constexpr int MAX_SEQUENCE_STEPS = 60;
constexpr float SEQUENCE_STEP_FRAME = 0.1f;

// What get_alive_model_nmbs and get_alive_dead_model_nmbs fill: portrait numbers in order.
typedef std::vector<int32_t> model_number_list;

// One queued step: a pause (seconds), a message object, or an entity's activation value.
struct sequence_step
{
    std::string name;
    std::variant<float, object_pointer_c, int> parameter;
    // Tells a step from a later one of the same name while the step's start runs.
    uint64_t serial;
    // The name as queued: an entity step renamed to its gesture's name starts under this one
    // again when a dropped sequence is played on.
    std::string queued_name;
};

class movie_loader_c : public abstract_c
{
public:
    movie_loader_c(abstract_c *parent, const attribute_list_c *attributes);
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    const std::vector<location_player> &all_models() const { return m_all_models; }
    const std::vector<location_player> &selected_models() const { return m_selected_models; }
    location_c *location() const;
    const std::string &location_name() const { return m_location_name; }
    const std::deque<sequence_step> &steps() const { return m_steps; }
    bool running() const { return m_running; }
    bool waiting_for_pause() const { return m_waiting_pause; }
    bool waiting_for_gesture() const { return m_waiting_gesture; }
    float pause_left() const { return m_pause_left; }

private:
    enum class load_kind { command, round, final_round };

    void load(const char *name, load_kind kind);
    void create_gesture_players(location_c *location, int index);
    void delete_location();
    void free_location();
    void add_to_sequence(const char *name, const value_c &value);
    int complete_step(const char *id, const char *event);
    void start_step();
    void stop_sequence();
    void send_self_finish(const char *step_name);

    std::vector<location_player> m_all_models;
    std::vector<location_player> m_selected_models;
    d3d_service_c *m_d3d;
    // The location is a child: it dies with the loader, and a weak pointer never outlives it.
    object_pointer_c m_location;
    std::string m_location_name;
    std::deque<sequence_step> m_steps;
    uint64_t m_next_serial;
    bool m_running;
    bool m_waiting_pause;
    bool m_waiting_gesture;
    float m_pause_left;
};
