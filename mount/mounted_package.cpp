#include "mounted_package.h"

#include "disk_room.h"
#include "mount_paths.h"
#include "pending_file.h"
#include "request_loop.h"

#include "entry_name.h"
#include "file_descriptor.h"
#include "package_error.h"
#include "positioned_io.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tessel {

namespace {

constexpr std::size_t kNameLimit = 31;

// Whether this thread holds the package's bytes from edits, for the call it is making.
thread_local bool tHoldsBytes = false;

// Pending files of one folder whose names are the same but for case share it.
std::string NameKeyOf(const std::string& path) {
    return FolderOf(path) + '/' + EntryNameKey(NameOf(path));
}

MountAttributes AttributesOf(const PendingFile& file) {
    return {false, file.size(), file.modified()};
}

} // namespace

MountedPackage::MountedPackage(const std::string& packagePath, bool writable,
                               const std::function<void(const std::string&)>& note)
    : writable_(writable), note_(note) {
    if (writable) {
        // Held first, so that an edit cut short is finished under the mount's own lock.
        lock_ = std::make_unique<HeldLock>(packagePath, FileSharing::Exclusive);
        package_.LoadPackage(packagePath);
        if (!package_.readOnlyReason().empty())
            throw PackageError("Cannot mount \"" + FullPath(packagePath) +
                               "\" for writing: " + package_.readOnlyReason());
    } else {
        package_.LoadPackage(packagePath);
        lock_ = std::make_unique<HeldLock>(packagePath, FileSharing::SharedRead);
        if (StampOf(package_.path()) != package_.stamp())
            package_.LoadPackage(packagePath);
    }
    std::vector<std::string> leftOut;
    index_ = MountIndex(package_, &leftOut);
    for (const std::string& line : leftOut)
        note_(line);
    if (!writable)
        return;
    const std::string& real = package_.path();
    scratch_ = FolderOf(real) + "/." + NameOf(real) + ".mount-scratch";
    // Only a mount of this package writes here, and it holds the package alone: what is
    // left is from a mount that was stopped, and its files never reached the package.
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
    if (::mkdir(scratch_.c_str(), 0700) != 0)
        throw PackageError(CannotMakeFolderMessage(scratch_, SystemReason(errno)));
    room_ = std::make_unique<DiskRoom>(scratch_);
}

void MountedPackage::start() {
    if (writable_ && !committer_.joinable())
        committer_ = HelperThread([this] { commitLoop(); });
}

MountedPackage::~MountedPackage() {
    if (committer_.joinable()) {
        {
            const Lock lock(view_);
            stopping_ = true;
        }
        queued_.notify_all();
        committer_.join();
        {
            // Files still open when the mount ends are written as they stand.
            const Lock lock(view_);
            for (auto& [path, file] : pending_) {
                if (file->writers > 0 && file->dirty && !file->removed)
                    queueClosed(file);
            }
        }
        flushClosed();
        if (!kept_) {
            std::error_code ignored;
            std::filesystem::remove_all(scratch_, ignored);
        }
    }
}

bool MountedPackage::holdBytes() {
    if (!data_.try_lock_shared())
        return false;
    tHoldsBytes = true;
    return true;
}

void MountedPackage::letGoOfBytes() {
    tHoldsBytes = false;
    data_.unlock_shared();
}

std::shared_lock<std::shared_mutex> MountedPackage::readingBytes() {
    return tHoldsBytes ? std::shared_lock(data_, std::defer_lock) : std::shared_lock(data_);
}

bool MountedPackage::pendingInside(const std::string& folder) const {
    const auto inside = pending_.lower_bound(folder + "/");
    return inside != pending_.end() && inside->first.starts_with(folder + "/");
}

void MountedPackage::queueClosed(const std::shared_ptr<PendingFile>& file) {
    if (std::find(closed_.begin(), closed_.end(), file) != closed_.end())
        return;
    closed_.push_back(file);
    // The committer looks at the queue again after each edit: only an empty queue has it
    // waiting, and waking it for every file would cost a wake-up of another thread each.
    if (closed_.size() == 1)
        queued_.notify_one();
}

