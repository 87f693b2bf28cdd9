// The edits that change entries already in the package: delete, rename, replace, and the
// directory written again.
#include "package.h"

#include "adding.h"
#include "entry_name.h"
#include "entry_path.h"
#include "file_descriptor.h"
#include "name_text.h"
#include "package_edit.h"
#include "package_error.h"
#include "vp_format.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_set>

namespace tessel {

namespace {

// The nodes to delete, without the root and without nodes inside other given folders.
std::vector<const TreeNode*> OutermostNodes(const std::vector<const TreeNode*>& nodes) {
    const std::unordered_set<const TreeNode*> given(nodes.begin(), nodes.end());
    std::unordered_set<const TreeNode*> taken;
    std::vector<const TreeNode*> outermost;
    for (const TreeNode* node : nodes) {
        if (!node->parent() || taken.count(node))
            continue;
        bool inside = false;
        for (const TreeNode* up = node->parent(); up && !inside; up = up->parent())
            inside = given.count(up) > 0;
        if (!inside) {
            outermost.push_back(node);
            taken.insert(node);
        }
    }
    return outermost;
}

} // namespace

void Package::RewriteDirectory() {
    PackageEdit edit(*this);
    edit.touch();
    edit.commit();
}

void Package::DeleteEntries(const std::vector<const TreeNode*>& nodes, const ProgressObserver& observer) {
    const std::vector<const TreeNode*> doomed = OutermostNodes(nodes);
    if (doomed.empty())
        return;
    PackageEdit edit(*this);
    edit.onMoved(observer.moved);
    for (const TreeNode* node : doomed)
        edit.remove(Own(node));
    edit.commit(doomed.size() == 1 ? "\"" + EntryPath(doomed.front()) + "\" was deleted"
                                   : std::to_string(doomed.size()) + " entries were deleted");
}

void Package::RenameEntry(const TreeNode* node, const std::string& newName) {
    if (!node->parent())
        return;
    RequireNewName(newName);
    if (const TreeNode* existing = ChildNamed(node->parent(), newName, node))
        throw PackageError("Cannot rename \"" + NameToUtf8(node->text()) + "\" to \"" + NameToUtf8(newName) +
                           "\": \"" + EntryPath(existing) + "\" already exists");
    const std::string oldName = NameToUtf8(node->text());
    PackageEdit edit(*this);
    edit.rename(Own(node), newName);
    edit.commit("\"" + oldName + "\" was renamed to \"" + NameToUtf8(newName) + "\"");
}

std::int64_t Package::Compact(const ProgressObserver& observer) {
    PackageEdit edit(*this);
    edit.onMoved(observer.moved);
    const std::int64_t unused = edit.dropUnused();
    edit.commit("\"" + FullPath(path_) + "\" was compacted");
    return unused;
}

void Package::ReplaceEntry(const TreeNode* node, const std::string& diskPath) {
    if (!node || !node->isFile())
        throw PackageError("Only a file can have its bytes replaced");
    const FileDescriptor source(::open(diskPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!source.valid() || ::fstat(source.get(), &info) != 0)
        throw PackageError(CannotReadMessage(diskPath, errno));
    if (!S_ISREG(info.st_mode))
        throw PackageError("Cannot read \"" + FullPath(diskPath) + "\": it is not a regular file");
    PackageEdit edit(*this);
    if (!edit.fits(info.st_size, 0, node->record()->Size))
        throw PackageError("Cannot add \"" + diskPath + "\": " + kTooLargeReason);
    if (!edit.replace(Own(node), ByteSource{source.get()}, info.st_size, LocalTimestampNow()))
        throw PackageError(CannotReadMessage(diskPath, EIO));
    edit.commit("\"" + EntryPath(node) + "\" has its new bytes");
}

void Package::ReplaceEntryBytes(const TreeNode* node, std::string_view bytes) {
    if (!node || !node->isFile())
        throw PackageError("Only a file can have its bytes replaced");
    PackageEdit edit(*this);
    const auto size = static_cast<std::int64_t>(bytes.size());
    if (!edit.fits(size, 0, node->record()->Size))
        throw PackageError("Cannot save \"" + EntryPath(node) + "\": " + kTooLargeReason);
    const ByteSource source = BytesSource(bytes);
    if (!edit.replace(Own(node), source, size, LocalTimestampNow()))
        throw PackageError("Cannot save \"" + EntryPath(node) + "\"");
    edit.commit("\"" + EntryPath(node) + "\" has its new bytes");
}

} // namespace tessel
