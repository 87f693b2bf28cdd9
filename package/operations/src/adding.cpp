// Adding files and folder trees from disk. The files' bytes go where the directory began,
// one after the other, and the directory follows them; a batch of additions is one edit.
#include "adding.h"

#include "directory_buffer.h"
#include "entry_name.h"
#include "file_descriptor.h"
#include "package.h"
#include "package_error.h"
#include "package_writer.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <exception>
#include <memory>
#include <set>
#include <unordered_map>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tessel {

namespace {

// A batch ends, and its directory is written, after this many entries or bytes: the
// directory is written once per batch instead of once per file, and a failure never
// takes back more than one batch.
constexpr std::size_t kBatchEntries = 8192;
constexpr std::int64_t kBatchBytes = std::int64_t(512) << 20;

using FileId = std::pair<dev_t, ino_t>;

// The name after the last "/", trailing separators ignored.
// The name a disk path gets in the package: its last component, that of its resolved path
// when it is "." or ".." (which would read back as a folder's end).
std::string EntryNameOf(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name == "." || name == "..") {
        std::error_code error;
        name = std::filesystem::canonical(path, error).filename().string();
    }
    return name;
}

struct TooLarge : PackageError {
    explicit TooLarge(const std::string& diskPath)
        : PackageError("Cannot add \"" + diskPath +
                       "\": the package would grow beyond 2 GiB, the largest a VP package can be") {}
};

// One run of additions: batches of them, each journaled, appended and committed.
class Adder {
public:
    Adder(Package& package, const ProgressObserver& observer)
        : package_(package), observer_(observer), writer_(package) {
        struct stat info {};
        if (::stat(package.path().c_str(), &info) == 0)
            packageId_ = {info.st_dev, info.st_ino};
        writer_.beginUndo();
        end_ = writer_.dataEnd();
        records_ = DirectoryRecordCount(package.tree());
    }

    void setPath(std::int32_t index, std::int32_t total) {
        index_ = index;
        total_ = total;
    }

