// Writes the files of an extraction on helper threads while the walk goes on. The file
// system's work of making a file is most of the cost of a run of small files, and one thread
// keeps one processor busy; the files of one folder go to one helper, since makers of files
// in one folder wait on that folder's lock. The walk decides what is written and where; the
// helpers only write, in the order given. A file handed over is written before the run ends,
// however it ends, unless a file before it failed. docs/extraction.md tells the whole of it.
#pragma once

#include "file_descriptor.h"
#include "vp_format.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessel {

// One file to write: the entry's bytes as the file of that name in the folder.
struct FileJob {
    std::shared_ptr<const FileDescriptor> folder;
    std::string name;
    std::string shownFolder;
    EntryRecord record;
};

class FileWriters {
public:
    using Write = std::function<void(const FileJob&)>;
    // `write` runs on the helpers; what it raises ends the run.
    explicit FileWriters(Write write);
    // Waits for the files handed over, keeping quiet about their failures.
    ~FileWriters();
    FileWriters(const FileWriters&) = delete;
    FileWriters& operator=(const FileWriters&) = delete;

    // Hands the file to the helper of its folder (given by a number equal for one folder),
    // waiting while that helper has many to write. Raises the failure of any file written so
    // far. A helper is woken once it has a batch of files: a wake-up of another thread for
    // every small file can cost more than the file.
    void write(FileJob job, std::size_t folder);
    // Wakes the helpers for the files they have, however few: the walk leaves a folder.
    void flush();
    // Returns once every file handed over is written; raises the first failure, after which
    // the files not yet begun are not written.
    void finish();

private:
    struct Helper {
        std::deque<FileJob> jobs;
        bool busy = false;
        // Told to write what it has; woken for that, or when the helpers stop.
        bool go = false;
        std::condition_variable wake;
        std::thread thread;
    };
    void work(Helper& helper);
    void raiseFailure();
    // Waits until `ready`, woken by a helper that has done a file and has `wakeAt` or fewer
    // left.
    template <typename Ready>
    void waitUntil(std::unique_lock<std::mutex>& lock, std::size_t wakeAt, Ready ready);

    Write write_;
    std::mutex mutex_;
    // A job was done, while the walk waits for one.
    std::condition_variable done_;
    bool waiting_ = false;
    std::size_t wakeAt_ = 0;
    std::vector<std::unique_ptr<Helper>> helpers_;
    std::exception_ptr failure_;
    bool stopping_ = false;
};

} // namespace tessel
