// A client's game follows the server's packets, in a private network namespace: another PC on
// 127.0.0.2 plays the server of round 5 and this PC's dispatcher keeps the same steps, active
// seat, chooser, accounts and round clock as the server's.
#include "tests/game/flow/flow_fixture.h"
#include "tests/net/lab/net_lab.h"
#include "tests/net/lab/peer.h"

#include "game/vote_target_chooser.h"

#include <algorithm>
#include <functional>

namespace {

class client_flow_test : public flow_test
{
protected:
    void SetUp() override
    {
        NET_LAB_PRIVATE_OR_SKIP();
        winsock_startup();
        m_started = true;
        flow_test::SetUp();
        server.reset(new peer_s(2));
        start_net_client("Player");
        np_host_announce announce{};
        announce.header = {sizeof announce, NP_HOST_ANNOUNCE};
        server->send(&announce);
        run(1.0);
        ASSERT_TRUE(connect_to_host(0));
        // The server's seats: this PC's humans in slots 0 and 4, computer players in 2 and 6.
        np_session_joined joined = np_session_joined_new();
        joined.address = own_address();
        joined.session = disp->session();
        for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
            player_info &p = joined.session.m_players[slot];
            p.m_in_game = slot % 2 == 0;
            p.m_account = 1000 + slot;
            p.m_not_ready = 0;
        }
        joined.session.m_players[4].m_is_man = 1;
        joined.session.m_players[4].m_owner_address = own_address();
        server->send(&joined);
        run(1.0);
        ASSERT_EQ(manager->status(), NET_STATUS_CLIENT);
        ASSERT_EQ(+disp->seat(6).m_account, 1006);
    }
    void TearDown() override
    {
        server.reset();
        flow_test::TearDown();
        if (m_started)
            winsock_cleanup();
    }
    void send_question(int model, bool computer, int items, bool first)
    {
        np_question q;
        std::memset(&q, 0, sizeof q);
        q.header = {sizeof q, NP_QUESTION};
        q.computer = computer;
        q.time_parameter = 0.2f;
        q.model_nmb = model;
        q.item_count = items;
        q.first = first;
        std::strcpy(q.menu, "Q");
        server->send(&q);
        run(1.0);
    }
    void send_answered(int item, bool right, int model)
    {
        np_question_answered a = np_question_answered_new();
        a.item = item;
        a.model_nmb = model;
        a.random = 1;
        a.right = right;
        server->send(&a);
        run(1.0);
    }