std::shared_ptr<PendingFile> MountedPackage::pendingAt(const std::string& path) const {
    const auto found = pending_.find(path);
    return found == pending_.end() ? nullptr : found->second;
}

int MountedPackage::attributes(const std::string& path, MountAttributes& attributes) {
    const Lock lock(view_);
    if (const auto file = pendingAt(path)) {
        attributes = AttributesOf(*file);
        return 0;
    }
    const MountItem* item = index_.find(path);
    if (!item)
        return -ENOENT;
    attributes = AttributesOf(*item);
    return 0;
}

int MountedPackage::attributes(std::uint64_t handle, MountAttributes& attributes) {
    const Lock lock(view_);
    const auto found = handles_.find(handle);
    if (found == handles_.end())
        return -ENOENT;
    attributes = AttributesOf(*found->second);
    return 0;
}

int MountedPackage::list(const std::string& path,
                         const std::function<void(const std::string& name, const MountAttributes&)>& each) {
    const Lock lock(view_);
    const MountItem* folder = index_.find(path);
    if (!folder)
        return -ENOENT;
    if (!folder->folder)
        return -ENOTDIR;
    const std::string prefix = path == "/" ? "/" : path + "/";
    for (const std::uint32_t number : folder->children) {
        const MountItem& child = index_.item(number);
        const auto file = pending_.empty() ? nullptr : pendingAt(prefix + child.name);
        each(child.name, file ? AttributesOf(*file) : AttributesOf(child));
    }
    for (auto at = pending_.lower_bound(prefix); at != pending_.end() && at->first.starts_with(prefix);
         ++at) {
        const std::string name = at->first.substr(prefix.size());
        if (name.find('/') == std::string::npos && !index_.find(at->first))
            each(name, AttributesOf(*at->second));
    }
    return 0;
}

void MountedPackage::addPending(const std::shared_ptr<PendingFile>& file) {
    pending_[file->path()] = file;
    ++pendingNames_[NameKeyOf(file->path())];
}

void MountedPackage::dropPending(const std::string& path) {
    if (pending_.erase(path) == 0)
        return;
    const auto named = pendingNames_.find(NameKeyOf(path));
    if (--named->second == 0)
        pendingNames_.erase(named);
}

int MountedPackage::checkNewName(const std::string& path, const std::string& except) const {
    const MountItem* folder = index_.find(FolderOf(path));
    if (!folder)
        return -ENOENT;
    if (!folder->folder)
        return -ENOTDIR;
    const std::string name = NameOf(path);
    if (name.size() > kNameLimit)
        return -ENAMETOOLONG;
    if (!NewNameProblem(name).empty())
        return -EINVAL;
    const std::string prefix = FolderOf(path) == "/" ? "/" : FolderOf(path) + "/";
    if (const auto [count, other] = index_.childrenNamedLike(*folder, name);
        count > 1 || (other && prefix + other->name != except))
        return -EEXIST;
    const auto named = pendingNames_.find(NameKeyOf(path));
    if (named == pendingNames_.end())
        return 0;
    const int exception = pendingAt(except) && NameKeyOf(except) == named->first ? 1 : 0;
    return named->second > exception ? -EEXIST : 0;
}

int MountedPackage::create(const std::string& path, std::uint64_t& handle) {
    if (!writable_)
        return -EROFS;
    const Lock lock(view_);
    if (const int error = checkNewName(path))
        return error;
    auto file = newPending(path);
    file->writers = 1;
    file->dirty = true;
    addPending(file);
    handle = nextHandle_++;
    handles_[handle] = file;
    return 0;
}

int MountedPackage::fillFromPackage(PendingFile& file) {
    const MountItem* item = index_.find(file.path());
    if (!item->readable)
        return -EIO;
    return file.fillFrom(lock_->descriptor(), item->offset, item->size);
}

