#include "package_layout.h"

#include <algorithm>

namespace tessel {

DirectoryPlace PlaceOf(const PackageHeader& header) {
    return {header.DirOffset, std::max<std::int64_t>(header.EntryCount, 0)};
}

std::string DirectoryPlaceProblem(const PackageHeader& header, std::int64_t fileSize) {
    const DirectoryPlace place = PlaceOf(header);
    const std::string sizeText = "(" + std::to_string(fileSize) + " bytes)";
    if (place.offset < 0 || place.offset > fileSize)
        return "directory at offset " + std::to_string(place.offset) + " lies past the end of the file " +
               sizeText;
    if (place.count > 0 && place.offset < kHeaderSize)
        return "directory at offset " + std::to_string(place.offset) + " overlaps the header";
    if (place.end() > fileSize)
        return "directory of " + std::to_string(place.count) + " records at offset " +
               std::to_string(place.offset) + " runs past the end of the file " + sizeText;
    return {};
}

bool DataOutside(const DirEntry& record, std::int64_t end) {
    // No byte of an empty entry is read, wherever it points.
    if (record.Size == 0)
        return false;
    return record.Size < 0 || record.Offset < kHeaderSize || std::int64_t(record.Offset) + record.Size > end;
}

} // namespace tessel
