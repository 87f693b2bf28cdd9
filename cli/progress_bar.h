// A one-line progress report on standard error while a long command runs: items done of
// the total, bytes, and the rate. Silent when standard error is not a terminal. A bar
// without a total of items counts bytes alone; one without any total only counts.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "adding.h"
#include "folder_tree.h"

namespace tessel::cli {

class ProgressBar {
public:
    ProgressBar(std::string verb, std::int64_t totalItems, std::int64_t totalBytes);
    ProgressBar(std::string verb, const DiskTally& totals)
        : ProgressBar(std::move(verb), totals.items, totals.bytes) {}
    // Whether a bar is drawn at all: standard error is a terminal. Work done only for the
    // bar's totals is spared otherwise.
    static bool Shown();
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void advance(std::int64_t items, std::int64_t bytes);
    // Bytes done so far, for a bar that counts bytes alone.
    void advanceTo(std::int64_t bytes) { advance(0, bytes - bytes_); }
    // Ends the line.
    void finish();
    // Clears the bar's line so that a message can take it; the bar comes back at the next
    // step.
    void clearLine();

private:
    void draw(bool force);

    std::string verb_;
    std::int64_t totalItems_;
    std::int64_t totalBytes_;
    std::int64_t items_ = 0;
    std::int64_t bytes_ = 0;
    bool enabled_;
    // Nothing is drawn before the first step: a run with nothing to report shows no bar.
    bool started_ = false;
    bool finished_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

// Entries and file bytes in the subtrees of the nodes, for a bar's totals.
DiskTally TallyEntries(const std::vector<const TreeNode*>& nodes);

// "1.5 GiB", "12.0 KiB", "900 B".
std::string ByteText(double bytes);

} // namespace tessel::cli
