// A whole game on this PC through the real program on the demo data, played by scripted input as
// a user plays it: the main menu, the player set-up, seven rounds with answers right and wrong,
// the votes, a topic choice, an opponent choice, the final, the hiscore table and the winner's
// survey, saved as the game filled it in; then the results the program kept are read back from its files: the "Hiscore" and
// "History" tables of its registry store and the survey file.
//
// The program runs on the test clock (ENGINE_CLOCK_RATE) and knows nothing of the test: where
// the game is comes from console.log (the studio of each round), the window's pixels (the
// answers, the panels of a choice and of a vote) and the files it writes. Two things of the data
// copy are changed so that a scripted player can play it: every right answer of the question
// files reads as a long line and every wrong one as a short word, so that the player tells them
// apart by the amount of text on the screen, and the computer players know nothing (intellect 0)
// and vote against the lowest account (character 1), so that the player, answering nearly
// everything right, reaches the final and wins it, unless the one step he can lose with right
// answers, his duel of round 6, goes to a computer player's rare lucky answer: then the game is
// played again from the set-up, at most three times.
#include <gtest/gtest.h>
// After gtest: Xlib defines macros (None, Bool) that gtest's own names would meet.
#include "tools/driver/scripted_game.h"

#include <X11/keysym.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using program_driver::box;
using program_driver::shot;
using clock_type = std::chrono::steady_clock;

// Faster than this, a loaded machine draws a round's studio too seldom for the sequences of an
// answer to show at all; slower, the game takes minutes more.
constexpr double CLOCK_RATE = 8.0;
// Real seconds for the game from the set-up to the winner's table.
constexpr double GAME_LIMIT = 420.0;
// Games played at most for one that reaches the final.
constexpr int MAX_GAMES = 3;

const char HUMAN_NAME[] = "\xC8\xE3\xF0\xEE\xEA"
                          "1"; // the human seat's default name

std::string read_file(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void pause_seconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

// Where a text stands and how much of it there is: the cores of the letters only, since their
// edges blend with the studio that shows through the panel and changes as the camera moves.
struct text_extent
{
    int count = 0, left = 0, right = 0;
    bool alike(const text_extent &o) const
    {
        return std::abs(count - o.count) <= std::max(20, count / 10) && std::abs(left - o.left) <= 3 &&
               std::abs(right - o.right) <= 3;
    }
};
text_extent extent_of(const shot &s, const box &b)
{
    text_extent e;
    e.left = b.x + b.w;
    for (int y = b.y; y < b.y + b.h && y < s.height; ++y)
        for (int x = b.x; x < b.x + b.w && x < s.width; ++x) {
            const uint32_t c = s.at(x, y);
            if ((c >> 16 & 255) >= 235 && (c >> 8 & 255) >= 235 && (c & 255) >= 235) {
                ++e.count;
                e.left = std::min(e.left, x);
                e.right = std::max(e.right, x);
            }
        }
    return e;
}

// Whether the box shows one dark, even colour, as the field under the answers does between its
// rows (the studio behind the hidden panel is neither).
bool dark_and_even(const shot &s, const box &b)
{
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    for (int y = b.y; y < b.y + b.h && y < s.height; ++y)
        for (int x = b.x; x < b.x + b.w && x < s.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int v = int(s.at(x, y) >> (16 - 8 * c) & 255);
                low[c] = std::min(low[c], v);
                high[c] = std::max(high[c], v);
            }
    return high[0] < 128 && high[1] < 128 && high[2] < 128 && high[0] - low[0] <= 24 && high[1] - low[1] <= 24 &&
           high[2] - low[2] <= 24;
}

// A texel (0xRRGGBB) of an uncompressed 24- or 32-bit TGA file, 0 when it cannot be read.
uint32_t tga_texel(const fs::path &file, int x, int y)
{
    const std::string d = read_file(file);
    if (d.size() < 18 || d[2] != 2)
        return 0;
    const auto byte = [&d](size_t i) { return uint32_t((unsigned char)d[i]); };
    const int width = int(byte(12) | byte(13) << 8), height = int(byte(14) | byte(15) << 8), bytes = int(byte(16)) / 8;
    const int row = (byte(17) & 0x20) ? y : height - 1 - y;
    const size_t at = 18 + byte(0) + (size_t(row) * size_t(width) + size_t(x)) * size_t(bytes);
    if ((bytes != 3 && bytes != 4) || x >= width || y >= height || at + 3 > d.size())
        return 0;
    return byte(at + 2) << 16 | byte(at + 1) << 8 | byte(at);
}

// The cells of an edit field as the program draws them: its texture's middle part, opaque.
uint32_t EDIT_CELLS = 0;

class whole_game_display_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "whole_game_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        fs::copy(fs::path(ENGINE_BINARY_DIR) / "demo" / "data", dir / "data", fs::copy_options::recursive);
        // 19 topics in round 3, 15 in round 4, one file elsewhere
        ASSERT_GE(program_driver::mark_right_answers((dir / "data" / "questions").string()), 40);
        ASSERT_GE(program_driver::weaken_computer_players((dir / "data" / "scripts" / "players.isc").string()), 8);
        scripts = dir / "data" / "scripts";
        EDIT_CELLS = tga_texel(dir / "data" / "textures" / "ui_edit.tga", 16, 12);
        ASSERT_NE(EDIT_CELLS, 0u) << "no edit field texture";
        if (const char *keep = std::getenv("WHOLE_GAME_SHOTS"))
            shots_dir = keep;
        game = std::make_unique<program_driver::driver_c>(dir.string());
    }
    void TearDown() override
    {
        game.reset();
        if (!dir.empty())
            fs::remove_all(dir);
    }

    std::string script(const char *name) const { return (scripts / name).string(); }
    box control(const char *screen, const char *name) const
    {
        box b;
        std::string error;
        EXPECT_TRUE(program_driver::control_box(script(screen), name, b, &error)) << error;
        return b;
    }
    box answer_item(int i) const
    {
        box b;
        const std::string rect = "item_rect_" + std::to_string(i);
        EXPECT_TRUE(program_driver::control_attribute_box(script("screen_game.isc"), "answer_menu", rect, b));
        return b;
    }
    // Cells of an edit field right of the short texts of a card (a character, a health).
    static box cells_of(const box &edit) { return {edit.x + 108, edit.y + 6, 26, 12}; }

    void keep_picture(const shot &s, const char *what)
    {
        if (shots_dir.empty())
            return;
        char name[64];
        std::snprintf(name, sizeof name, "%03d_%s.png", ++pictures, what);
        program_driver::save_png((fs::path(shots_dir) / name).string(), s);
    }
    // A click, and the pointer then parked where it covers nothing the test reads.
    void click(const box &b) { program_driver::click_aside(*game, b); }

    fs::path dir, scripts;
    std::string shots_dir;
    int pictures = 0;
    std::unique_ptr<program_driver::driver_c> game;
};

