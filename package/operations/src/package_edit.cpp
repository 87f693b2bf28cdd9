#include "package_edit.h"

#include <memory>

#include "compaction.h"
#include "directory_buffer.h"
#include "package_error.h"
#include "vp_format.h"

#include <algorithm>
#include <sys/stat.h>
#include <unordered_set>

namespace tessel {

namespace {

std::pair<dev_t, ino_t> IdOf(const PackageFile& file) {
    struct stat info {};
    if (::fstat(file.descriptor(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino};
}

} // namespace

PackageEdit::PackageEdit(Package& package)
    : writer_(package), fileId_(IdOf(writer_.file())), end_(writer_.dataEnd()),
      records_(DirectoryRecordCount(package.tree_)) {}

PackageEdit::PackageEdit(Package& package, PackageFile scratch)
    : writer_(package, std::move(scratch)), fileId_(IdOf(writer_.file())), end_(kHeaderSize),
      records_(DirectoryRecordCount(package.tree_)) {}

PackageEdit::~PackageEdit() {
    if (finished_)
        return;
    try {
        rollback();
    } catch (...) {
        // Only a test's simulated crash gets here, and a crashed program does no more.
    }
}

PackageEdit::Own PackageEdit::ownFile(dev_t device, ino_t inode) const {
    const std::pair id(device, inode);
    if (id == fileId_)
        return writer_.fresh() ? Own::Scratch : Own::Package;
    if (undoArmed_ && id == journalId_)
        return Own::Scratch;
    return Own::None;
}

bool PackageEdit::fits(std::int64_t bytes, std::int64_t records, std::int64_t going) const {
    if (bytes > kLargestPackage || end_ > kLargestPackage)
        return false;
    const std::int64_t directory = (records_ + records) * kDirEntrySize;
    return end_ - going_ - going + bytes + directory <= kLargestPackage;
}

void PackageEdit::armUndo() {
    if (undo_ || writer_.fresh())
        return;
    const std::string& header = writer_.header();
    std::vector<Piece> originals{{0, header}, {writer_.dataEnd(), writer_.tail()}};
    undo_.emplace(EditJournal::ArmUndo(writer_.file(), writer_.sizeAtOpen(), originals));
    undoArmed_ = true;
    const FileStamp journal = StampOf(JournalPath(writer_.file().path()));
    journalId_ = {journal.device, journal.inode};
}

bool PackageEdit::append(const ByteSource& source, std::int64_t size, EntryRecord& record) {
    armUndo();
    PackageFile& file = writer_.file();
    file.seek(end_);
    if (source.fd >= 0) {
        const CopyResult copied = file.copyFrom(source.fd, 0, size);
        // What was written of a source that could not be read whole is written over by the
        // next bytes or cut at the commit.
        if (copied.readFailed || copied.sourceEnded)
            return false;
    } else {
        std::vector<char> buffer(static_cast<std::size_t>(
            std::min<std::int64_t>(std::max<std::int64_t>(size, 1), kCopyBufferSize)));
        for (std::int64_t done = 0; done < size;) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::int64_t>(size - done, kCopyBufferSize));
            const std::size_t got = source.read(buffer.data(), want);
            if (got == 0)
                return false;
            file.writeAll(buffer.data(), got);
            done += static_cast<std::int64_t>(got);
        }
    }
    record.Offset = static_cast<std::int32_t>(end_);
    record.Size = static_cast<std::int32_t>(size);
    end_ += size;
    changed_ = true;
    return true;
}

TreeNode* PackageEdit::addFolder(TreeNode* parent, const std::string& name) {
    TreeNode* node = writer_.package().tree_.appendChild(parent, name);
    changes_.push_back({node, Change::Added, {}, {}});
    records_ += 2;
    changed_ = true;
    return node;
}

namespace {

// A file record with timestamp 0 reads back as a folder: a file dated exactly 1970-01-01
// 00:00:00 is stored a second later.
std::int32_t FileTimestamp(std::int32_t timestamp) {
    return timestamp == 0 ? 1 : timestamp;
}

} // namespace

TreeNode* PackageEdit::addFile(TreeNode* parent, const std::string& name, const ByteSource& source,
                               std::int64_t size, std::int32_t timestamp) {
    timestamp = FileTimestamp(timestamp);
    EntryRecord record = NewEntryRecord(0, 0, timestamp, name);
    if (!append(source, size, record))
        return nullptr;
    TreeNode* node = writer_.package().tree_.appendChild(parent, name, record);
    changes_.push_back({node, Change::Added, {}, {}});
    ++records_;
    return node;
}

ByteSource BytesSource(std::string_view bytes) {
    auto given = std::make_shared<std::size_t>(0);
    return ByteSource{-1, [bytes, given](char* buffer, std::size_t room) {
                          const std::size_t n = std::min(room, bytes.size() - *given);
                          std::copy_n(bytes.data() + *given, n, buffer);
                          *given += n;
                          return n;
                      }};
}

TreeNode* PackageEdit::addCopy(TreeNode* parent, const EntryRecord& record) {
    TreeNode* node = writer_.package().tree_.appendChild(parent, record.nameView(), record);
    changes_.push_back({node, Change::Added, {}, {}});
    ++records_;
    changed_ = true;
    return node;
}

void PackageEdit::share(TreeNode* node, const EntryRecord& from) {
    EntryRecord record = *node->record();
    changes_.push_back({node, Change::Record, {}, record});
    formerRecords_.push_back(record);
    going_ += std::max(record.Size, 0);
    record.Offset = from.Offset;
    record.Size = from.Size;
    record.Timestamp = from.Timestamp;
    node->setRecord(record);
    changed_ = true;
}

bool PackageEdit::replace(TreeNode* node, const ByteSource& source, std::int64_t size,
                          std::int32_t timestamp) {
    timestamp = FileTimestamp(timestamp);
    EntryRecord record = *node->record();
    if (!append(source, size, record))
        return false;
    changes_.push_back({node, Change::Record, {}, *node->record()});
    formerRecords_.push_back(*node->record());
    going_ += std::max(node->record()->Size, 0);
    record.Timestamp = timestamp;
    node->setRecord(record);
    return true;
}

void PackageEdit::rename(TreeNode* node, const std::string& name) {
    changes_.push_back({node, Change::Renamed, std::string(node->text()),
                        node->record() ? std::optional<EntryRecord>(*node->record()) : std::nullopt});
    node->setText(name);
    changed_ = true;
}

void PackageEdit::remove(TreeNode* node) {
    if (!node->parent() || doomed(node))
        return;
    doomed_.push_back(node);
    doomedSet_.insert(node);
    for (const TreeNode* inside : Subtree(node)) {
        records_ -= inside->isFolder() ? 2 : 1;
        if (const EntryRecord* record = inside->record())
            going_ += std::max(record->Size, 0);
    }
    changed_ = true;
}

std::int64_t PackageEdit::dropUnused() {
    std::vector<Interval> used;
    for (const TreeNode* node : Subtree(writer_.package().tree_.root())) {
        if (const EntryRecord* record = node->record())
            used.push_back(DataOf(*record, end_));
    }
    std::int64_t unused = 0;
    for (const Interval& gap : Subtract({{kHeaderSize, end_}}, Merged(used)))
        unused += gap.end - gap.begin;
    if (unused > 0) {
        dropUnused_ = true;
        changed_ = true;
    }
    return unused;
}

bool PackageEdit::doomed(const TreeNode* node) const {
    for (const TreeNode* up = node; up; up = up->parent()) {
        if (doomedSet_.count(up))
            return true;
    }
    return false;
}

void PackageEdit::commit(const std::string& done) {
    Package& package = writer_.package();
    FolderTree& tree = package.tree_;
    if (!changed_) {
        finished_ = true;
        return;
    }
    // Every node that goes, found once: asking each node's folders, for every node, several
    // times over, was most of a small delete's own work.
    std::unordered_set<const TreeNode*> gone;
    for (const TreeNode* root : doomed_) {
        for (const TreeNode* inside : Subtree(root))
            gone.insert(inside);
    }
    auto isDoomed = [&gone](const TreeNode* node) { return gone.count(node) != 0; };
    // The bytes that go: those of removed entries and the old bytes of replaced ones, but
    // for what a remaining entry shares with them.
    std::vector<Interval> going, kept;
    for (const TreeNode* node : Subtree(tree.root())) {
        if (const EntryRecord* record = node->record())
            (isDoomed(node) ? going : kept).push_back(DataOf(*record, end_));
    }
    for (const EntryRecord& record : formerRecords_)
        going.push_back(DataOf(record, end_));
    if (dropUnused_)
        going.push_back({kHeaderSize, end_});
    const Compaction compaction(Subtract(Merged(going), Merged(kept)), end_);

    DirectoryView view;
    view.leaveOut = isDoomed;
    view.recordOf = [&](const TreeNode* node) {
        EntryRecord record = *node->record();
        record.Offset = static_cast<std::int32_t>(compaction.shifted(record.Offset));
        return record;
    };
    DirectoryBuffer directory;
    const std::int32_t count = WriteDirectory(tree, directory, view);
    const std::int64_t dirOffset = compaction.newDataEnd();
    const std::int64_t end = dirOffset + static_cast<std::int64_t>(directory.bytes.size());
    if (end > kLargestPackage)
        throw PackageError(std::string("The package cannot be written: ") + kTooLargeReason);

    RedoPlan plan;
    plan.moves = compaction.moves();
    plan.pieces.push_back({dirOffset, std::string(directory.bytes.begin(), directory.bytes.end())});
    plan.pieces.push_back({0, HeaderBytes(static_cast<std::int32_t>(dirOffset), count)});
    plan.finalSize = end;
    // The journal's removal is the commit: when the folder cannot be synced after it, the
    // edit is made but a power cut could still undo it, which the user must hear.
    std::string notDurable;
    try {
        if (compaction.empty()) {
            armUndo();
            ApplyPieces(writer_.file(), plan.pieces, plan.finalSize);
            if (undo_) {
                undoArmed_ = false;
                undo_->remove();
                undo_.reset();
            }
        } else {
            runRedo(plan);
        }
    } catch (const FolderNotSynced& error) {
        undo_.reset();
        notDurable = error.what();
    }
    finished_ = true;
    // The file is as planned: the tree follows.
    if (!compaction.empty()) {
        for (TreeNode* node : Subtree(tree.root())) {
            if (node->record() && !isDoomed(node))
                node->setRecord(view.recordOf(node));
        }
    }
    for (TreeNode* node : doomed_)
        tree.remove(node);
    writer_.written();
    if (!notDurable.empty())
        throw PackageError((done.empty() ? "\"" + FullPath(package.path()) + "\" was edited" : done) +
                           "; the folder could not be synced, so a power cut now could undo it (" +
                           notDurable + ")");
}

void PackageEdit::runRedo(const RedoPlan& plan) {
    PackageFile& file = writer_.file();
    try {
        EditJournal journal = EditJournal::ArmRedo(file, plan, std::move(undo_));
        undo_.reset();
        undoArmed_ = false;
        std::int64_t total = 0;
        for (const Move& move : plan.moves)
            total += move.length;
        MoveProgress moved;
        if (moved_)
            moved = [this, total](std::int64_t done) { moved_(done, total); };
        CompleteRedo(file, journal, plan, 0, moved);
        return;
    } catch (const FolderNotSynced&) {
        // Only the journal's removal syncs the folder after a change: the edit is made.
        throw;
    } catch (const PackageError& failure) {
        // Whatever journal stands says where the edit goes: follow it now, as the next open
        // would.
        undo_.reset();
        undoArmed_ = false;
        const std::string path = file.path();
        file.close();
        Recovery recovery = Recovery::None;
        try {
            recovery = RecoverInterruptedEdit(path);
            file = PackageFile::Open(path, FileAccess::Read, FileSharing::Unlocked);
        } catch (const PackageError&) {
            throw PackageError(std::string(failure.what()) + ". The edit is kept in \"" +
                               FullPath(JournalPath(path)) +
                               "\" and will be finished when the package is next opened");
        }
        writer_.written();
        if (recovery != Recovery::Completed)
            throw;
    }
}

bool PackageEdit::undo() {
    undo_.reset();
    undoArmed_ = false;
    PackageFile& file = writer_.file();
    const std::string path = file.path();
    file.close();
    try {
        RecoverInterruptedEdit(path);
        file = PackageFile::Open(path, FileAccess::Read, FileSharing::Unlocked);
        writer_.written();
        return true;
    } catch (const PackageError&) {
        // The journal stays: the next open of the package undoes the edit.
        return false;
    }
}

void PackageEdit::rollback() {
    if (finished_)
        return;
    finished_ = true;
    if (undoArmed_)
        undo();
    FolderTree& tree = writer_.package().tree_;
    for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
        switch (change->kind) {
        case Change::Added:
            tree.remove(change->node);
            break;
        case Change::Record:
            change->node->setRecord(*change->record);
            break;
        case Change::Renamed:
            change->node->setText(change->text);
            if (change->record)
                change->node->setRecord(*change->record);
            break;
        }
    }
    changes_.clear();
}

} // namespace tessel
