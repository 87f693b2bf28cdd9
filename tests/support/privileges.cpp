#include "privileges.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessel::testing {

namespace {

constexpr uid_t kNobody = 65534;

bool WriteTo(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    ::close(fd);
    return written;
}

} // namespace

bool AsUnprivilegedUser(const std::function<bool()>& check) {
    if (::geteuid() != 0)
        return check();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string MountSmallDisk(const std::string& folder, const std::string& size) {
    const std::string options = "size=" + size;
    // A mount namespace of the test's own: the disk goes with the process, however the test
    // ends, and nothing else sees it.
    if (::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0)
        return {};
    // Without the right to mount, a user namespace of our own gives it.
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return std::string("no namespace: ") + std::strerror(errno);
    WriteTo("/proc/self/setgroups", "deny");
    if (!WriteTo("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !WriteTo("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
        return "the namespace's user cannot be mapped";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
        return std::string("no tmpfs: ") + std::strerror(errno);
    return {};
}

} // namespace tessel::testing
