#include "game/game_disp.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "basics/console_log.h"
#include "kernel/exception.h"
#include "net/net_manager.h"
#include "net/net_packets.h"
#include "services/location_sound.h"
#include "scores/score_tables.h"

namespace {

// Enough for a store of eight different portraits to seat the last of eight slots with
// overwhelming likelihood, and a bound for a store that cannot.
constexpr int PORTRAIT_TRIES = 1000;

// "Igrok%d" in cp1251.
const char HUMAN_NAME_FORMAT[] = "\xC8\xE3\xF0\xEE\xEA%d";

} // namespace

game_disp::game_disp(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_no_man_left(0), m_chosen_topic(0), m_offered_topics{}, m_step(0),
      m_answerer_slot(-1), m_chooser_slot(-1), m_ready(0)
{
    session_info_init(m_session);
    setup_seats();
    m_ready = 1;
}

game_disp::~game_disp() = default;

int32_t game_disp::own_short_address() const
{
    int32_t address = 0;
    root()->message(MSG_VAR(get_short_address), 0, const_cast<game_disp *>(this), MSG_ARG((void *)&address),
                    MSG_ARGS_END);
    return address;
}

int game_disp::model_nmb_of_slot(int slot) const
{
    if (slot < 0 || slot >= MAX_PLAYERS || !seat(slot).m_in_game)
        return -1;
    int model = 0;
    for (int i = 0; i < slot; ++i)
        model += seat(i).m_in_game ? 1 : 0;
    return model;
}

int game_disp::slot_of_model_nmb(int model_nmb) const { return seat_slot_of_model(m_session.m_players, model_nmb); }

void game_disp::fill_seat_with_own_portrait(int slot, int below)
{
    player_info &p = seat(slot);
    for (int tries = 0; tries < PORTRAIT_TRIES; ++tries) {
        root()->message(MSG_VAR(random_fill), 0, this, MSG_ARG((void *)&p), MSG_ARGS_END);
        bool shared = false;
        for (int i = 0; i < below && !shared; ++i)
            shared = i != slot && seat(i).portr_nmb == p.portr_nmb;
        if (!shared)
            return;
    }
}

void game_disp::setup_seats()
{
    const int32_t address = own_short_address();
    m_session.m_created = 1;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        seat(slot).m_owner_address = address;
        fill_seat_with_own_portrait(slot, slot);
    }
    make_seat_human(0, own_short_address());
}

void game_disp::make_seat_human(int slot, int32_t owner)
{
    player_info &p = seat(slot);
    p.m_is_man = 1;
    p.m_not_ready = 1;
    p.m_owner_address = owner;
    std::snprintf(p.name, sizeof p.name, HUMAN_NAME_FORMAT, slot + 1);
    p.age = 20;
    p.health = 1;
    p.job = 2;
    p.intellect = 50;
    p.hobby = 5;
    p.pulse = 70;
    fill_seat_with_own_portrait(slot, MAX_PLAYERS);
}

void game_disp::make_seat_computer(int slot, int32_t owner, bool forced)
{
    player_info &p = seat(slot);
    if (!forced && p.m_owner_address != owner)
        return;
    p.m_owner_address = own_short_address();
    p.m_is_man = 0;
    p.m_not_ready = 0;
    fill_seat_with_own_portrait(slot, MAX_PLAYERS);
}

bool game_disp::all_ready()
{
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        if (seat(slot).m_not_ready == 1)
            return false;
    m_step = 0;
    return true;
}

void game_disp::send_seat(int slot)
{
    np_player_info_updated packet;
    std::memset(&packet, 0, sizeof packet);
    packet.header = {sizeof packet, NP_PLAYER_INFO_UPDATED};
    packet.slot = slot;
    packet.info = seat(slot);
    send_session_message(&packet);
}

