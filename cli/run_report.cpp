#include "run_report.h"

#include "commands.h"

#include <cstdio>
#include <utility>

namespace tessel::cli {

RunReport::RunReport(std::string verb, std::int64_t totalItems, std::int64_t totalBytes)
    : bar_(std::move(verb), totalItems, totalBytes) {}

ProgressObserver RunReport::observer() {
    ProgressObserver observer;
    observer.progress = [this](const ProgressEvent& event) {
        if (event.node)
            bar_.advance(1, event.node->record() ? event.node->record()->Size : 0);
    };
    observer.skipped = [this](const std::string& path, const std::string& why) {
        say("skipped \"" + path + "\": " + why);
        fail();
    };
    observer.moved = [this](std::int64_t done, std::int64_t total) {
        if (!moving_) {
            bar_.finish();
            moving_.emplace("moving data", 0, total);
        }
        moving_->advanceTo(done);
    };
    return observer;
}

void RunReport::say(const std::string& line) {
    (moving_ ? *moving_ : bar_).clearLine();
    std::fprintf(stderr, "tessel-vp: %s\n", line.c_str());
}

void RunReport::finish() {
    bar_.finish();
    if (moving_)
        moving_->finish();
}

int RunReport::status() const {
    return failed_ ? kExitFailure : kExitSuccess;
}

} // namespace tessel::cli
