// What adding files and folder trees from disk shares with its callers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

// The full paths of the entries directly inside a disk folder, in the order the system
// lists them; empty when the folder cannot be read.
std::vector<std::string> ListFolderEntries(const std::string& folderPath);

// What adding the paths would take in: entries and file bytes, for a progress bar.
struct DiskTally {
    std::int64_t items = 0;
    std::int64_t bytes = 0;
};
DiskTally TallyDiskPaths(const std::vector<std::string>& paths);

// The local wall-clock time now, as seconds counted from 1970 without a zone: how the
// format stores times.
std::int32_t LocalTimestampNow();
// A moment of the system's clock (seconds since 1970 in UTC) as the format stores it, and
// back.
std::int32_t TimestampOf(std::int64_t utcSeconds);
std::int64_t UtcSecondsOf(std::int32_t timestamp);

} // namespace tessel