int game_disp::handle_message(const msg_c *message, abstract_c *sender)
{
    // Each shows that the step this PC's answer went to is over: the answer goes no more.
    if (m_answer_step != 0 &&
        (*message == MSG_VAR(question_answered) || *message == MSG_VAR(question_step_received) ||
         *message == MSG_VAR(generate_bot_votes) || *message == MSG_VAR(mark_excluded_player) ||
         *message == MSG_VAR(on_round_started)))
        end_answer_wait();
    if (int result = handle_seat_message(message))
        return result;
    if (int result = handle_vote_message(message))
        return result;
    if (int result = 0; handle_flow_message(message, result))
        return result;
    if (*message == MSG_VAR(tick)) {
        // The round clock runs only while a human's answer is awaited.
        if (m_session.m_answer_state == 0 && msg_arg_is(1, value_c::FLOAT))
            m_session.m_round_time -= msg_arg(1)->get_float();
        return 0;
    }
    if (*message == MSG_VAR(render)) {
        show_step_panels();
        return 0;
    }
    return abstract_c::handle_message(message, sender);
}

namespace {

template <class T> T &out(unsigned index) { return *(T *)msg_arg(index)->get_ptr(); }

// The number at the start of a text, as "%d" reads it; `old` when there is none.
int32_t read_number(const char *text, int32_t old)
{
    char *end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text)
        return old;
    return (int32_t)std::clamp<long long>(v, INT32_MIN, INT32_MAX);
}

} // namespace

bool game_disp::slot_valid(int slot) { return slot >= 0 && slot < MAX_PLAYERS; }
bool game_disp::intellect_valid(int32_t intellect) { return intellect >= 0 && intellect <= 100; }
bool game_disp::pulse_valid(int32_t pulse) { return pulse >= 40 && pulse <= 100; }
bool game_disp::health_valid(int32_t health) { return health >= 0 && health <= 2; }
bool game_disp::character_valid(int32_t character) { return character >= 0 && character <= 3; }
bool game_disp::job_valid(int32_t job) { return job >= 0 && job < JOB_COUNT; }
bool game_disp::hobby_valid(int32_t hobby) { return hobby >= 0 && hobby < HOBBY_COUNT; }

bool game_disp::portrait_in_store(int32_t portrait)
{
    // The store fills a record stepped by 0 from its own number, wrapping one it does not have:
    // the portrait comes back unchanged only when the store has it (or there is no store).
    player_info probe;
    player_info_init(probe);
    probe.m_is_man = 1;
    probe.portr_nmb = portrait;
    root()->message(MSG_VAR(set_next_portrait), 0, this, MSG_ARG(0), MSG_ARG((void *)&probe), MSG_ARGS_END);
    return probe.portr_nmb == portrait;
}

bool game_disp::on_client() const
{
    const net_manager *manager = get_net_manager();
    return manager && manager->status() == NET_STATUS_CLIENT;
}

bool game_disp::seat_record_usable(int slot, const player_info &p)
{
    // The server's own set-up gives every seat such values; a record with others would fail the
    // round start, a card or a portrait on this PC only.
    if (intellect_valid(p.intellect) && pulse_valid(p.pulse) && health_valid(p.health) &&
        character_valid(p.character) && job_valid(p.job) && hobby_valid(p.hobby) && portrait_in_store(p.portr_nmb))
        return true;
    print_message("Seat %d from the server refused: a value this game cannot use\n", slot);
    return false;
}

int game_disp::checked_slot_of_model(int model_nmb, const char *error) const
{
    const int slot = slot_of_model_nmb(model_nmb);
    if (slot < 0)
        ENGINE_THROW(exception_c, error);
    return slot;
}

void game_disp::broadcast_appearance(int slot)
{
    root()->message(MSG_VAR(update_appearance), 0, this, MSG_ARG(slot), MSG_ARGS_END);
}

