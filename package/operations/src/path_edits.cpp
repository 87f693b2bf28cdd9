// The edits a package seen as a folder makes: files written whole under their paths, folders
// made, entries moved between folders.
#include "package.h"

#include "adder.h"
#include "adding.h"
#include "entry_name.h"
#include "entry_path.h"
#include "file_descriptor.h"
#include "name_text.h"
#include "package_edit.h"
#include "package_error.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace tessel {

namespace {

// The child of exactly that name, as stored; null when there is none.
TreeNode* ChildOfName(TreeNode* folder, const std::string& name) {
    for (TreeNode* child = folder->firstChild(); child; child = child->nextSibling()) {
        if (child->text() == name)
            return child;
    }
    return nullptr;
}

// The node and everything inside it, as new nodes of the folder that share its bytes.
void CopyInto(PackageEdit& edit, const TreeNode* node, TreeNode* folder, const std::string& name) {
    if (node->isFile()) {
        EntryRecord record = *node->record();
        record.setName(name);
        edit.addCopy(folder, record);
        return;
    }
    TreeNode* copy = edit.addFolder(folder, name);
    for (const TreeNode* child = node->firstChild(); child; child = child->nextSibling())
        CopyInto(edit, child, copy, std::string(child->text()));
}

} // namespace

void Package::WriteFiles(const std::vector<FileWrite>& writes) {
    const ProgressObserver observer;
    PackageEdit edit(*this);
    Adder adder(edit, observer, {});
    for (const FileWrite& write : writes) {
        RequireNewName(write.name);
        TreeNode* folder = adder.folderAt(edit.root(), write.folderPath);
        const std::string shown = write.folderPath.empty() ? write.name : write.folderPath + "/" + write.name;
        FileDescriptor fd;
        std::int64_t size = static_cast<std::int64_t>(write.bytes.size());
        if (!write.diskPath.empty()) {
            fd = FileDescriptor(::open(write.diskPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
            struct stat info {};
            if (!fd.valid() || ::fstat(fd.get(), &info) != 0)
                throw PackageError(CannotReadMessage(write.diskPath, errno));
            size = info.st_size;
        }
        const ByteSource source = fd.valid() ? ByteSource{fd.get()} : BytesSource(write.bytes);
        TreeNode* existing = Own(ChildNamed(folder, write.name));
        if (existing && existing->isFolder())
            throw PackageError("Cannot write \"" + shown + "\": a folder of that name is in the package");
        if (!edit.fits(size, existing ? 0 : 1, existing ? existing->record()->Size : 0))
            throw PackageError("Cannot write \"" + shown + "\": " + kTooLargeReason);
        const std::int32_t timestamp = TimestampOf(write.modified);
        if (existing ? !edit.replace(existing, source, size, timestamp)
                     : !edit.addFile(folder, write.name, source, size, timestamp))
            throw PackageError("Cannot write \"" + shown + "\": its bytes could not be read");
    }
    edit.commit(std::to_string(writes.size()) + " files were written into \"" + FullPath(path_) + "\"");
}

void Package::MakeFolder(const std::string& folderPath) {
    const ProgressObserver observer;
    PackageEdit edit(*this);
    Adder adder(edit, observer, {});
    adder.folderAt(edit.root(), folderPath);
    edit.commit("The folder \"" + folderPath + "\" was made");
}

void Package::MoveEntry(const TreeNode* node, const TreeNode* folder, const std::string& name) {
    if (!node->parent() || !folder || !folder->isFolder())
        throw PackageError("Only an entry can be moved, and only into a folder");
    RequireNewName(name);
    for (const TreeNode* up = folder; up; up = up->parent()) {
        if (up == node)
            throw PackageError("Cannot move \"" + EntryPath(node) + "\" into itself");
    }
    PackageEdit edit(*this);
    TreeNode* target = ChildOfName(Own(folder), name);
    if (target == node)
        target = nullptr;
    const TreeNode* clash = ChildNamed(folder, name, node);
    if (clash && (clash != target || target->isFile() != node->isFile() ||
                  (target->isFolder() && target->firstChild())))
        throw PackageError("Cannot move \"" + EntryPath(node) + "\" to \"" + EntryPath(folder) +
                           NameToUtf8(name) + "\": \"" + EntryPath(clash) + "\" already exists");
    const std::string was = EntryPath(node);
    if (target && target->isFile()) {
        // The file replaced keeps its place in the directory, as a file saved over would.
        edit.share(target, *node->record());
        edit.remove(Own(node));
    } else {
        if (target)
            edit.remove(target);
        if (node->parent() == folder) {
            edit.rename(Own(node), name);
        } else {
            CopyInto(edit, node, Own(folder), name);
            edit.remove(Own(node));
        }
    }
    edit.commit("\"" + was + "\" was moved to \"" + EntryPath(folder) + NameToUtf8(name) + "\"");
}

} // namespace tessel
