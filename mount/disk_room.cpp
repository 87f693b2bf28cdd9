#include "disk_room.h"

#include <sys/statvfs.h>

namespace tessel {

bool DiskRoom::takes(std::int64_t growth, std::int64_t owed) {
    const auto now = std::chrono::steady_clock::now();
    if (!known_ || 2 * (grown_ + growth) > room_ || now - asked_ > std::chrono::seconds(1)) {
        struct statvfs disk {};
        if (::statvfs(folder_.c_str(), &disk) != 0)
            return true;
        room_ = std::int64_t(disk.f_bavail) * std::int64_t(disk.f_frsize) - owed;
        grown_ = 0;
        asked_ = now;
        known_ = true;
    }
    if (grown_ + growth > room_)
        return false;
    grown_ += growth;
    return true;
}

} // namespace tessel
