// The player set-up screen on the project's data/scripts/screen_command.isc: one screen at a
// time, the seats it numbers, the autochecker, the editor that shows the game's record only
// when the game says so, the change requests every edit hands the network manager (read where
// the local game receives them, or off the wire of a client PC in a private network
// namespace), the History table's entries and the buttons.
#include "game/player_info.h"
#include "tests/net/lab/net_lab.h"
#include "tests/ui/game_screens/registry_fixture.h"
#include "tests/ui/lan_server.h"
#include "ui/ui_complex_button.h"
#include "ui/ui_edit.h"
#include "ui/ui_history_list.h"
#include "ui/ui_screen_command.h"
#include "ui/ui_screen_windows.h"
#include "ui/ui_text_static.h"

#include <cstring>
#include <string>

namespace {

using lines = std::vector<std::string>;

// The game's side of the set-up: the seats' records, this PC's first player, and the change
// requests that reach the game.
class seat_game_c : public abstract_c
{
public:
    explicit seat_game_c(abstract_c *parent) : abstract_c(parent)
    {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
            player_info &p = records[slot];
            player_info_init(p);
            player_info_set_name(p, ("Player " + std::to_string(slot)).c_str());
            p.portr_nmb = 3 * slot + 1;
            p.age = 20 + slot;
            p.intellect = 50 + slot;
            p.m_cur_intellect = 1;
            p.pulse = 60 + slot;
            p.m_cur_pulse = 2;
            p.character = slot % 4;
            p.health = slot % 3;
            p.job = slot;
            p.hobby = 7 - slot;
            p.m_is_man = slot == 0 ? 1 : 0;
        }
    }
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(get_player_info)) {
            const int slot = msg_arg(0)->get_int();
            if (slot < 0 || slot >= MAX_PLAYERS)
                return 0;
            std::memcpy(msg_arg(1)->get_ptr(), &records[slot], sizeof(player_info));
            return 1;
        }
        if (*message == MSG_VAR(get_my_leftmost_player_nmb)) {
            *static_cast<int32_t *>(msg_arg(0)->get_ptr()) = leftmost;
            return 1;
        }
        if (*message == MSG_VAR(change_player_info)) {
            np_change_player_info p;
            std::memcpy(&p, msg_arg(0)->get_ptr(), sizeof p);
            changes.push_back(p);
            return 1;
        }
        if (*message == MSG_VAR(is_single_winner_in_session)) {
            *static_cast<uint8_t *>(msg_arg(0)->get_ptr()) = single_winner ? 1 : 0;
            if (single_winner)
                *static_cast<player_info **>(msg_arg(1)->get_ptr()) = &records[0];
            return 1;
        }
        return 0;
    }
    player_info records[MAX_PLAYERS];
    int32_t leftmost = 0;
    bool single_winner = false;
    std::vector<np_change_player_info> changes;
};

// The set-up location as the movie loader loads it: a script of its own, with a template of
// its own, run while the screen is being made.
class location_stub_c : public abstract_c
{
public:
    explicit location_stub_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(load_command_location)) {
            scripts_c::instance()->execute_script(
                ("scripts/" + std::string(msg_arg(0)->get_const_pchar()) + ".isc").c_str(), this, 0);
            ++loaded;
        }
        return 0;
    }
    int loaded = 0;
};

std::string text_of(const char *value) { return std::string(value, strnlen(value, 64)); }

int32_t int_of(const char *value)
{
    int32_t v;
    std::memcpy(&v, value, sizeof v);
    return v;
}

