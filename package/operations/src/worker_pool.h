// A few threads that share out a loop with the thread that runs it: for work that waits on the
// file system call by call, where starting a thread for each batch would cost more than the
// batch.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tessel {

// Ends helper threads that wait on `wake` until `stopping`: sets it under the lock, wakes
// them all, and waits for each to return.
void StopHelpers(std::mutex& mutex, std::condition_variable& wake, bool& stopping,
                 std::vector<std::thread>& threads);

class WorkerPool {
public:
    // Helpers beside the caller: one fewer than the processors, at most `most`.
    explicit WorkerPool(std::size_t most);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Calls job(i) for each i below count, on the helpers and the caller, and returns when all
    // calls have returned. The job must not throw.
    void forEach(std::size_t count, const std::function<void(std::size_t)>& job);

private:
    void work();
    // Takes the next index of the current loop and runs it; false when none is left.
    bool runOne(std::unique_lock<std::mutex>& lock);

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    const std::function<void(std::size_t)>* job_ = nullptr;
    std::size_t next_ = 0;
    std::size_t count_ = 0;
    std::size_t running_ = 0;
    bool stopping_ = false;
};

} // namespace tessel
