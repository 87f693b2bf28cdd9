// A tree of disk folders listed, and the statuses of their files taken, on helper threads
// ahead of a walk that visits them. A sync that its index vouches for does little else than
// list and stat, and each call waits on the file system: on the walking thread alone, with a
// few helpers woken for each folder, most of the processors idle.
#pragma once

#include "file_descriptor.h"
#include "source_folders.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tessel {

// What fstatat says of a listed entry that may be a file, following a link as adding does.
struct EntryStatus {
    bool known = false;
    struct stat info {};
};

struct FolderListing {
    std::vector<FolderEntry> entries;
    std::vector<EntryStatus> statuses; // one for each entry
};

class FolderLookahead {
public:
    explicit FolderLookahead(int topFd);
    ~FolderLookahead();
    FolderLookahead(const FolderLookahead&) = delete;
    FolderLookahead& operator=(const FolderLookahead&) = delete;

    // The listing of the folder at the path below the top ("" for the top), which the caller
    // has open: the helpers' when they have reached it or are at it, made here otherwise.
    // Raises a PackageError with the reason when it cannot be listed.
    FolderListing take(const std::string& relative, int fd);

private:
    // A folder still to list: its name inside a parent that stays open while its children wait.
    struct Pending {
        std::shared_ptr<const FileDescriptor> parent;
        std::string name;
        std::string relative;
    };

    void work();
    // Lists and stats the open folder; queues the real folders inside it (never links, which
    // the walk follows itself).
    FolderListing list(const std::string& relative, std::shared_ptr<const FileDescriptor> folder);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Pending> stack_; // the next to list on top, so that the helpers go depth first
    std::unordered_set<std::string> busy_;
    std::unordered_map<std::string, FolderListing> ready_;
    // Entries listed and not yet taken: past a bound the helpers wait, so that a walk that
    // leaves folders out holds no more than that.
    std::size_t held_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace tessel
