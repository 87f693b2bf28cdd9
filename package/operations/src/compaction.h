// Closing gaps in the data area: which bytes no entry uses any more, the moves that close
// them, and where each remaining byte lands.
#pragma once

#include "journal_plan.h"
#include "vp_format.h"

#include <cstdint>
#include <vector>

namespace tessel {

struct Interval {
    std::int64_t begin;
    std::int64_t end;
};

// Sorts and merges intervals into disjoint ones; empty ones go.
std::vector<Interval> Merged(std::vector<Interval> intervals);
// The parts of the first set that the second does not cover; both disjoint and sorted.
std::vector<Interval> Subtract(const std::vector<Interval>& from, const std::vector<Interval>& cut);
// A file's data, clipped to the data area that ends at dataEnd.
Interval DataOf(const EntryRecord& record, std::int64_t dataEnd);

class Compaction {
public:
    // Removes the intervals (disjoint, sorted, inside the data area) from a data area that
    // ends at dataEnd.
    Compaction(std::vector<Interval> removed, std::int64_t dataEnd);

    bool empty() const { return removed_.empty(); }
    // The stretches behind each gap, moved down, in ascending order.
    const std::vector<Move>& moves() const { return moves_; }
    std::int64_t removedBytes() const { return removedUpTo_.back(); }
    std::int64_t newDataEnd() const { return dataEnd_ - removedBytes(); }
    // Where the byte at the offset lands.
    std::int64_t shifted(std::int64_t offset) const;

private:
    std::vector<Interval> removed_;
    std::int64_t dataEnd_;
    // The bytes removed before each interval, and in all at the back.
    std::vector<std::int64_t> removedUpTo_;
    std::vector<Move> moves_;
};

} // namespace tessel
