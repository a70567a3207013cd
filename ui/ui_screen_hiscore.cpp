#include "ui/ui_screen_hiscore.h"

#include <cstdio>
#include <cstring>

screen_hiscore::screen_hiscore(abstract_c *parent, const attribute_list_c *attributes)
    : screen_base_c(parent, attributes), m_from_main(1), m_remembered_score(0), m_remembered_age(0)
{
}

void screen_hiscore::fill()
{
    hiscore_entry entries[SCORE_TABLE_MAX];
    for (hiscore_entry &e : entries) {
        std::memset(&e, 0, sizeof e);
        e.m_score = -1;
    }
    int n = 0;
    new hiscore_table_c(this, "Hiscore", SCORE_TABLE_MAX, entries, &n);
    for (int i = 1; i <= n; ++i) {
        char target[32];
        char score[16];
        std::snprintf(target, sizeof target, "winner_%d_static", i);
        message(MSG_VAR(set_text), 0, this, pchar_value(target), pchar_value(entries[i - 1].m_name), MSG_ARGS_END);
        std::snprintf(target, sizeof target, "hiscore_%d_static", i);
        std::snprintf(score, sizeof score, "%d", entries[i - 1].m_score);
        message(MSG_VAR(set_text), 0, this, pchar_value(target), pchar_value(score), MSG_ARGS_END);
    }
}

int screen_hiscore::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(creation_finished)) {
        fill();
    } else if (*message == MSG_VAR(butt_pressed)) {
        if (std::strcmp(msg_arg(0)->get_const_pchar(), "ok") == 0) {
            if (m_from_main) {
                root()->message(MSG_VAR(load_screen), 0, this, pchar_value("screen_main"), MSG_ARGS_END);
            } else {
                root()->message(MSG_VAR(load_screen), 0, this, pchar_value("screen_survey"), MSG_ARGS_END);
                root()->message(MSG_VAR(set_hiscore_and_age_values), 0, this, MSG_ARG(m_remembered_score),
                                MSG_ARG(m_remembered_age), MSG_ARGS_END);
            }
            return 1;
        }
    } else if (*message == MSG_VAR(hiscore_from_main)) {
        m_from_main = 1;
        return 1;
    } else if (*message == MSG_VAR(remember_hiscore_and_age)) {
        m_remembered_score = msg_arg(0)->get_int();
        m_remembered_age = msg_arg(1)->get_int();
        m_from_main = 0;
        return 1;
    }
    return screen_base_c::handle_message(message, sender);
}
