// A one-line progress report on standard error while a long command runs: items done of
// the total, bytes, and the rate. Silent when standard error is not a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

#include "adding.h"

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
    bool finished_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

// "1.5 GiB", "12.0 KiB", "900 B".
std::string ByteText(double bytes);

} // namespace tessel::cli
