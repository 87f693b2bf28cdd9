#include "package.h"

#include "adding.h"
#include "directory_buffer.h"
#include "entry_name.h"
#include "entry_path.h"
#include "name_text.h"
#include "package_error.h"
#include "package_writer.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

namespace tessel {

namespace {

struct Interval {
    std::int64_t begin;
    std::int64_t end;
};

// Sorts and merges intervals into disjoint ones.
std::vector<Interval> Merged(std::vector<Interval> intervals) {
    std::sort(intervals.begin(), intervals.end(),
              [](const Interval& a, const Interval& b) { return a.begin < b.begin; });
    std::vector<Interval> merged;
    for (const Interval& interval : intervals) {
        if (interval.begin >= interval.end)
            continue;
        if (!merged.empty() && interval.begin <= merged.back().end)
            merged.back().end = std::max(merged.back().end, interval.end);
        else
            merged.push_back(interval);
    }
    return merged;
}

// The parts of the first set that the second does not cover; both disjoint and sorted.
std::vector<Interval> Subtract(const std::vector<Interval>& from, const std::vector<Interval>& cut) {
    std::vector<Interval> rest;
    std::size_t c = 0;
    for (Interval piece : from) {
        while (c < cut.size() && cut[c].end <= piece.begin)
            ++c;
        std::size_t k = c;
        while (piece.begin < piece.end && k < cut.size() && cut[k].begin < piece.end) {
            if (cut[k].begin > piece.begin)
                rest.push_back({piece.begin, cut[k].begin});
            piece.begin = std::max(piece.begin, cut[k].end);
            ++k;
        }
        if (piece.begin < piece.end)
            rest.push_back(piece);
    }
    return rest;
}

// A file's data, clipped to the data area.
Interval DataOf(const EntryRecord& record, std::int64_t dataEnd) {
    const std::int64_t begin = std::max<std::int64_t>(record.Offset, kHeaderSize);
    const std::int64_t end =
        std::min<std::int64_t>(std::int64_t(record.Offset) + std::max(record.Size, 0), dataEnd);
    return {begin, std::max(begin, end)};
}

// The nodes to delete, without the root and without nodes inside other given folders.
std::vector<TreeNode*> OutermostNodes(const std::vector<TreeNode*>& nodes) {
    std::unordered_set<const TreeNode*> given(nodes.begin(), nodes.end());
    std::vector<TreeNode*> outermost;
    std::unordered_set<const TreeNode*> taken;
    for (TreeNode* node : nodes) {
        if (!node->parent() || taken.count(node))
            continue;
        bool inside = false;
        for (const TreeNode* up = node->parent(); up && !inside; up = up->parent())
            inside = given.count(up) > 0;
        if (!inside) {
            outermost.push_back(node);
            taken.insert(node);
        }
    }
    return outermost;
}

} // namespace

// Removes the data of the doomed nodes, of the replaced node's old bytes and of the former
// records (bytes no entry uses any more) from the data area, moving what follows down, puts the replacement's bytes at the new data end,
// and writes the directory of the tree as it will be: one redo edit.
void Package::Compact(const std::vector<TreeNode*>& doomed, TreeNode* replaced, const std::string& newBytes,
                      const std::vector<EntryRecord>& formerRecords) {
    PackageWriter writer(*this);
    const std::int64_t dataEnd = writer.dataEnd();
    const std::unordered_set<const TreeNode*> doomedSet(doomed.begin(), doomed.end());
    auto isDoomed = [&](const TreeNode* node) {
        for (const TreeNode* up = node; up; up = up->parent()) {
            if (doomedSet.count(up))
                return true;
        }
        return false;
    };
    std::vector<Interval> deleted, kept;
    for (const TreeNode* node = tree_.root(); node; node = node->next()) {
        if (const EntryRecord* record = node->record())
            (node == replaced || isDoomed(node) ? deleted : kept).push_back(DataOf(*record, dataEnd));
    }
    for (const EntryRecord& record : formerRecords)
        deleted.push_back(DataOf(record, dataEnd));
    // Bytes that a remaining entry shares with a removed one stay.
    const std::vector<Interval> removed = Subtract(Merged(deleted), Merged(kept));

    RedoPlan plan;
    std::vector<std::int64_t> removedUpTo(removed.size() + 1, 0);
    for (std::size_t i = 0; i < removed.size(); ++i) {
        removedUpTo[i + 1] = removedUpTo[i] + removed[i].end - removed[i].begin;
        const std::int64_t from = removed[i].end;
        const std::int64_t until = i + 1 < removed.size() ? removed[i + 1].begin : dataEnd;
        if (until > from)
            plan.moves.push_back({from, from - removedUpTo[i + 1], until - from});
    }
    auto removedBefore = [&](std::int64_t offset) {
        const auto after =
            std::partition_point(removed.begin(), removed.end(),
                                 [&](const Interval& interval) { return interval.begin < offset; });
        const auto count = static_cast<std::size_t>(after - removed.begin());
        if (count == 0)
            return std::int64_t{0};
        const Interval& last = removed[count - 1];
        return removedUpTo[count - 1] + std::min(last.end, offset) - last.begin;
    };
    const std::int64_t newDataStart = dataEnd - removedUpTo.back();
    const std::int64_t dirOffset = newDataStart + static_cast<std::int64_t>(newBytes.size());
    EntryRecord replacement;
    if (replaced) {
        replacement = *replaced->record();
        replacement.Offset = static_cast<std::int32_t>(newDataStart);
        replacement.Size = static_cast<std::int32_t>(newBytes.size());
        replacement.Timestamp = LocalTimestampNow();
    }
    DirectoryView view;
    view.leaveOut = isDoomed;
    view.recordOf = [&](const TreeNode* node) {
        if (node == replaced)
            return replacement;
        EntryRecord record = *node->record();
        record.Offset = static_cast<std::int32_t>(record.Offset - removedBefore(record.Offset));
        return record;
    };
    DirectoryBuffer directory;
    const std::int32_t count = WriteDirectory(tree_, directory, view);
    const std::int64_t end = dirOffset + static_cast<std::int64_t>(directory.bytes.size());
    if (end > kLargestPackage)
        throw PackageError("The package would grow beyond 2 GiB, the largest a VP package can be");
    if (!newBytes.empty())
        plan.pieces.push_back({newDataStart, newBytes});
    plan.pieces.push_back({dirOffset, std::string(directory.bytes.begin(), directory.bytes.end())});
    plan.pieces.push_back({0, HeaderBytes(static_cast<std::int32_t>(dirOffset), count)});
    plan.finalSize = end;
    writer.runRedo(plan);

    // The file is as planned: the tree follows.
    for (TreeNode* node = tree_.root(); node; node = node->next()) {
        if (node->record() && !isDoomed(node))
            node->setRecord(view.recordOf(node));
    }
    for (TreeNode* node : doomed)
        tree_.remove(node);
    stamp_ = writer.file().stamp();
}

void Package::RewriteDirectory() {
    PackageWriter writer(*this);
    writer.beginUndo();
    try {
        writer.commitDirectory(writer.dataEnd());
    } catch (...) {
        writer.rollback();
        throw;
    }
}

void Package::DeleteEntries(const std::vector<TreeNode*>& nodes) {
    const std::vector<TreeNode*> doomed = OutermostNodes(nodes);
    if (!doomed.empty())
        Compact(doomed, nullptr, {});
}

void Package::ReplaceEntry(TreeNode* node, const std::string& diskPath) {
    if (!node || !node->isFile())
        throw PackageError("Only a file can have its bytes replaced");
    Compact({}, node, ReadWholeFile(diskPath));
}

void Package::RenameEntry(TreeNode* node, const std::string& newName) {
    if (!node->parent())
        return;
    RequireNewName(newName);
    if (const TreeNode* existing = ChildNamed(node->parent(), newName, node))
        throw PackageError("Cannot rename \"" + NameToUtf8(node->text()) + "\" to \"" + NameToUtf8(newName) +
                           "\": \"" + EntryPath(existing) + "\" already exists");
    PackageWriter writer(*this);
    writer.beginUndo();
    const std::string oldName = node->text();
    const std::optional<EntryRecord> oldRecord =
        node->record() ? std::optional<EntryRecord>(*node->record()) : std::nullopt;
    node->setText(newName);
    if (EntryRecord* record = node->record())
        record->setName(newName);
    try {
        writer.commitDirectory(writer.dataEnd());
    } catch (...) {
        node->setText(oldName);
        if (oldRecord)
            node->setRecord(*oldRecord);
        writer.rollback();
        throw;
    }
}

} // namespace tessel
