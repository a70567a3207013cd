#include "platform/sys/files.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The handles that hold a file without sharing, by the identity of the file.
struct open_file_s
{
    dev_t device;
    ino_t inode;
    int handle;
};
std::vector<open_file_s> g_open_files;

bool is_open_elsewhere(const struct stat &st)
{
    for (const open_file_s &f : g_open_files)
        if (f.device == st.st_dev && f.inode == st.st_ino)
            return true;
    return false;
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

bool equal_ignoring_ascii_case(const std::string &a, const char *b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (fold_ascii(a[i]) != fold_ascii(b[i]))
            return false;
    return i == a.size() && b[i] == 0;
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

// The name as it is spelled on disk: exact first, then component by component without regard
// to ASCII case. A component that matches nothing is kept as given (so that a file can be
// created under it, or the operation fails on it).
std::string resolve_name(const char *name)
{
    std::string given(name);
    if (given.empty() || exists(given))
        return given;
    std::string out;
    size_t i = 0;
    if (given[0] == '/') {
        out = "/";
        i = 1;
    }
    while (i <= given.size()) {
        size_t j = given.find('/', i);
        if (j == std::string::npos)
            j = given.size();
        std::string comp = given.substr(i, j - i);
        if (!comp.empty()) {
            std::string candidate = out + comp;
            if (comp != "." && comp != ".." && !exists(candidate)) {
                std::vector<std::string> names;
                read_names(out.empty() ? std::string(".") : out, names);
                for (const std::string &n : names)
                    if (equal_ignoring_ascii_case(n, comp.c_str())) {
                        candidate = out + n;
                        break;
                    }
            }
            out = candidate;
        }
        if (j < given.size())
            out += '/';
        i = j + 1;
    }
    return out;
}

// Takes over a freshly opened descriptor: only regular files not held elsewhere are kept.
int adopt(int fd)
{
    if (fd < 0)
        return SYS_INVALID_FILE;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || is_open_elsewhere(st)) {
        ::close(fd);
        return SYS_INVALID_FILE;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        ::close(fd);
        return SYS_INVALID_FILE;
    }
    g_open_files.push_back({st.st_dev, st.st_ino, fd});
    return fd;
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

int sys_file_open_read(const char *name)
{
    if (!name)
        return SYS_INVALID_FILE;
    std::string path = resolve_name(name);
    return adopt(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

int sys_file_create(const char *name)
{
    if (!name)
        return SYS_INVALID_FILE;
    std::string path = resolve_name(name);
    // Not truncated at open: a file that is held elsewhere must keep its contents.
    int fd = adopt(::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
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
    if (stat(path.c_str(), &st) == 0 && is_open_elsewhere(st))
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
