// Moving bytes between files without holding them in memory: the kernel's file-to-file
// copy where the file systems allow it and it is fast, else bounded buffers (for large
// copies, a reading thread and a ring of four buffers of 64 KiB).
#pragma once

#include <cstdint>

namespace tessel {

inline constexpr std::int64_t kCopyBufferSize = 64 * 1024;

// Outcome of a copy that may stop early.
struct CopyResult {
    std::int64_t copied = 0;
    bool sourceEnded = false; // the source had fewer bytes than asked for
    int writeError = 0;       // errno of a failing read or write; 0 when none
    bool readFailed = false;
};

// Has the disk start writing a file a MiB at a time behind writes that run on through it, for
// a file that is synced once they are done: the sync then finds little left to write, and the
// writing into memory and onto the disk overlap. Only a hint: the sync still makes the bytes
// durable. Small writes here and there start nothing.
class WriteBehind {
public:
    static constexpr std::int64_t kPiece = 1024 * 1024;
    // `length` bytes were written to the file at `offset`.
    void wrote(int fd, std::int64_t offset, std::int64_t length);

private:
    std::int64_t from_ = 0; // the run of writes not yet handed to the disk
    std::int64_t to_ = 0;
};

// Copies count bytes from fromFd at fromOffset to toFd at toOffset, using positioned
// I/O only, so neither descriptor's file position matters. With `behind`, the target's disk
// writes start as the copy goes.
CopyResult CopyBytes(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t toOffset, std::int64_t count,
                     WriteBehind* behind = nullptr);

// Copies count bytes from fromFd at fromOffset to wherever toFd stands (a pipe, a terminal, a
// file), writing in order: the kernel's sendfile where it can, else a bounded buffer.
CopyResult SendBytes(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t count);

} // namespace tessel
