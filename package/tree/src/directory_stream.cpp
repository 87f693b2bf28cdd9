#include "directory_stream.h"

#include <algorithm>

namespace tessel {

namespace {

constexpr std::int64_t kRecordsPerRead = 4096;

} // namespace

DirectoryStream::DirectoryStream(PackageFile& file, const DirectoryPlace& place)
    : file_(file), place_(place) {}

bool DirectoryStream::next() {
    // What the record before did to the folders around the next one.
    if (index_ >= 0) {
        if (record_.isFolder())
            folders_.open(record_.name());
        else if (record_.isFolderEnd())
            folders_.close();
    }
    if (index_ + 1 >= place_.count)
        return false;
    ++index_;
    if (inChunk_ * kDirEntrySize >= chunk_.size()) {
        const std::int64_t count = std::min(place_.count - index_, kRecordsPerRead);
        chunk_.resize(std::size_t(count) * kDirEntrySize);
        file_.seek(place_.offset + index_ * kDirEntrySize);
        file_.readExact(chunk_.data(), chunk_.size());
        inChunk_ = 0;
    }
    record_ = DecodeDirEntry(chunk_.data() + inChunk_ * kDirEntrySize);
    ++inChunk_;
    return true;
}

} // namespace tessel
