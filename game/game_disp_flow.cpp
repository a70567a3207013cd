// The course of a game: its start, the rounds and their steps, the answers and its end.
#include "game/game_disp.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "basics/console_log.h"
#include "game/game_timers.h"
#include "game/prompts.h"
#include "game/universal_delay.h"
#include "game/vote_picker.h"
#include "game/vote_target_chooser.h"
#include "net/net_manager.h"
#include "net/net_packets.h"
#include "scores/score_tables.h"

namespace {

constexpr int FIRST_ROUND = 1;
constexpr int FINAL_ROUND = 7;
constexpr int SUPERFINAL_ROUND = 8;
constexpr float ROUND_TIME = 180.0f;
// Handed on with every question; the location's camera takes it.
constexpr float QUESTION_TIME_PARAMETER = 0.2f;
constexpr double INTRODUCTION_PERIOD = 20.0;
constexpr double NEXT_ROUND_PERIOD = 8.0;
// At the start of a game the first round's first question goes to slot 0, and slots 6 and 0
// are where the choosers and answerers of later rounds are taken from until a round sets them.
constexpr int FIRST_CHOOSER_SLOT = 6;
constexpr int FIRST_ANSWERER_SLOT = 0;
constexpr int QUESTION_ITEMS = ANSWER_POSITIONS;
constexpr int OPPONENT_CHOICE_ITEMS = 0;
constexpr float SEQUENCE_PAUSE = 0.05f;

// What each round shows and when it ends: the loading picture, the studio, and the step
// counter at which the next step ends the round instead (0: the round ends otherwise).
struct round_plan_s
{
    const char *picture;
    const char *studio;
    int end_step;
};
constexpr round_plan_s ROUND_PLAN[SUPERFINAL_ROUND + 1] = {
    {"", "", 0},
    {"round1", "studio", 24},
    {"round2", "studio2", 21},
    {"round3", "studio3", 36},
    {"round4", "studio4", 20},
    {"round5", "studio5", 16},
    {"round6", "studio6", 6},
    {"round7", "final_studio", 0},
    {"round8", "final_studio", 0},
};

bool valid_round(int round) { return round >= FIRST_ROUND && round <= SUPERFINAL_ROUND; }
bool final_round(int round) { return round == FINAL_ROUND || round == SUPERFINAL_ROUND; }
bool topic_round(int round) { return round == 3 || round == 4; }
bool opponent_round(int round) { return round == 5 || round == 6; }
// Rounds 2 and 3 end with a vote; the others that end by the step counter send the weakest off.
bool vote_round(int round) { return round == 2 || round == 3; }

value_c text_value(const char *text) { return value_c(text, value_c::STRING); }
value_c text_value(const std::string &text) { return value_c(text.c_str(), value_c::STRING); }

std::string number_text(int32_t n) { return std::to_string(n); }

template <size_t N> void copy_text(char (&field)[N], const std::string &text)
{
    std::snprintf(field, N, "%s", text.c_str());
}

np_question question_packet(bool computer, bool topic_choice, int model_nmb, int items, bool first)
{
    np_question p;
    std::memset(&p, 0, sizeof p);
    p.header = {(int32_t)sizeof p, NP_QUESTION};
    p.computer = computer ? 1 : 0;
    p.topic_choice = topic_choice ? 1 : 0;
    p.time_parameter = QUESTION_TIME_PARAMETER;
    p.model_nmb = model_nmb;
    p.item_count = items;
    p.first = first ? 1 : 0;
    return p;
}

} // namespace

int game_disp::next_in_turn(int slot) const
{
    const int from = slot_valid(slot) ? slot : -1;
    for (int i = 1; i <= MAX_PLAYERS; ++i) {
        const int next = (from + i) % MAX_PLAYERS;
        if (seat(next).m_in_game)
            return next;
    }
    return -1;
}

bool game_disp::game_running() const
{
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        if (seat(slot).m_is_man && seat(slot).m_not_ready)
            return false;
    return true;
}

