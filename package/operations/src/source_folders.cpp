#include "source_folders.h"

#include "package_error.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tessel {

namespace {

// Folders below the top that keep their descriptors open; deeper ones are closed outermost
// first, so that a run needs a handful of descriptors at any depth.
constexpr std::size_t kLevelsKeptOpen = 8;

} // namespace

void FolderChain::pushTop(FileDescriptor fd, FileId id) {
    levels_.clear();
    levels_.push_back({{}, id, std::move(fd)});
}

void FolderChain::push(FileDescriptor fd, std::string name, FileId id) {
    levels_.push_back({std::move(name), id, std::move(fd)});
    if (levels_.size() > kLevelsKeptOpen + 1)
        levels_[levels_.size() - kLevelsKeptOpen - 1].fd.reset();
}

void FolderChain::pop() {
    levels_.pop_back();
}

int FolderChain::innermost() {
    if (levels_.back().fd.valid())
        return levels_.back().fd.get();
    std::size_t open = levels_.size() - 1;
    while (!levels_[open].fd.valid())
        --open;
    for (std::size_t i = open + 1; i < levels_.size(); ++i) {
        Level& level = levels_[i];
        FileDescriptor fd(
            ::openat(levels_[i - 1].fd.get(), level.name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat info {};
        if (!fd.valid() || ::fstat(fd.get(), &info) != 0)
            throw PackageError(SystemReason(errno));
        if (FileId{info.st_dev, info.st_ino} != level.id)
            throw PackageError("the folder was replaced while it was added");
        level.fd = std::move(fd);
    }
    for (std::size_t i = 1; i + kLevelsKeptOpen < levels_.size(); ++i)
        levels_[i].fd.reset();
    return levels_.back().fd.get();
}

std::vector<FolderEntry> ListEntries(int folderFd) {
    const int listing = ::dup(folderFd);
    if (listing < 0)
        throw PackageError(SystemReason(errno));
    // The listing reads from the folder's start whatever was read through the descriptor.
    ::lseek(listing, 0, SEEK_SET);
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::fdopendir(listing), &::closedir);
    if (!folder) {
        const int error = errno;
        ::close(listing);
        throw PackageError(SystemReason(error));
    }
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder.get());
        if (!entry) {
            if (errno != 0)
                throw PackageError(SystemReason(errno));
            break;
        }
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back({name, entry->d_type});
    }
    return entries;
}

std::string OpenListed(int folderFd, const FolderEntry& entry, FileDescriptor& fd, struct stat& info) {
    const unsigned char type = entry.type;
    if (type == DT_CHR || type == DT_BLK || type == DT_FIFO || type == DT_SOCK)
        return kNotAFileOrFolder;
    if (type != DT_REG && type != DT_DIR) {
        // A link, or a file system that does not say: what it leads to decides.
        if (::fstatat(folderFd, entry.name.c_str(), &info, 0) != 0)
            return SystemReason(errno);
        if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
            return kNotAFileOrFolder;
    }
    fd.reset(::openat(folderFd, entry.name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0)
        return errno == ENXIO ? kNotAFileOrFolder : SystemReason(errno);
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return kNotAFileOrFolder;
    return {};
}

} // namespace tessel
