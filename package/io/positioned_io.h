// Reading and writing at a file offset, whole: interrupted calls are repeated and short
// transfers continued, so callers only see the end of a file or a real error.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel {

struct IoResult {
    std::size_t done = 0; // bytes moved before the end of the file or the error
    int error = 0;        // errno of the failing call; 0 when none failed
};

// Reads count bytes at the offset; fewer only at the end of the file or on an error.
IoResult ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset);
// Writes count bytes at the offset; fewer only on an error.
IoResult WriteAt(int fd, const void* buffer, std::size_t count, std::int64_t offset);

} // namespace tessel