int game_disp::handle_seat_message(const msg_c *message)
{
    if (*message == MSG_VAR(get_player_info)) {
        const int slot = msg_arg(0)->get_int();
        if (!slot_valid(slot))
            return 0;
        std::memcpy(msg_arg(1)->get_ptr(), &seat(slot), sizeof(player_info));
        return 1;
    }
    if (*message == MSG_VAR(get_session_info)) {
        std::memcpy(msg_arg(0)->get_ptr(), &m_session, sizeof m_session);
        return 1;
    }
    if (*message == MSG_VAR(create_new_man_player)) {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            if (seat(slot).m_is_man == 0) {
                make_seat_human(slot, out<int32_t>(0));
                std::memcpy(msg_arg(1)->get_ptr(), &m_session, sizeof m_session);
                return 1;
            }
        return 0;
    }
    if (*message == MSG_VAR(free_places_available)) {
        bool all_human = true;
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            all_human = all_human && seat(slot).m_is_man != 0;
        out<uint8_t>(0) = all_human ? 1 : 0;
        return 1;
    }
    if (*message == MSG_VAR(set_session_info)) {
        session_info received;
        std::memcpy(&received, msg_arg(0)->get_ptr(), sizeof received);
        // A seat this PC could not show or play keeps what this PC holds.
        const bool from_server = on_client();
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            if (from_server && !seat_record_usable(slot, received.m_players[slot]))
                received.m_players[slot] = seat(slot);
        m_session = received;
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            broadcast_appearance(slot);
        return 1;
    }
    if (*message == MSG_VAR(player_info_updated)) {
        // The slot comes from another PC's packet.
        const int slot = msg_arg(0)->get_int();
        if (!slot_valid(slot))
            return 1;
        player_info received;
        std::memcpy(&received, msg_arg(1)->get_ptr(), sizeof received);
        if (on_client() && !seat_record_usable(slot, received))
            return 1;
        seat(slot) = received;
        broadcast_appearance(slot);
        return 1;
    }
    if (*message == MSG_VAR(change_player_info)) {
        np_change_player_info request;
        std::memcpy(&request, msg_arg(0)->get_ptr(), sizeof request);
        change_player_info(request);
        return 1;
    }
    if (*message == MSG_VAR(play_click_sound)) {
        new click_sound_c(this);
        return 1;
    }
    if (*message == MSG_VAR(get_round_time)) {
        out<double>(0) = m_session.m_round_time;
        return 1;
    }
    if (*message == MSG_VAR(replace_lost_players)) {
        const int32_t address = out<int32_t>(0);
        const int active = m_session.m_active_slot;
        const bool active_lost = slot_valid(active) && seat(active).m_owner_address == address;
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            if (seat(slot).m_owner_address == address) {
                make_seat_computer(slot, address, true);
                // Its vote travels with the seat.
                vote_for_new_computer(slot);
                send_seat(slot);
            }
        end_vote_when_all_voted();
        if (active_lost)
            answer_for_lost_seat(active);
        return 1;
    }
    if (*message == MSG_VAR(bots_autochoice)) {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            if (seat(slot).m_is_man == 0) {
                make_seat_computer(slot, seat(slot).m_owner_address, false);
                send_seat(slot);
            }
        return 1;
    }
    if (*message == MSG_VAR(is_he_active_player)) {
        // Only while the question or choice put waits for its answer: a repeated answer packet
        // would be scored again and would put the next step twice.
        const int active = m_session.m_active_slot;
        const bool awaited = m_session.m_answer_state == 0 || m_session.m_answer_state == 1;
        out<uint8_t>(1) = awaited && slot_valid(active) && seat(active).m_owner_address == out<int32_t>(0) ? 1 : 0;
        return 1;
    }
    if (*message == MSG_VAR(get_active_player_nmb)) {
        out<int32_t>(0) = m_session.m_active_slot;
        return 1;
    }
    if (*message == MSG_VAR(get_active_model_nmb)) {
        out<int32_t>(0) = model_nmb_of_slot(m_session.m_active_slot);
        return 1;
    }
    if (*message == MSG_VAR(is_answer_right)) {
        out<uint8_t>(1) = msg_arg(0)->get_int() == m_session.m_right_answer ? 1 : 0;
        return 1;
    }
    if (*message == MSG_VAR(get_my_leftmost_player_nmb)) {
        const int32_t own = own_short_address();
        int32_t found = -1;
        for (int slot = MAX_PLAYERS - 1; slot >= 0; --slot)
            if (seat(slot).m_owner_address == own)
                found = slot;
        out<int32_t>(0) = found;
        return 1;
    }
    if (*message == MSG_VAR(is_my_player)) {
        const int slot = checked_slot_of_model(msg_arg(0)->get_int(), "Invalid model index sent to is_my_player");
        out<uint8_t>(1) = seat(slot).m_owner_address == own_short_address() ? 1 : 0;
        return 1;
    }
    if (*message == MSG_VAR(is_man)) {
        const int slot = checked_slot_of_model(msg_arg(0)->get_int(), "Invalid model index sent to is_man");
        out<uint8_t>(1) = seat(slot).m_is_man == 1 ? 1 : 0;
        return 1;
    }
    if (*message == MSG_VAR(fill_hiscore_entry)) {
        const int slot =
            checked_slot_of_model(msg_arg(0)->get_int(), "Invalid model index sent to fill_hiscore_entry !");
        const player_info &p = seat(slot);
        hiscore_entry &e = out<hiscore_entry>(1);
        // The name field is longer than the record's; a received name ends inside its field.
        std::memset(e.m_name, 0, sizeof e.m_name);
        std::memcpy(e.m_name, p.name, strnlen(p.name, sizeof p.name - 1));
        e.m_job = p.job;
        e.m_hobby = p.hobby;
        e.m_intellect = p.intellect;
        e.m_pulse = p.pulse;
        e.m_health = p.health;
        e.m_portr_nmb = p.portr_nmb;
        e.m_age = p.age;
        e.m_character = p.character;
        e.m_score = p.m_account;
        return 1;
    }
    if (*message == MSG_VAR(get_alive_model_nmbs) || *message == MSG_VAR(get_alive_dead_model_nmbs)) {
        std::vector<int32_t> &list = out<std::vector<int32_t>>(0);
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            if (seat(slot).m_in_game)
                list.push_back(int32_t(seat(slot).portr_nmb));
        if (*message == MSG_VAR(get_alive_dead_model_nmbs))
            for (int slot = 0; slot < MAX_PLAYERS; ++slot)
                if (!seat(slot).m_in_game)
                    list.push_back(int32_t(seat(slot).portr_nmb));
        return 1;
    }
    if (*message == MSG_VAR(get_rating_n_bank)) {
        const int active = m_session.m_active_slot;
        out<int32_t>(0) = slot_valid(active) ? seat(active).m_account : 0;
        out<int32_t>(1) = m_session.m_bank;
        return 1;
    }
    if (*message == MSG_VAR(is_single_winner_in_session)) {
        const bool single = single_man_in_session() && seat(0).m_account != 0;
        out<uint8_t>(0) = single ? 1 : 0;
        if (single)
            out<player_info *>(1) = &seat(0);
        return 1;
    }
    if (*message == MSG_VAR(is_single_man_in_session)) {
        out<uint8_t>(0) = single_man_in_session() ? 1 : 0;
        return 1;
    }
    return 0;
}