std::string game_disp::seat_name(int slot) const
{
    if (!slot_valid(slot))
        return "";
    const char *name = seat(slot).name;
    return std::string(name, strnlen(name, sizeof seat(slot).name));
}

bool game_disp::handle_flow_message(const msg_c *message, int &result)
{
    result = 1;
    if (*message == MSG_VAR(on_all_players_ready)) {
        // A client's set-up screen sends it too when its user presses start; the game starts
        // only from the server, whose round start reaches the client as a packet.
        if (on_client() || m_game_on) {
            result = 0;
            return true;
        }
        all_players_ready();
        return true;
    }
    if (*message == MSG_VAR(start_next_round)) {
        start_next_round();
        return true;
    }
    if (*message == MSG_VAR(on_round_started)) {
        if (!msg_arg_is(0, value_c::INT) || !msg_arg_is(1, value_c::FLOAT))
            return false;
        const int round = msg_arg(0)->get_int();
        const float time = msg_arg(1)->get_float();
        if (!valid_round(round))
            return false;
        if (m_game_on && round != m_session.m_round + 1) {
            // Nobody else may take it either: the screens would load the round's location.
            print_message("Start of round %d refused: the game is in round %d\n", round, (int)m_session.m_round);
            return true;
        }
        // With a human still playing the screens take the round start too.
        result = round_started(round, time) ? 0 : 1;
        return true;
    }
    if (*message == MSG_VAR(location_loaded)) {
        location_loaded();
        return true;
    }
    if (*message == MSG_VAR(send_question)) {
        send_question();
        return true;
    }
    if (*message == MSG_VAR(question) || *message == MSG_VAR(simulate_question)) {
        const bool simulated = *message == MSG_VAR(simulate_question);
        // The game screen and the location take these too.
        result = 0;
        if (!msg_arg_is(2, value_c::INT))
            return true;
        const int model = msg_arg(2)->get_int();
        const int items = msg_arg_is(3, value_c::INT) ? msg_arg(3)->get_int() : -1;
        show_question(model, items, simulated);
        return true;
    }
    if (*message == MSG_VAR(question_step_received)) {
        result = 0;
        for (unsigned i = 0; i < 5; ++i)
            if (!msg_arg_is(i, value_c::INT))
                return true;
        question_step_received(msg_arg(0)->get_int(), msg_arg(1)->get_int() != 0, msg_arg(2)->get_int() != 0,
                               msg_arg(3)->get_int(), msg_arg(4)->get_int() != 0);
        return true;
    }
    if (*message == MSG_VAR(set_delay_before_next_question)) {
        new question_after_sequence_c(this);
        return true;
    }
    if (*message == MSG_VAR(answer_sent)) {
        if (msg_arg_is(0, value_c::INT))
            answer_sent(msg_arg(0)->get_int());
        return true;
    }
    if (*message == MSG_VAR(resend_answer)) {
        if (m_answer_step != 0 && msg_arg(0)->get_int() == m_answer_step)
            send_answer_packet(this, msg_arg(1)->get_int());
        return true;
    }
    if (*message == MSG_VAR(resend_step)) {
        const int step = msg_arg(0)->get_int();
        const int a = m_session.m_active_slot;
        // Only while the step still waits for the same client's human.
        if (step == m_step && slot_valid(a) && seat(a).m_is_man && seat(a).m_owner_address == msg_arg(1)->get_int() &&
            m_session.m_answer_state == 0) {
            send_net_to_client(&m_step_packet, msg_arg(1)->get_int());
            resend_step_later(step);
        }
        return true;
    }
    if (*message == MSG_VAR(question_answered)) {
        // The server sends a verdict again to a client that sent its answer again: one that was
        // only late comes twice, and the second would score the answer twice.
        if (on_client() && m_session.m_answer_state == 4)
            return true;
        // The location plays the reaction too.
        result = 0;
        for (unsigned i = 0; i < 4; ++i)
            if (!msg_arg_is(i, value_c::INT))
                return true;
        question_answered(msg_arg(0)->get_int(), msg_arg(1)->get_int() != 0, msg_arg(2)->get_int(),
                          msg_arg(3)->get_int());
        return true;
    }
    if (*message == MSG_VAR(server_lost)) {
        server_lost();
        return true;
    }
    if (*message == MSG_VAR(on_game_stopped)) {
        result = 0;
        if (msg_arg_is(0, value_c::INT) && msg_arg_is(1, value_c::INT))
            game_stopped(msg_arg(0)->get_int(), msg_arg(1)->get_int());
        return true;
    }
    return false;
}

