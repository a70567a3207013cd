// The votes after rounds 2 and 3 and the announcement of a player leaving the game.
#include "game/game_disp.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "basics/console_log.h"
#include "game/game_timers.h"
#include "game/prompts.h"
#include "game/vote_generator.h"
#include "game/vote_target_chooser.h"
#include "net/net_manager.h"
#include "net/net_packets.h"

namespace {

// The slot a vote names when its model number belongs to no seat in the game.
constexpr int32_t NO_SLOT = 8;
// The final's winner is announced and stays.
constexpr int32_t FINAL_ROUND = 7;

std::string name_of(const player_info &p) { return std::string(p.name, strnlen(p.name, sizeof p.name)); }

template <class T> T &out(unsigned index) { return *(T *)msg_arg(index)->get_ptr(); }

} // namespace

int game_disp::leaving_slot_by_votes(bool &all_voted) const
{
    all_voted = true;
    int votes[MAX_PLAYERS] = {};
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        if (!seat(slot).m_in_game)
            continue;
        const int target = seat(slot).m_vote_target;
        if (target == -1)
            all_voted = false;
        else if (slot_valid(target))
            ++votes[target];
    }
    int leaving = -1;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        if (seat(slot).m_in_game && (leaving == -1 || votes[slot] > votes[leaving]))
            leaving = slot;
    return leaving;
}

void game_disp::create_vote_manager()
{
    // Every PC goes on after every confirmed vote, its own players' and the others'. The next
    // voter is therefore this PC's first human who has not voted yet (after one of its own votes
    // the one above him), and he has one chooser: another PC's vote, which hid the vote screen,
    // gives him a fresh one instead of a second, and one who has voted gets none, nor one whose
    // vote is on its way to the server and back.
    for (abstract_c *c = first_child(); c; c = c->next_sibling())
        if (c->alive() && dynamic_cast<vote_target_chooser_c *>(c))
            c->shutdown_tree();
    int model = 0;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        if (!seat(slot).m_in_game)
            continue;
        const int voter_model = model++;
        if (seat(slot).m_is_man != 1 || seat(slot).m_vote_target != -1 || (m_votes_sent >> slot & 1))
            continue;
        if (seat(slot).m_owner_address != own_short_address())
            continue;
        const std::string hint = vote_prompt(name_of(seat(slot)).c_str());
        root()->message(MSG_VAR(set_hint), 0, this, value_c(hint.c_str(), value_c::STRING), MSG_ARGS_END);
        const int offered = model_nmb_of_slot(lowest_account_slot_except(slot));
        new vote_target_chooser_c(this, slot, voter_model, offered);
        return;
    }
}

bool game_disp::vote_unconfirmed(int voter) const
{
    return m_vote_open && slot_valid(voter) && (m_votes_sent >> voter & 1) && seat(voter).m_vote_target == -1;
}

void game_disp::send_vote(int voter, int target)
{
    np_vote vote;
    std::memset(&vote, 0, sizeof vote);
    vote.header = {sizeof vote, NP_VOTE};
    vote.target = target;
    vote.voter = voter;
    send_net_message(&vote);
    // This PC's own server confirms it before the send returns; a client's vote waits for the
    // server's confirmation, the leaving player or the next round.
    if (slot_valid(target) && vote_unconfirmed(voter))
        new resend_timer_c(this, MSG_VAR(resend_vote), voter, target);
}

void game_disp::end_vote_when_all_voted()
{
    if (!m_vote_open)
        return;
    bool all_voted = false;
    const int leaving = leaving_slot_by_votes(all_voted);
    if (all_voted && leaving >= 0)
        send_leaving(leaving);
}

void game_disp::vote_for_new_computer(int slot)
{
    if (!m_vote_open || !seat(slot).m_in_game || seat(slot).m_is_man == 1 || seat(slot).m_vote_target != -1)
        return;
    // The generator votes for every computer player; the others keep the votes they have.
    player_info seats[MAX_PLAYERS];
    std::memcpy(seats, m_session.m_players, sizeof seats);
    new vote_generator_c(this, seats);
    seat(slot).m_vote_target = seats[slot].m_vote_target;
}

