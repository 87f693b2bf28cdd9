// The per-user scratch folder into which Open file, View file and drag-out extract.
#pragma once

#include "file_descriptor.h"
#include "folder_tree.h"

#include <string>
#include <vector>

namespace tessel {

// The system's temporary directory (TMPDIR, else /tmp), ending with "/".
std::string GetTempDir();
// GetTempDir() + "VPtmp-<uid>", without a trailing "/".
std::string TempFolderPath();
// A folder opened once and used through its descriptor from then on, so that swapping it
// for something else after the check changes nothing.
struct OpenFolder {
    FileDescriptor fd;
    std::string path;
};

// Creates the temporary folder when it is missing (mode 0700), opens it without following
// a link, and checks the open folder: a directory owned by this user, closed to group and
// others. Throws a PackageError otherwise.
OpenFolder PrepareTempFolder();

// For each node, in order, the path that extracting it into the temporary folder makes:
// a folder is created there (empty), a file is only named.
std::vector<std::string> ListTempPaths(const std::vector<TreeNode*>& nodes);

// Deletes the folder with everything in it, never following a symbolic link (a link is
// removed, not what it points to). True on success.
bool DeleteFolder(const std::string& path);

} // namespace tessel
