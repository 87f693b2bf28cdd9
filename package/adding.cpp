#include "adding.h"

#include "package.h"

#include "directory_buffer.h"
#include "entry_name.h"
#include "file_descriptor.h"
#include "package_error.h"
#include "package_writer.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tessel {

namespace {

using FileId = std::pair<dev_t, ino_t>;

// The name after the last "/", trailing separators ignored.
std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::int64_t DirectoryBytes(const FolderTree& tree, std::int64_t extraRecords) {
    return (DirectoryRecordCount(tree) + extraRecords) * kDirEntrySize;
}

[[noreturn]] void TooLarge(const std::string& diskPath) {
    throw PackageError("Cannot add \"" + diskPath +
                       "\": the package would grow beyond 2 GiB, the largest a VP package can be");
}

enum class Appended { Yes, SourceUnreadable };

// Puts the disk file's bytes where the directory began, sets the node's Offset and Size and
// writes directory and header. When the disk file cannot be read whole, the node is taken
// out and the package is as it was. A failing write to the package is raised, with the
// node taken out and the directory restored.
Appended AppendData(PackageWriter& writer, TreeNode* node, const std::string& diskPath, int sourceFd,
                    std::int64_t size) {
    FolderTree& tree = writer.tree();
    const std::int64_t offset = writer.dataEnd();
    // A folder record and its end may come with it: count generously.
    if (size > kLargestPackage || offset + size + DirectoryBytes(tree, 2) > kLargestPackage) {
        tree.remove(node);
        TooLarge(diskPath);
    }
    EntryRecord& record = *node->record();
    record.Offset = static_cast<std::int32_t>(offset);
    record.Size = static_cast<std::int32_t>(size);
    PackageFile& package = writer.file();
    package.seek(offset);
    CopyResult copied;
    try {
        copied = package.copyFrom(sourceFd, 0, size);
    } catch (const PackageError&) {
        tree.remove(node);
        writer.restoreDirectory(offset);
        throw;
    }
    if (copied.readFailed || copied.sourceEnded) {
        tree.remove(node);
        writer.restoreDirectory(offset);
        return Appended::SourceUnreadable;
    }
    writer.commitDirectory(offset + size);
    return Appended::Yes;
}

class Adder {
public:
    Adder(Package& package, const ProgressObserver& observer) : package_(package), observer_(observer) {
        struct stat info {};
        if (::stat(package.path().c_str(), &info) == 0)
            packageId_ = {info.st_dev, info.st_ino};
    }

    void add(const std::string& diskPath, TreeNode* parent) {
        struct stat info {};
        if (::stat(diskPath.c_str(), &info) != 0)
            return skip(diskPath, SystemReason(errno));
        if (S_ISDIR(info.st_mode))
            return addFolder(diskPath, parent, {info.st_dev, info.st_ino});
        if (!S_ISREG(info.st_mode))
            return skip(diskPath, "it is neither a regular file nor a folder");
        if (FileId{info.st_dev, info.st_ino} == packageId_)
            return skip(diskPath, "it is the package itself");
        const FileDescriptor source(::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC));
        if (!source.valid())
            return skip(diskPath, SystemReason(errno));
        // The package must be writable before the tree gains the node.
        PackageWriter writer(package_);
        const std::string name = BaseName(diskPath);
        TreeNode* node =
            package_.tree().appendChild(parent, name, NewEntryRecord(0, 0, LocalTimestampNow(), name));
        if (AppendData(writer, node, diskPath, source.get(), info.st_size) == Appended::SourceUnreadable)
            return skip(diskPath, "it could not be read");
        bytes_ += info.st_size;
        report(node);
    }

private:
    void skip(const std::string& diskPath, const std::string& why) {
        if (observer_.skipped)
            observer_.skipped(diskPath, why);
    }

    void report(const TreeNode* node) {
        if (observer_.progress)
            observer_.progress({kAddingCaption, node, 0, index_, bytes_});
        ++index_;
    }

    void addFolder(const std::string& diskPath, TreeNode* parent, FileId id) {
        if (!entered_.insert(id).second)
            return skip(diskPath, "it was reached again through a link");
        TreeNode* node = nullptr;
        {
            // Closed again before the entries inside are added, each with its own writer.
            PackageWriter writer(package_);
            if (writer.dataEnd() + DirectoryBytes(package_.tree(), 2) > kLargestPackage)
                TooLarge(diskPath);
            node = package_.tree().appendChild(parent, BaseName(diskPath));
            writer.commitDirectory(writer.dataEnd());
        }
        report(node);
        for (const std::string& entry : ListFolderEntries(diskPath))
            add(entry, node);
    }

    Package& package_;
    const ProgressObserver& observer_;
    FileId packageId_{};
    std::set<FileId> entered_;
    std::int32_t index_ = 0;
    std::int64_t bytes_ = 0;
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

bool Package::AppendFile(TreeNode* node, const std::string& diskPath) {
    const FileDescriptor source(::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!source.valid() || ::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        tree_.remove(node);
        return false;
    }
    std::optional<PackageWriter> writer;
    try {
        writer.emplace(*this);
    } catch (const PackageError&) {
        tree_.remove(node);
        throw;
    }
    return AppendData(*writer, node, diskPath, source.get(), info.st_size) == Appended::Yes;
}

void Package::AddPath(const std::string& diskPath, TreeNode* parent, const ProgressObserver& observer) {
    Adder(*this, observer).add(diskPath, parent);
}

} // namespace tessel
