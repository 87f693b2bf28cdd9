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

// Copies count bytes from fromFd at fromOffset to toFd at toOffset, using positioned
// I/O only, so neither descriptor's file position matters. `startWriteback`: the target is
// synced soon after, and the disk may start writing it as the copy goes.
CopyResult CopyBytes(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t toOffset, std::int64_t count,
                     bool startWriteback = false);

// Copies count bytes from fromFd at fromOffset to wherever toFd stands (a pipe, a terminal, a
// file), writing in order: the kernel's sendfile where it can, else a bounded buffer.
CopyResult SendBytes(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t count);

} // namespace tessel
