// Opening a package: an interrupted edit finished or undone first, then the directory read
// into a fresh tree that takes the place of the old one only when whole.
#include "package.h"

#include "directory_reader.h"
#include "edit_journal.h"
#include "package_error.h"
#include "package_layout.h"
#include "package_writer.h"

#include <string>
#include <vector>

namespace tessel {

std::vector<const TreeNode*> Package::EntriesOutsideTheFile() const {
    std::vector<const TreeNode*> outside;
    for (const TreeNode* node : Subtree(tree_.root())) {
        if (node->record() && DataOutside(*node->record(), stamp_.size))
            outside.push_back(node);
    }
    return outside;
}

void Package::LoadPackage(const std::string& path) {
    // The journal lies beside the file itself, whatever name reaches it.
    const std::string real = RealPath(path);
    std::string note = RecoveryNote(path, RecoverInterruptedEdit(real));
    PackageFile file = PackageFile::Open(real, FileAccess::Read, FileSharing::SharedRead);
    FolderTree loaded;
    ReadDirectory(file, loaded);
    stamp_ = file.stamp();
    tree_.swap(loaded);
    path_ = FullPath(path);
    recoveryNote_ = std::move(note);
}

} // namespace tessel
