// The dispatcher's seats: model numbers, queries, joining humans and set-up changes.
#include "tests/game/disp/disp_fixture.h"
#include "scores/score_tables.h"

namespace {

class seats_test : public disp_tree_test
{
protected:
    void SetUp() override
    {
        disp_tree_test::SetUp();
        fill_store(12);
        make_disp();
        listener->take();
    }
    uint8_t flag(const char *name, int arg)
    {
        uint8_t v = 0xEE;
        EXPECT_EQ(send(name, MSG_ARG(arg), MSG_ARG((void *)&v)), 1) << name;
        return v;
    }
    int32_t number(const char *name)
    {
        int32_t v = 0x5a5a;
        EXPECT_EQ(send(name, MSG_ARG((void *)&v)), 1) << name;
        return v;
    }
    // Only these slots stay in the game.
    void keep_in_game(std::initializer_list<int> slots)
    {
        for (int slot = 0; slot < MAX_PLAYERS; ++slot)
            disp->seat(slot).m_in_game = 0;
        for (int slot : slots)
            disp->seat(slot).m_in_game = 1;
    }
    static constexpr int32_t OTHER_PC = 0x0200007f;
};

TEST_F(seats_test, model_numbers_count_the_seats_in_the_game_and_name_them_for_the_queries)
{
    keep_in_game({0, 2, 5});
    disp->seat(2).m_is_man = 1;
    disp->seat(5).m_owner_address = OTHER_PC;
    const struct
    {
        int slot, model;
    } cases[] = {{0, 0}, {1, -1}, {2, 1}, {3, -1}, {5, 2}, {7, -1}, {-1, -1}, {8, -1}};
    for (const auto &c : cases) {
        EXPECT_EQ(disp->model_nmb_of_slot(c.slot), +c.model) << c.slot;
        if (c.model >= 0) {
            EXPECT_EQ(disp->slot_of_model_nmb(c.model), +c.slot);
        }
    }
    EXPECT_EQ(flag("is_man", 0), 1);
    EXPECT_EQ(flag("is_man", 1), 1);
    EXPECT_EQ(flag("is_man", 2), 0);
    EXPECT_EQ(flag("is_my_player", 1), 1);
    EXPECT_EQ(flag("is_my_player", 2), 0);
    uint8_t v = 0;
    EXPECT_EQ(thrown_text([&] { send("is_my_player", MSG_ARG(3), MSG_ARG((void *)&v)); }),
              "Invalid model index sent to is_my_player");
    EXPECT_EQ(thrown_text([&] { send("is_man", MSG_ARG(-1), MSG_ARG((void *)&v)); }),
              "Invalid model index sent to is_man");

    const struct
    {
        int active;
        int32_t model;
    } active_cases[] = {{5, 2}, {0, 0}, {1, -1}, {-1, -1}};
    for (const auto &c : active_cases) {
        disp->session().m_active_slot = c.active;
        EXPECT_EQ(number("get_active_player_nmb"), +c.active);
        EXPECT_EQ(number("get_active_model_nmb"), +c.model) << c.active;
    }

    std::vector<int32_t> alive{99}, all;
    send("get_alive_model_nmbs", MSG_ARG((void *)&alive));
    send("get_alive_dead_model_nmbs", MSG_ARG((void *)&all));
    const int p[8] = {disp->seat(0).portr_nmb, disp->seat(1).portr_nmb, disp->seat(2).portr_nmb,
                      disp->seat(3).portr_nmb, disp->seat(4).portr_nmb, disp->seat(5).portr_nmb,
                      disp->seat(6).portr_nmb, disp->seat(7).portr_nmb};
    EXPECT_EQ(alive, (std::vector<int32_t>{99, p[0], p[2], p[5]})) << "appended to the sender's list";
    EXPECT_EQ(all, (std::vector<int32_t>{p[0], p[2], p[5], p[1], p[3], p[4], p[6], p[7]}));
}

TEST_F(seats_test, records_and_the_session_are_copied_out_whole)
{
    player_info p;
    std::memset(&p, 0x11, sizeof p);
    EXPECT_EQ(send("get_player_info", MSG_ARG(3), MSG_ARG((void *)&p)), 1);
    EXPECT_EQ(std::memcmp(&p, &disp->seat(3), sizeof p), 0);
    for (int bad : {-1, 8}) {
        std::memset(&p, 0x11, sizeof p);
        EXPECT_EQ(send("get_player_info", MSG_ARG(bad), MSG_ARG((void *)&p)), 0) << bad;
        EXPECT_EQ(+p.portr_nmb, 0x11111111);
    }
    session_info s;
    std::memset(&s, 0, sizeof s);
    EXPECT_EQ(send("get_session_info", MSG_ARG((void *)&s)), 1);
    EXPECT_EQ(std::memcmp(&s, &disp->session(), sizeof s), 0);
}

TEST_F(seats_test, joining_humans_take_the_computer_seats_until_none_is_left)
{
    uint8_t full = 0xEE;
    EXPECT_EQ(send("free_places_available", MSG_ARG((void *)&full)), 1);
    EXPECT_EQ(full, 0);
    int32_t address = OTHER_PC;
    for (int slot = 1; slot < MAX_PLAYERS; ++slot) {
        SCOPED_TRACE(slot);
        session_info s;
        session_info_init(s);
        EXPECT_EQ(send("create_new_man_player", MSG_ARG((void *)&address), MSG_ARG((void *)&s)), 1);
        const player_info &p = disp->seat(slot);
        EXPECT_EQ(+p.m_is_man, 1);
        EXPECT_EQ(+p.m_not_ready, 1);
        EXPECT_EQ(+p.m_owner_address, OTHER_PC);
        EXPECT_EQ(std::string(p.name), "\xC8\xE3\xF0\xEE\xEA" + std::to_string(slot + 1));
        EXPECT_EQ(std::memcmp(&s, &disp->session(), sizeof s), 0) << "the session goes to the new PC";
        send("free_places_available", MSG_ARG((void *)&full));
        EXPECT_EQ(full, slot == MAX_PLAYERS - 1 ? 1 : 0);
    }
    session_info s;
    std::memset(&s, 0x22, sizeof s);
    EXPECT_EQ(send("create_new_man_player", MSG_ARG((void *)&address), MSG_ARG((void *)&s)), 0);
    EXPECT_EQ(+s.m_created, 0x22222222) << "nothing copied";
}

TEST_F(seats_test, received_seats_and_sessions_replace_the_copy_and_refresh_the_screens)
{
    player_info p = disp->seat(4);
    std::strcpy(p.name, "Remote");
    p.m_account = 300;
    EXPECT_EQ(send("player_info_updated", MSG_ARG(4), MSG_ARG((void *)&p)), 1);
    EXPECT_STREQ(disp->seat(4).name, "Remote");
    EXPECT_EQ(listener->take(), "update_appearance(INT:4)");
    const session_info before = disp->session();
    for (int bad : {-1, 8, 1 << 30}) {
        EXPECT_EQ(send("player_info_updated", MSG_ARG(bad), MSG_ARG((void *)&p)), 1);
        EXPECT_EQ(std::memcmp(&before, &disp->session(), sizeof before), 0) << "a slot outside the seats changes nothing";
    }
    EXPECT_EQ(listener->take(), "");

    session_info s;
    session_info_init(s);
    s.m_round = 3;
    s.m_bank = 125;
    EXPECT_EQ(send("set_session_info", MSG_ARG((void *)&s)), 1);
    EXPECT_EQ(std::memcmp(&s, &disp->session(), sizeof s), 0);
    EXPECT_EQ(listener->take(), "update_appearance(INT:0) update_appearance(INT:1) update_appearance(INT:2) "
                                "update_appearance(INT:3) update_appearance(INT:4) update_appearance(INT:5) "
                                "update_appearance(INT:6) update_appearance(INT:7)");
}

TEST_F(seats_test, the_round_clock_runs_only_while_a_human_answer_is_awaited)
{
    disp->session().m_round_time = 180.0;
    const struct
    {
        int state;
        double after;
    } cases[] = {{6, 180.0}, {1, 180.0}, {0, 179.5}, {4, 179.5}, {0, 179.0}};
    for (const auto &c : cases) {
        disp->session().m_answer_state = c.state;
        EXPECT_EQ(root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(10.0f), MSG_ARG(0.5f), MSG_ARGS_END), 0);
        double t = 0;
        EXPECT_EQ(send("get_round_time", MSG_ARG((void *)&t)), 1);
        EXPECT_DOUBLE_EQ(t, c.after) << c.state;
    }
}

