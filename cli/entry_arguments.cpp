#include "entry_arguments.h"

#include "entry_path.h"
#include "name_pattern.h"
#include "name_text.h"
#include "package_error.h"

namespace tessel::cli {

namespace {

// The entries whose shown paths the pattern matches, in directory order.
std::vector<const TreeNode*> Matching(const FolderTree& tree, const std::string& pattern) {
    const PathPattern matcher(pattern);
    std::vector<const TreeNode*> found;
    std::vector<std::string> names;
    WalkWithPaths(tree.root(), [&](const TreeNode* node, const FolderPath& folders) {
        std::vector<std::string_view> parts;
        for (std::size_t i = 0; i < folders.depth(); ++i)
            parts.push_back(folders.segment(i));
        const std::string name = NameToUtf8(node->text());
        parts.push_back(name);
        if (matcher.matches(parts, node->isFolder()))
            found.push_back(node);
    });
    return found;
}

} // namespace

bool AnyPattern(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (IsPattern(path))
            return true;
    }
    return false;
}

std::vector<const TreeNode*> EntriesNamed(const FolderTree& tree, const std::vector<std::string>& paths,
                                          Several several) {
    std::vector<const TreeNode*> nodes;
    for (const std::string& path : paths) {
        std::vector<const TreeNode*> found = FindEntries(tree, path);
        // A pattern is tried once no entry bears the path itself.
        const bool pattern = found.empty() && IsPattern(path);
        if (pattern)
            found = Matching(tree, path);
        if (found.empty())
            throw PackageError(pattern ? "no entry matches \"" + path + "\""
                                       : "no entry \"" + path + "\" in the package");
        if (found.size() > 1 && !pattern && several != Several::Taken) {
            const AmbiguousEntry ambiguous(path, found);
            if (several == Several::Refused)
                throw ambiguous;
            throw PackageError(std::string(ambiguous.what()) + " (--all takes every one)");
        }
        nodes.insert(nodes.end(), found.begin(), found.end());
    }
    return nodes;
}

} // namespace tessel::cli
