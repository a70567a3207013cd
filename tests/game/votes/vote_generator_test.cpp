// The computer players' votes: whom each character votes against, who does not vote, who is
// never voted against, and the failures.
#include "game/player_info.h"
#include "game/vote_generator.h"
#include "kernel/exception.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct seat_s
{
    int slot;
    int character; // -2: a human player
    int sex;
    int account;
    int last_vote = -1;
};
constexpr int HUMAN = -2;

class vote_generator_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root.reset(new abstract_c(nullptr));
        disp = new abstract_c(root.get());
    }
    void TearDown() override { root->shutdown_tree(); }

    // Seats not listed are out of the game; nobody has voted yet.
    void seat(const std::vector<seat_s> &seats)
    {
        for (player_info &p : players) {
            player_info_init(p);
            p.m_in_game = 0;
            p.character = 1;
        }
        for (const seat_s &s : seats) {
            player_info &p = players[s.slot];
            p.m_in_game = 1;
            p.m_is_man = s.character == HUMAN ? 1 : 0;
            p.character = s.character == HUMAN ? 0 : s.character;
            p.sex = s.sex;
            p.m_account = s.account;
            p.m_last_vote = s.last_vote;
        }
    }
    std::vector<int> targets() const
    {
        std::vector<int> out;
        for (const player_info &p : players)
            out.push_back(int(p.m_vote_target));
        return out;
    }
    // The generator's message, or "" when it succeeded.
    std::string generate()
    {
        try {
            new vote_generator_c(disp, players);
        } catch (const exception_c &e) {
            return e.get_message();
        }
        return "";
    }
    int live_children() const
    {
        int n = 0;
        for (abstract_c *c = disp->first_child(); c; c = c->next_sibling())
            n += c->alive() ? 1 : 0;
        return n;
    }

    std::unique_ptr<abstract_c> root;
    abstract_c *disp = nullptr;
    player_info players[MAX_PLAYERS];
};

TEST_F(vote_generator_test, each_character_votes_by_its_own_rule)
{
    struct case_s
    {
        const char *what;
        std::vector<seat_s> seats;
        std::vector<int> targets;
    };
    const case_s cases[] = {
        {"0: of equal accounts the first is the second-lowest",
         {{0, 0, 1, 0}, {1, HUMAN, 0, 100}, {2, HUMAN, 0, 100}},
         {1, -1, -1, -1, -1, -1, -1, -1}},
        {"0: the second-lowest of the sex-0 group",
         {{0, 0, 1, 0}, {1, HUMAN, 0, 50}, {2, HUMAN, 0, 10}, {3, HUMAN, 0, 30}, {4, HUMAN, 1, 20}},
         {3, -1, -1, -1, -1, -1, -1, -1}},
        {"0: the lowest two arrive late",
         {{0, 0, 1, 0}, {1, HUMAN, 0, 50}, {2, HUMAN, 0, 40}, {3, HUMAN, 0, 10}, {4, HUMAN, 0, 5}},
         {3, -1, -1, -1, -1, -1, -1, -1}},
        {"0: no sex-0 candidate, the only other one",
         {{0, 0, 0, 0}, {1, HUMAN, 1, 900}},
         {1, -1, -1, -1, -1, -1, -1, -1}},
        {"0: the other group when the first is empty",
         {{0, 0, 0, 0}, {1, HUMAN, 2, 900}, {2, HUMAN, 1, 300}, {3, HUMAN, 1, 600}},
         {3, -1, -1, -1, -1, -1, -1, -1}},
        {"1: the lowest, the first of equals",
         {{2, 1, 0, 0}, {0, HUMAN, 0, 20}, {5, HUMAN, 0, 5}, {7, HUMAN, 0, 5}},
         {-1, -1, 5, -1, -1, -1, -1, -1}},
        {"1: negative accounts",
         {{0, 1, 0, -50}, {1, HUMAN, 0, -10}, {2, HUMAN, 0, -40}},
         {2, -1, -1, -1, -1, -1, -1, -1}},
        {"2: the richest of those who voted against it",
         {{0, 2, 0, 0}, {1, HUMAN, 0, 90, 3}, {2, HUMAN, 0, 10, 0}, {3, HUMAN, 0, 40, 0}},
         {3, -1, -1, -1, -1, -1, -1, -1}},
        {"2: nobody voted against it: the richest, the first of equals",
         {{0, 2, 0, 0}, {1, HUMAN, 0, 70, 2}, {2, HUMAN, 0, 20}, {3, HUMAN, 0, 70}},
         {1, -1, -1, -1, -1, -1, -1, -1}},
        {"3: few poorer than itself: the richest",
         {{0, 3, 0, 15}, {1, HUMAN, 0, 30}, {2, HUMAN, 0, 10}, {3, HUMAN, 0, 40}, {4, HUMAN, 0, 20}},
         {3, -1, -1, -1, -1, -1, -1, -1}},
        {"3: half poorer than itself: the poorest",
         {{0, 3, 0, 25}, {1, HUMAN, 0, 30}, {2, HUMAN, 0, 10}, {3, HUMAN, 0, 40}, {4, HUMAN, 0, 20}},
         {2, -1, -1, -1, -1, -1, -1, -1}},
        {"3: equal accounts count as poorer",
         {{0, 3, 0, 20}, {1, HUMAN, 0, 30}, {2, HUMAN, 0, 20}, {3, HUMAN, 0, 40}, {4, HUMAN, 0, 10}},
         {4, -1, -1, -1, -1, -1, -1, -1}},
        {"3: one candidate",
         {{6, 3, 0, 0}, {1, HUMAN, 0, 30}},
         {-1, -1, -1, -1, -1, -1, 1, -1}},
        {"every computer player votes, humans do not, the absent are never chosen",
         {{0, 1, 0, 30}, {1, HUMAN, 0, 5}, {3, 1, 0, 10}, {4, 2, 1, 60}, {7, 3, 0, 9}},
         {1, -1, -1, 1, 0, -1, -1, 4}},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.what);
        seat(c.seats);
        if (!players[5].m_in_game)
            players[5].m_account = -1000; // out of the game, the poorest
        EXPECT_EQ(generate(), "");
        EXPECT_EQ(targets(), c.targets);
        EXPECT_EQ(live_children(), 0) << "the generator ends itself";
    }
}

