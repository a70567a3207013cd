#include "platform/registry/winreg.h"

#include "platform/sys/replace_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct platform_hkey_s
{
    std::string dir; // the key's directory
};

namespace {

std::string g_root_override;
std::set<platform_hkey_s *> g_open_keys;

bool is_current_user(HKEY key)
{
    return key == HKEY_CURRENT_USER;
}

bool is_open(HKEY key)
{
    return g_open_keys.count(key) != 0;
}

std::string store_root()
{
    if (!g_root_override.empty())
        return g_root_override;
    const char *config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return config;
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config";
    return std::string();
}

std::string file_name_of(std::string_view name)
{
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '%')
            out += "%25";
        else if (c == '/')
            out += "%2F";
        else if (c == '.' && i == 0)
            out += "%2E";
        else
            out += c;
    }
    return out;
}

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The components of a sub key, each already a file name; false for an empty component.
bool split_sub_key(const char *sub_key, std::vector<std::string> &out)
{
    if (!sub_key || !*sub_key)
        return true;
    std::string_view rest(sub_key);
    for (;;) {
        const size_t cut = rest.find('\\');
        const std::string_view part = rest.substr(0, cut);
        if (part.empty())
            return false;
        out.push_back(std::string(part));
        if (cut == std::string_view::npos)
            return true;
        rest.remove_prefix(cut + 1);
    }
}

struct key_path_s
{
    LONG error = ERROR_SUCCESS;
    std::string base; // an existing directory the components start from
    std::vector<std::string> parts;
};

// Where key\sub_key lives: the directory of an open key, or the store's root for the
// components after HKEY_CURRENT_USER's "Software".
key_path_s resolve(HKEY key, const char *sub_key, LONG outside_software)
{
    key_path_s path;
    std::vector<std::string> raw;
    if (!is_current_user(key) && !is_open(key)) {
        path.error = ERROR_INVALID_HANDLE;
        return path;
    }
    if (!split_sub_key(sub_key, raw)) {
        path.error = ERROR_INVALID_PARAMETER;
        return path;
    }
    size_t first = 0;
    if (is_current_user(key)) {
        if (raw.empty() || !equal_ignoring_ascii_case(raw[0], "Software")) {
            path.error = outside_software;
            return path;
        }
        path.base = store_root();
        if (path.base.empty()) {
            path.error = ERROR_FILE_NOT_FOUND;
            return path;
        }
        first = 1;
    } else {
        path.base = key->dir;
    }
    for (size_t i = first; i < raw.size(); ++i)
        path.parts.push_back(file_name_of(raw[i]));
    return path;
}

LONG error_of(int err, LONG otherwise)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return otherwise;
    }
}

