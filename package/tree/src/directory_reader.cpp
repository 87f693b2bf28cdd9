#include "directory_reader.h"

#include "directory_stream.h"
#include "package_error.h"

#include <string>

namespace tessel {

DirectoryPlace ReadablePlace(PackageFile& file) {
    const std::int64_t fileSize = file.size();
    if (fileSize < kHeaderSize)
        return {kHeaderSize, 0};
    const PackageHeader header = ReadHeader(file);
    if (const std::string problem = DirectoryPlaceProblem(header, fileSize); !problem.empty()) {
        // A file of another kind (a picture renamed .vp) is no damaged package.
        if (!header.hasMagic())
            throw PackageError("\"" + FullPath(file.path()) +
                               "\" is not a VP package: it does not begin with \"" + std::string(kMagic) +
                               "\"");
        throw PackageError("\"" + FullPath(file.path()) + "\" is damaged: " + problem);
    }
    return PlaceOf(header);
}

void ReadDirectory(PackageFile& file, FolderTree& tree) {
    DirectoryStream stream(file, ReadablePlace(file));
    ClearFolderTree(tree);
    TreeNode* current = tree.addRoot();
    while (stream.next()) {
        const DirEntry& entry = stream.record();
        if (entry.isFile()) {
            tree.appendChild(current, entry.name(), entry);
        } else if (entry.isFolderEnd()) {
            if (current->parent())
                current = current->parent();
        } else {
            current = tree.appendChild(current, entry.name());
        }
    }
}

} // namespace tessel
