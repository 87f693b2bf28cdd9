// The open package: its path, the folder tree that mirrors its directory, and the stamp
// of the file as it was loaded or last written. It is the one door to package bytes:
// every read and every edit is one of its operations, and each edit keeps the tree in
// step with the file.
#pragma once

#include "folder_tree.h"
#include "package_file.h"
#include "progress.h"
#include "temp_folder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class Destination;

class Package {
public:
    Package() = default;
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // Finishes or undoes an edit of the file that was cut short, then opens the file
    // read-only and reads its directory. On any error this package stays as it was. A file
    // shorter than the header is an empty package.
    void LoadPackage(const std::string& path);
    // What the last load had to do about an interrupted edit, as a sentence for the user;
    // empty when there was none.
    const std::string& recoveryNote() const { return recoveryNote_; }

    bool isOpen() const { return !tree_.empty(); }
    const std::string& path() const { return path_; }
    FolderTree& tree() { return tree_; }
    const FolderTree& tree() const { return tree_; }
    // The file as loaded or last written; an edit of a file that no longer matches it is
    // refused.
    const FileStamp& stamp() const { return stamp_; }
    // The file entries whose data does not lie whole inside the file: they cannot be read.
    std::vector<const TreeNode*> EntriesOutsideTheFile() const;

    // Edits. Each opens the file exclusively for its length, refuses a file that changed
    // on disk or is not a sound package, and leaves a directory that matches the data.

    // Writes the directory and header again without touching the data area.
    void RewriteDirectory();
    // Removes the nodes (files, and folders with everything inside them). The data behind
    // the first removed byte moves down once; bytes that a remaining entry uses are kept.
    void DeleteEntries(const std::vector<TreeNode*>& nodes);
    // Gives a file or folder a new name, in the package (at most 31 bytes are stored) and
    // in the tree (whole).
    void RenameEntry(TreeNode* node, const std::string& newName);
    // Adds the disk file, or the folder with everything below it, as the parent's last
    // child(ren), as AddPaths does. Raises a PackageError when the package cannot be written or would grow
    // past 2 GiB; what was added before stays.
    void AddPath(const std::string& diskPath, TreeNode* parent, const ProgressObserver& observer = {});
    // Adds the paths in order, in batches, each batch one edit that writes the directory
    // once. A file whose name a file of the folder has is added beside it, skipped or
    // replaced as the observer's clash answers; a folder that exists is added into. When
    // bytes were replaced, the old ones are removed after the last batch. A failure undoes
    // the batch under way; a RunCancelled from the observer keeps what was added and is
    // raised again. Adding events carry the index of the path being
    // added among those given as their index, and the number of paths as their total.
    void AddPaths(const std::vector<std::string>& diskPaths, TreeNode* parent,
                  const ProgressObserver& observer = {});
    // Gives a file entry the bytes of a disk file, keeping its place in the directory, with
    // the new size and the current time; its old bytes go unless another entry uses them.
    void ReplaceEntry(TreeNode* node, const std::string& diskPath);
    // Appends the disk file's bytes for a file node already in the tree, fills in its
    // Offset and Size, and writes directory and header. Returns false, with the node taken
    // out and the package as it was, when the disk file cannot be read; raises, with the
    // node taken out, when the package cannot be written.
    bool AppendFile(TreeNode* node, const std::string& diskPath);

    // Reads. Each run opens the package once, holds it against edits for its length, and
    // refuses a file that changed since it was loaded. Files are written under temporary
    // names and renamed into place.

    // Writes the nodes from start up to (not including) stop in depth-first order, or to
    // the end of the tree without a stop node, below destDir.
    void ExtractRange(const std::string& destDir, const TreeNode* start, const TreeNode* stop,
                      const ProgressObserver& observer = {}) const;
    // Writes the subtree of each node, in order, below destDir.
    void ExtractNodes(const std::string& destDir, const std::vector<TreeNode*>& nodes,
                      const ProgressObserver& observer = {}) const;
    // The same below a folder already opened and checked (the temporary folder).
    void ExtractNodes(const OpenFolder& folder, const std::vector<TreeNode*>& nodes,
                      const ProgressObserver& observer = {}) const;
    // Writes one file with size bytes from offset of the package; an existing file is
    // overwritten.
    void ExtractEntryToFile(const std::string& filePath, std::int32_t offset, std::int32_t size) const;

private:
    friend class PackageWriter;
    void extractNodes(Destination& destination, const std::vector<TreeNode*>& nodes,
                      const ProgressObserver& observer) const;
    void Compact(const std::vector<TreeNode*>& doomed, TreeNode* replaced, const std::string& newBytes,
                 const std::vector<EntryRecord>& formerRecords = {});

    std::string path_;
    FolderTree tree_;
    FileStamp stamp_;
    std::string recoveryNote_;
};

} // namespace tessel
