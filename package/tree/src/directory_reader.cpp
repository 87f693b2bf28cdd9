#include "directory_reader.h"

#include "directory_stream.h"
#include "name_text.h"
#include "package_error.h"

#include <algorithm>

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

namespace {

// One path given, and how far the folders open now follow it.
struct Wanted {
    std::vector<std::string> parts;
    bool folderOnly = false;
    std::size_t matched = 0; // open folders, from the outermost, that are its parts

    // Whether a name is the part at the depth: by its bytes, or by the text shown for them.
    bool names(std::string_view stored, std::size_t depth) const {
        return depth < parts.size() && (stored == parts[depth] || NameToUtf8(stored) == parts[depth]);
    }
    bool isLast(std::size_t depth) const { return depth + 1 == parts.size(); }
};

std::vector<Wanted> WantedPaths(const std::vector<std::string>& paths) {
    std::vector<Wanted> wanted;
    for (std::string path : paths) {
        Wanted one;
        one.folderOnly = !path.empty() && path.back() == '/';
        if (one.folderOnly)
            path.pop_back();
        if (path.empty())
            continue;
        for (std::size_t start = 0;;) {
            const std::size_t slash = path.find('/', start);
            one.parts.push_back(
                path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
            if (slash == std::string::npos)
                break;
            start = slash + 1;
        }
        wanted.push_back(std::move(one));
    }
    return wanted;
}

} // namespace

void ReadDirectoryPart(PackageFile& file, FolderTree& tree, const std::vector<std::string>& paths) {
    DirectoryStream stream(file, ReadablePlace(file));
    ClearFolderTree(tree);
    TreeNode* root = tree.addRoot();
    std::vector<Wanted> wanted = WantedPaths(paths);
    // The folders open now: their names, and their nodes once something inside is kept.
    std::vector<std::string> names;
    std::vector<TreeNode*> nodes;
    // The depth of the folder whose whole subtree is kept, while inside it.
    std::size_t keptFrom = std::string::npos;
    auto keep = [&](const DirEntry& entry) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!nodes[i])
                nodes[i] = tree.appendChild(i == 0 ? root : nodes[i - 1], names[i]);
        }
        TreeNode* parent = names.empty() ? root : nodes.back();
        return entry.isFile() ? tree.appendChild(parent, entry.nameView(), entry)
                              : tree.appendChild(parent, entry.nameView());
    };
    while (stream.next()) {
        const DirEntry& entry = stream.record();
        const std::size_t depth = names.size();
        if (entry.isFolderEnd()) {
            if (depth == 0)
                continue;
            names.pop_back();
            nodes.pop_back();
            if (keptFrom == names.size())
                keptFrom = std::string::npos;
            for (Wanted& one : wanted)
                one.matched = std::min(one.matched, names.size());
            continue;
        }
        const std::string_view name = entry.nameView();
        bool named = keptFrom != std::string::npos;
        for (const Wanted& one : wanted) {
            if (!named && one.matched == depth && one.isLast(depth) && one.names(name, depth) &&
                (entry.isFolder() || !one.folderOnly))
                named = true;
        }
        TreeNode* node = named ? keep(entry) : nullptr;
        if (entry.isFile())
            continue;
        if (named && keptFrom == std::string::npos)
            keptFrom = depth;
        for (Wanted& one : wanted) {
            if (one.matched == depth && !one.isLast(depth) && one.names(name, depth))
                one.matched = depth + 1;
        }
        names.emplace_back(name);
        nodes.push_back(node);
    }
}

} // namespace tessel