// ---- the start of a game and of a round ----

void game_disp::all_players_ready()
{
    // The set-up's start button starts the game without every human's ready switch: from now on
    // the humans play, and a game counts as stopped only when its end marks them not ready again.
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        if (seat(slot).m_is_man)
            seat(slot).m_not_ready = 0;
    np_round_started p = {{(int32_t)sizeof(np_round_started), NP_ROUND_STARTED}, FIRST_ROUND, ROUND_TIME};
    send_session_message(&p);
    m_chooser_slot = FIRST_CHOOSER_SLOT;
    m_answerer_slot = FIRST_ANSWERER_SLOT;
    m_session.m_active_slot = -1;
    m_step = 0;
    m_step_kind = STEP_NONE;
    m_no_man_left = 0;
}

void game_disp::start_next_round()
{
    // A timer of a game that has been stopped meanwhile starts nothing.
    if (!game_running())
        return;
    m_no_man_left = 0;
    m_answerer_slot = next_in_turn(-1);
    bool human = false;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        human = human || (seat(slot).m_in_game && seat(slot).m_is_man);
    if (!human)
        m_no_man_left = 1;
    np_round_started p = {{(int32_t)sizeof(np_round_started), NP_ROUND_STARTED}, m_session.m_round + 1, ROUND_TIME};
    send_session_message(&p);
}

bool game_disp::round_started(int round, float round_time)
{
    m_session.m_round = round;
    // A client that missed the leaving player's announcement has its vote still open: the
    // votes are reset now, and an unconfirmed one of its own would be sent into this round.
    m_vote_open = 0;
    uint8_t single = 0;
    root()->message(MSG_VAR(is_single_man_in_session), 0, this, MSG_ARG((void *)&single), MSG_ARGS_END);
    bool human = false;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        human = human || (seat(slot).m_in_game && seat(slot).m_is_man);
    if (human) {
        m_game_on = true;
        round_start_update(round);
        if (round == SUPERFINAL_ROUND)
            for (int slot = 0; slot < MAX_PLAYERS; ++slot)
                if (seat(slot).m_excluded_round == FIRST_ROUND)
                    seat(slot).m_in_game = 1;
        if (final_round(round))
            for (int slot = 0; slot < MAX_PLAYERS; ++slot)
                if (seat(slot).m_in_game)
                    seat(slot).m_final_right_nmb = 0;
        const round_plan_s &plan = ROUND_PLAN[round];
        root()->message(final_round(round) ? MSG_VAR(set_final_screen_loading) : MSG_VAR(set_screen_loading), 0,
                        this, text_value(plan.picture), text_value(plan.studio), MSG_ARGS_END);
        m_session.m_round_time = round_time;
        return true;
    }
    // Nobody is left to play: the game is over and goes back to the set-up.
    reset_after_game();
    root()->message(MSG_VAR(free_location), 0, this, MSG_ARGS_END);
    if (single) {
        hiscore_entry entry;
        std::memset(&entry, 0, sizeof entry);
        entry.m_score = -1;
        root()->message(MSG_VAR(fill_hiscore_entry), 0, this, MSG_ARG(0), MSG_ARG((void *)&entry), MSG_ARGS_END);
        entry.m_score = 0;
        new history_table_c(this, "History", &entry);
    }
    root()->message(MSG_VAR(load_screen), 0, this, text_value("screen_command"), MSG_ARGS_END);
    m_step = 0;
    m_step_kind = STEP_NONE;
    return false;
}