bool game_disp::single_man_in_session() const
{
    for (int slot = 1; slot < MAX_PLAYERS; ++slot)
        if (seat(slot).m_is_man)
            return false;
    return true;
}

namespace {
// Whether a number outside low..high can no longer be made one of them by typing more digits.
// The editor sends every key: "4" on its way to 45 is left alone, while 20 or 101 is answered
// with the seat as it stands (the sender's editor would go on showing a value nobody has).
bool typed_value_refused(int64_t value, int64_t low, int64_t high)
{
    if (value < 0)
        return true;
    for (int64_t digits = 1; value * digits <= high; digits *= 10)
        if (value * digits + digits - 1 >= low)
            return false;
    return true;
}
} // namespace

void game_disp::change_player_info(const np_change_player_info &request)
{
    // Everything here comes from another PC's packet: the slot and the values are checked
    // before they are used, and a text never runs past the field it goes into.
    if (m_game_on) {
        // A name still being typed when the game started, say: the seats are the game's now.
        if (!m_change_refusal_logged)
            print_message("Set-up change of seat %d refused: a game is on\n", (int)request.slot);
        m_change_refusal_logged = true;
        return;
    }
    const int slot = request.slot;
    if (!slot_valid(slot))
        return;
    player_info &p = seat(slot);
    int32_t number = 0;
    std::memcpy(&number, request.value, sizeof number);
    const char *text = request.value;
    if (!(p.m_is_man && p.m_owner_address != request.address)) {
        switch (request.code) {
        case CHANGE_WHOLE_SEAT: {
            // A description with values the round start would refuse, or a portrait the store
            // does not have, is not taken (nothing is sent, as for an empty text).
            player_info record;
            std::memcpy(&record, request.value, sizeof record);
            record.name[sizeof record.name - 1] = 0;
            if (!intellect_valid(record.intellect) || !pulse_valid(record.pulse) || !health_valid(record.health) ||
                !character_valid(record.character) || !job_valid(record.job) || !hobby_valid(record.hobby) ||
                !portrait_in_store(record.portr_nmb))
                return;
            // The seat takes the description and the account; who owns it and where it stands in
            // the game (flags, votes, the round's values and counters) stay as this PC keeps them.
            p.portr_nmb = record.portr_nmb;
            std::memcpy(p.name, record.name, sizeof p.name);
            p.age = record.age;
            p.character = record.character;
            p.health = record.health;
            p.sex = record.sex;
            p.job = record.job;
            p.intellect = record.intellect;
            p.hobby = record.hobby;
            p.pulse = record.pulse;
            p.m_account = record.m_account;
            break;
        }
        case CHANGE_MAN_BOT:
            if (slot == 0)
                break;
            if (p.m_is_man)
                make_seat_computer(slot, request.address, false);
            else
                make_seat_human(slot, request.address);
            break;
        case CHANGE_READY:
            if (p.m_is_man)
                p.m_not_ready = !p.m_not_ready;
            break;
        case CHANGE_PORTRAIT:
            if (p.m_is_man || request.address == own_short_address())
                root()->message(MSG_VAR(set_next_portrait), 0, this, MSG_ARG(number), MSG_ARG((void *)&p),
                                MSG_ARGS_END);
            if (p.m_is_man)
                p.m_not_ready = 1;
            break;
        case CHANGE_NAME:
            player_info_set_name(p, text);
            p.m_not_ready = 1;
            break;
        case CHANGE_AGE:
            if (!*text)
                return;
            p.age = read_number(text, p.age);
            break;
        case CHANGE_CHARACTER:
            if (character_valid(number))
                p.character = number;
            break;
        case CHANGE_HEALTH:
            if (health_valid(number))
                p.health = number;
            break;
        case CHANGE_JOB:
            // Every PC's cards show a job by its text: a code outside the list is not taken.
            if (job_valid(number))
                p.job = number;
            break;
        case CHANGE_INTELLECT: {
            // A value the round start would refuse is not taken; see typed_value_refused.
            const int32_t intellect = read_number(text, p.intellect);
            if (!intellect_valid(intellect)) {
                if (typed_value_refused(intellect, 0, 100))
                    break;
                return;
            }
            p.intellect = intellect;
            break;
        }
        case CHANGE_HOBBY:
            if (hobby_valid(number))
                p.hobby = number;
            break;
        case CHANGE_PULSE: {
            if (!*text) {
                p.pulse = 40;
                return;
            }
            const int32_t pulse = read_number(text, p.pulse);
            if (!pulse_valid(pulse)) {
                if (typed_value_refused(pulse, 40, 100))
                    break;
                return;
            }
            p.pulse = pulse;
            break;
        }
        default:
            break;
        }
    }
    send_seat(slot);
    if (!all_ready())
        return;
    uint8_t single = 0;
    player_info *winner = nullptr;
    root()->message(MSG_VAR(is_single_winner_in_session), 0, this, MSG_ARG((void *)&single),
                    MSG_ARG((void *)&winner), MSG_ARGS_END);
    if (single && winner)
        root()->message(MSG_VAR(show_credit_window), 0, this, MSG_ARG((void *)winner), MSG_ARGS_END);
    else
        root()->message(MSG_VAR(on_all_players_ready), 0, this, MSG_ARGS_END);
}
