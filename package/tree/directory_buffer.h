// Turning the folder tree back into directory records.
#pragma once

#include "folder_tree.h"
#include "vp_format.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessel {

// The regenerated directory, assembled in memory and written to the file in one piece.
struct DirectoryBuffer {
    std::vector<unsigned char> bytes;
};

// Appends the records of the tree in depth-first order: file records as they are held,
// folder records made anew, and a folder-end record after each folder's contents
// (Offset 1 between entries, 16 after the last entry). Returns the number of
// records written.
std::int32_t WriteDirectory(const FolderTree& tree, DirectoryBuffer& buffer);

// The tree as an edit will leave it, without changing it yet: subtrees left out, records
// as they will be.
struct DirectoryView {
    std::function<bool(const TreeNode*)> leaveOut;
    std::function<EntryRecord(const TreeNode*)> recordOf;
};
std::int32_t WriteDirectory(const FolderTree& tree, DirectoryBuffer& buffer, const DirectoryView& view);

// How many records WriteDirectory writes for the tree, without making them.
std::int64_t DirectoryRecordCount(const FolderTree& tree);

// A record made by this program: fields as given, the name stored as at most 31 bytes.
// Kept as a value by the node that receives it.
EntryRecord NewEntryRecord(std::int32_t offset, std::int32_t size, std::int32_t timestamp,
                           const std::string& name);

} // namespace tessel
