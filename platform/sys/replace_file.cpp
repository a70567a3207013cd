#include "platform/sys/replace_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

std::string directory_of(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool write_all(int fd, const unsigned char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

mode_t current_umask()
{
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

} // namespace

sys_replace_result sys_replace_file(const std::string &path, const void *data, size_t size, const char *temp_prefix,
                                    unsigned mode)
{
    const std::string dir = directory_of(path);
    std::string temp = dir + "/" + temp_prefix + "XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return {SYS_REPLACE_CREATE, errno};
    sys_replace_result result{SYS_REPLACE_DONE, 0};
    if (fchmod(fd, mode_t(mode) & ~current_umask()) != 0 ||
        !write_all(fd, static_cast<const unsigned char *>(data), size) || fsync(fd) != 0)
        result = {SYS_REPLACE_WRITE, errno};
    if (close(fd) != 0 && result.step == SYS_REPLACE_DONE)
        result = {SYS_REPLACE_WRITE, errno};
    if (result.step == SYS_REPLACE_DONE && rename(temp.c_str(), path.c_str()) != 0)
        result = {SYS_REPLACE_RENAME, errno};
    if (result.step != SYS_REPLACE_DONE) {
        unlink(temp.c_str());
        return result;
    }
    // The rename itself reaches the disk with the directory.
    const int dir_fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        fsync(dir_fd);
        close(dir_fd);
    }
    return result;
}

int sys_remove_stale_temporaries(const std::string &dir, const char *temp_prefix, double min_age)
{
    DIR *listing = opendir(dir.c_str());
    if (!listing)
        return 0;
    const size_t prefix_length = std::strlen(temp_prefix);
    const time_t now = time(nullptr);
    int removed = 0;
    while (const dirent *entry = readdir(listing)) {
        if (std::strncmp(entry->d_name, temp_prefix, prefix_length) != 0 ||
            std::strlen(entry->d_name) != prefix_length + 6)
            continue;
        const std::string file = dir + "/" + entry->d_name;
        struct stat st;
        if (lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || double(now - st.st_mtime) < min_age)
            continue;
        if (unlink(file.c_str()) == 0)
            ++removed;
    }
    closedir(listing);
    return removed;
}
