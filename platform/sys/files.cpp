#include "platform/sys/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <string_view>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every handle made here, by the identity of its file. A held handle keeps every other open
// of its file out; an unheld one (a pack kept open between its uses) does not.
struct open_file_s
{
    dev_t device;
    ino_t inode;
    int handle;
    bool held;
};
std::vector<open_file_s> g_open_files;

bool is_held(dev_t device, ino_t inode, int except_handle = -1)
{
    for (const open_file_s &f : g_open_files)
        if (f.held && f.handle != except_handle && f.device == device && f.inode == inode)
            return true;
    return false;
}

open_file_s *find_handle(int handle)
{
    for (open_file_s &f : g_open_files)
        if (f.handle == handle)
            return &f;
    return nullptr;
}

void forget_handle(int handle)
{
    g_open_files.erase(std::remove_if(g_open_files.begin(), g_open_files.end(),
                                      [handle](const open_file_s &f) { return f.handle == handle; }),
                       g_open_files.end());
}

char fold_ascii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equal_ignoring_ascii_case(const std::string &a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (fold_ascii(a[i]) != fold_ascii(b[i]))
            return false;
    return true;
}

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool read_names(const std::string &dir, std::vector<std::string> &names)
{
    DIR *d = opendir(dir.c_str());
    if (!d)
        return false;
    while (const dirent *e = readdir(d)) {
        if (std::string_view(e->d_name) == "." || std::string_view(e->d_name) == "..")
            continue;
        names.emplace_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return true;
}

// Listings of directories, kept while the directory's change times stay as they were. A
// listing is kept only when the directory had been unchanged for g_settle_seconds before it
// was read: a change that comes later then always gets a later change time, even on file
// systems whose time stamps are coarse, so a kept listing is never stale.
struct dir_listing_s
{
    dev_t device;
    ino_t inode;
    timespec mtime;
    timespec ctime;
    std::vector<std::string> names;
};
constexpr size_t MAX_LISTINGS = 64;
std::vector<dir_listing_s> g_listings;
double g_settle_seconds = SYS_LISTING_SETTLE_SECONDS;
// The directory last listed as ".": a guess at the current directory, which may have changed.
bool g_cwd_known = false;
dev_t g_cwd_device;
ino_t g_cwd_inode;

bool same_time(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

double seconds_of(const timespec &t)
{
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The sorted names of dir (without "." and ".."), from the kept listing when it is still
// good; null when the directory cannot be read. A fresh listing is left in scratch.
const std::vector<std::string> *listing_of(const std::string &dir, std::vector<std::string> &scratch)
{
    // Read before the directory's times: a change after this moment is not in the listing.
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return nullptr;
    if (dir == ".") {
        g_cwd_known = true;
        g_cwd_device = st.st_dev;
        g_cwd_inode = st.st_ino;
    }
    auto kept = std::find_if(g_listings.begin(), g_listings.end(), [&st](const dir_listing_s &l) {
        return l.device == st.st_dev && l.inode == st.st_ino;
    });
    if (kept != g_listings.end()) {
        if (same_time(kept->mtime, st.st_mtim) && same_time(kept->ctime, st.st_ctim))
            return &kept->names;
        g_listings.erase(kept);
    }
    scratch.clear();
    if (!read_names(dir, scratch))
        return nullptr;
    const double changed = std::max(seconds_of(st.st_mtim), seconds_of(st.st_ctim));
    if (seconds_of(now) - changed <= g_settle_seconds)
        return &scratch;
    if (g_listings.size() >= MAX_LISTINGS)
        g_listings.clear();
    g_listings.push_back({st.st_dev, st.st_ino, st.st_mtim, st.st_ctim, scratch});
    return &g_listings.back().names;
}

// The kept listing of the directory last listed as ".", without asking the system whether it
// is still good or still the current directory: only a guess.
const std::vector<std::string> *cwd_guess()
{
    if (!g_cwd_known)
        return nullptr;
    for (const dir_listing_s &l : g_listings)
        if (l.device == g_cwd_device && l.inode == g_cwd_inode)
            return &l.names;
    return nullptr;
}

// The name that comp matches in a listing: the exact name when there is one, else the first
// name in byte order that matches without regard to ASCII case. Null when there is none.
const std::string *find_match(const std::vector<std::string> &names, std::string_view comp)
{
    auto exact = std::lower_bound(names.begin(), names.end(), comp);
    if (exact != names.end() && *exact == comp)
        return &*exact;
    for (const std::string &n : names)
        if (equal_ignoring_ascii_case(n, comp))
            return &n;
    return nullptr;
}

// The entry of dir that the component names (as find_match). False when there is none.
bool match_component(const std::string &dir, const std::string &comp, std::string &out)
{
    std::vector<std::string> scratch;
    const std::vector<std::string> *names = listing_of(dir, scratch);
    if (!names) {
        // A directory that may be searched but not listed still finds exact names.
        out = comp;
        return exists(dir + "/" + comp);
    }
    const std::string *found = find_match(*names, comp);
    if (found)
        out = *found;
    return found != nullptr;
}

// The system's change notification (inotify) over the files and directories whose state was
// checked: while it has told of no change since a check, the check still holds, and asking it
// costs one read of its queue instead of a stat. A directory is watched for its entries (not
// for writes into its files), a file for its contents and its links.
constexpr uint32_t WATCH_DIR = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MOVE_SELF | IN_DELETE_SELF;
constexpr uint32_t WATCH_FILE = IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;
// Watches are never taken back one by one (a directory may be watched for two reasons);
// past this many the queue is closed and started afresh, which counts as a change.
constexpr int MAX_WATCHES = 1024;
int g_watch = -1;           // the queue, -1 while there is none
bool g_watch_tried = false;  // a queue the system refused is not asked for again
uint64_t g_changes = 1;      // grows with every change told (or possible); never 0

// Watches name (relative names from the current directory) with mask; false when it cannot.
bool watch(const char *name, uint32_t mask)
{
    if (g_watch < 0 && !g_watch_tried) {
        g_watch_tried = true;
        g_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    }
    if (g_watch < 0)
        return false;
    const int wd = inotify_add_watch(g_watch, name, mask);
    if (wd < 0)
        return false;
    if (wd > MAX_WATCHES) {
        ::close(g_watch);
        g_watch = -1;
        g_watch_tried = false;
        ++g_changes;
        return false;
    }
    return true;
}

// The current directory as the watch vouches for it: its path when it was checked, the kept
// listing of it, and the count of changes then.
struct cwd_watch_s
{
    bool armed = false;
    std::string path;
    uint64_t changes = 0;
    dev_t device = 0;
    ino_t inode = 0;
};
cwd_watch_s g_cwd_watch;

bool current_dir_is(const std::string &path)
{
    char buf[4096];
    return getcwd(buf, sizeof buf) && path == buf;
}

// True when a relative name's first component is certainly not in the current directory,
// found with one stat, or, while the watch has seen no change of the current directory since
// that stat, with the question whether it is still the current directory. Asked only when the
// guess at the current directory's listing lacks the component too, so that names that are
// there still cost nothing more than their open. *changes is the watch's count (asked here
// when it is 0).
bool first_component_missing(const char *name, uint64_t *changes)
{
    if (name[0] == '/')
        return false;
    const std::string_view first(name, std::strcspn(name, "/"));
    if (first.empty() || first == "." || first == "..")
        return false;
    const std::vector<std::string> *guess = cwd_guess();
    if (!guess || find_match(*guess, first))
        return false;
    if (!*changes)
        *changes = sys_watch_changes();
    if (g_cwd_watch.armed && g_cwd_watch.changes == *changes && g_cwd_watch.device == g_cwd_device &&
        g_cwd_watch.inode == g_cwd_inode && current_dir_is(g_cwd_watch.path))
        return true;
    // The watch goes on before the stat, so that a change after the stat is told later.
    g_cwd_watch.armed = false;
    std::string path;
    const bool watched = watch(".", WATCH_DIR) && sys_get_current_dir(path);
    const uint64_t at = sys_watch_changes();
    std::vector<std::string> scratch;
    const std::vector<std::string> *names = listing_of(".", scratch);
    if (watched && names && names != &scratch)
        g_cwd_watch = {true, path, at, g_cwd_device, g_cwd_inode};
    return names && !find_match(*names, first);
}

enum resolve_mode
{
    RESOLVE_EXISTING,  // every component must exist: false at the first that does not
    RESOLVE_KEEP,      // a component that matches nothing is kept as given
};

// The name as it is spelled on disk, component by component. With RESOLVE_KEEP the walk still
// stops at a missing directory, since nothing can exist or be made below it; only the last
// component may stay as given (so that a file can be created under it).
bool resolve_walk(const std::string &given, resolve_mode mode, std::string &out)
{
    out.clear();
    size_t i = 0;
    if (!given.empty() && given[0] == '/') {
        out.push_back('/');
        i = 1;
    }
    while (i <= given.size()) {
        size_t j = given.find('/', i);
        if (j == std::string::npos)
            j = given.size();
        std::string comp = given.substr(i, j - i);
        if (!comp.empty()) {
            std::string found;
            if (comp == "." || comp == "..") {
                found = comp;
            } else if (!match_component(out.empty() ? std::string(".") : out, comp, found)) {
                if (mode == RESOLVE_EXISTING || j < given.size())
                    return false;
                found = comp;
            }
            out += found;
        }
        if (j < given.size())
            out += '/';
        i = j + 1;
    }
    return true;
}

// The name as it is spelled on disk: the exact name when it exists, else the walk above. A
// name that cannot be resolved is kept as given, so that the operation fails on it.
std::string resolve_name(const char *name)
{
    std::string given(name), out;
    if (given.empty() || exists(given) || !resolve_walk(given, RESOLVE_KEEP, out))
        return given;
    return out;
}

// Takes over a freshly opened descriptor: only regular files not held elsewhere are kept.
// The descriptor was opened non-blocking so that a pipe cannot stall the open; for a regular
// file that flag changes nothing and stays.
int adopt(int fd, bool held, struct stat *st_out = nullptr)
{
    if (fd < 0)
        return SYS_INVALID_FILE;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || is_held(st.st_dev, st.st_ino)) {
        ::close(fd);
        return SYS_INVALID_FILE;
    }
    g_open_files.push_back({st.st_dev, st.st_ino, fd, held});
    if (st_out)
        *st_out = st;
    return fd;
}

constexpr int READ_FLAGS = O_RDONLY | O_NONBLOCK | O_CLOEXEC;

// Opens an existing file: the exact name with one open, then, only when some component of it
// is missing, the walk without regard to case, which gives up at the first component that
// matches nothing. A name whose first component the current directory lacks in any case fails
// at once.
int open_existing(const char *name, bool held, struct stat *st = nullptr, uint64_t *changes = nullptr)
{
    uint64_t asked = 0;
    if (!name || first_component_missing(name, changes ? changes : &asked))
        return SYS_INVALID_FILE;
    int fd = ::open(name, READ_FLAGS);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            return SYS_INVALID_FILE;
        std::string path;
        if (!resolve_walk(name, RESOLVE_EXISTING, path) || path == name)
            return SYS_INVALID_FILE;
        fd = ::open(path.c_str(), READ_FLAGS);
    }
    return adopt(fd, held, st);
}

constexpr uint64_t IO_CHUNK = 1u << 30;

// Moves len bytes in chunks with op(bytes done, chunk size) until all moved, the end of the
// file, or an error (-1).
template <class Op> int64_t transfer(uint64_t len, Op op)
{
    uint64_t done = 0;
    while (done < len) {
        ssize_t n = op(done, std::min(len - done, IO_CHUNK));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += uint64_t(n);
    }
    return int64_t(done);
}

} // namespace

