// Naming entries by their path inside the package: folders joined by "/", as UTF-8.
#pragma once

#include "folder_path.h"
#include "folder_tree.h"
#include "package_error.h"

#include <algorithm>

#include <string>
#include <string_view>
#include <vector>

namespace tessel {

// "data/tables/ships.tbl" for a file, "data/tables/" for a folder, "" for the root.
std::string EntryPath(const TreeNode* node);

// The shown names of the folders from the node up to the given level, outermost first,
// each followed by "/". A file node yields its folder's path; the root yields "".
std::string GetFolderPath(const TreeNode* node, int lowestLevel);

// Visits every node of the subtree of top but the root, in depth-first order, with the
// path of the folders around it counted from the level of top (a folder top is the first
// name of the paths of what it holds). Memory grows with the depth only.
template <typename Node, typename Visit> void WalkWithPaths(Node* top, Visit&& visit) {
    FolderPath path;
    const int base = std::max(top->level(), 1);
    for (Node* node : Subtree(top)) {
        if (!node->parent())
            continue;
        path.keep(static_cast<std::size_t>(node->level() - base));
        visit(node, static_cast<const FolderPath&>(path));
        if (node->isFolder())
            path.open(node->text());
    }
}

// The first entry in directory order whose path is the given one, its names compared as
// stored, or else as shown. A trailing "/" names a folder only. Null when there is none.
const TreeNode* FindEntry(const FolderTree& tree, std::string_view path);

// Every entry the path names, in directory order: two entries of one name, or names that
// show alike, are all named by it.
std::vector<const TreeNode*> FindEntries(const FolderTree& tree, std::string_view path);

// A path that names more than one entry, with them all.
struct AmbiguousEntry : PackageError {
    AmbiguousEntry(std::string_view path, std::vector<const TreeNode*> found);
    std::vector<const TreeNode*> candidates;
};

// The one entry the path names. A missing entry is an error naming the path; a path that
// names more than one raises AmbiguousEntry, naming every candidate.
const TreeNode* RequireEntry(const FolderTree& tree, std::string_view path);

// The entry's path with what tells it from another of that path: its size and offset, or
// what a folder holds.
std::string DescribeEntry(const TreeNode* node);

// Refuses, naming the entry, a node whose name could leave the folder it is written into.
void RequireSafeName(const TreeNode* node);

// The child of the folder, other than except, whose name is the same as the given one;
// null when there is none.
const TreeNode* ChildNamed(const TreeNode* folder, std::string_view name, const TreeNode* except = nullptr);

} // namespace tessel
