// Reading files from a pack through the file API (VT::open, size, read, close) against reading
// the same files from a directory with POSIX open/read/close, and, for small files, against
// PhysicsFS reading them from a zip archive that stores them uncompressed.
//
//   bench_pack_read small   1,006 files of at most 16 KB, per file
//   bench_pack_read large   2,009 files, 333 MB in all, per megabyte
//
// The pack holds the files as "data\<dir>\<file>"; they are asked for as "data/<dir>/<file>"
// from a directory that holds only the pack, so each lookup misses on the disk first, as the
// game's do when it runs from its packs. The file layer keeps the listing of a directory only
// once the directory has been unchanged for two seconds (the game's directory is not changed
// while it runs), so the fixture is left to settle that long before the measurement.
#include "bench/core/bench_util.h"
#include "vaultis/Vaultis.h"

#ifdef BENCH_WITH_PHYSFS
#include <physfs.h>
#endif

#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace bench;

struct file_s
{
    std::string name;  // "data/<dir>/<file>"
    uint32_t size;
};

std::vector<file_s> make_files(int count, uint32_t min_size, uint32_t max_size)
{
    static const char *const dirs[] = {"textures", "models/studio", "models/player", "sounds", "scripts",
                                       "fonts",    "locations",     "movies",        "sky/day", "sprites"};
    static const char *const exts[] = {".bmp", ".sgm", ".skl", ".wav", ".isc", ".tga", ".geo", ".dds"};
    generator g(1234);
    std::vector<file_s> files;
    for (int i = 0; i < count; ++i) {
        char name[96];
        std::snprintf(name, sizeof name, "data/%s/item_%04d%s", dirs[i % 10], i, exts[g.next() % 8]);
        files.push_back({name, g.between(min_size, max_size)});
    }
    return files;
}

std::string contents(const file_s &f)
{
    std::string data(f.size, '\0');
    generator g(f.size * 7919ull + f.name.size());
    for (char &c : data)
        c = char(g.next());
    return data;
}

uint32_t crc32(const std::string &data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : data) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

void put16(std::string &out, uint32_t v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

void put32(std::string &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A zip archive whose members are stored without compression.
void write_zip(const fs::path &path, const std::vector<file_s> &files)
{
    std::string zip, central;
    for (const file_s &f : files) {
        const std::string data = contents(f);
        const uint32_t crc = crc32(data), offset = uint32_t(zip.size());
        put32(zip, 0x04034b50);
        put16(zip, 10), put16(zip, 0), put16(zip, 0), put16(zip, 0), put16(zip, 0x21);
        put32(zip, crc), put32(zip, f.size), put32(zip, f.size);
        put16(zip, uint32_t(f.name.size())), put16(zip, 0);
        zip += f.name + data;
        put32(central, 0x02014b50);
        put16(central, 20), put16(central, 10), put16(central, 0), put16(central, 0), put16(central, 0);
        put16(central, 0x21), put32(central, crc), put32(central, f.size), put32(central, f.size);
        put16(central, uint32_t(f.name.size())), put16(central, 0), put16(central, 0), put16(central, 0);
        put16(central, 0), put32(central, 0), put32(central, offset);
        central += f.name;
    }
    const uint32_t central_offset = uint32_t(zip.size());
    zip += central;
    put32(zip, 0x06054b50), put16(zip, 0), put16(zip, 0);
    put16(zip, uint32_t(files.size())), put16(zip, uint32_t(files.size()));
    put32(zip, uint32_t(central.size())), put32(zip, central_offset), put16(zip, 0);
    write_file(path, zip);
}

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "bench_pack_read: %s\n", what.c_str());
    std::exit(1);
}

struct fixture_s
{
    fs::path disk;  // holds data/...
    fs::path pack;  // holds only data.vfs
    fs::path zip;   // data.zip
};

fixture_s make_fixture(const fs::path &root, const std::vector<file_s> &files, bool with_zip)
{
    fixture_s fx{root / "disk", root / "pack", root / "zip" / "data.zip"};
    for (const file_s &f : files)
        write_file(fx.disk / f.name, contents(f));
    fs::create_directories(fx.pack);
    const fs::path here = fs::current_path();
    fs::current_path(fx.disk);
    // create_pack prints its progress: not into the report.
    std::fflush(stdout);
    const int saved = ::dup(1), null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    const int packed = VT::create_pack((fx.pack / "data.vfs").c_str());
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    ::close(null);
    fs::current_path(here);
    if (!packed)
        fail("could not write the pack");
    if (with_zip)
        write_zip(fx.zip, files);
    return fx;
}

uint64_t g_sink = 0;

void read_project(const std::vector<file_s> &files, std::vector<char> &buf)
{
    for (const file_s &f : files) {
        const int h = VT::open(f.name.c_str());
        const unsigned long n = VT::size(h);
        if (!h || n > buf.size() || !VT::read(h, buf.data(), n))
            fail("project could not read " + f.name);
        g_sink += uint8_t(buf[n / 2]);
        VT::close(h);
    }
}

