#include "game/questions.h"

#include "basics/helpers.h"
#include "basics/vaultfile_obj.h"
#include "kernel/assert_quoting.h"
#include "kernel/exception.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// rand() * n / 32768 in 64 bits: n may be any count a file can give.
int random_below(int64_t n) { return (int)((int64_t)engine_rand() * n / (ENGINE_RAND_MAX + 1)); }

int place_answer(question_desc &q, const char *line)
{
    int free_positions = 0;
    for (const char *a : q.m_answers)
        free_positions += a == nullptr;
    ENGINE_ASSERT_QUOTING(free_positions > 0, "i < m_answ_nmb");
    int p;
    do
        p = random_below(q.m_answ_nmb);
    while (q.m_answers[p]);
    q.m_answers[p] = line;
    return p;
}

} // namespace

topic_table_c::topic_table_c() : m_topic_nmb(0), m_titles{}, m_counts{} {}

topic_table_c::~topic_table_c() = default;

int topic_table_c::files_of_round(int round)
{
    if (round == 3)
        return 19;
    if (round == 4)
        return 15;
    return round >= 1 && round <= 8 ? 1 : 0;
}

void topic_table_c::load_round(int round)
{
    free_topics();
    for (int k = 0; k < files_of_round(round); ++k)
        load_topic(round, k);
}

void topic_table_c::load_topic(int round, int file)
{
    ENGINE_ASSERT(m_topic_nmb < TOPIC_CAPACITY);
    char path[96];
    std::snprintf(path, sizeof path, "questions/Round_%d/Round_%d_%d.txt", round, round, file + 1);
    vaultfile_c f(path, VFILE_READ | VFILE_NO_NAME);
    const unsigned long size = f.size();
    if (size >= (unsigned long)INT_MAX)
        ENGINE_THROW(file_io_exception_c, std::string("Question file is too large '") + path + "'");
    std::unique_ptr<char[]> buffer(new char[size + 1]);
    f.read(buffer.get(), (int)size);
    f.close();
    buffer[size] = 0;

    char *text = buffer.get();
    const int64_t end = (int64_t)size;
    // Ends the line whose CR is at i; returns where the next line starts.
    auto end_line = [&](int64_t i) {
        text[i] = 0;
        if (i + 1 < end && text[i + 1] == '\n') {
            text[i + 1] = 0;
            return i + 2;
        }
        return i + 1;
    };
    int64_t body = end;
    for (int64_t i = 0; i < end; ++i)
        if (text[i] == '\r') {
            body = end_line(i);
            break;
        }
    std::vector<const char *> lines;
    for (int64_t start = body, i = body; i < end;)
        if (text[i] == '\r') {
            lines.push_back(text + start);
            start = i = end_line(i);
        } else
            ++i;

    const int64_t count = ((int64_t)lines.size() + 4) / 5;
    std::unique_ptr<question_desc[]> questions(new question_desc[(size_t)count]);
    for (int64_t q = 0; q < count; ++q)
        questions[q] = question_desc{0, ANSWER_POSITIONS, -1, nullptr, {}};
    for (size_t i = 0; i < lines.size(); ++i) {
        const int64_t q = (int64_t)i / 5;
        ENGINE_ASSERT_QUOTING(q < count, "Quest desc access violation");
        if (i % 5 == 0)
            questions[q].m_question = lines[i];
        else {
            int p = place_answer(questions[q], lines[i]);
            if (i % 5 == 1)
                questions[q].m_right_answer = p;
        }
    }

    m_titles[m_topic_nmb] = text;
    m_buffers[m_topic_nmb] = std::move(buffer);
    m_questions[m_topic_nmb] = std::move(questions);
    m_counts[m_topic_nmb] = (int32_t)count;
    ++m_topic_nmb;
}

void topic_table_c::free_topics()
{
    for (int t = 0; t < m_topic_nmb; ++t) {
        ENGINE_ASSERT_QUOTING(m_buffers[t], "Topic should have been loaded !");
        m_questions[t].reset();
        m_buffers[t].reset();
        m_titles[t] = nullptr;
        m_counts[t] = 0;
    }
    m_topic_nmb = 0;
}

void topic_table_c::check_topic(int topic) const
{
    ENGINE_ASSERT_QUOTING(topic >= 0 && topic < m_topic_nmb, "top_nmb < m_topic_nmb");
}

const char *topic_table_c::title(int topic) const
{
    check_topic(topic);
    return m_titles[topic];
}

int topic_table_c::question_count(int topic) const
{
    check_topic(topic);
    return m_counts[topic];
}

const question_desc &topic_table_c::question(int topic, int index) const
{
    check_topic(topic);
    ENGINE_ASSERT(index >= 0 && index < m_counts[topic]);
    return m_questions[topic][index];
}

bool topic_table_c::topic_exhausted(int topic) const
{
    check_topic(topic);
    for (int q = 0; q < m_counts[topic]; ++q)
        if (!m_questions[topic][q].m_used)
            return false;
    return true;
}

int topic_table_c::draw_question(int topic)
{
    check_topic(topic);
    const int n = m_counts[topic];
    if (n == 0)
        ENGINE_THROW(exception_c, std::string("No questions in topic '") + m_titles[topic] + "'");
    question_desc *questions = m_questions[topic].get();
    if (topic_exhausted(topic))
        for (int q = 0; q < n; ++q)
            questions[q].m_used = 0;
    int q = random_below(n);
    // Beyond 32768 questions the generator cannot reach every index: step to the next one.
    while (questions[q].m_used)
        q = n <= ENGINE_RAND_MAX + 1 ? random_below(n) : (q + 1) % n;
    questions[q].m_used = 1;
    return q;
}

void topic_table_c::offer_topics(int32_t offered[OFFERED_TOPICS])
{
    if (m_topic_nmb == 0)
        ENGINE_THROW(exception_c, "No topics to offer");
    for (int i = 0; i < OFFERED_TOPICS; ++i) {
        auto listed = [&](int c) {
            for (int j = 0; j < i; ++j)
                if (offered[j] == c)
                    return true;
            return false;
        };
        int fresh = 0, unlisted = 0;
        for (int c = 0; c < m_topic_nmb; ++c)
            if (!listed(c)) {
                ++unlisted;
                fresh += !topic_exhausted(c);
            }
        int c;
        if (fresh > 0)
            do
                c = random_below(m_topic_nmb);
            while (listed(c) || topic_exhausted(c));
        else if (unlisted > 0)
            do
                c = random_below(m_topic_nmb);
            while (listed(c));
        else
            c = random_below(m_topic_nmb);
        offered[i] = c;
    }
}

void build_menu_text(char *out, size_t size, const char *first, const char *const *items, int count)
{
    if (size == 0)
        return;
    size_t used = 0;
    auto add = [&](const char *s) {
        if (!s)
            return;
        size_t n = std::strlen(s);
        if (n > size - 1 - used)
            n = size - 1 - used;
        std::memcpy(out + used, s, n);
        used += n;
    };
    add(first);
    for (int i = 0; i < count; ++i) {
        add("_");
        add(items[i]);
    }
    out[used] = 0;
}
