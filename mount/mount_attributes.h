// What a file or folder of a mount says of itself, and how that reads to stat; why a mount
// could not begin.
#pragma once

#include "mount_index.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace tessel {

struct MountAttributes {
    bool folder = false;
    std::int64_t size = 0;
    std::int64_t modified = 0; // seconds since 1970, UTC
};

inline MountAttributes AttributesOf(const MountItem& item) {
    return {item.folder, item.size, item.modified};
}

// Owned by the user who mounted; writable by them only in a writable mount.
struct stat StatusOf(const MountAttributes& attributes, bool writable);

// "Cannot mount "<package>" on "<folder>": …", for a folder that could not be mounted on.
std::string CannotMountMessage(const std::string& package, const std::string& folder);

// The bytes a package may grow to: its format's offsets are signed 32-bit numbers.
inline constexpr std::int64_t kPackageLimit = std::int64_t(1) << 31;

} // namespace tessel
