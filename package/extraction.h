// Writing entries of the open package out to ordinary files and folders.
#pragma once

#include "folder_tree.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace tessel {

// Reports each processed item: (caption, name, total, index). An empty name ends the run.
// Extraction passes the caption "extracting" and the node's name. A callback may throw
// RunCancelled to stop a run between two items; what was written stays.
using ProgressCallback = std::function<void(const std::string& caption, const std::string& name,
                                            std::int32_t total, std::int32_t index)>;

struct RunCancelled : std::exception {
    const char* what() const noexcept override { return "cancelled"; }
};

inline constexpr const char* kExtractingCaption = "extracting";

// Refuses, naming the entry, a node whose name could leave the folder it is written into.
void RequireSafeName(const TreeNode* node);

// Writes one file with size bytes from offset of the package; an existing file is
// overwritten. The package is opened for this call only, without a lock.
void ExtractEntryToFile(const std::string& packagePath, const std::string& filePath, std::int32_t offset,
                        std::int32_t size);

// Writes the nodes from start up to (not including) stop in depth-first order, or to the
// end of the tree without a stop node, below destDir.
void ExtractRange(const std::string& packagePath, const std::string& destDir, TreeNode* start, TreeNode* stop,
                  const ProgressCallback& callback = {});

// Writes the subtree of each node, in order, below destDir.
void ExtractNodes(const std::string& packagePath, const std::string& destDir,
                  const std::vector<TreeNode*>& nodes, const ProgressCallback& callback = {});

} // namespace tessel
