// The per-user scratch folder, and the folders of their own inside it into which each
// drag-out and each copy opened in another program is extracted.
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

// A new, empty folder inside the temporary folder, named the prefix and random letters,
// opened like the temporary folder. One use's files never meet another's: a drag-out
// cleaning up after itself leaves the copies opened in an editor alone.
OpenFolder MakeScratchFolder(const std::string& prefix);

// For each node, in order, the path that extracting it into the folder makes: a folder is
// created there (empty), a file is only named.
std::vector<std::string> ListTempPaths(const OpenFolder& folder, const std::vector<const TreeNode*>& nodes);

// Deletes the folder with everything in it, never following a symbolic link (a link is
// removed, not what it points to). True on success.
bool DeleteFolder(const std::string& path);

} // namespace tessel
