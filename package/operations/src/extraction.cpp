// Writing entries of the open package out to ordinary files and folders.
#include "package.h"

#include "adding.h"
#include "byte_copy.h"
#include "destination.h"
#include "entry_name.h"
#include "entry_path.h"
#include "file_descriptor.h"
#include "file_writers.h"
#include "name_text.h"
#include "package_error.h"
#include "package_file.h"
#include "package_layout.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace tessel {

namespace {

// The package as a run of extraction reads it: opened once, locked against edits for the
// run (an edit would move the bytes under it), and still the file the tree was read from.
PackageFile OpenForReading(const std::string& path, const FileStamp& loaded) {
    PackageFile package = PackageFile::Open(path, FileAccess::Read, FileSharing::SharedRead);
    if (loaded.valid() && package.stamp() != loaded)
        throw PackageChangedError("\"" + FullPath(path) + "\" has changed on disk; open it again");
    return package;
}

// Folders nest at most this deep below a destination: deeper ones are refused before
// anything is written, so that no run makes paths that tools cannot reach.
constexpr std::size_t kDeepestFolders = 1024;

// Writes the entry's bytes as the file of that name in the folder, never through what
// already stands at the name; a failure leaves what was there.
void WriteEntry(const PackageFile& package, const FileStamp& self, int folderFd, const std::string& name,
                std::string_view shownFolder, const EntryRecord& record, bool keepTime) {
    const std::int32_t offset = record.Offset;
    const std::int32_t size = record.Size;
    auto shown = [&] { return ShortPath(std::string(shownFolder) + "/" + name); };
    if (offset < 0 || size < 0)
        throw PackageError("Cannot extract \"" + shown() + "\": its record gives offset " +
                           std::to_string(offset) + " and size " + std::to_string(size) +
                           ", which lie outside \"" + FullPath(package.path()) + "\"");
    NewFileAt file(folderFd, name, shownFolder);
    // Only a name that something stands at can be the package's: a file made there is new.
    struct stat there {};
    if (file.replaces() && ::fstatat(folderFd, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
        there.st_dev == self.device && there.st_ino == self.inode)
        throw PackageError("Cannot extract \"" + shown() + "\": it would replace the package itself");
    // Reserving the blocks first spares the file system a reservation per page written.
    if (size > kCopyBufferSize)
        ::fallocate(file.fd(), FALLOC_FL_KEEP_SIZE, 0, size);
    const CopyResult result = CopyBytes(package.descriptor(), offset, file.fd(), 0, size);
    if (result.writeError != 0)
        throw PackageError(CannotWriteMessage(shown(), result.writeError));
    if (result.readFailed || result.sourceEnded)
        throw PackageError("Cannot extract \"" + shown() + "\": its data at offset " +
                           std::to_string(offset) + " of " + std::to_string(size) +
                           " bytes cannot be read from \"" + FullPath(package.path()) + "\"");
    if (keepTime && record.Timestamp > 0) {
        const timespec when{static_cast<time_t>(UtcSecondsOf(record.Timestamp)), 0};
        const timespec times[2] = {when, when};
        ::futimens(file.fd(), times);
    }
    file.place();
}

// The work of one walk: each node's folder made, a file node handed to the writers, the
// observer told. What was handed over is written before the walk returns, or raises, or is
// cancelled.
class Extractor {
public:
    Extractor(const PackageFile& package, Destination& destination, const ProgressObserver& observer,
              const RunChoices& times, std::int32_t total)
        : package_(package), self_(package.stamp()), destination_(destination), observer_(observer),
          times_(times), total_(total), writers_([this](const FileJob& job) {
              WriteEntry(package_, self_, job.folder->get(), job.name, job.shownFolder, job.record,
                         times_.keepTimes);
          }) {}

    // Visits a node inside the folders of the path (counted from the destination), and
    // goes into it when it is a folder; the root only counts.
    void visit(const TreeNode* node, std::size_t depth) {
        if (node->parent()) {
            RequireSafeName(node);
            if (destination_.depth() != depth) {
                destination_.keep(depth);
                leaveFolder();
            }
            if (node->isFolder()) {
                destination_.enter(NameToUtf8(node->text()));
                leaveFolder();
            } else {
                write(node);
            }
        }
        if (observer_.progress)
            observer_.progress({kExtractingCaption, node, total_, index_, bytes_});
        ++index_;
    }

    void finish() {
        writers_.finish();
        if (observer_.progress)
            observer_.progress({kExtractingCaption, nullptr, total_, index_, bytes_});
    }

private:
    void write(const TreeNode* node) {
        const EntryRecord& record = *node->record();
        const std::string name = NameToUtf8(node->text());
        const int folderFd = destination_.fd();
        bytes_ += record.Size;
        // A path that an earlier entry of this run was written to: two entries of one name.
        const std::size_t path = destination_.hash() * 1099511628211ULL ^ std::hash<std::string>()(name);
        if (written_.count(path)) {
            if (observer_.duplicate && observer_.duplicate(node, shownPath(name)) == ExistingFile::Keep)
                return;
        } else if (keepsExisting(node, folderFd, name)) {
            if (observer_.skipped)
                observer_.skipped(shownPath(name), "a file of that name was kept");
            return;
        }
        if (!folder_) {
            // The destination closes its folders as the walk leaves them: the writers keep
            // their own, a bounded number of them, as the destination does.
            if (++foldersHeld_ > kFoldersHeld) {
                writers_.finish();
                foldersHeld_ = 1;
            }
            folder_ = std::make_shared<const FileDescriptor>(::fcntl(folderFd, F_DUPFD_CLOEXEC, 0));
            if (!folder_->valid())
                throw PackageError(CannotCreateMessage(ShortPath(shownPath(name)), SystemReason(errno)));
            // Folders go to the helpers in turn, so that they share the work evenly; a folder
            // met again by its path goes to the helper it went to, so that two entries of one
            // path are written in turn.
            folderNumber_ = numbers_.try_emplace(destination_.hash(), numbers_.size()).first->second;
        }
        writers_.write({folder_, name, destination_.shown(), record}, folderNumber_);
        written_.insert(path);
    }

    // The files of the folder left are all handed over: their helper may write the last few.
    void leaveFolder() {
        if (!folder_)
            return;
        folder_.reset();
        writers_.flush();
    }

    std::string shownPath(const std::string& name) const { return destination_.shown() + "/" + name; }

    // Whether the caller wants the file already at the entry's place kept. A folder there
    // is no file to keep: the write fails with its own reason.
    bool keepsExisting(const TreeNode* node, int folderFd, const std::string& name) {
        if (!observer_.existing)
            return false;
        struct stat there {};
        if (::fstatat(folderFd, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(there.st_mode))
            return false;
        return observer_.existing(node, shownPath(name)) == ExistingFile::Keep;
    }

    const PackageFile& package_;
    // The package's identity, taken once for the run: no entry may land on it.
    const FileStamp self_;
    Destination& destination_;
    const ProgressObserver& observer_;
    RunChoices times_;
    // The paths written in this run, by their hashes.
    std::unordered_set<std::size_t> written_;
    std::int32_t total_;
    std::int32_t index_ = 0;
    std::int64_t bytes_ = 0;
    // The folder the walk is in, as the writers hold it, and how many folders they may hold
    // since they last finished all they had.
    std::shared_ptr<const FileDescriptor> folder_;
    std::size_t folderNumber_ = 0;
    // Each folder's number in the walk, by the hash of its path.
    std::unordered_map<std::size_t, std::size_t> numbers_;
    static constexpr int kFoldersHeld = 32;
    int foldersHeld_ = 0;
    FileWriters writers_;
};

// Refuses, before anything is written, a walk that would nest folders deeper than a
// destination takes.
void RequireShallow(const TreeNode* top, int baseLevel) {
    for (const TreeNode* node : Subtree(top)) {
        if (node->isFolder() && node->parent() &&
            static_cast<std::size_t>(node->level() - baseLevel) >= kDeepestFolders)
            throw PackageError("Cannot extract \"" + ShortPath(EntryPath(node)) + "\": it lies " +
                               std::to_string(node->level() - baseLevel + 1) +
                               " folders deep, and Tessel extracts at most " +
                               std::to_string(kDeepestFolders));
    }
}

const TreeNode* RootOf(const TreeNode* node) {
    while (node->parent())
        node = node->parent();
    return node;
}

std::int64_t AbsoluteIndex(const TreeNode* node) {
    std::int64_t index = 0;
    for (const TreeNode* walk = RootOf(node); walk != node; walk = walk->next())
        ++index;
    return index;
}

// The folders around a node of a walk from start, counted from start's level (the top
// level for the root): nodes above that level land in the destination itself.
std::size_t DepthBelow(const TreeNode* node, int baseLevel) {
    return static_cast<std::size_t>(std::max(node->level() - baseLevel, 0));
}

} // namespace

void Package::ExtractEntryToFile(const std::string& filePath, std::int32_t offset, std::int32_t size) const {
    const std::size_t slash = filePath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : filePath.substr(0, std::max<std::size_t>(slash, 1));
    const std::string name = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
    const FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.valid())
        throw PackageError(CannotCreateMessage(filePath, SystemReason(errno)));
    const PackageFile package = OpenForReading(path_, stamp_);
    EntryRecord record;
    record.Offset = offset;
    record.Size = size;
    WriteEntry(package, package.stamp(), folderFd.get(), name, folder, record, false);
}

void Package::SendEntries(const std::vector<const TreeNode*>& entries, int fd) const {
    const PackageFile package = OpenForReading(path_, stamp_);
    for (const TreeNode* entry : entries) {
        const EntryRecord* record = entry->record();
        if (!record)
            throw PackageError("\"" + EntryPath(entry) + "\" is a folder, not a file");
        if (DataOutside(*record, package.size()))
            throw PackageError("\"" + EntryPath(entry) + "\" cannot be read: its data at offset " +
                               std::to_string(record->Offset) + " of " + std::to_string(record->Size) +
                               " bytes lies outside \"" + FullPath(path_) + "\"");
        const CopyResult sent = SendBytes(package.descriptor(), record->Offset, fd, record->Size);
        if (sent.writeError != 0)
            throw PackageError("Cannot write \"" + EntryPath(entry) + "\": " + SystemReason(sent.writeError));
        if (sent.readFailed || sent.sourceEnded)
            throw PackageError("\"" + EntryPath(entry) + "\" cannot be read: its data at offset " +
                               std::to_string(record->Offset) + " of " + std::to_string(record->Size) +
                               " bytes lies outside \"" + FullPath(path_) + "\"");
    }
}

void Package::ExtractRange(const std::string& destDir, const TreeNode* start, const TreeNode* stop,
                           const ProgressObserver& observer, const RunChoices& times) const {
    Destination destination(destDir);
    const PackageFile package = OpenForReading(path_, stamp_);
    const std::int64_t total = stop ? AbsoluteIndex(stop) - AbsoluteIndex(start)
                                    : static_cast<std::int64_t>(SubtreeSize(RootOf(start))) + 1;
    const int baseLevel = std::max(start->level(), 1);
    for (const TreeNode* node = start; node && node != stop; node = node->nextAfterSubtree())
        RequireShallow(node, baseLevel);
    Extractor extractor(package, destination, observer, times, static_cast<std::int32_t>(total));
    for (const TreeNode* node = start; node && node != stop; node = node->next())
        extractor.visit(node, DepthBelow(node, baseLevel));
    extractor.finish();
}

void Package::ExtractNodes(const std::string& destDir, const std::vector<const TreeNode*>& nodes,
                           const ProgressObserver& observer, const RunChoices& times) const {
    Destination destination(destDir);
    extractNodes(destination, nodes, observer, times);
}

void Package::ExtractNodes(const OpenFolder& folder, const std::vector<const TreeNode*>& nodes,
                           const ProgressObserver& observer, const RunChoices& times) const {
    Destination destination(folder);
    extractNodes(destination, nodes, observer, times);
}

void Package::extractNodes(Destination& destination, const std::vector<const TreeNode*>& nodes,
                           const ProgressObserver& observer, const RunChoices& times) const {
    const PackageFile package = OpenForReading(path_, stamp_);
    std::int64_t total = 0;
    for (const TreeNode* node : nodes) {
        total += static_cast<std::int64_t>(SubtreeSize(node));
        RequireShallow(node, std::max(node->level(), 1));
    }
    Extractor extractor(package, destination, observer, times, static_cast<std::int32_t>(total));
    for (const TreeNode* node : nodes) {
        const int baseLevel = std::max(node->level(), 1);
        for (const TreeNode* walk : Subtree(node))
            extractor.visit(walk, DepthBelow(walk, baseLevel));
    }
    extractor.finish();
}

} // namespace tessel
