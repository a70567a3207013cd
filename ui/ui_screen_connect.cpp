#include "ui/ui_screen_connect.h"

#include <cstring>

#include "net/net_manager.h"

namespace {
const char HOSTS_MENU[] = "available_hosts_menu";

// The text of a named edit below screen, at most size - 1 bytes, always terminated.
void named_edit_text(abstract_c *screen, const char *edit_name, char *buffer, int size)
{
    std::memset(buffer, 0, size_t(size));
    screen->message(MSG_VAR(edit_get_text), 0, screen, pchar_value(edit_name), MSG_ARG(size - 1), MSG_ARG(buffer),
                    MSG_ARGS_END);
}

bool is_button(const char *name, const char *button)
{
    return std::strcmp(name, button) == 0;
}

// Makes this PC a server or a client; when the system refuses (port 1980 taken by another
// program on this PC, say) the screen's hint line shows why, and false.
template <class F> bool start_session(abstract_c *screen, F start)
{
    try {
        start();
        return true;
    } catch (const winsock_exception_c &e) {
        screen->message(MSG_VAR(set_text), 0, screen, pchar_value("hint_line"), pchar_value(e.get_message().c_str()),
                        MSG_ARGS_END);
        return false;
    }
}

int back_to_main_menu(abstract_c *screen)
{
    abstract_c::root()->message(MSG_VAR(load_screen), 0, screen, pchar_value("screen_main"), MSG_ARGS_END);
    return 1;
}
} // namespace

screen_connect::screen_connect(abstract_c *parent, const attribute_list_c *attributes)
    : screen_base_c(parent, attributes), m_selected_host(-1), m_selected_host_name{}
{
}

void screen_connect::refresh_hosts()
{
    // The manager writes its whole host list, so the buffer holds the whole list.
    int32_t count = 0;
    static_assert(NAME_SIZE == NET_NAME_SIZE, "menu names are host names");
    char names[NET_MAX_HOSTS][NET_NAME_SIZE] = {};
    root()->message(MSG_VAR(enum_hosts), 0, this, MSG_ARG((void *)&count), MSG_ARG((void *)names), MSG_ARGS_END);
    if (count < 0)
        count = 0;
    if (count > MENU_ITEMS)
        count = MENU_ITEMS;

    // The menu reports only its first click until it is cleared, and the texts are set anew
    // below: clearing it here lets the user choose another host at any time.
    message(MSG_VAR(clear_menu), 0, this, pchar_value(HOSTS_MENU), MSG_ARGS_END);
    message(MSG_VAR(unhilight_menu), 0, this, pchar_value(HOSTS_MENU), MSG_ARGS_END);
    bool hilited = false;
    for (int i = 0; i < count; ++i) {
        names[i][NET_NAME_SIZE - 1] = 0;
        message(MSG_VAR(set_menu_text), 0, this, pchar_value(HOSTS_MENU), MSG_ARG(i), MSG_ARG(names[i]), MSG_ARGS_END);
        // Until a host is chosen, a server announcing an empty name is not the choice.
        if (!hilited && m_selected_host != -1 && std::strcmp(names[i], m_selected_host_name) == 0) {
            message(MSG_VAR(hilight_menu), 0, this, pchar_value(HOSTS_MENU), MSG_ARG(i), MSG_ARGS_END);
            hilited = true;
        }
    }
    for (int i = count; i < MENU_ITEMS; ++i)
        message(MSG_VAR(set_menu_text), 0, this, pchar_value(HOSTS_MENU), MSG_ARG(i), pchar_value(""), MSG_ARGS_END);
}

void screen_connect::select_host(int item)
{
    m_selected_host = item;
    message(MSG_VAR(unhilight_menu), 0, this, pchar_value(HOSTS_MENU), MSG_ARGS_END);
    message(MSG_VAR(hilight_menu), 0, this, pchar_value(HOSTS_MENU), MSG_ARG(item), MSG_ARGS_END);
    std::memset(m_selected_host_name, 0, sizeof m_selected_host_name);
    message(MSG_VAR(get_menu_text), 0, this, pchar_value(HOSTS_MENU), MSG_ARG(item), MSG_ARG(NAME_SIZE),
            MSG_ARG(m_selected_host_name), MSG_ARGS_END);
}

void screen_connect::join()
{
    char name[NAME_SIZE];
    named_edit_text(this, "client_name_edit", name, sizeof name);
    if (!start_session(this, [&] { start_net_client(name); }))
        return;
    root()->message(MSG_VAR(load_command_location), 0, this, pchar_value("player_3"), MSG_ARGS_END);
    root()->message(MSG_VAR(load_screen), 0, this, pchar_value("screen_command"), MSG_ARGS_END);
}

int screen_connect::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(tick)) {
        refresh_hosts();
    } else if (*message == MSG_VAR(creation_finished)) {
        // Announcements reach only a PC with a session, so the screen listens as a client
        // from the start; joining makes it a client again under the name then typed.
        char name[NAME_SIZE];
        named_edit_text(this, "client_name_edit", name, sizeof name);
        start_session(this, [&] { start_net_client(name); });
    } else if (*message == MSG_VAR(butt_pressed)) {
        const char *name = msg_arg(0)->get_const_pchar();
        if (is_button(name, "connect_to_server") && m_selected_host != -1) {
            connect_to_host(m_selected_host);
        } else if (is_button(name, "back")) {
            // A PC left as a client would send a game on this PC to an absent server.
            if (net_manager *manager = get_net_manager())
                manager->set_net_status(NET_STATUS_NONE, "Unnamed");
            return back_to_main_menu(this);
        }
    } else if (*message == MSG_VAR(connected_to_server)) {
        join();
    } else if (*message == MSG_VAR(menu_clicked)) {
        if (std::strcmp(msg_arg(0)->get_const_pchar(), HOSTS_MENU) == 0) {
            select_host(msg_arg(1)->get_int());
            return 1;
        }
    }
    return screen_base_c::handle_message(message, sender);
}

int screen_create_server::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(butt_pressed)) {
        const char *name = msg_arg(0)->get_const_pchar();
        if (is_button(name, "create_server")) {
            char session[screen_connect::NAME_SIZE];
            named_edit_text(this, "server_name_edit", session, sizeof session);
            if (start_session(this, [&] { start_net_server(session); }))
                root()->message(MSG_VAR(load_screen), 0, this, pchar_value("screen_command"), MSG_ARGS_END);
            return 1;
        }
        if (is_button(name, "back"))
            return back_to_main_menu(this);
    }
    return screen_base_c::handle_message(message, sender);
}