void game_disp::location_loaded()
{
    m_step = 0;
    m_step_kind = STEP_NONE;
    if (m_no_man_left || !game_running())
        return;
    const int round = m_session.m_round;
    if (!valid_round(round))
        return;
    m_topics.load_round(round);
    std::string intro;
    switch (round) {
    case 2:
    case 3: {
        const int top = highest_account_slot();
        // The first step moves on in turn, so it lands on the top player.
        m_session.m_active_slot = top - 1;
        intro = intro_text(round, seat_name(top).c_str(), nullptr);
        break;
    }
    case 4:
        m_answerer_slot = highest_account_slot();
        m_chooser_slot = lowest_account_slot_except(m_answerer_slot);
        intro = intro_text(round, seat_name(m_answerer_slot).c_str(), seat_name(m_chooser_slot).c_str());
        break;
    case 5:
    case 6:
        m_chooser_slot = round == 5 ? highest_account_slot() : lowest_account_slot();
        intro = intro_text(round, seat_name(m_chooser_slot).c_str(), nullptr);
        break;
    case FINAL_ROUND:
    case SUPERFINAL_ROUND:
        m_session.m_active_slot = next_in_turn(-1);
        intro = intro_text(round, nullptr, nullptr);
        break;
    default:
        intro = intro_text(round, nullptr, nullptr);
        break;
    }
    np_scene_command lift;
    std::memset(&lift, 0, sizeof lift);
    lift.header = {(int32_t)sizeof lift, NP_SCENE_COMMAND};
    copy_text(lift.command, "lift");
    copy_text(lift.object, final_round(round) ? "path_mover0" : "start_relay");
    copy_text(lift.hint, intro);
    send_session_message(&lift);
    new send_question_timer_c(this, INTRODUCTION_PERIOD);
}

// ---- the steps of a round ----

void game_disp::send_question()
{
    if (!game_running())
        return;
    const int round = m_session.m_round;
    const int s = m_step;
    if (round >= FIRST_ROUND && round < FINAL_ROUND && s >= ROUND_PLAN[round].end_step) {
        if (vote_round(round))
            end_round_by_vote();
        else
            end_round_by_account();
        return;
    }
    const bool even = s % 2 == 0;
    const int chosen_topic = m_offered_topics[std::clamp<int>(m_chosen_topic, 0, OFFERED_TOPICS - 1)];
    switch (round) {
    case 1:
    case 2:
        m_session.m_active_slot = next_in_turn(m_session.m_active_slot);
        put_question(0);
        break;
    case 3:
        if (even) {
            m_session.m_active_slot = next_in_turn(m_session.m_active_slot);
            put_topic_choice();
        } else
            put_question(chosen_topic);
        break;
    case 4:
        if (even) {
            m_session.m_active_slot = m_chooser_slot;
            put_topic_choice();
            m_chooser_slot = next_in_turn(m_chooser_slot);
        } else {
            m_session.m_active_slot = m_answerer_slot;
            put_question(chosen_topic);
            m_answerer_slot = next_in_turn(m_answerer_slot);
        }
        break;
    case 5:
    case 6:
        if (even) {
            m_session.m_active_slot = m_chooser_slot;
            put_opponent_choice();
        } else {
            // The choice has made the chosen opponent the active seat.
            put_question(0);
            m_chooser_slot = next_in_turn(m_chooser_slot);
        }
        break;
    case FINAL_ROUND:
    case SUPERFINAL_ROUND:
        m_session.m_active_slot = s == 0 ? m_answerer_slot : next_in_turn(m_session.m_active_slot);
        if (round == FINAL_ROUND && decide_final())
            return;
        put_question(0);
        break;
    default:
        break;
    }
}

void game_disp::send_leaving(int slot)
{
    np_mark_excluded_player p = np_mark_excluded_player_new();
    p.slot = slot;
    send_session_message(&p);
    new next_round_timer_c(this, NEXT_ROUND_PERIOD);
}

