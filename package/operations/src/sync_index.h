// What the last sync of a package folder from a disk folder knew to be equal: for each file,
// the disk file's identity, size and times beside the record of its entry. A later sync trusts
// a file whose entry and disk file are both as they were then, without reading either, as
// make and rsync trust times; the index is only a shortcut, and a missing, stale or damaged
// one just means reading the bytes again. docs/sync-index.md tells why it is sound.
#pragma once

#include "folder_tree.h"
#include "package_file.h"
#include "vp_format.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace tessel {

class SyncIndex {
public:
    // The index kept for this package, disk folder and package folder, if the package is
    // still as the index saw it; else an empty one. Paths are as the sync was given them.
    SyncIndex(const std::string& packagePath, const FileStamp& package, const std::string& diskFolder,
              const std::string& packageFolder);

    // Whether the file at the path (relative to the disk folder) is known to hold the entry's
    // bytes.
    bool empty() const { return known_.empty(); }
    bool knownEqual(const std::string& relativePath, const EntryRecord& record,
                    const struct stat& file) const;
    // The file holds the node's bytes; the node's record is taken when the index is saved,
    // after the edit has moved what it moves. `known`: the index vouched for it already.
    void remember(const std::string& relativePath, const TreeNode* node, const struct stat& file,
                  bool known = false);
    // Keeps the index for the package as it is now. Files changed in the last seconds are left
    // out (a change within the file system's clock tick would not show). Failing to write it
    // is no failure of the sync. The nodes remembered must all still be in the tree.
    void save(const FileStamp& package) const;

private:
    // A disk file as the index knows it.
    struct FileState {
        dev_t device;
        ino_t inode;
        std::int64_t size;
        std::int64_t modified;
        std::int64_t changed;
        bool operator==(const FileState&) const = default;
    };
    struct Known {
        EntryRecord record;
        FileState file;
    };
    struct Pending {
        std::string path;
        const TreeNode* node;
        FileState file;
    };
    static FileState StateOf(const struct stat& file);

    std::string file_;
    std::string loaded_;
    // Something was remembered that the index did not hold.
    bool news_ = false;
    std::unordered_map<std::string, Known> known_;
    std::vector<Pending> pending_;
};

} // namespace tessel