    void send_scene_command(const char *command)
    {
        np_scene_command c;
        std::memset(&c, 0, sizeof c);
        c.header = {sizeof c, NP_SCENE_COMMAND};
        std::strcpy(c.command, command);
        server->send(&c);
        run(1.0);
    }
    void send_confirmed(int voter, int target)
    {
        np_vote_confirmed v = np_vote_confirmed_new();
        v.voter = voter;
        v.target = target;
        server->send(&v);
        run(1.0);
    }
    // The datagrams of the type this PC has sent to the server since the last call, as they
    // went; the others are dropped.
    std::vector<bytes_t> sent(int type) { return of_type(server->received(), type); }
    std::vector<bytes_t> vote_datagrams() { return sent(NP_VOTE); }
    // Their voter slots.
    std::vector<int> votes_sent()
    {
        std::vector<int> voters;
        for (const bytes_t &b : vote_datagrams()) {
            np_vote v;
            std::memcpy(&v, b.data(), sizeof v);
            voters.push_back(v.voter);
        }
        return voters;
    }
    // The server's human in slot 2, who votes on the server's PC.
    void seat_servers_human()
    {
        np_player_info_updated seat2;
        std::memset(&seat2, 0, sizeof seat2);
        seat2.header = {sizeof seat2, NP_PLAYER_INFO_UPDATED};
        seat2.slot = 2;
        seat2.info = disp->seat(2);
        seat2.info.m_is_man = 1;
        seat2.info.m_owner_address = server->address();
        server->send(&seat2);
        run(1.0);
        ASSERT_EQ(+disp->seat(2).m_is_man, 1);
    }
    // Game time with the server alive: its keep-alive every 0.5 s.
    void serve(double seconds)
    {
        np_keep_alive alive;
        std::memset(&alive, 0, sizeof alive);
        alive.header = {sizeof alive, NP_KEEP_ALIVE};
        for (double end = m_now + seconds; m_now < end;) {
            server->send(&alive);
            run(0.5);
        }
    }
    // A request of this PC's (a vote, an answer) that the server waits for ends, otherwise than
    // by the server's answer to it (`answers` of them heard), as the server tells it; the last
    // leaves this PC without a session.
    struct ending_s
    {
        const char *what;
        std::function<void()> end;
        int answers;
    };
    // `first`, then the endings every request has.
    std::vector<ending_s> endings_told(int request_type, std::vector<ending_s> first)
    {
        auto from_server = [this](auto packet) {
            server->send(&packet);
            run(0.25);
        };
        std::vector<ending_s> common = {
            {"the leaving player",
             [=, this] { from_server(np_mark_excluded_player{{sizeof(np_mark_excluded_player), NP_MARK_EXCLUDED_PLAYER}, 6}); },
             0},
            {"the next round",
             [=, this] {
                 from_server(np_round_started{
                     {sizeof(np_round_started), NP_ROUND_STARTED}, disp->session().m_round + 1, 180.0f});
             },
             0},
            {"the game's end",
             [=, this] { from_server(np_game_stopped{{sizeof(np_game_stopped), NP_GAME_STOPPED}, 0, 1}); }, 0},
            // Sent to nobody now: a request still going would come back to this PC itself.
            {"the server lost",
             [=, this] {
                 run(NET_PEER_TIMEOUT + 1.0);
                 sent(request_type);
             },
             0},
        };
        first.insert(first.end(), common.begin(), common.end());
        return first;
    }
    // The server starts the next round; this PC is still its client.
    void next_round_told()
    {
        np_round_started round = {{sizeof round, NP_ROUND_STARTED}, disp->session().m_round + 1, 180.0f};
        server->send(&round);
        run(0.5);
        ASSERT_EQ(manager->status(), NET_STATUS_CLIENT);
    }
    std::vector<int> choosing()
    {
        std::vector<int> voters;
        for (abstract_c *c = disp->first_child(); c; c = c->next_sibling())
            if (auto *chooser = dynamic_cast<vote_target_chooser_c *>(c); chooser && chooser->alive())
                voters.push_back(chooser->voter_slot());
        return voters;
    }

    std::unique_ptr<peer_s> server;
    bool m_started = false;
};

TEST_F(client_flow_test, a_client_counts_the_steps_and_scores_only_the_questions_as_the_server_does)
{
    np_round_started round = {{sizeof round, NP_ROUND_STARTED}, 5, 180.0f};
    server->send(&round);
    run(1.0);
    ASSERT_EQ(disp->session().m_round, 5);

    // Slot 2 (model 1) chooses slot 6 (model 3).
    send_question(1, true, 0, true);
    EXPECT_EQ(disp->step(), 1);
    EXPECT_EQ(disp->step_kind(), game_disp::STEP_OPPONENT_CHOICE);
    EXPECT_EQ(disp->session().m_active_slot, 2);
    EXPECT_EQ(disp->m_chooser_slot, 2);
    send_answered(6, false, 1);
    EXPECT_EQ(disp->session().m_active_slot, 6);
    EXPECT_EQ(disp->session().m_bank, 0);
    for (int slot : {0, 2, 4, 6})
        EXPECT_EQ(+disp->seat(slot).m_account, 1000 + slot) << "a choice scores nothing";

    // Slot 6 answers right: the stake of the round's first pair moves from the chooser.
    send_question(3, true, 4, false);
    EXPECT_EQ(disp->step(), 2);
    EXPECT_EQ(disp->step_kind(), game_disp::STEP_QUESTION);
    EXPECT_EQ(disp->m_chooser_slot, 4) << "the next chooser in turn";
    send_answered(0, true, 3);
    EXPECT_EQ(+disp->seat(6).m_account, 1306);
    EXPECT_EQ(+disp->seat(2).m_account, 702);
    EXPECT_EQ(disp->session().m_bank, 300);

    // This PC's human in slot 4 (model 2) chooses next: the clock runs until the choice arrives.
    send_question(2, false, 0, false);
    EXPECT_EQ(heard("emul_selection").size(), 1u) << "the opponent offered to this PC's chooser";
    EXPECT_EQ(disp->step(), 3);
    EXPECT_EQ(disp->session().m_active_slot, 4);
    EXPECT_EQ(disp->session().m_answer_state, 0);
    EXPECT_LT(round_time(), 180.0);
    send_answered(0, false, 2);
    const double stopped = round_time();
    run(2.0);
    EXPECT_EQ(round_time(), stopped);

    // A new round's first step starts the count again.
    send_question(0, false, 4, true);
    EXPECT_EQ(disp->step(), 1);
    EXPECT_EQ(disp->step_kind(), game_disp::STEP_QUESTION);
}

