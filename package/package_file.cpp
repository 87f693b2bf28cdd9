#include "package_file.h"

#include "package_error.h"

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
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0)
        throw PackageError(CannotOpenMessage(path, SystemReason(errno)));
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        throw PackageError(CannotOpenMessage(path, SystemReason(EISDIR)));
    }
    if (sharing == FileSharing::Exclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            throw PackageError(CannotOpenMessage(path, "The file is in use by another Tessel"));
        throw PackageError(CannotOpenMessage(path, SystemReason(error)));
    }
    return PackageFile(fd, path);
}

PackageFile::PackageFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

PackageFile::PackageFile(PackageFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), position_(other.position_) {}

PackageFile& PackageFile::operator=(PackageFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        position_ = other.position_;
    }
    return *this;
}

PackageFile::~PackageFile() {
    close();
}

void PackageFile::close() {
    if (fd_ >= 0)
        ::close(fd_); // also releases the advisory lock
    fd_ = -1;
}

void PackageFile::seek(std::int64_t position) {
    position_ = position < 0 ? 0 : position;
}

std::int64_t PackageFile::size() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        throw PackageError(kStreamReadError);
    return info.st_size;
}

std::size_t PackageFile::read(void* buffer, std::size_t count) {
    if (InjectedFailure())
        throw PackageError(kStreamReadError);
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd_, bytes + done, count - done, position_);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw PackageError(kStreamReadError);
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
        position_ += got;
    }
    return done;
}

void PackageFile::readExact(void* buffer, std::size_t count) {
    if (read(buffer, count) != count)
        throw PackageError(kStreamReadError);
}

void PackageFile::writeAll(const void* buffer, std::size_t count) {
    if (InjectedFailure())
        throw PackageError(kStreamWriteError);
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = ::pwrite(fd_, bytes + done, count - done, position_);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throw PackageError(kStreamWriteError);
        }
        done += static_cast<std::size_t>(put);
        position_ += put;
    }
}

CopyResult PackageFile::copyFrom(int sourceFd, std::int64_t sourceOffset, std::int64_t count) {
    if (InjectedFailure())
        throw PackageError(kStreamWriteError);
    const CopyResult result = CopyBytes(sourceFd, sourceOffset, fd_, position_, count);
    position_ += result.copied;
    if (result.writeError != 0)
        throw PackageError(kStreamWriteError);
    return result;
}

void PackageFile::truncate() {
    if (InjectedFailure() || ::ftruncate(fd_, position_) != 0)
        throw PackageError(kStreamWriteError);
}

FileStamp PackageFile::stamp() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        return {};
    return StampFromStat(info);
}

} // namespace tessel
