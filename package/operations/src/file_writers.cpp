#include "file_writers.h"

#include <algorithm>
#include <utility>

namespace tessel {

namespace {

// Files handed to one helper and not yet written: enough for a folder of many files while
// the other helpers take the next folders, few enough that a cancelled run ends soon.
constexpr std::size_t kAhead = 256;
constexpr std::size_t kBatch = 16;
constexpr unsigned kMostHelpers = 4;

} // namespace

FileWriters::FileWriters(Write write) : write_(std::move(write)) {
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < std::min(processors, kMostHelpers); ++i)
        helpers_.push_back(std::make_unique<Helper>());
}

FileWriters::~FileWriters() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    for (const auto& helper : helpers_) {
        helper->wake.notify_one();
        if (helper->thread.joinable())
            helper->thread.join();
    }
}

template <typename Ready>
void FileWriters::waitUntil(std::unique_lock<std::mutex>& lock, std::size_t wakeAt, Ready ready) {
    while (!ready()) {
        waiting_ = true;
        wakeAt_ = wakeAt;
        done_.wait(lock);
        waiting_ = false;
    }
}

void FileWriters::raiseFailure() {
    if (failure_)
        std::rethrow_exception(failure_);
}

void FileWriters::write(FileJob job, std::size_t folder) {
    Helper& helper = *helpers_[folder % helpers_.size()];
    std::unique_lock lock(mutex_);
    // Woken once the helper is halfway down its files, not for each one it writes.
    waitUntil(lock, kAhead / 2, [&] { return failure_ || helper.jobs.size() < kAhead; });
    raiseFailure();
    helper.jobs.push_back(std::move(job));
    if (!helper.thread.joinable())
        helper.thread = std::thread([this, &helper] { work(helper); });
    if (helper.jobs.size() >= kBatch && !helper.go) {
        helper.go = true;
        helper.wake.notify_one();
    }
}

void FileWriters::flush() {
    const std::lock_guard lock(mutex_);
    for (const auto& helper : helpers_) {
        if (!helper->jobs.empty() && !helper->go) {
            helper->go = true;
            helper->wake.notify_one();
        }
    }
}

void FileWriters::finish() {
    flush();
    std::unique_lock lock(mutex_);
    waitUntil(lock, 0, [&] {
        return failure_ || std::all_of(helpers_.begin(), helpers_.end(), [](const auto& helper) {
                   return helper->jobs.empty() && !helper->busy;
               });
    });
    raiseFailure();
}

void FileWriters::work(Helper& helper) {
    std::unique_lock lock(mutex_);
    for (;;) {
        // With nothing left it waits to be told again, for a batch or a flush.
        if (helper.jobs.empty())
            helper.go = false;
        helper.wake.wait(lock, [&] { return stopping_ || (helper.go && !helper.jobs.empty()); });
        if (helper.jobs.empty())
            return;
        if (failure_) {
            // What was not begun is not written once a file has failed.
            helper.jobs.clear();
            if (waiting_)
                done_.notify_one();
            continue;
        }
        const FileJob job = std::move(helper.jobs.front());
        helper.jobs.pop_front();
        helper.busy = true;
        lock.unlock();
        std::exception_ptr failed;
        try {
            write_(job);
        } catch (...) {
            failed = std::current_exception();
        }
        lock.lock();
        helper.busy = false;
        if (failed && !failure_)
            failure_ = failed;
        if (waiting_ && (failure_ || helper.jobs.size() <= wakeAt_))
            done_.notify_one();
    }
}

} // namespace tessel