TEST_F(client_flow_test, seats_from_the_server_with_values_this_game_cannot_use_are_not_taken)
{
    // A faulty server's seat would end this PC's game at the round start, on a card or with its
    // portrait: the seat stays as this PC holds it.
    struct case_s
    {
        const char *what;
        void (*spoil)(player_info &);
    };
    const case_s cases[] = {
        {"job 8", [](player_info &p) { p.job = 8; }},
        {"hobby -1", [](player_info &p) { p.hobby = -1; }},
        {"character -1", [](player_info &p) { p.character = -1; }},
        {"health -1", [](player_info &p) { p.health = -1; }},
        {"intellect 101", [](player_info &p) { p.intellect = 101; }},
        {"pulse 39", [](player_info &p) { p.pulse = 39; }},
        {"a portrait the store lacks", [](player_info &p) { p.portr_nmb = 12; }},
        {"no portrait", [](player_info &p) { p.portr_nmb = -1; }},
    };
    const player_info held = disp->seat(2);
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.what);
        np_player_info_updated update;
        update.header = {sizeof update, NP_PLAYER_INFO_UPDATED};
        update.slot = 2;
        update.info = held;
        std::strcpy(update.info.name, "Spoilt");
        c.spoil(update.info);
        server->send(&update);
        run(0.5);
        EXPECT_EQ(std::memcmp(&disp->seat(2), &held, sizeof held), 0);
    }
    np_player_info_updated good;
    good.header = {sizeof good, NP_PLAYER_INFO_UPDATED};
    good.slot = 2;
    good.info = held;
    std::strcpy(good.info.name, "Remote");
    good.info.job = JOB_COUNT - 1;
    good.info.hobby = 0;
    server->send(&good);
    run(0.5);
    EXPECT_STREQ(disp->seat(2).name, "Remote");

    // In a session block only the spoilt seat stays; the others and the session are taken.
    np_session_joined joined = np_session_joined_new();
    joined.address = (int32_t)htonl(0x7f000003u); // another PC has joined
    joined.session = disp->session();
    joined.session.m_bank = 77;
    joined.session.m_players[4].m_account = 4444;
    joined.session.m_players[6].job = 99;
    joined.session.m_players[6].m_account = 6666;
    server->send(&joined);
    run(0.5);
    EXPECT_EQ(disp->session().m_bank, 77);
    EXPECT_EQ(+disp->seat(4).m_account, 4444);
    EXPECT_EQ(+disp->seat(6).m_account, 1006);
    EXPECT_NE(+disp->seat(6).job, 99);

    // The round start finds nothing to refuse.
    np_round_started round = {{sizeof round, NP_ROUND_STARTED}, 1, 180.0f};
    server->send(&round);
    run(1.0);
    EXPECT_EQ(disp->session().m_round, 1);
}

// This PC's humans in slots 0 and 4 vote against the player offered as soon as they may; slot 2
// is the server's human. Another PC's vote confirmed while this PC's vote is on its way gives
// the next voter of this PC his chooser, not a second one to the voter who has voted.
TEST_F(client_flow_test, a_vote_cast_here_gets_no_second_chooser_while_the_server_confirms_it)
{
    seat_servers_human();
    stand->vote = true;
    votes_sent();

    send_scene_command("start_vote");
    EXPECT_EQ(votes_sent(), std::vector<int>{0});
    EXPECT_EQ(+disp->seat(0).m_vote_target, -1) << "not confirmed yet";
    EXPECT_EQ(choosing(), std::vector<int>{});

    send_confirmed(2, 6);
    EXPECT_EQ(votes_sent(), std::vector<int>{4}) << "slot 0 votes once";
    send_confirmed(0, 2);
    send_confirmed(4, 2);
    EXPECT_EQ(votes_sent(), std::vector<int>{});
    EXPECT_EQ(choosing(), std::vector<int>{});

    // The next vote asks slot 0 again.
    np_round_started round = {{sizeof round, NP_ROUND_STARTED}, 3, 180.0f};
    server->send(&round);
    run(1.0);
    send_scene_command("start_vote");
    EXPECT_EQ(votes_sent(), std::vector<int>{0});
}

