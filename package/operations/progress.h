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
    // Adding: the entry was in the package already and has new bytes now.
    bool replaced = false;
};

// What adding does with a file whose name a file of the folder already has.
enum class NameClash { KeepBoth, Replace, Skip };
// What extraction does with a file already at an entry's place.
enum class ExistingFile { Replace, Keep };

// May throw RunCancelled to stop a run between two items; what was done stays.
using ProgressCallback = std::function<void(const ProgressEvent&)>;

struct ProgressObserver {
    ProgressCallback progress = {};
    // A path that a run passed over: for adding, unreadable, not a regular file or folder,
    // the package itself, a name that cannot be stored, or a folder reached again through a
    // link; for extraction, a file kept where an entry would have gone.
    std::function<void(const std::string& path, const std::string& why)> skipped = {};
    // Adding a file whose name the existing file has (names compared ignoring ASCII case);
    // without an answer both are kept. A folder that exists is added into, never asked
    // about. May throw RunCancelled.
    std::function<NameClash(const std::string& diskPath, const TreeNode* existing)> clash = {};
    // Extracting an entry to a path where a file (not a folder) exists; without an answer it
    // is replaced. May throw RunCancelled.
    std::function<ExistingFile(const TreeNode* entry, const std::string& path)> existing = {};
    // Extracting an entry to a path that an earlier entry of the same run was written to
    // (two entries of one name, or names that show alike); without an answer the later
    // replaces the earlier. May throw RunCancelled.
    std::function<ExistingFile(const TreeNode* entry, const std::string& path)> duplicate = {};
    // An edit that removes bytes moves the data behind them down: bytes moved so far of the
    // total, as each step becomes durable. Cannot stop the run.
    std::function<void(std::int64_t done, std::int64_t total)> moved = {};
};

// What a run may do beyond the usual. keepTimes: adding gives each entry the file's
// modification time as its timestamp instead of the moment of adding; extracting gives each
// file written its entry's timestamp as its modification time. unpackArchives: adding takes
// the contents of an archive (.zip, .7z, .tar...) instead of the file.
struct RunChoices {
    bool keepTimes = false;
    bool unpackArchives = false;
};

struct RunCancelled : std::exception {
    const char* what() const noexcept override { return "cancelled"; }
};

} // namespace tessel
