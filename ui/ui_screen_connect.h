// The two screens that start a network game; both are screen_base_c screens whose "back"
// button returns to "screen_main". Requests go with flags 0 and the screen as sender; text
// arguments may be of any text type.
//
// screen_connect (script class "screen_connect"): joining a server announced on the local
// network. Its script gives the menu "available_hosts_menu" (five items), the edit
// "client_name_edit" and the buttons "connect_to_server" and "back".
//   creation_finished: makes this PC a client under the typed name (start_net_client), so
//     that its socket hears the servers' announcements; then the screen base.
//   tick: the host menu is opened for a new click and shows the first five names of the
//     root's `enum_hosts` answer and empty texts after them; the item whose name equals the
//     chosen host's name is highlighted (the first such item only; nothing while no host was
//     chosen). Base result.
//   menu_clicked ("available_hosts_menu", INT i): host i is chosen: its item is highlighted
//     and its text kept as the chosen name, the index kept as it is even when the list moves
//     later. 1.
//   butt_pressed "connect_to_server": with a chosen host, connect_to_host (index); base
//     result. "back": the PC leaves the network (no session), load_screen "screen_main"; 1.
//   connected_to_server: the client starts again under the name then typed, the root gets
//     load_command_location "player_3" and load_screen "screen_command". Base result.
//
// screen_create_server (script class "screen_create_server"): opening a session. Its script
// gives the edit "server_name_edit" and the buttons "create_server" and "back".
//   butt_pressed "create_server": this PC becomes the server of a session named by the edit
//     (start_net_server), then load_screen "screen_command"; "back": load_screen
//     "screen_main". 1 for both.
// Names are used as typed, empty ones included; texts of up to 127 bytes are read.
// When this PC cannot become a client or a server (the socket refused: port 1980 taken by
// another program on this PC, say) the screen stays, and its "hint_line" shows the reason (the
// winsock_exception_c's text, "bind failed: WSAEADDRINUSE").
#pragma once

#include <cstdint>

#include "ui/ui_screen_base.h"

class screen_connect : public screen_base_c
{
public:
    static constexpr int MENU_ITEMS = 5;
    static constexpr int NAME_SIZE = 128;

    screen_connect(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    int32_t selected_host() const { return m_selected_host; }
    const char *selected_host_name() const { return m_selected_host_name; }

private:
    void refresh_hosts();
    void select_host(int item);
    void join();

    int32_t m_selected_host;
    char m_selected_host_name[NAME_SIZE + 1];
};

class screen_create_server : public screen_base_c
{
public:
    using screen_base_c::screen_base_c;
    int handle_message(const msg_c *message, abstract_c *sender) override;
};
