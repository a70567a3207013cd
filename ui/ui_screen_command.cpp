#include "ui/ui_screen_command.h"

#include "kernel/exception.h"
#include "game/player_info.h"
#include "kernel/scripts.h"
#include "net/net_manager.h"
#include "scores/score_tables.h"

#include <cstdio>
#include <cstring>
#include <string>

screen_command *screen_command::m_instance = nullptr;

namespace {

// The seat button of seat number n (1 to 8; 0 names none): "portr" and n's two digits.
std::string seat_button_name(int n)
{
    const char name[] = {'p', 'o', 'r', 't', 'r', char('0' + n / 10), char('0' + n % 10), 0};
    return name;
}

struct field_control_s
{
    const char *name;
    int32_t kind;
    bool text; // read with named_edit_get_text, else get_selected_nmb
};
const field_control_s field_controls[] = {
    {"name_hist", 4, true},       {"age_edit", 5, true},     {"character_hist", 6, false},
    {"health_hist", 7, false},    {"job_hist", 8, false},    {"intellect_edit", 9, true},
    {"hobby_hist", 10, false},    {"pulse_edit", 11, true},
};

// What a change's text may hold, terminator included.
constexpr int CHANGE_TEXT_SIZE = 64;

} // namespace

screen_command::screen_command(abstract_c *parent, const attribute_list_c *attributes)
    : screen_base_c(parent, attributes), m_button_nmb(-1), m_selected_slot(-1), m_buttons{}
{
    if (m_instance)
        ENGINE_THROW(exception_c, "Screen command exists already!");
    m_instance = this;
    root()->message(MSG_VAR(load_command_location), 0, this, pchar_value("player_3"), MSG_ARGS_END);
    root()->message(MSG_VAR(activate), 0, this, pchar_value("sound_menu"), MSG_ARG(1), MSG_ARGS_END);
}

void screen_command::on_shutdown()
{
    if (m_instance == this)
        m_instance = nullptr;
}

np_change_player_info screen_command::start_change(int32_t kind)
{
    np_change_player_info packet;
    std::memset(&packet, 0, sizeof packet);
    packet.header = {sizeof packet, NP_CHANGE_PLAYER_INFO};
    packet.slot = m_selected_slot;
    root()->message(MSG_VAR(get_short_address), 0, this, MSG_ARG((void *)&packet.address), MSG_ARGS_END);
    packet.code = kind;
    return packet;
}

void screen_command::refresh_editor()
{
    player_info p;
    player_info_init(p);
    root()->message(MSG_VAR(get_player_info), MSGF_NO_SELF, this, MSG_ARG(m_selected_slot), MSG_ARG((void *)&p),
                    MSG_ARGS_END);

    // The record may have come from another PC: its name is read no further than its field.
    const std::string name(p.name, strnlen(p.name, sizeof p.name));
    const struct
    {
        const char *edit;
        int32_t value;
    } numbers[] = {{"age_edit", p.age}, {"intellect_edit", p.intellect}, {"pulse_edit", p.pulse}};
    message(MSG_VAR(named_edit_set_text), 0, this, pchar_value("name_hist"), pchar_value(name.c_str()),
            MSG_ARGS_END);
    for (const auto &n : numbers) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", int(n.value));
        message(MSG_VAR(named_edit_set_text), 0, this, pchar_value(n.edit), pchar_value(text), MSG_ARGS_END);
    }

    // The intellect of a computer player stays editable: it is what makes it answer well.
    const int enabled = p.m_is_man == 1 ? 1 : 0;
    for (const char *control :
         {"name_hist", "age_edit", "character_hist", "health_hist", "job_hist", "hobby_hist", "pulse_edit"})
        root()->message(MSG_VAR(enable_ctrl), 0, this, pchar_value(control), MSG_ARG(enabled), MSG_ARGS_END);

    const struct
    {
        const char *control;
        int32_t item;
    } items[] = {{"character_hist", p.character}, {"hobby_hist", p.hobby}, {"health_hist", p.health}, {"job_hist", p.job}};
    for (const auto &i : items)
        root()->message(MSG_VAR(select_item), 0, this, pchar_value(i.control), MSG_ARG(int(i.item)), MSG_ARGS_END);

    char id[32];
    for (int i = 0; i < 24; ++i) {
        std::snprintf(id, sizeof id, "revealer%d", i);
        root()->message(MSG_VAR(activate), 0, this, pchar_value(id), MSG_ARG(0), MSG_ARGS_END);
    }
    std::snprintf(id, sizeof id, "revealer%d", int(p.portr_nmb));
    root()->message(MSG_VAR(activate), 0, this, pchar_value(id), MSG_ARG(1), MSG_ARGS_END);
    root()->message(MSG_VAR(activate), 0, this, pchar_value("round_players"), MSG_ARG(1), MSG_ARGS_END);
    std::snprintf(id, sizeof id, "cam_player%d", int(p.portr_nmb));
    root()->message(MSG_VAR(activate), 0, this, pchar_value(id), MSG_ARG(1), MSG_ARGS_END);
}