TEST_F(seats_test, session_queries_about_the_active_seat_the_answer_and_this_pcs_seats)
{
    disp->session().m_active_slot = 3;
    disp->seat(3).m_owner_address = OTHER_PC;
    disp->seat(3).m_account = -75;
    disp->session().m_bank = 400;
    disp->session().m_right_answer = 2;
    int32_t address = OTHER_PC;
    uint8_t v = 0xEE;
    for (int state : {4, 6}) {
        disp->session().m_answer_state = state;
        send("is_he_active_player", MSG_ARG((void *)&address), MSG_ARG((void *)&v));
        EXPECT_EQ(v, 0) << "no answer awaited in state " << state;
    }
    for (int state : {0, 1}) {
        disp->session().m_answer_state = state;
        v = 0xEE;
        send("is_he_active_player", MSG_ARG((void *)&address), MSG_ARG((void *)&v));
        EXPECT_EQ(v, 1) << state;
    }
    address = own_address();
    send("is_he_active_player", MSG_ARG((void *)&address), MSG_ARG((void *)&v));
    EXPECT_EQ(v, 0);
    disp->session().m_active_slot = -1;
    address = 0;
    disp->seat(0).m_owner_address = 0;
    send("is_he_active_player", MSG_ARG((void *)&address), MSG_ARG((void *)&v));
    EXPECT_EQ(v, 0) << "no active seat";
    disp->seat(0).m_owner_address = own_address();
    disp->session().m_active_slot = 3;

    EXPECT_EQ(flag("is_answer_right", 2), 1);
    EXPECT_EQ(flag("is_answer_right", 0), 0);
    int32_t rating = 0, bank = 0;
    EXPECT_EQ(send("get_rating_n_bank", MSG_ARG((void *)&rating), MSG_ARG((void *)&bank)), 1);
    EXPECT_EQ(rating, -75);
    EXPECT_EQ(bank, 400);

    EXPECT_EQ(number("get_my_leftmost_player_nmb"), 0);
    disp->seat(0).m_owner_address = OTHER_PC;
    EXPECT_EQ(number("get_my_leftmost_player_nmb"), 1);
    for (int slot = 0; slot < MAX_PLAYERS; ++slot)
        disp->seat(slot).m_owner_address = OTHER_PC;
    EXPECT_EQ(number("get_my_leftmost_player_nmb"), -1);
}