class command_screen_test : public stored_screen_test
{
protected:
    void SetUp() override
    {
        stored_screen_test::SetUp();
        put_source("data/scripts/screen_command.isc", "scripts/screen_command.isc");
        put_source("data/scripts/window_credit.isc", "scripts/window_credit.isc");
        put_script("screen_main", "create screen_clean { string name = \"menu\"; };\n");
        put_script("screen_client", "create screen_clean { string name = \"client\"; };\n");
        put_script("player_3", "template stand_tpl { string name = \"stand\"; };\ncreate screen_clean : stand_tpl { };\n");
        location = new location_stub_c(root);
        game = new seat_game_c(root);
        recorder->heard_names = {"load_command_location", "activate", "bots_autochoice", "on_all_players_ready",
                                 "load_screen"};
    }
    screen_command *open()
    {
        load("screen_command");
        return screen_command::instance();
    }
    std::string edit_text(const char *name)
    {
        edit *e = find<edit>(name);
        return e ? e->text() : "(missing)";
    }
    int update(int slot) { return send("update_appearance", MSG_ARG(slot)); }
    // What an edit announces after a key, sent from the edit itself.
    void edit_reports(const char *name)
    {
        edit *e = find<edit>(name);
        ASSERT_NE(e, nullptr) << name;
        e->message(MSG_VAR(edit_changed), MSGF_NO_CHILDREN | MSGF_TO_PARENTS | MSGF_NO_SELF, e,
                   MSG_ARG(value_c(name, value_c::STRING)), MSG_ARGS_END);
    }
    // A pick in a list, as the history control reports it.
    void list_picks(const char *name, int item)
    {
        send("select_item", value_c(name, value_c::STRING), MSG_ARG(item));
        send("history_item_selected", value_c(name, value_c::STRING));
    }
    std::vector<np_change_player_info> take_changes()
    {
        std::vector<np_change_player_info> out;
        out.swap(game->changes);
        return out;
    }
    lines heard_activations()
    {
        lines out;
        for (const std::string &s : take_heard())
            if (s.rfind("activate ", 0) == 0)
                out.push_back(s.substr(9));
        return out;
    }
    void put_history(const std::vector<hiscore_entry> &entries)
    {
        registry.put("History", score_table_value(entries.data(), int(entries.size())));
    }

    seat_game_c *game = nullptr;
    location_stub_c *location = nullptr;
};

TEST_F(command_screen_test, one_screen_at_a_time_until_the_first_is_shut_down)
{
    screen_command *first = open();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(live_child_of_container<screen_command>(), first);
    try {
        m_scripts->execute_script("scripts/screen_command.isc", container, 0);
        ADD_FAILURE() << "a second screen was made";
    } catch (const exception_c &e) {
        EXPECT_EQ(e.get_message(), "Screen command exists already!");
    }
    EXPECT_EQ(screen_command::instance(), first);

    load("screen_main");
    EXPECT_EQ(screen_command::instance(), nullptr) << "the screen's shutdown clears the reference";
    screen_command *again = open();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, first);
}

TEST_F(command_screen_test, created_with_the_set_up_location_and_seats_in_creation_order)
{
    screen_command *screen = open();
    ASSERT_NE(screen, nullptr);
    const lines heard = take_heard();
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard[1], "load_command_location player_3");
    EXPECT_EQ(heard[2], "activate sound_menu 1");
    EXPECT_EQ(location->loaded, 1) << "the location's script ended before the seats were made";

    EXPECT_EQ(screen->button_count(), 7);
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(n);
        const std::string name = "portr0" + std::to_string(n);
        complex_button *seat = find<complex_button>(name.c_str());
        ASSERT_NE(seat, nullptr);
        EXPECT_EQ(seat->slot(), n - 1);
        EXPECT_EQ(screen->seat_button(n - 1), seat);
        EXPECT_EQ(seat->portrait_nmb(), int(game->records[n - 1].portr_nmb)) << "the seat shows its slot's record";
    }

    // A ninth seat has no slot to get.
    complex_button *extra = new complex_button(screen, &find<complex_button>("portr08")->attributes());
    EXPECT_EQ(extra->slot(), -1);
    EXPECT_EQ(screen->button_count(), 7);
}

TEST_F(command_screen_test, the_autochecker_selects_this_pcs_first_player)
{
    const struct
    {
        int32_t leftmost;
        const char *checked; // the seat checked, null for none
    } cases[] = {{0, "portr01"}, {5, "portr06"}, {-1, nullptr}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.leftmost);
        game->leftmost = c.leftmost;
        screen_command *screen = open();
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(screen->selected_slot(), c.checked ? c.leftmost : -1);
        for (int n = 1; n <= 8; ++n) {
            const std::string name = "portr0" + std::to_string(n);
            EXPECT_EQ(find<complex_button>(name.c_str())->has(button::BUTTON_ACTIVE), c.checked && name == c.checked)
                << name;
        }
        if (c.checked)
            EXPECT_EQ(edit_text("name_hist"), game->records[c.leftmost].name);
        else
            EXPECT_EQ(edit_text("name_hist"), "") << "without a player of this PC the editor stays empty";
        load("");
    }
}

