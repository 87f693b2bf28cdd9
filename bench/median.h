// The middle of a bench's timings: one slow run (a cache, another process) moves it less
// than it moves the mean.
#pragma once

#include <algorithm>
#include <vector>

namespace tessel::bench {

inline double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace tessel::bench
