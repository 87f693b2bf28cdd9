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
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessel {

std::string JournalPath(const std::string& packagePath);
// Where a redo journal is made before it takes the place of the edit's undo journal.
std::string NextJournalPath(const std::string& packagePath);

// What recovery found and did.
enum class Recovery { None, Undone, Completed, Discarded };

// A stretch of the moves whose sources the journal keeps, so that it may be written over
// its own sources.
struct SavedWindow {
    std::int64_t done = 0;   // where it starts in the moves
    std::int64_t length = 0; // 0: no window is kept
    std::uint32_t checksum = 0;
};

class EditJournal {
public:
    // Writes, syncs and arms a journal for the open package. From then on the package may
    // change: recovery can always take it back (undo) or forward (redo).
    static EditJournal ArmUndo(const PackageFile& package, std::int64_t originalSize,
                               const std::vector<Piece>& originals);
    // The space the edit needs, in the package and for the journal's saved windows, is set
    // aside first: a redo edit, once armed, never finds the disk full. When the moves begin
    // with a window, its sources are saved with the arming, under the same syncs. When the
    // edit has an undo journal armed, the redo journal is made beside it and takes its place
    // in one rename: before that the edit is undone, after it finished.
    static EditJournal ArmRedo(PackageFile& package, const RedoPlan& plan,
                               std::optional<EditJournal> undo = std::nullopt);

    // Takes over the open journal of an interrupted edit, whose last progress record has
    // the sequence number given and names the window.
    EditJournal(PackageFile file, std::int64_t windowOffset, std::uint64_t sequence, SavedWindow window = {})
        : file_(std::move(file)), windowOffset_(windowOffset), sequence_(sequence), window_(window) {}
    EditJournal(EditJournal&&) noexcept = default;
    EditJournal& operator=(EditJournal&&) noexcept = default;

    // Redo journals: the bytes of the moves done and durable in the package.
    void recordProgress(std::int64_t done);
    // Redo journals: bytes of a window's sources, from its byte `at`, not yet durable.
    void writeWindow(std::int64_t at, const char* bytes, std::size_t count);
    // Redo journals: whether the window its last record names is whole on disk, as recorded.
    bool windowIsWhole();
    // Redo journals: copies `count` bytes of the window, from its byte `at`, to where the
    // package's position stands.
    void copyWindowTo(PackageFile& package, std::int64_t at, std::int64_t count);
    // Redo journals: makes the window's bytes durable, then records that they are kept, so
    // that the stretch may be written over its own sources.
    void recordWindow(SavedWindow window);
    // The window recorded last (none once progress is recorded past it).
    const SavedWindow& window() const { return window_; }

    // Removes the journal: the edit is over.
    void remove();

private:
    // A redo journal's first progress record names the window that `fillWindow` saved, if
    // any.
    static EditJournal Arm(std::uint32_t kind, const PackageFile& package, std::int64_t originalSize,
                           const std::string& body, std::int64_t windowRoom, const std::string& path,
                           const std::function<void(EditJournal&)>& fillWindow = {});
    void writeSlot(std::int64_t done, std::int64_t windowLength, std::uint32_t windowChecksum);

    PackageFile file_;
    std::int64_t windowOffset_;
    std::uint64_t sequence_ = 0;
    SavedWindow window_;
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