TEST_F(seats_test, a_single_winner_is_seat_0_with_money_and_no_other_human)
{
    const struct
    {
        int32_t account;
        int other_human; // -1 none
        uint8_t single_man, single_winner;
    } cases[] = {{500, -1, 1, 1}, {0, -1, 1, 0}, {-25, -1, 1, 1}, {500, 7, 0, 0}, {500, 1, 0, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.account << " " << c.other_human);
        for (int slot = 1; slot < MAX_PLAYERS; ++slot)
            disp->seat(slot).m_is_man = slot == c.other_human;
        disp->seat(0).m_account = c.account;
        uint8_t single = 0xEE;
        send("is_single_man_in_session", MSG_ARG((void *)&single));
        EXPECT_EQ(single, +c.single_man);
        player_info *winner = nullptr;
        send("is_single_winner_in_session", MSG_ARG((void *)&single), MSG_ARG((void *)&winner));
        EXPECT_EQ(single, +c.single_winner);
        EXPECT_EQ(winner, c.single_winner ? &disp->seat(0) : nullptr);
    }
}

TEST_F(seats_test, set_up_changes_by_field)
{
    // Slot 2 is a human of this PC, slot 3 a computer player.
    disp->make_seat_human(2, own_address());
    const int32_t me = own_address();
    struct case_s
    {
        const char *what;
        int slot;
        int32_t sender;
        int code;
        const char *text; // value area as text, or null for `number`
        int32_t number;
        std::function<void(const player_info &before, const player_info &after)> check;
        bool refused = false; // nothing is sent
    };
    const std::string long_name(200, 'n');
    const auto unchanged = [](const player_info &b, const player_info &a) {
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    };
    const case_s cases[] = {
        {"name", 2, me, CHANGE_NAME, "Vasya", 0,
         [](const player_info &, const player_info &a) {
             EXPECT_STREQ(a.name, "Vasya");
             EXPECT_EQ(+a.m_not_ready, 1);
         }},
        {"name cut to its field", 2, me, CHANGE_NAME, long_name.c_str(), 0,
         [](const player_info &b, const player_info &a) {
             EXPECT_EQ(std::string(a.name), std::string(49, 'n'));
             EXPECT_EQ(+a.age, +b.age);
         }},
        {"age", 2, me, CHANGE_AGE, "33", 0, [](const player_info &, const player_info &a) { EXPECT_EQ(+a.age, 33); }},
        {"empty age", 2, me, CHANGE_AGE, "", 0,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(+a.age, +b.age); }},
        {"age not a number", 2, me, CHANGE_AGE, "old", 0,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(+a.age, +b.age); }},
        {"intellect", 2, me, CHANGE_INTELLECT, " 77", 0,
         [](const player_info &, const player_info &a) { EXPECT_EQ(+a.intellect, 77); }},
        {"pulse", 2, me, CHANGE_PULSE, "85", 0, [](const player_info &, const player_info &a) { EXPECT_EQ(+a.pulse, 85); }},
        {"empty pulse", 2, me, CHANGE_PULSE, "", 0,
         [](const player_info &, const player_info &a) { EXPECT_EQ(+a.pulse, 40); }},
        // Values the round start would refuse, as a hostile PC sends them: not taken, and the
        // sender is answered with the seat as it stands. A number still being typed that more
        // digits can make valid is not answered, so that the typing goes on.
        {"intellect 0", 2, me, CHANGE_INTELLECT, "0", 0,
         [](const player_info &, const player_info &a) { EXPECT_EQ(+a.intellect, 0); }},
        {"intellect 100", 2, me, CHANGE_INTELLECT, "100", 0,
         [](const player_info &, const player_info &a) { EXPECT_EQ(+a.intellect, 100); }},
        {"intellect 101", 2, me, CHANGE_INTELLECT, "101", 0, unchanged},
        {"intellect -1", 2, me, CHANGE_INTELLECT, "-1", 0, unchanged},
        {"intellect past int32", 2, me, CHANGE_INTELLECT, "99999999999", 0, unchanged},
        {"pulse 40", 2, me, CHANGE_PULSE, "40", 0,
         [](const player_info &, const player_info &a) { EXPECT_EQ(+a.pulse, 40); }},
        {"pulse 100", 2, me, CHANGE_PULSE, "100", 0,
         [](const player_info &, const player_info &a) { EXPECT_EQ(+a.pulse, 100); }},
        {"pulse being typed", 2, me, CHANGE_PULSE, "8", 0, unchanged, true},
        {"pulse 10 on its way to 100", 2, me, CHANGE_PULSE, "10", 0, unchanged, true},
        {"pulse 20", 2, me, CHANGE_PULSE, "20", 0, unchanged},
        {"pulse 39", 2, me, CHANGE_PULSE, "39", 0, unchanged},
        {"pulse -5", 2, me, CHANGE_PULSE, "-5", 0, unchanged},
        {"pulse 101", 2, me, CHANGE_PULSE, "101", 0, unchanged},
        {"pulse of a computer player", 3, OTHER_PC, CHANGE_PULSE, "1000", 0, unchanged},
        {"character", 2, me, CHANGE_CHARACTER, nullptr, 3,
         [](const player_info &, const player_info &a) { EXPECT_EQ(+a.character, 3); }},
        {"character out of range", 2, me, CHANGE_CHARACTER, nullptr, 9,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(+a.character, +b.character); }},
        {"health", 2, me, CHANGE_HEALTH, nullptr, 0,
         [](const player_info &, const player_info &a) { EXPECT_EQ(+a.health, 0); }},
        {"health out of range", 2, me, CHANGE_HEALTH, nullptr, -1,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(+a.health, +b.health); }},
        {"job", 2, me, CHANGE_JOB, nullptr, 6, [](const player_info &, const player_info &a) { EXPECT_EQ(+a.job, 6); }},
        {"hobby", 2, me, CHANGE_HOBBY, nullptr, 1,
         [](const player_info &, const player_info &a) { EXPECT_EQ(+a.hobby, 1); }},
        // The cards of every PC show a job or hobby by its text: only the listed ones are taken.
        {"job 7", 2, me, CHANGE_JOB, nullptr, 7, [](const player_info &, const player_info &a) { EXPECT_EQ(+a.job, 7); }},
        {"job 8", 2, me, CHANGE_JOB, nullptr, 8,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(+a.job, +b.job); }},
        {"job -1", 2, me, CHANGE_JOB, nullptr, -1,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(+a.job, +b.job); }},
        {"hobby 0", 2, me, CHANGE_HOBBY, nullptr, 0,
         [](const player_info &, const player_info &a) { EXPECT_EQ(+a.hobby, 0); }},
        {"hobby 1000", 2, me, CHANGE_HOBBY, nullptr, 1000,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(+a.hobby, +b.hobby); }},
        {"hobby INT32_MIN", 2, me, CHANGE_HOBBY, nullptr, INT32_MIN,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(+a.hobby, +b.hobby); }},
        {"ready switch", 2, me, CHANGE_READY, nullptr, 0,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(+a.m_not_ready, !b.m_not_ready); }},
        {"ready switch on a computer player", 3, me, CHANGE_READY, nullptr, 0,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(+a.m_not_ready, +b.m_not_ready); }},
        {"another PC's human", 2, OTHER_PC, CHANGE_NAME, "Intruder", 0,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0); }},
        {"slot 0 is never a computer player", 0, me, CHANGE_MAN_BOT, nullptr, 0,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0); }},
        {"a computer seat becomes the sender's human", 3, OTHER_PC, CHANGE_MAN_BOT, nullptr, 0,
         [](const player_info &, const player_info &a) {
             EXPECT_EQ(+a.m_is_man, 1);
             EXPECT_EQ(+a.m_owner_address, OTHER_PC);
             EXPECT_STREQ(a.name, "\xC8\xE3\xF0\xEE\xEA"
                                  "4");
         }},
        {"and back to a computer player of this PC", 3, OTHER_PC, CHANGE_MAN_BOT, nullptr, 0,
         [me](const player_info &, const player_info &a) {
             EXPECT_EQ(+a.m_is_man, 0);
             EXPECT_EQ(+a.m_not_ready, 0);
             EXPECT_EQ(+a.m_owner_address, me);
             EXPECT_STREQ(a.name, plain_player(a.portr_nmb).name) << "a description from the store";
         }},
        {"a computer player's portrait from another PC", 3, OTHER_PC, CHANGE_PORTRAIT, nullptr, 1,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0); }},
        {"a computer player's portrait from this PC", 3, me, CHANGE_PORTRAIT, nullptr, 1,
         [](const player_info &b, const player_info &a) {
             EXPECT_EQ(+a.portr_nmb, (b.portr_nmb + 1) % 12);
             EXPECT_STREQ(a.name, plain_player(a.portr_nmb).name);
             EXPECT_EQ(+a.m_not_ready, 0);
         }},
        {"a human's portrait", 2, me, CHANGE_PORTRAIT, nullptr, -1,
         [](const player_info &b, const player_info &a) {
             EXPECT_EQ(+a.portr_nmb, b.portr_nmb == 0 ? 11 : b.portr_nmb - 1);
             EXPECT_STREQ(a.name, b.name);
             EXPECT_EQ(+a.m_not_ready, 1);
         }},
        {"a slot outside the seats", 8, me, CHANGE_NAME, "Nobody", 0,
         [](const player_info &, const player_info &) {}},
        {"an unknown field", 2, me, 12, nullptr, 5,
         [](const player_info &b, const player_info &a) { EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0); }},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.what);
        np_change_player_info request = change(c.slot, c.sender, c.code);
        if (c.text)
            std::snprintf(request.value, sizeof request.value, "%s", c.text);
        else
            std::memcpy(request.value, &c.number, sizeof c.number);
        const session_info before = disp->session();
        EXPECT_EQ(apply(request), 1);
        // The seat goes to every PC, this one included, which shows it again.
        const bool empty_text = c.text && !*c.text && (c.code == CHANGE_AGE || c.code == CHANGE_PULSE);
        const bool sent = c.slot >= 0 && c.slot < MAX_PLAYERS && !empty_text && !c.refused;
        EXPECT_EQ(listener->take(), sent ? "update_appearance(INT:" + std::to_string(c.slot) + ")" : "");
        if (c.slot >= 0 && c.slot < MAX_PLAYERS) {
            c.check(before.m_players[c.slot], disp->seat(c.slot));
            for (int other = 0; other < MAX_PLAYERS; ++other) {
                if (other != c.slot) {
                    EXPECT_EQ(std::memcmp(&before.m_players[other], &disp->seat(other), sizeof(player_info)), 0);
                }
            }
        } else {
            EXPECT_EQ(std::memcmp(&before, &disp->session(), sizeof before), 0);
        }
    }
    EXPECT_EQ(listener->take(), "") << "humans still not ready: no start";
}

