// Finishing or undoing an edit that was cut short, from its journal.
#include "edit_journal.h"

#include "journal_format.h"
#include "package_error.h"

#include <sys/stat.h>

namespace tessel {

using namespace journal_format;

namespace {

[[noreturn]] void RefuseJournal(const std::string& packagePath, const std::string& why) {
    throw PackageError("\"" + FullPath(JournalPath(packagePath)) + "\" " + why +
                       "; it was not applied and \"" + FullPath(packagePath) + "\" was left as it is");
}

Recovery Undo(PackageFile& package, Reader& body, std::int64_t originalSize) {
    for (const Piece& piece : ReadPieces(body)) {
        package.seek(piece.offset);
        package.writeAll(piece.bytes.data(), piece.bytes.size());
    }
    package.seek(originalSize);
    package.truncate();
    package.sync();
    return Recovery::Undone;
}

Recovery Redo(PackageFile& package, PackageFile journalFile, Reader& body, std::int64_t windowOffset) {
    std::vector<Move> moves(body.u64());
    for (Move& move : moves) {
        move.from = body.i64();
        move.to = body.i64();
        move.length = body.i64();
    }
    const std::vector<Piece> pieces = ReadPieces(body);
    const std::int64_t finalSize = body.i64();
    const Progress progress = LatestProgress(journalFile);
    std::string window;
    if (progress.windowLength > 0) {
        window.resize(static_cast<std::size_t>(progress.windowLength));
        journalFile.seek(windowOffset);
        if (journalFile.read(window.data(), window.size()) != window.size() ||
            Checksum(window) != progress.windowChecksum)
            throw Damaged("its saved window is unreadable");
    }
    EditJournal journal(std::move(journalFile), windowOffset, progress.sequence);
    std::int64_t done = progress.done;
    if (!window.empty()) {
        // The stretch was being written over its own source: put the saved copy in place.
        package.seek(TargetAt(moves, done));
        package.writeAll(window.data(), window.size());
        package.sync();
        done += static_cast<std::int64_t>(window.size());
        journal.recordProgress(done);
    }
    RunMoves(package, journal, moves, done);
    for (const Piece& piece : pieces) {
        package.seek(piece.offset);
        package.writeAll(piece.bytes.data(), piece.bytes.size());
    }
    package.seek(finalSize);
    package.truncate();
    package.sync();
    journal.remove();
    return Recovery::Completed;
}

} // namespace

Recovery RecoverInterruptedEdit(const std::string& packagePath) {
    const std::string path = JournalPath(packagePath);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return Recovery::None;
    if (!S_ISREG(info.st_mode))
        RefuseJournal(packagePath, "is not a regular file");
    PackageFile package = [&] {
        try {
            return PackageFile::Open(packagePath, FileAccess::ReadWrite, FileSharing::Exclusive);
        } catch (const PackageError& error) {
            throw PackageError(
                "\"" + FullPath(packagePath) + "\" has an unfinished edit, kept in \"" + FullPath(path) +
                "\". Open it where it can be written, and Tessel will finish or undo that edit "
                "first. (" +
                error.what() + ")");
        }
    }();
    PackageFile journalFile = PackageFile::Open(path, FileAccess::ReadWrite, FileSharing::Unlocked);
    std::string header(static_cast<std::size_t>(kHeaderBytes), '\0');
    journalFile.seek(0);
    const std::size_t got = journalFile.read(header.data(), header.size());
    if (header.find_first_not_of('\0') == std::string::npos) {
        // Never armed: the edit stopped before it touched the package.
        journalFile.close();
        RemoveFileDurably(path);
        return Recovery::Discarded;
    }
    try {
        Reader reader(std::string_view(header).substr(0, got));
        if (reader.bytes(kJournalMagic.size()) != kJournalMagic)
            throw Damaged("it is not a Tessel journal");
        const std::uint32_t kind = reader.u32();
        const std::uint64_t inode = reader.u64();
        const std::uint32_t nameChecksum = reader.u32();
        const std::int64_t originalSize = reader.i64();
        const std::uint64_t bodyLength = reader.u64();
        const std::uint32_t bodyChecksum = reader.u32();
        const std::size_t headerLength = reader.consumed(header);
        if (reader.u32() != Checksum(std::string_view(header).substr(0, headerLength)))
            throw Damaged("its header is damaged");
        if (inode != static_cast<std::uint64_t>(package.stamp().inode) ||
            nameChecksum != Checksum(BaseName(packagePath)))
            RefuseJournal(packagePath, "belongs to another file");
        if (bodyLength > static_cast<std::uint64_t>(journalFile.size()))
            throw Damaged("it ends early");
        std::string body(static_cast<std::size_t>(bodyLength), '\0');
        journalFile.seek(kBodyOffset);
        journalFile.readExact(body.data(), body.size());
        if (Checksum(body) != bodyChecksum)
            throw Damaged("its contents are damaged");
        Reader bodyReader(body);
        if (kind == kRedo)
            return Redo(package, std::move(journalFile), bodyReader,
                        kBodyOffset + static_cast<std::int64_t>(bodyLength));
        if (kind != kUndo)
            throw Damaged("it is of an unknown kind");
        Undo(package, bodyReader, originalSize);
        journalFile.close();
        RemoveFileDurably(path);
        return Recovery::Undone;
    } catch (const Damaged& damaged) {
        RefuseJournal(packagePath, std::string("is damaged: ") + damaged.what());
    }
}

std::string RecoveryNote(const std::string& packagePath, Recovery recovery) {
    const std::string name = "\"" + FullPath(packagePath) + "\"";
    switch (recovery) {
    case Recovery::Undone:
        return "an interrupted edit of " + name + " was undone; the package is as it was before that edit";
    case Recovery::Completed:
        return "an interrupted edit of " + name + " was finished; the package is as that edit left it";
    default:
        return {};
    }
}

} // namespace tessel
