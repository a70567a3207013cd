// game_disp ("game_disp"): the one object that runs the quiz. It owns the eight seats (slots
// 0 to 7, each a player_info) inside the session information that a server sends to joining
// PCs, the topics of the current round and the state of the round. Every PC of a network
// game runs one; the server's drives the game and the others follow the session messages
// their network receive loop turns back into messages to it.
//
// Seats are named by slot here; the location, the screens and the LAN packets name them by
// model number, a seat's position among the seats still in the game (m_in_game), counted from
// 0 in slot order. Slot 0 is the human seat of the PC that created the session and is never
// switched to a computer player.
//
// Construction sets the seats up: every seat is owned by this PC (its short address, asked of
// the root with get_short_address) and filled from the player store (random_fill to the root)
// with a portrait no lower slot has; then slot 0 becomes this PC's human seat, named
// "Igrok1" in cp1251. When the store cannot give eight different portraits the seats keep
// what a bounded number of tries found.
//
// A set-up change (change_player_info, from any PC's packet) never leaves a seat with a value
// the round start refuses: an intellect outside 0..100 or a pulse outside 40..100 is not taken;
// the seat is then sent as it stands, unless more typed digits can still make the number valid
// (then nothing is sent, as for an empty text); a character, health, job or hobby outside its list
// is not taken either (the seat is sent as it is); a whole seat must have a health of 0..2, a
// character of 0..3, a job and a hobby of their lists and a portrait of the store, and gives
// the seat only its description and account (the owner, the flags, the votes and the round's
// values stay as this PC holds them).
//
// While a game is on (from the first round start this PC takes until the game's end) a set-up
// change changes nothing and starts nothing (logged once a game), the start of a game is not
// taken again, and a round start other than the next round's is refused (logged): a second
// round 1 would run its steps beside the game's, and its location would ask for seats that
// have left.
//
// A lost PC (replace_lost_players from the network manager, PTR int32 address): its seats
// become this PC's computer players on every PC, and a step already put to one of them and not
// answered is answered by the computer player. A lost server (server_lost): the game ends, the
// seats are set up afresh as at construction, and the main menu shows in its hint line that the
// connection to the server is lost ("\xD1\xE2\xFF\xE7\xFC \xF1 \xF1\xE5\xF0\xE2\xE5\xF0\xEE\xEC
// \xEF\xEE\xF2\xE5\xF0\xFF\xED\xE0").
//
// On a client the seats come from the server (set_session_info, player_info_updated): a seat
// record with a value the set-up would not take keeps the seat as this PC holds it, so that a
// faulty server cannot end this PC's game at the round start or on a card.
//
// The messages of the seats and queries are handled in game_disp.cpp; each other part of the
// game's handling lives in a game_disp_<topic>.cpp of its own. Scoring, condition and the
// computer players' choices are plain member functions that the game flow calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "game/player_info.h"
#include "game/questions.h"
#include "kernel/abstract.h"
#include "net/net_packets.h"

// A set-up change as LAN packet type 3 carries it (after the packet header).
enum : int32_t {
    CHANGE_WHOLE_SEAT = 0,
    CHANGE_MAN_BOT = 1,
    CHANGE_READY = 2,
    CHANGE_PORTRAIT = 3,
    CHANGE_NAME = 4,
    CHANGE_AGE = 5,
    CHANGE_CHARACTER = 6,
    CHANGE_HEALTH = 7,
    CHANGE_JOB = 8,
    CHANGE_INTELLECT = 9,
    CHANGE_HOBBY = 10,
    CHANGE_PULSE = 11,
};

// The set-up screen offers eight jobs and eight hobbies (codes 0..7); the cards of the vote and
// game screens have a text for each of them.
constexpr int32_t JOB_COUNT = 8;
constexpr int32_t HOBBY_COUNT = 8;

class game_disp : public abstract_c
{
public:
    game_disp(abstract_c *parent, const attribute_list_c *attributes);
    ~game_disp() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    const session_info &session() const { return m_session; }
    session_info &session() { return m_session; }
    player_info &seat(int slot) { return m_session.m_players[slot]; }
    const player_info &seat(int slot) const { return m_session.m_players[slot]; }
    bool ready() const { return m_ready != 0; }