void game_disp::end_round_by_account()
{
    m_step_kind = STEP_NONE;
    send_leaving(lowest_account_slot());
}

void game_disp::end_round_by_vote()
{
    m_step_kind = STEP_NONE;
    np_scene_command vote;
    std::memset(&vote, 0, sizeof vote);
    vote.header = {(int32_t)sizeof vote, NP_SCENE_COMMAND};
    copy_text(vote.command, "start_vote");
    send_session_message(&vote);
    // Only a human's vote reaching the server counts the votes: without a human voter the
    // computer players' votes decide at once.
    end_vote_when_all_voted();
}

np_question game_disp::begin_step(step_kind_e kind, int items)
{
    ++m_step;
    m_step_kind = kind;
    const int a = m_session.m_active_slot;
    return question_packet(seat(a).m_is_man == 0, kind == STEP_TOPIC_CHOICE, model_nmb_of_slot(a), items, m_step == 1);
}

void game_disp::send_step(const np_question &packet, bool human, int32_t right_answer)
{
    m_session.m_answer_state = human ? 0 : 1;
    m_session.m_right_answer = human ? right_answer : 0;
    send_session_message(&packet);
    m_step_packet = packet;
    resend_step_later(m_step);
}

void game_disp::resend_step_later(int32_t step)
{
    const net_manager *manager = get_net_manager();
    const int a = m_session.m_active_slot;
    if (!manager || manager->status() != NET_STATUS_SERVER || step != m_step || m_session.m_answer_state != 0 ||
        !slot_valid(a) || !seat(a).m_is_man || seat(a).m_owner_address == own_short_address())
        return;
    new resend_timer_c(this, MSG_VAR(resend_step), step, seat(a).m_owner_address);
}

void game_disp::put_question(int topic)
{
    const int a = m_session.m_active_slot;
    if (!slot_valid(a))
        return;
    const bool human = seat(a).m_is_man != 0;
    np_question p = begin_step(STEP_QUESTION, QUESTION_ITEMS);
    const question_desc &q = m_topics.question(topic, m_topics.draw_question(topic));
    copy_text(p.hint, question_prompt(m_session.m_round, human, seat_name(a).c_str(), m_topics.title(topic), m_step));
    // A computer player's answers are not shown.
    build_menu_text(p.menu, sizeof p.menu, q.m_question, q.m_answers, human ? ANSWER_POSITIONS : 0);
    send_step(p, human, q.m_right_answer);
    if (!human)
        new answer_after_sequence_c(this, computer_answer_right() ? 0 : 1);
}

void game_disp::put_topic_choice()
{
    const int chooser = m_session.m_active_slot;
    if (!slot_valid(chooser))
        return;
    const bool human = seat(chooser).m_is_man != 0;
    np_question p = begin_step(STEP_TOPIC_CHOICE, OFFERED_TOPICS);
    m_topics.offer_topics(m_offered_topics);
    const int round = m_session.m_round;
    // Round 3's players choose for themselves, round 4's for the answerer.
    const int answerer = round == 4 ? m_answerer_slot : chooser;
    const std::string prompt =
        topic_choice_prompt(round, human, seat_name(chooser).c_str(), seat_name(answerer).c_str());
    copy_text(p.hint, prompt);
    if (human) {
        const char *titles[OFFERED_TOPICS];
        for (int i = 0; i < OFFERED_TOPICS; ++i)
            titles[i] = m_topics.title(m_offered_topics[i]);
        build_menu_text(p.menu, sizeof p.menu, prompt.c_str(), titles, OFFERED_TOPICS);
    }
    send_step(p, human, -1);
    if (!human)
        new answer_after_sequence_c(this, computer_topic_choice());
}