TEST_F(seats_test, the_whole_seat_is_replaced_by_a_record_in_the_request)
{
    player_info p = disp->seat(5);
    std::strcpy(p.name, "Whole");
    p.intellect = 12;
    np_change_player_info request = change(5, own_address(), CHANGE_WHOLE_SEAT);
    std::memcpy(request.value, &p, sizeof p);
    apply(request);
    EXPECT_EQ(std::memcmp(&p, &disp->seat(5), sizeof p), 0);
}

TEST_F(seats_test, a_whole_seat_brings_its_description_and_account_only_and_is_refused_with_values_the_game_cannot_use)
{
    disp->make_seat_human(2, OTHER_PC);
    const player_info seat = disp->seat(2);
    struct case_s
    {
        const char *what;
        std::function<void(player_info &)> change;
        bool taken;
    };
    const case_s cases[] = {
        {"a description from the history", [](player_info &p) { p.intellect = 90; p.job = 3; p.portr_nmb = 11; }, true},
        {"intellect 101", [](player_info &p) { p.intellect = 101; }, false},
        {"pulse 39", [](player_info &p) { p.pulse = 39; }, false},
        {"health -1", [](player_info &p) { p.health = -1; }, false},
        {"character 4", [](player_info &p) { p.character = 4; }, false},
        {"character -1", [](player_info &p) { p.character = -1; }, false},
        {"job 8", [](player_info &p) { p.job = 8; }, false},
        {"hobby -1", [](player_info &p) { p.hobby = -1; }, false},
        {"a portrait the store lacks", [](player_info &p) { p.portr_nmb = 12; }, false},
        {"no portrait", [](player_info &p) { p.portr_nmb = -1; }, false},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.what);
        disp->seat(2) = seat;
        player_info record = seat;
        c.change(record);
        // What the server alone decides comes along changed and stays.
        record.m_owner_address = own_address();
        record.m_is_man = 0;
        record.m_not_ready = 0;
        record.m_in_game = 0;
        record.m_vote_target = 5;
        record.m_final_right_nmb = INT32_MAX;
        record.m_cur_pulse = 1000;
        np_change_player_info request = change(2, OTHER_PC, CHANGE_WHOLE_SEAT);
        std::memcpy(request.value, &record, sizeof record);
        apply(request);
        EXPECT_EQ(listener->take(), c.taken ? "update_appearance(INT:2)" : "");
        const player_info &now = disp->seat(2);
        if (c.taken) {
            EXPECT_EQ(+now.intellect, 90);
            EXPECT_EQ(+now.job, 3);
            EXPECT_EQ(+now.portr_nmb, 11);
        } else {
            EXPECT_EQ(std::memcmp(&now, &seat, sizeof now), 0);
        }
        EXPECT_EQ(+now.m_owner_address, OTHER_PC);
        EXPECT_EQ(+now.m_is_man, 1);
        EXPECT_EQ(+now.m_not_ready, 1);
        EXPECT_EQ(+now.m_in_game, 1);
        EXPECT_EQ(+now.m_vote_target, -1);
        EXPECT_EQ(+now.m_final_right_nmb, +seat.m_final_right_nmb);
        EXPECT_EQ(+now.m_cur_pulse, +seat.m_cur_pulse);
    }
}