    // ---- seats ----
    // The model number of a slot in the game, -1 for a slot out of it (or out of 0..7).
    int model_nmb_of_slot(int slot) const;
    // The slot of a model number, -1 when no seat in the game has it.
    int slot_of_model_nmb(int model_nmb) const;
    // This PC's short address as the root reports it (0 when nobody answers).
    int32_t own_short_address() const;
    // The whole set-up of construction, again: a fresh seat table.
    void setup_seats();
    void make_seat_human(int slot, int32_t owner);
    void make_seat_computer(int slot, int32_t owner, bool forced);
    // No seat has m_not_ready set; then the question counter restarts.
    bool all_ready();

    // The seat of a model number; none raises `error`.
    int checked_slot_of_model(int model_nmb, const char *error) const;
    // None of slots 1 to 7 is human.
    bool single_man_in_session() const;
    static bool slot_valid(int slot);
    // The initial values a seat may hold: the round start refuses any other.
    static bool intellect_valid(int32_t intellect);
    static bool pulse_valid(int32_t pulse);
    static bool health_valid(int32_t health);
    static bool character_valid(int32_t character);
    static bool job_valid(int32_t job);
    static bool hobby_valid(int32_t hobby);
    // Whether the player store has a description with this portrait (true with no store).
    bool portrait_in_store(int32_t portrait);
    // Whether this PC is a client of a network game: its seats come from the server.
    bool on_client() const;
    // A seat record from the server that this PC can show and play: every value one the set-up
    // takes (the portrait one of the store). Another is logged.
    bool seat_record_usable(int slot, const player_info &p);

    // ---- scoring (game_disp_scoring.cpp) ----
    // One answer of the active player: round counters, accounts, bank; then the root is told
    // update_round_statistics. A bank changed by a wrong answer or a debt gets a marker child
    // that goes with the next press_player_dead.
    void score_answer(bool right);
    // Walks over the seats in the game in slot order; ties keep the lower slot; -1 for none.
    int lowest_account_slot() const;
    int highest_account_slot() const;
    int lowest_account_slot_except(int except) const;
    // The final's early decision from the question counter: the slot that can no longer be
    // caught, or -1 to go on.
    int final_winner() const;
    // The same, and on a decision the winner is announced to all PCs (LAN packet type 11) and
    // a 10 s game-stop timer started with the winner's position among the finalists.
    bool decide_final();

    // ---- condition and computer players (game_disp_condition.cpp) ----
    // For every seat in the game at the start of round `round` (1..8): votes moved on, the
    // initial values checked (errors end the game), the round's intellect and pulse derived,
    // the round counters cleared.
    void round_start_update(int round);
    // Whether the active computer player answers right (one rand()).
    bool computer_answer_right() const;
    // A position among the offered topics (one rand()).
    static int computer_topic_choice();
    // The seat in the game other than `except` with the highest round pulse, the first in slot
    // order on ties; -1 for none. Both the computer chooser's opponent (except = the chooser)
    // and the opponent pre-selected for a human chooser (except = the active seat).
    int highest_pulse_opponent(int except) const;

    // ---- game flow (game_disp_flow.cpp) ----
    // The start of a game, the rounds, their steps (questions, topic choices, opponent
    // choices), the answers and the end of the game. The server's dispatcher decides and tells
    // every PC, itself included, through session messages; each PC's receive loop turns them
    // back into the messages below.
    //   server: on_all_players_ready, start_next_round, location_loaded, send_question,
    //           set_delay_before_next_question;
    //   every PC: on_round_started, question, simulate_question, question_step_received,
    //           question_answered, on_game_stopped.
    // The final (round 7) ends the game; the super-final (round 8) is set up by its round start,
    // its location and its steps, but nothing starts it.
    // A client learns what a question packet puts (question_step_received from its receive
    // loop: the acting model, the computer, topic-choice and first-step flags, the item count)
    // and follows the server's step counter, step kind, active seat and chooser with it, so its
    // accounts and its display stay those of the server.
    // Whether the message is one of the flow's; `result` is then its answer.
    bool handle_flow_message(const msg_c *message, int &result);

