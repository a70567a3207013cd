// A new dispatcher's seats and the player store it fills them from.
#include "tests/game/disp/disp_fixture.h"

#include <set>

namespace {

using setup_test = disp_tree_test;

TEST_F(setup_test, the_game_classes_are_registered_for_scripts)
{
    for (const char *name : {"game_disp", "player", "player_store"})
        EXPECT_NE(find_creator(name, nullptr), nullptr) << name;
}

TEST_F(setup_test, a_new_dispatcher_seats_a_human_in_slot_0_and_seven_computer_players_with_own_portraits)
{
    fill_store(12);
    game_disp *disp = make_disp();
    EXPECT_TRUE(disp->ready());
    const session_info &s = disp->session();
    EXPECT_EQ(+s.m_created, 1);
    EXPECT_EQ(+s.m_answer_state, 6);
    EXPECT_EQ(+s.m_active_slot, -1);
    EXPECT_EQ(+s.m_round, 0);
    std::set<int> portraits;
    for (int slot = 0; slot < MAX_PLAYERS; ++slot) {
        const player_info &p = s.m_players[slot];
        SCOPED_TRACE(slot);
        portraits.insert(+p.portr_nmb);
        EXPECT_GE(+p.portr_nmb, 0);
        EXPECT_EQ(+p.m_owner_address, own_address());
        EXPECT_EQ(+p.m_in_game, 1);
        EXPECT_EQ(+p.m_is_man, slot == 0);
        EXPECT_EQ(+p.m_not_ready, slot == 0);
        if (slot > 0) {
            const demo_player_s d = plain_player(p.portr_nmb);
            EXPECT_STREQ(p.name, d.name) << "the whole description comes from the store";
            EXPECT_EQ(+p.pulse, +d.pulse);
        }
    }
    EXPECT_EQ(portraits.size(), 8u);
    const player_info &human = s.m_players[0];
    EXPECT_STREQ(human.name, "\xC8\xE3\xF0\xEE\xEA"
                             "1");
    EXPECT_EQ(+human.age, 20);
    EXPECT_EQ(+human.health, 1);
    EXPECT_EQ(+human.job, 2);
    EXPECT_EQ(+human.intellect, 50);
    EXPECT_EQ(+human.hobby, 5);
    EXPECT_EQ(+human.pulse, 70);
}

TEST_F(setup_test, a_store_too_small_for_eight_portraits_does_not_hang_the_set_up)
{
    for (int players : {0, 1, 3}) {
        SCOPED_TRACE(players);
        for (abstract_c *c = store->first_child(); c; c = c->next_sibling())
            c->shutdown_tree();
        root->collect_dead_children();
        store->shutdown_tree();
        root->collect_dead_children();
        store = new player_store(root.get(), nullptr);
        fill_store(players);
        game_disp *disp = make_disp();
        EXPECT_TRUE(disp->ready());
        EXPECT_EQ(+disp->seat(0).m_is_man, 1);
        disp->shutdown_tree();
        root->collect_dead_children();
    }
}

} // namespace