void game_disp::put_opponent_choice()
{
    const int chooser = m_session.m_active_slot;
    if (!slot_valid(chooser))
        return;
    const bool human = seat(chooser).m_is_man != 0;
    np_question p = begin_step(STEP_OPPONENT_CHOICE, OPPONENT_CHOICE_ITEMS);
    const std::string prompt = opponent_choice_prompt(human, seat_name(chooser).c_str());
    copy_text(p.hint, prompt);
    if (human)
        copy_text(p.menu, prompt);
    send_step(p, human, -1);
    if (!human)
        new choice_after_sequence_c(this, highest_pulse_opponent(chooser));
}

// ---- what every PC does with a step ----

void game_disp::answer_sent(int32_t item)
{
    end_answer_wait();
    // This PC's own server has judged the answer before the send returned.
    if (!on_client() || m_session.m_answer_state != 0 || m_step == 0)
        return;
    const int active = m_session.m_active_slot;
    if (!slot_valid(active) || seat(active).m_owner_address != own_short_address())
        return;
    m_answer_step = m_step;
    new resend_timer_c(this, MSG_VAR(resend_answer), m_step, item);
}

void game_disp::end_answer_wait()
{
    m_answer_step = 0;
    for (abstract_c *child = first_child(); child; child = child->next_sibling())
        if (auto *timer = dynamic_cast<resend_timer_c *>(child); timer && timer->message_name() == MSG_VAR(resend_answer))
            timer->shutdown_tree();
}

void game_disp::question_step_received(int model_nmb, bool computer, bool topic_choice, int item_count, bool first)
{
    // The server has set all this itself when it put the step.
    if (!on_client())
        return;
    const int slot = slot_of_model_nmb(model_nmb);
    if (slot < 0)
        return;
    m_step = first ? 1 : m_step + 1;
    m_step_kind = topic_choice                              ? STEP_TOPIC_CHOICE
                  : item_count == OPPONENT_CHOICE_ITEMS ? STEP_OPPONENT_CHOICE
                                                        : STEP_QUESTION;
    m_session.m_active_slot = slot;
    m_session.m_answer_state = computer ? 1 : 0;
    if (opponent_round(m_session.m_round)) {
        // As on the server: the chooser moves on once the chosen opponent's question is put.
        if (m_step_kind == STEP_OPPONENT_CHOICE)
            m_chooser_slot = slot;
        else
            m_chooser_slot = next_in_turn(m_chooser_slot);
    }
}

void game_disp::show_question(int model_nmb, int item_count, bool simulated)
{
    m_step_panels.clear();
    const int slot = slot_of_model_nmb(model_nmb);
    if (slot < 0)
        return;
    // The round clock keeps the round's time: the question's time parameter is the camera's.
    root()->message(MSG_VAR(named_edit_set_text), 0, this, text_value("account_edit"),
                    text_value(number_text(seat(slot).m_account)), MSG_ARGS_END);
    root()->message(MSG_VAR(named_edit_set_text), 0, this, text_value("bank_edit"),
                    text_value(number_text(m_session.m_bank)), MSG_ARGS_END);
    if (simulated)
        return;
    // A human's question packet says what it puts by its item count.
    step_kind_e kind = m_step_kind;
    if (item_count == OFFERED_TOPICS)
        kind = STEP_TOPIC_CHOICE;
    else if (item_count == OPPONENT_CHOICE_ITEMS)
        kind = STEP_OPPONENT_CHOICE;
    else if (item_count == QUESTION_ITEMS)
        kind = STEP_QUESTION;
    auto show = [this](int visible, const char *name) {
        m_step_panels.emplace_back(visible, name);
        show_panel(visible, name);
    };
    const int round = m_session.m_round;
    if (topic_round(round)) {
        const int answers = kind == STEP_TOPIC_CHOICE ? 0 : 1;
        show(answers, "right_flash");
        show(answers, "wrong_flash");
        show(answers, "field_for_answers");
        show(1 - answers, "big_field_for_answers");
        return;
    }
    if (!opponent_round(round))
        return;
    if (kind != STEP_OPPONENT_CHOICE) {
        if (round == 6) {
            show(1, "right_flash");
            show(1, "wrong_flash");
            show(1, "field_for_answers");
        }
        show(0, "selector_field");
        return;
    }
    uint8_t mine = 0;
    root()->message(MSG_VAR(is_my_player), 0, this, MSG_ARG(model_nmb), MSG_ARG((void *)&mine), MSG_ARGS_END);
    if (!mine)
        return;
    // This PC's chooser points at the opponent; the one with the highest pulse is offered.
    new vote_picker_c(this);
    root()->message(MSG_VAR(emul_selection), 0, this, MSG_ARG(model_nmb_of_slot(highest_pulse_opponent(slot))),
                    MSG_ARGS_END);
    if (round == 6) {
        show(0, "right_flash");
        show(0, "wrong_flash");
        show(0, "field_for_answers");
    }
    show(1, "selector_field");
}