    // What a step of a round puts.
    enum step_kind_e : int32_t { STEP_NONE = 0, STEP_QUESTION, STEP_TOPIC_CHOICE, STEP_OPPONENT_CHOICE };
    step_kind_e step_kind() const { return m_step_kind; }
    int step() const { return m_step; }
    // The next slot after `slot` in the game, upward and wrapping from 7 to 0; -1 for none.
    int next_in_turn(int slot) const;
    // A game runs from its start until it ends: no human seat waits to be made ready.
    bool game_running() const;
    // A round start has been taken and the game has not ended since.
    bool game_on() const { return m_game_on; }

protected:
    // random_fill to the root until the seat's portrait differs from those of the slots in
    // [0, below) other than the seat itself (bounded: a small store cannot loop for ever).
    void fill_seat_with_own_portrait(int slot, int below);
    // The seat handed to every PC in LAN packet type 6.
    void send_seat(int slot);
    int handle_seat_message(const msg_c *message);
    void change_player_info(const np_change_player_info &request);
    void broadcast_appearance(int slot);
    // The seat that chose the active one in rounds 5 and 6: the first seat in the game below
    // the stored chooser (wrapping from 0 to 7); -1 for none.
    int previous_chooser_slot() const;
    void add_bank_marker();

    // ---- votes and a player leaving the game (game_disp_votes.cpp) ----
    // generate_bot_votes (the vote opens, the computer players' targets; 0), create_vote_manager
    // (this PC's first human in the game who has not voted, and whose vote this PC has not sent
    // in this vote, gets the one vote target chooser; 1; the INT slot of the vote just
    // confirmed is not needed for that), send_vote_message (INT voter slot, INT target model
    // number: the vote to the server; 1),
    // vote_target_selected (INT model number: the vote screen's card of that player; 0),
    // vote_confirmed (PTR vote packet from the server; 1; the vote the seat already holds
    // changes nothing), check_all_voted (PTR u8 all voted, PTR int32 leaving slot; 1),
    // mark_excluded_player (INT slot: the announcement; 1), resend_vote (INT voter slot, INT
    // target slot: the vote again while it is unconfirmed; 1).
    // 0 for every other message.
    // A vote is open on a PC from its computer players' votes (generate_bot_votes) until a
    // leaving player is announced, the next round starts or the game ends; check_all_voted
    // reports 0 outside it, so a vote that comes late never ends a vote a second time.
    // A vote sent and not confirmed 1.5 s of game time later is sent again, and again, while it
    // is unconfirmed: on a client the datagram or its confirmation may be lost, and the server
    // waits for it. A PC's own server confirms its votes at once, so it never sends one twice.
    int handle_vote_message(const msg_c *message);
    // The vote this PC sent for the voter (slot) has not come back confirmed and the vote is open.
    bool vote_unconfirmed(int voter) const;
    // The vote packet to the server (target a slot, 8 for nobody), and a timer that sends it
    // again (resend_vote) when it is not confirmed at once.
    void send_vote(int voter, int target);
    // The slot in the game with the most votes against it, the lowest of equals; -1 when no
    // seat is in the game. `all_voted` false while a seat in the game has no target.
    int leaving_slot_by_votes(bool &all_voted) const;
    void create_vote_manager();
    void announce_leaving(int slot);
    // Server: an open vote that waits for nobody any more (no human voter in the game, or the
    // last one replaced by a computer player) ends: the leaving player is announced and the next
    // round timed.
    void end_vote_when_all_voted();
    // A seat that has just become a computer player during an open vote without having voted
    // votes as the other computer players did.
    void vote_for_new_computer(int slot);