void read_posix(const std::vector<file_s> &files, std::vector<char> &buf)
{
    for (const file_s &f : files) {
        const int fd = ::open(f.name.c_str(), O_RDONLY | O_CLOEXEC);
        uint32_t got = 0;
        while (fd >= 0 && got < f.size) {
            const ssize_t n = ::read(fd, buf.data() + got, f.size - got);
            if (n <= 0)
                break;
            got += uint32_t(n);
        }
        if (fd < 0 || got != f.size)
            fail("POSIX could not read " + f.name);
        g_sink += uint8_t(buf[f.size / 2]);
        ::close(fd);
    }
}

#ifdef BENCH_WITH_PHYSFS
void read_physfs(const std::vector<file_s> &files, std::vector<char> &buf)
{
    for (const file_s &f : files) {
        PHYSFS_File *file = PHYSFS_openRead(f.name.c_str());
        const PHYSFS_sint64 n = file ? PHYSFS_fileLength(file) : -1;
        if (n < 0 || uint64_t(n) > buf.size() || PHYSFS_readBytes(file, buf.data(), PHYSFS_uint64(n)) != n)
            fail("PhysicsFS could not read " + f.name);
        g_sink += uint8_t(buf[n / 2]);
        PHYSFS_close(file);
    }
}
#endif

// The three readers must see the same bytes.
void check_same(const std::vector<file_s> &files, const fixture_s &fx)
{
    std::vector<char> buf(1 << 20);
    for (size_t i = 0; i < files.size(); i += 97) {
        const file_s &f = files[i];
        const std::string want = contents(f);
        fs::current_path(fx.pack);
        const int h = VT::open(f.name.c_str());
        if (!h || VT::size(h) != f.size || !VT::read(h, buf.data(), f.size) || std::memcmp(buf.data(), want.data(), f.size))
            fail("the pack does not hold " + f.name);
        VT::close(h);
    }
}

void settle(double since)
{
    const double wait = 2.2 - (now_seconds() - since);
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(wait));
}

int run_small(const fs::path &root, const char *argv0)
{
    const std::vector<file_s> files = make_files(1006, 64, 16384);
    const fixture_s fx = make_fixture(root, files, true);
    const double made = now_seconds();
    fs::current_path(fx.pack);
    if (VT::init(nullptr) != 1)
        fail("the pack was not loaded");
    check_same(files, fx);
#ifdef BENCH_WITH_PHYSFS
    if (!PHYSFS_init(argv0) || !PHYSFS_mount(fx.zip.c_str(), nullptr, 1))
        fail("PhysicsFS could not mount the zip");
#else
    (void)argv0;
#endif
    settle(made);
    std::vector<char> buf(1 << 16);
    std::vector<std::function<void()>> runs = {
        [&] { fs::current_path(fx.pack); read_project(files, buf); },
        [&] { fs::current_path(fx.disk); read_posix(files, buf); },
#ifdef BENCH_WITH_PHYSFS
        [&] { read_physfs(files, buf); },
#endif
    };
    const std::vector<double> t = alternate(41, runs);
    const double per = 1e6 / double(files.size());
    report("1,006 small files from a pack, a file", t[0] * per, t[1] * per, "us", "POSIX", "<= 0.6");
#ifdef BENCH_WITH_PHYSFS
    report("1,006 small files from a pack, a file", t[0] * per, t[2] * per, "us", "PhysicsFS", "< 1");
    PHYSFS_deinit();
#else
    std::printf("(PhysicsFS not found when this was built: no comparison with a zip archive)\n");
#endif
    VT::done();
    return 0;
}

int run_large(const fs::path &root)
{
    // Sizes from 16 KB to 316 KB: 2,009 files of 333 MB in all.
    const std::vector<file_s> files = make_files(2009, 16 * 1024, 315124);
    uint64_t total = 0;
    for (const file_s &f : files)
        total += f.size;
    const fixture_s fx = make_fixture(root, files, false);
    const double made = now_seconds();
    fs::current_path(fx.pack);
    if (VT::init(nullptr) != 1)
        fail("the pack was not loaded");
    check_same(files, fx);
    settle(made);
    std::vector<char> buf(1 << 20);
    const std::vector<double> t = alternate(9, {
        [&] { fs::current_path(fx.pack); read_project(files, buf); },
        [&] { fs::current_path(fx.disk); read_posix(files, buf); },
    });
    const double per = 1e3 / (double(total) / 1e6);
    char what[64];
    std::snprintf(what, sizeof what, "2,009 files (%.0f MB) from a pack, a MB", double(total) / 1e6);
    report(what, t[0] * per, t[1] * per, "ms", "POSIX", "<= 1.05");
    VT::done();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "small";
    if (mode != "small" && mode != "large") {
        std::fprintf(stderr, "usage: bench_pack_read [small|large]\n");
        return 2;
    }
    const fs::path start = fs::current_path();
    int result;
    {
        scratch_dir root("pack");
        result = mode == "small" ? run_small(root.path(), argv[0]) : run_large(root.path());
        fs::current_path(start);
    }
    if (g_sink == 42)
        std::printf(" \n");
    return result;
}
