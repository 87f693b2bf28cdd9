#include "progress_bar.h"

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

bool ProgressBar::Shown() {
    return ::isatty(STDERR_FILENO) == 1;
}

ProgressBar::ProgressBar(std::string verb, std::int64_t totalItems, std::int64_t totalBytes)
    : verb_(std::move(verb)), totalItems_(totalItems), totalBytes_(totalBytes), enabled_(Shown()),
      start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

ProgressBar::~ProgressBar() {
    if (enabled_ && !finished_)
        std::fputc('\n', stderr);
}

void ProgressBar::advance(std::int64_t items, std::int64_t bytes) {
    items_ += items;
    bytes_ += bytes;
    draw(false);
}

void ProgressBar::finish() {
    draw(true);
    if (enabled_ && !finished_)
        std::fputc('\n', stderr);
    finished_ = true;
}

void ProgressBar::clearLine() {
    if (enabled_ && !finished_)
        std::fprintf(stderr, "\r\033[K");
}

void ProgressBar::draw(bool force) {
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval)
        return;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double share = totalItems_ > 0 ? double(items_) / double(totalItems_) : 1.0;
    const int filled = static_cast<int>(share * kBarWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, ' ');
    const std::string rate = seconds > 0 ? ByteText(double(bytes_) / seconds) + "/s" : "";
    std::fprintf(stderr, "\r%s [%s] %lld/%lld entries  %s of %s  %s\033[K", verb_.c_str(), bar.c_str(),
                 static_cast<long long>(items_), static_cast<long long>(totalItems_),
                 ByteText(double(bytes_)).c_str(), ByteText(double(totalBytes_)).c_str(), rate.c_str());
    std::fflush(stderr);
}

} // namespace tessel::cli
