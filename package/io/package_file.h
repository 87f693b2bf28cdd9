// The one door through which the engine reads and writes package files and their edit
// journals: a POSIX file descriptor with a position, errors that name the file and the
// system's reason, syncs and advisory locking. Builds for tests add hooks (test_hooks.h).
#pragma once

#include "byte_copy.h"
#include "file_descriptor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <utility>

namespace tessel {

enum class FileAccess { Read, ReadWrite };
// Advisory locks held for as long as the file is open, taken without waiting: an edit
// holds the file Exclusive; readers hold it SharedRead, so that they exclude edits but not
// one another; Unlocked takes none.
enum class FileSharing { Exclusive, SharedRead, Unlocked };

// What identifies the bytes of a file as we last saw them.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = -1;
    std::int64_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;
    std::int64_t changedSeconds = 0;
    long changedNanoseconds = 0;

    bool valid() const { return size >= 0; }
    bool operator==(const FileStamp&) const = default;
};

class PackageFile {
public:
    // Opens an existing file; throws "Cannot open file ..." on failure.
    static PackageFile Open(const std::string& path, FileAccess access, FileSharing sharing);
    // Makes a new file for reading and writing; an existing one is an error.
    static PackageFile Create(const std::string& path);
    // Takes over a file opened elsewhere.
    static PackageFile Adopt(FileDescriptor fd, std::string path) {
        return PackageFile(std::move(fd), std::move(path));
    }

    PackageFile(PackageFile&&) noexcept = default;
    PackageFile& operator=(PackageFile&&) noexcept = default;

    const std::string& path() const { return path_; }
    int descriptor() const { return fd_.get(); }
    // The file was given another name while open.
    void renamed(std::string path) { path_ = std::move(path); }

    void seek(std::int64_t position);
    std::int64_t position() const { return position_; }
    std::int64_t size() const;

    // Reads up to count bytes; fewer only at the end of the file.
    std::size_t read(void* buffer, std::size_t count);
    // Reads exactly count bytes or throws.
    void readExact(void* buffer, std::size_t count);
    // Writes all bytes or throws, naming the file and the reason.
    void writeAll(const void* buffer, std::size_t count);
    // Copies count bytes of another file (or of this one), from its offset, to the current
    // position, and moves the position past what was written. Read failures of the source
    // are reported in the result; a failing write raises.
    CopyResult copyFrom(int sourceFd, std::int64_t sourceOffset, std::int64_t count);
    // Cuts (or extends) the file at the current position.
    void truncate();
    // Sets aside disk space for the file to reach the size, without changing its size, so
    // that writing up to there cannot find the disk full. Raises when the space is not
    // there; a file system that cannot set space aside is taken at its word.
    void reserve(std::int64_t size);
    // Makes everything written so far durable. A failure is final: what the kernel could
    // not write may be lost, and a second sync would not say so.
    void sync();
    FileStamp stamp() const;

    void close();

private:
    PackageFile(FileDescriptor fd, std::string path);

    FileDescriptor fd_;
    std::string path_;
    std::int64_t position_ = 0;
    // Every edit syncs what it wrote before it ends.
    WriteBehind behind_;
};

// Removes a file and makes the removal durable; false when there was nothing to remove.
bool RemoveFileDurably(const std::string& path);
// Makes the creation, renaming or removal of names in the folder of the path durable.
void SyncFolderOf(const std::string& path);
// Renames a file and makes the rename durable; a file already at the new name is an error.
void RenameDurably(const std::string& from, const std::string& to);
// Renames a file over whatever is at the new name, in one step, and makes it durable.
void ReplaceDurably(const std::string& from, const std::string& to);

// The path with every symbolic link resolved, or the path itself when it cannot be.
std::string RealPath(const std::string& path);

// The stamp of the file at the path (links followed); not valid when there is none.
FileStamp StampOf(const std::string& path);

// An ordinary file opened for reading, never through a link; a FIFO or a device put at the
// path is refused without waiting on it. Throws a PackageError naming the path otherwise.
FileDescriptor OpenOrdinaryFile(const std::string& path);

// "Cannot write to "<path>". <reason>" and its reading twin.
std::string CannotWriteMessage(const std::string& path, int error);
std::string CannotReadMessage(const std::string& path, int error);

} // namespace tessel