TEST_F(seats_test, no_set_up_change_leaves_a_seat_that_the_round_start_refuses)
{
    disp->make_seat_human(2, OTHER_PC);
    const struct
    {
        int slot;
        int code;
        const char *text;
    } hostile[] = {{2, CHANGE_INTELLECT, "500"}, {2, CHANGE_PULSE, "7"},   {2, CHANGE_PULSE, "-40"},
                   {3, CHANGE_INTELLECT, "-5"}, {3, CHANGE_PULSE, "250"}, {0, CHANGE_INTELLECT, "1000"}};
    for (const auto &h : hostile) {
        np_change_player_info request = change(h.slot, h.slot == 2 ? OTHER_PC : own_address(), h.code);
        std::snprintf(request.value, sizeof request.value, "%s", h.text);
        apply(request);
    }
    player_info wrong = disp->seat(2);
    wrong.health = 7;
    np_change_player_info whole = change(2, OTHER_PC, CHANGE_WHOLE_SEAT);
    std::memcpy(whole.value, &wrong, sizeof wrong);
    apply(whole);
    EXPECT_NO_THROW(disp->round_start_update(1));
}

TEST_F(seats_test, the_last_ready_switch_starts_the_game_or_shows_a_single_winner_the_credits)
{
    disp->make_seat_human(4, OTHER_PC);
    apply(change(0, own_address(), CHANGE_READY));
    EXPECT_EQ(listener->take(), "update_appearance(INT:0)") << "slot 4 is not ready";
    disp->seat(4).m_not_ready = 0;
    disp->session().m_players[0].m_not_ready = 1;
    apply(change(0, own_address(), CHANGE_READY));
    EXPECT_EQ(listener->take(), "update_appearance(INT:0) on_all_players_ready()");
    // That game is over before the next set-up.
    disp->m_game_on = false;

    // Alone with money from an earlier game: the credit window instead of a start.
    disp->seat(4).m_is_man = 0;
    disp->seat(0).m_account = 700;
    disp->seat(0).m_not_ready = 1;
    apply(change(0, own_address(), CHANGE_READY));
    char expected[64];
    std::snprintf(expected, sizeof expected, "update_appearance(INT:0) show_credit_window(PTR:%p)", (void *)&disp->seat(0));
    EXPECT_EQ(listener->take(), expected);
}

