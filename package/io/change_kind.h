// The kinds of change the engine makes to files, as its test hooks see them.
#pragma once

namespace tessel {

enum class ChangeKind { Write, Truncate, Sync, Create, Remove, Rename, SyncFolder };

} // namespace tessel
