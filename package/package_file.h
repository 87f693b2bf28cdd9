// The one door through which the engine reads and writes package files: a POSIX file
// descriptor with a position, stream-style errors, advisory locking, and a hook through
// which tests make a chosen operation fail.
#pragma once

#include "byte_copy.h"
#include "file_descriptor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace tessel {

enum class FileAccess { Read, ReadWrite };
// Exclusive takes a non-blocking exclusive advisory lock for as long as the file is open;
// Shared takes none, so several handles may coexist.
enum class FileSharing { Exclusive, Shared };

// What identifies the bytes of a file as we last saw them.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = -1;
    std::int64_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;

    bool valid() const { return size >= 0; }
    bool operator==(const FileStamp&) const = default;
};

class PackageFile {
public:
    // Opens an existing file; throws "Cannot open file ..." on failure.
    static PackageFile Open(const std::string& path, FileAccess access, FileSharing sharing);

    PackageFile(PackageFile&&) noexcept = default;
    PackageFile& operator=(PackageFile&&) noexcept = default;

    const std::string& path() const { return path_; }
    int descriptor() const { return fd_.get(); }

    void seek(std::int64_t position);
    std::int64_t position() const { return position_; }
    std::int64_t size() const;

    // Reads up to count bytes; fewer only at the end of the file.
    std::size_t read(void* buffer, std::size_t count);
    // Reads exactly count bytes or throws "Stream read error".
    void readExact(void* buffer, std::size_t count);
    // Writes all bytes or throws "Stream write error".
    void writeAll(const void* buffer, std::size_t count);
    // Copies count bytes of another file, from its offset, to the current position, and
    // moves the position past what was written. Read failures of the source are reported
    // in the result; a failing write raises "Stream write error".
    CopyResult copyFrom(int sourceFd, std::int64_t sourceOffset, std::int64_t count);
    // Cuts the file at the current position.
    void truncate();
    FileStamp stamp() const;

    void close();

private:
    PackageFile(FileDescriptor fd, std::string path);

    FileDescriptor fd_;
    std::string path_;
    std::int64_t position_ = 0;
};

// Test hook: makes the n-th counted operation (a read, a write, a copy into the file or a
// truncation, counted from 1 after Arm) fail as a full disk or an I/O error would.
namespace FaultInjection {
void Arm(long failingOperation);
void Disarm();
// Whether the armed failure has struck.
bool Struck();
} // namespace FaultInjection

} // namespace tessel
