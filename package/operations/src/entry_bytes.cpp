#include "entry_bytes.h"

#include "entry_path.h"
#include "file_source.h"
#include "package.h"
#include "package_error.h"
#include "package_layout.h"
#include "positioned_io.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>

namespace tessel {

EntryBytes::EntryBytes(const Package& package, const TreeNode* entry)
    : packagePath_(package.path()), stamp_(package.stamp()), entryPath_(EntryPath(entry)) {
    const EntryRecord* record = entry ? entry->record() : nullptr;
    if (!record)
        throw PackageError("\"" + entryPath_ + "\" is a folder, not a file");
    offset_ = record->Offset;
    size_ = record->Size;
    outside_ = DataOutside(*record, stamp_.size);
}

EntryBytes::EntryBytes(const FileSource& source, const SourceFile& file)
    : packagePath_(source.pathOf(file)), entryPath_(file.path), size_(file.size),
      loose_(!source.isPackage()) {
    if (!loose_) {
        stamp_ = source.stamp();
        offset_ = file.offset;
        outside_ = offset_ < 0 || offset_ > stamp_.size - size_;
    }
}

std::string EntryBytes::outsideReason() const {
    if (!outside_)
        return {};
    return "Its data at offset " + std::to_string(offset_) + " of " + std::to_string(size_) +
           " bytes lies outside the package, which holds " + std::to_string(stamp_.size) + " bytes";
}

std::string EntryBytes::read(std::int64_t from, std::int64_t count) const {
    if (outside_)
        throw PackageError("\"" + entryPath_ + "\" cannot be read. " + outsideReason());
    from = std::clamp<std::int64_t>(from, 0, size_);
    count = std::clamp<std::int64_t>(count, 0, size_ - from);
    std::optional<PackageFile> package;
    FileDescriptor loose;
    if (loose_) {
        loose = OpenOrdinaryFile(packagePath_);
    } else {
        package = PackageFile::Open(packagePath_, FileAccess::Read, FileSharing::SharedRead);
        if (stamp_.valid() && package->stamp() != stamp_)
            throw PackageChangedError("\"" + FullPath(packagePath_) +
                                      "\" has changed on disk; open it again");
    }
    std::string bytes(static_cast<std::size_t>(count), '\0');
    const IoResult got =
        ReadAt(loose_ ? loose.get() : package->descriptor(), bytes.data(), bytes.size(), offset_ + from);
    if (got.error != 0)
        throw PackageError(CannotReadMessage(packagePath_, got.error));
    if (got.done != bytes.size())
        throw PackageError("\"" + entryPath_ + "\" cannot be read whole from \"" + FullPath(packagePath_) +
                           "\"");
    return bytes;
}

} // namespace tessel
