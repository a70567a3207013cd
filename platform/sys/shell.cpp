#include "platform/sys/shell.h"

#include "platform/sys/cp1251.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>

extern char **environ;

namespace {

std::function<int(const std::vector<std::string> &)> &spawn_hook()
{
    static std::function<int(const std::vector<std::string> &)> hook;
    return hook;
}

std::vector<pid_t> &started()
{
    static std::vector<pid_t> pids;
    return pids;
}

void reap_finished()
{
    std::vector<pid_t> &pids = started();
    for (size_t i = 0; i < pids.size();) {
        int status = 0;
        if (waitpid(pids[i], &status, WNOHANG) != 0) {
            pids[i] = pids.back();
            pids.pop_back();
        } else {
            ++i;
        }
    }
}

int spawn(const std::vector<std::string> &argv)
{
    if (spawn_hook())
        return spawn_hook()(argv);
    reap_finished();
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const bool search = argv[0].find('/') == std::string::npos;
    const int error = search ? posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ)
                             : posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ);
    if (error == 0)
        started().push_back(pid);
    return error;
}

std::string percent_encoded(const std::string &utf8)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : utf8) {
        if (c > 0x20 && c < 0x7F) {
            out += char(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

// path, or path without its ending ".exe" when only that file is there.
std::string program_path(const std::string &path)
{
    struct stat st;
    const size_t n = path.size();
    if (n > 4 && strcasecmp(path.c_str() + n - 4, ".exe") == 0 && stat(path.c_str(), &st) != 0 &&
        stat(path.substr(0, n - 4).c_str(), &st) == 0)
        return path.substr(0, n - 4);
    return path;
}

intptr_t failure_code(int error)
{
    switch (error) {
    case ENOENT: return SE_ERR_FNF;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case ENOMEM: return SE_ERR_OOM;
    case ENOEXEC: return ERROR_BAD_FORMAT;
    default: return SE_ERR_ACCESSDENIED;
    }
}

HINSTANCE result(intptr_t code)
{
    return reinterpret_cast<HINSTANCE>(code);
}

} // namespace

HINSTANCE ShellExecuteA(HWND, const char *operation, const char *file, const char *parameters, const char *directory,
                        int)
{
    if (operation && std::strcmp(operation, "open") != 0)
        return result(SE_ERR_NOASSOC);
    if ((parameters && *parameters) || (directory && *directory) || !file || !*file)
        return result(SE_ERR_ACCESSDENIED);
    const std::string utf8 = cp1251_to_utf8(file);
    std::vector<std::string> argv;
    if (std::strncmp(file, "mailto:", 7) == 0)
        argv = {"xdg-open", percent_encoded(utf8)};
    else if (utf8.find('/') != std::string::npos)
        argv = {program_path(utf8)};
    else
        argv = {program_path("./" + utf8)};
    const int error = spawn(argv);
    if (error == 0)
        return result(33);
    return result(failure_code(error));
}

void shell_set_spawn_hook(std::function<int(const std::vector<std::string> &argv)> hook)
{
    spawn_hook() = std::move(hook);
}
