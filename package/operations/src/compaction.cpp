#include "compaction.h"

#include <algorithm>

namespace tessel {

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

std::vector<Interval> Subtract(const std::vector<Interval>& from, const std::vector<Interval>& cut) {
    std::vector<Interval> rest;
    std::size_t c = 0;
    for (Interval piece : from) {
        while (c < cut.size() && cut[c].end <= piece.begin)
            ++c;
        for (std::size_t k = c; piece.begin < piece.end && k < cut.size() && cut[k].begin < piece.end; ++k) {
            if (cut[k].begin > piece.begin)
                rest.push_back({piece.begin, cut[k].begin});
            piece.begin = std::max(piece.begin, cut[k].end);
        }
        if (piece.begin < piece.end)
            rest.push_back(piece);
    }
    return rest;
}

Interval DataOf(const EntryRecord& record, std::int64_t dataEnd) {
    const std::int64_t begin = std::max<std::int64_t>(record.Offset, kHeaderSize);
    const std::int64_t end =
        std::min<std::int64_t>(std::int64_t(record.Offset) + std::max(record.Size, 0), dataEnd);
    return {begin, std::max(begin, end)};
}

Compaction::Compaction(std::vector<Interval> removed, std::int64_t dataEnd)
    : removed_(std::move(removed)), dataEnd_(dataEnd), removedUpTo_(removed_.size() + 1, 0) {
    for (std::size_t i = 0; i < removed_.size(); ++i) {
        removedUpTo_[i + 1] = removedUpTo_[i] + removed_[i].end - removed_[i].begin;
        const std::int64_t from = removed_[i].end;
        const std::int64_t until = i + 1 < removed_.size() ? removed_[i + 1].begin : dataEnd_;
        if (until > from)
            moves_.push_back({from, from - removedUpTo_[i + 1], until - from});
    }
}

std::int64_t Compaction::shifted(std::int64_t offset) const {
    const auto after = std::partition_point(
        removed_.begin(), removed_.end(), [&](const Interval& interval) { return interval.begin < offset; });
    const auto count = static_cast<std::size_t>(after - removed_.begin());
    if (count == 0)
        return offset;
    const Interval& last = removed_[count - 1];
    return offset - (removedUpTo_[count - 1] + std::min(last.end, offset) - last.begin);
}

} // namespace tessel