TEST_F(vote_generator_test, a_human_seat_keeps_its_own_vote)
{
    seat({{0, 1, 0, 0}, {1, HUMAN, 0, 5}, {2, HUMAN, 0, 9}});
    players[1].m_vote_target = 2;
    EXPECT_EQ(generate(), "");
    EXPECT_EQ(targets(), (std::vector<int>{1, 2, -1, -1, -1, -1, -1, -1}));
}

TEST_F(vote_generator_test, a_voter_without_a_target_or_with_an_unknown_character_fails_and_stops)
{
    struct case_s
    {
        std::vector<seat_s> seats;
        const char *message;
        std::vector<int> targets;
    };
    const case_s cases[] = {
        {{{3, 0, 0, 0}}, "We should never come here !!!", {-1, -1, -1, -1, -1, -1, -1, -1}},
        {{{3, 1, 0, 0}}, "Error in 1 vote generator !", {-1, -1, -1, -1, -1, -1, -1, -1}},
        {{{3, 2, 0, 0}}, "Error in 2 vote generator !", {-1, -1, -1, -1, -1, -1, -1, -1}},
        {{{3, 3, 0, 0}}, "Error in 3 vote generator !", {-1, -1, -1, -1, -1, -1, -1, -1}},
        // The votes before the failing slot stay; the slots after it get none.
        {{{0, 1, 0, 0}, {2, 4, 0, 5}, {4, 1, 0, 9}}, "Wrong character value !", {2, -1, -1, -1, -1, -1, -1, -1}},
        {{{0, 1, 0, 0}, {2, -1, 0, 5}, {4, 1, 0, 9}}, "Wrong character value !", {2, -1, -1, -1, -1, -1, -1, -1}},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.message);
        seat(c.seats);
        EXPECT_EQ(generate(), c.message);
        EXPECT_EQ(targets(), c.targets);
        EXPECT_EQ(disp->first_child(), nullptr) << "a failed generator is not left in the tree";
    }
}

TEST_F(vote_generator_test, a_failure_names_the_generators_source)
{
    seat({{3, 1, 0, 0}});
    try {
        new vote_generator_c(disp, players);
        FAIL() << "no error";
    } catch (const exception_c &e) {
        EXPECT_NE(e.source_file().find("vote_generator"), std::string::npos) << e.source_file();
    }
}

} // namespace
