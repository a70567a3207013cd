// The pack-file library. This one source makes both the Vaultis shared library and, compiled
// with VAULTIS_BUILTIN, the main program's built-in reader (basics/Vaultis.cpp), which leaves
// out the writing half and logs what its init does.
//
// A pack ("*.vfs") is a 32-byte header, an entry table of 12-byte records sorted by the pack
// name order, a block of zero-ended names and the data, all 32-bit little-endian. Its
// directory is read once by init and checked in 64-bit arithmetic before anything is
// allocated, so no count or offset from the file can make a read go outside the file. A pack
// file stays open from init to done and is read at an offset, without seeking; it is held
// without sharing only while one of its entries is open. When the first of its entries is
// opened, the file under the pack's path must still have the size init saw, else the pack is
// refused; a pack file replaced since is opened anew. What that check found is trusted until
// the system's change watch over the pack and its directory tells of a change. Names are found
// through a hash index of the entry table built by init.

#ifdef VAULTIS_BUILTIN
#include "basics/Vaultis.h"
#include "basics/console_log.h"
#else
#include "kernel/exception.h"
#include "vaultis/Vaultis.h"
#include <cstdio>
#endif
#include "platform/sys/files.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int MAX_HANDLES = 64;
constexpr int MAX_PACKS = 256;
constexpr size_t MAX_NAME = 260;
constexpr uint32_t PACK_MAGIC = 0x6B636170;  // "pack"
constexpr uint32_t PACK_VERSION = 1;
constexpr uint32_t HEADER_SIZE = 32;
constexpr uint32_t ENTRY_SIZE = 12;
constexpr uint64_t MAX_32 = 0xFFFFFFFFu;

struct pack_entry
{
    int32_t name_offset;
    uint32_t size;
    uint32_t offset;
};
static_assert(sizeof(pack_entry) == ENTRY_SIZE, "a pack entry is three 32-bit values");

// One allocation per pack: this record, then the entry table, the name block and the path.
struct pack_record
{
    int disk_handle;  // open from init to done (invalid after the file went missing)
    sys_file_id id;   // of the file behind disk_handle
    int open_count;
    uint64_t verified;  // sys_watch_changes when the file under path was last found as init saw it
    const char *path;
    uint32_t file_size;
    pack_entry *entries;
    int file_num;
    const char *names;
    uint32_t names_size;
    uint32_t data_offset;
    uint32_t data_size;
    // Entry numbers by the hash of their folded names, -1 where none: a lookup compares one
    // name or two instead of the dozen a binary search over long shared prefixes needs.
    int32_t *index;
    uint32_t index_mask;
};

struct handle_slot
{
    int in_use;
    int in_pack;
    int disk_handle;
    int pack_index;
    int entry_index;
    uint32_t position;
};

handle_slot g_slots[MAX_HANDLES];
pack_record *g_packs[MAX_PACKS];

uint32_t get_le32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

