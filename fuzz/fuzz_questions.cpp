// Question files: the input is one topic file, read as round 1's file. Every question the
// loader makes has its texts inside the file's copy and its right answer among its placed
// answers; drawing every question and once more, offering topics and building the menu text
// of each question must all end.
#include "fuzz/fuzz_support.h"
#include "game/questions.h"
#include "kernel/exception.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void fault(const char *what, int question)
{
    std::fprintf(stderr, "fuzz_questions: %s (question %d)\n", what, question);
    std::abort();
}

} // namespace

void fuzz::harness_setup()
{
    fuzz::enter_scratch_dir();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data("questions/Round_1/Round_1_1.txt", data, size);
    topic_table_c topics;
    try {
        topics.load_round(1);
    } catch (const exception_c &e) {
        fuzz::refused(e);
        return 0;
    }
    if (topics.topic_nmb() != 1)
        fault("one file is not one topic", -1);
    size_t lines = 0;
    for (size_t i = 0; i < size; ++i)
        lines += data[i] == '\r';
    lines = lines ? lines - 1 : 0;
    const int count = topics.question_count(0);
    if ((size_t)count != (lines + 4) / 5)
        fault("question count is not the lines after the title in fives", count);
    size_t length = std::strlen(topics.title(0));
    for (int q = 0; q < count; ++q) {
        const question_desc &d = topics.question(0, q);
        int placed = 0;
        for (const char *a : d.m_answers)
            if (a) {
                ++placed;
                length += std::strlen(a);
            }
        if (d.m_question)
            length += std::strlen(d.m_question);
        if (placed > 0 && (d.m_right_answer < 0 || d.m_right_answer > 3 || !d.m_answers[d.m_right_answer]))
            fault("the right answer is not a placed answer", q);
        if (placed == 0 && d.m_right_answer != -1)
            fault("a right answer without answers", q);
        char menu[512];
        build_menu_text(menu, sizeof menu, d.m_question, d.m_answers, ANSWER_POSITIONS);
        if (std::strlen(menu) >= sizeof menu)
            fault("the menu text overran its field", q);
    }
    if (length > size)
        fault("texts longer than the file", -1);
    try {
        for (int i = 0; i <= count; ++i)
            topics.draw_question(0);
        int32_t offered[OFFERED_TOPICS];
        topics.offer_topics(offered);
        for (int32_t t : offered)
            if (t != 0)
                fault("a topic offered that is not loaded", t);
    } catch (const exception_c &e) {
        if (count != 0)
            fault("a topic with questions refused a draw", count);
        fuzz::refused(e);
    }
    fuzz::keep((double)length);
    return 0;
}
