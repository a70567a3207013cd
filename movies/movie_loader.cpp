#include "movies/movie_loader.h"

#include <cstdio>
#include <cstring>

#include "basics/console_log.h"
#include "movies/player_models.h"
#include "scenes/model_drivers.h"
#include "services/debug_draw.h"
#include "services/srvc_d3d.h"

namespace {

const char *const DELAY_STEP = "animation_delay";
const char *const MESSAGE_STEP = "animation_message";

void add_text(attribute_list_c &list, const char *name, const char *text)
{
    add_attribute(nullptr, list, name, value_c(text, value_c::STRING), 0);
}

} // namespace

movie_loader_c::movie_loader_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_d3d(get_d3d_service(this)), m_next_serial(0), m_running(false),
      m_waiting_pause(false), m_waiting_gesture(false), m_pause_left(0.0f)
{
    m_all_models = read_player_models(this, "Warning: No players for movie loader specified!\n");
}

location_c *movie_loader_c::location() const
{
    return static_cast<location_c *>(m_location.get());
}

void movie_loader_c::on_shutdown()
{
    // The location, a child, has been shut down before its parent.
    m_location = nullptr;
    abstract_c::on_shutdown();
}

// ---- locations ----

void movie_loader_c::delete_location()
{
    // Shut down, never deleted here: a message may be on its way through the location (a step
    // can be started from an entity's own report); the main loop collects it after the tick.
    if (location_c *current = location())
        current->shutdown_tree();
    m_location = nullptr;
}

void movie_loader_c::free_location()
{
    delete_location();
    m_steps.clear();
    m_running = false;
}

void movie_loader_c::load(const char *name, load_kind kind)
{
    if (location() && m_location_name == name)
        return;
    free_location();
    m_location_name = name;
    print_message("Location '%s'\n", m_location_name.c_str());
    if (kind == load_kind::command) {
        m_location = new location_c(this, m_location_name.c_str(), m_all_models);
        return;
    }
    model_number_list numbers;
    if (kind == load_kind::round)
        root()->message(MSG_VAR(get_alive_model_nmbs), 0, this, MSG_ARG((void *)&numbers), MSG_ARGS_END);
    else
        root()->message(MSG_VAR(get_alive_dead_model_nmbs), 0, this, MSG_ARG((void *)&numbers), MSG_ARGS_END);
    std::vector<location_player> selected;
    for (int32_t portrait : numbers)
        selected.push_back(choose_player_model(m_all_models, portrait, "Movie loader"));
    m_selected_models = std::move(selected);
    location_c *created = new location_c(this, m_location_name.c_str(), m_selected_models);
    m_location = created;
    for (size_t i = 0; i < m_selected_models.size(); ++i)
        create_gesture_players(created, (int)i);
}

void movie_loader_c::create_gesture_players(location_c *location, int index)
{
    char id[64], model_id[32];
    std::snprintf(model_id, sizeof model_id, "player%d", index);
    {
        attribute_list_c press;
        std::snprintf(id, sizeof id, "gest_press_player%d", index);
        add_text(press, "id", id);
        add_text(press, "model_id", model_id);
        add_text(press, "gesture0", "pressing_key");
        add_attribute(nullptr, press, "playtime0", value_c(-1.0f), 0);
        new gesture_player_c(location, &press);
    }
    const struct {
        const char *id_format;
        const char *gesture_format;
    } reactions[] = {{"gest_correct_player%d", "correct_%d"}, {"gest_incorrect_player%d", "incorrect_%d"}};
    for (const auto &reaction : reactions) {
        attribute_list_c list;
        std::snprintf(id, sizeof id, reaction.id_format, index);
        add_text(list, "id", id);
        add_text(list, "model_id", model_id);
        for (int k = 0; k < 4; ++k) {
            char key[32], gesture[32];
            std::snprintf(key, sizeof key, "gesture%d", k);
            std::snprintf(gesture, sizeof gesture, reaction.gesture_format, k + 1);
            add_text(list, key, gesture);
            std::snprintf(key, sizeof key, "playtime%d", k);
            add_attribute(nullptr, list, key, value_c(-1.0f), 0);
        }
        new gesture_player_c(location, &list);
    }
}

// ---- sequences ----

void movie_loader_c::stop_sequence()
{
    m_running = false;
    m_waiting_pause = false;
    m_waiting_gesture = false;
}

void movie_loader_c::send_self_finish(const char *step_name)
{
    message(MSG_VAR(location_feedback), 0, this, MSG_ARG(step_name), MSG_ARG("finish"), MSG_ARG(0), MSG_ARGS_END);
}

void movie_loader_c::add_to_sequence(const char *name, const value_c &value)
{
    // The value is read first, so that a wrong type changes nothing.
    sequence_step step{name, 0, 0, name};
    if (std::strcmp(name, DELAY_STEP) == 0)
        step.parameter = value.get_float();
    else if (std::strcmp(name, MESSAGE_STEP) == 0)
        step.parameter = object_pointer_c(static_cast<abstract_c *>(value.get_ptr()));
    else
        step.parameter = value.get_int();

    const bool fits = m_steps.size() + 3 <= (size_t)MAX_SEQUENCE_STEPS;
    if (m_running || !fits) {
        stop_sequence();
        root()->message(MSG_VAR(sequence_finished), 0, this, MSG_ARGS_END);
    }
    if (!fits) {
        print_message("Warning: Sequence of %i steps is full, step '%s' not added\n", MAX_SEQUENCE_STEPS, name);
        return;
    }
    m_steps.push_back(sequence_step{DELAY_STEP, SEQUENCE_STEP_FRAME, m_next_serial++, DELAY_STEP});
    step.serial = m_next_serial++;
    m_steps.push_back(std::move(step));
    m_steps.push_back(sequence_step{DELAY_STEP, SEQUENCE_STEP_FRAME, m_next_serial++, DELAY_STEP});
}