int sys_file_open_read(const char *name, uint64_t *changes)
{
    return open_existing(name, true, nullptr, changes);
}

uint64_t sys_watch_changes()
{
    if (g_watch < 0)
        return ++g_changes;
    alignas(inotify_event) char events[4096];
    bool told = false;
    for (;;) {
        const ssize_t n = ::read(g_watch, events, sizeof events);
        if (n > 0) {
            told = true;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // Nothing more queued (EAGAIN); anything else leaves the watch unsure.
            told |= !(n < 0 && errno == EAGAIN);
            break;
        }
    }
    return told ? ++g_changes : g_changes;
}

int sys_file_identify_watched(const char *name, sys_file_id &out, uint64_t &changes)
{
    if (!name)
        return 0;
    const char *slash = std::strrchr(name, '/');
    const std::string dir = slash ? std::string(name, size_t(slash - name) + 1) : std::string(".");
    const bool watched = watch(dir.c_str(), WATCH_DIR) && watch(name, WATCH_FILE);
    changes = watched ? sys_watch_changes() : 0;
    return sys_file_identify(name, out);
}

int sys_file_open_unheld(const char *name, sys_file_id *id)
{
    struct stat st;
    int fd = open_existing(name, false, &st);
    if (fd != SYS_INVALID_FILE && id)
        *id = {uint64_t(st.st_dev), uint64_t(st.st_ino), uint64_t(st.st_size)};
    return fd;
}

