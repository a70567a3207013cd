#include "tools/netns/private_network.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace
{
bool write_file(const char *path, const std::string &text)
{
    std::ofstream out(path);
    out << text;
    out.close();
    return bool(out);
}

std::string loopback_up()
{
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return std::string("socket: ") + std::strerror(errno);
    ifreq request;
    std::memset(&request, 0, sizeof request);
    std::strcpy(request.ifr_name, "lo");
    std::string why;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0)
        why = std::string("SIOCGIFFLAGS: ") + std::strerror(errno);
    else {
        request.ifr_flags |= IFF_UP;
        if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0)
            why = std::string("SIOCSIFFLAGS: ") + std::strerror(errno);
    }
    ::close(fd);
    return why;
}

// Enters new namespaces of the kinds in flags, with a user namespace when plain rights do not
// suffice; why not, or "".
std::string enter_namespaces(int flags, const char *what)
{
    if (::unshare(flags) != 0) {
        int first = errno;
        uid_t uid = ::geteuid();
        gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | flags) != 0)
            return std::string("the kernel refuses a private ") + what + " namespace (unshare: " +
                   std::strerror(first) + ", with a user namespace: " + std::strerror(errno) + ")";
        write_file("/proc/self/setgroups", "deny");
        if (!write_file("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
            !write_file("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n"))
            return "the kernel refuses the user namespace's id maps";
    }
    return "";
}

std::string enter_once()
{
    std::string why = enter_namespaces(CLONE_NEWNET, "network");
    if (!why.empty())
        return why;
    why = loopback_up();
    return why.empty() ? why : "the private namespace's loopback stays down (" + why + ")";
}
} // namespace

std::string enter_private_network()
{
    static const std::string why = enter_once();
    return why;
}

std::string enter_private_mounts()
{
    std::string why = enter_namespaces(CLONE_NEWNS, "mount");
    if (!why.empty())
        return why;
    // Nothing mounted here may reach the parent's namespace.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("the private mount namespace stays shared (") + std::strerror(errno) + ")";
    return "";
}

bool private_namespace_required()
{
    const char *ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}