TEST_F(command_screen_test, checking_a_seat_selects_it_and_shows_its_player)
{
    game->leftmost = -1;
    screen_command *screen = open();
    ASSERT_NE(screen, nullptr);
    game->records[4].portr_nmb = 17;
    take_heard();
    EXPECT_EQ(send("emul_click", value_c("portr05", value_c::STRING)), 1);
    EXPECT_EQ(screen->selected_slot(), 4);
    EXPECT_EQ(edit_text("name_hist"), "Player 4");
    EXPECT_EQ(edit_text("age_edit"), "24");
    EXPECT_EQ(edit_text("intellect_edit"), "54") << "the initial values, not the round's";
    EXPECT_EQ(edit_text("pulse_edit"), "64");
    // Character 0, health 1, job 4, hobby 3: the lists show their items.
    EXPECT_EQ(edit_text("character_hist"), "\xc4\xe8\xef\xeb\xee\xec\xe0\xf2");
    EXPECT_EQ(find<history_control>("job_hist")->selected(), 4);
    EXPECT_EQ(find<history_control>("hobby_hist")->selected(), 3);
    EXPECT_EQ(find<history_control>("health_hist")->selected(), 1);

    lines expected;
    for (int i = 0; i < 24; ++i)
        expected.push_back("revealer" + std::to_string(i) + " 0");
    expected.insert(expected.end(), {"revealer17 1", "round_players 1", "cam_player17 1"});
    EXPECT_EQ(heard_activations(), expected) << "exactly one revealer ends up on";

    // A checked button of any other name changes nothing.
    for (const char *other : {"portr09", "portr00", "portr5", "ready_or_not", "portr05 "}) {
        SCOPED_TRACE(other);
        screen->message(MSG_VAR(butt_checked), MSGF_NO_CHILDREN, nullptr, MSG_ARG(1),
                        MSG_ARG(value_c(other, value_c::STRING)), MSG_ARGS_END);
        EXPECT_EQ(screen->selected_slot(), 4);
        EXPECT_TRUE(heard_activations().empty());
    }
}

TEST_F(command_screen_test, a_computer_players_editor_is_closed_but_for_the_intellect)
{
    game->records[2].m_is_man = 1;
    game->records[3].m_is_man = 0;
    game->records[6].m_is_man = 2; // only 1 means a human
    screen_command *screen = open();
    ASSERT_NE(screen, nullptr);
    const char *const closing[] = {"name_hist", "character_hist", "health_hist", "job_hist", "hobby_hist"};
    const char *const closing_edits[] = {"age_edit", "pulse_edit"};
    const struct
    {
        const char *seat;
        bool open_editor;
    } cases[] = {{"portr04", false}, {"portr03", true}, {"portr07", false}};
    for (const auto &[seat, open_editor] : cases) {
        SCOPED_TRACE(seat);
        send("emul_click", value_c(seat, value_c::STRING));
        for (const char *name : closing) {
            history_control *c = find<history_control>(name);
            EXPECT_EQ(c->is_enabled(), open_editor ? 1 : 0) << name;
            EXPECT_EQ(c->button()->enabled(), open_editor ? 1 : 0) << name;
        }
        EXPECT_EQ(find<hiscore_history>("name_hist")->edit_field()->is_enabled(), open_editor ? 1 : 0);
        for (const char *name : closing_edits)
            EXPECT_EQ(find<edit>(name)->is_enabled(), open_editor ? 1 : 0) << name;
        EXPECT_EQ(find<edit>("intellect_edit")->is_enabled(), 1);
    }
}

