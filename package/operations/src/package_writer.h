// What every edit of a package file shares: finishing an interrupted edit first; opening
// the file for writing only when it is a sound package that the edit cannot damage and
// still the file that was loaded or last written; and a journal, so that whatever happens
// the file ends as it was before the edit or as the edit leaves it.
#pragma once

#include "edit_journal.h"
#include "package.h"
#include "package_file.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tessel {

class PackageWriter {
public:
    // Opens the package for reading and writing, exclusively. Refuses, leaving the file
    // untouched, anything but a regular file, a file of more than 16 bytes that is not a
    // package, whose directory is damaged or whose entries reach outside the data area,
    // and a file that changed since the package was loaded or last written.
    explicit PackageWriter(Package& package);

    PackageFile& file() { return file_; }
    FolderTree& tree() { return package_.tree_; }
    // Where the data area ends: the directory's offset, or 16 for a file of 16 bytes or
    // fewer, which counts as a package without entries.
    std::int64_t dataEnd() const { return dataEnd_; }

    // Starts an edit that writes only from the data end on (adding) or rewrites the
    // directory in place (renaming): the header and everything from the data end on are
    // journaled first.
    void beginUndo();
    // Ends such an edit: the tree's directory at the offset, the header, the file cut
    // after the directory, all synced, then the journal removed.
    void commitDirectory(std::int64_t dirOffset);
    // After a failure in such an edit: the file put back from the journal and the journal
    // removed. When that fails too, the journal stays and the next open undoes the edit.
    // Raises nothing.
    void rollback();

    // Runs an edit that moves data inside the file from its armed journal to its end. A
    // failure after the journal was armed is met by finishing the edit from the journal at
    // once; only when that fails too is the error raised, and the journal stays for the
    // next open to finish.
    void runRedo(const RedoPlan& plan);

private:
    void refuseWhatWouldBeDamaged(std::int64_t size);

    Package& package_;
    PackageFile file_;
    std::int64_t dataEnd_ = kHeaderSize;
    // The bytes from the data end on as the file was opened, until an edit changes them.
    std::optional<std::string> tail_;
    std::optional<EditJournal> journal_;
};

} // namespace tessel
