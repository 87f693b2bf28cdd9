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
    load(path, nullptr);
}

void Package::LoadEntries(const std::string& path, const std::vector<std::string>& entryPaths) {
    load(path, &entryPaths);
}

void Package::load(const std::string& path, const std::vector<std::string>* part) {
    // The journal lies beside the file itself, whatever name reaches it.
    const std::string real = RealPath(path);
    std::string note = RecoveryNote(path, RecoverInterruptedEdit(real));
    PackageFile file = PackageFile::Open(real, FileAccess::Read, FileSharing::SharedRead);
    FolderTree loaded;
    if (part)
        ReadDirectoryPart(file, loaded, *part);
    else
        ReadDirectory(file, loaded);
    stamp_ = file.stamp();
    tree_.swap(loaded);
    path_ = FullPath(path);
    partial_ = part != nullptr;
    recoveryNote_ = std::move(note);
}

} // namespace tessel
