// The connect and create-server screens (the project's data/scripts/screen_client.isc and
// screen_server.isc) over a real network manager in a private network namespace: this PC
// listens on port 1980, servers are plain sockets on other loopback addresses.
#include "tests/net/lab/net_lab.h"
#include "tests/ui/lan_server.h"
#include "tests/ui/game_screens/game_screens_fixture.h"
#include "ui/ui_question_static.h"
#include "ui/ui_screen_connect.h"
#include "ui/ui_text_static.h"

#include <map>
#include <memory>

namespace {

using lines = std::vector<std::string>;

class connect_screen_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        // Entered while the process has one thread; the fixture is built either way, so its
        // teardown has something to take down.
        const std::string why = net_lab::enter_private_network();
        game_screens_test::SetUp();
        if (!why.empty())
            NET_LAB_SKIP(why);
        put("fonts/small.bmp", strip_bmp(std::vector<int>(224, 10), 12));
        put("fonts/big.bmp", strip_bmp(std::vector<int>(224, 10), 12));
        put_source("data/scripts/screen_client.isc", "scripts/screen_client.isc");
        put_source("data/scripts/screen_server.isc", "scripts/screen_server.isc");
        for (const char *next : {"screen_main", "screen_command"})
            put_script(next, "create screen_clean { };\n");
        manager = get_net_manager();
        ASSERT_NE(manager, nullptr);
        manager->set_announce_address("127.0.0.99");
        recorder->heard_names = {"load_screen", "load_command_location"};
    }

    // One tick at time t: the manager takes one datagram, the screen refreshes its menu.
    void tick_at(double t)
    {
        tick_by(t, 0.01);
        now = t;
    }
    lan_server_s &server(int n)
    {
        std::unique_ptr<lan_server_s> &pc = servers[n];
        if (!pc)
            pc.reset(new lan_server_s(n));
        return *pc;
    }
    void announce(int n, double t) { announce(n, "server " + std::to_string(n), t); }
    void announce(int n, const std::string &name, double t)
    {
        server(n).announce(name);
        tick_at(t);
    }

    menu *hosts() { return find<menu>("available_hosts_menu"); }
    lines item_texts()
    {
        lines out;
        for (int i = 0; i < hosts()->item_count(); ++i) {
            static_text *t = hosts()->item(i)->text();
            out.push_back(t->line_count() ? t->line_text(0) : "");
        }
        return out;
    }
    // The items shown in the menu's active colour.
    std::vector<int> hilited()
    {
        std::vector<int> out;
        for (int i = 0; i < hosts()->item_count(); ++i)
            if ((hosts()->item(i)->text()->text_color() & 0xFFFFFF) == 0xFFC800)
                out.push_back(i);
        return out;
    }
    void click_item(int i) { click(vec2(310.0f, 245.0f + 34.0f * float(i))); }
    int press(const char *name) { return send("butt_pressed", value_c(name, value_c::STRING)); }
    int set_edit(const char *name, const char *text)
    {
        return send("named_edit_set_text", value_c(name, value_c::STRING), value_c(text, value_c::STRING));
    }

    net_manager *manager = nullptr;
    std::map<int, std::unique_ptr<lan_server_s>> servers;
    double now = 1.0;
};

TEST_F(connect_screen_test, five_of_seven_servers_are_listed_and_the_choice_follows_its_name)
{
    ASSERT_EQ(load("screen_client"), 1);
    screen_connect *screen = live_child_of_container<screen_connect>();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(manager->status(), NET_STATUS_CLIENT) << "the screen listens for announcements";
    EXPECT_STREQ(manager->name(), "\xC8\xE3\xF0\xEE\xEA") << "under the name in the edit";
    tick_at(1.0);
    EXPECT_EQ(item_texts(), lines(5, ""));
    EXPECT_EQ(screen->selected_host(), -1);

    for (int n = 2; n <= 8; ++n)
        announce(n, 1.0 + 0.1 * n);
    EXPECT_EQ(manager->host_count(), 7);
    EXPECT_EQ(item_texts(), (lines{"server 2", "server 3", "server 4", "server 5", "server 6"}));
    EXPECT_TRUE(hilited().empty());

    // A click chooses; a click after the next tick chooses again.
    click_item(2);
    EXPECT_EQ(screen->selected_host(), 2);
    EXPECT_STREQ(screen->selected_host_name(), "server 4");
    EXPECT_EQ(hilited(), std::vector<int>{2});
    tick_at(1.95);
    click_item(1);
    EXPECT_EQ(screen->selected_host(), 1);
    EXPECT_STREQ(screen->selected_host_name(), "server 3");
    tick_at(2.0);
    EXPECT_EQ(hilited(), std::vector<int>{1});
    EXPECT_EQ(item_texts()[1], "server 3") << "opening the menu again keeps its texts";

    // The others keep announcing; the chosen one falls silent and is dropped after 25 s.
    for (int n : {2, 4, 5, 6, 7, 8})
        announce(n, 20.0 + 0.1 * n);
    tick_at(27.0);
    EXPECT_EQ(manager->host_count(), 6);
    EXPECT_EQ(item_texts(), (lines{"server 2", "server 4", "server 5", "server 6", "server 7"}));
    EXPECT_TRUE(hilited().empty());
    EXPECT_EQ(screen->selected_host(), 1) << "the index stays";

    // The host list shrinks: items without a server are empty.
    for (int n : {2, 4})
        announce(n, 40.0 + 0.1 * n);
    tick_at(50.0);
    EXPECT_EQ(item_texts(), (lines{"server 2", "server 4", "", "", ""}));
}

