// The journal of one edit, "<package>-journal" beside the package: what recovery needs to
// bring the package back to where it was (an undo journal, for edits that only add bytes
// behind the data area or rewrite the directory), or to where the edit goes (a redo
// journal, for edits that move data inside the file). An edit may begin undoable and turn
// into a redo edit once its new bytes are durable. docs/edit-journal.md tells its states
// and the order of its writes and syncs.
#pragma once

#include "journal_plan.h"
#include "package_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessel {

std::string JournalPath(const std::string& packagePath);
// Where a redo journal is made before it takes the place of the edit's undo journal.
std::string NextJournalPath(const std::string& packagePath);

// What recovery found and did.
enum class Recovery { None, Undone, Completed, Discarded };

class EditJournal {
public:
    // Writes, syncs and arms a journal for the open package. From then on the package may
    // change: recovery can always take it back (undo) or forward (redo).
    static EditJournal ArmUndo(const PackageFile& package, std::int64_t originalSize,
                               const std::vector<Piece>& originals);
    // The space the edit needs, in the package and for the journal's saved windows, is set
    // aside first: a redo edit, once armed, never finds the disk full. When the edit has an
    // undo journal armed, the redo journal is made beside it and takes its place in one
    // rename: before that the edit is undone, after it finished.
    static EditJournal ArmRedo(PackageFile& package, const RedoPlan& plan,
                               std::optional<EditJournal> undo = std::nullopt);

    // Takes over the open journal of an interrupted edit, whose last progress record has
    // the sequence number given.
    EditJournal(PackageFile file, std::int64_t windowOffset, std::uint64_t sequence)
        : file_(std::move(file)), windowOffset_(windowOffset), sequence_(sequence) {}
    EditJournal(EditJournal&&) noexcept = default;
    EditJournal& operator=(EditJournal&&) noexcept = default;

    // Redo journals: the bytes of the moves done and durable in the package.
    void recordProgress(std::int64_t done);
    // Redo journals: keeps a copy of the source of the next stretch of the moves (which
    // starts at done) before that stretch is written over its own source.
    void saveWindow(std::int64_t done, const std::string& source);

    // Removes the journal: the edit is over.
    void remove();

private:
    static EditJournal Arm(std::uint32_t kind, const PackageFile& package, std::int64_t originalSize,
                           const std::string& body, bool withProgress, std::int64_t windowRoom,
                           const std::string& path);
    void writeSlot(std::int64_t done, std::int64_t windowLength, std::uint32_t windowChecksum);

    PackageFile file_;
    std::int64_t windowOffset_;
    std::uint64_t sequence_ = 0;
};

// Puts the pieces in place, cuts the file at the size and syncs it: how both kinds of
// journal end.
void ApplyPieces(PackageFile& package, const std::vector<Piece>& pieces, std::int64_t size);

// Runs a redo plan on from the given point of its moves: the moves, then the pieces, the
// cut and the sync; then removes the journal.
void CompleteRedo(PackageFile& package, EditJournal& journal, const RedoPlan& plan, std::int64_t done,
                  const MoveProgress& moved = {});

// Finishes or undoes an interrupted edit of the package, if its journal is there, and
// removes the journal. The package is opened for writing and locked meanwhile. Refuses,
// writing nothing, a journal that is damaged or belongs to another file, and a package
// that cannot be written while its journal is pending.
Recovery RecoverInterruptedEdit(const std::string& packagePath);

// What a sentence for the user says about a recovery; empty for None and Discarded.
std::string RecoveryNote(const std::string& packagePath, Recovery recovery);

void SetMoveLimits(const MoveLimits& limits);

} // namespace tessel
