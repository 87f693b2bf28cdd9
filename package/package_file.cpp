#include "package_file.h"

#include "package_error.h"
#include "positioned_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tessel {

namespace {

long gFailingOperation = 0;
long gOperationsSeen = 0;
bool gStruck = false;

// True when the armed failure is due now.
bool InjectedFailure() {
    if (gFailingOperation <= 0)
        return false;
    ++gOperationsSeen;
    if (gOperationsSeen == gFailingOperation) {
        gStruck = true;
        return true;
    }
    return false;
}

FileStamp StampFromStat(const struct stat& info) {
    FileStamp stamp;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedSeconds = info.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = info.st_mtim.tv_nsec;
    return stamp;
}

} // namespace

namespace FaultInjection {
void Arm(long failingOperation) {
    gFailingOperation = failingOperation;
    gOperationsSeen = 0;
    gStruck = false;
}
void Disarm() {
    Arm(0);
}
bool Struck() {
    return gStruck;
}
} // namespace FaultInjection

PackageFile PackageFile::Open(const std::string& path, FileAccess access, FileSharing sharing) {
    const int flags = (access == FileAccess::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
    FileDescriptor fd(::open(path.c_str(), flags));
    if (!fd.valid())
        throw PackageError(CannotOpenMessage(path, SystemReason(errno)));
    struct stat info {};
    if (::fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode))
        throw PackageError(CannotOpenMessage(path, SystemReason(EISDIR)));
    if (sharing == FileSharing::Exclusive && ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            throw PackageError(CannotOpenMessage(path, "The file is in use by another Tessel"));
        throw PackageError(CannotOpenMessage(path, SystemReason(errno)));
    }
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
        throw PackageError(kStreamReadError);
    return info.st_size;
}

std::size_t PackageFile::read(void* buffer, std::size_t count) {
    if (InjectedFailure())
        throw PackageError(kStreamReadError);
    const IoResult result = ReadAt(fd_.get(), buffer, count, position_);
    position_ += static_cast<std::int64_t>(result.done);
    if (result.error != 0)
        throw PackageError(kStreamReadError);
    return result.done;
}

void PackageFile::readExact(void* buffer, std::size_t count) {
    if (read(buffer, count) != count)
        throw PackageError(kStreamReadError);
}

void PackageFile::writeAll(const void* buffer, std::size_t count) {
    if (InjectedFailure())
        throw PackageError(kStreamWriteError);
    const IoResult result = WriteAt(fd_.get(), buffer, count, position_);
    position_ += static_cast<std::int64_t>(result.done);
    if (result.error != 0)
        throw PackageError(kStreamWriteError);
}

CopyResult PackageFile::copyFrom(int sourceFd, std::int64_t sourceOffset, std::int64_t count) {
    if (InjectedFailure())
        throw PackageError(kStreamWriteError);
    const CopyResult result = CopyBytes(sourceFd, sourceOffset, fd_.get(), position_, count);
    position_ += result.copied;
    if (result.writeError != 0)
        throw PackageError(kStreamWriteError);
    return result;
}

void PackageFile::truncate() {
    if (InjectedFailure() || ::ftruncate(fd_.get(), position_) != 0)
        throw PackageError(kStreamWriteError);
}

FileStamp PackageFile::stamp() const {
    struct stat info {};
    if (::fstat(fd_.get(), &info) != 0)
        return {};
    return StampFromStat(info);
}

} // namespace tessel
