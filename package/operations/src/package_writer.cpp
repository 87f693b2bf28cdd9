#include "package_writer.h"

#include "edit_journal.h"
#include "name_text.h"
#include "package_error.h"
#include "package_layout.h"
#include "vp_format.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace tessel {

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
    throw PackageError("\"" + FullPath(path) + "\" " + why + "; it was left untouched");
}

PackageFile OpenForEdit(const std::string& path) {
    const std::string real = RealPath(path);
    // An edit that was cut short is finished or undone before anything else.
    RecoverInterruptedEdit(real);
    return PackageFile::Open(real, FileAccess::ReadWrite, FileSharing::Exclusive);
}

} // namespace

PackageFile OpenForEdit(const Package& package) {
    // Written from a part of its tree, the directory would lose the rest.
    if (package.partial_)
        throw std::logic_error("a package read in part cannot be edited");
    return OpenForEdit(package.path());
}

PackageWriter::PackageWriter(Package& package) : package_(package), file_(OpenForEdit(package)) {
    refuseWhatWouldBeDamaged();
    if (package_.stamp_.valid() && file_.stamp() != package_.stamp_)
        throw PackageChangedError("\"" + FullPath(package.path()) + "\" has changed on disk; open it again");
}

PackageWriter::PackageWriter(Package& package, PackageFile scratch)
    : package_(package), file_(std::move(scratch)), fresh_(true) {
    sizeAtOpen_ = file_.size();
}

void PackageWriter::refuseWhatWouldBeDamaged() {
    const std::string& path = package_.path();
    struct stat info {};
    if (::fstat(file_.descriptor(), &info) == 0 && info.st_nlink > 1)
        Refuse(path, "has " + std::to_string(info.st_nlink) +
                         " names (hard links), and an edit cut short through one of them would not be "
                         "found through the others. Give it a name of its own first (copy it, or remove "
                         "the other names)");
    sizeAtOpen_ = file_.size();
    header_.assign(static_cast<std::size_t>(std::min<std::int64_t>(sizeAtOpen_, kHeaderSize)), '\0');
    file_.seek(0);
    file_.readExact(header_.data(), header_.size());
    if (sizeAtOpen_ <= kHeaderSize) {
        // Only an empty file, or one that begins as a package does, is a package without
        // entries yet: any other short file is someone's data.
        if (sizeAtOpen_ > 0 && header_.compare(0, kMagic.size(), kMagic) != 0)
            Refuse(path, "is not a VP package: it does not begin with \"" + std::string(kMagic) + "\"");
        return;
    }
    const PackageHeader header = DecodeHeader(reinterpret_cast<const unsigned char*>(header_.data()));
    if (!header.hasMagic())
        Refuse(path, "is not a VP package");
    if (const std::string problem = DirectoryPlaceProblem(header, sizeAtOpen_); !problem.empty())
        Refuse(path, "is damaged: " + problem);
    const DirectoryPlace place = PlaceOf(header);
    dataEnd_ = std::max<std::int64_t>(place.offset, kHeaderSize);
    const std::int64_t directoryEnd = dataEnd_ + place.count * kDirEntrySize;
    if (directoryEnd != sizeAtOpen_)
        Refuse(path, "holds " + std::to_string(sizeAtOpen_ - directoryEnd) +
                         " bytes after its directory; Tessel would lose them");
    // Everything from the data end on: the directory, which an undo edit journals as it is.
    tail_.assign(static_cast<std::size_t>(sizeAtOpen_ - dataEnd_), '\0');
    file_.seek(dataEnd_);
    file_.readExact(tail_.data(), tail_.size());
    // Moving or appending data would overwrite what an entry outside the data area uses.
    const auto* records = reinterpret_cast<const unsigned char*>(tail_.data());
    for (std::size_t at = 0; at < tail_.size(); at += kDirEntrySize) {
        const DirEntry entry = DecodeDirEntry(records + at);
        if (entry.isFile() && DataOutside(entry, dataEnd_))
            Refuse(path, "is damaged: the data of \"" + NameToUtf8(entry.name()) + "\" at offset " +
                             std::to_string(entry.Offset) + " of " + std::to_string(entry.Size) +
                             " bytes lies outside the data area (16 to " + std::to_string(dataEnd_) + ")");
    }
}

void PackageWriter::written() {
    package_.stamp_ = file_.stamp();
}

} // namespace tessel
