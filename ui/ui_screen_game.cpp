#include "ui/ui_screen_game.h"

#include "game/game_timers.h"
#include "game/player_info.h"
#include "net/net_manager.h"
#include "ui/ui_voter_card.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const voter_card_layout game_card = {"selector_rating_edit"};

// The Esc key's code in the key table.
constexpr int ESC_CHAR = 25;

// The pieces of a question text: the question, then the items, joined by '_'.
std::vector<std::string> split_items(const char *text)
{
    std::vector<std::string> pieces(1);
    for (const char *c = text; *c; ++c)
        if (*c == '_')
            pieces.emplace_back();
        else
            pieces.back().push_back(*c);
    return pieces;
}

std::string number_text(int32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", int(value));
    return text;
}

} // namespace

void screen_game::show_ratings()
{
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        player_info player;
        player_info_init(player);
        root()->message(MSG_VAR(get_player_info), 0, this, MSG_ARG(slot), MSG_ARG((void *)&player), MSG_ARGS_END);
        char name[32];
        std::snprintf(name, sizeof name, "rating_static_%d", slot + 1);
        // The record is a copy that may come from another PC: its name ends inside its field.
        const std::string shown(player.name, strnlen(player.name, sizeof player.name));
        char text[96];
        std::snprintf(text, sizeof text, "%s -- %d", shown.c_str(), int(player.m_account));
        message(MSG_VAR(set_text), 0, this, pchar_value(name), pchar_value(text), MSG_ARGS_END);
    }
    session_info session;
    session_info_init(session);
    root()->message(MSG_VAR(get_session_info), 0, this, MSG_ARG((void *)&session), MSG_ARGS_END);
    char bank[32];
    std::snprintf(bank, sizeof bank, "Bank = %d", int(session.m_bank));
    message(MSG_VAR(set_text), 0, this, pchar_value("bank_static"), pchar_value(bank), MSG_ARGS_END);
}

void screen_game::clear_question()
{
    message(MSG_VAR(set_state), 0, this, pchar_value("right_flash"), MSG_ARG(0), MSG_ARG(0), MSG_ARGS_END);
    message(MSG_VAR(set_state), 0, this, pchar_value("wrong_flash"), MSG_ARG(0), MSG_ARG(0), MSG_ARGS_END);
    message(MSG_VAR(unhilight_menu), 0, this, pchar_value("answer_menu"), MSG_ARGS_END);
    message(MSG_VAR(clear_menu), 0, this, pchar_value("answer_menu"), MSG_ARGS_END);
    message(MSG_VAR(set_text), 0, this, pchar_value("question_multi_static"), pchar_value(""), MSG_ARGS_END);
}

void screen_game::show_question(const char *text, int answers)
{
    root()->message(MSG_VAR(show_named), 0, this, MSG_ARG(1), pchar_value("game_background"), MSG_ARGS_END);
    root()->message(MSG_VAR(show_named), 0, this, MSG_ARG(0), pchar_value("selector_field"), MSG_ARGS_END);
    root()->message(MSG_VAR(show_named), 0, this, MSG_ARG(0), pchar_value("big_field_for_answers"), MSG_ARGS_END);
    const std::vector<std::string> pieces = split_items(text);
    message(MSG_VAR(set_text), 0, this, pchar_value("question_multi_static"), pchar_value(pieces[0].c_str()),
            MSG_ARGS_END);
    // The count comes with the packet, the pieces with its text: a text with fewer pieces
    // fills only the items it has.
    for (int i = 0; i < answers && size_t(i) + 1 < pieces.size(); ++i)
        message(MSG_VAR(set_menu_text), 0, this, pchar_value("answer_menu"), MSG_ARG(i),
                pchar_value(pieces[size_t(i) + 1].c_str()), MSG_ARGS_END);
}

void screen_game::simulate_question(const char *text)
{
    message(MSG_VAR(set_state), 0, this, pchar_value("right_flash"), MSG_ARG(0), MSG_ARG(0), MSG_ARGS_END);
    message(MSG_VAR(set_state), 0, this, pchar_value("wrong_flash"), MSG_ARG(0), MSG_ARG(0), MSG_ARGS_END);
    message(MSG_VAR(disable_menu), 0, this, pchar_value("answer_menu"), MSG_ARGS_END);
    message(MSG_VAR(set_text), 0, this, pchar_value("question_multi_static"), pchar_value(text), MSG_ARGS_END);
    for (int i = 0; i < 4; ++i)
        message(MSG_VAR(set_menu_text), 0, this, pchar_value("answer_menu"), MSG_ARG(i), pchar_value(""),
                MSG_ARGS_END);
}

