// The question files delivered with the game: every round loads, every question is whole, and
// a round plays out its longest course without running short of questions or topics.
#include "game/questions.h"
#include "tests/game/questions/question_dir.h"

#include "basics/helpers.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

namespace {

class demo_questions_test : public question_dir_test
{
protected:
    void SetUp() override
    {
        question_dir_test::SetUp();
        std::filesystem::create_directory_symlink(std::filesystem::path(ENGINE_SOURCE_DIR) / "data", m_dir / "data");
    }
    topic_table_c topics;
};

// Printable cp1251 only, and no "_", which separates the items of a question packet's menu.
bool clean_text(const char *s)
{
    if (!s || !*s)
        return false;
    for (const unsigned char *p = (const unsigned char *)s; *p; ++p)
        if (*p < 32 || *p == '_' || *p == 127 || *p == 0x98)
            return false;
    return true;
}

TEST_F(demo_questions_test, every_file_is_crlf_lines_of_whole_questions)
{
    for (int round = 1; round <= 8; ++round)
        for (int k = 1; k <= topic_table_c::files_of_round(round); ++k) {
            std::string name = "Round_" + std::to_string(round) + "_" + std::to_string(k) + ".txt";
            std::ifstream in(m_dir / "data" / "questions" / ("Round_" + std::to_string(round)) / name,
                             std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            ASSERT_GE(bytes.size(), 2u) << name;
            EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << name;
            for (size_t i = 0; i < bytes.size(); ++i) {
                if (bytes[i] == '\r') {
                    ASSERT_EQ(bytes[i + 1], '\n') << name << " at " << i;
                }
                if (bytes[i] == '\n') {
                    ASSERT_EQ(bytes[i - 1], '\r') << name << " at " << i;
                }
            }
        }
    for (int round = 1; round <= 8; ++round) {
        topics.load_round(round);
        ASSERT_EQ(topics.topic_nmb(), topic_table_c::files_of_round(round));
        for (int t = 0; t < topics.topic_nmb(); ++t) {
            EXPECT_TRUE(clean_text(topics.title(t))) << round << "/" << t;
            for (int q = 0; q < topics.question_count(t); ++q) {
                const question_desc &d = topics.question(t, q);
                EXPECT_TRUE(clean_text(d.m_question)) << round << "/" << t << "/" << q;
                std::set<std::string> answers;
                for (const char *a : d.m_answers) {
                    EXPECT_TRUE(clean_text(a)) << round << "/" << t << "/" << q;
                    answers.insert(a ? a : "");
                }
                EXPECT_EQ(answers.size(), 4u) << "answers differ: " << round << "/" << t << "/" << q;
                char menu[512];
                build_menu_text(menu, sizeof menu, d.m_question, d.m_answers, 4);
                EXPECT_LT(std::strlen(menu), 400u) << round << "/" << t << "/" << q;
            }
        }
    }
}

TEST_F(demo_questions_test, each_round_has_questions_for_its_whole_course)
{
    // Questions one round asks at most; the finals go on past ten on a tie, so they get more.
    const int asked[9] = {0, 24, 21, 18, 10, 8, 3, 14, 14};
    for (int round : {1, 2, 5, 6, 7, 8}) {
        topics.load_round(round);
        EXPECT_GE(topics.question_count(0), asked[round]) << round;
    }
    // Topic rounds: at every choice six topics with unused questions, however the choosers pick.
    for (int round : {3, 4})
        for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
            engine_srand(seed);
            topics.load_round(round);
            for (int step = 0; step < asked[round]; ++step) {
                int32_t offered[OFFERED_TOPICS];
                topics.offer_topics(offered);
                std::set<int> distinct(offered, offered + OFFERED_TOPICS);
                ASSERT_EQ(distinct.size(), 6u) << round;
                for (int32_t t : offered)
                    ASSERT_FALSE(topics.topic_exhausted(t)) << round << ", step " << step;
                // The worst chooser keeps to the first topic offered.
                topics.draw_question(offered[seed % 2 ? 0 : engine_rand() * 6 / 32768]);
            }
        }
}

} // namespace
