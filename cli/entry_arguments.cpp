#include "entry_arguments.h"

#include "entry_path.h"
#include "package_error.h"

namespace tessel::cli {

std::vector<const TreeNode*> EntriesNamed(const FolderTree& tree, const std::vector<std::string>& paths,
                                          Several several) {
    std::vector<const TreeNode*> nodes;
    for (const std::string& path : paths) {
        if (several != Several::Taken) {
            try {
                nodes.push_back(RequireEntry(tree, path));
            } catch (const AmbiguousEntry& ambiguous) {
                if (several == Several::Refused)
                    throw;
                throw PackageError(std::string(ambiguous.what()) + " (--all takes every one)");
            }
            continue;
        }
        const std::vector<const TreeNode*> found = FindEntries(tree, path);
        if (found.empty())
            throw PackageError("no entry \"" + path + "\" in the package");
        nodes.insert(nodes.end(), found.begin(), found.end());
    }
    return nodes;
}

} // namespace tessel::cli
