#include "edit_journal.h"

#include "journal_format.h"
#include "moves.h"
#include "package_error.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>

namespace tessel {

using namespace journal_format;

void SetMoveLimits(const MoveLimits& limits) {
    Limits() = limits;
}

std::string JournalPath(const std::string& packagePath) {
    return packagePath + "-journal";
}

std::string NextJournalPath(const std::string& packagePath) {
    return JournalPath(packagePath) + "-next";
}

EditJournal EditJournal::Arm(std::uint32_t kind, const PackageFile& package, std::int64_t originalSize,
                             const std::string& body, std::int64_t windowRoom, const std::string& path,
                             const std::function<void(EditJournal&)>& fillWindow) {
    const std::int64_t windowOffset = kBodyOffset + static_cast<std::int64_t>(body.size());
    EditJournal journal(PackageFile::Create(path), windowOffset, 0);
    PackageFile& file = journal.file_;
    try {
        file.reserve(windowOffset + windowRoom);
        file.seek(kBodyOffset);
        file.writeAll(body.data(), body.size());
        if (kind == kRedo) {
            if (fillWindow)
                fillWindow(journal);
            const SavedWindow& window = journal.window_;
            journal.sequence_ = 1;
            const std::string slot = EncodeSlot({1, window.done, window.length, window.checksum});
            file.seek(kSlotOffsets[1]);
            file.writeAll(slot.data(), slot.size());
        }
        file.sync();
        // The head goes last: a journal without one was never armed, and the package was
        // not touched.
        Head head;
        head.kind = kind;
        head.inode = static_cast<std::uint64_t>(package.stamp().inode);
        head.nameChecksum = Checksum(BaseName(package.path()));
        head.originalSize = originalSize;
        head.bodyLength = body.size();
        head.bodyChecksum = Checksum(body);
        const std::string bytes = EncodeHead(head);
        file.seek(0);
        file.writeAll(bytes.data(), bytes.size());
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
    return journal;
}

EditJournal EditJournal::ArmUndo(const PackageFile& package, std::int64_t originalSize,
                                 const std::vector<Piece>& originals) {
    return Arm(kUndo, package, originalSize, EncodeUndoBody(originals), 0, JournalPath(package.path()));
}

EditJournal EditJournal::ArmRedo(PackageFile& package, const RedoPlan& plan,
                                 std::optional<EditJournal> undo) {
    std::int64_t reach = plan.finalSize;
    for (const Piece& piece : plan.pieces)
        reach = std::max(reach, piece.offset + static_cast<std::int64_t>(piece.bytes.size()));
    package.reserve(reach);
    const std::string body = EncodeRedoBody(plan);
    const std::int64_t room = WindowRoom(plan.moves);
    auto firstWindow = [&](EditJournal& journal) {
        if (StartsWithWindow(plan.moves))
            journal.window_ = CopyWindowSources(package, journal, plan.moves, 0);
    };
    if (!undo)
        return Arm(kRedo, package, package.size(), body, room, JournalPath(package.path()), firstWindow);
    // Everything the redo moves must be durable before the redo journal stands.
    package.sync();
    const std::string next = NextJournalPath(package.path());
    EditJournal redo = Arm(kRedo, package, package.size(), body, room, next, firstWindow);
    undo->file_.close();
    try {
        ReplaceDurably(next, JournalPath(package.path()));
    } catch (const FolderNotSynced& error) {
        // Nothing has moved yet: this is no commit, but a failure that recovery settles.
        throw PackageError(error.what());
    }
    redo.file_.renamed(JournalPath(package.path()));
    return redo;
}

void EditJournal::writeSlot(std::int64_t done, std::int64_t windowLength, std::uint32_t windowChecksum) {
    ++sequence_;
    const std::string slot = EncodeSlot({sequence_, done, windowLength, windowChecksum});
    file_.seek(kSlotOffsets[sequence_ % 2]);
    file_.writeAll(slot.data(), slot.size());
    file_.sync();
}

void EditJournal::recordProgress(std::int64_t done) {
    writeSlot(done, 0, 0);
    window_ = {};
}

void EditJournal::writeWindow(std::int64_t at, const char* bytes, std::size_t count) {
    file_.seek(windowOffset_ + at);
    file_.writeAll(bytes, count);
}

bool EditJournal::windowIsWhole() {
    if (windowOffset_ + window_.length > file_.size())
        return false;
    const std::int64_t step = std::min(Limits().step, window_.length);
    const auto buffer = std::make_unique_for_overwrite<char[]>(std::size_t(step));
    std::uint32_t checksum = 0;
    file_.seek(windowOffset_);
    for (std::int64_t at = 0; at < window_.length; at += step) {
        const auto count = std::size_t(std::min(step, window_.length - at));
        file_.readExact(buffer.get(), count);
        checksum = ChecksumMore(checksum, std::string_view(buffer.get(), count));
    }
    return checksum == window_.checksum;
}

void EditJournal::copyWindowTo(PackageFile& package, std::int64_t at, std::int64_t count) {
    const CopyResult copied = package.copyFrom(file_.descriptor(), windowOffset_ + at, count);
    if (copied.readFailed || copied.sourceEnded)
        throw PackageError(CannotReadMessage(file_.path(), EIO));
}

void EditJournal::recordWindow(SavedWindow window) {
    file_.sync();
    writeSlot(window.done, window.length, window.checksum);
    window_ = window;
}

void EditJournal::remove() {
    const std::string path = file_.path();
    file_.close();
    RemoveFileDurably(path);
}

void ApplyPieces(PackageFile& package, const std::vector<Piece>& pieces, std::int64_t size) {
    for (const Piece& piece : pieces) {
        package.seek(piece.offset);
        package.writeAll(piece.bytes.data(), piece.bytes.size());
    }
    package.seek(size);
    package.truncate();
    package.sync();
}

void CompleteRedo(PackageFile& package, EditJournal& journal, const RedoPlan& plan, std::int64_t done,
                  const MoveProgress& moved) {
    RunMoves(package, journal, plan.moves, done, moved);
    ApplyPieces(package, plan.pieces, plan.finalSize);
    journal.remove();
}

} // namespace tessel
