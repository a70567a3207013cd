// The quiz's questions: one plain-text file per topic, grouped by round, and the topic table
// the game dispatcher keeps for the current round.
//
// File "questions/Round_<r>/Round_<r>_<k>.txt" (k from 1; under the data directory, read whole
// through the file object): cp1251, every line ending in CR LF. Line 1 is the topic's title;
// then groups of five lines, one per question: the question, the right answer, three wrong
// answers. A last group with fewer lines still makes a question; its missing answers leave
// their positions without text. Rounds 3 and 4 have 19 and 15 topic files, the others one.
// A line is what ends in CR: text after the last CR belongs to no line, a CR not followed by
// LF ends a line without eating the next byte, and a file without any CR is all title.
//
// Loading places each question's answers at random positions 0..3 (engine_rand, as
// rand() * 4 / 32768 until a free one comes up), the right one first; its position is kept.
// Texts point into the topic's own copy of the file, which lives until the topics are freed.
//
// Random choices never loop for ever: a topic whose questions are all used starts over (its
// questions may be asked again); offering six topics takes distinct topics with unused
// questions first, then distinct used-up ones, and repeats topics only when there are fewer
// than six. A topic without questions cannot be drawn from, and an empty table offers
// nothing: both throw exception_c. Topic numbers outside the table are the assertion
// "top_nmb < m_topic_nmb"; more than 30 topics the assertion "m_topic_nmb < TOPIC_CAPACITY".
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr int TOPIC_CAPACITY = 30;
constexpr int ANSWER_POSITIONS = 4;
constexpr int OFFERED_TOPICS = 6;

struct question_desc
{
    uint8_t m_used;              // 1 once asked in this round
    int32_t m_answ_nmb;          // always ANSWER_POSITIONS
    int32_t m_right_answer;      // position of the right answer, -1 before it is placed
    const char *m_question;      // null when the file gave none
    const char *m_answers[ANSWER_POSITIONS]; // by position; null where no line was placed
};

class topic_table_c
{
public:
    topic_table_c();
    ~topic_table_c();
    topic_table_c(const topic_table_c &) = delete;
    topic_table_c &operator=(const topic_table_c &) = delete;

    // The number of topic files of the round (0 outside 1..8).
    static int files_of_round(int round);

    // Frees the topics, then loads every file of the round. A missing file throws the file
    // object's error and leaves the topics loaded before it.
    void load_round(int round);
    // Loads file `file` (0-based) of the round as the next topic.
    void load_topic(int round, int file);
    void free_topics();

    int topic_nmb() const { return m_topic_nmb; }
    const char *title(int topic) const;
    int question_count(int topic) const;
    const question_desc &question(int topic, int index) const;

    // Every question used (a topic without questions counts as used up).
    bool topic_exhausted(int topic) const;
    // A random unused question of the topic, marked used; its index.
    int draw_question(int topic);
    // Six topic numbers for a topic choice.
    void offer_topics(int32_t offered[OFFERED_TOPICS]);

private:
    void check_topic(int topic) const;

    int32_t m_topic_nmb;
    const char *m_titles[TOPIC_CAPACITY];
    std::unique_ptr<char[]> m_buffers[TOPIC_CAPACITY];
    std::unique_ptr<question_desc[]> m_questions[TOPIC_CAPACITY];
    int32_t m_counts[TOPIC_CAPACITY];
};

// The menu text of a question packet: `first`, then "_" and each item, cut to fit `size`
// bytes with its terminator (the packet's field is 512). Null items add "_" alone.
void build_menu_text(char *out, size_t size, const char *first, const char *const *items, int count);
