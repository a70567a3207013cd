// The round movie: the location of the eight seats' models, chosen by portrait number.
#include "movie_fixture.h"

namespace {

using round_movie = movie_fixture;

TEST_F(round_movie, shows_each_seats_model_by_portrait_number_within_the_listed_models)
{
    write_location("round", "");
    // Seats the game does not answer for keep portrait number -1.
    struct {
        int listed;
        std::vector<int> portraits;
        std::vector<int> shown;
    } cases[] = {
        {1, {0, 3}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {16, {15, 0, 16, 7, 1, 2, 3, 4}, {15, 0, 0, 7, 1, 2, 3, 4}},
        {20, {19, 16, 20, 3, -1}, {19, 16, 0, 3, 0, 0, 0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.listed);
        game->seats.clear();
        for (int p : c.portraits)
            game->seats.push_back({p, true});
        const std::string mark = log_mark();
        round_movie_c *movie =
            create<round_movie_c>("create round_movie { string location_name = \"round\"; " + model_pairs(c.listed) + "};\n");
        ASSERT_NE(nullptr, movie);
        ASSERT_NE(nullptr, movie->location());
        EXPECT_EQ(movie, movie->location()->parent());
        std::vector<std::string> expected;
        for (int i : c.shown)
            expected.push_back("model" + std::to_string(i) + ":part" + std::to_string(i));
        EXPECT_EQ(expected, names(movie->location()->players()));

        const std::vector<std::string> log = log_since(mark);
        ASSERT_GE(log.size(), (size_t)c.listed + 1);
        EXPECT_EQ("Location 'round'", log[0]);
        EXPECT_EQ("Player 0 model 'model0:part0'", log[1]);
        EXPECT_EQ("Player " + std::to_string(c.listed - 1) + " model 'model" + std::to_string(c.listed - 1) + ":part" +
                      std::to_string(c.listed - 1) + "'",
                  log[c.listed]);

        location_c *shown = movie->location();
        movie->shutdown_tree();
        EXPECT_FALSE(shown->alive()) << "the location dies with the round movie";
        root->collect_dead_children();
    }
}

TEST_F(round_movie, fails_without_a_location_name_or_any_listed_model)
{
    write_location("round", "");
    game->seats = {{2, true}};
    EXPECT_EQ("Could not find required attribute 'location_name'",
              thrown([&] { create<round_movie_c>("create round_movie { " + model_pairs(3) + "};\n"); }));
    const std::string mark = log_mark();
    EXPECT_EQ("Round movie: no player models listed, none for portrait number 2",
              thrown([&] { create<round_movie_c>("create round_movie { string location_name = \"round\"; };\n"); }));
    EXPECT_EQ((std::vector<std::string>{"Location 'round'", "Warning: No players for location"}), log_since(mark));
}

} // namespace