void screen_command::change_field(const char *control)
{
    // Any other edit of the screen (the credit window's, say) is no field of a player: a
    // request without a kind would change the seat by chance.
    for (const field_control_s &f : field_controls) {
        if (std::strcmp(control, f.name) != 0)
            continue;
        np_change_player_info packet = start_change(f.kind);
        if (f.text) {
            message(MSG_VAR(named_edit_get_text), 0, this, pchar_value(f.name), MSG_ARG(packet.value),
                    MSG_ARG(CHANGE_TEXT_SIZE), MSG_ARGS_END);
            // The edit copies as strncpy does; the text ends inside its part of the data.
            packet.value[CHANGE_TEXT_SIZE - 1] = 0;
        } else {
            int item = 0;
            message(MSG_VAR(get_selected_nmb), 0, this, pchar_value(f.name), MSG_ARG((void *)&item), MSG_ARGS_END);
            const int32_t number = item;
            std::memcpy(packet.value, &number, sizeof number);
        }
        send_net_message(&packet);
        return;
    }
}

int screen_command::read_history(hiscore_entry *entries)
{
    for (int i = 0; i < HISTORY_READ; ++i) {
        std::memset(&entries[i], 0, sizeof entries[i]);
        entries[i].m_score = -1;
    }
    int count = 0;
    new history_table_c(this, "History", HISTORY_READ, entries, &count);
    return count;
}

void screen_command::take_history_entry(int k)
{
    hiscore_entry entries[HISTORY_READ];
    const int count = read_history(entries);
    // The index comes from the name list, which holds only the entries read.
    if (k < 0 || k >= count)
        return;
    np_change_player_info packet = start_change(0);

    player_info p;
    player_info_init(p);
    root()->message(MSG_VAR(get_player_info), 0, this, MSG_ARG(m_selected_slot), MSG_ARG((void *)&p), MSG_ARGS_END);
    const hiscore_entry &e = entries[k];
    // The table's name field is longer than the record's: the name is cut to fit.
    player_info_set_name(p, std::string(e.m_name, strnlen(e.m_name, sizeof e.m_name)).c_str());
    p.job = e.m_job;
    p.hobby = e.m_hobby;
    p.m_account = e.m_score;
    p.intellect = e.m_intellect;
    p.health = e.m_health;
    p.portr_nmb = e.m_portr_nmb;
    p.age = e.m_age;
    p.character = e.m_character;
    static_assert(sizeof p <= sizeof packet.value, "a record fits the change's data");
    std::memcpy(packet.value, &p, sizeof p);
    send_net_message(&packet);
}

void screen_command::preload()
{
    hiscore_entry entries[HISTORY_READ];
    const int count = read_history(entries);
    for (int i = count - 1; i >= 0; --i) {
        const std::string name(entries[i].m_name, strnlen(entries[i].m_name, sizeof entries[i].m_name));
        message(MSG_VAR(add_history_item), 0, this, pchar_value("name_hist"), pchar_value(name.c_str()),
                MSG_ARGS_END);
    }
    if (count > 0)
        message(MSG_VAR(hiscore_item_selected), 0, this, pchar_value(""), MSG_ARG(0), MSG_ARGS_END);
    scripts_c::instance()->execute_script("scripts/window_credit.isc", this, 0);
}

