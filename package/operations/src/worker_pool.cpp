#include "worker_pool.h"

#include <algorithm>

namespace tessel {

WorkerPool::WorkerPool(std::size_t most) {
    const std::size_t processors = std::max(1u, std::thread::hardware_concurrency());
    for (std::size_t i = 0; i + 1 < std::min(processors, most + 1); ++i)
        threads_.emplace_back([this] { work(); });
}

void StopHelpers(std::mutex& mutex, std::condition_variable& wake, bool& stopping,
                 std::vector<std::thread>& threads) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& thread : threads)
        thread.join();
}

WorkerPool::~WorkerPool() {
    StopHelpers(mutex_, wake_, stopping_, threads_);
}

bool WorkerPool::runOne(std::unique_lock<std::mutex>& lock) {
    if (!job_ || next_ >= count_)
        return false;
    const std::size_t index = next_++;
    const auto* job = job_;
    ++running_;
    lock.unlock();
    (*job)(index);
    lock.lock();
    if (--running_ == 0 && next_ >= count_)
        finished_.notify_all();
    return true;
}

void WorkerPool::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (!runOne(lock))
            wake_.wait(lock);
    }
}

void WorkerPool::forEach(std::size_t count, const std::function<void(std::size_t)>& job) {
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = &job;
    next_ = 0;
    count_ = count;
    if (!threads_.empty())
        wake_.notify_all();
    while (runOne(lock)) {
    }
    finished_.wait(lock, [this] { return running_ == 0; });
    job_ = nullptr;
}

} // namespace tessel