std::shared_ptr<PendingFile> MountedPackage::newPending(const std::string& path) {
    return std::make_shared<PendingFile>(
        path, scratch_ + "/" + std::to_string(nextScratch_++) + "." + NameOf(path), held_);
}

int MountedPackage::open(const std::string& path, int flags, std::uint64_t& handle) {
    const bool writes = (flags & O_ACCMODE) != O_RDONLY;
    if (writes && !writable_)
        return -EROFS;
    // Package bytes may be copied into a scratch file: no edit may move them meanwhile.
    const auto data = readingBytes();
    Lock lock(view_);
    std::shared_ptr<PendingFile> file = pendingAt(path);
    // A file being written into the package is opened once its edit is done.
    while (file && file->committing) {
        changed_.wait(lock);
        file = pendingAt(path);
    }
    if (!file) {
        const MountItem* item = index_.find(path);
        if (!item)
            return -ENOENT;
        if (item->folder)
            return writes ? -EISDIR : 0;
        if (!writes) {
            handle = 0;
            return 0;
        }
        if (const int error = checkNewName(path, path))
            return error;
        file = newPending(path);
        if (!(flags & O_TRUNC)) {
            if (const int error = fillFromPackage(*file))
                return error;
        }
        addPending(file);
    }
    if (writes) {
        ++file->writers;
        closed_.erase(std::remove(closed_.begin(), closed_.end(), file), closed_.end());
        if (flags & O_TRUNC) {
            if (const int error = file->truncate(0))
                return error;
            file->dirty = true;
        }
    }
    handle = nextHandle_++;
    handles_[handle] = file;
    return 0;
}

long MountedPackage::read(const std::string& path, std::uint64_t handle, char* buffer, std::size_t size,
                          off_t offset) {
    {
        const Lock lock(view_);
        const auto found = handles_.find(handle);
        if (found != handles_.end())
            return found->second->read(buffer, size, offset);
    }
    const auto data = readingBytes();
    MountItem item;
    {
        const Lock lock(view_);
        if (const auto pending = pendingAt(path))
            return pending->read(buffer, size, offset);
        const MountItem* found = index_.find(path);
        if (!found)
            return -ENOENT;
        if (found->folder)
            return -EISDIR;
        item = *found;
    }
    if (!item.readable)
        return -EIO;
    if (offset >= item.size)
        return 0;
    const auto count =
        static_cast<std::size_t>(std::min<std::int64_t>(std::int64_t(size), item.size - offset));
    const IoResult result = ReadAt(lock_->descriptor(), buffer, count, item.offset + offset);
    if (result.error != 0)
        return -result.error;
    return result.done == count ? static_cast<long>(count) : -EIO;
}

long MountedPackage::write(std::uint64_t handle, const char* buffer, std::size_t size, off_t offset) {
    Lock lock(view_);
    const auto found = handles_.find(handle);
    if (found == handles_.end() || found->second->writers == 0)
        return -EBADF;
    const std::shared_ptr<PendingFile> file = found->second;
    // The engine reads the bytes while their edit runs (an fsync of a file still open).
    changed_.wait(lock, [&] { return !file->committing; });
    // Bytes that the disk could not take with the package's edit are refused now, where the
    // writer hears it, not later in an edit that would fail.
    const std::int64_t growth =
        std::max<std::int64_t>(0, std::int64_t(offset) + std::int64_t(size) - file->size());
    if (growth > 0 && !room_->takes(growth, held_ + editRoom()))
        return -ENOSPC;
    file->dirty = true;
    return file->write(buffer, size, offset);
}

int MountedPackage::truncate(const std::string& path, std::uint64_t handle, off_t size) {
    if (!writable_)
        return -EROFS;
    std::uint64_t own = 0;
    const bool opened = handle == 0;
    if (opened) {
        if (const int error = open(path, size == 0 ? O_WRONLY | O_TRUNC : O_WRONLY, own))
            return error;
        handle = own;
    }
    int result = 0;
    {
        const Lock lock(view_);
        const auto found = handles_.find(handle);
        if (found == handles_.end())
            result = -EBADF;
        else if ((result = found->second->truncate(size)) == 0)
            found->second->dirty = true;
    }
    if (opened)
        release(own);
    return result;
}

