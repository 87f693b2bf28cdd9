// A file written through a writable mount, from its creation (or first write) to its edit:
// its bytes in memory while small, in a private scratch file beside the package once large,
// so that many small files cost no file of their own and a large one no memory.
#pragma once

#include "file_descriptor.h"
#include "package.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace tessel {

class PendingFile {
public:
    // `scratchPath` is where its bytes go once they are too many for memory; `held` counts
    // the bytes that all pending files hold in memory.
    PendingFile(std::string path, std::string scratchPath, std::atomic<std::int64_t>& held);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // In the mount, "/data/a.txt".
    const std::string& path() const { return path_; }
    std::int64_t size() const;
    std::int64_t modified() const { return modified_; }
    void setModified(std::int64_t seconds) { modified_ = seconds; }

    // Bytes read, or a negated errno value.
    long read(char* buffer, std::size_t size, off_t offset) const;
    long write(const char* buffer, std::size_t size, off_t offset);
    int truncate(off_t size);
    // Starts from the bytes of an entry: count bytes of the package's descriptor from the
    // offset.
    int fillFrom(int fd, std::int64_t offset, std::int64_t count);
    // The file for the engine to write; valid while this file is not changed.
    Package::FileWrite toWrite() const;
    // Puts its bytes in the scratch file, to be kept when its edit failed; false when that
    // could not be done either.
    bool keepOnDisk();
    const std::string& scratchPath() const { return scratchPath_; }

    // Opens for writing; readers do not hold a file back from its edit.
    int writers = 0;
    // Changed since it was last written into the package.
    bool dirty = false;
    // Unlinked while open: its bytes go nowhere.
    bool removed = false;
    bool committing = false;
    // Its edit failed: its scratch file, if it has one, stays for the user.
    bool kept = false;

private:
    int spill();

    std::string path_;
    std::string scratchPath_;
    std::atomic<std::int64_t>& held_;
    std::string bytes_;
    FileDescriptor fd_;
    std::int64_t modified_;
};

} // namespace tessel
