#include "edit_journal.h"

#include "journal_format.h"
#include "package_error.h"

#include <algorithm>

namespace tessel {

using namespace journal_format;

void SetMoveLimits(const MoveLimits& limits) {
    Limits() = limits;
}

std::string JournalPath(const std::string& packagePath) {
    return packagePath + "-journal";
}

EditJournal EditJournal::Arm(std::uint32_t kind, const PackageFile& package, std::int64_t originalSize,
                             const std::string& body, bool withProgress, std::int64_t windowRoom) {
    const std::string path = JournalPath(package.path());
    PackageFile file = PackageFile::Create(path);
    const std::int64_t windowOffset = kBodyOffset + static_cast<std::int64_t>(body.size());
    try {
        file.reserve(windowOffset + windowRoom);
        file.seek(kBodyOffset);
        file.writeAll(body.data(), body.size());
        if (withProgress) {
            const std::string slot = Slot(1, 0, 0, 0);
            file.seek(kSlotOffsets[1]);
            file.writeAll(slot.data(), slot.size());
        }
        file.sync();
        // The header goes last: a journal without one was never armed, and the package
        // was not touched.
        std::string header(kJournalMagic);
        Put32(header, kind);
        Put64(header, static_cast<std::uint64_t>(package.stamp().inode));
        Put32(header, Checksum(BaseName(package.path())));
        Put64(header, static_cast<std::uint64_t>(originalSize));
        Put64(header, body.size());
        Put32(header, Checksum(body));
        Put32(header, Checksum(header));
        file.seek(0);
        file.writeAll(header.data(), header.size());
        file.sync();
        SyncFolderOf(path);
    } catch (...) {
        file.close();
        try {
            RemoveFileDurably(path);
        } catch (const PackageError&) {
            // A journal that was never armed is removed when the package is next opened.
        }
        throw;
    }
    return EditJournal(std::move(file), windowOffset, 1);
}

EditJournal EditJournal::ArmUndo(const PackageFile& package, std::int64_t originalSize,
                                 const std::vector<Piece>& originals) {
    return Arm(kUndo, package, originalSize, PiecesBody(originals), false, 0);
}

EditJournal EditJournal::ArmRedo(PackageFile& package, const RedoPlan& plan) {
    std::int64_t windowRoom = 0;
    for (const Move& move : plan.moves) {
        if (move.from - move.to < Limits().directDistance)
            windowRoom = std::max(windowRoom, std::min(move.length, Limits().windowSize));
    }
    std::int64_t reach = plan.finalSize;
    for (const Piece& piece : plan.pieces)
        reach = std::max(reach, piece.offset + static_cast<std::int64_t>(piece.bytes.size()));
    package.reserve(reach);
    std::string body;
    Put64(body, plan.moves.size());
    for (const Move& move : plan.moves) {
        Put64(body, static_cast<std::uint64_t>(move.from));
        Put64(body, static_cast<std::uint64_t>(move.to));
        Put64(body, static_cast<std::uint64_t>(move.length));
    }
    body += PiecesBody(plan.pieces);
    Put64(body, static_cast<std::uint64_t>(plan.finalSize));
    return Arm(kRedo, package, package.size(), body, true, windowRoom);
}

void EditJournal::writeSlot(std::int64_t done, std::int64_t windowLength, std::uint32_t windowChecksum) {
    ++sequence_;
    const std::string slot = Slot(sequence_, done, windowLength, windowChecksum);
    file_.seek(kSlotOffsets[sequence_ % 2]);
    file_.writeAll(slot.data(), slot.size());
    file_.sync();
}

void EditJournal::recordProgress(std::int64_t done) {
    writeSlot(done, 0, 0);
}

void EditJournal::saveWindow(std::int64_t done, const std::string& source) {
    file_.seek(windowOffset_);
    file_.writeAll(source.data(), source.size());
    file_.sync();
    writeSlot(done, static_cast<std::int64_t>(source.size()), Checksum(source));
}

void EditJournal::remove() {
    const std::string path = file_.path();
    file_.close();
    RemoveFileDurably(path);
}

} // namespace tessel
