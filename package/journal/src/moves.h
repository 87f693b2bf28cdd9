// Moving stretches of the data area down inside the package, so that recovery can always go
// on from the last progress record.
#pragma once

#include "edit_journal.h"
#include "journal_plan.h"
#include "package_file.h"

#include <cstdint>
#include <vector>

namespace tessel {

// Moves the stretches from the given point on, keeping the promise that recovery relies on:
// no source byte is overwritten before a durable copy of it exists, in the package or in
// the journal. A window the journal keeps from `done` on (saved with the arming, or found by
// recovery) is written first. `moved` hears the bytes moved so far at each durable step.
void RunMoves(PackageFile& package, EditJournal& journal, const std::vector<Move>& moves, std::int64_t done,
              const MoveProgress& moved = {});

// The room the journal needs for the windows of the moves that go through it.
std::int64_t WindowRoom(const std::vector<Move>& moves);

// Whether the first stretch of the moves goes through a window of the journal.
bool StartsWithWindow(const std::vector<Move>& moves);

// Copies the sources of the window that starts at byte `done` of the moves into the
// journal's window, not yet durable, and says what it holds.
SavedWindow CopyWindowSources(PackageFile& package, EditJournal& journal, const std::vector<Move>& moves,
                              std::int64_t done);

} // namespace tessel
