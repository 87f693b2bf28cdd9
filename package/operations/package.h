// The open package: its path, the folder tree that mirrors its directory, and the stamp of
// the file as it was loaded or last written. It is the one door to package bytes: every
// read and every edit is one of its operations, each edit keeps the tree in step with the
// file, and nothing outside the engine changes the tree.
#pragma once

#include "entry_change.h"
#include "folder_tree.h"
#include "package_file.h"
#include "progress.h"
#include "temp_folder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class Destination;

class Package {
public:
    Package() = default;
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // Finishes or undoes an edit of the file that was cut short, then opens the file
    // read-only and reads its directory. The path is kept absolute. On any error this
    // package stays as it was. A file shorter than the header is an empty package.
    void LoadPackage(const std::string& path);
    // Reads only the part of the package that the entry paths can name, with what the folders
    // among them hold and the folders that hold them: memory grows with that part, not with
    // the package. Such a package is for reading; edits refuse it.
    void LoadEntries(const std::string& path, const std::vector<std::string>& entryPaths);
    // Makes a new package at the path, which must be free, from the disk files and folders.
    // The file is written once, under a scratch name beside its own, and takes its name when
    // whole; nothing stands at the name before. Paths that cannot be added are reported to
    // the observer and left out.
    static void Create(const std::string& path, const std::vector<std::string>& diskPaths,
                       const ProgressObserver& observer = {}, const RunChoices& times = {});

    // What the last load had to do about an interrupted edit, as a sentence for the user;
    // empty when there was none.
    const std::string& recoveryNote() const { return recoveryNote_; }
    // Why edits cannot be written, as found at open ("it lies on a read-only file system");
    // empty when they can.
    const std::string& readOnlyReason() const { return readOnlyReason_; }

    bool isOpen() const { return !tree_.empty(); }
    const std::string& path() const { return path_; }
    const FolderTree& tree() const { return tree_; }
    // The file as loaded or last written; an edit of a file that no longer matches it is
    // refused.
    const FileStamp& stamp() const { return stamp_; }
    // The file entries whose data does not lie whole inside the file: they cannot be read.
    std::vector<const TreeNode*> EntriesOutsideTheFile() const;

    // Edits. Each is one atomic edit under an exclusive lock: it refuses a file that changed
    // on disk or is not a sound package, and ends with the package as before or as after.
    // The nodes given are nodes of this package's tree.

    // Writes the directory and header again without touching the data area.
    void RewriteDirectory();
    // Removes the nodes (files, and folders with everything inside them). The data behind
    // the first removed byte moves down once; bytes that a remaining entry uses are kept.
    void DeleteEntries(const std::vector<const TreeNode*>& nodes, const ProgressObserver& observer = {});
    // Gives a file or folder a new name, in the package and in the tree.
    void RenameEntry(const TreeNode* node, const std::string& newName);
    // Adds the paths in order, as the parent's last children. A file whose name a file of
    // the folder has is added beside it, skipped or replaced as the observer's clash
    // answers; a folder that exists is added into. The whole run is one edit: a failure
    // leaves the package as it was, while a RunCancelled from the observer, or a file that
    // would take the package past 2 GiB, ends it with what was added so far kept (and is
    // raised again). Adding events carry the index of the path being added among those
    // given, and the number of paths as their total.
    // With `into` ("maps/extra") they go into that folder below the parent, its folders made
    // in the same edit where the package has none.
    void AddPaths(const std::vector<std::string>& diskPaths, const TreeNode* parent,
                  const ProgressObserver& observer = {}, const RunChoices& times = {},
                  const std::string& into = {});
    // One path, as AddPaths adds it.
    void AddPath(const std::string& diskPath, const TreeNode* parent, const ProgressObserver& observer = {});
    // Makes the package folder hold the disk folder's files, as one edit: files it lacks are
    // added, files whose bytes differ (sizes first, then contents) get the disk's bytes, and
    // with removeMissing the entries the disk folder lacks go. Entries that do not change
    // keep their bytes, places and timestamps; nothing to do writes nothing. Returns what
    // changed (or would, on a dry run), in the order found; paths that cannot be stored are
    // reported to the observer and left out.
    std::vector<EntryChange> Sync(const std::string& diskFolder, const TreeNode* folder,
                                  const SyncOptions& options, const ProgressObserver& observer = {});
    // Gives a file entry the bytes of a disk file, keeping its place in the directory, with
    // the new size and the current time; its old bytes go unless another entry uses them.
    // The new bytes stream from the file: memory stays bounded whatever its size.
    void ReplaceEntry(const TreeNode* node, const std::string& diskPath);
    // The same with bytes held in memory (a text edited in the window).
    void ReplaceEntryBytes(const TreeNode* node, std::string_view bytes);

