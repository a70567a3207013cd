#include "ui/ui_screen_windows.h"

#include "game/player_info.h"
#include "ui/ui_screen_base.h"
#include "scores/score_tables.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void show_window(abstract_c *window, int on)
{
    window->message(MSG_VAR(show), 0, window, MSG_ARG(on), MSG_ARGS_END);
}

int window_exit::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(show_exit_window)) {
        if (msg_arg_is(0, value_c::PTR))
            *static_cast<unsigned char *>(msg_arg(0)->get_ptr()) = 1;
        show_window(this, 1);
    } else if (*message == MSG_VAR(mouse)) {
        // Its buttons had the mouse first; what they leave must not reach the controls of the
        // screen behind the question.
        const int taken = ui_control_c::handle_message(message, sender);
        return is_visible() ? 1 : taken;
    } else if (*message == MSG_VAR(butt_pressed)) {
        const char *name = msg_arg(0)->get_const_pchar();
        if (std::strcmp(name, "yes") == 0) {
            root()->message(MSG_VAR(exit_message_confirmed), 0, this, MSG_ARGS_END);
            return 1;
        }
        if (std::strcmp(name, "no") == 0) {
            root()->message(MSG_VAR(exit_message_rejected), 0, this, MSG_ARGS_END);
            show_window(this, 0);
            return 1;
        }
    }
    return ui_control_c::handle_message(message, sender);
}

int window_credit::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(creation_finished)) {
        this->message(MSG_VAR(named_edit_set_text), 0, this, pchar_value("take_edit"), pchar_value("0"),
                      MSG_ARGS_END);
    } else if (*message == MSG_VAR(show_credit_window)) {
        m_player = static_cast<player_info *>(msg_arg(0)->get_ptr());
        char account[16];
        std::snprintf(account, sizeof account, "%d", m_player ? (int)m_player->m_account : 0);
        this->message(MSG_VAR(set_text), 0, this, pchar_value("your_score"), MSG_ARG(account), MSG_ARGS_END);
        show_window(this, 1);
    } else if (*message == MSG_VAR(butt_pressed)) {
        const char *name = msg_arg(0)->get_const_pchar();
        if (std::strcmp(name, "ok") == 0) {
            book();
            return 1;
        }
        if (std::strcmp(name, "exit") == 0) {
            show_window(this, 0);
            return 1;
        }
    }
    return ui_control_c::handle_message(message, sender);
}

void window_credit::book()
{
    if (!m_player)
        return;
    // The edit copies at most 9 bytes, without a terminator when its text is that long.
    char text[10] = {};
    root()->message(MSG_VAR(named_edit_get_text), 0, this, pchar_value("take_edit"), MSG_ARG(text), MSG_ARG(9),
                    MSG_ARGS_END);
    // Only the player's own money can be taken: more than the account would start the game
    // with money nobody won and book a negative score; a debt takes nothing.
    const long long taken =
        std::clamp<long long>(std::strtoll(text, nullptr, 10), 0, std::max<long long>(m_player->m_account, 0));
    const long long rest = std::clamp<long long>((long long)m_player->m_account - taken, INT_MIN, INT_MAX);
    char player_name[sizeof m_player->name + 1] = {};
    std::memcpy(player_name, m_player->name, sizeof m_player->name);
    new hiscore_table_c(this, "Hiscore", player_name, (int)rest);
    new history_table_c(this, "History", player_name, (int)rest);
    m_player->m_account = (int32_t)std::clamp<long long>(taken, INT_MIN, INT_MAX);
    root()->message(MSG_VAR(on_all_players_ready), 0, this, MSG_ARGS_END);
}