void game_disp::announce_leaving(int slot)
{
    m_vote_open = 0;
    // A slot out of the game has no model and no pillar to slide out.
    const int model = model_nmb_of_slot(slot);
    if (model < 0)
        return;
    const int32_t round = m_session.m_round;
    const std::string text = leaving_text(round, name_of(seat(slot)).c_str());
    char pillar[32];
    std::snprintf(pillar, sizeof pillar, "pillar%d_slideout_go", model);
    root()->message(MSG_VAR(load_screen), 0, this, value_c("screen_clean", value_c::STRING), MSG_ARGS_END);
    root()->message(MSG_VAR(set_hint), 0, this, value_c(text.c_str(), value_c::STRING), MSG_ARGS_END);
    root()->message(MSG_VAR(activate), 0, this, value_c(pillar, value_c::STRING), MSG_ARG(1), MSG_ARGS_END);
    if (round != FINAL_ROUND) {
        seat(slot).m_in_game = 0;
        seat(slot).m_excluded_round = round;
    }
}

int game_disp::handle_vote_message(const msg_c *message)
{
    if (*message == MSG_VAR(generate_bot_votes)) {
        m_vote_open = 1;
        m_votes_sent = 0;
        // A vote needs someone to vote against; a server that calls one with a single seat in
        // the game is not followed.
        if (slot_of_model_nmb(1) < 0) {
            print_message("A vote with fewer than two players in the game: no computer player votes\n");
            return 0;
        }
        new vote_generator_c(this, m_session.m_players);
        return 0;
    }
    if (*message == MSG_VAR(create_vote_manager)) {
        create_vote_manager();
        return 1;
    }
    if (*message == MSG_VAR(send_vote_message)) {
        const int target = slot_of_model_nmb(msg_arg(1)->get_int());
        const int voter = msg_arg(0)->get_int();
        if (slot_valid(voter) && target >= 0)
            m_votes_sent |= (uint8_t)(1u << voter);
        send_vote(voter, target < 0 ? NO_SLOT : target);
        // The server counts no vote against nobody, and the chooser that sent it is gone: the
        // voter chooses again, or his vote could never be cast.
        if (target < 0 && m_vote_open)
            create_vote_manager();
        return 1;
    }
    if (*message == MSG_VAR(resend_vote)) {
        if (vote_unconfirmed(msg_arg(0)->get_int()) && slot_valid(msg_arg(1)->get_int()))
            send_vote(msg_arg(0)->get_int(), msg_arg(1)->get_int());
        return 1;
    }
    if (*message == MSG_VAR(vote_target_selected)) {
        const int slot = slot_of_model_nmb(msg_arg(0)->get_int());
        if (slot >= 0) {
            const int last = seat(slot).m_last_vote;
            const std::string against = slot_valid(last) ? name_of(seat(last)) : std::string(TEXT_NO_DATA);
            root()->message(MSG_VAR(update_voter_info), 0, this, MSG_ARG((void *)&seat(slot)),
                            value_c(against.c_str(), value_c::STRING), MSG_ARGS_END);
        }
        return 0;
    }
    if (*message == MSG_VAR(vote_confirmed)) {
        np_vote_confirmed vote;
        std::memcpy(&vote, msg_arg(0)->get_ptr(), sizeof vote);
        // The server confirms a vote it holds again to a client that sent it again: a
        // confirmation that was only late comes twice, and the second would take the next
        // voter's chooser away from him.
        if (slot_valid(vote.voter) && seat(vote.voter).m_vote_target == vote.target)
            return 1;
        root()->message(MSG_VAR(reset_voter_info), 0, this, MSG_ARGS_END);
        root()->message(MSG_VAR(hide_vote_screen), 0, this, MSG_ARGS_END);
        // The receive loop passes only slots 0..7; the check stays for any other sender.
        if (slot_valid(vote.voter)) {
            seat(vote.voter).m_vote_target = vote.target;
            create_vote_manager();
        }
        return 1;
    }
    if (*message == MSG_VAR(check_all_voted)) {
        bool all_voted = false;
        const int leaving = leaving_slot_by_votes(all_voted);
        all_voted = all_voted && m_vote_open;
        out<uint8_t>(0) = all_voted ? 1 : 0;
        if (all_voted)
            out<int32_t>(1) = leaving;
        return 1;
    }
    if (*message == MSG_VAR(mark_excluded_player)) {
        announce_leaving(msg_arg(0)->get_int());
        return 1;
    }
    return 0;
}
