#include "package.h"

#include "byte_copy.h"
#include "directory_buffer.h"
#include "entry_name.h"
#include "package_error.h"
#include "package_writer.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <unordered_set>
#include <vector>

namespace tessel {

namespace {

constexpr int kMoveAttempts = 3;

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

// Moves the kept stretches of the data area down over the removed ones, in one ascending
// pass, remembering how far it got so that it can go on after a failure: the bytes not
// yet moved are never overwritten, because writing stays behind reading.
class DataMover {
public:
    struct Move {
        std::int64_t from;
        std::int64_t to;
        std::int64_t length;
    };

    DataMover(PackageFile& file, std::vector<Move> moves) : file_(file), moves_(std::move(moves)) {}

    void run() {
        std::vector<char> buffer;
        for (; current_ < moves_.size(); ++current_, done_ = 0) {
            const Move& move = moves_[current_];
            while (done_ < move.length) {
                const auto chunk = static_cast<std::size_t>(std::min(move.length - done_, kCopyBufferSize));
                buffer.resize(chunk);
                file_.seek(move.from + done_);
                file_.readExact(buffer.data(), chunk);
                const std::int64_t writeAt = move.to + done_;
                file_.seek(writeAt);
                try {
                    file_.writeAll(buffer.data(), chunk);
                } catch (const PackageError&) {
                    moved_ += file_.position() - writeAt;
                    done_ += file_.position() - writeAt;
                    throw;
                }
                done_ += static_cast<std::int64_t>(chunk);
                moved_ += static_cast<std::int64_t>(chunk);
            }
        }
    }

    std::int64_t bytesMoved() const { return moved_; }

private:
    PackageFile& file_;
    std::vector<Move> moves_;
    std::size_t current_ = 0;
    std::int64_t done_ = 0;
    std::int64_t moved_ = 0;
};

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

void Package::RewriteDirectory() {
    PackageWriter writer(*this);
    writer.commitDirectory(writer.dataEnd());
}

void Package::DeleteEntries(const std::vector<TreeNode*>& nodes) {
    const std::vector<TreeNode*> doomed = OutermostNodes(nodes);
    if (doomed.empty())
        return;
    PackageWriter writer(*this);
    FolderTree& tree = tree_;
    const std::int64_t dataEnd = writer.dataEnd();

    std::unordered_set<const TreeNode*> doomedSet(doomed.begin(), doomed.end());
    auto isDoomed = [&](const TreeNode* node) {
        for (const TreeNode* up = node; up; up = up->parent()) {
            if (doomedSet.count(up))
                return true;
        }
        return false;
    };
    std::vector<Interval> deleted, kept;
    std::vector<TreeNode*> keptFiles;
    for (TreeNode* node = tree.root(); node; node = node->next()) {
        if (const EntryRecord* record = node->record()) {
            if (isDoomed(node)) {
                deleted.push_back(DataOf(*record, dataEnd));
            } else {
                kept.push_back(DataOf(*record, dataEnd));
                keptFiles.push_back(node);
            }
        }
    }
    // Bytes that a remaining entry shares with a deleted one stay.
    const std::vector<Interval> removed = Subtract(Merged(deleted), Merged(kept));

    std::vector<DataMover::Move> moves;
    std::int64_t removedSoFar = 0;
    for (std::size_t i = 0; i < removed.size(); ++i) {
        removedSoFar += removed[i].end - removed[i].begin;
        const std::int64_t from = removed[i].end;
        const std::int64_t until = i + 1 < removed.size() ? removed[i + 1].begin : dataEnd;
        if (until > from)
            moves.push_back({from, from - removedSoFar, until - from});
    }

    DataMover mover(writer.file(), moves);
    std::exception_ptr failure;
    try {
        mover.run();
    } catch (const PackageError&) {
        if (mover.bytesMoved() == 0)
            throw; // nothing changed yet: the package and the tree are as they were
        // The data is half moved: finish the move so that a directory can match it, end
        // the edit as planned, and report the failure then.
        failure = std::current_exception();
        for (int attempt = 1;; ++attempt) {
            try {
                mover.run();
                break;
            } catch (const PackageError&) {
                if (attempt >= kMoveAttempts)
                    throw;
            }
        }
    }

    // removedUpTo[i]: the bytes removed by the stretches before removed[i].
    std::vector<std::int64_t> removedUpTo(removed.size() + 1, 0);
    for (std::size_t i = 0; i < removed.size(); ++i)
        removedUpTo[i + 1] = removedUpTo[i] + removed[i].end - removed[i].begin;
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
    for (TreeNode* node : keptFiles) {
        EntryRecord& record = *node->record();
        record.Offset = static_cast<std::int32_t>(record.Offset - removedBefore(record.Offset));
    }
    for (TreeNode* node : doomed)
        tree.remove(node);
    writer.commitDirectory(dataEnd - removedSoFar);
    if (failure)
        std::rethrow_exception(failure);
}

void Package::RenameEntry(TreeNode* node, const std::string& newName) {
    if (!node->parent())
        return;
    RequireNewName(newName);
    PackageWriter writer(*this);
    node->setText(newName);
    if (EntryRecord* record = node->record())
        record->setName(StoredName(newName));
    writer.commitDirectory(writer.dataEnd());
}

} // namespace tessel
