// Adding files and folder trees from disk to a package folder. Each file's bytes go to the
// end of the data area, and the directory and header are written anew after every file
// and every folder, so the package is whole after each step.
#pragma once

#include "folder_tree.h"

#include <functional>
#include <string>
#include <vector>

namespace tessel {

struct AddEvents {
    // A node was added and is in the package.
    std::function<void(TreeNode* node)> added;
    // A path was passed over: not readable, not a regular file or folder, the package
    // itself, or a folder already being added through a link.
    std::function<void(const std::string& path, const std::string& why)> skipped;
};

// Adds the file, or the folder with everything below it, as the parent's last child(ren).
// Raises a PackageError when the package cannot be written or would grow past 2 GiB;
// what was added before stays.
void AddPath(FolderTree& tree, const std::string& packagePath, const std::string& diskPath, TreeNode* parent,
             const AddEvents& events = {});

// Appends the disk file's bytes to the package for a file node already in the tree, fills
// in its Offset and Size, and writes directory and header. Returns false, with the node
// taken out of the tree and the package as it was, when the disk file cannot be read.
// Raises a PackageError, with the node taken out, when the package cannot be written.
bool AppendFile(TreeNode* node, FolderTree& tree, const std::string& packagePath,
                const std::string& diskPath);

// The full paths of the entries directly inside a disk folder, in the order the system
// lists them; empty when the folder cannot be read.
std::vector<std::string> ListFolderEntries(const std::string& folderPath);

// The local wall-clock time now, as seconds counted from 1970 without a zone.
std::int32_t LocalTimestampNow();

} // namespace tessel
