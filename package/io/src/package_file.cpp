#include "package_file.h"

#include "change_hooks.h"
#include "held_lock.h"
#include "package_error.h"
#include "positioned_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tessel {

namespace {

FileStamp StampFromStat(const struct stat& info) {
    FileStamp stamp;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedSeconds = info.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = info.st_mtim.tv_nsec;
    stamp.changedSeconds = info.st_ctim.tv_sec;
    stamp.changedNanoseconds = info.st_ctim.tv_nsec;
    return stamp;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::string RealPath(const std::string& path) {
    const std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

std::string CannotWriteMessage(const std::string& path, int error) {
    return "Cannot write to \"" + FullPath(path) + "\". " + SystemReason(error);
}

std::string CannotReadMessage(const std::string& path, int error) {
    return "Cannot read \"" + FullPath(path) + "\". " + SystemReason(error);
}

FileDescriptor OpenOrdinaryFile(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        throw PackageError(CannotReadMessage(path, errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw PackageError(CannotReadMessage(path, errno));
    if (!S_ISREG(info.st_mode))
        throw PackageError("Cannot read \"" + FullPath(path) + "\". It is not an ordinary file");
    return fd;
}

PackageFile PackageFile::Open(const std::string& path, FileAccess access, FileSharing sharing) {
    // Without O_NONBLOCK a FIFO at the path would hold the program at the open forever.
    const int flags = (access == FileAccess::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
    FileDescriptor fd(::open(path.c_str(), flags));
    if (!fd.valid())
        throw PackageError(CannotOpenMessage(path, SystemReason(errno)));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw PackageError(CannotOpenMessage(path, SystemReason(errno)));
    if (S_ISDIR(info.st_mode))
        throw PackageError(CannotOpenMessage(path, SystemReason(EISDIR)));
    if (!S_ISREG(info.st_mode))
        throw PackageError(CannotOpenMessage(path, "It is not a regular file"));
    const int lock = sharing == FileSharing::Exclusive ? LOCK_EX : LOCK_SH;
    // What this process holds for as long as it runs (a mount) covers its own opens.
    if (sharing != FileSharing::Unlocked && !HeldHere(StampFromStat(info), sharing) &&
        ::flock(fd.get(), lock | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            const std::string mount = MountPointOf(path);
            throw FileInUse(CannotOpenMessage(
                path, mount.empty()
                          ? "The file is in use by another Tessel"
                          : "The file is in use by another Tessel: it is mounted at \"" + mount + "\""));
        }
        throw PackageError(CannotOpenMessage(path, SystemReason(errno)));
    }
    return PackageFile(std::move(fd), path);
}

PackageFile PackageFile::Create(const std::string& path) {
    hooks::BeforeChange(ChangeKind::Create, path);
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.valid())
        throw PackageError(CannotCreateMessage(path, SystemReason(errno)));
    return PackageFile(std::move(fd), path);
}

PackageFile::PackageFile(FileDescriptor fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}

void PackageFile::close() {
    fd_.reset(); // also releases the advisory lock
}

void PackageFile::seek(std::int64_t position) {
    position_ = position < 0 ? 0 : position;
}

std::int64_t PackageFile::size() const {
    struct stat info {};
    if (::fstat(fd_.get(), &info) != 0)
        throw PackageError(CannotReadMessage(path_, errno));
    return info.st_size;
}

std::size_t PackageFile::read(void* buffer, std::size_t count) {
    if (const int error = hooks::InjectedFailure())
        throw PackageError(CannotReadMessage(path_, error));
    const IoResult result = ReadAt(fd_.get(), buffer, count, position_);
    position_ += static_cast<std::int64_t>(result.done);
    if (result.error != 0)
        throw PackageError(CannotReadMessage(path_, result.error));
    return result.done;
}

void PackageFile::readExact(void* buffer, std::size_t count) {
    if (read(buffer, count) != count)
        throw PackageError(kStreamReadError);
}

void PackageFile::writeAll(const void* buffer, std::size_t count) {
    hooks::BeforeChange(ChangeKind::Write, path_, position_,
                        std::string_view(static_cast<const char*>(buffer), count));
    if (const int error = hooks::InjectedFailure())
        throw PackageError(CannotWriteMessage(path_, error));
    const IoResult result = WriteAt(fd_.get(), buffer, count, position_);
    behind_.wrote(fd_.get(), position_, static_cast<std::int64_t>(result.done));
    position_ += static_cast<std::int64_t>(result.done);
    if (result.error != 0)
        throw PackageError(CannotWriteMessage(path_, result.error));
}

CopyResult PackageFile::copyFrom(int sourceFd, std::int64_t sourceOffset, std::int64_t count) {
    if (hooks::Watching()) {
        // What is watched must be seen byte by byte: copy through memory.
        CopyResult result;
        std::vector<char> buffer(static_cast<std::size_t>(std::min(count, kCopyBufferSize)));
        while (result.copied < count) {
            const auto want =
                static_cast<std::size_t>(std::min<std::int64_t>(count - result.copied, kCopyBufferSize));
            const IoResult got = ReadAt(sourceFd, buffer.data(), want, sourceOffset + result.copied);
            writeAll(buffer.data(), got.done);
            result.copied += static_cast<std::int64_t>(got.done);
            if (got.error != 0 || got.done < want) {
                (got.error != 0 ? result.readFailed : result.sourceEnded) = true;
                break;
            }
        }
        return result;
    }
    hooks::BeforeChange(ChangeKind::Write, path_, position_);
    if (const int error = hooks::InjectedFailure())
        throw PackageError(CannotWriteMessage(path_, error));
    const CopyResult result = CopyBytes(sourceFd, sourceOffset, fd_.get(), position_, count, &behind_);
    position_ += result.copied;
    if (result.writeError != 0)
        throw PackageError(CannotWriteMessage(path_, result.writeError));
    return result;
}

void PackageFile::truncate() {
    hooks::BeforeChange(ChangeKind::Truncate, path_, position_);
    if (const int error = hooks::InjectedFailure())
        throw PackageError(CannotWriteMessage(path_, error));
    if (::ftruncate(fd_.get(), position_) != 0)
        throw PackageError(CannotWriteMessage(path_, errno));
}

void PackageFile::reserve(std::int64_t size) {
    if (const int error = hooks::InjectedFailure())
        throw PackageError(CannotWriteMessage(path_, error));
    if (size > 0 && ::fallocate(fd_.get(), FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS)
        throw PackageError(CannotWriteMessage(path_, errno));
}

void PackageFile::sync() {
    hooks::BeforeChange(ChangeKind::Sync, path_);
    if (const int error = hooks::InjectedFailure())
        throw PackageError(CannotWriteMessage(path_, error));
    if (::fdatasync(fd_.get()) != 0)
        throw PackageError(CannotWriteMessage(path_, errno));
}

FileStamp PackageFile::stamp() const {
    struct stat info {};
    if (::fstat(fd_.get(), &info) != 0)
        return {};
    return StampFromStat(info);
}

void SyncFolderOf(const std::string& path) {
    const std::string folder = FolderOf(path);
    hooks::BeforeChange(ChangeKind::SyncFolder, folder);
    if (const int error = hooks::InjectedFailure())
        throw PackageError(CannotWriteMessage(folder, error));
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid() || ::fsync(fd.get()) != 0)
        throw PackageError(CannotWriteMessage(folder, errno));
}

namespace {

// The name changed; a failing sync of its folder leaves the change made, but not durable.
void SyncFolderAfterChange(const std::string& path) {
    try {
        SyncFolderOf(path);
    } catch (const PackageError& error) {
        throw FolderNotSynced(error.what());
    }
}

} // namespace

bool RemoveFileDurably(const std::string& path) {
    hooks::BeforeChange(ChangeKind::Remove, path);
    if (::unlink(path.c_str()) != 0) {
        if (errno == ENOENT)
            return false;
        throw PackageError("Cannot remove \"" + FullPath(path) + "\". " + SystemReason(errno));
    }
    SyncFolderAfterChange(path);
    return true;
}

void RenameDurably(const std::string& from, const std::string& to) {
    hooks::BeforeChange(ChangeKind::Rename, from, 0, {}, to);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0)
        throw PackageError("Cannot rename \"" + FullPath(from) + "\" to \"" + FullPath(to) + "\". " +
                           SystemReason(errno));
    SyncFolderAfterChange(to);
}

void ReplaceDurably(const std::string& from, const std::string& to) {
    hooks::BeforeChange(ChangeKind::Rename, from, 0, {}, to);
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw PackageError("Cannot rename \"" + FullPath(from) + "\" to \"" + FullPath(to) + "\". " +
                           SystemReason(errno));
    SyncFolderAfterChange(to);
}

FileStamp StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    return StampFromStat(info);
}

} // namespace tessel
