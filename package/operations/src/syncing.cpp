// Keeping a package folder in step with a disk folder: a plan made by walking both side by
// side (names compared ignoring ASCII case, bytes compared only where sizes agree), then
// carried out as one edit.
#include "package.h"

#include "adder.h"
#include "adding.h"
#include "compare_queue.h"
#include "entry_name.h"
#include "entry_path.h"
#include "folder_lookahead.h"
#include "package_edit.h"
#include "package_error.h"
#include "source_folders.h"
#include "sync_index.h"

#include <algorithm>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unordered_map>

namespace tessel {

namespace {

class SyncPlan {
public:
    SyncPlan(PackageEdit& edit, const SyncOptions& options, const ProgressObserver& observer,
             SyncIndex& index, std::unique_ptr<FolderLookahead> lookahead)
        : edit_(edit), options_(options), observer_(observer), index_(index),
          lookahead_(std::move(lookahead)),
          compared_(edit.file().descriptor(), [this](CompareQueue::File& file, bool same) {
              if (same)
                  index_.remember(std::move(file.relative), file.node, file.info, file.known);
              else
                  replaced(file.node, file.diskPath, file.relative, file.info);
          }) {}

    struct Step {
        enum Kind { Add, Replace, Remove } kind;
        std::string diskPath;
        TreeNode* node;            // the parent of an addition; the entry replaced or removed
        std::string relative = {}; // of a file replaced, below the disk folder synced
    };

    // Compares the disk folder, open, with the package folder; `relative` is its path below
    // the folder synced ("" for that folder).
    void compare(int folderFd, const std::string& diskPath, const std::string& relative, TreeNode* folder) {
        FolderListing listing;
        try {
            listing =
                lookahead_ ? lookahead_->take(relative, folderFd) : FolderListing{ListEntries(folderFd), {}};
        } catch (const PackageError& error) {
            return skip(diskPath, std::string("it cannot be listed: ") + error.what());
        }
        listing.statuses.resize(listing.entries.size());
        const std::vector<FolderEntry>& entries = listing.entries;
        const std::vector<EntryStatus>& statuses = listing.statuses;
        // The folder's children by their keys, each with whether the disk folder has it.
        std::unordered_map<std::string_view, std::size_t, FoldedHash, FoldedEqual> children;
        std::vector<TreeNode*> nodes;
        for (TreeNode* child = folder->firstChild(); child; child = child->nextSibling()) {
            children.emplace(child->text(), nodes.size());
            nodes.push_back(child);
        }
        std::vector<char> seen(nodes.size(), 0);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const FolderEntry& entry = entries[i];
            std::string below = relative.empty() ? entry.name : relative + "/" + entry.name;
            const auto found = children.find(entry.name);
            TreeNode* node = found == children.end() ? nullptr : nodes[found->second];
            if (node)
                seen[found->second] = 1;
            struct stat info = statuses[i].info;
            // A file the index vouches for: a regular file of the entry's size, as the last sync
            // left both. Its name is one the package holds already.
            if (node && node->isFile() && statuses[i].known && info.st_size == node->record()->Size &&
                index_.knownEqual(below, *node->record(), info)) {
                // The index keeps the order of the walk, which the next sync meets line by line.
                if (compared_.idle())
                    index_.remember(std::move(below), node, info, true);
                else
                    compared_.push({FileDescriptor(), info, node, {}, std::move(below), true});
                continue;
            }
            const std::string path = diskPath + "/" + entry.name;
            if (const std::string why = NewNameProblem(entry.name); !why.empty()) {
                skip(path, why);
                continue;
            }
            FileDescriptor fd;
            if (const std::string why = OpenListed(folderFd, entry, fd, info); !why.empty()) {
                skip(path, why);
                continue;
            }
            const bool isFolder = S_ISDIR(info.st_mode);
            if (node && node->isFolder() != isFolder) {
                if (!options_.removeMissing) {
                    skip(path, isFolder ? "a file of that name is in the package"
                                        : "a folder of that name is in the package");
                    continue;
                }
                removed(node);
                node = nullptr;
            }
            if (!node) {
                added(path, folder, fd.get(), info);
                continue;
            }
            if (isFolder) {
                compare(fd.get(), path, below, node);
                continue;
            }
            if (node->record()->Size != info.st_size) {
                replaced(node, path, below, info);
                continue;
            }
            compared_.push({std::move(fd), info, node, path, std::move(below), false});
        }
        if (!options_.removeMissing)
            return;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (!seen[i])
                removed(nodes[i]);
        }
    }

    // Answers every file still being compared.
    void settle() { compared_.finish(); }

    void apply(const RunChoices& times) {
        Adder adder(edit_, observer_, times);
        // What goes is counted first, so that the package's room for the new bytes is known.
        std::stable_partition(steps_.begin(), steps_.end(),
                              [](const Step& step) { return step.kind == Step::Remove; });
        for (const Step& step : steps_) {
            switch (step.kind) {
            case Step::Add:
                adder.add(step.diskPath, step.node);
                break;
            case Step::Remove:
                edit_.remove(step.node);
                break;
            case Step::Replace:
                replace(step);
                break;
            }
        }
    }

