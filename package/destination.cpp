#include "destination.h"

#include "package_error.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tessel {

namespace {

constexpr mode_t kFolderMode = 0777;
constexpr mode_t kFileMode = 0666;

[[noreturn]] void CannotMakeFolder(const std::string& path, int error) {
    throw PackageError(CannotMakeFolderMessage(path, SystemReason(error)));
}

bool IsLink(int parentFd, const std::string& name) {
    struct stat info {};
    return ::fstatat(parentFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

FileDescriptor OpenFolderAt(int parentFd, const std::string& name, const std::string& shownPath) {
    if (::mkdirat(parentFd, name.c_str(), kFolderMode) != 0 && errno != EEXIST)
        CannotMakeFolder(shownPath, errno);
    int fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && (errno == ELOOP || errno == ENOTDIR) && IsLink(parentFd, name)) {
        ::unlinkat(parentFd, name.c_str(), 0);
        if (::mkdirat(parentFd, name.c_str(), kFolderMode) != 0 && errno != EEXIST)
            CannotMakeFolder(shownPath, errno);
        fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0)
        CannotMakeFolder(shownPath, errno);
    return FileDescriptor(fd);
}

} // namespace

Destination::Destination(std::string path) : path_(std::move(path)) {
    if (path_.empty())
        throw PackageError(kUnableToCreateDirectory);
    std::error_code error;
    std::filesystem::create_directories(path_, error);
    root_.reset(::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root_.valid())
        CannotMakeFolder(path_, error ? error.value() : errno);
}

int Destination::folder(const std::vector<std::string>& segments) {
    std::size_t common = 0;
    while (common < open_.size() && common < segments.size() && open_[common].first == segments[common])
        ++common;
    open_.resize(common);
    std::string shown = path_;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        shown += "/" + segments[i];
        if (i < common)
            continue;
        const int parentFd = open_.empty() ? root_.get() : open_.back().second.get();
        open_.emplace_back(segments[i], OpenFolderAt(parentFd, segments[i], shown));
    }
    return open_.empty() ? root_.get() : open_.back().second.get();
}

FileDescriptor CreateFileAt(int folderFd, const std::string& name, const std::string& shownPath) {
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(folderFd, name.c_str(), flags, kFileMode);
    if (fd < 0 && errno == ELOOP && IsLink(folderFd, name)) {
        ::unlinkat(folderFd, name.c_str(), 0);
        fd = ::openat(folderFd, name.c_str(), flags, kFileMode);
    }
    if (fd < 0)
        throw PackageError(CannotCreateMessage(shownPath, SystemReason(errno)));
    return FileDescriptor(fd);
}

} // namespace tessel