unsigned char fold(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

int pack_name_compare(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        unsigned char ca = fold(*a), cb = fold(*b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

const char *entry_name(const pack_record *p, int i)
{
    return p->names + p->entries[i].name_offset;
}

// FNV-1a over the name as the pack name order sees it.
uint32_t pack_name_hash(const char *name)
{
    uint32_t h = 2166136261u;
    for (; *name; ++name)
        h = (h ^ fold(*name)) * 16777619u;
    return h;
}

// The pack's form of a disk name ('\' between components) into out, and its hash.
uint32_t packed_name(const char *disk, char (&out)[MAX_NAME])
{
    uint32_t h = 2166136261u;
    size_t i = 0;
    for (; disk[i]; ++i) {
        out[i] = disk[i] == '/' ? '\\' : disk[i];
        h = (h ^ fold(out[i])) * 16777619u;
    }
    out[i] = 0;
    return h;
}

// Entries are placed in table order, so that of names equal in the pack name order (which
// create_pack never writes) the first in the table is found.
void build_index(pack_record *p)
{
    for (uint32_t i = 0; i <= p->index_mask; ++i)
        p->index[i] = -1;
    for (int32_t e = 0; e < p->file_num; ++e) {
        uint32_t i = pack_name_hash(entry_name(p, e)) & p->index_mask;
        while (p->index[i] >= 0)
            i = (i + 1) & p->index_mask;
        p->index[i] = e;
    }
}

// hash: pack_name_hash(name). Names are mostly asked for as the pack spells them: an exact
// comparison settles those.
int find_in_pack(const pack_record *p, const char *name, uint32_t hash)
{
    for (uint32_t i = hash & p->index_mask; p->index[i] >= 0; i = (i + 1) & p->index_mask) {
        const char *entry = entry_name(p, p->index[i]);
        if (std::strcmp(entry, name) == 0 || pack_name_compare(entry, name) == 0)
            return p->index[i];
    }
    return -1;
}

bool read_exactly(int fd, uint64_t offset, void *buf, uint64_t len)
{
    return sys_file_read_at(fd, buf, len, offset) == int64_t(len);
}

pack_record *load_pack(int fd, const std::string &path)
{
    int64_t file_size = sys_file_size(fd);
    unsigned char header[HEADER_SIZE];
    if (file_size < 0 || uint64_t(file_size) > MAX_32 || !read_exactly(fd, 0, header, HEADER_SIZE))
        return nullptr;
    const uint64_t size = uint64_t(file_size);
    const int32_t file_num = int32_t(get_le32(header + 8));
    const uint64_t names_size = get_le32(header + 12), data_size = get_le32(header + 16);
    const uint64_t dir_offset = get_le32(header + 20), names_offset = get_le32(header + 24);
    const uint64_t data_offset = get_le32(header + 28);
    if (get_le32(header) != PACK_MAGIC || get_le32(header + 4) != PACK_VERSION || file_num < 1)
        return nullptr;
    const uint64_t table_size = uint64_t(file_num) * ENTRY_SIZE;
    if (data_offset + data_size > size || dir_offset + table_size > size || names_offset + names_size > size)
        return nullptr;

    // At most half the index's slots are taken.
    uint64_t index_slots = 2;
    while (index_slots < 2 * uint64_t(file_num))
        index_slots *= 2;
    const uint64_t index_size = index_slots * sizeof(int32_t);
    const size_t total = sizeof(pack_record) + index_size + table_size + names_size + path.size() + 1;
    auto *block = static_cast<unsigned char *>(std::malloc(total));
    if (!block)
        return nullptr;
    auto *p = new (block) pack_record{};
    p->index = reinterpret_cast<int32_t *>(block + sizeof(pack_record));
    p->index_mask = uint32_t(index_slots - 1);
    unsigned char *table = block + sizeof(pack_record) + index_size;
    char *names = reinterpret_cast<char *>(table + table_size);
    char *path_copy = names + names_size;
    if (!read_exactly(fd, dir_offset, table, table_size) || !read_exactly(fd, names_offset, names, names_size) ||
        names_size < 1 || names[names_size - 1] != 0) {
        std::free(block);
        return nullptr;
    }
    p->entries = reinterpret_cast<pack_entry *>(table);
    for (int32_t i = 0; i < file_num; ++i) {
        const unsigned char *raw = table + uint64_t(i) * ENTRY_SIZE;
        pack_entry e{int32_t(get_le32(raw)), get_le32(raw + 4), get_le32(raw + 8)};
        if (e.name_offset < 0 || uint64_t(e.name_offset) >= names_size || uint64_t(e.offset) + e.size > size) {
            std::free(block);
            return nullptr;
        }
        p->entries[i] = e;
    }
    std::memcpy(path_copy, path.c_str(), path.size() + 1);
    p->disk_handle = SYS_INVALID_FILE;
    p->open_count = 0;
    p->path = path_copy;
    p->file_size = uint32_t(size);
    p->file_num = file_num;
    p->names = names;
    p->names_size = uint32_t(names_size);
    p->data_offset = uint32_t(data_offset);
    p->data_size = uint32_t(data_size);
    build_index(p);
    return p;
}

// Reads the directory and keeps the file open for the pack's entries.
pack_record *read_pack_directory(const std::string &path)
{
    sys_file_id id;
    int fd = sys_file_open_unheld(path.c_str(), &id);
    if (fd == SYS_INVALID_FILE)
        return nullptr;
    pack_record *p = load_pack(fd, path);
    if (!p) {
        sys_file_close(fd);
        return nullptr;
    }
    p->disk_handle = fd;
    p->id = id;
    return p;
}

void drop_pack_file(pack_record *p)
{
    if (p->disk_handle != SYS_INVALID_FILE)
        sys_file_close(p->disk_handle);
    p->disk_handle = SYS_INVALID_FILE;
}

// The first open entry of a pack checks the file under the pack's path, as opening that path
// would: it must be there, not held by another handle, and of the size init saw. What a check
// found holds while the system's change watch tells of no change (changes: its count in this
// open, 0 when not asked yet).
bool acquire_pack(pack_record *p, uint64_t &changes)
{
    if (p->open_count > 0) {
        ++p->open_count;
        return true;
    }
    if (!changes)
        changes = sys_watch_changes();
    if (p->disk_handle == SYS_INVALID_FILE || p->verified != changes) {
        p->verified = 0;
        sys_file_id now;
        uint64_t watched;
        if (!sys_file_identify_watched(p->path, now, watched)) {
            drop_pack_file(p);
            return false;
        }
        if (p->disk_handle == SYS_INVALID_FILE || now.device != p->id.device || now.inode != p->id.inode) {
            drop_pack_file(p);
            p->disk_handle = sys_file_open_unheld(p->path, &p->id);
            if (p->disk_handle == SYS_INVALID_FILE)
                return false;
            now = p->id;
        }
        if (now.size != p->file_size)
            return false;
        p->verified = watched;
    }
    if (!sys_file_hold(p->disk_handle))
        return false;
    p->open_count = 1;
    return true;
}

void release_pack(pack_record *p)
{
    if (!p || p->open_count == 0 || p->disk_handle == SYS_INVALID_FILE)
        return;
    if (--p->open_count == 0)
        sys_file_unhold(p->disk_handle);
}

// Drops every pack and every handle that reads from one; with close_disk_files the handles
// of disk files too.
void release_all(bool close_disk_files)
{
    for (handle_slot &s : g_slots) {
        if (!s.in_use)
            continue;
        if (!s.in_pack && close_disk_files)
            sys_file_close(s.disk_handle);
        if (s.in_pack || close_disk_files)
            s = handle_slot{};
    }
    for (pack_record *&p : g_packs) {
        if (!p)
            continue;
        drop_pack_file(p);
        std::free(p);
        p = nullptr;
    }
}

handle_slot *slot_of(int h)
{
    if (h < 1 || h > MAX_HANDLES || !g_slots[h - 1].in_use)
        return nullptr;
    return &g_slots[h - 1];
}

int free_slot()
{
    for (int i = 0; i < MAX_HANDLES; ++i)
        if (!g_slots[i].in_use)
            return i;
    return -1;
}

// A name for the disk: '/' between components, as the system wants it.
bool disk_name(const char *name, char (&out)[MAX_NAME])
{
    if (!name)
        return false;
    size_t len = std::strlen(name);
    if (len >= MAX_NAME)
        return false;
    for (size_t i = 0; i <= len; ++i)
        out[i] = name[i] == '\\' ? '/' : name[i];
    return true;
}

bool has_pack_extension(const std::string &name)
{
    static const char ext[] = ".vfs";
    if (name.size() < 4)
        return false;
    for (size_t i = 0; i < 4; ++i)
        if (fold(name[name.size() - 4 + i]) != static_cast<unsigned char>(ext[i]))
            return false;
    return true;
}

} // namespace

namespace VT {

int init(const char *dir)
{
#ifdef VAULTIS_BUILTIN
    log_print("Initializing Vaultis...\n");
#endif
    std::string previous;
    if (dir) {
        if (!sys_get_current_dir(previous) || !sys_set_current_dir(dir))
            return 0;
#ifdef VAULTIS_BUILTIN
        log_print("Current directory was '%s', switched to '%s'\n", previous.c_str(), dir);
#endif
    }
    release_all(true);

    std::string here;
    std::vector<sys_dir_entry> entries;
    if (sys_get_current_dir(here) && sys_list_dir(".", entries)) {
        std::stable_sort(entries.begin(), entries.end(), [](const sys_dir_entry &a, const sys_dir_entry &b) {
            return pack_name_compare(a.name.c_str(), b.name.c_str()) < 0;
        });
        if (here.empty() || here.back() != '/')
            here += '/';
        int count = 0;
        for (const sys_dir_entry &e : entries) {
            if (e.kind != SYS_ENTRY_FILE || !has_pack_extension(e.name))
                continue;
            if (count == MAX_PACKS)
                break;
            std::string path = here + e.name;
#ifdef VAULTIS_BUILTIN
            log_print("  Pack file found '%s'\n", path.c_str());
#endif
            if (pack_record *p = read_pack_directory(path))
                g_packs[count++] = p;
        }
    }

    if (dir)
        sys_set_current_dir(previous.c_str());
    int count = 0;
    while (count < MAX_PACKS && g_packs[count])
        ++count;
    return count;
}

int open(const char *name)
{
    char disk[MAX_NAME];
    if (!disk_name(name, disk))
        return 0;
    char packed[MAX_NAME];
    const uint32_t hash = packed_name(disk, packed);
    int slot = free_slot();
    if (slot < 0)
        return 0;
    // The system's queue of changes is read once for the whole lookup.
    uint64_t changes = 0;
    int fd = sys_file_open_read(disk, &changes);
    if (fd != SYS_INVALID_FILE) {
        g_slots[slot] = handle_slot{1, 0, fd, 0, 0, 0};
        return slot + 1;
    }
    for (int i = 0; i < MAX_PACKS && g_packs[i]; ++i) {
        int entry = find_in_pack(g_packs[i], packed, hash);
        if (entry < 0)
            continue;
        if (!acquire_pack(g_packs[i], changes))
            return 0;
        g_slots[slot] = handle_slot{1, 1, SYS_INVALID_FILE, i, entry, 0};
        return slot + 1;
    }
    return 0;
}

int rewrite(const char *name)
{
    char disk[MAX_NAME];
    if (!disk_name(name, disk))
        return 0;
    int slot = free_slot();
    if (slot < 0)
        return 0;
    int fd = sys_file_create(disk);
    if (fd == SYS_INVALID_FILE)
        return 0;
    g_slots[slot] = handle_slot{1, 0, fd, 0, 0, 0};
    return slot + 1;
}

int close(int h)
{
    handle_slot *s = slot_of(h);
    if (!s)
        return 0;
    if (s->in_pack)
        release_pack(g_packs[s->pack_index]);
    else if (!sys_file_close(s->disk_handle))
        return 0;
    *s = handle_slot{};
    return 1;
}

unsigned long size(int h)
{
    handle_slot *s = slot_of(h);
    if (!s)
        return 0;
    if (s->in_pack)
        return g_packs[s->pack_index]->entries[s->entry_index].size;
    int64_t n = sys_file_size(s->disk_handle);
    return n < 0 ? 0 : uint32_t(n);
}

int read(int h, void *buf, unsigned long len)
{
    handle_slot *s = slot_of(h);
    if (!s || len > MAX_32)
        return 0;
    if (!s->in_pack)
        return sys_file_read(s->disk_handle, buf, len) == int64_t(len) ? 1 : 0;
    const pack_record *p = g_packs[s->pack_index];
    const pack_entry &e = p->entries[s->entry_index];
    if (len > e.size - s->position)
        return 0;
    if (!read_exactly(p->disk_handle, uint64_t(e.offset) + s->position, buf, len))
        return 0;
    s->position += uint32_t(len);
    return 1;
}

int seek(int h, unsigned long pos)
{
    handle_slot *s = slot_of(h);
    if (!s || pos > MAX_32)
        return 0;
    if (!s->in_pack)
        return sys_file_seek(s->disk_handle, pos);
    if (pos >= g_packs[s->pack_index]->entries[s->entry_index].size)
        return 0;
    s->position = uint32_t(pos);
    return 1;
}

int exist(const char *name)
{
    int h = open(name);
    if (!h)
        return 0;
    close(h);
    return 1;
}

} // namespace VT

#ifndef VAULTIS_BUILTIN
// The writing half: only the library has it.

namespace {

constexpr size_t MAX_FILES = 16384;
constexpr size_t MAX_TEXT = 0x410000;
constexpr int DLL_VERSION = 2;
const char g_empty[] = "";

pack_record *nth_pack(int i)
{
    if (i < 0)
        return nullptr;
    for (pack_record *p : g_packs)
        if (p && i-- == 0)
            return p;
    return nullptr;
}

void put_le32(unsigned char *p, uint64_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The text after the first '.' of the name is "vfs" in any case.
bool has_vfs_extension(const std::string &name)
{
    size_t dot = name.find('.');
    if (dot == std::string::npos || name.size() - dot - 1 != 3)
        return false;
    return fold(name[dot + 1]) == 'v' && fold(name[dot + 2]) == 'f' && fold(name[dot + 3]) == 's';
}

struct pack_item
{
    std::string disk_path;
    uint32_t name_offset;
    uint32_t size;
};

struct pack_build
{
    std::vector<char> text;  // the names, zero-ended, in the order found
    std::vector<pack_item> items;
    int dir_count = -1;  // the starting directory is not counted
};

bool add_file(pack_build &b, const std::string &disk_path, const std::string &name, uint64_t size)
{
    if (b.items.size() >= MAX_FILES) {
        std::printf("MAX_FILES reached!\n");
        return false;
    }
    if (name.size() >= MAX_NAME) {
        std::printf("Name too long for a pack: \"%s\"\n", name.c_str());
        return false;
    }
    // Offsets and sizes in a pack are 32-bit.
    if (size > MAX_32) {
        std::printf("File too large for a pack: \"%s\"\n", disk_path.c_str());
        return false;
    }
    if (b.text.size() + name.size() + 1 > MAX_TEXT) {
        std::printf("MAX_TEXT reached!\n");
        return false;
    }
    b.items.push_back({disk_path, uint32_t(b.text.size()), uint32_t(size)});
    b.text.insert(b.text.end(), name.begin(), name.end());
    b.text.push_back(0);
    return true;
}

// disk_dir ends with '/'; prefix is the pack name of the directory with a trailing '\'.
bool scan_directory(pack_build &b, const std::string &disk_dir, const std::string &prefix)
{
    std::vector<sys_dir_entry> entries;
    if (!sys_list_dir(disk_dir.c_str(), entries))
        return false;
    ++b.dir_count;
    for (const sys_dir_entry &e : entries) {
        if (has_vfs_extension(e.name))
            continue;
        bool ok = true;
        if (e.kind == SYS_ENTRY_DIR)
            ok = scan_directory(b, disk_dir + e.name + "/", prefix + e.name + "\\");
        else if (e.kind == SYS_ENTRY_FILE)
            ok = add_file(b, disk_dir + e.name, prefix + e.name, e.size);
        if (!ok)
            return false;
    }
    return true;
}

bool write_all(int fd, const void *buf, uint64_t len, const char *path)
{
    if (sys_file_write(fd, buf, len) == int64_t(len))
        return true;
    std::printf("Could not write \"%s\" to disk (disk full?)\n", path);
    return false;
}

// The pack goes out in whole blocks of 1 MiB at offsets that are multiples of it, wherever the
// files inside fall: few writes, and a file whose pages the system keeps in large pieces, so
// that reading it back costs no more than reading the files it was made of.
class pack_writer
{
public:
    pack_writer(int fd, const char *path) : m_fd(fd), m_path(path), m_buf(1u << 20) {}
    bool put(const unsigned char *data, uint64_t len)
    {
        while (len > 0) {
            const uint64_t n = std::min<uint64_t>(len, m_buf.size() - m_used);
            std::memcpy(m_buf.data() + m_used, data, n);
            m_used += n;
            data += n;
            len -= n;
            if (m_used == m_buf.size() && !flush())
                return false;
        }
        return true;
    }
    bool flush()
    {
        const uint64_t n = m_used;
        m_used = 0;
        return n == 0 || write_all(m_fd, m_buf.data(), n, m_path);
    }

private:
    int m_fd;
    const char *m_path;
    std::vector<unsigned char> m_buf;
    uint64_t m_used = 0;
};

bool copy_items(pack_writer &out, const pack_build &b, const std::vector<size_t> &order)
{
    uint32_t largest = 0;
    for (const pack_item &item : b.items)
        largest = std::max(largest, item.size);
    std::vector<unsigned char> buf(largest);
    for (size_t k : order) {
        const pack_item &item = b.items[k];
        int in = sys_file_open_read(item.disk_path.c_str());
        if (in == SYS_INVALID_FILE) {
            out.flush();
            std::printf("Could not open \"%s\"\n", item.disk_path.c_str());
            return false;
        }
        bool got = sys_file_read(in, buf.data(), item.size) == int64_t(item.size);
        sys_file_close(in);
        if (!got) {
            out.flush();
            std::printf("Could not read from \"%s\"\n", item.disk_path.c_str());
            return false;
        }
        if (!out.put(buf.data(), item.size))
            return false;
    }
    return out.flush();
}

bool write_pack(const char *path, const pack_build &b, const std::vector<size_t> &order, uint64_t total)
{
    const uint64_t count = b.items.size();
    const uint64_t names_offset = HEADER_SIZE + ENTRY_SIZE * count;
    const uint64_t data_offset = names_offset + b.text.size();
    // Every offset in a pack is 32-bit.
    if (data_offset + total > MAX_32) {
        std::printf("Pack would reach 4 GiB, too large\n");
        return false;
    }
    std::vector<unsigned char> block(data_offset);
    const uint64_t header[8] = {PACK_MAGIC, PACK_VERSION, count, b.text.size(), total, HEADER_SIZE, names_offset,
                                data_offset};
    for (int i = 0; i < 8; ++i)
        put_le32(&block[4 * i], header[i]);
    uint64_t offset = data_offset;
    unsigned char *entry = &block[HEADER_SIZE];
    for (size_t k : order) {
        put_le32(entry, b.items[k].name_offset);
        put_le32(entry + 4, b.items[k].size);
        put_le32(entry + 8, offset);
        offset += b.items[k].size;
        entry += ENTRY_SIZE;
    }
    std::copy(b.text.begin(), b.text.end(), block.begin() + names_offset);

    char disk[MAX_NAME];
    int out = disk_name(path, disk) ? sys_file_create(disk) : SYS_INVALID_FILE;
    if (out == SYS_INVALID_FILE) {
        std::printf("Could not create \"%s\"\n", path);
        return false;
    }
    pack_writer writer(out, path);
    bool ok = writer.put(block.data(), block.size()) && copy_items(writer, b, order);
    sys_file_close(out);
    return ok;
}

int create_pack_in_current_dir(const char *path)
{
    pack_build b;
    std::string base;
    std::printf("Scanning subdirectories...\n");
    if (!sys_get_current_dir(base) || !scan_directory(b, base.back() == '/' ? base : base + "/", "")) {
        std::printf("Create pack failed!\n");
        return 0;
    }
    std::printf("Read %i files and %i subdirectory\n", int(b.items.size()), b.dir_count);

    std::printf("Sorting files...\n");
    auto name_of = [&b](size_t k) { return &b.text[b.items[k].name_offset]; };
    std::vector<size_t> order(b.items.size());
    for (size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t x, size_t y) { return pack_name_compare(name_of(x), name_of(y)) < 0; });
    // Names equal under the pack name order could not both be found in the pack.
    for (size_t k = 1; k < order.size(); ++k)
        if (pack_name_compare(name_of(order[k - 1]), name_of(order[k])) == 0) {
            std::printf("Names differ only in case: \"%s\" and \"%s\"\n", name_of(order[k - 1]), name_of(order[k]));
            return 0;
        }
    uint64_t total = 0;
    for (const pack_item &item : b.items)
        total += item.size;
    std::printf("Writing...\n");
    if (!write_pack(path, b, order, total)) {
        std::printf("Write pack failed!\n");
        return 0;
    }
    std::printf("%u.%u kilos total\n", unsigned(total >> 10), unsigned(((total & 1023) * 10) >> 10));
    return 1;
}

} // namespace

namespace VT {

int write(int h, const void *buf, unsigned long len)
{
    handle_slot *s = slot_of(h);
    if (!s || s->in_pack || len > MAX_32)
        return 0;
    return sys_file_write(s->disk_handle, buf, len) == int64_t(len) ? 1 : 0;
}

int time(int h, SYSTEMTIME *out)
{
    handle_slot *s = slot_of(h);
    if (!s)
        return 0;
    return sys_file_time(s->in_pack ? g_packs[s->pack_index]->disk_handle : s->disk_handle, out);
}

int erase(const char *name)
{
    char disk[MAX_NAME];
    return disk_name(name, disk) ? sys_file_erase(disk) : 0;
}

void done()
{
    release_all(false);
}

int pack_num()
{
    int n = 0;
    for (const pack_record *p : g_packs)
        n += p != nullptr;
    return n;
}

const char *get_pack_name(int i)
{
    const pack_record *p = nth_pack(i);
    return p ? p->path : g_empty;
}

int get_pack_file_num(int i)
{
    const pack_record *p = nth_pack(i);
    return p ? p->file_num : 0;
}

const char *get_pack_file_name(int i, int j)
{
    const pack_record *p = nth_pack(i);
    return (p && j >= 0 && j < p->file_num) ? entry_name(p, j) : g_empty;
}

int create_pack(const char *path)
{
    int result = path ? create_pack_in_current_dir(path) : 0;
    std::fflush(stdout);
    return result;
}

void check_dll_version(int required)
{
    if (required != DLL_VERSION)
        ENGINE_THROW(exception_c, "Invalid VAULTIS.DLL version - current version is " + std::to_string(DLL_VERSION) +
                                      ", required version " + std::to_string(required));
}

auto_file::auto_file() : m_handle(0)
{
}

auto_file::auto_file(int h) : m_handle(h)
{
}

auto_file::~auto_file()
{
    close();
}

void auto_file::close()
{
    if (m_handle)
        VT::close(m_handle);
    m_handle = 0;
}

auto_file::operator int() const
{
    return m_handle;
}

int auto_file::operator=(int h)
{
    m_handle = h;
    return h;
}

// One handle has one owner: the source gives its handle up.
auto_file &auto_file::operator=(auto_file &other)
{
    if (&other != this) {
        if (m_handle != other.m_handle)
            close();
        m_handle = other.m_handle;
        other.m_handle = 0;
    }
    return *this;
}

int auto_file::operator!() const
{
    return m_handle == 0;
}

} // namespace VT
#endif
