// The screen of a running round and its clock.
//
// screen_game (script class "screen_game", a screen_base_c) keeps no state: the game and the
// network layer drive it, and what it shows lives in the controls of its script. Once its
// script has made its controls (creation_finished) it asks the root for the eight seats (get_player_info INT slot, PTR player_info) and sets the
// statics "rating_static_1".."rating_static_8" to "<name> -- <account>", then the session
// (get_session_info PTR session_info) and sets "bank_static" to "Bank = <bank>"; later accounts
// reach the edits "account_edit" and "bank_edit". Messages (sends to "itself" reach its
// controls):
//   butt_pressed "select_opponent"   on_opponent_selected to the root (1)
//   remove_question_n_answers        both flashes off, the answer menu unhighlighted and
//                                    cleared, the question emptied (1)
//   on_round_started                 show_named 0 "game_background" and "selector_field" to the
//                                    root (0)
//   question text, -, -, INT n       show_named 1 "game_background", 0 "selector_field", 0
//                                    "big_field_for_answers" to the root; the text split at
//                                    every '_': the first piece into "question_multi_static",
//                                    the next n into the items 0..n-1 of "answer_menu" (fewer
//                                    when the text has fewer pieces)
//   simulate_question text           flashes off, disable_menu, the text as the question, the
//                                    four first items empty
//   react_on_answer INT item, INT right, INT model   disable_menu; "right_flash" (right) or
//                                    "wrong_flash" to state 1; activate "lamp_green<model>_relay"
//                                    or "lamp_red<model>_relay" (INT 1) to the root; the item
//                                    highlighted; get_rating_n_bank to the root and the two
//                                    numbers into "account_edit" and "bank_edit" by the root
//   round_is_over                    shuts the screen down with everything below it (1)
//   menu_clicked "answer_menu", INT item   sends the 16-byte answer packet (type 12: the item
//                                    and this PC's get_short_address) with send_net_message;
//                                    the server judges whether it counts
//   update_round_statistics          taken, nothing done (1)
//   update_voter_info PTR player_info, text   the voter card (ui/ui_voter_card.h) with the
//                                    round's intellect and pulse and "selector_rating_edit" for
//                                    the account (0)
//   reset_voter_info                 the voter card emptied
//   char 25 (Esc)                    request_back to the root
// Everything else, and the messages above unless their result is given, then go to the base.
//
// round_clock (script class "round_clock", a static_text): on every render asks the root
// get_round_time (PTR double, 0.0 when nobody answers) and, when the whole seconds differ
// from those last shown, shows the time as "MM:SS" (more digits past 99 minutes); a time
// below zero, or one that is not a number, shows "00:00". Then draws as a static text.
#pragma once

#include "ui/ui_screen_base.h"
#include "ui/ui_text_static.h"

#include <string>

class screen_game : public screen_base_c
{
public:
    using screen_base_c::screen_base_c;
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void show_ratings();
    void show_question(const char *text, int answers);
    void simulate_question(const char *text);
    void react_on_answer(int item, bool right, int model);
    void clear_question();
};

class round_clock : public static_text
{
public:
    round_clock(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    double last_shown() const { return m_last_time; }

private:
    double m_last_time;
};

// The clock's text for a time in seconds: "MM:SS", whole seconds truncated toward zero.
std::string round_clock_text(double seconds);