    void add(const std::string& diskPath, TreeNode* parent) {
        const std::string name = EntryNameOf(diskPath);
        if (const std::string why = NewNameProblem(name); !why.empty())
            return skip(diskPath, why);
        // Special files are never opened (a device may act on an open); what is opened is
        // opened without waiting and judged again by what was opened, since a FIFO put at
        // the path in between would otherwise hold the open forever.
        struct stat before {};
        if (::stat(diskPath.c_str(), &before) == 0 && !S_ISREG(before.st_mode) && !S_ISDIR(before.st_mode))
            return skip(diskPath, "it is neither a regular file nor a folder");
        const FileDescriptor source(::open(diskPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (!source.valid() || ::fstat(source.get(), &info) != 0) {
            if (errno == ENXIO)
                return skip(diskPath, "it is neither a regular file nor a folder");
            return skip(diskPath, SystemReason(errno));
        }
        TreeNode* existing = namesOf(parent).lookup(name);
        if (S_ISDIR(info.st_mode)) {
            if (existing && existing->isFile())
                return skip(diskPath, "a file of that name is in the package");
            return addFolder(diskPath, name, parent, existing, {info.st_dev, info.st_ino});
        }
        if (!S_ISREG(info.st_mode))
            return skip(diskPath, "it is neither a regular file nor a folder");
        if (FileId{info.st_dev, info.st_ino} == packageId_)
            return skip(diskPath, "it is the package itself");
        if (existing && existing->isFolder())
            return skip(diskPath, "a folder of that name is in the package");
        const NameClash choice = existing && observer_.clash ? observer_.clash(diskPath, existing) : NameClash::KeepBoth;
        if (choice == NameClash::Skip)
            return;
        if (choice == NameClash::Replace)
            return replace(existing, diskPath, source.get(), info.st_size);
        makeRoom(diskPath, info.st_size, 1);
        TreeNode* node =
            package_.tree().appendChild(parent, name, NewEntryRecord(0, 0, LocalTimestampNow(), name));
        added_.push_back(node);
        if (!append(node, source.get(), info.st_size)) {
            package_.tree().remove(node);
            added_.pop_back();
            return skip(diskPath, "it could not be read");
        }
        namesOf(parent).add(node);
        counted(info.st_size);
        report(node, false);
    }

    // Ends the batch under way: its directory written and synced, its journal gone.
    void commit() {
        writer_.commitDirectory(end_);
        added_.clear();
        for (const auto& [node, record] : replaced_)
            formerRecords_.push_back(record);
        replaced_.clear();
        batchBytes_ = 0;
    }

    // Takes back the batch under way, in the file and in the tree.
    void rollback() {
        writer_.rollback();
        for (auto node = added_.rbegin(); node != added_.rend(); ++node)
            package_.tree().remove(*node);
        added_.clear();
        for (auto replaced = replaced_.rbegin(); replaced != replaced_.rend(); ++replaced)
            replaced->first->setRecord(replaced->second);
        replaced_.clear();
        names_.clear();
    }

    // The records that entries had before their bytes were replaced, in batches that were
    // committed: their bytes are no longer used unless another entry shares them.
    const std::vector<EntryRecord>& formerRecords() const { return formerRecords_; }

private:
    // The bytes of a file at the end of the data; false when the disk file could not be
    // read whole (what was written of it is overwritten by the next file or cut).
    bool append(TreeNode* node, int sourceFd, std::int64_t size) {
        PackageFile& file = writer_.file();
        file.seek(end_);
        const CopyResult copied = file.copyFrom(sourceFd, 0, size);
        if (copied.readFailed || copied.sourceEnded)
            return false;
        EntryRecord& record = *node->record();
        record.Offset = static_cast<std::int32_t>(end_);
        record.Size = static_cast<std::int32_t>(size);
        end_ += size;
        return true;
    }

    // Starts a new batch when this one is full, and refuses what would pass 2 GiB (what
    // was added before it is kept).
    void makeRoom(const std::string& diskPath, std::int64_t size, int records) {
        if (added_.size() >= kBatchEntries || batchBytes_ + size > kBatchBytes) {
            commit();
            writer_.beginUndo();
        }
        const std::int64_t directory = (records_ + records + 1) * kDirEntrySize;
        if (size > kLargestPackage || end_ + size + directory > kLargestPackage)
            throw TooLarge(diskPath);
        records_ += records;
    }

    void skip(const std::string& diskPath, const std::string& why) {
        if (observer_.skipped)
            observer_.skipped(diskPath, why);
    }

    void report(const TreeNode* node, bool replaced) {
        if (observer_.progress)
            observer_.progress({kAddingCaption, node, total_, index_, bytes_, replaced});
    }

    void counted(std::int64_t size) {
        bytes_ += size;
        batchBytes_ += size;
    }

    // The entry keeps its place and name; its new bytes go at the end like a new file's.
    void replace(TreeNode* node, const std::string& diskPath, int sourceFd, std::int64_t size) {
        makeRoom(diskPath, size, 0);
        const EntryRecord before = *node->record();
        replaced_.emplace_back(node, before);
        if (!append(node, sourceFd, size)) {
            node->setRecord(before);
            replaced_.pop_back();
            return skip(diskPath, "it could not be read");
        }
        node->record()->Timestamp = LocalTimestampNow();
        counted(size);
        report(node, true);
    }

    // A folder of that name already in the package is added into.
    void addFolder(const std::string& diskPath, const std::string& name, TreeNode* parent, TreeNode* existing,
                   FileId id) {
        if (!entered_.insert(id).second)
            return skip(diskPath, "it was reached again through a link");
        TreeNode* node = existing;
        if (!node) {
            makeRoom(diskPath, 0, 2);
            node = package_.tree().appendChild(parent, name);
            added_.push_back(node);
            namesOf(parent).add(node);
            report(node, false);
        }
        for (const std::string& entry : ListFolderEntries(diskPath))
            add(entry, node);
    }

    // The children of a folder by name, made when the folder is first added to, so that
    // finding a clash costs the same however many entries the folder holds.
    class FolderNames {
    public:
        explicit FolderNames(const TreeNode* folder) {
            for (TreeNode* child = folder->firstChild(); child; child = child->nextSibling())
                add(child);
        }
        // The first child of the folder with that name.
        void add(TreeNode* child) { byName_.emplace(EntryNameKey(child->text()), child); }
        TreeNode* lookup(const std::string& name) const {
            const auto found = byName_.find(EntryNameKey(name));
            return found == byName_.end() ? nullptr : found->second;
        }

    private:
        std::unordered_map<std::string, TreeNode*> byName_;
    };

    FolderNames& namesOf(const TreeNode* folder) {
        auto found = names_.find(folder);
        if (found == names_.end())
            found = names_.emplace(folder, FolderNames(folder)).first;
        return found->second;
    }

    Package& package_;
    const ProgressObserver& observer_;
    PackageWriter writer_;
    FileId packageId_{};
    std::set<FileId> entered_;
    std::vector<TreeNode*> added_;
    std::vector<std::pair<TreeNode*, EntryRecord>> replaced_;
    std::vector<EntryRecord> formerRecords_;
    std::unordered_map<const TreeNode*, FolderNames> names_;
    std::int64_t end_ = 0;
    // The records the directory will hold, kept as entries come instead of counted anew.
    std::int64_t records_ = 0;
    std::int64_t bytes_ = 0;
    std::int64_t batchBytes_ = 0;
    std::int32_t index_ = 0;
    std::int32_t total_ = 0;
};

} // namespace

std::int32_t LocalTimestampNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(now) + local.tm_gmtoff);
}

