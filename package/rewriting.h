// Editing a package in place: deleting entries, renaming one, and writing the directory
// again after the tree changed. The tree is kept in step with the file.
#pragma once

#include "folder_tree.h"

#include <string>
#include <vector>

namespace tessel {

// Writes the directory and header again without touching the data area.
void RewriteDirectory(FolderTree& tree, const std::string& packagePath);

// Removes the nodes (files, and folders with everything inside them) from the package and
// from the tree. The data behind the first removed byte moves down once; bytes that a
// remaining entry still uses are kept.
void DeleteEntries(const std::vector<TreeNode*>& nodes, FolderTree& tree, const std::string& packagePath);

// Gives a file or folder node a new name, in the package (at most 31 bytes) and in the
// tree (whole). Refuses names that could never be written out as a file: ".", "..", or
// names holding "/" or a NUL byte.
void RenameEntry(TreeNode* node, FolderTree& tree, const std::string& packagePath,
                 const std::string& newName);

} // namespace tessel
