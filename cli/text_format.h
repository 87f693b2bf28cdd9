// How tessel-vp writes numbers and times for people.
#pragma once

#include <cstdint>
#include <string>

namespace tessel::cli {

// 1234567 reads "1,234,567".
std::string WithThousands(std::int64_t value);
// A stored timestamp as the wall-clock time it encodes, "2005-04-01 12:30".
std::string WallClockText(std::int32_t timestamp);

} // namespace tessel::cli
