// Finishing or undoing an edit that was cut short, from its journal.
#include "edit_journal.h"

#include "journal_format.h"
#include "moves.h"
#include "package_error.h"

#include <cerrno>
#include <sys/stat.h>

namespace tessel {

using namespace journal_format;

namespace {

[[noreturn]] void RefuseJournal(const std::string& packagePath, const std::string& why) {
    throw PackageError("\"" + FullPath(JournalPath(packagePath)) + "\" " + why +
                       "; it was not applied and \"" + FullPath(packagePath) + "\" was left as it is");
}

PackageFile OpenPending(const std::string& packagePath) {
    try {
        return PackageFile::Open(packagePath, FileAccess::ReadWrite, FileSharing::Exclusive);
    } catch (const FileInUse&) {
        throw PackageError(
            "\"" + FullPath(packagePath) +
            "\" is in use by another Tessel (an edit is under way); try again when it is done");
    } catch (const PackageError& error) {
        throw PackageError("\"" + FullPath(packagePath) + "\" has an unfinished edit, kept in \"" +
                           FullPath(JournalPath(packagePath)) +
                           "\". Open it where it can be written, and Tessel will finish or undo that edit "
                           "first. (" +
                           error.what() + ")");
    }
}

void Redo(PackageFile& package, PackageFile journalFile, Reader& body, std::int64_t windowOffset) {
    const RedoPlan plan = DecodeRedoBody(body);
    const Progress progress = LatestProgress(journalFile);
    const SavedWindow window{progress.done, progress.windowLength, progress.windowChecksum};
    EditJournal journal(std::move(journalFile), windowOffset, progress.sequence, window);
    // A stretch was being written over its own source: the moves go on by writing its saved
    // copy in place, which must be whole.
    if (!journal.windowIsWhole())
        throw Damaged("its saved window is unreadable");
    CompleteRedo(package, journal, plan, progress.done);
}

} // namespace

Recovery RecoverInterruptedEdit(const std::string& packagePath) {
    const std::string path = JournalPath(packagePath);
    const std::string next = NextJournalPath(packagePath);
    struct stat info {};
    const bool pending = ::lstat(path.c_str(), &info) == 0;
    struct stat nextInfo {};
    const bool stray = ::lstat(next.c_str(), &nextInfo) == 0;
    if (!pending && !stray)
        return Recovery::None;
    if (pending && !S_ISREG(info.st_mode))
        RefuseJournal(packagePath, "is not a regular file");
    PackageFile package = OpenPending(packagePath);
    // A redo journal that never took the undo journal's place: the edit had not begun to
    // move anything, and the undo journal (or nothing) says what to do.
    if (stray)
        RemoveFileDurably(next);
    if (!pending)
        return Recovery::Discarded;
    PackageFile journalFile = PackageFile::Open(path, FileAccess::ReadWrite, FileSharing::Unlocked);
    std::string headBytes(static_cast<std::size_t>(kHeaderBytes), '\0');
    journalFile.seek(0);
    headBytes.resize(journalFile.read(headBytes.data(), headBytes.size()));
    if (headBytes.find_first_not_of('\0') == std::string::npos) {
        // Never armed: the edit stopped before it touched the package.
        journalFile.close();
        RemoveFileDurably(path);
        return Recovery::Discarded;
    }
    try {
        const Head head = DecodeHead(headBytes);
        if (head.inode != static_cast<std::uint64_t>(package.stamp().inode) ||
            head.nameChecksum != Checksum(BaseName(packagePath)))
            RefuseJournal(packagePath, "belongs to another file");
        if (head.bodyLength > static_cast<std::uint64_t>(journalFile.size()))
            throw Damaged("it ends early");
        std::string body(static_cast<std::size_t>(head.bodyLength), '\0');
        journalFile.seek(kBodyOffset);
        if (journalFile.read(body.data(), body.size()) != body.size())
            throw Damaged("it ends early");
        if (Checksum(body) != head.bodyChecksum)
            throw Damaged("its contents are damaged");
        Reader reader(body);
        if (head.kind == kRedo) {
            Redo(package, std::move(journalFile), reader,
                 kBodyOffset + static_cast<std::int64_t>(head.bodyLength));
            return Recovery::Completed;
        }
        ApplyPieces(package, DecodeUndoBody(reader), head.originalSize);
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
