// Writing entries of the open package out to ordinary files and folders.
#include "package.h"

#include "byte_copy.h"
#include "destination.h"
#include "entry_name.h"
#include "file_descriptor.h"
#include "name_text.h"
#include "package.h"
#include "package_error.h"
#include "package_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tessel {

namespace {

// Copies the entry's bytes into an open file; the package is opened anew for each entry.
void CopyEntry(const std::string& packagePath, int fileFd, std::int32_t offset, std::int32_t size) {
    const PackageFile package = PackageFile::Open(packagePath, FileAccess::Read, FileSharing::Shared);
    if (offset < 0 || size < 0)
        throw PackageError(kStreamReadError);
    // Reserving the blocks first spares the file system a reservation per page written; the
    // size stays as written, so a run that fails leaves just the bytes that arrived.
    const bool reserved = size > kCopyBufferSize && ::fallocate(fileFd, FALLOC_FL_KEEP_SIZE, 0, size) == 0;
    const CopyResult result = CopyBytes(package.descriptor(), offset, fileFd, 0, size);
    if (reserved && result.copied < size && ::ftruncate(fileFd, result.copied) != 0) {
        // The reservation stays; the bytes written and the error below are what matter.
    }
    if (result.writeError != 0)
        throw PackageError(kStreamWriteError);
    if (result.readFailed || result.sourceEnded)
        throw PackageError(kStreamReadError);
}

// The names of the folders from the base level down to the node, the node included when
// it is a folder: the same folders as GetFolderPath, as separate names.
std::vector<std::string> FolderSegments(const TreeNode* node, int baseLevel) {
    std::vector<std::string> segments;
    for (const TreeNode* walk = node; walk->level() >= baseLevel && walk->parent(); walk = walk->parent()) {
        if (walk->isFolder())
            segments.push_back(NameToUtf8(walk->text()));
    }
    std::reverse(segments.begin(), segments.end());
    return segments;
}

// The work of one walk: each node's folder made, a file node written, the observer told.
class Extractor {
public:
    Extractor(const std::string& packagePath, Destination& destination, const ProgressObserver& observer,
              std::int32_t total)
        : packagePath_(packagePath), destination_(destination), observer_(observer), total_(total) {}

    void visit(const TreeNode* node, int baseLevel) {
        if (node->parent())
            RequireSafeName(node);
        const std::vector<std::string> segments = FolderSegments(node, baseLevel);
        const int folderFd = destination_.folder(segments);
        if (const EntryRecord* record = node->record()) {
            const std::string name = NameToUtf8(node->text());
            std::string shown = destination_.path();
            for (const std::string& segment : segments)
                shown += "/" + segment;
            shown += "/" + name;
            const FileDescriptor file = CreateFileAt(folderFd, name, shown);
            CopyEntry(packagePath_, file.get(), record->Offset, record->Size);
            bytes_ += record->Size;
        }
        if (observer_.progress)
            observer_.progress({kExtractingCaption, node, total_, index_, bytes_});
        ++index_;
    }

    void finish() {
        if (observer_.progress)
            observer_.progress({kExtractingCaption, nullptr, total_, index_, bytes_});
    }

private:
    const std::string& packagePath_;
    Destination& destination_;
    const ProgressObserver& observer_;
    std::int32_t total_;
    std::int32_t index_ = 0;
    std::int64_t bytes_ = 0;
};

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

int BaseLevel(const TreeNode* node) {
    return std::max(node->level(), 1);
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
    const FileDescriptor file = CreateFileAt(folderFd.get(), name, filePath);
    CopyEntry(path_, file.get(), offset, size);
}

void Package::ExtractRange(const std::string& destDir, const TreeNode* start, const TreeNode* stop,
                           const ProgressObserver& observer) const {
    Destination destination(destDir);
    const std::int64_t total = stop ? AbsoluteIndex(stop) - AbsoluteIndex(start)
                                    : static_cast<std::int64_t>(SubtreeSize(RootOf(start))) + 1;
    const int baseLevel = BaseLevel(start);
    Extractor extractor(path_, destination, observer, static_cast<std::int32_t>(total));
    for (const TreeNode* node = start; node && node != stop; node = node->next())
        extractor.visit(node, baseLevel);
    extractor.finish();
}

void Package::ExtractNodes(const std::string& destDir, const std::vector<TreeNode*>& nodes,
                           const ProgressObserver& observer) const {
    Destination destination(destDir);
    std::int64_t total = 0;
    for (const TreeNode* node : nodes)
        total += static_cast<std::int64_t>(SubtreeSize(node));
    Extractor extractor(path_, destination, observer, static_cast<std::int32_t>(total));
    for (const TreeNode* node : nodes) {
        const int baseLevel = BaseLevel(node);
        const TreeNode* end = node->nextAfterSubtree();
        for (const TreeNode* walk = node; walk != end; walk = walk->next())
            extractor.visit(walk, baseLevel);
    }
    extractor.finish();
}

} // namespace tessel
