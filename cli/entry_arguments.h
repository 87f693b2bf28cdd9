// The ENTRY arguments of the commands: paths inside the package, each naming one entry, or
// every entry it names when the command is told to take them all.
#pragma once

#include "folder_tree.h"

#include <string>
#include <vector>

namespace tessel::cli {

enum class Several { Refused, RefusedButAllowed, Taken };

// The entries the paths name, in the order given. A path that names no entry, and holds a
// pattern ("*", "?", "[...]", "**"), is matched as one against the shown paths, ignoring
// ASCII case, and takes every entry it matches. A path or pattern that names no entry is an
// error; a path that names several is an error naming them, unless `several` says to take
// them all (RefusedButAllowed: the error says that --all would).
std::vector<const TreeNode*> EntriesNamed(const FolderTree& tree, const std::vector<std::string>& paths,
                                          Several several);

// Whether any of the paths holds a pattern (and so needs the whole tree to be matched).
bool AnyPattern(const std::vector<std::string>& paths);

} // namespace tessel::cli
