// Question files read into the topic table, and the random draws over it.
#include "game/questions.h"
#include "tests/game/questions/question_dir.h"
#include "tests/game/timers/game_listener.h"

#include "basics/helpers.h"
#include "kernel/exception.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

namespace {

std::string text(const char *s) { return s ? s : "-"; }

// "question|right answer|the four positions", texts or "-" for none.
std::string describe(const question_desc &q)
{
    std::string s = text(q.m_question) + "|";
    s += q.m_right_answer >= 0 && q.m_right_answer < 4 ? text(q.m_answers[q.m_right_answer]) : "?";
    s += "|";
    std::vector<std::string> placed;
    for (const char *a : q.m_answers)
        placed.push_back(text(a));
    std::sort(placed.begin(), placed.end());
    for (size_t i = 0; i < placed.size(); ++i)
        s += (i ? "," : "") + placed[i];
    return s;
}

class questions_test : public question_dir_test
{
protected:
    topic_table_c topics;
};

TEST_F(questions_test, a_file_gives_its_title_and_questions_with_the_right_answer_placed)
{
    const struct
    {
        const char *what;
        std::string bytes;
        std::string title;
        std::vector<std::string> questions; // describe() of each, in file order
    } cases[] = {
        {"two whole groups", crlf_lines({"Space", "Q1", "R1", "W1", "X1", "Y1", "Q2", "R2", "W2", "X2", "Y2"}),
         "Space", {"Q1|R1|R1,W1,X1,Y1", "Q2|R2|R2,W2,X2,Y2"}},
        {"a short last group still counts", crlf_lines({"T", "Q1", "R1", "W1", "X1", "Y1", "Q2", "R2", "W2"}),
         "T", {"Q1|R1|R1,W1,X1,Y1", "Q2|R2|-,-,R2,W2"}},
        {"a question without answers", crlf_lines({"T", "Q1"}), "T", {"Q1|?|-,-,-,-"}},
        {"the first byte CR: empty title", crlf_lines({"", "Q", "R", "W", "X", "Y"}), "", {"Q|R|R,W,X,Y"}},
        {"title only", crlf_lines({"Lonely"}), "Lonely", {}},
        {"empty file", "", "", {}},
        {"no CR at all: everything is the title", "All\ntitle", "All\ntitle", {}},
        {"text after the last CR is no line", crlf_lines({"T", "Q", "R"}) + "W", "T", {"Q|R|-,-,-,R"}},
        {"a last CR without LF", "T\r\nQ\r\nR\r", "T", {"Q|R|-,-,-,R"}},
        {"a bare CR keeps the next byte", "T\rQ\rR\r\n", "T", {"Q|R|-,-,-,R"}},
        {"empty lines are lines", crlf_lines({"T", "", "", "W", "X", "Y"}), "T", {"||,W,X,Y"}},
    };
    for (const auto &c : cases) {
        write_topic(1, 1, c.bytes);
        topics.load_round(1);
        ASSERT_EQ(topics.topic_nmb(), 1) << c.what;
        EXPECT_EQ(topics.title(0), c.title) << c.what;
        ASSERT_EQ(topics.question_count(0), (int)c.questions.size()) << c.what;
        for (int q = 0; q < topics.question_count(0); ++q) {
            const question_desc &d = topics.question(0, q);
            EXPECT_EQ(describe(d), c.questions[q]) << c.what << ", question " << q;
            EXPECT_EQ(d.m_used, 0) << c.what;
            EXPECT_EQ(d.m_answ_nmb, 4) << c.what;
        }
    }
}

TEST_F(questions_test, the_right_answer_lands_on_every_position_over_many_loads)
{
    write_topic(1, 1, crlf_lines({"T", "Q", "R", "W", "X", "Y"}));
    engine_srand(7);
    std::set<int> positions;
    for (int i = 0; i < 64; ++i) {
        topics.load_round(1);
        const question_desc &q = topics.question(0, 0);
        ASSERT_STREQ(q.m_answers[q.m_right_answer], "R");
        positions.insert(q.m_right_answer);
    }
    EXPECT_EQ(positions, (std::set<int>{0, 1, 2, 3}));
}

TEST_F(questions_test, rounds_load_their_number_of_files_and_a_missing_one_throws)
{
    for (int round = 0; round <= 9; ++round) {
        const int files = round == 3 ? 19 : round == 4 ? 15 : round >= 1 && round <= 8 ? 1 : 0;
        EXPECT_EQ(topic_table_c::files_of_round(round), files) << round;
    }
    for (int k = 1; k <= 19; ++k)
        write_topic(3, k, crlf_lines({"Topic " + std::to_string(k), "Q", "R", "W", "X", "Y"}));
    topics.load_round(3);
    ASSERT_EQ(topics.topic_nmb(), 19);
    EXPECT_STREQ(topics.title(0), "Topic 1");
    EXPECT_STREQ(topics.title(18), "Topic 19");
    // Round 4 reads 15 files; the round's start frees the last round's topics first.
    for (int k = 1; k <= 14; ++k)
        write_topic(4, k, crlf_lines({"R4", "Q", "R", "W", "X", "Y"}));
    try {
        topics.load_round(4);
        ADD_FAILURE() << "file 15 is missing";
    } catch (const file_io_exception_c &) {
    }
    EXPECT_EQ(topics.topic_nmb(), 14);
    write_topic(4, 15, crlf_lines({"R4", "Q", "R", "W", "X", "Y"}));
    topics.load_round(4);
    EXPECT_EQ(topics.topic_nmb(), 15);
}

TEST_F(questions_test, topic_numbers_outside_the_table_and_a_31st_topic_are_assertions)
{
    write_topic(1, 1, crlf_lines({"T", "Q", "R", "W", "X", "Y"}));
    topics.load_round(1);
    const std::string outside = "Debug assertion failed! Expression: \"top_nmb < m_topic_nmb\"";
    for (int t : {-1, 1, 1000}) {
        EXPECT_EQ(thrown_text([&] { topics.topic_exhausted(t); }), outside) << t;
        EXPECT_EQ(thrown_text([&] { topics.draw_question(t); }), outside) << t;
        EXPECT_EQ(thrown_text([&] { topics.title(t); }), outside) << t;
    }
    for (int i = 1; i < TOPIC_CAPACITY; ++i)
        topics.load_topic(1, 0);
    EXPECT_EQ(topics.topic_nmb(), TOPIC_CAPACITY);
    EXPECT_EQ(thrown_text([&] { topics.load_topic(1, 0); }),
              "Debug assertion failed! Expression: \"m_topic_nmb < TOPIC_CAPACITY\"");
    topics.free_topics();
    EXPECT_EQ(topics.topic_nmb(), 0);
}

TEST_F(questions_test, a_drawn_question_is_not_drawn_again_until_the_round_reloads)
{
    std::string file = "T\r\n";
    for (int q = 0; q < 5; ++q)
        file += crlf_lines({"Q" + std::to_string(q), "R", "W", "X", "Y"});
    write_topic(1, 1, file);
    engine_srand(11);
    topics.load_round(1);
    std::set<int> drawn;
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(topics.topic_exhausted(0));
        int q = topics.draw_question(0);
        EXPECT_TRUE(drawn.insert(q).second) << "question " << q << " twice";
        EXPECT_EQ(topics.question(0, q).m_used, 1);
    }
    EXPECT_TRUE(topics.topic_exhausted(0));
    // A used-up topic starts over rather than searching for ever.
    int again = topics.draw_question(0);
    EXPECT_EQ(topics.question(0, again).m_used, 1);
    EXPECT_FALSE(topics.topic_exhausted(0));
    topics.load_round(1);
    for (int q = 0; q < 5; ++q)
        EXPECT_EQ(topics.question(0, q).m_used, 0);
}

