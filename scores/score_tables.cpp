#include "scores/score_tables.h"

#include "kernel/assert_quoting.h"
#include "scores/game_registry.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

int32_t add_scores(int32_t a, int32_t b)
{
    const int64_t sum = int64_t(a) + int64_t(b);
    return int32_t(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

std::vector<uint8_t> score_table_value(const hiscore_entry *entries, int count)
{
    const int32_t n = std::max(count, 0);
    std::vector<uint8_t> bytes(sizeof n + sizeof(hiscore_entry) * size_t(n));
    std::memcpy(bytes.data(), &n, sizeof n);
    if (n > 0)
        std::memcpy(bytes.data() + sizeof n, entries, sizeof(hiscore_entry) * size_t(n));
    return bytes;
}

score_table_c::score_table_c(abstract_c *parent) : abstract_c(parent), m_entry_nmb(0)
{
}

void score_table_c::on_shutdown()
{
    std::vector<hiscore_entry>().swap(m_entry_buf);
}

void score_table_c::load_table(const char *value_name)
{
    game_value_state state = GAME_VALUE_MISSING;
    const std::vector<uint8_t> bytes = game_registry_read(value_name, &state);
    m_unreadable = state == GAME_VALUE_UNREADABLE;
    int32_t count = 0;
    if (bytes.size() >= sizeof count)
        std::memcpy(&count, bytes.data(), sizeof count);
    const size_t present = bytes.size() >= sizeof count ? (bytes.size() - sizeof count) / sizeof(hiscore_entry) : 0;
    m_entry_nmb = int32_t(std::min<int64_t>(std::max<int32_t>(count, 0), int64_t(present)));
    // Room for one more, so that an insertion never has to grow the block.
    m_entry_buf.reserve(size_t(m_entry_nmb) + 1);
    m_entry_buf.resize(size_t(m_entry_nmb));
    if (m_entry_nmb > 0)
        std::memcpy(m_entry_buf.data(), bytes.data() + sizeof count, sizeof(hiscore_entry) * size_t(m_entry_nmb));
    for (hiscore_entry &e : m_entry_buf)
        e.m_name[sizeof e.m_name - 1] = '\0';
}

void score_table_c::save_table(const char *value_name)
{
    if (m_entry_nmb == 0)
        return;
    // The scores a table held are kept, if not readable, rather than lost under the new one.
    if (m_unreadable && !game_registry_keep_aside(value_name))
        return;
    const std::vector<uint8_t> bytes =
        score_table_value(m_entry_buf.data(), std::min<int32_t>(m_entry_nmb, SCORE_TABLE_MAX));
    game_registry_write(value_name, bytes.data(), bytes.size());
}

int score_table_c::find_name(const char *name) const
{
    for (int i = 0; i < m_entry_nmb; ++i)
        if (std::strcmp(m_entry_buf[size_t(i)].m_name, name) == 0)
            return i;
    return -1;
}

void score_table_c::insert_entry(const hiscore_entry &entry)
{
    hiscore_entry e = entry;
    e.m_name[sizeof e.m_name - 1] = '\0';
    const int pos = find_name(e.m_name);
    if (pos >= 0) {
        replace_entry(pos, e, true);
        return;
    }
    add_new(e);
    ++m_entry_nmb;
}

int32_t score_table_c::remove_matching(int pos, const hiscore_entry &entry)
{
    const hiscore_entry *phe = &entry;
    ENGINE_ASSERT_QUOTING(pos >= 0 && pos < m_entry_nmb && !std::strcmp(phe->m_name, m_entry_buf[size_t(pos)].m_name),
                          "!strcmp(phe->m_name, m_entry_buf[pos].m_name)");
    const int32_t score = m_entry_buf[size_t(pos)].m_score;
    m_entry_buf.erase(m_entry_buf.begin() + pos);
    return score;
}

void score_table_c::insert(const char *value_name, const hiscore_entry *entry)
{
    load_table(value_name);
    insert_entry(*entry);
    save_table(value_name);
    shutdown_tree();
}

void score_table_c::read(const char *value_name, int max, hiscore_entry *out, int *count)
{
    load_table(value_name);
    const int n = std::clamp(max, 0, int(m_entry_nmb));
    std::copy_n(m_entry_buf.begin(), n, out);
    *count = n;
    shutdown_tree();
}

void score_table_c::set_score(const char *value_name, const char *name, int score)
{
    load_table(value_name);
    const int pos = find_name(name);
    if (pos >= 0) {
        hiscore_entry e = m_entry_buf[size_t(pos)];
        e.m_score = score;
        replace_entry(pos, e, false);
        save_table(value_name);
    }
    shutdown_tree();
}

hiscore_table_c::hiscore_table_c(abstract_c *parent, const char *value_name, const hiscore_entry *entry)
    : score_table_c(parent)
{
    insert(value_name, entry);
}

hiscore_table_c::hiscore_table_c(abstract_c *parent, const char *value_name, int max, hiscore_entry *out, int *count)
    : score_table_c(parent)
{
    read(value_name, max, out, count);
}

hiscore_table_c::hiscore_table_c(abstract_c *parent, const char *value_name, const char *name, int score)
    : score_table_c(parent)
{
    set_score(value_name, name, score);
}

void hiscore_table_c::rise(int pos)
{
    for (; pos > 0 && m_entry_buf[size_t(pos) - 1].m_score < m_entry_buf[size_t(pos)].m_score; --pos)
        std::swap(m_entry_buf[size_t(pos) - 1], m_entry_buf[size_t(pos)]);
}

void hiscore_table_c::add_new(const hiscore_entry &entry)
{
    m_entry_buf.push_back(entry);
    rise(int(m_entry_buf.size()) - 1);
}

void hiscore_table_c::replace_entry(int pos, const hiscore_entry &entry, bool add)
{
    const int32_t old = remove_matching(pos, entry);
    m_entry_buf.push_back(entry);
    m_entry_buf.back().m_score = add ? add_scores(entry.m_score, old) : entry.m_score;
    rise(int(m_entry_buf.size()) - 1);
}

history_table_c::history_table_c(abstract_c *parent, const char *value_name, const hiscore_entry *entry)
    : score_table_c(parent)
{
    insert(value_name, entry);
}

history_table_c::history_table_c(abstract_c *parent, const char *value_name, int max, hiscore_entry *out, int *count)
    : score_table_c(parent)
{
    read(value_name, max, out, count);
}

history_table_c::history_table_c(abstract_c *parent, const char *value_name, const char *name, int score)
    : score_table_c(parent)
{
    set_score(value_name, name, score);
}

void history_table_c::add_new(const hiscore_entry &entry)
{
    m_entry_buf.insert(m_entry_buf.begin(), entry);
}

void history_table_c::replace_entry(int pos, const hiscore_entry &entry, bool add)
{
    const int32_t old = remove_matching(pos, entry);
    m_entry_buf.insert(m_entry_buf.begin(), entry);
    m_entry_buf.front().m_score = add ? add_scores(entry.m_score, old) : entry.m_score;
}