void game_disp::show_step_panels()
{
    std::vector<std::pair<int, std::string>> panels;
    panels.swap(m_step_panels);
    for (const auto &[visible, name] : panels)
        show_panel(visible, name.c_str());
}

void game_disp::show_panel(int visible, const char *name)
{
    root()->message(MSG_VAR(show_named), 0, this, MSG_ARG(visible), text_value(name), MSG_ARGS_END);
}

void game_disp::question_answered(int answer, bool right, int model_nmb, int gesture)
{
    m_session.m_answer_state = 4;
    root()->message(MSG_VAR(hilight_menu), 0, this, text_value("answer_menu"), MSG_ARG(answer), MSG_ARGS_END);
    const int slot = slot_of_model_nmb(model_nmb);
    if (slot < 0)
        return;
    auto add_step = [this](const std::string &name, const value_c &value) {
        root()->message(MSG_VAR(add_to_sequence), 0, this, text_value(name), value, MSG_ARGS_END);
    };
    auto add_message = [&](delayed_message_c *delayed) { add_step("animation_message", MSG_ARG((void *)delayed)); };
    uint8_t man = 0;
    root()->message(MSG_VAR(is_man), 0, this, MSG_ARG(model_nmb), MSG_ARG((void *)&man), MSG_ARGS_END);
    if (man)
        add_message(new delayed_message_c(this, "play_click_sound"));
    add_step("gest_press_player" + std::to_string(model_nmb), MSG_ARG(0));
    const int round = m_session.m_round;
    if (topic_round(round) && m_step_kind == STEP_TOPIC_CHOICE) {
        // Only six topics are offered.
        m_chosen_topic = answer >= 0 && answer < OFFERED_TOPICS ? answer : 0;
    } else if (opponent_round(round) && m_step_kind == STEP_OPPONENT_CHOICE) {
        // The chooser cannot send himself or a player out of the game: then the opponent
        // offered to him stands.
        const int chooser = m_session.m_active_slot;
        const bool opponent = slot_valid(answer) && answer != chooser && seat(answer).m_in_game;
        m_session.m_active_slot = opponent ? answer : highest_pulse_opponent(chooser);
    } else {
        score_answer(right);
        add_message(new delayed_message_c(this, "react_on_answer", MSG_ARG(answer), MSG_ARG(right ? 1 : 0),
                                          MSG_ARG(model_nmb)));
        add_step("animation_delay", MSG_ARG(SEQUENCE_PAUSE));
        add_step((right ? "gest_correct_player" : "gest_incorrect_player") + std::to_string(model_nmb),
                 MSG_ARG(gesture));
        add_step("animation_delay", MSG_ARG(SEQUENCE_PAUSE));
    }
    root()->message(MSG_VAR(activate_sequence), 0, this, MSG_ARGS_END);
}

// ---- the end of a game ----

void game_disp::reset_after_game()
{
    m_session.m_bank = 0;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        player_info &p = seat(slot);
        p.m_in_game = 1;
        p.m_account = 0;
        if (p.m_is_man)
            p.m_not_ready = 1;
    }
    m_step_kind = STEP_NONE;
    m_vote_open = 0;
    m_answer_step = 0;
    m_game_on = false;
    m_change_refusal_logged = false;
    // Timers, choice watchers, opponent pickers and vote target choosers that would go on with
    // the game end with it.
    for (abstract_c *child = first_child(); child; child = child->next_sibling())
        if (dynamic_cast<game_timer_c *>(child) || dynamic_cast<choice_after_sequence_c *>(child) ||
            dynamic_cast<vote_picker_c *>(child) || dynamic_cast<vote_target_chooser_c *>(child))
            child->shutdown_tree();
}