TEST_F(questions_test, a_topic_without_questions_is_used_up_and_cannot_be_drawn_from)
{
    write_topic(1, 1, crlf_lines({"Empty"}));
    topics.load_round(1);
    EXPECT_TRUE(topics.topic_exhausted(0));
    EXPECT_EQ(thrown_text([&] { topics.draw_question(0); }), "No questions in topic 'Empty'");
}

TEST_F(questions_test, six_offered_topics_are_distinct_and_not_used_up_while_there_are_such)
{
    for (int k = 1; k <= 15; ++k)
        write_topic(4, k, crlf_lines({"T" + std::to_string(k), "Q", "R", "W", "X", "Y"}));
    engine_srand(3);
    topics.load_round(4);
    // Use up topics 0..8: six remain.
    for (int t = 0; t < 9; ++t)
        topics.draw_question(t);
    for (int round = 0; round < 20; ++round) {
        int32_t offered[OFFERED_TOPICS];
        topics.offer_topics(offered);
        std::set<int> seen(offered, offered + OFFERED_TOPICS);
        EXPECT_EQ(seen, (std::set<int>{9, 10, 11, 12, 13, 14}));
    }
    // Two more used up: four fresh topics first, then two distinct used-up ones.
    topics.draw_question(9);
    topics.draw_question(10);
    int32_t offered[OFFERED_TOPICS];
    topics.offer_topics(offered);
    std::set<int> seen(offered, offered + OFFERED_TOPICS);
    EXPECT_EQ(seen.size(), 6u);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(topics.topic_exhausted(offered[i])) << i;
}

TEST_F(questions_test, fewer_than_six_topics_are_offered_with_repeats_and_none_is_an_error)
{
    for (int k = 1; k <= 2; ++k)
        write_topic(3, k, crlf_lines({"T", "Q", "R", "W", "X", "Y"}));
    topics.load_topic(3, 0);
    topics.load_topic(3, 1);
    int32_t offered[OFFERED_TOPICS];
    topics.offer_topics(offered);
    std::set<int> seen(offered, offered + OFFERED_TOPICS);
    EXPECT_EQ(seen, (std::set<int>{0, 1}));
    topics.free_topics();
    EXPECT_EQ(thrown_text([&] { topics.offer_topics(offered); }), "No topics to offer");
}

TEST(menu_text, items_follow_the_first_text_after_underscores_and_are_cut_to_the_field)
{
    const char *answers[] = {"A", "B", "C", "D"};
    char out[512];
    build_menu_text(out, sizeof out, "Q", answers, 4);
    EXPECT_STREQ(out, "Q_A_B_C_D");
    const char *gaps[] = {nullptr, "B"};
    build_menu_text(out, sizeof out, "Q", gaps, 2);
    EXPECT_STREQ(out, "Q__B");
    build_menu_text(out, sizeof out, "Q", answers, 0);
    EXPECT_STREQ(out, "Q");
    // A question file's lines may be longer than the packet's field.
    std::string long_line(600, 'x');
    const char *one[] = {long_line.c_str()};
    std::string guard(16, '#');
    char field[512 + 16];
    std::memcpy(field + 512, guard.data(), 16);
    build_menu_text(field, 512, "Q", one, 1);
    EXPECT_EQ(std::strlen(field), 511u);
    EXPECT_EQ(std::string(field, 3), "Q_x");
    EXPECT_EQ(std::string(field + 512, 16), guard);
}

} // namespace
