// The player set-up screen and its autochecker.
//
// screen_command (script class "screen_command", a screen_base_c): the eight seats of a game
// before it starts, on one PC or on every PC of a network game. The seats are complex_buttons
// whose button_id is "portr01" .. "portr08"; the editor shows the selected seat's player in
// the controls "name_hist" (a hiscore_history), "age_edit", "intellect_edit", "pulse_edit"
// (edits), "character_hist", "health_hist", "job_hist", "hobby_hist" (history controls whose
// items are the coded values 0, 1, ...), plus the buttons "left_arrow", "right_arrow",
// "autochoice", "start_game" and "back".
//
// The screen never changes a record itself. Every edit becomes a 532-byte change request
// (LAN packet type 3: the selected slot, this PC's short address, the kind of change and its
// data) handed to send_net_message; the editor shows the record again only when the game
// announces update_appearance for the selected slot. One screen_command lives at a time: a
// second raises "Screen command exists already!" until on_shutdown of the first.
//
// Creation: load_command_location "player_3" and activate "sound_menu" 1 to the root.
// Messages (to the root unless said; to itself means to its controls below):
//   butt_pressed "left_arrow" / "right_arrow": change kind 3 with -1 / +1, only while a slot is
//     selected; "autochoice": bots_autochoice; "start_game": is_single_winner_in_session, then
//     show_credit_window with the winner or on_all_players_ready; "back": load_screen
//     "screen_main" (1). Then the base.
//   butt_checked (group, "portr<nn>"): seat nn - 1 becomes the selected slot, the editor is
//     refreshed. Then the base.
//   create_cmplx_btn PTR int, PTR player_info (from a seat as it is made): the seat gets the
//     next slot (0, 1, 2 ... in the order of creation) and that slot's record. Then the base.
//   update_appearance INT slot: the selected slot's refreshes the editor (0).
//   edit_changed / history_item_selected (name of an editor control): the change of that field
//     (kinds 4 to 11, the text or selected item read from the control). Then the base.
//   hiscore_item_selected (name, INT k): the selected seat takes entry k of the "History" table
//     (name, job, hobby, score as account, intellect, health, portrait, age, character) as a
//     whole new record (kind 0); an entry beyond those read sends nothing (1).
//   close_screen_command: load_screen "screen_client" (1). on_round_started: nothing (0).
//   render: sorts its children by priority (0).
//   creation_finished: the names of "History" (at most five) go into "name_hist", the most
//     recent last; with at least one, the selected seat takes the most recent entry; then
//     "scripts/window_credit.isc" under the screen, then the base (the exit window).
// The editor refresh asks get_player_info for the selected slot, sets the four edits (name,
// age, initial intellect and pulse), enables the controls but "intellect_edit" for a human
// and disables them for a computer player, selects the four coded values, and in the
// location turns "revealer0".."revealer23" off and the portrait's on, then activates
// "round_players" and "cam_player<portrait>".
//
// autochecker (script class "autochecker"): when made, clicks (emul_click) the seat
// "portr<nn>" of this PC's first player (get_my_leftmost_player_nmb; "portr00" for none, which
// no seat has), then shuts itself down.
#pragma once

#include <cstdint>

#include "net/net_packets.h"
#include "ui/ui_screen_base.h"

struct player_info;
struct hiscore_entry;

class screen_command : public screen_base_c
{
public:
    static constexpr int SEAT_BUTTONS = 8;
    // History entries read at most.
    static constexpr int HISTORY_READ = 5;

    screen_command(abstract_c *parent, const attribute_list_c *attributes);
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    // The live screen, null when none.
    static screen_command *instance() { return m_instance; }
    int32_t selected_slot() const { return m_selected_slot; }
    int32_t button_count() const { return m_button_nmb; }
    abstract_c *seat_button(int i) const { return m_buttons[i]; }

private:
    // A request for the selected slot with this PC's address and the kind; data zeroed.
    np_change_player_info start_change(int32_t kind);
    void refresh_editor();
    void change_field(const char *control);
    void take_history_entry(int k);
    void preload();
    // At most HISTORY_READ entries of "History", most recent first; the count read.
    int read_history(hiscore_entry *entries);
    void start_game();

    int32_t m_button_nmb;
    int32_t m_selected_slot;
    abstract_c *m_buttons[SEAT_BUTTONS];

    static screen_command *m_instance;
};

class autochecker : public abstract_c
{
public:
    autochecker(abstract_c *parent, const attribute_list_c *attributes);
    void on_shutdown() override {}
};
