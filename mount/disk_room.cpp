#include "disk_room.h"

#include <algorithm>
#include <sys/statvfs.h>

namespace tessel {

bool DiskRoom::takes(std::int64_t growth, std::int64_t owed) {
    auto needed = [&] { return grown_ + growth + std::max<std::int64_t>(0, owed - owed_); };
    const auto now = std::chrono::steady_clock::now();
    if (!known_ || 2 * needed() > room_ || now - asked_ > std::chrono::seconds(1)) {
        struct statvfs disk {};
        if (::statvfs(folder_.c_str(), &disk) != 0)
            return true;
        room_ = std::int64_t(disk.f_bavail) * std::int64_t(disk.f_frsize) - owed;
        owed_ = owed;
        grown_ = 0;
        asked_ = now;
        known_ = true;
    }
    if (needed() > room_)
        return false;
    grown_ += growth;
    return true;
}

} // namespace tessel
