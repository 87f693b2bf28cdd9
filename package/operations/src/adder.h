// Adding files and folder trees from disk into an edit: names checked, special files and
// the edit's own files passed over, clashes with names that exist settled as the observer
// answers, folders read through descriptors relative to their parents.
#pragma once

#include "package_edit.h"
#include "package_error.h"
#include "progress.h"
#include "source_folders.h"

#include <cstdint>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unordered_map>

namespace tessel {

// A file that would take the package past 2 GiB: the run ends, keeping what came before.
struct TooLarge : PackageError {
    explicit TooLarge(const std::string& diskPath);
};

class Adder {
public:
    Adder(PackageEdit& edit, const ProgressObserver& observer, const RunChoices& choices)
        : edit_(edit), observer_(observer), choices_(choices) {}

    // The path given is the index-th of total.
    void setPath(std::int32_t index, std::int32_t total) {
        index_ = index;
        total_ = total;
    }
    // Adds the disk file, or the folder with everything below it, into the parent.
    void add(const std::string& diskPath, TreeNode* parent);
    // The folder the path ("a/b") names below the parent, with the folders it lacks made;
    // a name that cannot be stored, or that a file holds, is an error.
    TreeNode* folderAt(TreeNode* parent, const std::string& path);

private:
    // What a listed entry is, opened: false when it was passed over.
    bool open(int folderFd, const FolderEntry& entry, const std::string& shown, FileDescriptor& fd,
              struct stat& info);
    void addOpened(FileDescriptor fd, const struct stat& info, const std::string& shown,
                   const std::string& name, TreeNode* parent, bool top);
    // A file of the size, modified at the moment given (seconds in UTC), into the parent.
    void addFile(const ByteSource& source, std::int64_t size, std::int64_t modified, const std::string& shown,
                 const std::string& name, TreeNode* parent);
    // The files and folders an archive holds, into the parent.
    void addArchive(const std::string& archivePath, TreeNode* parent);
    // The folder of that name in the parent, made when there is none; null, said why, when a
    // file holds the name.
    TreeNode* folderNamed(TreeNode* parent, const std::string& name, const std::string& shown);
    void addFolder(FileDescriptor fd, const struct stat& info, const std::string& shown,
                   const std::string& name, TreeNode* parent, bool top);
    void skip(const std::string& diskPath, const std::string& why);
    void report(const TreeNode* node, bool replaced);

    // The children of a folder by name, made when the folder is first added to, so that
    // finding a clash costs the same however many entries the folder holds.
    class FolderNames {
    public:
        explicit FolderNames(const TreeNode* folder);
        void add(TreeNode* child);
        // The first child of the folder with that name that the edit keeps.
        TreeNode* lookup(const std::string& name, const PackageEdit& edit) const;

    private:
        std::unordered_multimap<std::string, TreeNode*> byName_;
    };
    FolderNames& namesOf(const TreeNode* folder);

    PackageEdit& edit_;
    const ProgressObserver& observer_;
    RunChoices choices_;
    FolderChain folders_;
    std::set<FileId> entered_;
    std::unordered_map<const TreeNode*, FolderNames> names_;
    std::int64_t bytes_ = 0;
    std::int32_t index_ = 0;
    std::int32_t total_ = 0;
};

} // namespace tessel