int MountedPackage::setModified(const std::string& path, std::int64_t seconds) {
    const Lock lock(view_);
    if (const auto file = pendingAt(path)) {
        file->setModified(seconds);
        return 0;
    }
    // A time given to an entry already written is accepted and not kept: it would cost an
    // edit of its own.
    return index_.find(path) ? 0 : -ENOENT;
}

int MountedPackage::release(std::uint64_t handle) {
    const Lock lock(view_);
    const auto found = handles_.find(handle);
    if (found == handles_.end())
        return 0;
    const std::shared_ptr<PendingFile> file = found->second;
    handles_.erase(found);
    if (file->writers == 0 || --file->writers > 0)
        return 0;
    if (file->dirty && !file->removed) {
        queueClosed(file);
    } else if (!file->removed && !file->committing) {
        dropPending(file->path());
    }
    return 0;
}

int MountedPackage::sync(std::uint64_t handle) {
    {
        const Lock lock(view_);
        const auto found = handles_.find(handle);
        if (found == handles_.end() || !found->second->dirty || found->second->removed)
            return 0;
        queueClosed(found->second);
    }
    flushClosed();
    const Lock lock(view_);
    const auto found = handles_.find(handle);
    return found != handles_.end() && found->second->kept ? -EIO : 0;
}

std::int64_t MountedPackage::editRoom() const {
    // An edit writes the directory again and keeps the old one in its journal.
    constexpr std::int64_t kRecord = 44;
    constexpr std::int64_t kSlack = 4 << 20;
    return 2 * kRecord * std::int64_t(index_.size() + pending_.size()) + kSlack;
}

void MountedPackage::writeFiles(const std::vector<std::shared_ptr<PendingFile>>& files) {
    try {
        std::vector<Package::FileWrite> writes;
        for (const auto& file : files)
            writes.push_back(file->toWrite());
        package_.WriteFiles(writes);
        return;
    } catch (const PackageError& error) {
        if (files.size() == 1) {
            PendingFile& file = *files[0];
            const bool kept = file.keepOnDisk();
            kept_ = kept_ || kept;
            note_(
                "Cannot write \"" + file.path().substr(1) + "\" into the package: " + error.what() +
                (kept ? ". Its bytes are kept in \"" + file.scratchPath() + "\" until the next writable mount"
                      : ". Its bytes are lost"));
            return;
        }
    }
    // One bad file should not take the others down with it.
    for (const auto& file : files)
        writeFiles({file});
}

void MountedPackage::refreshIndex() {
    MountIndex fresh(package_, nullptr);
    const Lock lock(view_);
    index_ = std::move(fresh);
}

void MountedPackage::flushClosed() {
    const std::unique_lock data(data_);
    std::vector<std::shared_ptr<PendingFile>> batch;
    {
        const Lock lock(view_);
        batch.swap(closed_);
        for (const auto& file : batch) {
            file->committing = true;
            file->dirty = false;
        }
    }
    if (batch.empty())
        return;
    writeFiles(batch);
    refreshIndex();
    const Lock lock(view_);
    for (const auto& file : batch) {
        file->committing = false;
        if (file->kept) {
            // The failure is told once: what is written to the file from now on goes nowhere.
            file->removed = true;
            if (pendingAt(file->path()) == file)
                dropPending(file->path());
        } else if (file->writers == 0 && pendingAt(file->path()) == file) {
            dropPending(file->path());
        }
    }
    changed_.notify_all();
}

void MountedPackage::commitLoop() {
    for (;;) {
        {
            Lock lock(view_);
            queued_.wait(lock, [this] { return stopping_ || !closed_.empty(); });
            if (stopping_)
                return;
        }
        flushClosed();
    }
}

} // namespace tessel