    // Edits named by entry paths, for a package seen as a folder: each is one edit.

    // Gives each path the bytes of a disk file or of memory: a file entry of that name
    // (ignoring case) in the folder gets them in its place, any other name becomes a new
    // entry, with the folders its path lacks made. A write that cannot be made ends the edit
    // with nothing written.
    struct FileWrite {
        std::string folderPath; // "data/maps", "" for the top level
        std::string name;
        // The disk file that holds the bytes; without one, they are `bytes`.
        std::string diskPath;
        std::string_view bytes;
        std::int64_t modified = 0; // seconds since 1970, UTC
    };
    void WriteFiles(const std::vector<FileWrite>& writes);
    // An empty folder at the path, with the folders above it that the package lacks.
    void MakeFolder(const std::string& folderPath);
    // Puts a file or folder into a folder (its own, or another) under a name. An entry that
    // holds exactly that name there goes in the same edit, when both are files or when both
    // are folders and it is empty: how a file saved under a scratch name takes the place of
    // the one it replaces. Moved entries keep their bytes, timestamps and order.
    void MoveEntry(const TreeNode* node, const TreeNode* folder, const std::string& name);

    // Removes the bytes of the data area that no entry uses (gaps left by other programs,
    // bytes an edit cut short left behind), keeping the data in its order and shared bytes
    // shared. Returns the bytes removed; with none, nothing is written.
    std::int64_t Compact(const ProgressObserver& observer = {});

    // Writes the package as an archive of another format, chosen by the target's name (.zip,
    // .7z, .tar, .tar.gz, .tar.xz, .tar.zst): its folders and files with their timestamps.
    // The archive is written under a scratch name beside the target and takes its name when
    // whole; nothing may stand at the name before.
    void WriteArchive(const std::string& target, const ProgressObserver& observer = {}) const;

    // Reads. Each run opens the package once, holds it against edits for its length, and
    // refuses a file that changed since it was loaded. Files are written under temporary
    // names and renamed into place.

    // Writes the nodes from start up to (not including) stop in depth-first order, or to
    // the end of the tree without a stop node, below destDir.
    void ExtractRange(const std::string& destDir, const TreeNode* start, const TreeNode* stop,
                      const ProgressObserver& observer = {}, const RunChoices& times = {}) const;
    // Writes the subtree of each node, in order, below destDir.
    void ExtractNodes(const std::string& destDir, const std::vector<const TreeNode*>& nodes,
                      const ProgressObserver& observer = {}, const RunChoices& times = {}) const;
    // The same below a folder already opened and checked (the temporary folder).
    void ExtractNodes(const OpenFolder& folder, const std::vector<const TreeNode*>& nodes,
                      const ProgressObserver& observer = {}, const RunChoices& times = {}) const;
    // Writes the bytes of the file entries, one after the other, to the descriptor (standard
    // output, a pipe), in order.
    void SendEntries(const std::vector<const TreeNode*>& entries, int fd) const;
    // Writes one file with size bytes from offset of the package; an existing file is
    // replaced.
    void ExtractEntryToFile(const std::string& filePath, std::int32_t offset, std::int32_t size) const;

private:
    friend class PackageWriter;
    friend PackageFile OpenForEdit(const Package& package);
    friend class PackageEdit;
    void extractNodes(Destination& destination, const std::vector<const TreeNode*>& nodes,
                      const ProgressObserver& observer, const RunChoices& times) const;
    // The node as the edits change it: the tree is this package's own.
    static TreeNode* Own(const TreeNode* node) { return const_cast<TreeNode*>(node); }

    void load(const std::string& path, const std::vector<std::string>* part);

    std::string path_;
    FolderTree tree_;
    bool partial_ = false;
    FileStamp stamp_;
    std::string recoveryNote_;
    std::string readOnlyReason_;
};

} // namespace tessel