void screen_command::start_game()
{
    uint8_t single = 0;
    player_info *winner = nullptr;
    root()->message(MSG_VAR(is_single_winner_in_session), 0, this, MSG_ARG((void *)&single),
                    MSG_ARG((void *)&winner), MSG_ARGS_END);
    if (single)
        root()->message(MSG_VAR(show_credit_window), 0, this, MSG_ARG((void *)winner), MSG_ARGS_END);
    else
        root()->message(MSG_VAR(on_all_players_ready), 0, this, MSG_ARGS_END);
}

int screen_command::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(butt_pressed)) {
        const char *name = msg_arg(0)->get_const_pchar();
        if (std::strcmp(name, "left_arrow") == 0 || std::strcmp(name, "right_arrow") == 0) {
            if (m_selected_slot != -1) {
                np_change_player_info packet = start_change(3);
                const int32_t step = name[0] == 'l' ? -1 : 1;
                std::memcpy(packet.value, &step, sizeof step);
                send_net_message(&packet);
            }
        } else if (std::strcmp(name, "autochoice") == 0) {
            root()->message(MSG_VAR(bots_autochoice), 0, this, MSG_ARGS_END);
        } else if (std::strcmp(name, "start_game") == 0) {
            start_game();
        } else if (std::strcmp(name, "back") == 0) {
            root()->message(MSG_VAR(load_screen), 0, this, pchar_value("screen_main"), MSG_ARGS_END);
            return 1;
        }
    } else if (*message == MSG_VAR(butt_checked)) {
        const char *name = msg_arg(1)->get_const_pchar();
        for (int i = 1; i <= SEAT_BUTTONS; ++i)
            if (seat_button_name(i) == name) {
                m_selected_slot = i - 1;
                refresh_editor();
                break;
            }
    } else if (*message == MSG_VAR(create_cmplx_btn)) {
        // More seats than there are slots get none: their slot stays as the seat set it.
        if (m_button_nmb + 1 < SEAT_BUTTONS) {
            ++m_button_nmb;
            m_buttons[m_button_nmb] = sender;
            *static_cast<int *>(msg_arg(0)->get_ptr()) = m_button_nmb;
            root()->message(MSG_VAR(get_player_info), MSGF_NO_SELF, this, MSG_ARG(m_button_nmb),
                            MSG_ARG(msg_arg(1)->get_ptr()), MSG_ARGS_END);
        }
    } else if (*message == MSG_VAR(update_appearance)) {
        if (msg_arg(0)->get_int() == m_selected_slot)
            refresh_editor();
        return 0;
    } else if (*message == MSG_VAR(hiscore_item_selected)) {
        take_history_entry(msg_arg(1)->get_int());
        return 1;
    } else if (*message == MSG_VAR(edit_changed) || *message == MSG_VAR(history_item_selected)) {
        change_field(msg_arg(0)->get_const_pchar());
    } else if (*message == MSG_VAR(close_screen_command)) {
        root()->message(MSG_VAR(load_screen), 0, this, pchar_value("screen_client"), MSG_ARGS_END);
        return 1;
    } else if (*message == MSG_VAR(on_round_started)) {
        return 0;
    } else if (*message == MSG_VAR(render)) {
        sort_children_by_priority();
        return 0;
    } else if (*message == MSG_VAR(creation_finished)) {
        preload();
    }
    return screen_base_c::handle_message(message, sender);
}

autochecker::autochecker(abstract_c *parent, const attribute_list_c *attributes) : abstract_c(parent, attributes)
{
    int32_t slot = -1;
    root()->message(MSG_VAR(get_my_leftmost_player_nmb), 0, this, MSG_ARG((void *)&slot), MSG_ARGS_END);
    root()->message(MSG_VAR(emul_click), 0, this, pchar_value(seat_button_name(slot + 1).c_str()), MSG_ARGS_END);
    shutdown_tree();
}