void game_disp::game_stopped(int how, int model_nmb)
{
    const bool known = slot_of_model_nmb(model_nmb) >= 0;
    uint8_t mine = 0, man = 0;
    hiscore_entry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.m_score = -1;
    if (known) {
        root()->message(MSG_VAR(is_my_player), 0, this, MSG_ARG(model_nmb), MSG_ARG((void *)&mine), MSG_ARGS_END);
        root()->message(MSG_VAR(is_man), 0, this, MSG_ARG(model_nmb), MSG_ARG((void *)&man), MSG_ARGS_END);
        root()->message(MSG_VAR(fill_hiscore_entry), 0, this, MSG_ARG(model_nmb), MSG_ARG((void *)&entry),
                        MSG_ARGS_END);
    }
    constexpr int STOPPED_BY_FINAL = 7;
    if (how == STOPPED_BY_FINAL && known && mine && man) {
        // This PC's human has won the final and takes the bank.
        entry.m_score = (int32_t)std::clamp<int64_t>(int64_t(entry.m_score) + m_session.m_bank, INT32_MIN, INT32_MAX);
        new history_table_c(this, "History", &entry);
        new hiscore_table_c(this, "Hiscore", &entry);
        root()->message(MSG_VAR(load_screen), 0, this, text_value("screen_hiscore"), MSG_ARGS_END);
        root()->message(MSG_VAR(remember_hiscore_and_age), 0, this, MSG_ARG((int)entry.m_score),
                        MSG_ARG((int)entry.m_age), MSG_ARGS_END);
        reset_after_game();
        return;
    }
    // Any other end has no result for this PC: History offers its set-up the player with 0.
    entry.m_score = 0;
    reset_after_game();
    if (known)
        new history_table_c(this, "History", &entry);
    root()->message(MSG_VAR(load_screen), 0, this, text_value("screen_command"), MSG_ARGS_END);
}

void game_disp::server_lost()
{
    reset_after_game();
    // The seats were the server's: this PC sets up its own again.
    session_info_init(m_session);
    setup_seats();
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        broadcast_appearance(slot);
    root()->message(MSG_VAR(free_location), 0, this, MSG_ARGS_END);
    root()->message(MSG_VAR(load_screen), 0, this, text_value("screen_main"), MSG_ARGS_END);
    root()->message(MSG_VAR(set_text), 0, this, text_value("hint_line"),
                    text_value("\xD1\xE2\xFF\xE7\xFC \xF1 \xF1\xE5\xF0\xE2\xE5\xF0\xEE\xEC "
                               "\xEF\xEE\xF2\xE5\xF0\xFF\xED\xE0"),
                    MSG_ARGS_END);
}

void game_disp::answer_for_lost_seat(int slot)
{
    // Only the server judges, and only a human's step waits for an answer packet.
    if (on_client() || !game_running() || m_session.m_answer_state != 0 || seat(slot).m_is_man)
        return;
    int32_t item = 0;
    switch (m_step_kind) {
    case STEP_QUESTION: {
        const int32_t right = m_session.m_right_answer;
        item = computer_answer_right() ? right : (right + 1) % QUESTION_ITEMS;
        break;
    }
    case STEP_TOPIC_CHOICE:
        item = computer_topic_choice();
        break;
    case STEP_OPPONENT_CHOICE:
        item = highest_pulse_opponent(slot);
        break;
    default:
        return;
    }
    // The seat is this PC's computer player now: its answer is this PC's.
    np_answer answer = {{(int32_t)sizeof(np_answer), NP_ANSWER}, item, own_short_address()};
    send_net_message(&answer);
}