// The vote of this PC's human in slot 0 is lost on its way to the server, or the server's
// confirmation on its way back: the server, which waits for every vote, would wait for ever. The
// same vote goes again every 1.5 s of game time until this PC hears it confirmed or the vote
// ends otherwise.
TEST_F(client_flow_test, an_unconfirmed_vote_is_sent_again_until_it_is_confirmed_or_the_vote_ends)
{
    seat_servers_human();
    stand->vote = true;
    np_vote cast{};
    const std::vector<ending_s> ends =
        endings_told(NP_VOTE, {{"its confirmation", [&] { send_confirmed(cast.voter, cast.target); }, 1}});
    for (const auto &e : ends) {
        SCOPED_TRACE(e.what);
        ASSERT_NO_FATAL_FAILURE(next_round_told());
        vote_datagrams();
        send_scene_command("start_vote");
        const std::vector<bytes_t> first = vote_datagrams();
        ASSERT_EQ(first.size(), 1u) << "slot 0's vote";
        std::memcpy(&cast, first[0].data(), sizeof cast);
        ASSERT_EQ(cast.voter, 0);
        // Lost: the server says nothing but its keep-alives.
        serve(0.5);
        EXPECT_EQ(vote_datagrams(), std::vector<bytes_t>{}) << "not before 1.5 s";
        serve(1.5);
        EXPECT_EQ(vote_datagrams(), first) << "the same vote again";
        serve(1.5);
        EXPECT_EQ(vote_datagrams(), first) << "and again";
        EXPECT_EQ(choosing(), std::vector<int>{}) << "the voter chooses nothing more meanwhile";

        listener->m_names.push_back("vote_confirmed");
        e.end();
        serve(5.0);
        const std::vector<int> voters = votes_sent();
        EXPECT_EQ(std::count(voters.begin(), voters.end(), 0), 0) << "slot 0's vote is over";
        EXPECT_EQ(count_heard("vote_confirmed"), e.answers);
        listener->m_names.pop_back();
        listener->take();
    }
    EXPECT_EQ(manager->status(), NET_STATUS_NONE);
}

// This PC's human in slot 0 answers a question; the answer is lost on its way to the server, or
// the verdict on its way back: the server, which waits for the answer, would wait for ever. The
// same answer goes again every 1.5 s of game time until this PC hears its verdict or sees the
// step over otherwise.
TEST_F(client_flow_test, an_answer_without_its_verdict_is_sent_again_until_it_comes_or_the_step_is_over)
{
    stand->answer = [](const pc_stand_c::question_s &) { return 2; };
    const std::vector<ending_s> ends =
        endings_told(NP_ANSWER, {
                                    {"its verdict", [&] { send_answered(2, false, 0); }, 1},
                                    {"the next step", [&] { send_question(1, true, 4, false); }, 0},
                                    {"the vote", [&] { send_scene_command("start_vote"); }, 0},
                                });
    listener->m_names.push_back("question_answered");
    for (const auto &e : ends) {
        SCOPED_TRACE(e.what);
        ASSERT_NO_FATAL_FAILURE(next_round_told());
        sent(NP_ANSWER);
        send_question(0, false, 4, true);
        const std::vector<bytes_t> first = sent(NP_ANSWER);
        ASSERT_EQ(first.size(), 1u) << "slot 0's answer";
        np_answer answer;
        std::memcpy(&answer, first[0].data(), sizeof answer);
        EXPECT_EQ(answer.item, 2);
        EXPECT_EQ(answer.address, own_address());
        // Lost: the server says nothing but its keep-alives.
        serve(0.5);
        EXPECT_EQ(sent(NP_ANSWER), std::vector<bytes_t>{}) << "not before 1.5 s";
        serve(1.5);
        EXPECT_EQ(sent(NP_ANSWER), first) << "the same answer again";
        serve(1.5);
        EXPECT_EQ(sent(NP_ANSWER), first) << "and again";
        EXPECT_EQ(disp->session().m_answer_state, 0) << "the step still waits";

        listener->take();
        e.end();
        serve(5.0);
        EXPECT_EQ(sent(NP_ANSWER), std::vector<bytes_t>{}) << "the step is over";
        EXPECT_EQ(count_heard("question_answered"), e.answers);
    }
    EXPECT_EQ(manager->status(), NET_STATUS_NONE);
}

