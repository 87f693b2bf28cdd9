#include "entry_path.h"

#include "entry_name.h"
#include "name_text.h"
#include "package_error.h"

#include <limits>
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

// How a path's parts meet names: by the bytes stored, or by the text shown for them (a
// name that is not UTF-8 shows as its Windows-1252 reading).
enum class Match { Stored, Shown };

bool Matches(const TreeNode* node, std::string_view part, Match match) {
    return match == Match::Stored ? node->text() == part : NameToUtf8(node->text()) == part;
}

// Collects the entries at the path, in directory order, up to `limit` of them.
void FindBelow(const TreeNode* folder, const std::vector<std::string_view>& parts, std::size_t index,
               bool folderOnly, Match match, std::vector<const TreeNode*>& found, std::size_t limit) {
    const bool last = index + 1 == parts.size();
    for (const TreeNode* child = folder->firstChild(); child && found.size() < limit;
         child = child->nextSibling()) {
        if (!Matches(child, parts[index], match))
            continue;
        if (last) {
            if (!folderOnly || child->isFolder())
                found.push_back(child);
        } else if (child->isFolder()) {
            FindBelow(child, parts, index + 1, folderOnly, match, found, limit);
        }
    }
}

// The entries the path names: those whose stored names are the path's bytes, else those
// whose shown names are.
std::vector<const TreeNode*> Candidates(const FolderTree& tree, std::string_view path, std::size_t limit) {
    std::vector<const TreeNode*> found;
    if (tree.empty() || path.empty())
        return found;
    const bool folderOnly = path.back() == '/';
    if (folderOnly)
        path.remove_suffix(1);
    if (path.empty())
        return found;
    const std::vector<std::string_view> parts = SplitPath(path);
    FindBelow(tree.root(), parts, 0, folderOnly, Match::Stored, found, limit);
    if (found.empty())
        FindBelow(tree.root(), parts, 0, folderOnly, Match::Shown, found, limit);
    return found;
}

} // namespace

namespace {

// The folders above the node, outermost first, from the given level down; the node too when
// it is a folder and at that level or below.
FolderPath FoldersOf(const TreeNode* node, int lowestLevel, bool withNode) {
    std::vector<const TreeNode*> folders;
    for (const TreeNode* walk = withNode ? node : node->parent(); walk && walk->parent();
         walk = walk->parent()) {
        if (walk->level() >= lowestLevel && walk->isFolder())
            folders.push_back(walk);
    }
    FolderPath path;
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        path.open((*folder)->text());
    return path;
}

} // namespace

std::string EntryPath(const TreeNode* node) {
    if (!node->parent())
        return {};
    return FoldersOf(node, 1, false).entry(node->text(), node->isFolder());
}

std::string GetFolderPath(const TreeNode* node, int lowestLevel) {
    return FoldersOf(node, lowestLevel, true).text();
}

const TreeNode* FindEntry(const FolderTree& tree, std::string_view path) {
    const std::vector<const TreeNode*> found = Candidates(tree, path, 1);
    return found.empty() ? nullptr : found.front();
}

std::vector<const TreeNode*> FindEntries(const FolderTree& tree, std::string_view path) {
    return Candidates(tree, path, std::numeric_limits<std::size_t>::max());
}

std::string DescribeEntry(const TreeNode* node) {
    const EntryRecord* record = node->record();
    if (!record)
        return "\"" + EntryPath(node) + "\", a folder of " + std::to_string(node->childCount()) + " entries";
    return "\"" + EntryPath(node) + "\", " + std::to_string(record->Size) + " bytes at offset " +
           std::to_string(record->Offset);
}

AmbiguousEntry::AmbiguousEntry(std::string_view path, std::vector<const TreeNode*> found)
    : PackageError([&] {
          std::string text =
              "\"" + std::string(path) + "\" names " + std::to_string(found.size()) + " entries:";
          for (std::size_t i = 0; i < found.size(); ++i)
              text += (i == 0 ? " " : "; ") + DescribeEntry(found[i]);
          return text;
      }()),
      candidates(std::move(found)) {}

const TreeNode* RequireEntry(const FolderTree& tree, std::string_view path) {
    std::vector<const TreeNode*> found = FindEntries(tree, path);
    if (found.empty())
        throw PackageError("no entry \"" + std::string(path) + "\" in the package");
    if (found.size() > 1)
        throw AmbiguousEntry(path, std::move(found));
    return found.front();
}

void RequireSafeName(const TreeNode* node) {
    if (!IsSafeEntryName(node->text()))
        throw PackageError("Cannot extract \"" + NameToUtf8(node->text()) +
                           "\": the name is not a safe file name");
}

const TreeNode* ChildNamed(const TreeNode* folder, std::string_view name, const TreeNode* except) {
    for (const TreeNode* child = folder->firstChild(); child; child = child->nextSibling()) {
        if (child != except && SameEntryName(child->text(), name))
            return child;
    }
    return nullptr;
}

} // namespace tessel
