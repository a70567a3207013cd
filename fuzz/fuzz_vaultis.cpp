// The pack directory: the input is a pack file. Every entry the library lists is opened by its
// name and read whole, then again from the middle; what it reads must be the entry's bytes in
// the input, as the harness finds them in the pack's own table. Names that the disk could
// answer (absolute ones, "." and ".." components) are opened and read but not compared.
#include "fuzz/fuzz_support.h"
#include "vaultis/Vaultis.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

uint32_t le32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void fail(const char *what, const char *name)
{
    std::fprintf(stderr, "fuzz_vaultis: %s for entry '%s'\n", what, name);
    std::abort();
}

bool disk_could_answer(const char *name)
{
    if (name[0] == '/' || name[0] == '\\')
        return true;
    std::string component;
    for (const char *p = name;; ++p) {
        if (*p == '/' || *p == '\\' || *p == 0) {
            if (component == "." || component == "..")
                return true;
            component.clear();
            if (*p == 0)
                return false;
        } else {
            component += *p;
        }
    }
}

uint8_t fold(uint8_t c)
{
    return c >= 'A' && c <= 'Z' ? uint8_t(c - 'A' + 'a') : c;
}

// Whether the zero-ended name at data[at] is `name` in the pack name order: '/' in a name
// asked for stands for '\', and only 'A'-'Z' fold.
bool same_pack_name(const uint8_t *data, size_t size, uint64_t at, const char *name)
{
    for (;; ++at, ++name) {
        if (at >= size)
            return false;
        const uint8_t wanted = fold(*name == '/' ? '\\' : uint8_t(*name));
        if (fold(data[at]) != wanted)
            return false;
        if (wanted == 0)
            return true;
    }
}

// Whether `got` are the bytes of an entry of the table that `name` finds.
bool matches_an_entry(const uint8_t *data, size_t size, const char *name, const std::vector<uint8_t> &got)
{
    const uint32_t count = le32(data + 8), dir = le32(data + 20), names = le32(data + 24);
    for (uint64_t i = 0; i < count && uint64_t(dir) + 12 * (i + 1) <= size; ++i) {
        const uint8_t *e = data + dir + 12 * i;
        const uint64_t name_at = uint64_t(names) + le32(e), length = le32(e + 4), offset = le32(e + 8);
        if (!same_pack_name(data, size, name_at, name))
            continue;
        if (offset + length <= size && length == got.size() &&
            (length == 0 || std::memcmp(data + offset, got.data(), length) == 0))
            return true;
    }
    return false;
}

void read_entry(const uint8_t *data, size_t size, const char *name)
{
    VT::auto_file h(VT::open(name));
    if (!h)
        return;
    const unsigned long length = VT::size(h);
    std::vector<uint8_t> whole(length);
    if (disk_could_answer(name)) {
        VT::read(h, whole.data(), length);
        return;
    }
    uint8_t extra;
    if (!VT::read(h, whole.data(), length))
        fail("the whole entry could not be read", name);
    if (VT::read(h, &extra, 1))
        fail("a byte was read past the end", name);
    if (!matches_an_entry(data, size, name, whole))
        fail("the bytes read are no entry of that name", name);
    if (length > 1) {
        const unsigned long middle = length / 2;
        std::vector<uint8_t> tail(length - middle);
        if (!VT::seek(h, middle) || !VT::read(h, tail.data(), tail.size()) ||
            std::memcmp(tail.data(), whole.data() + middle, tail.size()) != 0)
            fail("reading from the middle gave other bytes", name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The pack lives in packs/; the current directory is empty, so that no name finds a file
    // on the disk unless it leaves that directory.
    static const std::string pack_dir = fuzz::scratch_dir() + "/packs";
    static const bool entered = [] {
        std::filesystem::create_directories(pack_dir);
        std::filesystem::create_directories(fuzz::scratch_dir() + "/empty");
        std::filesystem::current_path(fuzz::scratch_dir() + "/empty");
        return true;
    }();
    (void)entered;
    fuzz::put_data("../packs/input.vfs", data, size);
    if (VT::init(pack_dir.c_str()) != 1 || size < 32) {
        VT::done();
        return 0;
    }
    const int count = VT::get_pack_file_num(0);
    for (int j = 0; j < count; ++j) {
        const std::string name = VT::get_pack_file_name(0, j);
        read_entry(data, size, name.c_str());
    }
    VT::done();
    return 0;
}
