#include "game/player.h"

#include <cstdint>
#include <cstring>

#include "basics/helpers.h"
#include "game/player_info.h"

player::player(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_store_nmb(-1)
{
    if (parent)
        parent->message(MSG_VAR(player_created), MSGF_NO_CHILDREN | MSGF_TO_PARENTS, this,
                        MSG_ARG((void *)&m_store_nmb), MSG_ARGS_END);
}

int player::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(set_store_nmb)) {
        m_store_nmb = msg_arg(0)->get_int();
        return 1;
    }
    if (*message == MSG_VAR(fill_struct)) {
        if (msg_arg(0)->get_int() != m_store_nmb)
            return 0;
        player_info &p = *(player_info *)msg_arg(1)->get_ptr();
        p.portr_nmb = attribute("portr_nmb")->get_int();
        if (p.m_is_man == 0) {
            player_info_set_name(p, attribute("name")->get_const_pchar());
            p.age = attribute("age")->get_int();
            p.character = attribute("character")->get_int();
            p.health = attribute("health")->get_int();
            p.sex = attribute("sex")->get_int();
            p.job = attribute("job")->get_int();
            p.intellect = attribute("intellect")->get_int();
            p.hobby = attribute("hobby")->get_int();
            p.pulse = attribute("pulse")->get_int();
        }
        return 1;
    }
    return 0;
}

player_store::player_store(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_count(0)
{
}

int player_store::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(player_created)) {
        sender->message(MSG_VAR(set_store_nmb), 0, this, MSG_ARG(m_count), MSG_ARGS_END);
        ++m_count;
        return 1;
    }
    if (*message == MSG_VAR(random_fill)) {
        const int n = engine_rand() * m_count / 32768;
        this->message(MSG_VAR(fill_struct), MSGF_NO_SELF, this, MSG_ARG(n), MSG_ARG(msg_arg(0)->get_ptr()), MSG_ARGS_END);
        return 1;
    }
    if (*message == MSG_VAR(set_next_portrait)) {
        void *record = msg_arg(1)->get_ptr();
        // The step may come from another PC's change packet: added wide, it cannot wrap round.
        int64_t n = int64_t(msg_arg(0)->get_int()) + ((player_info *)record)->portr_nmb;
        if (n < 0)
            n = m_count - 1;
        else if (n >= m_count)
            n = 0;
        this->message(MSG_VAR(fill_struct), MSGF_NO_SELF, this, MSG_ARG((int)n), MSG_ARG(record), MSG_ARGS_END);
        return 0;
    }
    return 0;
}
