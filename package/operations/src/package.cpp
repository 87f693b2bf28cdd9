// Opening a package: an interrupted edit finished or undone first, then the directory read
// into a fresh tree that takes the place of the old one only when whole.
#include "package.h"

#include "directory_reader.h"
#include "edit_journal.h"
#include "package_layout.h"

#include <string>
#include <vector>

namespace tessel {

std::vector<const TreeNode*> Package::EntriesOutsideTheFile() const {
    std::vector<const TreeNode*> outside;
    for (const TreeNode* node = tree_.root(); node; node = node->next()) {
        if (node->record() && DataOutside(*node->record(), stamp_.size))
            outside.push_back(node);
    }
    return outside;
}

void Package::LoadPackage(const std::string& path) {
    recoveryNote_ = RecoveryNote(path, RecoverInterruptedEdit(path));
    PackageFile file = PackageFile::Open(path, FileAccess::Read, FileSharing::SharedRead);
    FolderTree loaded;
    ReadDirectory(file, loaded);
    stamp_ = file.stamp();
    tree_.swap(loaded);
    path_ = path;
}

} // namespace tessel