std::vector<std::string> ListFolderEntries(const std::string& folderPath) {
    std::vector<std::string> entries;
    const std::string base = folderPath.empty() || folderPath.back() != '/' ? folderPath + "/" : folderPath;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(folderPath.c_str()), &::closedir);
    if (!folder)
        return entries;
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back(base + name);
    }
    return entries;
}

std::string ReadWholeFile(const std::string& diskPath) {
    const FileDescriptor source(::open(diskPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!source.valid() || ::fstat(source.get(), &info) != 0)
        throw PackageError(CannotReadMessage(diskPath, errno));
    if (!S_ISREG(info.st_mode))
        throw PackageError("Cannot read \"" + FullPath(diskPath) + "\": it is not a regular file");
    if (info.st_size > kLargestPackage)
        throw TooLarge(diskPath);
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(source.get(), bytes.data() + done, bytes.size() - done, off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw PackageError(CannotReadMessage(diskPath, got < 0 ? errno : EIO));
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

bool Package::AppendFile(TreeNode* node, const std::string& diskPath) {
    const FileDescriptor source(::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!source.valid() || ::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        tree_.remove(node);
        return false;
    }
    try {
        PackageWriter writer(*this);
        writer.beginUndo();
        try {
            PackageFile& file = writer.file();
            const std::int64_t offset = writer.dataEnd();
            if (offset + info.st_size + (DirectoryRecordCount(tree_) + 1) * kDirEntrySize > kLargestPackage)
                throw TooLarge(diskPath);
            file.seek(offset);
            const CopyResult copied = file.copyFrom(source.get(), 0, info.st_size);
            if (copied.readFailed || copied.sourceEnded) {
                writer.rollback();
                tree_.remove(node);
                return false;
            }
            node->record()->Offset = static_cast<std::int32_t>(offset);
            node->record()->Size = static_cast<std::int32_t>(info.st_size);
            writer.commitDirectory(offset + info.st_size);
            return true;
        } catch (...) {
            writer.rollback();
            throw;
        }
    } catch (...) {
        tree_.remove(node);
        throw;
    }
}

void Package::AddPaths(const std::vector<std::string>& diskPaths, TreeNode* parent,
                       const ProgressObserver& observer) {
    std::vector<EntryRecord> formerRecords;
    std::exception_ptr stopped;
    {
        Adder adder(*this, observer);
        try {
            const auto total = static_cast<std::int32_t>(diskPaths.size());
            for (std::int32_t i = 0; i < total; ++i) {
                adder.setPath(i, total);
                adder.add(diskPaths[std::size_t(i)], parent);
            }
            adder.commit();
        } catch (const RunCancelled&) {
            adder.commit();
            stopped = std::current_exception();
        } catch (const TooLarge&) {
            adder.commit();
            stopped = std::current_exception();
        } catch (...) {
            // Bytes replaced in earlier batches stay behind unused: the package is sound,
            // and a file that could not be written is no place for more moving.
            adder.rollback();
            throw;
        }
        formerRecords = adder.formerRecords();
    }
    // The replaced bytes go once the writer of the additions has let the file go.
    if (!formerRecords.empty())
        Compact({}, nullptr, {}, formerRecords);
    if (stopped)
        std::rethrow_exception(stopped);
}

void Package::AddPath(const std::string& diskPath, TreeNode* parent, const ProgressObserver& observer) {
    AddPaths({diskPath}, parent, observer);
}

} // namespace tessel
