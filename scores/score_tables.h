// The score tables in the registry: what a game writes and the hiscore and history screens read.
//
// Two tables of results live as REG_BINARY values of the game's registry key (see
// scores/game_registry.h): "Hiscore" (highest score first; among equal scores the older entry stays
// above) and "History" (most recent first). A value is an int32 count followed by that many
// 164-byte hiscore_entry records, little-endian; the game writes 1 to 5 entries. Nothing keeps a
// table in memory: every operation is one object that loads the value, changes it, writes it back
// when it changed, and shuts itself down before its constructor returns (the tree deletes it with
// the other dead objects). The caller makes it as a child of itself and forgets it.
//   insert     the entry's name already in the table: that entry gets the sum of both scores
//              (clamped to the int32 range) and moves as a changed entry moves; otherwise the
//              entry is placed (Hiscore: by score; History: first). The first five are written.
//   read       copies min(max, entries) entries in table order; writes nothing.
//   set score  the first entry of that name (exact bytes) takes the score and moves (Hiscore:
//              to its sorted place below equal scores; History: to the top) and the table is
//              written; no such entry: nothing is written.
// A stored value is hostile input: one shorter than 4 bytes or with a negative count reads as
// empty, a count beyond the whole entries present counts only those, and every name is cut
// to end inside its 128 bytes. A missing key or value is an empty table and an insert makes the
// key. A value that is there but cannot be read (over 1 MiB, say) is an empty table too, and an
// insert first keeps it aside under another name, writing nothing when that fails; a failing
// write leaves the old value. Each failure leaves its line in the console log
// (scores/game_registry.h).
#pragma once

#include "kernel/abstract.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

static_assert(std::endian::native == std::endian::little, "the stored tables are little-endian");

struct hiscore_entry
{
    char m_name[128];
    int32_t m_job;
    int32_t m_hobby;
    int32_t m_score;
    int32_t m_intellect;
    int32_t m_pulse;
    int32_t m_health;
    int32_t m_portr_nmb;
    int32_t m_age;
    int32_t m_character;
};
static_assert(sizeof(hiscore_entry) == 164 && offsetof(hiscore_entry, m_job) == 128 &&
                  offsetof(hiscore_entry, m_score) == 136 && offsetof(hiscore_entry, m_character) == 160,
              "hiscore_entry is laid out as stored");

// At most this many entries are written.
constexpr int SCORE_TABLE_MAX = 5;

// The bytes of a stored table holding count entries (the count word, then the entries).
std::vector<uint8_t> score_table_value(const hiscore_entry *entries, int count);

// What the two tables share; the derived classes place new and changed entries.
class score_table_c : public abstract_c
{
public:
    void on_shutdown() override;

protected:
    explicit score_table_c(abstract_c *parent);

    void load_table(const char *value_name);
    void save_table(const char *value_name);
    void insert_entry(const hiscore_entry &entry);
    int find_name(const char *name) const;
    void insert(const char *value_name, const hiscore_entry *entry);
    void read(const char *value_name, int max, hiscore_entry *out, int *count);
    void set_score(const char *value_name, const char *name, int score);

    // Takes a new entry into the table (m_entry_nmb is still the old count).
    virtual void add_new(const hiscore_entry &entry) = 0;
    // Puts entry (same name as the entry at pos) in place of that entry, adding the old score
    // when add is set.
    virtual void replace_entry(int pos, const hiscore_entry &entry, bool add) = 0;
    // The entry at pos, which carries the same name as entry, leaves the table; its score.
    int32_t remove_matching(int pos, const hiscore_entry &entry);

    int32_t m_entry_nmb;
    std::vector<hiscore_entry> m_entry_buf;
    bool m_unreadable = false;
};

class hiscore_table_c : public score_table_c
{
public:
    hiscore_table_c(abstract_c *parent, const char *value_name, const hiscore_entry *entry);
    hiscore_table_c(abstract_c *parent, const char *value_name, int max, hiscore_entry *out, int *count);
    hiscore_table_c(abstract_c *parent, const char *value_name, const char *name, int score);

protected:
    void add_new(const hiscore_entry &entry) override;
    void replace_entry(int pos, const hiscore_entry &entry, bool add) override;

private:
    // Moves the entry at pos up past every entry with a strictly lower score.
    void rise(int pos);
};

class history_table_c : public score_table_c
{
public:
    history_table_c(abstract_c *parent, const char *value_name, const hiscore_entry *entry);
    history_table_c(abstract_c *parent, const char *value_name, int max, hiscore_entry *out, int *count);
    history_table_c(abstract_c *parent, const char *value_name, const char *name, int score);

protected:
    void add_new(const hiscore_entry &entry) override;
    void replace_entry(int pos, const hiscore_entry &entry, bool add) override;
};
