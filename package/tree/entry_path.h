// Naming entries by their path inside the package: folders joined by "/", as UTF-8.
#pragma once

#include "folder_tree.h"

#include <string>
#include <string_view>

namespace tessel {

// "data/tables/ships.tbl" for a file, "data/tables/" for a folder, "" for the root.
std::string EntryPath(const TreeNode* node);

// The first entry in directory order whose path is the given one, its names compared as
// stored, or else as shown. A trailing "/" names a folder only. Null when there is none.
TreeNode* FindEntry(const FolderTree& tree, std::string_view path);

// The same, but a missing entry is an error naming the path, and so is a path that only
// the shown names match and that matches entries stored differently.
TreeNode* RequireEntry(const FolderTree& tree, std::string_view path);

// Refuses, naming the entry, a node whose name could leave the folder it is written into.
void RequireSafeName(const TreeNode* node);

// The child of the folder, other than except, whose name is the same as the given one;
// null when there is none.
TreeNode* ChildNamed(const TreeNode* folder, std::string_view name, const TreeNode* except = nullptr);

} // namespace tessel
