// Opening a package: an interrupted edit finished or undone first, then the directory read
// into a fresh tree that takes the place of the old one only when whole.
#include "package.h"

#include "directory_reader.h"
#include "edit_journal.h"
#include "package_error.h"
#include "package_layout.h"
#include "package_writer.h"

#include <cerrno>
#include <string>
#include <unistd.h>
#include <vector>

namespace tessel {

namespace {

// An edit writes the file and, beside it, its journal: both must be writable.
std::string ReadOnlyReason(const std::string& real) {
    const std::size_t slash = real.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : real.substr(0, slash);
    for (const std::string& place : {real, folder}) {
        if (::access(place.c_str(), W_OK) == 0)
            continue;
        if (errno == EROFS)
            return "it lies on a read-only file system";
        return place == real ? "you have no permission to write to it"
                             : "you have no permission to write in its folder";
    }
    return {};
}

} // namespace

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
    readOnlyReason_ = ReadOnlyReason(real);
}

} // namespace tessel
