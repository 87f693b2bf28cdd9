#include "progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace tessel::cli {

namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarWidth = 24;
} // namespace

std::string ByteText(double bytes) {
    static const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
    return text;
}

DiskTally TallyEntries(const std::vector<const TreeNode*>& nodes) {
    DiskTally tally;
    for (const TreeNode* node : nodes) {
        for (const TreeNode* walk : Subtree(node)) {
            ++tally.items;
            tally.bytes += walk->record() ? walk->record()->Size : 0;
        }
    }
    return tally;
}

bool ProgressBar::Shown() {
    return ::isatty(STDERR_FILENO) == 1;
}

ProgressBar::ProgressBar(std::string verb, std::int64_t totalItems, std::int64_t totalBytes)
    : verb_(std::move(verb)), totalItems_(totalItems), totalBytes_(totalBytes), enabled_(Shown()),
      start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

ProgressBar::~ProgressBar() {
    if (enabled_ && started_ && !finished_)
        std::fputc('\n', stderr);
}

void ProgressBar::advance(std::int64_t items, std::int64_t bytes) {
    started_ = true;
    items_ += items;
    bytes_ += bytes;
    draw(false);
}

void ProgressBar::finish() {
    if (finished_)
        return;
    draw(true);
    if (enabled_ && started_)
        std::fputc('\n', stderr);
    finished_ = true;
}

void ProgressBar::clearLine() {
    if (enabled_ && started_ && !finished_)
        std::fprintf(stderr, "\r\033[K");
}

void ProgressBar::draw(bool force) {
    if (!enabled_ || !started_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval)
        return;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const std::string rate = seconds > 0 ? ByteText(double(bytes_) / seconds) + "/s" : "";
    if (totalItems_ <= 0 && totalBytes_ <= 0) {
        std::fprintf(stderr, "\r%s %lld entries  %s  %s\033[K", verb_.c_str(), static_cast<long long>(items_),
                     ByteText(double(bytes_)).c_str(), rate.c_str());
        std::fflush(stderr);
        return;
    }
    const double share =
        totalItems_ > 0 ? double(items_) / double(totalItems_) : double(bytes_) / double(totalBytes_);
    const int filled = static_cast<int>(std::min(share, 1.0) * kBarWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, ' ');
    const std::string entries =
        totalItems_ > 0 ? std::to_string(items_) + "/" + std::to_string(totalItems_) + " entries  " : "";
    std::fprintf(stderr, "\r%s [%s] %s%s of %s  %s\033[K", verb_.c_str(), bar.c_str(), entries.c_str(),
                 ByteText(double(bytes_)).c_str(), ByteText(double(totalBytes_)).c_str(), rate.c_str());
    std::fflush(stderr);
}

} // namespace tessel::cli
