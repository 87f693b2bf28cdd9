// The per-user scratch folder into which Open file, View file and drag-out extract.
#pragma once

#include "folder_tree.h"

#include <string>
#include <vector>

namespace tessel {

// The system's temporary directory (TMPDIR, else /tmp), ending with "/".
std::string GetTempDir();
// GetTempDir() + "VPtmp-<uid>", without a trailing "/".
std::string TempFolderPath();
// Creates the temporary folder when it is missing (mode 0700) and checks it: a real
// directory, not a link, owned by this user, closed to group and others. Throws a
// PackageError otherwise. Returns its path.
std::string PrepareTempFolder();

// For each node, in order, the path that extracting it into the temporary folder makes:
// a folder is created there (empty), a file is only named.
std::vector<std::string> ListTempPaths(const std::vector<TreeNode*>& nodes);

// Deletes the folder with everything in it, never following a symbolic link (a link is
// removed, not what it points to). True on success.
bool DeleteFolder(const std::string& path);

} // namespace tessel
