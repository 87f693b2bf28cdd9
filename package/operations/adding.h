// Helpers of adding files and folder trees from disk to a package (Package::AddPath).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

// The full paths of the entries directly inside a disk folder, in the order the system
// lists them; empty when the folder cannot be read.
std::vector<std::string> ListFolderEntries(const std::string& folderPath);

// The bytes of a regular disk file, for an edit that must keep them in its journal.
std::string ReadWholeFile(const std::string& diskPath);

// The local wall-clock time now, as seconds counted from 1970 without a zone.
std::int32_t LocalTimestampNow();

} // namespace tessel
