#include "compare_queue.h"

#include "positioned_io.h"
#include "worker_pool.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessel {

namespace {

constexpr std::size_t kCompareChunk = 256 * 1024;
constexpr std::size_t kMostOpen = 64;
constexpr std::size_t kMostQueued = 1024;

// Whether the file holds exactly the bytes of the package at the offset.
bool SameBytes(int packageFd, std::int64_t offset, int fileFd, std::int64_t size) {
    // Kept from call to call: made for each file, the buffers' zeroing and page faults cost
    // as much as the reads.
    thread_local std::vector<char> ours(kCompareChunk), theirs(kCompareChunk);
    for (std::int64_t done = 0; done < size;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(size - done, kCompareChunk));
        const IoResult a = ReadAt(packageFd, ours.data(), want, offset + done);
        const IoResult b = ReadAt(fileFd, theirs.data(), want, done);
        if (a.done != want || b.done != want || std::memcmp(ours.data(), theirs.data(), want) != 0)
            return false;
        done += static_cast<std::int64_t>(want);
    }
    return true;
}

} // namespace

CompareQueue::CompareQueue(int packageFd, Answer answer)
    : packageFd_(packageFd), answer_(std::move(answer)) {}

CompareQueue::~CompareQueue() {
    StopHelpers(mutex_, changed_, stopping_, threads_);
}

bool CompareQueue::idle() const {
    // Only the caller's thread adds to the queue or takes from it: no lock is needed to see
    // whether it is empty, and a sync that its index vouches for asks for every file.
    return queue_.empty();
}

void CompareQueue::push(File file) {
    std::unique_lock<std::mutex> lock(mutex_);
    const bool known = file.known;
    open_ += known ? 0 : 1;
    queue_.push_back({std::move(file), known ? State::Same : State::Waiting});
    if (!known && threads_.empty()) {
        const unsigned helpers = std::clamp(std::thread::hardware_concurrency() - 1, 1u, 2u);
        for (unsigned i = 0; i < helpers; ++i)
            threads_.emplace_back([this] { work(); });
    }
    changed_.notify_all();
    answerDone(lock);
    while (open_ >= kMostOpen || queue_.size() >= kMostQueued) {
        if (!compareNext(lock))
            changed_.wait(lock);
        answerDone(lock);
    }
}

void CompareQueue::finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        answerDone(lock);
        if (queue_.empty())
            return;
        if (!compareNext(lock))
            changed_.wait(lock);
    }
}

void CompareQueue::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || next_ < queue_.size(); });
        if (stopping_)
            return;
        compareNext(lock);
    }
}

bool CompareQueue::compareNext(std::unique_lock<std::mutex>& lock) {
    while (next_ < queue_.size() && queue_[next_].state != State::Waiting)
        ++next_;
    if (next_ == queue_.size())
        return false;
    Queued& queued = queue_[next_++];
    queued.state = State::Comparing;
    const File& file = queued.file;
    lock.unlock();
    const bool same = SameBytes(packageFd_, file.node->record()->Offset, file.fd.get(), file.info.st_size);
    lock.lock();
    queued.state = same ? State::Same : State::Differs;
    changed_.notify_all();
    return true;
}

void CompareQueue::answerDone(std::unique_lock<std::mutex>& lock) {
    while (!queue_.empty() &&
           (queue_.front().state == State::Same || queue_.front().state == State::Differs)) {
        Queued done = std::move(queue_.front());
        queue_.pop_front();
        next_ -= next_ > 0 ? 1 : 0;
        open_ -= done.file.known ? 0 : 1;
        lock.unlock();
        done.file.fd = FileDescriptor(); // closed before the answer, which may open the file again
        answer_(done.file, done.state == State::Same);
        lock.lock();
    }
}

} // namespace tessel