    // ---- game flow (game_disp_flow.cpp) ----
    void all_players_ready();
    void start_next_round();
    // Whether a human still plays; without one the game ends here.
    bool round_started(int round, float round_time);
    void location_loaded();
    void send_question();
    // The step counter advanced and the question packet of the active seat begun.
    np_question begin_step(step_kind_e kind, int items);
    // A human's step waits for its answer (`right_answer` the right item, -1 for a choice); a
    // computer player's is played and then answered by a watcher.
    // A server puts a step that waits for a client's human to that client alone again every
    // 1.5 s of game time (resend_step: INT step, INT the client's short address; 1) until it is
    // answered, is answered for a lost PC, or the game moves on: the client may never have
    // had it, and the server would wait for ever. The client shows a step only once.
    void send_step(const np_question &packet, bool human, int32_t right_answer);
    // A timer for resend_step when the step still waits for a client's human on a server.
    void resend_step_later(int32_t step);
    // The steps of a round; each advances the step counter and sends a question packet.
    void put_question(int topic);
    void put_topic_choice();
    void put_opponent_choice();
    // The ends of a round: the lowest account leaves, or the players vote.
    void end_round_by_account();
    void end_round_by_vote();
    // Every PC is told who leaves (LAN packet type 11), and the next round starts 8 s later.
    void send_leaving(int slot);
    // The panels a question of rounds 3 to 6 shows (show_named to the root). The game screen,
    // later in the tree, takes the same question and first hides the big answer field and the
    // opponent selector; so the panels are shown again before the next frame is drawn.
    void show_question(int model_nmb, int item_count, bool simulated);
    void show_step_panels();
    void show_panel(int visible, const char *name);
    void question_step_received(int model_nmb, bool computer, bool topic_choice, int item_count, bool first);
    void question_answered(int answer, bool right, int model_nmb, int gesture);
    // answer_sent (INT item: this PC's answer packet has gone; 1), resend_answer (INT step, INT
    // item: the answer again while the step waits for its verdict; 1).
    // On a client, this PC's answer to a step put to its player, without a verdict (type 13)
    // 1.5 s of game time later, is sent again, and again, until the verdict, the next step, the
    // vote, a leaving player, a round start or the game's end: the datagram or its verdict may
    // be lost, and the server would wait for the answer for ever. A verdict heard for a step
    // already judged changes nothing. A PC that is its own server judges its answers before the
    // send returns, so it never sends one twice.
    void answer_sent(int32_t item);
    // No answer of this PC waits for its verdict any more.
    void end_answer_wait();
    void game_stopped(int how, int model_nmb);
    // Server: a question or choice put to a human of the lost PC at `address` and not answered
    // yet is answered by the computer player now in his seat (call after the seat is replaced).
    void answer_for_lost_seat(int slot);
    // Client: the server is lost; the game ends here and the main menu says why.
    void server_lost();
    // Every seat back in the game with nothing on its account, the humans not ready, no bank.
    void reset_after_game();
    std::string seat_name(int slot) const;

    uint8_t m_no_man_left;
    // The topics of the round.
    topic_table_c m_topics;
    int32_t m_chosen_topic;
    int32_t m_offered_topics[OFFERED_TOPICS];
    int32_t m_step;
    session_info m_session;
    int32_t m_answerer_slot;
    int32_t m_chooser_slot;
    uint8_t m_ready;
    // ---- game flow ----
    step_kind_e m_step_kind = STEP_NONE;
    // The step whose answer this PC (a client) has sent without hearing its verdict; 0 for none.
    int32_t m_answer_step = 0;
    // The server's packet of the current step.
    np_question m_step_packet{};
    // ---- votes ----
    uint8_t m_vote_open = 0;
    // One bit per slot: this PC has sent that voter's vote and the server has not confirmed it
    // yet; until the next vote he gets no further chooser.
    uint8_t m_votes_sent = 0;
    // The panels of the last question, until the next frame: visible flag and name.
    std::vector<std::pair<int, std::string>> m_step_panels;
    // ---- a game in progress ----
    // From the first round start this PC takes until the game's end: set-up changes are refused
    // meanwhile, and a round start is taken only for the next round.
    bool m_game_on = false;
    // A refused set-up change is logged once a game.
    bool m_change_refusal_logged = false;
};
