#include "pending_file.h"

#include "mount_paths.h"
#include "positioned_io.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tessel {

namespace {

// A file larger than this, or one that would take all pending files past the second
// limit, goes to its scratch file.
constexpr std::int64_t kFileInMemory = 8 << 20;
constexpr std::int64_t kAllInMemory = 256 << 20;

} // namespace

PendingFile::PendingFile(std::string path, std::string scratchPath, std::atomic<std::int64_t>& held)
    : path_(std::move(path)), scratchPath_(std::move(scratchPath)), held_(held),
      modified_(std::time(nullptr)) {}

PendingFile::~PendingFile() {
    held_ -= static_cast<std::int64_t>(bytes_.size());
    if (fd_.valid() && !kept)
        ::unlink(scratchPath_.c_str());
}

std::int64_t PendingFile::size() const {
    if (!fd_.valid())
        return static_cast<std::int64_t>(bytes_.size());
    struct stat info {};
    return ::fstat(fd_.get(), &info) == 0 ? std::int64_t(info.st_size) : 0;
}

long PendingFile::read(char* buffer, std::size_t size, off_t offset) const {
    if (fd_.valid()) {
        const IoResult result = ReadAt(fd_.get(), buffer, size, offset);
        return result.error != 0 ? -result.error : static_cast<long>(result.done);
    }
    if (offset >= off_t(bytes_.size()))
        return 0;
    const std::size_t count = std::min(size, bytes_.size() - std::size_t(offset));
    std::copy_n(bytes_.data() + offset, count, buffer);
    return static_cast<long>(count);
}

int PendingFile::spill() {
    fd_ = FileDescriptor(
        ::open(scratchPath_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd_.valid())
        return -errno;
    if (const IoResult result = WriteAt(fd_.get(), bytes_.data(), bytes_.size(), 0); result.error != 0) {
        fd_.reset();
        ::unlink(scratchPath_.c_str());
        return -result.error;
    }
    held_ -= static_cast<std::int64_t>(bytes_.size());
    std::string().swap(bytes_);
    return 0;
}

long PendingFile::write(const char* buffer, std::size_t size, off_t offset) {
    modified_ = std::time(nullptr);
    const std::int64_t end = std::int64_t(offset) + std::int64_t(size);
    if (!fd_.valid()) {
        const std::int64_t growth = std::max<std::int64_t>(0, end - std::int64_t(bytes_.size()));
        if (end > kFileInMemory || held_ + growth > kAllInMemory) {
            if (const int error = spill())
                return error;
        } else {
            if (growth > 0)
                bytes_.resize(std::size_t(end));
            held_ += growth;
            std::copy_n(buffer, size, bytes_.data() + offset);
            return static_cast<long>(size);
        }
    }
    const IoResult result = WriteAt(fd_.get(), buffer, size, offset);
    return result.error != 0 ? -result.error : static_cast<long>(result.done);
}

int PendingFile::truncate(off_t size) {
    modified_ = std::time(nullptr);
    if (fd_.valid())
        return ::ftruncate(fd_.get(), size) == 0 ? 0 : -errno;
    if (size > kFileInMemory) {
        if (const int error = spill())
            return error;
        return ::ftruncate(fd_.get(), size) == 0 ? 0 : -errno;
    }
    held_ += std::int64_t(size) - std::int64_t(bytes_.size());
    bytes_.resize(std::size_t(size));
    return 0;
}

int PendingFile::fillFrom(int fd, std::int64_t offset, std::int64_t count) {
    std::string bytes(std::size_t(std::min(count, kFileInMemory)), '\0');
    for (std::int64_t done = 0; done < count;) {
        const std::size_t chunk =
            std::size_t(std::min<std::int64_t>(count - done, std::int64_t(bytes.size())));
        const IoResult read = ReadAt(fd, bytes.data(), chunk, offset + done);
        if (read.error != 0 || read.done != chunk)
            return -EIO;
        if (const long written = write(bytes.data(), chunk, off_t(done)); written < 0)
            return int(written);
        done += std::int64_t(chunk);
    }
    return 0;
}

Package::FileWrite PendingFile::toWrite() const {
    Package::FileWrite write;
    write.folderPath = EngineFolderOf(path_);
    write.name = path_.substr(path_.rfind('/') + 1);
    if (fd_.valid())
        write.diskPath = scratchPath_;
    else
        write.bytes = bytes_;
    write.modified = modified_;
    return write;
}

bool PendingFile::keepOnDisk() {
    kept = true;
    return fd_.valid() || spill() == 0;
}

} // namespace tessel