TEST_F(command_screen_test, every_edit_is_a_change_request_and_the_editor_waits_for_the_game)
{
    game->leftmost = 1;
    game->records[1].m_is_man = 1;
    screen_command *screen = open();
    ASSERT_NE(screen, nullptr);
    take_changes();
    int32_t address = 0;
    send("get_short_address", MSG_ARG((void *)&address));

    const struct
    {
        const char *control;
        int32_t kind;
        const char *text; // null: a list, picking item 2
    } cases[] = {
        {"name_hist", 4, "\xc2\xe5\xf0\xe0"}, {"age_edit", 5, "33"},         {"character_hist", 6, nullptr},
        {"health_hist", 7, nullptr},          {"job_hist", 8, nullptr},       {"intellect_edit", 9, "91"},
        {"hobby_hist", 10, nullptr},          {"pulse_edit", 11, "120"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.control);
        if (c.text) {
            send("named_edit_set_text", value_c(c.control, value_c::STRING), value_c(c.text, value_c::STRING));
            edit_reports(c.control);
        } else {
            list_picks(c.control, 2);
        }
        const auto changes = take_changes();
        ASSERT_EQ(changes.size(), 1u);
        const np_change_player_info &p = changes[0];
        EXPECT_EQ(p.header.length, 532);
        EXPECT_EQ(p.header.type, 3);
        EXPECT_EQ(p.slot, 1);
        EXPECT_EQ(p.address, address);
        EXPECT_EQ(p.code, c.kind);
        if (c.text)
            EXPECT_EQ(text_of(p.value), c.text);
        else
            EXPECT_EQ(int_of(p.value), 2);
    }
    EXPECT_EQ(edit_text("age_edit"), "33") << "nothing refreshed the editor";

    // Only the selected slot's update refreshes it.
    game->records[1].age = 44;
    game->records[2].age = 55;
    EXPECT_EQ(update(2), 1) << "the seat of slot 2 takes it";
    EXPECT_EQ(edit_text("age_edit"), "33");
    EXPECT_EQ(update(1), 1);
    EXPECT_EQ(edit_text("age_edit"), "44");
    EXPECT_EQ(edit_text("name_hist"), "Player 1");

    // An edit that is no field of the player (the credit window's) asks nothing.
    ASSERT_NE(find<edit>("take_edit"), nullptr);
    edit_reports("take_edit");
    send("history_item_selected", value_c("take_edit", value_c::STRING));
    EXPECT_TRUE(take_changes().empty());
}

TEST_F(command_screen_test, the_history_table_offers_its_names_and_the_most_recent_is_taken)
{
    hiscore_entry recent = score_entry("Recent One", 700, 35);
    recent.m_job = 6;
    recent.m_hobby = 5;
    recent.m_intellect = 88;
    recent.m_pulse = 99;
    recent.m_health = 2;
    recent.m_portr_nmb = 21;
    recent.m_character = 3;
    hiscore_entry older = score_entry(std::string(127, 'x').c_str(), -20, 61);
    older.m_character = 1; // in range, or the packet check drops the record
    put_history({recent, older});
    game->leftmost = 2;
    screen_command *screen = open();
    ASSERT_NE(screen, nullptr);

    history_list_c *names = find<hiscore_history>("name_hist")->list();
    EXPECT_STREQ(names->slot(0), "Recent One") << "the most recent on top";
    EXPECT_EQ(std::string(names->slot(1)), std::string(99, 'x')) << "as far as a list row holds";
    EXPECT_STREQ(names->slot(2), "");

    auto changes = take_changes();
    ASSERT_EQ(changes.size(), 1u) << "the selected player took the most recent entry";
    player_info expected = game->records[2];
    player_info_set_name(expected, "Recent One");
    expected.job = 6;
    expected.hobby = 5;
    expected.m_account = 700;
    expected.intellect = 88;
    expected.health = 2;
    expected.portr_nmb = 21;
    expected.age = 35;
    expected.character = 3;
    EXPECT_EQ(changes[0].code, 0);
    EXPECT_EQ(changes[0].slot, 2);
    EXPECT_EQ(std::memcmp(changes[0].value, &expected, sizeof expected), 0) << "the pulse and the rest stay";

    // The older entry's name is longer than a record's: it is cut to fit.
    EXPECT_EQ(send("hiscore_item_selected", value_c("name_hist", value_c::STRING), MSG_ARG(1)), 1);
    changes = take_changes();
    ASSERT_EQ(changes.size(), 1u);
    player_info taken;
    std::memcpy(&taken, changes[0].value, sizeof taken);
    EXPECT_EQ(std::string(taken.name, strnlen(taken.name, sizeof taken.name)), std::string(49, 'x'));
    EXPECT_EQ(int(taken.m_account), -20);
    EXPECT_EQ(int(taken.age), 61);

    // Beyond the entries read there is nothing to take.
    for (int k : {2, 5, -1}) {
        SCOPED_TRACE(k);
        EXPECT_EQ(send("hiscore_item_selected", value_c("name_hist", value_c::STRING), MSG_ARG(k)), 1);
        EXPECT_TRUE(take_changes().empty());
    }
}

