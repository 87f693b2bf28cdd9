#include "package_loader.h"

#include "package_error.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tessel {

namespace {

constexpr std::int32_t kRecordsPerRead = 4096;

std::string Damaged(const PackageFile& file, const std::string& problem) {
    return "\"" + FullPath(file.path()) + "\" is damaged: " + problem;
}

// Checks that the header's directory lies whole inside the file.
void CheckDirectoryBounds(const PackageFile& file, const PackageHeader& header, std::int64_t fileSize) {
    const std::string sizeText = std::to_string(fileSize) + " bytes";
    if (header.EntryCount <= 0)
        return;
    if (header.DirOffset < 0 || header.DirOffset > fileSize)
        throw PackageError(Damaged(file, "directory at offset " + std::to_string(header.DirOffset) +
                                             " lies past the end of the file (" + sizeText + ")"));
    if (header.DirOffset < kHeaderSize)
        throw PackageError(Damaged(file, "directory at offset " + std::to_string(header.DirOffset) +
                                             " overlaps the header"));
    const std::int64_t end = std::int64_t(header.DirOffset) + std::int64_t(header.EntryCount) * kDirEntrySize;
    if (end > fileSize)
        throw PackageError(Damaged(file, "directory of " + std::to_string(header.EntryCount) +
                                             " records at offset " + std::to_string(header.DirOffset) +
                                             " runs past the end of the file (" + sizeText + ")"));
}

} // namespace

void ReadDirectory(PackageFile& file, FolderTree& tree) {
    const std::int64_t fileSize = file.size();
    if (fileSize < kHeaderSize) {
        ClearFolderTree(tree);
        tree.addRoot();
        return;
    }
    const PackageHeader header = ReadHeader(file);
    CheckDirectoryBounds(file, header, fileSize);
    file.seek(header.DirOffset);

    ClearFolderTree(tree);
    TreeNode* current = tree.addRoot();
    std::vector<unsigned char> chunk;
    std::int32_t remaining = std::max<std::int32_t>(header.EntryCount, 0);
    while (remaining > 0) {
        const std::int32_t batch = std::min(remaining, kRecordsPerRead);
        chunk.resize(std::size_t(batch) * kDirEntrySize);
        file.readExact(chunk.data(), chunk.size());
        for (std::int32_t i = 0; i < batch; ++i) {
            const DirEntry entry = DecodeDirEntry(chunk.data() + std::size_t(i) * kDirEntrySize);
            if (entry.isFile()) {
                tree.appendChild(current, entry.name(), entry);
            } else if (entry.isFolderEnd()) {
                if (current->parent())
                    current = current->parent();
            } else {
                current = tree.appendChild(current, entry.name());
            }
        }
        remaining -= batch;
    }
}

void LoadPackage(const std::string& path, FolderTree& tree) {
    PackageFile file = PackageFile::Open(path, FileAccess::Read, FileSharing::Exclusive);
    FolderTree loaded;
    ReadDirectory(file, loaded);
    loaded.setFileStamp(file.stamp());
    tree.swap(loaded);
}

} // namespace tessel
