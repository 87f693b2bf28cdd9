#include "package_writer.h"

#include "directory_buffer.h"
#include "name_text.h"
#include "package_error.h"
#include "package_layout.h"
#include "vp_format.h"

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tessel {

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
    throw PackageError("\"" + FullPath(path) + "\" " + why + "; it was left untouched");
}

PackageFile OpenForEdit(Package& package) {
    // An edit that was cut short is finished or undone before anything else.
    RecoverInterruptedEdit(package.path());
    return PackageFile::Open(package.path(), FileAccess::ReadWrite, FileSharing::Exclusive);
}

} // namespace

PackageWriter::PackageWriter(Package& package) : package_(package), file_(OpenForEdit(package)) {
    const std::int64_t size = file_.size();
    refuseWhatWouldBeDamaged(size);
    if (package_.stamp_.valid() && file_.stamp() != package_.stamp_)
        throw PackageChangedError("\"" + FullPath(package.path()) + "\" has changed on disk; open it again");
}

void PackageWriter::refuseWhatWouldBeDamaged(std::int64_t size) {
    if (size <= kHeaderSize)
        return;
    const PackageHeader header = ReadHeader(file_);
    if (!header.hasMagic())
        Refuse(file_.path(), "is not a VP package");
    if (const std::string problem = DirectoryPlaceProblem(header, size); !problem.empty())
        Refuse(file_.path(), "is damaged: " + problem);
    dataEnd_ = std::max<std::int64_t>(header.DirOffset, kHeaderSize);
    // Everything from the data end on: the directory, which an undo edit journals as it is.
    tail_.emplace(static_cast<std::size_t>(size - dataEnd_), '\0');
    file_.seek(dataEnd_);
    file_.readExact(tail_->data(), tail_->size());
    // Moving or appending data would overwrite what an entry outside the data area uses.
    const auto* records = reinterpret_cast<const unsigned char*>(tail_->data());
    const auto recordBytes = static_cast<std::size_t>(PlaceOf(header).count * kDirEntrySize);
    for (std::size_t at = 0; at < recordBytes; at += kDirEntrySize) {
        const DirEntry entry = DecodeDirEntry(records + at);
        if (entry.isFile() && DataOutside(entry, dataEnd_))
            Refuse(file_.path(), "is damaged: the data of \"" + NameToUtf8(entry.name()) + "\" at offset " +
                                     std::to_string(entry.Offset) + " of " + std::to_string(entry.Size) +
                                     " bytes lies outside the data area (16 to " + std::to_string(dataEnd_) +
                                     ")");
    }
}

void PackageWriter::beginUndo() {
    const std::int64_t size = file_.size();
    std::vector<Piece> originals(2);
    originals[0].offset = 0;
    originals[0].bytes.resize(static_cast<std::size_t>(std::min<std::int64_t>(size, kHeaderSize)));
    file_.seek(0);
    file_.readExact(originals[0].bytes.data(), originals[0].bytes.size());
    originals[1].offset = dataEnd_;
    if (tail_) {
        // Read when the file was opened, and unchanged since.
        originals[1].bytes = std::move(*tail_);
        tail_.reset();
    } else {
        originals[1].bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(size - dataEnd_, 0)));
        file_.seek(dataEnd_);
        file_.readExact(originals[1].bytes.data(), originals[1].bytes.size());
    }
    journal_.emplace(EditJournal::ArmUndo(file_, size, originals));
}

void PackageWriter::commitDirectory(std::int64_t dirOffset) {
    DirectoryBuffer buffer;
    const std::int32_t count = WriteDirectory(package_.tree_, buffer);
    const std::int64_t end = dirOffset + static_cast<std::int64_t>(buffer.bytes.size());
    if (end > kLargestPackage)
        throw PackageError("The package would grow beyond 2 GiB, the largest a VP package can be");
    file_.seek(dirOffset);
    file_.writeAll(buffer.bytes.data(), buffer.bytes.size());
    WriteHeader(file_, static_cast<std::int32_t>(dirOffset), count);
    file_.seek(end);
    file_.truncate();
    file_.sync();
    if (journal_) {
        journal_->remove();
        journal_.reset();
    }
    dataEnd_ = dirOffset;
    package_.stamp_ = file_.stamp();
}

void PackageWriter::rollback() {
    if (!journal_)
        return;
    journal_.reset();
    const std::string path = file_.path();
    file_.close();
    try {
        RecoverInterruptedEdit(path);
        file_ = PackageFile::Open(path, FileAccess::ReadWrite, FileSharing::Exclusive);
        package_.stamp_ = file_.stamp();
    } catch (const PackageError&) {
        // The journal stays: the next open of the package undoes the edit.
    }
}

void PackageWriter::runRedo(const RedoPlan& plan) {
    tail_.reset();
    EditJournal journal = EditJournal::ArmRedo(file_, plan);
    try {
        RunMoves(file_, journal, plan.moves, 0);
        for (const Piece& piece : plan.pieces) {
            file_.seek(piece.offset);
            file_.writeAll(piece.bytes.data(), piece.bytes.size());
        }
        file_.seek(plan.finalSize);
        file_.truncate();
        file_.sync();
        journal.remove();
    } catch (const PackageError& failure) {
        // The journal holds everything needed to finish: try that once, as the next open
        // would.
        const std::string path = file_.path();
        file_.close();
        try {
            RecoverInterruptedEdit(path);
        } catch (const PackageError&) {
            throw PackageError(std::string(failure.what()) + ". The edit is kept in \"" +
                               FullPath(JournalPath(path)) +
                               "\" and will be finished when the package is next opened");
        }
        file_ = PackageFile::Open(path, FileAccess::ReadWrite, FileSharing::Exclusive);
    }
    dataEnd_ = plan.finalSize;
    package_.stamp_ = file_.stamp();
}

} // namespace tessel