TEST_F(connect_screen_test, joining_the_chosen_server_under_the_typed_name)
{
    ASSERT_EQ(load("screen_client"), 1);
    announce(2, "quiz", 1.0);
    ASSERT_EQ(item_texts()[0], "quiz");
    take_heard();

    EXPECT_EQ(press("connect_to_server"), 0);
    EXPECT_TRUE(server(2).received_types().empty()) << "nothing is sent before a host was chosen";

    click_item(0);
    EXPECT_EQ(set_edit("client_name_edit", ""), 1);
    EXPECT_EQ(press("connect_to_server"), 0);
    EXPECT_EQ(server(2).received_types(), std::vector<int>{NP_JOIN_REQUEST});
    EXPECT_TRUE(take_heard().empty());

    // The server seats this PC.
    set_edit("client_name_edit", "\xC2\xE0\xF1\xFF");
    server(2).seat(manager);
    tick_at(2.0);
    EXPECT_EQ(take_heard(), (lines{"load_command_location player_3", "load_screen screen_command"}));
    EXPECT_EQ(manager->status(), NET_STATUS_CLIENT);
    EXPECT_STREQ(manager->name(), "\xC2\xE0\xF1\xFF");
    EXPECT_EQ(live_child_of_container<screen_connect>(), nullptr);
}

TEST_F(connect_screen_test, back_leaves_the_network_and_returns_to_the_main_menu)
{
    ASSERT_EQ(load("screen_client"), 1);
    take_heard();
    EXPECT_EQ(press("back"), 1);
    EXPECT_EQ(take_heard(), lines{"load_screen screen_main"});
    EXPECT_EQ(manager->status(), NET_STATUS_NONE) << "a game on this PC must not go to an absent server";
    EXPECT_FALSE(manager->has_socket());

    // Buttons of other names are the base's.
    ASSERT_EQ(load("screen_client"), 1);
    take_heard();
    for (const char *other : {"create_server", "Back", ""})
        EXPECT_EQ(press(other), 0) << other;
    EXPECT_TRUE(take_heard().empty());
    EXPECT_EQ(send("menu_clicked", value_c("other_menu", value_c::STRING), value_c(0)), 0);
    EXPECT_EQ(live_child_of_container<screen_connect>()->selected_host(), -1);
}

TEST_F(connect_screen_test, create_server_opens_a_session_under_the_typed_name)
{
    struct case_s
    {
        const char *name;
    };
    for (const case_s &c : {case_s{"\xC2\xE8\xEA\xF2\xEE\xF0\xE8\xED\xE0"}, case_s{""}}) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(load("screen_server"), 1);
        EXPECT_EQ(manager->status(), NET_STATUS_NONE);
        take_heard();
        set_edit("server_name_edit", c.name);
        EXPECT_EQ(press("create_server"), 1);
        EXPECT_EQ(manager->status(), NET_STATUS_SERVER);
        EXPECT_STREQ(manager->name(), c.name);
        EXPECT_EQ(take_heard(), lines{"load_screen screen_command"});
        manager->set_net_status(NET_STATUS_NONE, "Unnamed");
    }
    ASSERT_EQ(load("screen_server"), 1);
    take_heard();
    EXPECT_EQ(press("connect_to_server"), 0);
    EXPECT_EQ(press("back"), 1);
    EXPECT_EQ(take_heard(), lines{"load_screen screen_main"});
    EXPECT_EQ(manager->status(), NET_STATUS_NONE);
}

// A second program on this PC holds port 1980: both screens say why and stay, and the program
// goes on.
TEST_F(connect_screen_test, port_1980_held_by_another_program_is_shown_and_the_screen_stays)
{
    auto hint = [&] {
        static_text *t = find<static_text>("hint_line");
        return t && t->line_count() ? t->line_text(0) : std::string();
    };
    std::unique_ptr<winsocket_c> other(new winsocket_c(WINSOCK_UDP, nullptr, NET_PORT));
    ASSERT_EQ(load("screen_client"), 1);
    ASSERT_NE(live_child_of_container<screen_connect>(), nullptr);
    EXPECT_EQ(manager->status(), NET_STATUS_NONE);
    EXPECT_EQ(hint(), "bind failed: WSAEADDRINUSE");
    take_heard();
    EXPECT_EQ(press("connect_to_server"), 0);
    tick_at(2.0);
    EXPECT_TRUE(take_heard().empty());

    ASSERT_EQ(load("screen_server"), 1);
    take_heard();
    EXPECT_EQ(press("create_server"), 1);
    EXPECT_EQ(manager->status(), NET_STATUS_NONE);
    EXPECT_EQ(hint(), "bind failed: WSAEADDRINUSE");
    EXPECT_TRUE(take_heard().empty()) << "the screen stays";

    // Once the other program has gone, the same button works.
    other.reset();
    EXPECT_EQ(press("create_server"), 1);
    EXPECT_EQ(manager->status(), NET_STATUS_SERVER);
    EXPECT_EQ(take_heard(), lines{"load_screen screen_command"});
    manager->set_net_status(NET_STATUS_NONE, "Unnamed");
}

} // namespace
