#include "ui/ui_screen_location.h"

#include "net/net_manager.h"
#include "net/net_packets.h"
#include "ui/ui_screen_base.h"

#include <cstring>
#include <string>

ui_location_c::ui_location_c(abstract_c *parent, const char *picture, const char *location, int final_flag)
    : abstract_c(parent), m_final(final_flag ? 1 : 0), m_drawn(0), m_location{}
{
    std::strncpy(m_location, location, sizeof m_location - 1);
    create_full_screen_picture(this, ("rounds/" + std::string(picture)).c_str());
    root()->message(MSG_VAR(cursor_show), 0, this, MSG_ARG(0), MSG_ARGS_END);
    root()->message(MSG_VAR(free_location), 0, this, MSG_ARGS_END);
}

int ui_location_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(render)) {
        m_drawn = 1;
        return 0;
    }
    if (*message == MSG_VAR(tick) && m_drawn) {
        load();
        return 1;
    }
    return 0;
}

void ui_location_c::load()
{
    if (m_final)
        root()->message(MSG_VAR(load_final_location), 0, this, pchar_value(m_location), MSG_ARGS_END);
    else
        root()->message(MSG_VAR(load_location), 0, this, pchar_value(m_location), MSG_ARGS_END);
    root()->message(MSG_VAR(cursor_show), 0, this, MSG_ARG(1), MSG_ARGS_END);
    shutdown_tree();
    root()->message(MSG_VAR(load_screen), 0, this, pchar_value("screen_game"), MSG_ARGS_END);
    net_packet_header loaded = {(int32_t)sizeof(net_packet_header), NP_LOCATION_LOADED};
    send_net_message(&loaded);
}