void screen_game::react_on_answer(int item, bool right, int model)
{
    message(MSG_VAR(disable_menu), 0, this, pchar_value("answer_menu"), MSG_ARGS_END);
    message(MSG_VAR(set_state), 0, this, pchar_value(right ? "right_flash" : "wrong_flash"), MSG_ARG(1), MSG_ARG(0),
            MSG_ARGS_END);
    char lamp[48];
    std::snprintf(lamp, sizeof lamp, right ? "lamp_green%d_relay" : "lamp_red%d_relay", model);
    root()->message(MSG_VAR(activate), 0, this, pchar_value(lamp), MSG_ARG(1), MSG_ARGS_END);
    message(MSG_VAR(hilight_menu), 0, this, pchar_value("answer_menu"), MSG_ARG(item), MSG_ARGS_END);
    int32_t rating = 0, bank = 0;
    root()->message(MSG_VAR(get_rating_n_bank), 0, this, MSG_ARG((void *)&rating), MSG_ARG((void *)&bank),
                    MSG_ARGS_END);
    root()->message(MSG_VAR(named_edit_set_text), 0, this, pchar_value("account_edit"),
                    pchar_value(number_text(rating).c_str()), MSG_ARGS_END);
    root()->message(MSG_VAR(named_edit_set_text), 0, this, pchar_value("bank_edit"),
                    pchar_value(number_text(bank).c_str()), MSG_ARGS_END);
}

int screen_game::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(creation_finished)) {
        // The statics are the script's children, made after the screen itself.
        show_ratings();
    } else if (*message == MSG_VAR(butt_pressed)) {
        if (std::strcmp(msg_arg(0)->get_const_pchar(), "select_opponent") == 0) {
            root()->message(MSG_VAR(on_opponent_selected), 0, this, MSG_ARGS_END);
            return 1;
        }
    } else if (*message == MSG_VAR(remove_question_n_answers)) {
        clear_question();
        return 1;
    } else if (*message == MSG_VAR(on_round_started)) {
        root()->message(MSG_VAR(show_named), 0, this, MSG_ARG(0), pchar_value("game_background"), MSG_ARGS_END);
        root()->message(MSG_VAR(show_named), 0, this, MSG_ARG(0), pchar_value("selector_field"), MSG_ARGS_END);
        return 0;
    } else if (*message == MSG_VAR(question)) {
        show_question(msg_arg(0)->get_const_pchar(), msg_arg(3)->get_int());
    } else if (*message == MSG_VAR(simulate_question)) {
        simulate_question(msg_arg(0)->get_const_pchar());
    } else if (*message == MSG_VAR(react_on_answer)) {
        react_on_answer(msg_arg(0)->get_int(), msg_arg(1)->get_int() != 0, msg_arg(2)->get_int());
    } else if (*message == MSG_VAR(round_is_over)) {
        shutdown_tree();
        return 1;
    } else if (*message == MSG_VAR(menu_clicked)) {
        if (std::strcmp(msg_arg(0)->get_const_pchar(), "answer_menu") == 0)
            send_answer_packet(this, msg_arg(1)->get_int());
    } else if (*message == MSG_VAR(update_round_statistics)) {
        return 1;
    } else if (*message == MSG_VAR(update_voter_info)) {
        const player_info &player = *static_cast<const player_info *>(msg_arg(0)->get_ptr());
        voter_card_fill(this, game_card, player, msg_arg(1)->get_const_pchar(), player.m_cur_intellect,
                        player.m_cur_pulse);
        return 0;
    } else if (*message == MSG_VAR(reset_voter_info)) {
        voter_card_clear(this, game_card);
    } else if (*message == MSG_VAR(char)) {
        if (msg_arg(0)->get_int() == ESC_CHAR)
            root()->message(MSG_VAR(request_back), 0, this, MSG_ARGS_END);
    }
    return screen_base_c::handle_message(message, sender);
}

std::string round_clock_text(double seconds)
{
    // A clock that ran out, or a time that is no number, stands at zero; a time too large for
    // the seconds' integer stops at its largest.
    const double whole = std::trunc(seconds);
    const int64_t s = whole > 0.0 ? int64_t(std::fmin(whole, double(INT32_MAX))) : 0;
    const int64_t m = s / 60;
    char text[40];
    std::snprintf(text, sizeof text, "%lld%lld:%lld%lld", (long long)(m / 10), (long long)(m % 10),
                  (long long)(s % 60 / 10), (long long)(s % 60 % 10));
    return text;
}

round_clock::round_clock(abstract_c *parent, const attribute_list_c *attributes)
    : static_text(parent, attributes), m_last_time(-1.0)
{
}

int round_clock::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(render)) {
        double time = 0.0;
        root()->message(MSG_VAR(get_round_time), 0, this, MSG_ARG((void *)&time), MSG_ARGS_END);
        if (!(std::trunc(time) == std::trunc(m_last_time))) {
            m_last_time = time;
            set_text(round_clock_text(time).c_str());
        }
    }
    return static_text::handle_message(message, sender);
}
