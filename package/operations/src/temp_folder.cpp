#include "temp_folder.h"

#include "entry_name.h"
#include "entry_path.h"
#include "name_text.h"
#include "package_error.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tessel {

namespace {

constexpr mode_t kPrivateFolderMode = 0700;

[[noreturn]] void Unsafe(const std::string& path, const std::string& why) {
    throw PackageError("The temporary folder \"" + path + "\" cannot be used safely: " + why);
}

} // namespace

std::string GetTempDir() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string dir = fromEnvironment && *fromEnvironment ? fromEnvironment : "/tmp";
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

std::string TempFolderPath() {
    return GetTempDir() + "VPtmp-" + std::to_string(::getuid());
}

OpenFolder PrepareTempFolder() {
    const std::string path = TempFolderPath();
    if (::mkdir(path.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST)
        throw PackageError(CannotMakeFolderMessage(path, SystemReason(errno)));
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        const int error = errno;
        struct stat there {};
        if (::lstat(path.c_str(), &there) == 0 && S_ISLNK(there.st_mode))
            Unsafe(path, "it is a symbolic link");
        if (error == ENOTDIR)
            Unsafe(path, "it is not a folder");
        errno = error;
        throw PackageError(CannotMakeFolderMessage(path, SystemReason(errno)));
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw PackageError(CannotMakeFolderMessage(path, SystemReason(errno)));
    if (info.st_uid != ::getuid())
        Unsafe(path, "it belongs to another user");
    if ((info.st_mode & 077) != 0)
        Unsafe(path, "other users have access to it");
    return {std::move(fd), path};
}

OpenFolder MakeScratchFolder(const std::string& prefix) {
    const OpenFolder base = PrepareTempFolder();
    std::string path = base.path + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(path.data()))
        throw PackageError(CannotMakeFolderMessage(path, SystemReason(errno)));
    const std::string name = path.substr(base.path.size() + 1);
    // Opened through the checked folder: a swap of the path since then finds nothing.
    FileDescriptor fd(::openat(base.fd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid())
        throw PackageError(CannotMakeFolderMessage(path, SystemReason(errno)));
    return {std::move(fd), path};
}

std::vector<std::string> ListTempPaths(const OpenFolder& folder, const std::vector<const TreeNode*>& nodes) {
    std::vector<std::string> paths;
    paths.reserve(nodes.size());
    for (const TreeNode* node : nodes) {
        RequireSafeName(node);
        const std::string name = NameToUtf8(node->text());
        // What the user drags out gets the permissions of anything else the user makes; the
        // private folder around it keeps others out meanwhile.
        if (node->isFolder())
            ::mkdirat(folder.fd.get(), name.c_str(), 0777);
        paths.push_back(folder.path + "/" + name);
    }
    return paths;
}

bool DeleteFolder(const std::string& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return !error;
}

} // namespace tessel
