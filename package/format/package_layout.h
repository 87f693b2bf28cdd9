// Where a package's directory lies, checked against the size of the file: the one rule that
// the loader, the check and every writer apply, so that they never disagree about what is
// damaged.
#pragma once

#include "vp_format.h"

#include <cstdint>
#include <string>

namespace tessel {

struct DirectoryPlace {
    std::int64_t offset = kHeaderSize;
    std::int64_t count = 0; // a negative count in the header reads as none

    std::int64_t end() const { return offset + count * kDirEntrySize; }
};

DirectoryPlace PlaceOf(const PackageHeader& header);

// What is wrong with the place of the header's directory in a file of the given size, with
// the numbers that prove it; empty when the directory lies whole inside the file and, when
// it holds records, after the header.
std::string DirectoryPlaceProblem(const PackageHeader& header, std::int64_t fileSize);

// Whether a file record's data does not lie whole between the header and the given end (the
// directory's offset for the data area, the file's size for what can be read at all).
bool DataOutside(const DirEntry& record, std::int64_t end);

} // namespace tessel
