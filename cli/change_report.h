// How tessel-vp writes what differs between two sets of entries, as sync and diff do: one
// line per entry, sorted by path ("A path", "M path", "D path", "T path"), or a JSON array
// of objects with path, change, and the old and new sides' size and timestamp.
#pragma once

#include "entry_change.h"

#include <vector>

namespace tessel::cli {

void WriteChanges(std::vector<EntryChange> changes, bool json);

} // namespace tessel::cli
