#include "folder_lookahead.h"

#include "worker_pool.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <optional>

namespace tessel {

namespace {

constexpr std::size_t kMostHeld = 1 << 16;

} // namespace

FolderLookahead::FolderLookahead(int topFd) {
    auto top = std::make_shared<const FileDescriptor>(::fcntl(topFd, F_DUPFD_CLOEXEC, 0));
    if (!top->valid())
        return; // the walk lists every folder itself
    stack_.push_back({std::move(top), ".", ""});
    const std::size_t helpers = std::clamp(std::thread::hardware_concurrency(), 1u, 3u);
    for (std::size_t i = 0; i < helpers; ++i)
        threads_.emplace_back([this] { work(); });
}

FolderLookahead::~FolderLookahead() {
    StopHelpers(mutex_, changed_, stopping_, threads_);
}

void FolderLookahead::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || (!stack_.empty() && held_ < kMostHeld); });
        if (stopping_)
            return;
        Pending next = std::move(stack_.back());
        stack_.pop_back();
        busy_.insert(next.relative);
        lock.unlock();
        std::optional<FolderListing> listing;
        const auto folder = std::make_shared<const FileDescriptor>(
            ::openat(next.parent->get(), next.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        next.parent.reset();
        try {
            if (folder->valid())
                listing = list(next.relative, folder);
        } catch (const std::exception&) {
            // The walk lists it again and says why it cannot.
        }
        lock.lock();
        busy_.erase(next.relative);
        if (listing) {
            held_ += listing->entries.size();
            ready_.emplace(std::move(next.relative), std::move(*listing));
        }
        changed_.notify_all();
    }
}

FolderListing FolderLookahead::list(const std::string& relative,
                                    std::shared_ptr<const FileDescriptor> folder) {
    FolderListing listing;
    listing.entries = ListEntries(folder->get());
    listing.statuses.resize(listing.entries.size());
    std::vector<Pending> inside;
    for (std::size_t i = 0; i < listing.entries.size(); ++i) {
        const FolderEntry& entry = listing.entries[i];
        if (entry.type == DT_DIR) {
            inside.push_back(
                {folder, entry.name, relative.empty() ? entry.name : relative + "/" + entry.name});
        } else if (entry.type == DT_REG || entry.type == DT_LNK || entry.type == DT_UNKNOWN) {
            EntryStatus& status = listing.statuses[i];
            status.known = ::fstatat(folder->get(), entry.name.c_str(), &status.info, 0) == 0 &&
                           S_ISREG(status.info.st_mode);
        }
    }
    if (!inside.empty()) {
        const std::lock_guard<std::mutex> lock(mutex_);
        // The walk visits a folder's folders in listing order: the first of them on top.
        std::move(inside.rbegin(), inside.rend(), std::back_inserter(stack_));
        changed_.notify_all();
    }
    return listing;
}

FolderListing FolderLookahead::take(const std::string& relative, int fd) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (const auto found = ready_.find(relative); found != ready_.end()) {
                FolderListing listing = std::move(found->second);
                ready_.erase(found);
                held_ -= listing.entries.size();
                changed_.notify_all();
                return listing;
            }
            if (!busy_.count(relative))
                break;
            changed_.wait(lock);
        }
        // Not reached yet: listed here, so that no helper lists it again.
        const auto queued = std::find_if(stack_.begin(), stack_.end(), [&](const Pending& pending) {
            return pending.relative == relative;
        });
        if (queued != stack_.end())
            stack_.erase(queued);
    }
    auto own = std::make_shared<const FileDescriptor>(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (own->valid())
        return list(relative, std::move(own));
    FolderListing listing{ListEntries(fd), {}};
    listing.statuses.resize(listing.entries.size());
    return listing;
}

} // namespace tessel
