#include "directory_reader.h"

#include "package_error.h"
#include "package_layout.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

namespace {

constexpr std::int64_t kRecordsPerRead = 4096;

} // namespace

void ReadDirectory(PackageFile& file, FolderTree& tree) {
    const std::int64_t fileSize = file.size();
    if (fileSize < kHeaderSize) {
        ClearFolderTree(tree);
        tree.addRoot();
        return;
    }
    const PackageHeader header = ReadHeader(file);
    if (const std::string problem = DirectoryPlaceProblem(header, fileSize); !problem.empty()) {
        // A file of another kind (a picture renamed .vp) is no damaged package.
        if (!header.hasMagic())
            throw PackageError("\"" + FullPath(file.path()) +
                               "\" is not a VP package: it does not begin with \"" + std::string(kMagic) +
                               "\"");
        throw PackageError("\"" + FullPath(file.path()) + "\" is damaged: " + problem);
    }
    const DirectoryPlace place = PlaceOf(header);
    file.seek(place.offset);

    ClearFolderTree(tree);
    TreeNode* current = tree.addRoot();
    std::vector<unsigned char> chunk;
    for (std::int64_t remaining = place.count; remaining > 0;) {
        const std::int64_t batch = std::min(remaining, kRecordsPerRead);
        chunk.resize(std::size_t(batch) * kDirEntrySize);
        file.readExact(chunk.data(), chunk.size());
        for (std::int64_t i = 0; i < batch; ++i) {
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

} // namespace tessel
