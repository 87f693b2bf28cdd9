// One edit of a package under one lock, which ends with the file as it was or as the edit
// leaves it, whatever stops it. New bytes are appended where the directory began (the old
// directory and the header kept in an undo journal first); the tree changes as the edit
// goes; the commit writes the directory once. When bytes are to go (deleted entries, the
// old bytes of replaced ones) the commit moves what follows them down under a redo
// journal, which takes the undo journal's place only once the new bytes are durable.
#pragma once

#include "edit_journal.h"
#include "package.h"
#include "package_writer.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tessel {

// Where a file's new bytes come from: a descriptor, or a reader that hands out the next bytes
// (an archive's entry) and returns how many it put into the buffer, 0 at the end.
struct ByteSource {
    int fd = -1;
    std::function<std::size_t(char* buffer, std::size_t size)> read = {};
};

// The bytes held in memory, handed out in order; they must outlive the source.
ByteSource BytesSource(std::string_view bytes);

class PackageEdit {
public:
    // An edit of the open package.
    explicit PackageEdit(Package& package);
    // An edit that fills a new package file under a scratch name.
    PackageEdit(Package& package, PackageFile scratch);
    // Takes back what was not committed.
    ~PackageEdit();
    PackageEdit(const PackageEdit&) = delete;
    PackageEdit& operator=(const PackageEdit&) = delete;

    TreeNode* root() { return writer_.package().tree_.root(); }
    // The package open for the edit, for reading what its entries hold.
    const PackageFile& file() { return writer_.file(); }
    static TreeNode* own(const TreeNode* node) { return Package::Own(node); }
    // What the file is to this edit: the package itself (which is never added into itself),
    // a file the edit makes on the side (its journal, a new package's scratch file: never
    // added, and not worth a word), or any other file.
    enum class Own { None, Package, Scratch };
    Own ownFile(dev_t device, ino_t inode) const;
    // Whether new bytes can be appended (their offset must fit a record) and the package
    // as the commit will leave it stays below 2 GiB, with the records more and the bytes
    // that go (the old bytes of an entry replaced) less.
    bool fits(std::int64_t bytes, std::int64_t records, std::int64_t going = 0) const;

    TreeNode* addFolder(TreeNode* parent, const std::string& name);
    // A new file entry, the parent's last child, with the descriptor's bytes; null, with
    // nothing added, when the source could not be read whole.
    TreeNode* addFile(TreeNode* parent, const std::string& name, const ByteSource& source, std::int64_t size,
                      std::int32_t timestamp);
    // A new file entry, the parent's last child, that shares the bytes of the record.
    TreeNode* addCopy(TreeNode* parent, const EntryRecord& record);
    // The file entry takes the bytes and timestamp of the record, keeping its place and
    // name; its old bytes go at the commit unless another entry uses them.
    void share(TreeNode* node, const EntryRecord& from);
    // New bytes for a file entry, which keeps its place; false, with the entry as it was,
    // when the source could not be read whole. The old bytes go at the commit unless
    // another entry uses them.
    bool replace(TreeNode* node, const ByteSource& source, std::int64_t size, std::int32_t timestamp);
    void rename(TreeNode* node, const std::string& name);
    // The node and everything inside it go at the commit.
    void remove(TreeNode* node);
    // Whether the node goes at the commit, by itself or with a folder around it.
    bool removed(const TreeNode* node) const { return doomed(node); }
    // The directory is written again even when nothing else changed.
    void touch() { changed_ = true; }
    // The commit removes every byte of the data area that no entry uses; returns how many
    // bytes that is.
    std::int64_t dropUnused();
    // Hears the bytes the commit moves down, so far of all.
    void onMoved(std::function<void(std::int64_t done, std::int64_t total)> moved) {
        moved_ = std::move(moved);
    }

    // Makes the edit durable, or raises with the package as it was (or, when finishing a
    // redo edit failed, with its journal kept for the next open). `done` says what the edit
    // did ("\"a\" was renamed"), for the one failure that leaves it made but not durable.
    void commit(const std::string& done = {});
    // Takes the edit back, in the file and in the tree. Raises nothing.
    void rollback();

private:
    bool append(const ByteSource& source, std::int64_t size, EntryRecord& record);
    void armUndo();
    bool doomed(const TreeNode* node) const;
    // Runs the plan under a redo journal. Returns when the edit went through, raises when it
    // did not (the file then as it was) or when it could not be finished (its journal kept).
    void runRedo(const RedoPlan& plan);
    // Puts the file back from the undo journal; true when that worked.
    bool undo();

    struct Change {
        TreeNode* node;
        enum Kind { Added, Record, Renamed } kind;
        std::string text;
        std::optional<EntryRecord> record;
    };

    PackageWriter writer_;
    std::pair<dev_t, ino_t> fileId_{};
    std::optional<EditJournal> undo_;
    // The undo journal is on disk: until it is removed or replaced, taking the edit back
    // means applying it.
    bool undoArmed_ = false;
    std::pair<dev_t, ino_t> journalId_{};
    std::int64_t end_;
    std::int64_t records_;
    // The bytes the commit removes, as far as they are known: those of replaced and removed
    // entries (bytes another entry shares stay, which the commit finds).
    std::int64_t going_ = 0;
    std::vector<Change> changes_;
    std::vector<TreeNode*> doomed_;
    std::unordered_set<const TreeNode*> doomedSet_;
    std::vector<EntryRecord> formerRecords_;
    bool changed_ = false;
    bool dropUnused_ = false;
    std::function<void(std::int64_t done, std::int64_t total)> moved_;
    bool finished_ = false;
};

} // namespace tessel