    std::vector<EntryChange>& changes() { return changes_; }

private:
    void replace(const Step& step) {
        const FileDescriptor source(::open(step.diskPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (!source.valid() || ::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode))
            return skip(step.diskPath,
                        source.valid() ? "it is not a regular file any more" : SystemReason(errno));
        if (!edit_.fits(info.st_size, 0, step.node->record()->Size))
            throw TooLarge(step.diskPath);
        if (!edit_.replace(step.node, ByteSource{source.get()}, info.st_size, timestampOf(info)))
            return skip(step.diskPath, "it could not be read");
        index_.remember(step.relative, step.node, info);
    }

    void replaced(TreeNode* node, const std::string& diskPath, const std::string& relative,
                  const struct stat& info) {
        steps_.push_back({Step::Replace, diskPath, node, relative});
        const EntryRecord& record = *node->record();
        EntryRecord after = record;
        after.Size = static_cast<std::int32_t>(info.st_size);
        after.Timestamp = timestampOf(info);
        changes_.push_back({EntryChange::Changed, EntryPath(node), record, after});
    }

    // An entry the disk lacks goes, with everything inside it.
    void removed(TreeNode* node) {
        steps_.push_back({Step::Remove, {}, node});
        for (const TreeNode* inside : Subtree(static_cast<const TreeNode*>(node)))
            changes_.push_back(
                {EntryChange::Removed, EntryPath(inside),
                 inside->record() ? std::optional<EntryRecord>(*inside->record()) : std::nullopt,
                 std::nullopt});
    }

    // A file or folder the package lacks comes, with everything inside it; its lines are
    // made from the disk, so that a dry run says the same.
    void added(const std::string& diskPath, TreeNode* folder, int fd, const struct stat& info) {
        steps_.push_back({Step::Add, diskPath, folder});
        const std::string name = diskPath.substr(diskPath.rfind('/') + 1);
        const std::string path = EntryPath(folder) + name;
        addedLines(fd, info, path);
    }

    void addedLines(int fd, const struct stat& info, const std::string& path) {
        if (!S_ISDIR(info.st_mode)) {
            EntryRecord after;
            after.Size = static_cast<std::int32_t>(info.st_size);
            after.Timestamp = timestampOf(info);
            changes_.push_back({EntryChange::Added, path, std::nullopt, after});
            return;
        }
        changes_.push_back({EntryChange::Added, path + "/", std::nullopt, std::nullopt});
        std::vector<FolderEntry> entries;
        try {
            entries = ListEntries(fd);
        } catch (const PackageError&) {
            return; // the adding says why
        }
        for (const FolderEntry& entry : entries) {
            FileDescriptor child;
            struct stat childInfo {};
            if (NewNameProblem(entry.name).empty() && OpenListed(fd, entry, child, childInfo).empty())
                addedLines(child.get(), childInfo, path + "/" + entry.name);
        }
    }

    std::int32_t timestampOf(const struct stat& info) const {
        return options_.times.keepTimes ? TimestampOf(info.st_mtim.tv_sec) : LocalTimestampNow();
    }

    void skip(const std::string& path, const std::string& why) {
        if (observer_.skipped)
            observer_.skipped(path, why);
    }

    PackageEdit& edit_;
    const SyncOptions& options_;
    const ProgressObserver& observer_;
    SyncIndex& index_;
    // Only a sync with an index to trust lists and stats files ahead.
    std::unique_ptr<FolderLookahead> lookahead_;
    // Files of their entries' sizes, compared while the walk goes on, with the files the index
    // vouched for between them: the index keeps the order of the walk.
    CompareQueue compared_;
    std::vector<Step> steps_;
    std::vector<EntryChange> changes_;
};

} // namespace

std::vector<EntryChange> Package::Sync(const std::string& diskFolder, const TreeNode* folder,
                                       const SyncOptions& options, const ProgressObserver& observer) {
    if (!folder || !folder->isFolder())
        throw PackageError("A sync goes into a folder of the package");
    const FileDescriptor top(::open(diskFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top.valid())
        throw PackageError("Cannot read the folder \"" + FullPath(diskFolder) + "\". " + SystemReason(errno));
    // Where the last sync left an index, most files will only be listed and their statuses
    // taken: helpers start at once, while the index is read and the package opened for the edit.
    const std::string indexFile = SyncIndex::FileFor(path_, diskFolder, EntryPath(folder));
    auto lookahead = SyncIndex::Kept(indexFile) ? std::make_unique<FolderLookahead>(top.get()) : nullptr;
    SyncIndex index(indexFile, stamp_);
    if (index.empty())
        lookahead.reset(); // every file is read: the helpers' statuses would be taken again
    PackageEdit edit(*this);
    edit.onMoved(observer.moved);
    SyncPlan plan(edit, options, observer, index, std::move(lookahead));
    plan.compare(top.get(), diskFolder, "", Own(folder));
    plan.settle();
    if (!options.dryRun && !plan.changes().empty()) {
        plan.apply(options.times);
        edit.commit("\"" + FullPath(path_) + "\" was synced with \"" + FullPath(diskFolder) + "\"");
    }
    index.save(stamp_);
    return std::move(plan.changes());
}

} // namespace tessel
