// What a long command tells the user as it runs: a bar for its entries, a second one for the
// data an edit moves down afterwards, and each path it passed over, named on standard error.
#pragma once

#include "progress_bar.h"

#include "progress.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace tessel::cli {

class RunReport {
public:
    // Totals of 0 are unknown: the bar then counts without a share.
    explicit RunReport(std::string verb, std::int64_t totalItems = 0, std::int64_t totalBytes = 0);
    RunReport(std::string verb, const DiskTally& totals)
        : RunReport(std::move(verb), totals.items, totals.bytes) {}

    // Entries advance the bar; skipped paths are named; moved data fills the second bar.
    ProgressObserver observer();
    // Writes a line of its own below the bars.
    void say(const std::string& line);
    // Marks the run as one that left something out: its exit status is 1.
    void fail() { failed_ = true; }
    void finish();
    int status() const;

private:
    ProgressBar bar_;
    std::optional<ProgressBar> moving_;
    bool failed_ = false;
};

} // namespace tessel::cli
