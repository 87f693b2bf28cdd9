// The calls of a writable mount that change the package's names: each one edit, run after
// the files waiting for theirs.
#include "mounted_package.h"

#include "mount_paths.h"
#include "package_error.h"
#include "pending_file.h"

#include <cerrno>

namespace tessel {

int MountedPackage::edit(const std::function<int()>& change) {
    if (!writable_)
        return -EROFS;
    flushClosed();
    const std::unique_lock data(data_);
    int result = 0;
    try {
        result = change();
    } catch (const PackageError& error) {
        note_(error.what());
        result = -EIO;
    }
    refreshIndex();
    return result;
}

// The edits below run with no edit of closed files under way, and those closed before them
// already in the package; the index cannot change while they run.

int MountedPackage::unlink(const std::string& path) {
    return edit([&] {
        const TreeNode* node = nullptr;
        {
            const Lock lock(view_);
            const MountItem* item = index_.find(path);
            if (const auto file = pendingAt(path)) {
                // Still open for writing: its bytes will go nowhere.
                dropPending(path);
                file->removed = true;
            } else if (!item) {
                return -ENOENT;
            }
            if (item && item->folder)
                return -EISDIR;
            if (item)
                node = package_.tree().find(item->serial);
        }
        if (node)
            package_.DeleteEntries({node});
        return 0;
    });
}

int MountedPackage::makeFolder(const std::string& path) {
    return edit([&] {
        {
            const Lock lock(view_);
            if (index_.find(path) || pendingAt(path))
                return -EEXIST;
            // A desktop's trash would keep deleted files inside the package: refused, the
            // file manager offers to delete them for good instead.
            if (path == "/.Trash" || path.starts_with("/.Trash-"))
                return -EPERM;
            if (const int error = checkNewName(path))
                return error;
        }
        package_.MakeFolder(path.substr(1));
        return 0;
    });
}

int MountedPackage::removeFolder(const std::string& path) {
    return edit([&] {
        const TreeNode* node = nullptr;
        {
            const Lock lock(view_);
            const MountItem* item = index_.find(path);
            if (!item)
                return -ENOENT;
            if (!item->folder)
                return -ENOTDIR;
            if (path == "/")
                return -EBUSY;
            const auto inside = pending_.lower_bound(path + "/");
            if (!item->children.empty() ||
                (inside != pending_.end() && inside->first.starts_with(path + "/")))
                return -ENOTEMPTY;
            node = package_.tree().find(item->serial);
        }
        package_.DeleteEntries({node});
        return 0;
    });
}

int MountedPackage::rename(const std::string& from, const std::string& to, bool mayReplace) {
    return edit([&] {
        const TreeNode* node = nullptr;
        const TreeNode* into = nullptr;
        {
            const Lock lock(view_);
            // A file open for writing is written under the name it was opened with.
            if (pending_.count(from) || pendingInside(from))
                return -EBUSY;
            const MountItem* source = index_.find(from);
            if (!source)
                return -ENOENT;
            if (from == to)
                return 0;
            if (to.starts_with(from + "/"))
                return -EINVAL;
            const MountItem* folder = index_.find(FolderOf(to));
            if (!folder)
                return -ENOENT;
            if (!folder->folder)
                return -ENOTDIR;
            if (const MountItem* target = index_.find(to)) {
                if (!mayReplace)
                    return -EEXIST;
                if (target->folder && !source->folder)
                    return -EISDIR;
                if (!target->folder && source->folder)
                    return -ENOTDIR;
                if (target->folder && !target->children.empty())
                    return -ENOTEMPTY;
            } else if (const int error = checkNewName(to, from)) {
                return error;
            }
            node = package_.tree().find(source->serial);
            into = package_.tree().find(folder->serial);
        }
        package_.MoveEntry(node, into, NameOf(to));
        return 0;
    });
}

} // namespace tessel
