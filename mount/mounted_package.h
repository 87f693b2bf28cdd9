// A package as a file system, in the file system's own terms: paths, errno values, byte
// ranges. Reads come from the package; files written are kept in scratch files beside it
// until they are closed, then written into the package as edits, several files closed
// close together as one edit. Every edit is the engine's own: before or after, whatever stops
// it.
#pragma once

#include "held_lock.h"
#include "mount_attributes.h"
#include "mount_index.h"
#include "package.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <unordered_map>
#include <vector>

namespace tessel {

class DiskRoom;
class PendingFile;

class MountedPackage {
public:
    // Loads the package and holds it locked (exclusively when writable) until destroyed.
    // What cannot be shown is said through `note`, once.
    MountedPackage(const std::string& packagePath, bool writable,
                   const std::function<void(const std::string&)>& note);
    // Writes what is still waiting, then lets the package go.
    ~MountedPackage();
    MountedPackage(const MountedPackage&) = delete;
    MountedPackage& operator=(const MountedPackage&) = delete;

    // Starts writing closed files into the package; until then (a process that is yet to
    // go into the background) only the calls themselves do.
    void start();

    bool writable() const { return writable_; }
    // What a read-only mount shows, which never changes while it is mounted.
    const MountIndex& shown() const { return index_; }
    int packageDescriptor() const { return lock_->descriptor(); }
    const std::string& packagePath() const { return package_.path(); }

    // Each returns 0 or a negated errno value, as the file system's calls do.
    int attributes(const std::string& path, MountAttributes& attributes);
    // Of an open file, by its handle.
    int attributes(std::uint64_t handle, MountAttributes& attributes);
    int list(const std::string& path,
             const std::function<void(const std::string& name, const MountAttributes&)>& each);
    // An open of an existing file; the handle names it for the calls that follow.
    int open(const std::string& path, int flags, std::uint64_t& handle);
    int create(const std::string& path, std::uint64_t& handle);
    // Bytes read, or a negated errno value.
    long read(const std::string& path, std::uint64_t handle, char* buffer, std::size_t size, off_t offset);
    long write(std::uint64_t handle, const char* buffer, std::size_t size, off_t offset);
    int truncate(const std::string& path, std::uint64_t handle, off_t size);
    int setModified(const std::string& path, std::int64_t seconds);
    // Written now, when the file has changed since its last edit.
    int sync(std::uint64_t handle);
    int release(std::uint64_t handle);
    int unlink(const std::string& path);
    int makeFolder(const std::string& path);
    int removeFolder(const std::string& path);
    int rename(const std::string& from, const std::string& to, bool mayReplace);
    // Writes every closed file that waits: when this returns, they are in the package.
    void flushClosed();

    // Lets the calling thread make calls that read package bytes without waiting: false
    // while an edit runs. Until it lets go, its calls do not take the lock themselves.
    bool holdBytes();
    void letGoOfBytes();

private:
    using Lock = std::unique_lock<std::mutex>;
    // Kept by calls that read package bytes, unless the thread holds them already.
    std::shared_lock<std::shared_mutex> readingBytes();
    int checkNewName(const std::string& path, const std::string& except = {}) const;
    std::shared_ptr<PendingFile> pendingAt(const std::string& path) const;
    void addPending(const std::shared_ptr<PendingFile>& file);
    void dropPending(const std::string& path);
    // Whether a pending file lies somewhere below the folder.
    bool pendingInside(const std::string& folder) const;
    // Puts the file in the queue for the committer, once; with the view locked.
    void queueClosed(const std::shared_ptr<PendingFile>& file);
    // Writes the files given, or each alone when together they fail; those that still fail
    // are named through the note with where their bytes are kept.
    void writeFiles(const std::vector<std::shared_ptr<PendingFile>>& files);
    // Runs an edit of the package with the closed files written first, then shows its result.
    int edit(const std::function<int()>& change);
    void refreshIndex();
    // The disk room an edit needs beyond the new bytes.
    std::int64_t editRoom() const;
    void commitLoop();
    int fillFromPackage(PendingFile& file);
    std::shared_ptr<PendingFile> newPending(const std::string& path);

    bool writable_;
    std::function<void(const std::string&)> note_;
    Package package_;
    std::unique_ptr<HeldLock> lock_;
    std::string scratch_;
    std::unique_ptr<DiskRoom> room_;
    // Edits hold it alone; reads of package bytes share it.
    std::shared_mutex data_;
    // The index and the pending files.
    mutable std::mutex view_;
    // Files being written into the package are done.
    std::condition_variable changed_;
    // The queue of closed files is no longer empty, or the mount ends.
    std::condition_variable queued_;
    MountIndex index_;
    std::map<std::string, std::shared_ptr<PendingFile>> pending_;
    // How many pending files each folder has of a name, however cased.
    std::unordered_map<std::string, int> pendingNames_;
    std::map<std::uint64_t, std::shared_ptr<PendingFile>> handles_;
    std::vector<std::shared_ptr<PendingFile>> closed_;
    std::uint64_t nextHandle_ = 1;
    std::uint64_t nextScratch_ = 0;
    // The bytes pending files hold in memory.
    std::atomic<std::int64_t> held_{0};
    bool stopping_ = false;
    // A file could not be written: the scratch folder stays.
    bool kept_ = false;
    std::thread committer_;
};

} // namespace tessel