TEST_F(seats_test, lost_players_and_the_automatic_choice_redraw_computer_seats)
{
    disp->make_seat_human(2, OTHER_PC);
    disp->make_seat_human(6, OTHER_PC);
    player_info human0 = disp->seat(0);
    int32_t address = OTHER_PC;
    EXPECT_EQ(send("replace_lost_players", MSG_ARG((void *)&address)), 1);
    for (int slot : {2, 6}) {
        EXPECT_EQ(+disp->seat(slot).m_is_man, 0);
        EXPECT_EQ(+disp->seat(slot).m_owner_address, own_address());
        EXPECT_STREQ(disp->seat(slot).name, plain_player(disp->seat(slot).portr_nmb).name);
    }
    EXPECT_EQ(std::memcmp(&human0, &disp->seat(0), sizeof human0), 0);

    bool changed = false;
    for (int round = 0; round < 5 && !changed; ++round) {
        const session_info before = disp->session();
        EXPECT_EQ(send("bots_autochoice"), 1);
        EXPECT_EQ(std::memcmp(&human0, &disp->seat(0), sizeof human0), 0) << "humans keep their seats";
        for (int slot = 1; slot < MAX_PLAYERS; ++slot)
            changed = changed || before.m_players[slot].portr_nmb != disp->seat(slot).portr_nmb;
    }
    EXPECT_TRUE(changed);
    for (int a = 0; a < MAX_PLAYERS; ++a)
        for (int b = a + 1; b < MAX_PLAYERS; ++b)
            EXPECT_NE(+disp->seat(a).portr_nmb, +disp->seat(b).portr_nmb);
}

TEST_F(seats_test, a_hiscore_entry_is_filled_from_the_seat_of_a_model_number)
{
    keep_in_game({1, 4});
    player_info &p = disp->seat(4);
    player_info_set_name(p, "Winner");
    p.m_account = 2500;
    hiscore_entry e;
    std::memset(&e, 0x33, sizeof e);
    EXPECT_EQ(send("fill_hiscore_entry", MSG_ARG(1), MSG_ARG((void *)&e)), 1);
    EXPECT_STREQ(e.m_name, "Winner");
    EXPECT_EQ(e.m_name[127], 0);
    const int32_t got[] = {e.m_job, e.m_hobby, e.m_score, e.m_intellect, e.m_pulse,
                           e.m_health, e.m_portr_nmb, e.m_age, e.m_character};
    const int32_t want[] = {p.job, p.hobby, 2500, p.intellect, p.pulse, p.health, p.portr_nmb, p.age, p.character};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(got[i], want[i]) << i;
    EXPECT_EQ(thrown_text([&] { send("fill_hiscore_entry", MSG_ARG(2), MSG_ARG((void *)&e)); }),
              "Invalid model index sent to fill_hiscore_entry !");
}

} // namespace