// The server sends the verdict again to a client that sent its answer again: a verdict that was
// only late comes twice, and the second one scores nothing and plays nothing.
TEST_F(client_flow_test, a_verdict_heard_twice_changes_nothing_the_second_time)
{
    stand->answer = [](const pc_stand_c::question_s &) { return 1; };
    np_round_started round = {{sizeof round, NP_ROUND_STARTED}, 1, 180.0f};
    server->send(&round);
    run(1.0);
    send_question(0, false, 4, true);
    ASSERT_EQ(sent(NP_ANSWER).size(), 1u);
    listener->take();
    send_answered(1, true, 0);
    EXPECT_EQ(count_heard("hilight_menu"), 1);
    EXPECT_GT(count_heard("add_to_sequence"), 0) << "the press and the reaction";
    const session_info after = disp->session();
    ASSERT_NE(+after.m_players[0].m_account, 1000) << "scored";

    // The server's keep-alives come between, so the repeat filter passes the second one.
    serve(0.5);
    listener->take();
    send_answered(1, true, 0);
    EXPECT_EQ(listener->take(), "");
    EXPECT_EQ(std::memcmp(&disp->session(), &after, sizeof after), 0);
    serve(3.0);
    EXPECT_EQ(sent(NP_ANSWER), std::vector<bytes_t>{}) << "the answer was judged";
}

// The server puts the step that waits for this PC's human again, in case the first was lost: the
// step this PC shows is neither shown nor counted again. Once it is answered, the same bytes are
// a new step.
TEST_F(client_flow_test, a_step_put_again_while_this_pc_shows_it_is_not_shown_again)
{
    np_round_started round = {{sizeof round, NP_ROUND_STARTED}, 1, 180.0f};
    server->send(&round);
    run(1.0);
    send_question(0, false, 4, true);
    ASSERT_EQ(stand->asked.size(), 1u);
    EXPECT_EQ(disp->step(), 1);
    listener->take();
    for (int again = 0; again < 2; ++again) {
        // The server's keep-alives come between, so the repeat filter passes it.
        serve(1.0);
        send_question(0, false, 4, true);
        EXPECT_EQ(stand->asked.size(), 1u) << again;
        EXPECT_EQ(disp->step(), 1);
        EXPECT_EQ(count_heard("question"), 0);
        EXPECT_EQ(count_heard("add_to_sequence"), 0);
    }

    send_answered(1, true, 0);
    serve(1.0);
    send_question(0, false, 4, true);
    EXPECT_EQ(stand->asked.size(), 2u);
}

TEST_F(client_flow_test, the_start_pressed_on_a_client_waits_for_the_server_and_sends_nothing)
{
    server->received();
    const int chooser = disp->m_chooser_slot;
    const int round = disp->session().m_round;
    EXPECT_NO_THROW(root->message(MSG_VAR(on_all_players_ready), 0, nullptr, MSG_ARGS_END));
    run(1.0);
    EXPECT_EQ(disp->m_chooser_slot, chooser);
    EXPECT_EQ(disp->session().m_round, round);
    for (const bytes_t &b : server->received())
        EXPECT_NE(((const net_packet_header *)b.data())->type, NP_ROUND_STARTED);

    // The server's round start then starts the client's game.
    np_round_started start = {{sizeof start, NP_ROUND_STARTED}, 1, 180.0f};
    server->send(&start);
    run(1.0);
    EXPECT_EQ(disp->session().m_round, 1);
}

} // namespace
