// Moving stretches of the data area down inside the package, so that recovery can always go
// on from the last progress record.
#pragma once

#include "edit_journal.h"
#include "journal_plan.h"
#include "package_file.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tessel {

// Moves the stretches from the given point on, keeping the promise that recovery relies on:
// no source byte is overwritten before a durable copy of it exists, in the package or in
// the journal. `moved` hears the bytes moved so far at each durable step.
void RunMoves(PackageFile& package, EditJournal& journal, const std::vector<Move>& moves, std::int64_t done,
              const MoveProgress& moved = {});

// The room the journal needs for the windows of the moves that go through it.
std::int64_t WindowRoom(const std::vector<Move>& moves);

// Writes a window saved from the moves, which starts at their byte `done`, to its targets.
void WriteWindow(PackageFile& package, const std::vector<Move>& moves, std::int64_t done,
                 std::string_view bytes);

} // namespace tessel