// The survey file's seven fields: a length byte, then byte i of the text stored plus i + 7.
std::vector<std::string> read_survey(const fs::path &file)
{
    const std::string bytes = read_file(file);
    std::vector<std::string> fields;
    size_t at = 0;
    while (at < bytes.size() && fields.size() < 7) {
        const size_t length = (unsigned char)bytes[at++];
        std::string text;
        for (size_t i = 0; i < length && at < bytes.size(); ++i)
            text += char((unsigned char)bytes[at++] - i - 7);
        fields.push_back(text);
    }
    return fields;
}

TEST_F(whole_game_display_test, a_game_on_this_pc_is_played_to_the_survey_and_its_results_are_kept)
{
    ASSERT_TRUE(game->start((fs::path(ENGINE_BINARY_DIR) / "bin" / "Vizuzuze").string(), {"-datadir", "data"},
                            CLOCK_RATE, {"HOME=" + dir.string()}))
        << game->error();
    ASSERT_NE(game->wait_log("Location 'menu_space'", 90), std::string::npos) << game->log();
    // The main menu's "game" leads to the player set-up (its location "player_3"); "start_game" starts
    // the game with the human of this PC in seat 1 and seven computer players.
    size_t mark = game->log().size();
    program_driver::click_until_log(*game, control("screen_main.isc", "game"), "Location 'player_3'");
    ASSERT_NE(game->wait_log("Location 'player_3'", 30, mark), std::string::npos) << game->log();

    const fs::path store = dir / "config" / "Varnholt" / "Telvoran";
    // Between the two rows of answers, where nothing but the field shows.
    box items_at[7];
    for (int i = 1; i <= 6; ++i)
        items_at[i] = answer_item(i);
    const box &first = items_at[1], &second = items_at[2], &third = items_at[3];
    const box field_gap = {first.x + 8, first.y + first.h + 2, second.x + second.w - first.x - 16,
                           third.y - first.y - first.h - 4};
    // The question (or the prompt of a choice) above the answers: it tells one step from the next,
    // where the answers themselves read alike and change colour when chosen.
    box question_text, last_line;
    ASSERT_TRUE(program_driver::control_attribute_box(script("screen_game.isc"), "question_multi_static",
                                                      "static_rect_1", question_text));
    ASSERT_TRUE(program_driver::control_attribute_box(script("screen_game.isc"), "question_multi_static",
                                                      "static_rect_3", last_line));
    question_text.h = last_line.y + last_line.h - question_text.y;
    const auto card = [this](const char *screen) {
        return std::vector<box>{cells_of(control(screen, "character_edit")), cells_of(control(screen, "health_edit")),
                                cells_of(control(screen, "age_edit"))};
    };
    const std::vector<box> selector_cells = card("screen_game.isc"), vote_cells = card("screen_vote.isc");

    // A duel of round 6 is the one step the human can lose with every answer right: when the
    // opponent he chose answers right (a computer player's right answers are rare but not
    // impossible), the opponent takes his whole account, and on no money he ties or falls below
    // the others and leaves. Then, and only then, the game is played again from the set-up.
    int right = 0, wrong = 0, topics = 0, opponents = 0, votes = 0, games = 0;
    shot s;
    for (;;) {
        ASSERT_LT(games, MAX_GAMES) << "the human left after round 6 in every game";
        ++games;
        right = wrong = topics = opponents = votes = 0;
        // A game's end writes "History" anew (the human who played it, his score added to what
        // the table holds of him), or, when nothing there changes, leads back to the set-up.
        const std::string history_before = read_file(store / "History");
        const size_t game_mark = game->log().size();
        program_driver::click_until_log(*game, control("screen_command.isc", "start_game"), "Location 'studio'");
        ASSERT_NE(game->wait_log("Location 'studio'", 60, game_mark), std::string::npos) << game->log();
        // The studios where an answer was given right, and those where one was then given wrong on purpose.
        std::string right_in, wrong_in;
        // A question or a choice is acted on once: when it appears (the steps between two of the
        // human's show no answers), or when another one has stood unchanged for a second.
        text_extent acted_on, last_seen;
        int items_before = 0, unchanged = 0;
        bool chose_in_round_6 = false;
        auto last_picture = clock_type::now();
        program_driver::card_watch_c selector(selector_cells, EDIT_CELLS), vote(vote_cells, EDIT_CELLS);
        const auto end = clock_type::now() + std::chrono::duration<double>(GAME_LIMIT);
        while (read_file(store / "History") == history_before &&
               game->log().find("Location 'player_3'", game_mark) == std::string::npos) {
            ASSERT_TRUE(game->running()) << "the program ended during the game:\n" << program_driver::log_digest(game->log());
            if (clock_type::now() >= end && game->grab(s))
                keep_picture(s, "stuck");
            ASSERT_LT(clock_type::now(), end) << "no end of the game after " << GAME_LIMIT << " s: " << right
                                              << " right, " << wrong << " wrong, " << topics << " topics, " << opponents
                                              << " opponents, " << votes << " votes, in " << game->location() << "\n"
                                              << program_driver::log_digest(game->log());
            pause_seconds(0.2);
            if (!game->grab(s))
                continue;
            if (std::getenv("WHOLE_GAME_TRACE") && clock_type::now() - last_picture > std::chrono::seconds(10)) {
                keep_picture(s, "trace");
                last_picture = clock_type::now();
            }
            // A question or a topic choice of this PC's human: the answers (or six topics) on their field.
            int texts[7] = {};
            int items = 0;
            text_extent seen;
            if (dark_and_even(s, field_gap)) {
                items = program_driver::answers_shown(s, items_at, texts);
                seen = extent_of(s, question_text);
            }
            unchanged = seen.alike(last_seen) ? unchanged + 1 : 0;
            last_seen = seen;
            const bool asked = items == 4 || items == 6;
            const bool appeared = asked && items != items_before && unchanged >= 1;
            if (!asked || appeared)
                items_before = items;
            if (asked && (appeared || (!seen.alike(acted_on) && unchanged >= 5))) {
                acted_on = seen;
                int pick = 1;
                if (items == 6) {
                    keep_picture(s, "topics");
                    ++topics;
                } else {
                    // The right answer is the long line. Two answers of rounds 1 to 4 (where a wrong one
                    // costs no money) are given wrong, each after one given right in the same round: a
                    // player still on no money ties the computer players, and the lowest account's tie
                    // goes against the first seat, this PC's human. A round may give him one question.
                    const std::string where = game->location(), mark = where + ";";
                    const bool miss = wrong < 2 && std::regex_match(where, std::regex("studio[234]?")) &&
                                      right_in.find(mark) != std::string::npos && wrong_in.find(mark) == std::string::npos;
                    pick = program_driver::answer_by_length(texts, !miss);
                    (miss ? wrong_in : right_in) += mark;
                    keep_picture(s, miss ? "wrong" : "right");
                    ++(miss ? wrong : right);
                }
                if (std::getenv("WHOLE_GAME_TRACE"))
                    std::printf("%s: %d items (%d %d %d %d %d %d), item %d\n", game->location().c_str(), items, texts[1], texts[2],
                                texts[3], texts[4], texts[5], texts[6], pick);
                click(items_at[pick]);
                continue;
            }
            // An opponent choice of the human: the card of the pre-selected opponent and its button.
            if (selector.due(s)) {
                keep_picture(s, "opponent");
                click(control("screen_game.isc", "select_opponent"));
                ++opponents;
                chose_in_round_6 = chose_in_round_6 || game->location() == "studio6";
                continue;
            }
            // A vote: the card of the target the human points at, and its button "vote_against".
            if (vote.due(s)) {
                keep_picture(s, "vote");
                click(control("screen_vote.isc", "vote_against"));
                ++votes;
            }
        }
        const std::string log = game->log().substr(game_mark);
        if (log.find("Location 'final_studio'") != std::string::npos)
            break;
        ASSERT_TRUE(log.find("Location 'studio6'") != std::string::npos && chose_in_round_6)
            << "the game ended before the final: " << right << " right, " << wrong << " wrong, " << topics << " topics, "
            << opponents << " opponents, " << votes << " votes\n"
            << program_driver::log_digest(log);
        std::printf("game %d: the human left after round 6 (%d right, %d wrong); a new game from the set-up\n", games,
                    right, wrong);
        ASSERT_NE(game->wait_log("Location 'player_3'", 30, game_mark), std::string::npos)
            << "no set-up after the game:\n" << program_driver::log_digest(game->log());
    }
    pause_seconds(1.0);
    ASSERT_TRUE(fs::exists(store / "Hiscore")) << "the final's winner is not in the table";
    EXPECT_GE(wrong, 2);
    EXPECT_GE(right, 10);
    EXPECT_GE(topics, 1);
    EXPECT_GE(opponents, 1);
    EXPECT_GE(votes, 2);

    // The winner's table shows; its "ok" leads to the survey, where the form is filled and saved.
    const box ok = control("screen_hiscore.isc", "ok");
    const box surname = cells_of(control("screen_survey.isc", "surname_edit"));
    bool survey = false;
    for (int attempt = 0; attempt < 40 && !survey; ++attempt) {
        pause_seconds(0.5);
        ASSERT_TRUE(game->running()) << game->log();
        if (game->grab(s) && program_driver::mostly(s, surname, EDIT_CELLS)) {
            survey = true;
            break;
        }
        if (attempt % 4 == 3) {
            keep_picture(s, "hiscore");
            click(ok);
        }
    }
    ASSERT_TRUE(survey) << "no survey after the winner's table:\n" << game->log();
    // Nothing is typed: the game's key repeat runs on its clock, so a key held for a frame on the
    // test clock would type its letter several times. The form keeps what the game filled in.
    keep_picture(s, "survey");
    // A click that came before the program took clicks leaves the form standing: it is clicked
    // again then, and only then, since the set-up screen that follows has other controls there.
    mark = game->log().size();
    const box save = control("screen_survey.isc", "save_survey");
    for (int attempt = 0; attempt < 6; ++attempt) {
        if (attempt == 0 || (game->grab(s) && program_driver::mostly(s, surname, EDIT_CELLS)))
            click(save);
        if (game->wait_log("Location 'player_3'", 5, mark) != std::string::npos)
            break;
    }
    ASSERT_NE(game->wait_log("Location 'player_3'", 30, mark), std::string::npos)
        << "the survey did not lead back to the set-up:\n" << program_driver::log_digest(game->log());

    // The program ends in order: the close asks, "yes" of the exit window plays the credits, which
    // end it.
    for (int attempt = 0; attempt < 10 && game->running(); ++attempt) {
        game->close();
        pause_seconds(1.0);
        click({312 + 120, 294 + 110, 40, 32});
        game->wait_exit(5);
        if (game->running())
            game->key(XK_space);
        game->wait_exit(5);
    }
    ASSERT_FALSE(game->running()) << "the program did not end:\n" << game->log();
    EXPECT_EQ(game->exit_status(), 0);
    EXPECT_EQ(game->log().find("---------------------------"), std::string::npos) << game->log();

    // What the program kept: the winner in both tables with the score the survey names.
    const std::vector<program_driver::score_entry> hiscore = program_driver::read_score_table((store / "Hiscore").string()),
                                                   history = program_driver::read_score_table((store / "History").string());
    ASSERT_EQ(hiscore.size(), 1u);
    EXPECT_EQ(hiscore[0].name, HUMAN_NAME);
    EXPECT_GT(hiscore[0].score, 0);
    // History keeps the human once, with the scores of his games added: 0 for one he left.
    ASSERT_EQ(history.size(), 1u);
    EXPECT_TRUE(std::any_of(history.begin(), history.end(), [&](const program_driver::score_entry &e) {
        return e.name == HUMAN_NAME && e.score == hiscore[0].score;
    }));
    const std::vector<std::string> form = read_survey(dir / "winner.vrh");
    ASSERT_EQ(form.size(), 7u);
    EXPECT_EQ(form[3], std::to_string(hiscore[0].age));
    EXPECT_EQ(form[6], std::to_string(hiscore[0].score));
}

} // namespace
