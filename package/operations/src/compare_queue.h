// Files of their entries' sizes compared byte for byte with the entries on helper threads
// while the walk of a sync goes on. Compared in batches on the walking thread, each batch
// stopped the walk, and the walk's opens and stats left processors idle in turn. Files are
// answered in the order they came, which is the order of the walk that the sync's index keeps.
#pragma once

#include "file_descriptor.h"
#include "folder_tree.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace tessel {

class CompareQueue {
public:
    struct File {
        FileDescriptor fd; // not open for a file known to hold the entry's bytes
        struct stat info;
        TreeNode* node;
        std::string diskPath;
        std::string relative;
        bool known;
    };
    // Hears each file, in the order they were queued, with whether it holds its entry's bytes.
    using Answer = std::function<void(File& file, bool same)>;

    CompareQueue(int packageFd, Answer answer);
    ~CompareQueue();
    CompareQueue(const CompareQueue&) = delete;
    CompareQueue& operator=(const CompareQueue&) = delete;

    // Whether every file queued has been answered: a known file is then answered at once.
    bool idle() const;
    // Queues the file; answers the files before it that are done. Past a few files held open,
    // or many queued, the caller compares files itself until the queue has shrunk.
    void push(File file);
    // Answers every file queued.
    void finish();

private:
    enum class State : char { Waiting, Comparing, Same, Differs };
    struct Queued {
        File file;
        State state;
    };

    void work();
    // Compares the first file not yet begun; false when there is none.
    bool compareNext(std::unique_lock<std::mutex>& lock);
    void answerDone(std::unique_lock<std::mutex>& lock);

    int packageFd_;
    Answer answer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Queued> queue_; // element references stay valid while others come and go
    std::size_t next_ = 0;     // the first of the queue not yet begun
    std::size_t open_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_; // started with the first file to compare
};

} // namespace tessel