TEST_F(command_screen_test, an_empty_history_adds_no_name_and_asks_no_change)
{
    screen_command *screen = open();
    ASSERT_NE(screen, nullptr);
    EXPECT_STREQ(find<hiscore_history>("name_hist")->list()->slot(0), "");
    EXPECT_TRUE(take_changes().empty());
    EXPECT_NE(find<window_credit>("window_credit"), nullptr) << "the credit window comes with the screen";
    EXPECT_NE(find<window_exit>("window_exit"), nullptr);
}

TEST_F(command_screen_test, buttons)
{
    game->leftmost = 3;
    screen_command *screen = open();
    ASSERT_NE(screen, nullptr);
    take_heard();
    take_changes();

    EXPECT_EQ(press("left_arrow"), 0);
    EXPECT_EQ(press("right_arrow"), 0);
    const auto changes = take_changes();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].code, 3);
    EXPECT_EQ(changes[0].slot, 3);
    EXPECT_EQ(int_of(changes[0].value), -1);
    EXPECT_EQ(int_of(changes[1].value), 1);

    press("autochoice");
    EXPECT_EQ(take_heard(), lines{"bots_autochoice"});

    press("start_game");
    EXPECT_EQ(take_heard(), lines{"on_all_players_ready"});
    window_credit *credit = find<window_credit>("window_credit");
    ASSERT_NE(credit, nullptr);
    EXPECT_FALSE(credit->is_visible());
    game->single_winner = true;
    game->records[0].m_account = 4321;
    press("start_game");
    EXPECT_TRUE(take_heard().empty()) << "a single winner is asked for the credit first";
    EXPECT_TRUE(credit->is_visible());
    EXPECT_EQ(std::string(find<static_text>("your_score", credit)->line_text(0)), "4321");

    EXPECT_EQ(send("on_round_started"), 0);
    EXPECT_EQ(send("close_screen_command"), 1);
    EXPECT_EQ(take_heard(), lines{"load_screen screen_client"});
    EXPECT_EQ(screen_command::instance(), nullptr);

    open();
    take_heard();
    EXPECT_EQ(press("back"), 1);
    EXPECT_EQ(take_heard(), lines{"load_screen screen_main"});
    EXPECT_EQ(screen_command::instance(), nullptr);
}

// On a client PC the requests go to the server as they are: with no seat selected the arrows
// send nothing, while a field's change carries the slot -1 for the server to refuse.
class command_screen_lan_test : public command_screen_test
{
protected:
    void SetUp() override
    {
        // Before the network manager opens its socket.
        no_network = net_lab::enter_private_network();
        command_screen_test::SetUp();
    }
    std::string no_network;
};

TEST_F(command_screen_lan_test, without_a_selected_seat_only_field_changes_go_out)
{
    if (!no_network.empty())
        NET_LAB_SKIP(no_network);
    net_manager *manager = get_net_manager();
    manager->set_announce_address("127.0.0.99");
    start_net_client("setup");
    lan_server_s server(2);
    server.announce("quiz");
    tick_by(1.0, 1.0);
    ASSERT_TRUE(connect_to_host(0));
    server.seat(manager);
    tick_by(1.1, 0.1);
    server.received();

    game->leftmost = -1;
    ASSERT_NE(open(), nullptr);
    press("left_arrow");
    press("right_arrow");
    send("named_edit_set_text", value_c("pulse_edit", value_c::STRING), value_c("70", value_c::STRING));
    edit_reports("pulse_edit");
    const std::vector<bytes_t> sent = server.received();
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].size(), 532u);
    np_change_player_info p;
    std::memcpy(&p, sent[0].data(), sizeof p);
    EXPECT_EQ(p.slot, -1);
    EXPECT_EQ(p.code, 11);
    EXPECT_EQ(text_of(p.value), "70");
}

} // namespace
