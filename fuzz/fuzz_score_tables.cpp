// Score tables: the input is a stored value of "Hiscore" and of "History" in a registry of the
// harness's own. Every operation of both tables runs on it; whatever it held, a read reports
// no more entries than were asked for and than the value holds, every name ends inside its
// field, and every value written is a well-formed table of 1 to 5 entries.
#include "fuzz/fuzz_support.h"
#include "fuzz/registry_stand.h"
#include "platform/registry/winreg.h"
#include "scores/game_registry.h"
#include "scores/score_tables.h"

#include <cstring>
#include <filesystem>
#include <vector>

namespace {

abstract_c *g_root = nullptr;

[[noreturn]] void fault(const char *what, const char *value)
{
    std::fprintf(stderr, "fuzz_score_tables: %s (%s)\n", what, value);
    std::abort();
}

// The whole entries a stored value holds, as the tables must count them at most.
size_t entries_in(size_t size)
{
    return size < 4 ? 0 : (size - 4) / sizeof(hiscore_entry);
}

void check_entries(const hiscore_entry *entries, int count, const char *value)
{
    for (int i = 0; i < count; ++i)
        if (strnlen(entries[i].m_name, sizeof entries[i].m_name) >= sizeof entries[i].m_name)
            fault("a name runs past its field", value);
}

// What an operation that writes left in the registry; returns its entries.
std::vector<hiscore_entry> check_written(const char *value)
{
    const std::vector<uint8_t> bytes = game_registry_read(value);
    int32_t count = 0;
    if (bytes.size() >= 4)
        std::memcpy(&count, bytes.data(), 4);
    if (bytes.size() < 4 || count < 1 || count > SCORE_TABLE_MAX || bytes.size() != 4 + sizeof(hiscore_entry) * size_t(count))
        fault("the value written is no table of 1 to 5 entries", value);
    std::vector<hiscore_entry> entries(static_cast<size_t>(count));
    std::memcpy(entries.data(), bytes.data() + 4, bytes.size() - 4);
    check_entries(entries.data(), count, value);
    return entries;
}

template <class Table> void run(const char *value, const uint8_t *data, size_t size)
{
    game_registry_write(value, data, size);
    // Read more than the value could hold, with a guard entry behind.
    const size_t held = entries_in(size);
    const int max = int(std::min<size_t>(held + 1, 10000));
    std::vector<hiscore_entry> read(size_t(max) + 1);
    std::memset(read.data(), 0x5A, sizeof(hiscore_entry) * read.size());
    int count = -1;
    new Table(g_root, value, max, read.data(), &count);
    if (count < 0 || count > max || size_t(count) > held)
        fault("the read reports more entries than there are", value);
    for (size_t i = size_t(count); i < read.size(); ++i)
        for (size_t b = 0; b < sizeof(hiscore_entry); ++b)
            if (reinterpret_cast<const uint8_t *>(&read[i])[b] != 0x5A)
                fault("the read wrote past its count", value);
    check_entries(read.data(), count, value);

    if (count > 0) {
        new Table(g_root, value, read[0].m_name, -3);
        check_written(value);
    }
    hiscore_entry e;
    std::memset(&e, 0, sizeof e);
    std::memcpy(e.m_name, "fuzz", 5);
    e.m_score = 100;
    new Table(g_root, value, &e);
    check_written(value);
    g_root->collect_dead_children();
}

} // namespace

void fuzz::harness_setup()
{
    use_private_registry();
    g_root = new abstract_c(nullptr);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > REG_MAX_VALUE_SIZE)
        return 0; // the registry does not read it
    try {
        run<hiscore_table_c>("Hiscore", data, size);
        run<history_table_c>("History", data, size);
    } catch (const exception_c &e) {
        fault(e.get_message().c_str(), "an engine error");
    }
    return 0;
}
