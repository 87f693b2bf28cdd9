#include "entry_path.h"

#include "name_text.h"
#include "package_error.h"

#include <vector>

namespace tessel {

namespace {

std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
        parts.push_back(path.substr(start, end - start));
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

TreeNode* FindBelow(const TreeNode* folder, const std::vector<std::string_view>& parts, std::size_t index,
                    bool folderOnly) {
    const bool last = index + 1 == parts.size();
    for (TreeNode* child = folder->firstChild(); child; child = child->nextSibling()) {
        if (NameToUtf8(child->text()) != parts[index])
            continue;
        if (last) {
            if (!folderOnly || child->isFolder())
                return child;
        } else if (child->isFolder()) {
            if (TreeNode* found = FindBelow(child, parts, index + 1, folderOnly))
                return found;
        }
    }
    return nullptr;
}

} // namespace

std::string EntryPath(const TreeNode* node) {
    std::string path = node->isFolder() && node->parent() ? NameToUtf8(node->text()) + "/" : std::string();
    if (node->isFile())
        path = NameToUtf8(node->text());
    for (const TreeNode* walk = node->parent(); walk && walk->parent(); walk = walk->parent())
        path.insert(0, NameToUtf8(walk->text()) + "/");
    return path;
}

TreeNode* FindEntry(const FolderTree& tree, std::string_view path) {
    if (tree.empty() || path.empty())
        return nullptr;
    const bool folderOnly = path.back() == '/';
    if (folderOnly)
        path.remove_suffix(1);
    if (path.empty())
        return nullptr;
    return FindBelow(tree.root(), SplitPath(path), 0, folderOnly);
}

TreeNode* RequireEntry(const FolderTree& tree, std::string_view path) {
    TreeNode* node = FindEntry(tree, path);
    if (!node)
        throw PackageError("no entry \"" + std::string(path) + "\" in the package");
    return node;
}

} // namespace tessel