bool is_dir(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

LONG hand_out(std::string dir, HKEY *result)
{
    auto key = std::make_unique<platform_hkey_s>();
    key->dir = std::move(dir);
    *result = key.get();
    g_open_keys.insert(key.release());
    return ERROR_SUCCESS;
}

// The file of a value in an open key, or an error.
LONG value_path(HKEY key, const char *value_name, std::string &out)
{
    if (!is_open(key))
        return ERROR_INVALID_HANDLE;
    if (!value_name || !*value_name)
        return ERROR_INVALID_PARAMETER;
    out = key->dir + "/" + file_name_of(value_name);
    return ERROR_SUCCESS;
}

class fd_c
{
public:
    explicit fd_c(int fd) : m_fd(fd) {}
    ~fd_c()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    fd_c(const fd_c &) = delete;
    fd_c &operator=(const fd_c &) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

} // namespace

void reg_set_root(const char *dir)
{
    g_root_override = dir ? dir : "";
}

LONG RegOpenKeyExA(HKEY key, const char *sub_key, DWORD, REGSAM, HKEY *result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    key_path_s path = resolve(key, sub_key, ERROR_FILE_NOT_FOUND);
    if (path.error != ERROR_SUCCESS)
        return path.error;
    std::string dir = path.base;
    for (const std::string &part : path.parts)
        dir += "/" + part;
    if (!is_dir(dir))
        return ERROR_FILE_NOT_FOUND;
    return hand_out(std::move(dir), result);
}

LONG RegCreateKeyExA(HKEY key, const char *sub_key, DWORD, char *, DWORD, REGSAM, void *, HKEY *result,
                     DWORD *disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    key_path_s path = resolve(key, sub_key, ERROR_ACCESS_DENIED);
    if (path.error != ERROR_SUCCESS)
        return path.error;
    // The store's root itself may be missing on a fresh account.
    std::vector<std::string> dirs;
    for (size_t cut = path.base.find('/', 1); cut != std::string::npos; cut = path.base.find('/', cut + 1))
        dirs.push_back(path.base.substr(0, cut));
    dirs.push_back(path.base);
    std::string dir = path.base;
    for (const std::string &part : path.parts) {
        dir += "/" + part;
        dirs.push_back(dir);
    }
    bool created = false;
    for (const std::string &d : dirs) {
        created = false;
        if (is_dir(d))
            continue;
        if (mkdir(d.c_str(), 0700) == 0) {
            created = true;
            continue;
        }
        const int err = errno;
        if (err != EEXIST)
            return error_of(err, ERROR_ACCESS_DENIED);
        if (!is_dir(d)) // a file where a key belongs
            return ERROR_ACCESS_DENIED;
    }
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return hand_out(std::move(dir), result);
}

LONG RegQueryValueExA(HKEY key, const char *value_name, DWORD *, DWORD *type, BYTE *data, DWORD *data_size)
{
    std::string file;
    if (LONG e = value_path(key, value_name, file); e != ERROR_SUCCESS)
        return e;
    if (data && !data_size)
        return ERROR_INVALID_PARAMETER;
    // Not blocking: a pipe put where a value belongs must not hang the game.
    fd_c fd(open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        return error_of(errno, ERROR_READ_FAULT);
    struct stat st;
    if (fstat(fd.get(), &st) != 0)
        return ERROR_READ_FAULT;
    if (!S_ISREG(st.st_mode))
        return ERROR_FILE_NOT_FOUND;
    if (st.st_size < 0 || uint64_t(st.st_size) > REG_MAX_VALUE_SIZE)
        return ERROR_INVALID_DATA;
    const DWORD size = DWORD(st.st_size);
    if (type)
        *type = REG_BINARY;
    if (!data) {
        if (data_size)
            *data_size = size;
        return ERROR_SUCCESS;
    }
    // One byte more than the size tells a file that grew since fstat from one that did not.
    std::vector<BYTE> bytes(size_t(size) + 1);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ERROR_READ_FAULT;
        if (n == 0)
            break;
        got += size_t(n);
    }
    if (got > REG_MAX_VALUE_SIZE)
        return ERROR_INVALID_DATA;
    if (got > *data_size) {
        *data_size = DWORD(got);
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), got);
    *data_size = DWORD(got);
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, const char *value_name, DWORD, DWORD type, const BYTE *data, DWORD data_size)
{
    std::string file;
    if (LONG e = value_path(key, value_name, file); e != ERROR_SUCCESS)
        return e;
    if (type != REG_BINARY || data_size > REG_MAX_VALUE_SIZE || (!data && data_size > 0))
        return ERROR_INVALID_PARAMETER;
    // What a writer killed midway left in the key goes with the key's next write.
    sys_remove_stale_temporaries(key->dir, ".value-");
    const sys_replace_result written = sys_replace_file(file, data, data_size, ".value-", 0600);
    if (written.step == SYS_REPLACE_CREATE && written.error == ENOENT)
        return ERROR_KEY_DELETED;
    return written.step == SYS_REPLACE_DONE ? ERROR_SUCCESS : error_of(written.error, ERROR_WRITE_FAULT);
}

LONG reg_rename_value(HKEY key, const char *value_name, const char *new_name)
{
    std::string from, to;
    if (LONG e = value_path(key, value_name, from); e != ERROR_SUCCESS)
        return e;
    if (LONG e = value_path(key, new_name, to); e != ERROR_SUCCESS)
        return e;
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0)
        return errno == EEXIST ? ERROR_ALREADY_EXISTS : error_of(errno, ERROR_WRITE_FAULT);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (is_current_user(key))
        return ERROR_SUCCESS;
    auto it = g_open_keys.find(key);
    if (it == g_open_keys.end())
        return ERROR_INVALID_HANDLE;
    g_open_keys.erase(it);
    delete key;
    return ERROR_SUCCESS;
}