void movie_loader_c::start_step()
{
    m_waiting_pause = false;
    m_waiting_gesture = false;
    const sequence_step &step = m_steps.front();
    if (const float *seconds = std::get_if<float>(&step.parameter)) {
        m_waiting_pause = true;
        m_pause_left = *seconds;
        return;
    }
    if (const object_pointer_c *target = std::get_if<object_pointer_c>(&step.parameter)) {
        // A target that died while the step waited is skipped.
        if (abstract_c *object = target->get())
            object->message(MSG_VAR(send_message), 0, this, MSG_ARGS_END);
        send_self_finish(MESSAGE_STEP);
        return;
    }
    // A step dropped while it waited for its gesture kept only the gesture's name, which no
    // entity answers to: it starts again as it was queued, or the sequence would never end.
    m_steps.front().name = step.queued_name;
    // Activation may run anything, this loader's handlers included, so the step is copied.
    const std::string name = step.name;
    const int value = std::get<int>(step.parameter);
    const uint64_t serial = step.serial;
    char gesture[GESTURE_NAME_BUFFER] = {};
    if (root()->message(MSG_VAR(get_gest_id), 0, this, MSG_ARG(name.c_str()), MSG_ARG(value), MSG_ARG(gesture),
                        MSG_ARGS_END))
        m_waiting_gesture = true;
    gesture[GESTURE_NAME_BUFFER - 1] = 0;
    if (location_c *current = location())
        activate_location(current, name.c_str(), value);
    // Renamed after the activation, so that the report of the gesture's start does not end it;
    // only while this very step still waits (the activation may have completed or dropped it).
    if (m_waiting_gesture && !m_steps.empty() && m_steps.front().serial == serial)
        m_steps.front().name = gesture;
}

int movie_loader_c::complete_step(const char *id, const char *event)
{
    if (m_steps.empty())
        return 0;
    const std::string &current = m_steps.front().name;
    const bool finished = current == id && std::strcmp(event, "finish") == 0;
    if (!finished && !(m_waiting_gesture && current == event))
        return 0;
    m_steps.pop_front();
    if (!m_steps.empty()) {
        start_step();
        return 1;
    }
    stop_sequence();
    root()->message(MSG_VAR(sequence_finished), 0, this, MSG_ARGS_END);
    return 1;
}

// ---- messages ----

int movie_loader_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(tick)) {
        if (m_running && m_waiting_pause) {
            if (m_pause_left > 0.0f)
                m_pause_left -= msg_arg(1)->get_float();
            // Written so that a pause that is not a number ends as well.
            if (!(m_pause_left > 0.0f))
                send_self_finish(DELAY_STEP);
        }
        return 0;
    }
    if (*message == MSG_VAR(render)) {
        m_d3d->set_texture_modulate();
        debug_draw_flush();
        debug_draw_clear();
        return 0;
    }
    if (*message == MSG_VAR(location_feedback))
        return complete_step(msg_arg(0)->get_const_pchar(), msg_arg(1)->get_const_pchar());
    if (*message == MSG_VAR(add_to_sequence)) {
        add_to_sequence(msg_arg(0)->get_const_pchar(), *msg_arg(1));
        return 1;
    }
    if (*message == MSG_VAR(activate_sequence)) {
        if (m_running || m_steps.empty())
            return 0;
        // Running is set first: a sequence may play to its end within its first step's start.
        m_running = true;
        start_step();
        return 1;
    }
    if (*message == MSG_VAR(activate)) {
        if (location_c *current = location())
            activate_location(current, msg_arg(0)->get_const_pchar(), msg_arg(1)->get_int());
        return 0;
    }
    if (*message == MSG_VAR(load_command_location)) {
        load(msg_arg(0)->get_const_pchar(), load_kind::command);
        return 0;
    }
    if (*message == MSG_VAR(load_location)) {
        load(msg_arg(0)->get_const_pchar(), load_kind::round);
        return 0;
    }
    if (*message == MSG_VAR(load_final_location)) {
        load(msg_arg(0)->get_const_pchar(), load_kind::final_round);
        return 0;
    }
    if (*message == MSG_VAR(free_location)) {
        free_location();
        return 1;
    }
    if (*message == MSG_VAR(change_person)) {
        if (location_c *current = location())
            current->message(MSG_VAR(replace_model), 0, this, MSG_ARG("player0"), MSG_ARG(msg_arg(0)->get_int()),
                             MSG_ARGS_END);
        return 1;
    }
    if (*message == MSG_VAR(app_shutdown)) {
        delete_location();
        return 0;
    }
    return abstract_c::handle_message(message, sender);
}
