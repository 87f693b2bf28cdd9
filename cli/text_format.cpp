#include "text_format.h"

#include <cstdio>
#include <ctime>

namespace tessel::cli {

std::string WithThousands(std::int64_t value) {
    const std::string digits = std::to_string(value < 0 ? -value : value);
    std::string out = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string WallClockText(std::int32_t timestamp) {
    // The stored seconds already are local wall-clock time: read them without a zone.
    const std::time_t seconds = timestamp;
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min);
    return text;
}

} // namespace tessel::cli
