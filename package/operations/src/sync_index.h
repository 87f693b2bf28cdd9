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
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace tessel {

class SyncIndex {
public:
    // Where the index of this package, disk folder and package folder is kept ("" where the
    // user has no cache folder). Paths are as the sync was given them.
    static std::string FileFor(const std::string& packagePath, const std::string& diskFolder,
                               const std::string& packageFolder);
    // Whether an index is kept there, sound or not: cheaper to ask than to read it.
    static bool Kept(const std::string& file);
    // The index in the file, if the package is still as the index saw it; else an empty one.
    SyncIndex(std::string file, const FileStamp& package);
    SyncIndex(const SyncIndex&) = delete;
    SyncIndex& operator=(const SyncIndex&) = delete;

    // Whether the file at the path (relative to the disk folder) is known to hold the entry's
    // bytes.
    bool empty() const { return count_ == 0; }
    bool knownEqual(const std::string& relativePath, const EntryRecord& record,
                    const struct stat& file) const;
    // The file holds the node's bytes; the node's record is taken when the index is saved,
    // after the edit has moved what it moves. `known`: the index vouched for it already.
    void remember(std::string relativePath, const TreeNode* node, const struct stat& file,
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
    // One line of the index, read where it stands.
    struct Line {
        Known known;
        std::string_view path;
        const char* next;
    };
    static FileState StateOf(const struct stat& file);
    // The line at `at`; false where the index stops parsing.
    bool parseLine(const char* at, Line& line) const;
    // Every line by its path: made the first time a file is asked for that the last sync did
    // not meet at that point of its walk.
    void makeMap() const;

    std::string file_;
    std::int64_t written_ = 0; // when the index read was last written or used, in seconds
    std::string loaded_;
    // Something was remembered that the index did not hold.
    bool news_ = false;
    // The index as read, its lines in the order the last sync walked the folder: a walk of
    // the same folder meets them one after another, without looking any up.
    std::string bytes_;
    const char* lines_ = nullptr;
    mutable const char* cursor_ = nullptr;
    std::size_t count_ = 0;
    mutable bool mapped_ = false;
    mutable std::unordered_map<std::string_view, Known> known_;
    std::vector<Pending> pending_;
};

} // namespace tessel
