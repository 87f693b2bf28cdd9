// What a long run (extracting, adding) tells its caller as it goes, and how the caller
// stops it.
#pragma once

#include "folder_tree.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr std::string_view kExtractingCaption = "extracting";
inline constexpr std::string_view kAddingCaption = "adding";

struct ProgressEvent {
    std::string_view caption;
    // The entry just written or added; null once, when the run ends.
    const TreeNode* node = nullptr;
    // Items of the run, known in advance for extraction; 0 for adding.
    std::int32_t total = 0;
    // Items done before this one; at the end, all of them.
    std::int32_t index = 0;
    // File bytes of the run done so far, this entry's included.
    std::int64_t bytes = 0;
};

// May throw RunCancelled to stop a run between two items; what was done stays.
using ProgressCallback = std::function<void(const ProgressEvent&)>;

struct ProgressObserver {
    ProgressCallback progress = {};
    // A path that adding passed over: unreadable, not a regular file or folder, the package
    // itself, or a folder reached again through a link.
    std::function<void(const std::string& path, const std::string& why)> skipped = {};
};

struct RunCancelled : std::exception {
    const char* what() const noexcept override { return "cancelled"; }
};

} // namespace tessel
