// What differs between two sets of entries, entry by entry: what a sync does to a package, and
// what a comparison of two packages or folders finds.
#pragma once

#include "progress.h"
#include "vp_format.h"

#include <optional>
#include <string>

namespace tessel {

struct EntryChange {
    // Changed: other bytes; Time: the same bytes, another timestamp.
    enum Kind { Added, Changed, Removed, Time } kind;
    // The entry's path in the package, "data/ships.tbl" or "data/new/" for a folder.
    std::string path;
    // The file's record before (in the old set) and after (in the new), where it has one.
    std::optional<EntryRecord> before;
    std::optional<EntryRecord> after;
};

// What a sync may do.
struct SyncOptions {
    // Entries that the disk folder lacks go, folders with everything inside.
    bool removeMissing = false;
    // Only say what would change.
    bool dryRun = false;
    RunChoices times;
};

} // namespace tessel
