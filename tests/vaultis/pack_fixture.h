// Test helpers for the pack-file tests: a unique temporary directory per test, entering a
// directory for the length of a scope, small file helpers and hand-made pack images whose
// header fields a test may then spoil.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fixture {

namespace fs = std::filesystem;

class temp_dir
{
public:
    temp_dir()
    {
        std::random_device rd;
        for (;;) {
            m_path = fs::temp_directory_path() / ("vt-test-" + std::to_string(rd()) + std::to_string(rd()));
            if (fs::create_directory(m_path))
                break;
        }
    }
    ~temp_dir()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    temp_dir(const temp_dir &) = delete;
    temp_dir &operator=(const temp_dir &) = delete;
    const fs::path &path() const { return m_path; }
    std::string str() const { return m_path.string(); }

private:
    fs::path m_path;
};

// Makes dir the current directory until the end of the scope.
class in_dir
{
public:
    explicit in_dir(const fs::path &dir) : m_previous(fs::current_path()) { fs::current_path(dir); }
    ~in_dir() { fs::current_path(m_previous); }
    in_dir(const in_dir &) = delete;
    in_dir &operator=(const in_dir &) = delete;

private:
    fs::path m_previous;
};

inline void write_file(const fs::path &path, const std::string &data)
{
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

inline std::string read_file(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Bytes 0..n-1 in a repeating pattern, different per seed.
inline std::string pattern(size_t n, unsigned seed = 0)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = char((i * 7 + seed * 13 + i / 251) & 0xFF);
    return s;
}

// The pack name order: only 'A'-'Z' fold, bytes compared unsigned.
inline bool name_less(const std::string &a, const std::string &b)
{
    auto fold = [](char c) -> unsigned char {
        unsigned char u = static_cast<unsigned char>(c);
        return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + 32) : u;
    };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return fold(x) < fold(y); });
}

struct entry_s
{
    std::string name;  // '\' between components
    std::string data;
};

inline void put32(std::string &bytes, size_t offset, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char(v >> (8 * i));
}

inline uint32_t get32(const std::string &bytes, size_t offset)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return v;
}

// Header field offsets.
enum
{
    H_MAGIC = 0,
    H_VERSION = 4,
    H_FILE_NUM = 8,
    H_NAMES_SIZE = 12,
    H_DATA_SIZE = 16,
    H_DIR_OFFSET = 20,
    H_NAMES_OFFSET = 24,
    H_DATA_OFFSET = 28
};

// A well-formed pack: the table sorted by the pack name order, the names in the given order.
inline std::string make_pack(const std::vector<entry_s> &entries)
{
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return name_less(entries[a].name, entries[b].name); });
    std::string names;
    std::vector<uint32_t> name_offsets;
    for (const entry_s &e : entries) {
        name_offsets.push_back(uint32_t(names.size()));
        names += e.name;
        names += '\0';
    }
    const uint32_t count = uint32_t(entries.size());
    const uint32_t names_offset = 32 + 12 * count;
    const uint32_t data_offset = names_offset + uint32_t(names.size());
    std::string bytes(data_offset, '\0');
    uint32_t data_size = 0;
    for (const entry_s &e : entries)
        data_size += uint32_t(e.data.size());
    const uint32_t header[8] = {0x6B636170, 1, count, uint32_t(names.size()), data_size, 32, names_offset,
                                data_offset};
    for (int i = 0; i < 8; ++i)
        put32(bytes, 4 * i, header[i]);
    uint32_t offset = data_offset;
    for (size_t k = 0; k < order.size(); ++k) {
        const entry_s &e = entries[order[k]];
        put32(bytes, 32 + 12 * k, name_offsets[order[k]]);
        put32(bytes, 32 + 12 * k + 4, uint32_t(e.data.size()));
        put32(bytes, 32 + 12 * k + 8, offset);
        offset += uint32_t(e.data.size());
    }
    std::copy(names.begin(), names.end(), bytes.begin() + names_offset);
    for (size_t k = 0; k < order.size(); ++k)
        bytes += entries[order[k]].data;
    return bytes;
}

} // namespace fixture