int sys_file_hold(int handle)
{
    open_file_s *f = find_handle(handle);
    if (!f || is_held(f->device, f->inode, handle))
        return 0;
    f->held = true;
    return 1;
}

void sys_file_unhold(int handle)
{
    if (open_file_s *f = find_handle(handle))
        f->held = false;
}

int sys_file_identify(const char *name, sys_file_id &out)
{
    struct stat st;
    if (!name || stat(name, &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    out = {uint64_t(st.st_dev), uint64_t(st.st_ino), uint64_t(st.st_size)};
    return 1;
}

int sys_file_create(const char *name)
{
    if (!name)
        return SYS_INVALID_FILE;
    std::string path = resolve_name(name);
    // Not truncated at open: a file that is held elsewhere must keep its contents.
    int fd = adopt(::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666), true);
    if (fd == SYS_INVALID_FILE)
        return SYS_INVALID_FILE;
    if (ftruncate(fd, 0) != 0) {
        sys_file_close(fd);
        return SYS_INVALID_FILE;
    }
    return fd;
}

int sys_file_close(int handle)
{
    if (handle < 0)
        return 0;
    forget_handle(handle);
    return ::close(handle) == 0 ? 1 : 0;
}

int64_t sys_file_size(int handle)
{
    struct stat st;
    if (handle < 0 || fstat(handle, &st) != 0)
        return -1;
    return st.st_size;
}

int64_t sys_file_read(int handle, void *buf, uint64_t len)
{
    return transfer(len, [&](uint64_t done, uint64_t n) { return ::read(handle, static_cast<char *>(buf) + done, n); });
}

int64_t sys_file_write(int handle, const void *buf, uint64_t len)
{
    return transfer(len,
                    [&](uint64_t done, uint64_t n) { return ::write(handle, static_cast<const char *>(buf) + done, n); });
}

int64_t sys_file_read_at(int handle, void *buf, uint64_t len, uint64_t pos)
{
    if (pos > uint64_t(INT64_MAX) || len > uint64_t(INT64_MAX) - pos)
        return -1;
    return transfer(len, [&](uint64_t done, uint64_t n) {
        return ::pread(handle, static_cast<char *>(buf) + done, n, off_t(pos + done));
    });
}

int sys_file_seek(int handle, uint64_t pos)
{
    if (pos > uint64_t(INT64_MAX))
        return 0;
    return lseek(handle, off_t(pos), SEEK_SET) == -1 ? 0 : 1;
}

int sys_file_time(int handle, SYSTEMTIME *out)
{
    struct stat st;
    if (!out || handle < 0 || fstat(handle, &st) != 0)
        return 0;
    struct tm t;
    time_t secs = st.st_mtim.tv_sec;
    if (!localtime_r(&secs, &t))
        return 0;
    out->wYear = WORD(t.tm_year + 1900);
    out->wMonth = WORD(t.tm_mon + 1);
    out->wDayOfWeek = WORD(t.tm_wday);
    out->wDay = WORD(t.tm_mday);
    out->wHour = WORD(t.tm_hour);
    out->wMinute = WORD(t.tm_min);
    out->wSecond = WORD(t.tm_sec > 59 ? 59 : t.tm_sec);
    out->wMilliseconds = WORD(st.st_mtim.tv_nsec / 1000000);
    return 1;
}

int sys_file_erase(const char *name)
{
    if (!name)
        return 0;
    std::string path = resolve_name(name);
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return 0;
    if (stat(path.c_str(), &st) == 0 && is_held(st.st_dev, st.st_ino))
        return 0;
    return unlink(path.c_str()) == 0 ? 1 : 0;
}

bool sys_get_current_dir(std::string &out)
{
    std::vector<char> buf(512);
    for (;;) {
        if (getcwd(buf.data(), buf.size())) {
            out = buf.data();
            return true;
        }
        if (errno != ERANGE)
            return false;
        buf.resize(buf.size() * 2);
    }
}

int sys_set_current_dir(const char *dir)
{
    if (!dir)
        return 0;
    std::string path = resolve_name(dir);
    return chdir(path.c_str()) == 0 ? 1 : 0;
}

void sys_set_listing_settle_time(double seconds)
{
    g_settle_seconds = seconds;
    g_listings.clear();
}

bool sys_list_dir(const char *dir, std::vector<sys_dir_entry> &out)
{
    out.clear();
    if (!dir)
        return false;
    std::string base = resolve_name(dir);
    std::vector<std::string> names;
    if (!read_names(base, names))
        return false;
    if (!base.empty() && base.back() != '/')
        base += '/';
    for (std::string &n : names) {
        std::string full = base + n;
        struct stat st;
        sys_dir_entry e{std::move(n), SYS_ENTRY_OTHER, 0};
        if (lstat(full.c_str(), &st) == 0) {
            bool link = S_ISLNK(st.st_mode);
            if (link && stat(full.c_str(), &st) != 0)
                st.st_mode = 0;
            if (S_ISDIR(st.st_mode))
                e.kind = link ? SYS_ENTRY_LINK_DIR : SYS_ENTRY_DIR;
            else if (S_ISREG(st.st_mode)) {
                e.kind = SYS_ENTRY_FILE;
                e.size = uint64_t(st.st_size);
            }
        }
        out.push_back(std::move(e));
    }
    return true;
}

std::string sys_home_file(const char *name)
{
    const char *home = std::getenv("HOME");
    if (!home || !*home)
        return name;
    std::string path = home;
    if (path.back() != '/')
        path += '/';
    return path + name;
}
